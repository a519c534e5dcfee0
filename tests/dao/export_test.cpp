// Table export: the columns and rows read, the bytes of the text,
// HTML and dBase files, the copy into another database, and that a failed
// export leaves the user's existing file and database as they were.
#include <QDir>
#include <QFile>
#include <QTimer>

#include "dao/vudaoexport.h"
#include "platform/jet/jeterror.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/inifiles.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

class DaoExport : public DaoDb {
 protected:
  TVuDaoTable *Titles() {
    TVuDaoTable *t = Table(QStringLiteral("Riviste"));
    t->SetSortedBy({"[Barcode] ASC"});
    t->Open();
    return t;
  }
  QByteArray Read(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QString Out(const QString &name) { return dir_.filePath(name); }
  rtl::FormatSettingsGuard italian_{rtl::ItalianFormatSettings()};
};

// What an export reads: the visible columns (every column when asked) and
// only the rows the table's filter lets through.
TEST_F(DaoExport, TheFileHoldsTheVisibleColumnsAndTheFilteredRows) {
  TVuDaoTable *titles = Titles();
  titles->FieldByName(QStringLiteral("Prezzo_A"))->SetVisible(false);
  const QString visible = Out(QStringLiteral("visibili.txt"));
  ExportToText(titles, visible, true, false);
  QByteArray bytes = Read(visible);
  EXPECT_TRUE(bytes.startsWith("\"Barcode\",\"Nome\",\"Fornitore\",\"Prezzo_V\",\"Periodo\"\r\n"))
      << bytes.toStdString();
  EXPECT_EQ(bytes.count("\r\n"), 3);

  titles->SetExportMethod(AllFields);
  titles->SetFilterText(QStringLiteral("[Nome] LIKE \"T*\""));
  titles->SetFiltered(true);
  const QString filtered = Out(QStringLiteral("filtrate.txt"));
  ExportToText(titles, filtered, true, false);
  bytes = Read(filtered);
  EXPECT_TRUE(bytes.contains("\"Prezzo_A\"")) << bytes.toStdString();
  EXPECT_EQ(bytes.count("\r\n"), 2) << bytes.toStdString();
  EXPECT_TRUE(bytes.contains("\"Topolino\""));
  EXPECT_FALSE(bytes.contains("\"Corriere\""));
}

TEST_F(DaoExport, TextFilesFollowTheirSchemaSectionAndKeepWidthsGiven) {
  TVuDaoTable *titles = Titles();
  titles->Edit();
  titles->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("Città \"€\""));
  titles->FieldByName(QStringLiteral("Prezzo_V"))->SetAsFloat(1.5);
  titles->Post();
  const QString file = Out(QStringLiteral("riviste.txt"));
  ExportToText(titles, file, true, false);
  const QByteArray bytes = Read(file);
  EXPECT_TRUE(bytes.startsWith("\"Barcode\",\"Nome\",\"Fornitore\",\"Prezzo_V\",\"Prezzo_A\",\"Periodo\"\r\n"));
  EXPECT_TRUE(bytes.contains(QByteArray("\"9771122334455\",\"Citt\xE0 \"\"\x80\"\"\",,1.5,0,\r\n")));
  rtl::TIniFile schema(Out(QStringLiteral("schema.ini")));
  EXPECT_EQ(schema.ReadString(QStringLiteral("riviste.txt"), QStringLiteral("Col2"), QString()),
            QStringLiteral("Nome Text"));

  // Without leave to replace, an existing file stays as it was.
  EXPECT_THROW(ExportToText(titles, file, false, false), jet::EJetError);
  EXPECT_EQ(Read(file), bytes);

