// Picture buttons, radio buttons and groups, lists and combos, timers,
// notebook, scroll box and image: what the forms rely on, driven as the
// user drives them.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <map>
#include <memory>

#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;

namespace {

bool ShowAndActivate(TCustomForm *f) {
  f->Show();
  QApplication::setActiveWindow(f->Handle());
  return QTest::qWaitForWindowActive(f->Handle());
}

// Timers advanced by hand.
class ManualTimers : public TTimerService {
 public:
  ManualTimers() { SetTimerService(this); }
  ~ManualTimers() override { SetTimerService(nullptr); }
  int Start(int interval_ms, std::function<void()> tick) override {
    timers_[++next_] = {interval_ms, 0, std::move(tick)};
    return next_;
  }
  void Stop(int id) override { timers_.erase(id); }
  void Advance(int ms) {
    for (int t = 0; t < ms; ++t) {
      const auto copy = timers_;
      for (const auto &[id, timer] : copy) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;
        if (++it->second.elapsed >= it->second.interval) {
          it->second.elapsed = 0;
          const auto tick = it->second.tick;
          tick();
        }
      }
    }
  }
  size_t Running() const { return timers_.size(); }

 private:
  struct Timer {
    int interval;
    int elapsed;
    std::function<void()> tick;
  };
  int next_ = 0;
  std::map<int, Timer> timers_;
};

}  // namespace

TEST(BitBtn, KindsGiveCaptionResultAndDialogKeys) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  auto *ok = new TBitBtn(&form);
  ok->SetParent(&form);
  ok->SetTop(50);
  ok->SetKind(bkOK);
  auto *cancel = new TBitBtn(&form);
  cancel->SetParent(&form);
  cancel->SetTop(90);
  cancel->SetKind(bkCancel);
  EXPECT_EQ(ok->Caption(), "OK");
  EXPECT_EQ(cancel->Caption(), "Annulla");
  EXPECT_TRUE(ok->Default());
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(ok->ModalResult(), mrOk);
  int clicks = 0;
  ok->OnClick = [&clicks](rtl::TObject *) { ++clicks; };
  ASSERT_TRUE(ShowAndActivate(&form));
  edit->SetFocus();
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Return);
  EXPECT_EQ(clicks, 1);  // Enter presses the default button once
  EXPECT_EQ(form.ModalResult(), mrOk);
  form.SetModalResult(mrNone);
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Escape);
  EXPECT_EQ(form.ModalResult(), mrCancel);
  // A Close button closes its form.
  auto *close = new TBitBtn(&form);
  close->SetParent(&form);
  close->SetKind(bkClose);
  close->Click();
  EXPECT_FALSE(form.Visible());
}

TEST(BitBtn, GlyphCellsAndLayout) {
  // Two 8x8 cells: red (up) and green (disabled) on a fuchsia background.
  TBitmap strip(16, 8);
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect(Rect(0, 0, 16, 8));
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(Rect(2, 2, 6, 6));
  strip.Canvas()->Brush()->SetColor(clLime);
  strip.Canvas()->FillRect(Rect(10, 2, 14, 6));
  TBitBtn b(nullptr);
  b.SetGlyph(&strip);
  EXPECT_EQ(b.NumGlyphs(), 2);
  const QImage up = GlyphImage(b.Glyph(), 2, bsUp);
  EXPECT_EQ(up.width(), 8);
  EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);  // the background colour is transparent
  EXPECT_EQ(QColor(up.pixel(3, 3)), QColor(Qt::red));
  EXPECT_EQ(QColor(GlyphImage(b.Glyph(), 2, bsDisabled).pixel(3, 3)), QColor(Qt::green));
  EXPECT_EQ(QColor(GlyphImage(b.Glyph(), 2, bsDown).pixel(3, 3)), QColor(Qt::red));  // no down cell

  TPoint g;
  TRect t;
  LayoutGlyphAndText(Rect(0, 0, 100, 40), TSize{16, 16}, TSize{30, 12}, blGlyphLeft, -1, 4, g, t);
  EXPECT_EQ(g, Point(25, 12));  // the pair (16 + 4 + 30) centred
  EXPECT_EQ(t.Left, 45);
  LayoutGlyphAndText(Rect(0, 0, 100, 40), TSize{16, 16}, TSize{30, 12}, blGlyphTop, 2, 2, g, t);
  EXPECT_EQ(g, Point(42, 2));
  EXPECT_EQ(t.Top, 20);
  LayoutGlyphAndText(Rect(0, 0, 100, 40), TSize{16, 16}, TSize{30, 12}, blGlyphRight, 5, 4, g, t);
  EXPECT_EQ(g.X, 79);
  EXPECT_EQ(t.Right, 75);
}

