// The road a shop's archive takes after it was brought from the old
// program: the connection component converts the Jet file as it connects,
// and the table component then opens every table, browses it, finds a row by
// its key, edits and posts it, and runs the stored queries the engine can
// translate. Shown on the sample Jet files, since none with the program's
// own tables can be written here.
#include "platform/jet/takeover.h"
#include "tests/dao/dao_fixture.h"
#include "tests/platform/jet/jetfile_fixture.h"

namespace dao::testing {
namespace {

// The table fixture's helpers, on a sample Jet file instead of the program's database.
class ConvertedArchive : public DaoDb {
 protected:
  void Connect(const QString &sample) {
    tables_.clear();
    jet_ = jet::testing::JetTestFile(sample);
    path_ = jet::testing::CopyJetTestFile(sample, dir_.path());
    database_ = std::make_unique<TVuDaoDatabase>();
    database_->SetDatabase(path_);
    database_->Open();
  }
  QString jet_;
};

TEST_F(ConvertedArchive, EveryTableBrowsesWholeAndFindsEditsAndPostsByKey) {
  Connect(QStringLiteral("nwind.mdb"));
  ASSERT_NE(database_->DaoDatabase()->TakenOver(), nullptr);
  EXPECT_TRUE(database_->TableNames().contains(QStringLiteral("Umsätze")));
  // Every table, browsed from the first row to the last.
  for (const QString &name : jet::testing::OracleTables(jet_)) {
    SCOPED_TRACE(name.toStdString());
    TVuDaoTable *t = Table(name);
    t->Open();
    int rows = 0;
    for (t->First(); !t->Eof(); t->Next()) ++rows;
    EXPECT_EQ(rows, static_cast<int>(jet::testing::OracleRows(jet_, name).size()) - 1);
    t->Close();
  }

  // By a number key: edit a price and post it.
  TVuDaoTable *products = Table(QStringLiteral("Products"));
  products->Open();
  ASSERT_TRUE(products->Locate(QStringLiteral("ProductID"), 17, 0));
  EXPECT_EQ(products->FieldByName(QStringLiteral("ProductName"))->AsString(), QStringLiteral("Alice Mutton"));
  products->Edit();
  products->FieldByName(QStringLiteral("UnitPrice"))->SetAsFloat(40.5);
  products->FieldByName(QStringLiteral("Discontinued"))->SetAsBoolean(false);
  products->Post();
  EXPECT_DOUBLE_EQ(
      EngineValue(QStringLiteral("SELECT UnitPrice FROM Products WHERE ProductID = 17"), QStringLiteral("UnitPrice"))
          .AsDouble(),
      40.5);
  EXPECT_FALSE(EngineValue(QStringLiteral("SELECT Discontinued FROM Products WHERE ProductID = 17"),
                           QStringLiteral("Discontinued"))
                   .AsBoolean());

  // By a text key: an accented name gets the euro sign.
  TVuDaoTable *customers = Table(QStringLiteral("Customers"), 1);
  customers->Open();
  ASSERT_TRUE(customers->Locate(QStringLiteral("CustomerID"), QStringLiteral("BERGS"), 0));
  EXPECT_EQ(customers->FieldByName(QStringLiteral("CompanyName"))->AsString(), QStringLiteral("Berglunds snabbköp"));
  customers->Edit();
  customers->FieldByName(QStringLiteral("CompanyName"))->SetAsString(QStringLiteral("Berglunds snabbköp €"));
  customers->Post();
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT CompanyName FROM Customers WHERE CustomerID = 'BERGS'"),
                        QStringLiteral("CompanyName"))
                .AsString(),
            QStringLiteral("Berglunds snabbköp €"));

