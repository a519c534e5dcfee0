// The roll panel: a panel on one side of a form that the user rolls in to
// a strip of grips (five raised bevels, together as wide as a caption
// button) and out again by double-clicking a grip. The form grows and
// shrinks with it, so the rest of the form keeps its size. The save-as
// dialog keeps its column list on one.
#pragma once

#include <vector>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"

namespace dao {

ORBISCA_ENUM(TRollType, rtLeft, rtRight, rtTop, rtBottom)

class TVuHRollForm;

// A grip of the roll panel.
class TVuBevel : public vcl::TBevel {
  ORBISCA_CLASS(TVuBevel, vcl::TBevel)
 public:
  using vcl::TBevel::TBevel;
};

class TVuHRollForm : public vcl::TPanel {
  ORBISCA_CLASS(TVuHRollForm, vcl::TPanel)

 public:
  // The width of a window caption button; the grips share it.
  static constexpr int kCaptionButtonWidth = 20;

  explicit TVuHRollForm(vcl::TComponent *owner);

  TRollType RollType() const { return roll_type_; }
  void SetRollType(TRollType v);
  bool RollAtStartup() const { return roll_at_startup_; }
  void SetRollAtStartup(bool v) { roll_at_startup_ = v; }
  bool RollAnimation() const { return roll_animation_; }
  void SetRollAnimation(bool v) { roll_animation_ = v; }
  int RollStep() const { return roll_step_; }
  void SetRollStep(int v) { roll_step_ = v > 0 ? v : 1; }
  bool RollControls() const { return roll_controls_; }
  void SetRollControls(bool v) { roll_controls_ = v; }

  bool Rolled() const { return Size() == RolledSize(); }
  // Rolls in when out and out when in (a grip's double-click).
  void Toggle();
  void RollIn();
  void RollOut();
  int FullSize() const { return full_size_; }
  static int RolledSize() { return 5 * (kCaptionButtonWidth / 5); }
  const std::vector<TVuBevel *> &Grips() const { return grips_; }

  // Remembers the full size; rolls up when RollAtStartup.
  void Loaded() override;

 private:
  bool Horizontal() const { return roll_type_ == rtLeft || roll_type_ == rtRight; }
  int Size() const { return Horizontal() ? Width() : Height(); }
  void SetSize(int size);
  void Resize(int from, int to);
  void ShowControls(bool show);
  void ShiftOthers(int delta);

  TRollType roll_type_ = rtRight;
  bool roll_at_startup_ = true;
  bool roll_animation_ = false;
  int roll_step_ = 2;
  bool roll_controls_ = true;
  int full_size_ = 0;
  std::vector<TVuBevel *> grips_;
  std::vector<vcl::TControl *> hidden_;
};

}  // namespace dao
