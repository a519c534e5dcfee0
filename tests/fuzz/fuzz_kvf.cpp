// Feeds arbitrary bytes to the template reader as a whole ".kvf" stream
// and, when the first byte is 255 (a version no template has), the rest to
// the finished-report reader.
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
#include "report/engine/component/kvreport.h"
#include "report/engine/files/kvfile.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/objects/kvshape.h"
#include "report/engine/prepare/kvpages.h"

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
  if (size > 0 && data[0] == 255) {
    report::TkvEMFPages pages;
    rtl::TMemoryStream in;
    in.SetBytes(QByteArray(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1)));
    QString printer;
    try {
      report::KvReadFinishedPages(in, pages, printer);
    } catch (const report::EkvTemplateError &) {
      if (pages.Count() != 0) std::abort();
      return 0;
    }
    rtl::TMemoryStream out;
    report::KvWriteFinishedPages(out, pages);
    return 0;
  }
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
