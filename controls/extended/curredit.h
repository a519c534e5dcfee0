// Numeric and currency edits: an edit for one floating-point number that
// filters the keys typed into it, keeps the value inside a range, and shows
// the value in one format while it has the focus (the edit text) and in
// another while it has not (DisplayFormat, painted aligned).
//
// The value is the authority: the text is rewritten from it on every write
// and read back from the text on every read and on leaving the control.
// Separators follow the locale settings of the moment: a typed "," or "."
// becomes the locale's decimal separator, and a pasted "1.234,5" reads as
// 1234.5 where "." groups thousands.
#pragma once

#include "controls/extended/tooledit.h"

namespace ext {

// Blanks trimmed, thousands separators dropped, "." and "," read as the
// decimal separator when neither separator is that character; "" gives "0"
// and "-" gives "-0".
QString NormalizeNumberText(const QString &text);
// Every character a sign, digit, exponent letter or the decimal separator,
// and the text converts.
bool IsValidFloat(const QString &text, double &value);
// The currency format of the locale for positive and negative values
// (",0.00 €;-,0.00 €" with the Italian settings).
QString CurrencyDisplayFormat();

class TCustomNumEdit : public TCustomComboEdit {
  ORBISCA_CLASS(TCustomNumEdit, TCustomComboEdit)
 public:
  explicit TCustomNumEdit(vcl::TComponent *owner);
  ~TCustomNumEdit() override;

  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);
  // Reading re-parses the text (MinValue when it is not a number).
  double Value() const;
  void SetValue(double value);
  double MinValue() const { return min_value_; }
  void SetMinValue(double value);
  double MaxValue() const { return max_value_; }
  void SetMaxValue(double value);
  int DecimalPlaces() const { return decimal_places_; }
  void SetDecimalPlaces(int value);
  bool BeepOnError() const { return beep_on_error_; }
  void SetBeepOnError(bool value) { beep_on_error_ = value; }
  bool CheckOnExit() const { return check_on_exit_; }
  void SetCheckOnExit(bool value) { check_on_exit_ = value; }
  bool ZeroEmpty() const { return zero_empty_; }
  void SetZeroEmpty(bool value);
  bool FormatOnEditing() const { return format_on_editing_; }
  void SetFormatOnEditing(bool value);
  QString DisplayFormat() const;
  void SetDisplayFormat(const QString &value);
  bool IsDisplayFormatStored() const { return display_format_set_ && display_format_ != DefaultDisplayFormat(); }

  // Text write: normalised, converted (EConvertError on a malformed
  // number), clamped and stored as the value.
  void SetText(const QString &text);
  QString Text() const { return vcl::TCustomEdit::Text(); }
  void Clear() { SetText(QString()); }
  // The text shown while the control has no focus.
  QString ShownText() const;
  // The text while editing.
  QString EditText() const;
  // Pastes; a text that is no number is undone with a beep.
  void PasteFromClipboard();

  // The value clamped to the range; with `raise`, a value outside it raises
  // ERangeError ("Value must be between 1,00 and 10,00").
  double CheckValue(double value, bool raise) const;

 protected:
  virtual QString DefaultDisplayFormat() const { return QStringLiteral(",0.##"); }
  vcl::TBitmap *CreateDefaultBitmap(int &num_glyphs) override;
  bool PaintShownText() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void DoEnter() override;
  void DoExit() override;
  void Change() override;
  void CMEnabledChanged(vcl::TMessage &message) override;
  void CMFontChanged(vcl::TMessage &message) override;

  void DataChanged();       // rewrites the edit text from the value (change event fires)
  void ReformatEditText();  // the same with the formatting flag (no change event)
  void ReformatGrouped();   // digit grouping while typing
  double TextToValue(const QString &text) const;
  void RefuseKey();
  bool IsPopupKey(QChar key) const;

 private:
  vcl::TAlignment alignment_ = vcl::taRightJustify;
  bool num_focused_ = false;
  mutable double value_ = 0;
  double min_value_ = 0, max_value_ = 0;
  int decimal_places_ = 2;
  bool beep_on_error_ = true;
  bool check_on_exit_ = false;
  bool zero_empty_ = true;
  bool format_on_editing_ = false;
  bool formatting_ = false;
  bool paste_done_ = false;
  QString display_format_;
  bool display_format_set_ = false;
};

class TCurrencyEdit : public TCustomNumEdit {
  ORBISCA_CLASS(TCurrencyEdit, TCustomNumEdit)
 public:
  explicit TCurrencyEdit(vcl::TComponent *owner);

 protected:
  QString DefaultDisplayFormat() const override { return CurrencyDisplayFormat(); }
};

}  // namespace ext
