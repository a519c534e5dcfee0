// Pictures and memos that print a blob field of the program's own table: a
// picture naming a picture field shows each row's picture, a memo naming a
// memo field prints the field's lines as they stand.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/vcl/graphics.h"
#include "platform/vcl/metafile.h"
#include "tests/report/engine/prepare/stock_report.h"

namespace {

using namespace report;

class FieldBinding : public report::testing::StockReport {
 protected:
  void SetUp() override {
    StockReport::SetUp();
    // The stock table with a picture and a note column, filled on its first
    // row (by code) only.
    auto db = database_->DaoDatabase();
    auto def = db->TableDefs().Ptr(QStringLiteral("Giacenza"));
    def->AppendField(def->CreateField(QStringLiteral("Foto"), jet::dbLongBinary));
    def->AppendField(def->CreateField(QStringLiteral("Note"), jet::dbMemo));
    database_->RefreshDefinitions();
    dao::TVuDaoTable *edit = Table(QStringLiteral("Giacenza"));
    edit->SetSortedBy({"[Barcode18] ASC"});
    edit->Open();
    edit->First();
    edit->Edit();
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    vcl::TBitmap bitmap;
    bitmap.SetImage(red);
    static_cast<vcl::TBlobField *>(edit->FieldByName(QStringLiteral("Foto")))->SetAsBytes(bitmap.SaveToBytes());
    edit->FieldByName(QStringLiteral("Note"))->SetAsString(QStringLiteral("Prima riga\r\nSeconda [riga]"));
    edit->Post();
    edit->Close();

    MakeReport({"[Barcode18] ASC"});
    // Rows of 60 pixels: the picture stretched into 40 x 40 at the left, the
    // note beside it.
    page->AddBand(btMasterData, 100, 60)->FormatStr = "Righe";
    auto *picture = page->Add<TkvPictureView>(40, 100, 40, 40);
    picture->Flags = flStretched;
    SetMemoText(picture, "[Foto]");
    SetMemoText(page->Add<TkvMemoView>(100, 100, 300, 50), "[Note]");
  }
  // The colour of the finished page's pixel at the middle of row `row`'s
  // picture.
  QColor PictureColour(const QImage &image, int row) const {
    const TkvPageLimits l = page->Limits();
    return image.pixelColor(60 - 38 + l.Left, l.Top + row * 60 + 20);
  }
};

TEST_F(FieldBinding, PictureAndMemoFieldsPrintEachRowsValue) {
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *finished = report->EMFPages().Page(0);
  // The note's lines as stored: its brackets are text, not names.
  EXPECT_EQ(finished->Texts(), QStringList({"Prima riga", "Seconda [riga]"}));

  const QImage image = finished->Picture->ToImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(PictureColour(image, 0), QColor(255, 0, 0));
  // The next rows have no picture: nothing of the first one shows there,
  // the page is as bare as beside the rows.
  const QColor bare = image.pixelColor(5, page->Limits().Top + 80);
  EXPECT_EQ(PictureColour(image, 1), bare);
  EXPECT_EQ(PictureColour(image, 2), bare);
}

TEST_F(FieldBinding, DataOfNoKnownPictureFormatIsAPreparationError) {
  dao::TVuDaoTable *edit = Table(QStringLiteral("Giacenza"));
  edit->SetSortedBy({"[Barcode18] ASC"});
  edit->Open();
  edit->First();
  edit->Edit();
  static_cast<vcl::TBlobField *>(edit->FieldByName(QStringLiteral("Foto")))->SetAsBytes("non un'immagine");
  edit->Post();
  edit->Close();
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_TRUE(report->ErrorText().contains(QStringLiteral("Formato immagine sconosciuto.")))
      << report->ErrorText().toStdString();
}

}  // namespace
