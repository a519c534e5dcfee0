// The stock list of 10 000 rows the report benchmarks share: a generated
// database under the temporary folder (made once, kept between runs) and a
// report over its stock table with a page header, one row per stock line
// with three fields and a page footer with the page number.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "tools/lib/orbiscadb.h"

namespace bench {

inline constexpr int kStockRows = 10000;

struct StockList {
  StockList() {
    tools::LargeDatabaseOptions options;
    options.stock_rows = kStockRows;
    options.journal_rows = 10;  // NOLINT(readability-magic-numbers): the journal is not read
    const QString path = QDir::temp().filePath(QStringLiteral("orbisca_bench_prepare_%1.mdb").arg(kStockRows));
    if (!QFileInfo::exists(path)) tools::CreateLargeDatabase(path, options);
    database.SetDatabase(path);
    database.Open();
    stock = new dao::TVuDaoTable(&owner);
    stock->SetName(QStringLiteral("Giacenza"));
    stock->SetDatabase(&database);
    stock->SetTableName(QStringLiteral("Giacenza"));
    stock->SetSortedBy({QStringLiteral("[Barcode18] ASC")});
    auto *source = new report::TkvDBDataSet(&owner);
    source->SetName(QStringLiteral("Righe"));
    source->SetDataSet(stock);

    report = new report::TkvReport(&owner);
    report->ProcessMessages = [] {};
    report->SetShowProgress(false);
    report::TkvPage *page = report->Pages().Page(0);
    // The list's layout, in pixels.
    // NOLINTBEGIN(readability-magic-numbers)
    page->AddBand(report::btPageHeader, 0, 30);
    Memo(page, 40, 4, 400, 22, QStringLiteral("Elenco giacenze"));
    page->AddBand(report::btMasterData, 40, 18)->FormatStr = QStringLiteral("Righe");
    Memo(page, 40, 40, 160, 18, QStringLiteral("[Barcode18]"));
    Memo(page, 210, 40, 300, 18, QStringLiteral("[Testata]"));
    Memo(page, 520, 40, 80, 18, QStringLiteral("[Giacenza]"));
    page->AddBand(report::btPageFooter, 100, 20);
    Memo(page, 40, 100, 200, 20, QStringLiteral("Pagina [PAGE#]"));
    // NOLINTEND(readability-magic-numbers)
  }
  ~StockList() {
    delete report;
    stock->Close();
    database.Close();
  }
  StockList(const StockList &) = delete;
  StockList &operator=(const StockList &) = delete;

  static void Memo(report::TkvPage *page, int x, int y, int dx, int dy, const QString &text) {
    report::SetMemoText(page->Add<report::TkvMemoView>(x, y, dx, dy), text);
  }

  vcl::TComponent owner{nullptr};
  dao::TVuDaoDatabase database;
  dao::TVuDaoTable *stock = nullptr;
  report::TkvReport *report = nullptr;
};

}  // namespace bench
