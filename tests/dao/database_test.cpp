// The connection component: connecting and refusing, what disconnecting
// does to the tables, and the file services the program runs at shutdown.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "dao/dblogin.h"
#include "platform/jet/jeterror.h"
#include "platform/rtl/registry.h"
#include "platform/vcl/typinfo.h"
#include "tests/dao/dao_fixture.h"
#include "tests/support/damage.h"

namespace dao::testing {
namespace {

using Connection = DaoDb;

TEST_F(Connection, ConnectsOnceListsUserTablesAndFreezesItsSettings) {
  EXPECT_TRUE(database_->Connected());
  database_->Open();  // a second connect does nothing
  EXPECT_TRUE(database_->Connected());
  EXPECT_TRUE(database_->TableNames().contains(QStringLiteral("Giacenza")));
  for (const QString &name : database_->TableNames()) EXPECT_FALSE(name.startsWith(QStringLiteral("MSys")));
  EXPECT_TRUE(database_->QueryDefNames().contains(QStringLiteral("un_giorno")));
  EXPECT_EQ(database_->VersionInfo(), QStringLiteral("(In Access'2000 mode)"));

  EXPECT_EQ(MessageOf([&] { database_->SetDatabase(QStringLiteral("other.mdb")); }),
            QStringLiteral("TVuDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!"));
  EXPECT_EQ(database_->Database(), path_);
  EXPECT_EQ(MessageOf([&] { database_->SetTrackTransactions(false); }),
            QStringLiteral("Cannot set TrackTransactions property when Database is connected!"));
  EXPECT_EQ(MessageOf([&] { database_->SetEngineType(1); }),
            QStringLiteral("TVuDaoDatabase.F_Set_EngineType: Cannot set EngineType Type while Database is connected!"));
}

TEST_F(Connection, MissingFileIsReportedWithItsPathAndLeavesItDisconnected) {
  TVuDaoDatabase other;
  const QString missing = dir_.filePath(QStringLiteral("missing/orbisca4-none.mdb"));
  other.SetDatabase(missing);
  int before = 0;
  other.OnBeforeConnect = [&](TVuDaoDatabase *) { ++before; };
  EXPECT_EQ(MessageOf([&] { other.Open(); }), QStringLiteral("Cannot find Database:\r\n") + missing);
  EXPECT_FALSE(other.Connected());
  EXPECT_EQ(before, 1);

  // A file missing where it is named but present in the program's folder
  // is opened from there; without SmartOpen it stays missing.
  const QString local = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orbisca4-smartopen.mdb"));
  QFile::remove(local);
  ASSERT_TRUE(QFile::copy(Template(), local));
  const QString elsewhere = dir_.filePath(QStringLiteral("elsewhere/orbisca4-smartopen.mdb"));
  {
    TVuDaoDatabase strict;
    strict.SetSmartOpen(false);
    strict.SetDatabase(elsewhere);
    EXPECT_EQ(MessageOf([&] { strict.Open(); }), QStringLiteral("Cannot find Database:\r\n") + elsewhere);
    TVuDaoDatabase smart;
    smart.SetDatabase(elsewhere);
    smart.Open();
    EXPECT_TRUE(smart.Connected());
    EXPECT_EQ(QFileInfo(smart.Database()).canonicalFilePath(), QFileInfo(local).canonicalFilePath());
    smart.Close();
  }
  QFile::remove(local);

  TVuDaoDatabase empty;
  EXPECT_EQ(MessageOf([&] { empty.Open(); }),
            QStringLiteral("TVuDaoDatabase.F_Set_Active: Database property is not defined!"));
}

// What the designer's inspector and the form streaming reach: every
// property the two components publish, by name.
TEST_F(Connection, EveryPublishedPropertyIsReadByNameThroughTheTypeInformation) {
  const QStringList database_names = {"ComponentVersion",
                                      "Exclusive",
                                      "DatabaseLanguage",
                                      "DatabaseType",
                                      "Database",
                                      "DatabaseParameters",
                                      "DatabaseVersionInfo",
                                      "ReadOnly",
                                      "LoginPrompt",
                                      "UserName",
                                      "UseODBCDialog",
                                      "Password",
                                      "DatabasePassword",
                                      "SystemDatabase",
                                      "SaveUserName",
                                      "ShowSystemObjects",
                                      "SmartOpen",
                                      "EngineType",
                                      "PrivateEngine",
                                      "TrackTransactions",
                                      "UsesDynaDao",
                                      "Version",
                                      "VersionDetails",
                                      "VersionInfo",
                                      "Workspace",
                                      "DefaultCursorDriver",
                                      "QueryTimeout",
                                      "MdbVersionAutoDetect",
                                      "Connected"};
  for (const QString &name : database_names) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(vcl::IsPublishedProp(database_.get(), name));
    EXPECT_NO_THROW(vcl::GetPropValue(database_.get(), name));
  }
  EXPECT_EQ(vcl::GetStrProp(database_.get(), QStringLiteral("VersionDetails")), database_->VersionDetails());
  EXPECT_FALSE(database_->VersionDetails().isEmpty());
  EXPECT_EQ(vcl::GetStrProp(database_.get(), QStringLiteral("VersionInfo")), QStringLiteral("(In Access'2000 mode)"));
  EXPECT_TRUE(vcl::GetPropValue(database_.get(), QStringLiteral("UsesDynaDao")).AsBoolean());
  EXPECT_EQ(vcl::GetStrProp(database_.get(), QStringLiteral("DatabaseVersionInfo")),
            database_->DaoDatabase()->Version());
  EXPECT_EQ(vcl::GetStrProp(database_.get(), QStringLiteral("DatabaseLanguage")), database_->DatabaseLanguage());
  // Read-only ones refuse a value.
  EXPECT_THROW(vcl::SetStrProp(database_.get(), QStringLiteral("VersionInfo"), QStringLiteral("x")), rtl::Exception);

