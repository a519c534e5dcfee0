// The form styler: a caption bar of its own on its owner form, a colour
// gradient from black to the caption colour with the caption text, plain or
// in a 3D style, or painted by the owner's events.
//
// It rides the form's window procedure (qelwndproccomponent.h). While it is
// in charge of the caption (enabled, painting, and not leaving gradient
// captions to the system) the window loses the system's frame and the
// styler draws the whole frame itself: borders, the caption bar laid out by
// the classic caption geometry (qelsysinfo.h), the window's icon and the
// caption buttons; the form's client area lies inside (TCustomForm's frame
// of its own). Where the styler's bar is not wanted (an inactive form
// without fsInactiveGradient) it draws the system's plain bar instead. The
// frame works as the system's would: the caption moves the window, the
// borders of a sizeable one resize it (through the window system's own move
// and resize where it offers them, by following the mouse otherwise), a
// double click on the caption maximises or restores, and the buttons close,
// minimise, maximise and restore through WM_SYSCOMMAND.
//
// The messages that drive the painting are the non-client ones where they
// are sent (WM_NCPAINT, WM_NCACTIVATE) and the platform's own: each paint of
// the form repaints the frame, and the form's activation counts as the
// caption's.
#pragma once

#include <QPoint>
#include <functional>
#include <memory>

#include "controls/styled/qelgraph.h"
#include "controls/styled/qelsysinfo.h"
#include "controls/styled/qelwndproccomponent.h"
#include "platform/vcl/controls.h"

class QPainter;

namespace qel {

// Non-client messages the styler answers; the platform sends none of them
// itself.
inline constexpr unsigned WM_GETTEXTLENGTH = 0x000E;
inline constexpr unsigned WM_NCPAINT = 0x0085;
inline constexpr unsigned WM_NCACTIVATE = 0x0086;
// The system commands of the caption buttons (WM_SYSCOMMAND's WParam).
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_MAXIMIZE = 0xF030;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;
inline constexpr unsigned SC_CONTEXTHELP = 0xF180;

// What a point of a window with the styler's frame is.
enum TQELFrameHit {
  fhNowhere,
  fhClient,
  fhCaption,
  fhBorder,  // a border that does not size
  fhLeft,
  fhRight,
  fhTop,
  fhBottom,
  fhTopLeft,
  fhTopRight,
  fhBottomLeft,
  fhBottomRight,
  fhClose,
  fhMaximize,
  fhMinimize,
  fhHelp
};

ORBISCA_ENUM(TQELPaintMode, pcNone, pcControl, pcOwnerDraw)
ORBISCA_ENUM(TQELFormStyleOption, fsAdjustRect, fsUseDefaultFont, fsUseFontColor, fsInactiveGradient,
             fsDrawCaptionEvent, fsUseFormCaption, fsCheckSystemGradient)
using TQELFormStyleOptions = vcl::TEnumSet<TQELFormStyleOption>;

using TQELPaintEvent = std::function<void(rtl::TObject *sender, TCanvas *canvas, const TRect &rect)>;

class TQELFormStyler : public TQELWndProcComponent {
  ORBISCA_CLASS(TQELFormStyler, TQELWndProcComponent)

 public:
  // On a form being designed, an owner that is not a form or already holds
  // a styler raises QELEOneInstError.
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
  void SetSystemGradient(bool v);
  // The caption text the styler keeps while it hides the form's own.
  QString Text() const { return text_; }
  bool ActiveCaption() const { return active_; }

  // Paints the caption bar now (when the rules allow); answers whether it
  // did. `full` also takes the icon area.
  bool PaintCaption(bool full);
  // The bar as last painted (empty before the first paint), its place in
  // the window (the form's widget) and the text rectangle in the bar.
  vcl::TBitmap *Bar() const { return bar_.get(); }
  TRect BarRect() const { return bar_rect_; }
  TRect TextRect() const { return text_rect_; }
  int PaintCount() const { return paint_count_; }

  // Whether the styler draws the window's frame now (see above).
  bool OwnsFrame() const { return framed_; }
  // What the point (window coordinates) of a window with the styler's
  // frame is; fhNowhere without one.
  TQELFrameHit HitTest(const vcl::TPoint &point) const;
  // A caption button's place in the window; empty when it is not shown.
  TRect ButtonRect(TQELFrameHit button) const;
  // Whether a shown button acts (a minimise/maximise pair shows both even
  // when the form allows only one).
  bool ButtonEnabled(TQELFrameHit button) const;

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
  // The caption geometry in window coordinates: the window's own with the
  // styler's frame, else moved to the client area's top.
  TQELCaptionGeometry Layout() const;
  // Draws the bar into Bar.
  void Compose(bool full);
  // The system's plain bar (an inactive form's), into `bar`.
  void ComposeSystemBar(vcl::TBitmap *bar);
  void DrawOnForm();
  void DrawFrame(QPainter &p);
  void DrawButtons(QPainter &p);
  // Takes the window's frame, or gives it back to the system.
  bool TakesFrame() const;
  void UpdateFrame();
  // Mouse messages on the frame; true when the styler took the message.
  bool FrameMouse(vcl::TMessage &m);
  void SetPressed(TQELFrameHit button, bool inside);
  void SystemCommand(unsigned command);
  void EndDrag();

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
  std::unique_ptr<vcl::TBitmap> system_bar_;
  TRect bar_rect_{}, text_rect_{};
  int paint_count_ = 0;

  bool framed_ = false;
  bool tracking_was_ = false;  // the window's mouse tracking before the frame
  // A move or resize that follows the mouse (where the window system does
  // not do it), and the caption button held down.
  enum class Drag { None, Move, Resize } drag_ = Drag::None;
  TQELFrameHit drag_edge_ = fhNowhere;
  QPoint press_global_;
  TRect start_bounds_{};
  TQELFrameHit pressed_ = fhNowhere;
  bool pressed_inside_ = false;
};

}  // namespace qel
