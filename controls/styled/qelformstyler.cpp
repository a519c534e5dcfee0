// The form styler (see qelformstyler.h).
#include "controls/styled/qelformstyler.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include "controls/styled/qelapp.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/forms.h"

namespace qel {

namespace {

// The smallest window a resize by the mouse leaves.
constexpr int kMinTrackWidth = 112;
constexpr int kMinTrackHeight = 27;
// How far along a sizing border its corner reaches.
constexpr int kCornerReach = 16;
constexpr int kMinColors = 2;
constexpr int kMaxColors = 236;
constexpr int kDefaultColors = 32;
// Deeper displays get the system's gradient captions.
constexpr int kPaletteDepth = 8;
// A small caption's default font is a point smaller, down to this.
constexpr int kSmallestCaptionPoints = 7;
constexpr TColor kRgbMask = 0xFFFFFF;
constexpr int kMinimizeGlyphWidth = 6;
constexpr unsigned kSystemCommandMask = 0xFFF0;

QColor Qc(TColor c) { return vcl::ColorToQColor(vcl::ColorToRGB(c)); }

bool IsButton(TQELFrameHit hit) { return hit >= fhClose && hit <= fhHelp; }

bool Sizeable(const vcl::TCustomForm *form) {
  return form->BorderStyle() == vcl::bsSizeable || form->BorderStyle() == vcl::bsSizeToolWin;
}

}  // namespace

TQELFormStyler::TQELFormStyler(vcl::TComponent *owner)
    : TQELWndProcComponent(owner),
      font_(std::make_unique<vcl::TFont>()),
      font3d_(std::make_unique<TQEL3DCaption>()),
      bar_(std::make_unique<vcl::TBitmap>()),
      system_bar_(std::make_unique<vcl::TBitmap>()) {
  if (IsDesigning() && CheckOwnerForm(this, ClassName(), false)) throw QELEOneInstError(OwnerErrorMessage(ClassName()));
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
  UpdateFrame();
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
  if (!IsLoading()) {
    UpdateFrame();
    PaintCaption(true);
  }
  return true;
}

bool TQELFormStyler::Unhook() {
  const bool was = Hooked();
  vcl::TCustomForm *form = Form();
  const bool form_going = form == nullptr || form->IsDestroying();
  EndDrag();
  if (framed_) {
    framed_ = false;
    if (!form_going) {
      form->ClearOwnFrame();
      if (form->HandleAllocated()) {
        form->Handle()->setMouseTracking(tracking_was_);
        form->SetCursor(form->Cursor());
      }
    }
  }
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
  if (v < kMinColors || v > kMaxColors) throw rtl::ERangeError(QStringLiteral("Colors must lie between 2 and 236"));
  colors_ = v;
  if (paint_mode_ == pcControl) PaintCaption(false);
}

void TQELFormStyler::SetPaintMode(TQELPaintMode v) {
  if (v == paint_mode_) return;
  paint_mode_ = v;
  UpdateFrame();
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
  UpdateFrame();
  RedrawCaption(true);
}

void TQELFormStyler::SetSystemGradient(bool v) {
  if (v == system_gradient_) return;
  system_gradient_ = v;
  UpdateFrame();
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
  if (options_.Contains(fsCheckSystemGradient) && system_gradient_ && ColorDepth() > kPaletteDepth) return false;
  return true;
}

// --- the frame ------------------------------------------------------------------------------

bool TQELFormStyler::TakesFrame() const {
  const vcl::TCustomForm *form = Form();
  if (form == nullptr || form->Parent() != nullptr || form->BorderStyle() == vcl::bsNone) return false;
  if (IsDesigning() || !Enabled() || !Hooked() || Destroying() || paint_mode_ == pcNone) return false;
  return !(options_.Contains(fsCheckSystemGradient) && system_gradient_ && ColorDepth() > kPaletteDepth);
}

void TQELFormStyler::UpdateFrame() {
  vcl::TCustomForm *form = Form();
  if (form == nullptr) return;
  if (!TakesFrame()) {
    if (!framed_) return;
    framed_ = false;
    EndDrag();
    form->ClearOwnFrame();
    if (form->HandleAllocated()) {
      form->Handle()->setMouseTracking(tracking_was_);
      form->SetCursor(form->Cursor());
    }
    return;
  }
  const TQELCaptionGeometry g = CaptionGeometry(form);
  const int fx = g.CaptionRect.Left, fy = g.CaptionRect.Top;
  if (!framed_ && form->HandleAllocated()) {
    // The borders show their cursors as the mouse passes.
    tracking_was_ = form->Handle()->hasMouseTracking();
    form->Handle()->setMouseTracking(true);
  }
  framed_ = true;
  form->SetOwnFrame(vcl::Rect(fx, g.CaptionRect.Bottom, fx, fy));
}

TQELCaptionGeometry TQELFormStyler::Layout() const {
  const vcl::TCustomForm *form = Form();
  if (form == nullptr) return {};
  if (framed_) return CaptionGeometry(form);
  // Under the system's frame: the classic geometry of a window as wide as
  // the client area plus its frames, moved so the bar starts at the client
  // area's top-left.
  const TQELCaptionGeometry probe = CaptionGeometry(form);
  const int frame = probe.CaptionRect.Left;
  const vcl::TBorderIcons icons = form->BorderIcons();
  TQELCaptionGeometry g =
      CaptionGeometry(form->ClientWidth() + 2 * frame, form->BorderStyle(), icons.Contains(vcl::biSystemMenu),
                      icons.Contains(vcl::biMinimize), icons.Contains(vcl::biMaximize), icons.Contains(vcl::biHelp),
                      form->WindowState() == vcl::wsMinimized);
  const int dx = g.CaptionRect.Left, dy = g.CaptionRect.Top;
  g.CaptionRect = vcl::Rect(0, 0, g.CaptionRect.Width(), g.CaptionRect.Height());
  g.TextRect = vcl::Rect(g.TextRect.Left - dx, g.TextRect.Top - dy, g.TextRect.Right - dx, g.TextRect.Bottom - dy);
  return g;
}

TRect TQELFormStyler::ButtonRect(TQELFrameHit button) const {
  const vcl::TCustomForm *form = Form();
  if (!framed_ || form == nullptr || !IsButton(button)) return {};
  const TQELCaptionGeometry g = CaptionGeometry(form);
  if (g.ButtonCount == 0) return {};
  const bool tool = form->BorderStyle() == vcl::bsToolWindow || form->BorderStyle() == vcl::bsSizeToolWin;
  const int width = GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE) - 2;
  const int height = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION) - 4;
  const int top = g.CaptionRect.Top + 2;
  // From the right: close; 2 pixels; maximise with minimise beside it, or help.
  const int close_left = g.CaptionRect.Right - 2 - width;
  auto at = [&](int left) { return vcl::Rect(left, top, left + width, top + height); };
  const bool pair = g.ButtonCount == 3;
  switch (button) {
    case fhClose:
      return at(close_left);
    case fhMaximize:
      return pair ? at(close_left - 2 - width) : TRect{};
    case fhMinimize:
      return pair ? at(close_left - 2 - 2 * width) : TRect{};
    case fhHelp:
      return g.ButtonCount == 2 ? at(close_left - 2 - width) : TRect{};
    default:
      return {};
  }
}

