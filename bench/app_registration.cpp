// The program's own time on a database of its real size (50 000 stock rows,
// 1 000 000 journal rows): a sale from the end of a scanned code to the
// day's list and totals refreshed, through the main window's handlers, beside
// the bare SQLite statements that do the same reads and writes, alternating
// in the same run; and the start-up from making the main window to the load
// page ready.
// Each run works on its own copy of the generated database (ORBISCA_BENCH_DB
// names the original; it is made once when missing).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/menuform.h"
#include "bench/large_database.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/sysutils.h"
#include "tools/lib/orbiscadb.h"

namespace {

const tools::LargeDatabaseOptions &kOptions = bench::kLargeDatabase;
constexpr double kDayOffset = 400;

// A data folder of this run's own holding a fresh copy of the large database.
std::unique_ptr<QTemporaryDir> PrepareFolder() {
  const QString source = bench::LargeDatabasePath();
  auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("orbisca_app_bench.XXXXXX")));
  QFile::copy(source, folder->filePath(QStringLiteral("orbisca4.mdb")));
  return folder;
}

// The main window shown and started as the first paint starts it (the
// start-up runs from the event loop once the paint is over).
std::unique_ptr<app::TMenuForm> StartedWindow() {
  auto form = std::make_unique<app::TMenuForm>(nullptr);
  form->Show();
  form->FormPaint(form.get());  // the first paint, whether or not the platform painted yet
  for (int i = 0; i < 100 && !form->Started(); ++i) QApplication::processEvents();
  return form;
}

void Percentiles(benchmark::State &state, std::vector<double> &ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}

void BM_StartUp(benchmark::State &state) {
  const auto folder = PrepareFolder();
  const QString saved = QDir::currentPath();
  QDir::setCurrent(folder->path());
  std::vector<double> ms;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    auto form = StartedWindow();
    ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    if (!form->Started()) state.SkipWithError("the archives did not open");
  }
  Percentiles(state, ms);
  QDir::setCurrent(saved);
}

// The same reads and writes as bare statements: find the stock row, update
// it and append the journal row in one transaction, then read the day's
// list and its totals.
class BareSale {
 public:
  explicit BareSale(const QString &file) {
    sqlite3_open(QFile::encodeName(file).constData(), &db_);
    jet::InstallSqliteExtensions(db_);
    find_ = Prepare("SELECT * FROM Giacenza WHERE Barcode18 = ?");
    update_ = Prepare("UPDATE Giacenza SET Giacenza = Giacenza - 1 WHERE Barcode18 = ?");
    append_ = Prepare(
        "INSERT INTO Giornale (Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A) VALUES (?, ?, -1, ?, 'S', ?)");
    day_ = Prepare(
        "SELECT g.Progressivo, g.Data, s.Testata, s.Descrizione, g.Quantita, g.Tipo, g.Prezzo_A, g.Prezzo_V, "
        "g.Barcode18 FROM Giornale g LEFT JOIN Giacenza s ON g.Barcode18 = s.Barcode18 "
        "WHERE g.Data = ? AND g.Tipo = 'S' ORDER BY g.Progressivo DESC");
    totals_ = Prepare(
        "SELECT Sum(Quantita * Prezzo_A), Sum(Quantita * Prezzo_V) FROM Giornale WHERE Data = ? AND Tipo = 'S'");
  }
  ~BareSale() {
    for (auto *s : {find_, update_, append_, day_, totals_}) sqlite3_finalize(s);
    sqlite3_close(db_);
  }
  BareSale(const BareSale &) = delete;
  BareSale &operator=(const BareSale &) = delete;

  // Empty when every statement prepared.
  QString Error() const {
    return find_ && update_ && append_ && day_ && totals_ ? QString() : QString::fromUtf8(sqlite3_errmsg(db_));
  }

