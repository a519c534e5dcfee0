// The edit with an input mask, in the platform's mask language (not Qt's):
//
//   L letter, l optional letter; A letter or digit, a optional; C any
//   character, c optional; 0 digit, 9 optional digit; # optional digit or
//   sign; ":" and "/" the locale's time and date separators; "_" a blank;
//   "\" takes the next character as it is; ">" upper case and "<" lower case
//   from there on ("<>" neither); "!" keeps blanks of optional characters
//   at the start instead of the end. Any other character is shown as it is.
//   After the mask, ";1" (the default) or ";0" says whether Text keeps the
//   literal characters, and a further ";x" gives the character that shows
//   an empty place (default "_").
//
// The widget shows EditText, with the blank character in empty places;
// Text gives the empty places as blanks ("  /  /    " for an untouched
// date), without literals when they are not kept. Typing fills the next
// place that takes the character and skips literals; a character a place
// does not take is refused. Leaving the edit with required places empty
// (unless every place is empty) shows "Invalid input value.  Use escape key
// to abandon changes" and keeps the focus; Esc puts back the text the edit
// had when it was entered.
#pragma once

#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

ORBISCA_EXCEPTION(EDBEditError, Exception)

// A parsed mask.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const QString &mask);
  bool Empty() const { return places_.empty(); }
  int Length() const { return static_cast<int>(places_.size()); }
  bool SaveLiterals() const { return save_literals_; }
  QChar Blank() const { return blank_; }
  bool IsLiteral(int pos) const;
  // Whether `c` may stand at `pos` (after the place's case change).
  bool Accepts(int pos, QChar c) const;
  QChar Convert(int pos, QChar c) const;
  // The first input place at or after `pos` (Length() when none) and the
  // last one before it (-1 when none).
  int NextInput(int pos) const;
  int PrevInput(int pos) const;
  // Text <-> EditText.
  QString EditFromText(const QString &text) const;
  QString TextFromEdit(const QString &edit_text) const;
  // The edit text with every place empty.
  QString EmptyEditText() const;
  // Required places all filled, or every place empty.
  bool IsComplete(const QString &edit_text) const;

 private:
  struct Place {
    bool literal = true;
    QChar ch;           // the literal, or the kind letter
    int case_mode = 0;  // 1 upper, 2 lower
  };
  std::vector<Place> places_;
  bool save_literals_ = true;
  QChar blank_ = QLatin1Char('_');
};

class TCustomMaskEdit : public TCustomEdit {
  ORBISCA_CLASS(TCustomMaskEdit, TCustomEdit)

 public:
  explicit TCustomMaskEdit(TComponent *owner);

  QString EditMask() const { return edit_mask_; }
  void SetEditMask(const QString &mask);
  bool IsMasked() const { return !mask_.Empty(); }
  // What the widget shows, blank characters in empty places.
  QString EditText() const;
  void SetEditText(const QString &text);
  // Raises EDBEditError when required places are empty.
  void ValidateEdit();
  // Puts back the text the edit had when it was entered.
  void Reset();

 protected:
  QString GetText() const override;
  void SetTextInWidget(const QString &text) override;
  void InitWidget() override;
  void KeyDown(int &key, TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  void PutEditText(const QString &text, int cursor);
  void ClearRange(QString &text, int from, int to) const;
  QString edit_mask_;
  TEditMask mask_;
  QString entered_text_;
};

class TMaskEdit : public TCustomMaskEdit {
  ORBISCA_CLASS(TMaskEdit, TCustomMaskEdit)
 public:
  using TCustomMaskEdit::TCustomMaskEdit;
};

inline const char *kMaskEditError = "Valore non valido. Premere Esc per annullare le modifiche";

}  // namespace vcl
