// The month calendar, the popup calendar and the date dialog; see
// pickdate.h.
#include "controls/extended/pickdate.h"

#include <QPainter>
#include <algorithm>

#include "controls/extended/utils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/stdctrls.h"

namespace ext {

using namespace vcl;
using rtl::TDateTime;

namespace {
void Decode(TDateTime d, int &y, int &m, int &day) { rtl::DecodeDate(d, y, m, day); }
}  // namespace

TBitmap *MakeArrowBitmap(bool left, bool twice) {
  const int w = twice ? 8 : 4;
  QImage img(w, 7, QImage::Format_RGB32);
  img.fill(qRgb(255, 0, 255));
  for (int n = 0; n < (twice ? 2 : 1); ++n) {
    for (int col = 0; col < 4; ++col) {
      const int x = n * 4 + (left ? col : 3 - col);
      for (int y = 3 - col; y <= 3 + col; ++y) img.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  auto *b = new TBitmap(w, 7);
  b->SetImage(img);
  // A right arrow's base covers the bottom-left pixel, which would otherwise
  // name the transparent colour: the background is named instead.
  b->SetTransparentColor(clFuchsia);
  return b;
}

// --- TMwCalendar --------------------------------------------------------------------------------

TMwCalendar::TMwCalendar(TComponent *owner) : TCustomControl(owner), date_(rtl::Date()) {
  SetBounds(0, 0, 320, 120);
  SetTabStop(true);
  UpdateCalendar();
}

int TMwCalendar::Day() const {
  int y, m, d;
  Decode(date_, y, m, d);
  return d;
}
int TMwCalendar::Month() const {
  int y, m, d;
  Decode(date_, y, m, d);
  return m;
}
int TMwCalendar::Year() const {
  int y, m, d;
  Decode(date_, y, m, d);
  return y;
}

void TMwCalendar::SetDateInternal(TDateTime value) {
  date_ = rtl::DateOf(value);
  UpdateCalendar();
}

void TMwCalendar::SetCalendarDate(TDateTime value) {
  value = rtl::DateOf(value);
  if (value == date_) return;
  use_current_date_ = false;
  SetDateInternal(value);
  if (OnChange) OnChange(this);
}

void TMwCalendar::SetUseCurrentDate(bool value) {
  if (value == use_current_date_) return;
  use_current_date_ = value;
  if (value) {
    SetDateInternal(rtl::Date());
    if (OnChange) OnChange(this);
  }
}

void TMwCalendar::ChangeDate(int index, int value) {
  if (value < 1) return;
  int y, m, d;
  Decode(date_, y, m, d);
  switch (index) {
    case 1:
      if (value == y || value > 9999) return;
      y = value;
      // 29 February of a year that is not a leap year is 28 February, not
      // an encoding error.
      if (m == 2 && d == 29 && !rtl::IsLeapYear(y)) d = 28;
      break;
    case 2:
      if (value == m || value > 12) return;
      m = value;
      d = std::min(d, rtl::DaysInAMonth(y, m));
      break;
    default:
      if (value == d || value > rtl::DaysInAMonth(y, m)) return;
      d = value;
      break;
  }
  use_current_date_ = false;
  SetDateInternal(rtl::EncodeDate(y, m, d));
  if (OnChange) OnChange(this);
}

void TMwCalendar::PrevMonth() {
  int y, m, d;
  Decode(date_, y, m, d);
  const TDateTime prev = rtl::EncodeDate(y, m, 1) - 1;
  int py, pm, pd;
  Decode(prev, py, pm, pd);
  SetCalendarDate(rtl::EncodeDate(py, pm, std::min(d, rtl::DaysInAMonth(py, pm))));
}

void TMwCalendar::NextMonth() {
  int y, m, d;
  Decode(date_, y, m, d);
  const TDateTime next = rtl::EncodeDate(y, m, rtl::DaysInAMonth(y, m)) + 1;
  int ny, nm, nd;
  Decode(next, ny, nm, nd);
  SetCalendarDate(rtl::EncodeDate(ny, nm, std::min(d, rtl::DaysInAMonth(ny, nm))));
}

void TMwCalendar::PrevYear() {
  if (Month() == 2 && Day() == 29) SetDay(28);
  SetYear(Year() - 1);
}

void TMwCalendar::NextYear() {
  if (Month() == 2 && Day() == 29) SetDay(28);
  SetYear(Year() + 1);
}

void TMwCalendar::SetStartOfWeek(TDayOfWeekName value) {
  if (value == start_of_week_) return;
  start_of_week_ = value;
  UpdateCalendar();
}

void TMwCalendar::SetWeekendColor(TColor value) {
  weekend_color_ = value;
  Invalidate();
}

void TMwCalendar::SetWeekends(TDaysOfWeek value) {
  weekends_ = value;
  Invalidate();
}

void TMwCalendar::UpdateCalendar() {
  int y, m, d;
  Decode(date_, y, m, d);
  const int first = rtl::DayOfWeek(rtl::EncodeDate(y, m, 1));  // 1 = Sunday
  const int a = (first - int(start_of_week_) + 7) % 7;
  month_offset_ = a == 0 ? -5 : 2 - a;
  Invalidate();
}

int TMwCalendar::DayAt(int col, int row) const {
  if (row < 1 || row > 6 || col < 0 || col > 6) return 0;
  const int d = month_offset_ + col + 7 * row - 7;
  int y, m, day;
  Decode(date_, y, m, day);
  return d >= 1 && d <= rtl::DaysInAMonth(y, m) ? d : 0;
}

QString TMwCalendar::CellText(int col, int row) const {
  if (row == 0) return rtl::FormatSettings().ShortDayNames[(col + int(start_of_week_)) % 7];
  const int d = DayAt(col, row);
  return d == 0 ? QString() : QString::number(d);
}

void TMwCalendar::SelectedCell(int &col, int &row) const {
  const int n = Day() - month_offset_;
  col = n % 7;
  row = n / 7 + 1;
}

bool TMwCalendar::IsWeekendColumn(int col) const { return (weekends_ >> ((col + int(start_of_week_)) % 7)) & 1; }

bool TMwCalendar::MouseToCell(int x, int y, int &col, int &row) const {
  const int line = draw_vertical_lines_ ? 1 : 0;
  const int cw = (ClientWidth() - 6 * line) / 7;
  const int rh = (ClientHeight() - 6) / 7;
  if (cw <= 0 || rh <= 0 || x < 0 || y < 0) return false;
  col = x / (cw + line);
  row = y / (rh + 1);
  return col < 7 && row < 7;
}

void TMwCalendar::DrawCellFrame(TCanvas *, const TRect &, int, int) {}

void TMwCalendar::Paint() {
  TCanvas *c = Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int line = draw_vertical_lines_ ? 1 : 0;
  const int cw = (ClientWidth() - 6 * line) / 7;
  const int rh = (ClientHeight() - 6) / 7;
  int scol, srow;
  SelectedCell(scol, srow);
  for (int row = 0; row < 7; ++row) {
    for (int col = 0; col < 7; ++col) {
      TRect r = Bounds(col * (cw + line), row * (rh + 1), cw, rh);
      const bool selected = row > 0 && col == scol && row == srow;
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(selected ? clHighlight : Color());
      c->FillRect(r);
      c->Font()->SetColor(selected ? clHighlightText : IsWeekendColumn(col) ? weekend_color_ : Font()->Color());
      c->Brush()->SetStyle(bsClear);
      TRect tr = r;
      DrawText(c, CellText(col, row), tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      DrawCellFrame(c, r, col, row);
    }
  }
  TCustomControl::Paint();
}

void TMwCalendar::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TMwCalendar::CalendarKeyDown(int &key, TShiftState shift) {
  if (!(shift * TShiftState{ssShift, ssAlt, ssCtrl}).Empty()) return;
  switch (key) {
    case VK_LEFT:
    case VK_SUBTRACT:
      SetCalendarDate(date_ - 1);
      key = 0;
      break;
    case VK_RIGHT:
    case VK_ADD:
      SetCalendarDate(date_ + 1);
      key = 0;
      break;
    case VK_UP:
    case VK_DOWN: {
      // The selection moves only among the cells that show a day.
      int col, row;
      SelectedCell(col, row);
      row += key == VK_UP ? -1 : 1;
      const int d = DayAt(col, row);
      if (d != 0 && !read_only_) SetDay(d);
      key = 0;
      break;
    }
    default:
      break;
  }
}

void TMwCalendar::CalendarKeyPress(QChar &key) {
  if (key == QLatin1Char('T') || key == QLatin1Char('t')) {
    SetCalendarDate(rtl::Date());
    key = QChar();
  }
}

void TMwCalendar::KeyDown(int &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key != 0) CalendarKeyDown(key, shift);
}

void TMwCalendar::KeyPress(QChar &key) {
  TCustomControl::KeyPress(key);
  if (!key.isNull()) CalendarKeyPress(key);
}

void TMwCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  int col, row;
  if (button == mbLeft && !read_only_ && MouseToCell(x, y, col, row)) {
    const int d = DayAt(col, row);
    if (d != 0) SetDay(d);
  }
}

// --- TLocCalendar -------------------------------------------------------------------------------

TLocCalendar::TLocCalendar(TComponent *owner) : TMwCalendar(owner) {
  SetTabStop(false);
  SetParentColor(true);
  draw_vertical_lines_ = false;
  SetCalendarDate(rtl::Date());
  SetUseCurrentDate(false);
}

void TLocCalendar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TMwCalendar::MouseUp(button, shift, x, y);
  int col, row;
  if (button == mbLeft && (shift * TShiftState{ssShift, ssCtrl, ssAlt}).Empty() && MouseToCell(x, y, col, row) &&
      row > 0 && DayAt(col, row) != 0 && OnDayPicked)
    OnDayPicked();
}

void TLocCalendar::DrawCellFrame(TCanvas *c, const TRect &r, int col, int row) {
  const TDateTime today = rtl::Date();
  int y, m, d;
  Decode(today, y, m, d);
  if (y != Year() || m != Month() || DayAt(col, row) != d) return;
  c->Pen()->SetColor(clBtnShadow);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Left, r.Top);
  c->LineTo(r.Right - 1, r.Top);
  c->Pen()->SetColor(clBtnHighlight);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->LineTo(r.Left, r.Bottom - 1);
}

