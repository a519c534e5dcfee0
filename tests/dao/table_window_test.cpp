// The table behind a window of several buffers, as a grid shows it: moving,
// editing and deleting keep every buffered row on its own engine row.
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

class GridLink : public vcl::TDataLink {
 public:
  // The codes of the rows the link's window shows.
  QStringList Rows() {
    QStringList out;
    const int saved = ActiveRecord();
    for (int i = 0; i < RecordCount(); ++i) {
      SetActiveRecord(i);
      out << DataSet()->FieldByName(QStringLiteral("Barcode18"))->AsString();
    }
    SetActiveRecord(saved);
    return out;
  }
};

using TableWindow = DaoDb;

TEST_F(TableWindow, AWindowOfBuffersFollowsMovesEditsAndDeletes) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  vcl::TDataSource source;
  source.SetDataSet(stock);
  GridLink link;
  link.SetBufferCount(3);
  link.SetDataSource(&source);
  stock->Open();
  EXPECT_EQ(link.Rows(), QStringList({"8001234567890", "977112233445501234", "9771234567890"}));
  stock->MoveBy(3);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567891"));
  EXPECT_EQ(stock->RecNo(), 4);
  stock->Last();
  EXPECT_EQ(link.Rows(), QStringList({"9771234567890", "9771234567891", "977556677889900000"}));
  stock->Prior();
  stock->Prior();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));

  // Editing the row in the middle writes to that row only.
  stock->Edit();
  stock->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Rossi Due"));
  stock->Post();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9771234567890\""),
                        QStringLiteral("Testata"))
                .AsString(),
            QStringLiteral("Rossi Due"));
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9771234567891\""),
                        QStringLiteral("Testata"))
                .AsString(),
            QStringLiteral("Bianchi"));

  stock->Delete();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567891"));
  stock->First();
  QStringList all;
  while (!stock->Eof()) {
    all << stock->FieldByName(QStringLiteral("Barcode18"))->AsString();
    stock->Next();
  }
  EXPECT_EQ(all, QStringList({"8001234567890", "977112233445501234", "9771234567891", "977556677889900000"}));
  // Eof leaves the last row current; one step back is the row before it.
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("977556677889900000"));
  stock->Prior();
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567891"));
  link.SetDataSource(nullptr);
}

TEST_F(TableWindow, BookmarksComeBackToTheirRows) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  stock->MoveBy(2);
  const vcl::TBookmark mark = stock->GetBookmark();
  EXPECT_EQ(mark.size(), 4);
  EXPECT_TRUE(stock->BookmarkValid(mark));
  stock->Last();
  stock->GotoBookmark(mark);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));
  EXPECT_EQ(stock->RecNo(), 3);
  EXPECT_FALSE(stock->BookmarkValid(QByteArray("\x7f\x7f\x7f\x7f", 4)));
  EXPECT_EQ(MessageOf([&] { stock->GotoBookmark(QByteArray("\x7f\x7f\x7f\x7f", 4)); }),
            QStringLiteral("Invalid Bookmark!"));
}

}  // namespace
}  // namespace dao::testing
