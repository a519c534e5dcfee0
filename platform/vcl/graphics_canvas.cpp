// The canvas: the platform's drawing calls on a QPainter.
//
// The pixel rules are kept by drawing the thin, common cases ourselves
// (one-pixel lines point by point, rectangle frames as filled strips), where
// Qt's own rasteriser would include end points or shift outlines by half a
// pixel; wide pens, curves and text go to QPainter.
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "platform/vcl/graphics.h"

namespace vcl {

namespace {

QColor Opaque(TColor c) {
  QColor q = ColorToQColor(c);
  if (!q.isValid()) q = Qt::black;
  return q;
}

Qt::BrushStyle HatchStyle(TBrushStyle s) {
  switch (s) {
    case bsHorizontal:
      return Qt::HorPattern;
    case bsVertical:
      return Qt::VerPattern;
    case bsFDiagonal:
      return Qt::BDiagPattern;  // Qt names the diagonals the other way round
    case bsBDiagonal:
      return Qt::FDiagPattern;
    case bsCross:
      return Qt::CrossPattern;
    case bsDiagCross:
      return Qt::DiagCrossPattern;
    case bsClear:
      return Qt::NoBrush;
    case bsSolid:
      break;
  }
  return Qt::SolidPattern;
}

QBrush MakeBrush(const TBrush *b) {
  if (b->Bitmap() != nullptr && !b->Bitmap()->Empty()) return QBrush(b->Bitmap()->Image());
  if (b->Style() == bsClear) return QBrush(Qt::NoBrush);
  return QBrush(Opaque(b->Color()), HatchStyle(b->Style()));
}

bool BrushVisible(const TBrush *b) {
  return b->Style() != bsClear || (b->Bitmap() != nullptr && !b->Bitmap()->Empty());
}

// Dash patterns of the thin pen styles, in pixels on / off.
const std::vector<int> &DashPattern(TPenStyle s) {
  static const std::vector<int> kSolid;
  static const std::vector<int> kDash{18, 6};
  static const std::vector<int> kDot{3, 3};
  static const std::vector<int> kDashDot{9, 6, 3, 6};
  static const std::vector<int> kDashDotDot{9, 3, 3, 3, 3, 3};
  switch (s) {
    case psDash:
      return kDash;
    case psDot:
      return kDot;
    case psDashDot:
      return kDashDot;
    case psDashDotDot:
      return kDashDotDot;
    default:
      return kSolid;
  }
}

// The pixels of a line from a to b, without b (Bresenham), handed to `put`.
template <class Put>
void ForLinePixels(TPoint a, TPoint b, TPenStyle style, Put put) {
  const std::vector<int> &pattern = DashPattern(style);
  int period = 0;
  for (int n : pattern) period += n;
  int x = a.X, y = a.Y;
  const int dx = std::abs(b.X - a.X), sx = a.X < b.X ? 1 : -1;
  const int dy = -std::abs(b.Y - a.Y), sy = a.Y < b.Y ? 1 : -1;
  int err = dx + dy;
  int step = 0;
  while (x != b.X || y != b.Y) {
    bool on = true;
    if (period > 0) {
      int pos = step % period;
      for (size_t i = 0; i < pattern.size(); ++i) {
        if (pos < pattern[i]) {
          on = (i % 2) == 0;
          break;
        }
        pos -= pattern[i];
      }
    }
    if (on) put(x, y);
    ++step;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void LinePixels(TPoint a, TPoint b, TPenStyle style, QPolygon &out) {
  ForLinePixels(a, b, style, [&out](int x, int y) { out << QPoint(x, y); });
}

// The pixels of the image a painter draws on, when single opaque pixels may
// be written there directly with the same result as the painter's: a 32-bit
// image, no clip, no raster operation, at most a whole-pixel translation.
// QPainter draws a set of points one blend call each, several times slower.
struct DirectPixels {
  QRgb *bits = nullptr;
  qsizetype stride = 0;  // in pixels
  int width = 0, height = 0;
  int dx = 0, dy = 0;
  explicit operator bool() const { return bits != nullptr; }
  void Put(int x, int y, QRgb color) const {
    x += dx;
    y += dy;
    if (x >= 0 && y >= 0 && x < width && y < height) bits[qsizetype(y) * stride + x] = color;
  }
};

DirectPixels DirectPixelsOf(QPainter *p) {
  DirectPixels d;
  QPaintDevice *device = p->device();
  if (device == nullptr || device->devType() != QInternal::Image || p->hasClipping()) return d;
  if (p->compositionMode() != QPainter::CompositionMode_SourceOver) return d;
  auto *image = static_cast<QImage *>(device);
  const QImage::Format format = image->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied) {
    return d;
  }
  const QTransform xf = p->deviceTransform();
  if (xf.type() > QTransform::TxTranslate || xf.dx() != std::round(xf.dx()) || xf.dy() != std::round(xf.dy())) {
    return d;
  }
  // The buffer the painter itself draws into (a copy of the image made
  // while painting shares it; asking for writable bits would detach it).
  d.bits = reinterpret_cast<QRgb *>(const_cast<uchar *>(image->constBits()));
  d.stride = image->bytesPerLine() / qsizetype(sizeof(QRgb));
  d.width = image->width();
  d.height = image->height();
  d.dx = int(xf.dx());
  d.dy = int(xf.dy());
  return d;
}

QPainter::CompositionMode CopyModeComposition(TCopyMode mode, bool *handled) {
  *handled = true;
  switch (mode) {
    case cmSrcAnd:
      return QPainter::RasterOp_SourceAndDestination;
    case cmSrcPaint:
      return QPainter::RasterOp_SourceOrDestination;
    case cmSrcInvert:
      return QPainter::RasterOp_SourceXorDestination;
    case cmNotSrcCopy:
      return QPainter::RasterOp_NotSource;
    case cmSrcErase:
      return QPainter::RasterOp_SourceAndNotDestination;
    case cmNotSrcErase:
      return QPainter::RasterOp_NotSourceAndNotDestination;
    case cmMergePaint:
      return QPainter::RasterOp_NotSourceOrDestination;
    case cmSrcCopy:
    case cmMergeCopy:
      return QPainter::CompositionMode_SourceOver;
    default:
      *handled = false;
      return QPainter::CompositionMode_SourceOver;
  }
}

QImage *ImageOf(QPaintDevice *device) {
  if (device != nullptr && device->devType() == QInternal::Image) return static_cast<QImage *>(device);
  return nullptr;
}

}  // namespace

// Everything a drawing call needs: the painter (or none), and the canvas's
// change events around the call. The painter's state is saved (and put back
// after the call) only when the call changes it: Changing() saves it first.
class CanvasPainterScope {
 public:
  explicit CanvasPainterScope(TCanvas *canvas) : canvas_(canvas) {
    painter_ = canvas->Painter();
    if (painter_ == nullptr) {
      if (canvas->image_ == nullptr) {
        throw rtl::EInvalidOperation(QStringLiteral("Canvas does not allow drawing"));
      }
      return;  // an empty bitmap: nothing to draw on, nothing to do
    }
    canvas->Changing();
    // Every call draws without antialiasing, painting over what is there.
    if (painter_->testRenderHint(QPainter::Antialiasing) ||
        painter_->compositionMode() != QPainter::CompositionMode_SourceOver) {
      Changing()->setRenderHint(QPainter::Antialiasing, false);
      painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
  }
  ~CanvasPainterScope() {
    if (painter_ == nullptr) return;
    if (saved_) painter_->restore();
    canvas_->Changed();
  }
  CanvasPainterScope(const CanvasPainterScope &) = delete;
  CanvasPainterScope &operator=(const CanvasPainterScope &) = delete;

  // For drawing.
  QPainter *operator->() const { return painter_; }
  QPainter *get() const { return painter_; }
  explicit operator bool() const { return painter_ != nullptr; }
  // For changing the painter's pen, brush, font, transform, clip or mode.
  QPainter *Changing() {
    if (!saved_) {
      painter_->save();
      saved_ = true;
    }
    return painter_;
  }

 private:
  TCanvas *canvas_;
  QPainter *painter_ = nullptr;
  bool saved_ = false;
};

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {}

TCanvas::~TCanvas() { Flush(); }

void TCanvas::BeginPaint(QPainter *painter) {
  Flush();
  external_ = painter;
  clip_set_ = false;
  if (external_ != nullptr) external_->save();
}

void TCanvas::EndPaint() {
  if (external_ != nullptr) external_->restore();
  external_ = nullptr;
  clip_set_ = false;
}

void TCanvas::SetImage(QImage *image) {
  Flush();
  image_ = image;
  clip_set_ = false;
}

void TCanvas::Flush() { own_.reset(); }

bool TCanvas::HandleAllocated() const { return external_ != nullptr || (image_ != nullptr && !image_->isNull()); }

QPainter *TCanvas::Painter() {
  if (external_ != nullptr) return external_;
  if (image_ == nullptr || image_->isNull()) return nullptr;
  if (!own_) {
    own_ = std::make_unique<QPainter>(image_);
    if (clip_set_) own_->setClipRect(clip_);
  }
  return own_.get();
}

QPaintDevice *TCanvas::Device() {
  if (external_ != nullptr) return external_->device();
  if (image_ != nullptr && !image_->isNull()) return image_;
  return nullptr;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::ApplyPenMode(CanvasPainterScope &scope) {
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  switch (pen_->Mode()) {
    case pmNot:
      mode = QPainter::RasterOp_NotDestination;
      break;
    case pmXor:
      mode = QPainter::RasterOp_SourceXorDestination;
      break;
    case pmNotXor:
      mode = QPainter::RasterOp_NotSourceXorDestination;
      break;
    case pmMask:
      mode = QPainter::RasterOp_SourceAndDestination;
      break;
    case pmMerge:
      mode = QPainter::RasterOp_SourceOrDestination;
      break;
    case pmNotCopy:
      mode = QPainter::RasterOp_NotSource;
      break;
    case pmMaskPenNot:
      mode = QPainter::RasterOp_SourceAndNotDestination;
      break;
    case pmMaskNotPen:
      mode = QPainter::RasterOp_NotSourceAndDestination;
      break;
    case pmNotMask:
      mode = QPainter::RasterOp_NotSourceOrNotDestination;
      break;
    case pmNotMerge:
      mode = QPainter::RasterOp_NotSourceAndNotDestination;
      break;
    case pmMergeNotPen:
      mode = QPainter::RasterOp_NotSourceOrDestination;
      break;
    case pmMergePenNot:
      mode = QPainter::RasterOp_SourceOrNotDestination;
      break;
    default:
      break;
  }
  // The scope starts every call painting over.
  if (mode != QPainter::CompositionMode_SourceOver) scope.Changing()->setCompositionMode(mode);
}

namespace {

// The colour the pen paints with, after the modes that ignore it.
QColor PenColor(const TPen *pen) {
  if (pen->Mode() == pmBlack) return Qt::black;
  if (pen->Mode() == pmWhite) return Qt::white;
  if (pen->Mode() == pmNot) return Qt::white;
  return Opaque(pen->Color());
}

bool PenVisible(const TPen *pen) { return pen->Style() != psClear && pen->Mode() != pmNop; }

void SetQtPen(QPainter *p, const TPen *pen) {
  if (!PenVisible(pen)) {
    p->setPen(Qt::NoPen);
    return;
  }
  Qt::PenStyle style = Qt::SolidLine;
  switch (pen->Style()) {
    case psDash:
      style = Qt::DashLine;
      break;
    case psDot:
      style = Qt::DotLine;
      break;
    case psDashDot:
      style = Qt::DashDotLine;
      break;
    case psDashDotDot:
      style = Qt::DashDotDotLine;
      break;
    default:
      break;
  }
  QPen qp(PenColor(pen), pen->Width(), style, pen->Width() > 1 ? Qt::RoundCap : Qt::FlatCap,
          pen->Width() > 1 ? Qt::RoundJoin : Qt::MiterJoin);
  p->setPen(qp);
}

}  // namespace

void TCanvas::MoveTo(int x, int y) { pen_pos_ = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  const TPoint from = pen_pos_;
  pen_pos_ = {x, y};
  CanvasPainterScope p(this);
  if (!p || !PenVisible(pen_.get())) return;
  ApplyPenMode(p);
  if (pen_->Width() <= 1) {
    const QColor color = PenColor(pen_.get());
    if (const DirectPixels direct = DirectPixelsOf(p.get())) {
      const QRgb rgb = color.rgba();
      ForLinePixels(from, {x, y}, pen_->Style(), [&direct, rgb](int px, int py) { direct.Put(px, py, rgb); });
      return;
    }
    QPolygon pts;
    LinePixels(from, {x, y}, pen_->Style(), pts);
    p.Changing()->setPen(QPen(color, 1));
    p->drawPoints(pts);
    return;
  }
  SetQtPen(p.Changing(), pen_.get());
  p->drawLine(from.X, from.Y, x, y);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  CanvasPainterScope p(this);
  if (!p) return;
  const bool pen = PenVisible(pen_.get());
  if (!pen) {
    // Without a pen the platform fills one pixel less on the right and
    // bottom; callers (gradients, bevels) count on that.
    if (BrushVisible(brush_.get()) && x2 - 1 > x1 && y2 - 1 > y1) {
      p->fillRect(QRect(x1, y1, x2 - 1 - x1, y2 - 1 - y1), MakeBrush(brush_.get()));
    }
    return;
  }
  const int w = std::min({pen_->Width(), (x2 - x1 + 1) / 2, (y2 - y1 + 1) / 2});
  if (BrushVisible(brush_.get()) && x2 - x1 > 2 * w && y2 - y1 > 2 * w) {
    p->fillRect(QRect(x1 + w, y1 + w, x2 - x1 - 2 * w, y2 - y1 - 2 * w), MakeBrush(brush_.get()));
  }
  if (x2 <= x1 || y2 <= y1 || w <= 0) return;
  ApplyPenMode(p);
  if (pen_->Style() == psSolid || pen_->Style() == psInsideFrame || pen_->Width() > 1) {
    // The frame lies inside the rectangle; four strips that do not overlap,
    // so that an inverting pen mode inverts each pixel once. They are
    // filled in one call (QPainter's fillRect sets and restores its pen and
    // brush for each).
    const int width = x2 - x1, height = y2 - y1;
    QRect strips[4];
    int n = 0;
    strips[n++] = QRect(x1, y1, width, w);
    if (height > w) strips[n++] = QRect(x1, y2 - w, width, w);
    if (height > 2 * w) {
      strips[n++] = QRect(x1, y1 + w, w, height - 2 * w);
      if (width > w) strips[n++] = QRect(x2 - w, y1 + w, w, height - 2 * w);
    }
    p.Changing()->setPen(Qt::NoPen);
    p.Changing()->setBrush(QBrush(PenColor(pen_.get())));
    p->drawRects(strips, n);
    return;
  }
  QPolygon pts;
  LinePixels({x1, y1}, {x2 - 1, y1}, pen_->Style(), pts);
  LinePixels({x2 - 1, y1}, {x2 - 1, y2 - 1}, pen_->Style(), pts);
  LinePixels({x2 - 1, y2 - 1}, {x1, y2 - 1}, pen_->Style(), pts);
  LinePixels({x1, y2 - 1}, {x1, y1}, pen_->Style(), pts);
  p.Changing()->setPen(QPen(PenColor(pen_.get()), 1));
  p->drawPoints(pts);
}

void TCanvas::FillRect(const TRect &r) {
  CanvasPainterScope p(this);
  if (!p || r.IsEmpty() || !BrushVisible(brush_.get())) return;
  p->fillRect(ToQRect(r), MakeBrush(brush_.get()));
}

void TCanvas::FrameRect(const TRect &r) {
  CanvasPainterScope p(this);
  if (!p || r.IsEmpty()) return;
  const QBrush b = MakeBrush(brush_.get());
  if (b.style() == Qt::NoBrush) return;
  const int w = r.Width(), h = r.Height();
  p->fillRect(QRect(r.Left, r.Top, w, 1), b);
  if (h > 1) p->fillRect(QRect(r.Left, r.Bottom - 1, w, 1), b);
  if (h > 2) {
    p->fillRect(QRect(r.Left, r.Top + 1, 1, h - 2), b);
    if (w > 1) p->fillRect(QRect(r.Right - 1, r.Top + 1, 1, h - 2), b);
  }
}

void TCanvas::DrawFocusRect(const TRect &r) {
  CanvasPainterScope p(this);
  if (!p || r.IsEmpty()) return;
  QPolygon pts;
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) pts << QPoint(x, y);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    dot(x, r.Top);
    if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    dot(r.Left, y);
    if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
  }
  p.Changing()->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.Changing()->setPen(QPen(Qt::white, 1));
  p->drawPoints(pts);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  CanvasPainterScope p(this);
  if (!p || x2 - x1 < 1 || y2 - y1 < 1) return;
  ApplyPenMode(p);
  SetQtPen(p.Changing(), pen_.get());
  p.Changing()->setBrush(MakeBrush(brush_.get()));
  p->drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  CanvasPainterScope p(this);
  if (!p || x2 - x1 < 1 || y2 - y1 < 1) return;
  ApplyPenMode(p);
  SetQtPen(p.Changing(), pen_.get());
  p.Changing()->setBrush(MakeBrush(brush_.get()));
  p->drawRoundedRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), std::abs(x3) / 2.0, std::abs(y3) / 2.0);
}