  TVuDaoTable *query = Table(QString());
  query->SetQueryDefName(QStringLiteral("un_giorno"));
  query->SetQueryDefParameters({"31/12/2004", "C"});
  query->Open();
  const QStringList table_names = {"AutoFindIndex",
                                   "ComponentVersion",
                                   "CacheBlobs",
                                   "CacheMemos",
                                   "CacheLookups",
                                   "Database",
                                   "Encrypter",
                                   "ExportMethod",
                                   "RefreshSorted",
                                   "TableName",
                                   "SortedByText",
                                   "QueryDefName",
                                   "QueryDefParametersText",
                                   "QueryDefSQLText",
                                   "QueryDefSQLModify",
                                   "QueryDefODBCMaxRecords",
                                   "QueryDefType",
                                   "SQLText",
                                   "ShowGUID",
                                   "TableType",
                                   "TableDateCreated",
                                   "TableLastUpdated",
                                   "Translation",
                                   "LockType",
                                   "OpenOptions",
                                   "IndexName",
                                   "ReadOnly",
                                   "LockEdits",
                                   "MasterSource",
                                   "MasterFields",
                                   "MasterAutoActivate",
                                   "DatabaseAutoActivate",
                                   "UseBrackets",
                                   "UseCaptions",
                                   "UseDaoProperties",
                                   "UseGetRecNo",
                                   "UseRecordCount",
                                   "WarnOnBadDatabase",
                                   "Filtered",
                                   "Filter",
                                   "ParamCheck",
                                   "ProcessMessages",
                                   "ParamData",
                                   "Active"};
  for (const QString &name : table_names) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(vcl::IsPublishedProp(query, name));
    if (vcl::PropType(query, name) != vcl::tkClass) EXPECT_NO_THROW(vcl::GetPropValue(query, name));
  }
  EXPECT_EQ(vcl::GetObjectProp(query, QStringLiteral("Database")), database_.get());
  EXPECT_EQ(vcl::GetStrProp(query, QStringLiteral("ComponentVersion")), QStringLiteral("8.20"));
  EXPECT_EQ(vcl::GetStrProp(query, QStringLiteral("QueryDefType")), QStringLiteral("dbQSelect"));
  EXPECT_TRUE(vcl::GetStrProp(query, QStringLiteral("QueryDefSQLText"))
                  .contains(QStringLiteral("Giornale"), Qt::CaseInsensitive));
  EXPECT_EQ(vcl::GetEnumProp(query, QStringLiteral("ExportMethod")), QStringLiteral("VisibleFields"));
  vcl::SetEnumProp(query, QStringLiteral("ExportMethod"), QStringLiteral("AllFields"));
  EXPECT_EQ(query->ExportMethod(), AllFields);

