// The design surface (see kvsurface.h).
#include "report/designer/kvsurface.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"
#include "report/engine/model/kvglobals.h"

namespace report {

namespace {

constexpr int kHandleReach = 2;  // a handle answers this close to its point
constexpr int kGrabReach = 3;    // a drag started this close to a corner takes it
constexpr int kMarkSize = 5;
constexpr int kStepsPerMark = 5;
constexpr double kPixelStep = 3.0;
constexpr double kMillimetreStep = 3.7809523809523809524;
constexpr double kTenthInchStep = 9.6;
constexpr int kPercent = 100;
constexpr vcl::TColor kGridColor = 0xE0E0E0;
constexpr vcl::TColor kMarginColor = 0x808080;
constexpr int kDefaultBorder = 18;
const QColor kOutlineColor(0xC0, 0xC0, 0xC0);
const QColor kReferenceColor(0x00, 0x80, 0x80);  // teal

bool Near(int px, int py, int cx, int cy, int reach) {
  return std::abs(px - cx) <= reach && std::abs(py - cy) <= reach;
}

int FloorTo(int v, int step) { return step > 0 ? int(std::floor(double(v) / step)) * step : v; }

bool Inside(const TkvView *v, int x, int y) { return x >= v->x && x <= v->x + v->dx && y >= v->y && y <= v->y + v->dy; }

}  // namespace

// ---------------------------------------------------------------------------
// TkvSurfaceLogic

QPoint TkvSurfaceLogic::Snap(int dx, int dy) const {
  if (!host_.GridAlign()) return {dx, dy};
  const int g = std::max(1, host_.GridSize());
  if (std::abs(dx) < g && std::abs(dy) < g) return {0, 0};
  return {dx / g * g, dy / g * g};
}

TkvSurfaceCursor TkvSurfaceLogic::CursorAt(int x, int y) {
  if (host_.ToolTag() >= 0) return TkvSurfaceCursor::Cross;
  const std::vector<TkvView *> selected = model_.Selected();
  if (selected.size() == 1) {
    const TkvView *v = selected.front();
    const int l = v->x, t = v->y, r = v->x + v->dx, b = v->y + v->dy;
    const int mx = v->x + v->dx / 2, my = v->y + v->dy / 2;
    if (Near(x, y, l, t, kHandleReach) || Near(x, y, r, b, kHandleReach)) return TkvSurfaceCursor::SizeNWSE;
    if (Near(x, y, r, t, kHandleReach) || Near(x, y, l, b, kHandleReach)) return TkvSurfaceCursor::SizeNESW;
    if (Near(x, y, mx, t, kHandleReach) || Near(x, y, mx, b, kHandleReach)) return TkvSurfaceCursor::SizeNS;
    if (Near(x, y, l, my, kHandleReach) || Near(x, y, r, my, kHandleReach)) return TkvSurfaceCursor::SizeWE;
    return TkvSurfaceCursor::Default;
  }
  if (selected.size() > 1) {
    const TkvSelectionBox box = model_.Box();
    if (Near(x, y, box.Right, box.Bottom, kHandleReach)) return TkvSurfaceCursor::SizeNWSE;
    for (TkvView *p : selected) {
      if (p->Typ == gtBand || !Inside(p, x, y)) continue;
      for (TkvView *q : selected) {
        if (q == p || q->Typ == gtBand) continue;
        if (q->x + q->dx == p->x && x - p->x >= 0 && x - p->x <= kHandleReach) {
          split_left_ = q;
          split_right_ = p;
          split_edge_ = p->x;
          return TkvSurfaceCursor::Split;
        }
        if (q->x == p->x + p->dx && p->x + p->dx - x >= 0 && p->x + p->dx - x <= kHandleReach) {
          split_left_ = p;
          split_right_ = q;
          split_edge_ = q->x;
          return TkvSurfaceCursor::Split;
        }
      }
    }
  }
  return TkvSurfaceCursor::Default;
}

void TkvSurfaceLogic::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y, const QPoint &screen) {
  host_.PressStarted();
  if (ignore_next_press_) {
    ignore_next_press_ = false;
    return;
  }
  if (!host_.DesignerActive()) return;
  const bool left = button == vcl::mbLeft;
  pressed_ = left;
  dragged_ = moved_once_ = pending_snapshot_ = false;
  rubber_ = inserting_ = split_ = group_ = band_drag_ = false;
  handle_ = Handle::None;
  resized_ = nullptr;
  split_delta_ = 0;
  press_ = last_ = rubber_end_ = QPoint(x, y);
  alt_ = shift.Contains(vcl::ssAlt);

  if (left && (shift.Contains(vcl::ssCtrl) || host_.ToolTag() >= 0)) {
    rubber_ = true;
    inserting_ = host_.ToolTag() >= 0;
    model_.ClearSelection();
    host_.SelectionChanged();
  } else if (host_.ToolTag() < 0 && (cursor_ == TkvSurfaceCursor::Default || !left)) {
    TkvView *hit = model_.ObjectAt(x, y);
    bool kept = false;
    if (hit != nullptr) {
      model_.SetClicked(hit);
      if (shift.Contains(vcl::ssShift))
        model_.SetSelected(hit, !hit->Selected);
      else if (hit->Selected)
        kept = true;
      else
        model_.SelectOnly(hit);
    } else {
      model_.ClearSelection();
      rubber_ = left;
    }
    band_drag_ = hit != nullptr && hit->Selected && hit->Typ == gtBand && model_.SelectedCount() == 1;
    if (!kept) host_.SelectionChanged();
  } else if (left) {
    if (cursor_ == TkvSurfaceCursor::Split) {
      split_ = true;
    } else if (model_.SelectedCount() > 1) {
      group_ = true;
      group_box_ = model_.Box();
      group_corner_ = QPoint(group_box_.Right, group_box_.Bottom);
    } else {
      StartResize();
    }
  }
  if (button == vcl::mbRight) host_.Popup(screen);
}

