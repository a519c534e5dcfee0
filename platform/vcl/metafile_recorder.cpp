// The metafile recorder: a QPaintEngine behind a paint device of the
// picture's size, and the canvas that draws through it (see metafile.h).
//
// The recorder keeps what the painter asks for (pen, brush, font,
// transform, clip) apart from what the records have already selected, and
// writes a selection only when a drawing call needs a different one. The
// records are chosen so that playing them repeats the painter calls that
// made them: a canvas line drawn pixel by pixel comes back as one line, a
// fill as one rectangle, text as one text-out at its base line.
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
#include <string>

#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/metafile.h"
#include "platform/vcl/metafile_emf.h"

namespace vcl {

using namespace emf;

namespace {

// A record being written: fields appended, size patched when done.
class RecordWriter {
 public:
  // Room for most records, so that appending fields does not reallocate.
  static constexpr size_t kTypicalSize = 64;

  explicit RecordWriter(std::uint32_t type, size_t size = kTypicalSize) {
    data_.reserve(size);
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
    data_.append(b.constData(), size_t(b.size()));
    return *this;
  }
  std::uint32_t Size() const { return std::uint32_t(data_.size()); }
  // The finished record appended to `out`.
  void AppendTo(QByteArray &out) {
    Pad();
    out.append(data_.data(), qsizetype(data_.size()));
  }
  QByteArray Finish() {
    Pad();
    return QByteArray(data_.data(), qsizetype(data_.size()));
  }

 private:
  // Records are whole 32-bit words long; the size field says how many bytes.
  void Pad() {
    while (data_.size() % 4 != 0) data_.push_back('\0');
    qToLittleEndian(std::uint32_t(data_.size()), data_.data() + 4);
  }

  std::string data_;
};

void PutU32(QByteArray &b, int offset, std::uint32_t v) { qToLittleEndian(v, b.data() + offset); }

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

}  // namespace

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
  // Room for the records of a list page, so that they are not copied as
  // they grow.
  static constexpr qsizetype kPageRecordsSize = 64 * 1024;

  EmfRecorder() : QPaintEngine(QPaintEngine::AllFeatures) {
    records_.reserve(kPageRecordsSize);
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
    if (skip_points_) {
      // The point drawn only to bring the painter's state here.
      skip_points_ = false;
      return;
    }
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
    Text(p, ti.text(), ti.font(), MetricsOf(ti.font()));
  }

  // Whether `text` in `font` (measured by `metrics`) can be recorded as
  // QPainter would record it without QPainter shaping it first: one run of
  // plain characters, all in the font itself (a fallback font would make a
  // run of its own), with no line under, over or through it (QPainter draws
  // those as records).
  static bool TakesTextDirectly(const QFont &font, TTextAdvances &metrics, const QString &text) {
    if (text.isEmpty() || font.underline() || font.overline() || font.strikeOut()) return false;
    return metrics.Summable(text) && metrics.InFont(text);
  }

  // The next points drawn are not recorded (see TMetafileCanvas::PaintText).
  void SkipNextPoints() { skip_points_ = true; }

