// The windowless control line and the glyph label.
#include "controls/styled/qellabel.h"

#include <QPainter>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelscrollbox.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace qel {

// ---------------------------------------------------------------------------
// TQELControl

TQELControl::TQELControl(vcl::TComponent *owner) : vcl::TGraphicControl(owner) {}

void TQELControl::SetBounds(int left, int top, int width, int height) {
  int changes = 0;
  if (width != Width() || height != Height()) changes |= bcSize;
  if (left != Left() || top != Top()) changes |= bcPosition;
  vcl::TGraphicControl::SetBounds(left, top, width, height);
  if (changes != 0 && !IsLoading() && OnBoundsChange) OnBoundsChange(this, changes);
}

void TQELControl::WndProc(vcl::TMessage &message) {
  vcl::TGraphicControl::WndProc(message);
  if (message.Msg == vcl::CM_MOUSELEAVE && Enabled() && OnMouseExit) OnMouseExit(this);
}

void TQELControl::PaintDesignFrame() {
  QPainter *p = Canvas()->Painter();
  if (p == nullptr) return;
  p->save();
  p->setBrush(Qt::NoBrush);
  p->setPen(QPen(Qt::black, 1, Qt::DashLine));
  p->drawRect(QRect(0, 0, Width() - 1, Height() - 1));
  p->restore();
}

void TQELControl::FillClient() {
  Canvas()->Brush()->SetStyle(vcl::bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---------------------------------------------------------------------------
// TQELBaseControl

TQELBaseControl::TQELBaseControl(vcl::TComponent *owner)
    : TQELControl(owner),
      image_(this, [this] { ImageChanged(); }),
      effect_(std::make_unique<TQELBitmapEffectObject>()) {
  effect_->OnChange = [this](rtl::TObject *) { Invalidate(); };
}

TQELBaseControl::~TQELBaseControl() { effect_->OnChange = nullptr; }

void TQELBaseControl::WndProc(vcl::TMessage &message) {
  if (message.Msg == QEL_BACKGROUNDCHANGED) {
    if (ShowsBackground()) Invalidate();
    return;
  }
  TQELControl::WndProc(message);
}

void TQELBaseControl::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELControl::Notification(component, operation);
  if (operation == vcl::opRemove) image_.ComponentRemoved(component);
}

void TQELBaseControl::Loaded() {
  TQELControl::Loaded();
  if (ImageList() != nullptr) ImageChanged();
}

// ---------------------------------------------------------------------------
// TQELBaseGraphicControl

TQELBaseGraphicControl::TQELBaseGraphicControl(vcl::TComponent *owner) : TQELBaseControl(owner) {
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csReplicatable});
  SetOpaqueStyle(this, false);
  SetBounds(Left(), Top(), 30, 30);
}

void TQELBaseGraphicControl::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  SetOpaqueStyle(this, !v);
  Perform(QEL_TRANSPARENTCHANGED);
}

bool TQELBaseGraphicControl::ShowsBackground() const { return transparent_ && ParentOffersBackground(Parent()); }

void TQELBaseGraphicControl::Repaint() {
  if (transparent_ || IsDesigning())
    Invalidate();
  else
    TQELBaseControl::Repaint();
}

void TQELBaseGraphicControl::WndProc(vcl::TMessage &message) {
  if (message.Msg == QEL_TRANSPARENTCHANGED) {
    Repaint();
    return;
  }
  TQELBaseControl::WndProc(message);
}

void TQELBaseGraphicControl::Paint() {
  if (IsDesigning()) PaintDesignFrame();
}

// ---------------------------------------------------------------------------
// TQELBaseLabel

TQELBaseLabel::TQELBaseLabel(vcl::TComponent *owner) : TQELBaseGraphicControl(owner) {}

TQELBaseLabel::~TQELBaseLabel() { SetBlinking(false); }

void TQELBaseLabel::SetBlinking(bool v) {
  if (v == Blinking()) return;
  if (v) {
    blink_timer_ = QELApplication()->RegisterTimer(700, [this](rtl::TObject *) {
      blink_visible_ = !blink_visible_;
      Invalidate();
    });
  } else {
    QELApplication()->UnregisterTimer(blink_timer_);
    blink_timer_ = 0;
    if (!blink_visible_) {
      blink_visible_ = true;
      Invalidate();
    }
  }
}

void TQELBaseLabel::SetAutoSize(bool v) {
  if (auto_size_ == v) return;
  auto_size_ = v;
  RunAutoSize();
}

void TQELBaseLabel::SetShowAccelChar(bool v) {
  if (show_accel_ == v) return;
  show_accel_ = v;
  RunAutoSize();
  Invalidate();
}

void TQELBaseLabel::SetMultiLine(bool v) {
  if (multi_line_ == v) return;
  multi_line_ = v;
  RunAutoSize();
  Invalidate();
}

void TQELBaseLabel::SetFocusControl(vcl::TWinControl *control) {
  focus_control_ = control;
  if (control != nullptr) control->FreeNotification(this);
}

