// Opening tables and stored queries as the program does: sources, sort
// lines, query parameters as text, read-only results, refusals, SQL with
// parameters.
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

using TableOpen = DaoDb;

TEST_F(TableOpen, DayQueryTakesItsParametersAsTextLikeTheEngine) {
  TVuDaoTable *day = Query(QStringLiteral("un_giorno"), {"31/12/2004", "C"}, jet::dbOpenSnapshot);
  day->Open();
  EXPECT_EQ(Column(day, QStringLiteral("Testata")), QStringList({"Topolino", "Corriere"}));
  EXPECT_EQ(day->RecordCount(), 2);
  EXPECT_TRUE(day->ReadOnly());
  EXPECT_FALSE(day->CanModify());
  EXPECT_TRUE(day->QueryDefSQLText().join(' ').startsWith(QStringLiteral("SELECT Giornale.Progressivo")));
  EXPECT_EQ(day->QueryDefType(), QStringLiteral("dbQSelect"));

  // The program changes the lines and reopens for another day and type.
  day->Close();
  day->SetQueryDefParameters({"31/12/2004", "S"});
  day->Open();
  EXPECT_EQ(day->RecordCount(), 1);
  EXPECT_DOUBLE_EQ(day->FieldByName(QStringLiteral("Quantita"))->AsFloat(), -1);

  TVuDaoTable *short_list = Query(QStringLiteral("un_giorno"), {"31/12/2004"});
  EXPECT_EQ(MessageOf([&] { short_list->Open(); }),
            QStringLiteral("TVuDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter "
                           "is not in valid format!"));
  EXPECT_FALSE(short_list->Active());
  TVuDaoTable *bad_date = Query(QStringLiteral("un_giorno"), {"not a date", "C"});
  EXPECT_THROW(bad_date->Open(), rtl::EDatabaseError);
}

TEST_F(TableOpen, TotalsAreReadOnlyAndTheirComputedColumnsAreFloats) {
  TVuDaoTable *totals = Query(QStringLiteral("totali"), {"31/12/2004", "C"});
  totals->Open();
  EXPECT_TRUE(totals->ReadOnly());
  ASSERT_EQ(totals->RecordCount(), 1);
  vcl::TField *purchase = totals->FieldByName(QStringLiteral("Acquisto"));
  EXPECT_EQ(purchase->DataType(), vcl::ftFloat);
  EXPECT_DOUBLE_EQ(purchase->AsFloat(), 10 * 1.0 + 5 * 2.0);
  EXPECT_DOUBLE_EQ(totals->FieldByName(QStringLiteral("Vendita"))->AsFloat(), 10 * 1.2 + 5 * 2.5);
  EXPECT_THROW(totals->Edit(), rtl::EDatabaseError);

  // A day without movements: no row, the same typed columns.
  totals->Close();
  totals->SetQueryDefParameters({"01/01/2005", "C"});
  totals->Open();
  EXPECT_TRUE(totals->IsEmpty());
  EXPECT_EQ(totals->RecordCount(), 0);
  EXPECT_EQ(totals->FieldByName(QStringLiteral("Vendita"))->DataType(), vcl::ftFloat);
  EXPECT_EQ(totals->RecNo(), -1);
}

TEST_F(TableOpen, SortedByLinesOrderTheRowsAndReopenAnOpenTable) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Testata] ASC", "[Barcode18] ASC"});
  stock->Open();
  EXPECT_EQ(
      Column(stock, QStringLiteral("Barcode18")),
      QStringList({"9771234567891", "8001234567890", "977112233445501234", "9771234567890", "977556677889900000"}));
  int scrolls = 0;
  stock->AfterScroll = [&](vcl::TDataSet *) { ++scrolls; };
  stock->SetSortedBy({"[Giacenza] DESC"});
  EXPECT_GT(scrolls, 0);  // reopened on its first record
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Corriere"));
  EXPECT_DOUBLE_EQ(stock->FieldByName(QStringLiteral("Giacenza"))->AsFloat(), 10);
  stock->SetSortedByText(QString());
  stock->ReopenRecordset();
  EXPECT_EQ(stock->RecordCount(), 5);
}

