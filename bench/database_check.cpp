// What checking the database for damage costs on a database of the shop's
// real size (50 000 stock rows, 1 000 000 journal rows), to choose the check
// the program runs at every start: SQLite's quick check of the whole file,
// its full integrity check, and the engine's own start-up check, each beside
// reading the file from end to end and counting the journal's rows, the
// cheapest ways of touching every page and every journal row. The file is
// in the page cache, as it is at a start that follows a day's work.
// ORBISCA_BENCH_DB names the generated database (made once when missing).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "bench/large_database.h"
#include "platform/jet/engine.h"
#include "platform/jet/jetsql.h"

namespace {

// Runs one statement to its end on a read-only connection.
void RunStatement(benchmark::State &state, const char *sql) {
  sqlite3 *db = nullptr;
  sqlite3_open_v2(QFile::encodeName(bench::LargeDatabasePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  jet::InstallSqliteExtensions(db);
  for (auto _ : state) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    while (sqlite3_step(st) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
}

void BM_ReadWholeFile(benchmark::State &state) {
  QFile f(bench::LargeDatabasePath());
  QByteArray chunk(1 << 20, Qt::Uninitialized);
  for (auto _ : state) {
    if (!f.open(QIODevice::ReadOnly)) {
      state.SkipWithError("cannot read the database");
      break;
    }
    while (f.read(chunk.data(), chunk.size()) > 0) benchmark::DoNotOptimize(chunk.data());
    f.close();
  }
  state.counters["MB"] = QFileInfo(bench::LargeDatabasePath()).size() / 1e6;
}

void BM_CountJournal(benchmark::State &state) { RunStatement(state, "SELECT count(*) FROM Giornale"); }
void BM_QuickCheck(benchmark::State &state) { RunStatement(state, "PRAGMA quick_check"); }
void BM_IntegrityCheck(benchmark::State &state) { RunStatement(state, "PRAGMA integrity_check"); }

// The check the program runs when it opens its archives.
void BM_StartUpCheck(benchmark::State &state) {
  jet::DBEngine engine;
  for (auto _ : state) {
    try {
      engine.CheckDatabase(bench::LargeDatabasePath(), true);
    } catch (const std::exception &e) {
      state.SkipWithError(e.what());
      break;
    }
  }
}

BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CountJournal)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_QuickCheck)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartUpCheck)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IntegrityCheck)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
