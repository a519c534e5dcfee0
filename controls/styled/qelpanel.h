// The styled panels: the bevel setting, the transparent panel base, the
// bevel panel, the simple panel and the back panel, which renders a picture
// of its image list as its background and offers it to transparent
// children (one shared bitmap they copy from, instead of each ancestor
// painting again).
#pragma once

#include <memory>

#include "controls/styled/qelcontrol.h"
#include "controls/styled/qelgraph.h"

namespace qel {

class TQELBevel : public TQELObject {
  ORBISCA_CLASS(TQELBevel, TQELObject)

 public:
  TQELBevel() { Recalculate(); }

  TQELBevelStyle StyleInner() const { return style_inner_; }
  void SetStyleInner(TQELBevelStyle v) { SetStyles(v, true); }
  TQELBevelStyle StyleOuter() const { return style_outer_; }
  void SetStyleOuter(TQELBevelStyle v) { SetStyles(v, false); }
  int WidthInner() const { return width_inner_; }
  void SetWidthInner(int v) { Set(width_inner_, v); }
  int WidthOuter() const { return width_outer_; }
  void SetWidthOuter(int v) { Set(width_outer_, v); }
  TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor v) { Set(border_color_, v); }
  TQELFrameSides BorderSides() const { return sides_; }
  void SetBorderSides(TQELFrameSides v) { Set(sides_, v); }
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int v) { Set(border_width_, v); }
  int BorderInnerWidth() const { return border_inner_width_; }
  void SetBorderInnerWidth(int v) { Set(border_inner_width_, v); }
  TQELEdgeStyle EdgeStyle() const { return edge_style_; }
  void SetEdgeStyle(TQELEdgeStyle v) { Set(edge_style_, v); }
  TColor LightColor() const { return light_; }
  void SetLightColor(TColor v) { Set(light_, v); }
  TQELBevelMode Mode() const { return mode_; }
  void SetMode(TQELBevelMode v);
  TColor ShadowColor() const { return shadow_; }
  void SetShadowColor(TColor v) { Set(shadow_, v); }
  TQELBorderStyle StandardStyle() const { return standard_; }
  void SetStandardStyle(TQELBorderStyle v);

  // Set by a panel whose window border can draw the bmWindows look.
  bool Supported() const { return supported_; }
  void SetSupported(bool v) {
    supported_ = v;
    Recalculate();
  }
  // Read and cleared by the owning panel.
  bool TakeWindowBorderChanged() {
    const bool c = window_border_changed_;
    window_border_changed_ = false;
    return c;
  }

  // Border thickness at the left and top, and at the right and bottom.
  int Extent() const { return extent_; }
  int RightBottomExtent() const { return extent_rb_; }
  TRect InnerRect(const TRect &rect) const;
  // Paints the bevel and answers the inner rectangle; nothing with no
  // extent. Transparent leaves the plain border rings unpainted.
  TRect Paint(TCanvas *canvas, const TRect &rect, bool transparent) const;

  QString GetDisplayText() const override;
  void Assign(const rtl::TPersistent *source) override;

 private:
  template <typename T>
  void Set(T &field, const T &value) {
    if (field == value) return;
    field = value;
    Recalculate();
    Change();
  }
  void SetStyles(TQELBevelStyle v, bool inner);
  void Recalculate();

  TQELBevelStyle style_inner_ = bvNone, style_outer_ = bvNone;
  int width_inner_ = 1, width_outer_ = 1;
  TColor border_color_ = vcl::clBtnFace;
  TQELFrameSides sides_{fsBottom, fsLeft, fsRight, fsTop};
  int border_width_ = 0, border_inner_width_ = 0;
  TQELEdgeStyle edge_style_ = etEtched;
  TColor light_ = vcl::clBtnHighlight, shadow_ = vcl::clBtnShadow;
  TQELBevelMode mode_ = bmCustom;
  TQELBorderStyle standard_ = lsSingleLowered;
  bool supported_ = false, window_border_changed_ = false;
  int extent_ = 0, extent_rb_ = 0;
};

class TQELCustomPanel : public TQELCustomControl {
  ORBISCA_CLASS(TQELCustomPanel, TQELCustomControl)

 public:
  explicit TQELCustomPanel(vcl::TComponent *owner);

  void SetTransparent(bool v) override;
  bool HasBackBitmap() const override;
  vcl::TBitmap *GetBackBitmap() const override;
  vcl::TPoint BackOrigin(const vcl::TPoint &p) const override;
  bool DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin) override;
};

class TQELCustomBevelPanel : public TQELCustomPanel {
  ORBISCA_CLASS(TQELCustomBevelPanel, TQELCustomPanel)

 public:
  explicit TQELCustomBevelPanel(vcl::TComponent *owner);

  TQELBevel *Bevel() const { return bevel_.get(); }
  // Copies the settings, then tells the panel's window.
  void SetBevel(const TQELBevel *bevel);
  bool Locked() const { return locked_; }
  void SetLocked(bool v) { locked_ = v; }

  bool ShowsDesignFrame() const override;
  void AdjustClientRect(TRect &rect) const override;

 protected:
  void SubObjectChanged(rtl::TObject *sender) override;
  void PaintFlatBorder(TCanvas *canvas) override;
  void PaintHotBorder(TCanvas *canvas) override;
  void Paint() override;

 private:
  std::unique_ptr<TQELBevel> bevel_;
  bool locked_ = false;
};

class TQELSimplePanel : public TQELCustomBevelPanel {
  ORBISCA_CLASS(TQELSimplePanel, TQELCustomBevelPanel)

 public:
  explicit TQELSimplePanel(vcl::TComponent *owner) : TQELCustomBevelPanel(owner) {}
};

class TQELCustomParentPanel : public TQELCustomBevelPanel {
  ORBISCA_CLASS(TQELCustomParentPanel, TQELCustomBevelPanel)

 public:
  explicit TQELCustomParentPanel(vcl::TComponent *owner);
  ~TQELCustomParentPanel() override;

  // The rendered background; nullptr without a usable image.
  vcl::TBitmap *Back() const { return back_.get(); }
  bool QuickDraw() const { return quick_draw_; }
  void SetQuickDraw(bool v) { quick_draw_ = v; }

  // Renders the image into Back when the panel outgrew it (or always with
  // `force`).
  virtual void UpdateBack(bool force);

  bool UsesBackground() const override { return back_ != nullptr || HasBackBitmap(); }
  bool HasBackBitmap() const override;
  vcl::TBitmap *GetBackBitmap() const override;
  vcl::TPoint BackOrigin(const vcl::TPoint &p) const override;
  bool DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin) override;
  void EraseBackground(TCanvas *canvas) override;
  bool ShowsDesignFrame() const override;
  void WndProc(vcl::TMessage &message) override;
  void Loaded() override;

 protected:
  void ImageListChanged(rtl::TObject *sender) override;
  void Paint() override;

 private:
  bool HasImage() const;
  std::unique_ptr<vcl::TBitmap> back_;
  bool quick_draw_ = false;
};

class TQELBackPanel : public TQELCustomParentPanel {
  ORBISCA_CLASS(TQELBackPanel, TQELCustomParentPanel)

 public:
  explicit TQELBackPanel(vcl::TComponent *owner) : TQELCustomParentPanel(owner) {}
};

}  // namespace qel
