// Searching: Locate as the barcode pages use it (exact, and with the case
// and partial options of the search panel), Lookup, the find family, index
// seeks on table recordsets, and the master-detail link.
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

using TableLocate = DaoDb;

TEST_F(TableLocate, CaseAndPartialOptionsFindRossiForROSSI) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  EXPECT_TRUE(
      stock->Locate(QStringLiteral("Testata"), QStringLiteral("ROSSI"), vcl::loCaseInsensitive | vcl::loPartialKey));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Rossi Uno"));
  // A partial key is a prefix: a text inside the name is not a match.
  EXPECT_FALSE(
      stock->Locate(QStringLiteral("Testata"), QStringLiteral("ossi"), vcl::loCaseInsensitive | vcl::loPartialKey));
  // Without the case option the case must match.
  EXPECT_FALSE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("rossi uno"), 0));
  EXPECT_TRUE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("rossi uno"), vcl::loCaseInsensitive));
  EXPECT_TRUE(stock->Locate(QStringLiteral("Testata;Giacenza"), rtl::VarArrayOf({"Corriere", 3}), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("8001234567890"));
}

TEST_F(TableLocate, NothingFoundLeavesTheRecordAndFiresNoScrollEvents) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("977556677889900000"), 0));
  int scrolls = 0;
  stock->BeforeScroll = [&](vcl::TDataSet *) { ++scrolls; };
  stock->AfterScroll = [&](vcl::TDataSet *) { ++scrolls; };
  EXPECT_FALSE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("977000000000000000"), 0));
  EXPECT_FALSE(stock->Locate(QStringLiteral("Barcode18"), rtl::Variant::Null(), 0));
  EXPECT_EQ(scrolls, 0);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Topolino"));
  EXPECT_TRUE(stock->Locate(QStringLiteral("barcode18"), QStringLiteral("9771234567891"), 0));
  EXPECT_EQ(scrolls, 2);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Bianchi"));

  EXPECT_EQ(MessageOf([&] { stock->Locate(QStringLiteral("Testata;Barcode"), QStringLiteral("x"), 0); }),
            QStringLiteral("Number of elements in the KeyValues array must be equal to the number of fields."));
  // A Null key searches rows without a value.
  EXPECT_TRUE(
      stock->Locate(QStringLiteral("Descrizione;Testata"), rtl::VarArrayOf({rtl::Variant::Null(), "Topolino"}), 0));
}

TEST_F(TableLocate, IndexSeekOnTableRecordsetsReportsOnlyRowsHoldingTheKeys) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"), jet::dbOpenTable);
  stock->Open();
  ASSERT_GT(stock->IndexDefs().Count(), 0);
  EXPECT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Bianchi"));
  EXPECT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("97712345678"), vcl::loPartialKey));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));
  // ">=" would land on the next greater code; that is no match.
  EXPECT_FALSE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("97712345679"), vcl::loPartialKey));
  EXPECT_FALSE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567892"), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));
  EXPECT_EQ(
      MessageOf([&] { stock->Locate(QStringLiteral("Testata"), QStringLiteral("Bianchi"), 0); }),
      QStringLiteral("Index Property is Empty!\r\nYou must set an index before using Locate with StandardTables"));
  // A named index that does not lead with a key column still finds the row.
  stock->SetAutoFindIndex(false);
  stock->SetIndexName(stock->IndexDefs()[0]->Name());
  ASSERT_FALSE(stock->IndexDefs()[0]->FieldList().contains(QStringLiteral("Testata")));
  EXPECT_TRUE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("BIANCHI"), vcl::loCaseInsensitive));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567891"));
  EXPECT_FALSE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("Verdi"), 0));
}

