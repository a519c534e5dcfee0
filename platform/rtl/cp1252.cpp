// Windows-1252 in both directions. Only 0x80..0x9F differ from Latin-1, so
// one 32-entry table serves decoding, and a switch over the same characters
// serves encoding.
#include "platform/rtl/cp1252.h"

namespace rtl {
namespace {

// Unicode for bytes 0x80..0x9F; undefined bytes keep their own value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

// -1 when the character has no byte.
int ByteFor(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
  if (u <= 0x9F) {
    // The C1 controls that the table leaves as themselves.
    return (u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D) ? u : -1;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == u) return 0x80 + i;
  }
  return -1;
}

}  // namespace

QChar FromCp1252Char(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return QChar(kHigh[byte - 0x80]);
  return QChar(static_cast<char16_t>(byte));
}

QString FromCp1252(const char *data, qsizetype size) {
  QString out(size, Qt::Uninitialized);
  QChar *dst = out.data();
  for (qsizetype i = 0; i < size; ++i) dst[i] = FromCp1252Char(static_cast<unsigned char>(data[i]));
  return out;
}

QString FromCp1252(const QByteArray &bytes) { return FromCp1252(bytes.constData(), bytes.size()); }

char ToCp1252Char(QChar c) {
  const int b = ByteFor(c.unicode());
  return static_cast<char>(b < 0 ? '?' : b);
}

QByteArray ToCp1252(const QString &text) {
  QByteArray out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
      out.append('?');
      ++i;
      continue;
    }
    out.append(ToCp1252Char(c));
  }
  return out;
}

bool IsCp1252(const QString &text) {
  for (QChar c : text) {
    if (ByteFor(c.unicode()) < 0) return false;
  }
  return true;
}

}  // namespace rtl
