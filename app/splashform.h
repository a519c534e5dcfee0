// The splash window shown while the program creates its forms, and the
// information window of the help menu. Both are plain forms centred on the
// screen with the program's name and version.
#pragma once

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace app {

// The name the program shows on its windows and as its title.
inline const QString kProgramName = QStringLiteral("Gestione Orbisca");

inline const QString kProgramVersion = QStringLiteral("04.03");

class TSplashForm : public vcl::TForm {
  ORBISCA_CLASS(TSplashForm, vcl::TForm)

 public:
  explicit TSplashForm(vcl::TComponent *owner);
  vcl::TPanel *Panel1 = nullptr;
  vcl::TLabel *Label1 = nullptr;
  vcl::TLabel *Label2 = nullptr;
  vcl::TLabel *Label3 = nullptr;
};

}  // namespace app
