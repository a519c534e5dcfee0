// Record sources: ranges, filters, and leaving the walked dataset as it was
// found; the lookups of datasets and fields by the names templates use.
#include <gtest/gtest.h>

#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvglobals.h"
#include "tests/platform/vcl/db/memdataset.h"

using report::TkvDBDataSet;
using rtl::Variant;

namespace {

class KvDataSetTest : public ::testing::Test {
 protected:
  report::TkvEngineStateGuard engine_;
  vcl::TComponent owner{nullptr};
  testdb::TMemDataSet *table = nullptr;
  TkvDBDataSet *source = nullptr;

  void SetUp() override {
    table = new testdb::TMemDataSet(&owner);
    table->SetName("Giacenza");
    table->AddColumn("Codice", vcl::ftInteger);
    table->AddColumn("Prezzo unitario", vcl::ftFloat);
    for (int i = 1; i <= 10; ++i) table->AddRow({i, i * 1.5});
    source = new TkvDBDataSet(&owner);
    source->SetName("Righe");
    source->SetDataSet(table);
    // Filters name the table's fields directly.
    report::Expr().SetResolver([this](const QString &name, const QStringList *) -> Variant {
      vcl::TField *f = report::FindFieldByName(name, &owner, table);
      return f != nullptr ? f->Value() : Variant();
    });
  }
  void TearDown() override { report::Expr().SetResolver(nullptr); }

  // The codes a walk from First to Eof yields.
  std::vector<int> Walk() {
    std::vector<int> codes;
    source->Init();
    EXPECT_EQ(source->ErrorText(), QString());
    for (source->First(); !source->Eof() && codes.size() < 100; source->Next())
      codes.push_back(table->FieldByName("Codice")->AsInteger());
    source->Exit();
    return codes;
  }
};

TEST_F(KvDataSetTest, RangesBoundTheWalk) {
  table->Open();
  EXPECT_EQ(Walk().size(), 10u);
  source->SetRangeEnd(report::reCount);
  source->SetRangeEndCount(3);
  EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(source->Position(), 3);

  table->SetRecNo(6);
  source->SetRangeBegin(report::rbCurrent);
  source->SetRangeEnd(report::reCurrent);
  EXPECT_EQ(Walk(), (std::vector<int>{6}));
  EXPECT_EQ(table->RecNo(), 6);

  source->SetRangeBegin(report::rbFirst);
  EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(table->RecNo(), 6);
}

TEST_F(KvDataSetTest, DatasetIsLeftAsItWasFound) {
  EXPECT_EQ(Walk().size(), 10u);
  EXPECT_FALSE(table->Active());  // closed before, closed after

  table->Open();
  table->SetRecNo(4);
  source->Init();
  EXPECT_TRUE(table->ControlsDisabled());
  source->First();
  source->Next();
  source->Exit();
  source->Exit();  // a second Exit changes nothing
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->RecNo(), 4);

  {
    TkvDBDataSet walker(nullptr);  // freed in the middle of a walk
    walker.SetDataSet(table);
    walker.Init();
    walker.First();
  }
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->RecNo(), 4);

  table->DisableControls();  // the program's own disabling stays
  source->Init();
  source->Exit();
  EXPECT_TRUE(table->ControlsDisabled());
  table->EnableControls();
}

TEST_F(KvDataSetTest, FilterSkipsRowsWhoseValueIsZero) {
  source->SetFiltered(true);
  source->SetFilter("Codice MOD 3 = 0");
  EXPECT_EQ(Walk(), (std::vector<int>{3, 6, 9}));
  source->SetFilter("\"Prezzo unitario\" > 100");
  EXPECT_TRUE(Walk().empty());
  source->SetFilter("Codice +");
  try {
    source->Init();
    ADD_FAILURE() << "a broken filter must raise";
  } catch (const rtl::Exception &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Errore nell'espressione del filtro della banda."));
  }
  source->Exit();
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_FALSE(table->Active());
}

