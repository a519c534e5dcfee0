// The styled scroll box: the control library's scroll box with a bevel in
// place of the system border, taking part in the background protocol of
// the styled controls (qelcontrol.h), so transparent styled children
// inside it show an ancestor's background picture through it.
//
// Children are moved when the box scrolls, so their own move handling
// repaints their background; the box itself only has to tell them when
// its own background changed.
#pragma once

#include <memory>

#include "controls/styled/qelpanel.h"
#include "platform/vcl/extctrls.h"

namespace qel {

// The scroll box's bevel: created in the Windows mode, with its support
// flag set.
class TQELScrollBoxBevel : public TQELBevel {
  ORBISCA_CLASS(TQELScrollBoxBevel, TQELBevel)

 public:
  TQELScrollBoxBevel() {
    SetSupported(true);
    SetMode(bmWindows);
  }
};

class TQELCustomScrollBox : public vcl::TScrollBox {
  ORBISCA_CLASS(TQELCustomScrollBox, vcl::TScrollBox)

 public:
  explicit TQELCustomScrollBox(vcl::TComponent *owner);
  ~TQELCustomScrollBox() override;

  TQELBevel *Bevel() const { return bevel_.get(); }
  void SetBevel(const TQELBevel *bevel) { bevel_->Assign(bevel); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v);
  bool RedrawWhileScrolling() const { return redraw_scrolling_; }
  void SetRedrawWhileScrolling(bool v) { redraw_scrolling_ = v; }
  int ScrollStep() const { return scroll_step_; }
  void SetScrollStep(int v) { scroll_step_ = qMax(1, v); }
  vcl::TFormBorderStyle BorderStyle() const { return vcl::bsNone; }
  TQELAboutVar About() const { return QStringLiteral("Orbisca styled components"); }
  void SetAbout(const TQELAboutVar &) {}

  // The thickness of the frame at the left/top and right/bottom: the
  // bevel's, or the client edge the Windows mode stands for.
  int FrameExtent() const;
  int FrameRightBottomExtent() const;

  // --- background protocol ---
  bool ShowsBackground() const;
  vcl::TBitmap *BackgroundBitmap() const;
  // Maps a point of the box's client area into the background bitmap.
  vcl::TPoint BackOrigin(const vcl::TPoint &p) const;
  bool DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin);

  // Called after the background; not published.
  TNotifyEvent OnPaint;

  // Tells the box it scrolled (the scroll-bar positions changed): repaints
  // and notifies the children every step-count-th time, or at the end.
  void Scrolled(bool end_of_scroll);
  void AdjustClientRect(TRect &rect) const override;
  void WndProc(vcl::TMessage &message) override;

 protected:
  bool CustomPainted() const override { return true; }
  void PaintWidget(QPainter *painter, const QRect &area) override;

 private:
  void NotifyChildren(unsigned message);
  std::unique_ptr<TQELScrollBoxBevel> bevel_;
  std::unique_ptr<TCanvas> canvas_;
  bool transparent_ = false;
  bool ctl3d_ = true;
  bool redraw_scrolling_ = true;
  int scroll_step_ = 1;
  int scroll_counter_ = 0;
};

// What a parent offers to its transparent styled children: whether it has
// a background picture (a styled control, a styled scroll box, a form with
// a form shape), the picture, and where a child at `pos` lies in it.
bool ParentOffersBackground(const vcl::TWinControl *parent);
vcl::TBitmap *ParentBackBitmap(const vcl::TWinControl *parent);
vcl::TPoint ParentBackOrigin(const vcl::TWinControl *parent, const vcl::TPoint &pos);

}  // namespace qel
