// The spreadsheet files: the record-based format of the spreadsheet's
// versions 3 and 4 (one worksheet per file, the records straight in the
// file), 5 and 8 (a workbook: a globals part with the fonts, number formats
// and cell formats and the list of sheets, then the sheet; kept as one
// stream inside a compound document). A record is a 16-bit id, a 16-bit
// length and its bytes, all little-endian.
//
// The first line holds the column names; Null values leave their cell
// empty; numbers are number cells, Yes/No fields Boolean cells, dates
// number cells in a date format (with the time when they have one). Texts
// are Windows-1252 up to version 5 (whose cells hold at most 255
// characters) and Unicode in version 8, where they go to the workbook's
// shared string table.
#include <QHash>
#include <cmath>
#include <cstring>

#include "dao/vudaoexport_files.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/cp1252.h"

namespace dao::exportfiles {

namespace {

// Record ids.
constexpr quint16 kEof = 0x000A, kFormat3 = 0x001E, kDateMode = 0x0022, kFont5 = 0x0031, kContinue = 0x003C,
                  kWindow1 = 0x003D, kCodePage = 0x0042, kBoundSheet = 0x0085, kXf5 = 0x00E0, kSst = 0x00FC,
                  kLabelSst = 0x00FD, kDimensions = 0x0200, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
                  kFont3 = 0x0231, kWindow2 = 0x023E, kXf3 = 0x0243, kStyle = 0x0293, kFormat4 = 0x041E, kXf4 = 0x0443,
                  kBof3 = 0x0209, kBof4 = 0x0409, kBof5 = 0x0809;

// The cell formats every file carries (by version) and the formats of dates.
constexpr int kStyleXfs5 = 15;
const QString kDateFormat = QStringLiteral("dd/mm/yyyy");
const QString kDateTimeFormat = QStringLiteral("dd/mm/yyyy hh:mm:ss");

void Le16(QByteArray &b, quint32 v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(QByteArray &b, quint32 v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
void Le64Double(QByteArray &b, double d) {
  quint64 u;
  std::memcpy(&u, &d, sizeof u);
  Le32(b, static_cast<quint32>(u & 0xFFFFFFFFu));
  Le32(b, static_cast<quint32>(u >> 32));
}

bool Wide(const QString &s) {
  for (QChar c : s)
    if (c.unicode() > 0xFF) return true;
  return false;
}

// A text of the later version: its length (8 or 16 bits), a flags byte and
// the characters, one byte each when they all fit.
QByteArray UnicodeString(const QString &s, bool long_length) {
  QByteArray b;
  if (long_length)
    Le16(b, static_cast<quint32>(s.size()));
  else
    b.append(static_cast<char>(s.size()));
  const bool wide = Wide(s);
  b.append(static_cast<char>(wide ? 1 : 0));
  for (QChar c : s) {
    if (wide)
      Le16(b, c.unicode());
    else
      b.append(static_cast<char>(c.unicode()));
  }
  return b;
}

// A text of the earlier versions: its length (8 or 16 bits) and its bytes.
QByteArray ByteString(const QString &s, bool long_length) {
  const QByteArray bytes = rtl::ToCp1252(s);
  QByteArray b;
  if (long_length)
    Le16(b, static_cast<quint32>(bytes.size()));
  else
    b.append(static_cast<char>(bytes.size()));
  return b + bytes;
}

class Writer {
 public:
  explicit Writer(int version) : v_(version) {}
  void Record(quint16 id, const QByteArray &data) {
    Le16(out_, id);
    Le16(out_, static_cast<quint32>(data.size()));
    out_ += data;
  }
  QByteArray &Bytes() { return out_; }
  int Version() const { return v_; }

 private:
  int v_;
  QByteArray out_;
};

QByteArray Bof(int version, quint16 type) {
  QByteArray b;
  if (version >= 8) {
    Le16(b, 0x0600);
    Le16(b, type);
    Le16(b, 0x0DBB);
    Le16(b, 1996);
    Le32(b, 0);
    Le32(b, 6);
  } else if (version == 5) {
    Le16(b, 0x0500);
    Le16(b, type);
    Le16(b, 2412);
    Le16(b, 1993);
  } else {
    Le16(b, 0);
    Le16(b, type);
    Le16(b, 0);
  }
  return b;
}

QByteArray Font(int version) {
  QByteArray b;
  Le16(b, 200);     // 10 points, in twentieths
  Le16(b, 0);       // plain
  Le16(b, 0x7FFF);  // the window text colour
  if (version >= 5) {
    Le16(b, 400);  // normal weight
    Le16(b, 0);
    b.append(QByteArray(4, '\0'));  // underline, family, character set, reserved
  }
  const QString name = QStringLiteral("Arial");
  return b + (version >= 8 ? UnicodeString(name, false) : ByteString(name, false));
}

// A cell format: `style` for the style formats that the cell formats
// inherit from; `format` is the number format's index.
QByteArray Xf(int version, bool style, int format) {
  const quint32 type_parent = style ? 0xFFF5 : 0x0001;  // locked; a style has no parent
  QByteArray b;
  switch (version) {
    case 3:
      b.append('\0');
      b.append(static_cast<char>(format));
      b.append(static_cast<char>(style ? 0x05 : 0x01));
      b.append(static_cast<char>(format != 0 && !style ? 0x04 : 0x00));
      Le16(b, style ? 0xFFF0 : 0x0000);
      Le16(b, 0xCE00);
      Le32(b, 0);
      break;
    case 4:
      b.append('\0');
      b.append(static_cast<char>(format));
      Le16(b, type_parent);
      b.append(static_cast<char>(0x20));
      b.append(static_cast<char>(format != 0 && !style ? 0x04 : 0x00));
      Le16(b, 0xCE00);
      Le32(b, 0);
      break;
    case 5:
      Le16(b, 0);
      Le16(b, static_cast<quint32>(format));
      Le16(b, type_parent);
      b.append(static_cast<char>(0x20));
      b.append(static_cast<char>(format != 0 && !style ? 0x04 : 0x00));
      Le32(b, 0x000020C0);
      Le32(b, 0);
      break;
    default:
      Le16(b, 0);
      Le16(b, static_cast<quint32>(format));
      Le16(b, type_parent);
      b.append(static_cast<char>(0x20));
      b.append('\0');
      b.append('\0');
      b.append(static_cast<char>(format != 0 && !style ? 0x04 : 0x00));
      Le32(b, 0);
      Le32(b, 0);
      Le16(b, 0x20C0);
      break;
  }
  return b;
}

QByteArray Window2(int version) {
  QByteArray b;
  Le16(b, version >= 5 ? 0x06B6 : 0x00B6);  // grid, headings, zeros, outline (selected, shown)
  Le16(b, 0);
  Le16(b, 0);
  if (version >= 8) {
    Le16(b, 0x40);
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, 0);
    Le32(b, 0);
  } else {
    Le32(b, 0);
  }
  return b;
}

// The cells of the sheet in row order.
struct Cell {
  int row, col;
  enum Kind { Text, Number, Boolean } kind;
  QString text;
  double number = 0;
  int xf = 0;
};

// A sheet name the format accepts: 31 characters without []:*?/\.
QString SheetName(const QString &wanted) {
  QString s = wanted.left(31);
  for (QChar &c : s)
    if (QStringLiteral("[]:*?/\\").contains(c)) c = QLatin1Char('_');
  return s.isEmpty() ? QStringLiteral("Sheet1") : s;
}

}  // namespace

QByteArray ExcelFile(const char *operation, const Rows &data, int version, const QString &sheet) {
  if (version != 3 && version != 4 && version != 5) version = 8;
  const int max_rows = version >= 8 ? 65536 : 16384;
  if (static_cast<int>(data.rows.size()) + 1 > max_rows)
    Fail(operation, QStringLiteral("The %1 rows do not fit a sheet of this version (at most %2).")
                        .arg(data.rows.size())
                        .arg(max_rows - 1));
  if (data.columns.size() > 256)
    Fail(operation, QStringLiteral("The %1 columns do not fit a sheet (at most 256).").arg(data.columns.size()));

  const int first_cell_xf = version >= 5 ? kStyleXfs5 : 1;
  const int general_xf = first_cell_xf, date_xf = first_cell_xf + 1, date_time_xf = first_cell_xf + 2;
  const int date_format = version >= 5 ? 164 : 1, date_time_format = version >= 5 ? 165 : 2;

  std::vector<Cell> cells;
  for (size_t c = 0; c < data.columns.size(); ++c)
    cells.push_back({0, static_cast<int>(c), Cell::Text, data.columns[c].name, 0, general_xf});
  for (size_t r = 0; r < data.rows.size(); ++r) {
    for (size_t c = 0; c < data.columns.size(); ++c) {
      const rtl::Variant &v = data.rows[r][c];
      if (IsNull(v)) continue;
      Cell cell{static_cast<int>(r) + 1, static_cast<int>(c), Cell::Text, QString(), 0, general_xf};
      switch (data.columns[c].type) {
        case jet::dbBoolean:
          cell.kind = Cell::Boolean;
          cell.number = v.AsBoolean() ? 1 : 0;
          break;
        case jet::dbByte:
        case jet::dbInteger:
        case jet::dbLong:
        case jet::dbCurrency:
        case jet::dbSingle:
        case jet::dbDouble:
          cell.kind = Cell::Number;
          cell.number = v.AsDouble();
          break;
        case jet::dbDate:
          cell.kind = Cell::Number;
          cell.number = v.AsDouble();
          cell.xf = cell.number == std::floor(cell.number) ? date_xf : date_time_xf;
          break;
        default:
          cell.text = PlainText(v, data.columns[c].type);
          // The earlier versions' cells hold at most 255 characters.
          if (version < 8) cell.text.truncate(255);
          break;
      }
      cells.push_back(cell);
    }
  }

  // The sheet.
  Writer sheet_part(version);
  QByteArray sst;
  QHash<QString, int> sst_index;
  QStringList sst_strings;
  int sst_total = 0;
  {
    QByteArray dims;
    const int rows = static_cast<int>(data.rows.size()) + 1;
    if (version >= 8) {
      Le32(dims, 0);
      Le32(dims, static_cast<quint32>(rows));
    } else {
      Le16(dims, 0);
      Le16(dims, static_cast<quint32>(rows));
    }
    Le16(dims, 0);
    Le16(dims, static_cast<quint32>(data.columns.size()));
    Le16(dims, 0);
    if (version < 5) {
      // A file of the earlier versions is the sheet alone, with its own
      // code page, fonts and formats.
      sheet_part.Record(version == 3 ? kBof3 : kBof4, Bof(version, 0x0010));
      QByteArray cp;
      Le16(cp, 1252);
      sheet_part.Record(kCodePage, cp);
      sheet_part.Record(kDateMode, QByteArray(2, '\0'));
      sheet_part.Record(kFont3, Font(version));
      for (const QString &f : {QStringLiteral("General"), kDateFormat, kDateTimeFormat}) {
        QByteArray b = version == 4 ? QByteArray(2, '\0') : QByteArray();
        sheet_part.Record(version == 3 ? kFormat3 : kFormat4, b + ByteString(f, false));
      }
      const quint16 xf_id = version == 3 ? kXf3 : kXf4;
      sheet_part.Record(xf_id, Xf(version, true, 0));
      sheet_part.Record(xf_id, Xf(version, false, 0));
      sheet_part.Record(xf_id, Xf(version, false, date_format));
      sheet_part.Record(xf_id, Xf(version, false, date_time_format));
    } else {
      sheet_part.Record(kBof5, Bof(version, 0x0010));
    }
    sheet_part.Record(kDimensions, dims);
  }
  for (const Cell &cell : cells) {
    QByteArray b;
    Le16(b, static_cast<quint32>(cell.row));
    Le16(b, static_cast<quint32>(cell.col));
    Le16(b, static_cast<quint32>(cell.xf));
    switch (cell.kind) {
      case Cell::Number:
        Le64Double(b, cell.number);
        sheet_part.Record(kNumber, b);
        break;
      case Cell::Boolean:
        b.append(static_cast<char>(cell.number != 0 ? 1 : 0));
        b.append('\0');
        sheet_part.Record(kBoolErr, b);
        break;
      case Cell::Text:
        if (version >= 8) {
          ++sst_total;
          auto it = sst_index.find(cell.text);
          if (it == sst_index.end()) {
            it = sst_index.insert(cell.text, static_cast<int>(sst_strings.size()));
            sst_strings << cell.text;
          }
          Le32(b, static_cast<quint32>(*it));
          sheet_part.Record(kLabelSst, b);
        } else {
          sheet_part.Record(kLabel, b + ByteString(cell.text, true));
        }
        break;
    }
  }
  sheet_part.Record(kWindow2, Window2(version));
  sheet_part.Record(kEof, {});
  if (version < 5) return sheet_part.Bytes();

  // The workbook's globals, then the sheet.
  Writer globals(version);
  globals.Record(kBof5, Bof(version, 0x0005));
  QByteArray cp;
  Le16(cp, version >= 8 ? 1200 : 1252);
  globals.Record(kCodePage, cp);
  QByteArray window1;
  for (quint32 v : {0u, 0u, 0x3000u, 0x2000u, 0x0038u, 0u, 0u, 1u, 0x0258u}) Le16(window1, v);
  globals.Record(kWindow1, window1);
  globals.Record(kDateMode, QByteArray(2, '\0'));
  for (int i = 0; i < 4; ++i) globals.Record(kFont5, Font(version));
  for (const auto &[index, text] :
       {std::pair{date_format, kDateFormat}, std::pair{date_time_format, kDateTimeFormat}}) {
    QByteArray b;
    Le16(b, static_cast<quint32>(index));
    globals.Record(kFormat4, b + (version >= 8 ? UnicodeString(text, true) : ByteString(text, false)));
  }
  for (int i = 0; i < kStyleXfs5; ++i) globals.Record(kXf5, Xf(version, true, 0));
  globals.Record(kXf5, Xf(version, false, 0));
  globals.Record(kXf5, Xf(version, false, date_format));
  globals.Record(kXf5, Xf(version, false, date_time_format));
  QByteArray style;
  Le16(style, 0x8000);
  style.append('\0');
  style.append(static_cast<char>(0xFF));
  globals.Record(kStyle, style);
  const QString name = SheetName(sheet);
  const QByteArray name_bytes = version >= 8 ? UnicodeString(name, false) : ByteString(name, false);
  // The sheet's place in the stream: after the globals, whose size is known
  // once the shared strings are laid out.
  std::vector<QByteArray> sst_records;
  if (version >= 8) {
    constexpr int kLimit = 8224;
    QByteArray current;
    Le32(current, static_cast<quint32>(sst_total));
    Le32(current, static_cast<quint32>(sst_strings.size()));
    for (const QString &s : sst_strings) {
      const bool wide = Wide(s);
      const int char_size = wide ? 2 : 1;
      // A string's length and flags never part from its first character.
      if (current.size() + 3 + char_size > kLimit) {
        sst_records.push_back(current);
        current.clear();
      }
      Le16(current, static_cast<quint32>(s.size()));
      current.append(static_cast<char>(wide ? 1 : 0));
      qsizetype pos = 0;
      while (pos < s.size()) {
        qsizetype room = (kLimit - current.size()) / char_size;
        if (room == 0) {
          // The rest goes on in a continuation, which repeats the flags.
          sst_records.push_back(current);
          current = QByteArray(1, static_cast<char>(wide ? 1 : 0));
          room = (kLimit - 1) / char_size;
        }
        const qsizetype n = std::min(room, s.size() - pos);
        for (qsizetype i = pos; i < pos + n; ++i) {
          if (wide)
            Le16(current, s[i].unicode());
          else
            current.append(static_cast<char>(s[i].unicode()));
        }
        pos += n;
      }
    }
    sst_records.push_back(current);
  }
  int globals_size = static_cast<int>(globals.Bytes().size()) + 4 + 6 + static_cast<int>(name_bytes.size()) + 4;
  for (const QByteArray &r : sst_records) globals_size += 4 + static_cast<int>(r.size());
  QByteArray bound;
  Le32(bound, static_cast<quint32>(globals_size));
  bound.append('\0');  // visible
  bound.append('\0');  // worksheet
  globals.Record(kBoundSheet, bound + name_bytes);
  for (size_t i = 0; i < sst_records.size(); ++i) globals.Record(i == 0 ? kSst : kContinue, sst_records[i]);
  globals.Record(kEof, {});
  QByteArray stream = globals.Bytes() + sheet_part.Bytes();
  // Readers of the container want the workbook out of its small-stream area.
  if (stream.size() < 4096) stream.append(QByteArray(4096 - stream.size(), '\0'));
  return CompoundDocument(operation, version >= 8 ? QStringLiteral("Workbook") : QStringLiteral("Book"), stream);
}

}  // namespace dao::exportfiles