TEST(SpeedButton, GroupsKeepOneButtonDown) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  TSpeedButton *b[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = new TSpeedButton(&form);
    b[i]->SetParent(&form);
    b[i]->SetLeft(i * 30);
    b[i]->SetGroupIndex(1);
  }
  auto *lone = new TSpeedButton(&form);
  lone->SetParent(&form);
  lone->SetDown(true);
  EXPECT_FALSE(lone->Down());  // no group, no staying down
  form.Show();
  int clicks = 0;
  b[1]->OnClick = [&clicks](rtl::TObject *) { ++clicks; };
  QTest::mouseClick(b[1]->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(b[1]->Down());
  EXPECT_EQ(clicks, 1);
  b[0]->SetDown(true);
  EXPECT_FALSE(b[1]->Down());
  b[0]->SetDown(false);  // the last one down stays down without AllowAllUp
  EXPECT_TRUE(b[0]->Down());
  b[0]->SetAllowAllUp(true);
  QTest::mouseClick(b[0]->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(b[0]->Down());
  EXPECT_TRUE(b[2]->AllowAllUp());
}

TEST(RadioControls, SiblingsExcludeEachOtherAndTheGroupKeepsItsIndex) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *a = new TRadioButton(&form);
  a->SetParent(&form);
  auto *b = new TRadioButton(&form);
  b->SetParent(&form);
  b->SetTop(20);
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  auto *group = new TRadioGroup(&form);
  group->SetParent(&form);
  group->SetBounds(0, 50, 200, 120);
  group->Items()->Add("Sinistra");
  group->Items()->Add("Destra");
  EXPECT_EQ(group->ButtonCount(), 2);
  EXPECT_EQ(group->ItemIndex(), -1);
  int clicks = 0;
  group->OnClick = [&clicks](rtl::TObject *) { ++clicks; };
  group->SetItemIndex(1);
  EXPECT_TRUE(group->Buttons(1)->Checked());
  EXPECT_EQ(clicks, 0);       // set in code
  EXPECT_TRUE(b->Checked());  // other parents are not touched
  form.Show();
  QTest::mouseClick(group->Buttons(0)->Handle(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_EQ(group->ItemIndex(), 0);
  EXPECT_FALSE(group->Buttons(1)->Checked());
  EXPECT_EQ(clicks, 1);
  group->Items()->Delete(1);
  EXPECT_EQ(group->ButtonCount(), 1);
  group->SetItemIndex(5);
  EXPECT_EQ(group->ItemIndex(), -1);
}

TEST(ComboBox, DropDownListChoosesOnlyItemsAndOnChangeIsTheUsers) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 100);
  auto *cd = new TComboBox(&form);
  cd->SetParent(&form);
  cd->SetStyle(csDropDownList);
  cd->Items()->Add("No");
  cd->Items()->Add("Si");
  int changes = 0;
  cd->OnChange = [&changes](rtl::TObject *) { ++changes; };
  cd->SetText("Si");
  EXPECT_EQ(cd->ItemIndex(), 1);
  cd->SetText("Forse");
  EXPECT_EQ(cd->ItemIndex(), -1);
  EXPECT_EQ(cd->Text(), "");
  cd->SetItemIndex(0);
  EXPECT_EQ(cd->Text(), "No");
  EXPECT_EQ(changes, 0);
  ASSERT_TRUE(ShowAndActivate(&form));
  cd->SetFocus();
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Down);
  EXPECT_EQ(cd->ItemIndex(), 1);
  EXPECT_EQ(cd->Text(), "Si");
  EXPECT_EQ(changes, 1);
  cd->Items()->Clear();
  EXPECT_EQ(cd->ItemIndex(), -1);
}

