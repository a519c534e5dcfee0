// Preparing a stock list of 10 000 rows into finished pages (page header,
// one row per stock line with three fields, page footer with the page
// number) beside walking the same table bare and reading the same three
// fields, in the same run and on the same file: the difference is what
// laying out and recording the pages costs. The database is generated once
// under the temporary folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdlib>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"
#include "tools/lib/orbiscadb.h"

namespace {

constexpr int kRows = 10000;

struct Fixture {
  Fixture() {
    tools::LargeDatabaseOptions options;
    options.stock_rows = kRows;
    options.journal_rows = 10;
    const QString path = QDir::temp().filePath(QStringLiteral("orbisca_bench_prepare_%1.mdb").arg(kRows));
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
    report::TkvPage *page = report->Pages().Page(0);
    page->AddBand(report::btPageHeader, 0, 30);
    Memo(page, 40, 4, 400, 22, QStringLiteral("Elenco giacenze"));
    page->AddBand(report::btMasterData, 40, 18)->FormatStr = QStringLiteral("Righe");
    Memo(page, 40, 40, 160, 18, QStringLiteral("[Barcode18]"));
    Memo(page, 210, 40, 300, 18, QStringLiteral("[Testata]"));
    Memo(page, 520, 40, 80, 18, QStringLiteral("[Giacenza]"));
    page->AddBand(report::btPageFooter, 100, 20);
    Memo(page, 40, 100, 200, 20, QStringLiteral("Pagina [PAGE#]"));
  }
  ~Fixture() {
    delete report;
    stock->Close();
    database.Close();
  }
  static void Memo(report::TkvPage *page, int x, int y, int dx, int dy, const QString &text) {
    report::SetMemoText(page->Add<report::TkvMemoView>(x, y, dx, dy), text);
  }

  vcl::TComponent owner{nullptr};
  dao::TVuDaoDatabase database;
  dao::TVuDaoTable *stock = nullptr;
  report::TkvReport *report = nullptr;
};

Fixture &Get() {
  static Fixture fixture;
  return fixture;
}

void BM_PrepareStockList(benchmark::State &state) {
  Fixture &f = Get();
  int pages = 0;
  for (auto _ : state) {
    if (!f.report->PrepareReport()) {
      state.SkipWithError(f.report->ErrorText().toStdString().c_str());
      break;
    }
    pages = f.report->EMFPages().Count();
  }
  state.counters["pages"] = pages;
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_PrepareStockList)->Unit(benchmark::kMillisecond);

// The same table opened, walked and closed, the same three fields read.
void BM_WalkStockBare(benchmark::State &state) {
  Fixture &f = Get();
  for (auto _ : state) {
    f.stock->Open();
    int rows = 0;
    for (f.stock->First(); !f.stock->Eof(); f.stock->Next()) {
      benchmark::DoNotOptimize(f.stock->FieldByName(QStringLiteral("Barcode18"))->AsString());
      benchmark::DoNotOptimize(f.stock->FieldByName(QStringLiteral("Testata"))->AsString());
      benchmark::DoNotOptimize(f.stock->FieldByName(QStringLiteral("Giacenza"))->AsString());
      ++rows;
    }
    f.stock->Close();
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_WalkStockBare)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
