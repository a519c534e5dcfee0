// The popup calculator (see calculator.h).
#include "controls/extended/calculator.h"

#include <cmath>

#include "platform/os/shell.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/clipboard.h"

namespace ext {

using vcl::TShiftState;

const QString kCalcKeyChars = QStringLiteral("0123456789_./*-+Q%R=") + QChar(kCalcBackspace) + u'C';

namespace {

constexpr char16_t kEnter = 13;
constexpr char16_t kEsc = 27;
constexpr char16_t kCtrlC = 3;
constexpr char16_t kCtrlV = 22;

bool IsDecimalKey(QChar key) { return key == u',' || key == u'.' || key == rtl::FormatSettings().DecimalSeparator; }

bool IsOperatorKey(QChar key) { return key == kEnter || QStringLiteral("%*+-/=").contains(key); }

// One key of a layout: kind, position and width (height is the layout's).
struct KeyPlace {
  TCalcBtnKind kind;
  int x, y, w;
};

// The compact popup keys: four columns of 21 pixels, "=" two columns wide.
const std::vector<KeyPlace> &PopupKeys() {
  static const std::vector<KeyPlace> keys = {
      {cbClr, 3, 3, 21},    {cbBck, 27, 3, 21},   {cbDiv, 51, 3, 21},  {cbMul, 75, 3, 21},   {cbNum7, 3, 27, 21},
      {cbNum8, 27, 27, 21}, {cbNum9, 51, 27, 21}, {cbSub, 75, 27, 21}, {cbNum4, 3, 51, 21},  {cbNum5, 27, 51, 21},
      {cbNum6, 51, 51, 21}, {cbAdd, 75, 51, 21},  {cbNum1, 3, 75, 21}, {cbNum2, 27, 75, 21}, {cbNum3, 51, 75, 21},
      {cbPcnt, 75, 75, 21}, {cbNum0, 3, 99, 21},  {cbDcm, 27, 99, 21}, {cbEql, 51, 99, 44},
  };
  return keys;
}

// The dialog keys: memory keys in the first column, the memory indicator
// above them, backspace and clear 44 pixels wide.
const std::vector<KeyPlace> &DialogKeys() {
  static const std::vector<KeyPlace> keys = {
      {cbBck, 146, 7, 44},   {cbClr, 192, 7, 44},   {cbMC, 6, 31, 36},     {cbNum7, 48, 31, 36},  {cbNum8, 86, 31, 36},
      {cbNum9, 124, 31, 36}, {cbDiv, 162, 31, 36},  {cbSqr, 200, 31, 36},  {cbMR, 6, 55, 36},     {cbNum4, 48, 55, 36},
      {cbNum5, 86, 55, 36},  {cbNum6, 124, 55, 36}, {cbMul, 162, 55, 36},  {cbPcnt, 200, 55, 36}, {cbMS, 6, 79, 36},
      {cbNum1, 48, 79, 36},  {cbNum2, 86, 79, 36},  {cbNum3, 124, 79, 36}, {cbSub, 162, 79, 36},  {cbRev, 200, 79, 36},
      {cbMP, 6, 103, 36},    {cbNum0, 48, 103, 36}, {cbSgn, 86, 103, 36},  {cbDcm, 124, 103, 36}, {cbAdd, 162, 103, 36},
      {cbEql, 200, 103, 36},
  };
  return keys;
}

QString KeyCaption(TCalcBtnKind kind) {
  if (kind >= cbNum0 && kind <= cbNum9) return QString::number(kind - cbNum0);
  switch (kind) {
    case cbSgn:
      return QStringLiteral("±");
    case cbDcm:
      return QString(rtl::FormatSettings().DecimalSeparator);
    case cbDiv:
      return QStringLiteral("/");
    case cbMul:
      return QStringLiteral("*");
    case cbSub:
      return QStringLiteral("-");
    case cbAdd:
      return QStringLiteral("+");
    case cbSqr:
      return QStringLiteral("sqrt");
    case cbPcnt:
      return QStringLiteral("%");
    case cbRev:
      return QStringLiteral("1/x");
    case cbEql:
      return QStringLiteral("=");
    case cbBck:
      return QStringLiteral("←");
    case cbClr:
      return QStringLiteral("C");
    case cbMP:
      return QStringLiteral("M+");
    case cbMS:
      return QStringLiteral("MS");
    case cbMR:
      return QStringLiteral("MR");
    case cbMC:
      return QStringLiteral("MC");
    case cbOk:
      return QStringLiteral("OK");
    case cbCancel:
      return QStringLiteral("Cancel");
    default:
      return QString();
  }
}

vcl::TColor KeyColor(TCalcBtnKind kind) {
  if (kind <= cbDcm) return vcl::clNavy;
  if (kind >= cbMP && kind <= cbMC) return vcl::clRed;
  return vcl::clMaroon;
}

// What a key's glyph shows in the dialog layout: its symbol where there is
// one, else its caption.
QString GlyphSymbol(TCalcBtnKind kind) {
  switch (kind) {
    case cbDiv:
      return QStringLiteral("÷");
    case cbMul:
      return QStringLiteral("×");
    case cbSub:
      return QStringLiteral("−");
    case cbSqr:
      return QStringLiteral("√x");
    case cbCancel:
      return QStringLiteral("Esc");
    default:
      return KeyCaption(kind);
  }
}

// The glyph height of the dialog layout's keys, and the narrowest glyph.
constexpr int kGlyphHeight = 15;
constexpr int kGlyphMinWidth = 8;
// The colour the glyph button leaves out (a glyph's bottom-left pixel).
constexpr vcl::TColor kGlyphBackground = vcl::clOlive;

}  // namespace

std::unique_ptr<vcl::TBitmap> CalcKeyGlyph(TCalcBtnKind kind) {
  auto glyph = std::make_unique<vcl::TBitmap>();
  glyph->SetPixelFormat(vcl::pf24bit);
  vcl::TCanvas *c = glyph->Canvas();
  c->Font()->SetStyle({vcl::fsBold});
  c->Font()->SetColor(KeyColor(kind));
  const QString symbol = GlyphSymbol(kind);
  // Never a whole multiple of the height: the button would take the strip
  // for several glyphs.
  int width = std::max(kGlyphMinWidth, c->TextWidth(symbol) + 2);
  if (width % kGlyphHeight == 0) ++width;
  glyph->SetSize(width, kGlyphHeight);
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(kGlyphBackground);
  c->FillRect(vcl::Rect(0, 0, width, kGlyphHeight));
  c->Brush()->SetStyle(vcl::bsClear);
  c->TextOut((width - c->TextWidth(symbol)) / 2, (kGlyphHeight - c->TextHeight(symbol)) / 2, symbol);
  return glyph;
}

namespace {}  // namespace

// --- TCalcEngine -----------------------------------------------------------------------------

double TCalcEngine::DisplayValue() const {
  if (status_ == csError) return 0;
  double value = 0;
  return rtl::TryStrToFloat(text_, value) ? value : 0;
}

void TCalcEngine::SetText(const QString &text) {
  if (text == text_) return;
  text_ = text;
  if (OnDisplayChange) OnDisplayChange();
}

void TCalcEngine::SetDisplayValue(double value) {
  // An overflow would otherwise show a text that no longer reads as a number.
  if (!std::isfinite(value)) {
    Error();
    return;
  }
  SetText(rtl::FloatToStrF(value, rtl::ffGeneral, std::max(2, precision_), 0));
}

void TCalcEngine::Error() {
  status_ = csError;
  SetText(QStringLiteral("Error"));
  if (OnBeep) OnBeep();
  if (OnError) OnError();
}

void TCalcEngine::Clear() {
  status_ = csResult;
  SetDisplayValue(0);
  operator_ = u'=';
}

void TCalcEngine::StartEntering() {
  if (status_ != csResult) return;
  status_ = csEntering;
  SetText(QStringLiteral("0"));
}

void TCalcEngine::ApplyOperator(QChar key) {
  if (status_ == csEntering) {
    status_ = csResult;
    double x = DisplayValue();
    if (key == u'%') {
      if (operator_ == u'*' || operator_ == u'/') x /= 100;
      if (operator_ == u'+' || operator_ == u'-') x = operand_ * x / 100;
    }
    switch (operator_.unicode()) {
      case u'+':
        SetDisplayValue(operand_ + x);
        break;
      case u'-':
        SetDisplayValue(operand_ - x);
        break;
      case u'*':
        SetDisplayValue(operand_ * x);
        break;
      case u'/':
        if (x == 0)
          Error();
        else
          SetDisplayValue(operand_ / x);
        break;
      default:
        break;
    }
  }
  operator_ = key;
  operand_ = DisplayValue();
  if ((key == kEnter || key == u'%' || key == u'=') && OnResult) OnResult();
}

void TCalcEngine::Key(QChar key) {
  key = key.toUpper();
  if (status_ == csError && key != u'C') return;
  const QChar dec = rtl::FormatSettings().DecimalSeparator;
  if (IsDecimalKey(key)) {
    StartEntering();
    if (!text_.contains(dec)) SetText(text_ + dec);
  } else if (key.isDigit() && key.unicode() < 128) {
    StartEntering();
    QString text = text_ == QStringLiteral("0") ? QString() : text_;
    if (text.contains(u'E')) return;
    const int limit = std::max(2, precision_) + (text.contains(u'-') ? 1 : 0);
    if (text.size() < limit)
      text += key;
    else if (OnBeep)
      OnBeep();
    SetText(text.isEmpty() ? QStringLiteral("0") : text);
  } else if (key == kCalcBackspace) {
    StartEntering();
    if (text_.size() == 1 || (text_.size() == 2 && text_.startsWith(u'-')))
      SetText(QStringLiteral("0"));
    else
      SetText(text_.left(text_.size() - 1));
  } else if (key == u'_') {
    SetDisplayValue(-DisplayValue());
  } else if (IsOperatorKey(key)) {
    ApplyOperator(key);
  } else if (key == u'Q' || key == u'R') {
    if (status_ == csError) return;
    status_ = csResult;
    const double x = DisplayValue();
    if (key == u'Q') {
      if (x < 0)
        Error();
      else
        SetDisplayValue(std::sqrt(x));
    } else {
      if (x == 0)
        Error();
      else
        SetDisplayValue(1.0 / x);
    }
  } else if (key == u'C' || key == kEsc) {
    Clear();
  }
}

void TCalcEngine::Paste(const QString &text) {
  QString s = text;
  const QString currency = rtl::FormatSettings().CurrencyString;
  if (!currency.isEmpty()) s.remove(currency);
  double value = 0;
  if (rtl::TryStrToFloat(s.trimmed(), value))
    SetDisplayValue(value);
  else
    SetText(QStringLiteral("0"));
}

void TCalcEngine::MemoryAdd() {
  if (status_ == csError) return;
  memory_ += DisplayValue();
  if (OnMemoryChange) OnMemoryChange();
}

void TCalcEngine::MemoryStore() {
  if (status_ == csError) return;
  memory_ = DisplayValue();
  if (OnMemoryChange) OnMemoryChange();
}

void TCalcEngine::MemoryRecall() {
  if (status_ == csError) return;
  StartEntering();
  SetDisplayValue(memory_);
  if (OnMemoryChange) OnMemoryChange();
}

void TCalcEngine::MemoryClear() {
  if (status_ == csError) return;
  memory_ = 0;
  if (OnMemoryChange) OnMemoryChange();
}

// --- TCalcButton ---------------------------------------------------------------------------------

TCalcButton::TCalcButton(vcl::TComponent *owner, TCalcBtnKind kind) : TMwSpeedButton(owner), kind_(kind) {
  SetTag(kind >= cbNum0 && kind <= cbClr ? kind - cbNum0 : -1);
  SetStyle(bsNew);
  SetCaption(KeyCaption(kind));
  Font()->SetStyle({vcl::fsBold});
  Font()->SetColor(KeyColor(kind));
}

// --- TCalculatorPanel ----------------------------------------------------------------------------

TCalculatorPanel::TCalculatorPanel(vcl::TComponent *owner, TCalcPanelLayout layout)
    : vcl::TCustomPanel(owner), layout_(layout) {
  SetBevelOuter(vcl::bvNone);
  SetCaption(QString());
  if (layout_ == clPopup)
    SetBounds(0, 0, 98, 124);
  else
    SetBounds(0, 0, 240, 129);
  engine_.OnDisplayChange = [this] { DisplayChanged(); };
  engine_.OnResult = [this] {
    if (OnResult) OnResult(this);
  };
  engine_.OnError = [this] {
    if (OnError) OnError(this);
  };
  engine_.OnBeep = [this] { Beep(); };
  engine_.OnMemoryChange = [this] {
    if (memory_label_ != nullptr) memory_label_->SetCaption(engine_.Memory() != 0 ? QStringLiteral("M") : QString());
  };
  CreateButtons();
}

void TCalculatorPanel::CreateButtons() {
  if (layout_ == clDialog) {
    auto *indicator = new vcl::TPanel(this);
    indicator->SetParent(this);
    indicator->SetBounds(6, 7, 34, 20);
    indicator->SetBevelOuter(vcl::bvLowered);
    indicator->SetCaption(QString());
    memory_label_ = new vcl::TLabel(this);
    memory_label_->SetParent(indicator);
    memory_label_->SetAlign(vcl::alClient);
    memory_label_->SetAlignment(vcl::taCenter);
    memory_label_->SetCaption(QString());
  }
  const int height = layout_ == clPopup ? 21 : 22;
  for (const KeyPlace &place : layout_ == clPopup ? PopupKeys() : DialogKeys()) {
    auto *button = new TCalcButton(this, place.kind);
    button->SetParent(this);
    button->SetBounds(place.x, place.y, place.w, height);
    if (layout_ == clDialog && place.kind >= cbSgn) {
      // The dialog's operation keys show glyphs rather than captions.
      const std::unique_ptr<vcl::TBitmap> glyph = CalcKeyGlyph(place.kind);
      button->SetGlyph(glyph.get());
      button->SetNumGlyphs(1);
      button->SetCaption(QString());
    }
    const TCalcBtnKind kind = place.kind;
    button->OnClick = [this, kind](rtl::TObject *) { ButtonAction(kind); };
    buttons_.push_back(button);
  }
}

void TCalculatorPanel::Beep() {
  if (beep_on_error_) os::MessageBeep(0);
}

void TCalculatorPanel::DisplayChanged() {
  if (display_control_ != nullptr) display_control_->SetText(engine_.Text());
  if (OnDisplayChange) OnDisplayChange(this);
}

void TCalculatorPanel::SetDisplayControl(vcl::TControl *control) {
  if (display_control_ == control) return;
  if (display_control_ != nullptr) display_control_->RemoveFreeNotification(this);
  display_control_ = control;
  if (display_control_ != nullptr) {
    display_control_->FreeNotification(this);
    display_control_->SetText(engine_.Text());
  }
}

void TCalculatorPanel::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  vcl::TCustomPanel::Notification(component, operation);
  if (operation == vcl::opRemove && component == display_control_) display_control_ = nullptr;
}

