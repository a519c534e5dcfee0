// The form styler (see qelformstyler.h).
#include "controls/styled/qelformstyler.h"

#include <QPainter>
#include <QWidget>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/forms.h"

namespace qel {

TQELFormStyler::TQELFormStyler(vcl::TComponent *owner)
    : TQELWndProcComponent(owner),
      font_(std::make_unique<vcl::TFont>()),
      font3d_(std::make_unique<TQEL3DCaption>()),
      bar_(std::make_unique<vcl::TBitmap>()) {
  if (owner != nullptr && owner->IsDesigning()) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
      vcl::TComponent *c = owner->Components(i);
      if (c != this && dynamic_cast<TQELFormStyler *>(c) != nullptr)
        throw QELEOneInstError(QStringLiteral("Only one %1 is allowed on a form").arg(ClassName()));
    }
  }
  font_->OnChange = [this](vcl::TGraphicsObject *) { SubObjectChanged(); };
  font3d_->OnChange = [this](rtl::TObject *) { SubObjectChanged(); };
  if (auto *form = Form()) active_ = form->Active();
  // Made in code the styler takes over at once; read from storage it waits
  // for Loaded.
  if (owner == nullptr || !owner->IsLoading()) TQELFormStyler::Hook();
}

TQELFormStyler::~TQELFormStyler() {
  font_->OnChange = nullptr;
  font3d_->OnChange = nullptr;
  TQELFormStyler::Unhook();
}

vcl::TCustomForm *TQELFormStyler::Form() const { return dynamic_cast<vcl::TCustomForm *>(Owner()); }

unsigned TQELFormStyler::OptionBits(TQELFormStyleOptions options) {
  unsigned bits = 0;
  for (int i = fsAdjustRect; i <= fsCheckSystemGradient; ++i)
    if (options.Contains(static_cast<TQELFormStyleOption>(i))) bits |= 1u << i;
  return bits;
}

void TQELFormStyler::Loaded() {
  TQELWndProcComponent::Loaded();
  if (Hooked()) PaintCaption(true);
}

bool TQELFormStyler::Hook() {
  const bool was = Hooked();
  if (!TQELWndProcComponent::Hook()) return false;
  if (was) return true;
  vcl::TCustomForm *form = Form();
  if (form != nullptr) {
    active_ = form->Active();
    if (!options_.Contains(fsUseFormCaption) && !text_taken_) {
      text_ = form->Caption();
      text_taken_ = true;
      form->SetCaption(QStringLiteral(" "));
    }
  }
  if (!IsLoading()) PaintCaption(true);
  return true;
}

bool TQELFormStyler::Unhook() {
  const bool was = Hooked();
  icon_.reset();
  vcl::TCustomForm *form = Form();
  const bool form_going = form == nullptr || form->IsDestroying();
  if (text_taken_) {
    text_taken_ = false;
    if (!form_going) form->SetCaption(text_);
  }
  const bool done = TQELWndProcComponent::Unhook();
  // The bar goes: the form paints its own top again.
  if (was && !form_going && !IsDestroying() && form->HandleAllocated()) form->Invalidate();
  bar_rect_ = TRect{};
  return done;
}

bool TQELFormStyler::Handles() const { return Enabled() && paint_mode_ != pcNone && !Destroying() && Hooked(); }

void TQELFormStyler::SetAlignment(vcl::TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  if (paint_mode_ != pcNone) PaintCaption(false);
}

void TQELFormStyler::SetColors(int v) {
  if (v == colors_) return;
  if (v < 2 || v > 236) throw rtl::ERangeError(QStringLiteral("Colors must lie between 2 and 236"));
  colors_ = v;
  if (paint_mode_ == pcControl) PaintCaption(false);
}

void TQELFormStyler::SetPaintMode(TQELPaintMode v) {
  if (v == paint_mode_) return;
  paint_mode_ = v;
  RedrawCaption(true);
}

void TQELFormStyler::SetOptions(TQELFormStyleOptions v) {
  if (v == options_) return;
  const bool had_form_caption = options_.Contains(fsUseFormCaption);
  options_ = v;
  vcl::TCustomForm *form = Form();
  if (Hooked() && form != nullptr && had_form_caption != v.Contains(fsUseFormCaption)) {
    if (!had_form_caption && text_taken_) {
      text_taken_ = false;
      form->SetCaption(text_);
    } else if (had_form_caption && !text_taken_) {
      text_ = form->Caption();
      text_taken_ = true;
      form->SetCaption(QStringLiteral(" "));
    }
  }
  RedrawCaption(true);
}

void TQELFormStyler::RedrawCaption(bool full) {
  if (paint_mode_ != pcNone) {
    PaintCaption(full);
    return;
  }
  vcl::TCustomForm *form = Form();
  if (!Hooked() || form == nullptr) return;
  form->Perform(WM_NCACTIVATE, 1);
  if (form->HandleAllocated()) form->Invalidate();
}

