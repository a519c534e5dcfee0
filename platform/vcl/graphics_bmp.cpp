// Bitmaps: the TGraphic base, TBitmap on a QImage, and the platform's
// device-independent bitmap format (BMP files, the clipboard's DIB form and
// the images inside icon files), read and written here.
#include <QFile>
#include <QHash>
#include <QPainter>
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_codec.h"

namespace vcl {

namespace codec {

namespace {

constexpr quint32 BI_RGB = 0;
constexpr quint32 BI_RLE8 = 1;
constexpr quint32 BI_RLE4 = 2;
constexpr quint32 BI_BITFIELDS = 3;

// Bounds-checked little-endian reads; any read past the end is damage.
class Reader {
 public:
  Reader(const QByteArray &data, const QString &error) : d_(data), error_(error) {}
  [[noreturn]] void Fail() const { throw EInvalidGraphic(error_); }
  void Need(qint64 pos, qint64 count) const {
    if (pos < 0 || count < 0 || pos > d_.size() || count > d_.size() - pos) Fail();
  }
  quint8 U8(qint64 pos) const {
    Need(pos, 1);
    return quint8(d_[pos]);
  }
  quint16 U16(qint64 pos) const {
    Need(pos, 2);
    return quint16(quint8(d_[pos]) | (quint8(d_[pos + 1]) << 8));
  }
  quint32 U32(qint64 pos) const {
    Need(pos, 4);
    return quint32(quint8(d_[pos])) | (quint32(quint8(d_[pos + 1])) << 8) | (quint32(quint8(d_[pos + 2])) << 16) |
           (quint32(quint8(d_[pos + 3])) << 24);
  }
  qint32 I32(qint64 pos) const { return qint32(U32(pos)); }
  const uchar *At(qint64 pos) const { return reinterpret_cast<const uchar *>(d_.constData()) + pos; }
  qint64 Size() const { return d_.size(); }

 private:
  const QByteArray &d_;
  QString error_;
};

// One colour channel from a bit mask, scaled to 0..255.
struct Channel {
  quint32 mask = 0;
  int shift = 0;
  quint32 max = 0;
  explicit Channel(quint32 m = 0) : mask(m) {
    if (m != 0) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  int Get(quint32 v) const {
    if (mask == 0 || max == 0) return 0;
    return int(quint64((v & mask) >> shift) * 255 / max);
  }
};

qint64 RowBytes(int width, int bits) { return ((qint64(width) * bits + 31) / 32) * 4; }

}  // namespace

DibResult DecodeDib(const QByteArray &data, qint64 header_pos, qint64 pixel_pos, bool icon, const QString &error_text) {
  Reader in(data, error_text);
  DibResult out;
  const quint32 header_size = in.U32(header_pos);
  int width = 0, height = 0, bits = 0;
  quint32 compression = BI_RGB;
  quint32 colors_used = 0;
  quint32 masks[4] = {0, 0, 0, 0};
  bool core = false;
  if (header_size == 12) {
    core = true;
    width = in.U16(header_pos + 4);
    height = qint16(in.U16(header_pos + 6));
    bits = in.U16(header_pos + 10);
  } else if (header_size >= 40 && header_size <= 1024) {
    in.Need(header_pos, header_size);
    width = in.I32(header_pos + 4);
    height = in.I32(header_pos + 8);
    bits = in.U16(header_pos + 14);
    compression = in.U32(header_pos + 16);
    colors_used = in.U32(header_pos + 32);
    if (header_size >= 52) {
      masks[0] = in.U32(header_pos + 40);
      masks[1] = in.U32(header_pos + 44);
      masks[2] = in.U32(header_pos + 48);
    }
    if (header_size >= 56) masks[3] = in.U32(header_pos + 52);
  } else {
    in.Fail();
  }
  bool top_down = false;
  if (height < 0) {
    if (height == INT32_MIN) in.Fail();
    top_down = true;
    height = -height;
  }
  if (icon) height /= 2;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || qint64(width) * height > kMaxPixels) {
    in.Fail();
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) in.Fail();
  if (compression == BI_RLE8 && bits != 8) in.Fail();
  if (compression == BI_RLE4 && bits != 4) in.Fail();
  if (compression == BI_BITFIELDS && bits != 16 && bits != 32) in.Fail();
  if (compression > BI_BITFIELDS) in.Fail();
  if ((compression == BI_RLE8 || compression == BI_RLE4) && top_down) in.Fail();

