// orbisca-mktemplates FOLDER: writes the four list templates the program
// prints ("Report4_1.kvf" to "Report4_4.kvf") into FOLDER with the report
// engine's own template writer. Their design is code
// (tools/templates/listtemplates.cpp); the repository keeps what this tool
// writes in app/templates:
//
//     build/tools/orbisca-mktemplates app/templates
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <memory>

#include "app/menulogic.h"
#include "app/selezioneform.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/forms.h"
#include "tools/templates/listtemplates.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orbisca-mktemplates FOLDER\n");
    return 2;
  }
  // The selection form whose datasets the templates name is a window:
  // no screen is needed to make it.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt_app(argc, argv);
  vcl::InitApplication();
  int status = 0;
  {
    app::TMenuLogic menu;
    auto form = std::make_unique<app::Tselezioneform>(nullptr, &menu);
    try {
      for (const QString &file : tools::WriteListTemplates(*form, QString::fromLocal8Bit(argv[1])))
        std::printf("%s\n", QFile::encodeName(file).constData());
    } catch (const rtl::Exception &e) {
      std::fprintf(stderr, "orbisca-mktemplates: %s\n", e.what());
      status = 1;
    }
  }
  vcl::DoneApplication();
  return status;
}
