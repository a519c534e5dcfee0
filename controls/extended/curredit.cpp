// Numeric and currency edits; see curredit.h.
#include "controls/extended/curredit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <cmath>

#include "controls/extended/utils.h"
#include "platform/os/shell.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace ext {

using namespace vcl;

QString NormalizeNumberText(const QString &text) {
  const auto &fs = rtl::FormatSettings();
  const QChar dec = fs.DecimalSeparator, thou = fs.ThousandSeparator;
  QString s = TrimBlanks(text);
  if (dec != thou) s = RemoveChar(s, thou);
  if (dec != QLatin1Char('.') && thou != QLatin1Char('.')) s.replace(QLatin1Char('.'), dec);
  if (dec != QLatin1Char(',') && thou != QLatin1Char(',')) s.replace(QLatin1Char(','), dec);
  if (s.isEmpty()) s = QStringLiteral("0");
  if (s == QLatin1String("-")) s = QStringLiteral("-0");
  return s;
}

bool IsValidFloat(const QString &text, double &value) {
  const QChar dec = rtl::FormatSettings().DecimalSeparator;
  for (QChar c : text) {
    if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('+') && c != QLatin1Char('-') &&
        c != QLatin1Char('E') && c != QLatin1Char('e') && c != dec)
      return false;
  }
  return rtl::TryStrToFloat(text.left(63), value);
}

QString CurrencyDisplayFormat() {
  const auto &fs = rtl::FormatSettings();
  QString number = QStringLiteral(",0.") + RepeatChar(QLatin1Char('0'), fs.CurrencyDecimals);
  QString symbol;
  for (QChar c : fs.CurrencyString) {
    if (c == QLatin1Char(',') || c == QLatin1Char('.'))
      symbol += QLatin1Char('\'') + c + QLatin1Char('\'');
    else
      symbol += c;
  }
  QString f = number;
  if (!symbol.isEmpty()) {
    switch (fs.CurrencyFormat) {
      case 0:
        f = symbol + number;
        break;
      case 1:
        f = number + symbol;
        break;
      case 2:
        f = symbol + QLatin1Char(' ') + number;
        break;
      case 3:
        f = number + QLatin1Char(' ') + symbol;
        break;
      default:
        break;
    }
  }
  return f + QStringLiteral(";-") + f;
}

// --- TCustomNumEdit -----------------------------------------------------------------------------

TCustomNumEdit::TCustomNumEdit(TComponent *owner) : TCustomComboEdit(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
  SetMaxLength(0);
  default_num_glyphs_ = 2;
  SetButtonWidth(20);
  SetGlyphKind(gkDefault);
  ReformatEditText();
}

TCustomNumEdit::~TCustomNumEdit() = default;

TBitmap *TCustomNumEdit::CreateDefaultBitmap(int &num_glyphs) {
  // A small calculator: keys on a grey body, two images (up, disabled).
  num_glyphs = 2;
  QImage img(24, 12, QImage::Format_RGB32);
  img.fill(qRgb(255, 0, 255));
  for (int cell = 0; cell < 2; ++cell) {
    const QRgb ink = cell == 0 ? qRgb(0, 0, 0) : qRgb(128, 128, 128);
    for (int y = 1; y < 11; ++y) {
      img.setPixel(cell * 12 + 2, y, ink);
      img.setPixel(cell * 12 + 9, y, ink);
    }
    for (int x = 2; x < 10; ++x) {
      img.setPixel(cell * 12 + x, 1, ink);
      img.setPixel(cell * 12 + x, 10, ink);
      img.setPixel(cell * 12 + x, 4, ink);
    }
    for (int y = 6; y < 10; y += 2)
      for (int x = 4; x < 9; x += 2) img.setPixel(cell * 12 + x, y, ink);
  }
  auto *b = new TBitmap(24, 12);
  b->SetImage(img);
  return b;
}

void TCustomNumEdit::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

