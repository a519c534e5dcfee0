// The styled control base: image-list reference, flat borders, mouse
// enter and exit, and the background protocol.
#include "controls/styled/qelcontrol.h"

#include <QPainter>

#include "platform/vcl/forms.h"

namespace qel {

void SetOpaqueStyle(vcl::TControl *control, bool opaque) {
  auto style = control->ControlStyle();
  if (opaque)
    style.Include(vcl::csOpaque);
  else
    style.Exclude(vcl::csOpaque);
  control->SetControlStyle(style);
}

bool CopyBackground(TCanvas *canvas, const TRect &rect, vcl::TBitmap *back, const vcl::TPoint &offset) {
  if (back == nullptr || back->Empty()) return false;
  TRect source = rect;
  vcl::OffsetRect(source, offset.X, offset.Y);
  canvas->CopyRect(rect, back->Canvas(), source);
  return true;
}

// ---------------------------------------------------------------------------

TQELImageReference::TQELImageReference(vcl::TComponent *user, std::function<void()> changed)
    : user_(user), changed_(std::move(changed)), link_(std::make_unique<TQELChangeLink>()) {
  link_->OnChange = [this](rtl::TObject *) {
    if (changed_) changed_();
  };
}

TQELImageReference::~TQELImageReference() {
  // The callback goes first: nothing may call back into a half-destroyed
  // user.
  changed_ = nullptr;
  link_->OnChange = nullptr;
  if (list_ != nullptr) list_->UnRegisterChanges(link_.get());
}

void TQELImageReference::SetList(TQELCustomImageList *list) {
  if (list_ == list) return;
  if (list_ != nullptr) list_->UnRegisterChanges(link_.get());
  list_ = list;
  if (list != nullptr) {
    list->RegisterChanges(link_.get());
    list->FreeNotification(user_);
  }
  if (changed_) changed_();
}

void TQELImageReference::SetListIndex(int v) {
  if (v < 0 || v == list_index_) return;
  list_index_ = v;
  if (list_ != nullptr && changed_) changed_();
}

void TQELImageReference::SetImageIndex(int v) {
  if (v < 0 || v == image_index_) return;
  image_index_ = v;
  if (list_ != nullptr && changed_) changed_();
}

bool TQELImageReference::Exists() const { return list_ != nullptr && list_->IsValid(list_index_, image_index_); }

void TQELImageReference::ComponentRemoved(vcl::TComponent *component) {
  if (component == nullptr || component != list_) return;
  list_ = nullptr;
  if (changed_) changed_();
}

// ---------------------------------------------------------------------------

TQELCustomControl::TQELCustomControl(vcl::TComponent *owner)
    : vcl::TCustomControl(owner),
      image_(this, [this] { ImageListChanged(this); }),
      effect_(std::make_unique<TQELBitmapEffectObject>()) {
  SetBounds(Left(), Top(), 100, 40);
  SetTabStop(false);
  effect_->OnChange = [this](rtl::TObject *sender) { SubObjectChanged(sender); };
}

TQELCustomControl::~TQELCustomControl() {
  // The callbacks go before the objects, so nothing calls back into a
  // half-destroyed control.
  effect_->OnChange = nullptr;
}

void TQELCustomControl::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  Invalidate();
}

void TQELCustomControl::SetFlat(bool v) {
  if (flat_ == v) return;
  flat_ = v;
  FlatChanged();
  Invalidate();
}

bool TQELCustomControl::DrawBackground(TCanvas *, const TRect &, const vcl::TPoint &) { return false; }

void TQELCustomControl::EraseBackground(TCanvas *canvas) {
  if (UsesBackground() && DrawBackground(canvas, ClientRect(), vcl::TPoint{0, 0})) return;
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(ClientRect());
}

void TQELCustomControl::SubObjectChanged(rtl::TObject *) {
  if (need_invalidate_) Invalidate();
}

// OnMouseEnter itself is raised by the control library's own handling.
void TQELCustomControl::MouseEntered() { mouse_above_ = true; }

void TQELCustomControl::MouseExited() {
  mouse_above_ = false;
  if (!entered_ && flat_) Invalidate();
  if (OnMouseExit) OnMouseExit(this);
}