void TCalculatorPanel::CalcKey(QChar key) {
  if (key == kCtrlC) {
    CopyToClipboard();
    return;
  }
  if (key == kCtrlV) {
    PasteFromClipboard();
    return;
  }
  key = key.toUpper();
  if (engine_.Status() == csError && key != u'C') return;
  if (OnCalcKey) OnCalcKey(this, key);
  if (key.isNull()) return;
  engine_.Key(key);
}

TCalcButton *TCalculatorPanel::FindButton(TCalcBtnKind kind) const {
  for (TCalcButton *b : buttons_)
    if (b->Kind() == kind) return b;
  return nullptr;
}

TCalcButton *TCalculatorPanel::ButtonForKey(QChar key) const {
  const qsizetype tag = kCalcKeyChars.indexOf(key.toUpper());
  if (tag < 0) return nullptr;
  for (TCalcButton *b : buttons_)
    if (b->Tag() == tag) return b;
  return nullptr;
}

void TCalculatorPanel::CalcKeyPress(QChar key) {
  if (IsDecimalKey(key))
    key = u'.';
  else if (key == kEnter)
    key = u'=';
  else if (key == kEsc)
    key = u'C';
  TCalcButton *button = ButtonForKey(key);
  if (button != nullptr && button->Visible() && button->Enabled())
    button->Click();
  else
    CalcKey(key);
}

