// The spreadsheet, Paradox and FoxPro exports of a table of the program's
// database, each file read back by an independent reader installed from
// the distribution (xlrd for the spreadsheets, dbfread for FoxPro and
// dBase, the Paradox library for Paradox) with the same values; the text
// export in the OEM character set read back through iconv; sheets added to
// workbooks of the program and of another program (xlwt), which keep their
// own sheets as xlrd read them before; and that an export failing half-way
// or refused leaves the user's earlier files as they were.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QtEndian>
#include <cmath>

#include "dao/vudaoexport.h"
#include "dao/vudaoexport_files.h"
#include "platform/jet/jeterror.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "tests/dao/dao_fixture.h"
#include "tests/dao/oracles.h"

namespace dao::testing {
namespace {

constexpr double kZeroDay = 693594;  // 30/12/1899 among days counted from 1 January of year 1

QString DateText(double d) { return rtl::FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), d); }

QString Canon(const QJsonValue &v) {
  if (v.isNull()) return QStringLiteral("null");
  if (v.isBool()) return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  if (v.isDouble()) return QString::number(v.toDouble(), 'g', 15);
  return v.toString();
}

class ExportFormats : public DaoDb {
 protected:
  void SetUp() override {
    DaoDb::SetUp();
    auto db = database_->DaoDatabase();
    auto def = db->TableDefs().Ptr(QStringLiteral("Giacenza"));
    def->AppendField(def->CreateField(QStringLiteral("Note"), jet::dbMemo));
    database_->RefreshDefinitions();
    stock_ = Table(QStringLiteral("Giacenza"));
    stock_->SetSortedBy({"[Barcode18] ASC"});
    stock_->Open();
    stock_->First();  // 8001234567890
    stock_->Edit();
    stock_->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Città € più"));
    stock_->FieldByName(QStringLiteral("Giacenza"))->SetAsFloat(-2.5);
    stock_->FieldByName(QStringLiteral("Prezzo_A"))->SetAsFloat(0.123456);
    stock_->FieldByName(QStringLiteral("Ucarico"))->SetAsDateTime(rtl::EncodeDate(2004, 12, 31));
    stock_->FieldByName(QStringLiteral("Scadenza"))
        ->SetAsDateTime(rtl::EncodeDate(2005, 1, 15) + rtl::EncodeTime(10, 30, 0, 0));
    stock_->FieldByName(QStringLiteral("CD"))->SetAsBoolean(true);
    stock_->FieldByName(QStringLiteral("Note"))->SetAsString(Memo());
    stock_->Post();
    stock_->Next();
    stock_->Edit();
    stock_->FieldByName(QStringLiteral("Note"))->SetAsString(QStringLiteral("breve"));
    stock_->Post();
    // The rows as the export reads them: the table's own order.
    auto rs = db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
    for (int i = 0; i < rs->GetFields().Count(); ++i) {
      names_ << rs->GetFields()[i].Name();
      types_ << rs->GetFields()[i].Type();
    }
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
      std::vector<rtl::Variant> row;
      for (int i = 0; i < names_.size(); ++i) row.push_back(rs->Fields(i).Value());
      rows_.push_back(row);
    }
  }

  static QString Memo() {
    return QStringLiteral("Prima riga: è così\r\nseconda riga — 10 € ") + QString(150, QLatin1Char('x'));
  }

  // A value as the readers' answers are compared: "null", "true"/"false",
  // numbers to 15 digits, dates as text; with `date_only` the time of a
  // date is left out (formats without time), with `no_null_text` an empty
  // text and a Null one are the same (formats without Null texts).
  QString Expected(size_t row, int column, bool date_only, bool no_null_text) const {
    const rtl::Variant &v = rows_[row][static_cast<size_t>(column)];
    const int type = types_[column];
    const bool text = type == jet::dbText || type == jet::dbMemo;
    if (v.IsNull() || (no_null_text && text && v.AsString().isEmpty())) return QStringLiteral("null");
    switch (type) {
      case jet::dbBoolean:
        return v.AsBoolean() ? QStringLiteral("true") : QStringLiteral("false");
      case jet::dbDate:
        return DateText(date_only ? std::floor(v.AsDouble()) : v.AsDouble());
      case jet::dbText:
      case jet::dbMemo:
        return v.AsString();
      default:
        return QString::number(v.AsDouble(), 'g', 15);
    }
  }

  // The sheet as xlrd read it holds the column names, then every row with
  // its values (dates as dates, Yes/No as Booleans).
  void ExpectTableRows(const QJsonObject &sheet) const {
    const QJsonArray rows = sheet[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), static_cast<int>(rows_.size()) + 1);
    for (int c = 0; c < names_.size(); ++c) EXPECT_EQ(rows[0].toArray()[c].toArray()[1].toString(), names_[c]);
    for (size_t r = 0; r < rows_.size(); ++r) {
      const QJsonArray got = rows[static_cast<int>(r) + 1].toArray();
      for (int c = 0; c < names_.size(); ++c) {
        const QJsonArray cell = got.size() > c ? got[c].toArray() : QJsonArray{QStringLiteral("empty"), QJsonValue()};
        const QString kind = cell[0].toString();
        if (types_[c] == jet::dbDate && kind != QStringLiteral("empty")) EXPECT_EQ(kind, QStringLiteral("date"));
        if (types_[c] == jet::dbBoolean) EXPECT_EQ(kind, QStringLiteral("bool"));
        EXPECT_EQ(Canon(cell[1]), Expected(r, c, false, false)) << names_[c].toStdString() << " row " << r;
      }
    }
  }

  QString Out(const QString &name) const { return dir_.filePath(name); }
  QByteArray Read(const QString &path) const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  TVuDaoTable *stock_ = nullptr;
  QStringList names_;
  QList<int> types_;
  std::vector<std::vector<rtl::Variant>> rows_;
  rtl::FormatSettingsGuard italian_{rtl::ItalianFormatSettings()};
};

