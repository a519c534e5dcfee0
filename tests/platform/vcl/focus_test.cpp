// The platform's focus rules on Qt: which control is entered and left, in
// what order, and what happens when a handler moves the focus.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QWindow>

#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;

namespace {

// A form with three edits in tab order and a log of OnEnter/OnExit.
struct ThreeEdits {
  std::unique_ptr<TForm> form;
  TEdit *a = nullptr, *b = nullptr, *c = nullptr;
  QStringList log;

  ThreeEdits() {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(10, 10, 300, 200);
    for (TEdit **e : {&a, &b, &c}) {
      *e = new TEdit(form.get());
      (*e)->SetParent(form.get());
    }
    a->SetName("A");
    b->SetName("B");
    c->SetName("C");
    a->SetTop(10);
    b->SetTop(40);
    c->SetTop(70);
    for (TEdit *e : {a, b, c}) {
      e->OnEnter = [this](rtl::TObject *s) { log << "enter " + static_cast<TComponent *>(s)->Name(); };
      e->OnExit = [this](rtl::TObject *s) { log << "exit " + static_cast<TComponent *>(s)->Name(); };
    }
  }

  bool ShowAndActivate(TCustomForm *f) {
    f->Show();
    QApplication::setActiveWindow(f->Handle());
    return QTest::qWaitForWindowActive(f->Handle());
  }

  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form->Handle()->windowHandle(), key, mods);
  }
};

}  // namespace

TEST(Focus, ExitRunsBeforeEnterAndTabFollowsTabOrder) {
  ThreeEdits t;
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  EXPECT_TRUE(t.a->Focused());  // the first control gets the focus on activation
  t.log.clear();
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.b->Focused());
  EXPECT_EQ(t.log, (QStringList{"exit A", "enter B"}));
  t.Key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_TRUE(t.a->Focused());
  t.c->SetTabOrder(0);
  t.log.clear();
  t.Key(Qt::Key_Tab);  // from A (now second) to B
  EXPECT_TRUE(t.b->Focused());
  t.Key(Qt::Key_Tab);  // wraps around to C
  EXPECT_TRUE(t.c->Focused());
  EXPECT_EQ(t.form->ActiveControl(), t.c);
  EXPECT_EQ(Screen->ActiveControl(), t.c);
}

TEST(Focus, OnExitThatMovesTheFocusSuppressesTheFirstTargetsEnter) {
  ThreeEdits t;
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  t.a->OnExit = [&t](rtl::TObject *) {
    t.log << "exit A";
    t.c->SetFocus();
  };
  t.log.clear();
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.c->Focused());
  EXPECT_EQ(t.log, (QStringList{"exit A", "enter C"}));  // no "enter B", no second "exit A"
  EXPECT_EQ(t.form->EnteredControl(), t.c);
  t.a->OnExit = nullptr;
  t.log.clear();
  t.Key(Qt::Key_Tab, Qt::ShiftModifier);  // the next Tab starts from C
  EXPECT_TRUE(t.b->Focused());
  EXPECT_EQ(t.log, (QStringList{"exit C", "enter B"}));
}

TEST(Focus, OnExitThatKeepsTheFocusLeavesTheControlEntered) {
  ThreeEdits t;
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  int exits = 0;
  t.a->OnExit = [&](rtl::TObject *) {
    ++exits;
    t.a->SetFocus();  // validation failed: stay
  };
  t.log.clear();
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.a->Focused());
  EXPECT_EQ(exits, 1);
  EXPECT_TRUE(t.log.isEmpty());  // A was never left, so it is not entered again
  EXPECT_EQ(t.form->ActiveControl(), t.a);
}

TEST(Focus, SwitchingToAnotherWindowRaisesNoExit) {
  ThreeEdits t;
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  t.log.clear();
  TForm other(nullptr);
  auto *edit = new TEdit(&other);
  edit->SetParent(&other);
  ASSERT_TRUE(t.ShowAndActivate(&other));
  EXPECT_TRUE(t.log.isEmpty());
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  EXPECT_TRUE(t.a->Focused());
  EXPECT_TRUE(t.log.isEmpty());
  t.Key(Qt::Key_Tab);
  EXPECT_EQ(t.log, (QStringList{"exit A", "enter B"}));
}

TEST(Focus, ParentsAreEnteredAndLeftAroundTheirChildren) {
  ThreeEdits t;
  auto *panel = new TPanel(t.form.get());
  panel->SetName("P");
  panel->SetParent(t.form.get());
  panel->SetTop(100);
  auto *inner = new TEdit(t.form.get());
  inner->SetName("I");
  inner->SetParent(panel);
  for (TWinControl *w : std::initializer_list<TWinControl *>{panel, inner}) {
    w->OnEnter = [&t](rtl::TObject *s) { t.log << "enter " + static_cast<TComponent *>(s)->Name(); };
    w->OnExit = [&t](rtl::TObject *s) { t.log << "exit " + static_cast<TComponent *>(s)->Name(); };
  }
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  t.c->SetFocus();
  t.log.clear();
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(inner->Focused());
  EXPECT_EQ(t.log, (QStringList{"exit C", "enter P", "enter I"}));
  t.log.clear();
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.a->Focused());
  EXPECT_EQ(t.log, (QStringList{"exit I", "exit P", "enter A"}));
}

TEST(Focus, HiddenOrDisabledControlsAreSkippedAndCannotTakeTheFocus) {
  ThreeEdits t;
  ASSERT_TRUE(t.ShowAndActivate(t.form.get()));
  t.b->SetEnabled(false);
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.c->Focused());
  EXPECT_THROW(t.b->SetFocus(), rtl::EInvalidOperation);
  t.b->SetEnabled(true);
  t.c->Hide();
  EXPECT_NE(t.form->ActiveControl(), t.c);
  EXPECT_THROW(t.c->SetFocus(), rtl::EInvalidOperation);
  // Freeing the focused control leaves no dangling active control.
  t.b->SetFocus();
  delete t.b;
  EXPECT_EQ(t.form->ActiveControl(), nullptr);
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.a->Focused());
}