void TQELFormStyler::SubObjectChanged() {
  if (paint_mode_ != pcNone && !options_.Contains(fsUseDefaultFont)) PaintCaption(false);
}

bool TQELFormStyler::Allowed() const {
  vcl::TCustomForm *form = Form();
  if (IsDesigning() || !Enabled() || !Hooked() || paint_mode_ == pcNone || painting_) return false;
  if (form == nullptr || !form->HandleAllocated() || !form->Visible()) return false;
  if (form->WindowState() == vcl::wsMinimized && !NewStyleControls()) return false;
  if (options_.Contains(fsCheckSystemGradient) && system_gradient_ && ColorDepth() > 8) return false;
  return true;
}

bool TQELFormStyler::PaintCaption(bool full) {
  if (!Allowed()) return false;
  vcl::TCustomForm *form = Form();
  if (options_.Contains(fsUseFormCaption)) text_ = form->Caption();
  painting_ = true;
  try {
    Compose(full);
  } catch (...) {
    painting_ = false;
    throw;
  }
  painting_ = false;
  ++paint_count_;
  if (!bar_rect_.IsEmpty()) form->Handle()->update(vcl::ToQRect(bar_rect_));
  return true;
}

void TQELFormStyler::Compose(bool full) {
  vcl::TCustomForm *form = Form();
  // The classic geometry of a window as wide as the client area plus its
  // frames, moved so the bar starts at the client area's top-left.
  const TQELCaptionGeometry probe = CaptionGeometry(form);
  const int frame = probe.CaptionRect.Left;
  const vcl::TBorderIcons icons = form->BorderIcons();
  TQELCaptionGeometry g =
      CaptionGeometry(form->ClientWidth() + 2 * frame, form->BorderStyle(), icons.Contains(vcl::biSystemMenu),
                      icons.Contains(vcl::biMinimize), icons.Contains(vcl::biMaximize), icons.Contains(vcl::biHelp),
                      form->WindowState() == vcl::wsMinimized);
  if (g.CaptionRect.IsEmpty()) {
    bar_rect_ = text_rect_ = TRect{};
    return;
  }
  const int dx = g.CaptionRect.Left, dy = g.CaptionRect.Top;
  bar_rect_ = vcl::Rect(0, 0, g.CaptionRect.Width(), g.CaptionRect.Height());
  text_rect_ = vcl::Rect(g.TextRect.Left - dx, g.TextRect.Top - dy, g.TextRect.Right - dx, g.TextRect.Bottom - dy);
  const bool icon = (g.Flags & cgIcon) != 0;
  const bool small = form->BorderStyle() == vcl::bsToolWindow || form->BorderStyle() == vcl::bsSizeToolWin;

  bar_->SetPixelFormat(vcl::pf24bit);
  bar_->SetSize(bar_rect_.Width(), bar_rect_.Height());
  TCanvas *c = bar_->Canvas();
  // Under the bar lies what the form paints: its colour.
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(form->Color());
  c->FillRect(bar_rect_);

  const bool gradient = active_ || options_.Contains(fsInactiveGradient);
  if (paint_mode_ == pcControl) {
    const TRect icon_area = vcl::Rect(0, 0, text_rect_.Left, bar_rect_.Height());
    if (icon && (full || icon_ == nullptr) && !icon_area.IsEmpty()) {
      icon_ = std::make_unique<vcl::TBitmap>();
      icon_->SetPixelFormat(vcl::pf24bit);
      icon_->SetSize(icon_area.Width(), icon_area.Height());
      icon_->Canvas()->CopyRect(icon_area, c, icon_area);
    }
    if (gradient) {
      TQELColorList list;
      BuildGradientColors(vcl::clBlack, active_ ? vcl::clActiveCaption : vcl::clInactiveCaption, colors_, true, &list);
      FillGradient(c, bar_rect_, gstHorizontal, 0, 0, CreateGradientPalette(list), list);
      if (icon && icon_ != nullptr && NewStyleControls()) c->Draw(0, 0, icon_.get());
    }
  } else if (paint_mode_ == pcOwnerDraw && OnPaint) {
    TRect r = bar_rect_;
    if (options_.Contains(fsAdjustRect) && icon) r.Left = text_rect_.Left;
    QPainter *p = c->Painter();
    p->save();
    p->setClipRect(vcl::ToQRect(r));
    try {
      OnPaint(this, c, r);
    } catch (...) {
      p->restore();
      throw;
    }
    p->restore();
  }

  // The caption font and colour.
  c->Font()->Assign(font_.get());
  if (options_.Contains(fsUseDefaultFont)) {
    vcl::TFontStyles st = c->Font()->Style();
    st.Include(vcl::fsBold);
    c->Font()->SetStyle(st);
    if (small && c->Font()->Size() > 7) c->Font()->SetSize(c->Font()->Size() - 1);
  }
  c->Brush()->SetStyle(vcl::bsClear);
  TColor text_color;
  if (!active_)
    text_color = vcl::clInactiveCaptionText;
  else if (options_.Contains(fsUseDefaultFont) || !options_.Contains(fsUseFontColor))
    text_color = (vcl::ColorToRGB(vcl::clCaptionText) & 0xFFFFFF) == 0 ? vcl::clWhite : vcl::clCaptionText;
  else
    text_color = font_->Color();
  c->Font()->SetColor(text_color);

  if (options_.Contains(fsDrawCaptionEvent) || paint_mode_ == pcOwnerDraw) {
    if (OnCaptionPaint) {
      QPainter *p = c->Painter();
      p->save();
      p->setClipRect(vcl::ToQRect(text_rect_));
      try {
        OnCaptionPaint(this, c, text_rect_);
      } catch (...) {
        p->restore();
        throw;
      }
      p->restore();
    }
  } else if (!active_ && options_.Contains(fsUseFormCaption) && !options_.Contains(fsInactiveGradient)) {
    // The platform's own caption stands.
  } else {
    unsigned format = vcl::DT_SINGLELINE | vcl::DT_VCENTER | vcl::DT_NOPREFIX;
    if (alignment_ == vcl::taRightJustify)
      format |= vcl::DT_RIGHT;
    else if (alignment_ == vcl::taCenter)
      format |= vcl::DT_CENTER;
    else
      format |= vcl::DT_LEFT;
    DrawText3D(c, text_, options_.Contains(fsUseDefaultFont) ? nullptr : font3d_.get(), nullptr, dfEnabled, format,
               text_rect_);
  }
}

