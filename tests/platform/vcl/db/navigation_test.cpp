// Navigation over the buffer window: what links see while scrolling,
// centred resynchronisation, filters in both directions, record numbers,
// bookmarks, locating and silenced controls.
#include <gtest/gtest.h>

#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;
using namespace testdb;

namespace {

int Id(TDataSet &ds) { return ds.FieldByName("ID")->AsInteger(); }

// ID shown on the link's row `row`, read by moving the active record there
// for a moment as a grid painting rows does.
int IdOnRow(TDataLink &link, TDataSet &ds, int row) {
  const int saved = link.ActiveRecord();
  link.SetActiveRecord(row);
  const int id = Id(ds);
  link.SetActiveRecord(saved);
  return id;
}

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    FillItems(ds, 100);
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    link.SetBufferCount(10);
    ds.Open();
  }
  TMemDataSet ds;
  TDataSource source;
  RecordingLink link;
};

TEST_F(Window, TenBuffersOverAHundredRowsKeepActiveRecordRight) {
  EXPECT_EQ(ds.BufferCount(), 10);
  EXPECT_EQ(link.RecordCount(), 10);
  EXPECT_EQ(link.ActiveRecord(), 0);
  for (int i = 1; i <= 100; ++i) {
    ASSERT_EQ(Id(ds), i);
    const int row = link.ActiveRecord();
    ASSERT_EQ(row, std::min(i - 1, 9)) << "at ID " << i;
    ASSERT_EQ(IdOnRow(link, ds, 0), i - row) << "first visible row at ID " << i;
    ds.Next();
  }
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(Id(ds), 100);
  // Coming back up keeps the window until its top is reached, then scrolls.
  for (int i = 0; i < 9; ++i) ds.Prior();
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(Id(ds), 91);
  link.Reset();
  ds.Prior();
  EXPECT_EQ(Id(ds), 90);
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(link.scrolls, 1);
  EXPECT_EQ(link.last_scroll, -1);
  EXPECT_EQ(IdOnRow(link, ds, 9), 99);
}

TEST_F(Window, LastFirstAndMoveByFillTheWindowFromTheRightEnd) {
  ds.Last();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(link.ActiveRecord(), 9);
  EXPECT_EQ(IdOnRow(link, ds, 0), 91);
  EXPECT_EQ(ds.MoveBy(-30), -30);
  EXPECT_EQ(Id(ds), 70);
  EXPECT_EQ(ds.MoveBy(-1000), -69);
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(Id(ds), 1);
  ds.First();
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(link.ActiveRecord(), 0);
}

TEST_F(Window, ResyncCentresTheActiveRecord) {
  ds.SetRecNo(50);
  EXPECT_EQ(Id(ds), 50);
  EXPECT_EQ(link.ActiveRecord(), 4);
  EXPECT_EQ(IdOnRow(link, ds, 0), 46);
  EXPECT_EQ(IdOnRow(link, ds, 9), 55);
  ds.Resync(rmCenter);
  EXPECT_EQ(link.ActiveRecord(), 4);
  // Near the end the window cannot be centred and fills from before.
  ds.SetRecNo(99);
  EXPECT_EQ(IdOnRow(link, ds, 0), 91);
  EXPECT_EQ(link.ActiveRecord(), 8);
}

TEST_F(Window, ShrinkingTheLinkKeepsTheActiveRecordVisible) {
  ds.MoveBy(8);  // ID 9 on row 8
  link.SetBufferCount(3);
  EXPECT_EQ(Id(ds), 9);
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(IdOnRow(link, ds, 0), 7);
  ds.Next();
  EXPECT_EQ(Id(ds), 10);
}

TEST_F(Window, DisableControlsSilencesLinksUntilTheMatchingEnable) {
  link.Reset();
  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.Edit();
  ds.FieldByName("Qty")->SetAsInteger(1);
  ds.Post();
  ds.Last();
  ds.EnableControls();
  EXPECT_EQ(link.Total(), 0);
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.EnableControls();
  EXPECT_FALSE(ds.ControlsDisabled());
  EXPECT_EQ(link.dataset_changes, 1);
  EXPECT_EQ(link.record_changes + link.scrolls + link.editing_changes, 0);
  // A state left different from the one at disabling is announced too.
  link.Reset();
  ds.DisableControls();
  ds.Edit();
  ds.EnableControls();
  EXPECT_EQ(link.editing_changes, 1);
  EXPECT_TRUE(link.Editing());
}

