// The up-down control: two arrow buttons that step a number within a range,
// usually shown at the right edge of an edit (its associate) whose text
// they keep as the number. Clicking an arrow reads the associate's number
// first, so a number typed there is where the step starts.
#pragma once

#include "platform/vcl/controls.h"

namespace vcl {

class TCustomEdit;

ORBISCA_ENUM(TUDBtnType, btNext, btPrev)

class TUpDown : public TWinControl {
  ORBISCA_CLASS(TUpDown, TWinControl)

 public:
  static constexpr int kDefaultWidth = 17;

  explicit TUpDown(TComponent *owner);

  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  // Kept within the range; the associate shows it.
  void SetPosition(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value > 0 ? value : 1; }
  // The edit the arrows step: the control moves to its right edge, within
  // the edit's former width, and the edit shows the position.
  TCustomEdit *Associate() const { return associate_; }
  void SetAssociate(TCustomEdit *edit);

  // What an arrow does: up (btNext) or down (btPrev) by the increment.
  void Click(TUDBtnType button);
  std::function<void(TObject *sender, TUDBtnType button)> OnClick;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }
  void Notification(TComponent *component, TOperation operation) override;

 private:
  void ShowPosition();
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int increment_ = 1;
  TCustomEdit *associate_ = nullptr;
};

}  // namespace vcl