void TkvSurfaceLogic::StartResize() {
  TkvView *v = model_.SingleSelected();
  if (v == nullptr) return;
  resized_ = v;
  start_rect_ = QRect(v->x, v->y, v->dx, v->dy);
  handle_total_ = QPoint();
  const int l = v->x, t = v->y, r = v->x + v->dx;
  const int mx = v->x + v->dx / 2, my = v->y + v->dy / 2;
  const int px = press_.x(), py = press_.y();
  switch (cursor_) {
    case TkvSurfaceCursor::SizeNWSE:
      handle_ = Near(px, py, l, t, kGrabReach) ? Handle::TopLeft : Handle::BottomRight;
      break;
    case TkvSurfaceCursor::SizeNESW:
      handle_ = Near(px, py, r, t, kGrabReach) ? Handle::TopRight : Handle::BottomLeft;
      break;
    case TkvSurfaceCursor::SizeWE:
      handle_ = Near(px, py, l, my, kGrabReach) ? Handle::Left : Handle::Right;
      break;
    case TkvSurfaceCursor::SizeNS:
      handle_ = Near(px, py, mx, t, kGrabReach) ? Handle::Top : Handle::Bottom;
      break;
    default:
      handle_ = Handle::None;
      resized_ = nullptr;
      break;
  }
}

void TkvSurfaceLogic::ResizeTo(const QPoint &total) {
  // The corner or edge dragged moves; the opposite one stays. The object
  // is the rectangle between them, so its size never turns negative, even
  // when the handle goes past the opposite corner.
  int l = start_rect_.x(), t = start_rect_.y();
  int r = l + start_rect_.width(), b = t + start_rect_.height();
  const int tx = total.x(), ty = total.y();
  switch (handle_) {
    case Handle::TopLeft:
      l += tx;
      t += ty;
      break;
    case Handle::TopRight:
      r += tx;
      t += ty;
      break;
    case Handle::BottomLeft:
      l += tx;
      b += ty;
      break;
    case Handle::BottomRight:
      r += tx;
      b += ty;
      break;
    case Handle::Left:
      l += tx;
      break;
    case Handle::Right:
      r += tx;
      break;
    case Handle::Top:
      t += ty;
      break;
    case Handle::Bottom:
      b += ty;
      break;
    case Handle::None:
      return;
  }
  resized_->x = std::min(l, r);
  resized_->dx = std::abs(r - l);
  resized_->y = std::min(t, b);
  resized_->dy = std::abs(b - t);
}

void TkvSurfaceLogic::CarryBandContents(vcl::TShiftState shift) {
  if (!band_drag_ || alt_ || shift.Contains(vcl::ssAlt)) return;
  const TkvView *band = model_.SingleSelected();
  if (band == nullptr || band->Typ != gtBand) return;
  const bool vertical = static_cast<const TkvBandView *>(band)->IsVertical();
  for (TkvView *v : model_.Views()) {
    if (v->Typ == gtBand) continue;
    const bool inside = vertical ? v->x >= band->x && v->x + v->dx <= band->x + band->dx
                                 : v->y >= band->y && v->y + v->dy <= band->y + band->dy;
    if (inside) v->Selected = true;
  }
}

