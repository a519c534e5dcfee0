// The border painting of the shapes and the form shape component: the
// window region on the form, the background and the messages it answers.
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelregion.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/forms.h"

namespace qel {

namespace {

// The pieces of a shape's outline in one rectangle (coordinates already
// absolute). An empty inner path means "the second path".
struct Outline {
  QPainterPath single, first, second, inner;
  int inset = 1;
  int extra_inset_right_bottom = 0;  // the rounded rectangle's single styles
  qreal second_pen = 2;
};

double AngleOf(const QRectF &box, QPointF p) {
  const QPointF c = box.center();
  // Qt angles run counter-clockwise with y pointing up; the box may be an
  // ellipse, so the radial is measured in the circle it stretches.
  const double dx = (p.x() - c.x()) / qMax(1.0, box.width() / 2);
  const double dy = (c.y() - p.y()) / qMax(1.0, box.height() / 2);
  return std::atan2(dy, dx) * 180.0 / M_PI;
}

// An elliptic arc in `box` counter-clockwise from the radial through `from`
// to the radial through `to`, as the platform's arc runs.
void AddArc(QPainterPath &path, const QRectF &box, QPointF from, QPointF to) {
  const double a = AngleOf(box, from);
  double sweep = AngleOf(box, to) - a;
  while (sweep <= 0) sweep += 360;
  path.arcMoveTo(box, a);
  path.arcTo(box, a, sweep);
}

QPainterPath Lines(std::initializer_list<QPointF> pts) {
  QPainterPath path;
  bool first = true;
  for (const QPointF &p : pts) {
    if (first)
      path.moveTo(p);
    else
      path.lineTo(p);
    first = false;
  }
  return path;
}

QPainterPath Edges(const std::vector<QPointF> &pts, std::initializer_list<std::pair<int, int>> edges) {
  QPainterPath path;
  for (auto [a, b] : edges) {
    path.moveTo(pts[static_cast<size_t>(a)]);
    path.lineTo(pts[static_cast<size_t>(b)]);
  }
  return path;
}

QPainterPath Closed(const std::vector<QPointF> &pts) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(pts.begin(), pts.end())));
  path.closeSubpath();
  return path;
}

