// ODBC sources: a data source of the distribution's SQLite ODBC driver,
// set up by the test in a configuration of its own, opened by
// TVuDaoDatabase, browsed and edited through TVuDaoTable; the changes are
// read back from the SQLite file without ODBC. Also the lists of drivers,
// data sources and installable formats the connection component reads
// from the configuration.
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

QString SqliteDriver() {
  for (const QString &dir : QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString path = QStringLiteral("/usr/lib/%1/odbc/libsqlite3odbc.so").arg(dir);
    if (QFile::exists(path)) return path;
  }
  return QFile::exists(QStringLiteral("/usr/lib/odbc/libsqlite3odbc.so"))
             ? QStringLiteral("/usr/lib/odbc/libsqlite3odbc.so")
             : QString();
}

// The driver manager reads where its configuration is only once in a
// program, and every database component reads the lists when it is made:
// the configuration folder is set up before the tests start, for all of
// them, and each test makes the source's file anew.
const QTemporaryDir &ConfigFolder() {
  static QTemporaryDir dir;
  return dir;
}

void WriteFile(const QString &path, const QString &text) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
}

const bool kConfigured = [] {
  const QString driver = SqliteDriver();
  if (driver.isEmpty()) return false;
  const QDir dir(ConfigFolder().path());
  const QString file = dir.filePath(QStringLiteral("fonte.sqlite"));
  WriteFile(dir.filePath(QStringLiteral("odbcinst.ini")), QStringLiteral("[SQLite3 Orbisca]\nDriver=%1\n").arg(driver));
  WriteFile(dir.filePath(QStringLiteral("odbc.ini")),
            QStringLiteral("[Fonte]\nDriver=SQLite3 Orbisca\nDatabase=%1\n").arg(file));
  WriteFile(dir.filePath(QStringLiteral("user.ini")),
            QStringLiteral("[Mia]\nDriver=SQLite3 Orbisca\nDatabase=%1\n").arg(file));
  qputenv("ODBCSYSINI", dir.path().toLocal8Bit());
  qputenv("ODBCINSTINI", "odbcinst.ini");
  qputenv("ODBCINI", dir.filePath(QStringLiteral("user.ini")).toLocal8Bit());
  return true;
}();

class OdbcSource : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kConfigured) GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) is not installed";
    file_ = QDir(ConfigFolder().path()).filePath(QStringLiteral("fonte.sqlite"));
    QFile::remove(file_);
    Sql("CREATE TABLE Riviste (Barcode VARCHAR(13) PRIMARY KEY, Nome VARCHAR(30), Prezzo DOUBLE, "
        "Uscita TIMESTAMP, Attiva BIT, Note TEXT);"
        "INSERT INTO Riviste VALUES ('9771122334455', 'Città € più', 1.5, '2004-12-31 10:30:00', 1, 'riga uno');"
        "INSERT INTO Riviste VALUES ('9775566778899', 'Topolino', 2.25, '2005-01-15 00:00:00', 0, NULL);"
        "INSERT INTO Riviste VALUES ('8001234567890', 'Corriere', 1.2, NULL, 1, NULL);"
        "CREATE TABLE Registro (Id INTEGER PRIMARY KEY AUTOINCREMENT, Testo VARCHAR(20));"
        "CREATE TABLE Senza (A VARCHAR(5), B INTEGER); INSERT INTO Senza VALUES ('x', 1);");
    database_ = std::make_unique<TVuDaoDatabase>();
  }
  void TearDown() override {
    tables_.clear();
    database_.reset();
  }
  // Runs statements on the SQLite file itself, without ODBC.
  QStringList Sql(const char *sql) {
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open(QFile::encodeName(file_).constData(), &db), SQLITE_OK);
    QStringList rows;
    char *error = nullptr;
    sqlite3_exec(
        db, sql,
        [](void *out, int n, char **values, char **) {
          QStringList cells;
          for (int i = 0; i < n; ++i) cells << (values[i] ? QString::fromUtf8(values[i]) : QStringLiteral("NULL"));
          static_cast<QStringList *>(out)->append(cells.join(QLatin1Char('|')));
          return 0;
        },
        &rows, &error);
    EXPECT_EQ(error, nullptr) << error;
    sqlite3_free(error);
    sqlite3_close(db);
    return rows;
  }
  TVuDaoTable *Open(const QString &name) {
    tables_.push_back(std::make_unique<TVuDaoTable>());
    TVuDaoTable *t = tables_.back().get();
    t->SetDatabase(database_.get());
    t->SetTableName(name);
    t->SetTableType(2);
    t->Open();
    return t;
  }
  void Connect() {
    database_->SetDatabaseType(QStringLiteral("ODBC"));
    database_->SetDatabase(QStringLiteral("Fonte"));
    database_->Open();
  }

  QString file_;
  std::unique_ptr<TVuDaoDatabase> database_;
  std::vector<std::unique_ptr<TVuDaoTable>> tables_;
  rtl::FormatSettingsGuard italian_{rtl::ItalianFormatSettings()};
};

