// A report's data loop over the program's own stock table: the record
// source walks the DAO table with a filter, the footer's aggregates add up
// what was printed, and the table is left where the program had it.
#include <gtest/gtest.h>

#include "report/engine/data/kvdset.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/vars/kvvars.h"
#include "tests/dao/dao_fixture.h"
#include "tests/report/engine/kvvars_fixture.h"

namespace {

using namespace report;

class StockReport : public dao::testing::DaoDb {
 protected:
  TkvEngineStateGuard engine_;
  kvtest::FakeReport report;
  dao::TVuDaoTable *stock = nullptr;
  TkvDBDataSet *source = nullptr;

  void SetUp() override {
    DaoDb::SetUp();
    stock = new dao::TVuDaoTable(&report.owner);
    stock->SetName("Giacenza");
    stock->SetDatabase(database_.get());
    stock->SetTableName("Giacenza");
    stock->SetSortedBy({"[Barcode18] ASC"});
    source = new TkvDBDataSet(&report.owner);
    source->SetName("Righe");
    source->SetDataSet(stock);
    report.band_dataset = stock;
    KvInstallResolver(&report);
  }
  void TearDown() override {
    KvInstallResolver(nullptr);
    DaoDb::TearDown();
  }

  // The master data band's rows as a memo "[Testata]" prints them, with
  // the footer's aggregates accumulated row by row.
  QStringList RunMasterLoop() {
    QStringList printed;
    source->Init();
    EXPECT_EQ(source->ErrorText(), QString());
    source->First();
    report.master.Reset(0);
    report.band_type = 5;
    while (!source->Eof()) {
      printed << KvGetValue(report, "Testata");
      report.master.Accumulate(Expr(), false);
      source->Next();
    }
    source->Exit();
    return printed;
  }
};

TEST_F(StockReport, FooterTotalsOverTheFilteredRows) {
  report.band_type = 6;
  report.object = "Totale";
  {
    TkvRegistrationScope scope;
    for (const char *text : {"SUM([Giacenza])", "AVG(Giacenza)", "MIN(Giacenza)", "MAX(Giacenza)"})
      KvGetValue(report, text);
  }
  ASSERT_EQ(kvEngine().ErrorText, QString());
  report.master = report.collecting;
  ASSERT_EQ(report.master.Count(), 4);

  source->SetFiltered(true);
  source->SetFilter("Giacenza > 0");
  EXPECT_EQ(RunMasterLoop(), QStringList({"Corriere", "Corriere", "Rossi Uno", "Topolino"}));
  EXPECT_FALSE(stock->Active());

  report.band_type = 6;
  EXPECT_EQ(KvGetValue(report, "SUM([Giacenza])"), QStringLiteral("20"));
  EXPECT_EQ(KvGetValue(report, "AVG(Giacenza)"), QStringLiteral("5"));
  EXPECT_EQ(KvGetValue(report, "MIN(Giacenza)"), QStringLiteral("2"));
  EXPECT_EQ(KvGetValue(report, "MAX(Giacenza)"), QStringLiteral("10"));
  EXPECT_EQ(KvGetValue(report, "COUNT"), QStringLiteral("4"));
  report.format = KvFormatWord(1, 3, 2, u',');
  EXPECT_EQ(KvGetValue(report, "SUM([Giacenza])*1000"), QStringLiteral("20.000,00"));
  EXPECT_EQ(kvEngine().ErrorText, QString());
}

TEST_F(StockReport, TheProgramsRecordIsKept) {
  stock->Open();
  stock->First();
  stock->Next();
  stock->Next();
  const QString current = stock->FieldByName("Barcode18")->AsString();
  EXPECT_EQ(RunMasterLoop().size(), 5);
  EXPECT_TRUE(stock->Active());
  EXPECT_EQ(stock->FieldByName("Barcode18")->AsString(), current);

  source->SetRangeBegin(rbCurrent);
  source->SetRangeEnd(reCurrent);
  EXPECT_EQ(RunMasterLoop(), QStringList({"Rossi Uno"}));
  EXPECT_EQ(stock->FieldByName("Barcode18")->AsString(), current);
}

TEST_F(StockReport, FieldsOfTheOwnerByDatasetName) {
  stock->Open();
  stock->First();
  report.band_dataset = nullptr;  // a title band: no data band of its own
  EXPECT_EQ(KvGetValue(report, "Giacenza.Testata"), QStringLiteral("Corriere"));
  EXPECT_EQ(KvGetValue(report, "Giacenza.\"Prezzo_V\"*2"), QStringLiteral("3"));
  EXPECT_EQ(KvGetValue(report, "COUNT(Giacenza)"), QStringLiteral("5"));
  // The wizard's data memos: a quoted field of the band, money wrapped.
  report.band_dataset = stock;
  EXPECT_EQ(KvGetValue(report, "\"Testata\""), QStringLiteral("Corriere"));
  EXPECT_EQ(KvGetValue(report, "MONEY(\"Prezzo_V\")"), QStringLiteral("1,50 ") + QChar(0x20AC));
  EXPECT_EQ(KvGetValue(report, "Pagina"), QString());  // no such field or variable
  report.band_dataset = nullptr;
  TkvEngineStateGuard alone;
  EXPECT_EQ(KvGetValue(report, "Testata"), QString());
  EXPECT_EQ(kvEngine().ErrorText, QStringLiteral("Errore. Identificatore sconosciuto: Testata"));
}

}  // namespace
