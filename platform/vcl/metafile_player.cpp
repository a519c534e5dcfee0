// The metafile player: a record's fields read with bounds checks, and
// `TEmfPlayer`, which draws records on a QPainter keeping the playing state
// (objects, selections, clip, transform, text settings); see metafile.h.
// Damaged records raise EInvalidGraphic rather than being drawn.
#include <QFontMetricsF>
#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/cp1252.h"
#include "platform/vcl/metafile.h"
#include "platform/vcl/metafile_emf.h"

namespace vcl {

using namespace emf;

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

QRect TEmfRecord::Bounds() const {
  constexpr std::uint32_t kLeft = 8, kTop = 12, kRight = 16, kBottom = 20;
  return {QPoint(Int(kLeft), Int(kTop)), QPoint(Int(kRight), Int(kBottom))};
}

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
  // Texts were laid out with the font's design metrics (a recording
  // canvas's); hinted ones would move the letters apart on a printer.
  f.setHintingPreference(QFont::PreferNoHinting);
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
    if (rop == cmBlackness)
      painter_->fillRect(dest.normalized(), Qt::black);
    else if (rop == cmWhiteness)
      painter_->fillRect(dest.normalized(), Qt::white);
    else if (rop == cmDstInvert) {
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
      DrawDib(r, dest, src, r.UInt(84), r.UInt(88), r.UInt(92), r.UInt(96), cmSrcCopy, int((blend >> 16) & 0xFF),
              per_pixel);
      break;
    }
    default:
      break;  // records a report page does not use are skipped
  }
}

}  // namespace vcl
