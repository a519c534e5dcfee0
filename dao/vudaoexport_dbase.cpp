// dBase and FoxPro tables: one ".dbf" file of fixed-width records after a
// header of field descriptors, with the memo texts in a companion file:
// ".dbt" (512-byte blocks, each memo ended by two 0x1A) for dBase, ".fpt"
// (a 512-byte header, then 64-byte blocks, each memo led by its type and
// length) for FoxPro. FoxPro 3.0 tables add the header byte 0x30, binary
// memo pointers, date-times and the 263-byte link to a database container
// (empty here). Texts are Windows-1252, which the header's code page mark
// says.
#include <QDate>
#include <algorithm>
#include <cmath>

#include "dao/vudaoexport_files.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/sysutils.h"

namespace dao::exportfiles {

namespace {

void PutLe(QByteArray &b, int at, quint32 v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutBe(QByteArray &b, int at, quint32 v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
}

// The Julian day number of a date (what FoxPro's date-times count).
qint64 JulianDay(double date) { return QDate(1899, 12, 30).toJulianDay() + static_cast<qint64>(std::floor(date)); }

}  // namespace

std::vector<File> DBaseFiles(const char *operation, const Rows &data, const QString &name, DbfFlavour flavour) {
  const bool foxpro = flavour != DbfFlavour::DBase;
  const bool visual = flavour == DbfFlavour::FoxPro3;
  struct Col {
    QByteArray name;
    char type;
    int length, decimals;
  };
  std::vector<Col> cols;
  QStringList used;
  bool memo = false;
  for (size_t c = 0; c < data.columns.size(); ++c) {
    const Column &column = data.columns[c];
    // Ten characters, upper case and unique, as the format keeps them.
    QString n = column.name.toUpper().left(10);
    for (QChar &ch : n)
      if (!(ch.isLetterOrNumber() && ch.unicode() < 128)) ch = QLatin1Char('_');
    for (int k = 1; used.contains(n); ++k) n = n.left(10 - QString::number(k).size()) + QString::number(k);
    used << n;
    Col col{n.toLatin1(), 'C', 0, 0};
    switch (column.type) {
      case jet::dbBoolean:
        col.type = 'L';
        col.length = 1;
        break;
      case jet::dbByte:
      case jet::dbInteger:
      case jet::dbLong:
        col.type = 'N';
        col.length = 11;
        break;
      case jet::dbCurrency:
      case jet::dbSingle:
      case jet::dbDouble:
        // As many decimals as the values have (five at least, ten at most).
        col.type = 'N';
        col.length = 20;
        col.decimals = 5;
        for (const auto &row : data.rows) {
          if (IsNull(row[c])) continue;
          QString digits = QString::number(row[c].AsDouble(), 'f', 10);
          while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
          const int point = static_cast<int>(digits.indexOf(QLatin1Char('.')));
          if (point >= 0) col.decimals = std::max(col.decimals, static_cast<int>(digits.size()) - point - 1);
        }
        break;
      case jet::dbDate:
        col.type = visual && HasTime(data, c) ? 'T' : 'D';
        col.length = 8;
        break;
      case jet::dbMemo:
      case jet::dbLongBinary:
      case jet::dbBinary:
        col.type = 'M';
        col.length = visual ? 4 : 10;
        memo = true;
        break;
      default:
        col.type = 'C';
        col.length = std::clamp(column.size > 0 ? column.size : 255, 1, 254);
        break;
    }
    cols.push_back(col);
  }
  int record_size = 1;
  for (const auto &c : cols) record_size += c.length;
  // FoxPro 3.0 keeps 263 bytes for the path of the database container.
  const int header_size = 32 + 32 * static_cast<int>(cols.size()) + 1 + (visual ? 263 : 0);
  QByteArray dbf(header_size, '\0');
  const QDate today = QDate::currentDate();
  dbf[0] = static_cast<char>(visual ? 0x30 : memo ? (foxpro ? 0xF5 : 0x83) : 0x03);
  dbf[1] = static_cast<char>(today.year() - 1900);
  dbf[2] = static_cast<char>(today.month());
  dbf[3] = static_cast<char>(today.day());
  PutLe(dbf, 4, static_cast<quint32>(data.rows.size()), 4);
  PutLe(dbf, 8, static_cast<quint32>(header_size), 2);
  PutLe(dbf, 10, static_cast<quint32>(record_size), 2);
  if (visual && memo) dbf[28] = 0x02;
  dbf[29] = 0x03;  // code page mark: Windows ANSI
  int displacement = 1;
  for (size_t i = 0; i < cols.size(); ++i) {
    const int at = 32 + 32 * static_cast<int>(i);
    for (int k = 0; k < cols[i].name.size(); ++k) dbf[at + k] = cols[i].name[k];
    dbf[at + 11] = cols[i].type;
    if (visual) PutLe(dbf, at + 12, static_cast<quint32>(displacement), 4);
    dbf[at + 16] = static_cast<char>(cols[i].length);
    dbf[at + 17] = static_cast<char>(cols[i].decimals);
    displacement += cols[i].length;
  }
  dbf[32 + 32 * static_cast<int>(cols.size())] = 0x0D;

  // The memo file: dBase numbers 512-byte blocks from the header's; FoxPro
  // numbers 64-byte blocks from the start of the file.
  const int block = foxpro ? 64 : 512;
  QByteArray memo_file(512, '\0');
  auto add_memo = [&](const QByteArray &body, bool text) {
    const int number = static_cast<int>(memo_file.size() / block);
    if (foxpro) {
      QByteArray head(8, '\0');
      PutBe(head, 0, text ? 1 : 0);
      PutBe(head, 4, static_cast<quint32>(body.size()));
      memo_file += head + body;
    } else {
      memo_file += body + QByteArray("\x1A\x1A");
    }
    memo_file.append(QByteArray((block - memo_file.size() % block) % block, '\0'));
    return number;
  };

  for (const auto &row : data.rows) {
    QByteArray rec(1, ' ');
    for (size_t i = 0; i < cols.size(); ++i) {
      const rtl::Variant &v = row[i];
      const bool null = IsNull(v);
      QByteArray cell;
      switch (cols[i].type) {
        case 'L':
          cell = null ? QByteArray("?") : QByteArray(v.AsBoolean() ? "T" : "F");
          break;
        case 'D':
          cell = null ? QByteArray(8, ' ') : rtl::FormatDateTime(QStringLiteral("yyyymmdd"), v.AsDouble()).toLatin1();
          break;
        case 'T':
          cell = QByteArray(8, '\0');
          if (!null) {
            const double d = v.AsDouble();
            PutLe(cell, 0, static_cast<quint32>(JulianDay(d)), 4);
            PutLe(cell, 4, static_cast<quint32>(std::llround((d - std::floor(d)) * 86400000.0)), 4);
          }
          break;
        case 'N':
          if (!null)
            cell = cols[i].decimals == 0 ? QByteArray::number(v.AsInt64())
                                         : QByteArray::number(v.AsDouble(), 'f', cols[i].decimals);
          if (cell.size() > cols[i].length)
            Fail(operation, QStringLiteral("The value %1 of field %2 does not fit its dBase column.")
                                .arg(QString::fromLatin1(cell), data.columns[i].name));
          cell = cell.rightJustified(cols[i].length, ' ');
          break;
        case 'M': {
          int number = 0;
          if (!null) {
            const bool text = v.Type() != rtl::VarType::Bytes;
            number = add_memo(text ? rtl::ToCp1252(v.AsString()) : v.AsBytes(), text);
          }
          if (visual) {
            cell = QByteArray(4, '\0');
            PutLe(cell, 0, static_cast<quint32>(number), 4);
          } else {
            cell = null ? QByteArray(10, ' ') : QByteArray::number(number).rightJustified(10, ' ');
          }
          break;
        }
        default: {
          const QByteArray text = null ? QByteArray() : rtl::ToCp1252(PlainText(v, data.columns[i].type));
          if (text.size() > cols[i].length)
            Fail(operation,
                 QStringLiteral("The text of field %1 is longer than its dBase column.").arg(data.columns[i].name));
          cell = text.leftJustified(cols[i].length, ' ');
        }
      }
      rec += cell;
    }
    dbf += rec;
  }
  dbf += '\x1A';
  std::vector<File> files{{name + QStringLiteral(".dbf"), dbf}};
  if (memo) {
    if (foxpro) {
      PutBe(memo_file, 0, static_cast<quint32>(memo_file.size() / block));
      memo_file[6] = 0;
      memo_file[7] = static_cast<char>(block);
    } else {
      PutLe(memo_file, 0, static_cast<quint32>(memo_file.size() / block), 4);
    }
    files.push_back({name + (foxpro ? QStringLiteral(".fpt") : QStringLiteral(".dbt")), memo_file});
  }
  return files;
}

}  // namespace dao::exportfiles
