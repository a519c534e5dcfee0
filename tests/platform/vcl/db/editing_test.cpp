// Editing through the dataset: event order, browse-mode checks, the error
// events' retry/abort/fail, required fields and the state checks.
#include <gtest/gtest.h>

#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;
using namespace testdb;

namespace {

class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    FillItems(ds, 5);
    ds.Open();
    LogEvents(ds, log);
  }
  QStringList log;
  TMemDataSet ds;
};

TEST_F(Editing, AppendPostAndCancelRaiseTheirEventsInOrder) {
  ds.Append();
  EXPECT_EQ(log, QStringList({"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
  EXPECT_EQ(ds.State(), dsInsert);
  EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
  ds.FieldByName("ID")->SetAsInteger(6);
  log.clear();
  ds.Post();
  EXPECT_EQ(log, QStringList({"BeforePost", "AfterPost"}));
  EXPECT_EQ(ds.StoredRowCount(), 6);
  EXPECT_EQ(ds.StoredValue(5, "ID").AsInteger(), 6);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 6) << "the posted row stays current";

  log.clear();
  ds.Append();
  ds.FieldByName("ID")->SetAsInteger(7);
  log.clear();
  ds.Cancel();
  EXPECT_EQ(log, QStringList({"BeforeCancel", "AfterCancel"}));
  EXPECT_EQ(ds.StoredRowCount(), 6);
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 6);
}

TEST_F(Editing, InsertPlacesTheRowBeforeTheCurrentOne) {
  ds.MoveBy(2);  // on ID 3
  ds.Insert();
  ds.FieldByName("ID")->SetAsInteger(99);
  ds.Post();
  EXPECT_EQ(ds.StoredValue(2, "ID").AsInteger(), 99);
  EXPECT_EQ(ds.StoredValue(3, "ID").AsInteger(), 3);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 99);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3);
}

