// Small setting objects that describe how a styled surface is filled and
// altered: the fill of a shaped form or panel (brush, pattern bitmap,
// bitmap placed, stretched or tiled, gradient), the background effects
// every styled control owns (alpha blend, flips, grey, inversion,
// brightness), the shadow of a region, and the 24-bit pixel routines the
// effects are made of.
//
// The effect and alpha objects are kept neutral in this program: their
// setters store the neutral value, no effect is ever active, and a control
// copies its background unchanged. The pixel routines stay usable on their
// own.
#pragma once

#include <memory>

#include "controls/styled/qelclass.h"
#include "controls/styled/qelgraph.h"
#include "platform/vcl/graphics.h"

namespace qel {

class TQELCustomImageList;

using rtl::Exception;
ORBISCA_EXCEPTION(EQELWrongPixelFormat, Exception)

ORBISCA_ENUM(TQELFillStyle, sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient)
ORBISCA_ENUM(TQELTileMode, tmNone, tmCenter, tmStretch, tmTile)
ORBISCA_ENUM(TQELFillOption, foFillInner, foQuickDraw, foGrUseBitmap)
using TQELFillOptions = vcl::TEnumSet<TQELFillOption>;
ORBISCA_ENUM(TQELShadowStyle, hssNone, hssSolid, hssTracing)
using TQELShadowDepth = int;
using TQELBrightness = int;  // -255..255

// ---------------------------------------------------------------------------
// Fills

class TQELShapeFill : public TQELObject {
  ORBISCA_CLASS(TQELShapeFill, TQELObject)

 public:
  TQELShapeFill();
  ~TQELShapeFill() override;

  // Assigned by copy; changes notify.
  vcl::TBitmap *Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const vcl::TBitmap *bitmap);
  // The picture of the bitmap-list style (taken from an image list).
  vcl::TBitmap *ListBitmap() const { return list_bitmap_.get(); }
  TQELGradient *Gradient() const { return gradient_.get(); }
  void SetGradient(const TQELGradient *gradient) { gradient_->Assign(gradient); }
  TQELFillStyle Style() const { return style_; }
  void SetStyle(TQELFillStyle v) { SetField(style_, v); }
  TQELTileMode TileMode() const { return tile_mode_; }
  void SetTileMode(TQELTileMode v) { SetField(tile_mode_, v); }

  // Paints `rect` by the style; `color` is the inner-area and pen colour.
  // Answers whether it painted. The canvas's brush and pen come back as
  // they were.
  bool Paint(vcl::TCanvas *canvas, const TRect &rect, TColor color) const;

  void Assign(const rtl::TPersistent *source) override;

 protected:
  // What the fill object adds; a plain shape fill uses these defaults.
  TQELAlignment alignment_ = agTopLeft;
  int offset_x_ = 0;
  int offset_y_ = 0;
  TQELFillOptions options_{foFillInner, foGrUseBitmap};
  std::unique_ptr<vcl::TBrush> brush_;
  TQELFillStyle style_ = sfBrush;

 private:
  void FillInner(vcl::TCanvas *canvas, const TRect &rect, TColor color) const;
  std::unique_ptr<vcl::TBitmap> bitmap_;
  std::unique_ptr<vcl::TBitmap> list_bitmap_;
  std::unique_ptr<TQELGradient> gradient_;
  TQELTileMode tile_mode_ = tmTile;
};

class TQELFillObject : public TQELShapeFill {
  ORBISCA_CLASS(TQELFillObject, TQELShapeFill)

 public:
  TQELFillObject();

  // These three notify only where they matter: a bitmap style with tmNone.
  TQELAlignment Alignment() const { return alignment_; }
  void SetAlignment(TQELAlignment v);
  int OffsetX() const { return offset_x_; }
  void SetOffsetX(int v);
  int OffsetY() const { return offset_y_; }
  void SetOffsetY(int v);
  vcl::TBrush *Brush() const { return brush_.get(); }
  void SetBrush(const vcl::TBrush *brush) { brush_->Assign(brush); }
  TQELFillOptions Options() const { return options_; }
  void SetOptions(TQELFillOptions v);

  // "{Disabled}", "{Brush}", "{Bitmap}", "{BitmapList}" or "{Gradient}".
  QString GetDisplayText() const override;
  void Assign(const rtl::TPersistent *source) override;

 private:
  void SetPlacement(int &field, int value);
};

// ---------------------------------------------------------------------------
// Effects

