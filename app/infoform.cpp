// The information window (see infoform.h).
#include "app/infoform.h"

#include "app/pictures.h"
#include "app/splashform.h"

namespace app {

TfrmInfo::TfrmInfo(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("frmInfo"));
  SetCaption(QStringLiteral("Informazioni"));
  SetBounds(0, 0, 320, 160);
  SetPosition(vcl::poScreenCenter);
  SetBorderStyle(vcl::bsDialog);
  constexpr int kIconSize = 48;
  constexpr int kIconPlace = 16;  // from the top left corner
  ProgramIcon = new vcl::TImage(this);
  ProgramIcon->SetName(QStringLiteral("ProgramIcon"));
  ProgramIcon->SetParent(this);
  ProgramIcon->SetBounds(kIconPlace, kIconPlace, kIconSize, kIconSize);
  ProgramIcon->Picture()->SetBitmap(BitmapOf(app::ProgramIcon(kIconSize), vcl::ColorToQColor(Color())).get());
  ProductName = new vcl::TLabel(this);
  ProductName->SetName(QStringLiteral("ProductName"));
  ProductName->SetParent(this);
  ProductName->SetBounds(80, 16, 224, 20);
  ProductName->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  ProductName->SetCaption(kProgramName);
  Version = new vcl::TLabel(this);
  Version->SetName(QStringLiteral("Version"));
  Version->SetParent(this);
  Version->SetBounds(80, 44, 224, 20);
  Version->SetCaption(QStringLiteral("Programma Gestione Orbisca - ") + kProgramVersion);
  OKButton = new vcl::TButton(this);
  OKButton->SetName(QStringLiteral("OKButton"));
  OKButton->SetParent(this);
  OKButton->SetCaption(QStringLiteral("OK"));
  OKButton->SetBounds(120, 96, 80, 26);
  OKButton->SetDefault(true);
  OKButton->SetModalResult(vcl::mrOk);
}

}  // namespace app
