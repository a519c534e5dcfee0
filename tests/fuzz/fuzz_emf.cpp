// Enhanced metafile reader: arbitrary bytes either load and play, or raise
// EInvalidGraphic. Run with -detect_leaks=0: the font database keeps its
// caches for the life of the process.
#include <QGuiApplication>
#include <QPainter>

#include "platform/vcl/metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Text records need the font database, which needs an application.
  static int argc = 1;
  static char name[] = "fuzz_emf";
  static char *argv[] = {name, nullptr};
  static QGuiApplication *app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;

  vcl::TMetafile mf;
  try {
    mf.LoadFromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
  } catch (const rtl::Exception &) {
    return 0;
  }
  QImage img(64, 64, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  mf.Play(&p, QRectF(0, 0, 64, 64));
  return 0;
}