TEST_F(TableLocate, LookupReadsWithoutMoving) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  const QString here = stock->FieldByName(QStringLiteral("Barcode18"))->AsString();
  EXPECT_EQ(stock->Lookup(QStringLiteral("Barcode18"), QStringLiteral("977556677889900000"), QStringLiteral("Testata"))
                .AsString(),
            QStringLiteral("Topolino"));
  const rtl::Variant both =
      stock->Lookup(QStringLiteral("Barcode18"), QStringLiteral("9771234567890"), QStringLiteral("Testata;Giacenza"));
  ASSERT_EQ(both.ArrayCount(), 2);
  EXPECT_EQ(both[0].AsString(), QStringLiteral("Rossi Uno"));
  EXPECT_DOUBLE_EQ(both[1].AsDouble(), 2);
  EXPECT_TRUE(stock->Lookup(QStringLiteral("Barcode18"), QStringLiteral("0"), QStringLiteral("Testata")).IsNull());
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), here);
  EXPECT_EQ(MessageOf([&] { stock->Lookup(QStringLiteral("Barcode18"), QStringLiteral("0"), QString()); }),
            QStringLiteral("ResultFields are not defined"));
  EXPECT_EQ(
      MessageOf([&] { stock->Lookup(QStringLiteral("Barcode18"), QStringLiteral("0"), QStringLiteral("Nessuno")); }),
      QStringLiteral("Invalid field name: Nessuno"));
}

TEST_F(TableLocate, FindFamilyWalksMatchesInBothDirections) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  EXPECT_EQ(stock->BuildLookupKeySQL(QStringLiteral("Testata"), QStringLiteral("Corriere"), 0),
            QStringLiteral("([Testata] = \"Corriere\")"));
  EXPECT_TRUE(stock->FindFirstByKey(QStringLiteral("Testata"), QStringLiteral("Corriere")));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("8001234567890"));
  EXPECT_TRUE(stock->FindNextByKey(QStringLiteral("Testata"), QStringLiteral("Corriere")));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("977112233445501234"));
  EXPECT_FALSE(stock->FindNextByKey(QStringLiteral("Testata"), QStringLiteral("Corriere")));
  EXPECT_TRUE(stock->FindPriorByKey(QStringLiteral("Testata"), QStringLiteral("Corriere")));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("8001234567890"));
  stock->SetFindRequest(QStringLiteral("Testata"), QStringLiteral("Corriere"), 0);
  EXPECT_TRUE(stock->FindLast());
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("977112233445501234"));
}

TEST_F(TableLocate, DetailFollowsItsMasterRecord) {
  TVuDaoTable *titles = Table(QStringLiteral("Riviste"));
  titles->SetSortedBy({"[Barcode] ASC"});
  vcl::TDataSource source;
  source.SetDataSet(titles);
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetMasterSource(&source);
  stock->SetMasterFields({"Barcode -> Barcode"});
  stock->Open();  // opens its master first
  EXPECT_TRUE(titles->Active());
  EXPECT_EQ(Column(stock, QStringLiteral("Testata")), QStringList({"Corriere"}));
  titles->Next();
  EXPECT_EQ(Column(stock, QStringLiteral("Barcode18")), QStringList({"977556677889900000"}));
  EXPECT_EQ(stock->BuildMasterDetailSQL(), QStringLiteral("([Barcode] = \"9775566778899\")"));

  // A new detail row takes the master's key.
  stock->Append();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode"))->AsString(), QStringLiteral("9775566778899"));
  stock->Cancel();

  vcl::TDataSource own;
  own.SetDataSet(stock);
  EXPECT_EQ(MessageOf([&] { stock->SetMasterSource(&own); }), QStringLiteral("Circular links not allowed!"));
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(TableLocate, AnIndexAddedToTheListIsCreatedInTheDatabaseAndUsedBySeek) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"), jet::dbOpenTable);
  stock->Open();
  stock->IndexDefs().Add(QStringLiteral("PerTestata"), QStringLiteral("Testata;Barcode18"), {});
  EXPECT_TRUE(stock->Active());  // closed for the change and opened again
  EXPECT_TRUE(database_->DaoDatabase()
                  ->TableDefs()
                  .Item(QStringLiteral("Giacenza"))
                  .Indexes()
                  .Find(QStringLiteral("PerTestata")) != nullptr);
  ASSERT_GE(stock->IndexDefs().IndexOf(QStringLiteral("PerTestata")), 0);
  // A key on the first field of the new index: the seek finds the first of
  // the two rows and checks the rest on the rows that follow.
  EXPECT_TRUE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("Corriere"), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("8001234567890"));
  EXPECT_TRUE(
      stock->Locate(QStringLiteral("Barcode18;Testata"), rtl::VarArrayOf({"977112233445501234", "Corriere"}), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Giacenza"))->AsFloat(), 10);
  EXPECT_FALSE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("CORRIERE"), 0));  // case must match
  EXPECT_TRUE(
      stock->Locate(QStringLiteral("Testata"), QStringLiteral("CORR"), vcl::loPartialKey | vcl::loCaseInsensitive));
}