TEST_F(ExportFormats, SpreadsheetsOfEveryVersionReadBackWithTheSameValues) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  for (int version : {3, 4, 5, 8}) {
    SCOPED_TRACE(version);
    const QString file = Out(QStringLiteral("giacenza%1.xls").arg(version));
    ExportToExcel(stock_, file, QStringLiteral("Giacenza [€]"), false, false, version);
    if (version >= 5) EXPECT_TRUE(Read(file).startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)));
    const QJsonObject book = ReadWorkbook(file);
    EXPECT_EQ(book[QStringLiteral("biff")].toInt(), version == 8 ? 80 : version * 10);
    if (version >= 5) EXPECT_EQ(book[QStringLiteral("sheet")].toString(), QStringLiteral("Giacenza _€_"));
    ExpectTableRows(book);
  }
}

TEST_F(ExportFormats, LongAndUnicodeTextsGoThroughTheSharedStringsOfTheLaterWorkbook) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  // Longer than a record: the string continues in the records after it.
  const QString long_text = QString(5000, QLatin1Char('a')) + QStringLiteral("€") + QString(6000, QLatin1Char('b'));
  stock_->First();
  stock_->Edit();
  stock_->FieldByName(QStringLiteral("Note"))->SetAsString(long_text);
  stock_->Post();
  const QString file = Out(QStringLiteral("lungo.xls"));
  ExportToExcel(stock_, file, QStringLiteral("Foglio"), true, false, 8);
  const QJsonObject book = QJsonDocument::fromJson(RunTool(Python(), {Oracle("xls_dump.py"), file}).toUtf8()).object();
  const int note = static_cast<int>(names_.indexOf(QStringLiteral("Note")));
  bool found = false;
  for (const QJsonValue row : book[QStringLiteral("rows")].toArray())
    found = found || row.toArray()[note].toArray()[1].toString() == long_text;
  EXPECT_TRUE(found);
}

// A sheet as xlrd read it, without the names of the workbook's sheets.
std::string Json(QJsonObject sheet) {
  sheet.remove(QStringLiteral("sheets"));
  return QJsonDocument(sheet).toJson().toStdString();
}

