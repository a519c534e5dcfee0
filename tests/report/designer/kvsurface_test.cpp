// The design surface's mouse work without a window: selection by click,
// Shift-click and rubber band, moving with the grid, a band with what lies
// in it, resizing by the handles and as a group, the shared edge,
// inserting, and one undo step per drag.
#include "report/designer/kvsurface.h"

#include <gtest/gtest.h>

#include "tests/report/designer/window_fixture.h"

namespace report::testing {
namespace {

class FakeHost : public ISurfaceHost {
 public:
  explicit FakeHost(TkvDesignerModel &model) : model_(model) {}
  int ToolTag() const override { return tool; }
  bool KeepTool() const override { return keep; }
  void ResetTool() override { tool = -1; }
  int GridSize() const override { return grid; }
  bool GridAlign() const override { return align; }
  bool DesignerActive() const override { return active; }
  bool InvertOutlines() const override { return false; }
  int ChooseBandType() override { return band_type; }
  void SelectionChanged() override { ++selection_changes; }
  void Changed() override {
    ++commits;
    model_.CommitChange();
  }
  void Inserted(TkvView *view) override {
    inserted = view;
    Changed();
  }
  void Moving() override {}
  void Popup(const QPoint &) override { ++popups; }
  void EditSelected() override { ++edits; }
  void PressStarted() override {}
  void GroupScale(int x, int y) override { scale = QPoint(x, y); }

  int tool = -1;
  bool keep = false;
  int grid = 8;
  bool align = false;
  bool active = true;
  int band_type = btMasterData;
  int selection_changes = 0;
  int commits = 0;
  int popups = 0;
  int edits = 0;
  TkvView *inserted = nullptr;
  QPoint scale;

