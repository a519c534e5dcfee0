// Enter as Tab (see enterastab.h).
#include "controls/extended/enterastab.h"

#include "platform/vcl/messages.h"

namespace ext {

// What the application's hook holds: the component while it lives, and the
// hook that was there before it. A hook installed later may have kept a
// copy of ours to call behind it; once the component is gone that copy
// only passes the message on, so the chain stays as it was.
struct TEnterAsTab::Link {
  TEnterAsTab *owner = nullptr;
  vcl::TMessageEvent previous;

  void operator()(vcl::TMessage &message, bool &handled) const {
    if (owner != nullptr)
      owner->MessageHandler(message, handled);
    else if (previous)
      previous(message, handled);
  }
};

namespace {

// The callable installed as Application->OnMessage.
template <typename L>
struct Thunk {
  std::shared_ptr<L> link;
  void operator()(vcl::TMessage &message, bool &handled) const {
    const std::shared_ptr<L> keep = link;  // the component may go meanwhile
    (*keep)(message, handled);
  }
};

}  // namespace

ORBISCA_PUBLISHED(TEnterAsTab, TComponent) {
  p.Property("KeyboardEnterType", &TEnterAsTab::KeyboardEnterType, &TEnterAsTab::SetKeyboardEnterType).Default(kyTab);
  p.Property("KeypadEnterType", &TEnterAsTab::KeypadEnterType, &TEnterAsTab::SetKeypadEnterType).Default(kyTab);
  p.Property("ExcludeComponents", &TEnterAsTab::ExcludeComponents, &TEnterAsTab::SetExcludeComponents);
}

TEnterAsTab::TEnterAsTab(vcl::TComponent *owner)
    : TComponent(owner), exclude_(std::make_unique<rtl::TStringList>()), link_(std::make_shared<Link>()) {
  for (const char *name : {"TBitBtn", "TButton", "TDBMemo", "TDBRichEdit", "TMemo", "TRichEdit"})
    exclude_->Add(QString::fromLatin1(name));
  link_->owner = this;
  const bool designing = IsDesigning() || (owner != nullptr && owner->IsDesigning());
  if (!designing) {
    vcl::InitApplication();
    link_->previous = vcl::Application->OnMessage;
  }
}

TEnterAsTab::~TEnterAsTab() {
  const bool attached = Attached();
  link_->owner = nullptr;
  // Still the application's hook: put back the one found. Otherwise a later
  // hook calls ours behind it, and the link now just passes messages on.
  if (attached) vcl::Application->OnMessage = link_->previous;
}

bool TEnterAsTab::Attached() const {
  if (vcl::Application == nullptr) return false;
  const auto *thunk = vcl::Application->OnMessage.target<Thunk<Link>>();
  return thunk != nullptr && thunk->link == link_;
}

void TEnterAsTab::AttachToApplication() {
  vcl::InitApplication();
  // Already in the chain (installed, or behind a later hook): attaching
  // again would make the hook call itself.
  for (const vcl::TMessageEvent *hook = &vcl::Application->OnMessage; hook != nullptr && *hook;) {
    const auto *thunk = hook->target<Thunk<Link>>();
    if (thunk == nullptr) break;
    if (thunk->link == link_) return;
    hook = &thunk->link->previous;
  }
  // The hook of this moment goes behind ours, so one installed after the
  // component was created is not lost.
  link_->previous = vcl::Application->OnMessage;
  vcl::Application->OnMessage = Thunk<Link>{link_};
}

bool TEnterAsTab::IsExcluded(const vcl::TControl *control) const {
  if (control == nullptr) return false;
  const QString name = control->ClassName().toUpper();
  for (int i = 0; i < exclude_->Count(); ++i)
    if (exclude_->Get(i).toUpper() == name) return true;
  return false;
}

void TEnterAsTab::MessageHandler(vcl::TMessage &message, bool &handled) {
  if (message.Msg == vcl::WM_KEYDOWN && message.WParam == static_cast<vcl::WPARAM>(vcl::VK_RETURN)) {
    // With no control active there is nothing to move from: Enter goes on
    // as it is.
    vcl::TWinControl *active = vcl::Screen != nullptr ? vcl::Screen->ActiveControl() : nullptr;
    if (active != nullptr && !IsExcluded(active)) {
      const bool keypad = (message.LParam & vcl::KF_EXTENDED_BIT) != 0;
      if ((keypad ? keypad_ : keyboard_) == kyTab) vcl::keybd_event(vcl::VK_TAB, 0, 0, 0);
    }
  }
  // The component may be freed by the previous hook: keep the link.
  const std::shared_ptr<Link> link = link_;
  if (link->previous) link->previous(message, handled);
}

}  // namespace ext
