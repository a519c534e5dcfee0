// Enter as Tab: a non-visual component that makes the Enter key move the
// focus to the next control, as Tab does, throughout the program (a barcode
// scanner ends each code with Enter, and the focus must leave the code
// field so that its OnExit registers the code).
//
// It works as the application's message hook (Application->OnMessage): an
// Enter key-down on a control whose class is not excluded is left to reach
// the control as usual, and a Tab key press is queued behind it, so the
// control sees Enter first and then loses the focus. Buttons and memos keep
// their own Enter through the exclusion list (exact class names, case
// ignored). The main keyboard's Enter and the keypad's Enter are set apart.
//
// Creating the component changes nothing; AttachToApplication installs the
// hook. The hook that was there before keeps being called behind this one,
// and freeing the component takes it out of the chain again.
#pragma once

#include <memory>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/typinfo.h"

namespace ext {

ORBISCA_ENUM(TEnterAsTabKeyValue, kyTab, kyEnter)

class TEnterAsTab : public vcl::TComponent {
  ORBISCA_CLASS(TEnterAsTab, vcl::TComponent)

 public:
  explicit TEnterAsTab(vcl::TComponent *owner);
  ~TEnterAsTab() override;

  TEnterAsTabKeyValue KeyboardEnterType() const { return keyboard_; }
  void SetKeyboardEnterType(TEnterAsTabKeyValue value) { keyboard_ = value; }
  TEnterAsTabKeyValue KeypadEnterType() const { return keypad_; }
  void SetKeypadEnterType(TEnterAsTabKeyValue value) { keypad_ = value; }
  // Class names of the controls on which Enter keeps its meaning; setting
  // copies the lines.
  rtl::TStrings *ExcludeComponents() const { return exclude_.get(); }
  void SetExcludeComponents(const rtl::TStrings *list) { exclude_->Assign(list); }

  // Makes the component the application's message hook.
  void AttachToApplication();
  bool Attached() const;

  // The hook: queues a Tab behind an Enter meant to move on, then calls the
  // hook that was installed before. Never marks the message handled.
  void MessageHandler(vcl::TMessage &message, bool &handled);

  // Whether Enter on `control` is left alone by the exclusion list.
  bool IsExcluded(const vcl::TControl *control) const;

 private:
  struct Link;
  TEnterAsTabKeyValue keyboard_ = kyTab;
  TEnterAsTabKeyValue keypad_ = kyTab;
  std::unique_ptr<rtl::TStringList> exclude_;
  std::shared_ptr<Link> link_;
};

}  // namespace ext
