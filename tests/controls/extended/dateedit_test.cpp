// The month calendar's grid and date steps, and the date edit: the empty
// date, the stepping keys and the calendar popup driven from the keyboard.
#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

#include "controls/extended/dateedit.h"
#include "controls/extended/timers.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;
using namespace ext;
using rtl::EncodeDate;

TEST(MonthCalendar, TheFirstOfTheMonthLandsInTheRightColumn) {
  TMwCalendar c(nullptr);
  c.SetCalendarDate(EncodeDate(2025, 6, 15));  // 1 June 2025 is a Sunday
  EXPECT_EQ(c.DayAt(6, 1), 1);
  EXPECT_EQ(c.DayAt(5, 1), 0);
  EXPECT_EQ(c.CellText(0, 0), rtl::FormatSettings().ShortDayNames[1]);  // Monday first
  int col, row;
  c.SelectedCell(col, row);
  EXPECT_EQ(c.DayAt(col, row), 15);
  c.SetCalendarDate(EncodeDate(2025, 9, 3));  // 1 September 2025 is a Monday
  EXPECT_EQ(c.DayAt(0, 1), 1);
  c.SetCalendarDate(EncodeDate(2021, 8, 1));  // a 31-day month from the last column fills six rows
  EXPECT_EQ(c.DayAt(6, 1), 1);
  EXPECT_EQ(c.DayAt(1, 6), 31);
  EXPECT_EQ(c.DayAt(2, 6), 0);
  c.SetStartOfWeek(Sun);
  EXPECT_EQ(c.DayAt(0, 1), 1);
  EXPECT_TRUE(c.IsWeekendColumn(0));
  EXPECT_FALSE(c.UseCurrentDate());
}

TEST(MonthCalendar, TheDateGoesWithTheFormOnlyOnceItStopsFollowingToday) {
  TMwCalendar c(nullptr);
  EXPECT_TRUE(c.UseCurrentDate());
  EXPECT_FALSE(IsStoredProp(&c, FindPropInfo(&c, "CalendarDate")));
  SetPropValue(&c, "Month", rtl::Variant(2));
  EXPECT_EQ(c.Month(), 2);
  EXPECT_FALSE(c.UseCurrentDate());
  EXPECT_TRUE(IsStoredProp(&c, FindPropInfo(&c, "CalendarDate")));
  EXPECT_FALSE(IsStoredProp(&c, FindPropInfo(&c, "Month")));  // read through the date
}

TEST(MonthCalendar, StepsKeepTheDayInsideTheMonthReached) {
  TMwCalendar c(nullptr);
  int changes = 0;
  c.OnChange = [&](rtl::TObject *) { ++changes; };
  c.SetCalendarDate(EncodeDate(2025, 1, 31));
  c.NextMonth();
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2025, 2, 28));
  c.SetCalendarDate(EncodeDate(2024, 1, 31));
  c.NextMonth();
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2024, 2, 29));
  c.PrevMonth();
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2024, 1, 29));
  c.SetCalendarDate(EncodeDate(2000, 2, 29));
  c.NextYear();
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2001, 2, 28));
  c.SetCalendarDate(EncodeDate(2000, 2, 29));
  c.SetYear(2001);  // no encoding error: 28 February
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2001, 2, 28));
  changes = 0;
  c.SetDay(31);  // beyond February: ignored
  c.SetMonth(13);
  c.SetDay(0);
  c.SetDay(28);  // the same day: no change
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2001, 2, 28));
  int key = VK_RIGHT;
  c.CalendarKeyDown(key, {});
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2001, 3, 1));
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9) + 0.5);
  QChar t('t');
  c.CalendarKeyPress(t);
  EXPECT_EQ(c.CalendarDate(), EncodeDate(2026, 12, 9));
}

namespace {
struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TDateEdit *edit;
  int changes = 0;
  Fixture() {
    form->SetBounds(100, 100, 300, 200);
    edit = new TDateEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(20, 20, 121, 21);
    edit->SetTabStop(true);
    edit->OnChange = [this](rtl::TObject *) { ++changes; };
  }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    if (!QTest::qWaitForWindowActive(form->Handle())) return false;
    edit->SetFocus();
    return edit->Focused();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form->Handle()->windowHandle(), key, mods);
  }
};
}  // namespace