  TVuDaoTable *titles = Table(QStringLiteral("Riviste"));
  vcl::SetSetProp(titles, QStringLiteral("OpenOptions"), QStringLiteral("[dbSeeChanges]"));
  EXPECT_EQ(titles->OpenOptions(), TDaoOpenOptions{dbSeeChanges});
  vcl::SetStrProp(titles, QStringLiteral("MasterFields"), QStringLiteral("Barcode=Barcode"));
  EXPECT_EQ(titles->MasterFields(), QStringList{QStringLiteral("Barcode=Barcode")});
  titles->SetMasterFields({});
  titles->Open();
  EXPECT_FALSE(vcl::GetStrProp(titles, QStringLiteral("TableDateCreated")).isEmpty());
  EXPECT_FALSE(vcl::GetStrProp(titles, QStringLiteral("TableLastUpdated")).isEmpty());

  // "ParamData": stored only with parameters, read back into Params.
  TVuDaoTable *sql = Table(QString());
  EXPECT_FALSE(vcl::IsStoredProp(sql, *vcl::GetPropInfo(sql, QStringLiteral("ParamData"))));
  sql->SetSQL({QStringLiteral("SELECT * FROM Giornale WHERE Data <= :giorno AND Tipo = :tipo")});
  sql->Params().ParamByName(QStringLiteral("giorno"))->SetValue(rtl::Variant::FromDate(rtl::EncodeDate(2006, 12, 31)));
  sql->Params().ParamByName(QStringLiteral("tipo"))->SetValue(rtl::Variant(QStringLiteral("C")));
  EXPECT_TRUE(vcl::IsStoredProp(sql, *vcl::GetPropInfo(sql, QStringLiteral("ParamData"))));
  const QString stored = vcl::GetStrProp(sql, QStringLiteral("ParamData"));
  TVuDaoTable *loaded = Table(QString());
  loaded->SetSQL(sql->SQL());
  vcl::SetStrProp(loaded, QStringLiteral("ParamData"), stored);
  EXPECT_TRUE(loaded->Params().IsEqual(sql->Params()));
  EXPECT_EQ(loaded->Params().ParamByName(QStringLiteral("giorno"))->AsDateTime(), rtl::EncodeDate(2006, 12, 31));
}

// The workgroup file the configuration registers is the default one.
TEST(ConnectionSetUp, TheRegisteredWorkgroupFileIsTheDefaultSystemDatabase) {
  QTemporaryDir registry;
  rtl::TRegistry::SetBaseFolder(registry.path());
  {
    rtl::TRegistry reg;
    reg.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("SOFTWARE\\Microsoft\\JET\\4.0\\Engines"), true));
    reg.WriteString(QStringLiteral("SystemDB"), QStringLiteral("/dati/system.mdw"));
  }
  TVuDaoDatabase database;
  EXPECT_EQ(database.SystemDatabase(), QStringLiteral("/dati/system.mdw"));
  EXPECT_EQ(database.Engine()->SystemDB(), QStringLiteral("/dati/system.mdw"));
  database.SetSystemDatabase(QStringLiteral("system.mdb"));
  EXPECT_EQ(database.SystemDatabase(), QStringLiteral("system.mdb"));
  database.SetSystemDatabase(QString());  // empty: the registered one again
  EXPECT_EQ(database.SystemDatabase(), QStringLiteral("/dati/system.mdw"));
  QTemporaryDir empty;
  rtl::TRegistry::SetBaseFolder(empty.path());
  TVuDaoDatabase unregistered;
  EXPECT_TRUE(unregistered.SystemDatabase().isEmpty());
  rtl::TRegistry::SetBaseFolder(QString());
}

