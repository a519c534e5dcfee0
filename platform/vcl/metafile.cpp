// Enhanced metafiles: the picture itself (size, records, enumerating,
// playing onto a painter, reading and writing EMF bytes) and the mapping
// between Qt's drawing state and the records' values; see metafile.h. The
// recorder is in metafile_recorder.cpp, the player in metafile_player.cpp.
#include "platform/vcl/metafile.h"

#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <cmath>

#include "platform/vcl/metafile_emf.h"

namespace vcl {

namespace emf {

namespace {

struct RopMode {
  std::uint32_t rop;
  QPainter::CompositionMode mode;
};

constexpr RopMode kRops[] = {
    {cmSrcCopy, QPainter::CompositionMode_SourceOver},
    {cmSrcAnd, QPainter::RasterOp_SourceAndDestination},
    {cmSrcPaint, QPainter::RasterOp_SourceOrDestination},
    {cmSrcInvert, QPainter::RasterOp_SourceXorDestination},
    {cmNotSrcCopy, QPainter::RasterOp_NotSource},
    {cmSrcErase, QPainter::RasterOp_SourceAndNotDestination},
    {cmNotSrcErase, QPainter::RasterOp_NotSourceAndNotDestination},
    {cmMergePaint, QPainter::RasterOp_NotSourceOrDestination},
};

}  // namespace

[[noreturn]] void Damaged(const QString &what) {
  throw EInvalidGraphic(QStringLiteral("Damaged metafile: %1").arg(what));
}

std::uint32_t ColorRef(const QColor &c) {
  return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) | (std::uint32_t(c.blue()) << 16);
}

QColor FromColorRef(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

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

bool PlainBrush(const QBrush &b) {
  return b.style() == Qt::NoBrush || b.style() == Qt::SolidPattern || HatchOf(b.style()) >= 0;
}

std::uint32_t RopOf(QPainter::CompositionMode m) {
  for (const RopMode &r : kRops) {
    if (r.mode == m) return r.rop;
  }
  return cmSrcCopy;
}

QPainter::CompositionMode ModeOfRop(std::uint32_t rop) {
  for (const RopMode &r : kRops) {
    if (r.rop == rop) return r.mode;
  }
  return QPainter::CompositionMode_SourceOver;
}

}  // namespace emf

using namespace emf;

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

}  // namespace vcl
