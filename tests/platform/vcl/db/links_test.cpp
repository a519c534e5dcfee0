// Data sources, field links, master links, selected-row lists, parameter
// parsing and the definition lists.
#include <gtest/gtest.h>

#include "platform/vcl/db/params.h"
#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;
using namespace testdb;

namespace {

TEST(DataSources, FollowTheStateAndRefuseCircularLinks) {
  TMemDataSet ds;
  FillItems(ds, 3);
  TDataSource source;
  QStringList log;
  source.OnStateChange = [&](rtl::TObject *) { log << QStringLiteral("state %1").arg(source.State()); };
  source.SetDataSet(&ds);
  ds.Open();
  EXPECT_EQ(source.State(), dsBrowse);
  source.Edit();
  EXPECT_EQ(ds.State(), dsEdit) << "AutoEdit";
  ds.Cancel();
  source.SetAutoEdit(false);
  source.Edit();
  EXPECT_EQ(ds.State(), dsBrowse);
  source.SetEnabled(false);
  EXPECT_EQ(source.State(), dsInactive);
  source.SetEnabled(true);
  EXPECT_EQ(log, QStringList({"state 1", "state 2", "state 1", "state 0", "state 1"}));

  // A detail following a master source may not feed that source.
  class Detail : public TMemDataSet {
   public:
    TDataSource *master = nullptr;
    TDataSource *GetDataSource() const override { return master; }
  } detail;
  TDataSource loop;
  detail.master = &loop;
  try {
    loop.SetDataSet(&detail);
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
  }
  EXPECT_EQ(loop.DataSet(), nullptr);
}

TEST(FieldLinks, ShowChangesAndWriteTheControlsValueBeforePosting) {
  TMemDataSet ds;
  FillItems(ds, 3);
  TDataSource source;
  source.SetDataSet(&ds);
  TFieldDataLink link;
  QString shown;
  QString typed;
  link.OnDataChange = [&](rtl::TObject *) { shown = link.Field() ? link.Field()->DisplayText() : QString(); };
  link.OnUpdateData = [&](rtl::TObject *) { link.Field()->SetAsString(typed); };
  link.SetDataSource(&source);
  link.SetFieldName("Name");
  ds.Open();
  EXPECT_EQ(shown, "Item 1");
  ds.Next();
  EXPECT_EQ(shown, "Item 2");
  EXPECT_TRUE(link.CanModify());
  ASSERT_TRUE(link.Edit());
  typed = "Typed";
  link.Modified();
  ds.Post();
  EXPECT_EQ(ds.StoredValue(1, "Name").AsString(), "Typed");
  EXPECT_FALSE(link.IsModified());
  ds.Close();
  EXPECT_EQ(link.Field(), nullptr);
}

TEST(MasterLinks, FollowTheMastersKeyFields) {
  TMemDataSet master, detail;
  FillItems(master, 3);
  FillItems(detail, 1);
  TDataSource source;
  source.SetDataSet(&master);
  TMasterDataLink link(&detail);
  int changes = 0, disables = 0;
  link.OnMasterChange = [&](rtl::TObject *) { ++changes; };
  link.OnMasterDisable = [&](rtl::TObject *) { ++disables; };
  link.SetFieldNames("ID");
  link.SetDataSource(&source);
  detail.Open();
  master.Open();
  EXPECT_GE(changes, 1);
  ASSERT_EQ(link.Fields().size(), 1u);
  int before = changes;
  master.Next();
  EXPECT_EQ(changes, before + 1);
  master.Edit();
  before = changes;
  master.FieldByName("Name")->SetAsString("x");
  EXPECT_EQ(changes, before) << "a change of another field does not concern the detail";
  master.FieldByName("ID")->SetAsInteger(9);
  EXPECT_EQ(changes, before + 1);
  master.Cancel();
  master.Close();
  EXPECT_GE(disables, 1);
}

TEST(BookmarkLists, KeepRowsInDatasetOrderAndDeleteThem) {
  TMemDataSet ds;
  FillItems(ds, 10);
  TDataSource source;
  source.SetDataSet(&ds);
  RecordingLink link;
  link.SetDataSource(&source);
  ds.Open();
  TBookmarkList selected(&link);
  ds.MoveBy(6);
  selected.SetCurrentRowSelected(true);
  ds.First();
  selected.SetCurrentRowSelected(true);
  ds.MoveBy(3);
  selected.SetCurrentRowSelected(true);
  ASSERT_EQ(selected.Count(), 3);
  EXPECT_TRUE(selected.CurrentRowSelected());
  ds.GotoBookmark(selected[0]);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 1);
  ds.GotoBookmark(selected[2]);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
  selected.SetCurrentRowSelected(false);
  EXPECT_EQ(selected.Count(), 2);
  selected.Delete();
  EXPECT_EQ(selected.Count(), 0);
  EXPECT_EQ(ds.StoredRowCount(), 8);
  EXPECT_EQ(ds.StoredValue(0, "ID").AsInteger(), 2);
  EXPECT_EQ(ds.StoredValue(2, "ID").AsInteger(), 5);
}

