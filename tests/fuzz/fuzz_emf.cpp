// Enhanced metafile reader: arbitrary bytes either load and play, or raise
// EInvalidGraphic.
#include <QPainter>

#include "platform/vcl/metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
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
