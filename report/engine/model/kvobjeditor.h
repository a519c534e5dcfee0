// The base form of the add-in objects' editors (the shape and barcode
// dialogs): the registry opens an add-in's editor through it.
#pragma once

#include "platform/vcl/forms.h"

namespace report {

class TkvView;

class TkvObjEditorForm : public vcl::TForm {
  ORBISCA_CLASS(TkvObjEditorForm, vcl::TForm)

 public:
  explicit TkvObjEditorForm(vcl::TComponent *owner) : vcl::TForm(owner) {}
  // Shows the editor on one object and writes what the user confirmed back
  // into it; true when the object changed. The base edits nothing.
  virtual bool ShowEditor(TkvView * /*view*/) { return false; }
};

}  // namespace report
