// Icons: the icon file format (a directory of images, each a double-height
// DIB with its AND mask, or a PNG), read and written here.
#include <QBuffer>
#include <QPainter>
#include <algorithm>

#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_codec.h"

namespace vcl {

namespace {

const QString &IconError() {
  static const QString kText = QStringLiteral("Icon image is not valid");
  return kText;
}

quint16 U16(const QByteArray &d, int pos) { return quint16(quint8(d[pos]) | (quint8(d[pos + 1]) << 8)); }

quint32 U32(const QByteArray &d, int pos) {
  return quint32(quint8(d[pos])) | (quint32(quint8(d[pos + 1])) << 8) | (quint32(quint8(d[pos + 2])) << 16) |
         (quint32(quint8(d[pos + 3])) << 24);
}

void PutU16(QByteArray &b, quint16 v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}

void PutU32(QByteArray &b, quint32 v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

int Depth(const TIconEntry &e) {
  if (e.bit_count > 0) return e.bit_count * std::max(e.planes, 1);
  if (e.color_count == 0) return 8;
  int bits = 0;
  while ((1 << bits) < e.color_count) ++bits;
  return bits;
}

}  // namespace

std::vector<TIconEntry> TIcon::ReadDirectory(const QByteArray &data, int *type) {
  if (data.size() < 6 || U16(data, 0) != 0) throw EInvalidGraphic(IconError());
  const int kind = U16(data, 2);
  if (type != nullptr) *type = kind;
  if (kind != 1 && kind != 2) throw EInvalidGraphic(IconError());
  const int count = U16(data, 4);
  if (count == 0 || qint64(6) + qint64(count) * 16 > data.size()) throw EInvalidGraphic(IconError());
  std::vector<TIconEntry> entries;
  entries.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    const int p = 6 + i * 16;
    TIconEntry e;
    e.width = quint8(data[p]) == 0 ? 256 : quint8(data[p]);
    e.height = quint8(data[p + 1]) == 0 ? 256 : quint8(data[p + 1]);
    e.color_count = quint8(data[p + 2]);
    e.planes = U16(data, p + 4);
    e.bit_count = U16(data, p + 6);
    e.size = U32(data, p + 8);
    e.offset = U32(data, p + 12);
    if (e.size == 0 || qint64(e.offset) + qint64(e.size) > data.size() || e.offset < quint32(6 + count * 16)) {
      throw EInvalidGraphic(IconError());
    }
    entries.push_back(e);
  }
  return entries;
}

QImage TIcon::DecodeEntry(const QByteArray &data, const TIconEntry &entry) {
  const QByteArray bytes = data.mid(qsizetype(entry.offset), qsizetype(entry.size));
  if (bytes.startsWith("\x89PNG")) {
    QImage png;
    if (!png.loadFromData(bytes, "PNG") || png.width() > codec::kMaxSide || png.height() > codec::kMaxSide) {
      throw EInvalidGraphic(IconError());
    }
    return png.convertToFormat(QImage::Format_ARGB32);
  }
  return codec::DecodeDib(bytes, 0, -1, true, IconError()).image;
}

TIcon::TIcon() { TGraphic::SetTransparent(true); }

bool TIcon::Empty() const { return image_.isNull(); }
int TIcon::Width() const { return image_.width(); }
int TIcon::Height() const { return image_.height(); }

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon")); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon")); }

QImage TIcon::ToImage() const { return image_; }

void TIcon::SetImage(const QImage &image) {
  data_.clear();
  entries_.clear();
  chosen_ = -1;
  image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32);
  Changed();
}

QImage TIcon::EntryImage(int index) const {
  if (index < 0 || index >= int(entries_.size())) {
    rtl::ListIndexError(index);
  }
  return DecodeEntry(data_, entries_[size_t(index)]);
}

void TIcon::Assign(const rtl::TPersistent *source) {
  if (source == this) return;
  if (source == nullptr) {
    SetImage(QImage());
    return;
  }
  if (auto *icon = dynamic_cast<const TIcon *>(source)) {
    data_ = icon->data_;
    entries_ = icon->entries_;
    chosen_ = icon->chosen_;
    image_ = icon->image_;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::LoadFromBytes(const QByteArray &data) {
  // An empty icon is stored as a bare header of type 0 without images.
  if (data.size() >= 6 && U16(data, 0) == 0 && U16(data, 2) == 0 && U16(data, 4) == 0) {
    data_.clear();
    entries_.clear();
    chosen_ = -1;
    image_ = QImage();
    Changed();
    SetModified(false);
    return;
  }
  std::vector<TIconEntry> entries = ReadDirectory(data);
  // The image shown is the largest, then the deepest; every image must
  // decode, so that a damaged file is refused as a whole.
  int best = 0;
  for (int i = 1; i < int(entries.size()); ++i) {
    const TIconEntry &a = entries[size_t(i)], &b = entries[size_t(best)];
    const qint64 area_a = qint64(a.width) * a.height, area_b = qint64(b.width) * b.height;
    if (area_a > area_b || (area_a == area_b && Depth(a) > Depth(b))) best = i;
  }
  QImage shown;
  for (int i = 0; i < int(entries.size()); ++i) {
    QImage img = DecodeEntry(data, entries[size_t(i)]);
    if (i == best) shown = img;
  }
  data_ = data;
  entries_ = std::move(entries);
  chosen_ = best;
  image_ = shown;
  Changed();
  SetModified(false);
}

QByteArray TIcon::SaveToBytes() const {
  if (!data_.isEmpty()) {
    qint64 end = 0;
    for (const TIconEntry &e : entries_) end = std::max(end, qint64(e.offset) + qint64(e.size));
    return data_.left(qsizetype(end));
  }
  if (image_.isNull()) return QByteArray(6, '\0');
  QByteArray body;
  if (image_.width() > 256 || image_.height() > 256) {
    QBuffer buf(&body);
    buf.open(QIODevice::WriteOnly);
    image_.save(&buf, "PNG");
  } else {
    QImage mask(image_.size(), QImage::Format_RGB32);
    for (int y = 0; y < image_.height(); ++y) {
      const QRgb *src = reinterpret_cast<const QRgb *>(image_.constScanLine(y));
      QRgb *dst = reinterpret_cast<QRgb *>(mask.scanLine(y));
      for (int x = 0; x < image_.width(); ++x) dst[x] = qAlpha(src[x]) == 0 ? 0xFFFFFFFFu : 0xFF000000u;
    }
    body = codec::EncodeDib(image_, pf32bit, {}, &mask);
  }
  QByteArray out;
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, 1);
  out.append(char(image_.width() >= 256 ? 0 : image_.width()));
  out.append(char(image_.height() >= 256 ? 0 : image_.height()));
  out.append(char(0));
  out.append(char(0));
  PutU16(out, 1);
  PutU16(out, 32);
  PutU32(out, quint32(body.size()));
  PutU32(out, 22);
  out.append(body);
  return out;
}

}  // namespace vcl

namespace vcl {

qint64 TIcon::LoadedLength() const {
  qint64 end = 0;
  for (const TIconEntry &e : entries_) end = std::max(end, qint64(e.offset) + qint64(e.size));
  return data_.isEmpty() ? (image_.isNull() ? 6 : -1) : end;
}

}  // namespace vcl
