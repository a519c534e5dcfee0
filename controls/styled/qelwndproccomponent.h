// The base of the non-visual components that change how their owner form
// behaves by taking over the form's window procedure: the form shape
// (qelregion.h) and the form styler sit on it.
//
// Taking over is the control library's own subclassing path: the form's
// `WindowProc` is replaced by a procedure bound to the component, which
// keeps the previous one and passes on what it does not swallow. Several
// components may stack on one form and leave it in any order: one that is
// not the last installed turns into a plain pass-through, so the chain
// above it stays intact.
#pragma once

#include <functional>
#include <memory>

#include "controls/styled/qelclass.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/messages.h"

namespace vcl {
class TCustomForm;
}

namespace qel {

// Non-client messages and hit-test answers the window-procedure components
// speak; the control library dispatches none of them itself, so they are
// sent in code (and answered in tests) through the window procedure.
inline constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr unsigned WM_NCLBUTTONUP = 0x00A2;
inline constexpr unsigned WM_EXITSIZEMOVE = 0x0232;
inline constexpr vcl::LRESULT HTCLIENT = 1;
inline constexpr vcl::LRESULT HTCAPTION = 2;

class TQELWndProcComponent : public TQELCustomComponent {
  ORBISCA_CLASS(TQELWndProcComponent, TQELCustomComponent)

 public:
  explicit TQELWndProcComponent(vcl::TComponent *owner);
  ~TQELWndProcComponent() override;

  bool Enabled() const { return enabled_; }
  // Outside design mode enabling hooks and disabling unhooks.
  void SetEnabled(bool value);

  void Loaded() override;

  // Asked by the application's main-window hook (when the application flag
  // is set); true lets the message go on.
  virtual bool AppHookProc(vcl::TMessage &message);
  // Subclasses the window when enabled and not yet done; true when hooked.
  virtual bool Hook();
  // Gives the window its previous procedure back.
  virtual bool Unhook();
  // The procedure every message of the window passes; the base passes
  // everything on and notes the window's end.
  virtual void WndProc(vcl::TMessage &message);
  // Undoes the hook in design mode unless the design flag is set.
  virtual void CheckDesign();

  bool Hooked() const { return thunk_ != nullptr; }
  // The window whose procedure is taken over: the owner form, or for an MDI
  // frame without MDI handling its client area (here the form itself); none
  // when the owner is no windowed control.
  vcl::TWinControl *HookWindow() const;
  // 0 normal form, 1 MDI child, 2 MDI frame (the owner's style at creation).
  int MDIKind() const { return mdi_kind_; }
  bool Destroying() const { return destroying_; }

 protected:
  // Calls the procedure that was in place before the hook.
  void CallPrevious(vcl::TMessage &message);

  bool enabled_in_design_ = false;
  bool silent_ = false;
  bool handle_mdi_ = false;
  bool handle_application_ = false;

 private:
  struct Thunk;
  struct ThunkProc;
  bool enabled_ = true;
  int mdi_kind_ = 0;
  bool destroying_ = false;
  bool app_hooked_ = false;
  std::shared_ptr<Thunk> thunk_;
  vcl::TWinControl *hooked_ = nullptr;
};

}  // namespace qel
