// The date edit; see dateedit.h.
#include "controls/extended/dateedit.h"

#include "controls/extended/utils.h"
#include "controls/extended/winhook.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace ext {

using namespace vcl;
using rtl::TDateTime;

namespace {
// The notice a window gets when the system's settings (the locale among
// them) changed.
constexpr unsigned kWinIniChange = 0x001A;
}  // namespace

TCustomDateEdit::TCustomDateEdit(TComponent *owner)
    : TCustomComboEdit(owner), calendar_hints_(std::make_unique<rtl::TStringList>()) {
  date_format_ = DefaultDateFormat(FourDigits());
  calendar_hints_->OnChange = [this](rtl::TObject *) {
    while (calendar_hints_->Count() > 4) calendar_hints_->Delete(calendar_hints_->Count() - 1);
    ApplyPopupSettings();
  };
  default_num_glyphs_ = 2;
  SetGlyphKind(gkDefault);
  SetCalendarStyle(csPopup);
  auto *popup = new TPopupCalendar(this);
  SetPopup(popup);
  ApplyPopupSettings();
}

TCustomDateEdit::~TCustomDateEdit() {
  calendar_hints_->OnChange = nullptr;
  settings_hook_.reset();
}

void TCustomDateEdit::HookMainWindow() {
  if (settings_hook_ || IsDesigning()) return;
  TCustomForm *main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr) return;
  settings_hook_ = std::make_unique<TMwWindowHook>(nullptr);
  settings_hook_->AfterMessage = [this](rtl::TObject *, TMessage &m, bool &) {
    if (m.Msg == kWinIniChange) UpdateMask();
  };
  settings_hook_->SetWinControl(main);
}

void TCustomDateEdit::Dispatch(TMessage &m) {
  if (m.Msg == WM_DESTROY) settings_hook_.reset();
  // The main form is often named only after its controls' windows exist:
  // try again when the edit is painted or focused.
  if ((m.Msg == WM_PAINT || m.Msg == WM_SETFOCUS) && !settings_hook_ && HandleAllocated()) HookMainWindow();
  TCustomComboEdit::Dispatch(m);
}

TBitmap *TCustomDateEdit::CreateDefaultBitmap(int &num_glyphs) {
  // A calendar sheet: a red band over a grid of days; up and disabled.
  num_glyphs = 2;
  QImage img(30, 13, QImage::Format_RGB32);
  img.fill(qRgb(255, 0, 255));
  for (int cell = 0; cell < 2; ++cell) {
    const int x0 = cell * 15 + 1;
    const QRgb ink = cell == 0 ? qRgb(0, 0, 0) : qRgb(128, 128, 128);
    const QRgb band = cell == 0 ? qRgb(192, 0, 0) : qRgb(160, 160, 160);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 13; ++x) {
        QRgb c = qRgb(255, 255, 255);
        if (y < 3) c = band;
        if (x == 0 || x == 12 || y == 0 || y == 12) c = ink;
        if (y >= 5 && y <= 10 && x % 3 == 2 && y % 2 == 1) c = ink;
        img.setPixel(x0 + x, y, c);
      }
  }
  auto *b = new TBitmap(30, 13);
  b->SetImage(img);
  return b;
}

bool TCustomDateEdit::FourDigits() const {
  if (year_digits_ == dyFour) return true;
  if (year_digits_ == dyTwo) return false;
  return rtl::FormatSettings().ShortDateFormat.toUpper().contains(QLatin1String("YYYY"));
}

void TCustomDateEdit::SetBlanksChar(QChar value) {
  if (value.unicode() < 32) value = QLatin1Char(' ');
  if (value == blanks_char_) return;
  blanks_char_ = value;
  UpdateMask();
}

void TCustomDateEdit::UpdateMask() {
  const TDateTime date = EditDate();  // read with the format it was written in
  const QString old_format = date_format_;
  date_format_ = DefaultDateFormat(FourDigits());
  const QString mask = DefaultDateEditMask(blanks_char_, FourDigits());
  const QChar separator = rtl::FormatSettings().DateSeparator;
  formatting_ = true;
  try {
    if (mask != EditMask() || date_format_ != old_format || separator != mask_separator_) {
      SetEditMask(QString());
      SetEditMask(mask);
      mask_separator_ = separator;
    }
    ApplyPopupSettings();
    SetEditDate(date);
  } catch (...) {
    formatting_ = false;
    throw;
  }
  formatting_ = false;
}

