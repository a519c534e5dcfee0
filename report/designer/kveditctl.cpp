// Pieces the designer's editor forms share (see kveditctl.h).
#include "report/designer/kveditctl.h"

namespace report {

vcl::TLabel *PlaceLabel(vcl::TWinControl *parent, vcl::TComponent *owner, const QString &caption, int left, int top,
                        vcl::TWinControl *focus) {
  auto *label = new vcl::TLabel(owner);
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  if (focus != nullptr) label->SetFocusControl(focus);
  return label;
}

vcl::TButton *PlaceButton(vcl::TWinControl *parent, vcl::TComponent *owner, const QString &caption, int left, int top,
                          int width, int height) {
  auto *button = PlaceControl<vcl::TButton>(parent, owner, left, top, width, height);
  button->SetCaption(caption);
  return button;
}

TOkCancel PlaceOkCancel(vcl::TCustomForm *form, int left, int top) {
  constexpr int kGap = 8;
  TOkCancel pair;
  pair.Ok = PlaceButton(form, form, QStringLiteral("&OK"), left, top);
  pair.Ok->SetDefault(true);
  pair.Ok->SetModalResult(vcl::mrOk);
  pair.Cancel = PlaceButton(form, form, QStringLiteral("&Annulla"), left + kvButtonWidth + kGap, top);
  pair.Cancel->SetCancel(true);
  pair.Cancel->SetModalResult(vcl::mrCancel);
  return pair;
}

void SetupDialog(vcl::TCustomForm *form, const QString &caption, int client_width, int client_height) {
  form->SetCaption(caption);
  form->SetBorderStyle(vcl::bsDialog);
  form->SetPosition(vcl::poScreenCenter);
  form->SetClientWidth(client_width);
  form->SetClientHeight(client_height);
}

void SetControlsEnabled(std::initializer_list<vcl::TControl *> controls, bool enabled) {
  for (vcl::TControl *control : controls) {
    if (control == nullptr) continue;
    if (dynamic_cast<vcl::TCustomLabel *>(control) != nullptr) {
      control->Font()->SetColor(enabled ? vcl::clWindowText : vcl::clGrayText);
    } else if (dynamic_cast<vcl::TCustomEdit *>(control) != nullptr) {
      control->SetColor(enabled ? vcl::clWindow : vcl::clBtnFace);
    }
    control->SetEnabled(enabled);
  }
}

void FocusIfShown(vcl::TWinControl *control) {
  if (control != nullptr && control->CanFocus()) control->SetFocus();
}

void DrawColorSwatch(vcl::TBitmap &bitmap, vcl::TColor color, int size) {
  bitmap.SetSize(size, size);
  vcl::TCanvas *canvas = bitmap.Canvas();
  const bool none = color == vcl::clNone;
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(none ? vcl::clSilver : color);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(none ? vcl::clGray : vcl::clBtnShadow);
  canvas->Rectangle(0, 0, size, size);
}

}  // namespace report