TEST_F(Editing, EditAndDeleteEventsAndTheirEffect) {
  ds.Next();
  log.clear();
  ds.Edit();
  EXPECT_EQ(log, QStringList({"BeforeEdit", "AfterEdit"}));
  ds.FieldByName("Name")->SetAsString("Changed");
  ds.Post();
  EXPECT_EQ(ds.StoredValue(1, "Name").AsString(), "Changed");
  log.clear();
  ds.Delete();
  EXPECT_EQ(log, QStringList({"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(ds.StoredRowCount(), 4);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3) << "the following row becomes current";
  ds.Last();
  ds.Delete();
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 4) << "deleting the last row shows the one before";
}

TEST_F(Editing, CheckBrowseModePostsAModifiedRecordAndCancelsAnUntouchedOne) {
  ds.Edit();
  ds.FieldByName("Qty")->SetAsInteger(77);
  log.clear();
  ds.CheckBrowseMode();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_TRUE(log.contains("AfterPost"));
  EXPECT_EQ(ds.StoredValue(0, "Qty").AsInteger(), 77);

  ds.Edit();
  log.clear();
  ds.CheckBrowseMode();
  EXPECT_EQ(log, QStringList({"BeforeCancel", "AfterCancel"}));

  // Scrolling away from an edited record posts it too.
  ds.Edit();
  ds.FieldByName("Qty")->SetAsInteger(78);
  ds.Next();
  EXPECT_EQ(ds.StoredValue(0, "Qty").AsInteger(), 78);
}

TEST_F(Editing, PostErrorHandlerRetriesAbortsOrFails) {
  int calls = 0;
  ds.OnPostError = [&](TDataSet *, const rtl::Exception &e, TDataAction &action) {
    ++calls;
    EXPECT_EQ(e.Message(), "Post failed");
    action = daRetry;
  };
  ds.Edit();
  ds.FieldByName("Qty")->SetAsInteger(5);
  ds.post_failures = 2;
  ds.Post();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(ds.StoredValue(0, "Qty").AsInteger(), 5);

  ds.OnPostError = [](TDataSet *, const rtl::Exception &, TDataAction &action) { action = daAbort; };
  ds.Edit();
  ds.FieldByName("Qty")->SetAsInteger(6);
  ds.post_failures = 1;
  log.clear();
  EXPECT_THROW(ds.Post(), rtl::EAbort);
  EXPECT_EQ(ds.State(), dsEdit) << "an aborted post keeps the typed values";
  EXPECT_EQ(ds.FieldByName("Qty")->AsInteger(), 6);
  EXPECT_FALSE(log.contains("AfterPost"));

  ds.OnPostError = [](TDataSet *, const rtl::Exception &, TDataAction &action) { action = daFail; };
  ds.post_failures = 1;
  EXPECT_THROW(ds.Post(), rtl::EDatabaseError);
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Post();
  EXPECT_EQ(ds.StoredValue(0, "Qty").AsInteger(), 6);
}

TEST_F(Editing, EditAndDeleteErrorHandlers) {
  ds.edit_failures = 1;
  ds.OnEditError = [](TDataSet *, const rtl::Exception &, TDataAction &a) { a = daRetry; };
  ds.Edit();
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Cancel();

  ds.edit_failures = 1;
  ds.OnEditError = [](TDataSet *, const rtl::Exception &, TDataAction &a) { a = daAbort; };
  EXPECT_THROW(ds.Edit(), rtl::EAbort);
  EXPECT_EQ(ds.State(), dsBrowse);

  ds.delete_failures = 1;
  EXPECT_THROW(ds.Delete(), rtl::EDatabaseError);
  EXPECT_EQ(ds.StoredRowCount(), 5);
  ds.delete_failures = 1;
  ds.OnDeleteError = [](TDataSet *, const rtl::Exception &, TDataAction &a) { a = daRetry; };
  ds.Delete();
  EXPECT_EQ(ds.StoredRowCount(), 4);
}

TEST_F(Editing, StateAndPermissionChecksUseThePlatformTexts) {
  try {
    ds.FieldByName("Qty")->SetAsInteger(1);
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Dataset not in edit or insert mode");
  }
  try {
    ds.FieldByName("Nope");
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Field 'Nope' not found");
  }
  EXPECT_EQ(ds.FieldByName("qTy"), ds.FindField("QTY")) << "names ignore case";
  ds.read_only = true;
  try {
    ds.Edit();
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Cannot modify a read-only dataset");
  }
  ds.Close();
  try {
    ds.First();
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
  }
}

TEST(EditingRequired, RequiredFieldStopsThePostAndKeepsTheRecord) {
  TMemDataSet ds;
  ds.AddColumn("Code", ftString, 10, true);
  ds.AddColumn("Note", ftString, 10);
  ds.Open();
  ds.Append();
  ds.FieldByName("Note")->SetAsString("x");
  try {
    ds.Post();
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Il campo 'Code' deve avere un valore");
  }
  EXPECT_EQ(ds.State(), dsInsert);
  EXPECT_EQ(ds.FieldByName("Note")->AsString(), "x");
  EXPECT_EQ(ds.StoredRowCount(), 0);
}

TEST(EditingEmpty, EditOnAnEmptyDatasetInsertsAndAppendRecordFillsByPosition) {
  TMemDataSet ds;
  FillItems(ds, 0);
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof() && ds.Eof());
  ds.Edit();
  EXPECT_EQ(ds.State(), dsInsert);
  ds.Cancel();
  EXPECT_TRUE(ds.IsEmpty());
  ds.AppendRecord({1, "One", rtl::Variant(), 2.5});
  EXPECT_EQ(ds.StoredRowCount(), 1);
  EXPECT_TRUE(ds.FieldByName("Qty")->IsNull());
  EXPECT_DOUBLE_EQ(ds.FieldByName("Price")->AsFloat(), 2.5);
  EXPECT_FALSE(ds.IsEmpty());
}

}  // namespace

namespace {

TEST(Loading, ActiveReadFromStorageOpensOnceLoaded) {
  TMemDataSet ds;
  FillItems(ds, 2);
  ds.BeginLoading();
  SetPropValue(&ds, "Active", true);
  EXPECT_FALSE(ds.Active());
  ds.Loaded();
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 1);
}

}  // namespace