  // A semicolon-delimited, then a fixed-length file described by the user.
  schema.WriteString(QStringLiteral("riviste.txt"), QStringLiteral("Format"), QStringLiteral("Delimited(;)"));
  ExportToText(titles, file, true, false);
  EXPECT_TRUE(Read(file).contains(QByteArray("\"9771122334455\";\"Citt\xE0 \"\"\x80\"\"\";;1,5;0;\r\n")));
  schema.WriteString(QStringLiteral("riviste.txt"), QStringLiteral("Format"), QStringLiteral("FixedLength"));
  schema.WriteString(QStringLiteral("riviste.txt"), QStringLiteral("ColNameHeader"), QStringLiteral("False"));
  schema.WriteString(QStringLiteral("riviste.txt"), QStringLiteral("Col1"), QStringLiteral("Barcode Text Width 14"));
  schema.WriteString(QStringLiteral("riviste.txt"), QStringLiteral("Col2"), QStringLiteral("Nome Text Width 4"));
  ExportToText(titles, file, true, false);
  EXPECT_TRUE(Read(file).startsWith(QByteArray("9771122334455 Citt")));
}

TEST_F(DaoExport, HtmlEscapesValuesAndClosedTablesAreRefused) {
  TVuDaoTable *titles = Titles();
  titles->Edit();
  titles->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("<b>&"));
  titles->Post();
  const QString file = Out(QStringLiteral("riviste.htm"));
  ExportToHTML(titles, file, false, false);
  const QByteArray html = Read(file);
  EXPECT_TRUE(html.contains("<TD>&lt;b&gt;&amp;</TD>"));
  EXPECT_TRUE(html.contains("<TH>Nome</TH>"));
  EXPECT_TRUE(html.contains("charset=windows-1252"));

  TVuDaoTable *closed = Table(QStringLiteral("Riviste"));
  EXPECT_EQ(MessageOf([&] { ExportToText(closed, Out(QStringLiteral("x.txt")), true, false); }),
            QStringLiteral("TVuDaoTable.ExportToText: Table must be open in order to export data!"));
}

TEST_F(DaoExport, DBaseFilesCarryHeaderFieldsAndRecords) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  for (int i = 0; i < stock->FieldCount(); ++i) {
    const QString n = stock->Fields()[i]->FieldName();
    stock->Fields()[i]->SetVisible(n == QStringLiteral("Barcode18") || n == QStringLiteral("Giacenza") ||
                                   n == QStringLiteral("Ucarico") || n == QStringLiteral("CD"));
  }
  stock->First();
  stock->Edit();
  stock->FieldByName(QStringLiteral("Ucarico"))->SetAsDateTime(rtl::EncodeDate(2004, 12, 31));
  stock->Post();
  ExportToDBase(stock, Out(QStringLiteral("stock.dbf")), 3, false, false);
  const QByteArray dbf = Read(Out(QStringLiteral("stock.dbf")));
  ASSERT_GT(dbf.size(), 32 * 5 + 1);
  EXPECT_EQ(static_cast<unsigned char>(dbf[0]), 0x03);
  EXPECT_EQ(static_cast<unsigned char>(dbf[4]), 5);  // rows
  const int header = static_cast<unsigned char>(dbf[8]) | (static_cast<unsigned char>(dbf[9]) << 8);
  const int record = static_cast<unsigned char>(dbf[10]) | (static_cast<unsigned char>(dbf[11]) << 8);
  EXPECT_EQ(header, 32 + 4 * 32 + 1);
  EXPECT_EQ(record, 1 + 18 + 20 + 8 + 1);
  EXPECT_EQ(dbf.mid(32, 9), QByteArray("BARCODE18"));
  EXPECT_EQ(dbf[32 + 11], 'C');
  // Rows come in the table's own order, as the engine copies them.
  EXPECT_EQ(dbf.mid(header + 4 * record, record), QByteArray(" 8001234567890     ") +
                                                      QByteArray("             3.00000") + QByteArray("20041231") +
                                                      QByteArray("F"));
  EXPECT_EQ(dbf.size(), header + 5 * record + 1);
  EXPECT_EQ(dbf.back(), '\x1A');
}

