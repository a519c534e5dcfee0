// Window hooks: non-visual components that watch the messages of one
// windowed control (a form, an edit...) without deriving from its class.
//
// Any number of `TMwWindowHook` components may watch one control. Each sees
// a message in `BeforeMessage` before the control handles it and may swallow
// it there (the control and the after handlers then never see it); what the
// control handled comes back through `AfterMessage`. The hook attached last
// is asked first.
//
// One `TControlHook` per watched control carries all the hook components
// attached to it and is the one procedure the control's message path calls
// (TControl::AttachHook, keyed by the `TControlHook`). A global `THookList`
// owns these objects. Freeing a `TControlHook` that no component uses any
// more, and installing it again after the control's window went (WM_DESTROY),
// are posted to the list's own queue object, so that neither runs inside the
// message dispatch that asked for it.
//
// A hook never touches a control that is being destroyed: windowed controls
// mark themselves destroying before anything of theirs goes, and the free
// notification that follows clears the hook's `WinControl`.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/component.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/messages.h"

namespace ext {

class TMwWindowHook;
class THookList;

using THookMessageEvent = std::function<void(rtl::TObject *sender, vcl::TMessage &msg, bool &handled)>;

// The subclassing of one control on behalf of every hook component attached
// to it. Made and freed by the hook components and the hook list only.
class TControlHook : public rtl::TObject {
 public:
  QString ClassName() const override { return QStringLiteral("TControlHook"); }
  ~TControlHook() override;

  vcl::TWinControl *Control() const { return control_; }
  // Moves the subclass from the old control to the new one (installed there
  // when hook components are attached).
  void SetControl(vcl::TWinControl *control);
  int HookCount() const { return static_cast<int>(hooks_.size()); }
  TMwWindowHook *Hooks(int index) const { return hooks_.at(static_cast<size_t>(index)); }
  // True while the control's message path calls this object.
  bool Installed() const;

 private:
  friend class TMwWindowHook;
  friend class THookList;
  class Watcher;
  TControlHook();

  void AddHook(TMwWindowHook *hook);
  void RemoveHook(TMwWindowHook *hook);
  void Install();
  void Uninstall();
  bool ControlUsable() const;
  // The window procedure's two halves, as the control's message path calls
  // them.
  bool BeforeProc(vcl::TMessage &message);
  void AfterProc(vcl::TMessage &message);
  void CallHooks(vcl::TMessage &message, bool &handled, bool before);

  std::vector<TMwWindowHook *> hooks_;
  vcl::TWinControl *control_ = nullptr;
  bool destroying_ = false;
  std::unique_ptr<Watcher> watcher_;
  // Read by the procedures the control holds: they may outlive this object
  // when a nested event loop frees it in the middle of a dispatch.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The list of every `TControlHook`, with the queue object on which deferred
// installs and frees run. One instance, made on first use.
class THookList {
 public:
  // The instance, made when `create` is set; nullptr otherwise until then.
  static THookList *Instance(bool create = true);
  // Frees every remaining `TControlHook` and the list itself (program end,
  // and tests that start from a clean list).
  static void FreeInstance();

  int Count() const { return static_cast<int>(items_.size()); }
  TControlHook *Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  bool Contains(const TControlHook *hook) const;
  TControlHook *Find(const vcl::TWinControl *control) const;

  // Deferred work for `hook`: installing it again, and freeing it when it
  // is still listed and no component uses it.
  void PostReinstall(TControlHook *hook);
  void PostRelease(TControlHook *hook);

 private:
  friend class TControlHook;
  friend class TMwWindowHook;
  THookList();
  ~THookList();
  void Add(TControlHook *hook) { items_.push_back(hook); }
  void Remove(TControlHook *hook);

  std::vector<TControlHook *> items_;
  std::unique_ptr<QObject> queue_;
};

class TMwWindowHook : public vcl::TComponent {
  ORBISCA_CLASS(TMwWindowHook, vcl::TComponent)

 public:
  explicit TMwWindowHook(vcl::TComponent *owner);
  ~TMwWindowHook() override;

  // Attached to the control while true.
  bool Active() const { return active_; }
  void SetActive(bool value);
  // The watched control: the one of the attached subclass, else the one
  // last assigned.
  vcl::TWinControl *WinControl() const;
  void SetWinControl(vcl::TWinControl *control);
  // Stored in place of WinControl when the watched control is the hook's
  // own form; reading it back as true points the hook at its owner form.
  bool IsForm() const;
  void SetIsForm(bool value);

  // The subclass this component is attached to (nullptr when detached).
  TControlHook *ControlHook() const { return control_hook_; }

  void HookControl() { SetActive(true); }
  void UnhookControl() { SetActive(false); }

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 protected:
  virtual void DoBeforeMessage(vcl::TMessage &message, bool &handled);
  virtual void DoAfterMessage(vcl::TMessage &message, bool &handled);

 private:
  friend class TControlHook;
  void Attach();
  void Detach();

  bool active_ = true;
  vcl::TWinControl *control_ = nullptr;
  TControlHook *control_hook_ = nullptr;
};

}  // namespace ext
