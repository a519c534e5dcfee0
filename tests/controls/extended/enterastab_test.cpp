// Enter as Tab with keys sent to the window: what the focused control sees,
// where the focus goes, and how the application's hook chain is kept.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include <memory>

#include "controls/extended/enterastab.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;
using ext::TEnterAsTab;

namespace {

// Two edits, a button and a memo in tab order, with Enter as Tab attached.
struct EnterForm {
  std::unique_ptr<TForm> form;
  TEdit *first = nullptr, *second = nullptr;
  TButton *button = nullptr;
  TMemo *memo = nullptr;
  TEnterAsTab *enter_tab = nullptr;
  QStringList log;
  TMessageEvent saved_hook;

  EnterForm() {
    InitApplication();
    saved_hook = Application->OnMessage;
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(10, 10, 300, 250);
    first = new TEdit(form.get());
    first->SetParent(form.get());
    second = new TEdit(form.get());
    second->SetParent(form.get());
    second->SetTop(30);
    button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetTop(60);
    memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetTop(100);
    first->OnKeyDown = [this](rtl::TObject *, int &key, TShiftState) {
      if (key == VK_RETURN) log << (first->Focused() ? "enter key in first" : "enter key elsewhere");
    };
    button->OnClick = [this](rtl::TObject *) { log << "click"; };
    enter_tab = new TEnterAsTab(form.get());
    enter_tab->AttachToApplication();
  }
  ~EnterForm() {
    form.reset();
    Application->OnMessage = saved_hook;
  }

  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    return QTest::qWaitForWindowActive(form->Handle());
  }
  // The key, then whatever it queued.
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form->Handle()->windowHandle(), key, mods);
    QApplication::processEvents();
    QApplication::processEvents();
  }
};

}  // namespace

TEST(EnterAsTab, EnterInAnEditRunsItsKeyHandlerThenMovesOn) {
  EnterForm t;
  ASSERT_TRUE(t.Show());
  ASSERT_TRUE(t.first->Focused());
  t.Key(Qt::Key_Return);
  EXPECT_EQ(t.log, QStringList{"enter key in first"});
  EXPECT_TRUE(t.second->Focused());
  t.Key(Qt::Key_Return);
  EXPECT_TRUE(t.button->Focused());
}

TEST(EnterAsTab, ButtonsAndMemosKeepTheirEnter) {
  EnterForm t;
  ASSERT_TRUE(t.Show());
  t.button->SetFocus();
  t.Key(Qt::Key_Return);
  EXPECT_EQ(t.log, QStringList{"click"});
  EXPECT_TRUE(t.button->Focused());
  t.memo->SetFocus();
  t.Key(Qt::Key_A);
  t.Key(Qt::Key_Return);
  t.Key(Qt::Key_B);
  EXPECT_TRUE(t.memo->Focused());
  EXPECT_EQ(t.memo->Lines()->Count(), 2);
  EXPECT_EQ(t.memo->Lines()->Get(1), "b");
}

TEST(EnterAsTab, KeypadEnterFollowsItsOwnSetting) {
  EnterForm t;
  t.enter_tab->SetKeypadEnterType(ext::kyEnter);
  ASSERT_TRUE(t.Show());
  t.Key(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(t.first->Focused());
  t.Key(Qt::Key_Return);
  EXPECT_TRUE(t.second->Focused());
  t.enter_tab->SetKeypadEnterType(ext::kyTab);
  t.enter_tab->SetKeyboardEnterType(ext::kyEnter);
  t.Key(Qt::Key_Return);
  EXPECT_TRUE(t.second->Focused());
  t.Key(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(t.button->Focused());
}

TEST(EnterAsTab, ExclusionIsByExactClassNameIgnoringCase) {
  EnterForm t;
  class TNoteMemo : public TMemo {
    ORBISCA_CLASS(TNoteMemo, TMemo)
   public:
    using TMemo::TMemo;
  };
  EXPECT_EQ(t.enter_tab->ExcludeComponents()->Count(), 6);
  EXPECT_EQ(t.enter_tab->ExcludeComponents()->Get(0), "TBitBtn");
  TNoteMemo derived(nullptr);
  EXPECT_TRUE(t.enter_tab->IsExcluded(t.memo));
  EXPECT_FALSE(t.enter_tab->IsExcluded(&derived));
  rtl::TStringList only_memo;
  only_memo.Add("tmemo");
  t.enter_tab->SetExcludeComponents(&only_memo);
  EXPECT_TRUE(t.enter_tab->IsExcluded(t.memo));
  EXPECT_FALSE(t.enter_tab->IsExcluded(t.button));
  // An empty list: Enter moves on from a button too.
  t.enter_tab->ExcludeComponents()->Clear();
  ASSERT_TRUE(t.Show());
  t.button->SetFocus();
  t.Key(Qt::Key_Return);
  EXPECT_TRUE(t.memo->Focused());
}

TEST(EnterAsTab, NothingHappensUntilAttachedOrWithoutAFocusedControl) {
  InitApplication();
  const TMessageEvent saved = Application->OnMessage;
  {
    TEnterAsTab idle(nullptr);
    EXPECT_FALSE(idle.Attached());
    EXPECT_FALSE(static_cast<bool>(Application->OnMessage) && !saved);
  }
  // No form active: Enter passes through, and nothing breaks.
  TEnterAsTab lone(nullptr);
  lone.AttachToApplication();
  TMessage m;
  m.Msg = WM_KEYDOWN;
  m.WParam = VK_RETURN;
  bool handled = false;
  if (Screen->ActiveControl() == nullptr) {
    Application->OnMessage(m, handled);
    EXPECT_FALSE(handled);
  }
  Application->OnMessage = saved;
}

TEST(EnterAsTab, TheHookChainIsKeptAndRestored) {
  InitApplication();
  const TMessageEvent saved = Application->OnMessage;
  QStringList calls;
  Application->OnMessage = [&calls](TMessage &m, bool &) {
    if (m.Msg == WM_USER) calls << "earlier";
  };
  TMessage m;
  m.Msg = WM_USER;
  bool handled = false;
  {
    auto *enter_tab = new TEnterAsTab(nullptr);
    enter_tab->AttachToApplication();
    enter_tab->AttachToApplication();  // twice changes nothing
    EXPECT_TRUE(enter_tab->Attached());
    Application->OnMessage(m, handled);
    EXPECT_EQ(calls, QStringList{"earlier"});
    delete enter_tab;
  }
  // Freed while installed: the earlier hook is back in place.
  calls.clear();
  Application->OnMessage(m, handled);
  EXPECT_EQ(calls, QStringList{"earlier"});

  // A hook installed later that calls ours behind it keeps the chain whole
  // after ours is gone.
  auto *enter_tab = new TEnterAsTab(nullptr);
  enter_tab->AttachToApplication();
  const TMessageEvent ours = Application->OnMessage;
  Application->OnMessage = [&calls, ours](TMessage &msg, bool &h) {
    if (msg.Msg == WM_USER) calls << "later";
    ours(msg, h);
  };
  delete enter_tab;
  calls.clear();
  Application->OnMessage(m, handled);
  EXPECT_EQ(calls, (QStringList{"later", "earlier"}));
  EXPECT_FALSE(handled);
  Application->OnMessage = saved;
}
