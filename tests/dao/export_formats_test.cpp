// The spreadsheet, Paradox and FoxPro exports of a table of the program's
// database, each file read back by an independent reader installed from
// the distribution (xlrd for the spreadsheets, dbfread for FoxPro and
// dBase, the Paradox library for Paradox) with the same values; the text
// export in the OEM character set read back through iconv; and that an
// export failing half-way leaves the user's earlier files as they were.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
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

QString Canon(const QJsonValue &v) {
  if (v.isNull()) return QStringLiteral("null");
  if (v.isBool()) return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  if (v.isDouble()) return QString::number(v.toDouble(), 'g', 15);
  return v.toString();
}

TEST_F(ExportFormats, SpreadsheetsOfEveryVersionReadBackWithTheSameValues) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  for (int version : {3, 4, 5, 8}) {
    SCOPED_TRACE(version);
    const QString file = Out(QStringLiteral("giacenza%1.xls").arg(version));
    ExportToExcel(stock_, file, QStringLiteral("Giacenza [€]"), false, false, version);
    if (version >= 5) EXPECT_TRUE(Read(file).startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)));
    const QJsonObject book =
        QJsonDocument::fromJson(RunTool(Python(), {Oracle("xls_dump.py"), file}).toUtf8()).object();
    EXPECT_EQ(book[QStringLiteral("biff")].toInt(), version == 8 ? 80 : version * 10);
    if (version >= 5) EXPECT_EQ(book[QStringLiteral("sheet")].toString(), QStringLiteral("Giacenza _€_"));
    const QJsonArray rows = book[QStringLiteral("rows")].toArray();
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
  // Without leave to replace, an existing workbook stays as it was.
  const QByteArray before = Read(Out(QStringLiteral("giacenza8.xls")));
  EXPECT_THROW(ExportToExcel(stock_, Out(QStringLiteral("giacenza8.xls")), QStringLiteral("S"), false, false, 8),
               jet::EJetError);
  EXPECT_EQ(Read(Out(QStringLiteral("giacenza8.xls"))), before);
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