void TQELFormStyler::DrawOnForm() {
  vcl::TCustomForm *form = Form();
  if (form == nullptr || !form->HandleAllocated()) return;
  if (!(active_ || options_.Contains(fsInactiveGradient))) return;
  if (!Allowed()) return;
  // A resized form gets a bar of its new width.
  if (bar_rect_.IsEmpty() || bar_->Width() != form->ClientWidth() || bar_->Empty()) {
    if (!PaintCaption(false)) return;
  }
  if (bar_rect_.IsEmpty()) return;
  QPainter p(form->Handle());
  p.drawImage(bar_rect_.Left, bar_rect_.Top, bar_->Image());
}

void TQELFormStyler::WndProc(vcl::TMessage &m) {
  if (!Handles()) {
    TQELWndProcComponent::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case vcl::WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      if (options_.Contains(fsUseFormCaption)) break;
      // The platform is shown a blank caption; the styler keeps the text.
      if (m.Msg == vcl::WM_GETTEXT && m.LParam != 0) *reinterpret_cast<QString *>(m.LParam) = QStringLiteral(" ");
      m.Result = 1;
      return;
    case WM_NCPAINT:
      TQELWndProcComponent::WndProc(m);
      if (active_ || options_.Contains(fsInactiveGradient)) PaintCaption(true);
      m.Result = 0;
      return;
    case WM_NCACTIVATE:
      active_ = m.WParam != 0;
      TQELWndProcComponent::WndProc(m);
      if (active_ || options_.Contains(fsInactiveGradient)) PaintCaption(false);
      m.Result = 1;
      return;
    case vcl::WM_ACTIVATE: {
      // The platform's activation stands in for the caption's.
      active_ = m.WParam != 0;
      TQELWndProcComponent::WndProc(m);
      vcl::TCustomForm *form = Form();
      if ((active_ || options_.Contains(fsInactiveGradient)) && PaintCaption(false)) return;
      if (form != nullptr && form->HandleAllocated() && !bar_rect_.IsEmpty())
        form->Handle()->update(vcl::ToQRect(bar_rect_));
      return;
    }
    case vcl::WM_PAINT: {
      TQELWndProcComponent::WndProc(m);
      if (m.Event != nullptr && m.Event->type() == QEvent::Paint) DrawOnForm();
      return;
    }
    default:
      break;
  }
  TQELWndProcComponent::WndProc(m);
}

ORBISCA_PUBLISHED(TQELFormStyler, TQELCustomComponent) {
  using S = TQELFormStyler;
  p.Property("Alignment", &S::Alignment, &S::SetAlignment).Default(vcl::taLeftJustify);
  p.Property("Colors", &S::Colors, &S::SetColors).Default(32);
  p.Property("Enabled", &S::Enabled, &S::SetEnabled).Default(true);
  p.Property("Font", &S::Font, &S::SetFont);
  p.Property("Font3D", &S::Font3D, &S::SetFont3D);
  p.Property("PaintMode", &S::PaintMode, &S::SetPaintMode).Default(pcControl);
  p.Property("Options", &S::Options, &S::SetOptions);
  p.Event("OnPaint", &S::OnPaint);
  p.Event("OnCaptionPaint", &S::OnCaptionPaint);
}

}  // namespace qel