  // One text-out record at the base line's start `p`; `metrics` measure
  // `font` as the records always have (QFontMetricsF(font)), and `width`,
  // when not negative, is the text's width they give.
  void Text(const QPointF &p, const QString &text, const QFont &font, TTextAdvances &metrics, int width = -1) {
    skip_points_ = false;  // whether or not the point reached the recorder
    if (text.isEmpty()) return;
    Prepare(nullptr, nullptr);
    SelectFont(font);
    if (!emitted_.text_color || *emitted_.text_color != ColorRef(pen_.color())) {
      emitted_.text_color = ColorRef(pen_.color());
      Emit(RecordWriter(EMR_SETTEXTCOLOR).U32(*emitted_.text_color));
    }
    const QPoint ref = RoundPoint(p);
    const qreal advance = width >= 0 ? width : metrics.WidthF(text);
    const QRect box = QRectF(p.x(), p.y() - metrics.AscentF(), advance, metrics.HeightF()).toAlignedRect();
    const std::uint32_t n = std::uint32_t(text.size());
    const std::uint32_t off_string = 76;
    const std::uint32_t string_bytes = (n * 2 + 3) & ~3u;
    constexpr std::uint32_t kAdvanceBytes = 4;
    RecordWriter w(EMR_EXTTEXTOUTW, size_t(off_string) + string_bytes + size_t(n) * kAdvanceBytes);
    w.Rect(box).U32(1).F32(0).F32(0);  // compatible mode, no scaling
    w.I32(ref.x()).I32(ref.y()).U32(n).U32(off_string).U32(0).I32(0).I32(0).I32(0).I32(0);
    w.U32(off_string + string_bytes);  // advances follow the characters
    QByteArray chars(qsizetype(string_bytes), '\0');
    for (std::uint32_t i = 0; i < n; ++i)
      qToLittleEndian(std::uint16_t(text.at(qsizetype(i)).unicode()), chars.data() + 2 * i);
    w.Bytes(chars);
    for (const int dx : metrics.CharAdvances(text)) w.I32(dx);
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
    // One buffer of the page's size: the records are most of it.
    QByteArray out = h.Finish();
    out.reserve(out.size() + records_.size() + eof_bytes.size());
    out.append(records_).append(eof_bytes);
    return out;
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
    w.AppendTo(records_);
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
    Image(area, img, cmSrcCopy);
    xf_ = saved;
  }

  // The text metrics of a font measured without a device (as the records
  // have always been written), kept for the font last asked about.
  TTextAdvances &MetricsOf(const QFont &font) {
    if (!metrics_ || !(metrics_font_ == font)) {
      metrics_ = TTextAdvances::For(font, nullptr);
      metrics_font_ = font;
    }
    return *metrics_;
  }

  QPen pen_;
  QBrush brush_;
  QFont font_;
  QTransform xf_;
  std::shared_ptr<TTextAdvances> metrics_;
  QFont metrics_font_;
  bool skip_points_ = false;
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
// The recording canvas

TMetafileCanvas::TMetafileCanvas(TMetafile *metafile, const QString &description)
    : metafile_(metafile), description_(description), recorder_(std::make_unique<EmfRecorder>()) {
  const int w = metafile_ != nullptr && metafile_->Width() > 0 ? metafile_->Width() : 100000;
  const int h = metafile_ != nullptr && metafile_->Height() > 0 ? metafile_->Height() : 100000;
  device_ = std::make_unique<EmfDevice>(recorder_.get(), w, h);
  painter_ = std::make_unique<QPainter>(device_.get());
  BeginPaint(painter_.get());
  // A picture is played on the screen, on printers and into PDF files:
  // its text is laid out with the metrics that are the same on all of them.
  SetTextMetrics(TTextMetrics::Design);
}

TMetafileCanvas::~TMetafileCanvas() {
  // A picture that cannot be completed stays empty; Close says why.
  rtl::IgnoreFailure("a canvas being freed has no one to tell; the picture stays empty", [&] { Close(); });
}

void TMetafileCanvas::PaintText(QPainter *painter, QPoint at, const QString &text, TTextAdvances &metrics, int width) {
  const QFont &font = painter->font();
  // Text QPainter would hand over in one piece is recorded without shaping
  // it: the record holds characters and advances, not glyphs. The canvas's
  // metrics are the records' own: the painter's font is the canvas's font
  // at the recording device's resolution.
  if (!recorder_ || painter->pen().style() == Qt::NoPen || painter->backgroundMode() != Qt::TransparentMode ||
      painter->layoutDirection() == Qt::RightToLeft || !EmfRecorder::TakesTextDirectly(font, metrics, text)) {
    TCanvas::PaintText(painter, at, text, metrics, width);
    return;
  }
  // QPainter hands its state (pen, transform, clip) to the recorder before
  // it draws: a point the recorder leaves out brings it there.
  recorder_->SkipNextPoints();
  painter->drawPoint(at);
  recorder_->Text(QPointF(at), text, font, metrics, width);
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