TEST_F(DaoExport, SqlTablesExportThroughATemporaryQueryIntoAnotherDatabase) {
  TVuDaoTable *journal = Table(QString());
  journal->SetSQL({"SELECT Barcode18, Quantita FROM Giornale WHERE Tipo = 'C'"});
  journal->Open();
  const QString target = Out(QStringLiteral("altro.mdb"));
  database_->CreateAccessDatabase(target);
  ExportToDatabase(journal, target, QStringLiteral("Carichi"), false, false);
  // No temporary query stays behind.
  auto db = database_->DaoDatabase();
  for (int i = 0; i < db->QueryDefs().Count(); ++i)
    EXPECT_FALSE(db->QueryDefs()[i].Name().startsWith(QStringLiteral("Query")));
  {
    jet::DBEngine engine;
    auto other = engine.OpenDatabase(target);
    auto rs = other->OpenRecordset(QStringLiteral("SELECT COUNT(*) AS N FROM Carichi"), jet::dbOpenSnapshot);
    EXPECT_EQ(rs->Fields(QStringLiteral("N")).Value().AsInteger(), 3);
  }
  // The table exists: refused without leave to replace, replaced with it.
  EXPECT_THROW(ExportToDatabase(journal, target, QStringLiteral("Carichi"), false, false), jet::EJetError);
  journal->SetFilterText(QStringLiteral("Quantita > 5"));
  journal->SetFiltered(true);
  ExportToDatabase(journal, target, QStringLiteral("Carichi"), true, false);
  jet::DBEngine engine;
  auto other = engine.OpenDatabase(target);
  auto rs = other->OpenRecordset(QStringLiteral("SELECT COUNT(*) AS N FROM Carichi"), jet::dbOpenSnapshot);
  EXPECT_EQ(rs->Fields(QStringLiteral("N")).Value().AsInteger(), 1);
  EXPECT_EQ(other->TableDefs().Find(QStringLiteral("Carichi_")), nullptr);
}

TEST_F(DaoExport, ProgressIsReportedEveryHundredRowsAndMessagesRunMeanwhile) {
  {
    auto rs = database_->DaoDatabase()->OpenRecordset(QStringLiteral("Riviste"), jet::dbOpenTable);
    database_->BeginTrans();
    for (int i = 0; i < 10000; ++i) {
      rs->AddNew();
      rs->Fields(QStringLiteral("Barcode")).SetValue(QStringLiteral("80%1").arg(i, 11, 10, QLatin1Char('0')));
      rs->Fields(QStringLiteral("Nome")).SetValue(QStringLiteral("Titolo %1").arg(i));
      rs->Update();
    }
    database_->CommitTrans();
  }
  TVuDaoTable *titles = Titles();
  std::vector<std::pair<int, int>> events;
  titles->OnExportProgress = [&](TVuDaoTable *t, int current, int total) {
    EXPECT_EQ(t, titles);
    events.emplace_back(current, total);
  };
  bool pumped = false;
  QTimer::singleShot(0, [&] { pumped = true; });
  ExportToText(titles, Out(QStringLiteral("tutti.txt")), true, false);
  EXPECT_FALSE(pumped);  // ProcessMessages is off
  ASSERT_EQ(events.size(), 102u);
  EXPECT_EQ(events.front(), std::make_pair(0, 10002));
  EXPECT_EQ(events[1], std::make_pair(100, 10002));
  EXPECT_EQ(events[100], std::make_pair(10000, 10002));
  EXPECT_EQ(events.back(), std::make_pair(10002, 10002));
  QFile out(Out(QStringLiteral("tutti.txt")));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_EQ(out.readAll().count('\n'), 10003);  // the names, then every row

  events.clear();
  titles->SetProcessMessages(true);
  ExportToHTML(titles, Out(QStringLiteral("tutti.htm")), true, false);
  EXPECT_TRUE(pumped);
  EXPECT_EQ(events.size(), 102u);
  titles->OnExportProgress = nullptr;
}

}  // namespace
}  // namespace dao::testing
