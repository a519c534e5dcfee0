// Window shapes: region data, point lists, the shape geometry, border and
// shadow painting, and the form shape that puts them on its form.
#include "controls/styled/qelregion.h"

#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <algorithm>
#include <cmath>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelstrm.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/forms.h"

namespace qel {

using vcl::TPoint;

// ---------------------------------------------------------------------------
// Region data

namespace {

constexpr int kHeaderSize = 32;
constexpr int kRectangleType = 1;
// More rectangles than any window can have: the limit keeps a damaged
// count from asking for absurd memory.
constexpr quint32 kMaxRects = 1u << 20;

void PutInt(QByteArray &out, qint32 v) {
  char b[4];
  qToLittleEndian<qint32>(v, b);
  out.append(b, 4);
}

qint32 GetInt(const QByteArray &data, int offset) { return qFromLittleEndian<qint32>(data.constData() + offset); }

}  // namespace

QByteArray RegionToData(const QRegion &region) {
  QByteArray out;
  if (region.isEmpty()) return out;
  const int count = region.rectCount();
  PutInt(out, kHeaderSize);
  PutInt(out, kRectangleType);
  PutInt(out, count);
  PutInt(out, count * 16);
  const QRect b = region.boundingRect();
  PutInt(out, b.left());
  PutInt(out, b.top());
  PutInt(out, b.left() + b.width());
  PutInt(out, b.top() + b.height());
  for (const QRect &r : region) {
    PutInt(out, r.left());
    PutInt(out, r.top());
    PutInt(out, r.left() + r.width());
    PutInt(out, r.top() + r.height());
  }
  return out;
}

QRegion RegionFromData(const QByteArray &data) {
  if (data.isEmpty()) return QRegion();
  if (data.size() < kHeaderSize) throw EQELRegionData(QStringLiteral("Region data too short"));
  if (GetInt(data, 0) != kHeaderSize || GetInt(data, 4) != kRectangleType)
    throw EQELRegionData(QStringLiteral("Region data has an unknown header"));
  const qint32 count = GetInt(data, 8);
  if (count < 0 || static_cast<quint32>(count) > kMaxRects ||
      static_cast<qint64>(data.size()) < kHeaderSize + static_cast<qint64>(count) * 16)
    throw EQELRegionData(QStringLiteral("Region data holds fewer rectangles than it counts"));
  QRegion region;
  QVector<QRect> rects;
  rects.reserve(count);
  for (qint32 i = 0; i < count; ++i) {
    const int o = kHeaderSize + i * 16;
    const qint64 l = GetInt(data, o), t = GetInt(data, o + 4), r = GetInt(data, o + 8), b = GetInt(data, o + 12);
    if (r < l || b < t || r - l > 0x7FFF || b - t > 0x7FFF || std::abs(l) > 0x7FFF || std::abs(t) > 0x7FFF)
      throw EQELRegionData(QStringLiteral("Region data holds an invalid rectangle"));
    if (r > l && b > t) rects.append(QRect(int(l), int(t), int(r - l), int(b - t)));
  }
  region.setRects(rects.constData(), static_cast<int>(rects.size()));
  return region;
}

// ---------------------------------------------------------------------------
// Point list

unsigned TQELPointList::Pack(const TPoint &p) {
  return (static_cast<unsigned>(static_cast<quint16>(p.X)) << 16) | static_cast<quint16>(p.Y);
}

TPoint TQELPointList::Point(int index) const {
  if (index < 0 || index >= Count()) return TPoint{0, 0};
  const unsigned v = items_[static_cast<size_t>(index)];
  return TPoint{static_cast<qint16>(v >> 16), static_cast<qint16>(v & 0xFFFF)};
}

void TQELPointList::SetPoint(int index, const TPoint &p) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)] = Pack(p);
  Changed();
}

void TQELPointList::Add(const TPoint &p) {
  items_.push_back(Pack(p));
  Changed();
}

void TQELPointList::Clear() {
  items_.clear();
  Changed();
}

void TQELPointList::EndUpdate() {
  if (updating_ > 0) --updating_;
  Changed();
}

void TQELPointList::Changed() {
  if (updating_ < 1 && OnChange) OnChange();
}

std::vector<int> TQELPointList::WritePointList() const {
  std::vector<int> out;
  for (int i = 0; i < Count(); ++i) {
    const TPoint p = Point(i);
    out.push_back(p.X);
    out.push_back(p.Y);
  }
  return out;
}