bool MakeOutline(TQELRegionShape shape, const TRect &r, int rx, int ry, Outline *o) {
  const double L = r.Left, T = r.Top, W = r.Width(), H = r.Height();
  const double R = L + W - 1, B = T + H - 1;  // the last pixel row and column
  auto P = [&](double x, double y) { return QPointF(L + x, T + y); };
  switch (shape) {
    case rsRect:
      o->single.addRect(QRectF(L, T, W - 1, H - 1));
      o->first = Lines({QPointF(L, B), QPointF(L, T), QPointF(R, T)});
      o->second = Lines({QPointF(R, T), QPointF(R, B), QPointF(L, B)});
      return true;
    case rsRoundRect: {
      o->single.addRoundedRect(QRectF(L, T, W - 1, H - 1), rx / 2.0, ry / 2.0);
      o->first = o->single;
      o->extra_inset_right_bottom = 2;
      o->second_pen = 4;
      const QRectF ll(L, B - ry, rx, ry), lr(R - rx, B - ry, rx, ry), ur(R - rx, T, rx, ry);
      AddArc(o->second, ll, P(0, H), P(rx / 2, H));
      o->second.lineTo(P(W - rx / 2, H));
      AddArc(o->second, lr, P(W - rx / 2, H), P(W, H - ry / 2));
      o->second.lineTo(P(W, ry / 2));
      AddArc(o->second, ur, P(W, ry / 2), P(W, 0));
      return true;
    }
    case rsDiamond: {
      const QPointF top(L + W / 2, T), left(L, T + H / 2), bottom(L + W / 2, B), right(R, T + H / 2);
      o->single = Closed({top, left, bottom, right});
      o->first = Lines({right, top, left});
      o->second = Lines({left, bottom, right});
      o->inner = Lines({bottom, right, top});
      return true;
    }
    case rsOctagon: {
      const double t = int(W) / 3, u = int(H) / 3;
      const std::vector<QPointF> p{P(2 * t, 0), P(t, 0),         P(0, u),         P(0, 2 * u),
                                   P(t, H - 1), P(2 * t, H - 1), P(W - 1, 2 * u), P(W - 1, u)};
      o->single = Closed(p);
      o->first = Lines({p[7], p[0], p[1], p[2], p[3]});
      o->second = Lines({p[3], p[4], p[5], p[6], p[7]});
      return true;
    }
    case rsComb: {
      const double q = int(H) / 4;
      const std::vector<QPointF> p{P(W / 2, 0), P(0, q), P(0, 3 * q), P(W / 2, H - 1), P(W - 1, 3 * q), P(W - 1, q)};
      o->single = Closed(p);
      o->first = Lines({p[5], p[0], p[1], p[2]});
      o->second = Lines({p[2], p[3], p[4], p[5]});
      return true;
    }
    case rsStar: {
      auto F = [&](double fx, double fy) {
        return P(static_cast<double>(std::lround(fx * W)), static_cast<double>(std::lround(fy * H)));
      };
      const std::vector<QPointF> p{F(0.5, 0),    F(0.65, 0.38), F(1, 0.38),  F(0.7, 0.6), F(0.85, 1),
                                   F(0.5, 0.75), F(0.15, 1),    F(0.3, 0.6), F(0, 0.38),  F(0.35, 0.38)};
      o->single = Closed(p);
      o->first = Edges(p, {{1, 2}, {3, 4}, {6, 7}, {8, 9}, {9, 0}});
      o->second = Edges(p, {{0, 1}, {2, 3}, {4, 5}, {5, 6}, {7, 8}});
      o->inset = 2;
      return true;
    }
    case rsElliptic:
    case rsHalfRound: {
      const QRectF box = shape == rsElliptic ? QRectF(L, T, W - 1, H - 1) : QRectF(L, T - H, W - 1, 2 * H - 1);
      o->single.addEllipse(box);
      AddArc(o->first, box, P(W, 0), P(0, H));
      AddArc(o->second, box, P(0, H), P(W, 0));
      return true;
    }
    case rsRoundShield:
    case rsSharpShield: {
      const int h5 = int(H) / 5;
      const QRectF lc(L - W / 2, T - h5, W, 2 * h5), rc(L + W / 2, T - h5, W, 2 * h5);
      QPainterPath scallops;
      AddArc(scallops, lc, P(0, h5), P(W / 2, 0));
      AddArc(scallops, rc, P(W / 2, 0), P(W, h5));
      QPainterPath sides, right_side;
      if (shape == rsRoundShield) {
        const QRectF body(L, T + h5 - H, W, 2 * H - h5);
        AddArc(sides, body, P(0, h5), P(W / 2, H));
        AddArc(right_side, body, P(W / 2, H), P(W, h5));
        sides.addPath(right_side);
      } else {
        const int e = 8 * int(H) / 7;
        AddArc(sides, QRectF(L - W, T - e, 2 * W, 2 * e), P(0, h5), P(W / 2, H));
        AddArc(right_side, QRectF(L, T - e, 2 * W, 2 * e), P(W / 2, H), P(0, h5));
        sides.addPath(right_side);
      }
      o->single = scallops;
      o->single.addPath(sides);
      o->first = scallops;
      o->second = sides;
      QPainterPath right_scallop;
      AddArc(right_scallop, rc, P(W / 2, 0), P(W, h5));
      o->inner = right_side;
      o->inner.addPath(right_scallop);
      return true;
    }
    default:
      return false;
  }
}

// True when a visible child control covers the client point.
bool ChildAt(const vcl::TWinControl *form, const vcl::TPoint &p) {
  for (int i = 0; i < form->ControlCount(); ++i) {
    const vcl::TControl *c = form->Controls(i);
    const TRect b = c->BoundsRect();
    if (c->Visible() && p.X >= b.Left && p.X < b.Right && p.Y >= b.Top && p.Y < b.Bottom) return true;
  }
  return false;
}

struct PenScope {
  QPainter *p;
  explicit PenScope(QPainter *painter) : p(painter) { p->save(); }
  ~PenScope() { p->restore(); }
};

