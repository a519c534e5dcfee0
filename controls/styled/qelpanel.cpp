// The bevel setting and the panels: extents, bevel painting, and the
// background the back panel renders and its transparent children copy.
#include "controls/styled/qelpanel.h"

#include "controls/styled/qelscrollbox.h"
#include "platform/vcl/forms.h"

namespace qel {

// ---------------------------------------------------------------------------
// Bevel

void TQELBevel::SetStyles(TQELBevelStyle v, bool inner) {
  TQELBevelStyle &mine = inner ? style_inner_ : style_outer_;
  TQELBevelStyle &other = inner ? style_outer_ : style_inner_;
  if (mine == v) return;
  const bool was_shadow = mine == bvShadow;
  mine = v;
  // The shadow look takes both styles: setting it on one sets the other,
  // leaving it on one clears the other.
  if (v == bvShadow)
    other = bvShadow;
  else if (was_shadow && other == bvShadow)
    other = bvNone;
  Recalculate();
  Change();
}

void TQELBevel::SetMode(TQELBevelMode v) {
  if (mode_ == v) return;
  if (supported_ && (v == bmWindows || mode_ == bmWindows)) window_border_changed_ = true;
  mode_ = v;
  Recalculate();
  Change();
}

void TQELBevel::SetStandardStyle(TQELBorderStyle v) {
  if (standard_ == v) return;
  standard_ = v;
  Recalculate();
  if (mode_ == bmStandard) Change();
}

void TQELBevel::Recalculate() {
  auto frame = [](TQELBevelStyle s) { return s == bvFrameLowered || s == bvFrameRaised ? 1 : 0; };
  const bool shadow = mode_ == bmCustom && style_outer_ == bvShadow;
  switch (mode_) {
    case bmCustom:
      if (shadow) {
        extent_ = width_inner_ + border_inner_width_;
      } else {
        extent_ = border_width_ + border_inner_width_;
        if (style_outer_ != bvNone) extent_ += width_outer_ + frame(style_outer_);
        if (style_inner_ != bvNone) extent_ += width_inner_ + frame(style_inner_);
      }
      break;
    case bmStandard:
      extent_ = qel::BorderWidth(standard_) + border_inner_width_;
      break;
    case bmEdge:
      extent_ = (sides_.Empty() ? 0 : 2) + border_inner_width_;
      break;
    case bmWindows:
      extent_ = supported_ ? 0 : border_inner_width_ + 2;
      break;
  }
  extent_rb_ = shadow ? width_inner_ + width_outer_ + border_inner_width_ : extent_;
}

TRect TQELBevel::InnerRect(const TRect &rect) const {
  return TRect{rect.Left + extent_, rect.Top + extent_, rect.Right - extent_rb_, rect.Bottom - extent_rb_};
}

TRect TQELBevel::Paint(TCanvas *canvas, const TRect &rect, bool transparent) const {
  TRect r = rect;
  if (extent_ == 0) return r;
  // The canvas's brush comes back as it was, as with every drawing routine.
  struct BrushBack {
    vcl::TBrush *brush;
    TColor color;
    vcl::TBrushStyle style;
    ~BrushBack() {
      brush->SetColor(color);
      brush->SetStyle(style);
    }
  } brush_back{canvas->Brush(), canvas->Brush()->Color(), canvas->Brush()->Style()};
  auto rings = [&](int count) {
    for (int i = 0; i < count; ++i) {
      if (!transparent) {
        canvas->Brush()->SetStyle(vcl::bsSolid);
        canvas->Brush()->SetColor(border_color_);
        canvas->FrameRect(r);
      }
      vcl::InflateRect(r, -1, -1);
    }
  };
  switch (mode_) {
    case bmCustom:
      if (style_outer_ == bvShadow) {
        DrawShadowFrame(canvas, r, light_, false, width_inner_, width_outer_, border_color_, shadow_);
        r = TRect{rect.Left + width_inner_, rect.Top + width_inner_, rect.Right - width_inner_ - width_outer_,
                  rect.Bottom - width_inner_ - width_outer_};
      } else {
        DrawBevel(canvas, r, style_outer_, width_outer_, shadow_, light_);
        rings(border_width_);
        DrawBevel(canvas, r, style_inner_, width_inner_, shadow_, light_);
      }
      break;
    case bmStandard:
      DrawBorder(canvas, r, standard_);
      break;
    case bmEdge:
      if (!sides_.Empty()) {
        static const unsigned edges[] = {vcl::BDR_RAISEDINNER, vcl::BDR_RAISEDOUTER, vcl::BDR_SUNKENINNER,
                                         vcl::BDR_SUNKENOUTER, vcl::EDGE_BUMP,       vcl::EDGE_ETCHED,
                                         vcl::EDGE_RAISED,     vcl::EDGE_SUNKEN};
        unsigned flags = 0;
        if (sides_.Contains(fsBottom)) flags |= vcl::BF_BOTTOM;
        if (sides_.Contains(fsLeft)) flags |= vcl::BF_LEFT;
        if (sides_.Contains(fsRight)) flags |= vcl::BF_RIGHT;
        if (sides_.Contains(fsTop)) flags |= vcl::BF_TOP;
        TRect e = r;
        vcl::DrawEdge(canvas, e, edges[edge_style_], flags);
        vcl::InflateRect(r, -2, -2);
      }
      break;
    case bmWindows:
      DrawBorder(canvas, r, lsLoweredExt);
      break;
  }
  rings(border_inner_width_);
  return r;
}

QString TQELBevel::GetDisplayText() const {
  static const char *names[] = {"Custom style", "Standard style", "Etged style", "Windows style"};
  return QStringLiteral("{%1}").arg(QLatin1String(names[mode_]));
}

void TQELBevel::Assign(const rtl::TPersistent *source) {
  const auto *s = dynamic_cast<const TQELBevel *>(source);
  if (s == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  if (supported_ && (s->mode_ == bmWindows) != (mode_ == bmWindows)) window_border_changed_ = true;
  style_inner_ = s->style_inner_;
  style_outer_ = s->style_outer_;
  width_inner_ = s->width_inner_;
  width_outer_ = s->width_outer_;
  border_color_ = s->border_color_;
  sides_ = s->sides_;
  border_width_ = s->border_width_;
  border_inner_width_ = s->border_inner_width_;
  edge_style_ = s->edge_style_;
  light_ = s->light_;
  shadow_ = s->shadow_;
  mode_ = s->mode_;
  standard_ = s->standard_;
  Recalculate();
  Change();
}

// ---------------------------------------------------------------------------
// Panel

TQELCustomPanel::TQELCustomPanel(vcl::TComponent *owner) : TQELCustomControl(owner) {
  SetControlStyle({vcl::csAcceptsControls, vcl::csCaptureMouse, vcl::csClickEvents, vcl::csOpaque, vcl::csDoubleClicks,
                   vcl::csReplicatable});
  SetColor(vcl::clBtnFace);
}

void TQELCustomPanel::SetTransparent(bool v) {
  if (v == Transparent()) return;
  SetOpaqueStyle(this, !v);
  TQELCustomControl::SetTransparent(v);
}

bool TQELCustomPanel::HasBackBitmap() const { return Transparent() && ParentOffersBackground(Parent()); }

vcl::TBitmap *TQELCustomPanel::GetBackBitmap() const { return HasBackBitmap() ? ParentBackBitmap(Parent()) : nullptr; }

vcl::TPoint TQELCustomPanel::BackOrigin(const vcl::TPoint &p) const {
  if (!HasBackBitmap()) return p;
  vcl::TPoint origin = ParentBackOrigin(Parent(), vcl::TPoint{Left(), Top()});
  origin.X += (Width() - ClientWidth()) / 2;
  origin.Y += (Height() - ClientHeight()) / 2;
  return vcl::TPoint{p.X + origin.X, p.Y + origin.Y};
}

bool TQELCustomPanel::DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin) {
  if (IsLoading() || IsDestroying()) return false;
  const vcl::TPoint o = BackOrigin(vcl::TPoint{0, 0});
  return CopyBackground(canvas, rect, GetBackBitmap(), vcl::TPoint{o.X + origin.X, o.Y + origin.Y});
}

// ---------------------------------------------------------------------------
// Bevel panel

TQELCustomBevelPanel::TQELCustomBevelPanel(vcl::TComponent *owner)
    : TQELCustomPanel(owner), bevel_(std::make_unique<TQELBevel>()) {
  bevel_->SetSupported(true);
  bevel_->OnChange = [this](rtl::TObject *sender) { SubObjectChanged(sender); };
}

void TQELCustomBevelPanel::SetBevel(const TQELBevel *bevel) {
  bevel_->Assign(bevel);
  Perform(QEL_BEVELCHANGED);
}

bool TQELCustomBevelPanel::ShowsDesignFrame() const { return bevel_->Extent() == 0 && bevel_->Mode() != bmWindows; }

void TQELCustomBevelPanel::AdjustClientRect(TRect &rect) const { rect = bevel_->InnerRect(rect); }

void TQELCustomBevelPanel::SubObjectChanged(rtl::TObject *sender) {
  if (sender == bevel_.get()) {
    bevel_->SetSupported(true);
    // Qt draws no window border of its own here: a change of the Windows
    // mode only changes what the bevel paints.
    bevel_->TakeWindowBorderChanged();
    AlignControls();
  }
  TQELCustomPanel::SubObjectChanged(sender);
}

void TQELCustomBevelPanel::PaintFlatBorder(TCanvas *canvas) {
  if (bevel_->Mode() == bmWindows) {
    TQELCustomPanel::PaintFlatBorder(canvas);
    return;
  }
  const TRect c = ClientRect();
  const int e = bevel_->Extent(), rb = bevel_->RightBottomExtent();
  const TRect strips[] = {{c.Left, c.Top, c.Right, c.Top + e},
                          {c.Left, c.Top, c.Left + e, c.Bottom},
                          {c.Left, c.Bottom - rb - 1, c.Right, c.Bottom},
                          {c.Right - rb, c.Top, c.Right, c.Bottom}};
  for (const TRect &s : strips) {
    if (UsesBackground() && DrawBackground(canvas, s, vcl::TPoint{0, 0})) continue;
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(s);
  }
}

void TQELCustomBevelPanel::PaintHotBorder(TCanvas *canvas) {
  if (bevel_->Mode() == bmWindows)
    TQELCustomPanel::PaintHotBorder(canvas);
  else
    bevel_->Paint(canvas, ClientRect(), Transparent());
}

void TQELCustomBevelPanel::Paint() {
  TCanvas *canvas = Canvas();
  EraseBackground(canvas);
  if (IsDesigning() && ShowsDesignFrame()) {
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(vcl::clBlack);
    canvas->DrawFocusRect(ClientRect());
  } else if (Focused() || !Flat() || IsDesigning() || MouseAbove()) {
    bevel_->Paint(canvas, ClientRect(), Transparent());
  } else {
    PaintFlatBorder(canvas);
  }
  if (OnPaint) OnPaint(this);
}

// ---------------------------------------------------------------------------
// Parent panel

TQELCustomParentPanel::TQELCustomParentPanel(vcl::TComponent *owner) : TQELCustomBevelPanel(owner) {}

TQELCustomParentPanel::~TQELCustomParentPanel() = default;

bool TQELCustomParentPanel::HasImage() const { return ImageExists(); }

void TQELCustomParentPanel::UpdateBack(bool force) {
  if (!HasImage() || Transparent()) {
    back_.reset();
    need_invalidate_ = true;
    return;
  }
  if (back_ == nullptr) {
    back_ = std::make_unique<vcl::TBitmap>();
    force = true;
  }
  if (!force && ClientWidth() <= back_->Width() && ClientHeight() <= back_->Height()) return;
  back_->SetPixelFormat(vcl::pf24bit);
  back_->SetSize(Width(), Height());
  ImageList()->DrawFx(back_->Canvas(), TRect{0, 0, Width(), Height()}, ListIndex(), ImageIndex(),
                      imStretch | imPalette);
}

bool TQELCustomParentPanel::HasBackBitmap() const { return back_ != nullptr || TQELCustomBevelPanel::HasBackBitmap(); }

vcl::TBitmap *TQELCustomParentPanel::GetBackBitmap() const {
  return back_ != nullptr ? back_.get() : TQELCustomBevelPanel::GetBackBitmap();
}

vcl::TPoint TQELCustomParentPanel::BackOrigin(const vcl::TPoint &p) const {
  return back_ != nullptr ? p : TQELCustomBevelPanel::BackOrigin(p);
}

bool TQELCustomParentPanel::DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin) {
  if (back_ == nullptr) return TQELCustomBevelPanel::DrawBackground(canvas, rect, origin);
  if (IsLoading() || IsDestroying()) return false;
  return CopyBackground(canvas, rect, back_.get(), origin);
}

