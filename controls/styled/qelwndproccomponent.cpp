// The window-procedure component base: hooking the owner form's window
// procedure and passing messages on.
#include "controls/styled/qelwndproccomponent.h"

#include "platform/vcl/forms.h"

namespace qel {

// The procedure installed on the window. `target` is cleared when the
// component leaves while another procedure was installed above this one:
// the thunk then only passes messages down.
struct TQELWndProcComponent::Thunk {
  TQELWndProcComponent *target = nullptr;
  vcl::TWinControl *window = nullptr;
  std::function<void(vcl::TMessage &)> previous;
};

// The callable put into the window's WindowProc: a named type, so that a
// leaving component can tell whether the window still holds its own
// procedure or something installed later.
struct TQELWndProcComponent::ThunkProc {
  std::shared_ptr<Thunk> thunk;
  void operator()(vcl::TMessage &m) const {
    if (thunk->target != nullptr)
      thunk->target->WndProc(m);
    else if (thunk->previous)
      thunk->previous(m);
  }
};

TQELWndProcComponent::TQELWndProcComponent(vcl::TComponent *owner) : TQELCustomComponent(owner) {
  if (auto *form = dynamic_cast<vcl::TCustomForm *>(owner)) {
    if (form->FormStyle() == vcl::fsMDIChild)
      mdi_kind_ = 1;
    else if (form->FormStyle() == vcl::fsMDIForm)
      mdi_kind_ = 2;
  }
}

TQELWndProcComponent::~TQELWndProcComponent() { TQELWndProcComponent::Unhook(); }

void TQELWndProcComponent::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  if (IsDesigning() || IsLoading()) return;
  if (value)
    Hook();
  else
    Unhook();
}

void TQELWndProcComponent::Loaded() {
  TQELCustomComponent::Loaded();
  if (!IsDesigning() || enabled_in_design_) Hook();
}

bool TQELWndProcComponent::AppHookProc(vcl::TMessage &) { return true; }

vcl::TWinControl *TQELWndProcComponent::HookWindow() const { return dynamic_cast<vcl::TWinControl *>(Owner()); }

bool TQELWndProcComponent::Hook() {
  if (!enabled_ || thunk_ != nullptr) return thunk_ != nullptr;
  vcl::TWinControl *window = HookWindow();
  if (window == nullptr || window->IsDestroying()) return false;
  if (IsDesigning() && !enabled_in_design_) return false;
  destroying_ = false;
  try {
    if (handle_application_ && vcl::Application != nullptr) {
      // The application hook answers "handled" when the component does not
      // let the message go on.
      vcl::Application->HookMainWindow(this, [this](vcl::TMessage &m) { return !AppHookProc(m); });
      app_hooked_ = true;
    }
    auto thunk = std::make_shared<Thunk>();
    thunk->target = this;
    thunk->window = window;
    thunk->previous = window->WindowProc;
    window->WindowProc = ThunkProc{thunk};
    thunk_ = thunk;
    hooked_ = window;
  } catch (const rtl::Exception &) {
    Unhook();
    return false;
  }
  return true;
}

bool TQELWndProcComponent::Unhook() {
  if (app_hooked_ && vcl::Application != nullptr) vcl::Application->UnhookMainWindow(this);
  app_hooked_ = false;
  silent_ = false;
  destroying_ = false;
  if (thunk_ == nullptr) return false;
  std::shared_ptr<Thunk> thunk = std::move(thunk_);
  thunk_ = nullptr;
  thunk->target = nullptr;
  vcl::TWinControl *window = hooked_;
  hooked_ = nullptr;
  // Only a procedure still on top goes back; below another one the thunk
  // stays as a pass-through. A window on its way out keeps what it has.
  if (window != nullptr && !window->IsDestroying()) {
    const auto *top = window->WindowProc.target<ThunkProc>();
    if (top != nullptr && top->thunk == thunk && thunk->previous) window->WindowProc = thunk->previous;
  }
  return true;
}

void TQELWndProcComponent::CallPrevious(vcl::TMessage &message) {
  if (thunk_ != nullptr && thunk_->previous) thunk_->previous(message);
}

void TQELWndProcComponent::WndProc(vcl::TMessage &message) {
  if (message.Msg == vcl::WM_DESTROY) {
    destroying_ = true;
    if (mdi_kind_ == 1) {
      std::shared_ptr<Thunk> keep = thunk_;
      Unhook();
      if (keep && keep->previous) keep->previous(message);
      return;
    }
  } else if (destroying_) {
    // After the window's end nothing more goes down the chain.
    return;
  }
  CallPrevious(message);
}

void TQELWndProcComponent::CheckDesign() {
  if (IsDesigning() && !enabled_in_design_) Unhook();
}

}  // namespace qel
