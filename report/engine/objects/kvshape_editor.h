// The shape object's editor, the registry's editor call for shapes.
#pragma once

#include "platform/vcl/forms.h"
#include "report/engine/objects/kvshape.h"

namespace vcl {
class TButton;
class TCheckBox;
class TRadioGroup;
}  // namespace vcl

namespace report {

// The shape editor: "Tipo di forma", a radio group of the five kinds and a
// "Trasparente" check box.
class TKvShapeEditor : public vcl::TForm {
  ORBISCA_CLASS(TKvShapeEditor, vcl::TForm)

 public:
  explicit TKvShapeEditor(vcl::TComponent *owner);
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

// The shape editor's decision on one object: shows the dialog "Tipo di
// forma" and writes the chosen kind and transparency back on OK.
bool EditShape(TkvView *view);

}  // namespace report