void TQELCustomControl::PaintFlatBorder(TCanvas *canvas) {
  if (Focused() || !flat_ || mouse_above_) return;
  if (!ctl3d_) return;
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(vcl::clBtnFace);
  TRect r = ClientRect();
  canvas->FrameRect(r);
  vcl::InflateRect(r, -1, -1);
  canvas->FrameRect(r);
}

void TQELCustomControl::PaintHotBorder(TCanvas *canvas) {
  TRect r = ClientRect();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  if (ctl3d_) {
    canvas->Brush()->SetColor(vcl::clBtnFace);
    canvas->FrameRect(r);
    vcl::DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, vcl::BF_RECT | vcl::BF_ADJUST);
    canvas->Brush()->SetColor(vcl::clWindowFrame);
    canvas->FrameRect(r);
  } else {
    canvas->Brush()->SetColor(vcl::clWindowFrame);
    canvas->FrameRect(r);
  }
}

void TQELCustomControl::Paint() {
  EraseBackground(Canvas());
  if (IsDesigning() && ShowsDesignFrame()) {
    QPainter *p = Canvas()->Painter();
    if (p != nullptr) {
      p->save();
      p->setBrush(Qt::NoBrush);
      p->setPen(QPen(Qt::black, 1, Qt::DashLine));
      p->drawRect(QRect(0, 0, Width() - 1, Height() - 1));
      p->restore();
    }
  }
  if (flat_) {
    if (mouse_above_ || entered_)
      PaintHotBorder(Canvas());
    else
      PaintFlatBorder(Canvas());
  }
  vcl::TCustomControl::Paint();
}

void TQELCustomControl::NotifyChildrenBackground() {
  for (int i = 0; i < ControlCount(); ++i)
    if (auto *child = dynamic_cast<vcl::TWinControl *>(Controls(i))) child->Perform(QEL_BACKGROUNDCHANGED);
}

void TQELCustomControl::WndProc(vcl::TMessage &message) {
  switch (message.Msg) {
    case QEL_BACKGROUNDCHANGED:
      if (IsLoading() || IsDestroying()) return;
      if (UsesBackground()) {
        Repaint();
        NotifyChildrenBackground();
      } else {
        Invalidate();
      }
      return;
    case QEL_PARENTBACKGROUNDCHANGED:
      if (UsesBackground()) NotifyChildrenBackground();
      return;
    case QEL_AFTERENTER:
      if (OnAfterEnter) OnAfterEnter(this);
      return;
    case QEL_AFTEREXIT:
      if (OnAfterExit) OnAfterExit(this);
      return;
    case vcl::WM_ERASEBKGND:
      if (UsesBackground()) {
        message.Result = 1;
        return;
      }
      break;
    case vcl::CM_MOUSEENTER:
      vcl::TCustomControl::WndProc(message);
      MouseEntered();
      return;
    case vcl::CM_MOUSELEAVE:
      vcl::TCustomControl::WndProc(message);
      MouseExited();
      return;
    case vcl::WM_SETFOCUS:
      vcl::TCustomControl::WndProc(message);
      entered_ = true;
      if (flat_) Invalidate();
      // Told once the focus change is over, as a posted message would be.
      Perform(QEL_AFTERENTER);
      return;
    case vcl::WM_KILLFOCUS:
      vcl::TCustomControl::WndProc(message);
      entered_ = false;
      if (flat_) Invalidate();
      Perform(QEL_AFTEREXIT);
      return;
    case vcl::WM_SIZE:
      vcl::TCustomControl::WndProc(message);
      if (UsesBackground()) {
        Invalidate();
        NotifyChildrenBackground();
      } else {
        Invalidate();
      }
      return;
    case vcl::WM_MOVE:
      vcl::TCustomControl::WndProc(message);
      if (UsesBackground()) Invalidate();
      return;
    default:
      break;
  }
  vcl::TCustomControl::WndProc(message);
}

void TQELCustomControl::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  vcl::TCustomControl::Notification(component, operation);
  if (operation == vcl::opRemove) image_.ComponentRemoved(component);
}

void TQELCustomControl::Loaded() {
  vcl::TCustomControl::Loaded();
  if (ImageList() != nullptr) ImageListChanged(this);
}

}  // namespace qel
