// The program's own time on a database of its real size (50 000 stock rows,
// 1 000 000 journal rows): a sale from the end of a scanned code to the
// day's list and totals refreshed, through the main window's handlers, beside
// the bare SQLite statements that do the same reads and writes in the same
// run; and the start-up from making the main window to the load page ready.
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
#include "platform/jet/jetsql.h"
#include "platform/rtl/sysutils.h"
#include "tools/lib/orbiscadb.h"

namespace {

const tools::LargeDatabaseOptions kOptions{};
constexpr double kDayOffset = 400;

QString SourcePath() {
  const QByteArray env = qgetenv("ORBISCA_BENCH_DB");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  return QDir::temp().filePath(QStringLiteral("orbisca_bench_%1.mdb").arg(kOptions.journal_rows));
}

// A data folder of this run's own holding a fresh copy of the large database.
std::unique_ptr<QTemporaryDir> PrepareFolder() {
  const QString source = SourcePath();
  if (!QFileInfo::exists(source)) tools::CreateLargeDatabase(source, kOptions);
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

void BM_SaleThroughTheWindow(benchmark::State &state) {
  const auto folder = PrepareFolder();
  const QString saved = QDir::currentPath();
  QDir::setCurrent(folder->path());
  auto form = StartedWindow();
  if (!form->Started()) {
    state.SkipWithError("the archives did not open");
    QDir::setCurrent(saved);
    return;
  }
  form->selez_data->SetText(rtl::DateToStr(kOptions.first_day + kDayOffset));
  form->ingresso_barcode->SetText(QStringLiteral("333"));
  form->ingresso_barcodeExit(nullptr);
  form->PageControl1Change(nullptr);
  std::vector<double> ms;
  int i = 0;
  for (auto _ : state) {
    const QString code = tools::StockBarcode((i++ * 7919) % kOptions.stock_rows);
    QElapsedTimer t;
    t.start();
    form->ingresso_barcode->SetText(code);
    form->ingresso_barcodeExit(nullptr);
    form->btn_scaricoClick(nullptr);
    ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
  }
  if (form->Logic->lb_showrivista == app::kNotInStock) state.SkipWithError("the codes were not found");
  Percentiles(state, ms);
  form.reset();
  QDir::setCurrent(saved);
}

// The same reads and writes as bare statements: find the stock row, update
// it and append the journal row in one transaction, then read the day's
// list and its totals.
void BM_SaleBareSqlite(benchmark::State &state) {
  const auto folder = PrepareFolder();
  sqlite3 *db = nullptr;
  sqlite3_open(QFile::encodeName(folder->filePath(QStringLiteral("orbisca4.mdb"))).constData(), &db);
  jet::InstallSqliteExtensions(db);
  auto prepare = [db](const char *sql) {
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) s = nullptr;
    return s;
  };
  sqlite3_stmt *find = prepare("SELECT * FROM Giacenza WHERE Barcode18 = ?");
  sqlite3_stmt *update = prepare("UPDATE Giacenza SET Giacenza = Giacenza - 1 WHERE Barcode18 = ?");
  sqlite3_stmt *append = prepare(
      "INSERT INTO Giornale (Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A) VALUES (?, ?, -1, ?, 'S', ?)");
  sqlite3_stmt *day = prepare(
      "SELECT g.Progressivo, g.Data, s.Testata, s.Descrizione, g.Quantita, g.Tipo, g.Prezzo_A, g.Prezzo_V, "
      "g.Barcode18 FROM Giornale g LEFT JOIN Giacenza s ON g.Barcode18 = s.Barcode18 "
      "WHERE g.Data = ? AND g.Tipo = 'S' ORDER BY g.Progressivo DESC");
  sqlite3_stmt *totals =
      prepare("SELECT Sum(Quantita * Prezzo_A), Sum(Quantita * Prezzo_V) FROM Giornale WHERE Data = ? AND Tipo = 'S'");
  if (!find || !update || !append || !day || !totals) {
    state.SkipWithError(sqlite3_errmsg(db));
    sqlite3_close(db);
    return;
  }
  const double work_day = kOptions.first_day + kDayOffset;
  std::vector<double> ms;
  int i = 0;
  for (auto _ : state) {
    const QByteArray code = tools::StockBarcode((i++ * 7919) % kOptions.stock_rows).toUtf8();
    QElapsedTimer t;
    t.start();
    sqlite3_bind_text(find, 1, code.constData(), -1, SQLITE_TRANSIENT);
    double pv = 0, pa = 0;
    if (sqlite3_step(find) == SQLITE_ROW) {
      const int n = sqlite3_column_count(find);
      for (int c = 0; c < n; ++c) sqlite3_column_text(find, c);
      pv = sqlite3_column_double(find, 9);
      pa = sqlite3_column_double(find, 10);
    }
    sqlite3_reset(find);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_text(update, 1, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_step(update);
    sqlite3_reset(update);
    sqlite3_bind_double(append, 1, work_day);
    sqlite3_bind_text(append, 2, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(append, 3, pv);
    sqlite3_bind_double(append, 4, pa);
    sqlite3_step(append);
    sqlite3_reset(append);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_bind_double(day, 1, work_day);
    int rows = 0;
    while (sqlite3_step(day) == SQLITE_ROW) {
      for (int c = 0; c < 9; ++c) sqlite3_column_text(day, c);
      ++rows;
    }
    sqlite3_reset(day);
    sqlite3_bind_double(totals, 1, work_day);
    sqlite3_step(totals);
    benchmark::DoNotOptimize(sqlite3_column_double(totals, 0) + rows);
    sqlite3_reset(totals);
    ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
  }
  for (auto *s : {find, update, append, day, totals}) sqlite3_finalize(s);
  sqlite3_close(db);
  Percentiles(state, ms);
}

BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaleThroughTheWindow)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaleBareSqlite)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

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