  qint64 pos = header_pos + header_size;
  if (compression == BI_BITFIELDS && header_size == 40) {
    masks[0] = in.U32(pos);
    masks[1] = in.U32(pos + 4);
    masks[2] = in.U32(pos + 8);
    pos += 12;
  }
  if (bits <= 8) {
    const quint32 max_colors = 1u << bits;
    quint32 n = colors_used == 0 ? max_colors : colors_used;
    if (n > 256) in.Fail();
    const int entry = core ? 3 : 4;
    in.Need(pos, qint64(n) * entry);
    out.palette.reserve(int(n));
    for (quint32 i = 0; i < n; ++i) {
      const uchar *e = in.At(pos + qint64(i) * entry);
      out.palette.append(qRgb(e[2], e[1], e[0]));
    }
    pos += qint64(n) * entry;
  }
  if (pixel_pos < 0) pixel_pos = pos;

  if (compression != BI_BITFIELDS) {
    if (bits == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else if (bits == 32) {
      masks[0] = 0x00FF0000;
      masks[1] = 0x0000FF00;
      masks[2] = 0x000000FF;
    }
  }
  out.mask_565 = bits == 16 && masks[1] == 0x07E0;
  out.bit_count = bits;
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  auto color_of = [&](int index) -> QRgb {
    if (index < out.palette.size()) return out.palette[index] | 0xFF000000u;
    return qRgb(0, 0, 0);
  };

  // A large picture from a few bytes of run-length data is a damaged (or
  // hostile) header, not a picture: refuse it before allocating.
  if ((compression == BI_RLE8 || compression == BI_RLE4) && qint64(width) * height > (qint64(1) << 22) &&
      qint64(width) * height > 2048 * std::max<qint64>(in.Size() - pixel_pos, 1)) {
    in.Fail();
  }
  QImage image(width, height, icon ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull()) throw rtl::EOutOfMemory(QStringLiteral("Out of memory"));

  if (compression == BI_RLE8 || compression == BI_RLE4) {
    // Pixels an RLE stream skips keep colour 0.
    image.fill(color_of(0));
    qint64 p = pixel_pos;
    int x = 0, y = 0;  // y counts from the bottom row
    auto put = [&](int index) {
      if (x < width && y < height) reinterpret_cast<QRgb *>(image.scanLine(height - 1 - y))[x] = color_of(index);
      ++x;
    };
    bool done = false;
    while (!done) {
      const int count = in.U8(p);
      const int value = in.U8(p + 1);
      p += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i) {
          put(compression == BI_RLE8 ? value : ((i & 1) ? (value & 0x0F) : (value >> 4)));
        }
        continue;
      }
      switch (value) {
        case 0:  // end of line
          x = 0;
          ++y;
          if (y > height) done = true;
          break;
        case 1:
          done = true;
          break;
        case 2:
          x += in.U8(p);
          y += in.U8(p + 1);
          p += 2;
          if (y > height) done = true;
          break;
        default: {  // `value` literal pixels, padded to a 16-bit boundary
          const int n = value;
          if (compression == BI_RLE8) {
            in.Need(p, n);
            for (int i = 0; i < n; ++i) put(in.U8(p + i));
            p += (n + 1) & ~1;
          } else {
            const int bytes = (n + 1) / 2;
            in.Need(p, bytes);
            for (int i = 0; i < n; ++i) {
              const int b = in.U8(p + i / 2);
              put((i & 1) ? (b & 0x0F) : (b >> 4));
            }
            p += (bytes + 1) & ~1;
          }
          break;
        }
      }
    }
    out.end = p;
    out.image = image;
    return out;
  }