void TQELCustomParentPanel::EraseBackground(TCanvas *canvas) {
  if (UsesBackground() && DrawBackground(canvas, ClientRect(), vcl::TPoint{0, 0})) return;
  TQELCustomControl::EraseBackground(canvas);
}

bool TQELCustomParentPanel::ShowsDesignFrame() const { return TQELCustomBevelPanel::ShowsDesignFrame() && !HasImage(); }

void TQELCustomParentPanel::WndProc(vcl::TMessage &message) {
  if (message.Msg == vcl::WM_SIZE) UpdateBack(false);
  TQELCustomBevelPanel::WndProc(message);
}

void TQELCustomParentPanel::Loaded() {
  TQELCustomBevelPanel::Loaded();
  if (IsDesigning()) UpdateBack(true);
}

void TQELCustomParentPanel::ImageListChanged(rtl::TObject *sender) {
  UpdateBack(true);
  SubObjectChanged(sender);
  NotifyChildrenBackground();
}

void TQELCustomParentPanel::Paint() {
  TCanvas *canvas = Canvas();
  EraseBackground(canvas);
  if (IsDesigning() && ShowsDesignFrame()) {
    canvas->Brush()->SetColor(vcl::clBlack);
    canvas->DrawFocusRect(ClientRect());
  } else {
    Bevel()->Paint(canvas, ClientRect(), true);
  }
  if (OnPaint) OnPaint(this);
}

}  // namespace qel
