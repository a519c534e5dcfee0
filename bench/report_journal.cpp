// The journal of the shop's real size (the generated large database of
// 1 000 000 journal rows; ORBISCA_BENCH_DB names it, made once when missing)
// listed in a report: preparing the list, and printing its finished pages
// to a PDF file, each with the peak resident memory it reached beside the
// bytes of the finished pages it holds. Each runs on a tenth, a third and
// all of the rows, so the memory beyond the pages can be seen not to grow
// with the rows. Beside them, in the same run, the same rows read with bare
// SQLite.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <malloc.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "bench/large_database.h"
#include "bench/qt_main.h"
#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/jetsql.h"
#include "platform/vcl/printers.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/print/kvprntr.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// The resident memory of the process now and at its peak since the last
// ResetPeakMemory, in bytes (Linux's VmRSS and VmHWM).
double StatusBytes(const char *key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size())) * 1024.0;
  }
  return 0;
}
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
// What is resident now, once the heap has given back what earlier runs freed.
double SettledMemory() {
  malloc_trim(0);
  return StatusBytes("VmRSS");
}

// The list: a title, one row per journal line (day, code, quantity, price,
// kind) and the page number.
struct JournalList {
  explicit JournalList(int rows) {
    database.SetDatabase(bench::LargeDatabasePath());
    database.Open();
    journal = new dao::TVuDaoTable(&owner);
    journal->SetName(QStringLiteral("Giornale"));
    journal->SetDatabase(&database);
    journal->SetTableName(QStringLiteral("Giornale"));
    journal->SetFilterText(QStringLiteral("Progressivo <= %1").arg(rows));
    journal->SetFiltered(true);
    auto *source = new report::TkvDBDataSet(&owner);
    source->SetName(QStringLiteral("Righe"));
    source->SetDataSet(journal);
    report = new report::TkvReport(&owner);
    report->ProcessMessages = [] {};
    report->SetShowProgress(false);
    report::TkvPage *page = report->Pages().Page(0);
    page->AddBand(report::btPageHeader, 0, 30);
    Memo(page, 40, 4, 400, 22, QStringLiteral("Giornale dei movimenti"));
    page->AddBand(report::btMasterData, 40, 18)->FormatStr = QStringLiteral("Righe");
    Memo(page, 40, 40, 90, 18, QStringLiteral("[Data]"));
    Memo(page, 140, 40, 160, 18, QStringLiteral("[Barcode18]"));
    Memo(page, 310, 40, 60, 18, QStringLiteral("[Quantita]"));
    Memo(page, 380, 40, 80, 18, QStringLiteral("[Prezzo_V]"));
    Memo(page, 470, 40, 30, 18, QStringLiteral("[Tipo]"));
    page->AddBand(report::btPageFooter, 100, 20);
    Memo(page, 40, 100, 200, 20, QStringLiteral("Pagina [PAGE#]"));
  }
  ~JournalList() {
    delete report;
    journal->Close();
    database.Close();
  }
  static void Memo(report::TkvPage *page, int x, int y, int dx, int dy, const QString &text) {
    report::SetMemoText(page->Add<report::TkvMemoView>(x, y, dx, dy), text);
  }
  double PageBytes() const {
    double bytes = 0;
    for (int i = 0; i < report->EMFPages().Count(); ++i) {
      const report::TkvEMFPage *page = report->EMFPages().Page(i);
      if (page->Picture) bytes += double(page->Picture->SaveToBytes().size());
    }
    return bytes;
  }

  vcl::TComponent owner{nullptr};
  dao::TVuDaoDatabase database;
  dao::TVuDaoTable *journal = nullptr;
  report::TkvReport *report = nullptr;
};