// Windows show their whole state after every change: a date shown again
// changes nothing, and one changed in between by hand is put back.
TEST(DateEdit, ShowingADateAgainLeavesItUnmodifiedUnlessItWasChanged) {
  Fixture f;
  const rtl::TDateTime day = EncodeDate(2026, 3, 7);
  f.edit->SetEditDate(day);
  EXPECT_TRUE(f.edit->Modified());
  const int changes = f.changes;
  f.edit->SetEditDate(day);
  EXPECT_FALSE(f.edit->Modified());
  EXPECT_EQ(f.changes, changes);
  EXPECT_EQ(f.edit->Text(), "07/03/2026");
  f.edit->SetText("08/03/2026");  // typed over
  f.edit->SetEditDate(day);
  EXPECT_EQ(f.edit->Text(), "07/03/2026");
  EXPECT_TRUE(f.edit->Modified());
  f.edit->SetEditDate(0);
  EXPECT_TRUE(f.edit->Modified());
  f.edit->SetEditDate(0);
  EXPECT_FALSE(f.edit->Modified());
  EXPECT_EQ(f.edit->EditDate(), 0);
}

TEST(DateEdit, EmptyIsZeroAndTheKeysStepTheDate) {
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9) + 0.75);
  Fixture f;
  EXPECT_EQ(f.edit->EditDate(), 0);
  f.edit->SetEditDate(EncodeDate(2026, 3, 7));
  EXPECT_EQ(f.edit->Text(), "07/03/2026");
  EXPECT_TRUE(f.edit->Modified());
  f.edit->SetEditDate(0);
  EXPECT_EQ(f.edit->Text(), "  /  /    ");  // the mask's separators and blanks
  EXPECT_EQ(f.edit->EditDate(), 0);
  f.edit->SetText("31/02/2026");  // no date
  EXPECT_EQ(f.edit->EditDate(), 0);
  f.edit->SetDefaultToday(true);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 12, 9));
  f.edit->SetDefaultToday(false);
  f.edit->SetText("");

  ASSERT_TRUE(f.Show());
  f.Key(Qt::Key_Plus, Qt::KeypadModifier);  // empty: tomorrow
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 12, 10));
  f.Key(Qt::Key_Minus, Qt::KeypadModifier);
  f.Key(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 12, 8));
  f.Key(Qt::Key_T);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 12, 9));
  EXPECT_EQ(f.edit->SelLength(), f.edit->Text().length());
}

TEST(DateEdit, ThePopupCalendarIsDrivenFromTheEditsKeys) {
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9));
  Fixture f;
  ASSERT_TRUE(f.Show());
  f.edit->SetEditDate(EncodeDate(2026, 1, 31));
  f.changes = 0;
  f.Key(Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(f.edit->PopupVisible());
  TPopupCalendar *p = f.edit->PopupCalendar();
  EXPECT_EQ(p->Calendar()->CalendarDate(), EncodeDate(2026, 1, 31));
  f.Key(Qt::Key_PageDown);
  EXPECT_EQ(p->Calendar()->CalendarDate(), EncodeDate(2026, 2, 28));
  EXPECT_EQ(p->TitleText(), rtl::FormatDateTime("MMMM, YYYY", EncodeDate(2026, 2, 28)));
  f.Key(Qt::Key_Right);
  f.Key(Qt::Key_Escape);  // discarded
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 1, 31));
  EXPECT_EQ(f.changes, 0);
  f.Key(Qt::Key_Down, Qt::AltModifier);
  f.Key(Qt::Key_PageDown, Qt::ControlModifier);  // a year on
  f.Key(Qt::Key_Return);
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2027, 1, 31));
  EXPECT_EQ(f.changes, 1);

  // OnAcceptDate may refuse a pick.
  f.edit->OnAcceptDate = [](rtl::TObject *, rtl::TDateTime &, bool &accept) { accept = false; };
  f.Key(Qt::Key_Down, Qt::AltModifier);
  f.Key(Qt::Key_PageUp);
  f.Key(Qt::Key_Return);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2027, 1, 31));
}

