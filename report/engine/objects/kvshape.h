// The shape object: an add-in report object that draws an ellipse, a
// rectangle, a rounded rectangle or one of the two diagonals with the
// object's frame pen and fill colour.
//
// The class registers itself in the add-in registry when this unit is linked
// into the program; `TkvShapeObject`, dropped on a form, is what makes sure it
// is. Templates store shapes as add-in views by class name, with the shape
// kind and the transparency after the common record.
#pragma once

#include <cstdint>

#include "platform/vcl/component.h"
#include "platform/vcl/forms.h"
#include "report/engine/model/kvclass.h"

namespace vcl {
class TButton;
class TCheckBox;
class TRadioGroup;
}  // namespace vcl

namespace report {

enum TkvShapeType : std::uint8_t {
  skEllipse = 0,
  skRectangle = 1,
  skRoundRect = 2,
  skDiagonalDown = 3,  // top left to bottom right
  skDiagonalUp = 4,    // bottom left to top right
};

class TkvShapeView : public TkvView {
  ORBISCA_CLASS(TkvShapeView, TkvView)

 public:
  explicit TkvShapeView(TkvReport *report);

  void DrawBackground() override;
  void Assign(const TkvView *source) override;
  void Draw(vcl::TCanvas *canvas) override;
  void LoadFromStream(rtl::TStream &stream) override;
  void SaveToStream(rtl::TStream &stream) override;

  std::uint8_t ShapeType = skEllipse;
  bool Transparent = true;  // false: the area is painted white first
};

// Links the shape unit into a program (and so registers the shape object).
class TkvShapeObject : public vcl::TComponent {
  ORBISCA_CLASS(TkvShapeObject, vcl::TComponent)

 public:
  explicit TkvShapeObject(vcl::TComponent *owner);
};

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

// Registers the shape object (done once when the unit starts; repeating it
// is harmless).
bool RegisterShapeObject();

}  // namespace report