TEST(ComboBox, DropDownTakesTypedText) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 100);
  auto *combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->Items()->Add("Settimanale");
  combo->Items()->Add("Mensile");
  QStringList seen;
  combo->OnChange = [&](rtl::TObject *) { seen << combo->Text(); };
  ASSERT_TRUE(ShowAndActivate(&form));
  combo->SetFocus();
  for (Qt::Key k : {Qt::Key_M, Qt::Key_E}) QTest::keyClick(form.Handle()->windowHandle(), k);
  EXPECT_EQ(combo->Text(), "me");  // not completed to an item
  EXPECT_EQ(seen, (QStringList{"m", "me"}));
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetText("Mensile");
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(seen.size(), 2);
}

TEST(ListBox, ChoiceSelectionAndItemsEdits) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *list = new TListBox(&form);
  list->SetParent(&form);
  for (const char *s : {"uno", "due", "tre"}) list->Items()->Add(s);
  int clicks = 0;
  list->OnClick = [&clicks](rtl::TObject *) { ++clicks; };
  list->SetItemIndex(2);
  EXPECT_TRUE(list->Selected(2));
  EXPECT_EQ(clicks, 0);
  list->SetItemIndex(7);
  EXPECT_EQ(list->ItemIndex(), -1);
  ASSERT_TRUE(ShowAndActivate(&form));
  list->SetFocus();
  auto *w = static_cast<QListWidget *>(list->Handle());
  QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, w->visualItemRect(w->item(1)).center());
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  list->Items()->Delete(2);
  EXPECT_EQ(list->ItemIndex(), 1);
  list->Items()->Delete(1);
  EXPECT_EQ(list->ItemIndex(), -1);  // the chosen line went
  EXPECT_THROW(list->Selected(4), rtl::EListError);
  list->SetMultiSelect(true);
  list->Items()->Add("quattro");
  list->SetSelected(0, true);
  list->SetSelected(1, true);
  EXPECT_EQ(list->SelCount(), 2);
}

TEST(CheckListBox, ChecksAndSelectionsSetBeforeShowingStayAndAClickToggles) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *checks = new TCheckListBox(&form);
  checks->SetParent(&form);
  auto *multi = new TListBox(&form);
  multi->SetParent(&form);
  multi->SetLeft(150);
  multi->SetMultiSelect(true);
  for (const char *s : {"uno", "due", "tre"}) {
    checks->Items()->Add(s);
    multi->Items()->Add(s);
  }
  checks->SetChecked(0, true);
  checks->SetChecked(2, true);
  multi->SetSelected(1, true);
  int clicks = 0;
  checks->OnClickCheck = [&clicks](rtl::TObject *) { ++clicks; };
  ASSERT_TRUE(ShowAndActivate(&form));
  EXPECT_EQ(checks->CheckedCount(), 2);
  EXPECT_TRUE(multi->Selected(1));
  EXPECT_EQ(multi->SelCount(), 1);
  auto *w = static_cast<QListWidget *>(checks->Handle());
  EXPECT_EQ(w->item(2)->checkState(), Qt::Checked);
  EXPECT_EQ(w->item(1)->checkState(), Qt::Unchecked);
  // The user's click on a line's box.
  w->item(1)->setCheckState(Qt::Checked);
  EXPECT_TRUE(checks->Checked(1));
  EXPECT_EQ(clicks, 1);
  checks->SetChecked(0, false);
  EXPECT_EQ(w->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(clicks, 1);  // a change in code fires nothing
  checks->Items()->Add("quattro");
  EXPECT_FALSE(checks->Checked(3));
  EXPECT_TRUE(checks->Checked(2));
  checks->Items()->Clear();
  EXPECT_EQ(checks->CheckedCount(), 0);
  EXPECT_THROW(checks->Checked(0), rtl::EListError);
}