// The sheets of a workbook as xlrd reads them, in their order.
std::vector<QJsonObject> Sheets(const QString &file) {
  std::vector<QJsonObject> sheets{ReadWorkbook(file)};
  const int count = static_cast<int>(sheets[0][QStringLiteral("sheets")].toArray().size());
  for (int i = 1; i < count; ++i) sheets.push_back(ReadWorkbook(file, i));
  return sheets;
}

TEST_F(ExportFormats, AWorkbookOfTheProgramGetsAThirdSheetAndKeepsItsTwo) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  const int cd = static_cast<int>(names_.indexOf(QStringLiteral("CD")));
  int with_cd = 0;
  for (const auto &row : rows_)
    with_cd += !row[static_cast<size_t>(cd)].IsNull() && row[static_cast<size_t>(cd)].AsBoolean() ? 1 : 0;
  ASSERT_LT(with_cd, static_cast<int>(rows_.size()));
  for (int version : {5, 8}) {
    SCOPED_TRACE(version);
    const QString file = Out(QStringLiteral("libro%1.xls").arg(version));
    ExportToExcel(stock_, file, QStringLiteral("Giacenza"), true, false, version);
    ASSERT_EQ(Sheets(file).size(), 1u);
    // The second sheet, of the rows with a CD only, makes the starting workbook.
    stock_->SetFilterText(QStringLiteral("[CD] = True"));
    stock_->SetFiltered(true);
    ExportToExcel(stock_, file, QStringLiteral("Con CD"), false, false, version);
    stock_->SetFiltered(false);
    const std::vector<QJsonObject> before = Sheets(file);
    ASSERT_EQ(before.size(), 2u);
    ExpectTableRows(before[0]);
    EXPECT_EQ(before[1][QStringLiteral("rows")].toArray().size(), with_cd + 1);

    ExportToExcel(stock_, file, QStringLiteral("Terzo"), false, false, version);
    const std::vector<QJsonObject> after = Sheets(file);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0][QStringLiteral("biff")].toInt(), version * 10);
    EXPECT_EQ(after[0][QStringLiteral("sheets")].toArray(),
              (QJsonArray{QStringLiteral("Giacenza"), QStringLiteral("Con CD"), QStringLiteral("Terzo")}));
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(Json(after[i]), Json(before[i])) << "sheet " << i;
    ExpectTableRows(after[2]);
  }
}

TEST_F(ExportFormats, AWorkbookOfAnotherProgramGetsASheetAndKeepsItsOwnAsTheyWere) {
  if (!HavePython("xlrd") || !HavePython("xlwt")) GTEST_SKIP() << "python3-xlrd or python3-xlwt is not installed";
  const QString file = Out(QStringLiteral("altro.xls"));
  RunTool(Python(), {Oracle("xls_write.py"), file});
  const std::vector<QJsonObject> before = Sheets(file);
  ASSERT_EQ(before.size(), 2u);
  ASSERT_EQ(before[0][QStringLiteral("rows")].toArray().size(), 1200);
  ASSERT_FALSE(before[0][QStringLiteral("merged")].toArray().isEmpty());
  // Twice: the second time the shared strings grow from the ones the
  // program added itself. The workbook counts its days from 1904, xlrd
  // reads the new dates with that count.
  ExportToExcel(stock_, file, QStringLiteral("Giacenza"), false, false, 8);
  ExportToExcel(stock_, file, QStringLiteral("Giacenza bis"), false, false, 2);
  const std::vector<QJsonObject> after = Sheets(file);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[0][QStringLiteral("sheets")].toArray(),
            (QJsonArray{QStringLiteral("Clienti"), QStringLiteral("Fornitori"), QStringLiteral("Giacenza"),
                        QStringLiteral("Giacenza bis")}));
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(Json(after[i]), Json(before[i])) << "sheet " << i;
  ExpectTableRows(after[2]);
  ExpectTableRows(after[3]);
}