void TkvSurfaceLogic::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (!host_.DesignerActive()) return;
  if (!pressed_) {
    cursor_ = CursorAt(x, y);
    return;
  }
  if (rubber_) {
    rubber_end_ = QPoint(x, y);
    return;
  }
  if (split_) {
    split_delta_ = x - press_.x();
    return;
  }
  if (group_) {
    group_corner_ = QPoint(x, y);
    const int w = group_box_.Width(), h = group_box_.Height();
    host_.GroupScale(w > 0 ? (x - group_box_.Left) * kPercent / w : kPercent,
                     h > 0 ? (y - group_box_.Top) * kPercent / h : kPercent);
    return;
  }
  if (handle_ != Handle::None && resized_ != nullptr) {
    const QPoint total = Snap(x - press_.x(), y - press_.y());
    if (total == handle_total_) return;
    handle_total_ = total;
    ResizeTo(total);
    dragged_ = true;
    host_.Moving();
    return;
  }
  if (cursor_ != TkvSurfaceCursor::Default || model_.SelectedCount() == 0) return;
  const QPoint d = Snap(x - last_.x(), y - last_.y());
  if (d.isNull()) return;
  if (!moved_once_) {
    moved_once_ = true;
    CarryBandContents(shift);
  }
  model_.MoveSelected(d.x(), d.y());
  last_ += d;
  dragged_ = true;
  pending_snapshot_ = true;
  host_.Moving();
}

void TkvSurfaceLogic::MouseUp(vcl::TMouseButton button, vcl::TShiftState, int x, int y) {
  if (button != vcl::mbLeft || !pressed_) return;
  pressed_ = false;
  if (inserting_) {
    rubber_end_ = QPoint(x, y);
    rubber_ = false;
    ReleaseInsert();
  } else if (rubber_) {
    rubber_ = false;
    model_.SelectIn(press_, QPoint(x, y));
    host_.SelectionChanged();
  } else if (split_) {
    split_ = false;
    const int d = split_delta_;
    if (d != 0 && split_left_ != nullptr && split_right_ != nullptr && split_left_->dx + d > 0 &&
        split_right_->dx - d > 0) {
      split_left_->dx += d;
      split_right_->x += d;
      split_right_->dx -= d;
      host_.Changed();
    }
    host_.SelectionChanged();
  } else if (group_) {
    group_ = false;
    host_.GroupScale(0, 0);
    if (group_corner_ != QPoint(group_box_.Right, group_box_.Bottom)) {
      model_.ResizeGroup(group_box_, group_corner_.x() - group_box_.Left, group_corner_.y() - group_box_.Top);
      host_.Changed();
    }
    host_.SelectionChanged();
  } else {
    for (TkvView *v : model_.Selected()) TkvDesignerModel::Normalize(v);
    // One move or one resize is one undo step, taken as the button goes up.
    if ((handle_ != Handle::None && dragged_) || pending_snapshot_) host_.Changed();
    if (dragged_) host_.SelectionChanged();
  }
  handle_ = Handle::None;
  resized_ = nullptr;
  pending_snapshot_ = false;
  dragged_ = false;
}

void TkvSurfaceLogic::ReleaseInsert() {
  const int tag = host_.ToolTag();
  if (tag < 0) return;
  QRect r = KvSpan(press_, rubber_end_);
  if (host_.GridAlign()) {
    const int g = std::max(1, host_.GridSize());
    r = QRect(QPoint(FloorTo(r.left(), g), FloorTo(r.top(), g)), QPoint(FloorTo(r.right(), g), FloorTo(r.bottom(), g)));
  }
  // The insertion is over whether or not it made an object (a band whose
  // type was not chosen, or no band type left): the select tool comes back
  // unless the tool was chosen to stay.
  if (!host_.KeepTool()) host_.ResetTool();
  int band_type = btMasterData;
  if (tag == gtBand) {
    if (model_.AllBandTypesUsed()) return;
    band_type = host_.ChooseBandType();
    if (band_type < 0) return;
  }
  TkvView *view = model_.Insert(tag, r.topLeft(), r.bottomRight(), band_type);
  if (view != nullptr) host_.Inserted(view);
}

void TkvSurfaceLogic::DoubleClick() {
  if (!host_.DesignerActive() || model_.SingleSelected() == nullptr) return;
  // The press that comes with the double click must not start a drag
  // after the editor closed.
  ignore_next_press_ = true;
  pressed_ = false;
  host_.EditSelected();
}