  [[gnu::noinline]] void Sell(const QByteArray &code, double work_day) {
    sqlite3_bind_text(find_, 1, code.constData(), -1, SQLITE_TRANSIENT);
    double pv = 0, pa = 0;
    if (sqlite3_step(find_) == SQLITE_ROW) {
      const int n = sqlite3_column_count(find_);
      for (int c = 0; c < n; ++c) sqlite3_column_text(find_, c);
      pv = sqlite3_column_double(find_, 9);
      pa = sqlite3_column_double(find_, 10);
    }
    sqlite3_reset(find_);
    sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_text(update_, 1, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_step(update_);
    sqlite3_reset(update_);
    sqlite3_bind_double(append_, 1, work_day);
    sqlite3_bind_text(append_, 2, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(append_, 3, pv);
    sqlite3_bind_double(append_, 4, pa);
    sqlite3_step(append_);
    sqlite3_reset(append_);
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_bind_double(day_, 1, work_day);
    int rows = 0;
    while (sqlite3_step(day_) == SQLITE_ROW) {
      for (int c = 0; c < 9; ++c) sqlite3_column_text(day_, c);
      ++rows;
    }
    sqlite3_reset(day_);
    sqlite3_bind_double(totals_, 1, work_day);
    sqlite3_step(totals_);
    benchmark::DoNotOptimize(sqlite3_column_double(totals_, 0) + rows);
    sqlite3_reset(totals_);
  }

 private:
  sqlite3_stmt *Prepare(const char *sql) {
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) s = nullptr;
    return s;
  }

  sqlite3 *db_ = nullptr;
  sqlite3_stmt *find_ = nullptr, *update_ = nullptr, *append_ = nullptr, *day_ = nullptr, *totals_ = nullptr;
};

double MillisecondsOf(const QElapsedTimer &t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// A sale through the window and the same sale as bare statements, one
// after the other in every iteration (each on its own copy of the
// database), so that both meet the same load of a shared machine. The
// iteration's time is the window's; the counters give both and their
// ratios.
void BM_SaleThroughTheWindow(benchmark::State &state) {
  const auto folder = PrepareFolder();
  const auto bare_folder = PrepareFolder();
  BareSale bare(bare_folder->filePath(QStringLiteral("orbisca4.mdb")));
  if (!bare.Error().isEmpty()) {
    state.SkipWithError(bare.Error().toStdString().c_str());
    return;
  }
  const QString saved = QDir::currentPath();
  QDir::setCurrent(folder->path());
  auto form = StartedWindow();
  if (!form->Started()) {
    state.SkipWithError("the archives did not open");
    QDir::setCurrent(saved);
    return;
  }
  const double work_day = kOptions.first_day + kDayOffset;
  form->selez_data->SetText(rtl::DateToStr(work_day));
  form->ingresso_barcode->SetText(QStringLiteral("333"));
  form->ingresso_barcodeExit(nullptr);
  form->PageControl1Change(nullptr);
  std::vector<double> window_ms, bare_ms;
  int i = 0;
  for (auto _ : state) {
    const QString code = tools::StockBarcode((i++ * 7919) % kOptions.stock_rows);
    QElapsedTimer t;
    t.start();
    form->ingresso_barcode->SetText(code);
    form->ingresso_barcodeExit(nullptr);
    form->btn_scaricoClick(nullptr);
    window_ms.push_back(MillisecondsOf(t));
    state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    t.restart();
    bare.Sell(code.toUtf8(), work_day);
    bare_ms.push_back(MillisecondsOf(t));
  }
  if (form->Logic->lb_showrivista == app::kNotInStock) state.SkipWithError("the codes were not found");
  Percentiles(state, window_ms);
  const double window_median = state.counters["median_ms"], window_p99 = state.counters["p99_ms"];
  Percentiles(state, bare_ms);
  state.counters["bare_median_ms"] = state.counters["median_ms"];
  state.counters["bare_p99_ms"] = state.counters["p99_ms"];
  state.counters["median_ms"] = window_median;
  state.counters["p99_ms"] = window_p99;
  state.counters["ratio_median"] = window_median / state.counters["bare_median_ms"];
  state.counters["ratio_p99"] = window_p99 / state.counters["bare_p99_ms"];
  form.reset();
  QDir::setCurrent(saved);
}

BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaleThroughTheWindow)->UseManualTime()->Iterations(400)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication qt_app(argc, argv);
  vcl::InitApplication();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