TEST_F(Connection, DisconnectClosesEveryRegisteredTable) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  TVuDaoTable *journal = Table(QStringLiteral("Giornale"));
  stock->Open();
  journal->Open();
  EXPECT_EQ(database_->RegisteredTableCount(), 2);
  QStringList events;
  database_->OnBeforeDisconnect = [&](TVuDaoDatabase *) { events << "before"; };
  database_->OnAfterDisconnect = [&](TVuDaoDatabase *) { events << "after"; };
  database_->Close();
  EXPECT_FALSE(stock->Active());
  EXPECT_FALSE(journal->Active());
  EXPECT_EQ(database_->RegisteredTableCount(), 0);
  EXPECT_EQ(events, QStringList({"before", "after"}));
  database_->Close();  // nothing happens the second time
  EXPECT_EQ(events.size(), 2);

  // A table opens again once the database is back.
  database_->Open();
  stock->Open();
  EXPECT_EQ(stock->RecordCount(), 5);
  // The handlers write into this test's list, which goes before the database.
  database_->OnBeforeDisconnect = nullptr;
  database_->OnAfterDisconnect = nullptr;
}

TEST_F(Connection, TransactionLinesRecordTheTablesOpenedInThem) {
  database_->BeginTrans();
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetName(QStringLiteral("Giacenze"));
  stock->Open();
  database_->SetTransactionValue(QStringLiteral("Other"), QStringLiteral("2"));
  database_->SetTransactionValue(QStringLiteral("Giacenze"), QStringLiteral("3"));
  EXPECT_EQ(database_->TransactionLevel(), 1);
  EXPECT_EQ(database_->Transactions().last(), QStringLiteral("Giacenze=3,Other=2"));
  database_->Rollback();
  EXPECT_EQ(database_->TransactionLevel(), 0);
}

TEST_F(Connection, StoredQueryServicesKeepTheNameListInStep) {
  database_->CreateQueryDef(QStringLiteral("Titoli"), QStringLiteral("SELECT Nome FROM Riviste;"));
  EXPECT_TRUE(database_->QueryDefNames().contains(QStringLiteral("Titoli")));
  EXPECT_EQ(database_->GetQueryDefSQL(QStringLiteral("Titoli")), QStringLiteral("SELECT Nome FROM Riviste;"));
  database_->SetQueryDefSQL(QStringLiteral("Titoli"), QStringLiteral("SELECT Barcode FROM Riviste;"));
  EXPECT_EQ(database_->GetQueryDefSQL(QStringLiteral("Titoli")), QStringLiteral("SELECT Barcode FROM Riviste;"));
  database_->DeleteQueryDef(QStringLiteral("Titoli"));
  EXPECT_FALSE(database_->QueryDefNames().contains(QStringLiteral("Titoli")));
  EXPECT_EQ(database_->GetQueryDefSQL(QStringLiteral("Titoli")), QString());  // no error
}

class Compaction : public DaoDb {
 protected:
  QStringList FolderFiles() const { return QDir(dir_.path()).entryList(QDir::Files); }
};

TEST_F(Compaction, RepairThenCompactLeavesOneSoundFileOfTheSameName) {
  database_->Close();
  const QStringList before = FolderFiles();
  database_->RepairDatabase(path_);
  database_->CompactDatabase(path_);
  EXPECT_EQ(FolderFiles(), before);
  database_->Open();
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  EXPECT_EQ(stock->RecordCount(), 5);
}

TEST_F(Compaction, AFailedCompactionLeavesTheOriginalIntact) {
  database_->Close();
  // A damaged file: the engine cannot compact it, and it must survive as it is.
  const QString damaged = dir_.filePath(QStringLiteral("damaged.mdb"));
  QFile f(damaged);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  const QByteArray junk = QByteArray("SQLite format 3") + QByteArray(4000, '\x5a');
  f.write(junk);
  f.close();
  const QStringList before = FolderFiles();
  EXPECT_THROW(database_->CompactDatabase(damaged), rtl::Exception);
  EXPECT_EQ(FolderFiles(), before);  // no copy left behind under another name
  QFile check(damaged);
  ASSERT_TRUE(check.open(QIODevice::ReadOnly));
  EXPECT_EQ(check.readAll(), junk);

  // A missing file is an error, not a silent success.
  EXPECT_THROW(database_->CompactDatabase(dir_.filePath(QStringLiteral("none.mdb"))), rtl::Exception);

  // The connected file itself is refused rather than replaced under the connection.
  database_->Open();
  EXPECT_THROW(database_->CompactDatabase(path_), rtl::EDatabaseError);
  EXPECT_TRUE(QFile::exists(path_));
}