QRect TkvSurfaceLogic::GroupRect() const { return KvSpan(QPoint(group_box_.Left, group_box_.Top), group_corner_); }

// ---------------------------------------------------------------------------
// TPreview

TPreview::TPreview(vcl::TComponent *owner, TkvDesignerModel &model, ISurfaceHost &host)
    : vcl::TCustomControl(owner), model_(model), host_(host), logic_(model, host) {
  SetName(QStringLiteral("Preview"));
  SetColor(vcl::clWhite);
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csOpaque});
  SetTabStop(true);
}

void TPreview::InitWidget() {
  vcl::TCustomControl::InitWidget();
  Handle()->setMouseTracking(true);
}

void TPreview::SetBounds(int left, int top, int width, int height) {
  vcl::TCustomControl::SetBounds(left, top, width, height);
  if (OnPlaced) OnPlaced(this);
}

void TPreview::ShowCursor() {
  vcl::TCursor cursor = vcl::crDefault;
  switch (logic_.Cursor()) {
    case TkvSurfaceCursor::Cross:
      cursor = vcl::crCross;
      break;
    case TkvSurfaceCursor::SizeNWSE:
      cursor = vcl::crSizeNWSE;
      break;
    case TkvSurfaceCursor::SizeNESW:
      cursor = vcl::crSizeNESW;
      break;
    case TkvSurfaceCursor::SizeNS:
      cursor = vcl::crSizeNS;
      break;
    case TkvSurfaceCursor::SizeWE:
      cursor = vcl::crSizeWE;
      break;
    case TkvSurfaceCursor::Split:
      cursor = vcl::crHSplit;
      break;
    default:
      break;
  }
  if (Cursor() != cursor) SetCursor(cursor);
}

void TPreview::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TCustomControl::MouseDown(button, shift, x, y);
  const vcl::TPoint screen = ClientToScreen(vcl::TPoint{x, y});
  logic_.MouseDown(button, shift, x, y, QPoint(screen.X, screen.Y));
  Invalidate();
}

void TPreview::MouseMove(vcl::TShiftState shift, int x, int y) {
  vcl::TCustomControl::MouseMove(shift, x, y);
  if (QGuiApplication::keyboardModifiers() & Qt::AltModifier) shift.Include(vcl::ssAlt);
  const bool pressed = logic_.Pressed();
  logic_.MouseMove(shift, x, y);
  ShowCursor();
  if (pressed) Invalidate();
}

void TPreview::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TCustomControl::MouseUp(button, shift, x, y);
  logic_.MouseUp(button, shift, x, y);
  Invalidate();
}

void TPreview::WMGetDlgCode(vcl::TMessage &message) {
  message.Result = vcl::DLGC_WANTARROWS | vcl::DLGC_WANTALLKEYS | vcl::DLGC_WANTCHARS;
}

void TPreview::DblClick() {
  vcl::TCustomControl::DblClick();
  logic_.DoubleClick();
}

void TPreview::PaintBackground(vcl::TCanvas *c) {
  const int w = Width(), h = Height();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(vcl::clWhite);
  c->FillRect(vcl::Rect(0, 0, w, h));
  QPainter *p = c->Painter();
  if (p == nullptr) return;
  p->save();
  const double step = KvUnitStep(model_.Unit()) * kStepsPerMark;
  QPen solid(vcl::ColorToQColor(kGridColor));
  solid.setWidth(0);
  QPen dotted = solid;
  dotted.setStyle(Qt::DotLine);
  for (int i = 0;; ++i) {
    const int pos = int(std::lround(i * step));
    if (pos > std::max(w, h)) break;
    p->setPen(i % 2 == 0 ? solid : dotted);
    if (pos <= w) p->drawLine(pos, 0, pos, h);
    if (pos <= h) p->drawLine(0, pos, w, pos);
  }
  const TkvPage *page = model_.Page();
  if (page->UseMargins) {
    TPageGeometry g = page->PrinterGeometry;
    if (g == TPageGeometry{}) {
      g.OffsetLeft96 = g.OffsetTop96 = kDefaultBorder;
      g.PrintWidth96 = std::max(0, page->WidthPixels() - 2 * kDefaultBorder);
      g.PrintHeight96 = std::max(0, page->HeightPixels() - 2 * kDefaultBorder);
    }
    p->setBrush(Qt::NoBrush);
    p->setPen(QPen(vcl::ColorToQColor(kMarginColor), 0));
    p->drawRect(g.OffsetLeft96, g.OffsetTop96, g.PrintWidth96, g.PrintHeight96);
    const int *m = page->Margins;
    if (m[0] != 0 || m[1] != 0 || m[2] != 0 || m[3] != 0) {
      QPen margin(vcl::ColorToQColor(kMarginColor), 0, Qt::DotLine);
      p->setPen(margin);
      p->drawRect(m[0], m[1], page->WidthPixels() - m[0] - m[2], page->HeightPixels() - m[1] - m[3]);
    }
  }
  p->restore();
}