TEST_F(TableLocate, StoredQueryTextCanBeRewrittenThroughTheTable) {
  TVuDaoTable *history = Query(QStringLiteral("Storico"), {"977556677889900000"});
  history->Open();
  EXPECT_EQ(history->RecordCount(), 2);
  history->Close();
  history->SetQueryDefSQLModify(true);
  history->SetQueryDefSQLText({"SELECT Giornale.Data, Giornale.Tipo FROM Giornale",
                               "WHERE (((Giornale.Barcode18)=[sel_barcode]) AND ((Giornale.Tipo)=\"C\"));"});
  history->Open();
  EXPECT_EQ(history->RecordCount(), 1);
  EXPECT_EQ(database_->GetQueryDefSQL(QStringLiteral("Storico")).count(QStringLiteral("Tipo")), 2);

  // Definitions can be read without leaving the table open.
  TVuDaoTable *journal = Table(QStringLiteral("Giornale"));
  journal->FieldDefs().Update();
  EXPECT_EQ(journal->FieldDefs().Count(), 7);
  EXPECT_FALSE(journal->Active());
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(TableLocate, APendingEditIsPostedOnlyWhenTheSearchMoves) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  stock->Edit();
  stock->FieldByName(QStringLiteral("Giacenza"))->SetAsFloat(4);
  EXPECT_FALSE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("0"), 0));
  EXPECT_EQ(stock->State(), vcl::dsEdit);
  EXPECT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("8001234567890"), 0));
  EXPECT_EQ(stock->State(), vcl::dsBrowse);
  EXPECT_DOUBLE_EQ(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9771234567891\""),
                               QStringLiteral("Giacenza"))
                       .AsDouble(),
                   4);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Corriere"));
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

// Looking up again the unique key of the row shown is answered by that row
// (no other can hold it), exactly as a search: the same row, the same
// scroll events; a key that is not unique, or a part of one, is searched.
TEST_F(TableLocate, TheRowShownAnswersALookupOfItsOwnUniqueKey) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  const int position = stock->RecNo();
  int scrolls = 0;
  stock->BeforeScroll = [&](vcl::TDataSet *) { ++scrolls; };
  stock->AfterScroll = [&](vcl::TDataSet *) { ++scrolls; };
  EXPECT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  EXPECT_EQ(scrolls, 2);
  EXPECT_EQ(stock->RecNo(), position);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Bianchi"));
  // Another case is another key unless the search ignores case.
  EXPECT_FALSE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891 "), 0));
  // Not unique: the search finds the first row holding it, not this one.
  ASSERT_TRUE(stock->Locate(QStringLiteral("Testata"), QStringLiteral("Rossi Uno"), 0));
  stock->Last();
  const QString last = stock->FieldByName(QStringLiteral("Testata"))->AsString();
  EXPECT_TRUE(stock->Locate(QStringLiteral("Testata"), last, 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), last);
}

}  // namespace
}  // namespace dao::testing