void TCustomDateEdit::InitWidget() {
  TCustomComboEdit::InitWidget();
  // The locale may have changed since the control was made.
  if (!EditMask().isEmpty()) UpdateMask();
  HookMainWindow();
}

void TCustomDateEdit::SetPopupColor(TColor value) {
  popup_color_ = value;
  ApplyPopupSettings();
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName value) {
  start_of_week_ = value;
  ApplyPopupSettings();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek value) {
  weekends_ = value;
  ApplyPopupSettings();
}

void TCustomDateEdit::SetWeekendColor(TColor value) {
  weekend_color_ = value;
  ApplyPopupSettings();
}

void TCustomDateEdit::SetYearDigits(TYearDigits value) {
  if (value == year_digits_) return;
  year_digits_ = value;
  UpdateMask();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle value) {
  if (value == calendar_style_) return;
  calendar_style_ = value;
  if (value == csDialog) {
    TPopupWindow *p = Popup();
    SetPopup(nullptr);
    delete p;
  } else if (Popup() == nullptr) {
    SetPopup(new TPopupCalendar(this));
    ApplyPopupSettings();
  }
}

void TCustomDateEdit::ApplyPopupSettings() {
  TPopupCalendar *p = PopupCalendar();
  if (p == nullptr) return;
  p->SetColor(popup_color_);
  p->Calendar()->SetStartOfWeek(start_of_week_);
  p->Calendar()->SetWeekends(weekends_);
  p->Calendar()->SetWeekendColor(weekend_color_);
  QStringList hints;
  for (int i = 0; i < calendar_hints_->Count(); ++i) hints << calendar_hints_->Get(i);
  p->SetHints(hints);
}

TDateTime TCustomDateEdit::EditDate() const {
  TDateTime d = 0;
  if (ParseDateWithFormat(DateFormat(), Text(), d)) return d;
  return default_today_ ? rtl::Date() : 0;
}

void TCustomDateEdit::SetEditDate(TDateTime value) {
  if (value == 0 || !IsValidDateValue(value)) value = default_today_ ? rtl::Date() : 0;
  const QString text = value != 0 ? rtl::FormatDateTime(DateFormat(), value) : QString();
  // The date this call showed last, still shown as it left it: setting it
  // again shows the same text, so the date cannot change (windows show
  // their whole state after every change; reading a date back costs a
  // parse).
  const bool again = text == set_text_ && Text() == shown_text_;
  const TDateTime before = again ? 0 : EditDate();
  TControl::SetText(text);
  SetModified(!again && EditDate() != before);
  set_text_ = text;
  shown_text_ = Text();
}

void TCustomDateEdit::SetPopupValue(const rtl::Variant &) {
  if (Popup() == nullptr) return;
  Popup()->SetValue(rtl::Variant::FromDate(ParseDateOr(DateFormat(), Text(), rtl::Date())));
}

bool TCustomDateEdit::AcceptPopup(rtl::Variant &value) {
  if (!OnAcceptDate) return true;
  TDateTime d = 0;
  if (!value.IsEmptyOrNull()) {
    try {
      d = value.AsDateTime();
    } catch (const rtl::Exception &) {
      d = default_today_ ? rtl::Date() : 0;
    }
  }
  bool accept = true;
  OnAcceptDate(this, d, accept);
  if (accept) value = rtl::Variant::FromDate(d);
  return accept;
}

void TCustomDateEdit::AcceptValue(const rtl::Variant &value) {
  TDateTime d = 0;
  try {
    d = value.IsEmptyOrNull() ? 0 : value.AsDateTime();
  } catch (const rtl::Exception &) {
    d = 0;
  }
  SetEditDate(d);  // its own change goes to PopupChange: the popup is still open
  if (Modified()) TCustomEdit::Change();
}

void TCustomDateEdit::ButtonClick() {
  if (calendar_style_ != csDialog) {
    TCustomComboEdit::ButtonClick();
    return;
  }
  if (ReadOnly()) return;
  if (OnButtonClick) OnButtonClick(this);
  QStringList hints;
  for (int i = 0; i < calendar_hints_->Count(); ++i) hints << calendar_hints_->Get(i);
  TDateTime d = EditDate();
  if (!SelectDate(d, dialog_title_, start_of_week_, weekends_, weekend_color_, hints)) return;
  bool accept = true;
  if (OnAcceptDate) OnAcceptDate(this, d, accept);
  if (!accept) return;
  SetEditDate(d);
  if (Focused()) SelectAll();
}

