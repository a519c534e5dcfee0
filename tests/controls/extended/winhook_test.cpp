// Window hooks: the order in which hooks and the control see a message,
// swallowing, attaching and detaching in any order, and controls that go
// away under their hooks.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include <memory>

#include "controls/extended/winhook.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/typinfo.h"

using namespace vcl;
using ext::THookList;
using ext::TMwWindowHook;

namespace {

constexpr unsigned kProbe = WM_USER + 17;

void RunPostedWork() { QCoreApplication::processEvents(); }

// A form whose own handling of a message is logged, with hooks that log
// what they see.
struct HookedForm {
  std::unique_ptr<TForm> form;
  QStringList log;

  HookedForm() {
    InitApplication();
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(20, 20, 200, 120);
    form->WindowProc = [this](TMessage &m) {
      if (m.Msg == kProbe || m.Msg == WM_DESTROY) log << "form";
      form->WndProc(m);
    };
  }
  ~HookedForm() {
    form.reset();
    RunPostedWork();
  }

  TMwWindowHook *AddHook(const QString &name, TWinControl *control, bool swallow = false) {
    auto *hook = new TMwWindowHook(form.get());
    hook->BeforeMessage = [this, name, swallow](rtl::TObject *, TMessage &m, bool &handled) {
      if (m.Msg != kProbe && m.Msg != WM_DESTROY) return;
      log << name + " before";
      handled = swallow;
    };
    hook->AfterMessage = [this, name](rtl::TObject *, TMessage &m, bool &) {
      if (m.Msg == kProbe || m.Msg == WM_DESTROY) log << name + " after";
    };
    hook->SetWinControl(control);
    return hook;
  }

  QStringList Probe() {
    log.clear();
    form->SendMessage(kProbe);
    return log;
  }
};

int ListedHooks() {
  RunPostedWork();
  THookList *list = THookList::Instance(false);
  return list == nullptr ? 0 : list->Count();
}

}  // namespace

TEST(WindowHook, HooksSeeTheMessageAroundTheFormLastAttachedFirst) {
  HookedForm f;
  f.AddHook("a", f.form.get());
  f.AddHook("b", f.form.get());
  EXPECT_EQ(f.Probe(), QStringList({"b before", "a before", "form", "b after", "a after"}));
  // Perform goes straight to the window procedure, past the hooks.
  f.log.clear();
  f.form->Perform(kProbe);
  EXPECT_EQ(f.log, QStringList({"form"}));
}

TEST(WindowHook, SwallowedMessageReachesNeitherTheFormNorTheAfterHandlers) {
  HookedForm f;
  f.AddHook("first", f.form.get());
  f.AddHook("last", f.form.get(), /*swallow=*/true);
  EXPECT_EQ(f.Probe(), QStringList({"last before"}));

  // The control must still learn that its window goes.
  f.log.clear();
  f.form->SendMessage(WM_DESTROY);
  EXPECT_EQ(f.log, QStringList({"last before", "form", "last after", "first after"}));
}

TEST(WindowHook, TwoHooksOnOneControlDetachInEitherOrder) {
  for (const bool first_leaves_first : {true, false}) {
    HookedForm f;
    TMwWindowHook *a = f.AddHook("a", f.form.get());
    TMwWindowHook *b = f.AddHook("b", f.form.get());
    ASSERT_EQ(a->ControlHook(), b->ControlHook());
    TMwWindowHook *leaving = first_leaves_first ? a : b;
    TMwWindowHook *staying = first_leaves_first ? b : a;
    const QString stays = first_leaves_first ? "b" : "a";

    delete leaving;
    EXPECT_EQ(f.Probe(), QStringList({stays + " before", "form", stays + " after"}));
    EXPECT_EQ(ListedHooks(), 1);

    staying->SetWinControl(nullptr);
    EXPECT_EQ(f.Probe(), QStringList({"form"}));
    EXPECT_EQ(staying->ControlHook(), nullptr);
    EXPECT_EQ(ListedHooks(), 0) << "the empty subclass is released";
  }
}

TEST(WindowHook, ActiveOffAndOnAgainReattachesToTheSameControl) {
  HookedForm f;
  TMwWindowHook *hook = f.AddHook("h", f.form.get());
  hook->SetActive(false);
  EXPECT_EQ(f.Probe(), QStringList({"form"}));
  EXPECT_EQ(hook->WinControl(), f.form.get());
  hook->SetActive(true);
  EXPECT_EQ(f.Probe(), QStringList({"h before", "form", "h after"}));

  // Retargeting moves the hook and lets the old subclass go.
  auto *edit = new TEdit(f.form.get());
  edit->SetParent(f.form.get());
  hook->SetWinControl(edit);
  EXPECT_EQ(f.Probe(), QStringList({"form"}));
  f.log.clear();
  edit->SendMessage(kProbe);
  EXPECT_EQ(f.log, QStringList({"h before", "h after"}));
  EXPECT_EQ(ListedHooks(), 1);
}