// --- stepping buttons ------------------------------------------------------------------------------

TMwTimerSpeedButton::TMwTimerSpeedButton(TComponent *owner) : TMwSpeedButton(owner) {
  SetAllowTimer(true);
  SetInitPause(500);
  SetRepeatInterval(100);
  SetFlat(true);
  SetStyle(bsWin31);
}

void SetStepButtonHints(TMwSpeedButton *const buttons[4], const QStringList &hints) {
  static const char *defaults[4] = {"Previous Year|", "Previous Month|", "Next Month|", "Next Year|"};
  for (int i = 0; i < 4; ++i) {
    if (buttons[i] == nullptr) continue;
    const bool replaced = i < hints.size() && !hints[i].isEmpty();
    buttons[i]->SetHint(replaced ? hints[i] : QString::fromLatin1(defaults[i]));
  }
}

// --- TPopupCalendar -------------------------------------------------------------------------------

TSize PopupCalendarSize(int pixels_per_inch) {
  if (pixels_per_inch <= 0) pixels_per_inch = 96;
  return {std::max(rtl::MulDiv(187, pixels_per_inch, 96), 180), std::max(rtl::MulDiv(124, pixels_per_inch, 96), 120)};
}

TPopupCalendar::TPopupCalendar(TCustomComboEdit *edit) : TPopupWindow(edit) {
  const TSize size = PopupCalendarSize(Screen != nullptr ? Screen->PixelsPerInch() : 96);
  SetBounds(0, 0, size.cx, size.cy);
  SetColor(clBtnFace);
  SetParentColor(false);
  title_ = new TPanel(this);
  title_->SetParent(this);
  title_->SetAlign(alTop);
  title_->SetHeight(18);
  title_->SetBevelOuter(bvNone);
  title_->SetParentColor(true);
  for (int i = 0; i < 4; ++i) {
    auto *b = new TMwTimerSpeedButton(this);
    b->SetParent(title_);
    std::unique_ptr<TBitmap> g(MakeArrowBitmap(i < 2, i == 0 || i == 3));
    b->SetGlyph(g.get());
    buttons_[i] = b;
  }
  SetStepButtonHints(buttons_, {});
  const int w = Width() - 2;
  buttons_[0]->SetBounds(-1, -1, 14, 14);
  buttons_[1]->SetBounds(12, -1, 14, 14);
  buttons_[2]->SetBounds(w - 26, -1, 14, 14);
  buttons_[3]->SetBounds(w - 13, -1, 14, 14);
  label_ = new TLabel(this);
  label_->SetParent(title_);
  label_->SetAutoSize(false);
  label_->SetAlignment(taCenter);
  label_->SetTransparent(true);
  label_->SetBounds(29, 1, w - 58, 14);
  calendar_ = new TLocCalendar(this);
  calendar_->SetParent(this);
  calendar_->SetAlign(alClient);
  calendar_->OnChange = [this](rtl::TObject *) { UpdateTitle(); };
  calendar_->OnDayPicked = [this] { CloseUp(true); };
  label_->OnDblClick = [this](rtl::TObject *) { calendar_->SetCalendarDate(rtl::Date()); };
  buttons_[0]->OnClick = [this](rtl::TObject *) { calendar_->PrevYear(); };
  buttons_[1]->OnClick = [this](rtl::TObject *) { calendar_->PrevMonth(); };
  buttons_[2]->OnClick = [this](rtl::TObject *) { calendar_->NextMonth(); };
  buttons_[3]->OnClick = [this](rtl::TObject *) { calendar_->NextYear(); };
  UpdateTitle();
}