// Counters: the pages and their bytes, and how far the resident memory
// rose above `start` at its peak, in all and beyond the pages.
void Report(benchmark::State &state, const JournalList &list, double start, double peak) {
  const double pages = list.PageBytes();
  state.counters["rows"] = double(state.range(0));
  state.counters["pages"] = list.report->EMFPages().Count();
  state.counters["pages_MiB"] = pages / kMiB;
  state.counters["peak_MiB"] = peak / kMiB;
  state.counters["peak_rise_MiB"] = (peak - start) / kMiB;
  state.counters["beyond_pages_MiB"] = (peak - start - pages) / kMiB;
}

void BM_PrepareJournal(benchmark::State &state) {
  double start = 0, peak = 0;
  std::unique_ptr<JournalList> list;
  for (auto _ : state) {
    state.PauseTiming();
    list.reset();
    start = SettledMemory();
    ResetPeakMemory();
    state.ResumeTiming();
    list = std::make_unique<JournalList>(int(state.range(0)));
    if (!list->report->PrepareReport()) state.SkipWithError("the list did not prepare");
    peak = StatusBytes("VmHWM");
  }
  Report(state, *list, start, peak);
}
BENCHMARK(BM_PrepareJournal)->Arg(100000)->Arg(330000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

// Printing the prepared list: the memory it needs beyond the prepared
// pages (print_rise) stays flat.
void BM_PrintJournalToPdf(benchmark::State &state) {
  SettledMemory();
  auto list = std::make_unique<JournalList>(int(state.range(0)));
  if (!list->report->PrepareReport()) {
    state.SkipWithError("the list did not prepare");
    return;
  }
  // The PDF printer alone, into a file of a folder of our own.
  QTemporaryDir folder;
  report::TPrinterSettings *settings = report::GlobalPrinterSettings();
  vcl::TPrinter *settings_printer = settings->Printer();
  std::unique_ptr<vcl::TPrinter> previous =
      vcl::SetPrinter(std::make_unique<vcl::TPrinter>(std::vector<vcl::TPrinterDevice>{}));
  settings->SetPrinter(vcl::Printer());
  const QString file = folder.filePath(QStringLiteral("giornale.pdf"));
  vcl::Printer()->SetOutputFileName(file);
  double prepared = 0, peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepared = SettledMemory();
    ResetPeakMemory();
    state.ResumeTiming();
    list->report->PrintPreparedReport(1, list->report->EMFPages().Count(), 1, false);
    peak = StatusBytes("VmHWM");
  }
  state.counters["rows"] = double(state.range(0));
  state.counters["pages"] = list->report->EMFPages().Count();
  state.counters["pdf_MiB"] = double(QFileInfo(file).size()) / kMiB;
  state.counters["peak_MiB"] = peak / kMiB;
  state.counters["print_rise_MiB"] = (peak - prepared) / kMiB;
  vcl::SetPrinter(std::move(previous));
  settings->SetPrinter(settings_printer);
}
BENCHMARK(BM_PrintJournalToPdf)->Arg(100000)->Arg(330000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

// The same rows and columns read with bare SQLite.
void BM_ReadJournalBare(benchmark::State &state) {
  sqlite3 *db = nullptr;
  sqlite3_open_v2(QFile::encodeName(bench::LargeDatabasePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  jet::InstallSqliteExtensions(db);
  sqlite3_stmt *rows = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT Data, Barcode18, Quantita, Prezzo_V, Tipo FROM Giornale WHERE Progressivo <= ? "
                     "ORDER BY Progressivo",
                     -1, &rows, nullptr);
  for (auto _ : state) {
    sqlite3_bind_int(rows, 1, int(state.range(0)));
    int n = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
      for (int c = 0; c < 5; ++c) benchmark::DoNotOptimize(sqlite3_column_text(rows, c));
      ++n;
    }
    sqlite3_reset(rows);
    benchmark::DoNotOptimize(n);
  }
  sqlite3_finalize(rows);
  sqlite3_close(db);
  state.counters["rows"] = double(state.range(0));
}
BENCHMARK(BM_ReadJournalBare)->Arg(100000)->Arg(330000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char **argv) { return bench::RunWithQt(argc, argv); }