  const qint64 row_bytes = RowBytes(width, bits);
  in.Need(pixel_pos, row_bytes * height);
  bool any_alpha = false;
  for (int row = 0; row < height; ++row) {
    const uchar *src = in.At(pixel_pos + row_bytes * row);
    QRgb *dst = reinterpret_cast<QRgb *>(image.scanLine(top_down ? row : height - 1 - row));
    switch (bits) {
      case 1:
        for (int x = 0; x < width; ++x) dst[x] = color_of((src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 4:
        for (int x = 0; x < width; ++x) dst[x] = color_of((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
        break;
      case 8:
        for (int x = 0; x < width; ++x) dst[x] = color_of(src[x]);
        break;
      case 16:
        for (int x = 0; x < width; ++x) {
          const quint32 v = quint32(src[2 * x]) | (quint32(src[2 * x + 1]) << 8);
          dst[x] = qRgb(red.Get(v), green.Get(v), blue.Get(v));
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x) dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 32:
        for (int x = 0; x < width; ++x) {
          const quint32 v = quint32(src[4 * x]) | (quint32(src[4 * x + 1]) << 8) | (quint32(src[4 * x + 2]) << 16) |
                            (quint32(src[4 * x + 3]) << 24);
          const int a = icon ? int(v >> 24) : 255;
          if (a != 0) any_alpha = true;
          dst[x] = qRgba(red.Get(v), green.Get(v), blue.Get(v), a);
        }
        break;
    }
  }
  qint64 end = pixel_pos + row_bytes * height;

  if (icon) {
    out.has_alpha = bits == 32 && any_alpha;
    const qint64 mask_row = RowBytes(width, 1);
    QImage mask(width, height, QImage::Format_RGB32);
    mask.fill(0xFF000000u);
    // Some icon writers leave out the mask of 32-bit images.
    if (in.Size() - end >= mask_row * height) {
      for (int row = 0; row < height; ++row) {
        const uchar *src = in.At(end + mask_row * row);
        QRgb *dst = reinterpret_cast<QRgb *>(mask.scanLine(top_down ? row : height - 1 - row));
        for (int x = 0; x < width; ++x) {
          if ((src[x >> 3] >> (7 - (x & 7))) & 1) dst[x] = 0xFFFFFFFFu;
        }
      }
      end += mask_row * height;
    } else if (!out.has_alpha) {
      in.Fail();
    }
    if (!out.has_alpha) {
      for (int row = 0; row < height; ++row) {
        QRgb *px = reinterpret_cast<QRgb *>(image.scanLine(row));
        const QRgb *m = reinterpret_cast<const QRgb *>(mask.constScanLine(row));
        for (int x = 0; x < width; ++x) px[x] = (m[x] & 0x00FFFFFF) ? (px[x] & 0x00FFFFFF) : (px[x] | 0xFF000000u);
      }
    }
    out.and_mask = mask;
  }
  out.end = end;
  out.image = image;
  return out;
}

namespace {

void PutU16(QByteArray &b, quint16 v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}

void PutU32(QByteArray &b, quint32 v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

const QVector<QRgb> &Vga16() {
  static const QVector<QRgb> kVga = {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                                     qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
                                     qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                                     qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return kVga;
}

int Nearest(const QVector<QRgb> &palette, QRgb c) {
  int best = 0;
  int best_d = INT32_MAX;
  for (int i = 0; i < palette.size(); ++i) {
    const int dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c), db = qBlue(palette[i]) - qBlue(c);
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  return best;
}

// The colour table and each pixel's index for an indexed depth.
void Indexed(const QImage &image, int bits, const QVector<QRgb> &hint, QVector<QRgb> &palette,
             std::vector<uchar> &indexes) {
  const int max_colors = 1 << bits;
  const int w = image.width(), h = image.height();
  indexes.assign(size_t(w) * h, 0);
  auto exact_table = [&](const QVector<QRgb> &table, QHash<QRgb, int> &lookup) {
    lookup.clear();
    for (int i = 0; i < table.size(); ++i) lookup.insert(table[i] | 0xFF000000u, i);
  };
  QHash<QRgb, int> lookup;
  bool fits = false;
  if (!hint.isEmpty() && hint.size() <= max_colors) {
    exact_table(hint, lookup);
    fits = true;
    QRgb checked = 0;
    bool any_checked = false;
    for (int y = 0; y < h && fits; ++y) {
      const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const QRgb c = row[x] | 0xFF000000u;
        if (any_checked && c == checked) continue;
        if (!lookup.contains(c)) {
          fits = false;
          break;
        }
        checked = c;
        any_checked = true;
      }
    }
    if (fits) palette = hint;
  }
  if (!fits) {
    // The image's own colours when there are few enough.
    lookup.clear();
    palette.clear();
    fits = true;
    for (int y = 0; y < h && fits; ++y) {
      const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const QRgb c = row[x] | 0xFF000000u;
        if ((x > 0 && c == (row[x - 1] | 0xFF000000u)) || lookup.contains(c)) continue;
        if (palette.size() == max_colors) {
          fits = false;
          break;
        }
        lookup.insert(c, int(palette.size()));
        palette.append(c);
      }
    }
  }
  if (!fits && bits == 8) {
    const QImage q = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    palette = q.colorTable();
    for (int y = 0; y < h; ++y) std::memcpy(&indexes[size_t(y) * w], q.constScanLine(y), size_t(w));
    return;
  }
  if (!fits) {
    palette = bits == 1 ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : Vga16();
    lookup.clear();
  }
  // Neighbouring pixels mostly share a colour: look up only on a change.
  QRgb last = 0;
  int last_index = -1;
  for (int y = 0; y < h; ++y) {
    const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      const QRgb c = row[x] | 0xFF000000u;
      if (last_index < 0 || c != last) {
        auto it = lookup.constFind(c);
        if (it != lookup.constEnd()) {
          last_index = it.value();
        } else {
          last_index = Nearest(palette, c);
          lookup.insert(c, last_index);
        }
        last = c;
      }
      indexes[size_t(y) * w + x] = uchar(last_index);
    }
  }
}

}  // namespace

QByteArray EncodeDib(const QImage &source, TPixelFormat format, const QVector<QRgb> &palette_hint,
                     const QImage *and_mask) {
  const QImage image = source.convertToFormat(and_mask ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const int w = image.width(), h = image.height();
  int bits = 24;
  switch (format) {
    case pf1bit:
      bits = 1;
      break;
    case pf4bit:
      bits = 4;
      break;
    case pf8bit:
      bits = 8;
      break;
    case pf15bit:
    case pf16bit:
      bits = 16;
      break;
    case pf32bit:
      bits = 32;
      break;
    default:
      bits = 24;
      break;
  }
  QVector<QRgb> palette;
  std::vector<uchar> indexes;
  if (bits <= 8) Indexed(image, bits, palette_hint, palette, indexes);
  const bool bitfields = format == pf16bit;
  const qint64 row_bytes = RowBytes(w, bits);
  const qint64 mask_row = RowBytes(w, 1);
  const qint64 image_size = row_bytes * h + (and_mask ? mask_row * h : 0);

  QByteArray b;
  b.reserve(int(40 + 12 + palette.size() * 4 + image_size));
  PutU32(b, 40);
  PutU32(b, quint32(w));
  PutU32(b, quint32(and_mask ? 2 * h : h));
  PutU16(b, 1);
  PutU16(b, quint16(bits));
  PutU32(b, bitfields ? BI_BITFIELDS : BI_RGB);
  PutU32(b, quint32(image_size));
  PutU32(b, 0);
  PutU32(b, 0);
  PutU32(b, quint32(bits <= 8 ? palette.size() : 0));
  PutU32(b, 0);
  if (bitfields) {
    PutU32(b, 0xF800);
    PutU32(b, 0x07E0);
    PutU32(b, 0x001F);
  }
  for (QRgb c : palette) {
    b.append(char(qBlue(c)));
    b.append(char(qGreen(c)));
    b.append(char(qRed(c)));
    b.append(char(0));
  }
  QByteArray row(int(row_bytes), '\0');
  for (int y = h - 1; y >= 0; --y) {
    row.fill('\0');
    uchar *dst = reinterpret_cast<uchar *>(row.data());
    const QRgb *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const uchar *idx = indexes.empty() ? nullptr : &indexes[size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      const QRgb c = src[x];
      switch (bits) {
        case 1:
          dst[x >> 3] |= uchar((idx[x] & 1) << (7 - (x & 7)));
          break;
        case 4:
          dst[x >> 1] |= uchar((x & 1) ? (idx[x] & 0x0F) : (idx[x] << 4));
          break;
        case 8:
          dst[x] = idx[x];
          break;
        case 16: {
          quint16 v = bitfields ? quint16(((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3))
                                : quint16(((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
          dst[2 * x] = uchar(v & 0xFF);
          dst[2 * x + 1] = uchar(v >> 8);
          break;
        }
        case 24:
          dst[3 * x] = uchar(qBlue(c));
          dst[3 * x + 1] = uchar(qGreen(c));
          dst[3 * x + 2] = uchar(qRed(c));
          break;
        case 32:
          dst[4 * x] = uchar(qBlue(c));
          dst[4 * x + 1] = uchar(qGreen(c));
          dst[4 * x + 2] = uchar(qRed(c));
          dst[4 * x + 3] = uchar(and_mask ? qAlpha(c) : 0);
          break;
      }
    }
    b.append(row);
  }
  if (and_mask) {
    QByteArray mrow(int(mask_row), '\0');
    for (int y = h - 1; y >= 0; --y) {
      mrow.fill('\0');
      uchar *dst = reinterpret_cast<uchar *>(mrow.data());
      const QRgb *m = reinterpret_cast<const QRgb *>(and_mask->constScanLine(y));
      for (int x = 0; x < w; ++x) {
        if (m[x] & 0x00FFFFFF) dst[x >> 3] |= uchar(1 << (7 - (x & 7)));
      }
      b.append(mrow);
    }
  }
  return b;
}

}  // namespace codec

// ---------------------------------------------------------------------------
// TGraphic

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Draw(TCanvas *canvas, const TRect &r) const {
  if (canvas == nullptr || Empty()) return;
  const QImage img = ToImage();
  canvas->DrawImage(r, img, img.rect());
}

void TGraphic::LoadFromFile(const QString &file_name) {
  QFile f(file_name);
  if (!f.open(QIODevice::ReadOnly)) {
    throw rtl::EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(file_name, f.errorString()));
  }
  LoadFromBytes(f.readAll());
}

void TGraphic::SaveToFile(const QString &file_name) const {
  const QByteArray data = SaveToBytes();
  QFile f(file_name);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    throw rtl::EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(file_name, f.errorString()));
  }
  if (f.write(data) != data.size()) {
    throw rtl::EWriteError(QStringLiteral("Stream write error"));
  }
}

void TGraphic::LoadFromStream(rtl::TStream &stream) {
  const qint64 start = stream.Position();
  const QByteArray data = stream.ReadBytes(stream.Remaining());
  LoadFromBytes(data);
  const qint64 used = LoadedLength();
  if (used >= 0 && used < data.size()) stream.SetPosition(start + used);
}

void TGraphic::SaveToStream(rtl::TStream &stream) const { stream.WriteBytes(SaveToBytes()); }

// ---------------------------------------------------------------------------
// TBitmap

namespace {

const QString &BitmapError() {
  static const QString kText = QStringLiteral("Bitmap image is not valid");
  return kText;
}

TPixelFormat FormatOfBits(int bits, bool mask_565) {
  switch (bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return mask_565 ? pf16bit : pf15bit;
    case 32:
      return pf32bit;
    default:
      return pf24bit;
  }
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { Resize(width, height); }

TBitmap::~TBitmap() {
  if (canvas_) canvas_->SetImage(nullptr);
}

bool TBitmap::Empty() const { return width_ <= 0 || height_ <= 0; }
int TBitmap::Width() const { return width_; }
int TBitmap::Height() const { return height_; }

void TBitmap::SetWidth(int width) {
  if (width != width_) Resize(width, height_);
}

void TBitmap::SetHeight(int height) {
  if (height != height_) Resize(width_, height);
}

void TBitmap::SetSize(int width, int height) {
  if (width != width_ || height != height_) Resize(width, height);
}

void TBitmap::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (qint64(width) * height > codec::kMaxPixels || width > codec::kMaxSide || height > codec::kMaxSide) {
    throw rtl::EOutOfResources(QStringLiteral("Out of system resources"));
  }
  if (canvas_) canvas_->Flush();
  width_ = width;
  height_ = height;
  if (width == 0 || height == 0) {
    image_ = QImage();
  } else {
    // New area is white; what was there stays at the top-left.
    QImage next(width, height, QImage::Format_RGB32);
    if (next.isNull()) throw rtl::EOutOfResources(QStringLiteral("Out of system resources"));
    next.fill(monochrome_ ? 0xFFFFFFFFu : 0xFFFFFFFFu);
    if (!image_.isNull()) {
      QPainter p(&next);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(0, 0, image_);
    }
    image_ = next;
  }
  if (canvas_) canvas_->SetImage(&image_);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pixel_format_) return;
  pixel_format_ = format;
  if (format == pf1bit && !monochrome_) {
    // The image takes the depth's look at once, as a conversion would.
    SetMonochrome(true);
    return;
  }
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (transparent_mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (Empty()) return clDefault;
  return QColorToColor(QColor(Image().pixel(0, height_ - 1)));
}

void TBitmap::SetTransparentColor(TColor color) {
  transparent_color_ = color;
  transparent_mode_ = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetMonochrome(bool value) {
  if (value == monochrome_) return;
  monochrome_ = value;
  if (value && !Empty()) {
    if (canvas_) canvas_->Flush();
    for (int y = 0; y < height_; ++y) {
      QRgb *row = reinterpret_cast<QRgb *>(image_.scanLine(y));
      for (int x = 0; x < width_; ++x) row[x] = qGray(row[x]) >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
    }
    pixel_format_ = pf1bit;
    palette_ = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  }
  Changed();
}

void TBitmap::EnsureCanvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TCanvas>();
    canvas_->SetImage(&image_);
    canvas_->OnChange = [this](TCanvas *) { Changed(); };
  }
}

TCanvas *TBitmap::Canvas() {
  EnsureCanvas();
  return canvas_.get();
}

const QImage &TBitmap::Image() const {
  if (canvas_) canvas_->Flush();
  return image_;
}

void TBitmap::SetImage(const QImage &image) {
  if (canvas_) canvas_->Flush();
  if (image.isNull()) {
    image_ = QImage();
    width_ = height_ = 0;
  } else {
    image_ = image.convertToFormat(QImage::Format_RGB32);
    // An image with transparency loses it against white, as drawing it on
    // a fresh bitmap would.
    if (image.hasAlphaChannel()) {
      QImage white(image.size(), QImage::Format_RGB32);
      white.fill(0xFFFFFFFFu);
      QPainter p(&white);
      p.drawImage(0, 0, image);
      p.end();
      image_ = white;
    }
    width_ = image_.width();
    height_ = image_.height();
  }
  if (canvas_) canvas_->SetImage(&image_);
  Changed();
}

QImage TBitmap::MaskImage(TColor transparent) const {
  const QImage &img = Image();
  QImage mask(img.size(), QImage::Format_RGB32);
  const QRgb key = ColorToQColor(transparent).rgb() | 0xFF000000u;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb *src = reinterpret_cast<const QRgb *>(img.constScanLine(y));
    QRgb *dst = reinterpret_cast<QRgb *>(mask.scanLine(y));
    for (int x = 0; x < img.width(); ++x) dst[x] = (src[x] | 0xFF000000u) == key ? 0xFFFFFFFFu : 0xFF000000u;
  }
  return mask;
}

QImage TBitmap::ToImage() const {
  if (Empty()) return QImage();
  QImage out = Image().convertToFormat(QImage::Format_ARGB32);
  if (Transparent()) {
    const QRgb key = ColorToQColor(TransparentColor()).rgb() | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
      QRgb *row = reinterpret_cast<QRgb *>(out.scanLine(y));
      for (int x = 0; x < out.width(); ++x) {
        if ((row[x] | 0xFF000000u) == key) row[x] = 0;
      }
    }
  }
  return out;
}

void TBitmap::Draw(TCanvas *canvas, const TRect &r) const {
  if (canvas == nullptr || Empty()) return;
  if (Transparent()) {
    const QImage img = ToImage();
    canvas->DrawImage(r, img, img.rect());
  } else {
    canvas->DrawImage(r, Image(), Image().rect());
  }
}

void TBitmap::Assign(const rtl::TPersistent *source) {
  if (source == this) return;
  if (source == nullptr) {
    SetImage(QImage());
    return;
  }
  if (auto *b = dynamic_cast<const TBitmap *>(source)) {
    pixel_format_ = b->pixel_format_;
    palette_ = b->palette_;
    transparent_color_ = b->transparent_color_;
    transparent_mode_ = b->transparent_mode_;
    monochrome_ = b->monochrome_;
    TGraphic::SetTransparent(b->Transparent());
    SetImage(b->Image());
    return;
  }
  if (auto *g = dynamic_cast<const TGraphic *>(source)) {
    // Another kind of picture is drawn on white.
    SetImage(g->ToImage());
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::LoadFromBytes(const QByteArray &data) {
  codec::Reader in(data, BitmapError());
  if (in.U16(0) != 0x4D42) in.Fail();  // "BM"
  const quint32 file_size = in.U32(2);
  const quint32 offset = in.U32(10);
  qint64 pixel_pos = offset;
  // Writers that leave the offset at 0 put the pixels after the colour table.
  if (offset == 0) pixel_pos = -1;
  if (offset != 0 && offset < 14 + 12) in.Fail();
  codec::DibResult dib = codec::DecodeDib(data, 14, pixel_pos, false, BitmapError());
  loaded_length_ = (file_size >= dib.end && file_size <= quint32(data.size())) ? qint64(file_size) : dib.end;
  pixel_format_ = FormatOfBits(dib.bit_count, dib.mask_565);
  palette_ = dib.palette;
  monochrome_ = false;
  SetImage(dib.image);
  SetModified(false);
}

void TBitmap::LoadFromDib(const QByteArray &dib_bytes) {
  codec::DibResult dib = codec::DecodeDib(dib_bytes, 0, -1, false, BitmapError());
  pixel_format_ = FormatOfBits(dib.bit_count, dib.mask_565);
  palette_ = dib.palette;
  monochrome_ = false;
  SetImage(dib.image);
}

QByteArray TBitmap::SaveToDib() const {
  if (Empty()) return QByteArray();
  return codec::EncodeDib(Image(), pixel_format_, palette_);
}

QByteArray TBitmap::SaveToBytes() const {
  if (Empty()) return QByteArray();
  const QByteArray dib = SaveToDib();
  // Pixels start after the header, the masks and the colour table.
  const quint32 header = 40 + (pixel_format_ == pf16bit ? 12 : 0);
  const quint32 colors = quint32(quint8(dib[32])) | (quint32(quint8(dib[33])) << 8);
  QByteArray out;
  out.reserve(14 + dib.size());
  out.append("BM", 2);
  auto u32 = [&out](quint32 v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
  };
  u32(quint32(14 + dib.size()));
  u32(0);
  u32(14 + header + colors * 4);
  out.append(dib);
  return out;
}

}  // namespace vcl
