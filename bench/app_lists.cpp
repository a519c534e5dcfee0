// The printed lists on a database of the shop's real size (50 000 stock
// rows, 1 000 000 journal rows over two years): a week of the journal
// ("Lista Movimenti") and the stock list of one distributor ("Lista
// Giacenze"), opened through the selection form's datasets and their record
// filters and walked, beside the bare SQLite statement that reads the same
// rows in the same order; and the week's journal prepared into its finished
// pages from the kept template. The database is ORBISCA_BENCH_DB, or the
// generated one the other benchmarks share (made once when missing).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "app/menulogic.h"
#include "app/selezioneform.h"
#include "app/stampe.h"
#include "platform/jet/jetsql.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvreport.h"
#include "tools/lib/orbiscadb.h"

namespace {

const tools::LargeDatabaseOptions kOptions{};
constexpr double kWeekStart = 400;  // days after the journal's first day
constexpr double kWeek = 6;
const char *const kDistributor = "F3";  // one of the seven

// A copy of its own of the shared database, made once per run.
QString DatabasePath() {
  static const QString copy = [] {
    const QByteArray env = qgetenv("ORBISCA_BENCH_DB");
    QString source = QString::fromLocal8Bit(env);
    if (source.isEmpty()) {
      source = QDir::temp().filePath(QStringLiteral("orbisca_bench_%1.mdb").arg(kOptions.journal_rows));
      if (!QFileInfo::exists(source)) tools::CreateLargeDatabase(source, kOptions);
    }
    const QString folder = QDir::temp().filePath(QStringLiteral("orbisca_lists_bench"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/orbisca4.mdb");
    QFile::copy(source, path);
    return path;
  }();
  return copy;
}

struct Lists {
  Lists() {
    logic.percorso = QFileInfo(DatabasePath()).absolutePath() + QLatin1Char('/');  // the copy's folder
    logic.Database->SetDatabase(DatabasePath());
    logic.Database->Open();
    logic.Periodo->Open();
    form = std::make_unique<app::Tselezioneform>(nullptr, &logic);
    app::TCriteri &week = form->Logic->selezione.giornale;
    week.da = kOptions.first_day + kWeekStart;
    week.a = week.da + kWeek;
    form->Logic->selezione.giacenze.fornitore = QString::fromLatin1(kDistributor);
  }
  ~Lists() {
    form.reset();
    logic.Database->Close();
  }
  app::TMenuLogic logic;
  std::unique_ptr<app::Tselezioneform> form;
};

// Made on first use; freed by main while Qt is still there (the form's
// fonts need it).
std::unique_ptr<Lists> &TheLists() {
  static std::unique_ptr<Lists> lists;
  return lists;
}

Lists &Get() {
  if (!TheLists()) TheLists() = std::make_unique<Lists>();
  return *TheLists();
}

int Walk(app::TStampeLogic &stampe, app::TLista which) {
  int rows = 0;
  if (stampe.Open(which)) {
    vcl::TDataSet *ds = stampe.DataSetOf(which);
    for (ds->First(); !ds->Eof(); ds->Next()) ++rows;
  }
  stampe.Close(which);
  return rows;
}

void BM_JournalWeekThroughTheFilter(benchmark::State &state) {
  app::TStampeLogic &stampe = *Get().form->Logic;
  int rows = 0;
  for (auto _ : state) rows = Walk(stampe, app::TLista::Movimenti);
  state.counters["rows"] = rows;
}
BENCHMARK(BM_JournalWeekThroughTheFilter)->Unit(benchmark::kMillisecond);

void BM_StockOfOneDistributorThroughTheFilter(benchmark::State &state) {
  app::TStampeLogic &stampe = *Get().form->Logic;
  int rows = 0;
  for (auto _ : state) rows = Walk(stampe, app::TLista::Giacenze);
  state.counters["rows"] = rows;
}
BENCHMARK(BM_StockOfOneDistributorThroughTheFilter)->Unit(benchmark::kMillisecond);

// The same rows read by SQLite alone, in the lists' orders.
void BareRows(benchmark::State &state, const char *sql, const std::function<void(sqlite3_stmt *)> &bind) {
  sqlite3 *db = nullptr;
  sqlite3_open_v2(DatabasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  jet::InstallSqliteExtensions(db);
  sqlite3_stmt *s = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
    state.SkipWithError(sqlite3_errmsg(db));
    sqlite3_close(db);
    return;
  }
  int rows = 0;
  for (auto _ : state) {
    bind(s);
    rows = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(s); ++c) benchmark::DoNotOptimize(sqlite3_column_text(s, c));
      ++rows;
    }
    sqlite3_reset(s);
  }
  state.counters["rows"] = rows;
  sqlite3_finalize(s);
  sqlite3_close(db);
}

void BM_JournalWeekBareSql(benchmark::State &state) {
  BareRows(state,
           "SELECT g.Progressivo, g.Data, g.Tipo, g.Barcode18, s.Testata, s.Descrizione, s.Fornitore, s.CD, "
           "s.Periodo, s.Scadenza, g.Quantita, g.Prezzo_A, g.Prezzo_V FROM Giornale g LEFT JOIN Giacenza s ON "
           "g.Barcode18 = s.Barcode18 WHERE g.Data >= ?1 AND g.Data < ?2 + 1 "
           "ORDER BY s.Testata COLLATE JETTEXT, g.Barcode18 COLLATE JETTEXT, g.Data",
           [](sqlite3_stmt *s) {
             sqlite3_bind_double(s, 1, kOptions.first_day + kWeekStart);
             sqlite3_bind_double(s, 2, kOptions.first_day + kWeekStart + kWeek);
           });
}
BENCHMARK(BM_JournalWeekBareSql)->Unit(benchmark::kMillisecond);

void BM_StockOfOneDistributorBareSql(benchmark::State &state) {
  BareRows(state, "SELECT * FROM Giacenza WHERE Fornitore = ?1 ORDER BY Testata COLLATE JETTEXT",
           [](sqlite3_stmt *s) { sqlite3_bind_text(s, 1, kDistributor, -1, SQLITE_STATIC); });
}
BENCHMARK(BM_StockOfOneDistributorBareSql)->Unit(benchmark::kMillisecond);

// The week's journal prepared from the kept template: the work between
// "Stampa" and the preview.
void BM_JournalWeekPrepared(benchmark::State &state) {
  app::TStampeLogic &stampe = *Get().form->Logic;
  report::TkvReport report(nullptr);
  report.SetShowProgress(false);
  report.ProcessMessages = [] {};
  stampe.SetReport(&report);
  report.LoadFromFile(QStringLiteral(ORBISCA_SOURCE_DIR "/app/templates/Report4_2.kvf"));
  int pages = 0;
  for (auto _ : state) {
    stampe.Open(app::TLista::Movimenti);
    if (!report.PrepareReport()) state.SkipWithError(report.ErrorText().toStdString().c_str());
    pages = report.EMFPages().Count();
    stampe.Close(app::TLista::Movimenti);
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_JournalWeekPrepared)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  vcl::InitApplication();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TheLists().reset();
  return 0;
}