double TCustomNumEdit::CheckValue(double value, bool raise) const {
  double r = value;
  if (max_value_ != min_value_) {
    if (min_value_ < max_value_) {
      if (value < min_value_)
        r = min_value_;
      else if (value > max_value_)
        r = max_value_;
    } else if (max_value_ == 0) {
      if (value < min_value_) r = min_value_;
    } else if (min_value_ == 0) {
      if (value > max_value_) r = max_value_;
    }
  }
  if (raise && r != value) {
    const QString lo = rtl::FloatToStrF(min_value_, rtl::ffFixed, 18, decimal_places_);
    const QString hi = rtl::FloatToStrF(max_value_, rtl::ffFixed, 18, decimal_places_);
    throw rtl::ERangeError(QStringLiteral("Value must be between %1 and %2").arg(lo, hi));
  }
  return r;
}

double TCustomNumEdit::TextToValue(const QString &text) const {
  return CheckValue(rtl::StrToFloat(NormalizeNumberText(text)), false);
}

double TCustomNumEdit::Value() const {
  if (!ComponentState().Contains(csDesigning)) {
    try {
      value_ = TextToValue(Text());
    } catch (...) {
      value_ = min_value_;
    }
  }
  return value_;
}

void TCustomNumEdit::SetValue(double value) {
  value_ = CheckValue(value, false);
  DataChanged();
  Invalidate();
}

void TCustomNumEdit::SetMinValue(double value) {
  if (value == min_value_) return;
  min_value_ = value;
  SetValue(value_);
}

void TCustomNumEdit::SetMaxValue(double value) {
  if (value == max_value_) return;
  max_value_ = value;
  SetValue(value_);
}

void TCustomNumEdit::SetDecimalPlaces(int value) {
  if (value < 0) value = 0;
  if (value == decimal_places_) return;
  decimal_places_ = value;
  DataChanged();
  Invalidate();
}

void TCustomNumEdit::SetZeroEmpty(bool value) {
  if (value == zero_empty_) return;
  zero_empty_ = value;
  DataChanged();
  Invalidate();
}

QString TCustomNumEdit::DisplayFormat() const { return display_format_set_ ? display_format_ : DefaultDisplayFormat(); }

void TCustomNumEdit::SetDisplayFormat(const QString &value) {
  if (display_format_set_ && value == display_format_) return;
  display_format_ = value;
  display_format_set_ = true;
  DataChanged();
  Invalidate();
}

void TCustomNumEdit::SetFormatOnEditing(bool value) {
  if (value == format_on_editing_) return;
  format_on_editing_ = value;
  edit_alignment_ = value ? alignment_ : taLeftJustify;
  if (QLineEdit *e = LineEdit())
    e->setAlignment(edit_alignment_ == taRightJustify ? Qt::AlignRight
                    : edit_alignment_ == taCenter     ? Qt::AlignHCenter
                                                      : Qt::AlignLeft);
  if (num_focused_) {
    if (value) {
      ReformatGrouped();
    } else {
      Value();
      ReformatEditText();
    }
  }
}

void TCustomNumEdit::SetText(const QString &text) {
  if (ComponentState().Contains(csLoading)) return;
  value_ = CheckValue(rtl::StrToFloat(NormalizeNumberText(text)), false);
  DataChanged();
  Invalidate();
}

QString TCustomNumEdit::EditText() const {
  QString pattern = QStringLiteral("0");
  if (decimal_places_ > 0) pattern += QLatin1Char('.') + RepeatChar(QLatin1Char('#'), decimal_places_);
  if (value_ != 0 || !zero_empty_) return rtl::FormatFloat(pattern, value_);
  return QString();
}

QString TCustomNumEdit::ShownText() const {
  const QString f = DisplayFormat();
  if (f.isEmpty()) return rtl::FloatToStr(value_);
  return rtl::FormatFloat(f, value_);
}

void TCustomNumEdit::DataChanged() { TControl::SetText(EditText()); }

