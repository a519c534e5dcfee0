// The roll panel (see vudaoroll.h).
#include "dao/vudaoroll.h"

#include <algorithm>

#include "platform/vcl/forms.h"
#include "platform/vcl/typinfo.h"

namespace dao {

namespace {
vcl::TAlign AlignOf(TRollType t) {
  switch (t) {
    case rtLeft:
      return vcl::alLeft;
    case rtTop:
      return vcl::alTop;
    case rtBottom:
      return vcl::alBottom;
    default:
      return vcl::alRight;
  }
}
}  // namespace

TVuHRollForm::TVuHRollForm(vcl::TComponent *owner) : vcl::TPanel(owner) {
  for (int i = 0; i < 5; ++i) {
    auto *grip = new TVuBevel(this);
    grip->SetParent(this);
    grip->SetStyle(vcl::bsRaised);
    grip->OnDblClick = [this](rtl::TObject *) { Toggle(); };
    grips_.push_back(grip);
  }
  SetRollType(rtRight);
}

void TVuHRollForm::SetRollType(TRollType v) {
  roll_type_ = v;
  SetAlign(AlignOf(v));
  const int w = kCaptionButtonWidth / 5;
  for (TVuBevel *g : grips_) {
    if (Horizontal())
      g->SetWidth(w);
    else
      g->SetHeight(w);
    g->SetAlign(AlignOf(v));
  }
}

void TVuHRollForm::SetSize(int size) {
  if (Horizontal())
    SetWidth(size);
  else
    SetHeight(size);
}

void TVuHRollForm::ShiftOthers(int delta) {
  // A panel on the left or top pushes the form's other controls along, so
  // they keep their place next to it.
  if (roll_type_ != rtLeft && roll_type_ != rtTop) return;
  vcl::TWinControl *form = Parent();
  if (form == nullptr) return;
  for (int i = 0; i < form->ControlCount(); ++i) {
    vcl::TControl *c = form->Controls(i);
    if (c == this || c->Align() != vcl::alNone) continue;
    if (roll_type_ == rtLeft)
      c->SetLeft(c->Left() + delta);
    else
      c->SetTop(c->Top() + delta);
  }
}

void TVuHRollForm::ShowControls(bool show) {
  if (!show) {
    hidden_.clear();
    for (int i = 0; i < ControlCount(); ++i) {
      vcl::TControl *c = Controls(i);
      if (dynamic_cast<TVuBevel *>(c) != nullptr || !c->Visible()) continue;
      hidden_.push_back(c);
      c->SetVisible(false);
    }
  } else {
    for (vcl::TControl *c : hidden_) c->SetVisible(true);
    hidden_.clear();
  }
}

void TVuHRollForm::Resize(int from, int to) {
  vcl::TCustomForm *form = GetParentForm();
  auto apply = [&](int size) {
    const int delta = size - Size();
    if (form != nullptr) {
      if (Horizontal())
        form->SetWidth(form->Width() + delta);
      else
        form->SetHeight(form->Height() + delta);
    }
    SetSize(size);
    ShiftOthers(delta);
  };
  if (!roll_animation_) {
    apply(to);
    return;
  }
  const int step = from < to ? roll_step_ : -roll_step_;
  for (int size = from + step; from < to ? size < to : size > to; size += step) {
    apply(size);
    if (vcl::Application != nullptr) vcl::Application->ProcessMessages();
  }
  apply(to);
}

void TVuHRollForm::RollOut() {
  if (!Rolled() || full_size_ <= RolledSize()) return;
  // Without animation the controls simply follow the size.
  const bool early = roll_controls_ && roll_animation_;
  if (early) ShowControls(true);
  Resize(RolledSize(), full_size_);
  if (!early) ShowControls(true);
}

void TVuHRollForm::RollIn() {
  if (Rolled()) return;
  full_size_ = Size();
  const bool late = roll_controls_ && roll_animation_;
  if (!late) ShowControls(false);
  Resize(full_size_, RolledSize());
  if (late) ShowControls(false);
}

void TVuHRollForm::Toggle() {
  if (Rolled())
    RollOut();
  else
    RollIn();
}

void TVuHRollForm::Loaded() {
  vcl::TPanel::Loaded();
  full_size_ = Size();
  if (!roll_at_startup_ || full_size_ <= RolledSize()) return;
  ShowControls(false);
  const bool animate = roll_animation_;
  roll_animation_ = false;
  Resize(full_size_, RolledSize());
  roll_animation_ = animate;
}

ORBISCA_PUBLISHED(TVuHRollForm, vcl::TPanel) {
  p.Property("RollType", &TVuHRollForm::RollType, &TVuHRollForm::SetRollType).Default(rtRight);
  p.Property("RollAtStartup", &TVuHRollForm::RollAtStartup, &TVuHRollForm::SetRollAtStartup).Default(true);
  p.Property("RollAnimation", &TVuHRollForm::RollAnimation, &TVuHRollForm::SetRollAnimation).Default(false);
  p.Property("RollStep", &TVuHRollForm::RollStep, &TVuHRollForm::SetRollStep).Default(2);
  p.Property("RollControls", &TVuHRollForm::RollControls, &TVuHRollForm::SetRollControls).Default(true);
}

}  // namespace dao
