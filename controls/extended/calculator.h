// The popup calculator: a four-function calculator with memory that a
// numeric edit drops down to work a value out.
//
// `TCalcEngine` is the calculator itself, without a window: the display
// text, the entry state, the pending operator and its operand, the memory.
// Keys arrive as characters: digits, the decimal separator ("," and "."
// too), "+", "-", "*", "/", "=" or Enter, "%", "Q" (square root), "R"
// (reciprocal), "_" (change sign), backspace, "C" or Esc (clear).
//
// `TCalculatorPanel` lays the keys out as glyph buttons around an engine,
// in the compact popup layout or the larger dialog layout with memory keys;
// a key typed on the keyboard presses its button. `TPopupCalculator` is the
// drop-down window of a combo edit holding the compact panel, and
// `TCalcEdit` the numeric edit that drops it: Enter, "=" or "%" put the
// result into the edit, Esc leaves the edit as it was.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "controls/extended/curredit.h"
#include "controls/extended/mwctrls.h"
#include "platform/vcl/stdctrls.h"

namespace ext {

ORBISCA_ENUM(TCalcPanelLayout, clDialog, clPopup)

// 0 a result is shown, 1 a number is being typed, 2 error.
enum TCalcStatus { csResult = 0, csEntering = 1, csError = 2 };

// The key kinds of the calculator's buttons.
enum TCalcBtnKind {
  cbNone,
  cbNum0,
  cbNum1,
  cbNum2,
  cbNum3,
  cbNum4,
  cbNum5,
  cbNum6,
  cbNum7,
  cbNum8,
  cbNum9,
  cbSgn,
  cbDcm,
  cbDiv,
  cbMul,
  cbSub,
  cbAdd,
  cbSqr,
  cbPcnt,
  cbRev,
  cbEql,
  cbBck,
  cbClr,
  cbMP,
  cbMS,
  cbMR,
  cbMC,
  cbOk,
  cbCancel
};

// The characters of the kinds cbNum0..cbClr, in kind order: the button's
// tag is the position of its character here (backspace and "C" last).
extern const QString kCalcKeyChars;
inline constexpr char16_t kCalcBackspace = 8;

class TCalcEngine {
 public:
  TCalcEngine() = default;

  const QString &Text() const { return text_; }
  TCalcStatus Status() const { return status_; }
  QChar PendingOperator() const { return operator_; }
  double Operand() const { return operand_; }
  double Memory() const { return memory_; }
  int Precision() const { return precision_; }
  void SetPrecision(int digits) { precision_ = digits; }

  // The display as a number (0 for "Error" or anything unreadable).
  double DisplayValue() const;
  // Shows a value in the general format with the precision (at least two
  // digits); a value that is not finite is an error.
  void SetDisplayValue(double value);
  // Processes one key (see the file comment); a key the engine does not
  // know does nothing.
  void Key(QChar key);
  void Clear();
  void Error();
  // Shows a pasted text: the currency symbol removed, "0" when it is not a
  // number.
  void Paste(const QString &text);

  void MemoryAdd();
  void MemoryStore();
  void MemoryRecall();
  void MemoryClear();

  std::function<void()> OnDisplayChange;
  std::function<void()> OnResult;
  std::function<void()> OnError;
  std::function<void()> OnMemoryChange;
  // A refused key (a digit beyond the precision, an error).
  std::function<void()> OnBeep;

 private:
  void StartEntering();
  void SetText(const QString &text);
  void ApplyOperator(QChar key);

  QString text_ = QStringLiteral("0");
  TCalcStatus status_ = csResult;
  QChar operator_ = u'=';
  double operand_ = 0;
  double memory_ = 0;
  int precision_ = 15;
};

class TCalculatorPanel;

// A key of the calculator: knows its kind; its Tag is the position of its
// character in kCalcKeyChars (-1 for memory, OK and Cancel).
// The glyph a key shows in the dialog layout (kinds from the change of
// sign on): its symbol in bold in the key's colour, on the colour the glyph
// button leaves out.
std::unique_ptr<vcl::TBitmap> CalcKeyGlyph(TCalcBtnKind kind);

class TCalcButton : public TMwSpeedButton {
  ORBISCA_CLASS(TCalcButton, TMwSpeedButton)
 public:
  TCalcButton(vcl::TComponent *owner, TCalcBtnKind kind);
  TCalcBtnKind Kind() const { return kind_; }