class Filtering : public ::testing::Test {
 protected:
  void SetUp() override {
    FillItems(ds, 99);
    ds.OnFilterRecord = [](TDataSet *d, bool &accept) { accept = d->FieldByName("ID")->AsInteger() % 2 == 0; };
    ds.SetFiltered(true);
    ds.Open();
  }
  TMemDataSet ds;
};

TEST_F(Filtering, SkipsRowsInBothDirectionsAndAtBothEnds) {
  EXPECT_EQ(Id(ds), 2) << "the first row is rejected";
  std::vector<int> seen;
  while (!ds.Eof()) {
    seen.push_back(Id(ds));
    ds.Next();
  }
  ASSERT_EQ(seen.size(), 49u);
  EXPECT_EQ(seen.back(), 98) << "the last row is rejected";
  ds.Last();
  EXPECT_EQ(Id(ds), 98);
  int count = 0;
  while (!ds.Bof()) {
    EXPECT_EQ(Id(ds) % 2, 0);
    ds.Prior();
    ++count;
  }
  EXPECT_EQ(count, 49);
  EXPECT_EQ(Id(ds), 2);
}

TEST_F(Filtering, RecNoAndRecordCountCountOnlyAcceptedRows) {
  EXPECT_EQ(ds.RecordCount(), 49);
  ds.MoveBy(4);
  EXPECT_EQ(Id(ds), 10);
  EXPECT_EQ(ds.RecNo(), 5);
  ds.SetRecNo(3);
  EXPECT_EQ(Id(ds), 6);
  EXPECT_EQ(ds.RecNo(), 3);
  ds.SetFiltered(false);
  EXPECT_EQ(ds.RecordCount(), 99);
  EXPECT_EQ(Id(ds), 1) << "changing the filter goes back to the first record";
}

TEST_F(Filtering, AFilterThatRejectsEverythingLeavesAnEmptyDataset) {
  ds.SetOnFilterRecord([](TDataSet *, bool &accept) { accept = false; });
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof() && ds.Eof());
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.RecNo(), -1);
}

TEST(Bookmarks, SurviveEditsInsertsAndDeletesOfOtherRows) {
  TMemDataSet ds;
  FillItems(ds, 40);
  ds.Open();
  ds.MoveBy(4);
  const TBookmark mark = ds.GetBookmark();
  ASSERT_FALSE(mark.isEmpty());
  ds.MoveBy(15);
  ds.Edit();
  ds.FieldByName("Name")->SetAsString("Other");
  ds.Post();
  ds.MoveBy(10);
  ds.Delete();
  ds.First();
  ds.Insert();
  ds.FieldByName("ID")->SetAsInteger(0);
  ds.Post();
  ds.GotoBookmark(mark);
  EXPECT_EQ(Id(ds), 5);
  EXPECT_TRUE(ds.BookmarkValid(mark));
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkValid(mark));
  EXPECT_THROW(ds.GotoBookmark(mark), rtl::EDatabaseError);
}

TEST(Locating, FindsByKeysAndStaysPutWhenNothingMatches) {
  TMemDataSet ds;
  FillItems(ds, 30);
  ds.Open();
  int scrolls = 0;
  ds.AfterScroll = [&](TDataSet *) { ++scrolls; };
  ds.MoveBy(2);
  scrolls = 0;
  EXPECT_FALSE(ds.Locate("Name", "missing", 0));
  EXPECT_EQ(Id(ds), 3);
  EXPECT_EQ(scrolls, 0);
  EXPECT_TRUE(ds.Locate("Name", "item 17", loCaseInsensitive));
  EXPECT_EQ(Id(ds), 17);
  EXPECT_EQ(scrolls, 1);
  EXPECT_TRUE(ds.Locate("Name;Qty", rtl::VarArrayOf({"Item 2", 20}), 0));
  EXPECT_EQ(Id(ds), 2);
  EXPECT_TRUE(ds.Locate("Name", "Item 2", loPartialKey));
  EXPECT_EQ(Id(ds), 2);
  EXPECT_THROW(ds.Locate("Name;Qty", "Item 2", 0), rtl::EDatabaseError);
  EXPECT_EQ(ds.Lookup("ID", 25, "Name").AsString(), "Item 25");
  EXPECT_EQ(Id(ds), 2) << "Lookup does not move";
  EXPECT_TRUE(ds.Lookup("ID", 250, "Name").IsNull());
}

}  // namespace