 private:
  TkvDesignerModel &model_;
};

class SurfaceTest : public DesignerTest {
 protected:
  void SetUp() override {
    DesignerTest::SetUp();
    model = std::make_unique<TkvDesignerModel>(report);
    host = std::make_unique<FakeHost>(*model);
    logic = std::make_unique<TkvSurfaceLogic>(*model, *host);
  }
  void Click(int x, int y, vcl::TShiftState shift = {}) {
    logic->MouseMove({}, x, y);
    logic->MouseDown(vcl::mbLeft, shift, x, y);
    logic->MouseUp(vcl::mbLeft, shift, x, y);
  }
  // A drag from one point to another in one move.
  void Drag(int x0, int y0, int x1, int y1, vcl::TShiftState shift = {}) {
    logic->MouseMove({}, x0, y0);
    logic->MouseDown(vcl::mbLeft, shift, x0, y0);
    logic->MouseMove(shift, x1, y1);
    logic->MouseUp(vcl::mbLeft, shift, x1, y1);
  }
  std::unique_ptr<TkvDesignerModel> model;
  std::unique_ptr<FakeHost> host;
  std::unique_ptr<TkvSurfaceLogic> logic;
};

TEST_F(SurfaceTest, ClickShiftClickAndRubberBandSelect) {
  TkvMemoView *a = Memo(10, 10, 50, 20);
  TkvMemoView *b = Memo(100, 10, 50, 20);
  TkvMemoView *c = Memo(10, 100, 50, 20);
  Click(20, 20);
  EXPECT_EQ(model->Selected(), std::vector<TkvView *>{a});
  Click(110, 15, vcl::TShiftState{vcl::ssShift});
  EXPECT_EQ(model->SelectedCount(), 2);
  Click(110, 15, vcl::TShiftState{vcl::ssShift});  // toggled off again
  EXPECT_EQ(model->Selected(), std::vector<TkvView *>{a});
  Click(400, 400);  // empty space
  EXPECT_EQ(model->SelectedCount(), 0);
  // A band from empty space over b, and touching a's and c's right edges.
  Drag(105, 5, 60, 130);
  EXPECT_EQ(model->Selected(), (std::vector<TkvView *>{a, b, c}));
  EXPECT_EQ(host->commits, 0);  // selecting changes no template
}

TEST_F(SurfaceTest, DragsMoveByWholeGridSteps) {
  TkvMemoView *m = Memo(100, 100, 50, 20);
  host->align = true;
  host->grid = 8;
  Click(120, 110);
  Drag(120, 110, 127, 110);
  EXPECT_EQ(m->x, 100);
  EXPECT_EQ(host->commits, 0);  // nothing moved, nothing to undo
  Drag(120, 110, 129, 110);
  EXPECT_EQ(m->x, 108);
  Drag(120, 110, 111, 110);
  EXPECT_EQ(m->x, 100);
  EXPECT_EQ(host->commits, 2);
  host->align = false;
  Drag(120, 110, 127, 113);
  EXPECT_EQ(m->x, 107);
  EXPECT_EQ(m->y, 103);
}

TEST_F(SurfaceTest, AMoveIsOneUndoStepTakenAtTheRelease) {
  TkvMemoView *m = Memo(100, 100, 50, 20);
  model->ClearUndo();
  Click(120, 110);
  logic->MouseDown(vcl::mbLeft, {}, 120, 110);
  for (int x = 121; x <= 140; ++x) logic->MouseMove({}, x, 110);
  EXPECT_EQ(model->SnapshotCount(), 1);  // nothing yet while the button is down
  logic->MouseUp(vcl::mbLeft, {}, 140, 110);
  EXPECT_EQ(m->x, 120);
  EXPECT_EQ(model->SnapshotCount(), 2);
  // No move over the surface is needed to take it, and a later move takes
  // nothing more.
  logic->MouseMove({}, 300, 300);
  EXPECT_EQ(model->SnapshotCount(), 2);
  ASSERT_TRUE(model->Undo());
  EXPECT_EQ(Page()->Views[0]->x, 100);
}

TEST_F(SurfaceTest, ABandCarriesItsObjectsUnlessAltIsHeld) {
  TkvBandView *band = Band(btMasterData, 100, 40);
  TkvMemoView *inside = Memo(10, 105, 50, 20);
  TkvMemoView *outside = Memo(10, 150, 50, 20);
  model->RegroupBands();
  Click(300, 120);  // on the band, away from the memos
  ASSERT_EQ(model->Selected(), std::vector<TkvView *>{band});
  Drag(300, 120, 300, 150);
  EXPECT_EQ(band->y, 130);
  EXPECT_EQ(inside->y, 135);
  EXPECT_EQ(outside->y, 150);
  model->SelectOnly(band);
  Drag(300, 150, 300, 170, vcl::TShiftState{vcl::ssAlt});
  EXPECT_EQ(band->y, 150);
  EXPECT_EQ(inside->y, 135);
}

TEST_F(SurfaceTest, AHandleDraggedPastTheOppositeCornerLeavesAPositiveSize) {
  TkvMemoView *m = Memo(100, 100, 50, 20);
  Click(120, 110);
  // The top-left handle, dragged 80 right and 40 down.
  Drag(100, 100, 180, 140);
  EXPECT_EQ(m->x, 150);
  EXPECT_EQ(m->y, 120);
  EXPECT_EQ(m->dx, 30);
  EXPECT_EQ(m->dy, 20);
  EXPECT_EQ(host->commits, 1);
  // The right edge's middle.
  Drag(180, 130, 200, 130);
  EXPECT_EQ(m->x, 150);
  EXPECT_EQ(m->dx, 50);
}

TEST_F(SurfaceTest, AGroupResizedByTheBoxCornerAndTheSharedEdge) {
  TkvMemoView *a = Memo(100, 50, 100, 20);
  TkvMemoView *b = Memo(200, 50, 100, 20);
  model->SelectAll();
  Drag(300, 70, 400, 80);
  EXPECT_EQ(a->x + a->dx, b->x);
  EXPECT_EQ(b->x + b->dx, 400);
  EXPECT_EQ(host->scale, QPoint(0, 0));
  EXPECT_EQ(host->commits, 1);
  // The edge the two share moves on its own: one wider, one narrower.
  const int edge = b->x;
  Drag(edge + 1, 60, edge + 21, 60);
  EXPECT_EQ(b->x, edge + 20);
  EXPECT_EQ(a->x + a->dx, edge + 20);
  EXPECT_EQ(b->x + b->dx, 400);
  // Never past the other object's far edge.
  Drag(b->x + 1, 60, 500, 60);
  EXPECT_EQ(b->x, edge + 20);
}

TEST_F(SurfaceTest, TheMemoToolInsertsAtTheClickOnTheGrid) {
  host->tool = gtMemo;
  Click(50, 50);
  ASSERT_NE(host->inserted, nullptr);
  EXPECT_EQ(QRect(host->inserted->x, host->inserted->y, host->inserted->dx, host->inserted->dy),
            QRect(50, 50, 120, 16));
  EXPECT_EQ(host->tool, -1);  // the select tool is back
  host->tool = gtMemo;
  host->keep = true;
  host->align = true;
  host->grid = 8;
  Click(50, 50);
  EXPECT_EQ(QRect(host->inserted->x, host->inserted->y, host->inserted->dx, host->inserted->dy),
            QRect(48, 48, 120, 16));
  EXPECT_EQ(host->tool, gtMemo);  // kept: the button was pressed with Shift
  // A band whose type the user does not choose is not inserted.
  host->tool = gtBand;
  host->band_type = -1;
  host->inserted = nullptr;
  Click(10, 300);
  EXPECT_EQ(host->inserted, nullptr);
}

TEST_F(SurfaceTest, AnInsertionThatMakesNothingStillGivesTheSelectToolBack) {
  // The band-type chooser cancelled: nothing inserted, the arrow is back
  // and the next click selects instead of asking again.
  TkvMemoView *m = Memo(100, 100, 50, 20);
  host->tool = gtBand;
  host->band_type = -1;
  Click(10, 300);
  EXPECT_EQ(host->inserted, nullptr);
  EXPECT_EQ(host->tool, -1);
  EXPECT_EQ(host->commits, 0);
  Click(120, 110);
  EXPECT_EQ(model->Selected(), std::vector<TkvView *>{m});
  // A tool chosen to stay stays, cancelled or not.
  host->tool = gtBand;
  host->keep = true;
  Click(10, 300);
  EXPECT_EQ(host->tool, gtBand);
  // Every band type already on the page: no chooser, nothing inserted, the
  // arrow back.
  host->keep = false;
  for (int type = 0; type < btNone; ++type) Band(type, 400 + type * 20, 10);
  host->band_type = btMasterData;
  Click(10, 300);
  EXPECT_EQ(host->inserted, nullptr);
  EXPECT_EQ(host->tool, -1);
}

TEST_F(SurfaceTest, DoubleClickEditsAndTheNextPressIsIgnored) {
  TkvMemoView *m = Memo(100, 100, 50, 20);
  Click(120, 110);
  logic->DoubleClick();
  EXPECT_EQ(host->edits, 1);
  logic->MouseDown(vcl::mbLeft, {}, 400, 400);  // the double click's own press
  EXPECT_EQ(model->Selected(), std::vector<TkvView *>{m});
  // The right button opens the pop-up menu on what it hit.
  logic->MouseDown(vcl::mbRight, {}, 400, 400);
  EXPECT_EQ(host->popups, 1);
  EXPECT_EQ(model->SelectedCount(), 0);
}

TEST_F(SurfaceTest, NothingHappensWhileTheDesignerIsInactive) {
  TkvMemoView *m = Memo(100, 100, 50, 20);
  host->active = false;
  Click(120, 110);
  EXPECT_FALSE(m->Selected);
}

TEST(RulerMarks, EveryFiveStepsANumberAtEveryOther) {
  const std::vector<TkvRulerMark> pixels = KvRulerMarks(60, kvUnitPixels);
  ASSERT_EQ(pixels.size(), 5u);  // 0, 15, 30, 45, 60
  EXPECT_TRUE(pixels[0].Number);
  EXPECT_FALSE(pixels[1].Number);
  EXPECT_EQ(pixels[2].Position, 30);
  EXPECT_EQ(pixels[2].Value, 3);  // tens of pixels
  const std::vector<TkvRulerMark> mm = KvRulerMarks(794, kvUnitMillimetres);
  EXPECT_EQ(mm[2].Position, 38);  // one centimetre
  EXPECT_EQ(mm[2].Value, 1);
  EXPECT_EQ(mm[42].Value, 21);  // the A4 width
  const std::vector<TkvRulerMark> inches = KvRulerMarks(200, kvUnitInches);
  EXPECT_EQ(inches[2].Position, 96);
  EXPECT_EQ(inches[2].Value, 1);
}

}  // namespace
}  // namespace report::testing