void TQELPointList::ReadPointList(const std::vector<int> &values) {
  if (values.size() % 2 != 0) throw EQELRegionData(QStringLiteral("Point list has an odd number of values"));
  std::vector<unsigned> items;
  for (size_t i = 0; i < values.size(); i += 2) {
    if (values[i] < -32768 || values[i] > 32767 || values[i + 1] < -32768 || values[i + 1] > 32767)
      throw EQELRegionData(QStringLiteral("Point list value out of range"));
    items.push_back(Pack(TPoint{values[i], values[i + 1]}));
  }
  items_ = std::move(items);
  Changed();
}

// ---------------------------------------------------------------------------
// Mask

TQELRegionMask::TQELRegionMask()
    : border_(std::make_unique<vcl::TBitmap>()),
      border_up_(std::make_unique<vcl::TBitmap>()),
      border_down_(std::make_unique<vcl::TBitmap>()) {}

TQELRegionMask::~TQELRegionMask() = default;

void TQELRegionMask::SetRegionData(const QByteArray &data) {
  RegionFromData(data);  // raises for damaged data, keeping the old
  if (data == data_) return;
  data_ = data;
  Change();
}

void TQELRegionMask::WriteRegionData(rtl::TStream *stream) const {
  stream->WriteBuffer(data_.constData(), data_.size());
}

void TQELRegionMask::ReadRegionData(rtl::TStream *stream) {
  const qint64 size = stream->Size() - stream->Position();
  QByteArray data(static_cast<int>(qMax<qint64>(0, size)), '\0');
  if (size > 0) stream->ReadBuffer(data.data(), size);
  SetRegionData(data);
}

vcl::TBitmap *TQELRegionMask::BitmapAt(int which) const {
  switch (which) {
    case 0:
      return border_.get();
    case 1:
      return border_up_.get();
    case 2:
      return border_down_.get();
    default:
      throw rtl::ERangeError(QStringLiteral("No border bitmap %1").arg(which));
  }
}

bool TQELRegionMask::HasBitmap(int which) const { return !BitmapAt(which)->Empty(); }

void TQELRegionMask::WriteBitmapProperty(rtl::TStream *stream, int which) const {
  const quint8 flag = compressed_ ? 1 : 0;
  stream->WriteBuffer(&flag, 1);
  WriteBitmap(stream, BitmapAt(which), -1, compressed_);
}

void TQELRegionMask::ReadBitmapProperty(rtl::TStream *stream, int which) {
  vcl::TBitmap *target = BitmapAt(which);
  quint8 flag = 0;
  stream->ReadBuffer(&flag, 1);
  vcl::TBitmap loaded;
  ReadBitmap(stream, &loaded, flag != 0);
  target->Assign(&loaded);
  Change();
}

