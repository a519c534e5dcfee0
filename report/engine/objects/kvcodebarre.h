// The barcode object: an add-in report object that evaluates its expression
// when printing and draws the value as a barcode (through TBarcode, see
// kvbarcode.h) with its human-readable text in a strip below.
//
// The class registers itself in the add-in registry when this unit is linked
// into the program; `TkvCodeBarreObject`, dropped on a form, makes sure it
// is. Templates store the object as the common view record followed by a
// fixed block of 25 bytes with the barcode settings.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/vcl/component.h"
#include "platform/vcl/forms.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/objects/kvbarcode.h"

namespace vcl {
class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
}  // namespace vcl

namespace report {

class TkvCodeBarreView : public TkvView {
  ORBISCA_CLASS(TkvCodeBarreView, TkvView)

 public:
  explicit TkvCodeBarreView(TkvReport *report);

  void CalcDrawRect() override;
  void Assign(const TkvView *source) override;
  void Draw(vcl::TCanvas *canvas) override;
  void LoadFromStream(rtl::TStream &stream) override;
  void SaveToStream(rtl::TStream &stream) override;

  // Stored settings (the 25-byte block, in stream order).
  bool Checksum = true;
  bool ShowText = true;
  bool ShowCheckSumText = false;
  std::uint8_t Reserved = 0;
  std::uint8_t BarType = bcCodeEAN13;
  std::int16_t Zoom = 1;  // the module width in pixels
  double Ratio = 1.0;
  std::int32_t Spare1 = 0;
  std::int32_t Spare2 = 0;

  // Layout of the last CalcDrawRect/Draw.
  int TextHeight() const { return text_height_; }
  const vcl::TRect &BarcodeRect() const { return barcode_rect_; }
  std::uint16_t BarcodeWidth() const { return barcode_width_; }
  // The human-readable text of the last drawing.
  const QString &DrawnText() const { return drawn_text_; }

 private:
  void SetTextFont(vcl::TCanvas *canvas) const;
  void DrawText(vcl::TCanvas *canvas, const QString &text);

  int text_height_ = 0;
  vcl::TRect barcode_rect_;
  std::uint16_t barcode_width_ = 0;
  QString drawn_text_;
};

// Links the barcode unit into a program (and so registers the object).
class TkvCodeBarreObject : public vcl::TComponent {
  ORBISCA_CLASS(TkvCodeBarreObject, vcl::TComponent)

 public:
  explicit TkvCodeBarreObject(vcl::TComponent *owner);
};

// What the editor's "&Campo DB", "&Variabile" and "&Espressione" buttons
// open: each returns the text to insert ("[Field]", "[Variable]", an
// expression), empty when the user cancelled. The designer fills them;
// unset, the buttons insert nothing.
struct TCodeBarrePickers {
  std::function<QString()> PickField;
  std::function<QString()> PickVariable;
  std::function<QString()> EditExpression;
};
TCodeBarrePickers &CodeBarrePickers();

// The barcode editor "Codice a barre": the data text, the symbology, the
// scale (module width) and the check digit and text options.
class TCodeBarreForm : public vcl::TForm {
  ORBISCA_CLASS(TCodeBarreForm, vcl::TForm)

 public:
  explicit TCodeBarreForm(vcl::TComponent *owner);

  vcl::TEdit *TextEdit() const { return text_; }
  vcl::TComboBox *TypeBox() const { return type_; }
  vcl::TEdit *ScaleEdit() const { return scale_; }
  vcl::TCheckBox *ChecksumBox() const { return checksum_; }
  vcl::TCheckBox *ShowTextBox() const { return show_text_; }
  vcl::TCheckBox *ShowCheckSumBox() const { return show_checksum_; }
  vcl::TButton *FieldButton() const { return field_; }
  vcl::TButton *VariableButton() const { return variable_; }
  vcl::TButton *ExpressionButton() const { return expression_; }
  vcl::TButton *OkButton() const { return ok_; }
  vcl::TButton *CancelButton() const { return cancel_; }

  // Enables "Visualizza il codice di controllo" only while both other
  // options are checked.
  void UpdateOptions();

 private:
  // Puts the text into the text box through the clipboard, at the caret.
  void Insert(const QString &text);

  vcl::TEdit *text_ = nullptr;
  vcl::TComboBox *type_ = nullptr;
  vcl::TEdit *scale_ = nullptr;
  vcl::TGroupBox *options_ = nullptr;
  vcl::TCheckBox *checksum_ = nullptr;
  vcl::TCheckBox *show_text_ = nullptr;
  vcl::TCheckBox *show_checksum_ = nullptr;
  vcl::TButton *field_ = nullptr;
  vcl::TButton *variable_ = nullptr;
  vcl::TButton *expression_ = nullptr;
  vcl::TButton *ok_ = nullptr;
  vcl::TButton *cancel_ = nullptr;
};

// The editor on one barcode object; true when the object was changed. A
// scale that is not a whole number from 1 to 49 is refused with a message
// and leaves the object as it was.
bool EditCodeBarre(TkvView *view);

// Registers the barcode object (done once when the unit starts; repeating
// it is harmless).
bool RegisterCodeBarreObject();

}  // namespace report
