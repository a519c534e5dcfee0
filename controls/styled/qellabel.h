// The styled library's windowless controls: the control line with mouse
// enter/exit and bounds-change events, the image-list reference, the
// transparent graphic control, the base label (caption, auto size,
// accelerator and focus control) and the glyph label, which draws an image
// of its image list beside its text, in a 3D text style, inside a bevel.
#pragma once

#include <functional>
#include <memory>

#include "controls/styled/qelcontrol.h"
#include "controls/styled/qelpanel.h"
#include "platform/vcl/controls.h"

namespace qel {

// Sent to a graphic control whose transparency changed.
inline constexpr unsigned QEL_TRANSPARENTCHANGED = 0xB0CD;
// Bits of the bounds-change event.
inline constexpr int bcSize = 1;
inline constexpr int bcPosition = 2;

using TQELBoundsChangeEvent = std::function<void(rtl::TObject *sender, int changes)>;

class TQELControl : public vcl::TGraphicControl {
  ORBISCA_CLASS(TQELControl, vcl::TGraphicControl)

 public:
  explicit TQELControl(vcl::TComponent *owner);
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(vcl::TMessage &message) override;

  TNotifyEvent OnMouseExit;
  TQELBoundsChangeEvent OnBoundsChange;

 protected:
  void PaintDesignFrame();
  void FillClient();
};

class TQELBaseControl : public TQELControl {
  ORBISCA_CLASS(TQELBaseControl, TQELControl)

 public:
  explicit TQELBaseControl(vcl::TComponent *owner);
  ~TQELBaseControl() override;

  TQELCustomImageList *ImageList() const { return image_.List(); }
  void SetImageList(TQELCustomImageList *list) { image_.SetList(list); }
  int ListIndex() const { return image_.ListIndex(); }
  void SetListIndex(int v) { image_.SetListIndex(v); }
  int ImageIndex() const { return image_.ImageIndex(); }
  void SetImageIndex(int v) { image_.SetImageIndex(v); }
  bool ImageExists() const { return image_.Exists(); }
  TQELBitmapEffectObject *BackgroundEffect() const { return effect_.get(); }
  // Whether a background picture of the parent shows through.
  virtual bool ShowsBackground() const { return false; }

  void WndProc(vcl::TMessage &message) override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;
  void Loaded() override;

 protected:
  virtual void ImageChanged() { Invalidate(); }

 private:
  TQELImageReference image_;
  std::unique_ptr<TQELBitmapEffectObject> effect_;
};

class TQELBaseGraphicControl : public TQELBaseControl {
  ORBISCA_CLASS(TQELBaseGraphicControl, TQELBaseControl)

 public:
  explicit TQELBaseGraphicControl(vcl::TComponent *owner);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool ShowsBackground() const override;
  // Transparent or designing controls let the parent paint first.
  void Repaint() override;
  void WndProc(vcl::TMessage &message) override;

 protected:
  void Paint() override;

 private:
  bool transparent_ = true;
};

class TQELBaseLabel : public TQELBaseGraphicControl {
  ORBISCA_CLASS(TQELBaseLabel, TQELBaseGraphicControl)

 public:
  explicit TQELBaseLabel(vcl::TComponent *owner);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool ShowAccelChar() const { return show_accel_; }
  void SetShowAccelChar(bool v);
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool v);
  vcl::TWinControl *FocusControl() const { return focus_control_; }
  void SetFocusControl(vcl::TWinControl *control);
  // Blinking: 700 ms shown, 700 ms hidden, on a timer of the library's
  // timer pool, released when switched off or when the label goes.
  bool Blinking() const { return blink_timer_ != 0; }
  void SetBlinking(bool v);
  // False in the hidden half of a blink.
  bool BlinkVisible() const { return blink_visible_; }
  ~TQELBaseLabel() override;

  void WndProc(vcl::TMessage &message) override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;
  void Loaded() override;

 protected:
  virtual void AdjustBounds() {}
  void RunAutoSize() {
    if (auto_size_ && !IsLoading()) AdjustBounds();
  }

 private:
  bool auto_size_ = true, show_accel_ = true, multi_line_ = false;
  vcl::TWinControl *focus_control_ = nullptr;
  unsigned short blink_timer_ = 0;
  bool blink_visible_ = true;
};

class TQELCustomGlyphLabel : public TQELBaseLabel {
  ORBISCA_CLASS(TQELCustomGlyphLabel, TQELBaseLabel)

 public:
  explicit TQELCustomGlyphLabel(vcl::TComponent *owner);
  ~TQELCustomGlyphLabel() override;

  TQEL3DCaption *Font3D() const { return font3d_.get(); }
  void SetFont3D(const TQEL3DCaption *v) { font3d_->Assign(v); }
  TQELBevel *Bevel() const { return bevel_.get(); }
  void SetBevel(const TQELBevel *v) { bevel_->Assign(v); }
  TQELGlyphTextLayout *Alignment() const { return layout_.get(); }
  void SetAlignment(const TQELGlyphTextLayout *v) { layout_->Assign(v); }

 protected:
  void AdjustBounds() override;
  void ImageChanged() override;
  void Paint() override;

 private:
  unsigned TextFormat() const;
  bool FetchImage(vcl::TBitmap *image) const;
  std::unique_ptr<TQEL3DCaption> font3d_;
  std::unique_ptr<TQELBevel> bevel_;
  std::unique_ptr<TQELGlyphTextLayout> layout_;
};

class TQELGlyphLabel : public TQELCustomGlyphLabel {
  ORBISCA_CLASS(TQELGlyphLabel, TQELCustomGlyphLabel)

 public:
  explicit TQELGlyphLabel(vcl::TComponent *owner);
};

}  // namespace qel
