// Window hooks (see winhook.h).
#include "controls/extended/winhook.h"

#include <QMetaObject>
#include <algorithm>

#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"
#include "platform/vcl/typinfo.h"

namespace ext {

using vcl::TMessage;
using vcl::TWinControl;

namespace {

THookList *g_hook_list = nullptr;

}  // namespace

// --- THookList -----------------------------------------------------------------------

THookList::THookList() : queue_(std::make_unique<QObject>()) {}

THookList::~THookList() {
  // Taken out first: a hook freed now no longer finds the list to leave it
  // (the program's end frees the list before the hooks it still holds).
  while (!items_.empty()) {
    TControlHook *hook = items_.back();
    items_.pop_back();
    delete hook;
  }
}

THookList *THookList::Instance(bool create) {
  if (g_hook_list == nullptr && create) {
    g_hook_list = new THookList();
    // Freed with whatever is still hooked when the program ends, while the
    // controls and Qt still exist (never from a static destructor).
    vcl::AddExitProc(&THookList::FreeInstance);
  }
  return g_hook_list;
}

void THookList::FreeInstance() {
  THookList *list = g_hook_list;
  g_hook_list = nullptr;
  delete list;
}

bool THookList::Contains(const TControlHook *hook) const {
  return std::find(items_.begin(), items_.end(), hook) != items_.end();
}

TControlHook *THookList::Find(const TWinControl *control) const {
  for (TControlHook *hook : items_)
    if (hook->control_ == control && !hook->destroying_) return hook;
  return nullptr;
}

void THookList::Remove(TControlHook *hook) {
  items_.erase(std::remove(items_.begin(), items_.end(), hook), items_.end());
}

void THookList::PostReinstall(TControlHook *hook) {
  QMetaObject::invokeMethod(
      queue_.get(),
      [hook] {
        THookList *list = THookList::Instance(false);
        if (list != nullptr && list->Contains(hook)) vcl::ReportFailures(hook, [hook] { hook->Install(); });
      },
      Qt::QueuedConnection);
}

void THookList::PostRelease(TControlHook *hook) {
  QMetaObject::invokeMethod(
      queue_.get(),
      [hook] {
        THookList *list = THookList::Instance(false);
        if (list != nullptr && list->Contains(hook) && hook->hooks_.empty()) delete hook;
      },
      Qt::QueuedConnection);
}

// --- TControlHook ----------------------------------------------------------------------

// Forgets the control when it is freed, so that a subclass waiting for its
// deferred release never reaches into a control that is gone.
class TControlHook::Watcher : public vcl::TComponent {
 public:
  explicit Watcher(TControlHook *hook) : vcl::TComponent(nullptr), hook_(hook) {}
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove || component != hook_->control_) return;
    hook_->control_ = nullptr;
    if (hook_->hooks_.empty())
      if (THookList *list = THookList::Instance(false)) list->PostRelease(hook_);
  }

 private:
  TControlHook *hook_;
};

TControlHook::TControlHook() : watcher_(std::make_unique<Watcher>(this)) {}

TControlHook::~TControlHook() {
  destroying_ = true;
  *alive_ = false;
  if (THookList *list = THookList::Instance(false)) list->Remove(this);
  while (!hooks_.empty()) {
    TMwWindowHook *hook = hooks_.back();
    hooks_.pop_back();
    hook->control_hook_ = nullptr;
  }
  Uninstall();
  if (control_ != nullptr) control_->RemoveFreeNotification(watcher_.get());
}

bool TControlHook::ControlUsable() const { return control_ != nullptr && !control_->IsDestroying(); }

bool TControlHook::Installed() const { return ControlUsable() && control_->HasHook(this); }

void TControlHook::SetControl(TWinControl *control) {
  if (control == control_) return;
  Uninstall();
  if (control_ != nullptr) control_->RemoveFreeNotification(watcher_.get());
  control_ = control;
  if (control_ != nullptr) control_->FreeNotification(watcher_.get());
  if (!hooks_.empty()) Install();
}

void TControlHook::AddHook(TMwWindowHook *hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
  hook->control_hook_ = this;
}

void TControlHook::RemoveHook(TMwWindowHook *hook) {
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
  if (hook->control_hook_ == this) hook->control_hook_ = nullptr;
  if (hooks_.empty()) Uninstall();
}

void TControlHook::Install() {
  if (destroying_ || !ControlUsable() || control_->IsDesigning()) return;
  if (control_->HasHook(this)) return;
  const std::weak_ptr<bool> alive = alive_;
  vcl::TControlHookProcs procs;
  procs.Before = [this, alive](TMessage &m) {
    const auto token = alive.lock();
    return token && *token && BeforeProc(m);
  };
  procs.After = [this, alive](TMessage &m) {
    const auto token = alive.lock();
    if (token && *token) AfterProc(m);
  };
  control_->AttachHook(this, std::move(procs));
}

void TControlHook::Uninstall() {
  // A control on its way out drops its hook list by itself.
  if (ControlUsable()) control_->DetachHook(this);
}

bool TControlHook::BeforeProc(TMessage &message) {
  if (control_ == nullptr) return false;
  bool handled = false;
  if (message.Msg != vcl::WM_QUIT) CallHooks(message, handled, true);
  // The control must always see its window go, or it would keep a dead one.
  return handled && message.Msg != vcl::WM_DESTROY;
}

