// Feeds arbitrary bytes to the template reader as a whole ".kvf" stream.
// Only EkvTemplateError may come out, and a refused stream leaves the
// report's template exactly as it was; a template that reads writes a
// stream that reads back to the same bytes. Message boxes (a record source
// that is not found) are answered without a window.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/streams.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/kvfile.h"
#include "report/engine/kvglobals.h"
#include "report/engine/kvreport.h"
#include "report/engine/kvshape.h"

namespace {

QByteArray Stored(report::TkvReport &r) {
  rtl::TMemoryStream out;
  r.SaveToStream(out);
  return out.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  vcl::SetDialogResponder([](vcl::TDialogRequest &) { return vcl::mrOk; });
  report::RegisterShapeObject();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  report::TkvReport r;
  const QByteArray before = Stored(r);
  rtl::TMemoryStream in;
  in.SetBytes(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
  try {
    r.LoadFromStream(in);
  } catch (const report::EkvTemplateError &) {
    if (Stored(r) != before) std::abort();
    return 0;
  }
  if (report::kvEngine().Version != report::kvCurrentVersion) std::abort();
  const QByteArray once = Stored(r);
  report::TkvReport copy;
  rtl::TMemoryStream again;
  again.SetBytes(once);
  copy.LoadFromStream(again);
  if (Stored(copy) != once) std::abort();
  return 0;
}
