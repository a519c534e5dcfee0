// The month calendar's grid and date steps, and the date edit: the empty
// date, the stepping keys and the calendar popup driven from the keyboard.
#include <QApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

#include "controls/extended/dateedit.h"
#include "controls/extended/timers.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
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

TEST(DateEdit, EmptyIsZeroAndTheKeysStepTheDate) {
  rtl::FixedClockGuard clock(EncodeDate(2026, 12, 9) + 0.75);
  Fixture f;
  EXPECT_EQ(f.edit->EditDate(), 0);
  f.edit->SetEditDate(EncodeDate(2026, 3, 7));
  EXPECT_EQ(f.edit->Text(), "07/03/2026");
  EXPECT_TRUE(f.edit->Modified());
  f.edit->SetEditDate(0);
  EXPECT_EQ(f.edit->Text(), "");
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
  f.edit->SetText("7/3/1");  // a short form is rewritten in the date format
  f.Key(Qt::Key_Tab);
  EXPECT_TRUE(other->Focused());
  EXPECT_EQ(f.edit->Text(), "07/03/2001");
  Application->ShowExceptionSlot = nullptr;
}
