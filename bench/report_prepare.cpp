// Preparing a stock list of 10 000 rows into finished pages (page header,
// one row per stock line with three fields, page footer with the page
// number) beside walking the same table bare and reading the same three
// fields, in the same run and on the same file: the difference is what
// laying out and recording the pages costs. The database is generated once
// under the temporary folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "bench/qt_main.h"
#include "bench/stock_list.h"
#include "report/engine/model/kvglobals.h"

namespace {

constexpr int kRows = bench::kStockRows;
using Fixture = bench::StockList;

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

int main(int argc, char **argv) { return bench::RunWithQt(argc, argv); }