TEST_F(KvDataSetTest, ErrorTexts) {
  TkvDBDataSet bare(nullptr);
  EXPECT_TRUE(bare.Name().startsWith(u'N'));
  EXPECT_EQ(bare.GetDataSet(), nullptr);
  EXPECT_EQ(bare.ErrorText(), QStringLiteral("Dataset non assegnato: ") + bare.Name());
  bare.Init();
  EXPECT_TRUE(bare.Eof());

  table->BeforeOpen = [](vcl::TDataSet *) { throw rtl::EDatabaseError(QStringLiteral("disco rotto")); };
  source->Init();
  EXPECT_EQ(source->ErrorText(), QStringLiteral("Non è stato possibile aprire il Dataset: Giacenza\r\ndisco rotto"));
  EXPECT_EQ(source->GetDataSet(), table);
  EXPECT_EQ(source->ErrorText(), QStringLiteral("Dataset chiuso: Giacenza"));
  source->Exit();
  table->BeforeOpen = nullptr;

  delete table;  // the source forgets a freed dataset
  table = nullptr;
  EXPECT_EQ(source->DataSet(), nullptr);
}

TEST_F(KvDataSetTest, EventSourceCountsRows) {
  report::TkvDataset events(&owner);
  int nexts = 0;
  events.OnNext = [&](rtl::TObject *) { ++nexts; };
  events.OnCheckEOF = [&](rtl::TObject *, bool &eof) { eof = nexts >= 2; };
  int rows = 0;
  for (events.First(); !events.Eof(); events.Next()) ++rows;
  EXPECT_EQ(rows, 2);
}

TEST_F(KvDataSetTest, FieldAndDatasetLookups) {
  table->Open();
  vcl::TDataSet *found = nullptr;
  EXPECT_EQ(report::FindFieldByName("Giacenza.Codice", &owner, nullptr), table->FieldByName("Codice"));
  EXPECT_EQ(report::FindFieldByName("giacenza.\"Prezzo unitario\"", &owner, nullptr),
            table->FieldByName("Prezzo unitario"));
  EXPECT_EQ(report::FindFieldByName("\"Prezzo unitario\"", &owner, table), table->FieldByName("Prezzo unitario"));
  EXPECT_EQ(report::FindFieldByName("Codice", &owner, nullptr), nullptr);
  EXPECT_EQ(report::FindFieldByName("Righe.Codice", &owner, nullptr), table->FieldByName("Codice"));
  EXPECT_EQ(report::FindFieldByName("Giacenza.Manca", &owner, nullptr, &found), nullptr);
  EXPECT_EQ(found, table);

  vcl::InitApplication();
  auto *module = new vcl::TDataModule(nullptr);
  module->SetName("Dati");
  auto *other = new testdb::TMemDataSet(module);
  other->SetName("Riviste");
  other->AddColumn("Titolo", vcl::ftString, 40);
  other->Open();
  EXPECT_EQ(report::FindGlobalComponent("dati.riviste"), other);
  EXPECT_EQ(report::FindFieldByName("Dati.Riviste.Titolo", &owner, nullptr), other->FieldByName("Titolo"));
  EXPECT_EQ(report::FindFieldByName("Dati.Riviste", &owner, nullptr, &found), nullptr);
  EXPECT_EQ(found, other);
  EXPECT_EQ(report::FindDataSetByName(&owner, "Dati.Riviste"), other);
  EXPECT_EQ(report::FindDataSetByName(&owner, "Righe"), table);
  EXPECT_EQ(report::kvEngine().ErrorText, QString());
  EXPECT_EQ(report::FindDataSetByName(&owner, "Nessuno"), nullptr);
  EXPECT_EQ(report::kvEngine().ErrorText, QStringLiteral("Non è stato trovato il kvDataset: Nessuno"));
  delete module;
}

}  // namespace