TEST_F(ExportFormats, AWorkbookThatCannotTakeTheSheetStaysAsItWas) {
  auto refused = [&](const QString &file, const QString &sheet, int version, int number, const QString &words) {
    SCOPED_TRACE(QFileInfo(file).fileName().toStdString() + " " + sheet.toStdString());
    const QByteArray before = Read(file);
    try {
      ExportToExcel(stock_, file, sheet, false, false, version);
      ADD_FAILURE() << "the sheet was added";
    } catch (const jet::EJetError &e) {
      EXPECT_EQ(e.Number(), number);
      EXPECT_TRUE(e.Message().contains(words)) << e.Message().toStdString();
    }
    EXPECT_EQ(Read(file), before);
  };
  QString book[9];
  for (int version : {3, 4, 5, 8}) {
    book[version] = Out(QStringLiteral("libro%1.xls").arg(version));
    ExportToExcel(stock_, book[version], QStringLiteral("Giacenza"), true, false, version);
  }
  // The name is there already, whatever its case.
  refused(book[8], QStringLiteral("GIACENZA"), 8, jet::kErrTableExists, QStringLiteral("esiste già"));
  refused(book[5], QStringLiteral("giacenza"), 5, jet::kErrTableExists, QStringLiteral("esiste già"));
  // A file of the earlier versions holds one sheet.
  refused(book[3], QStringLiteral("Altro"), 3, jet::kErrTableExists, QStringLiteral("already exists"));
  refused(book[4], QStringLiteral("Altro"), 4, jet::kErrTableExists, QStringLiteral("already exists"));
  // A workbook of the other version, or no workbook at all.
  refused(book[5], QStringLiteral("Altro"), 8, jet::kErrExternalFormat, QStringLiteral("versione 8"));
  refused(book[8], QStringLiteral("Altro"), 5, jet::kErrExternalFormat, QStringLiteral("versione 5"));
  refused(book[3], QStringLiteral("Altro"), 8, jet::kErrExternalFormat, QStringLiteral("non riconosciuto"));
  const QByteArray whole = Read(book[8]);
  auto write = [&](const QString &name, const QByteArray &bytes) {
    QFile f(Out(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return f.fileName();
  };
  refused(write(QStringLiteral("vuoto.xls"), {}), QStringLiteral("Altro"), 8, jet::kErrExternalFormat,
          QStringLiteral("non riconosciuto"));
  refused(write(QStringLiteral("testo.xls"), QByteArray(3000, 'x')), QStringLiteral("Altro"), 8,
          jet::kErrExternalFormat, QStringLiteral("non riconosciuto"));
  for (qsizetype cut : {qsizetype{600}, whole.size() / 2, whole.size() - 100})
    refused(write(QStringLiteral("troncato%1.xls").arg(cut), whole.left(cut)), QStringLiteral("Altro"), 8,
            jet::kErrExternalFormat, QStringLiteral("non riconosciuto"));
  // A sound container whose workbook is cut inside its sheet, or is text.
  exportfiles::CompoundEntry root;
  QString reason;
  ASSERT_TRUE(exportfiles::ReadCompound(whole, &root, &reason)) << reason.toStdString();
  const QByteArray stream = exportfiles::CompoundEntry::Stream(root.children, QStringLiteral("Workbook"))->bytes;
  const qsizetype sheet_at = stream.indexOf(QByteArray("\x09\x08\x10\x00\x00\x06\x10\x00", 8));
  ASSERT_GT(sheet_at, 0);
  refused(write(QStringLiteral("foglio_troncato.xls"),
                exportfiles::CompoundDocument("T", QStringLiteral("Workbook"), stream.left(sheet_at + 60))),
          QStringLiteral("Altro"), 8, jet::kErrExternalFormat, QStringLiteral("troncato"));
  refused(write(QStringLiteral("flusso_testo.xls"),
                exportfiles::CompoundDocument("T", QStringLiteral("Workbook"), QByteArray(5000, 'x'))),
          QStringLiteral("Altro"), 8, jet::kErrExternalFormat, QStringLiteral("non riconosciuto"));
  // Nothing was left beside the files.
  for (const QString &name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
}

// A workbook stream record by record, up to its padding.
struct StreamRecord {
  quint16 id;
  QByteArray data;
};
quint32 U16(const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 U32(const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }
void SetU32(QByteArray &b, qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, b.data() + at); }
std::vector<StreamRecord> StreamRecords(const QByteArray &s) {
  std::vector<StreamRecord> out;
  for (qsizetype pos = 0; pos + 4 <= s.size() && U16(s, pos) != 0; pos += 4 + U16(s, pos + 2))
    out.push_back({static_cast<quint16>(U16(s, pos)), s.mid(pos + 4, U16(s, pos + 2))});
  return out;
}
std::vector<qsizetype> Positions(const std::vector<StreamRecord> &records) {
  std::vector<qsizetype> at;
  qsizetype pos = 0;
  for (const StreamRecord &r : records) {
    at.push_back(pos);
    pos += 4 + r.data.size();
  }
  return at;
}
QByteArray WorkbookStream(const QString &file) {
  QFile f(file);
  exportfiles::CompoundEntry root;
  QString reason;
  if (!f.open(QIODevice::ReadOnly) || !exportfiles::ReadCompound(f.readAll(), &root, &reason)) return {};
  return exportfiles::CompoundEntry::Stream(root.children, QStringLiteral("Workbook"))->bytes;
}

TEST_F(ExportFormats, TheWorkbooksPositionsIdsAndSheetCountFollowTheAddedSheet) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  // The program's workbook with what the spreadsheet program itself writes:
  // an index of the shared strings (a bucket every 8), a sheet index
  // pointing at a row block, the list of sheet ids and the workbook's
  // reference to itself, which counts its sheets.
  const QString file = Out(QStringLiteral("indici.xls"));
  ExportToExcel(stock_, file, QStringLiteral("Giacenza"), true, false, 8);
  std::vector<StreamRecord> records = StreamRecords(WorkbookStream(file));
  auto find = [&](quint16 id, size_t from = 0) {
    for (size_t i = from; i < records.size(); ++i)
      if (records[i].id == id) return i;
    ADD_FAILURE() << "no record " << id;
    return records.size() - 1;
  };
  records.insert(records.begin() + 1, {0x013D, QByteArray("\x05\x00", 2)});
  records.insert(records.begin() + static_cast<qsizetype>(find(0x0085)) + 1,
                 {0x01AE, QByteArray("\x01\x00\x01\x04", 4)});
  const size_t sst = find(0x00FC);
  const int unique = static_cast<int>(U32(records[sst].data, 4));
  std::vector<qsizetype> string_at;
  for (qsizetype pos = 8; static_cast<int>(string_at.size()) < unique;) {
    string_at.push_back(pos);
    pos += 3 + U16(records[sst].data, pos) * ((records[sst].data[pos + 2] & 1) != 0 ? 2 : 1);
  }
  records.insert(records.begin() + static_cast<qsizetype>(sst) + 1, {0x00FF, QByteArray()});
  const size_t sheet = find(0x0809, find(0x000A) + 1);
  records.insert(records.begin() + static_cast<qsizetype>(sheet) + 1, {0x020B, QByteArray(20, '\0')});
  records.insert(records.begin() + static_cast<qsizetype>(find(0x023E)), {0x00D7, QByteArray(4, '\0')});
  QByteArray extsst(2, '\0');
  extsst[0] = 8;
  for (size_t i = 0; i < string_at.size(); i += 8) extsst.append(QByteArray(8, '\0'));
  records[sst + 1].data = extsst;
  std::vector<qsizetype> at = Positions(records);
  for (size_t i = 0; i < string_at.size(); i += 8) {
    SetU32(records[sst + 1].data, static_cast<qsizetype>(2 + i), static_cast<quint32>(at[sst] + 4 + string_at[i]));
    records[sst + 1].data[static_cast<qsizetype>(2 + i + 4)] = static_cast<char>((4 + string_at[i]) & 0xFF);
    records[sst + 1].data[static_cast<qsizetype>(2 + i + 5)] = static_cast<char>((4 + string_at[i]) >> 8);
  }
  SetU32(records[find(0x0085)].data, 0, static_cast<quint32>(at[sheet]));
  SetU32(records[sheet + 1].data, 12, static_cast<quint32>(at[find(0x00D7)]));
  SetU32(records[sheet + 1].data, 16, static_cast<quint32>(at[find(0x00D7)]));
  QByteArray crafted;
  for (const StreamRecord &r : records) {
    crafted += static_cast<char>(r.id & 0xFF);
    crafted += static_cast<char>(r.id >> 8);
    crafted += static_cast<char>(r.data.size() & 0xFF);
    crafted += static_cast<char>(r.data.size() >> 8);
    crafted += r.data;
  }
  crafted.append(QByteArray(std::max<qsizetype>(0, 4096 - crafted.size()), '\0'));
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(exportfiles::CompoundDocument("T", QStringLiteral("Workbook"), crafted));
  }
  ExpectTableRows(ReadWorkbook(file));

  ExportToExcel(stock_, file, QStringLiteral("Seconda"), false, false, 8);
  ExpectTableRows(ReadWorkbook(file, 1));
  const QByteArray stream = WorkbookStream(file);
  records = StreamRecords(stream);
  at = Positions(records);
  EXPECT_EQ(records[find(0x013D)].data, QByteArray("\x05\x00\x06\x00", 4));
  EXPECT_EQ(records[find(0x01AE)].data, QByteArray("\x02\x00\x01\x04", 4));
  // The row block and the strings are where the indexes say, in the old
  // sheet's records and in the new strings alike.
  const size_t index = find(0x020B);
  for (qsizetype field : {12, 16}) EXPECT_EQ(U16(stream, U32(records[index].data, field)), 0x00D7u);
  QSet<QString> texts;
  for (int s = 0; s < 2; ++s)
    for (const QJsonValue row : ReadWorkbook(file, s)[QStringLiteral("rows")].toArray())
      for (const QJsonValue cell : row.toArray())
        if (cell.toArray()[0].toString() == QStringLiteral("text")) texts << cell.toArray()[1].toString();
  const QByteArray ext = records[find(0x00FF)].data;
  const int now_unique = static_cast<int>(U32(records[find(0x00FC)].data, 4));
  EXPECT_EQ(now_unique, 2 * unique);
  ASSERT_EQ((ext.size() - 2) / 8, (now_unique + 7) / 8);
  for (qsizetype b = 0; b < (ext.size() - 2) / 8; ++b) {
    const qsizetype ib = U32(ext, 2 + 8 * b), cb = U16(ext, 2 + 8 * b + 4);
    const quint32 record = U16(stream, ib - cb);
    EXPECT_TRUE(record == 0x00FC || record == 0x003C) << "bucket " << b;
    const qsizetype n = U16(stream, ib);
    const bool wide = (stream[ib + 2] & 1) != 0;
    QString s;
    for (qsizetype i = 0; i < n; ++i)
      s += wide ? QChar(static_cast<char16_t>(U16(stream, ib + 3 + 2 * i)))
                : QChar(static_cast<quint8>(stream[ib + 3 + i]));
    EXPECT_TRUE(texts.contains(s)) << "bucket " << b << ": " << s.toStdString();
  }
}

TEST_F(ExportFormats, FoxProAndDBaseTablesReadBackWithTheirMemoFiles) {
  if (!HavePython("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
  struct Case {
    int version;
    bool foxpro;
    int header_byte;
    const char *memo;
    bool keeps_time;
  };
  for (const Case &k : {Case{20, true, 0xF5, ".fpt", false}, Case{26, true, 0xF5, ".fpt", false},
                        Case{30, true, 0x30, ".fpt", true}, Case{3, false, 0x83, ".dbt", false}}) {
    SCOPED_TRACE(k.version);
    const QString file = Out(QStringLiteral("volpe%1.dbf").arg(k.version));
    if (k.foxpro)
      ExportToFoxPro(stock_, file, k.version, false, false);
    else
      ExportToDBase(stock_, file, k.version, false, false);
    EXPECT_TRUE(QFile::exists(Out(QStringLiteral("volpe%1").arg(k.version) + QLatin1String(k.memo))));
    const QJsonObject table =
        QJsonDocument::fromJson(RunTool(Python(), {Oracle("dbf_dump.py"), file}).toUtf8()).object();
    EXPECT_EQ(table[QStringLiteral("version")].toInt(), k.header_byte);
    const QJsonArray rows = table[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), static_cast<int>(rows_.size()));
    for (size_t r = 0; r < rows_.size(); ++r) {
      for (int c = 0; c < names_.size(); ++c) {
        QString got = Canon(rows[static_cast<int>(r)].toArray()[c]);
        if (got.isEmpty()) got = QStringLiteral("null");
        EXPECT_EQ(got, Expected(r, c, !k.keeps_time, true)) << names_[c].toStdString() << " row " << r;
      }
    }
  }
}

TEST_F(ExportFormats, ParadoxTablesOfEveryVersionReadBackThroughTheParadoxLibrary) {
#ifndef ORBISCA_PX_DUMP
  GTEST_SKIP() << "the Paradox library (pxlib-dev) was not found when building";
#else
  for (int version : {3, 4, 5, 7}) {
    SCOPED_TRACE(version);
    const QString base = Out(QStringLiteral("tavola%1").arg(version));
    ExportToParadox(stock_, base + QStringLiteral(".db"), version, false, true);
    QStringList args{base + QStringLiteral(".db")};
    QFile::copy(base + QStringLiteral(".db"), QStringLiteral("/tmp/pxt/t%1.db").arg(version));
    QFile::copy(base + QStringLiteral(".mb"), QStringLiteral("/tmp/pxt/t%1.mb").arg(version));
    if (version >= 4) {
      ASSERT_TRUE(QFile::exists(base + QStringLiteral(".mb")));
      args << base + QStringLiteral(".mb");
    }
    const QStringList lines =
        RunTool(QStringLiteral(ORBISCA_PX_DUMP), args).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    const QString expected_version = version == 4 ? QStringLiteral("4") : QString::number(version);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("version ") + expected_version)) << lines[0].toStdString();
    if (version >= 4) EXPECT_TRUE(lines[0].endsWith(QStringLiteral("codepage 1252")));
    QStringList field_names;
    std::vector<std::vector<QString>> got;
    for (const QString &line : lines) {
      const QStringList w = line.split(QLatin1Char(' '));
      if (w[0] == QStringLiteral("field")) field_names << w[1];
      if (w[0] == QStringLiteral("record")) got.emplace_back();
      if (w[0] != QStringLiteral("value")) continue;
      const int c = static_cast<int>(got.back().size());
      const int px = w[1].toInt();
      QString v = w[2];
      if (v != QStringLiteral("null")) {
        if (px == 0x01 || px == 0x0C || px == 0x0D) {
          QByteArray bytes = QByteArray::fromHex(v.toLatin1());
          while (bytes.endsWith('\0')) bytes.chop(1);
          v = rtl::FromCp1252(bytes);
          if (types_[c] == jet::dbBoolean)
            v = v == QStringLiteral("T") ? QStringLiteral("true") : QStringLiteral("false");
        } else if (px == 0x09) {
          v = v == QStringLiteral("1") ? QStringLiteral("true") : QStringLiteral("false");
        } else if (px == 0x02) {
          v = DateText(v.toDouble() - kZeroDay);
        } else if (px == 0x15) {
          v = DateText(v.toDouble() / 86400000.0 - kZeroDay);
        } else {
          v = QString::number(v.toDouble(), 'g', 15);
        }
      }
      got.back().push_back(v);
    }
    EXPECT_EQ(field_names, names_);
    ASSERT_EQ(got.size(), rows_.size());
    for (size_t r = 0; r < rows_.size(); ++r)
      for (int c = 0; c < names_.size(); ++c)
        EXPECT_EQ(got[r][static_cast<size_t>(c)], Expected(r, c, version < 5, true)) << names_[c].toStdString();
  }
#endif
}