void TPreview::Paint() {
  vcl::TCanvas *c = Canvas();
  if (!host_.DesignerActive()) {
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(vcl::clWhite);
    c->FillRect(vcl::Rect(0, 0, Width(), Height()));
    return;
  }
  PaintBackground(c);
  TkvEngineState &engine = kvEngine();
  const int saved_mode = engine.DrawMode;
  engine.DrawMode = kvDrawDesign;
  for (TkvView *v : model_.Views()) {
    // An object that cannot draw itself leaves the others drawn.
    rtl::IgnoreFailure("one object of the design surface could not be drawn", [&] { v->Draw(c); });
  }
  // The bands' names stay readable over the objects of the band above.
  for (TkvView *v : model_.Views())
    if (auto *band = dynamic_cast<TkvBandView *>(v)) band->DrawTitleTab(c);
  engine.DrawMode = saved_mode;
  if (QPainter *p = c->Painter()) PaintOverlay(p);
}

void TPreview::PaintOverlay(QPainter *p) {
  p->save();
  // Drawn inverting what lies below, as outlines of a drag are.
  p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p->setBrush(Qt::NoBrush);
  const std::vector<TkvView *> selected = model_.Selected();
  if (logic_.Dragging()) {
    for (const TkvView *v : selected) {
      const QRect r(v->x, v->y, v->dx + 1, v->dy + 1);
      if (host_.InvertOutlines()) {
        p->fillRect(r, Qt::white);
      } else {
        p->setPen(QPen(kOutlineColor, 1));
        p->drawRect(r.adjusted(0, 0, -1, -1));
      }
    }
  }
  const TkvSelectionBox box = model_.Box();
  auto mark = [p](int x, int y, const QColor &color) {
    p->fillRect(QRect(x - kMarkSize / 2, y - kMarkSize / 2, kMarkSize, kMarkSize), color);
  };
  for (const TkvView *v : selected) {
    const int l = v->x, t = v->y, r = v->x + v->dx, b = v->y + v->dy;
    mark(l, t, Qt::white);
    mark(r, t, Qt::white);
    mark(l, b, Qt::white);
    mark(r, b, v == box.Reference && selected.size() > 1 ? kReferenceColor : Qt::white);
    if (selected.size() == 1) {
      mark(l + v->dx / 2, t, Qt::white);
      mark(l + v->dx / 2, b, Qt::white);
      mark(l, t + v->dy / 2, Qt::white);
      mark(r, t + v->dy / 2, Qt::white);
    }
  }
  QPen dotted(Qt::white, 1, Qt::DotLine);
  if (logic_.RubberActive()) {
    p->setPen(dotted);
    p->drawRect(logic_.RubberRect());
  }
  if (logic_.SplitActive()) {
    p->setPen(QPen(Qt::white, 1));
    p->drawLine(logic_.SplitX(), 0, logic_.SplitX(), Height());
  }
  if (logic_.GroupResizing()) {
    p->setPen(dotted);
    p->drawRect(logic_.GroupRect());
  }
  p->restore();
}

// ---------------------------------------------------------------------------
// Grid and rulers

double KvUnitStep(int unit) {
  switch (unit) {
    case kvUnitMillimetres:
      return kMillimetreStep;
    case kvUnitInches:
      return kTenthInchStep;
    default:
      return kPixelStep;
  }
}

std::vector<TkvRulerMark> KvRulerMarks(int length, int unit) {
  std::vector<TkvRulerMark> marks;
  const double step = KvUnitStep(unit) * kStepsPerMark;
  const int g = unit == kvUnitPixels ? 3 : 1;
  for (int i = 0;; ++i) {
    const int pos = int(std::lround(i * step));
    if (pos > length) break;
    TkvRulerMark m;
    m.Position = pos;
    m.Number = i % 2 == 0;
    m.Value = m.Number ? i * g / 2 : 0;
    marks.push_back(m);
  }
  return marks;
}

}  // namespace report