void Stroke(QPainter *p, const QPainterPath &path, TColor color, qreal width) {
  p->setBrush(Qt::NoBrush);
  p->setPen(QPen(vcl::ColorToQColor(color), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p->drawPath(path);
}

// Draws one body outline by the border style.
void PaintBody(QPainter *p, TQELRegionShape shape, TRect r, int rx, int ry, const TQELRegionBorder *b) {
  Outline o;
  if (!MakeOutline(shape, r, rx, ry, &o)) return;
  const TQELRegionBorderStyle st = b->Style();
  if (st == rbNone) return;
  if (st == rbSingle) {
    Stroke(p, o.single, b->SingleColor(), 2);
    return;
  }
  const bool lowered = st == rbLowered || st == rbSingleLowered || st == rbLoweredpsb;
  const bool psb = st == rbRaisedpsb || st == rbLoweredpsb;
  TColor first = lowered ? b->ShadowColor() : b->LightColor();
  TColor second = lowered ? b->LightColor() : b->ShadowColor();
  TColor inner_color = second;
  if (psb) {
    // The frame gives its second colour up to the single colour; the inner
    // line gets what it gave up.
    inner_color = second;
    second = b->SingleColor();
  }
  const bool single_first = st == rbSingleRaised || st == rbSingleLowered;
  if (single_first) {
    Stroke(p, o.single, b->SingleColor(), 2);
    int inset = o.inset;
    r = TRect{r.Left + inset, r.Top + inset, r.Right - inset - o.extra_inset_right_bottom,
              r.Bottom - inset - o.extra_inset_right_bottom};
    o = Outline();
    MakeOutline(shape, r, rx, ry, &o);
  }
  Stroke(p, o.first, first, 2);
  Stroke(p, o.second, second, o.second_pen);
  if (psb) {
    const int inset = shape == rsStar ? 3 : o.inset;
    const qreal pen = o.second_pen;
    r = TRect{r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset};
    Outline in;
    MakeOutline(shape, r, rx, ry, &in);
    Stroke(p, in.inner.isEmpty() ? in.second : in.inner, inner_color, pen);
  }
}

}  // namespace

TQELBorderRegion::TQELBorderRegion(vcl::TWinControl *owner_control)
    : TQELRegion(owner_control), border_(std::make_unique<TQELRegionBorder>()) {
  border_->OnChange = [this](rtl::TObject *) { Change(); };
}

void TQELBorderRegion::PaintBorder(TCanvas *canvas, const TRect &rect) const {
  QPainter *p = canvas->Painter();
  if (p == nullptr) return;
  PaintShadow(canvas, rect);
  TRect r = rect;
  r.Left += RegionOffset().X;
  r.Right += RegionOffset().X;
  r.Top += RegionOffset().Y;
  r.Bottom += RegionOffset().Y;
  if (Shadow()->Style() != hssNone) {
    r.Right -= Shadow()->Depth();
    r.Bottom -= Shadow()->Depth();
  }
  const PenScope scope(p);
  const TQELRegionBorder *b = border_.get();
  switch (Shape()) {
    case rsBitmap:
    case rsUserRegion:
      return;
    case rsNoseRect:
    case rsRoundNoseRect: {
      const int d = r.Width() / 10;
      const TQELExtPos e = ExtPos();
      const bool vertical = e == epLeftTop || e == epRightTop || e == epRightBottom || e == epLeftBottom;
      const bool round = Shape() == rsRoundNoseRect;
      const TRect body = ReducedBodyRect(r, e, d);
      const auto nose = NoseTriangle(r, e, d, round ? (vertical ? RoundY() : RoundX()) : 5);
      const QPoint a = nose[1], z = nose[2];
      // The body outline stays open where the nose joins.
      const int m = round ? 4 : 2;
      const QRect gap = QRect(QPoint(qMin(a.x(), z.x()) - m, qMin(a.y(), z.y()) - m),
                              QPoint(qMax(a.x(), z.x()) + m, qMax(a.y(), z.y()) + m));
      const QRegion clip = p->hasClipping() ? p->clipRegion() : QRegion(QRect(-32768, -32768, 65535, 65535));
      p->setClipRegion(clip - gap);
      PaintBody(p, round ? rsRoundRect : rsRect, body, RoundX(), RoundY(), b);
      return;
    }
    case rsThinkBubble:
    case rsRoundThinkBubble:
    case rsEllipticThinkBubble: {
      QRegion clip = p->hasClipping() ? p->clipRegion() : QRegion(QRect(-32768, -32768, 65535, 65535));
      for (const TRect &c : BubbleRects(r)) {
        if (c.IsEmpty()) continue;
        p->setClipRegion(clip);
        PaintBody(p, rsElliptic, c, 0, 0, b);
        clip -= QRect(c.Left, c.Top, c.Width(), c.Height());
      }
      p->setClipRegion(clip);
      const TRect body = ReducedBodyRect(r, ExtPos(), r.Width() / 6);
      const TQELRegionShape kind =
          Shape() == rsThinkBubble ? rsRect : (Shape() == rsRoundThinkBubble ? rsRoundRect : rsElliptic);
      PaintBody(p, kind, body, RoundX(), RoundY(), b);
      return;
    }
    case rsPointList: {
      const TQELPointList *pts = Points();
      if (pts->Count() == 0) return;
      const int ox = r.Left, oy = r.Top;
      auto pt = [&](int i) {
        const vcl::TPoint q = pts->Point(i % pts->Count());
        return QPointF(ox + q.X, oy + q.Y);
      };
      if (b->Style() == rbSingle) {
        QPainterPath path;
        path.moveTo(pt(0));
        for (int i = 1; i <= pts->Count(); ++i) path.lineTo(pt(i));
        Stroke(p, path, b->SingleColor(), 2);
        return;
      }
      const bool lowered = b->Style() == rbLowered || b->Style() == rbSingleLowered || b->Style() == rbLoweredpsb;
      const bool psb = b->Style() == rbRaisedpsb || b->Style() == rbLoweredpsb;
      const TColor first = lowered ? b->ShadowColor() : b->LightColor();
      const TColor second = psb ? b->SingleColor() : (lowered ? b->LightColor() : b->ShadowColor());
      TColor color = first;
      for (int i = 0; i < pts->Count(); ++i) {
        const QPointF s = pt(i), t = pt(i + 1);
        if (t.y() > s.y()) color = second;
        if (t.y() < s.y()) color = first;
        if (t.x() < s.x()) color = second;
        if (t.x() > s.x()) color = first;
        if (s == t) continue;
        Stroke(p, Lines({s, t}), color, 2);
      }
      return;
    }
    default:
      PaintBody(p, Shape(), r, RoundX(), RoundY(), b);
  }
}

// ---------------------------------------------------------------------------
// Form shape

TQELFormShape::TQELFormShape(vcl::TComponent *owner)
    : TQELWndProcComponent(owner),
      region_(std::make_unique<TQELBorderRegion>(dynamic_cast<vcl::TWinControl *>(owner))),
      fill_(std::make_unique<TQELFillObject>()),
      image_(this, [this] { RegionChanged(this); }) {
  if (IsDesigning() && CheckOwnerForm(this, ClassName(), false)) throw QELEOneInstError(OwnerErrorMessage(ClassName()));
  region_->OnChange = [this](rtl::TObject *s) { RegionChanged(s); };
  fill_->OnChange = [this](rtl::TObject *) {
    if (Form() != nullptr) Form()->Invalidate();
  };
}

TQELFormShape::~TQELFormShape() = default;

vcl::TCustomForm *TQELFormShape::Form() const { return dynamic_cast<vcl::TCustomForm *>(Owner()); }

void TQELFormShape::RegionChanged(rtl::TObject *) {
  if (IsLoading() || Form() == nullptr || Form()->IsDestroying()) return;
  if (Hooked()) ApplyRegion();
  Form()->Invalidate();
}

void TQELFormShape::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELWndProcComponent::Notification(component, operation);
  if (operation == vcl::opRemove) image_.ComponentRemoved(component);
}