  // By a key of two columns, in the table whose name is not plain ASCII.
  TVuDaoTable *details = Table(QStringLiteral("Order Details"));
  details->Open();
  ASSERT_TRUE(details->Locate(QStringLiteral("OrderID;ProductID"), rtl::VarArrayOf({10248, 42}), 0));
  EXPECT_DOUBLE_EQ(details->FieldByName(QStringLiteral("UnitPrice"))->AsFloat(), 9.8);
  TVuDaoTable *sales = Table(QStringLiteral("Umsätze"));
  sales->Open();
  ASSERT_TRUE(sales->Locate(QStringLiteral("OrderID"), 10330, 0));
  EXPECT_EQ(sales->FieldByName(QStringLiteral("ShipName"))->AsString(), QStringLiteral("LILA-Supermercado"));
  sales->Edit();
  sales->FieldByName(QStringLiteral("ShippedDate"))->SetAsDateTime(rtl::EncodeDate(2005, 3, 1));
  sales->Post();
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT ShippedDate FROM [Umsätze] WHERE OrderID = 10330"),
                        QStringLiteral("ShippedDate"))
                .AsDouble(),
            rtl::EncodeDate(2005, 3, 1));

  // A counter goes on from the highest number the file held.
  TVuDaoTable *shippers = Table(QStringLiteral("Shippers"));
  shippers->Open();
  shippers->Append();
  shippers->FieldByName(QStringLiteral("CompanyName"))->SetAsString(QStringLiteral("Corriere Espresso"));
  shippers->Post();
  EXPECT_EQ(shippers->FieldByName(QStringLiteral("ShipperID"))->AsInteger(), 4);
}

TEST_F(ConvertedArchive, StoredQueriesRunThroughTheTableComponent) {
  Connect(QStringLiteral("nwind.mdb"));
  TVuDaoTable *top = Query(QStringLiteral("Ten Most Expensive Products"), {}, 4);
  top->Open();
  EXPECT_EQ(top->RecordCount(), 10);
  EXPECT_EQ(top->FieldByName(QStringLiteral("TenMostExpensiveProducts"))->AsString(), QStringLiteral("Côte de Blaye"));
  // Parameters given as text, read in the locale of the moment.
  TVuDaoTable *by_country = Query(QStringLiteral("Employee Sales by Country"), {"01/01/1995", "31/12/1995"}, 4);
  by_country->Open();
  EXPECT_GT(by_country->RecordCount(), 0);
  for (by_country->First(); !by_country->Eof(); by_country->Next()) {
    const rtl::TDateTime shipped = by_country->FieldByName(QStringLiteral("ShippedDate"))->AsDateTime();
    EXPECT_GE(shipped, rtl::EncodeDate(1995, 1, 1));
    EXPECT_LE(shipped, rtl::EncodeDate(1995, 12, 31));
  }
  // The one the engine cannot run is listed, and says so when opened.
  EXPECT_TRUE(database_->QueryDefNames().contains(QStringLiteral("Quarterly Orders by Product")));
  TVuDaoTable *crosstab = Query(QStringLiteral("Quarterly Orders by Product"), {}, 4);
  EXPECT_THROW(crosstab->Open(), rtl::Exception);
}

TEST_F(ConvertedArchive, DatesKeepTheirDayCountsThroughTheComponents) {
  Connect(QStringLiteral("DateTestDatabase.mdb"));
  TVuDaoTable *dates = Table(QStringLiteral("DateTest"));
  dates->Open();
  ASSERT_TRUE(dates->Locate(QStringLiteral("IDCol"), 3, 0));
  EXPECT_EQ(dates->FieldByName(QStringLiteral("DateTimeCol"))->AsDateTime(), rtl::EncodeDate(1898, 1, 1));
  EXPECT_EQ(dates->FieldByName(QStringLiteral("LongTextCol"))->AsString(), QStringLiteral("Pre-1900 years"));
  dates->Edit();
  dates->FieldByName(QStringLiteral("ShortTextCol"))->SetAsString(QStringLiteral("Prima del 1900"));
  dates->Post();
  EXPECT_EQ(
      EngineValue(QStringLiteral("SELECT ShortTextCol FROM DateTest WHERE IDCol = 3"), QStringLiteral("ShortTextCol"))
          .AsString(),
      QStringLiteral("Prima del 1900"));
}

}  // namespace
}  // namespace dao::testing
