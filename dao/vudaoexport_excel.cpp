// The spreadsheet files: the record-based format of the spreadsheet's
// versions 3 and 4 (one worksheet per file, the records straight in the
// file), 5 and 8 (a workbook: a globals part with the fonts, number formats
// and cell formats and the list of sheets, then the sheet; kept as one
// stream inside a compound document). A record is a 16-bit id, a 16-bit
// length and its bytes, all little-endian.
//
// A sheet added to an existing workbook of version 5 or 8 goes after its
// sheets; the workbook's own records stay as they are, but for the list of
// sheets (whose stream positions move), the new cell and number formats
// and the new texts of the shared string table (and its index).
//
// The first line holds the column names; Null values leave their cell
// empty; numbers are number cells, Yes/No fields Boolean cells, dates
// number cells in a date format (with the time when they have one). Texts
// are Windows-1252 up to version 5 (whose cells hold at most 255
// characters) and Unicode in version 8, where they go to the workbook's
// shared string table.
#include <QHash>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "dao/vudaoexport_files.h"
#include "platform/jet/jeterror.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/cp1252.h"

namespace dao::exportfiles {

namespace {

// Record ids.
constexpr quint16 kEof = 0x000A, kFormat3 = 0x001E, kDateMode = 0x0022, kFont5 = 0x0031, kContinue = 0x003C,
                  kWindow1 = 0x003D, kCodePage = 0x0042, kBoundSheet = 0x0085, kXf5 = 0x00E0, kSst = 0x00FC,
                  kLabelSst = 0x00FD, kDimensions = 0x0200, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
                  kFont3 = 0x0231, kWindow2 = 0x023E, kXf3 = 0x0243, kStyle = 0x0293, kFormat4 = 0x041E, kXf4 = 0x0443,
                  kBof3 = 0x0209, kBof4 = 0x0409, kBof5 = 0x0809, kFilePass = 0x002F, kExtSst = 0x00FF, kIndex = 0x020B,
                  kTabId = 0x013D, kSupBook = 0x01AE;

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

// A sheet added to a workbook is neither selected nor shown: the one the
// workbook shows stays the only one.
QByteArray Window2(int version, bool selected) {
  QByteArray b;
  Le16(b, version >= 5 && selected ? 0x06B6 : 0x00B6);  // grid, headings, zeros, outline (selected, shown)
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

// A number format of the workbook.
QByteArray FormatRecord(int version, int index, const QString &text) {
  QByteArray b;
  Le16(b, static_cast<quint32>(index));
  return b + (version >= 8 ? UnicodeString(text, true) : ByteString(text, false));
}

// A sheet in the workbook's list of sheets: its stream position (filled in
// once the globals are laid out), visible, a worksheet.
QByteArray BoundSheet(int version, const QString &name) {
  QByteArray b(6, '\0');
  return b + (version >= 8 ? UnicodeString(name, false) : ByteString(name, false));
}

QString WorkbookStreamName(int version) { return version >= 8 ? QStringLiteral("Workbook") : QStringLiteral("Book"); }

// Readers of the container want the workbook out of its small-stream area.
QByteArray Padded(QByteArray stream) {
  if (stream.size() < 4096) stream.append(QByteArray(4096 - stream.size(), '\0'));
  return stream;
}

// The cells of the sheet in row order.
struct Cell {
  int row, col;
  enum Kind { Text, Number, Boolean } kind;
  QString text;
  double number = 0;
  int xf = 0;
};

// The cell formats of a sheet's cells.
struct CellFormats {
  int general, date, date_time;
};

// A sheet name the format accepts: 31 characters without []:*?/\.
QString SheetName(const QString &wanted) {
  QString s = wanted.left(31);
  for (QChar &c : s)
    if (QStringLiteral("[]:*?/\\").contains(c)) c = QLatin1Char('_');
  return s.isEmpty() ? QStringLiteral("Sheet1") : s;
}

void CheckFits(const char *operation, const Rows &data, int version) {
  const int max_rows = version >= 8 ? 65536 : 16384;
  if (static_cast<int>(data.rows.size()) + 1 > max_rows)
    Fail(operation, QStringLiteral("The %1 rows do not fit a sheet of this version (at most %2).")
                        .arg(data.rows.size())
                        .arg(max_rows - 1));
  if (data.columns.size() > 256)
    Fail(operation, QStringLiteral("The %1 columns do not fit a sheet (at most 256).").arg(data.columns.size()));
}

// `date_shift` is taken from the dates of a workbook that counts its days
// from 1904.
std::vector<Cell> Cells(const Rows &data, int version, CellFormats xf, double date_shift) {
  std::vector<Cell> cells;
  for (size_t c = 0; c < data.columns.size(); ++c)
    cells.push_back({0, static_cast<int>(c), Cell::Text, data.columns[c].name, 0, xf.general});
  for (size_t r = 0; r < data.rows.size(); ++r) {
    for (size_t c = 0; c < data.columns.size(); ++c) {
      const rtl::Variant &v = data.rows[r][c];
      if (IsNull(v)) continue;
      Cell cell{static_cast<int>(r) + 1, static_cast<int>(c), Cell::Text, QString(), 0, xf.general};
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
          cell.xf = cell.number == std::floor(cell.number) ? xf.date : xf.date_time;
          cell.number -= date_shift;
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
  return cells;
}

// The texts that the cells of version 8 put in the workbook's shared
// string table, numbered from `base` (the strings already in it).
class SharedStrings {
 public:
  explicit SharedStrings(int base = 0) : base_(base) {}
  quint32 Index(const QString &s) {
    ++total_;
    auto it = index_.find(s);
    if (it == index_.end()) {
      it = index_.insert(s, base_ + static_cast<int>(strings_.size()));
      strings_ << s;
    }
    return static_cast<quint32>(*it);
  }
  const QStringList &Strings() const { return strings_; }
  int Total() const { return total_; }

 private:
  int base_;
  QHash<QString, int> index_;
  QStringList strings_;
  int total_ = 0;
};

// The dimensions record and the cells.
void SheetBody(Writer &w, const Rows &data, const std::vector<Cell> &cells, SharedStrings *sst) {
  const int version = w.Version();
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
  w.Record(kDimensions, dims);
  for (const Cell &cell : cells) {
    QByteArray b;
    Le16(b, static_cast<quint32>(cell.row));
    Le16(b, static_cast<quint32>(cell.col));
    Le16(b, static_cast<quint32>(cell.xf));
    switch (cell.kind) {
      case Cell::Number:
        Le64Double(b, cell.number);
        w.Record(kNumber, b);
        break;
      case Cell::Boolean:
        b.append(static_cast<char>(cell.number != 0 ? 1 : 0));
        b.append('\0');
        w.Record(kBoolErr, b);
        break;
      case Cell::Text:
        if (version >= 8) {
          Le32(b, sst->Index(cell.text));
          w.Record(kLabelSst, b);
        } else {
          w.Record(kLabel, b + ByteString(cell.text, true));
        }
        break;
    }
  }
}

// A sheet of a workbook (version 5 or 8), from its beginning to its end.
QByteArray WorkbookSheet(const Rows &data, int version, CellFormats xf, double date_shift, bool selected,
                         SharedStrings *sst) {
  Writer w(version);
  w.Record(kBof5, Bof(version, 0x0010));
  SheetBody(w, data, Cells(data, version, xf, date_shift), sst);
  w.Record(kWindow2, Window2(version, selected));
  w.Record(kEof, {});
  return w.Bytes();
}

// The shared strings split into record payloads: the first payload begins
// with `first` (the table's counts, or nothing when the strings continue a
// table), the others are continuations. `starts` receives where each string
// begins (payload, offset in it).
std::vector<QByteArray> SstPayloads(const QByteArray &first, const QStringList &strings,
                                    std::vector<std::pair<size_t, int>> *starts = nullptr) {
  constexpr int kLimit = 8224;
  std::vector<QByteArray> out;
  QByteArray current = first;
  for (const QString &s : strings) {
    const bool wide = Wide(s);
    const int char_size = wide ? 2 : 1;
    // A string's length and flags never part from its first character.
    if (current.size() + 3 + char_size > kLimit) {
      out.push_back(current);
      current.clear();
    }
    if (starts != nullptr) starts->emplace_back(out.size(), static_cast<int>(current.size()));
    Le16(current, static_cast<quint32>(s.size()));
    current.append(static_cast<char>(wide ? 1 : 0));
    qsizetype pos = 0;
    while (pos < s.size()) {
      qsizetype room = (kLimit - current.size()) / char_size;
      if (room == 0) {
        // The rest goes on in a continuation, which repeats the flags.
        out.push_back(current);
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
  if (!current.isEmpty() || out.empty()) out.push_back(current);
  return out;
}

// --- reading a workbook ----------------------------------------------------------------------

quint32 Get16(const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 Get32(const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }
void Put32(QByteArray &b, qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, b.data() + at); }

struct Record {
  quint16 id = 0;
  qsizetype pos = 0;  // of its header in the stream
  QByteArray data;
};

// The record at `pos`, or false when the stream ends inside it.
bool ReadRecord(const QByteArray &stream, qsizetype pos, Record *r) {
  if (pos < 0 || pos + 4 > stream.size()) return false;
  const qsizetype size = Get16(stream, pos + 2);
  if (pos + 4 + size > stream.size()) return false;
  r->id = static_cast<quint16>(Get16(stream, pos));
  r->pos = pos;
  r->data = stream.mid(pos + 4, size);
  return true;
}

// A text of a record at `at`: with an 8-bit (or `long_length` 16-bit)
// length, Unicode with its flags byte in version 8, Windows-1252 before.
// Empty when it does not fit the record.
std::optional<QString> RecordString(const QByteArray &b, qsizetype at, int version, bool long_length) {
  const qsizetype length_size = long_length ? 2 : 1;
  if (at + length_size > b.size()) return std::nullopt;
  const qsizetype n = long_length ? Get16(b, at) : static_cast<quint8>(b[at]);
  at += length_size;
  if (version < 8) {
    if (at + n > b.size()) return std::nullopt;
    return rtl::FromCp1252(b.constData() + at, n);
  }
  if (at + 1 > b.size()) return std::nullopt;
  const bool wide = (b[at] & 1) != 0;
  ++at;
  if (at + n * (wide ? 2 : 1) > b.size()) return std::nullopt;
  QString s;
  for (qsizetype i = 0; i < n; ++i)
    s += wide ? QChar(static_cast<char16_t>(Get16(b, at + 2 * i))) : QChar(static_cast<quint8>(b[at + i]));
  return s;
}

[[noreturn]] void Unreadable(const QString &path, int version, const QString &why) {
  jet::RaiseJetError(jet::kErrExternalFormat,
                     QStringLiteral("Formato del foglio di calcolo non riconosciuto: il file «%1» non è una cartella "
                                    "di lavoro della versione %2 (%3). Il file non è stato modificato.")
                         .arg(path)
                         .arg(version)
                         .arg(why));
}

}  // namespace

QByteArray ExcelFile(const char *operation, const Rows &data, int version, const QString &sheet) {
  if (version != 3 && version != 4 && version != 5) version = 8;
  CheckFits(operation, data, version);
  const int first_cell_xf = version >= 5 ? kStyleXfs5 : 1;
  const CellFormats xf{first_cell_xf, first_cell_xf + 1, first_cell_xf + 2};
  const int date_format = version >= 5 ? 164 : 1, date_time_format = version >= 5 ? 165 : 2;

  if (version < 5) {
    // A file of the earlier versions is the sheet alone, with its own code
    // page, fonts and formats.
    Writer w(version);
    w.Record(version == 3 ? kBof3 : kBof4, Bof(version, 0x0010));
    QByteArray cp;
    Le16(cp, 1252);
    w.Record(kCodePage, cp);
    w.Record(kDateMode, QByteArray(2, '\0'));
    w.Record(kFont3, Font(version));
    for (const QString &f : {QStringLiteral("General"), kDateFormat, kDateTimeFormat}) {
      QByteArray b = version == 4 ? QByteArray(2, '\0') : QByteArray();
      w.Record(version == 3 ? kFormat3 : kFormat4, b + ByteString(f, false));
    }
    const quint16 xf_id = version == 3 ? kXf3 : kXf4;
    w.Record(xf_id, Xf(version, true, 0));
    w.Record(xf_id, Xf(version, false, 0));
    w.Record(xf_id, Xf(version, false, date_format));
    w.Record(xf_id, Xf(version, false, date_time_format));
    SheetBody(w, data, Cells(data, version, xf, 0), nullptr);
    w.Record(kWindow2, Window2(version, true));
    w.Record(kEof, {});
    return w.Bytes();
  }

  SharedStrings sst;
  const QByteArray sheet_part = WorkbookSheet(data, version, xf, 0, true, &sst);

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
  for (const auto &[index, text] : {std::pair{date_format, kDateFormat}, std::pair{date_time_format, kDateTimeFormat}})
    globals.Record(kFormat4, FormatRecord(version, index, text));
  for (int i = 0; i < kStyleXfs5; ++i) globals.Record(kXf5, Xf(version, true, 0));
  globals.Record(kXf5, Xf(version, false, 0));
  globals.Record(kXf5, Xf(version, false, date_format));
  globals.Record(kXf5, Xf(version, false, date_time_format));
  QByteArray style;
  Le16(style, 0x8000);
  style.append('\0');
  style.append(static_cast<char>(0xFF));
  globals.Record(kStyle, style);
  const QByteArray bound = BoundSheet(version, SheetName(sheet));
  // The sheet's place in the stream: after the globals, whose size is known
  // once the shared strings are laid out.
  std::vector<QByteArray> sst_records;
  if (version >= 8) {
    QByteArray counts;
    Le32(counts, static_cast<quint32>(sst.Total()));
    Le32(counts, static_cast<quint32>(sst.Strings().size()));
    sst_records = SstPayloads(counts, sst.Strings());
  }
  int globals_size = static_cast<int>(globals.Bytes().size()) + 4 + static_cast<int>(bound.size()) + 4;
  for (const QByteArray &r : sst_records) globals_size += 4 + static_cast<int>(r.size());
  QByteArray placed = bound;
  Put32(placed, 0, static_cast<quint32>(globals_size));
  globals.Record(kBoundSheet, placed);
  for (size_t i = 0; i < sst_records.size(); ++i) globals.Record(i == 0 ? kSst : kContinue, sst_records[i]);
  globals.Record(kEof, {});
  return CompoundDocument(operation, WorkbookStreamName(version), Padded(globals.Bytes() + sheet_part));
}

QByteArray ExcelSheetAdded(const char *operation, const QString &path, const QByteArray &file, const Rows &data,
                           int version, const QString &sheet) {
  if (version != 5) version = 8;
  CompoundEntry root;
  QString reason;
  if (!ReadCompound(file, &root, &reason)) Unreadable(path, version, reason);
  CompoundEntry *book = CompoundEntry::Stream(root.children, WorkbookStreamName(version));
  if (book == nullptr)
    Unreadable(path, version, QStringLiteral("manca il flusso «%1»").arg(WorkbookStreamName(version)));
  const QByteArray &old = book->bytes;
  const quint32 biff = version >= 8 ? 0x0600 : 0x0500;

  // The globals, up to their end.
  std::vector<Record> globals;
  {
    qsizetype pos = 0;
    Record r;
    while (true) {
      if (!ReadRecord(old, pos, &r)) Unreadable(path, version, QStringLiteral("la parte generale è troncata"));
      if (globals.empty() &&
          (r.id != kBof5 || r.data.size() < 4 || Get16(r.data, 0) != biff || Get16(r.data, 2) != 0x0005))
        Unreadable(path, version,
                   QStringLiteral("non comincia con la parte generale di una cartella di questa versione"));
      globals.push_back(r);
      pos += 4 + r.data.size();
      if (r.id == kEof) break;
    }
  }
  const qsizetype old_globals_end = globals.back().pos + 4;

  // The sheets: each from its beginning to its end (charts inside a sheet
  // have beginnings and ends of their own), one after the other.
  std::vector<qsizetype> sheet_starts, index_records;
  qsizetype sheets_end = old_globals_end;
  {
    qsizetype pos = old_globals_end;
    Record r;
    while (ReadRecord(old, pos, &r) && r.id == kBof5) {
      sheet_starts.push_back(pos);
      int depth = 0;
      do {
        if (!ReadRecord(old, pos, &r)) Unreadable(path, version, QStringLiteral("un foglio è troncato"));
        if (r.id == kBof5) ++depth;
        if (r.id == kEof) --depth;
        if (r.id == kIndex) index_records.push_back(pos);
        pos += 4 + r.data.size();
      } while (depth > 0);
      sheets_end = pos;
    }
  }

  // What the globals say.
  int xf_count = 0, last_xf = -1, last_format = -1, last_bound = -1, sst_at = -1, extsst_at = -1;
  int sst_unique = 0, sst_total = 0;
  bool from_1904 = false;
  QHash<QString, int> formats;  // text -> index
  int free_format = 164;
  const QString name = SheetName(sheet);
  for (size_t i = 0; i < globals.size(); ++i) {
    const Record &r = globals[i];
    const int at = static_cast<int>(i);
    switch (r.id) {
      case kFilePass:
        Unreadable(path, version, QStringLiteral("è protetta da una password"));
      case kDateMode:
        from_1904 = r.data.size() >= 2 && Get16(r.data, 0) != 0;
        break;
      case kXf5:
        ++xf_count;
        last_xf = at;
        break;
      case kFormat4: {
        if (r.data.size() < 2) Unreadable(path, version, QStringLiteral("un formato dei numeri è troncato"));
        const int index = static_cast<int>(Get16(r.data, 0));
        const std::optional<QString> text = RecordString(r.data, 2, version, version >= 8);
        if (text) formats.insert(*text, index);
        free_format = std::max(free_format, index + 1);
        last_format = at;
        break;
      }
      case kBoundSheet: {
        const std::optional<QString> existing = RecordString(r.data, 6, version, false);
        if (r.data.size() < 6 || !existing) Unreadable(path, version, QStringLiteral("l'elenco dei fogli è troncato"));
        if (std::find(sheet_starts.begin(), sheet_starts.end(), Get32(r.data, 0)) == sheet_starts.end())
          Unreadable(path, version,
                     QStringLiteral("il foglio «%1» non è dove l'elenco dei fogli lo pone").arg(*existing));
        if (existing->compare(name, Qt::CaseInsensitive) == 0)
          jet::RaiseJetError(jet::kErrTableExists,
                             QStringLiteral("Il foglio «%1» esiste già nella cartella di lavoro «%2». Il file non è "
                                            "stato modificato.")
                                 .arg(name, path));
        last_bound = at;
        break;
      }
      case kSst:
        if (r.data.size() < 8) Unreadable(path, version, QStringLiteral("la tabella dei testi è troncata"));
        sst_total = static_cast<int>(Get32(r.data, 0));
        sst_unique = static_cast<int>(Get32(r.data, 4));
        sst_at = at;
        break;
      case kExtSst:
        if (r.data.size() < 2 || (r.data.size() - 2) % 8 != 0)
          Unreadable(path, version, QStringLiteral("l'indice della tabella dei testi è troncato"));
        extsst_at = at;
        break;
      default:
        break;
    }
  }
  if (last_bound < 0) Unreadable(path, version, QStringLiteral("manca l'elenco dei fogli"));
  if (last_xf < 0) Unreadable(path, version, QStringLiteral("mancano i formati delle celle"));
  CheckFits(operation, data, version);

  // The new sheet's formats: the workbook's own date formats when it has
  // them, else new ones; its cell formats go after the workbook's.
  std::vector<QByteArray> new_formats;
  auto format_index = [&](const QString &text) {
    auto it = formats.find(text);
    if (it != formats.end()) return *it;
    new_formats.push_back(FormatRecord(version, free_format, text));
    formats.insert(text, free_format);
    return free_format++;
  };
  const int date_format = format_index(kDateFormat), date_time_format = format_index(kDateTimeFormat);
  const CellFormats xf{xf_count, xf_count + 1, xf_count + 2};
  SharedStrings sst(sst_unique);
  const QByteArray new_sheet = WorkbookSheet(data, version, xf, from_1904 ? 1462 : 0, false, &sst);

  // The index of the table of texts, a search aid, gets a bucket for each
  // new string that begins one, within the 128 buckets the format allows;
  // an index that would outgrow them is left out (workbooks without one
  // are read all the same).
  quint32 bucket = 8;
  bool keep_extsst = false;
  if (extsst_at >= 0 && sst_at >= 0) {
    const QByteArray &ext = globals[static_cast<size_t>(extsst_at)].data;
    bucket = std::max<quint32>(1, Get16(ext, 0));
    qsizetype buckets = (ext.size() - 2) / 8;
    for (int i = 0; i < static_cast<int>(sst.Strings().size()); ++i)
      if ((sst_unique + i) % static_cast<int>(bucket) == 0) ++buckets;
    keep_extsst = buckets <= 128;
  }

  // The new globals: the old records, with the new formats, cell formats,
  // sheet and strings after the last of their kind.
  std::vector<Record> out;
  qsizetype new_sheet_bound = -1;  // in `out`
  std::vector<size_t> old_bounds;  // in `out`
  qsizetype sst_out = -1, extsst_out = -1;
  std::vector<std::pair<size_t, int>> string_starts;  // (record in `out`, offset in its data)
  auto add = [&](quint16 id, const QByteArray &d) { out.push_back({id, 0, d}); };
  auto add_strings = [&] {
    std::vector<std::pair<size_t, int>> starts;
    const std::vector<QByteArray> payloads = SstPayloads({}, sst.Strings(), &starts);
    const size_t first = out.size();
    for (const QByteArray &p : payloads) add(kContinue, p);
    for (const auto &[payload, offset] : starts) string_starts.emplace_back(first + payload, offset);
  };
  for (size_t i = 0; i < globals.size(); ++i) {
    const Record &r = globals[i];
    const int at = static_cast<int>(i);
    if (r.id == kEof && version >= 8 && sst_at < 0 && !sst.Strings().isEmpty()) {
      // A workbook without texts gets its table of them.
      QByteArray counts;
      Le32(counts, 0);
      Le32(counts, 0);
      sst_out = static_cast<qsizetype>(out.size());
      add(kSst, counts);
      add_strings();
    }
    if (at == last_xf && last_format < 0)
      for (const QByteArray &f : new_formats) add(kFormat4, f);
    if (r.id == kBoundSheet) old_bounds.push_back(out.size());
    QByteArray kept = r.data;
    if (r.id == kTabId && r.data.size() % 2 == 0) {
      // The sheets' ids, one each: the new sheet takes the next.
      quint32 next = 1;
      for (qsizetype p = 0; p < r.data.size(); p += 2) next = std::max(next, Get16(r.data, p) + 1);
      Le16(kept, next);
    }
    if (r.id == kSupBook && r.data.size() == 4 && Get16(r.data, 2) == 0x0401) {
      // The workbook's reference to itself counts its sheets.
      kept.clear();
      Le16(kept, Get16(r.data, 0) + 1);
      Le16(kept, 0x0401);
    }
    if (r.id == kSst) sst_out = static_cast<qsizetype>(out.size());
    if (r.id == kExtSst && keep_extsst) extsst_out = static_cast<qsizetype>(out.size());
    if (r.id != kExtSst || keep_extsst) add(r.id, kept);
    if (at == last_format)
      for (const QByteArray &f : new_formats) add(kFormat4, f);
    if (at == last_xf) {
      add(kXf5, Xf(version, false, 0));
      add(kXf5, Xf(version, false, date_format));
      add(kXf5, Xf(version, false, date_time_format));
    }
    if (at == last_bound) {
      new_sheet_bound = static_cast<qsizetype>(out.size());
      add(kBoundSheet, BoundSheet(version, name));
    }
    // The new strings follow the table's last continuation.
    if (sst_at >= 0 && at >= sst_at && !sst.Strings().isEmpty() &&
        (i + 1 == globals.size() || globals[i + 1].id != kContinue) && string_starts.empty())
      add_strings();
  }
  if (sst_out >= 0) {
    Put32(out[static_cast<size_t>(sst_out)].data, 0, static_cast<quint32>(sst_total + sst.Total()));
    Put32(out[static_cast<size_t>(sst_out)].data, 4, static_cast<quint32>(sst_unique + sst.Strings().size()));
  }
  // The index's size is known before the records are placed.
  if (extsst_out >= 0) {
    QByteArray &ext = out[static_cast<size_t>(extsst_out)].data;
    for (int i = 0; i < static_cast<int>(sst.Strings().size()); ++i)
      if ((sst_unique + i) % static_cast<int>(bucket) == 0) ext.append(QByteArray(8, '\0'));
  }

  // Placing the records moves the sheets by the size the globals grew.
  qsizetype pos = 0;
  for (Record &r : out) {
    r.pos = pos;
    pos += 4 + r.data.size();
  }
  const qsizetype shift = pos - old_globals_end;
  for (size_t i : old_bounds) Put32(out[i].data, 0, Get32(out[i].data, 0) + static_cast<quint32>(shift));
  Put32(out[static_cast<size_t>(new_sheet_bound)].data, 0, static_cast<quint32>(sheets_end + shift));
  if (extsst_out >= 0) {
    QByteArray &ext = out[static_cast<size_t>(extsst_out)].data;
    // The old buckets moved with the table; the new ones follow them.
    const qsizetype old_buckets = (globals[static_cast<size_t>(extsst_at)].data.size() - 2) / 8;
    const qsizetype table_shift = out[static_cast<size_t>(sst_out)].pos - globals[static_cast<size_t>(sst_at)].pos;
    for (qsizetype b = 0; b < old_buckets; ++b)
      Put32(ext, 2 + 8 * b, Get32(ext, 2 + 8 * b) + static_cast<quint32>(table_shift));
    qsizetype b = old_buckets;
    for (int i = 0; i < static_cast<int>(string_starts.size()); ++i) {
      if ((sst_unique + i) % static_cast<int>(bucket) != 0) continue;
      const auto &[record, offset] = string_starts[static_cast<size_t>(i)];
      Put32(ext, 2 + 8 * b, static_cast<quint32>(out[record].pos + 4 + offset));
      ext[2 + 8 * b + 4] = static_cast<char>((4 + offset) & 0xFF);
      ext[2 + 8 * b + 5] = static_cast<char>(((4 + offset) >> 8) & 0xFF);
      ext[2 + 8 * b + 6] = ext[2 + 8 * b + 7] = '\0';
      ++b;
    }
  }
  Writer stream(version);
  for (const Record &r : out) stream.Record(r.id, r.data);
  // The old sheets as they were; only their indexes of row blocks point
  // into the stream and move with them.
  QByteArray sheets = old.mid(old_globals_end, sheets_end - old_globals_end);
  for (qsizetype at : index_records) {
    const qsizetype size = Get16(old, at + 2);
    const qsizetype data = at + 4 - old_globals_end;
    // The position of the column width record, then those of the row blocks.
    const qsizetype first = version >= 8 ? 12 : 8;
    for (qsizetype p = first; p + 4 <= size; p += 4) {
      const quint32 v = Get32(sheets, data + p);
      if (v != 0) Put32(sheets, data + p, v + static_cast<quint32>(shift));
    }
  }
  book->bytes = Padded(stream.Bytes() + sheets + new_sheet);
  return CompoundDocument(operation, root);
}

}  // namespace dao::exportfiles