void TQELFormShape::SetShowFormCaption(bool v) {
  if (show_caption_ == v) return;
  show_caption_ = v;
  if (Hooked()) ApplyRegion();
}

void TQELFormShape::SetUseRgnBitmap(bool v) {
  if (use_rgn_bitmap_ == v) return;
  use_rgn_bitmap_ = v;
  if (Form() != nullptr) Form()->Invalidate();
}

void TQELFormShape::Loaded() {
  TQELWndProcComponent::Loaded();
  if (Enabled() && Hooked()) ApplyRegion();
}

bool TQELFormShape::HasBackBitmap() const {
  if (use_rgn_bitmap_ && region_->Shape() == rsBitmap) return !region_->Mask()->BorderBitmap()->Empty();
  return back_ != nullptr && !back_->Empty();
}

void TQELFormShape::ApplyRegion() {
  vcl::TCustomForm *form = Form();
  if (form == nullptr || IsLoading() || form->IsDestroying() || applying_) return;
  applying_ = true;
  struct Reset {
    bool &f;
    ~Reset() { f = false; }
  } reset{applying_};
  const bool design = IsDesigning();
  const vcl::TFormBorderStyle bs = form->BorderStyle();
  const bool sizeable = bs == vcl::bsSizeable || bs == vcl::bsSizeToolWin;
  int fx = GetSystemMetrics(sizeable ? SM_CXFRAME : SM_CXDLGFRAME);
  int fy = GetSystemMetrics(sizeable ? SM_CYFRAME : SM_CYDLGFRAME);
  int caption = 0;
  if (bs == vcl::bsSingle || bs == vcl::bsSizeable || bs == vcl::bsDialog)
    caption = GetSystemMetrics(SM_CYCAPTION);
  else if (bs == vcl::bsToolWindow || bs == vcl::bsSizeToolWin)
    caption = GetSystemMetrics(SM_CYSMCAPTION);
  if (bs == vcl::bsNone && !design) fx = fy = 0;
  const int depth = region_->Shadow()->Style() != hssNone ? region_->Shadow()->Depth() : 0;
  if (region_->Shape() == rsBitmap && !region_->Mask()->BorderBitmap()->Empty()) {
    const vcl::TBitmap *bmp = region_->Mask()->BorderBitmap();
    form->SetClientWidth(bmp->Width() + depth);
    form->SetClientHeight(bmp->Height() + depth);
  }
  // The client area stands for the window less its frame and caption,
  // which the window manager draws outside the widget.
  const int w = form->ClientWidth() + 2 * fx, h = form->ClientHeight() + 2 * fy + caption;
  QRegion rgn;
  if (form->WindowState() == vcl::wsMinimized) {
    rgn = QRegion(0, 0, w, caption + fy);
  } else {
    bool exists = true;
    const TRect shape_rect{-1, -1, w - 2 * fx + 1, h - 2 * fy - caption + 1};
    QRegion shape = region_->CreateShapeRegion(shape_rect, &exists);
    if (!exists) return;  // the window keeps its previous region
    shape.translate(fx, caption + fy);
    rgn = shape;
    if (depth > 0) rgn += shape.translated(depth, depth);
    const QRegion caption_rect(0, 0, w, caption + fy);
    if ((show_caption_ && bs != vcl::bsNone) || design)
      rgn += caption_rect;
    else
      rgn -= caption_rect;
  }
  window_region_ = rgn;
  if (design || !form->HandleAllocated()) return;
  QWidget *widget = form->Handle();
  const QRegion client =
      rgn.translated(-fx, -(caption + fy)) & QRegion(0, 0, form->ClientWidth(), form->ClientHeight());
  widget->clearMask();
  if (!client.isEmpty()) widget->setMask(client);
  widget->update();
}