TEST_F(OdbcSource, TheListsComeFromTheConfiguration) {
  EXPECT_TRUE(database_->ODBCDrivers().contains(QStringLiteral("SQLite3 Orbisca")));
  EXPECT_TRUE(database_->SystemDSNs().contains(QStringLiteral("Fonte")));
  EXPECT_TRUE(database_->UserDSNs().contains(QStringLiteral("Mia")));
  EXPECT_TRUE(database_->DataSourceFiles().contains(QStringLiteral("Mia=") + file_));
  EXPECT_TRUE(database_->DataSourceFiles().contains(QStringLiteral("Fonte=") + file_));
  const QStringList types = database_->DatabaseTypes();
  ASSERT_GE(types.size(), 3);
  EXPECT_EQ(types.mid(0, 2), QStringList({"Access", "ODBC"}));
  EXPECT_TRUE(types.contains(QStringLiteral("Excel 8.0")));
  EXPECT_TRUE(types.contains(QStringLiteral("FoxPro 2.6")));
}

TEST_F(OdbcSource, ASourceIsBrowsedThroughItsTables) {
  Connect();
  EXPECT_TRUE(database_->TableNames().contains(QStringLiteral("Riviste")));
  EXPECT_TRUE(database_->TableNames().contains(QStringLiteral("Senza")));
  TVuDaoTable *t = Open(QStringLiteral("Riviste"));
  EXPECT_EQ(t->RecordCount(), 3);
  EXPECT_EQ(t->FieldByName(QStringLiteral("Nome"))->AsString(), QStringLiteral("Città € più"));
  EXPECT_DOUBLE_EQ(t->FieldByName(QStringLiteral("Prezzo"))->AsFloat(), 1.5);
  EXPECT_EQ(t->FieldByName(QStringLiteral("Uscita"))->AsDateTime(),
            rtl::EncodeDate(2004, 12, 31) + rtl::EncodeTime(10, 30, 0, 0));
  EXPECT_TRUE(t->FieldByName(QStringLiteral("Attiva"))->AsBoolean());
  EXPECT_EQ(t->FieldByName(QStringLiteral("Note"))->AsString(), QStringLiteral("riga uno"));
  t->Next();
  EXPECT_EQ(t->FieldByName(QStringLiteral("Nome"))->AsString(), QStringLiteral("Topolino"));
  EXPECT_FALSE(t->FieldByName(QStringLiteral("Attiva"))->AsBoolean());
  EXPECT_TRUE(t->FieldByName(QStringLiteral("Note"))->IsNull());
  // The engine's criteria work on the source's rows.
  ASSERT_TRUE(t->Locate(QStringLiteral("Nome"), QStringLiteral("Corriere"), {}));
  EXPECT_EQ(t->FieldByName(QStringLiteral("Barcode"))->AsString(), QStringLiteral("8001234567890"));
  EXPECT_TRUE(t->FieldByName(QStringLiteral("Uscita"))->IsNull());
}

