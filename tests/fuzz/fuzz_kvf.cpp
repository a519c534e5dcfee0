// Feeds arbitrary bytes to the template reader as a whole ".kvf" stream;
// when the first byte is 255 (a version no template has), the rest to the
// finished-report reader; when it is 254, the rest as a ".kvp" file to the
// preview's open command (the open dialog answered with that file), after
// which the preview lays out and paints what it loaded. Run with
// ASAN_OPTIONS=detect_leaks=0: the font database keeps its caches to the
// end.
// Only EkvTemplateError may come out, and a refused stream leaves the
// report's template exactly as it was; a template that reads writes a
// stream that reads back to the same bytes. Message boxes (a record source
// that is not found) are answered without a window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
#include "report/engine/preview/kvprev.h"

namespace {

QByteArray Stored(report::TkvReport &r) {
  rtl::TMemoryStream out;
  r.SaveToStream(out);
  return out.Bytes();
}

QString OpenedFile() {
  static QTemporaryDir dir;
  return dir.filePath(QStringLiteral("aperto.kvp"));
}

// The preview's open command on the bytes as a file: only the readers'
// refusals may come out, a refused file leaves the pages shown as they
// were, and whatever loaded is laid out and painted.
void OpenInPreview(const std::uint8_t *data, std::size_t size) {
  QFile file(OpenedFile());
  if (!file.open(QIODevice::WriteOnly)) std::abort();
  file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
  file.close();
  report::TkvReport shown;
  shown.SetShowProgress(false);
  auto *preview = new report::TStandardPreview(nullptr);
  preview->SetReport(&shown, false);
  preview->SetBounds(0, 0, 400, 300);
  preview->Show();
  try {
    preview->PreviewOpen();
  } catch (const rtl::Exception &) {
    if (shown.EMFPages().Count() != 0) std::abort();
  }
  preview->ZoomTwoPages();
  preview->LastPage();
  preview->PaintPanel()->Handle()->grab();
  delete preview;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication app(*argc, *argv);
  vcl::SetDialogResponder([](vcl::TDialogRequest &request) {
    if (request.kind == vcl::TDialogKind::Open) request.value = OpenedFile();
    return vcl::mrOk;
  });
  report::RegisterShapeObject();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size > 0 && data[0] == 254) {
    OpenInPreview(data + 1, size - 1);
    return 0;
  }
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
