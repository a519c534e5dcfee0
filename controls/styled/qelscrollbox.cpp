// The styled scroll box and the parent side of the background protocol.
#include "controls/styled/qelscrollbox.h"

#include <QPainter>

#include "controls/styled/qelregion.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/forms.h"

namespace qel {

namespace {

TQELFormShape *FormShapeWithBackground(const vcl::TWinControl *parent) {
  auto *form = dynamic_cast<const vcl::TCustomForm *>(parent);
  if (form == nullptr) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto *shape = dynamic_cast<TQELFormShape *>(form->Components(i)))
      if (shape->HasBackBitmap()) return shape;
  return nullptr;
}

}  // namespace

bool ParentOffersBackground(const vcl::TWinControl *parent) {
  if (parent == nullptr) return false;
  // Qt makes widgets on demand: what a parent offers does not depend on
  // its window existing yet.
  if (auto *styled = dynamic_cast<const TQELCustomControl *>(parent)) return styled->HasBackBitmap();
  if (auto *box = dynamic_cast<const TQELCustomScrollBox *>(parent)) return box->ShowsBackground();
  return FormShapeWithBackground(parent) != nullptr;
}

vcl::TBitmap *ParentBackBitmap(const vcl::TWinControl *parent) {
  if (!ParentOffersBackground(parent)) return nullptr;
  if (auto *styled = dynamic_cast<const TQELCustomControl *>(parent)) return styled->GetBackBitmap();
  if (auto *box = dynamic_cast<const TQELCustomScrollBox *>(parent)) return box->BackgroundBitmap();
  if (TQELFormShape *shape = FormShapeWithBackground(parent)) {
    if (shape->UseRgnBitmap() && shape->Region()->Shape() == rsBitmap) return shape->Region()->Mask()->BorderBitmap();
    return shape->BackBitmap();
  }
  return nullptr;
}

vcl::TPoint ParentBackOrigin(const vcl::TWinControl *parent, const vcl::TPoint &pos) {
  if (auto *styled = dynamic_cast<const TQELCustomControl *>(parent)) return styled->BackOrigin(pos);
  if (auto *box = dynamic_cast<const TQELCustomScrollBox *>(parent)) return box->BackOrigin(pos);
  return pos;
}

// ---------------------------------------------------------------------------

TQELCustomScrollBox::TQELCustomScrollBox(vcl::TComponent *owner)
    : vcl::TScrollBox(owner), bevel_(std::make_unique<TQELScrollBoxBevel>()), canvas_(std::make_unique<TCanvas>()) {
  SetControlStyle(
      {vcl::csAcceptsControls, vcl::csCaptureMouse, vcl::csClickEvents, vcl::csDoubleClicks, vcl::csReplicatable});
  SetBounds(Left(), Top(), 185, 41);
  bevel_->OnChange = [this](rtl::TObject *) {
    bevel_->TakeWindowBorderChanged();
    AlignControls();
    Invalidate();
  };
}

TQELCustomScrollBox::~TQELCustomScrollBox() { bevel_->OnChange = nullptr; }

void TQELCustomScrollBox::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  Invalidate();
  NotifyChildren(QEL_BACKGROUNDCHANGED);
}

void TQELCustomScrollBox::SetCtl3D(bool v) {
  if (ctl3d_ == v) return;
  ctl3d_ = v;
  Invalidate();
}

int TQELCustomScrollBox::FrameExtent() const {
  // Qt draws no client edge: the Windows mode paints it here.
  if (bevel_->Mode() == bmWindows) return ctl3d_ ? 2 : 1;
  return bevel_->Extent();
}

int TQELCustomScrollBox::FrameRightBottomExtent() const {
  if (bevel_->Mode() == bmWindows) return ctl3d_ ? 2 : 1;
  return bevel_->RightBottomExtent();
}

void TQELCustomScrollBox::AdjustClientRect(TRect &rect) const {
  rect = TRect{rect.Left + FrameExtent(), rect.Top + FrameExtent(), rect.Right - FrameRightBottomExtent(),
               rect.Bottom - FrameRightBottomExtent()};
}

bool TQELCustomScrollBox::ShowsBackground() const { return transparent_ && ParentOffersBackground(Parent()); }

vcl::TBitmap *TQELCustomScrollBox::BackgroundBitmap() const {
  return ShowsBackground() ? ParentBackBitmap(Parent()) : nullptr;
}

vcl::TPoint TQELCustomScrollBox::BackOrigin(const vcl::TPoint &p) const {
  if (!ShowsBackground()) return p;
  const vcl::TPoint o = ParentBackOrigin(Parent(), vcl::TPoint{Left(), Top()});
  return vcl::TPoint{p.X + o.X, p.Y + o.Y};
}

bool TQELCustomScrollBox::DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin) {
  if (IsLoading() || IsDestroying()) return false;
  const vcl::TPoint o = BackOrigin(vcl::TPoint{0, 0});
  return CopyBackground(canvas, rect, BackgroundBitmap(), vcl::TPoint{o.X + origin.X, o.Y + origin.Y});
}

void TQELCustomScrollBox::PaintWidget(QPainter *painter, const QRect &) {
  canvas_->BeginPaint(painter);
  const TRect all{0, 0, Width(), Height()};
  if (!DrawBackground(canvas_.get(), all, vcl::TPoint{0, 0})) {
    canvas_->Brush()->SetStyle(vcl::bsSolid);
    canvas_->Brush()->SetColor(Color());
    canvas_->FillRect(all);
  }
  TRect frame = all;
  if (bevel_->Mode() == bmWindows) {
    if (ctl3d_) {
      vcl::DrawEdge(canvas_.get(), frame, vcl::EDGE_SUNKEN, vcl::BF_RECT);
    } else {
      canvas_->Brush()->SetColor(vcl::clWindowFrame);
      canvas_->FrameRect(frame);
    }
  } else {
    bevel_->Paint(canvas_.get(), frame, transparent_);
  }
  if (OnPaint) OnPaint(this);
  canvas_->EndPaint();
}

void TQELCustomScrollBox::NotifyChildren(unsigned message) {
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->Perform(message);
}

void TQELCustomScrollBox::Scrolled(bool end_of_scroll) {
  if (!ShowsBackground()) return;
  ++scroll_counter_;
  if (end_of_scroll || (redraw_scrolling_ && scroll_counter_ % scroll_step_ == 0)) {
    Invalidate();
    NotifyChildren(QEL_PARENTBACKGROUNDCHANGED);
  }
}

void TQELCustomScrollBox::WndProc(vcl::TMessage &message) {
  switch (message.Msg) {
    case vcl::WM_MOVE:
      vcl::TScrollBox::WndProc(message);
      if (ShowsBackground()) {
        Invalidate();
        NotifyChildren(QEL_BACKGROUNDCHANGED);
      }
      return;
    case QEL_BACKGROUNDCHANGED:
      if (IsLoading() || IsDestroying()) return;
      if (ShowsBackground()) {
        Invalidate();
        NotifyChildren(QEL_BACKGROUNDCHANGED);
      }
      return;
    case vcl::CM_COLORCHANGED:
    case vcl::CM_PARENTCOLORCHANGED:
      vcl::TScrollBox::WndProc(message);
      if (!transparent_ && !IsLoading()) Invalidate();
      return;
    default:
      vcl::TScrollBox::WndProc(message);
  }
}

}  // namespace qel
