// Fuzz target for opening a file in the designer: the bytes are a template
// file opened with the designer's open command while it shows a template.
// Whatever the bytes, nothing crashes; a file that is not a whole template
// leaves the template shown (and its name) exactly as it was.
//
// Qt keeps its font caches until the process ends, so run it with
// ASAN_OPTIONS=detect_leaks=0.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/streams.h"
#include "platform/vcl/dialogs.h"
#include "report/designer/kvdesigner.h"
#include "report/engine/component/kvreport.h"

namespace {

QByteArray TemplateBytes(report::TkvReport &report) {
  rtl::TMemoryStream stream;
  report.SaveToStream(stream);
  return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never taken down: its destructor at exit would run after Qt's
  // thread storage is gone.
  static auto *app = new QApplication(*argc, *argv);
  (void)app;
  vcl::InitApplication();
  // Every message box is answered at once.
  vcl::SetDialogResponder([](vcl::TDialogRequest &) { return vcl::mrOk; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static QTemporaryDir dir;
  // Made once and kept to the end of the process: windows must not be
  // taken down after the application object is gone.
  static report::TkvReport *report_ptr = nullptr;
  static report::TKVDesignerForm *designer = nullptr;
  if (designer == nullptr) {
    report_ptr = new report::TkvReport(nullptr);
    report_ptr->SetName(QStringLiteral("Elenco"));
    report::TkvPage *page = report_ptr->Pages().Page(0);
    page->AddBand(report::btMasterData, 100, 40);
    report::SetMemoText(page->Add<report::TkvMemoView>(20, 105, 120, 16), QStringLiteral("[Riga]"));
    report_ptr->SaveToFile(dir.filePath(QStringLiteral("Buono.kvf")));
    designer = new report::TKVDesignerForm(report_ptr);
    designer->Show();
  }
  report::TkvReport &report = *report_ptr;
  const QString path = dir.filePath(QStringLiteral("Prova.kvf"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
  }
  const QByteArray before = TemplateBytes(report);
  const QString name = report.FileName();
  if (!designer->OpenFile(path)) {
    if (TemplateBytes(report) != before || report.FileName() != name) std::abort();
  } else {
    // A template that loaded: the next input starts from the good one.
    if (!designer->OpenFile(dir.filePath(QStringLiteral("Buono.kvf")))) std::abort();
  }
  return 0;
}
