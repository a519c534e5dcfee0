// The program's entry point: the splash window while the forms are made,
// then the main window's message loop. The archives open at the main
// window's first paint, in the folder the program was started from.
//
// A second copy of the program asks the first to come forward and ends
// before it shows a window or opens any data.
//
// Every way of ending runs the main window's shutdown (closing it, its
// commands, the system's termination signals) and ends with status 0; the
// forms and the objects kept for the whole run are freed while Qt still
// runs, before the QApplication goes.
#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "app/archivio.h"
#include "app/infoform.h"
#include "app/menuform.h"
#include "app/pictures.h"
#include "app/splashform.h"
#include "controls/styled/qelapp.h"
#include "platform/os/signals.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/objects/kvcodebarre.h"
#include "report/engine/objects/kvshape.h"
#include "report/engine/preview/kvprev.h"

int main(int argc, char **argv) {
  // From the first moment on a termination signal ends the program in
  // order, never by the signal's default action.
  os::CatchTerminationSignals();
  QApplication qt_app(argc, argv);
  // Every window of the program, and the desktop's task list, show its icon.
  constexpr int kIconSize = 64;
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(app::ProgramIcon(kIconSize))));
  // A signal that comes while the windows are made is kept: the main window
  // ends the session as soon as it exists.
  app::TMenuForm *ready_form = nullptr;
  bool end_asked = false;
  os::WatchTerminationSignals([&ready_form, &end_asked](int) {
    if (ready_form != nullptr)
      ready_form->EndSession();
    else
      end_asked = true;
  });
  vcl::InitApplication();
  // The report engine's add-in objects and preview, as their units register
  // them when the program loads (the export filters' units register
  // themselves; the main window's export objects link them in).
  report::RegisterShapeObject();
  report::RegisterCodeBarreObject();
  report::RegisterStandardPreview();
  qel::InitQELApplication(QStringLiteral("orbisca"));

  auto *splash = new app::TSplashForm(nullptr);
  splash->Show();
  splash->Update();
  vcl::Application->ProcessMessages();
  vcl::Application->SetTitle(app::kProgramName);
  vcl::Application->SetHelpFile(QString());
  // The main window makes the maintenance dialog, which holds the settings.
  app::TMenuForm *menu_form = nullptr;
  vcl::Application->CreateForm(menu_form);
  auto *single_instance = new qel::TQELOneInstance(menu_form);
  if (single_instance->Check()) {
    os::WatchTerminationSignals(nullptr);
    splash->Hide();
    delete splash;
    vcl::DoneApplication();
    qel::DoneQELApplication();
    return 0;
  }
  menu_form->Selezione();  // the print selection, third of the program's forms
  menu_form->frmInfo = new app::TfrmInfo(menu_form);
  menu_form->TestateForm = new app::TTestateForm(menu_form);
  // Freed here rather than from the loop: an end asked during the start-up
  // never runs the loop.
  splash->Hide();
  delete splash;
  ready_form = menu_form;
  if (end_asked) menu_form->EndSession();  // then the loop does not start
  vcl::Application->Run();
  os::WatchTerminationSignals(nullptr);  // the window is about to go
  report::KvFreeOpenPreviews();          // previews still open go first
  vcl::DoneApplication();
  qel::DoneQELApplication();
  return 0;
}