void TCanvas::Polygon(const std::vector<TPoint> &points) {
  CanvasPainterScope p(this);
  if (!p || points.size() < 2) return;
  QPolygon poly;
  for (const TPoint &pt : points) poly << QPoint(pt.X, pt.Y);
  ApplyPenMode(p);
  SetQtPen(p.Changing(), pen_.get());
  p.Changing()->setBrush(MakeBrush(brush_.get()));
  p->drawPolygon(poly, Qt::OddEvenFill);
}

void TCanvas::Polyline(const std::vector<TPoint> &points) {
  if (points.empty()) return;
  const TPoint saved = pen_pos_;
  MoveTo(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
  pen_pos_ = saved;  // Polyline leaves the pen where it was
}

namespace {

// Angle in 1/16 degree of the ray from the box's centre towards (x, y),
// counter-clockwise from three o'clock with y growing downwards.
int RayAngle16(const QRectF &box, int x, int y) {
  const double a = std::atan2(-(y - box.center().y()), x - box.center().x());
  return int(std::lround(a * 180.0 / M_PI * 16.0));
}

void ArcAngles(const QRectF &box, int x3, int y3, int x4, int y4, int *start, int *span) {
  *start = RayAngle16(box, x3, y3);
  int end = RayAngle16(box, x4, y4);
  int s = end - *start;
  while (s <= 0) s += 360 * 16;
  *span = s;
}

}  // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  CanvasPainterScope p(this);
  if (!p || x2 - x1 < 1 || y2 - y1 < 1) return;
  const QRect box(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  int start, span;
  ArcAngles(box, x3, y3, x4, y4, &start, &span);
  ApplyPenMode(p);
  SetQtPen(p.Changing(), pen_.get());
  p->drawArc(box, start, span);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  CanvasPainterScope p(this);
  if (!p || x2 - x1 < 1 || y2 - y1 < 1) return;
  const QRect box(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  int start, span;
  ArcAngles(box, x3, y3, x4, y4, &start, &span);
  ApplyPenMode(p);
  SetQtPen(p.Changing(), pen_.get());
  p.Changing()->setBrush(MakeBrush(brush_.get()));
  p->drawPie(box, start, span);
}

namespace {

QFontMetrics MetricsFor(const QFont &f, QPaintDevice *device) {
  return device != nullptr ? QFontMetrics(f, device) : QFontMetrics(f);
}

}  // namespace

void TCanvas::TextOut(int x, int y, const QString &text) {
  CanvasPainterScope p(this);
  if (!p) return;
  TTextAdvances &metrics = TextAdvances();
  const int w = metrics.Width(text);
  p.Changing()->setFont(TextFont());
  if (font_->Orientation() != 0) {
    p.Changing()->translate(x, y);
    p.Changing()->rotate(-font_->Orientation() / 10.0);
    p.Changing()->translate(-x, -y);
  }
  if (brush_->Style() == bsSolid && !text.isEmpty()) {
    p->fillRect(QRect(x, y, w, metrics.Height()), Opaque(brush_->Color()));
  }
  p.Changing()->setPen(Opaque(font_->Color()));
  PaintText(p.get(), QPoint(x, y + metrics.Ascent()), text, metrics, w);
  pen_pos_ = {x + w, y};
}

void TCanvas::TextRect(const TRect &r, int x, int y, const QString &text) {
  CanvasPainterScope p(this);
  if (!p) return;
  TTextAdvances &metrics = TextAdvances();
  p.Changing()->setClipRect(ToQRect(r), Qt::IntersectClip);
  if (brush_->Style() == bsSolid) p->fillRect(ToQRect(r), Opaque(brush_->Color()));
  p.Changing()->setFont(TextFont());
  // Turned text turns about its start, inside the unturned clip rectangle.
  if (font_->Orientation() != 0) {
    p.Changing()->translate(x, y);
    p.Changing()->rotate(-font_->Orientation() / 10.0);
    p.Changing()->translate(-x, -y);
  }
  p.Changing()->setPen(Opaque(font_->Color()));
  PaintText(p.get(), QPoint(x, y + metrics.Ascent()), text, metrics, -1);
}

void TCanvas::PaintText(QPainter *painter, QPoint at, const QString &text, TTextAdvances &, int) {
  painter->drawText(at, text);
}

int TCanvas::TextWidth(const QString &text) { return TextAdvances().Width(text); }

int TCanvas::TextHeight(const QString &) { return TextAdvances().Height(); }

TSize TCanvas::TextExtent(const QString &text) {
  TTextAdvances &metrics = TextAdvances();
  return {metrics.Width(text), metrics.Height()};
}

void TCanvas::Draw(int x, int y, const TGraphic *graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect &r, const TGraphic *graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect &dest, TCanvas *source, const TRect &source_rect) {
  if (source == nullptr) return;
  const QImage img = source->GrabImage(ToQRect(source_rect));
  if (img.isNull()) {
    // A source we cannot read: only the raster operations that ignore the
    // source still make sense.
    if (copy_mode_ == cmBlackness || copy_mode_ == cmWhiteness || copy_mode_ == cmDstInvert) {
      DrawImage(dest, QImage(), QRect());
    }
    return;
  }
  DrawImage(dest, img, img.rect());
}

void TCanvas::DrawImage(const TRect &dest, const QImage &image, const QRect &source_rect) {
  CanvasPainterScope p(this);
  if (!p || dest.IsEmpty()) return;
  const QRect target = ToQRect(dest);
  switch (copy_mode_) {
    case cmBlackness:
      p->fillRect(target, Qt::black);
      return;
    case cmWhiteness:
      p->fillRect(target, Qt::white);
      return;
    case cmDstInvert:
      p.Changing()->setCompositionMode(QPainter::RasterOp_NotDestination);
      p->fillRect(target, Qt::white);
      return;
    case cmPatCopy:
      p->fillRect(target, MakeBrush(brush_.get()));
      return;
    case cmPatInvert:
      p.Changing()->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      p->fillRect(target, MakeBrush(brush_.get()));
      return;
    case cmPatPaint:
      p.Changing()->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      p->fillRect(target, MakeBrush(brush_.get()));
      return;
    default:
      break;
  }
  if (image.isNull()) return;
  bool handled = false;
  const QPainter::CompositionMode mode = CopyModeComposition(copy_mode_, &handled);
  if (mode != QPainter::CompositionMode_SourceOver) p.Changing()->setCompositionMode(mode);
  p->drawImage(target, image, source_rect);
}

TColor TCanvas::Pixel(int x, int y) {
  QImage *img = image_ != nullptr ? image_ : (external_ != nullptr ? ImageOf(external_->device()) : nullptr);
  if (img == nullptr || img->isNull()) return -1;
  QPoint pt(x, y);
  if (external_ != nullptr) pt = external_->transform().map(pt);
  if (!img->rect().contains(pt)) return -1;
  return QColorToColor(QColor(img->pixel(pt)));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  CanvasPainterScope p(this);
  if (!p) return;
  p->fillRect(QRect(x, y, 1, 1), Opaque(color));
}

TRect TCanvas::ClipRect() {
  if (clip_set_) return FromQRect(clip_);
  if (external_ != nullptr && external_->hasClipping()) {
    return FromQRect(external_->clipBoundingRect().toAlignedRect());
  }
  const TSize s = SurfaceSize();
  return Rect(0, 0, s.cx, s.cy);
}

void TCanvas::SetClipRect(const TRect &r) {
  clip_set_ = true;
  clip_ = ToQRect(r);
  if (external_ != nullptr) {
    external_->restore();  // back to the paint event's own clip
    external_->save();
    external_->setClipRect(clip_, Qt::IntersectClip);
  } else if (own_) {
    own_->setClipRect(clip_);
  }
}

void TCanvas::IntersectClipRect(const TRect &r) {
  TRect current = ClipRect();
  TRect both;
  IntersectRect(both, current, r);
  SetClipRect(both);
}

void TCanvas::ResetClip() {
  clip_set_ = false;
  if (external_ != nullptr) {
    external_->restore();
    external_->save();
  } else if (own_) {
    own_->setClipping(false);
  }
}

TSize TCanvas::SurfaceSize() {
  QPaintDevice *d = Device();
  if (d == nullptr) return {};
  return {d->width(), d->height()};
}

QImage TCanvas::GrabImage(const QRect &source_rect) {
  if (image_ != nullptr && !image_->isNull()) return image_->copy(source_rect);
  if (external_ != nullptr) {
    if (QImage *img = ImageOf(external_->device())) {
      return img->copy(external_->transform().mapRect(source_rect));
    }
  }
  return QImage();
}

// ---------------------------------------------------------------------------
// DrawText

// The platform shortens with three dots, not Qt's single ellipsis
// character: the longest prefix that fits with "..." after it.
QString EllipsizeText(TCanvas *canvas, const QString &text, int width) {
  if (canvas->TextWidth(text) <= width) return text;
  static const QString kDots = QStringLiteral("...");
  for (qsizetype n = text.size() - 1; n > 0; --n) {
    const QString candidate = text.left(n) + kDots;
    if (canvas->TextWidth(candidate) <= width) return candidate;
  }
  return kDots;
}

int DrawText(TCanvas *canvas, const QString &text, TRect &r, unsigned format) {
  const QFont f = canvas->TextFont();
  const QFontMetrics fm = MetricsFor(f, canvas->Device());
  int flags = 0;
  if (format & DT_CENTER) {
    flags |= Qt::AlignHCenter;
  } else if (format & DT_RIGHT) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  // Vertical alignment only applies to single lines, as on the platform.
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) {
    flags |= Qt::AlignVCenter;
  } else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) {
    flags |= Qt::AlignBottom;
  } else {
    flags |= Qt::AlignTop;
  }
  if (format & DT_SINGLELINE) flags |= Qt::TextSingleLine;
  if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) flags |= Qt::TextWordWrap;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;

  QString shown = text;
  if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    const Qt::TextElideMode mode = (format & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight;
    QStringList lines = shown.split(QLatin1Char('\n'));
    for (QString &line : lines) {
      if (fm.horizontalAdvance(line) > r.Width()) line = fm.elidedText(line, mode, std::max(r.Width(), 0));
    }
    shown = lines.join(QLatin1Char('\n'));
  }

  if (format & DT_CALCRECT) {
    // Lines are as high as TextHeight, as the platform measures them.
    QString plain = shown;
    if (!(format & DT_NOPREFIX)) {
      plain.replace(QLatin1String("&&"), QString(QChar(0x1)));
      plain.remove(QLatin1Char('&'));
      plain.replace(QChar(0x1), QLatin1Char('&'));
    }
    if (format & DT_EXPANDTABS) plain.replace(QLatin1Char('\t'), QLatin1String("        "));
    int width = 0, lines = 1;
    if (format & DT_SINGLELINE) {
      width = fm.horizontalAdvance(plain);
    } else if (flags & Qt::TextWordWrap) {
      const QRect b =
          fm.boundingRect(QRect(0, 0, std::max(r.Width(), 1), 1 << 20), flags & ~Qt::AlignVertical_Mask, shown);
      width = b.width();
      lines = std::max(1, int(std::lround(double(b.height()) / std::max(fm.lineSpacing(), 1))));
    } else {
      const QStringList parts = plain.split(QLatin1Char('\n'));
      lines = int(parts.size());
      for (const QString &part : parts) width = std::max(width, fm.horizontalAdvance(part));
    }
    r.Right = r.Left + (shown.isEmpty() ? 0 : width);
    r.Bottom = r.Top + lines * fm.height();
    return r.Height();
  }

  CanvasPainterScope p(canvas);
  if (!p) return 0;
  const QRect box = ToQRect(r);
  const QRect used = fm.boundingRect(box, flags, shown);
  if (!(format & DT_NOCLIP)) p.Changing()->setClipRect(box, Qt::IntersectClip);
  if (canvas->Brush()->Style() == bsSolid && !shown.isEmpty()) {
    p->fillRect(used, Opaque(canvas->Brush()->Color()));
  }
  p.Changing()->setFont(f);
  p.Changing()->setPen(Opaque(canvas->Font()->Color()));
  QRect place = box;
  int place_flags = flags;
  // Design widths are fractional: a line placed at the right or in the
  // middle starts on a whole pixel, as a recorded page can only say, so the
  // page played later has its letters where they were drawn.
  const bool one_line = (format & DT_SINGLELINE) || (!(flags & Qt::TextWordWrap) && !shown.contains(u'\n'));
  if (canvas->TextMetrics() == TTextMetrics::Design && one_line && (format & (DT_CENTER | DT_RIGHT))) {
    const int w = used.width();
    place.setLeft((format & DT_CENTER) ? box.left() + (box.width() - w) / 2 : box.right() + 1 - w);
    place.setWidth(std::max(w, 1));
    place_flags = (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
  }
  p->drawText(place, place_flags, shown);
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) return used.height() + (used.top() - box.top());
  return used.height();
}

}  // namespace vcl

