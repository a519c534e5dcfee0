// Pieces the designer's editor forms share: placing controls built in
// code, the "&OK" / "&Annulla" pair every modal editor ends with, greying
// out groups of labels and edit boxes, and the colour swatches drawn on
// buttons.
#pragma once

#include <QString>
#include <initializer_list>

#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/stdctrls.h"

namespace report {

// A control of the form `owner`, on `parent`, at the given bounds.
template <class Control>
Control *PlaceControl(vcl::TWinControl *parent, vcl::TComponent *owner, int left, int top, int width, int height) {
  auto *control = new Control(owner);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

// A label with its caption; `focus` (when given) takes the focus on the
// label's accelerator.
vcl::TLabel *PlaceLabel(vcl::TWinControl *parent, vcl::TComponent *owner, const QString &caption, int left, int top,
                        vcl::TWinControl *focus = nullptr);

// The size of the editors' push buttons.
inline constexpr int kvButtonWidth = 75;
inline constexpr int kvButtonHeight = 25;

// A push button with its caption.
vcl::TButton *PlaceButton(vcl::TWinControl *parent, vcl::TComponent *owner, const QString &caption, int left, int top,
                          int width = kvButtonWidth, int height = kvButtonHeight);

// The editor's "&OK" (default, closing with mrOk unless `ok_checks` is
// set: then it calls it and closes only when it returns true) and
// "&Annulla" (cancel, mrCancel), side by side from `left`.
struct TOkCancel {
  vcl::TButton *Ok = nullptr;
  vcl::TButton *Cancel = nullptr;
};
TOkCancel PlaceOkCancel(vcl::TCustomForm *form, int left, int top);

// A dialog form as the editors make them: a fixed border, centred on the
// screen, the caption and the client size given.
void SetupDialog(vcl::TCustomForm *form, const QString &caption, int client_width, int client_height);

// Labels take the window-text colour (enabled) or the grey-text colour;
// edit boxes the window colour or the button-face colour; every control is
// enabled or disabled.
void SetControlsEnabled(std::initializer_list<vcl::TControl *> controls, bool enabled);

// Moves the focus to the control when it can take it (the form is shown).
void FocusIfShown(vcl::TWinControl *control);

// A swatch of `color` (size x size) with a border in the button-shadow
// colour; the no-colour value draws a framed silver box.
void DrawColorSwatch(vcl::TBitmap &bitmap, vcl::TColor color, int size);

}  // namespace report
