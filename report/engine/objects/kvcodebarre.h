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
#include "report/engine/model/kvclass.h"
#include "report/engine/objects/kvbarcode.h"

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

// Registers the barcode object (done once when the unit starts; repeating
// it is harmless).
bool RegisterCodeBarreObject();

}  // namespace report