void TCustomNumEdit::ReformatEditText() {
  formatting_ = true;
  try {
    TControl::SetText(EditText());
  } catch (...) {
    formatting_ = false;
    throw;
  }
  formatting_ = false;
}

void TCustomNumEdit::ReformatGrouped() {
  QString s = Text();
  const bool empty = s.isEmpty() || s == QLatin1String("-");
  const int from_end = s.length() - (HandleAllocated() ? SelStart() : s.length());
  if (!empty) {
    s = NormalizeNumberText(s);
    QString sign;
    if (s.startsWith(QLatin1Char('+')) || s.startsWith(QLatin1Char('-'))) {
      sign = s.left(1);
      s = s.mid(1);
    }
    const QChar dec = rtl::FormatSettings().DecimalSeparator;
    int end = s.length();
    for (int i = 0; i < s.length(); ++i) {
      if (s[i] == dec || s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e')) {
        end = i;
        break;
      }
    }
    const QString integer = s.left(end);
    const QString rest = s.mid(end);
    QString grouped;
    const bool group = DisplayFormat().contains(QLatin1Char(','));
    int digits = 0;
    for (int i = integer.length() - 1; i >= 0; --i) {
      grouped.prepend(integer[i]);
      ++digits;
      if (group && digits % 3 == 0 && i > 0) grouped.prepend(rtl::FormatSettings().ThousandSeparator);
    }
    s = sign + grouped + rest;
  }
  formatting_ = true;
  TControl::SetText(s);
  formatting_ = false;
  if (Focused() && !ComponentState().Contains(csDesigning)) SetSelStart(std::max(0, int(s.length()) - from_end));
}

void TCustomNumEdit::Change() {
  if (formatting_) return;
  if (format_on_editing_ && num_focused_) ReformatGrouped();
  TCustomComboEdit::Change();
}

bool TCustomNumEdit::IsPopupKey(QChar key) const {
  const QChar k = key.toUpper();
  return k.unicode() == 8 || k.unicode() == 13 || QStringLiteral("%*+,-./0123456789=CQR_").contains(k) ||
         k == rtl::FormatSettings().DecimalSeparator;
}

void TCustomNumEdit::RefuseKey() {
  if (beep_on_error_) os::MessageBeep(0);
}

void TCustomNumEdit::KeyDown(int &key, TShiftState shift) {
  // Pasting goes through PasteFromClipboard, which undoes a bad paste.
  if ((key == 'V' && shift.Contains(ssCtrl)) || (key == VK_INSERT && shift.Contains(ssShift))) {
    key = 0;
    paste_done_ = true;
    PasteFromClipboard();
    return;
  }
  TCustomComboEdit::KeyDown(key, shift);
}

void TCustomNumEdit::KeyPress(QChar &key) {
  if (PopupVisible() && IsPopupKey(key)) {
    Popup()->PopupKeyPress(key);
    key = QChar();
    return;
  }
  const QChar dec = rtl::FormatSettings().DecimalSeparator;
  if (key == QLatin1Char(',') || key == QLatin1Char('.')) key = dec;
  TCustomComboEdit::KeyPress(key);
  // The character of a paste key done above must not paste again; Ctrl
  // with a letter is a command (copy, cut), not typing.
  if (paste_done_) {
    paste_done_ = false;
    key = QChar();
    return;
  }
  if (!key.isNull() && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) return;
  if (key.isNull()) return;
  if (key.unicode() >= 32) {
    QString s = Text();
    const int start = SelStart();
    s.replace(start, SelLength(), key);
    s = NormalizeNumberText(s);
    bool ok = true;
    const int p = s.indexOf(dec);
    if (p >= 0 && decimal_places_ == 0) ok = false;
    if (ok && p >= 0) {
      int e = s.indexOf(QLatin1Char('E'), p, Qt::CaseInsensitive);
      if (e < 0) e = s.length();
      ok = e - p - 1 <= decimal_places_;
    }
    double v = 0;
    if (ok) ok = IsValidFloat(s, v);
    if (ok && min_value_ >= 0 && max_value_ > 0 && v < 0) ok = false;
    if (!ok) {
      key = QChar();
      RefuseKey();
    }
    return;
  }
  if (key.unicode() == 27) {
    ReformatEditText();
    if (DirectInput()) SelectAll();
    key = QChar();
  }
}

