// The form styler: a caption bar of its own on its owner form, a colour
// gradient from black to the caption colour with the caption text, plain or
// in a 3D style, or painted by the owner's events.
//
// It rides the form's window procedure (qelwndproccomponent.h). Widgets
// here have no non-client area, so the bar is laid out by the classic
// caption geometry (qelsysinfo.h) moved to the top of the form's client
// area and painted over the form's own painting there. The messages that
// drive it are the non-client ones where they are sent (WM_NCPAINT,
// WM_NCACTIVATE) and the platform's own: each paint of the form repaints
// the bar, and the form's activation counts as the caption's.
#pragma once

#include <functional>
#include <memory>

#include "controls/styled/qelgraph.h"
#include "controls/styled/qelwndproccomponent.h"
#include "platform/vcl/controls.h"

namespace qel {

// Non-client messages the styler answers; the platform sends none of them
// itself.
inline constexpr unsigned WM_GETTEXTLENGTH = 0x000E;
inline constexpr unsigned WM_NCPAINT = 0x0085;
inline constexpr unsigned WM_NCACTIVATE = 0x0086;

ORBISCA_ENUM(TQELPaintMode, pcNone, pcControl, pcOwnerDraw)
ORBISCA_ENUM(TQELFormStyleOption, fsAdjustRect, fsUseDefaultFont, fsUseFontColor, fsInactiveGradient,
             fsDrawCaptionEvent, fsUseFormCaption, fsCheckSystemGradient)
using TQELFormStyleOptions = vcl::TEnumSet<TQELFormStyleOption>;

using TQELPaintEvent = std::function<void(rtl::TObject *sender, TCanvas *canvas, const TRect &rect)>;

class TQELFormStyler : public TQELWndProcComponent {
  ORBISCA_CLASS(TQELFormStyler, TQELWndProcComponent)

 public:
  // A second styler on a form being designed raises QELEOneInstError.
  explicit TQELFormStyler(vcl::TComponent *owner);
  ~TQELFormStyler() override;

  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment v);
  // 2..236; other values raise ERangeError and change nothing.
  int Colors() const { return colors_; }
  void SetColors(int v);
  vcl::TFont *Font() const { return font_.get(); }
  void SetFont(const vcl::TFont *v) { font_->Assign(v); }
  TQEL3DCaption *Font3D() const { return font3d_.get(); }
  void SetFont3D(const TQEL3DCaption *v) { font3d_->Assign(v); }
  TQELPaintMode PaintMode() const { return paint_mode_; }
  void SetPaintMode(TQELPaintMode v);
  TQELFormStyleOptions Options() const { return options_; }
  void SetOptions(TQELFormStyleOptions v);
  // The option bits as stored (fsAdjustRect = 1 ... fsCheckSystemGradient = 64).
  static unsigned OptionBits(TQELFormStyleOptions options);

  // Whether the system draws gradient captions itself (fixed at creation;
  // true on every platform this program runs on, settable for checks).
  bool SystemGradient() const { return system_gradient_; }
  void SetSystemGradient(bool v) { system_gradient_ = v; }
  // The caption text the styler keeps while it hides the form's own.
  QString Text() const { return text_; }
  bool ActiveCaption() const { return active_; }

  // Paints the caption bar now (when the rules allow); answers whether it
  // did. `full` also takes the icon area.
  bool PaintCaption(bool full);
  // The bar as last painted (empty before the first paint), its place in
  // the form's client area and the text rectangle in it.
  vcl::TBitmap *Bar() const { return bar_.get(); }
  TRect BarRect() const { return bar_rect_; }
  TRect TextRect() const { return text_rect_; }
  int PaintCount() const { return paint_count_; }

  bool Hook() override;
  bool Unhook() override;
  void WndProc(vcl::TMessage &message) override;
  void Loaded() override;

  TQELPaintEvent OnPaint;
  TQELPaintEvent OnCaptionPaint;

 private:
  vcl::TCustomForm *Form() const;
  bool Handles() const;
  // Asks for a new caption: a repaint of the bar, or of the system's.
  void RedrawCaption(bool full);
  void SubObjectChanged();
  bool Allowed() const;
  // Draws the bar into Bar; the geometry is moved to the client top.
  void Compose(bool full);
  void DrawOnForm();

  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  int colors_ = 32;
  std::unique_ptr<vcl::TFont> font_;
  std::unique_ptr<TQEL3DCaption> font3d_;
  TQELPaintMode paint_mode_ = pcControl;
  TQELFormStyleOptions options_{fsAdjustRect, fsUseDefaultFont, fsUseFormCaption, fsCheckSystemGradient};
  bool system_gradient_ = true;
  QString text_;
  bool painting_ = false, active_ = false, text_taken_ = false;
  std::unique_ptr<vcl::TBitmap> bar_;
  std::unique_ptr<vcl::TBitmap> icon_;
  TRect bar_rect_{}, text_rect_{};
  int paint_count_ = 0;
};

}  // namespace qel
