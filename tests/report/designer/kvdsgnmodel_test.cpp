// The designer's work on a template without a window: pages and the
// sub-reports that show them, the selection box and the nearest object,
// group resizing, z-order, formatting, inspector values, the undo history,
// the clipboard and the reopen list.
#include "report/designer/kvdsgnmodel.h"

#include <gtest/gtest.h>

#include "report/designer/kvdsgncmds.h"
#include "tests/report/designer/window_fixture.h"

namespace report::testing {
namespace {

class ModelTest : public DesignerTest {
 protected:
  void SetUp() override {
    DesignerTest::SetUp();
    model = std::make_unique<TkvDesignerModel>(report);
    model->OnNotice = [this](const QString &text) { notices << text; };
  }
  std::unique_ptr<TkvDesignerModel> model;
  QStringList notices;
};

TEST_F(ModelTest, RemovingTheOnlyPageEmptiesIt) {
  Memo(10, 10, 50, 20);
  model->RemovePage();
  EXPECT_EQ(model->PageCount(), 1);
  EXPECT_TRUE(Page()->Views.empty());
}

TEST_F(ModelTest, SubReportsFollowTheirPagesWhenPagesGoOrMove) {
  report->Pages().AddPage();
  report->Pages().AddPage();
  auto *to_third = Page(0)->Add<TkvSubReportView>(10, 10, 100, 40);
  to_third->PageIndex = 2;
  auto *to_second = Page(0)->Add<TkvSubReportView>(10, 60, 100, 40);
  to_second->PageIndex = 1;
  model->SetPageIndex(1);
  model->RemovePage();
  // The page shown by to_second is gone, and so is that sub-report; the
  // third page is now the second.
  ASSERT_EQ(model->PageCount(), 2);
  ASSERT_EQ(Page(0)->Views.size(), 1u);
  EXPECT_EQ(Page(0)->Views[0].get(), to_third);
  EXPECT_EQ(to_third->PageIndex, 1);
  EXPECT_EQ(model->PageIndex(), 0);

  Memo(5, 5, 10, 10, 1);
  model->ReorderPages({1, 0});
  EXPECT_EQ(Page(0)->Views.size(), 1u);  // the memo's page came first
  EXPECT_EQ(to_third->PageIndex, 0);
  EXPECT_EQ(model->PageIndex(), 1);  // the page shown moved with its objects
  model->ReorderPages({0, 0});       // not an order: nothing changes
  EXPECT_EQ(to_third->PageIndex, 0);
}

TEST_F(ModelTest, AtemplateHoldsAtMost256Pages) {
  while (model->PageCount() < kvMaxPages) ASSERT_TRUE(model->AddPage());
  EXPECT_FALSE(model->AddPage());
  EXPECT_EQ(model->PageCount(), kvMaxPages);
  ASSERT_EQ(notices.size(), 1);
  // A sub-report would need a page of its own.
  EXPECT_EQ(model->Insert(gtSubReport, QPoint(10, 10), QPoint(10, 10)), nullptr);
  EXPECT_EQ(notices.size(), 2);
  EXPECT_EQ(model->PageCount(), kvMaxPages);
}

TEST_F(ModelTest, TheNearestObjectInADirection) {
  TkvMemoView *s = Memo(100, 100, 50, 20);
  TkvMemoView *far_right = Memo(400, 100, 50, 20);
  TkvMemoView *near_right = Memo(200, 100, 50, 20);
  TkvMemoView *below = Memo(100, 200, 50, 20);
  Band(btMasterData, 300, 40);
  model->SelectOnly(s);
  EXPECT_EQ(model->Nearest(TkvDirection::Right), near_right);
  EXPECT_EQ(model->Nearest(TkvDirection::Down), below);
  EXPECT_EQ(model->Nearest(TkvDirection::Left), nullptr);
  EXPECT_EQ(model->Nearest(TkvDirection::Up), nullptr);
  // An object lower and to the right counts as below when it is nearer.
  near_right->y = 105;
  EXPECT_EQ(model->Nearest(TkvDirection::Down), near_right);
  model->SelectOnly(far_right);
  // Nothing to its right: no change of selection to make. The objects to
  // its left are never taken for being to its right.
  EXPECT_EQ(model->Nearest(TkvDirection::Right), nullptr);
  EXPECT_EQ(model->Nearest(TkvDirection::Left), near_right);
}

TEST_F(ModelTest, AGroupResizedKeepsSharedEdgesAndNeverDividesByZero) {
  TkvMemoView *a = Memo(100, 50, 100, 20);
  TkvMemoView *b = Memo(200, 50, 100, 20);
  model->SelectAll();
  const TkvSelectionBox box = model->Box();
  EXPECT_EQ(box.Left, 100);
  EXPECT_EQ(box.Right, 300);
  EXPECT_EQ(box.Reference, b);
  model->ResizeGroup(box, 300, 30);  // 150 %
  EXPECT_EQ(a->x, 100);
  EXPECT_EQ(a->x + a->dx, b->x);  // still touching
  EXPECT_EQ(b->x + b->dx, 400);
  EXPECT_EQ(a->dy, 30);

  // A group of no width (two vertical lines one above the other).
  a->x = b->x = 50;
  a->dx = b->dx = 0;
  b->y = 80;
  const TkvSelectionBox line = model->Box();
  ASSERT_EQ(line.Width(), 0);
  model->ResizeGroup(line, 40, line.Height() * 2);
  EXPECT_EQ(a->dx, 0);
  EXPECT_EQ(b->x, 50);
  EXPECT_GE(a->dy, 0);
  // A box dragged to a negative size gives no negative sizes.
  model->ResizeGroup(model->Box(), -50, -50);
  EXPECT_GE(a->dx, 0);
  EXPECT_GE(a->dy, 0);
  EXPECT_GE(b->dy, 0);
}

TEST_F(ModelTest, ZOrderKeepsBandsFirst) {
  TkvBandView *data = Band(btMasterData, 100, 20);
  TkvMemoView *m1 = Memo(10, 100, 50, 20);
  TkvMemoView *m2 = Memo(70, 100, 50, 20);
  TkvBandView *table = Band(btTableData, 0, 0);
  TkvBandView *overlay = Band(btOverlay, 0, 50);
  model->SetSelected(m1, true);
  model->BringToFront();
  std::vector<TkvView *> order = model->Views();
  EXPECT_EQ(order, (std::vector<TkvView *>{overlay, data, table, m2, m1}));
  model->SendToBack();
  order = model->Views();
  EXPECT_EQ(order, (std::vector<TkvView *>{overlay, data, table, m1, m2}));
}

TEST_F(ModelTest, FontFormattingTouchesOnlyMemosAndBandsKeepTheirFrame) {
  TkvMemoView *memo = Memo(10, 10, 50, 20);
  auto *picture = Page()->Add<TkvPictureView>(10, 40, 50, 50);
  TkvBandView *band = Band(btPageHeader, 0, 100);
  band->FrameTyp = std::uint16_t(btPageHeader);
  model->SelectAll();
  TkvFormatValue on;
  on.On = true;
  model->ApplyFormat(9, on);   // bold
  model->ApplyFormat(20, on);  // all frame lines
  EXPECT_TRUE(memo->Font.Style().Contains(vcl::fsBold));
  EXPECT_EQ(memo->FrameTyp & frAll, frAll);
  EXPECT_EQ(picture->FrameTyp & frAll, frAll);
  EXPECT_EQ(band->GetBandType(), btPageHeader);  // a band's frame bits are its type
  TkvFormatValue size;
  size.Number = 14;
  model->ApplyFormat(8, size);
  EXPECT_EQ(memo->Font.Size(), 14);
  TkvFormatValue vertical;
  vertical.Number = 2;
  model->ApplyFormat(15, vertical);
  EXPECT_EQ(memo->GetVertAlignment(), 2);
  model->ApplyFormat(22, on);
  EXPECT_EQ(memo->GetHorzAlignment(), adJustify);
}

TEST_F(ModelTest, TheSelectionWord) {
  TkvMemoView *memo = Memo(10, 10, 50, 20);
  TkvBandView *band = Band(btMasterData, 100, 20);
  EXPECT_EQ(model->SelectionWord(), 0);
  model->SelectOnly(band);
  EXPECT_EQ(model->SelectionWord(), kvSelBand);
  model->SelectOnly(memo);
  EXPECT_EQ(model->SelectionWord(), kvSelMemo);
  model->Copy();
  EXPECT_EQ(model->SelectionWord(), kvSelMemo | kvSelClipboard);
  model->SelectAll();
  EXPECT_EQ(model->SelectionWord(), kvSelMany | kvSelClipboard);
}

TEST_F(ModelTest, InspectorValuesInTheUnitAndRefusals) {
  TkvMemoView *memo = Memo(50, 100, 120, 16);
  model->SelectOnly(memo);
  model->SetUnit(kvUnitMillimetres);
  EXPECT_EQ(model->RowValue(TkvDesignerModel::rowX), QStringLiteral("13,22"));
  EXPECT_EQ(model->RowValue(TkvDesignerModel::rowVisible), QStringLiteral("Vero"));
  QString shown;
  EXPECT_TRUE(model->ApplyRow(TkvDesignerModel::rowX, QStringLiteral("26,45"), shown));
  EXPECT_EQ(memo->x, 100);
  EXPECT_EQ(shown, QStringLiteral("26,45"));
  EXPECT_TRUE(model->ApplyRow(TkvDesignerModel::rowY, QStringLiteral("10.5"), shown));  // a point is read too
  EXPECT_EQ(memo->y, 40);

  EXPECT_FALSE(model->ApplyRow(TkvDesignerModel::rowWidth, QStringLiteral("abc"), shown));
  EXPECT_EQ(notices, QStringList{QString::fromUtf8("Il valore inserito non è valido.")});
  EXPECT_EQ(memo->dx, 120);
  EXPECT_EQ(shown, model->RowValue(TkvDesignerModel::rowWidth));
  EXPECT_FALSE(model->ApplyRow(TkvDesignerModel::rowHeight, QStringLiteral("-3"), shown));
  EXPECT_EQ(memo->dy, 16);

  EXPECT_TRUE(model->ApplyRow(TkvDesignerModel::rowVisible, QStringLiteral("fALSO"), shown));
  EXPECT_FALSE(memo->Visible);
  EXPECT_EQ(shown, QStringLiteral("Falso"));
  EXPECT_FALSE(model->ApplyRow(TkvDesignerModel::rowVisible, QStringLiteral("forse"), shown));
  EXPECT_EQ(notices.size(), 3);

  model->SetUnit(kvUnitPixels);
  EXPECT_TRUE(model->ApplyRow(TkvDesignerModel::rowName, QStringLiteral("Titolo"), shown));
  EXPECT_EQ(memo->Name, QStringLiteral("Titolo"));
  EXPECT_EQ(model->RowValue(TkvDesignerModel::rowX), QStringLiteral("100"));
}

TEST_F(ModelTest, AClickInsertsAMemoOfTheDefaultSize) {
  model->NewMemoFontName = QStringLiteral("Arial");
  model->NewMemoFontSize = 12;
  Memo(0, 0, 10, 10)->Selected = true;
  TkvView *v = model->Insert(gtMemo, QPoint(50, 50), QPoint(50, 50));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(QRect(v->x, v->y, v->dx, v->dy), QRect(50, 50, 120, 16));
  EXPECT_EQ(model->SingleSelected(), v);
  EXPECT_EQ(v->FrameTyp & frAll, frAll);
  EXPECT_EQ(v->FrameWidth, 1);
  EXPECT_EQ(static_cast<TkvMemoView *>(v)->Font.Size(), 12);
  TkvView *picture = model->Insert(gtPicture, QPoint(10, 10), QPoint(10, 10));
  EXPECT_EQ(picture->dy, 48);
  TkvView *drawn = model->Insert(gtMemo, QPoint(90, 70), QPoint(20, 40));
  EXPECT_EQ(QRect(drawn->x, drawn->y, drawn->dx, drawn->dy), QRect(20, 40, 70, 30));
  TkvView *band = model->Insert(gtBand, QPoint(0, 200), QPoint(0, 200), btPageFooter);
  EXPECT_EQ(static_cast<TkvBandView *>(band)->GetBandType(), btPageFooter);
  EXPECT_EQ(model->Views().front(), band);  // bands first
  TkvView *sub = model->Insert(gtSubReport, QPoint(0, 300), QPoint(0, 300));
  EXPECT_EQ(model->PageCount(), 2);
  EXPECT_EQ(static_cast<TkvSubReportView *>(sub)->PageIndex, 1);
}

TEST_F(ModelTest, UndoAndRedoWalkTheSnapshots) {
  TkvMemoView *memo = Memo(10, 10, 50, 20);
  model->ClearUndo();
  EXPECT_FALSE(model->Modified());
  for (int x : {20, 30, 40}) {
    Page()->Views[0]->x = x;
    model->CommitChange();
  }
  EXPECT_TRUE(model->Undo());
  EXPECT_TRUE(model->Undo());
  EXPECT_EQ(Page()->Views[0]->x, 20);
  EXPECT_TRUE(model->CanRedo());
  Page()->Views[0]->x = 99;
  model->CommitChange();
  // Snapshot 0, the first change and the new one: nothing to redo.
  EXPECT_EQ(model->SnapshotCount(), 3);
  EXPECT_FALSE(model->CanRedo());
  EXPECT_TRUE(model->Undo());
  EXPECT_TRUE(model->Undo());
  EXPECT_FALSE(model->CanUndo());
  EXPECT_FALSE(model->Modified());
  EXPECT_EQ(Page()->Views[0]->x, 10);
  EXPECT_TRUE(model->Redo());
  EXPECT_EQ(Page()->Views[0]->x, 20);
  model->RestoreOpened();
  EXPECT_EQ(Page()->Views[0]->x, 10);
  (void)memo;
}

TEST_F(ModelTest, ADataBandPastedTwiceGetsTwoRecordSources) {
  auto *source = new TkvDataset(&owner);
  source->SetName(QStringLiteral("Righe"));
  source->SetRangeEnd(reCount);
  source->SetRangeEndCount(7);
  TkvBandView *band = Band(btMasterData, 100, 20);
  band->FormatStr = QStringLiteral("Righe");
  Memo(10, 100, 50, 20);
  Band(btPageHeader, 0, 40);
  model->SelectAll();
  model->Copy();
  ASSERT_TRUE(model->Paste());
  ASSERT_TRUE(model->Paste());
  std::vector<TkvBandView *> data;
  int headers = 0;
  for (TkvView *v : model->Views()) {
    auto *b = dynamic_cast<TkvBandView *>(v);
    if (b == nullptr) continue;
    if (b->GetBandType() == btMasterData) data.push_back(b);
    if (b->GetBandType() == btPageHeader) ++headers;
  }
  // The page header may be on a page once; data bands repeat.
  EXPECT_EQ(headers, 1);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data[0]->FormatStr, QStringLiteral("Righe"));
  EXPECT_NE(data[1]->FormatStr, data[2]->FormatStr);
  for (int i : {1, 2}) {
    EXPECT_EQ(data[size_t(i)]->FormatStr,
              QStringLiteral("Elenco_") + data[size_t(i)]->Name + QStringLiteral("_DataSet"));
    TkvDataset *copy = report->FindDataset(data[size_t(i)]->FormatStr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->RangeEnd(), reCount);
    EXPECT_EQ(copy->RangeEndCount(), 7);
  }
  // Pasted objects are moved to the top left corner and selected.
  EXPECT_EQ(model->SelectedCount(), 2);
}

TEST_F(ModelTest, CutRemovesAndPasteBringsBack) {
  TkvMemoView *memo = Memo(40, 60, 50, 20);
  const QString name = memo->Name;
  model->SelectOnly(memo);
  model->Cut();
  EXPECT_TRUE(model->Views().empty());
  ASSERT_TRUE(model->Paste(37));
  ASSERT_EQ(model->Views().size(), 1u);
  TkvView *back = model->Views().front();
  EXPECT_EQ(back->Name, name);  // its name is free again
  EXPECT_EQ(back->x, 0);
  EXPECT_EQ(back->y, 36);  // the visible top, cut down to 4 pixels
}

TEST(ReopenList, KeepsTheLastFiveNewestFirst) {
  TkvReopenList list;
  for (int i = 1; i <= 6; ++i) list.Add(QStringLiteral("/dati/R%1.kvf").arg(i));
  EXPECT_EQ(list.Names(),
            (QStringList{QStringLiteral("/dati/R6.kvf"), QStringLiteral("/dati/R5.kvf"), QStringLiteral("/dati/R4.kvf"),
                         QStringLiteral("/dati/R3.kvf"), QStringLiteral("/dati/R2.kvf")}));
  list.Add(QStringLiteral("/DATI/r4.KVF"));  // already listed: the order stays
  EXPECT_EQ(list.Names().front(), QStringLiteral("/dati/R6.kvf"));
  EXPECT_EQ(list.Names().size(), 5);
}

}  // namespace
}  // namespace report::testing