void TCalculatorPanel::KeyPress(QChar &key) {
  vcl::TCustomPanel::KeyPress(key);
  if (key.isNull()) return;
  CalcKeyPress(key);
  key = QChar();
}

void TCalculatorPanel::ButtonAction(TCalcBtnKind kind) {
  if (kind >= cbNum0 && kind <= cbClr) {
    CalcKey(kCalcKeyChars.at(kind - cbNum0));
    return;
  }
  switch (kind) {
    case cbMP:
      engine_.MemoryAdd();
      break;
    case cbMS:
      engine_.MemoryStore();
      break;
    case cbMR:
      engine_.MemoryRecall();
      break;
    case cbMC:
      engine_.MemoryClear();
      break;
    case cbOk:
      if (engine_.Status() == csError) {
        Beep();
        return;
      }
      engine_.SetDisplayValue(engine_.DisplayValue());
      if (OnOk) OnOk(this);
      break;
    case cbCancel:
      if (OnCancel) OnCancel(this);
      break;
    default:
      break;
  }
}

void TCalculatorPanel::CopyToClipboard() { vcl::Clipboard().SetAsText(engine_.Text()); }

void TCalculatorPanel::PasteFromClipboard() { engine_.Paste(vcl::Clipboard().AsText()); }

// --- TPopupCalculator ----------------------------------------------------------------------------

