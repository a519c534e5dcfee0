// The program's entry point: the splash window while the forms are made,
// then the main window's message loop. The archives open at the main
// window's first paint, in the folder the program was started from.
#include <QApplication>

#include "app/infoform.h"
#include "app/menuform.h"
#include "app/splashform.h"
#include "platform/vcl/forms.h"

int main(int argc, char **argv) {
  QApplication qt_app(argc, argv);
  vcl::InitApplication();
  auto *splash = new app::TSplashForm(nullptr);
  splash->Show();
  splash->Update();
  vcl::Application->ProcessMessages();
  vcl::Application->SetTitle(QStringLiteral("Gestione Orbisca"));
  vcl::Application->SetHelpFile(QString());
  app::TMenuForm *menu_form = nullptr;
  vcl::Application->CreateForm(menu_form);
  app::TfrmInfo *info_form = nullptr;
  vcl::Application->CreateForm(info_form);
  splash->Hide();
  splash->Release();
  vcl::Application->Run();
  return 0;
}