void TCustomNumEdit::PasteFromClipboard() {
  if (!DirectInput() || ReadOnly()) return;
  const QString kept = Text();
  TCustomEdit::PasteFromClipboard();
  try {
    value_ = TextToValue(Text());
  } catch (const rtl::Exception &) {
    TControl::SetText(kept);
    SelectAll();
    if (CanFocus()) SetFocus();
    RefuseKey();
  }
}

void TCustomNumEdit::DoEnter() {
  num_focused_ = true;
  ReformatEditText();
  if (format_on_editing_) ReformatGrouped();
  TCustomComboEdit::DoEnter();
}

void TCustomNumEdit::DoExit() {
  try {
    if (check_on_exit_ && !ComponentState().Contains(csDesigning))
      CheckValue(rtl::StrToFloat(NormalizeNumberText(Text())), true);
    value_ = TextToValue(Text());
  } catch (const rtl::Exception &e) {
    // The focus stays here and the message is shown now: an exception
    // thrown through the focus change would leave it half done.
    SelectAll();
    if (CanFocus()) SetFocus();
    vcl::ReportException(this, e);
    return;
  }
  num_focused_ = false;
  ReformatEditText();
  SetSelStart(0);
  TCustomComboEdit::DoExit();
}

bool TCustomNumEdit::PaintShownText() { return PaintAlignedText(ShownText(), alignment_, focused_ && !PopupVisible()); }

void TCustomNumEdit::CMEnabledChanged(TMessage &m) {
  TCustomComboEdit::CMEnabledChanged(m);
  if (!focused_) Invalidate();
}

void TCustomNumEdit::CMFontChanged(TMessage &m) {
  TCustomComboEdit::CMFontChanged(m);
  Invalidate();
}

// --- TCurrencyEdit ----------------------------------------------------------------------------------

TCurrencyEdit::TCurrencyEdit(TComponent *owner) : TCustomNumEdit(owner) {
  SetGlyphKind(gkCustom);
  SetButtonWidth(0);
}

ORBISCA_PUBLISHED(TCustomNumEdit, TCustomComboEdit) {
  p.Property("Alignment", &TCustomNumEdit::Alignment, &TCustomNumEdit::SetAlignment).Default(vcl::taRightJustify);
  p.Property("BeepOnError", &TCustomNumEdit::BeepOnError, &TCustomNumEdit::SetBeepOnError).Default(true);
  p.Property("CheckOnExit", &TCustomNumEdit::CheckOnExit, &TCustomNumEdit::SetCheckOnExit).Default(false);
  p.Property("DecimalPlaces", &TCustomNumEdit::DecimalPlaces, &TCustomNumEdit::SetDecimalPlaces).Default(2);
  p.Property("DisplayFormat", &TCustomNumEdit::DisplayFormat, &TCustomNumEdit::SetDisplayFormat);
  p.Property("FormatOnEditing", &TCustomNumEdit::FormatOnEditing, &TCustomNumEdit::SetFormatOnEditing).Default(false);
  p.Property("MaxValue", &TCustomNumEdit::MaxValue, &TCustomNumEdit::SetMaxValue);
  p.Property("MinValue", &TCustomNumEdit::MinValue, &TCustomNumEdit::SetMinValue);
  p.Property("Value", &TCustomNumEdit::Value, &TCustomNumEdit::SetValue);
  p.Property("ZeroEmpty", &TCustomNumEdit::ZeroEmpty, &TCustomNumEdit::SetZeroEmpty).Default(true);
}

ORBISCA_PUBLISHED(TCurrencyEdit, TCustomNumEdit) { (void)p; }

}  // namespace ext