TEST(DateEdit, TheStepButtonsRepeatWhileHeldAndHintsAreFour) {
  TManualClock timers;
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9));
  Fixture f;
  ASSERT_TRUE(f.Show());
  f.edit->SetEditDate(EncodeDate(2026, 1, 15));
  f.edit->OpenPopup(true);
  TPopupCalendar *p = f.edit->PopupCalendar();
  QTest::mousePress(p->StepButton(2)->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  timers.Advance(500);
  EXPECT_EQ(p->Calendar()->Month(), 2);
  timers.Advance(200);
  EXPECT_EQ(p->Calendar()->Month(), 4);
  QTest::mouseRelease(p->StepButton(2)->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(p->Calendar()->Month(), 5);
  EXPECT_TRUE(f.edit->PopupVisible());

  f.edit->CalendarHints()->SetText("a\r\nb\r\n\r\nd\r\ne\r\nf");
  EXPECT_EQ(f.edit->CalendarHints()->Count(), 4);
  EXPECT_EQ(p->StepButton(0)->Hint(), "a");
  EXPECT_EQ(p->StepButton(2)->Hint(), "Next Month|");  // an empty line keeps the default
  EXPECT_EQ(p->StepButton(3)->Hint(), "d");
}

// Every stepping arrow keeps its own pixels and drops its background, the
// right-pointing ones too (whose base reaches the bottom-left corner).
TEST(PopupCalendar, TheStepArrowsShowTheArrowNotItsBackground) {
  for (bool left : {true, false})
    for (bool twice : {true, false}) {
      std::unique_ptr<TBitmap> b(MakeArrowBitmap(left, twice));
      EXPECT_EQ(b->TransparentColor(), clFuchsia) << left << twice;
      const QImage img = b->Image();
      int arrow = 0;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
          if (QColor(img.pixel(x, y)) != QColor(255, 0, 255)) ++arrow;
      EXPECT_EQ(arrow, twice ? 32 : 16) << left << twice;
    }
}

TEST(DateEdit, CheckOnExitRefusesATextThatIsNoDateAndKeepsTheFocus) {
  Fixture f;
  auto *other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetTop(80);
  other->SetTabStop(true);
  QStringList errors;
  Application->ShowExceptionSlot = [&](const QString &, const QString &text) { errors << text; };
  f.edit->SetCheckOnExit(true);
  ASSERT_TRUE(f.Show());
  f.edit->SetText("32/13/2026");
  f.Key(Qt::Key_Tab);
  EXPECT_TRUE(f.edit->Focused());
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("''32/13/2026'' is not a valid date")) << errors[0].toStdString();
  f.edit->SelectAll();
  for (Qt::Key k : {Qt::Key_7, Qt::Key_Slash, Qt::Key_3, Qt::Key_Slash, Qt::Key_1}) f.Key(k);
  EXPECT_EQ(f.edit->Text(), "7 /3 /1   ");  // a separator ends its field
  f.Key(Qt::Key_Tab);                       // the short form is rewritten in the date format
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(f.edit->Text(), "07/03/2001");
  Application->ShowExceptionSlot = nullptr;
}