void TControlHook::AfterProc(TMessage &message) {
  if (control_ == nullptr) return;
  const std::shared_ptr<bool> alive = alive_;
  bool handled = false;
  CallHooks(message, handled, false);
  if (!*alive || message.Msg != vcl::WM_DESTROY) return;
  // The window went: hook the control's next window once it has one.
  Uninstall();
  THookList *list = THookList::Instance(false);
  if (list != nullptr && !destroying_ && ControlUsable()) list->PostReinstall(this);
}

void TControlHook::CallHooks(TMessage &message, bool &handled, bool before) {
  if (hooks_.empty() || !ControlUsable() || destroying_) return;
  const std::shared_ptr<bool> alive = alive_;
  // A handler may detach or free hook components: walk a copy, skipping the
  // ones that left in the meantime.
  const std::vector<TMwWindowHook *> hooks = hooks_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    TMwWindowHook *hook = *it;
    if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) continue;
    // A handler's failure is shown the way the event loop shows any other,
    // and the remaining hooks still run.
    vcl::ReportFailures(hook, [&] {
      if (before)
        hook->DoBeforeMessage(message, handled);
      else
        hook->DoAfterMessage(message, handled);
    });
    if (!*alive || handled || !ControlUsable()) return;
  }
}

// --- TMwWindowHook -----------------------------------------------------------------------

ORBISCA_PUBLISHED(TMwWindowHook, TComponent) {
  p.Property("Active", &TMwWindowHook::Active, &TMwWindowHook::SetActive).Default(1);
  // The owner form is stored as IsForm instead, so that a copy of the form
  // hooks itself rather than the original.
  p.Property("WinControl", &TMwWindowHook::WinControl, &TMwWindowHook::SetWinControl)
      .StoredIf([](const rtl::TObject *o) {
        const vcl::TWinControl *c = static_cast<const TMwWindowHook *>(o)->WinControl();
        return c != nullptr && dynamic_cast<const vcl::TCustomForm *>(c) == nullptr;
      });
  p.Property("IsForm", &TMwWindowHook::IsForm, &TMwWindowHook::SetIsForm)
      .Default(0)
      .StoredIf([](const rtl::TObject *o) { return static_cast<const TMwWindowHook *>(o)->IsForm(); });
  p.Event("BeforeMessage", &TMwWindowHook::BeforeMessage);
  p.Event("AfterMessage", &TMwWindowHook::AfterMessage);
}

TMwWindowHook::TMwWindowHook(vcl::TComponent *owner) : vcl::TComponent(owner) {}

TMwWindowHook::~TMwWindowHook() {
  SetActive(false);
  SetWinControl(nullptr);
}

void TMwWindowHook::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (active_)
    Attach();
  else
    Detach();
}

TWinControl *TMwWindowHook::WinControl() const {
  return control_hook_ != nullptr ? control_hook_->Control() : control_;
}

void TMwWindowHook::SetWinControl(TWinControl *control) {
  if (control == control_ && control == WinControl()) return;
  const bool was_active = active_;
  // An inactive hook has left its subclass already; the subclass may still
  // wait for its last user to go.
  THookList *list = THookList::Instance(false);
  TControlHook *previous = control_hook_;
  if (previous == nullptr && list != nullptr && control_ != nullptr) previous = list->Find(control_);
  Detach();
  if (control_ != nullptr && control_ != control) control_->RemoveFreeNotification(this);
  control_ = control;
  if (control_ != nullptr) control_->FreeNotification(this);
  if (previous != nullptr && previous->hooks_.empty()) list->PostRelease(previous);
  if (was_active) Attach();
}

bool TMwWindowHook::IsForm() const {
  const TWinControl *control = WinControl();
  return control != nullptr && control == Owner() && dynamic_cast<const vcl::TCustomForm *>(control) != nullptr;
}

void TMwWindowHook::SetIsForm(bool value) {
  if (!value) return;
  if (auto *form = dynamic_cast<vcl::TCustomForm *>(Owner())) SetWinControl(form);
}

void TMwWindowHook::Attach() {
  if (control_ == nullptr || IsDestroying() || control_->IsDestroying()) return;
  THookList *list = THookList::Instance();
  TControlHook *hook = list->Find(control_);
  if (hook == nullptr) {
    hook = new TControlHook();
    list->Add(hook);
    hook->SetControl(control_);
  }
  if (control_hook_ != nullptr && control_hook_ != hook) Detach();
  hook->AddHook(this);
  hook->Install();
}

void TMwWindowHook::Detach() {
  if (control_hook_ != nullptr) control_hook_->RemoveHook(this);
}

void TMwWindowHook::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  vcl::TComponent::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == control_ || component == Owner()) SetWinControl(nullptr);
}

void TMwWindowHook::DoBeforeMessage(TMessage &message, bool &handled) {
  if (BeforeMessage) BeforeMessage(this, message, handled);
}

void TMwWindowHook::DoAfterMessage(TMessage &message, bool &handled) {
  if (AfterMessage) AfterMessage(this, message, handled);
}

}  // namespace ext
