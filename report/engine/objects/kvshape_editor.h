// The shape object's editor, the registry's editor call for shapes.
#pragma once

#include "report/engine/model/kvobjeditor.h"
#include "report/engine/objects/kvshape.h"

namespace vcl {
class TButton;
class TCheckBox;
class TRadioGroup;
}  // namespace vcl

namespace report {

// The shape editor: "Tipo di forma", a radio group of the five kinds and a
// "Trasparente" check box.
class TKvShapeEditor : public TkvObjEditorForm {
  ORBISCA_CLASS(TKvShapeEditor, TkvObjEditorForm)

 public:
  explicit TKvShapeEditor(vcl::TComponent *owner);
  // Shows the kind and transparency of a shape and writes the chosen ones
  // back on OK.
  bool ShowEditor(TkvView *view) override;
  vcl::TRadioGroup *Kinds() const { return kinds_; }
  vcl::TCheckBox *TransparentBox() const { return transparent_; }
  vcl::TButton *OkButton() const { return ok_; }
  vcl::TButton *CancelButton() const { return cancel_; }

 private:
  vcl::TRadioGroup *kinds_ = nullptr;
  vcl::TCheckBox *transparent_ = nullptr;
  vcl::TButton *ok_ = nullptr;
  vcl::TButton *cancel_ = nullptr;
};

// The registry's editor call for shapes: the dialog on one object.
bool EditShape(TkvView *view);

}  // namespace report
