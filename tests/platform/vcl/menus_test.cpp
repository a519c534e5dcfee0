// Menus: the tree, shortcuts through the window's keys, check groups and the
// context menu.
#include <gtest/gtest.h>
#include <QApplication>
#include <QMenuBar>
#include <QTest>

#include <memory>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;

namespace {

TMenuItem *Item(TComponent *owner, const QString &caption, QStringList *log = nullptr) {
  auto *i = new TMenuItem(owner);
  i->SetCaption(caption);
  if (log != nullptr) i->OnClick = [log, caption](rtl::TObject *) { *log << StripHotkey(caption); };
  return i;
}

bool ShowAndActivate(TCustomForm *f) {
  f->Show();
  QApplication::setActiveWindow(f->Handle());
  return QTest::qWaitForWindowActive(f->Handle());
}

}  // namespace

TEST(Menus, ShortCutsRunTheirItemWhileTheFormIsActive) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetTop(40);
  QStringList log;
  auto *menu = new TMainMenu(&form);
  TMenuItem *file = Item(&form, "&Archivio");
  TMenuItem *print = Item(&form, "&Stampa", &log);
  print->SetShortCut(ShortCut('P', TShiftState{ssCtrl}));
  TMenuItem *quit = Item(&form, "&Esci", &log);
  quit->SetShortCut(ShortCut(VK_F10, {}));
  menu->Items()->Add(file);
  file->Add(print);
  file->Add(Item(&form, "-"));
  file->Add(quit);
  menu->Attach();
  ASSERT_TRUE(ShowAndActivate(&form));
  ASSERT_NE(menu->MenuBar(), nullptr);
  EXPECT_EQ(menu->MenuBar()->actions().size(), 1);
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(log, QStringList{"Stampa"});
  EXPECT_TRUE(edit->Text().isEmpty());  // the key did not reach the edit
  print->SetEnabled(false);
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(log, QStringList{"Stampa"});
  file->SetEnabled(false);  // a disabled parent holds back its items too
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_F10);
  EXPECT_EQ(log, QStringList{"Stampa"});
  file->SetEnabled(true);
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_F10);
  EXPECT_EQ(log, (QStringList{"Stampa", "Esci"}));
  // Clicking the shown action runs the item too.
  quit->Action()->trigger();
  EXPECT_EQ(log.size(), 3);
}

TEST(Menus, TreeRadioGroupsAndFreeing) {
  TForm form(nullptr);
  auto *menu = new TMainMenu(&form);
  TMenuItem *view = Item(&form, "&Vista");
  menu->Items()->Add(view);
  TMenuItem *a = Item(&form, "&Sinistra");
  TMenuItem *b = Item(&form, "&Destra");
  for (TMenuItem *i : {a, b}) {
    i->SetRadioItem(true);
    i->SetGroupIndex(1);
    view->Add(i);
  }
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(view->Find("destra"), b);
  EXPECT_EQ(b->MenuIndex(), 1);
  EXPECT_EQ(b->GetParentMenu(), menu);
  EXPECT_THROW(view->Add(b), rtl::EInvalidOperation);
  EXPECT_THROW(a->Add(view), rtl::EInvalidOperation);
  delete a;  // leaves the tree
  EXPECT_EQ(view->Count(), 1);
  const int owned = form.ComponentCount();
  view->Clear();  // frees the item, which leaves its owner too
  EXPECT_EQ(view->Count(), 0);
  EXPECT_EQ(form.ComponentCount(), owned - 1);
  // The form frees the rest, in any order, without touching freed items.
}

TEST(Menus, ContextMenuOpensForItsControlAndRunsTheChoice) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  auto *popup = new TPopupMenu(&form);
  QStringList log;
  popup->Items()->Add(Item(&form, "&Copia", &log));
  edit->SetPopupMenu(popup);
  int popups = 0;
  popup->OnPopup = [&popups](rtl::TObject *) { ++popups; };
  TPopupMenu::ShowSlot = [](TPopupMenu *m, int, int) { return m->Items()->Items(0); };
  form.Show();
  QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), edit->Handle()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(edit->Handle(), &ev);
  TPopupMenu::ShowSlot = nullptr;
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(log, QStringList{"Copia"});
  EXPECT_EQ(popup->PopupComponent(), edit);
}