bool TQELFormStyler::ButtonEnabled(TQELFrameHit button) const {
  const vcl::TCustomForm *form = Form();
  if (form == nullptr || ButtonRect(button).IsEmpty()) return false;
  const vcl::TBorderIcons icons = form->BorderIcons();
  switch (button) {
    case fhMaximize:
      return icons.Contains(vcl::biMaximize);
    case fhMinimize:
      return icons.Contains(vcl::biMinimize);
    default:
      return true;
  }
}

TQELFrameHit TQELFormStyler::HitTest(const vcl::TPoint &point) const {
  const vcl::TCustomForm *form = Form();
  if (!framed_ || form == nullptr) return fhNowhere;
  const int w = form->Width(), h = form->Height(), x = point.X, y = point.Y;
  if (x < 0 || y < 0 || x >= w || y >= h) return fhNowhere;
  const vcl::TPoint client = form->ClientOffset();
  const TRect frame = form->OwnFrame();
  if (x >= frame.Left && x < w - frame.Right && y >= client.Y && y < h - frame.Bottom) return fhClient;
  for (TQELFrameHit b : {fhClose, fhMaximize, fhMinimize, fhHelp})
    if (vcl::PtInRect(ButtonRect(b), vcl::Point(x, y))) return b;
  const TQELCaptionGeometry g = CaptionGeometry(form);
  const bool edge =
      x < g.CaptionRect.Left || x >= w - g.CaptionRect.Left || y < g.CaptionRect.Top || y >= h - g.CaptionRect.Top;
  if (!edge && vcl::PtInRect(g.CaptionRect, vcl::Point(x, y))) return fhCaption;
  if (!Sizeable(form) || form->WindowState() == vcl::wsMaximized) return edge ? fhBorder : fhCaption;
  const bool left = x < kCornerReach, right = x >= w - kCornerReach;
  const bool top = y < kCornerReach, bottom = y >= h - kCornerReach;
  if (x < g.CaptionRect.Left || x >= w - g.CaptionRect.Left) {
    if (top) return x < w / 2 ? fhTopLeft : fhTopRight;
    if (bottom) return x < w / 2 ? fhBottomLeft : fhBottomRight;
    return x < w / 2 ? fhLeft : fhRight;
  }
  if (left) return y < h / 2 ? fhTopLeft : fhBottomLeft;
  if (right) return y < h / 2 ? fhTopRight : fhBottomRight;
  return y < h / 2 ? fhTop : fhBottom;
}

