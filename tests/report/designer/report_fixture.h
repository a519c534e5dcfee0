// A report over the program's database for the editors that list
// variables, datasets and fields: the stock table "Giacenza" owned by the
// report's owner, and two variable categories.
#pragma once

#include "dao/vudaotable.h"
#include "report/engine/component/kvreport.h"
#include "tests/dao/dao_fixture.h"
#include "tests/report/designer/designer_fixture.h"

namespace report::testing {

class ReportEditorTest : public EditorTestOn<dao::testing::DaoDb> {
 protected:
  void SetUp() override {
    EditorTestOn<dao::testing::DaoDb>::SetUp();
    owner.SetName(QStringLiteral("Stampe"));
    stock = TableOn(&owner, QStringLiteral("Giacenza"), QStringLiteral("Giacenza"));
    report = new TkvReport(&owner);
    report->SetName(QStringLiteral("Elenco"));
    report->Variables().SetText(QStringLiteral("Prezzi\n Acquisto\n Vendita\nAltri\n Sconto\n"));
  }
  void TearDown() override {
    delete report;
    delete stock;
    EditorTestOn<dao::testing::DaoDb>::TearDown();
  }

  // A table of the program's database as a component of `module` (a
  // data module the program finds by name).
  dao::TVuDaoTable *TableOn(vcl::TComponent *module, const QString &name, const QString &table) {
    auto *t = new dao::TVuDaoTable(module);
    t->SetName(name);
    t->SetDatabase(database_.get());
    t->SetTableName(table);
    return t;
  }

  vcl::TComponent owner{nullptr};
  dao::TVuDaoTable *stock = nullptr;
  TkvReport *report = nullptr;
};

}  // namespace report::testing