namespace vcl {

namespace {

struct EdgeColors {
  TColor top_left;
  TColor bottom_right;
};

// One ring of an edge; `outer` picks the outer or inner BDR_ bits.
bool RingColors(unsigned edge, bool outer, unsigned flags, EdgeColors &c) {
  const bool soft = (flags & BF_SOFT) != 0;
  if (flags & BF_MONO) {
    if (!(edge & (outer ? (BDR_RAISEDOUTER | BDR_SUNKENOUTER) : (BDR_RAISEDINNER | BDR_SUNKENINNER)))) return false;
    c = outer ? EdgeColors{clWindowFrame, clWindowFrame} : EdgeColors{clWindow, clWindow};
    return true;
  }
  if (flags & BF_FLAT) {
    if (!(edge & (outer ? (BDR_RAISEDOUTER | BDR_SUNKENOUTER) : (BDR_RAISEDINNER | BDR_SUNKENINNER)))) return false;
    c = outer ? EdgeColors{clBtnShadow, clBtnShadow} : EdgeColors{clBtnFace, clBtnFace};
    return true;
  }
  if (outer) {
    if (edge & BDR_RAISEDOUTER) {
      c = {soft ? clBtnHighlight : cl3DLight, cl3DDkShadow};
      return true;
    }
    if (edge & BDR_SUNKENOUTER) {
      c = {soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight};
      return true;
    }
    return false;
  }
  if (edge & BDR_RAISEDINNER) {
    c = {soft ? cl3DLight : clBtnHighlight, clBtnShadow};
    return true;
  }
  if (edge & BDR_SUNKENINNER) {
    c = {soft ? clBtnShadow : cl3DDkShadow, cl3DLight};
    return true;
  }
  return false;
}

void Ring(TCanvas *canvas, const TRect &r, unsigned sides, const EdgeColors &c) {
  if (r.IsEmpty()) return;
  TBrush *brush = canvas->Brush();
  const TColor saved_color = brush->Color();
  const TBrushStyle saved_style = brush->Style();
  // Bottom and right first, so the light sides own the top-right and
  // bottom-left corners only where the dark sides are not drawn.
  brush->SetColor(c.bottom_right);
  if (sides & BF_BOTTOM) canvas->FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  if (sides & BF_RIGHT) canvas->FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
  brush->SetColor(c.top_left);
  const int right = (sides & BF_RIGHT) ? r.Right - 1 : r.Right;
  const int bottom = (sides & BF_BOTTOM) ? r.Bottom - 1 : r.Bottom;
  if (sides & BF_TOP) canvas->FillRect(Rect(r.Left, r.Top, right, r.Top + 1));
  if (sides & BF_LEFT) canvas->FillRect(Rect(r.Left, r.Top, r.Left + 1, bottom));
  brush->SetColor(saved_color);
  brush->SetStyle(saved_style);
}

void Shrink(TRect &r, unsigned sides) {
  if (sides & BF_LEFT) ++r.Left;
  if (sides & BF_TOP) ++r.Top;
  if (sides & BF_RIGHT) --r.Right;
  if (sides & BF_BOTTOM) --r.Bottom;
}

}  // namespace

void DrawEdge(TCanvas *canvas, TRect &r, unsigned edge, unsigned flags) {
  if (canvas == nullptr) return;
  const unsigned sides = flags & BF_RECT;
  TRect inside = r;
  EdgeColors c;
  if (RingColors(edge, true, flags, c)) {
    Ring(canvas, inside, sides, c);
    Shrink(inside, sides);
  }
  if (RingColors(edge, false, flags, c)) {
    Ring(canvas, inside, sides, c);
    Shrink(inside, sides);
  }
  if ((flags & BF_MIDDLE) && !inside.IsEmpty()) {
    TBrush *brush = canvas->Brush();
    const TColor saved_color = brush->Color();
    const TBrushStyle saved_style = brush->Style();
    brush->SetColor((flags & BF_MONO) ? clWindow : clBtnFace);
    canvas->FillRect(inside);
    brush->SetColor(saved_color);
    brush->SetStyle(saved_style);
  }
  if (flags & BF_ADJUST) r = inside;
}

std::unique_ptr<TBitmap> AllocPatternBitmap(TColor background, TColor foreground) {
  auto b = std::make_unique<TBitmap>(8, 8);
  QImage img(8, 8, QImage::Format_RGB32);
  const QRgb bk = ColorToQColor(background).rgb(), fg = ColorToQColor(foreground).rgb();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) img.setPixel(x, y, ((x + y) & 1) ? fg : bk);
  b->SetImage(img);
  return b;
}

}  // namespace vcl