TEST(DateEdit, TheMaskTakesDigitsOnlyAndFollowsBlanksCharAndYearDigits) {
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9));
  Fixture f;
  EXPECT_EQ(f.edit->EditMask(), "!99/99/9999;1; ");
  f.edit->SetBlanksChar(QChar(7));  // a control character is a blank
  EXPECT_EQ(f.edit->BlanksChar(), QChar(' '));
  f.edit->SetBlanksChar('_');
  EXPECT_EQ(f.edit->EditText(), "__/__/____");
  EXPECT_EQ(f.edit->EditDate(), 0);
  ASSERT_TRUE(f.Show());
  f.edit->SelectAll();
  f.changes = 0;
  for (Qt::Key k : {Qt::Key_0, Qt::Key_7, Qt::Key_X, Qt::Key_0, Qt::Key_3, Qt::Key_2, Qt::Key_0, Qt::Key_2, Qt::Key_6})
    f.Key(k);
  EXPECT_EQ(f.edit->EditText(), "07/03/2026");  // the letter was refused
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));
  EXPECT_GT(f.changes, 0);

  // Two-digit years: a new mask and format; the date stays and no change
  // event fires for the rewrite.
  f.changes = 0;
  f.edit->SetYearDigits(dyTwo);
  EXPECT_EQ(f.edit->EditMask(), "!99/99/99;1;_");
  EXPECT_EQ(f.edit->Text(), "07/03/26");
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));
  EXPECT_EQ(f.changes, 0);

  // The stepping keys still work on the masked text, and on an empty one.
  f.Key(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 8));
  f.edit->SetEditDate(0);
  EXPECT_EQ(f.edit->EditText(), "__/__/__");
  f.Key(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 12, 10));
}

TEST(DateEdit, AHalfTypedDateReadsEmptyAndEscPutsBackTheDate) {
  Fixture f;
  auto *other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetTop(80);
  other->SetTabStop(true);
  f.edit->SetEditDate(EncodeDate(2026, 5, 4));
  ASSERT_TRUE(f.Show());
  f.Key(Qt::Key_Delete);  // all selected on entry: the whole date goes
  f.Key(Qt::Key_1);
  f.Key(Qt::Key_2);
  EXPECT_EQ(f.edit->Text(), "12/  /    ");
  EXPECT_EQ(f.edit->EditDate(), 0);
  f.Key(Qt::Key_Escape);  // the text the edit had when it was entered
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 5, 4));
  f.edit->SelectAll();
  f.Key(Qt::Key_Delete);
  f.Key(Qt::Key_1);
  f.Key(Qt::Key_Tab);  // every place of the mask is optional: no complaint
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(f.edit->EditDate(), 0);
}

TEST(DateEdit, TheFormatAndMaskFollowALocaleChange) {
  rtl::FormatSettingsGuard locale;
  Fixture f;
  f.edit->SetEditDate(EncodeDate(2026, 3, 7));
  rtl::FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  rtl::FormatSettings().DateSeparator = '-';
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));  // nothing moves before the update
  f.edit->UpdateMask();
  EXPECT_EQ(f.edit->DateFormat(), "YYYY/MM/DD");
  EXPECT_EQ(f.edit->EditMask(), "!9999/99/99;1; ");
  EXPECT_EQ(f.edit->Text(), "2026-03-07");
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));
  f.edit->SetEditDate(EncodeDate(2027, 1, 2));
  EXPECT_EQ(f.edit->Text(), "2027-01-02");
}

TEST(DateEdit, ThePopupCalendarScalesWithTheScreenButKeepsAFloor) {
  Fixture f;
  EXPECT_EQ(f.edit->PopupCalendar()->Width(), 187);
  EXPECT_EQ(f.edit->PopupCalendar()->Height(), 124);
  const TSize large = PopupCalendarSize(144);
  EXPECT_EQ(large.cx, 281);  // 187 x 1.5, rounded to nearest
  EXPECT_EQ(large.cy, 186);
  const TSize small = PopupCalendarSize(72);
  EXPECT_EQ(small.cx, 180);
  EXPECT_EQ(small.cy, 120);
}

