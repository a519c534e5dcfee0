// The month calendar and its two hosts: the popup of the date edit and the
// modal date dialog.
//
// TMwCalendar is a 7 x 7 grid: the day names in the first row, the days of
// the month below, the first column chosen by StartOfWeek. TPopupCalendar
// puts one under a title bar with four repeating buttons (year and month
// back and forward); TSelectDateDlg does the same in a small dialog with OK
// and Cancel.
#pragma once

#include <functional>

#include "controls/extended/tooledit.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/forms.h"

namespace ext {

ORBISCA_ENUM(TDayOfWeekName, Sun, Mon, Tue, Wed, Thu, Fri, Sat)
// A set of days as bits (1 << Sun ...).
using TDaysOfWeek = int;
inline constexpr TDaysOfWeek DaysOf(std::initializer_list<TDayOfWeekName> days) {
  int r = 0;
  for (auto d : days) r |= 1 << d;
  return r;
}

// The stepping button of the calendars: repeats while held (first after
// 500 ms, then every 100 ms), in the older flat look.
class TMwTimerSpeedButton : public TMwSpeedButton {
  ORBISCA_CLASS(TMwTimerSpeedButton, TMwSpeedButton)
 public:
  explicit TMwTimerSpeedButton(vcl::TComponent *owner);
};

// The default hints of the four stepping buttons (previous year, previous
// month, next month, next year), and the lines of `hints` that replace
// them (the first four, where not empty).
void SetStepButtonHints(TMwSpeedButton *const buttons[4], const QStringList &hints);

class TMwCalendar : public vcl::TCustomControl {
  ORBISCA_CLASS(TMwCalendar, vcl::TCustomControl)
 public:
  explicit TMwCalendar(vcl::TComponent *owner);

  rtl::TDateTime CalendarDate() const { return date_; }
  void SetCalendarDate(rtl::TDateTime value);
  int Day() const;
  int Month() const;
  int Year() const;
  void SetDay(int value) { ChangeDate(3, value); }
  void SetMonth(int value) { ChangeDate(2, value); }
  void SetYear(int value) { ChangeDate(1, value); }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  TDayOfWeekName StartOfWeek() const { return start_of_week_; }
  void SetStartOfWeek(TDayOfWeekName value);
  bool UseCurrentDate() const { return use_current_date_; }
  void SetUseCurrentDate(bool value);
  vcl::TColor WeekendColor() const { return weekend_color_; }
  void SetWeekendColor(vcl::TColor value);
  TDaysOfWeek Weekends() const { return weekends_; }
  void SetWeekends(TDaysOfWeek value);

  void PrevMonth();
  void NextMonth();
  void PrevYear();
  void NextYear();

  // The grid: the text of a cell, the day a cell shows (0 for none), and
  // the cell of the selected day.
  QString CellText(int col, int row) const;
  int DayAt(int col, int row) const;
  void SelectedCell(int &col, int &row) const;
  int MonthOffset() const { return month_offset_; }
  bool IsWeekendColumn(int col) const;
  // The cell under a client point (false outside the grid).
  bool MouseToCell(int x, int y, int &col, int &row) const;

  vcl::TNotifyEvent OnChange;
  // Keys as the grid handles them (the popup forwards the edit's).
  void CalendarKeyDown(int &key, vcl::TShiftState shift);
  void CalendarKeyPress(QChar &key);

 protected:
  void Paint() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void WMGetDlgCode(vcl::TMessage &message) override;
  virtual void DrawCellFrame(vcl::TCanvas *canvas, const vcl::TRect &r, int col, int row);
  void ChangeDate(int index, int value);
  void SetDateInternal(rtl::TDateTime value);
  void UpdateCalendar();
  bool draw_vertical_lines_ = true;

 private:
  rtl::TDateTime date_;
  bool use_current_date_ = true;
  TDayOfWeekName start_of_week_ = Mon;
  TDaysOfWeek weekends_ = DaysOf({Sun});
  vcl::TColor weekend_color_ = vcl::clRed;
  int month_offset_ = 0;
  bool read_only_ = false;
};

// The calendar as the popup shows it: no border, the parent's colour,
// today framed.
class TLocCalendar : public TMwCalendar {
  ORBISCA_CLASS(TLocCalendar, TMwCalendar)
 public:
  explicit TLocCalendar(vcl::TComponent *owner);
  // Fired by a left release on a day cell without shift keys.
  std::function<void()> OnDayPicked;

 protected:
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void DrawCellFrame(vcl::TCanvas *canvas, const vcl::TRect &r, int col, int row) override;
};

// The popup calendar's size on a screen of that many dots per inch: 187 x
// 124 at 96, scaled otherwise, never below 180 x 120.
vcl::TSize PopupCalendarSize(int pixels_per_inch);

class TPopupCalendar : public TPopupWindow {
  ORBISCA_CLASS(TPopupCalendar, TPopupWindow)
 public:
  explicit TPopupCalendar(TCustomComboEdit *edit);

  rtl::Variant GetValue() const override;
  void SetValue(const rtl::Variant &value) override;
  void PopupKeyDown(int &key, vcl::TShiftState shift) override;
  void PopupKeyPress(QChar &key) override;

  TLocCalendar *Calendar() const { return calendar_; }
  QString TitleText() const;
  // Previous year, previous month, next month, next year.
  TMwSpeedButton *StepButton(int index) const { return buttons_[index]; }
  // The first four non-empty lines replace the buttons' hints.
  void SetHints(const QStringList &hints);

 private:
  void UpdateTitle();
  vcl::TPanel *title_ = nullptr;
  vcl::TLabel *label_ = nullptr;
  TLocCalendar *calendar_ = nullptr;
  TMwSpeedButton *buttons_[4] = {};
};

// The modal date dialog; true when confirmed, `date` then holds the pick.
bool SelectDate(rtl::TDateTime &date, const QString &title, TDayOfWeekName start_of_week, TDaysOfWeek weekends,
                vcl::TColor weekend_color, const QStringList &hints);

class TSelectDateDlg : public vcl::TForm {
  ORBISCA_CLASS(TSelectDateDlg, vcl::TForm)
 public:
  explicit TSelectDateDlg(vcl::TComponent *owner);
  TMwCalendar *Calendar() const { return calendar_; }
  // An empty date, or one the calendar cannot take, shows today.
  void SetDate(rtl::TDateTime date);
  // Previous year, previous month, next month, next year.
  TMwSpeedButton *StepButton(int index) const { return buttons_[index]; }
  void SetHints(const QStringList &hints) { SetStepButtonHints(buttons_, hints); }
  QString TitleText() const;

 protected:
  void KeyDown(int &key, vcl::TShiftState shift) override;
  // Tab steps the month here instead of moving the focus.
  void CMDialogKey(vcl::TMessage &message) override;

 private:
  TMwCalendar *calendar_;
  vcl::TLabel *title_;
  TMwSpeedButton *buttons_[4] = {};
};

// The stepping bitmaps (double and single arrows, left and right).
vcl::TBitmap *MakeArrowBitmap(bool left, bool twice);

}  // namespace ext
