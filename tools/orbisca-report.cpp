// orbisca-report FILE: shows a finished report (".kvp") in the preview, or
// prepares a template (".kvf", with the record sources it can find) and
// shows it; from the preview it can be printed, saved and exported as in
// the program.
#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/export/kvrtfexp.h"
#include "report/engine/export/kvtxtexp.h"
#include "report/engine/objects/kvcodebarre.h"
#include "report/engine/objects/kvshape.h"
#include "report/engine/preview/kvprev.h"

int main(int argc, char **argv) {
  QApplication qt_app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orbisca-report FILE.kvp|FILE.kvf\n");
    return 2;
  }
  vcl::InitApplication();
  vcl::Application->SetTitle(QStringLiteral("Gestione Orbisca"));
  report::RegisterShapeObject();
  report::RegisterCodeBarreObject();
  report::RegisterTextExportFilter();
  report::RegisterRichExportFilter();
  report::RegisterStandardPreview();
  const QString file = QString::fromLocal8Bit(argv[1]);
  int status = 0;
  try {
    report::TkvReport report;
    report.SetTitle(QFileInfo(file).completeBaseName());
    if (QFileInfo(file).suffix().compare(QStringLiteral("kvp"), Qt::CaseInsensitive) == 0) {
      report.LoadPreparedReport(file);
      report.ShowPreparedReport();
    } else {
      report.LoadFromFile(file);
      report.ShowReport();
    }
  } catch (const rtl::Exception &e) {
    std::fprintf(stderr, "orbisca-report: %s\n", e.what());
    status = 1;
  }
  vcl::DoneApplication();
  return status;
}