class TQELAlphaObject : public TQELObject {
  ORBISCA_CLASS(TQELAlphaObject, TQELObject)

 public:
  TQELAlphaObject();
  ~TQELAlphaObject() override;

  TQELCustomImageList *ImageList() const { return image_list_; }
  void SetImageList(TQELCustomImageList *list);
  // Kept neutral: the setters store 0.
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int v);
  int ListIndex() const { return list_index_; }
  void SetListIndex(int v);
  float Strength() const { return strength_; }
  void SetStrength(float v);
  TQELFillObject *FillObject() const { return fill_.get(); }

  void Assign(const rtl::TPersistent *source) override;

 private:
  TQELCustomImageList *image_list_ = nullptr;
  int image_index_ = 0;
  int list_index_ = 0;
  float strength_ = 0;
  std::unique_ptr<TQELFillObject> fill_;
};

class TQELBitmapEffectObject : public TQELObject {
  ORBISCA_CLASS(TQELBitmapEffectObject, TQELObject)

 public:
  TQELBitmapEffectObject();
  ~TQELBitmapEffectObject() override;

  TQELAlphaObject *AlphaBlend() const { return alpha_.get(); }
  // Kept neutral: every setter stores False or 0.
  bool FlipVertical() const { return flip_vertical_; }
  void SetFlipVertical(bool v);
  bool FlipHorizontal() const { return flip_horizontal_; }
  void SetFlipHorizontal(bool v);
  bool GrayScale() const { return gray_scale_; }
  void SetGrayScale(bool v);
  bool Invert() const { return invert_; }
  void SetInvert(bool v);
  bool Buffered() const { return buffered_; }
  void SetBuffered(bool v);
  TQELBrightness Brightness() const { return brightness_; }
  void SetBrightness(TQELBrightness v);

  // Whether any effect would alter a background.
  bool IsActive() const;
  // The control was sized or moved: the kept result is stale.
  void InvalidateBuffer() { buffer_valid_ = false; }
  bool BufferValid() const { return buffer_valid_; }
  // Gives the background with the active effects applied; with none it is
  // copied unchanged.
  void Apply(const vcl::TBitmap *background, vcl::TBitmap *result);

  // The active effects ("alpha", "FV", "FH", "GS", "INV", "B") in braces,
  // or "{Disabled}".
  QString GetDisplayText() const override;
  void Assign(const rtl::TPersistent *source) override;

 private:
  std::unique_ptr<TQELAlphaObject> alpha_;
  bool flip_vertical_ = false;
  bool flip_horizontal_ = false;
  bool gray_scale_ = false;
  bool invert_ = false;
  bool buffered_ = false;
  TQELBrightness brightness_ = 0;
  bool buffer_valid_ = false;
  std::unique_ptr<vcl::TBitmap> buffer_;
};

class TQELShadow : public TQELObject {
  ORBISCA_CLASS(TQELShadow, TQELObject)

 public:
  TQELShadow() = default;

  TColor Color() const { return color_; }
  void SetColor(TColor v) { SetField(color_, v); }
  TQELShadowDepth Depth() const { return depth_; }
  void SetDepth(TQELShadowDepth v) { SetField(depth_, v); }
  TQELShadowStyle Style() const { return style_; }
  void SetStyle(TQELShadowStyle v) { SetField(style_, v); }

  void Assign(const rtl::TPersistent *source) override;

 private:
  TColor color_ = vcl::clBtnShadow;
  TQELShadowDepth depth_ = 6;
  TQELShadowStyle style_ = hssSolid;
};

// ---------------------------------------------------------------------------
// 24-bit pixel routines. Each wants pf24bit bitmaps and raises
// EQELWrongPixelFormat "Wrong PixelFormat in <role> bitmap!" otherwise
// (roles "Source 1", "Source 2", "Target").

void BmpFlipVertical(vcl::TBitmap *target);
void BmpFlipHorizontal(vcl::TBitmap *target);
void BmpInvert(vcl::TBitmap *target);
// grey = round(0.3 R) + round(0.59 G) + round(0.11 B) on all channels.
void BmpGrayScale(vcl::TBitmap *target);
// Adds `value` (-255..255) to each channel, clamped to 0..255.
void BmpBrightness(vcl::TBitmap *target, int value);
// Each channel becomes round((a - b) * strength) + b, over the area the
// three bitmaps share.
void BmpAlphaBlend(const vcl::TBitmap *source1, const vcl::TBitmap *source2, vcl::TBitmap *target, float strength);

}  // namespace qel