QString TPopupCalendar::TitleText() const {
  return rtl::FormatDateTime(QStringLiteral("MMMM, YYYY"), calendar_->CalendarDate());
}

void TPopupCalendar::UpdateTitle() { label_->SetCaption(TitleText()); }

void TPopupCalendar::SetHints(const QStringList &hints) { SetStepButtonHints(buttons_, hints); }

rtl::Variant TPopupCalendar::GetValue() const { return rtl::Variant::FromDate(calendar_->CalendarDate()); }

void TPopupCalendar::SetValue(const rtl::Variant &value) {
  TDateTime d = rtl::Date();
  if (!value.IsEmptyOrNull()) {
    const QString text = value.AsString().remove(rtl::FormatSettings().DateSeparator).trimmed();
    if (!text.isEmpty()) {
      try {
        d = value.AsDateTime();
      } catch (const rtl::Exception &) {
        d = rtl::Date();
      }
    }
  }
  calendar_->SetCalendarDate(d);
  UpdateTitle();
}

void TPopupCalendar::PopupKeyDown(int &key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  if (key == VK_PRIOR) {
    ctrl ? calendar_->PrevYear() : calendar_->PrevMonth();
    key = 0;
  } else if (key == VK_NEXT) {
    ctrl ? calendar_->NextYear() : calendar_->NextMonth();
    key = 0;
  } else {
    calendar_->CalendarKeyDown(key, shift);
  }
}