TEST(WindowHook, FreedControlUnhooksAndLeavesNothingBehind) {
  HookedForm f;
  auto *edit = new TEdit(f.form.get());
  edit->SetParent(f.form.get());
  TMwWindowHook *hook = f.AddHook("h", edit);
  TMwWindowHook *inactive = f.AddHook("off", edit);
  inactive->SetActive(false);
  delete edit;
  EXPECT_EQ(hook->WinControl(), nullptr);
  EXPECT_EQ(hook->ControlHook(), nullptr);
  EXPECT_EQ(inactive->WinControl(), nullptr);
  EXPECT_EQ(ListedHooks(), 0);
  EXPECT_TRUE(hook->Active());

  // A subclass waiting for its release while its control is freed.
  auto *other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  hook->SetWinControl(other);
  hook->SetWinControl(f.form.get());
  delete other;
  EXPECT_EQ(ListedHooks(), 1);
  EXPECT_EQ(f.Probe(), QStringList({"h before", "form", "h after"}));
}

TEST(WindowHook, FormFreedWithItsOwnHooks) {
  auto f = std::make_unique<HookedForm>();
  f->AddHook("a", f->form.get());
  f->AddHook("b", f->form.get());
  f.reset();
  EXPECT_EQ(ListedHooks(), 0);
}

// The program's end: the forms go while the releases they asked for are
// still waiting in the event queue, then the list goes with them.
TEST(WindowHook, ProgramEndFreesSubclassesStillWaitingForRelease) {
  auto f = std::make_unique<HookedForm>();
  auto *edit = new TEdit(f->form.get());
  edit->SetParent(f->form.get());
  delete f->AddHook("a", edit);
  delete f->AddHook("b", f->form.get());
  f->form.reset();  // no event loop runs after this
  THookList *list = THookList::Instance(false);
  ASSERT_NE(list, nullptr);
  EXPECT_GE(list->Count(), 1);
  THookList::FreeInstance();
  EXPECT_EQ(THookList::Instance(false), nullptr);
  f.reset();  // the queued releases run and find nothing left to do
  EXPECT_EQ(ListedHooks(), 0);
}

TEST(WindowHook, WindowDestroyedIsHookedAgainAfterwards) {
  HookedForm f;
  TMwWindowHook *hook = f.AddHook("h", f.form.get());
  f.form->SendMessage(WM_DESTROY);
  EXPECT_FALSE(hook->ControlHook()->Installed());
  RunPostedWork();
  EXPECT_TRUE(hook->ControlHook()->Installed());
  EXPECT_EQ(f.Probe(), QStringList({"h before", "form", "h after"}));
}

TEST(WindowHook, FailingHandlerIsReportedAndTheOthersStillRun) {
  HookedForm f;
  QStringList shown;
  const auto saved = Application->ShowExceptionSlot;
  Application->ShowExceptionSlot = [&](const QString &, const QString &text) { shown << text; };
  f.AddHook("a", f.form.get());
  TMwWindowHook *failing = f.AddHook("b", f.form.get());
  failing->BeforeMessage = [](rtl::TObject *, TMessage &m, bool &) {
    if (m.Msg == kProbe) throw rtl::Exception("hook failed");
  };
  EXPECT_EQ(f.Probe(), QStringList({"a before", "form", "b after", "a after"}));
  EXPECT_EQ(shown, QStringList({"hook failed."}));
  Application->ShowExceptionSlot = saved;
}

TEST(WindowHook, TypedKeyCanBeSwallowedBeforeTheEditSeesIt) {
  HookedForm f;
  auto *edit = new TEdit(f.form.get());
  edit->SetParent(f.form.get());
  auto *hook = new TMwWindowHook(f.form.get());
  hook->SetWinControl(edit);
  hook->BeforeMessage = [](rtl::TObject *, TMessage &m, bool &handled) {
    if (m.Msg == WM_CHAR && m.CharCode() == 'x') handled = true;
  };
  f.form->Show();
  QApplication::setActiveWindow(f.form->Handle());
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.form->Handle()));
  edit->SetFocus();
  QTest::keyClicks(edit->Handle(), "axb");
  EXPECT_EQ(edit->Text(), "ab");
}

TEST(WindowHook, OwnerFormIsStoredAsIsForm) {
  HookedForm f;
  auto *hook = new TMwWindowHook(f.form.get());
  hook->SetWinControl(f.form.get());
  EXPECT_TRUE(IsStoredProp(hook, FindPropInfo(hook, "IsForm")));
  EXPECT_FALSE(IsStoredProp(hook, FindPropInfo(hook, "WinControl")));

  auto *copy = new TMwWindowHook(f.form.get());
  SetOrdProp(copy, "IsForm", 1);
  EXPECT_EQ(copy->WinControl(), f.form.get());

  auto *edit = new TEdit(f.form.get());
  hook->SetWinControl(edit);
  EXPECT_FALSE(IsStoredProp(hook, FindPropInfo(hook, "IsForm")));
  EXPECT_TRUE(IsStoredProp(hook, FindPropInfo(hook, "WinControl")));
}

// The program's end frees the hook list while controls are still hooked:
// each hook goes once (a hook no longer finds the list to leave it).
TEST(WindowHook, TheListFreedWithHooksStillInIt) {
  HookedForm t;
  t.AddHook("a", t.form.get());
  ASSERT_EQ(ListedHooks(), 1);
  THookList::FreeInstance();
  EXPECT_EQ(THookList::Instance(false), nullptr);
  EXPECT_EQ(t.Probe(), QStringList{"form"});  // the form works on unhooked
}