void TQELFormShape::PaintBackground(TCanvas *canvas) {
  vcl::TCustomForm *form = Form();
  if (form == nullptr) return;
  const TRect client = form->ClientRect();
  if (use_rgn_bitmap_ && region_->Shape() == rsBitmap) {
    if (IsDesigning()) {
      if (QPainter *p = canvas->Painter()) {
        p->save();
        p->setPen(vcl::ColorToQColor(canvas->Brush()->Color()));
        for (const QRect &r : region_->Mask()->Region()) p->drawRect(r.adjusted(0, 0, -1, -1));
        p->restore();
      }
    } else {
      canvas->Draw(0, 0, region_->Mask()->BorderBitmap());
    }
  } else if (fill_->Style() != sfNone) {
    if (back_ == nullptr) back_ = std::make_unique<vcl::TBitmap>();
    back_->SetPixelFormat(vcl::pf24bit);
    back_->SetSize(client.Width(), client.Height());
    back_->Canvas()->Brush()->SetColor(0xFFFFFF);
    back_->Canvas()->FillRect(client);
    if (fill_->Style() == sfBitmapList) {
      // The list picture is fetched anew: the list may have changed it.
      fill_->ListBitmap()->SetSize(0, 0);
      if (image_.Exists()) ImageList()->CopyImage(ListIndex(), ImageIndex(), fill_->ListBitmap());
    }
    fill_->Paint(back_->Canvas(), client, form->Color());
    if (!IsDesigning()) canvas->Draw(0, 0, back_.get());
  }
  region_->PaintBorder(canvas, TRect{-1, -1, client.Right + 1, client.Bottom + 1});
}

