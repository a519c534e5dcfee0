// The DAO grid over a stock of 10 000 records, sorted as the archive shows
// it: opening the table under a grid that holds every record
// (exoLoadAllRecords) and going to its last record there, each beside the
// same done under a grid that holds only the rows that fit, in the same run
// and on the same file. The database is generated once per run in the
// temporary folder.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <memory>

#include "bench/qt_main.h"
#include "dao/vudaodatabase.h"
#include "dao/vudaogrid.h"
#include "dao/vudaotable.h"
#include "platform/vcl/forms.h"
#include "tools/lib/orbiscadb.h"

namespace {

constexpr int kStock = 10000;

QString DatabasePath() {
  static const QString path = [] {
    const QString p = QDir::temp().filePath(QStringLiteral("orbisca_grid_bench_%1.mdb").arg(kStock));
    QFile::remove(p);
    tools::LargeDatabaseOptions options;
    options.stock_rows = kStock;
    options.journal_rows = 1000;
    tools::CreateLargeDatabase(p, options);
    return p;
  }();
  return path;
}

// A shown form with the grid over the stock, the table closed.
struct GridOnStock {
  explicit GridOnStock(bool load_all) {
    database.SetDatabase(DatabasePath());
    database.Open();
    stock.SetDatabase(&database);
    stock.SetTableName(QStringLiteral("Giacenza"));
    stock.SetSortedBy({QStringLiteral("[Barcode18] ASC")});
    source.SetDataSet(&stock);
    form.SetBounds(0, 0, 640, 480);
    grid = new dao::TVuDaoDBGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 620, 460);
    grid->SetDataSource(&source);
    if (load_all) grid->SetExOptions({dao::exoLoadAllRecords});
    form.Show();
  }
  ~GridOnStock() {
    grid->SetDataSource(nullptr);
    stock.Close();
  }
  dao::TVuDaoDatabase database;
  dao::TVuDaoTable stock;
  vcl::TDataSource source;
  vcl::TForm form{nullptr};
  dao::TVuDaoDBGrid *grid = nullptr;
};

void OpenUnderGrid(benchmark::State &state, bool load_all) {
  GridOnStock g(load_all);
  int rows = 0;
  for (auto _ : state) {
    g.stock.Open();
    rows = g.grid->RowCount();
    g.stock.Close();
  }
  state.counters["rows"] = rows;
}

void LastUnderGrid(benchmark::State &state, bool load_all) {
  GridOnStock g(load_all);
  g.stock.Open();
  for (auto _ : state) {
    g.stock.Last();
    g.stock.First();
  }
}

void Grid_OpenShowingTheRowsThatFit(benchmark::State &state) { OpenUnderGrid(state, false); }
void Grid_OpenLoadingAllRecords(benchmark::State &state) { OpenUnderGrid(state, true); }
void Grid_LastAndFirstShowingTheRowsThatFit(benchmark::State &state) { LastUnderGrid(state, false); }
void Grid_LastAndFirstLoadingAllRecords(benchmark::State &state) { LastUnderGrid(state, true); }

}  // namespace

BENCHMARK(Grid_OpenShowingTheRowsThatFit)->Unit(benchmark::kMillisecond);
BENCHMARK(Grid_OpenLoadingAllRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(Grid_LastAndFirstShowingTheRowsThatFit)->Unit(benchmark::kMillisecond);
BENCHMARK(Grid_LastAndFirstLoadingAllRecords)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) { return bench::RunWithQt(argc, argv); }