TEST(DateDialog, CarriesTheHintsAndShowsTodayForADateItCannotTake) {
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9));
  TSelectDateDlg dlg(nullptr);
  dlg.SetHints({"Anno prima", "", "Mese dopo"});
  EXPECT_EQ(dlg.StepButton(0)->Hint(), "Anno prima");
  EXPECT_EQ(dlg.StepButton(1)->Hint(), "Previous Month|");
  EXPECT_EQ(dlg.StepButton(2)->Hint(), "Mese dopo");
  EXPECT_EQ(dlg.StepButton(3)->Hint(), "Next Year|");
  EXPECT_TRUE(dlg.StepButton(0)->AllowTimer());
  dlg.SetDate(0);
  EXPECT_EQ(dlg.Calendar()->CalendarDate(), EncodeDate(2026, 12, 9));
  dlg.SetDate(1e9);  // beyond the last year
  EXPECT_EQ(dlg.Calendar()->CalendarDate(), EncodeDate(2026, 12, 9));
  dlg.SetDate(EncodeDate(2025, 2, 3));
  EXPECT_EQ(dlg.TitleText(), rtl::FormatDateTime("MMMM, YYYY", EncodeDate(2025, 2, 3)));
}

namespace {
// Runs `act` on the modal window once it is up (the keys that open it may
// process events before the dialog exists).
void InModalDialog(std::function<void(QWidget *)> act) {
  auto *timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [=] {
    QWidget *dlg = QApplication::activeModalWidget();
    if (dlg == nullptr) {
      for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowModality() == Qt::ApplicationModal) dlg = w;
    }
    if (dlg == nullptr && ++*tries < 400) return;
    timer->stop();
    timer->deleteLater();
    ASSERT_NE(dlg, nullptr);
    QApplication::setActiveWindow(dlg);
    EXPECT_TRUE(QTest::qWaitForWindowActive(dlg));
    act(dlg);
  });
  timer->start(5);
}
}  // namespace

TEST(DateEdit, TheDialogStylePicksTheDateInAModalDialog) {
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9));
  Fixture f;
  f.edit->SetCalendarStyle(csDialog);
  EXPECT_EQ(f.edit->Popup(), nullptr);
  f.edit->SetDialogTitle("Data del reso");
  f.edit->CalendarHints()->SetText("\r\nMese prima");
  f.edit->SetEditDate(EncodeDate(2026, 1, 31));
  ASSERT_TRUE(f.Show());
  f.changes = 0;
  QString title;
  InModalDialog([&](QWidget *dlg) {
    title = dlg->windowTitle();
    auto *d = dynamic_cast<TSelectDateDlg *>(FindControl(dlg));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->StepButton(1)->Hint(), "Mese prima");
    QTest::keyClick(dlg->windowHandle(), Qt::Key_Tab);  // a month on
    QTest::keyClick(dlg->windowHandle(), Qt::Key_Return);
  });
  f.Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(title, "Data del reso");
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 2, 28));
  EXPECT_EQ(f.changes, 1);

  // Refused by OnAcceptDate: the date stays.
  f.edit->OnAcceptDate = [](rtl::TObject *, rtl::TDateTime &, bool &accept) { accept = false; };
  InModalDialog([&](QWidget *dlg) {
    QTest::keyClick(dlg->windowHandle(), Qt::Key_PageDown);
    QTest::keyClick(dlg->windowHandle(), Qt::Key_Return);
  });
  f.Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 2, 28));
}

TEST(DateEdit, ASettingsChangeOnTheMainWindowRebuildsFormatAndMask) {
  rtl::FormatSettingsGuard locale;
  TCustomForm *saved_main = Application->MainForm();
  Fixture f;
  Application->SetMainForm(f.form.get());
  ASSERT_TRUE(f.Show());
  EXPECT_TRUE(f.edit->Hooked());
  f.edit->SetEditDate(EncodeDate(2026, 3, 7));
  f.changes = 0;
  rtl::FormatSettings().ShortDateFormat = "mm.dd.yy";
  rtl::FormatSettings().DateSeparator = '.';
  f.form->SendMessage(0x001A, 0, 0);
  EXPECT_EQ(f.edit->EditMask(), "!99/99/99;1; ");
  EXPECT_EQ(f.edit->Text(), "03.07.26");
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));
  EXPECT_EQ(f.changes, 0);  // a rewrite, not the user's change

  // Other notices leave it alone; a freed edit hears nothing more.
  rtl::FormatSettings().DateSeparator = '-';
  f.form->SendMessage(WM_SIZE, 0, 0);
  EXPECT_EQ(f.edit->Text(), "03.07.26");
  delete f.edit;
  f.form->SendMessage(0x001A, 0, 0);

  // Without a main form there is nothing to listen to.
  Application->SetMainForm(nullptr);
  Fixture g;
  ASSERT_TRUE(g.Show());
  EXPECT_FALSE(g.edit->Hooked());
  // A main form named later is found on the next focus or paint.
  Application->SetMainForm(g.form.get());
  g.edit->Repaint();
  QCoreApplication::processEvents();
  EXPECT_TRUE(g.edit->Hooked());
  Application->SetMainForm(saved_main);
}

