// A report over the program's stock table for the preparation tests: the
// table "Giacenza" of a fresh test database as the record source "Righe"
// (both the owner's), sorted as the test asks, and a report whose first
// template page the test fills.
#pragma once

#include <QStringList>

#include "dao/vudaotable.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"
#include "tests/dao/dao_fixture.h"

namespace report::testing {

class StockReport : public dao::testing::DaoDb {
 protected:
  void MakeReport(const QStringList &sorted_by) {
    auto *stock = new dao::TVuDaoTable(&owner);
    stock->SetName("Giacenza");
    stock->SetDatabase(database_.get());
    stock->SetTableName("Giacenza");
    stock->SetSortedBy(sorted_by);
    auto *source = new TkvDBDataSet(&owner);
    source->SetName("Righe");
    source->SetDataSet(stock);
    report = new TkvReport(&owner);
    page = report->Pages().Page(0);
  }
  void TearDown() override {
    delete report;
    DaoDb::TearDown();
  }

  TkvEngineStateGuard engine_;
  vcl::TComponent owner{nullptr};
  TkvReport *report = nullptr;
  TkvPage *page = nullptr;
};

}  // namespace report::testing