// A sort or filter the engine refuses leaves the table open on its old
// setting and its old rows, not active without a recordset.
TEST_F(TableOpen, RefusedSortOrFilterKeepsTheOldSettingAndRows) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Giacenza] DESC"});
  stock->Open();
  EXPECT_THROW(stock->SetSortedBy({"[Nessuno] ASC"}), rtl::Exception);
  EXPECT_TRUE(stock->Active());
  EXPECT_EQ(stock->SortedBy(), QStringList({"[Giacenza] DESC"}));
  EXPECT_EQ(Column(stock, QStringLiteral("Testata")).first(), QStringLiteral("Corriere"));

  stock->SetFilterText(QStringLiteral("Giacenza > 3"));
  stock->SetFiltered(true);
  EXPECT_EQ(stock->RecordCount(), 2);
  EXPECT_THROW(stock->SetFilterText(QStringLiteral("Giacenza >")), rtl::Exception);
  EXPECT_EQ(stock->Filter(), QStringLiteral("Giacenza > 3"));
  EXPECT_EQ(Column(stock, QStringLiteral("Testata")), QStringList({"Corriere", "Topolino"}));

  // A pending edit that cannot be posted is kept, and so is the sort.
  stock->Edit();
  stock->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Corriere della Sera"));
  stock->BeforePost = [](vcl::TDataSet *) { throw rtl::EDatabaseError(QStringLiteral("no")); };
  EXPECT_THROW(stock->SetSortedBy({"[Testata] ASC"}), rtl::Exception);
  EXPECT_EQ(stock->State(), vcl::dsEdit);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Corriere della Sera"));
  EXPECT_EQ(stock->SortedBy(), QStringList({"[Giacenza] DESC"}));
}

TEST_F(TableOpen, FieldDefinitionsFollowTheEngineColumns) {
  TVuDaoTable *journal = Table(QStringLiteral("Giornale"));
  journal->Open();
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Progressivo"))->DataType(), vcl::ftAutoInc);
  EXPECT_TRUE(journal->FieldByName(QStringLiteral("Progressivo"))->ReadOnly());
  // The "Short Date" format makes a date field: the time part is not kept.
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Data"))->DataType(), vcl::ftDate);
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Tipo"))->Size(), 1);
  EXPECT_TRUE(journal->FieldTypeNames().contains(QStringLiteral("ftAutoInc")));
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("CD"))->DataType(), vcl::ftBoolean);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->Size(), 30);
  EXPECT_FALSE(stock->Name().isEmpty());  // an unnamed table gets a name to register with
}

TEST_F(TableOpen, RefusalsAndMissingSettingsHaveTheirTexts) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  EXPECT_EQ(MessageOf([&] { stock->SetTableName(QStringLiteral("Riviste")); }),
            QStringLiteral("TVuDaoTable.F_Set_TableName: Cannot set TableName while Table is active!"));
  EXPECT_EQ(MessageOf([&] { stock->SetTableType(1); }),
            QStringLiteral("TVuDaoTable.F_Set_TableType: Cannot set TableType while Table is active!"));
  EXPECT_EQ(MessageOf([&] { stock->SetIndexName(QStringLiteral("PrimaryKey")); }),
            QStringLiteral("TVuDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!"));
  EXPECT_EQ(MessageOf([&] { stock->SetDatabase(nullptr); }),
            QStringLiteral("TVuDaoTable.F_Set_Database: Cannot set Database while Table is Active!"));

  TVuDaoTable lone;
  lone.SetTableName(QStringLiteral("Giacenza"));
  EXPECT_EQ(MessageOf([&] { lone.Open(); }), QStringLiteral("TVuDaoTable.OpenDaoRecordset: Missing Database Property"));
  TVuDaoTable *nothing = Table(QString());
  EXPECT_EQ(MessageOf([&] { nothing->Open(); }),
            QStringLiteral("TVuDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!"));
  TVuDaoTable *dynamic = Table(QStringLiteral("Giacenza"), 16);
  EXPECT_EQ(MessageOf([&] { dynamic->Open(); }),
            QStringLiteral("TVuDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!"));
  EXPECT_FALSE(dynamic->Active());
  database_->Close();
  TVuDaoTable *offline = Table(QStringLiteral("Giacenza"));
  EXPECT_EQ(MessageOf([&] { offline->Open(); }),
            QStringLiteral("TVuDaoTable.OpenDaoRecordset: Database is NOT connected"));
  offline->SetDatabaseAutoActivate(true);
  offline->Open();
  EXPECT_TRUE(database_->Connected());
  EXPECT_EQ(offline->RecordCount(), 5);
}

