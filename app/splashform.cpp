// The splash window (see splashform.h).
#include "app/splashform.h"

#include "app/pictures.h"

namespace app {

TSplashForm::TSplashForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("SplashForm"));
  SetCaption(kProgramName);
  SetBounds(0, 0, 360, 180);
  SetPosition(vcl::poScreenCenter);
  Panel1 = new vcl::TPanel(this);
  Panel1->SetName(QStringLiteral("Panel1"));
  Panel1->SetParent(this);
  Panel1->SetAlign(vcl::alClient);
  Panel1->SetCaption(QString());
  Panel1->SetBevelOuter(vcl::bvNone);
  auto label = [this](const QString &name, const QString &text, int top, bool bold) {
    auto *l = new vcl::TLabel(this);
    l->SetName(name);
    l->SetParent(Panel1);
    l->SetAutoSize(false);
    l->SetAlignment(vcl::taCenter);
    l->SetTransparent(true);
    l->SetBounds(0, top, 360, 24);
    if (bold) l->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
    l->Font()->SetColor(0x00FFFFFF);
    l->SetCaption(text);
    return l;
  };
  Label1 = label(QStringLiteral("Label1"), QStringLiteral("Programma Gestione Orbisca"), 40, true);
  Label2 = label(QStringLiteral("Label2"), QStringLiteral("versione ") + kProgramVersion, 68, false);
  Label3 = label(QStringLiteral("Label3"), QStringLiteral("Caricamento in corso ... attendere"), 120, false);
  // Made last: the layer stacks each windowless control it is given under
  // those given before, so the picture lies under the texts.
  Image1 = new vcl::TImage(this);
  Image1->SetName(QStringLiteral("Image1"));
  Image1->SetParent(Panel1);
  Image1->SetAlign(vcl::alClient);
  Image1->SetStretch(true);
  // Drawn at the window's size, so the stretch changes nothing.
  Image1->Picture()->SetBitmap(BitmapOf(SplashPicture(ClientWidth(), ClientHeight()), QColor(Qt::black)).get());
}

}  // namespace app