TEST(DateEdit, PasteAndCutGoThroughTheMask) {
  Fixture f;
  ASSERT_TRUE(f.Show());
  Clipboard().SetAsText("07/03/2026");
  f.edit->SelectAll();
  f.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));
  EXPECT_EQ(f.edit->EditText(), "07/03/2026");

  f.edit->SelectAll();
  f.Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Clipboard().AsText(), "07/03/2026");
  EXPECT_EQ(f.edit->EditText(), "  /  /    ");  // the separators stay
  EXPECT_EQ(f.edit->EditDate(), 0);

  Clipboard().SetAsText("1a2b0c4");  // what the places refuse is dropped
  f.Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(f.edit->EditText(), "12/04/    ");

  f.edit->SetDirectInput(false);
  f.edit->SelectAll();
  f.Key(Qt::Key_X, Qt::ControlModifier);
  Clipboard().SetAsText("31/12/2025");
  f.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.edit->EditText(), "12/04/    ");

  // The line edit's own menu would paste past the mask: there is none.
  bool menu_seen = false;
  QTimer::singleShot(50, [&] {
    if (QWidget *menu = QApplication::activePopupWidget()) {
      menu_seen = true;
      menu->close();
    }
  });
  QWidget *w = f.edit->Handle();
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(w, &event);
  QTest::qWait(100);
  EXPECT_FALSE(menu_seen);

  // Typed by hand with its separators: a separator right after a full
  // field is the one the cursor has already passed.
  f.edit->SetDirectInput(true);
  f.edit->SelectAll();
  for (Qt::Key k : {Qt::Key_0, Qt::Key_7, Qt::Key_Slash, Qt::Key_0, Qt::Key_3, Qt::Key_Slash, Qt::Key_2, Qt::Key_0,
                    Qt::Key_2, Qt::Key_6})
    f.Key(k);
  EXPECT_EQ(f.edit->EditDate(), EncodeDate(2026, 3, 7));
}

// The date dialog is designed at 96 dots per inch and scaled for a screen
// of another resolution; the popup follows the screen too.
TEST(DateDialog, ScalesWithTheScreensDotsPerInch) {
  InitApplication();
  {
    TSelectDateDlg dlg(nullptr);
    EXPECT_EQ(dlg.ClientWidth(), 222);
    EXPECT_EQ(dlg.ClientHeight(), 154);
  }
  Screen->SetPixelsPerInch(144);
  {
    TSelectDateDlg dlg(nullptr);
    EXPECT_EQ(dlg.ClientWidth(), 333);
    EXPECT_EQ(dlg.ClientHeight(), 231);
    EXPECT_EQ(dlg.StepButton(2)->Left(), 282);  // 188 x 1.5
    EXPECT_EQ(dlg.StepButton(2)->Width(), 24);
  }
  {
    Fixture f;
    EXPECT_EQ(f.edit->PopupCalendar()->Width(), 281);
  }
  Screen->SetPixelsPerInch(0);
}

// The text cursor of a date edit is one pixel wide, two with a bold font.
TEST(DateEdit, TheTextCursorIsOnePixelOrTwoWhenBold) {
  Fixture f;
  f.form->Show();
  QApplication::setActiveWindow(f.form->Handle());
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.form->Handle()));
  f.edit->SetFocus();
  QApplication::processEvents();
  QWidget *w = f.edit->Handle();
  EXPECT_EQ(w->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, w), 1);
  f.edit->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_EQ(w->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, w), 2);
}