void TQELRegionMask::Assign(const rtl::TPersistent *source) {
  const auto *src = dynamic_cast<const TQELRegionMask *>(source);
  if (src == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  if (!src->data_.isEmpty()) data_ = src->data_;
  compressed_ = src->compressed_;
  pixel_format_ = src->pixel_format_;
  border_->Assign(src->border_.get());
  border_up_->Assign(src->border_up_.get());
  border_down_->Assign(src->border_down_.get());
  Change();
}

void TQELRegionBorder::Assign(const rtl::TPersistent *source) {
  const auto *src = dynamic_cast<const TQELRegionBorder *>(source);
  if (src == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  style_ = src->style_;
  light_ = src->light_;
  shadow_ = src->shadow_;
  single_ = src->single_;
  Change();
}

// ---------------------------------------------------------------------------
// Shape geometry

namespace {

int RoundHalf(double v) { return static_cast<int>(std::lround(v)); }

QRegion EllipseRgn(int l, int t, int r, int b) {
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  if (r <= l || b <= t) return QRegion();
  return QRegion(QRect(l, t, r - l, b - t), QRegion::Ellipse);
}

QRegion RectRgn(int l, int t, int r, int b) {
  if (r <= l || b <= t) return QRegion();
  return QRegion(QRect(l, t, r - l, b - t));
}

QRegion RoundRectRgn(int l, int t, int r, int b, int rx, int ry) {
  if (r <= l || b <= t) return QRegion();
  QPainterPath path;
  path.addRoundedRect(QRectF(l, t, r - l, b - t), qMax(0, rx) / 2.0, qMax(0, ry) / 2.0);
  return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

// A polygon region by alternate fill, scanned row by row at the pixel
// centres. Qt's own polygon regions take seconds for tall shapes with few
// corners; rows with the same spans are merged into one band here.
QRegion PolygonRgn(const std::vector<QPoint> &pts) {
  if (pts.size() < 3) return QRegion();
  int top = pts[0].y(), bottom = pts[0].y();
  for (const QPoint &p : pts) {
    top = std::min(top, p.y());
    bottom = std::max(bottom, p.y());
  }
  QVector<QRect> rects;
  std::vector<int> spans, band;
  int band_top = top;
  auto flush = [&](int y_end) {
    for (size_t i = 0; i + 1 < band.size(); i += 2)
      rects.append(QRect(band[i], band_top, band[i + 1] - band[i], y_end - band_top));
  };
  std::vector<double> xs;
  for (int y = top; y <= bottom; ++y) {
    const double cy = y + 0.5;
    xs.clear();
    for (size_t i = 0; i < pts.size(); ++i) {
      const QPoint a = pts[i], b = pts[(i + 1) % pts.size()];
      if ((a.y() <= cy) == (b.y() <= cy)) continue;
      xs.push_back(a.x() + (cy - a.y()) * (b.x() - a.x()) / double(b.y() - a.y()));
    }
    std::sort(xs.begin(), xs.end());
    spans.clear();
    for (size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int x0 = static_cast<int>(std::ceil(xs[i] - 0.5)), x1 = static_cast<int>(std::ceil(xs[i + 1] - 0.5));
      if (x1 <= x0) continue;
      if (!spans.empty() && spans.back() >= x0) {
        spans.back() = std::max(spans.back(), x1);
      } else {
        spans.push_back(x0);
        spans.push_back(x1);
      }
    }
    if (spans != band) {
      flush(y);
      band = spans;
      band_top = y;
    }
  }
  flush(bottom + 1);
  QRegion rgn;
  rgn.setRects(rects.constData(), static_cast<int>(rects.size()));
  return rgn;
}

bool ReducesTop(TQELExtPos p) { return p <= epRightTop; }
bool ReducesLeft(TQELExtPos p) { return p == epLeftTop || p == epTopLeft || p == epBottomLeft || p == epLeftBottom; }
// Positions whose first-named edge is vertical (left or right).
bool VerticalFirst(TQELExtPos p) {
  return p == epLeftTop || p == epRightTop || p == epRightBottom || p == epLeftBottom;
}

}  // namespace

TRect ReducedBodyRect(const TRect &r, TQELExtPos p, int d) {
  TRect b = r;
  if (ReducesTop(p))
    b.Top += d;
  else
    b.Bottom -= d;
  if (ReducesLeft(p))
    b.Left += d;
  else
    b.Right -= d;
  return b;
}

std::vector<QPoint> NoseTriangle(const TRect &r, TQELExtPos p, int d, int start) {
  const TRect body = ReducedBodyRect(r, p, d);
  const int len = RoundHalf(std::sqrt(2.0 * d * d));
  const bool left = ReducesLeft(p), top = ReducesTop(p);
  const QPoint tip(left ? r.Left : r.Right, top ? r.Top : r.Bottom);
  const int cx = left ? body.Left : body.Right;
  const int cy = top ? body.Top : body.Bottom;
  QPoint a, b;
  if (VerticalFirst(p)) {
    const int dir = top ? 1 : -1;
    a = QPoint(cx, cy + dir * start);
    b = QPoint(cx, cy + dir * (start + len));
  } else {
    const int dir = left ? 1 : -1;
    a = QPoint(cx + dir * start, cy);
    b = QPoint(cx + dir * (start + len), cy);
  }
  return {tip, a, b};
}

TQELRegion::TQELRegion(vcl::TWinControl *owner_control)
    : owner_control_(owner_control),
      mask_(std::make_unique<TQELRegionMask>()),
      shadow_(std::make_unique<TQELRgnShadow>()) {
  mask_->OnChange = [this](rtl::TObject *) { Change(); };
  shadow_->OnChange = [this](rtl::TObject *) { Change(); };
  points_.OnChange = [this] { PointsChanged(); };
}

TQELRegion::~TQELRegion() = default;

void TQELRegion::SetShape(TQELRegionShape v) {
  if (shape_ == v) return;
  shape_ = v;
  if (v == rsPointList) {
    PointsChanged();
    return;
  }
  Change();
}

void TQELRegion::SetBubbleCount(int v) { SetField(bubble_count_, qMax(1, v)); }

void TQELRegion::SetUserRegionData(const QByteArray &data) {
  RegionFromData(data);
  user_data_ = data;
  Change();
}

void TQELRegion::PointsChanged() {
  if (shape_ != rsPointList) return;
  std::vector<QPoint> pts;
  for (int i = 0; i < points_.Count(); ++i) pts.emplace_back(points_.Point(i).X, points_.Point(i).Y);
  QRegion rgn;
  if (pts.size() >= 3) rgn = PolygonRgn(pts);
  user_data_ = pts.empty() ? QByteArray() : RegionToData(rgn);
  Change();
}

std::vector<TRect> TQELRegion::BubbleRects(const TRect &rect) const {
  std::vector<TRect> out;
  const int n = bubble_count_;
  const int d = rect.Width() / 6;
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  const double step = d * 2 * M_PI / 4 / n;
  auto c = [d](double x) { return RoundHalf(d * std::cos(x)); };
  auto s = [d](double x) { return RoundHalf(d * std::sin(x)); };
  for (int k = 0; k <= n + 1; ++k) {
    const int diameter = RoundHalf(k * step / n);
    const double a = k * 90.0 / (n + 1) * M_PI / 180.0;
    const double b = 1.57 - a;
    QPoint ctr;
    switch (ext_pos_) {
      case epLeftTop:
        ctr = QPoint(L + d - c(a), T + s(a));
        break;
      case epTopLeft:
        ctr = QPoint(L + c(b), T + d - s(b));
        break;
      case epTopRight:
        ctr = QPoint(R - c(b), T + d - s(1.57 + a));
        break;
      case epRightTop:
        ctr = QPoint(R - d + c(a), T + s(a));
        break;
      case epRightBottom:
        ctr = QPoint(R - d + c(a), B - s(a));
        break;
      case epBottomRight:
        ctr = QPoint(R - c(b), B - d + s(b));
        break;
      case epBottomLeft:
        ctr = QPoint(L + c(b), B - d + s(b));
        break;
      case epLeftBottom:
        ctr = QPoint(L + d - c(a), B - s(a));
        break;
    }
    const int h = diameter / 2;
    out.push_back(TRect{ctr.x() - h, ctr.y() - h, ctr.x() + h, ctr.y() + h});
  }
  return out;
}

QRegion TQELRegion::BaseRegion(const TRect &r, bool *exists) const {
  const int W = r.Width(), H = r.Height();
  const int L = r.Left, T = r.Top;
  auto P = [&](double fx, double fy) { return QPoint(L + RoundHalf(fx * W), T + RoundHalf(fy * H)); };
  auto shield_cut = [&](QRegion rgn) {
    const int h5 = H / 5;
    rgn -= EllipseRgn(L - W / 2, T - h5, L + W / 2, T + h5);
    rgn -= EllipseRgn(L + W / 2, T - h5, L + W + W / 2, T + h5);
    rgn -= RectRgn(L, T - 40, L + W, T);
    return rgn;
  };
  auto body_region = [&](TQELRegionShape body, const TRect &b) {
    switch (body) {
      case rsRoundRect:
        return RoundRectRgn(b.Left, b.Top, b.Right, b.Bottom, round_x_, round_y_);
      case rsElliptic:
        return EllipseRgn(b.Left, b.Top, b.Right, b.Bottom);
      default:
        return RectRgn(b.Left, b.Top, b.Right, b.Bottom);
    }
  };
  switch (shape_) {
    case rsRect:
      return RectRgn(r.Left, r.Top, r.Right, r.Bottom);
    case rsRoundRect:
      return RoundRectRgn(r.Left, r.Top, r.Right, r.Bottom, round_x_, round_y_);
    case rsBitmap: {
      const QRegion rgn = mask_->Region();
      if (rgn.isEmpty() && exists) *exists = false;
      return rgn.translated(L, T);
    }
    case rsNoseRect:
    case rsRoundNoseRect: {
      const int d = W / 10;
      const TRect body = ReducedBodyRect(r, ext_pos_, d);
      int start = 5;
      if (shape_ == rsRoundNoseRect) start = VerticalFirst(ext_pos_) ? round_y_ : round_x_;
      const auto tri = NoseTriangle(r, ext_pos_, d, start);
      return body_region(shape_ == rsRoundNoseRect ? rsRoundRect : rsRect, body) + PolygonRgn(tri);
    }
    case rsElliptic:
      return EllipseRgn(r.Left, r.Top, r.Right, r.Bottom);
    case rsStar:
      return PolygonRgn({P(0.5, 0), P(0.65, 0.38), P(1, 0.38), P(0.7, 0.6), P(0.85, 1), P(0.5, 0.75), P(0.15, 1),
                         P(0.3, 0.6), P(0, 0.38), P(0.35, 0.38)});
    case rsRoundShield:
      return shield_cut(EllipseRgn(L, T + H, L + W, T + H / 5 - H));
    case rsSharpShield: {
      const int e = 8 * H / 7;
      return shield_cut(EllipseRgn(L - W, T - e, L + W, T + e) & EllipseRgn(L, T - e, L + 2 * W, T + e));
    }
    case rsDiamond:
      return PolygonRgn(
          {QPoint(L + W / 2, T), QPoint(L, T + H / 2), QPoint(L + W / 2, T + H), QPoint(L + W, T + H / 2)});
    case rsOctagon: {
      const int t = W / 3, u = H / 3;
      return PolygonRgn({QPoint(L + 2 * t, T), QPoint(L + t, T), QPoint(L, T + u), QPoint(L, T + 2 * u),
                         QPoint(L + t, T + H), QPoint(L + 2 * t, T + H), QPoint(L + W, T + 2 * u),
                         QPoint(L + W, T + u)});
    }
    case rsComb: {
      const int q = H / 4;
      return PolygonRgn({QPoint(L + W / 2, T), QPoint(L, T + q), QPoint(L, T + 3 * q), QPoint(L + W / 2, T + H),
                         QPoint(L + W, T + 3 * q), QPoint(L + W, T + q)});
    }
    case rsHalfRound:
      return EllipseRgn(r.Left, 2 * r.Top - r.Bottom, r.Right, r.Bottom);
    case rsUserRegion: {
      if (owner_control_ != nullptr && owner_control_->IsDesigning()) return RectRgn(r.Left, r.Top, r.Right, r.Bottom);
      const QRegion rgn = RegionFromData(user_data_);
      if (rgn.isEmpty() && exists) *exists = false;
      return rgn.translated(L, T);
    }
    case rsThinkBubble:
    case rsRoundThinkBubble:
    case rsEllipticThinkBubble: {
      const TRect body = ReducedBodyRect(r, ext_pos_, W / 6);
      const TQELRegionShape kind =
          shape_ == rsThinkBubble ? rsRect : (shape_ == rsRoundThinkBubble ? rsRoundRect : rsElliptic);
      QRegion rgn = body_region(kind, body);
      for (const TRect &c : BubbleRects(r)) rgn += EllipseRgn(c.Left, c.Top, c.Right, c.Bottom);
      return rgn;
    }
    case rsPointList: {
      // Fewer than three points enclose nothing: an empty window region
      // would make the window vanish, so there is no region at all.
      const QRegion rgn = points_.Count() == 0 ? QRegion() : RegionFromData(user_data_);
      if (rgn.isEmpty() && exists) *exists = false;
      return rgn.translated(L, T);
    }
  }
  return QRegion();
}

QRegion TQELRegion::CreateShapeRegion(const TRect &rect, bool *exists) const {
  if (exists) *exists = true;
  TRect r = rect;
  r.Left += offset_.X;
  r.Right += offset_.X;
  r.Top += offset_.Y;
  r.Bottom += offset_.Y;
  if (shadow_->Style() != hssNone) {
    r.Right -= shadow_->Depth();
    r.Bottom -= shadow_->Depth();
  }
  return BaseRegion(r, exists);
}

void TQELRegion::PaintShadow(TCanvas *canvas, const TRect &rect) const {
  if (shadow_->Style() == hssNone) return;
  QPainter *p = canvas->Painter();
  if (p == nullptr) return;
  const QRegion shape = CreateShapeRegion(rect);
  const int depth = shadow_->Depth();
  const QRegion shadow = shape.translated(depth, depth) - shape;
  p->save();
  p->setClipRegion(shadow, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  if (shadow_->Style() == hssSolid) {
    p->fillRect(shadow.boundingRect(), vcl::ColorToQColor(shadow_->Color()));
  } else if (vcl::TBitmap *pattern = QELApplication()->GetPatternBitmap(shadow_->Color())) {
    const QImage img = pattern->Canvas()->GrabImage(QRect(0, 0, pattern->Width(), pattern->Height()));
    p->fillRect(shadow.boundingRect(), QBrush(img));
  }
  p->restore();
}

void TQELRegion::PaintBorder(TCanvas *canvas, const TRect &rect) const { PaintShadow(canvas, rect); }

void TQELRegion::Assign(const rtl::TPersistent *source) {
  const auto *src = dynamic_cast<const TQELRegion *>(source);
  if (src == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  BeginUpdate();
  shape_ = src->shape_;
  round_x_ = src->round_x_;
  round_y_ = src->round_y_;
  ext_pos_ = src->ext_pos_;
  shadow_->Assign(src->shadow_.get());
  mask_->Assign(src->mask_.get());
  const auto *bsrc = dynamic_cast<const TQELBorderRegion *>(source);
  const auto *bdst = dynamic_cast<TQELBorderRegion *>(this);
  if (bsrc != nullptr && bdst != nullptr) bdst->Border()->Assign(bsrc->Border());
  EndUpdate(true);
}

}  // namespace qel
