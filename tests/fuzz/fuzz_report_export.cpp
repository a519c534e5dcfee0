// The export walk and the text and RTF filters over arbitrary finished
// pages: a picture either loads and exports, or raises a run-time
// exception; nothing else may happen. Run with -detect_leaks=0 (the font
// database keeps its caches).
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>

#include "platform/vcl/metafile.h"
#include "report/engine/component/kvexport.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/export/kvrtfexp.h"
#include "report/engine/export/kvtxtexp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static int argc = 1;
  static char name[] = "fuzz_report_export";
  static char *argv[] = {name, nullptr};
  static QGuiApplication *app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;

  report::TkvReport report;
  report::TkvEMFPage *page = report.EMFPages().Add(*report.Pages().Page(0));
  page->Canvas.reset();
  try {
    page->Picture->LoadFromBytes(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    rtl::TMemoryStream out;
    {
      report::TkvTextExportFilter text(&out);
      text.Options.BottomMargin = text.Options.TopMargin = true;
      report::KvExportPages(report.EMFPages(), text);
    }
    report::TkvRichExportFilter rich(&out);
    report::KvExportPages(report.EMFPages(), rich);
  } catch (const rtl::Exception &) {
  }
  return 0;
}
