// Paradox tables: the ".db" file is a header (the table's block size, row
// count and file version, then a descriptor of type and width per field,
// the table name and the field names) followed by blocks of records linked
// to each other; the memo texts of version 4 and later live in a ".mb"
// file of 4096-byte blocks. Numbers in records are big-endian with the
// sign bit turned over, so that an all-zero field is a blank (Null) one;
// the rest of the header is little-endian. Texts are Windows-1252, the
// code page the header of version 4 and later names.
//
// Version 3 knows text, short, number, money and date fields: Yes/No
// fields become one-letter texts ("T" or "F") there and in version 4, long
// integers numbers, memos texts of up to 255 characters. Versions 5 and 7
// have Yes/No, long integer and time-stamp fields (for dates with a time).
#include <QFileInfo>
#include <cmath>
#include <cstring>

#include "dao/vudaoexport_files.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/cp1252.h"

namespace dao::exportfiles {

namespace {

enum ParadoxType : char {
  pxAlpha = 0x01,
  pxDate = 0x02,
  pxShort = 0x03,
  pxLong = 0x04,
  pxCurrency = 0x05,
  pxNumber = 0x06,
  pxLogical = 0x09,
  pxMemo = 0x0C,
  pxBlob = 0x0D,
  pxTimestamp = 0x15,
};

// The day numbers of the format count 1 January of year 1 as day 1.
constexpr double kDayOfZeroDate = 693594;
constexpr int kMemoLeader = 10;
constexpr int kMbBlock = 4096;

void Le(QByteArray &b, int at, quint64 v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
QByteArray Be(quint64 v, int bytes) {
  QByteArray b(bytes, '\0');
  for (int i = 0; i < bytes; ++i) b[i] = static_cast<char>((v >> (8 * (bytes - 1 - i))) & 0xFF);
  return b;
}
QByteArray Double(double d) {
  quint64 u;
  std::memcpy(&u, &d, sizeof u);
  // Positive numbers get the sign bit set, negative ones all bits turned.
  u = (u & 0x8000000000000000ull) ? ~u : (u | 0x8000000000000000ull);
  return Be(u, 8);
}

struct Field {
  QByteArray name;
  char type;
  int size;  // bytes in the record
};

Field FieldFor(const Rows &data, size_t c, int version) {
  const Column &col = data.columns[c];
  Field f{rtl::ToCp1252(col.name.left(25)), pxAlpha, 0};
  switch (col.type) {
    case jet::dbBoolean:
      if (version >= 5)
        f = {f.name, pxLogical, 1};
      else
        f.size = 1;
      break;
    case jet::dbByte:
    case jet::dbInteger:
      f = {f.name, pxShort, 2};
      break;
    case jet::dbLong:
      f = {f.name, version >= 5 ? pxLong : pxNumber, version >= 5 ? 4 : 8};
      break;
    case jet::dbCurrency:
      f = {f.name, pxCurrency, 8};
      break;
    case jet::dbSingle:
    case jet::dbDouble:
      f = {f.name, pxNumber, 8};
      break;
    case jet::dbDate:
      f = version >= 5 && HasTime(data, c) ? Field{f.name, pxTimestamp, 8} : Field{f.name, pxDate, 4};
      break;
    case jet::dbMemo:
      f = version >= 4 ? Field{f.name, pxMemo, kMemoLeader + 10} : Field{f.name, pxAlpha, 255};
      break;
    case jet::dbBinary:
    case jet::dbLongBinary:
      f = version >= 4 ? Field{f.name, pxBlob, 10} : Field{f.name, pxAlpha, 255};
      break;
    case jet::dbGUID:
      f.size = 38;
      break;
    default:
      f.size = std::clamp(col.size > 0 ? col.size : 255, 1, 255);
      break;
  }
  return f;
}

}  // namespace

std::vector<File> ParadoxFiles(const char *operation, const Rows &data, int version, const QString &base) {
  if (version != 3 && version != 4 && version != 5) version = 7;
  if (data.columns.size() > 255) Fail(operation, QStringLiteral("A Paradox table holds at most 255 fields."));
  std::vector<Field> fields;
  int record_size = 0;
  bool memo = false;
  for (size_t c = 0; c < data.columns.size(); ++c) {
    fields.push_back(FieldFor(data, c, version));
    record_size += fields.back().size;
    memo = memo || fields.back().type == pxMemo || fields.back().type == pxBlob;
  }
  // The smallest block that holds a record (versions before 7 go up to 4K).
  int size_code = 1;
  while (size_code * 1024 - 6 < record_size && size_code < (version >= 7 ? 32 : 4)) size_code *= 2;
  const int block_size = size_code * 1024;
  if (record_size == 0 || block_size - 6 < record_size)
    Fail(operation, QStringLiteral("A record of %1 bytes does not fit a Paradox table.").arg(record_size));

  // The memo file: a header block, then one block per memo longer than the
  // part the record keeps.
  QByteArray mb(kMbBlock, '\0');
  mb[0] = 0;
  Le(mb, 1, 1, 2);
  Le(mb, 3, 1, 2);  // modification count
  Le(mb, 0x0B, kMbBlock, 2);
  Le(mb, 0x0D, kMbBlock, 2);
  mb[0x10] = 0x10;
  Le(mb, 0x11, 0x40, 2);
  Le(mb, 0x13, 0x0800, 2);

  std::vector<QByteArray> records;
  for (const auto &row : data.rows) {
    QByteArray rec;
    for (size_t c = 0; c < fields.size(); ++c) {
      const Field &f = fields[c];
      const rtl::Variant &v = row[c];
      const int type = data.columns[c].type;
      if (IsNull(v)) {
        rec += QByteArray(f.size, '\0');
        continue;
      }
      switch (f.type) {
        case pxAlpha: {
          QByteArray text =
              type == jet::dbBoolean ? QByteArray(v.AsBoolean() ? "T" : "F") : rtl::ToCp1252(PlainText(v, type));
          if (text.size() > f.size)
            Fail(operation, QStringLiteral("The text of field %1 is longer than its Paradox column (%2).")
                                .arg(data.columns[c].name)
                                .arg(f.size));
          rec += text.leftJustified(f.size, '\0');
          break;
        }
        case pxLogical:
          rec += static_cast<char>(v.AsBoolean() ? 0x81 : 0x80);
          break;
        case pxShort: {
          const qint64 n = v.AsInt64();
          if (n < -32767 || n > 32767)
            Fail(operation, QStringLiteral("The value %1 of field %2 does not fit its Paradox column.")
                                .arg(n)
                                .arg(data.columns[c].name));
          rec += Be(static_cast<quint16>(n) ^ 0x8000u, 2);
          break;
        }
        case pxLong:
          rec += Be(static_cast<quint32>(static_cast<qint32>(v.AsInt64())) ^ 0x80000000u, 4);
          break;
        case pxCurrency:
        case pxNumber:
          rec += Double(v.AsDouble());
          break;
        case pxDate: {
          const auto day = static_cast<qint32>(std::floor(v.AsDouble()) + kDayOfZeroDate);
          rec += Be(static_cast<quint32>(day) ^ 0x80000000u, 4);
          break;
        }
        case pxTimestamp: {
          const double d = v.AsDouble();
          const double ms =
              (std::floor(d) + kDayOfZeroDate) * 86400000.0 + std::round((d - std::floor(d)) * 86400000.0);
          rec += Double(ms);
          break;
        }
        default: {  // memo and binary: the leader, then where the rest is
          const QByteArray body = v.Type() == rtl::VarType::Bytes ? v.AsBytes() : rtl::ToCp1252(PlainText(v, type));
          const int leader = f.size - 10;
          QByteArray cell = body.left(leader).leftJustified(leader, '\0');
          QByteArray info(10, '\0');
          if (body.size() > leader) {
            const qint64 offset = mb.size();
            const int chunks = static_cast<int>((9 + body.size() + kMbBlock - 1) / kMbBlock);
            if (offset > 0xFFFFFF00 || chunks > 0xFFFF)
              Fail(operation, QStringLiteral("The memo texts are too long for a Paradox table."));
            QByteArray block(chunks * kMbBlock, '\0');
            block[0] = 2;
            Le(block, 1, static_cast<quint64>(chunks), 2);
            Le(block, 3, static_cast<quint64>(body.size()), 4);
            Le(block, 7, 1, 2);
            block.replace(9, body.size(), body);
            mb += block;
            Le(info, 0, static_cast<quint64>(offset) | 0xFF, 4);
            Le(info, 8, 1, 2);
          }
          Le(info, 4, static_cast<quint64>(body.size()), 4);
          rec += cell + info;
          break;
        }
      }
    }
    records.push_back(rec);
  }

  const int per_block = (block_size - 6) / record_size;
  const int blocks = static_cast<int>((records.size() + per_block - 1) / per_block);
  if (blocks > 0xFFFF) Fail(operation, QStringLiteral("The rows are too many for a Paradox table."));

  // The header.
  const bool v4 = version >= 4;
  const int table_name_size = version >= 7 ? 261 : 79;
  const QByteArray table_name =
      rtl::ToCp1252(QFileInfo(base).fileName() + QStringLiteral(".db")).left(table_name_size - 1);
  QByteArray names;
  for (const Field &f : fields) names += f.name + '\0';
  const int fields_at = v4 ? 0x78 : 0x58;
  const int n = static_cast<int>(fields.size());
  const int needed = fields_at + n * 2 + 4 + n * 4 + table_name_size + static_cast<int>(names.size()) + n * 2 + 6;
  const int header_size = (needed + 2047) / 2048 * 2048;
  QByteArray head(header_size, '\0');
  Le(head, 0x00, static_cast<quint64>(record_size), 2);
  Le(head, 0x02, static_cast<quint64>(header_size), 2);
  head[0x04] = 2;  // a table without a key
  head[0x05] = static_cast<char>(size_code);
  Le(head, 0x06, records.size(), 4);
  Le(head, 0x0A, static_cast<quint64>(blocks), 2);
  Le(head, 0x0C, static_cast<quint64>(blocks), 2);
  Le(head, 0x0E, blocks > 0 ? 1 : 0, 2);
  Le(head, 0x10, static_cast<quint64>(blocks), 2);
  Le(head, 0x21, static_cast<quint64>(n), 2);
  if (v4) Le(head, 0x25, 0xFF00FF00u, 4);
  head[0x2D] = 1;
  head[0x39] = static_cast<char>(version == 3 ? 0x03 : version == 4 ? 0x09 : version == 5 ? 0x0B : 0x0C);
  Le(head, 0x3A, static_cast<quint64>(blocks), 2);
  head[0x3E] = 0x1F;
  head[0x3F] = 0x0F;
  if (v4) {
    const quint64 id = version == 4 ? 0x0109 : version == 5 ? 0x010B : 0x010C;
    Le(head, 0x58, id, 2);
    Le(head, 0x5A, id, 2);
    Le(head, 0x64, static_cast<quint64>(n + 1), 2);
    Le(head, 0x6A, 1252, 2);
    head[0x6C] = 1;
    head[0x6D] = 1;
  }
  int at = fields_at;
  for (const Field &f : fields) {
    head[at++] = f.type;
    head[at++] = static_cast<char>(f.size);
  }
  at += 4 + n * 4;  // where the table name and field names sit in memory
  head.replace(at, table_name.size(), table_name);
  at += table_name_size;
  head.replace(at, names.size(), names);
  at += static_cast<int>(names.size());
  for (int i = 1; i <= n; ++i, at += 2) Le(head, at, static_cast<quint64>(i), 2);
  head.replace(at, 6, QByteArray("ascii", 6));

  QByteArray db = head;
  for (int b = 0; b < blocks; ++b) {
    QByteArray block(block_size, '\0');
    const int first = b * per_block;
    const int count = std::min(per_block, static_cast<int>(records.size()) - first);
    Le(block, 0, b + 1 < blocks ? static_cast<quint64>(b + 2) : 0, 2);
    Le(block, 2, static_cast<quint64>(b), 2);
    Le(block, 4, static_cast<quint64>((count - 1) * record_size), 2);
    for (int i = 0; i < count; ++i) block.replace(6 + i * record_size, record_size, records[first + i]);
    db += block;
  }
  std::vector<File> files{{base + QStringLiteral(".db"), db}};
  if (memo) files.push_back({base + QStringLiteral(".mb"), mb});
  return files;
}

}  // namespace dao::exportfiles
