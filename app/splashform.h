// The splash window shown while the program creates its forms: its picture
// (pictures.h) fills it, with the program's name, version and "Caricamento
// in corso ... attendere" over it, centred on the screen. The name and
// version are the information window's too.
#pragma once

#include "platform/vcl/extctrls.h"
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
  vcl::TImage *Image1 = nullptr;  // the picture, under the texts
  vcl::TLabel *Label1 = nullptr;
  vcl::TLabel *Label2 = nullptr;
  vcl::TLabel *Label3 = nullptr;
};

}  // namespace app