 private:
  TCalcBtnKind kind_;
};

using TCalcKeyEvent = std::function<void(rtl::TObject *sender, QChar &key)>;

class TCalculatorPanel : public vcl::TCustomPanel {
  ORBISCA_CLASS(TCalculatorPanel, vcl::TCustomPanel)
 public:
  TCalculatorPanel(vcl::TComponent *owner, TCalcPanelLayout layout);

  TCalcPanelLayout Layout() const { return layout_; }
  TCalcEngine &Engine() { return engine_; }
  const TCalcEngine &Engine() const { return engine_; }
  QString DisplayText() const { return engine_.Text(); }
  double DisplayValue() const { return engine_.DisplayValue(); }
  void SetDisplayValue(double value) { engine_.SetDisplayValue(value); }
  int Precision() const { return engine_.Precision(); }
  void SetPrecision(int digits) { engine_.SetPrecision(digits); }
  bool BeepOnError() const { return beep_on_error_; }
  void SetBeepOnError(bool value) { beep_on_error_ = value; }
  // A control whose text follows the display.
  vcl::TControl *DisplayControl() const { return display_control_; }
  void SetDisplayControl(vcl::TControl *control);

  vcl::TNotifyEvent OnDisplayChange;
  vcl::TNotifyEvent OnResult;
  vcl::TNotifyEvent OnError;
  vcl::TNotifyEvent OnOk;
  vcl::TNotifyEvent OnCancel;
  // May change the key or drop it (set it to null).
  TCalcKeyEvent OnCalcKey;

  // One key through the filter event and the engine; Ctrl+C and Ctrl+V
  // (characters 3 and 22) copy and paste the display.
  void CalcKey(QChar key);
  // A key typed on the keyboard: presses its button when it has one.
  void CalcKeyPress(QChar key);
  // What a button does.
  void ButtonAction(TCalcBtnKind kind);
  TCalcButton *FindButton(TCalcBtnKind kind) const;
  // The button of a keyboard character (after the keyboard mapping).
  TCalcButton *ButtonForKey(QChar key) const;
  // The "M" shown while the memory holds a value (dialog layout only).
  vcl::TLabel *MemoryIndicator() const { return memory_label_; }

  void CopyToClipboard();
  void PasteFromClipboard();
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 protected:
  void KeyPress(QChar &key) override;

 private:
  void CreateButtons();
  void DisplayChanged();
  void Beep();

  TCalcPanelLayout layout_;
  TCalcEngine engine_;
  bool beep_on_error_ = true;
  vcl::TControl *display_control_ = nullptr;
  vcl::TLabel *memory_label_ = nullptr;
  std::vector<TCalcButton *> buttons_;
};

// The compact calculator of the popup.
class TLocCalculator : public TCalculatorPanel {
  ORBISCA_CLASS(TLocCalculator, TCalculatorPanel)
 public:
  explicit TLocCalculator(vcl::TComponent *owner) : TCalculatorPanel(owner, clPopup) {}
};

class TPopupCalculator : public TPopupWindow {
  ORBISCA_CLASS(TPopupCalculator, TPopupWindow)
 public:
  explicit TPopupCalculator(TCustomComboEdit *edit);

  TLocCalculator *Calculator() const { return calculator_; }
  // The display value; 0 (with a beep) in the error state.
  rtl::Variant GetValue() const override;
  // Shows the value (0 for null, empty or not a number) as a fresh result.
  void SetValue(const rtl::Variant &value) override;
  QString GetPopupText() const override { return calculator_->DisplayText(); }
  void PopupKeyPress(QChar &key) override;

 private:
  TLocCalculator *calculator_;
};

// A numeric edit whose button drops the calculator.
class TCalcEdit : public TCustomNumEdit {
  ORBISCA_CLASS(TCalcEdit, TCustomNumEdit)
 public:
  explicit TCalcEdit(vcl::TComponent *owner);
  TPopupCalculator *Calculator() const;

 protected:
  void AcceptValue(const rtl::Variant &value) override;
};

}  // namespace ext