void TQELFormShape::WndProc(vcl::TMessage &message) {
  using namespace vcl;
  vcl::TCustomForm *form = Form();
  switch (message.Msg) {
    case WM_SIZE:
      TQELWndProcComponent::WndProc(message);
      ApplyRegion();
      if (form != nullptr) form->Invalidate();
      return;
    case WM_ERASEBKGND:
      if (fill_->Style() == sfNone && region_->Shape() != rsBitmap) TQELWndProcComponent::WndProc(message);
      if (form != nullptr) PaintBackground(form->Canvas());
      message.Result = 1;
      return;
    case WM_PAINT: {
      // Qt has no separate erase step: the background goes first, the
      // form's own painting over it, the border on top.
      if (form != nullptr && form->HandleAllocated() && message.Event != nullptr &&
          (fill_->Style() != sfNone || region_->Shape() == rsBitmap)) {
        QPainter painter(form->Handle());
        TCanvas canvas;
        canvas.BeginPaint(&painter);
        PaintBackground(&canvas);
        canvas.EndPaint();
      }
      TQELWndProcComponent::WndProc(message);
      if (form != nullptr && form->HandleAllocated() && message.Event != nullptr) {
        QPainter painter(form->Handle());
        TCanvas canvas;
        canvas.BeginPaint(&painter);
        const TRect c = form->ClientRect();
        region_->PaintBorder(&canvas, TRect{-1, -1, c.Right + 1, c.Bottom + 1});
        canvas.EndPaint();
      }
      return;
    }
    case WM_NCHITTEST:
      TQELWndProcComponent::WndProc(message);
      if (dragable_ && message.Result == HTCLIENT && !dragging_ && form != nullptr) {
        const TPoint p = form->ScreenToClient(TPoint{message.XPos(), message.YPos()});
        if (!ChildAt(form, p)) message.Result = HTCAPTION;
      }
      return;
    case WM_LBUTTONDOWN:
      // The window manager moves the window: the stand-in for a caption hit.
      if (dragable_ && form != nullptr && form->HandleAllocated() && !dragging_) {
        const TPoint p{message.XPos(), message.YPos()};
        if (!ChildAt(form, p) && form->Handle()->windowHandle() != nullptr) {
          dragging_ = true;
          const bool moved = form->Handle()->windowHandle()->startSystemMove();
          dragging_ = false;
          if (moved) return;
        }
      }
      TQELWndProcComponent::WndProc(message);
      return;
    case WM_NCLBUTTONDOWN:
      dragging_ = true;
      TQELWndProcComponent::WndProc(message);
      return;
    case WM_NCLBUTTONUP:
    case WM_EXITSIZEMOVE:
      dragging_ = false;
      TQELWndProcComponent::WndProc(message);
      return;
    default:
      TQELWndProcComponent::WndProc(message);
  }
}

}  // namespace qel