TEST(Params, ParseMarkersSkippingQuotedTextDoubleColonsAndTimes) {
  TParams params;
  const QString sql = params.ParseSQL(
      "delete FROM giornale WHERE data<=:giorno AND note = ':nota' AND t > #10:30# "
      "AND a::b = :Giorno AND c = :\"due parole\" AND [x:y] = :z_1",
      true);
  EXPECT_EQ(params.ParamNames(), "giorno;due parole;z_1");
  EXPECT_EQ(sql,
            "delete FROM giornale WHERE data<=? AND note = ':nota' AND t > #10:30# "
            "AND a:b = ? AND c = ? AND [x:y] = ?");
  params.ParamByName("GIORNO")->SetAsDateTime(39082);
  EXPECT_EQ(params.ParamByName("giorno")->DataType(), ftDateTime);
  try {
    params.ParamByName("nope");
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Parameter 'nope' not found");
  }
  TParams reparsed;
  reparsed.ParseSQL("select * from t where d = :giorno", true);
  reparsed.AssignValues(params);
  EXPECT_DOUBLE_EQ(reparsed.ParamByName("giorno")->AsDateTime(), 39082);
  EXPECT_EQ(reparsed.Count(), 1);
  TParams unterminated;
  EXPECT_EQ(unterminated.ParseSQL("x = 'open :a", true), "x = 'open :a");
  EXPECT_EQ(unterminated.Count(), 0);
}

TEST(Definitions, FieldAndIndexDefinitionsFindByNameIgnoringCase) {
  TMemDataSet ds;
  FillItems(ds, 1);
  TFieldDefs &defs = ds.FieldDefs();
  EXPECT_EQ(defs.Count(), 4);
  EXPECT_EQ(defs.Find("price")->FieldNo(), 4);
  EXPECT_EQ(defs.IndexOf("none"), -1);
  EXPECT_THROW(defs.Add("NAME", ftString), rtl::EDatabaseError);
  TField *f = defs.Find("Price")->CreateField(nullptr);
  EXPECT_STREQ(qPrintable(f->ClassName()), "TFloatField");
  delete f;

  TIndexDefs &idx = ds.IndexDefs();
  idx.Add("PrimaryKey", "ID", {ixPrimary, ixUnique});
  idx.Add("ByName", "Name;Qty", {ixCaseInsensitive, ixDescending});
  EXPECT_EQ(idx.Find("bYnAmE")->DescFields(), "Name;Qty");
  EXPECT_EQ(idx.GetIndexForFields("name", false)->Name(), "ByName");
  EXPECT_EQ(idx.GetIndexForFields("ID", true), nullptr);
  EXPECT_TRUE(idx.Find("PrimaryKey")->Options().Contains(ixPrimary));
  EXPECT_THROW(idx.FindIndexForFields("Qty"), rtl::EDatabaseError);
}

}  // namespace

namespace {

TEST(Published, FieldPropertiesAreReachableByName) {
  TFloatField field;
  field.SetFieldName("Prezzo_V");
  EXPECT_EQ(GetPropValue(&field, "DisplayLabel").AsString(), "Prezzo_V");
  SetPropValue(&field, "DisplayLabel", "Copertina");
  SetPropValue(&field, "DisplayFormat", "0.00;;#.##");
  SetPropValue(&field, "Visible", false);
  EXPECT_EQ(field.DisplayLabel(), "Copertina");
  EXPECT_EQ(field.DisplayFormat(), "0.00;;#.##");
  EXPECT_FALSE(field.Visible());
  EXPECT_EQ(GetPropValue(&field, "Alignment").AsString(), "taRightJustify");
  EXPECT_TRUE(IsPublishedProp(&field, "OnValidate"));
  TDataSource source;
  EXPECT_TRUE(GetPropValue(&source, "AutoEdit").AsBoolean());
}

}  // namespace
