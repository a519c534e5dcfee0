// The value-format dialog "Formatta variabile": the kind of value a memo
// bracket prints (text, number, date, time, boolean), its sub-format, and
// for numbers the decimals and the decimal separator, packed into the
// memo's format word (report/engine/model/kvformat.h); the sub-format
// "Personalizzato" takes the memo's own format text.
//
// TkvFormatModel is what the dialog does to the word, without a window;
// TFmtForm shows it. EditFormat runs the dialog for the memo pop-up and the
// text editor.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvFormatModel {
 public:
  // The highest number of decimals the word holds (8 bits).
  static constexpr int kMaxDecimals = 255;

  TkvFormatModel(std::int32_t format = 0, const QString &format_text = QString())
      : format_(format), format_text_(format_text) {}

  // "Testo", "Numero", "Data", "Orario", "Logico".
  static QStringList KindNames();
  // The sub-formats of a kind, in sub-format order ("1234,5", "1234,50"...);
  // empty for a kind the dialog does not know.
  static QStringList SubFormatNames(int kind);

  std::int32_t Format() const { return format_; }
  const QString &FormatText() const { return format_text_; }
  void SetFormatText(const QString &text) { format_text_ = text; }

  int Kind() const;
  int SubFormat() const;
  int Decimals() const;
  QChar Separator() const;

  // A new kind: sub-format 0 and no custom text.
  void SetKind(int kind);
  void SetSubFormat(int sub_format);
  // The decimals as typed: a whole number from 0 to 255 is written; any
  // other text leaves the word as it was and answers false.
  bool SetDecimalsText(const QString &text);
  // The first character typed, or "," when the box is empty.
  void SetSeparatorText(const QString &text);

  // The custom format text box shows for "Personalizzato"; the decimals
  // for numbers that take no custom text.
  bool CustomVisible() const;
  bool DecimalsVisible() const;

  // The decimals text refused (empty when it holds).
  static QString CheckDecimals(const QString &text);

 private:
  std::int32_t format_;
  QString format_text_;
};

class TFmtForm : public vcl::TForm {
  ORBISCA_CLASS(TFmtForm, vcl::TForm)

 public:
  explicit TFmtForm(vcl::TComponent *owner);

  void SetFormat(std::int32_t format) { model_ = TkvFormatModel(format, model_.FormatText()); }
  std::int32_t Format() const { return model_.Format(); }
  void SetFormatText(const QString &text);
  QString FormatText() const { return model_.FormatText(); }
  const TkvFormatModel &Model() const { return model_; }

  // Shows the model in the controls (on activation).
  void ShowModel();

  vcl::TGroupBox *GroupBox1 = nullptr;
  vcl::TListBox *KindList = nullptr;
  vcl::TListBox *SubFormatList = nullptr;
  vcl::TPanel *DecimalsPanel = nullptr;
  vcl::TEdit *DecimalsEdit = nullptr;
  vcl::TEdit *SeparatorEdit = nullptr;
  vcl::TPanel *CustomPanel = nullptr;
  vcl::TEdit *FormatEdit = nullptr;
  TOkCancel Buttons;

 protected:
  void DoShow() override;

 private:
  void KindChosen();
  void SubFormatChosen();
  void UpdatePanels();
  // OK closes only with a decimals text that holds.
  bool CheckOk();

  TkvFormatModel model_;
  bool showing_ = false;  // controls being filled from the model
};

// The dialog on a format word and its custom text; true (and both
// replaced) after OK.
bool EditFormat(std::int32_t &format, QString &format_text);

}  // namespace report
