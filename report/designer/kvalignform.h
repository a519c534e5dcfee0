// The designer's floating alignment palette "Allineamento": ten flat
// buttons that align, centre or spread the selected objects of the page
// shown (the computations are kvalign.h's).
//
// The palette knows the designer only through TkvAlignTarget: where the
// selection and the page come from, and what follows a change (the
// designer redraws, refreshes its selection marks and records an undo
// step). Function keys pressed in the palette go on to the designer
// window (OnFunctionKey, called once the key is over), so its function-key
// commands keep working while the palette has the focus. Showing the
// palette never takes the activation from the designer. The designer keeps the palette's place and visibility in its
// settings under the palette's name, "AlignForm".
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "report/designer/kvalign.h"

namespace report {

class TkvPage;
class TkvView;

struct TkvAlignTarget {
  // The selected objects of the page shown, in page order.
  std::function<std::vector<TkvView *>()> Selection;
  // The object the user clicked last in the selection (nullptr: none).
  std::function<TkvView *()> ClickedLast;
  // The page shown (its size centres the objects).
  std::function<TkvPage *()> Page;
  // Called after objects moved.
  std::function<void()> Changed;
};

class TAlignForm : public vcl::TForm {
  ORBISCA_CLASS(TAlignForm, vcl::TForm)

 public:
  explicit TAlignForm(vcl::TComponent *owner);

  TkvAlignTarget Target;
  // F1 to F12 typed in the palette, for the designer window.
  std::function<void(int key, vcl::TShiftState shift)> OnFunctionKey;

  // B0 to B9, in the order of TkvAlignment.
  std::array<vcl::TSpeedButton *, kvAlignmentCount> B{};

  // What the button of that alignment does; true when objects moved.
  bool Apply(TkvAlignment alignment);
  // Shown, it stays above the other windows, where it was, and the window
  // that was active stays active.
  void SetVisible(bool visible) override;

 protected:
  void KeyDown(int &key, vcl::TShiftState shift) override;
};

// Makes the designer's palette a TAlignForm on the designer's selection,
// the object clicked last and the page shown; a move it makes is an undo
// step of the designer, and its function keys are the designer's.
void KvInstallAlignmentPalette();

}  // namespace report