// A damaged index would not stop the copy (it is rebuilt from the rows), so
// a compaction used to replace the damaged file with a copy that hid the
// damage. The file is now checked first: refused, untouched, nothing left.
TEST_F(Compaction, ADamagedFileIsRefusedAndKeptAsItIs) {
  database_->Close();
  ASSERT_TRUE(test_support::SpoilRootPage(path_, QStringLiteral("Giacenza.PrimaryKey")));
  const QByteArray damaged = test_support::ReadWholeFile(path_);
  const QStringList before = FolderFiles();
  try {
    database_->CompactDatabase(path_);
    ADD_FAILURE() << "a damaged file was compacted";
  } catch (const jet::EJetError &e) {
    EXPECT_EQ(e.Number(), jet::kErrDamaged);
  }
  EXPECT_EQ(test_support::ReadWholeFile(path_), damaged);
  EXPECT_EQ(FolderFiles(), before);
  EXPECT_TRUE(jet::DBEngine::DamageNoted(path_));
  jet::DBEngine::ForgetDamage(path_);
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(Connection, LoginTakesTheCredentialsOrStaysDisconnectedOnCancel) {
  database_->Close();
  database_->SetLoginPrompt(true);
  QString shown_user;
  auto previous_prompt = SetLoginPromptFunction(
      [&](const QString &, QString &user, QString &password, QString &db_password, bool prefill) {
        shown_user = prefill ? user : QString();
        user = QStringLiteral("Mario");
        password = QStringLiteral("pw");
        db_password.clear();
        return true;
      });
  QStringList messages;
  auto previous_message = SetLoginMessageFunction([&](const QString &text) { messages << text; });
  database_->Open();
  EXPECT_TRUE(database_->Connected());
  EXPECT_EQ(shown_user, QStringLiteral("Admin"));
  EXPECT_EQ(database_->UserName(), QStringLiteral("Mario"));
  database_->Close();

  SetLoginPromptFunction([](const QString &, QString &, QString &, QString &, bool) { return false; });
  EXPECT_NO_THROW(database_->Open());
  EXPECT_FALSE(database_->Connected());
  EXPECT_EQ(messages, QStringList({"If You not enter Username and Password You may not gain access to your data!"}));
  EXPECT_TRUE(database_->UserName().isEmpty());

  // An OnLogin handler answers instead of the form.
  database_->OnLogin = [](TVuDaoDatabase *, rtl::TStrings *params) {
    params->SetValues(QStringLiteral("USER NAME"), QStringLiteral("Luigi"));
  };
  database_->Open();
  EXPECT_TRUE(database_->Connected());
  EXPECT_EQ(database_->UserName(), QStringLiteral("Luigi"));
  SetLoginPromptFunction(previous_prompt);
  SetLoginMessageFunction(previous_message);
}

TEST(DbLoginForm, HasTheFieldsOfALoginAndClosesWithOk) {
  TDbLogin form;
  EXPECT_EQ(form.Caption(), QStringLiteral("Database Login"));
  EXPECT_EQ(form.Password()->PasswordChar(), QLatin1Char('*'));
  EXPECT_EQ(form.DatabasePassword()->PasswordChar(), QLatin1Char('*'));
  EXPECT_EQ(form.UserName()->PasswordChar(), QChar());
  EXPECT_TRUE(form.OkButton()->Default());
  EXPECT_EQ(form.ActiveControl(), form.UserName());
  QTimer::singleShot(0, [&] {
    form.UserName()->SetText(QStringLiteral("Admin"));
    form.OkButton()->Click();
  });
  EXPECT_EQ(form.ShowModal(), vcl::mrOk);
  EXPECT_EQ(form.UserName()->Text(), QStringLiteral("Admin"));
}

}  // namespace
}  // namespace dao::testing
