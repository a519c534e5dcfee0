// The date edit: a combo edit for one date, in the locale's date order,
// with a month calendar that drops down from its button (or, in the dialog
// style, a modal date dialog), keys that step the date, and an empty state.
// The program reads and writes only EditDate, where 0 is the empty date.
#pragma once

#include <memory>

#include "controls/extended/pickdate.h"
#include "controls/extended/tooledit.h"
#include "platform/rtl/classes.h"

namespace ext {

ORBISCA_ENUM(TYearDigits, dyDefault, dyFour, dyTwo)
ORBISCA_ENUM(TCalendarStyle, csPopup, csDialog)

using TAcceptDateEvent = std::function<void(rtl::TObject *sender, rtl::TDateTime &date, bool &accept)>;

class TMwWindowHook;

class TCustomDateEdit : public TCustomComboEdit {
  ORBISCA_CLASS(TCustomDateEdit, TCustomComboEdit)
 public:
  explicit TCustomDateEdit(vcl::TComponent *owner);
  ~TCustomDateEdit() override;

  // The date of the text: 0 when it is empty; when it is no date, today
  // with DefaultToday, else 0.
  rtl::TDateTime EditDate() const;
  void SetEditDate(rtl::TDateTime value);

  // "DD/MM/YYYY" and the like, from the locale as of the last format and
  // mask update.
  QString DateFormat() const { return date_format_; }
  // Rebuilds the date format and the edit mask from the locale, BlanksChar
  // and YearDigits and writes the date back in the new form. Runs at
  // creation, when BlanksChar or YearDigits change, when the window is
  // made and when the system's settings change.
  void UpdateMask();
  QChar BlanksChar() const { return blanks_char_; }
  void SetBlanksChar(QChar value);
  QString DialogTitle() const { return dialog_title_; }
  void SetDialogTitle(const QString &value) { dialog_title_ = value; }
  vcl::TColor PopupColor() const { return popup_color_; }
  void SetPopupColor(vcl::TColor value);
  bool DefaultToday() const { return default_today_; }
  void SetDefaultToday(bool value) { default_today_ = value; }
  bool CheckOnExit() const { return check_on_exit_; }
  void SetCheckOnExit(bool value) { check_on_exit_ = value; }
  TDayOfWeekName StartOfWeek() const { return start_of_week_; }
  void SetStartOfWeek(TDayOfWeekName value);
  TDaysOfWeek Weekends() const { return weekends_; }
  void SetWeekends(TDaysOfWeek value);
  vcl::TColor WeekendColor() const { return weekend_color_; }
  void SetWeekendColor(vcl::TColor value);
  TYearDigits YearDigits() const { return year_digits_; }
  void SetYearDigits(TYearDigits value);
  rtl::TStrings *CalendarHints() const { return calendar_hints_.get(); }
  void SetCalendarHints(const rtl::TStrings *value) { calendar_hints_->Assign(value); }
  TCalendarStyle CalendarStyle() const { return calendar_style_; }
  void SetCalendarStyle(TCalendarStyle value);

  // Whether the edit listens to the application's main window for changes
  // of the system's settings (made with the edit's window, when there is a
  // main form).
  bool Hooked() const { return settings_hook_ != nullptr; }

  TPopupCalendar *PopupCalendar() const { return dynamic_cast<TPopupCalendar *>(Popup()); }
  void ButtonClick() override;

  TAcceptDateEvent OnAcceptDate;

 protected:
  vcl::TBitmap *CreateDefaultBitmap(int &num_glyphs) override;
  bool AcceptPopup(rtl::Variant &value) override;
  void AcceptValue(const rtl::Variant &value) override;
  void SetPopupValue(const rtl::Variant &value) override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void DoExit() override;
  void Change() override;
  void InitWidget() override;
  void Dispatch(vcl::TMessage &message) override;
  void ApplyPopupSettings();
  bool FourDigits() const;

 private:
  QChar blanks_char_ = QLatin1Char(' ');
  QString dialog_title_ = QStringLiteral("Select a Date");
  vcl::TColor popup_color_ = vcl::clBtnFace;
  bool default_today_ = false;
  // What SetEditDate last asked to show, and the text that showed.
  QString set_text_;
  QString shown_text_ = QStringLiteral("\x01");  // no text shows it before the first call
  bool check_on_exit_ = false;
  TDayOfWeekName start_of_week_ = Mon;
  TDaysOfWeek weekends_ = DaysOf({Sun});
  vcl::TColor weekend_color_ = vcl::clRed;
  TYearDigits year_digits_ = dyDefault;
  std::unique_ptr<rtl::TStringList> calendar_hints_;
  TCalendarStyle calendar_style_ = csPopup;
  bool formatting_ = false;
  QString date_format_;
  // The date separator the mask was built with: the mask keeps it as a
  // literal, so a new separator needs a new mask.
  QChar mask_separator_;
  std::unique_ptr<TMwWindowHook> settings_hook_;
  void HookMainWindow();
};

class TDateEdit : public TCustomDateEdit {
  ORBISCA_CLASS(TDateEdit, TCustomDateEdit)
 public:
  explicit TDateEdit(vcl::TComponent *owner) : TCustomDateEdit(owner) { UpdateMask(); }
};

}  // namespace ext