void TPopupCalendar::PopupKeyPress(QChar &key) { calendar_->CalendarKeyPress(key); }

// --- TSelectDateDlg -------------------------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(TComponent *owner) : TForm(owner) {
  SetBorderStyle(bsToolWindow);
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetClientWidth(222);
  SetClientHeight(154);
  SetKeyPreview(true);
  auto *top = new TPanel(this);
  top->SetParent(this);
  top->SetAlign(alTop);
  top->SetHeight(22);
  top->SetBevelInner(bvLowered);
  auto *bottom = new TPanel(this);
  bottom->SetParent(this);
  bottom->SetAlign(alBottom);
  bottom->SetHeight(21);
  calendar_ = new TMwCalendar(this);
  calendar_->SetParent(this);
  calendar_->SetAlign(alClient);
  calendar_->SetColor(clWhite);
  calendar_->SetParentColor(false);
  calendar_->OnDblClick = [this](rtl::TObject *) { SetModalResult(mrOk); };
  title_ = new TLabel(this);
  title_->SetParent(top);
  title_->SetAutoSize(false);
  title_->SetAlignment(taCenter);
  title_->SetBounds(35, 4, 152, 14);
  title_->Font()->SetColor(clBlue);
  title_->Font()->SetStyle(TFontStyles{fsBold});
  title_->OnDblClick = [this](rtl::TObject *) { calendar_->SetCalendarDate(rtl::Date()); };
  const int xs[4] = {3, 18, 188, 203};
  for (int i = 0; i < 4; ++i) {
    auto *b = new TMwTimerSpeedButton(this);
    b->SetParent(top);
    b->SetBounds(xs[i], 3, 16, 16);
    std::unique_ptr<TBitmap> g(MakeArrowBitmap(i < 2, i == 0 || i == 3));
    b->SetGlyph(g.get());
    buttons_[i] = b;
    b->OnClick = [this, i](rtl::TObject *) {
      switch (i) {
        case 0:
          calendar_->PrevYear();
          break;
        case 1:
          calendar_->PrevMonth();
          break;
        case 2:
          calendar_->NextMonth();
          break;
        default:
          calendar_->NextYear();
          break;
      }
    };
  }
  auto *ok = new TButton(this);
  ok->SetParent(bottom);
  ok->SetCaption("OK");
  ok->SetBounds(0, 0, 111, 21);
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  auto *cancel = new TButton(this);
  cancel->SetParent(bottom);
  cancel->SetCaption(QStringLiteral("Annulla"));
  cancel->SetBounds(111, 0, 111, 21);
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  SetStepButtonHints(buttons_, {});
  calendar_->OnChange = [this](rtl::TObject *) { title_->SetCaption(TitleText()); };
  SetActiveControl(calendar_);
  // Designed at 96 dots per inch: scaled for the screen, centred when shown.
  const int ppi = Screen != nullptr ? Screen->PixelsPerInch() : 96;
  if (ppi != 96) ScaleBy(ppi, 96);
}