TEST_F(ExportFormats, AnExportFailingHalfWayLeavesTheEarlierFilesAsTheyWere) {
  ExportToFoxPro(stock_, Out(QStringLiteral("volpe.dbf")), 26, false, false);
  ExportToParadox(stock_, Out(QStringLiteral("tavola.db")), 3, false, false);
  const QByteArray dbf = Read(Out(QStringLiteral("volpe.dbf"))), fpt = Read(Out(QStringLiteral("volpe.fpt")));
  const QByteArray db = Read(Out(QStringLiteral("tavola.db")));
  // The third row holds a value the formats cannot: the writers stop there.
  stock_->First();
  stock_->Next();
  stock_->Next();
  stock_->Edit();
  stock_->FieldByName(QStringLiteral("Giacenza"))->SetAsFloat(1e25);
  stock_->FieldByName(QStringLiteral("Note"))->SetAsString(QString(300, QLatin1Char('y')));
  stock_->Post();
  EXPECT_THROW(ExportToFoxPro(stock_, Out(QStringLiteral("volpe.dbf")), 26, true, false), rtl::EDatabaseError);
  EXPECT_THROW(ExportToParadox(stock_, Out(QStringLiteral("tavola.db")), 3, true, false), rtl::EDatabaseError);
  EXPECT_EQ(Read(Out(QStringLiteral("volpe.dbf"))), dbf);
  EXPECT_EQ(Read(Out(QStringLiteral("volpe.fpt"))), fpt);
  EXPECT_EQ(Read(Out(QStringLiteral("tavola.db"))), db);
  // Nothing is left beside them.
  for (const QString &f : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(f.startsWith(QLatin1Char('.'))) << f.toStdString();
  // A companion that cannot be replaced (a folder of that name): the table
  // written first gets its old file back.
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("volpe.fpt.d/x")));
  ASSERT_TRUE(QFile::remove(Out(QStringLiteral("volpe.fpt"))));
  ASSERT_TRUE(QDir(dir_.path()).rename(QStringLiteral("volpe.fpt.d"), QStringLiteral("volpe.fpt")));
  EXPECT_THROW(exportfiles::CommitFiles("ExportToFoxPro", {{Out(QStringLiteral("volpe.dbf")), QByteArray("new")},
                                                           {Out(QStringLiteral("volpe.fpt")), QByteArray("new")}}),
               rtl::EDatabaseError);
  EXPECT_EQ(Read(Out(QStringLiteral("volpe.dbf"))), dbf);
  EXPECT_TRUE(QFileInfo(Out(QStringLiteral("volpe.fpt"))).isDir());
  for (const QString &f : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(f.startsWith(QLatin1Char('.'))) << f.toStdString();
}

