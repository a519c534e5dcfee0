// The barcode object's editor "Codice a barre". Its "&Campo DB",
// "&Variabile" and "&Espressione" buttons open the designer's pickers
// through the engine's editor table (model/kvservices.h); without a
// designer they insert nothing.
#pragma once

#include "report/engine/model/kvobjeditor.h"
#include "report/engine/objects/kvcodebarre.h"

namespace vcl {
class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
}  // namespace vcl

namespace report {

// The barcode editor "Codice a barre": the data text, the symbology, the
// scale (module width) and the check digit and text options.
class TCodeBarreForm : public TkvObjEditorForm {
  ORBISCA_CLASS(TCodeBarreForm, TkvObjEditorForm)

 public:
  // `report` is the one the pickers list the variables and fields of (the
  // edited object's, once ShowEditor runs).
  explicit TCodeBarreForm(vcl::TComponent *owner, TkvReport *report = nullptr);
  // Shows a barcode object's settings and writes them back on OK. A scale
  // that is not a whole number from 1 to 49 is refused with a message and
  // leaves the object as it was.
  bool ShowEditor(TkvView *view) override;

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
  // Puts the text into the text box at the caret (over the selection); the
  // user's clipboard is left alone.
  void Insert(const QString &text);

  TkvReport *report_ = nullptr;

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

// The registry's editor call for barcodes: the dialog on one object; true
// when the object was changed.
bool EditCodeBarre(TkvView *view);

}  // namespace report