TEST(Menus, ShortCutTexts) {
  EXPECT_EQ(ShortCutToText(ShortCut('S', TShiftState{ssCtrl})), "Ctrl+S");
  EXPECT_EQ(TextToShortCut("Ctrl+S"), ShortCut('S', TShiftState{ssCtrl}));
  EXPECT_EQ(TextToShortCut("F5"), ShortCut(VK_F5, {}));
  EXPECT_EQ(TextToShortCut(""), scNone);
  EXPECT_EQ(StripHotkey("&Salva && esci"), "Salva & esci");
}

// The bar takes the top of the window: the client area begins below it, so
// a control aligned to the top lies under the bar, never beneath it, and the
// bar follows the window's width.
TEST(Menus, MainMenuBarTakesItsOwnRoom) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *top = new TPanel(&form);
  top->SetParent(&form);
  top->SetAlign(alTop);
  top->SetHeight(40);
  auto *free_edit = new TEdit(&form);
  free_edit->SetParent(&form);
  free_edit->SetBounds(10, 50, 100, 24);
  auto *menu = new TMainMenu(&form);
  menu->Items()->Add(Item(&form, "&Testate"));
  menu->Attach();
  ASSERT_TRUE(ShowAndActivate(&form));
  const int bar = form.MenuBarHeight();
  ASSERT_GT(bar, 0);
  EXPECT_EQ(form.ClientHeight(), 200 - bar);
  EXPECT_EQ(top->Top(), 0);  // client coordinates, as on the platform
  EXPECT_EQ(top->Handle()->geometry(), QRect(0, bar, 300, 40));
  EXPECT_EQ(free_edit->Handle()->geometry(), QRect(10, 50 + bar, 100, 24));
  form.SetBounds(0, 0, 500, 300);
  EXPECT_EQ(menu->MenuBar()->geometry(), QRect(0, 0, 500, bar));
  EXPECT_EQ(top->Width(), 500);
  EXPECT_EQ(form.ClientToScreen({0, 0}).Y - form.Handle()->mapToGlobal(QPoint(0, 0)).y(), bar);
  delete menu;  // the room goes with the menu
  EXPECT_EQ(form.ClientHeight(), 300);
  EXPECT_EQ(top->Handle()->geometry().top(), 0);
}

// Alt with a marked letter runs a top item without a menu (or opens its
// menu); F10 gives the bar the keyboard and Esc gives it back.
TEST(Menus, KeyboardReachesTheMenuBar) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  QStringList log;
  auto *menu = new TMainMenu(&form);
  menu->Items()->Add(Item(&form, "&Testate", &log));
  menu->Items()->Add(Item(&form, "&Uscita", &log));
  menu->Attach();
  ASSERT_TRUE(ShowAndActivate(&form));
  edit->SetFocus();
  QApplication::processEvents();
  EXPECT_TRUE(form.MenuChar(u't'));
  EXPECT_EQ(log, QStringList{"Testate"});
  EXPECT_FALSE(form.MenuChar(u'x'));
  QTest::keyClick(edit->Handle(), Qt::Key_F10);
  EXPECT_TRUE(menu->MenuBar()->hasFocus());
  EXPECT_EQ(menu->MenuBar()->activeAction(), menu->Items()->Items(0)->Action());
  QTest::keyClick(menu->MenuBar(), Qt::Key_Right);
  EXPECT_EQ(menu->MenuBar()->activeAction(), menu->Items()->Items(1)->Action());
  QTest::keyClick(menu->MenuBar(), Qt::Key_Escape);
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(menu->MenuBar()->activeAction(), nullptr);
  QTest::keyClick(edit->Handle(), Qt::Key_F10);
  QTest::keyClick(menu->MenuBar(), Qt::Key_Return);
  EXPECT_EQ(log, (QStringList{"Testate", "Testate"}));
  EXPECT_TRUE(edit->Focused());
}