TEST_F(TableOpen, SqlParametersAreSubstitutedByTypeAndNullGivesAValidTest) {
  TVuDaoTable *query = Table(QString());
  query->SetSQL({"delete FROM giornale WHERE data<=:giorno"});
  ASSERT_EQ(query->Params().Count(), 1);
  query->ParamByName(QStringLiteral("giorno"))->SetAsDate(rtl::EncodeDate(2004, 12, 30));
  EXPECT_EQ(query->SubstituteParams(query->SQL()), QStringLiteral("delete FROM giornale WHERE data<=#12/30/2004#"));
  EXPECT_EQ(query->ExecuteSQL(), 1);
  EXPECT_EQ(query->RecordsAffected(), 1);

  TVuDaoTable *blank = Table(QString());
  blank->SetSQL({"SELECT * FROM Giacenza WHERE Descrizione = :d"});
  blank->ParamByName(QStringLiteral("d"))->Clear();
  blank->Open();
  EXPECT_EQ(blank->RecordCount(), 4);  // every row without a description
  blank->Close();
  blank->ParamByName(QStringLiteral("d"))->SetAsString(QStringLiteral("n. 1"));
  blank->Open();
  EXPECT_EQ(blank->RecordCount(), 1);

  database_->Close();
  EXPECT_EQ(MessageOf([&] { query->ExecuteSQL(); }),
            QStringLiteral("TVuDaoTable.ExecuteSQL: Cannot execute SQL query while Database is not Assigned or "
                           "Connected!"));
}

TEST_F(TableOpen, RecordCountAndNumbersFollowTheFilterEvent) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  EXPECT_EQ(stock->RecordCount(), 5);
  stock->Last();
  EXPECT_EQ(stock->RecNo(), 5);
  // Rows with stock above 2 only: 10, 5 and 3 copies.
  stock->SetOnFilterRecord(
      [](vcl::TDataSet *ds, bool &accept) { accept = ds->FieldByName(QStringLiteral("Giacenza"))->AsFloat() > 2; });
  stock->SetFiltered(true);
  EXPECT_EQ(stock->RecordCount(), 3);
  EXPECT_EQ(Column(stock, QStringLiteral("Barcode18")),
            QStringList({"8001234567890", "977112233445501234", "977556677889900000"}));
  stock->SetRecNo(3);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Topolino"));
  EXPECT_EQ(stock->RecNo(), 3);
  stock->Prior();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("977112233445501234"));
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(TableOpen, EngineFilterTextAppliesWhenFiltered) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  stock->SetFilterText(QStringLiteral("[Giacenza] > 2"));
  EXPECT_EQ(stock->RecordCount(), 5);  // stored, not applied until Filtered
  stock->SetFiltered(true);
  EXPECT_EQ(stock->RecordCount(), 3);
  stock->SetFilterText(QStringLiteral("[Testata] = \"Corriere\""));
  EXPECT_EQ(stock->RecordCount(), 2);
  stock->SetFiltered(false);
  EXPECT_EQ(stock->RecordCount(), 5);
}

TEST_F(TableOpen, HistoryAndPrintQueriesGiveTheEngineRows) {
  TVuDaoTable *history = Query(QStringLiteral("Storico"), {"977556677889900000"});
  history->Open();
  EXPECT_EQ(Column(history, QStringLiteral("Tipo")), QStringList({"S", "C"}));  // newest first
  TVuDaoTable *print = Query(QStringLiteral("StampaGiornale"), {}, jet::dbOpenSnapshot);
  print->SetSortedBy({"[Testata] ASC", "[Barcode18] ASC", "[Data] ASC"});
  print->Open();
  EXPECT_EQ(print->RecordCount(), 4);
  EXPECT_EQ(print->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Corriere"));
  EXPECT_EQ(print->FieldByName(QStringLiteral("Data"))->AsDateTime(), rtl::EncodeDate(2004, 12, 30));
  EXPECT_DOUBLE_EQ(print->FieldByName(QStringLiteral("Valore_A"))->AsFloat(), 3 * 1.0);
}

}  // namespace
}  // namespace dao::testing