TPopupCalculator::TPopupCalculator(TCustomComboEdit *edit) : TPopupWindow(edit) {
  SetBounds(0, 0, 104, 127);
  SetColor(vcl::clBtnFace);
  calculator_ = new TLocCalculator(this);
  calculator_->SetParent(this);
  calculator_->SetAlign(vcl::alClient);
  calculator_->SetBevelOuter(vcl::bvRaised);
  calculator_->SetParentColor(true);
  // The keys come from the edit, which keeps the focus; the panel takes
  // none, so its buttons still work with the mouse.
  calculator_->SetTabStop(false);
  calculator_->SetPrecision(15);
  calculator_->OnResult = [this](rtl::TObject *) {
    if (calculator_->Engine().Status() != csError) CloseUp(true);
  };
  calculator_->OnDisplayChange = [this](rtl::TObject *) {
    if (Edit() != nullptr) Edit()->Invalidate();
  };
}

rtl::Variant TPopupCalculator::GetValue() const {
  if (calculator_->Engine().Status() == csError) {
    if (calculator_->BeepOnError()) os::MessageBeep(0);
    return rtl::Variant(0.0);
  }
  return rtl::Variant(calculator_->DisplayValue());
}

void TPopupCalculator::SetValue(const rtl::Variant &value) {
  double v = 0;
  if (!value.IsEmpty() && !value.IsNull()) {
    try {
      v = value.AsDouble();
    } catch (const rtl::Exception &) {
      v = 0;
    }
  }
  TCalcEngine &engine = calculator_->Engine();
  engine.Clear();
  engine.SetDisplayValue(v);
}

void TPopupCalculator::PopupKeyPress(QChar &key) {
  calculator_->CalcKeyPress(key);
  key = QChar();
}

// --- TCalcEdit -----------------------------------------------------------------------------------

TCalcEdit::TCalcEdit(vcl::TComponent *owner) : TCustomNumEdit(owner) { SetPopup(new TPopupCalculator(this)); }

TPopupCalculator *TCalcEdit::Calculator() const { return static_cast<TPopupCalculator *>(Popup()); }

void TCalcEdit::AcceptValue(const rtl::Variant &value) {
  double v = 0;
  try {
    v = value.AsDouble();
  } catch (const rtl::Exception &) {
    return;
  }
  // The edit's range holds for a computed value as for a typed one.
  TCustomNumEdit::AcceptValue(rtl::Variant(CheckValue(v, false)));
}

}  // namespace ext