void TQELBaseLabel::WndProc(vcl::TMessage &message) {
  switch (message.Msg) {
    case vcl::CM_TEXTCHANGED:
    case vcl::CM_FONTCHANGED:
      TQELBaseGraphicControl::WndProc(message);
      RunAutoSize();
      Invalidate();
      return;
    case vcl::CM_DIALOGCHAR:
      if (show_accel_ && focus_control_ != nullptr && Enabled() && vcl::IsAccel(QChar(message.CharCode()), Caption())) {
        if (focus_control_->CanFocus()) focus_control_->SetFocus();
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TQELBaseGraphicControl::WndProc(message);
}

void TQELBaseLabel::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELBaseGraphicControl::Notification(component, operation);
  if (operation == vcl::opRemove && component == focus_control_) focus_control_ = nullptr;
}

void TQELBaseLabel::Loaded() {
  TQELBaseGraphicControl::Loaded();
  RunAutoSize();
}

// ---------------------------------------------------------------------------
// Glyph label

TQELCustomGlyphLabel::TQELCustomGlyphLabel(vcl::TComponent *owner)
    : TQELBaseLabel(owner),
      font3d_(std::make_unique<TQEL3DCaption>()),
      bevel_(std::make_unique<TQELBevel>()),
      layout_(std::make_unique<TQELGlyphTextLayout>()) {
  layout_->SetAlignText2Glyph(taRight);
  auto changed = [this](rtl::TObject *) {
    RunAutoSize();
    Invalidate();
  };
  font3d_->OnChange = changed;
  bevel_->OnChange = changed;
  layout_->OnChange = changed;
}

TQELCustomGlyphLabel::~TQELCustomGlyphLabel() {
  font3d_->OnChange = nullptr;
  bevel_->OnChange = nullptr;
  layout_->OnChange = nullptr;
}

unsigned TQELCustomGlyphLabel::TextFormat() const {
  unsigned format = MultiLine() ? vcl::DT_WORDBREAK : vcl::DT_SINGLELINE;
  if (!ShowAccelChar()) format |= vcl::DT_NOPREFIX;
  return format;
}

bool TQELCustomGlyphLabel::FetchImage(vcl::TBitmap *image) const {
  return ImageExists() && ImageList()->CopyImage(ListIndex(), ImageIndex(), image);
}

void TQELCustomGlyphLabel::ImageChanged() {
  RunAutoSize();
  Invalidate();
}

void TQELCustomGlyphLabel::AdjustBounds() {
  // Measured on a bitmap canvas: the control's own canvas has no surface
  // outside painting.
  vcl::TBitmap surface;
  surface.SetSize(1, 1);
  TCanvas *canvas = surface.Canvas();
  canvas->Font()->Assign(Font());
  TRect text{0, 0, qMax(1, ClientWidth()), qMax(1, ClientHeight())};
  if (!Caption().isEmpty())
    vcl::DrawText(canvas, Caption(), text, TextFormat() | vcl::DT_CALCRECT);
  else
    text = TRect{0, 0, 0, 0};
  const int depth = Caption3DDepth(font3d_.get());
  int w = text.Width() + depth + bevel_->Extent() + bevel_->RightBottomExtent();
  int h = text.Height() + depth + bevel_->Extent() + bevel_->RightBottomExtent();
  TRect image{0, 0, 0, 0};
  if (ImageExists()) image = ImageList()->GetBounds(ListIndex(), ImageIndex());
  if (!image.IsEmpty()) {
    switch (layout_->AlignText2Glyph()) {
      case taLeft:
      case taLeftTop:
      case taRight:
      case taRightTop:
        w += image.Width() + layout_->Spacing();
        h = qMax(h, image.Height());
        break;
      default:
        h += layout_->Spacing() + image.Height();
        w = qMax(w, image.Width());
        break;
    }
  }
  w += layout_->OffsetX();
  h += layout_->OffsetY();
  SetBounds(Left(), Top(), w, h);
}

void TQELCustomGlyphLabel::Paint() {
  TCanvas *canvas = Canvas();
  if (!Transparent()) FillClient();
  TRect r = ClientRect();
  if (bevel_->Extent() > 0) r = bevel_->Paint(canvas, r, Transparent() || bevel_->BorderColor() == Color());
  if (!BlinkVisible()) return;
  vcl::TBitmap image;
  const bool has_image = FetchImage(&image);
  canvas->Font()->Assign(Font());
  canvas->Brush()->SetColor(Color());
  unsigned flags = Enabled() ? dfEnabled : dfAutoDisabled;
  DrawGlyphText(canvas, Caption(), font3d_.get(), flags, TextFormat(), layout_.get(), has_image ? &image : nullptr,
                nullptr, r);
  if (IsDesigning() && Transparent() && Caption().isEmpty()) PaintDesignFrame();
}

TQELGlyphLabel::TQELGlyphLabel(vcl::TComponent *owner) : TQELCustomGlyphLabel(owner) {
  SetColor(vcl::clWindow);
  SetParentColor(true);
}

}  // namespace qel