namespace {

TEST_F(Window, InsertInAFullWindowAndCancelGiveTheWindowBack) {
  ds.MoveBy(3);
  ds.Insert();
  EXPECT_EQ(link.ActiveRecord(), 3);
  EXPECT_EQ(link.RecordCount(), 10);
  EXPECT_EQ(IdOnRow(link, ds, 4), 4);
  EXPECT_EQ(IdOnRow(link, ds, 9), 9) << "the last row makes room";
  ds.Cancel();
  EXPECT_EQ(Id(ds), 4);
  EXPECT_EQ(link.ActiveRecord(), 3);
  EXPECT_EQ(IdOnRow(link, ds, 9), 10);
  ds.Insert();
  ds.FieldByName("ID")->SetAsInteger(1000);
  ds.Post();
  EXPECT_EQ(Id(ds), 1000);
  EXPECT_EQ(link.ActiveRecord(), 3);
  EXPECT_EQ(IdOnRow(link, ds, 4), 4);
  EXPECT_EQ(ds.RecordCount(), 101);
}

TEST_F(Window, RefreshRereadsTheStoreAroundTheCurrentRecord) {
  QStringList log;
  LogEvents(ds, log);
  ds.MoveBy(40);
  ds.AddRow({101, "Late", 0, 0.0});
  log.clear();
  ds.Refresh();
  EXPECT_EQ(log, QStringList({"BeforeRefresh", "AfterRefresh"}));
  EXPECT_EQ(Id(ds), 41);
  ds.Last();
  EXPECT_EQ(Id(ds), 101);
}

TEST(FieldLinksLifetime, ALinkLetsGoOfAFieldThatIsFreed) {
  TComponent form;
  TMemDataSet ds(&form);
  FillItems(ds, 2);
  auto *name = new TStringField(&form);
  name->SetFieldName("Name");
  name->SetDataSet(&ds);
  TDataSource source;
  source.SetDataSet(&ds);
  TFieldDataLink link;
  link.SetDataSource(&source);
  link.SetFieldName("Name");
  ds.Open();
  EXPECT_EQ(link.Field(), name);
  delete name;
  EXPECT_EQ(link.Field(), nullptr);
  ds.Next();
}

}  // namespace

namespace {

TEST_F(Window, LinksOfDifferentSizesEachKeepTheirOwnWindow) {
  RecordingLink small;
  small.SetDataSource(&source);
  small.SetBufferCount(3);
  EXPECT_EQ(ds.BufferCount(), 10) << "the larger need wins";
  ds.MoveBy(2);
  EXPECT_EQ(small.ActiveRecord(), 2);
  small.Reset();
  ds.Next();  // ID 4: the small window moves by one, the large one not
  EXPECT_EQ(small.ActiveRecord(), 2);
  EXPECT_EQ(small.scrolls, 1);
  EXPECT_EQ(small.last_scroll, 1);
  EXPECT_EQ(IdOnRow(small, ds, 0), 2);
  EXPECT_EQ(link.ActiveRecord(), 3);
  EXPECT_EQ(link.last_scroll, 0);
  for (int i = 0; i < 3; ++i) ds.Prior();  // ID 1
  EXPECT_EQ(small.ActiveRecord(), 0);
  EXPECT_EQ(IdOnRow(small, ds, 2), 3);
  EXPECT_EQ(small.RecordCount(), 3);
  small.SetDataSource(nullptr);
  link.SetBufferCount(4);
  EXPECT_EQ(ds.BufferCount(), 4);
  EXPECT_EQ(link.RecordCount(), 4);
}

}  // namespace