// --- painting ---------------------------------------------------------------------------------

bool TQELFormStyler::PaintCaption(bool full) {
  UpdateFrame();
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

void TQELFormStyler::Compose(bool) {
  vcl::TCustomForm *form = Form();
  const TQELCaptionGeometry g = Layout();
  if (g.CaptionRect.IsEmpty()) {
    bar_rect_ = text_rect_ = TRect{};
    return;
  }
  bar_rect_ = g.CaptionRect;
  const int dx = bar_rect_.Left, dy = bar_rect_.Top;
  text_rect_ = vcl::Rect(g.TextRect.Left - dx, g.TextRect.Top - dy, g.TextRect.Right - dx, g.TextRect.Bottom - dy);
  const TRect bar = vcl::Rect(0, 0, bar_rect_.Width(), bar_rect_.Height());
  const bool icon = (g.Flags & cgIcon) != 0;
  const bool small = form->BorderStyle() == vcl::bsToolWindow || form->BorderStyle() == vcl::bsSizeToolWin;

  bar_->SetPixelFormat(vcl::pf24bit);
  bar_->SetSize(bar.Width(), bar.Height());
  TCanvas *c = bar_->Canvas();
  // Under the bar lies what the form paints: its colour.
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(form->Color());
  c->FillRect(bar);

  const bool gradient = active_ || options_.Contains(fsInactiveGradient);
  if (paint_mode_ == pcControl) {
    if (gradient) {
      TQELColorList list;
      BuildGradientColors(vcl::clBlack, active_ ? vcl::clActiveCaption : vcl::clInactiveCaption, colors_, true, &list);
      FillGradient(c, bar, gstHorizontal, 0, 0, CreateGradientPalette(list), list);
    }
    // The window's icon, which the system would have drawn under the bar.
    if (icon && framed_) {
      const QIcon window_icon = form->Handle()->windowIcon();
      const int size = GetSystemMetrics(SM_CXSMICON);
      if (!window_icon.isNull()) c->Painter()->drawPixmap(2, (bar.Height() - size) / 2, window_icon.pixmap(size, size));
    }
  } else if (paint_mode_ == pcOwnerDraw && OnPaint) {
    TRect r = bar;
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
    if (small && c->Font()->Size() > kSmallestCaptionPoints) c->Font()->SetSize(c->Font()->Size() - 1);
  }
  c->Brush()->SetStyle(vcl::bsClear);
  TColor text_color;
  if (!active_)
    text_color = vcl::clInactiveCaptionText;
  else if (options_.Contains(fsUseDefaultFont) || !options_.Contains(fsUseFontColor))
    text_color = (vcl::ColorToRGB(vcl::clCaptionText) & kRgbMask) == 0 ? vcl::clWhite : vcl::clCaptionText;
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
    // The system's own caption stands.
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

void TQELFormStyler::ComposeSystemBar(vcl::TBitmap *out) {
  vcl::TCustomForm *form = Form();
  const TQELCaptionGeometry g = CaptionGeometry(form);
  const TRect bar = vcl::Rect(0, 0, g.CaptionRect.Width(), g.CaptionRect.Height());
  out->SetPixelFormat(vcl::pf24bit);
  out->SetSize(bar.Width(), bar.Height());
  TCanvas *c = out->Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(active_ ? vcl::clActiveCaption : vcl::clInactiveCaption);
  c->FillRect(bar);
  if ((g.Flags & cgIcon) != 0) {
    const QIcon window_icon = form->Handle()->windowIcon();
    const int size = GetSystemMetrics(SM_CXSMICON);
    if (!window_icon.isNull()) c->Painter()->drawPixmap(2, (bar.Height() - size) / 2, window_icon.pixmap(size, size));
  }
  c->Font()->Assign(font_.get());
  vcl::TFontStyles st = c->Font()->Style();
  st.Include(vcl::fsBold);
  c->Font()->SetStyle(st);
  c->Font()->SetColor(active_ ? vcl::clCaptionText : vcl::clInactiveCaptionText);
  c->Brush()->SetStyle(vcl::bsClear);
  const TRect text =
      vcl::Rect(g.TextRect.Left - g.CaptionRect.Left, 0, g.TextRect.Right - g.CaptionRect.Left, bar.Height());
  DrawText3D(c, form->Caption().trimmed().isEmpty() ? text_ : form->Caption(), nullptr, nullptr, dfEnabled,
             vcl::DT_SINGLELINE | vcl::DT_VCENTER | vcl::DT_NOPREFIX | vcl::DT_LEFT, text);
}

void TQELFormStyler::DrawFrame(QPainter &p) {
  vcl::TCustomForm *form = Form();
  const int w = form->Width(), h = form->Height();
  const TRect frame = form->OwnFrame();
  // The border area in the face colour, then the raised edge around it.
  p.save();
  QRegion border(0, 0, w, h);
  border -= QRegion(frame.Left, frame.Top, std::max(0, w - frame.Left - frame.Right),
                    std::max(0, h - frame.Top - frame.Bottom));
  p.setClipRegion(border);
  p.fillRect(0, 0, w, h, Qc(vcl::clBtnFace));
  p.restore();
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    p.setPen(Qc(color));
    p.drawLine(x1, y1, x2, y2);
  };
  line(vcl::cl3DLight, 0, 0, w - 2, 0);
  line(vcl::cl3DLight, 0, 0, 0, h - 2);
  line(vcl::cl3DDkShadow, 0, h - 1, w - 1, h - 1);
  line(vcl::cl3DDkShadow, w - 1, 0, w - 1, h - 1);
  line(vcl::clBtnHighlight, 1, 1, w - 3, 1);
  line(vcl::clBtnHighlight, 1, 1, 1, h - 3);
  line(vcl::clBtnShadow, 1, h - 2, w - 2, h - 2);
  line(vcl::clBtnShadow, w - 2, 1, w - 2, h - 2);
}

void TQELFormStyler::DrawButtons(QPainter &p) {
  vcl::TCustomForm *form = Form();
  const bool maximized = form->WindowState() == vcl::wsMaximized;
  for (TQELFrameHit b : {fhClose, fhMaximize, fhMinimize, fhHelp}) {
    const TRect r = ButtonRect(b);
    if (r.IsEmpty()) continue;
    const bool down = pressed_ == b && pressed_inside_;
    const bool enabled = ButtonEnabled(b);
    const QRect q = vcl::ToQRect(r);
    p.fillRect(q, Qc(vcl::clBtnFace));
    // A raised (or, held down, sunken) push button.
    const QColor outer_light = Qc(down ? vcl::cl3DDkShadow : vcl::clBtnHighlight);
    const QColor outer_dark = Qc(down ? vcl::clBtnHighlight : vcl::cl3DDkShadow);
    const QColor inner_light = Qc(down ? vcl::clBtnShadow : vcl::cl3DLight);
    const QColor inner_dark = Qc(down ? vcl::cl3DLight : vcl::clBtnShadow);
    const int l = q.left(), t = q.top(), rr = q.right(), bb = q.bottom();
    p.setPen(outer_light);
    p.drawLine(l, t, rr - 1, t);
    p.drawLine(l, t, l, bb - 1);
    p.setPen(outer_dark);
    p.drawLine(l, bb, rr, bb);
    p.drawLine(rr, t, rr, bb);
    p.setPen(inner_light);
    p.drawLine(l + 1, t + 1, rr - 2, t + 1);
    p.drawLine(l + 1, t + 1, l + 1, bb - 2);
    p.setPen(inner_dark);
    p.drawLine(l + 1, bb - 1, rr - 1, bb - 1);
    p.drawLine(rr - 1, t + 1, rr - 1, bb - 1);

    // The glyph, one pixel down and right while held.
    const QRect g = q.adjusted(4 + down, 3 + down, -4 + down, -3 + down);
    const QColor ink = Qc(enabled ? vcl::clBtnText : vcl::clBtnShadow);
    p.save();
    p.setPen(QPen(ink, 1));
    switch (b) {
      case fhClose:
        p.setPen(QPen(ink, 2));
        p.drawLine(g.left(), g.top(), g.right(), g.bottom());
        p.drawLine(g.left(), g.bottom(), g.right(), g.top());
        break;
      case fhMinimize:
        p.fillRect(g.left(), g.bottom() - 1, std::min(kMinimizeGlyphWidth, g.width()), 2, ink);
        break;
      case fhMaximize:
        if (maximized) {
          // Restore: two windows, one behind the other.
          const int s = std::min(g.width(), g.height()) - 2;
          p.drawRect(g.left() + 2, g.top(), s - 1, s - 1);
          p.fillRect(g.left() + 2, g.top(), s, 2, ink);
          p.fillRect(g.left(), g.top() + 2 + 1, s, s, Qc(vcl::clBtnFace));
          p.drawRect(g.left(), g.top() + 3, s - 1, s - 1);
          p.fillRect(g.left(), g.top() + 3, s, 2, ink);
        } else {
          p.drawRect(g.left(), g.top(), g.width() - 1, g.height() - 1);
          p.fillRect(g.left(), g.top(), g.width(), 2, ink);
        }
        break;
      case fhHelp: {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(g.height() + 2);
        p.setFont(f);
        p.drawText(q.translated(down, down), Qt::AlignCenter, QStringLiteral("?"));
        break;
      }
      default:
        break;
    }
    p.restore();
  }
}

void TQELFormStyler::DrawOnForm() {
  vcl::TCustomForm *form = Form();
  if (form == nullptr || !form->HandleAllocated()) return;
  if (framed_) {
    QPainter p(form->Handle());
    DrawFrame(p);
    // The styler's bar where it is wanted, the system's plain one elsewhere.
    const bool styled = (active_ || options_.Contains(fsInactiveGradient)) && Allowed();
    if (styled && (bar_rect_.IsEmpty() || bar_->Width() != CaptionGeometry(form).CaptionRect.Width() || bar_->Empty()))
      PaintCaption(false);
    if (styled && !bar_rect_.IsEmpty()) {
      p.drawImage(bar_rect_.Left, bar_rect_.Top, bar_->Image());
    } else {
      ComposeSystemBar(system_bar_.get());
      const TRect r = CaptionGeometry(form).CaptionRect;
      p.drawImage(r.Left, r.Top, system_bar_->Image());
    }
    DrawButtons(p);
    return;
  }
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

// --- the mouse on the frame -----------------------------------------------------------------

void TQELFormStyler::SetPressed(TQELFrameHit button, bool inside) {
  vcl::TCustomForm *form = Form();
  const TRect before = ButtonRect(pressed_);
  pressed_ = button;
  pressed_inside_ = inside;
  if (form == nullptr || !form->HandleAllocated()) return;
  if (!before.IsEmpty()) form->Handle()->update(vcl::ToQRect(before));
  if (IsButton(button)) form->Handle()->update(vcl::ToQRect(ButtonRect(button)));
}

void TQELFormStyler::EndDrag() {
  drag_ = Drag::None;
  drag_edge_ = fhNowhere;
  if (pressed_ != fhNowhere) SetPressed(fhNowhere, false);
}

void TQELFormStyler::SystemCommand(unsigned command) {
  vcl::TCustomForm *form = Form();
  if (form == nullptr) return;
  switch (command & kSystemCommandMask) {
    case SC_CLOSE:
      // As the system's close box: the window is asked to close.
      if (form->HandleAllocated()) form->Handle()->close();
      break;
    case SC_MINIMIZE:
      form->SetWindowState(vcl::wsMinimized);
      break;
    case SC_MAXIMIZE:
      form->SetWindowState(vcl::wsMaximized);
      break;
    case SC_RESTORE:
      form->SetWindowState(vcl::wsNormal);
      break;
    default:
      break;
  }
  if (form->HandleAllocated()) form->Handle()->update();
}

bool TQELFormStyler::FrameMouse(vcl::TMessage &m) {
  vcl::TCustomForm *form = Form();
  if (form == nullptr || !form->HandleAllocated()) return false;
  const vcl::TPoint point = vcl::Point(m.XPos(), m.YPos());
  const auto *me = m.Event != nullptr ? dynamic_cast<QMouseEvent *>(m.Event) : nullptr;
  const QPoint global =
      me != nullptr ? me->globalPosition().toPoint() : form->Handle()->mapToGlobal(QPoint(point.X, point.Y));
  QWidget *window = form->Handle();

  // A move or resize that follows the mouse.
  if (drag_ != Drag::None) {
    if (m.Msg == vcl::WM_MOUSEMOVE) {
      const QPoint d = global - press_global_;
      TRect b = start_bounds_;
      if (drag_ == Drag::Move) {
        b = vcl::Rect(b.Left + d.x(), b.Top + d.y(), b.Right + d.x(), b.Bottom + d.y());
      } else {
        const TQELFrameHit e = drag_edge_;
        if (e == fhLeft || e == fhTopLeft || e == fhBottomLeft)
          b.Left = std::min(b.Left + d.x(), b.Right - kMinTrackWidth);
        if (e == fhRight || e == fhTopRight || e == fhBottomRight)
          b.Right = std::max(b.Right + d.x(), b.Left + kMinTrackWidth);
        if (e == fhTop || e == fhTopLeft || e == fhTopRight)
          b.Top = std::min(b.Top + d.y(), b.Bottom - kMinTrackHeight);
        if (e == fhBottom || e == fhBottomLeft || e == fhBottomRight)
          b.Bottom = std::max(b.Bottom + d.y(), b.Top + kMinTrackHeight);
      }
      form->SetBounds(b.Left, b.Top, b.Width(), b.Height());
    } else if (m.Msg == vcl::WM_LBUTTONUP) {
      EndDrag();
    }
    return true;
  }
  // A caption button held down: it acts when let go over it.
  if (pressed_ != fhNowhere) {
    const bool inside = vcl::PtInRect(ButtonRect(pressed_), point);
    if (m.Msg == vcl::WM_MOUSEMOVE) {
      if (inside != pressed_inside_) SetPressed(pressed_, inside);
    } else if (m.Msg == vcl::WM_LBUTTONUP) {
      const TQELFrameHit button = pressed_;
      SetPressed(fhNowhere, false);
      if (inside) {
        unsigned command = SC_CLOSE;
        if (button == fhMinimize) command = SC_MINIMIZE;
        if (button == fhMaximize) command = form->WindowState() == vcl::wsMaximized ? SC_RESTORE : SC_MAXIMIZE;
        if (button == fhHelp) command = SC_CONTEXTHELP;
        form->Perform(vcl::WM_SYSCOMMAND, command);
      }
    }
    return true;
  }

  const TQELFrameHit hit = HitTest(point);
  if (hit == fhClient || hit == fhNowhere) {
    // The client area's own: its coordinates begin inside the frame.
    if (hit == fhClient && m.Msg == vcl::WM_MOUSEMOVE) form->SetCursor(form->Cursor());
    const TRect frame = form->OwnFrame();
    m.LParam = vcl::MakeLParam(point.X - frame.Left, point.Y - frame.Top);
    return false;
  }
  const bool sizing = hit >= fhLeft && hit <= fhBottomRight;
  switch (m.Msg) {
    case vcl::WM_MOUSEMOVE: {
      Qt::CursorShape shape = Qt::ArrowCursor;
      if (hit == fhLeft || hit == fhRight) shape = Qt::SizeHorCursor;
      if (hit == fhTop || hit == fhBottom) shape = Qt::SizeVerCursor;
      if (hit == fhTopLeft || hit == fhBottomRight) shape = Qt::SizeFDiagCursor;
      if (hit == fhTopRight || hit == fhBottomLeft) shape = Qt::SizeBDiagCursor;
      window->setCursor(shape);
      return true;
    }
    case vcl::WM_LBUTTONDBLCLK:
      if (hit == fhCaption) {
        if (ButtonEnabled(fhMaximize) && Sizeable(form))
          form->Perform(vcl::WM_SYSCOMMAND, form->WindowState() == vcl::wsMaximized ? SC_RESTORE : SC_MAXIMIZE);
        return true;
      }
      [[fallthrough]];
    case vcl::WM_LBUTTONDOWN: {
      if (IsButton(hit)) {
        if (ButtonEnabled(hit)) SetPressed(hit, true);
        return true;
      }
      QWindow *handle = window->windowHandle();
      press_global_ = global;
      start_bounds_ = vcl::Rect(form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height());
      if (hit == fhCaption) {
        // The window system moves the window where it can; else the mouse
        // is followed.
        if (handle == nullptr || !handle->startSystemMove()) drag_ = Drag::Move;
      } else if (sizing) {
        Qt::Edges edges;
        if (hit == fhLeft || hit == fhTopLeft || hit == fhBottomLeft) edges |= Qt::LeftEdge;
        if (hit == fhRight || hit == fhTopRight || hit == fhBottomRight) edges |= Qt::RightEdge;
        if (hit == fhTop || hit == fhTopLeft || hit == fhTopRight) edges |= Qt::TopEdge;
        if (hit == fhBottom || hit == fhBottomLeft || hit == fhBottomRight) edges |= Qt::BottomEdge;
        if (handle == nullptr || !handle->startSystemResize(edges)) {
          drag_ = Drag::Resize;
          drag_edge_ = hit;
        }
      }
      return true;
    }
    default:
      // Other buttons on the frame do nothing to the client area.
      return true;
  }
}

void TQELFormStyler::WndProc(vcl::TMessage &m) {
  if (framed_ && m.Msg == vcl::WM_SYSCOMMAND) {
    TQELWndProcComponent::WndProc(m);
    SystemCommand(static_cast<unsigned>(m.WParam));
    return;
  }
  if (framed_ && m.Msg >= vcl::WM_MOUSEMOVE && m.Msg <= vcl::WM_RBUTTONUP && FrameMouse(m)) return;
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
      // The system's bar of an inactive window is the styler's to draw.
      if (framed_ && Form()->HandleAllocated()) Form()->Handle()->update();
      m.Result = 1;
      return;
    case vcl::WM_ACTIVATE: {
      // The platform's activation stands in for the caption's.
      active_ = m.WParam != 0;
      TQELWndProcComponent::WndProc(m);
      vcl::TCustomForm *form = Form();
      if (framed_ && form != nullptr && form->HandleAllocated()) {
        PaintCaption(false);
        form->Handle()->update();
        return;
      }
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
  p.Property("Colors", &S::Colors, &S::SetColors).Default(kDefaultColors);
  p.Property("Enabled", &S::Enabled, &S::SetEnabled).Default(true);
  p.Property("Font", &S::Font, &S::SetFont);
  p.Property("Font3D", &S::Font3D, &S::SetFont3D);
  p.Property("PaintMode", &S::PaintMode, &S::SetPaintMode).Default(pcControl);
  p.Property("Options", &S::Options, &S::SetOptions);
  p.Event("OnPaint", &S::OnPaint);
  p.Event("OnCaptionPaint", &S::OnCaptionPaint);
}

}  // namespace qel
