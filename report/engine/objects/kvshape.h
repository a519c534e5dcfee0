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
#include "report/engine/model/kvclass.h"

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

// Registers the shape object (done once when the unit starts; repeating it
// is harmless).
bool RegisterShapeObject();

}  // namespace report
