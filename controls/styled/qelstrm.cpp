// The block compressor, the chunked stream and the stored forms of
// qelstrm.h.
#include "controls/styled/qelstrm.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "platform/vcl/graphics_codec.h"

namespace qel {

namespace {

constexpr std::uint8_t kFlagCompressed = 0x40;
constexpr std::uint8_t kFlagStored = 0x80;
constexpr int kHashSize = 4096;
constexpr std::uint16_t kHashEmpty = 0xFFFF;

[[noreturn]] void Damaged() { throw EQELDamagedData(QStringLiteral("Compressed data is damaged")); }

inline unsigned HashOf(const std::uint8_t *p) {
  const std::uint32_t v = ((((std::uint32_t(p[0]) << 4) ^ p[1]) << 4) ^ p[2]);
  return ((v * 40543u) >> 4) & 0x0FFF;
}

inline void PutWord(std::uint8_t *dest, int pos, unsigned word) {
  dest[pos] = std::uint8_t(word >> 8);
  dest[pos + 1] = std::uint8_t(word);
}

}  // namespace

int LZRWCompress(const std::uint8_t *source, std::uint8_t *dest, int length) {
  if (length < 0 || length > kLZRWMaxOutput) throw EQELCompressError(QStringLiteral("LZRW Error!"));
  std::unique_ptr<std::uint16_t[]> table(new (std::nothrow) std::uint16_t[kHashSize]);
  if (!table) throw EQELCompressError(QStringLiteral("LZRW Error!"));
  std::fill(table.get(), table.get() + kHashSize, kHashEmpty);

  const int n = length;
  dest[0] = kFlagCompressed;
  int control_pos = 1;
  int out = 3;
  unsigned control = 0;
  int items = 0;
  int p = 0;
  while (p < n && out <= n) {
    if (items == 16) {
      PutWord(dest, control_pos, control);
      control_pos = out;
      out += 2;
      items = 0;
      control = 0;
    }
    int run = 1;
    while (p + run < n && source[p + run] == source[p] && run < 4095) ++run;
    if (run >= 16) {
      dest[out++] = 0;
      dest[out++] = std::uint8_t((run - 16) >> 8);
      dest[out++] = std::uint8_t((run - 16) & 0xFF);
      dest[out++] = source[p];
      p += run;
      control = (control << 1) | 1;
    } else {
      int match = 0;
      int candidate = kHashEmpty;
      if (p + 2 < n) {
        const unsigned h = HashOf(source + p);
        candidate = table[h];
        table[h] = std::uint16_t(p);
        if (candidate != kHashEmpty && p - candidate < 4096) {
          while (match < 18 && p + match < n && source[candidate + match] == source[p + match]) ++match;
        }
      }
      if (match >= 3) {
        const unsigned value = (unsigned(p - candidate) << 4) + unsigned(match - 3);
        PutWord(dest, out, value);
        out += 2;
        p += match;
        control = (control << 1) | 1;
      } else {
        dest[out++] = source[p++];
        control <<= 1;
      }
    }
    ++items;
  }
  control <<= (16 - items);
  PutWord(dest, control_pos, control & 0xFFFF);
  if (out > n) {
    dest[0] = kFlagStored;
    std::copy(source, source + n, dest + 1);
    return n + 1;
  }
  return out;
}

int LZRWDecompress(const std::uint8_t *source, std::uint8_t *dest, int stored_length, int capacity) {
  if (stored_length <= 0) return 0;
  if (source[0] == kFlagStored) {
    const int n = stored_length - 1;
    if (n > capacity) Damaged();
    std::copy(source + 1, source + stored_length, dest);
    return n;
  }
  int pos = 1;
  int out = 0;
  unsigned control = 0;
  int bits = 0;
  while (pos < stored_length) {
    if (bits == 0) {
      if (pos + 2 > stored_length) Damaged();
      control = (unsigned(source[pos]) << 8) | source[pos + 1];
      pos += 2;
      bits = 16;
      // A control word may end the block when its group is complete.
      if (pos >= stored_length) break;
    }
    const bool copy = control & 0x8000;
    control <<= 1;
    --bits;
    if (!copy) {
      if (out >= capacity) Damaged();
      dest[out++] = source[pos++];
      continue;
    }
    if (pos + 2 > stored_length) Damaged();
    const unsigned value = (unsigned(source[pos]) << 8) | source[pos + 1];
    const int distance = int(value >> 4);
    if (distance != 0) {
      const int count = int(value & 0x0F) + 3;
      if (distance > out || out + count > capacity) Damaged();
      if (distance >= count) {
        std::copy(dest + out - distance, dest + out - distance + count, dest + out);
        out += count;
      } else {
        // Byte by byte: an overlapping copy repeats what it has just written.
        for (int i = 0; i < count; ++i, ++out) dest[out] = dest[out - distance];
      }
      pos += 2;
    } else {
      if (pos + 4 > stored_length) Damaged();
      const int count = int((unsigned(source[pos + 1]) << 8) | source[pos + 2]) + 16;
      if (out + count > capacity) Damaged();
      std::fill(dest + out, dest + out + count, source[pos + 3]);
      out += count;
      pos += 4;
    }
  }
  return out;
}

void CompressStream(rtl::TStream *source, rtl::TStream *dest, qint64 length) {
  length = std::max<qint64>(0, std::min(length, source->Remaining()));
  const qint64 start = dest->Position();
  dest->WriteInt32(0);
  std::vector<std::uint8_t> chunk(kLZRWChunkSize);
  std::vector<std::uint8_t> block(kLZRWChunkSize + 6);
  qint64 total = 0;
  while (length > 0) {
    const int n = int(std::min<qint64>(length, kLZRWChunkSize));
    source->ReadBuffer(chunk.data(), n);
    const int stored = LZRWCompress(chunk.data(), block.data(), n);
    dest->WriteInt32(stored);
    dest->WriteBuffer(block.data(), stored);
    total += stored + 4;
    length -= n;
  }
  const qint64 end = dest->Position();
  dest->SetPosition(start);
  dest->WriteInt32(std::int32_t(total));
  dest->SetPosition(end);
}

void DecompressStream(rtl::TStream *source, rtl::TStream *dest) {
  qint64 total = source->ReadInt32();
  std::vector<std::uint8_t> block(kLZRWMaxBlock);
  std::vector<std::uint8_t> out(kLZRWMaxOutput);
  while (total > 0) {
    const std::int32_t stored = source->ReadInt32();
    if (stored <= 0 || stored > kLZRWMaxBlock) Damaged();
    source->ReadBuffer(block.data(), stored);
    const int n = LZRWDecompress(block.data(), out.data(), stored, kLZRWMaxOutput);
    dest->WriteBuffer(out.data(), n);
    total -= qint64(stored) + 4;
  }
}

QByteArray CompressBytes(const QByteArray &data) {
  rtl::TMemoryStream in, out;
  in.SetBytes(data);
  CompressStream(&in, &out, data.size());
  return out.Bytes();
}

QByteArray DecompressBytes(const QByteArray &data) {
  rtl::TMemoryStream in, out;
  in.SetBytes(data);
  DecompressStream(&in, &out);
  return out.Bytes();
}

// --- values ----------------------------------------------------------------------

void WriteInteger(rtl::TStream *stream, std::int32_t value) { stream->WriteInt32(value); }
std::int32_t ReadInteger(rtl::TStream *stream) { return stream->ReadInt32(); }
void WriteByte(rtl::TStream *stream, std::uint8_t value) { stream->WriteUInt8(value); }
std::uint8_t ReadByte(rtl::TStream *stream) { return stream->ReadUInt8(); }
void WriteShortStr(rtl::TStream *stream, const QString &text) { stream->WriteShortString(text); }
QString ReadShortStr(rtl::TStream *stream) { return stream->ReadShortString(); }

void WriteBlock(rtl::TStream *stream, const QByteArray &data, bool compressed) {
  if (compressed) {
    rtl::TMemoryStream in;
    in.SetBytes(data);
    CompressStream(&in, stream, data.size());
  } else {
    stream->WriteInt32(std::int32_t(data.size()));
    stream->WriteBytes(data);
  }
}

QByteArray ReadBlock(rtl::TStream *stream, bool compressed) {
  if (compressed) {
    rtl::TMemoryStream out;
    DecompressStream(stream, &out);
    return out.Bytes();
  }
  const std::int32_t n = stream->ReadInt32();
  if (n < 0) throw EQELDamagedData(QStringLiteral("Stream read error"));
  return stream->ReadBytes(n);  // checks the length against what remains
}

void WriteStrings(rtl::TStream *stream, const rtl::TStrings *strings, bool compressed) {
  rtl::TMemoryStream text;
  strings->SaveToStream(&text);
  WriteBlock(stream, text.Bytes(), compressed);
}

void ReadStrings(rtl::TStream *stream, rtl::TStrings *strings, bool compressed) {
  rtl::TMemoryStream text;
  text.SetBytes(ReadBlock(stream, compressed));
  strings->LoadFromStream(&text);
}

// --- bitmaps -----------------------------------------------------------------------

int ColorCountOf(vcl::TPixelFormat format) {
  switch (format) {
    case vcl::pf1bit:
      return 2;
    case vcl::pf4bit:
      return 16;
    case vcl::pf8bit:
      return 256;
    default:
      return -1;
  }
}

namespace {

void PutU32(QByteArray &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
void PutU16(QByteArray &b, std::uint16_t v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}

int OwnBitCount(const vcl::TBitmap *bitmap) {
  switch (bitmap->PixelFormat()) {
    case vcl::pf1bit:
      return 1;
    case vcl::pf4bit:
      return 4;
    case vcl::pf8bit:
      return 8;
    default:
      return 24;  // 16 and 32 bits are written as 24
  }
}

}  // namespace

QByteArray BitmapToDIBImage(const vcl::TBitmap *bitmap, int color_count, bool size_prefix) {
  if (!bitmap || bitmap->Empty()) throw vcl::EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
  int bits;
  switch (color_count) {
    case 2:
      bits = 1;
      break;
    case 16:
      bits = 4;
      break;
    case 256:
      bits = 8;
      break;
    default:
      bits = OwnBitCount(bitmap);
      break;
  }
  if (bitmap->Monochrome() || bitmap->PixelFormat() == vcl::pf1bit) bits = 1;
  const vcl::TPixelFormat format = bits == 1   ? vcl::pf1bit
                                   : bits == 4 ? vcl::pf4bit
                                   : bits == 8 ? vcl::pf8bit
                                               : vcl::pf24bit;

  QVector<QRgb> hint = bitmap->Palette();
  if (bits == 1 && bitmap->Monochrome()) hint = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  // The pixels and colour table as the bitmap codec encodes them; the
  // header is rebuilt with a full colour table and zero colour counts.
  const QByteArray dib = vcl::codec::EncodeDib(bitmap->Image(), format, hint);
  const int used = int(quint8(dib[32])) | (int(quint8(dib[33])) << 8);
  const int w = bitmap->Width(), h = bitmap->Height();
  const std::uint32_t image_size = std::uint32_t(h) * std::uint32_t(((w * bits + 31) / 32) * 4);
  const int table_entries = bits <= 8 ? (1 << bits) : 0;
  const std::uint32_t info_size = 40 + 4 * table_entries;

  QByteArray out;
  if (size_prefix) PutU32(out, 14 + info_size + image_size);
  out.append("BM", 2);
  PutU32(out, 14 + info_size + image_size);
  PutU16(out, 0);
  PutU16(out, 0);
  PutU32(out, info_size + 14);
  PutU32(out, 40);
  PutU32(out, std::uint32_t(w));
  PutU32(out, std::uint32_t(h));
  PutU16(out, 1);
  PutU16(out, std::uint16_t(bits));
  PutU32(out, 0);
  PutU32(out, image_size);
  for (int i = 0; i < 4; ++i) PutU32(out, 0);
  if (table_entries) {
    QByteArray table = dib.mid(40, 4 * std::min(used, table_entries));
    table.resize(4 * table_entries, '\0');
    out.append(table);
  }
  out.append(dib.mid(40 + 4 * (bits <= 8 ? used : 0), int(image_size)));
  return out;
}

void WriteBitmap(rtl::TStream *stream, const vcl::TBitmap *bitmap, int color_count, bool compressed) {
  const QByteArray image = color_count == -1 ? bitmap->SaveToBytes() : BitmapToDIBImage(bitmap, color_count);
  WriteBlock(stream, image, compressed);
}

void ReadBitmap(rtl::TStream *stream, vcl::TBitmap *bitmap, bool compressed) {
  const QByteArray image = ReadBlock(stream, compressed);
  if (image.isEmpty()) {
    bitmap->SetSize(0, 0);
    return;
  }
  vcl::TBitmap loaded;
  loaded.LoadFromBytes(image);
  bitmap->Assign(&loaded);
}

}  // namespace qel
