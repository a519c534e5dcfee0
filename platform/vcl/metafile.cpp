// Enhanced metafiles: recording, playing, enumerating, reading and writing;
// see metafile.h.
//
// The recorder is a QPaintEngine behind a paint device of the picture's
// size. It keeps what the painter asks for (pen, brush, font, transform,
// clip) apart from what the records have already selected, and writes a
// selection only when a drawing call needs a different one. The records
// are chosen so that playing them repeats the painter calls that made them:
// a canvas line drawn pixel by pixel comes back as one line, a fill as one
// rectangle, text as one text-out at its base line.
#include "platform/vcl/metafile.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QTextItem>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/cp1252.h"

namespace vcl {

namespace {

constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kHeaderSize = 108;
constexpr int kHandleCount = 4;  // 0 reserved, then pen, brush, font
constexpr std::uint32_t kPenHandle = 1;
constexpr std::uint32_t kBrushHandle = 2;
constexpr std::uint32_t kFontHandle = 3;
constexpr std::uint32_t kStock = 0x80000000u;
constexpr std::uint32_t kWhiteBrush = kStock | 0;
constexpr std::uint32_t kBlackBrush = kStock | 4;
constexpr std::uint32_t kNullBrush = kStock | 5;
constexpr std::uint32_t kWhitePen = kStock | 6;
constexpr std::uint32_t kBlackPen = kStock | 7;
constexpr std::uint32_t kNullPen = kStock | 8;
constexpr std::uint32_t kSystemFont = kStock | 13;

constexpr std::uint32_t kPsGeometric = 0x10000;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kBlackness = 0x00000042;
constexpr std::uint32_t kWhiteness = 0x00FF0062;
constexpr std::uint32_t kDstInvert = 0x00550009;

// 96 pixels per inch on a reference device of 9600 pixels = 2540 mm.
constexpr int kRefPixels = 9600;
constexpr int kRefMillimetres = 2540;

[[noreturn]] void Damaged(const QString &what) {
  throw EInvalidGraphic(QStringLiteral("Damaged metafile: %1").arg(what));
}

std::uint32_t ColorRef(const QColor &c) {
  return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) | (std::uint32_t(c.blue()) << 16);
}

QColor FromColorRef(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// A record being written: fields appended, size patched when done.
class RecordWriter {
 public:
  explicit RecordWriter(std::uint32_t type) {
    U32(type);
    U32(0);
  }
  RecordWriter &U32(std::uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    data_.append(b, 4);
    return *this;
  }
  RecordWriter &I32(std::int32_t v) { return U32(std::uint32_t(v)); }
  RecordWriter &F32(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    return U32(u);
  }
  RecordWriter &Rect(const QRect &r) {  // RECTL, inclusive corners
    return I32(r.left()).I32(r.top()).I32(r.right()).I32(r.bottom());
  }
  RecordWriter &Bytes(const QByteArray &b) {
    data_.append(b);
    return *this;
  }
  std::uint32_t Size() const { return std::uint32_t(data_.size()); }
  QByteArray Finish() {
    while (data_.size() % 4 != 0) data_.append('\0');
    qToLittleEndian(std::uint32_t(data_.size()), data_.data() + 4);
    return data_;
  }

 private:
  QByteArray data_;
};

void PutU32(QByteArray &b, int offset, std::uint32_t v) { qToLittleEndian(v, b.data() + offset); }

// Pen style bits of a QPen, and back.
std::uint32_t PenStyleBits(const QPen &p) {
  std::uint32_t s = 0;
  switch (p.style()) {
    case Qt::DashLine:
      s = 1;
      break;
    case Qt::DotLine:
      s = 2;
      break;
    case Qt::DashDotLine:
      s = 3;
      break;
    case Qt::DashDotDotLine:
      s = 4;
      break;
    case Qt::NoPen:
      s = 5;
      break;
    default:
      s = 0;
      break;
  }
  if (p.capStyle() == Qt::SquareCap) s |= 0x100;
  if (p.capStyle() == Qt::FlatCap) s |= 0x200;
  if (p.joinStyle() == Qt::BevelJoin) s |= 0x1000;
  if (p.joinStyle() == Qt::MiterJoin || p.joinStyle() == Qt::SvgMiterJoin) s |= 0x2000;
  if (p.widthF() > 1.0) s |= kPsGeometric;
  return s;
}

int PenWidth(const QPen &p) { return std::max(1, int(std::lround(p.widthF()))); }

QPen PenFromBits(std::uint32_t style, int width, std::uint32_t color) {
  if ((style & 0xF) == 5) return QPen(Qt::NoPen);
  Qt::PenStyle ps = Qt::SolidLine;
  switch (style & 0xF) {
    case 1:
      ps = Qt::DashLine;
      break;
    case 2:
      ps = Qt::DotLine;
      break;
    case 3:
      ps = Qt::DashDotLine;
      break;
    case 4:
      ps = Qt::DashDotDotLine;
      break;
    default:
      break;
  }
  const std::uint32_t cap = style & 0xF00, join = style & 0xF000;
  const Qt::PenCapStyle qcap = cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap;
  const Qt::PenJoinStyle qjoin = join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin;
  return QPen(FromColorRef(color), std::max(1, width), ps, qcap, qjoin);
}

// Qt and the platform name the two diagonal hatches the other way round.
int HatchOf(Qt::BrushStyle s) {
  switch (s) {
    case Qt::HorPattern:
      return 0;
    case Qt::VerPattern:
      return 1;
    case Qt::BDiagPattern:
      return 2;
    case Qt::FDiagPattern:
      return 3;
    case Qt::CrossPattern:
      return 4;
    case Qt::DiagCrossPattern:
      return 5;
    default:
      return -1;
  }
}

Qt::BrushStyle HatchStyle(std::uint32_t hatch) {
  switch (hatch) {
    case 0:
      return Qt::HorPattern;
    case 1:
      return Qt::VerPattern;
    case 2:
      return Qt::BDiagPattern;
    case 3:
      return Qt::FDiagPattern;
    case 4:
      return Qt::CrossPattern;
    default:
      return Qt::DiagCrossPattern;
  }
}

// Brushes the records can name; the others are drawn as images.
bool PlainBrush(const QBrush &b) {
  return b.style() == Qt::NoBrush || b.style() == Qt::SolidPattern || HatchOf(b.style()) >= 0;
}

struct RopMode {
  std::uint32_t rop;
  QPainter::CompositionMode mode;
};
constexpr RopMode kRops[] = {
    {kSrcCopy, QPainter::CompositionMode_SourceOver},
    {0x008800C6, QPainter::RasterOp_SourceAndDestination},
    {0x00EE0086, QPainter::RasterOp_SourceOrDestination},
    {0x00660046, QPainter::RasterOp_SourceXorDestination},
    {0x00330008, QPainter::RasterOp_NotSource},
    {0x00440328, QPainter::RasterOp_SourceAndNotDestination},
    {0x001100A6, QPainter::RasterOp_NotSourceAndNotDestination},
    {0x00BB0226, QPainter::RasterOp_NotSourceOrDestination},
};

std::uint32_t RopOf(QPainter::CompositionMode m) {
  for (const RopMode &r : kRops) {
    if (r.mode == m) return r.rop;
  }
  return kSrcCopy;
}

QPainter::CompositionMode ModeOfRop(std::uint32_t rop) {
  for (const RopMode &r : kRops) {
    if (r.rop == rop) return r.mode;
  }
  return QPainter::CompositionMode_SourceOver;
}

// The pixels as a bottom-up 32-bit device-independent bitmap: the info
// header and the bits.
void ToDib(const QImage &image, bool premultiplied, QByteArray &bmi, QByteArray &bits) {
  const QImage img = image.convertToFormat(premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  bmi = QByteArray(40, '\0');
  PutU32(bmi, 0, 40);
  PutU32(bmi, 4, std::uint32_t(img.width()));
  PutU32(bmi, 8, std::uint32_t(img.height()));
  qToLittleEndian(std::uint16_t(1), bmi.data() + 12);
  qToLittleEndian(std::uint16_t(32), bmi.data() + 14);
  PutU32(bmi, 20, std::uint32_t(img.width() * img.height() * 4));
  bits.resize(qsizetype(img.width()) * img.height() * 4);
  for (int y = 0; y < img.height(); ++y) {
    const uchar *src = img.constScanLine(img.height() - 1 - y);
    uchar *dst = reinterpret_cast<uchar *>(bits.data()) + qsizetype(y) * img.width() * 4;
    for (int x = 0; x < img.width(); ++x) {
      const QRgb px = reinterpret_cast<const QRgb *>(src)[x];
      dst[4 * x] = uchar(qBlue(px));
      dst[4 * x + 1] = uchar(qGreen(px));
      dst[4 * x + 2] = uchar(qRed(px));
      dst[4 * x + 3] = premultiplied ? uchar(qAlpha(px)) : 0;
    }
  }
}

QRect RoundRect(const QRectF &r) {
  return QRect(QPoint(int(std::lround(r.left())), int(std::lround(r.top()))),
               QSize(int(std::lround(r.width())), int(std::lround(r.height()))));
}

QPoint RoundPoint(const QPointF &p) { return QPoint(int(std::lround(p.x())), int(std::lround(p.y()))); }

int Sign(int v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

}  // namespace

// ---------------------------------------------------------------------------
// Recording

// The paint device the recording painter draws on.
class EmfDevice : public QPaintDevice {
 public:
  EmfDevice(QPaintEngine *engine, int width, int height) : engine_(engine), width_(width), height_(height) {}
  QPaintEngine *paintEngine() const override { return engine_; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth:
        return width_;
      case PdmHeight:
        return height_;
      case PdmWidthMM:
        return width_ * 254 / 960;
      case PdmHeightMM:
        return height_ * 254 / 960;
      case PdmNumColors:
        return 0x7FFFFFFF;
      case PdmDepth:
        return 32;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return kScreenPixelsPerInch;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  QPaintEngine *engine_;
  int width_;
  int height_;
};

class EmfRecorder : public QPaintEngine {
 public:
  EmfRecorder() : QPaintEngine(QPaintEngine::AllFeatures) {
    Emit(RecordWriter(EMR_SETBKMODE).U32(1));  // text never fills its cell
    Emit(RecordWriter(EMR_SETTEXTALIGN).U32(TA_BASELINE));
  }

  bool begin(QPaintDevice *) override { return true; }
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState &s) override {
    const DirtyFlags f = s.state();
    if (f & DirtyPen) pen_ = s.pen();
    if (f & DirtyBrush) brush_ = s.brush();
    if (f & DirtyFont) font_ = s.font();
    if (f & DirtyTransform) xf_ = s.transform();
    if (f & DirtyCompositionMode) mode_ = s.compositionMode();
    if (f & DirtyClipEnabled) clip_enabled_ = s.isClipEnabled();
    if (f & (DirtyClipRegion | DirtyClipPath)) {
      QRegion r;
      if (f & DirtyClipRegion)
        r = s.transform().map(s.clipRegion());
      else
        r = QRegion(s.clipPath().toFillPolygon(s.transform()).toPolygon());
      switch (s.clipOperation()) {
        case Qt::NoClip:
          clip_.reset();
          break;
        case Qt::ReplaceClip:
          clip_ = r;
          break;
        case Qt::IntersectClip:
          clip_ = clip_ ? clip_->intersected(r) : r;
          break;
      }
      clip_enabled_ = s.clipOperation() != Qt::NoClip || clip_enabled_;
    }
  }

  void drawRects(const QRect *rects, int count) override {
    for (int i = 0; i < count; ++i) Rectangle(rects[i]);
  }
  void drawRects(const QRectF *rects, int count) override {
    for (int i = 0; i < count; ++i) Rectangle(RoundRect(rects[i]));
  }

  void drawLines(const QLine *lines, int count) override {
    for (int i = 0; i < count; ++i) Line(lines[i].p1(), lines[i].p2());
  }
  void drawLines(const QLineF *lines, int count) override {
    for (int i = 0; i < count; ++i) Line(RoundPoint(lines[i].p1()), RoundPoint(lines[i].p2()));
  }

  void drawPoints(const QPoint *points, int count) override {
    // Runs of neighbouring points (the canvas's thin lines, drawn pixel by
    // pixel) become one line each.
    if (pen_.style() == Qt::NoPen) return;
    // A square cap: a thin line then covers its last pixel too.
    QPen thin(pen_.color(), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    int i = 0;
    while (i < count) {
      const QPoint start = points[i];
      int j = i + 1;
      QPoint step;
      if (j < count) {
        step = points[j] - points[i];
        if (std::abs(step.x()) > 1 || std::abs(step.y()) > 1 || step.isNull()) step = QPoint();
      }
      if (!step.isNull()) {
        while (j + 1 < count && points[j + 1] - points[j] == step) ++j;
      } else {
        j = i;
      }
      if (j == i) {
        Prepare(nullptr, nullptr);
        Emit(RecordWriter(EMR_SETPIXELV).I32(start.x()).I32(start.y()).U32(ColorRef(pen_.color())));
        Touch(QRect(start, QSize(1, 1)));
        i = j + 1;
        continue;
      }
      Prepare(&thin, nullptr);
      const QPoint end = points[j] + step;
      Emit(RecordWriter(EMR_MOVETOEX).I32(start.x()).I32(start.y()));
      Emit(RecordWriter(EMR_LINETO).I32(end.x()).I32(end.y()));
      Touch(QRect(start, points[j]).normalized());
      i = j + 1;
    }
  }
  void drawPoints(const QPointF *points, int count) override {
    std::vector<QPoint> p;
    p.reserve(size_t(count));
    for (int i = 0; i < count; ++i) p.push_back(RoundPoint(points[i]));
    drawPoints(p.data(), count);
  }

  void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override {
    if (count < 2) return;
    if (mode != PolylineMode && !PlainBrush(brush_)) {
      QPolygon poly(count);
      std::copy(points, points + count, poly.begin());
      RasterFallback(xf_.map(QPolygonF(poly)).boundingRect().toAlignedRect(), [&](QPainter &p) {
        p.drawPolygon(poly, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
      });
      return;
    }
    const bool polyline = mode == PolylineMode;
    Prepare(&pen_, polyline ? nullptr : &brush_);
    if (!polyline) SetFillMode(mode == WindingMode ? 2 : 1);
    RecordWriter w(polyline ? EMR_POLYLINE : EMR_POLYGON);
    QPolygon poly(count);
    std::copy(points, points + count, poly.begin());
    w.Rect(poly.boundingRect()).U32(std::uint32_t(count));
    for (int i = 0; i < count; ++i) w.I32(points[i].x()).I32(points[i].y());
    Emit(w);
    Touch(poly.boundingRect());
  }
  void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override {
    std::vector<QPoint> p;
    p.reserve(size_t(count));
    for (int i = 0; i < count; ++i) p.push_back(RoundPoint(points[i]));
    drawPolygon(p.data(), count, mode);
  }

  void drawEllipse(const QRect &r) override {
    if (!PlainBrush(brush_)) {
      RasterFallback(xf_.mapRect(r).adjusted(-1, -1, 2, 2), [&](QPainter &p) { p.drawEllipse(r); });
      return;
    }
    Prepare(&pen_, &brush_);
    Emit(RecordWriter(EMR_ELLIPSE)
             .I32(r.left())
             .I32(r.top())
             .I32(r.left() + r.width() + 1)
             .I32(r.top() + r.height() + 1));
    Touch(r);
  }
  void drawEllipse(const QRectF &r) override {
    if (r == QRectF(RoundRect(r))) {
      drawEllipse(RoundRect(r));
      return;
    }
    QPainterPath path;
    path.addEllipse(r);
    drawPath(path);
  }

  void drawPath(const QPainterPath &path) override {
    if (!PlainBrush(brush_)) {
      RasterFallback(xf_.map(path).boundingRect().toAlignedRect().adjusted(-1, -1, 2, 2),
                     [&](QPainter &p) { p.drawPath(path); });
      return;
    }
    if (brush_.style() != Qt::NoBrush) {
      const QList<QPolygonF> polys = path.toFillPolygons();
      if (!polys.isEmpty()) {
        QPen none(Qt::NoPen);
        Prepare(&none, &brush_);
        SetFillMode(path.fillRule() == Qt::WindingFill ? 2 : 1);
        RecordWriter w(EMR_POLYPOLYGON);
        QRect bounds;
        std::uint32_t total = 0;
        for (const QPolygonF &p : polys) {
          bounds |= p.toPolygon().boundingRect();
          total += std::uint32_t(p.size());
        }
        w.Rect(bounds).U32(std::uint32_t(polys.size())).U32(total);
        for (const QPolygonF &p : polys) w.U32(std::uint32_t(p.size()));
        for (const QPolygonF &p : polys) {
          for (const QPointF &pt : p) w.I32(RoundPoint(pt).x()).I32(RoundPoint(pt).y());
        }
        Emit(w);
        Touch(bounds);
      }
    }
    if (pen_.style() != Qt::NoPen) {
      for (const QPolygonF &p : path.toSubpathPolygons()) {
        const QPolygon poly = p.toPolygon();
        drawPolygon(poly.constData(), int(poly.size()), PolylineMode);
      }
    }
  }

  void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
  }

  void drawImage(const QRectF &r, const QImage &image, const QRectF &sr, Qt::ImageConversionFlags) override {
    const QImage img = image.copy(sr.toRect());
    const QRect dest = RoundRect(r);
    if (img.isNull() || dest.isEmpty()) return;
    Image(dest, img, RopOf(mode_));
  }

  void drawTextItem(const QPointF &p, const QTextItem &ti) override {
    const QString text = ti.text();
    if (text.isEmpty()) return;
    Prepare(nullptr, nullptr);
    SelectFont(ti.font());
    if (!emitted_.text_color || *emitted_.text_color != ColorRef(pen_.color())) {
      emitted_.text_color = ColorRef(pen_.color());
      Emit(RecordWriter(EMR_SETTEXTCOLOR).U32(*emitted_.text_color));
    }
    const QPoint ref = RoundPoint(p);
    const QFontMetricsF fm(ti.font());
    const QRect box = QRectF(p.x(), p.y() - fm.ascent(), fm.horizontalAdvance(text), fm.height()).toAlignedRect();
    const std::uint32_t n = std::uint32_t(text.size());
    const std::uint32_t off_string = 76;
    const std::uint32_t string_bytes = (n * 2 + 3) & ~3u;
    RecordWriter w(EMR_EXTTEXTOUTW);
    w.Rect(box).U32(1).F32(0).F32(0);  // compatible mode, no scaling
    w.I32(ref.x()).I32(ref.y()).U32(n).U32(off_string).U32(0).I32(0).I32(0).I32(0).I32(0);
    w.U32(off_string + string_bytes);  // advances follow the characters
    QByteArray chars(qsizetype(string_bytes), '\0');
    for (std::uint32_t i = 0; i < n; ++i)
      qToLittleEndian(std::uint16_t(text.at(qsizetype(i)).unicode()), chars.data() + 2 * i);
    w.Bytes(chars);
    for (std::uint32_t i = 0; i < n; ++i) w.I32(int(std::lround(fm.horizontalAdvance(text.at(qsizetype(i))))));
    Emit(w);
    Touch(box);
  }

  // Plain records of the canvas that have no painter call.
  void SaveDC() {
    Emit(RecordWriter(EMR_SAVEDC));
    saved_.push_back(emitted_);
  }
  void RestoreDC() {
    if (saved_.empty()) return;
    Emit(RecordWriter(EMR_RESTOREDC).I32(-1));
    emitted_ = saved_.back();
    saved_.pop_back();
  }

  // The whole file: header, the records, the end record.
  QByteArray Finish(int width, int height, const QString &description) {
    if (width <= 0 || height <= 0) {
      width = std::max(1, bounds_.isEmpty() ? 1 : bounds_.right() + 1);
      height = std::max(1, bounds_.isEmpty() ? 1 : bounds_.bottom() + 1);
    }
    QString desc = description;
    if (!desc.isEmpty()) desc += QChar(0) + QString(QChar(0));
    const std::uint32_t desc_bytes = (std::uint32_t(desc.size()) * 2 + 3) & ~3u;
    RecordWriter eof(EMR_EOF);
    eof.U32(0).U32(16).U32(20);
    const QByteArray eof_bytes = eof.Finish();

    RecordWriter h(EMR_HEADER);
    const QRect bounds = bounds_.isEmpty() ? QRect(0, 0, 0, 0) : bounds_;
    h.Rect(bounds);
    h.I32(0).I32(0).I32(int(std::lround(width * 2540.0 / 96))).I32(int(std::lround(height * 2540.0 / 96)));
    const std::uint32_t total =
        kHeaderSize + desc_bytes + std::uint32_t(records_.size()) + std::uint32_t(eof_bytes.size());
    h.U32(kEmfSignature).U32(0x10000).U32(total).U32(std::uint32_t(count_ + 2));
    h.U32(kHandleCount);  // nHandles and the reserved word
    h.U32(std::uint32_t(desc.size())).U32(desc.isEmpty() ? 0 : kHeaderSize).U32(0);
    h.I32(kRefPixels).I32(kRefPixels).I32(kRefMillimetres).I32(kRefMillimetres);
    h.U32(0).U32(0).U32(0);  // no pixel format, no OpenGL
    h.I32(kRefMillimetres * 1000).I32(kRefMillimetres * 1000);
    QByteArray chars(qsizetype(desc_bytes), '\0');
    for (qsizetype i = 0; i < desc.size(); ++i)
      qToLittleEndian(std::uint16_t(desc.at(i).unicode()), chars.data() + 2 * i);
    h.Bytes(chars);
    return h.Finish() + records_ + eof_bytes;
  }

 private:
  // What the records have selected so far (the player's state).
  struct Emitted {
    std::optional<QPen> pen;
    std::optional<QBrush> brush;
    std::optional<QFont> font;
    std::optional<std::uint32_t> text_color;
    QTransform xf;
    std::optional<QRegion> clip;
    int fill_mode = 1;
    bool advanced = false;
  };

  void Emit(RecordWriter w) {
    records_ += w.Finish();
    ++count_;
  }

  void Touch(const QRect &logical) { bounds_ |= xf_.mapRect(logical); }

  // Brings the records' transform, clip and, when given, pen and brush to
  // what the painter has.
  void Prepare(const QPen *pen, const QBrush *brush, const QTransform *xf = nullptr) {
    const QTransform &want = xf != nullptr ? *xf : xf_;
    if (want != emitted_.xf) {
      if (!emitted_.advanced) {
        Emit(RecordWriter(EMR_SETGRAPHICSMODE).U32(2));
        emitted_.advanced = true;
      }
      if (want.isIdentity()) {
        RecordWriter w(EMR_MODIFYWORLDTRANSFORM);
        w.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(1);
        Emit(w);
      } else {
        RecordWriter w(EMR_SETWORLDTRANSFORM);
        w.F32(float(want.m11())).F32(float(want.m12())).F32(float(want.m21())).F32(float(want.m22()));
        w.F32(float(want.dx())).F32(float(want.dy()));
        Emit(w);
      }
      emitted_.xf = want;
    }
    const std::optional<QRegion> clip = clip_enabled_ ? clip_ : std::nullopt;
    if (clip != emitted_.clip) {
      RecordWriter w(EMR_EXTSELECTCLIPRGN);
      if (!clip) {
        w.U32(0).U32(5);
      } else {
        const int n = clip->rectCount();
        w.U32(std::uint32_t(32 + 16 * n)).U32(5);
        w.U32(32).U32(1).U32(std::uint32_t(n)).U32(std::uint32_t(16 * n)).Rect(clip->boundingRect());
        // Region rectangles exclude their right and bottom edges.
        for (const QRect &r : *clip) w.I32(r.left()).I32(r.top()).I32(r.left() + r.width()).I32(r.top() + r.height());
      }
      Emit(w);
      emitted_.clip = clip;
    }
    if (pen != nullptr) SelectPen(*pen);
    if (brush != nullptr) SelectBrush(*brush);
  }

  static bool SamePen(const QPen &a, const QPen &b) {
    if (a.style() == Qt::NoPen || b.style() == Qt::NoPen) return a.style() == b.style();
    return PenStyleBits(a) == PenStyleBits(b) && PenWidth(a) == PenWidth(b) &&
           ColorRef(a.color()) == ColorRef(b.color());
  }

  void SelectPen(const QPen &pen) {
    if (emitted_.pen && SamePen(*emitted_.pen, pen)) return;
    if (pen.style() == Qt::NoPen) {
      Emit(RecordWriter(EMR_SELECTOBJECT).U32(kNullPen));
    } else {
      Emit(RecordWriter(EMR_SELECTOBJECT).U32(kBlackPen));
      Emit(RecordWriter(EMR_DELETEOBJECT).U32(kPenHandle));
      RecordWriter w(EMR_CREATEPEN);
      w.U32(kPenHandle).U32(PenStyleBits(pen)).I32(PenWidth(pen)).I32(0).U32(ColorRef(pen.color()));
      Emit(w);
      Emit(RecordWriter(EMR_SELECTOBJECT).U32(kPenHandle));
    }
    emitted_.pen = pen;
  }

  void SelectBrush(const QBrush &brush) {
    if (emitted_.brush && emitted_.brush->style() == brush.style() &&
        (brush.style() == Qt::NoBrush || ColorRef(emitted_.brush->color()) == ColorRef(brush.color()))) {
      return;
    }
    if (brush.style() == Qt::NoBrush) {
      Emit(RecordWriter(EMR_SELECTOBJECT).U32(kNullBrush));
    } else {
      Emit(RecordWriter(EMR_SELECTOBJECT).U32(kWhiteBrush));
      Emit(RecordWriter(EMR_DELETEOBJECT).U32(kBrushHandle));
      const int hatch = HatchOf(brush.style());
      RecordWriter w(EMR_CREATEBRUSHINDIRECT);
      w.U32(kBrushHandle).U32(hatch >= 0 ? 2 : 0).U32(ColorRef(brush.color())).U32(std::uint32_t(std::max(hatch, 0)));
      Emit(w);
      Emit(RecordWriter(EMR_SELECTOBJECT).U32(kBrushHandle));
    }
    emitted_.brush = brush;
  }

  void SelectFont(const QFont &font) {
    if (emitted_.font && *emitted_.font == font) return;
    Emit(RecordWriter(EMR_SELECTOBJECT).U32(kSystemFont));
    Emit(RecordWriter(EMR_DELETEOBJECT).U32(kFontHandle));
    RecordWriter w(EMR_EXTCREATEFONTINDIRECTW);
    int px = font.pixelSize();
    if (px <= 0) px = int(std::lround(font.pointSizeF() * kScreenPixelsPerInch / 72.0));
    w.U32(kFontHandle).I32(-px).I32(0).I32(0).I32(0).I32(font.weight());
    const std::uint32_t quality = font.styleStrategy() & QFont::NoAntialias ? 3 : 0;
    const std::uint32_t flags = (font.italic() ? 1u : 0u) | (font.underline() ? 1u << 8 : 0u) |
                                (font.strikeOut() ? 1u << 16 : 0u) | (1u << 24);  // default character set
    w.U32(flags).U32((quality << 16) | (font.fixedPitch() ? 1u << 24 : 0u));
    QByteArray face(64, '\0');
    const QString family = font.family().left(31);
    for (qsizetype i = 0; i < family.size(); ++i)
      qToLittleEndian(std::uint16_t(family.at(i).unicode()), face.data() + 2 * i);
    w.Bytes(face);
    Emit(w);
    Emit(RecordWriter(EMR_SELECTOBJECT).U32(kFontHandle));
    emitted_.font = font;
  }

  void SetFillMode(int mode) {
    if (emitted_.fill_mode == mode) return;
    Emit(RecordWriter(EMR_SETPOLYFILLMODE).U32(std::uint32_t(mode)));
    emitted_.fill_mode = mode;
  }

  // A fill keeps the platform's rectangle without a pen, which leaves out
  // the right and bottom edges: the record's corners are one pixel out.
  void Rectangle(const QRect &r) {
    if (r.isEmpty()) return;
    if (!PlainBrush(brush_)) {
      RasterFallback(xf_.mapRect(r).adjusted(-1, -1, 2, 2), [&](QPainter &p) { p.drawRect(r); });
      return;
    }
    Prepare(&pen_, &brush_);
    Emit(RecordWriter(EMR_RECTANGLE)
             .I32(r.left())
             .I32(r.top())
             .I32(r.left() + r.width() + 1)
             .I32(r.top() + r.height() + 1));
    Touch(r);
  }

  // Thin lines end one step past their last pixel, as the platform's
  // lines leave out their end point; wide ones end where they end.
  void Line(QPoint from, QPoint to) {
    if (pen_.style() == Qt::NoPen) return;
    Prepare(&pen_, nullptr);
    QPoint end = to;
    if (PenWidth(pen_) <= 1) end += QPoint(Sign(to.x() - from.x()), Sign(to.y() - from.y()));
    Emit(RecordWriter(EMR_MOVETOEX).I32(from.x()).I32(from.y()));
    Emit(RecordWriter(EMR_LINETO).I32(end.x()).I32(end.y()));
    Touch(QRect(from, to).normalized().adjusted(-PenWidth(pen_), -PenWidth(pen_), PenWidth(pen_), PenWidth(pen_)));
  }

  void Image(const QRect &dest, const QImage &img, std::uint32_t rop) {
    Prepare(nullptr, nullptr);
    bool alpha = false;
    if (img.hasAlphaChannel()) {
      const QImage a = img.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < a.height() && !alpha; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
          if (qAlpha(line[x]) != 255) {
            alpha = true;
            break;
          }
        }
      }
    }
    QByteArray bmi, bits;
    ToDib(img, alpha, bmi, bits);
    if (alpha) {
      const std::uint32_t fixed = 108;
      RecordWriter w(EMR_ALPHABLEND);
      w.Rect(dest).I32(dest.x()).I32(dest.y()).I32(dest.width()).I32(dest.height());
      w.U32(0x01FF0000);  // blend over, constant alpha 255, per-pixel alpha
      w.I32(0).I32(0);
      w.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0);
      w.U32(0).U32(0);
      w.U32(fixed)
          .U32(std::uint32_t(bmi.size()))
          .U32(fixed + std::uint32_t(bmi.size()))
          .U32(std::uint32_t(bits.size()));
      w.I32(img.width()).I32(img.height());
      w.Bytes(bmi).Bytes(bits);
      Emit(w);
    } else {
      const std::uint32_t fixed = 80;
      RecordWriter w(EMR_STRETCHDIBITS);
      w.Rect(dest).I32(dest.x()).I32(dest.y()).I32(0).I32(0).I32(img.width()).I32(img.height());
      w.U32(fixed)
          .U32(std::uint32_t(bmi.size()))
          .U32(fixed + std::uint32_t(bmi.size()))
          .U32(std::uint32_t(bits.size()));
      w.U32(0).U32(rop).I32(dest.width()).I32(dest.height());
      w.Bytes(bmi).Bytes(bits);
      Emit(w);
    }
    Touch(dest);
  }

  // What the records cannot say (pattern bitmaps, gradients) is drawn into
  // an image of the covered area, which is then recorded.
  void RasterFallback(const QRect &device_area, const std::function<void(QPainter &)> &draw) {
    const QRect area = device_area.intersected(QRect(-100000, -100000, 200000, 200000));
    if (area.isEmpty() || qint64(area.width()) * area.height() > 64LL * 1024 * 1024) return;
    QImage img(area.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
      QPainter p(&img);
      p.translate(-area.topLeft());
      p.setTransform(xf_, true);
      p.setPen(pen_);
      p.setBrush(brush_);
      draw(p);
    }
    const QTransform identity;
    const QTransform saved = xf_;
    xf_ = identity;
    Prepare(nullptr, nullptr, &identity);
    Image(area, img, kSrcCopy);
    xf_ = saved;
  }

  QPen pen_;
  QBrush brush_;
  QFont font_;
  QTransform xf_;
  QPainter::CompositionMode mode_ = QPainter::CompositionMode_SourceOver;
  std::optional<QRegion> clip_;
  bool clip_enabled_ = false;

  Emitted emitted_;
  std::vector<Emitted> saved_;
  QByteArray records_;
  int count_ = 0;
  QRect bounds_;
};

// ---------------------------------------------------------------------------
// Records

std::uint32_t TEmfRecord::UInt(std::uint32_t offset) const {
  if (offset > Size || Size - offset < 4) Damaged(QStringLiteral("record %1 is too short").arg(Type));
  return qFromLittleEndian<std::uint32_t>(Data + offset);
}

std::int32_t TEmfRecord::Int(std::uint32_t offset) const { return std::int32_t(UInt(offset)); }

float TEmfRecord::Float(std::uint32_t offset) const {
  const std::uint32_t u = UInt(offset);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

QString TEmfRecord::Text() const {
  if (Type != EMR_EXTTEXTOUTW && Type != EMR_EXTTEXTOUTA) return QString();
  const std::uint32_t n = UInt(44);
  const std::uint32_t off = UInt(48);
  const std::uint64_t bytes = Type == EMR_EXTTEXTOUTW ? std::uint64_t(n) * 2 : n;
  if (off > Size || bytes > Size - off) Damaged(QStringLiteral("text beyond its record"));
  if (Type == EMR_EXTTEXTOUTA) return rtl::FromCp1252(reinterpret_cast<const char *>(Data + off), qsizetype(n));
  QString s(qsizetype(n), Qt::Uninitialized);
  for (std::uint32_t i = 0; i < n; ++i) s[qsizetype(i)] = QChar(qFromLittleEndian<std::uint16_t>(Data + off + 2 * i));
  return s;
}

TPoint TEmfRecord::TextPoint() const { return {Int(36), Int(40)}; }

// ---------------------------------------------------------------------------
// Playing

struct TEmfPlayer::Object {
  enum Kind { Pen, Brush, Font } kind = Pen;
  QPen pen;
  QBrush brush;
  TEmfFont font;
};

struct TEmfPlayer::State {
  QPen pen = QPen(Qt::black, 1);
  QBrush brush = QBrush(Qt::white);
  TEmfFont font;
  std::uint32_t text_color = 0;
  std::uint32_t bk_color = 0xFFFFFF;
  int bk_mode = 2;
  std::uint32_t text_align = 0;
  int fill_mode = 1;
  QPoint pos;
  QTransform xf;
  std::optional<QRegion> clip;  // in the picture's device pixels
};

TEmfPlayer::TEmfPlayer(QPainter *painter, const QRectF &frame, const QRectF &target, int handle_count)
    : painter_(painter), state_(std::make_unique<State>()) {
  objects_.resize(size_t(std::clamp(handle_count, 1, 65535)));
  if (frame.width() > 0 && frame.height() > 0) {
    base_.translate(target.left(), target.top());
    base_.scale(target.width() / frame.width(), target.height() / frame.height());
    base_.translate(-frame.left(), -frame.top());
  }
  state_->font.FaceName = QStringLiteral("System");
  if (painter_ != nullptr) {
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
  }
}

TEmfPlayer::~TEmfPlayer() {
  if (painter_ != nullptr) painter_->restore();
}

const TEmfFont &TEmfPlayer::Font() const { return state_->font; }
TColor TEmfPlayer::TextColor() const { return TColor(state_->text_color & 0xFFFFFF); }
TColor TEmfPlayer::BkColor() const { return TColor(state_->bk_color & 0xFFFFFF); }
QTransform TEmfPlayer::WorldTransform() const { return state_->xf; }

QFont TEmfPlayer::QtFont() const {
  const TEmfFont &lf = state_->font;
  QFont f(lf.FaceName);
  int px = lf.Height < 0 ? -lf.Height : (lf.Height * 7 + 4) / 8;
  if (px <= 0) px = 11;
  f.setPixelSize(std::min(px, 32767));
  f.setWeight(QFont::Weight(lf.Weight <= 0 ? 400 : std::clamp(lf.Weight, 1, 1000)));
  f.setItalic(lf.Italic);
  f.setUnderline(lf.Underline);
  f.setStrikeOut(lf.StrikeOut);
  if ((lf.PitchAndFamily & 3) == 1) f.setFixedPitch(true);
  if (lf.Quality == 3) f.setStyleStrategy(QFont::NoAntialias);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

void TEmfPlayer::Apply() {
  painter_->setWorldTransform(state_->xf * base_);
  painter_->setPen(state_->pen);
  painter_->setBrush(state_->brush);
  painter_->setBrushOrigin(0, 0);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// The caller's own clip stays: the player's save of the painter holds it,
// and every clip of the records is intersected with it.
void TEmfPlayer::SetClip(const std::optional<QRegion> &region) {
  state_->clip = region;
  if (painter_ != nullptr) ApplyClip();
}

void TEmfPlayer::ApplyClip() {
  painter_->restore();
  painter_->save();
  painter_->setRenderHint(QPainter::Antialiasing, false);
  if (state_->clip) {
    painter_->setWorldTransform(base_);
    painter_->setClipRegion(*state_->clip, Qt::IntersectClip);
  }
}

void TEmfPlayer::DrawLine(QPoint from, QPoint to) {
  if (painter_ == nullptr || state_->pen.style() == Qt::NoPen) return;
  Apply();
  if (state_->pen.width() <= 1) {
    // The end point is not drawn.
    const QPoint back(Sign(to.x() - from.x()), Sign(to.y() - from.y()));
    if (from == to) return;
    painter_->drawLine(from, to - back);
  } else {
    painter_->drawLine(from, to);
  }
}

void TEmfPlayer::DrawDib(const TEmfRecord &r, QRect dest, QRect src, std::uint32_t off_bmi, std::uint32_t cb_bmi,
                         std::uint32_t off_bits, std::uint32_t cb_bits, std::uint32_t rop, int alpha,
                         bool premultiplied) {
  if (cb_bmi == 0) {
    // No source: a pattern operation.
    if (painter_ == nullptr) return;
    Apply();
    painter_->setPen(Qt::NoPen);
    if (rop == kBlackness)
      painter_->fillRect(dest.normalized(), Qt::black);
    else if (rop == kWhiteness)
      painter_->fillRect(dest.normalized(), Qt::white);
    else if (rop == kDstInvert) {
      painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
      painter_->fillRect(dest.normalized(), Qt::white);
    } else if (state_->brush.style() != Qt::NoBrush) {
      painter_->fillRect(dest.normalized(), state_->brush);
    }
    return;
  }
  if (off_bmi > r.Size || cb_bmi > r.Size - off_bmi || off_bits > r.Size || cb_bits > r.Size - off_bits ||
      cb_bmi < 40) {
    Damaged(QStringLiteral("bitmap beyond its record"));
  }
  const unsigned char *h = r.Data + off_bmi;
  const std::int32_t w = qFromLittleEndian<std::int32_t>(h + 4);
  const std::int32_t hh = qFromLittleEndian<std::int32_t>(h + 8);
  const std::uint16_t bpp = qFromLittleEndian<std::uint16_t>(h + 14);
  QImage img;
  if (premultiplied) {
    if (bpp != 32 || w <= 0 || hh == 0 || hh == INT32_MIN) Damaged(QStringLiteral("blended bitmap not of 32 bits"));
    const std::int64_t rows = std::abs(std::int64_t(hh));
    if (std::int64_t(w) * rows * 4 > std::int64_t(cb_bits)) Damaged(QStringLiteral("bitmap bits missing"));
    img = QImage(w, int(rows), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < int(rows); ++y) {
      const unsigned char *line = r.Data + off_bits + qsizetype(hh > 0 ? rows - 1 - y : y) * w * 4;
      QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(y));
      for (int x = 0; x < w; ++x) {
        const unsigned char *px = line + 4 * x;
        const int a = px[3];
        out[x] = qRgba(std::min<int>(px[2], a), std::min<int>(px[1], a), std::min<int>(px[0], a), a);
      }
    }
  } else {
    TBitmap bmp;
    QByteArray dib(reinterpret_cast<const char *>(h), qsizetype(cb_bmi));
    dib.append(reinterpret_cast<const char *>(r.Data + off_bits), qsizetype(cb_bits));
    try {
      bmp.LoadFromDib(dib);
    } catch (const EInvalidGraphic &e) {
      Damaged(e.Message());
    }
    img = bmp.Image();
  }
  if (painter_ == nullptr) return;
  // Source rectangles of bottom-up bitmaps count from the bottom row.
  if (hh > 0) src.moveTop(img.height() - src.top() - src.height());
  if (dest.width() < 0) {
    img = img.mirrored(true, false);
    dest = QRect(dest.left() + dest.width(), dest.top(), -dest.width(), dest.height());
  }
  if (dest.height() < 0) {
    img = img.mirrored(false, true);
    dest = QRect(dest.left(), dest.top() + dest.height(), dest.width(), -dest.height());
  }
  Apply();
  painter_->setCompositionMode(ModeOfRop(rop));
  if (alpha < 255) painter_->setOpacity(alpha / 255.0);
  painter_->drawImage(dest, img, src);
  painter_->setOpacity(1.0);
}

void TEmfPlayer::Play(const TEmfRecord &r) {
  State &s = *state_;
  auto point_list = [&](std::uint32_t count_at, std::uint32_t first, bool small) {
    const std::uint32_t n = r.UInt(count_at);
    const std::uint64_t need = std::uint64_t(n) * (small ? 4 : 8);
    if (first > r.Size || need > r.Size - first) Damaged(QStringLiteral("points beyond their record"));
    QPolygon poly;
    poly.resize(qsizetype(n));
    for (std::uint32_t i = 0; i < n; ++i) {
      if (small) {
        poly[qsizetype(i)] = QPoint(qFromLittleEndian<std::int16_t>(r.Data + first + 4 * i),
                                    qFromLittleEndian<std::int16_t>(r.Data + first + 4 * i + 2));
      } else {
        poly[qsizetype(i)] = QPoint(r.Int(first + 8 * i), r.Int(first + 8 * i + 4));
      }
    }
    return poly;
  };
  auto object_index = [&](std::uint32_t ih) -> std::unique_ptr<Object> & {
    if (ih == 0 || ih >= objects_.size()) Damaged(QStringLiteral("object handle %1 out of range").arg(ih));
    return objects_[ih];
  };
  auto transform_at = [&](std::uint32_t o) {
    float v[6];
    for (int i = 0; i < 6; ++i) {
      v[i] = r.Float(o + 4 * std::uint32_t(i));
      if (!std::isfinite(v[i])) Damaged(QStringLiteral("transform not a number"));
      // No page turns or scales by more than this; such values only make
      // the painter allocate glyphs and images beyond any size.
      if (std::fabs(v[i]) > (i < 4 ? 1e4f : 1e8f)) Damaged(QStringLiteral("transform out of range"));
    }
    return QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
  };

  switch (r.Type) {
    case EMR_SETBKMODE:
      s.bk_mode = r.Int(8);
      break;
    case EMR_SETBKCOLOR:
      s.bk_color = r.UInt(8);
      break;
    case EMR_SETTEXTCOLOR:
      s.text_color = r.UInt(8);
      break;
    case EMR_SETTEXTALIGN:
      s.text_align = r.UInt(8);
      break;
    case EMR_SETPOLYFILLMODE:
      s.fill_mode = r.Int(8);
      break;
    case EMR_MOVETOEX:
      s.pos = QPoint(r.Int(8), r.Int(12));
      break;
    case EMR_LINETO: {
      const QPoint to(r.Int(8), r.Int(12));
      DrawLine(s.pos, to);
      s.pos = to;
      break;
    }
    case EMR_SETPIXELV: {
      // Read before drawing: loading plays without a painter to check
      // every record.
      const QRect pixel(r.Int(8), r.Int(12), 1, 1);
      const QColor color = FromColorRef(r.UInt(16));
      if (painter_ == nullptr) break;
      Apply();
      painter_->fillRect(pixel, color);
      break;
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE: {
      // The box's right and bottom are one past its last pixel.
      const int l = std::min(r.Int(8), r.Int(16)), rr = std::max(r.Int(8), r.Int(16));
      const int t = std::min(r.Int(12), r.Int(20)), b = std::max(r.Int(12), r.Int(20));
      if (painter_ == nullptr || std::int64_t(rr) - l < 1 || std::int64_t(b) - t < 1) break;
      Apply();
      const QRect inner(l, t, rr - l - 1, b - t - 1);
      if (r.Type == EMR_ELLIPSE) {
        painter_->drawEllipse(inner);
      } else if (s.pen.style() == Qt::NoPen) {
        if (s.brush.style() != Qt::NoBrush && !inner.isEmpty()) painter_->fillRect(inner, s.brush);
      } else {
        painter_->drawRect(inner);
      }
      break;
    }
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYGON16:
    case EMR_POLYLINE16: {
      const bool small = r.Type == EMR_POLYGON16 || r.Type == EMR_POLYLINE16;
      const QPolygon poly = point_list(24, 28, small);
      if (painter_ == nullptr) break;
      Apply();
      if (r.Type == EMR_POLYGON || r.Type == EMR_POLYGON16) {
        painter_->drawPolygon(poly, s.fill_mode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
      } else {
        painter_->drawPolyline(poly);
      }
      break;
    }
    case EMR_POLYPOLYGON: {
      const std::uint32_t polys = r.UInt(24);
      const std::uint32_t total = r.UInt(28);
      const std::uint64_t need = 32 + std::uint64_t(polys) * 4 + std::uint64_t(total) * 8;
      if (need > r.Size) Damaged(QStringLiteral("polygons beyond their record"));
      QPainterPath path;
      path.setFillRule(s.fill_mode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
      std::uint32_t at = 32 + polys * 4;
      std::uint64_t used = 0;
      for (std::uint32_t i = 0; i < polys; ++i) {
        const std::uint32_t n = r.UInt(32 + 4 * i);
        used += n;
        if (used > total) Damaged(QStringLiteral("polygon counts exceed the points"));
        QPolygon poly;
        poly.resize(qsizetype(n));
        for (std::uint32_t k = 0; k < n; ++k) poly[qsizetype(k)] = QPoint(r.Int(at + 8 * k), r.Int(at + 8 * k + 4));
        at += 8 * n;
        path.addPolygon(QPolygonF(poly));
        path.closeSubpath();
      }
      if (painter_ == nullptr) break;
      Apply();
      painter_->drawPath(path);
      break;
    }
    case EMR_SAVEDC:
      saved_.push_back(s);
      break;
    case EMR_RESTOREDC: {
      const std::int32_t n = r.Int(8);
      // Only relative restores exist in metafiles; others are ignored, as
      // is a restore of more than was saved.
      if (n < 0 && std::uint32_t(-std::int64_t(n)) <= saved_.size()) {
        saved_.resize(saved_.size() - size_t(-std::int64_t(n)) + 1);
        const std::optional<QRegion> before = s.clip;
        s = saved_.back();
        saved_.pop_back();
        if (painter_ != nullptr && before != s.clip) ApplyClip();
      }
      break;
    }
    case EMR_SETWORLDTRANSFORM:
      s.xf = transform_at(8);
      break;
    case EMR_MODIFYWORLDTRANSFORM: {
      const QTransform t = transform_at(8);
      switch (r.UInt(32)) {
        case 1:
          s.xf = QTransform();
          break;
        case 2:
          s.xf = t * s.xf;
          break;
        case 3:
          s.xf = s.xf * t;
          break;
        case 4:
          s.xf = t;
          break;
        default:
          Damaged(QStringLiteral("unknown transform mode"));
      }
      break;
    }
    case EMR_CREATEPEN: {
      auto &slot = object_index(r.UInt(8));
      slot = std::make_unique<Object>();
      slot->kind = Object::Pen;
      slot->pen = PenFromBits(r.UInt(12), std::clamp(r.Int(16), 0, 10000), r.UInt(24));
      break;
    }
    case EMR_EXTCREATEPEN: {
      auto &slot = object_index(r.UInt(8));
      slot = std::make_unique<Object>();
      slot->kind = Object::Pen;
      slot->pen = PenFromBits(r.UInt(28), std::clamp(r.Int(32), 0, 10000), r.UInt(40));
      break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      auto &slot = object_index(r.UInt(8));
      slot = std::make_unique<Object>();
      slot->kind = Object::Brush;
      const std::uint32_t style = r.UInt(12);
      const QColor c = FromColorRef(r.UInt(16));
      if (style == 1)
        slot->brush = QBrush(Qt::NoBrush);
      else if (style == 2)
        slot->brush = QBrush(c, HatchStyle(r.UInt(20)));
      else
        slot->brush = QBrush(c);
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      auto &slot = object_index(r.UInt(8));
      if (r.Size < 104) Damaged(QStringLiteral("font record too short"));
      slot = std::make_unique<Object>();
      slot->kind = Object::Font;
      TEmfFont &f = slot->font;
      f.Height = r.Int(12);
      f.Width = r.Int(16);
      f.Escapement = r.Int(20);
      f.Weight = r.Int(28);
      const std::uint32_t flags = r.UInt(32);
      f.Italic = (flags & 0xFF) != 0;
      f.Underline = ((flags >> 8) & 0xFF) != 0;
      f.StrikeOut = ((flags >> 16) & 0xFF) != 0;
      f.Charset = int(flags >> 24);
      f.Quality = int((r.UInt(36) >> 16) & 0xFF);
      f.PitchAndFamily = int((r.UInt(36) >> 24) & 0xFF);
      QString face;
      for (std::uint32_t i = 0; i < 32; ++i) {
        const std::uint16_t ch = qFromLittleEndian<std::uint16_t>(r.Data + 40 + 2 * i);
        if (ch == 0) break;
        face += QChar(ch);
      }
      f.FaceName = face;
      break;
    }
    case EMR_SELECTOBJECT: {
      const std::uint32_t ih = r.UInt(8);
      if (ih & kStock) {
        switch (ih) {
          case kWhiteBrush:
            s.brush = QBrush(Qt::white);
            break;
          case kBlackBrush:
            s.brush = QBrush(Qt::black);
            break;
          case kStock | 1:
            s.brush = QBrush(QColor(192, 192, 192));
            break;
          case kStock | 2:
            s.brush = QBrush(QColor(128, 128, 128));
            break;
          case kStock | 3:
            s.brush = QBrush(QColor(64, 64, 64));
            break;
          case kNullBrush:
            s.brush = QBrush(Qt::NoBrush);
            break;
          case kWhitePen:
            s.pen = QPen(Qt::white, 1);
            break;
          case kBlackPen:
            s.pen = QPen(Qt::black, 1);
            break;
          case kNullPen:
            s.pen = QPen(Qt::NoPen);
            break;
          default:
            break;  // stock fonts and palettes: the font stays
        }
        break;
      }
      const auto &slot = object_index(ih);
      if (!slot) break;  // a deleted object: nothing changes, as on the platform
      if (slot->kind == Object::Pen)
        s.pen = slot->pen;
      else if (slot->kind == Object::Brush)
        s.brush = slot->brush;
      else
        s.font = slot->font;
      break;
    }
    case EMR_DELETEOBJECT:
      object_index(r.UInt(8)).reset();
      break;
    case EMR_EXTSELECTCLIPRGN: {
      const std::uint32_t cb = r.UInt(8);
      const std::uint32_t mode = r.UInt(12);
      if (cb > r.Size - 16) Damaged(QStringLiteral("clip region beyond its record"));
      if (cb == 0) {
        if (mode == 5) SetClip(std::nullopt);
        break;
      }
      if (cb < 32) Damaged(QStringLiteral("clip region header too short"));
      const std::uint32_t n = r.UInt(24);
      if (std::uint64_t(n) * 16 > cb - 32) Damaged(QStringLiteral("clip rectangles beyond the region"));
      QRegion region;
      for (std::uint32_t i = 0; i < n; ++i) {
        const QRect c(QPoint(r.Int(48 + 16 * i), r.Int(52 + 16 * i)),
                      QPoint(r.Int(56 + 16 * i) - 1, r.Int(60 + 16 * i) - 1));
        region += c;
      }
      const QRegion current = s.clip.value_or(QRegion(-1000000, -1000000, 2000000, 2000000));
      switch (mode) {
        case 1:
          SetClip(current.intersected(region));
          break;
        case 2:
          SetClip(current.united(region));
          break;
        case 3:
          SetClip(current.xored(region));
          break;
        case 4:
          SetClip(current.subtracted(region));
          break;
        default:
          SetClip(region);
          break;
      }
      break;
    }
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
      const QRect logical(QPoint(r.Int(8), r.Int(12)), QPoint(r.Int(16) - 1, r.Int(20) - 1));
      const QRegion device = s.xf.map(QRegion(logical));
      const QRegion current = s.clip.value_or(QRegion(-1000000, -1000000, 2000000, 2000000));
      SetClip(r.Type == EMR_INTERSECTCLIPRECT ? current.intersected(device) : current.subtracted(device));
      break;
    }
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: {
      const QString text = r.Text();
      const QPoint ref(r.TextPoint().X, r.TextPoint().Y);
      const std::uint32_t options = r.UInt(52);
      const QRect opaque(QPoint(r.Int(56), r.Int(60)), QPoint(r.Int(64) - 1, r.Int(68) - 1));
      if (painter_ == nullptr) break;
      Apply();
      const QFont f = QtFont();
      // Glyphs are rendered as images: text that would come out larger
      // than any page is left out rather than allocated.
      const QTransform device = painter_->combinedTransform();
      const double grow = std::max(
          {std::fabs(device.m11()), std::fabs(device.m12()), std::fabs(device.m21()), std::fabs(device.m22())});
      if (f.pixelSize() * grow > 4000.0) break;
      const QFontMetricsF fm(f);
      painter_->setFont(f);
      if ((options & 0x2) && !opaque.isEmpty()) painter_->fillRect(opaque, FromColorRef(s.bk_color));
      if (options & 0x4) painter_->setClipRect(opaque, Qt::IntersectClip);
      QPointF at = (s.text_align & TA_UPDATECP) ? QPointF(s.pos) : QPointF(ref);
      const double width = fm.horizontalAdvance(text);
      const std::uint32_t horiz = s.text_align & 6, vert = s.text_align & 24;
      if (horiz == TA_CENTER)
        at.rx() -= width / 2;
      else if (horiz == TA_RIGHT)
        at.rx() -= width;
      if (vert == 0)
        at.ry() += fm.ascent();
      else if (vert == TA_BOTTOM)
        at.ry() -= fm.descent();
      if (s.font.Escapement != 0) {
        painter_->translate(ref);
        painter_->rotate(-s.font.Escapement / 10.0);
        painter_->translate(-ref);
      }
      if (s.bk_mode == 2 && !(options & 0x2)) {
        painter_->fillRect(QRectF(at.x(), at.y() - fm.ascent(), width, fm.height()), FromColorRef(s.bk_color));
      }
      // The painter that recorded the text drew its underline and strike-out
      // lines itself, and they are records of their own.
      QFont plain = f;
      plain.setUnderline(false);
      plain.setStrikeOut(false);
      painter_->setFont(plain);
      painter_->setPen(FromColorRef(s.text_color));
      painter_->drawText(at, text);
      if (options & 0x4) ApplyClip();
      if (s.text_align & TA_UPDATECP) s.pos.rx() += int(std::lround(width));
      break;
    }
    case EMR_STRETCHDIBITS: {
      const QRect dest(r.Int(8 + 16), r.Int(28), r.Int(72), r.Int(76));
      const QRect src(r.Int(32), r.Int(36), r.Int(40), r.Int(44));
      DrawDib(r, dest, src, r.UInt(48), r.UInt(52), r.UInt(56), r.UInt(60), r.UInt(68), 255, false);
      break;
    }
    case EMR_BITBLT: {
      const QRect dest(r.Int(24), r.Int(28), r.Int(32), r.Int(36));
      const QRect src(r.Int(44), r.Int(48), dest.width(), dest.height());
      DrawDib(r, dest, src, r.UInt(84), r.UInt(88), r.UInt(92), r.UInt(96), r.UInt(40), 255, false);
      break;
    }
    case EMR_ALPHABLEND: {
      const QRect dest(r.Int(24), r.Int(28), r.Int(32), r.Int(36));
      const std::uint32_t blend = r.UInt(40);
      const QRect src(r.Int(44), r.Int(48), r.Int(100), r.Int(104));
      const bool per_pixel = ((blend >> 24) & 1) != 0;
      DrawDib(r, dest, src, r.UInt(84), r.UInt(88), r.UInt(92), r.UInt(96), kSrcCopy, int((blend >> 16) & 0xFF),
              per_pixel);
      break;
    }
    default:
      break;  // records a report page does not use are skipped
  }
}

// ---------------------------------------------------------------------------
// The metafile

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::SetWidth(int width) {
  width_ = std::max(0, width);
  Changed();
}

void TMetafile::SetHeight(int height) {
  height_ = std::max(0, height);
  Changed();
}

int TMetafile::MMWidth() const { return int(std::lround(width_ * 2540.0 / 96)); }
int TMetafile::MMHeight() const { return int(std::lround(height_ * 2540.0 / 96)); }

void TMetafile::Clear() {
  data_.clear();
  width_ = height_ = 0;
  description_.clear();
  Changed();
}

int TMetafile::HandleCount() const {
  if (data_.size() < qsizetype(kHeaderSize)) return 1;
  return qFromLittleEndian<std::uint16_t>(data_.constData() + 56);
}

QRectF TMetafile::Frame() const { return QRectF(0, 0, width_, height_); }

std::vector<TEmfRecord> TMetafile::Records() const {
  std::vector<TEmfRecord> out;
  Enumerate([&](const TEmfRecord &r) {
    out.push_back(r);
    return true;
  });
  return out;
}

void TMetafile::Enumerate(const std::function<bool(const TEmfRecord &)> &visit) const {
  const auto *p = reinterpret_cast<const unsigned char *>(data_.constData());
  std::uint32_t at = 0;
  const auto size = std::uint32_t(data_.size());
  while (at + 8 <= size) {
    TEmfRecord r;
    r.Type = qFromLittleEndian<std::uint32_t>(p + at);
    r.Size = qFromLittleEndian<std::uint32_t>(p + at + 4);
    r.Data = p + at;
    if (r.Size < 8 || r.Size > size - at) return;  // checked on load
    if (!visit(r) || r.Type == EMR_EOF) return;
    at += r.Size;
  }
}

void TMetafile::Play(QPainter *painter, const QRectF &target) const {
  if (Empty() || painter == nullptr) return;
  const std::unique_ptr<TEmfPlayer> player = CreatePlayer(painter, target);
  Enumerate([&](const TEmfRecord &r) {
    player->Play(r);
    return true;
  });
}

std::unique_ptr<TEmfPlayer> TMetafile::CreatePlayer(QPainter *painter, const QRectF &target) const {
  return std::make_unique<TEmfPlayer>(painter, Frame(), target, HandleCount());
}

QImage TMetafile::ToImage() const {
  if (Empty() || width_ <= 0 || height_ <= 0) return QImage();
  QImage img(width_, height_, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  Play(&p, QRectF(0, 0, width_, height_));
  return img;
}

void TMetafile::Draw(TCanvas *canvas, const TRect &r) const {
  if (canvas == nullptr || Empty()) return;
  QPainter *p = canvas->Painter();
  if (p == nullptr) return;
  Play(p, QRectF(r.Left, r.Top, r.Width(), r.Height()));
}

void TMetafile::Assign(const rtl::TPersistent *source) {
  if (source == this) return;
  if (auto *m = dynamic_cast<const TMetafile *>(source)) {
    data_ = m->data_;
    width_ = m->width_;
    height_ = m->height_;
    description_ = m->description_;
    Changed();
    return;
  }
  if (source == nullptr) {
    Clear();
    return;
  }
  TGraphic::Assign(source);
}

void TMetafile::LoadFromBytes(const QByteArray &data) {
  const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
  const auto size = std::uint32_t(std::min<qsizetype>(data.size(), 0x7FFFFFFF));
  if (size < 88) Damaged(QStringLiteral("no header"));
  TEmfRecord h{qFromLittleEndian<std::uint32_t>(p), qFromLittleEndian<std::uint32_t>(p + 4), p};
  if (h.Type != EMR_HEADER || h.Size < 88 || h.Size > size || h.Size % 4 != 0) Damaged(QStringLiteral("no header"));
  if (h.UInt(40) != kEmfSignature) Damaged(QStringLiteral("not an enhanced metafile"));
  // The frame is in hundredths of a millimetre.
  const std::int64_t fw = std::int64_t(h.Int(32)) - h.Int(24);
  const std::int64_t fh = std::int64_t(h.Int(36)) - h.Int(28);
  if (fw < 0 || fh < 0 || fw > 10000000 || fh > 10000000) Damaged(QStringLiteral("picture frame out of range"));
  QString description;
  const std::uint32_t n_desc = h.UInt(60), off_desc = h.UInt(64);
  if (n_desc > 0) {
    if (off_desc < 88 || off_desc > h.Size || std::uint64_t(n_desc) * 2 > h.Size - off_desc) {
      Damaged(QStringLiteral("description beyond the header"));
    }
    for (std::uint32_t i = 0; i < n_desc; ++i)
      description += QChar(qFromLittleEndian<std::uint16_t>(p + off_desc + 2 * i));
    while (description.endsWith(QChar(0))) description.chop(1);
    description.replace(QChar(0), QChar('\n'));
  }
  // Walk every record to the end record, then play them without a painter,
  // which checks what each one holds.
  std::uint32_t at = 0;
  bool ended = false;
  while (at < size) {
    if (size - at < 8) Damaged(QStringLiteral("record cut short at %1").arg(at));
    const std::uint32_t type = qFromLittleEndian<std::uint32_t>(p + at);
    const std::uint32_t rsize = qFromLittleEndian<std::uint32_t>(p + at + 4);
    if (rsize < 8 || rsize % 4 != 0 || rsize > size - at) Damaged(QStringLiteral("bad record size at %1").arg(at));
    if (at > 0 && type == EMR_HEADER) Damaged(QStringLiteral("second header at %1").arg(at));
    at += rsize;
    if (type == EMR_EOF) {
      ended = true;
      break;
    }
  }
  if (!ended) Damaged(QStringLiteral("no end record"));
  TMetafile check;
  check.data_ = data.left(qsizetype(at));
  check.width_ = int(std::lround(double(fw) * 96 / 2540));
  check.height_ = int(std::lround(double(fh) * 96 / 2540));
  TEmfPlayer validator(nullptr, check.Frame(), check.Frame(), check.HandleCount());
  check.Enumerate([&](const TEmfRecord &r) {
    validator.Play(r);
    return true;
  });
  data_ = check.data_;
  width_ = check.width_;
  height_ = check.height_;
  description_ = description;
  loaded_length_ = at;
  Changed();
}

// ---------------------------------------------------------------------------
// The recording canvas

TMetafileCanvas::TMetafileCanvas(TMetafile *metafile, const QString &description)
    : metafile_(metafile), description_(description), recorder_(std::make_unique<EmfRecorder>()) {
  const int w = metafile_ != nullptr && metafile_->Width() > 0 ? metafile_->Width() : 100000;
  const int h = metafile_ != nullptr && metafile_->Height() > 0 ? metafile_->Height() : 100000;
  device_ = std::make_unique<EmfDevice>(recorder_.get(), w, h);
  painter_ = std::make_unique<QPainter>(device_.get());
  BeginPaint(painter_.get());
}

TMetafileCanvas::~TMetafileCanvas() {
  // A picture that cannot be completed stays empty; Close says why.
  try {
    Close();
  } catch (const rtl::Exception &) {
  }
}

void TMetafileCanvas::SaveDC() {
  if (recorder_) recorder_->SaveDC();
}

void TMetafileCanvas::RestoreDC() {
  if (recorder_) recorder_->RestoreDC();
}

void TMetafileCanvas::Close() {
  if (!recorder_) return;
  EndPaint();
  painter_->end();
  painter_.reset();
  const std::unique_ptr<EmfRecorder> recorder = std::move(recorder_);
  device_.reset();
  if (metafile_ != nullptr) {
    const QByteArray bytes = recorder->Finish(metafile_->Width(), metafile_->Height(), description_);
    try {
      metafile_->LoadFromBytes(bytes);
    } catch (const EInvalidGraphic &) {
      // Drawing the file check refuses (a transform no page uses).
      metafile_->Clear();
      throw;
    }
  }
}

}  // namespace vcl
