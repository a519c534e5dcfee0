// Forms: dialog keys, modal results, closing, the life-cycle events, the
// application's message hook and its exception handler.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;

namespace {

bool Activate(TCustomForm *f) {
  f->Show();
  QApplication::setActiveWindow(f->Handle());
  return QTest::qWaitForWindowActive(f->Handle());
}

void Key(TCustomForm *f, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(f->Handle()->windowHandle(), key, mods);
}

void Type(TCustomForm *f, const char *text) {
  for (const char *c = text; *c; ++c) QTest::keyClick(f->Handle()->windowHandle(), *c);
}

// A dialog: an edit, a memo, an OK (default) and a Cancel button.
struct Dialog {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TEdit *edit = new TEdit(form.get());
  TMemo *memo = new TMemo(form.get());
  TButton *ok = new TButton(form.get());
  TButton *cancel = new TButton(form.get());
  int ok_clicks = 0, cancel_clicks = 0;

  Dialog() {
    for (TControl *c : std::initializer_list<TControl *>{edit, memo, ok, cancel}) c->SetParent(form.get());
    memo->SetTop(30);
    ok->SetTop(130);
    cancel->SetTop(160);
    ok->SetCaption("&OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel->SetCaption("Annulla");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    ok->OnClick = [this](rtl::TObject *) { ++ok_clicks; };
    cancel->OnClick = [this](rtl::TObject *) { ++cancel_clicks; };
  }
};

// Captures what the application would show for an exception.
struct CapturedMessages {
  QStringList shown;
  CapturedMessages() {
    InitApplication();
    Application->ShowExceptionSlot = [this](const QString &caption, const QString &text) {
      shown << caption + ": " + text;
    };
  }
  ~CapturedMessages() { Application->ShowExceptionSlot = nullptr; }
};

}  // namespace

TEST(Forms, EnterPressesTheDefaultButtonOnceAndEscTheCancelButton) {
  Dialog d;
  ASSERT_TRUE(Activate(d.form.get()));
  ASSERT_TRUE(d.edit->Focused());
  int edit_keys = 0;
  d.edit->OnKeyPress = [&](rtl::TObject *, QChar &) { ++edit_keys; };
  Key(d.form.get(), Qt::Key_Return);
  EXPECT_EQ(d.ok_clicks, 1);
  EXPECT_EQ(edit_keys, 0);  // a dialog key never reaches the edit
  EXPECT_EQ(d.form->ModalResult(), mrOk);
  Key(d.form.get(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(d.ok_clicks, 2);
  Key(d.form.get(), Qt::Key_Escape);
  EXPECT_EQ(d.cancel_clicks, 1);
  EXPECT_TRUE(d.edit->Focused());
}

TEST(Forms, AFocusedButtonTakesEnterAndKeepsTheFocus) {
  Dialog d;
  ASSERT_TRUE(Activate(d.form.get()));
  d.cancel->SetFocus();
  Key(d.form.get(), Qt::Key_Return);
  EXPECT_EQ(d.cancel_clicks, 1);
  EXPECT_EQ(d.ok_clicks, 0);  // the focused button, not the default one
  EXPECT_TRUE(d.cancel->Focused());
  d.edit->SetFocus();  // leaving the buttons gives Enter back to the default
  Key(d.form.get(), Qt::Key_Return);
  EXPECT_EQ(d.ok_clicks, 1);
}

TEST(Forms, AMemoTakesEnterAsANewLineUnlessItDoesNotWantReturns) {
  Dialog d;
  ASSERT_TRUE(Activate(d.form.get()));
  d.memo->SetFocus();
  Type(d.form.get(), "ab");
  Key(d.form.get(), Qt::Key_Return);
  Type(d.form.get(), "c");
  EXPECT_EQ(d.memo->Text(), "ab\r\nc");
  EXPECT_EQ(d.memo->Lines()->Count(), 2);
  EXPECT_EQ(d.ok_clicks, 0);
  Key(d.form.get(), Qt::Key_Escape);  // Esc still reaches the cancel button
  EXPECT_EQ(d.cancel_clicks, 1);
  d.memo->SetWantReturns(false);
  Key(d.form.get(), Qt::Key_Return);
  EXPECT_EQ(d.ok_clicks, 1);
  EXPECT_EQ(d.memo->Lines()->Count(), 2);
}

TEST(Forms, AModalFormReturnsItsModalResult) {
  Dialog d;
  QTimer::singleShot(0, [&] { Key(d.form.get(), Qt::Key_Return); });
  EXPECT_EQ(d.form->ShowModal(), mrOk);
  EXPECT_FALSE(d.form->Visible());
  EXPECT_FALSE(d.form->IsModal());

  // OnCloseQuery can keep it open; a later answer closes it.
  int queries = 0;
  d.form->OnCloseQuery = [&](rtl::TObject *, bool &can_close) { can_close = ++queries > 1; };
  QTimer::singleShot(0, [&] {
    d.cancel->Click();                                // refused
    QTimer::singleShot(0, [&] { d.form->Close(); });  // allowed: Close means Cancel
  });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);

  d.form->Show();
  EXPECT_THROW(d.form->ShowModal(), rtl::EInvalidOperation);
}

TEST(Forms, AToolWindowOfAModalFormStaysUsable) {
  InitApplication();
  auto owner = std::make_unique<TForm>(nullptr);
  auto *tool = new TForm(nullptr);
  tool->SetBorderStyle(bsToolWindow);
  tool->SetPopupParent(owner.get());
  QWidget *w = tool->Handle();
  EXPECT_TRUE(w->isWindow());
  EXPECT_EQ(w->parentWidget(), owner->Handle());
  bool clicked_while_modal = false;
  auto *button = new TButton(tool);
  button->SetParent(tool);
  button->OnClick = [&](rtl::TObject *) { clicked_while_modal = owner->IsModal(); };
  QTimer::singleShot(0, [&] {
    tool->Show();
    QApplication::processEvents();
    // The modal form's own child window is not blocked by its modality
    // (a click through the window system, which modality filters).
    const QPoint centre = button->Handle()->mapTo(w, button->Handle()->rect().center());
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, centre);
    owner->SetModalResult(mrOk);
  });
  EXPECT_EQ(owner->ShowModal(), mrOk);
  EXPECT_TRUE(clicked_while_modal);
  // The owner going first leaves the tool window a window of its own.
  owner.reset();
  EXPECT_EQ(tool->PopupParent(), nullptr);
  EXPECT_EQ(tool->Handle()->parentWidget(), nullptr);
  delete tool;
}

TEST(Forms, CloseAsksAndTheActionDecides) {
  TForm main(nullptr), second(nullptr);
  InitApplication();
  Application->SetMainForm(&main);
  QStringList log;
  second.OnCloseQuery = [&](rtl::TObject *, bool &ok) {
    log << "query";
    ok = true;
  };
  second.OnClose = [&](rtl::TObject *, TCloseAction &a) {
    log << "close";
    a = caNone;
  };
  second.Show();
  second.Close();
  EXPECT_TRUE(second.Visible());  // caNone keeps it
  second.OnClose = nullptr;
  second.Close();
  EXPECT_FALSE(second.Visible());  // caHide by default
  EXPECT_EQ(log, (QStringList{"query", "close", "query"}));

  // The window system's close button goes the same way.
  second.Show();
  second.OnClose = [&](rtl::TObject *, TCloseAction &a) { a = caNone; };
  second.Handle()->close();
  EXPECT_TRUE(second.Handle()->isVisible());

  // caFree frees the form once the current event is over.
  auto *freed = new TForm(nullptr);
  bool destroyed = false;
  freed->OnDestroy = [&](rtl::TObject *) { destroyed = true; };
  freed->OnClose = [](rtl::TObject *, TCloseAction &a) { a = caFree; };
  freed->Show();
  freed->Close();
  EXPECT_FALSE(destroyed);
  QTest::qWait(20);
  EXPECT_TRUE(destroyed);
  Application->SetMainForm(nullptr);
}

TEST(Forms, LifeCycleEventsInOrderAndDestroyBeforeTheChildrenGo) {
  QStringList log;
  int children_at_destroy = -1;
  {
    TForm *f = nullptr;
    InitApplication();
    Application->SetMainForm(nullptr);
    bool created = false;
    Application->CreateForm(f);  // OnCreate runs in AfterConstruction
    std::unique_ptr<TForm> owned(f);
    EXPECT_EQ(f->Owner(), Application);
    EXPECT_EQ(Application->MainForm(), f);  // the first form created
    Application->SetMainForm(nullptr);
    f->OnCreate = [&](rtl::TObject *) { created = true; };
    f->AfterConstruction();
    EXPECT_FALSE(created);  // once only
    f->OnShow = [&](rtl::TObject *) { log << "show"; };
    f->OnActivate = [&](rtl::TObject *) { log << "activate"; };
    f->OnDeactivate = [&](rtl::TObject *) { log << "deactivate"; };
    f->OnHide = [&](rtl::TObject *) { log << "hide"; };
    f->OnDestroy = [&](rtl::TObject *s) {
      log << "destroy";
      children_at_destroy = static_cast<TForm *>(s)->ControlCount();
    };
    auto *edit = new TEdit(f);
    edit->SetParent(f);
    ASSERT_TRUE(Activate(f));
    TForm other(nullptr);
    ASSERT_TRUE(Activate(&other));
    f->Hide();
  }
  EXPECT_EQ(log, (QStringList{"show", "activate", "deactivate", "hide", "destroy"}));
  EXPECT_EQ(children_at_destroy, 1);
}

// A form of its own class whose OnDestroy handler reads what only that
// class has, as the program's forms do.
class NamedForm : public TForm {
 public:
  explicit NamedForm(TComponent *owner, QStringList *log) : TForm(owner), log_(log) {
    OnDestroy = [](rtl::TObject *sender) {
      auto *self = dynamic_cast<NamedForm *>(sender);
      ASSERT_NE(self, nullptr);
      *self->log_ << self->title_;
    };
  }
  ~NamedForm() override { *log_ << QStringLiteral("~NamedForm"); }
  QString title_ = QStringLiteral("destroy");
  QStringList *log_;
};

class NamedModule : public TDataModule {
 public:
  explicit NamedModule(TComponent *owner, QStringList *log) : TDataModule(owner), log_(log) {
    OnDestroy = [](rtl::TObject *sender) {
      auto *self = dynamic_cast<NamedModule *>(sender);
      ASSERT_NE(self, nullptr);
      *self->log_ << QStringLiteral("module destroy");
    };
  }
  QStringList *log_;
};

TEST(Forms, OnDestroyRunsBeforeAnyDestructorWhoeverFreesTheForm) {
  InitApplication();
  QStringList log;
  delete new NamedForm(nullptr, &log);
  EXPECT_EQ(log, (QStringList{"destroy", "~NamedForm"}));

  // Freed by its owner, through a pointer to a plain component.
  log.clear();
  auto *owner = new TComponent(nullptr);
  new NamedForm(owner, &log);
  new NamedModule(owner, &log);
  delete owner;
  EXPECT_EQ(log, (QStringList{"module destroy", "destroy", "~NamedForm"}));

  // A form that is not freed by `delete` still hears it, from its destructor.
  log.clear();
  {
    TForm local(nullptr);
    local.OnDestroy = [&](rtl::TObject *) { log << "local"; };
  }
  EXPECT_EQ(log, (QStringList{"local"}));
}

TEST(Forms, KeyPreviewLetsTheFormSeeKeysFirst) {
  Dialog d;
  ASSERT_TRUE(Activate(d.form.get()));
  d.form->SetKeyPreview(true);
  QStringList log;
  d.form->OnKeyDown = [&](rtl::TObject *, int &key, TShiftState) {
    log << QStringLiteral("form %1").arg(key);
    if (key == VK_F2) key = 0;
  };
  d.edit->OnKeyDown = [&](rtl::TObject *, int &key, TShiftState) { log << QStringLiteral("edit %1").arg(key); };
  Key(d.form.get(), Qt::Key_F2);
  Key(d.form.get(), Qt::Key_F3);
  EXPECT_EQ(log, (QStringList{"form 113", "form 114", "edit 114"}));
}

TEST(Forms, KeyPressCanSwallowOrChangeTheCharacter) {
  Dialog d;
  ASSERT_TRUE(Activate(d.form.get()));
  d.edit->OnKeyPress = [](rtl::TObject *, QChar &key) {
    if (key == u'x') key = QChar();
    if (key == u'a') key = u'b';
  };
  Type(d.form.get(), "axya");
  EXPECT_EQ(d.edit->Text(), "byb");
  d.edit->SetCharCase(ecUpperCase);
  Type(d.form.get(), "z");
  EXPECT_EQ(d.edit->Text(), "BYBZ");
  // Ctrl with a letter types its control character, never the letter.
  QList<int> pressed;
  d.edit->OnKeyPress = [&](rtl::TObject *, QChar &key) { pressed << key.unicode(); };
  Key(d.form.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(pressed, QList<int>{19});
  EXPECT_EQ(d.edit->Text(), "BYBZ");
}

TEST(Forms, TheApplicationHookSeesKeysFirstAndSynthesisedKeysComeAfter) {
  Dialog d;
  d.ok->SetDefault(false);
  TEdit *second = new TEdit(d.form.get());
  second->SetParent(d.form.get());
  second->SetTabOrder(1);
  ASSERT_TRUE(Activate(d.form.get()));
  QStringList log;
  // What an Enter-as-Tab hook does: see the key down, let it through, and
  // type a Tab behind it.
  Application->OnMessage = [&](TMessage &m, bool &) {
    if (m.Msg == WM_KEYDOWN && m.CharCode() == VK_RETURN) {
      log << ((m.LParam & KF_EXTENDED_BIT) ? "keypad enter" : "enter");
      keybd_event(VK_TAB, 0, 0, 0);
    }
  };
  // The edit handles the Enter while it still has the focus; the Tab follows.
  d.edit->OnKeyPress = [&](rtl::TObject *, QChar &key) {
    log << QStringLiteral("press %1 %2").arg(key.unicode()).arg(d.edit->Focused());
  };
  Key(d.form.get(), Qt::Key_Return);
  QTest::qWait(10);
  EXPECT_TRUE(second->Focused());
  Key(d.form.get(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(log, (QStringList{"enter", "press 13 1", "keypad enter"}));
  // A hook that handles the key keeps it from the control.
  Application->OnMessage = [&](TMessage &m, bool &handled) { handled = m.Msg == WM_KEYDOWN; };
  QTest::qWait(10);
  const QString before = second->Text();
  Type(d.form.get(), "q");
  EXPECT_EQ(second->Text(), before);
  Application->OnMessage = nullptr;
}

TEST(Forms, AnExceptionInAnEventIsShownWithTheTitleAndTheProgramGoesOn) {
  CapturedMessages captured;
  Dialog d;
  Application->SetTitle("Gestione Orbisca");
  ASSERT_TRUE(Activate(d.form.get()));
  d.ok->OnClick = [](rtl::TObject *) { throw rtl::EConvertError("'x' is not a valid integer value"); };
  Key(d.form.get(), Qt::Key_Return);
  ASSERT_EQ(captured.shown.size(), 1);
  EXPECT_EQ(captured.shown[0], "Gestione Orbisca: 'x' is not a valid integer value.");
  // The loop goes on: the next key still works.
  Type(d.form.get(), "7");
  EXPECT_EQ(d.edit->Text(), "7");
  // A silent exception shows nothing; a mouse click goes the same way.
  d.ok->OnClick = [](rtl::TObject *) { rtl::Abort(); };
  QTest::mouseClick(d.ok->Handle(), Qt::LeftButton);
  EXPECT_EQ(captured.shown.size(), 1);
  d.ok->OnClick = [](rtl::TObject *) { throw rtl::Exception("Backup automatico non possibile !"); };
  QTest::mouseClick(d.ok->Handle(), Qt::LeftButton);
  ASSERT_EQ(captured.shown.size(), 2);
  EXPECT_EQ(captured.shown[1], "Gestione Orbisca: Backup automatico non possibile !");
  // OnException replaces the showing.
  QString seen;
  Application->OnException = [&](rtl::TObject *, const rtl::Exception &e) { seen = e.Message(); };
  QTest::mouseClick(d.ok->Handle(), Qt::LeftButton);
  EXPECT_EQ(seen, "Backup automatico non possibile !");
  EXPECT_EQ(captured.shown.size(), 2);
  Application->OnException = nullptr;
}

TEST(Forms, ScreenListsFormsAndDataModulesAndSetsTheCursor) {
  InitApplication();
  const int before = Screen->FormCount();
  {
    TForm f(nullptr);
    EXPECT_EQ(Screen->FormCount(), before + 1);
    TDataModule dm(nullptr);
    EXPECT_EQ(Screen->DataModuleCount(), 1);
    EXPECT_EQ(Screen->DataModules(0), &dm);
  }
  EXPECT_EQ(Screen->FormCount(), before);
  EXPECT_EQ(Screen->DataModuleCount(), 0);
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_GT(Screen->Width(), 0);
}

TEST(Forms, PositionPlacesTheWindowOnFirstShow) {
  InitApplication();
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.SetPosition(poScreenCenter);
  form.Show();
  EXPECT_EQ(form.Left(), (Screen->Width() - 200) / 2);
  EXPECT_EQ(form.Top(), (Screen->Height() - 100) / 2);
  form.Hide();
  form.SetLeft(5);
  form.Show();  // only the first show places it
  EXPECT_EQ(form.Left(), 5);

  TForm owner_form(nullptr);
  owner_form.SetBounds(100, 100, 400, 300);
  TForm owned(&owner_form);
  owned.SetBounds(0, 0, 100, 50);
  owned.SetPosition(poOwnerFormCenter);
  owned.Show();
  EXPECT_EQ(owned.BoundsRect(), Rect(250, 225, 350, 275));
}

TEST(Forms, ASecondaryWindowIsTransientForTheWindowThatOpenedIt) {
  InitApplication();
  TForm opener(nullptr);
  opener.SetBounds(50, 50, 400, 300);
  ASSERT_TRUE(Activate(&opener));
  ASSERT_EQ(Screen->ActiveForm(), &opener);

  // Owned by a shown form: declared to the desktop as that form's.
  TForm owned(&opener);
  owned.Show();
  ASSERT_NE(owned.Handle()->windowHandle(), nullptr);
  EXPECT_EQ(owned.OpenerForm(), &opener);
  EXPECT_EQ(owned.Handle()->windowHandle()->transientParent(), opener.Handle()->windowHandle());
  EXPECT_EQ(owned.Handle()->windowType(), Qt::Dialog);
  owned.Hide();

  // A dialog without owner shown modally from the active form is that
  // form's, while it runs.
  TForm dialog(nullptr);
  dialog.SetBorderStyle(bsDialog);
  QWindow *declared = nullptr;
  QTimer::singleShot(0, [&] {
    declared = dialog.Handle()->windowHandle()->transientParent();
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(declared, opener.Handle()->windowHandle());

  // The window that opened nothing stays a window of its own.
  EXPECT_EQ(opener.OpenerForm(), nullptr);
  EXPECT_EQ(opener.Handle()->windowType(), Qt::Window);

  // Without an owner, the form active when it is shown opened it; the
  // opener going first leaves no trace.
  auto *gone = new TForm(nullptr);
  ASSERT_TRUE(Activate(gone));
  TForm later(nullptr);
  later.Show();
  EXPECT_EQ(later.OpenerForm(), gone);
  EXPECT_EQ(later.Handle()->windowHandle()->transientParent(), gone->Handle()->windowHandle());
  later.Hide();
  delete gone;
  EXPECT_EQ(later.OpenerForm(), nullptr);
  opener.Hide();
}

TEST(Forms, WindowsOpenInsideTheWorkArea) {
  InitApplication();
  // A smaller screen with a panel along its top.
  Screen->SetWorkArea(TRect{0, 30, 1024, 768});
  const TRect area = Screen->WorkArea();
  const auto inside = [&area](const TRect &r) {
    return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
  };

  // Centred on the work area, not on the whole screen.
  TForm centred(nullptr);
  centred.SetBounds(0, 0, 200, 100);
  centred.SetPosition(poScreenCenter);
  centred.Show();
  EXPECT_EQ(centred.Left(), (1024 - 200) / 2);
  EXPECT_EQ(centred.Top(), 30 + (738 - 100) / 2);

  // A sizeable window made for a larger screen is made smaller.
  TForm large(nullptr);
  large.SetBounds(0, 0, 1280, 1000);
  large.SetPosition(poScreenCenter);
  large.Show();
  EXPECT_TRUE(inside(large.FrameRect()));
  EXPECT_EQ(large.Width(), 1024);
  EXPECT_EQ(large.Height(), 738);

  // A place kept from a larger screen is moved in, the size kept.
  TForm kept(nullptr);
  kept.SetBounds(1100, 900, 300, 200);
  kept.Show();
  EXPECT_EQ(kept.BoundsRect(), Rect(724, 568, 1024, 768));
  kept.Hide();
  kept.SetBounds(-40, 0, 300, 200);
  kept.Show();
  EXPECT_EQ(kept.BoundsRect(), Rect(0, 30, 300, 230));

  // A fixed size larger than the area keeps its title bar on the screen.
  TForm fixed(nullptr);
  fixed.SetBorderStyle(bsDialog);
  fixed.SetBounds(200, 200, 1100, 800);
  fixed.Show();
  EXPECT_EQ(fixed.Width(), 1100);
  EXPECT_EQ(fixed.Left(), 0);
  EXPECT_EQ(fixed.Top(), 30);
  Screen->SetWorkArea(TRect{});
}

TEST(Forms, TerminateEndsAModalLoopWithCancel) {
  Dialog d;
  InitApplication();
  QTimer::singleShot(0, [] { Application->Terminate(); });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  EXPECT_TRUE(Application->Terminated());
  // The test program goes on with a new application object.
  DoneApplication();
  InitApplication();
  EXPECT_FALSE(Application->Terminated());
}

TEST(Forms, MainWindowHooksChainAndLeaveEachOtherAlone) {
  Dialog d;
  ASSERT_TRUE(Activate(d.form.get()));
  QStringList log;
  int first = 0, second = 0;
  Application->HookMainWindow(&first, [&](TMessage &m) {
    if (m.Msg == WM_KEYDOWN) log << "first";
    return false;
  });
  Application->HookMainWindow(&second, [&](TMessage &m) {
    if (m.Msg == WM_KEYDOWN) log << "second";
    return m.Msg == WM_KEYDOWN && m.CharCode() == VK_F5;
  });
  Key(d.form.get(), Qt::Key_F4);
  Key(d.form.get(), Qt::Key_F5);  // the second hook takes it: the first never sees it
  EXPECT_EQ(log, (QStringList{"second", "first", "second"}));
  Application->UnhookMainWindow(&second);
  log.clear();
  Key(d.form.get(), Qt::Key_F5);
  EXPECT_EQ(log, (QStringList{"first"}));
  Application->UnhookMainWindow(&first);
  Key(d.form.get(), Qt::Key_F5);
  EXPECT_EQ(log.size(), 1);
}

TEST(Forms, DataModulesRunTheirEventsAndFreeWhatTheyOwn) {
  InitApplication();
  QStringList log;
  TDataModule *dm = nullptr;
  Application->CreateDataModule(dm);
  EXPECT_EQ(dm->Owner(), Application);
  auto *source = new TComponent(dm);
  source->SetName("ds_giorno");
  dm->OnDestroy = [&](rtl::TObject *s) {
    log << QStringLiteral("destroy %1").arg(static_cast<TDataModule *>(s)->ComponentCount());
  };
  std::vector<TComponent *> children;
  dm->GetChildren([&](TComponent *c) { children.push_back(c); }, dm);
  EXPECT_EQ(children, std::vector<TComponent *>{source});
  delete dm;
  EXPECT_EQ(log, (QStringList{"destroy 1"}));
  EXPECT_EQ(Application->FindComponent("ds_giorno"), nullptr);
}

TEST(Forms, ActiveControlCanBeChosenBeforeTheFormIsShown) {
  Dialog d;
  d.form->SetActiveControl(d.cancel);
  ASSERT_TRUE(Activate(d.form.get()));
  EXPECT_TRUE(d.cancel->Focused());
  EXPECT_EQ(Screen->ActiveForm(), d.form.get());
  d.edit->SetEnabled(false);
  EXPECT_THROW(d.form->SetActiveControl(d.edit), rtl::EInvalidOperation);
  EXPECT_EQ(d.form->ActiveControl(), d.cancel);
}

namespace {
QStringList g_qt_warnings;
void CollectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text) {
  if (type != QtDebugMsg && !text.contains("does not support raise")) g_qt_warnings << text;
}
}  // namespace

TEST(Forms, PumpingMessagesFromAPaintHandlerRepaintsLaterWithoutRecursion) {
  // The program's start-up runs from the main window's first paint and
  // pumps messages there so a status label shows.
  TForm form(nullptr);
  auto *label = new TLabel(&form);
  label->SetParent(&form);
  int paints = 0;
  form.OnPaint = [&](rtl::TObject *) {
    if (++paints > 1) return;
    label->SetCaption("Apertura archivi in corso ...");
    Application->ProcessMessages();
    label->SetCaption("...");
    Application->ProcessMessages();
  };
  g_qt_warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
  ASSERT_TRUE(Activate(&form));
  QTest::qWait(30);
  form.Repaint();
  qInstallMessageHandler(previous);
  EXPECT_GE(paints, 2);
  EXPECT_TRUE(g_qt_warnings.isEmpty()) << g_qt_warnings.join("\n").toStdString();
  EXPECT_EQ(label->Caption(), "...");
}

TEST(Forms, ClosingTheMainFormEndsRunAndTeardownFreesTheForms) {
  InitApplication();
  Application->SetMainForm(nullptr);
  Application->Run();  // no main form: returns at once
  TForm *main = nullptr;
  Application->CreateForm(main);
  bool destroyed = false;
  main->OnDestroy = [&](rtl::TObject *) { destroyed = true; };
  QTimer::singleShot(0, [&] { main->Close(); });
  Application->Run();  // until the main form closes
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(main->Visible());
  EXPECT_FALSE(destroyed);
  DoneApplication();
  EXPECT_TRUE(destroyed);
  InitApplication();
}

// A dialog border keeps the size the program gives the window; a sizeable
// one lets the user change it.
TEST(Forms, AFixedBorderKeepsItsSize) {
  TForm dialog(nullptr);
  dialog.SetBorderStyle(bsDialog);
  dialog.SetBounds(0, 0, 300, 200);
  dialog.Show();
  QWidget *w = dialog.Handle();
  EXPECT_EQ(w->minimumSize(), QSize(300, 200));
  EXPECT_EQ(w->maximumSize(), QSize(300, 200));
  dialog.SetBounds(10, 10, 320, 180);  // the program may still size it
  EXPECT_EQ(w->size(), QSize(320, 180));
  EXPECT_EQ(w->maximumSize(), QSize(320, 180));
  dialog.SetBorderStyle(bsSizeable);
  EXPECT_EQ(w->minimumSize(), QSize(0, 0));
  EXPECT_GT(w->maximumSize().width(), 10000);
}

// Qt's own texts (the buttons and labels of its file and print dialogs,
// standard buttons) come in Italian once the application is set up, and
// the translation is installed once however often the setup runs.
TEST(Forms, QtsOwnTextsAreItalianAfterTheApplicationSetup) {
  if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_it.qm")))
    GTEST_SKIP() << "Qt's Italian translations are not installed (scripts/setup installs them)";
  InitApplication();
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Sì"));
  QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annulla"));
  InstallQtTranslations();
  EXPECT_EQ(QCoreApplication::instance()->findChildren<QTranslator *>().size(), 1);
}