void TCustomDateEdit::KeyDown(int &key, TShiftState shift) {
  if (PopupVisible()) {
    switch (key) {
      case VK_PRIOR:
      case VK_NEXT:
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
      case VK_ADD:
      case VK_SUBTRACT:
        if (!shift.Contains(ssAlt)) {
          Popup()->PopupKeyDown(key, shift);
          key = 0;
          return;
        }
        break;
      default:
        break;
    }
  } else if ((shift * TShiftState{ssShift, ssCtrl, ssAlt}).Empty() && DirectInput() &&
             (key == VK_ADD || key == VK_SUBTRACT)) {
    TDateTime d = EditDate();
    if (d == 0) d = rtl::Now();
    SetEditDate(d + (key == VK_ADD ? 1 : -1));
    SelectAll();
    key = 0;
    return;
  }
  TCustomComboEdit::KeyDown(key, shift);
}

void TCustomDateEdit::KeyPress(QChar &key) {
  const bool special =
      key == QLatin1Char('+') || key == QLatin1Char('-') || key == QLatin1Char('T') || key == QLatin1Char('t');
  if (special) {
    if (PopupVisible()) {
      Popup()->PopupKeyPress(key);
      key = QChar();
      return;
    }
    if (DirectInput()) {
      if (key == QLatin1Char('T') || key == QLatin1Char('t')) {
        SetEditDate(rtl::Date());
        SelectAll();
      }
      key = QChar();
      return;
    }
  }
  TCustomComboEdit::KeyPress(key);
}

void TCustomDateEdit::DoExit() {
  if (check_on_exit_ && !ComponentState().Contains(csDesigning)) {
    QString rest = Text();
    rest.remove(blanks_char_).remove(QLatin1Char(' ')).remove(rtl::FormatSettings().DateSeparator);
    if (!rest.isEmpty()) {
      try {
        const TDateTime d = ParseDateStrict(DateFormat(), Text());
        formatting_ = true;
        TControl::SetText(rtl::FormatDateTime(DateFormat(), d));
        formatting_ = false;
      } catch (const rtl::Exception &e) {
        formatting_ = false;
        // The focus stays here; the message is shown now rather than thrown
        // through the focus change.
        if (CanFocus()) SetFocus();
        vcl::ReportException(this, e);
        return;
      }
    }
  }
  TCustomComboEdit::DoExit();
}

void TCustomDateEdit::Change() {
  if (formatting_) return;
  TCustomComboEdit::Change();
}

ORBISCA_PUBLISHED(TCustomDateEdit, TCustomComboEdit) {
  p.Property("BlanksChar", &TCustomDateEdit::BlanksChar, &TCustomDateEdit::SetBlanksChar).Default(32);
  p.Property("CalendarHints", &TCustomDateEdit::CalendarHints, &TCustomDateEdit::SetCalendarHints);
  p.Property("CalendarStyle", &TCustomDateEdit::CalendarStyle, &TCustomDateEdit::SetCalendarStyle).Default(csPopup);
  p.Property("CheckOnExit", &TCustomDateEdit::CheckOnExit, &TCustomDateEdit::SetCheckOnExit).Default(false);
  p.Property("DefaultToday", &TCustomDateEdit::DefaultToday, &TCustomDateEdit::SetDefaultToday).Default(false);
  p.Property("DialogTitle", &TCustomDateEdit::DialogTitle, &TCustomDateEdit::SetDialogTitle);
  p.Property("PopupColor", &TCustomDateEdit::PopupColor, &TCustomDateEdit::SetPopupColor).Default(vcl::clBtnFace);
  p.Property("StartOfWeek", &TCustomDateEdit::StartOfWeek, &TCustomDateEdit::SetStartOfWeek).Default(Mon);
  p.Property("Weekends", &TCustomDateEdit::Weekends, &TCustomDateEdit::SetWeekends).Default(DaysOf({Sun}));
  p.Property("WeekendColor", &TCustomDateEdit::WeekendColor, &TCustomDateEdit::SetWeekendColor).Default(vcl::clRed);
  p.Property("YearDigits", &TCustomDateEdit::YearDigits, &TCustomDateEdit::SetYearDigits).Default(dyDefault);
  p.Event("OnAcceptDate", &TCustomDateEdit::OnAcceptDate);
}

ORBISCA_PUBLISHED(TDateEdit, TCustomDateEdit) { (void)p; }

}  // namespace ext