QString TSelectDateDlg::TitleText() const {
  return rtl::FormatDateTime(QStringLiteral("MMMM, YYYY"), calendar_->CalendarDate());
}

void TSelectDateDlg::SetDate(TDateTime date) {
  if (date == 0 || !IsValidDateValue(date)) date = rtl::Date();
  try {
    calendar_->SetCalendarDate(date);
  } catch (const rtl::Exception &) {
    calendar_->SetCalendarDate(rtl::Date());
  }
  title_->SetCaption(TitleText());
}

void TSelectDateDlg::KeyDown(int &key, TShiftState shift) {
  TForm::KeyDown(key, shift);
  const bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
    case VK_PRIOR:
      ctrl ? calendar_->PrevYear() : calendar_->PrevMonth();
      key = 0;
      break;
    case VK_NEXT:
      ctrl ? calendar_->NextYear() : calendar_->NextMonth();
      key = 0;
      break;
    default:
      break;
  }
}

void TSelectDateDlg::CMDialogKey(TMessage &m) {
  const TShiftState shift = KeyDataToShiftState(m.LParam);
  if (m.CharCode() == VK_TAB && (m.LParam & KF_ALTDOWN_BIT) == 0 && !shift.Contains(ssCtrl)) {
    shift.Contains(ssShift) ? calendar_->PrevMonth() : calendar_->NextMonth();
    m.Result = 1;
    return;
  }
  TForm::CMDialogKey(m);
}

bool SelectDate(TDateTime &date, const QString &title, TDayOfWeekName start_of_week, TDaysOfWeek weekends,
                TColor weekend_color, const QStringList &hints) {
  TSelectDateDlg dlg(nullptr);
  dlg.AfterConstruction();
  dlg.SetCaption(title);
  dlg.Calendar()->SetStartOfWeek(start_of_week);
  dlg.Calendar()->SetWeekends(weekends);
  dlg.Calendar()->SetWeekendColor(weekend_color);
  dlg.SetHints(hints);
  dlg.SetDate(date);
  if (dlg.ShowModal() != mrOk) return false;
  date = dlg.Calendar()->CalendarDate();
  return true;
}

ORBISCA_PUBLISHED(TMwCalendar, TCustomControl) {
  // The date is kept with the form only once it no longer follows today.
  p.Property("CalendarDate", &TMwCalendar::CalendarDate, &TMwCalendar::SetCalendarDate)
      .StoredIf([](const rtl::TObject *o) { return !static_cast<const TMwCalendar *>(o)->UseCurrentDate(); });
  p.Property("Day", &TMwCalendar::Day, &TMwCalendar::SetDay).Stored(false);
  p.Property("Month", &TMwCalendar::Month, &TMwCalendar::SetMonth).Stored(false);
  p.Property("Year", &TMwCalendar::Year, &TMwCalendar::SetYear).Stored(false);
  p.Property("ReadOnly", &TMwCalendar::ReadOnly, &TMwCalendar::SetReadOnly).Default(false);
  p.Property("StartOfWeek", &TMwCalendar::StartOfWeek, &TMwCalendar::SetStartOfWeek).Default(Mon);
  p.Property("UseCurrentDate", &TMwCalendar::UseCurrentDate, &TMwCalendar::SetUseCurrentDate).Default(true);
  p.Property("WeekendColor", &TMwCalendar::WeekendColor, &TMwCalendar::SetWeekendColor).Default(vcl::clRed);
  p.Property("Weekends", &TMwCalendar::Weekends, &TMwCalendar::SetWeekends).Default(DaysOf({Sun}));
  p.Event("OnChange", &TMwCalendar::OnChange);
}

}  // namespace ext
