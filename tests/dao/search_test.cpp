// The search bar over the stock table: typing moves the table, the column
// list follows the kind of recordset, and the bar never raises.
#include <QLineEdit>
#include <QTest>

#include "dao/vudaosearch.h"
#include "platform/vcl/forms.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

class DaoSearch : public DaoDb {
 protected:
  QString Title(TVuDaoTable *t) { return t->FieldByName(QStringLiteral("Testata"))->AsString(); }
};

TEST_F(DaoSearch, TypingMovesTheTableToTheFirstMatch) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  vcl::TDataSource source;
  source.SetDataSet(stock);
  vcl::TForm form(nullptr);
  auto *bar = new TVuDaoSearch(&form);
  bar->SetParent(&form);
  bar->SetIncrementalSearch(true);
  bar->SetDataSource(&source);
  EXPECT_FALSE(bar->Enabled());
  stock->Open();
  ASSERT_TRUE(bar->Enabled());
  EXPECT_FALSE(bar->SearchesByIndex());
  ASSERT_GT(bar->ColumnBox()->Items()->Count(), 3);
  EXPECT_EQ(bar->ColumnBox()->Text(), QStringLiteral("Barcode18"));
  bar->ColumnBox()->SetItemIndex(bar->ColumnBox()->Items()->IndexOf(QStringLiteral("Testata")));

  form.Show();
  bar->ValueEdit()->SetFocus();
  QTest::keyClicks(bar->ValueEdit()->Handle(), QStringLiteral("to"));
  EXPECT_EQ(Title(stock), QStringLiteral("Topolino"));
  QTest::keyClick(bar->ValueEdit()->Handle(), Qt::Key_Backspace);
  QTest::keyClicks(bar->ValueEdit()->Handle(), QStringLiteral("x"));
  // "tx" matches nothing: the table stays where it was.
  EXPECT_EQ(Title(stock), QStringLiteral("Topolino"));
  // An exact match wins over a longer one sharing its start.
  bar->ValueEdit()->SetText(QStringLiteral("bianchi"));
  EXPECT_EQ(Title(stock), QStringLiteral("Bianchi"));

  // A value the column cannot hold is no match and no error.
  bar->ColumnBox()->SetItemIndex(bar->ColumnBox()->Items()->IndexOf(QStringLiteral("Giacenza")));
  EXPECT_NO_THROW(bar->ValueEdit()->SetText(QStringLiteral("abc")));
  EXPECT_EQ(Title(stock), QStringLiteral("Bianchi"));

  stock->Close();
  EXPECT_FALSE(bar->Enabled());
}

TEST_F(DaoSearch, WithoutIncrementalSearchOnlyTheButtonOrEnterSearches) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  vcl::TDataSource source;
  source.SetDataSet(stock);
  vcl::TForm form(nullptr);
  auto *bar = new TVuDaoSearch(&form);
  bar->SetParent(&form);
  bar->SetDataSource(&source);
  bar->ColumnBox()->SetItemIndex(bar->ColumnBox()->Items()->IndexOf(QStringLiteral("Testata")));
  form.Show();
  bar->ValueEdit()->SetFocus();
  QTest::keyClicks(bar->ValueEdit()->Handle(), QStringLiteral("ross"));
  EXPECT_EQ(Title(stock), QStringLiteral("Corriere"));
  QTest::keyClick(bar->ValueEdit()->Handle(), Qt::Key_Return);
  EXPECT_EQ(Title(stock), QStringLiteral("Rossi Uno"));
}

TEST_F(DaoSearch, TableRecordsetsOfferTheirIndexFieldsOrDisableTheBar) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"), 1);
  stock->Open();
  QString by_code;
  for (int i = 0; i < stock->IndexDefs().Count(); ++i)
    if (stock->IndexDefs()[i]->Fields().startsWith(QStringLiteral("Barcode18")))
      by_code = stock->IndexDefs()[i]->Name();
  ASSERT_FALSE(by_code.isEmpty());
  stock->SetIndexName(by_code);
  vcl::TDataSource source;
  source.SetDataSet(stock);
  TVuDaoSearch bar(nullptr);
  bar.SetDataSource(&source);
  ASSERT_TRUE(bar.Enabled());
  EXPECT_TRUE(bar.SearchesByIndex());
  QStringList columns;
  for (int i = 0; i < bar.ColumnBox()->Items()->Count(); ++i) columns << bar.ColumnBox()->Items()->Get(i);
  QStringList index_fields;
  for (int i = 0; i < stock->IndexFieldCount(); ++i) index_fields << stock->IndexField(i)->FieldName();
  EXPECT_EQ(columns, index_fields);
  bar.ValueEdit()->SetText(QStringLiteral("97712345678"));
  bar.Search();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString().left(11), QStringLiteral("97712345678"));
  EXPECT_TRUE(stock->AutoFindIndex());

  // A table without indexes has nothing to seek on.
  database_->DaoDatabase()->Execute(QStringLiteral("CREATE TABLE Nuda (Nome TEXT(10))"));
  TVuDaoTable *bare = Table(QStringLiteral("Nuda"), 1);
  bare->Open();
  vcl::TDataSource bare_source;
  bare_source.SetDataSet(bare);
  bar.SetDataSource(&bare_source);
  EXPECT_FALSE(bar.Enabled());
  EXPECT_EQ(bar.ColumnBox()->Items()->Count(), 0);
}

TEST_F(DaoSearch, FreeingTheDataSourceUnlinksTheBar) {
  TVuDaoSearch bar(nullptr);
  {
    vcl::TDataSource source;
    bar.SetDataSource(&source);
    EXPECT_EQ(bar.DataSource(), &source);
  }
  EXPECT_EQ(bar.DataSource(), nullptr);
  EXPECT_FALSE(bar.Enabled());
  bar.Search();
}

}  // namespace
}  // namespace dao::testing