TEST_F(OdbcSource, AnOdbcDirectWorkspaceOpensTheSourceAsAConnection) {
  database_->SetEngineType(1);
  Connect();
  EXPECT_EQ(database_->Engine()->Workspaces(0)->Type(), 1);
  TVuDaoTable *titles = Open(QStringLiteral("Riviste"));
  EXPECT_EQ(titles->RecordCount(), 3);
  EXPECT_TRUE(titles->Locate(QStringLiteral("Barcode"), QStringLiteral("9775566778899"), {}));
  EXPECT_EQ(titles->FieldByName(QStringLiteral("Nome"))->AsString(), QStringLiteral("Topolino"));
  database_->Close();
  // A Jet file is no source for such a workspace.
  database_->SetDatabaseType(QStringLiteral("Access"));
  database_->SetDatabase(file_);
  EXPECT_THROW(database_->Open(), rtl::Exception);
  EXPECT_FALSE(database_->Connected());
}

TEST_F(OdbcSource, EditsAppendsAndDeletesReachTheSource) {
  Connect();
  TVuDaoTable *t = Open(QStringLiteral("Riviste"));
  ASSERT_TRUE(t->Locate(QStringLiteral("Barcode"), QStringLiteral("9775566778899"), {}));
  t->Edit();
  t->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("Topolino è qui"));
  t->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(3.75);
  t->FieldByName(QStringLiteral("Attiva"))->SetAsBoolean(true);
  t->Post();
  EXPECT_EQ(Sql("SELECT Nome, Prezzo, Attiva FROM Riviste WHERE Barcode = '9775566778899'"),
            QStringList{QStringLiteral("Topolino è qui|3.75|1")});
  t->Append();
  t->FieldByName(QStringLiteral("Barcode"))->SetAsString(QStringLiteral("9770000000001"));
  t->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("Nuova"));
  t->FieldByName(QStringLiteral("Uscita"))->SetAsDateTime(rtl::EncodeDate(2006, 3, 1));
  t->Post();
  EXPECT_EQ(Sql("SELECT Nome, substr(Uscita, 1, 10), Note FROM Riviste WHERE Barcode = '9770000000001'"),
            QStringList{QStringLiteral("Nuova|2006-03-01|NULL")});
  EXPECT_EQ(t->RecordCount(), 4);
  ASSERT_TRUE(t->Locate(QStringLiteral("Barcode"), QStringLiteral("8001234567890"), {}));
  t->Delete();
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM Riviste"), QStringList{QStringLiteral("3")});
  // A key the source counts itself.
  TVuDaoTable *log = Open(QStringLiteral("Registro"));
  log->Append();
  log->FieldByName(QStringLiteral("Testo"))->SetAsString(QStringLiteral("primo"));
  log->Post();
  EXPECT_EQ(Sql("SELECT Id, Testo FROM Registro"), QStringList{QStringLiteral("1|primo")});
  log->Refresh();
  log->First();
  EXPECT_EQ(log->FieldByName(QStringLiteral("Id"))->AsInteger(), 1);
}

TEST_F(OdbcSource, ATableWithoutKeyIsReadOnlyAndAMissingSourceIsRefused) {
  Connect();
  TVuDaoTable *t = Open(QStringLiteral("Senza"));
  EXPECT_EQ(t->FieldByName(QStringLiteral("A"))->AsString(), QStringLiteral("x"));
  t->Edit();
  t->FieldByName(QStringLiteral("A"))->SetAsString(QStringLiteral("y"));
  EXPECT_THROW(t->Post(), rtl::Exception);
  t->Cancel();
  EXPECT_EQ(Sql("SELECT A FROM Senza"), QStringList{QStringLiteral("x")});
  database_->Close();
  database_->SetDatabase(QStringLiteral("Inesistente"));
  EXPECT_THROW(database_->Open(), rtl::Exception);
  EXPECT_FALSE(database_->Connected());
}

}  // namespace
}  // namespace dao::testing
