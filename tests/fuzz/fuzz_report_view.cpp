// Feeds arbitrary bytes to the readers of report objects: a view record of
// the template stream at any version the reader accepts, and an image blob
// of a picture field. Nothing may crash, hang or read past the data; a
// record that loads writes and loads again to the same fields, and draws
// (within page-sized geometry) at design time and when printing. Run with
// ASAN_OPTIONS=detect_leaks=0: the font database keeps its caches to the end.
#include <QGuiApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/streams.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/objects/kvshape.h"

namespace {

std::unique_ptr<report::TkvView> MakeView(int kind) {
  switch (kind % 6) {
    case 0:
      return std::make_unique<report::TkvMemoView>(nullptr);
    case 1:
      return std::make_unique<report::TkvPictureView>(nullptr);
    case 2:
      return std::make_unique<report::TkvBandView>(nullptr);
    case 3:
      return std::make_unique<report::TkvSubReportView>(nullptr);
    default:
      return std::make_unique<report::TkvShapeView>(nullptr);
  }
}

void DrawBothWays(report::TkvView &view) {
  // Geometry far outside any page is preparation's to refuse; here the
  // drawing of what a damaged record holds is the point.
  for (std::int32_t *v : {&view.x, &view.y, &view.dx, &view.dy}) *v = std::clamp(*v, -300, 300);
  view.FrameWidth = std::min(view.FrameWidth, 50);
  vcl::TBitmap page(64, 64);
  report::TkvEngineStateGuard engine;
  for (int mode : {report::kvDrawDesign, report::kvDrawPrinting}) {
    report::kvEngine().DrawMode = mode;
    view.Draw(page.Canvas());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const int kind = data[0];
  const QByteArray bytes(reinterpret_cast<const char *>(data + 2), static_cast<qsizetype>(size - 2));
  if (kind == 5) {
    report::TkvPictureView picture(nullptr);
    try {
      picture.LoadFromBlob(bytes);
    } catch (const rtl::Exception &) {
    }
    return 0;
  }
  report::TkvEngineStateGuard engine;
  report::kvEngine().Version = 21 + data[1] % 7;
  std::unique_ptr<report::TkvView> view = MakeView(kind);
  rtl::TMemoryStream stream;
  stream.SetBytes(bytes);
  try {
    view->LoadFromStream(stream);
  } catch (const rtl::Exception &) {
    return 0;
  }
  // What was read is written at the current version and must read back.
  report::kvEngine().Version = report::kvCurrentVersion;
  rtl::TMemoryStream again;
  view->SaveToStream(again);
  again.SetPosition(0);
  std::unique_ptr<report::TkvView> copy = MakeView(kind);
  copy->LoadFromStream(again);
  if (again.Position() != again.Size()) std::abort();
  if (copy->x != view->x || copy->dy != view->dy || copy->Flags != view->Flags || copy->FrameTyp != view->FrameTyp ||
      copy->FillColor != view->FillColor || (view->Memo.Count() < 0xFFFF && copy->Memo.Count() != view->Memo.Count())) {
    std::abort();
  }
  DrawBothWays(*view);
  return 0;
}