TEST(Timer, FiresEveryIntervalWhileEnabled) {
  ManualTimers clock;
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&ticks](rtl::TObject *) { ++ticks; };
  timer.SetInterval(50);
  clock.Advance(120);
  EXPECT_EQ(ticks, 2);
  timer.SetEnabled(false);
  clock.Advance(200);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(clock.Running(), 0u);
  timer.SetEnabled(true);
  timer.SetInterval(0);  // no interval, no timer
  EXPECT_FALSE(timer.Running());
  timer.SetInterval(10);
  // A handler that frees its own timer stops it cleanly.
  auto *own = new TTimer(nullptr);
  own->SetInterval(5);
  own->OnTimer = [&own](rtl::TObject *) {
    delete own;
    own = nullptr;
  };
  clock.Advance(10);
  EXPECT_EQ(own, nullptr);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(clock.Running(), 1u);
}

TEST(Timer, AnExceptionInOnTimerIsShownAndTheTimerGoesOn) {
  ManualTimers clock;
  InitApplication();
  QStringList shown;
  auto saved = Application->ShowExceptionSlot;
  Application->ShowExceptionSlot = [&shown](const QString &, const QString &text) { shown << text; };
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.OnTimer = [](rtl::TObject *) { throw rtl::EConvertError("Valore errato"); };
  clock.Advance(2);
  Application->ShowExceptionSlot = saved;
  EXPECT_EQ(shown, (QStringList{"Valore errato.", "Valore errato."}));
  EXPECT_TRUE(timer.Running());
}

TEST(Notebook, PagesFollowTheirNames) {
  TNotebook book(nullptr);
  EXPECT_EQ(book.PageIndex(), 0);
  EXPECT_EQ(book.ActivePage(), "Default");
  rtl::TStringList names;
  names.Add("Totali");
  names.Add("Resto");
  book.SetPages(&names);
  EXPECT_EQ(book.ActivePage(), "Totali");
  int changes = 0;
  book.OnPageChanged = [&changes](rtl::TObject *) { ++changes; };
  book.SetActivePage("Resto");
  EXPECT_EQ(book.PageIndex(), 1);
  EXPECT_TRUE(book.Page(1)->Visible());
  EXPECT_FALSE(book.Page(0)->Visible());
  book.SetActivePage("Nessuna");
  book.SetPageIndex(9);
  EXPECT_EQ(book.PageIndex(), 1);
  EXPECT_EQ(changes, 1);
  book.Pages()->Delete(1);
  EXPECT_EQ(book.PageIndex(), 0);
}

TEST(ScrollBox, ScrollsChildrenIntoView) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 300);
  auto *box = new TScrollBox(&form);
  box->SetParent(&form);
  box->SetBounds(0, 0, 100, 100);
  auto *far = new TEdit(&form);
  far->SetParent(box);
  far->SetBounds(10, 250, 50, 20);
  form.Show();
  EXPECT_EQ(box->VertRange(), 170);
  box->ScrollInView(far);
  EXPECT_EQ(box->VertPosition(), 170);
  EXPECT_EQ(far->Top(), 80);
  box->SetVertPosition(-5);
  EXPECT_EQ(box->VertPosition(), 0);
  EXPECT_EQ(far->Top(), 250);
  box->SetVertPosition(1000);
  EXPECT_EQ(box->VertPosition(), 170);
}

TEST(Image, StretchProportionalAndCentre) {
  TImage img(nullptr);
  img.SetBounds(0, 0, 100, 50);
  TBitmap pic(20, 10);
  img.Picture()->SetGraphic(&pic);
  EXPECT_EQ(img.DestRect(), Rect(0, 0, 20, 10));
  img.SetCenter(true);
  EXPECT_EQ(img.DestRect(), Rect(40, 20, 60, 30));
  img.SetStretch(true);
  img.SetProportional(true);
  EXPECT_EQ(img.DestRect(), Rect(0, 0, 100, 50));
  img.SetBounds(0, 0, 100, 100);
  EXPECT_EQ(img.DestRect(), Rect(0, 25, 100, 75));
  img.SetAutoSize(true);
  EXPECT_EQ(img.Width(), 20);
}
