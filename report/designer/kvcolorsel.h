// The colour drop-down of the designer's tool bar: sixteen colour buttons,
// "Nessuno" (no colour, the engine's 0x1FFFFFFF) and "Altri ....", which
// opens the colour dialog. The designer shows it under a tool-bar button
// with the current colour and a handler; it hides itself after a choice.
// PickColor runs it as a drop-down window of its own.
#pragma once

#include <QPoint>
#include <array>

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace report {

class TColorSelector : public vcl::TPanel {
  ORBISCA_CLASS(TColorSelector, vcl::TPanel)

 public:
  static constexpr int kPaletteSize = 16;
  // The palette in button order (4 x 4, row by row).
  static const std::array<vcl::TColor, kPaletteSize> &Palette();

  explicit TColorSelector(vcl::TComponent *owner);

  // The colour shown pressed: its palette button, "Nessuno" for no colour,
  // or else "Altri ...." with a small swatch of it.
  vcl::TColor CurrentColor() const { return color_; }
  void SetCurrentColor(vcl::TColor color);

  vcl::TSpeedButton *ColorButton(int index) const { return colors_.at(static_cast<size_t>(index)); }
  vcl::TSpeedButton *NoneButton() const { return none_; }
  vcl::TSpeedButton *OtherButton() const { return other_; }

  // A colour was chosen (CurrentColor() holds it); the panel is hidden.
  vcl::TNotifyEvent OnColorSelected;
  // "Altri ...." was cancelled: the panel is hidden, nothing chosen.
  vcl::TNotifyEvent OnCancelled;

 private:
  void Choose(vcl::TColor color);
  void ChooseOther();

  std::array<vcl::TSpeedButton *, kPaletteSize> colors_{};
  vcl::TSpeedButton *none_ = nullptr;
  vcl::TSpeedButton *other_ = nullptr;
  vcl::TColor color_ = vcl::clBlack;
};

// The selector as a drop-down window at the screen point `anchor` (its top
// left corner), starting at `color`; true and the chosen colour in `color`
// after a choice, false when the user left it (Esc, a click elsewhere, or
// a cancelled colour dialog).
bool PickColor(const QPoint &anchor, vcl::TColor &color);

// Registers the drop-down as the designer's colour picker.
void KvInstallColorPicker();

}  // namespace report