TEST_F(ExportFormats, TextInTheOemSetReadsBackThroughIconv) {
  if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty()) GTEST_SKIP() << "iconv is not installed";
  const QString file = Out(QStringLiteral("dos.txt"));
  for (const char *set : {"OEM", "850"}) {
    rtl::TIniFile schema(Out(QStringLiteral("schema.ini")));
    schema.WriteString(QStringLiteral("dos.txt"), QStringLiteral("CharacterSet"), QLatin1String(set));
    ExportToText(stock_, file, true, false);
    const QString back = RunTool(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP850"),
                                                           QStringLiteral("-t"), QStringLiteral("UTF-8"), file});
    // The DOS set has no euro sign: it becomes "?".
    EXPECT_TRUE(back.contains(QStringLiteral("\"Città ? più\""))) << back.toStdString();
    EXPECT_TRUE(back.contains(QStringLiteral("Prima riga: è così"))) << back.toStdString();
  }
  // A set this program cannot write fails before the file is touched.
  const QByteArray before = Read(file);
  rtl::TIniFile(Out(QStringLiteral("schema.ini")))
      .WriteString(QStringLiteral("dos.txt"), QStringLiteral("CharacterSet"), QStringLiteral("437"));
  EXPECT_THROW(ExportToText(stock_, file, true, false), rtl::EDatabaseError);
  EXPECT_EQ(Read(file), before);
}

}  // namespace
}  // namespace dao::testing
