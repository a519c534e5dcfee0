// The database engine on a database of the program's size: 50 000 stock
// rows and 1 000 000 journal rows over two years. Each operation the
// program does all day runs beside the bare SQLite statements that do the
// same work, in the same run, on the same file. The database is generated
// once (ORBISCA_BENCH_DB names it; default under the temporary folder).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

#include "platform/jet/engine.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/sysutils.h"
#include "tools/lib/orbiscadb.h"

namespace {

constexpr int kStock = 50000;
const tools::LargeDatabaseOptions kOptions{};

QString BenchPath() {
  const QByteArray env = qgetenv("ORBISCA_BENCH_DB");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  return QDir::temp().filePath(QStringLiteral("orbisca_bench_%1.mdb").arg(kOptions.journal_rows));
}

struct Fixture {
  Fixture() {
    path = BenchPath();
    if (!QFileInfo::exists(path)) tools::CreateLargeDatabase(path, kOptions);
    {
      // Every figure starts with the file in the system's cache.
      QFile warm(path);
      if (warm.open(QIODevice::ReadOnly))
        while (!warm.read(1 << 20).isEmpty()) {
        }
    }
    db = engine.OpenDatabase(path);
    sqlite3_open_v2(QFile::encodeName(path).constData(), &bare, SQLITE_OPEN_READWRITE, nullptr);
    jet::InstallSqliteExtensions(bare);
  }
  ~Fixture() {
    db->Close();
    sqlite3_close(bare);
  }
  sqlite3_stmt *Prepare(const char *sql) {
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(bare, sql, -1, &st, nullptr) != SQLITE_OK) std::abort();
    return st;
  }
  QString path;
  jet::DBEngine engine;
  jet::DatabasePtr db;
  sqlite3 *bare = nullptr;
};

Fixture &F() {
  static Fixture f;
  return f;
}

QByteArray Code(int i) { return tools::StockBarcode(i).toLatin1(); }

// A day in the middle of the journal, as the text the program passes.
QString DayText() { return rtl::DateToStr(kOptions.first_day + 400); }
double Day() { return kOptions.first_day + 400; }

// ---- opening a dynaset over the stock table -------------------------------------

void Engine_OpenDynasetGiacenza(benchmark::State &state) {
  for (auto _ : state) {
    auto rs = F().db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenDynaset);
    benchmark::DoNotOptimize(rs->RecordCount());
  }
}
void Bare_OpenDynasetGiacenza(benchmark::State &state) {
  for (auto _ : state) {
    sqlite3_stmt *st = F().Prepare("SELECT rowid FROM Giacenza ORDER BY rowid");
    std::vector<sqlite3_int64> keys;
    while (sqlite3_step(st) == SQLITE_ROW) keys.push_back(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(keys.size());
  }
}

// The journal as the program opens it at start-up: a dynaset over the
// table, then the one sorted by its number made from it.
void Engine_OpenSortedJournal(benchmark::State &state) {
  for (auto _ : state) {
    auto rs = F().db->OpenRecordset(QStringLiteral("Giornale"), jet::dbOpenDynaset);
    rs->SetSort(QStringLiteral("[Progressivo] ASC "));
    auto sorted = rs->OpenRecordset();
    benchmark::DoNotOptimize(sorted->RecordCount());
  }
}
void Bare_OpenSortedJournal(benchmark::State &state) {
  for (auto _ : state) {
    for (const char *sql :
         {"SELECT rowid FROM Giornale ORDER BY rowid", "SELECT rowid FROM Giornale ORDER BY Progressivo"}) {
      sqlite3_stmt *st = F().Prepare(sql);
      std::vector<sqlite3_int64> keys;
      while (sqlite3_step(st) == SQLITE_ROW) keys.push_back(sqlite3_column_int64(st, 0));
      sqlite3_finalize(st);
      benchmark::DoNotOptimize(keys.size());
    }
  }
}

// ---- FindFirst on the article code ----------------------------------------------

void Engine_FindFirstBarcode18(benchmark::State &state) {
  auto rs = F().db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenDynaset);
  int i = 0;
  for (auto _ : state) {
    rs->FindFirst(QStringLiteral("[Barcode18] = \"%1\"").arg(QString::fromLatin1(Code(i++ * 7919 % kStock))));
    benchmark::DoNotOptimize(rs->NoMatch());
  }
}
void Bare_FindFirstBarcode18(benchmark::State &state) {
  // The same search given as text: the statement is prepared from it.
  int i = 0;
  for (auto _ : state) {
    const QByteArray sql = "SELECT rowid FROM Giacenza WHERE Barcode18 = '" + Code(i++ * 7919 % kStock) + "'";
    sqlite3_stmt *st = F().Prepare(sql.constData());
    benchmark::DoNotOptimize(sqlite3_step(st));
    sqlite3_finalize(st);
  }
}

// ---- Seek on the key, then read the title -----------------------------------------

void Engine_SeekKey(benchmark::State &state) {
  auto rs = F().db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
  rs->SetIndex(QStringLiteral("PrimaryKey"));
  jet::Field &title = rs->Fields(QStringLiteral("Testata"));
  int i = 0;
  for (auto _ : state) {
    rs->Seek(QStringLiteral("="), {QString::fromLatin1(Code(i++ * 7919 % kStock))});
    benchmark::DoNotOptimize(title.Value());
  }
}
void Bare_SeekKey(benchmark::State &state) {
  sqlite3_stmt *st = F().Prepare("SELECT Testata FROM Giacenza WHERE Barcode18 = ?1");
  int i = 0;
  for (auto _ : state) {
    const QByteArray code = Code(i++ * 7919 % kStock);
    sqlite3_bind_text(st, 1, code.constData(), static_cast<int>(code.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) == SQLITE_ROW)
      benchmark::DoNotOptimize(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

// ---- AddNew / Update of a journal row ----------------------------------------------
// Both inside a transaction that is rolled back, so the figures compare the
// work of the engine and not the disk's flushes, and the file stays as it was.

void Engine_AddJournalRow(benchmark::State &state) {
  auto ws = F().engine.Workspaces(0);
  auto rs = F().db->OpenRecordset(QStringLiteral("Giornale"), jet::dbOpenDynaset);
  ws->BeginTrans();
  for (auto _ : state) {
    rs->AddNew();
    rs->Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(Day()));
    rs->Fields(QStringLiteral("Barcode18")).SetValue(QString::fromLatin1(Code(7)));
    rs->Fields(QStringLiteral("Quantita")).SetValue(-1.0);
    rs->Fields(QStringLiteral("Prezzo_V")).SetValue(1.2);
    rs->Fields(QStringLiteral("Tipo")).SetValue(QStringLiteral("S"));
    rs->Fields(QStringLiteral("Prezzo_A")).SetValue(1.0);
    rs->Update();
  }
  ws->Rollback();
}
void Bare_AddJournalRow(benchmark::State &state) {
  sqlite3_exec(F().bare, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt *st =
      F().Prepare("INSERT INTO Giornale (Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A) VALUES (?,?,?,?,?,?)");
  const QByteArray code = Code(7);
  for (auto _ : state) {
    sqlite3_bind_double(st, 1, Day());
    sqlite3_bind_text(st, 2, code.constData(), static_cast<int>(code.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 3, -1);
    sqlite3_bind_double(st, 4, 1.2);
    sqlite3_bind_text(st, 5, "S", 1, SQLITE_STATIC);
    sqlite3_bind_double(st, 6, 1.0);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(F().bare, "ROLLBACK", nullptr, nullptr, nullptr);
}

// ---- the day's stored queries ---------------------------------------------------

template <int kType>
void RunStored(benchmark::State &state, const char *query) {
  auto qd = F().db->QueryDefs().Ptr(QString::fromLatin1(query));
  for (auto _ : state) {
    qd->Parameters()[0].SetValue(DayText());
    qd->Parameters()[1].SetValue(QStringLiteral("S"));
    auto rs = qd->OpenRecordset(kType);
    double sum = 0;
    const int n = rs->FieldCount();
    for (; !rs->Eof(); rs->MoveNext())
      for (int c = 0; c < n; ++c) benchmark::DoNotOptimize(rs->Fields(c).Value());
    benchmark::DoNotOptimize(sum);
  }
}
void RunBare(benchmark::State &state, const char *sql) {
  for (auto _ : state) {
    sqlite3_stmt *st = F().Prepare(sql);
    sqlite3_bind_double(st, 1, Day());
    sqlite3_bind_text(st, 2, "S", 1, SQLITE_STATIC);
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
      for (int c = 0; c < n; ++c) {
        if (sqlite3_column_type(st, c) == SQLITE_TEXT)
          benchmark::DoNotOptimize(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c))));
        else
          benchmark::DoNotOptimize(sqlite3_column_double(st, c));
      }
    sqlite3_finalize(st);
  }
}

void Engine_Totali(benchmark::State &state) { RunStored<jet::dbOpenDynaset>(state, "totali"); }
void Bare_Totali(benchmark::State &state) {
  RunBare(state,
          "SELECT Data, Tipo, sum(Quantita * Prezzo_A) AS Acquisto, sum(Quantita * Prezzo_V) AS Vendita "
          "FROM Giornale WHERE Data = ?1 AND Tipo = ?2 GROUP BY Data, Tipo");
}
void Engine_UnGiorno(benchmark::State &state) { RunStored<jet::dbOpenSnapshot>(state, "un_giorno"); }
void Bare_UnGiorno(benchmark::State &state) {
  RunBare(state,
          "SELECT g.Progressivo, g.Data, s.Testata, s.Descrizione, g.Quantita, g.Tipo, g.Prezzo_A, "
          "g.Prezzo_V, g.Barcode18 FROM Giornale g LEFT JOIN Giacenza s ON g.Barcode18 = s.Barcode18 "
          "WHERE g.Data = ?1 AND g.Tipo = ?2 ORDER BY g.Progressivo DESC");
}

// The journal print: a copy of the whole joined journal (it no longer fits
// in memory, so it goes to a temporary table), beside stepping the same
// statement once.
void Engine_CopyWholeJournal(benchmark::State &state) {
  auto qd = F().db->QueryDefs().Ptr(QStringLiteral("StampaGiornale"));
  for (auto _ : state) {
    auto rs = qd->OpenRecordset(jet::dbOpenSnapshot);
    benchmark::DoNotOptimize(rs->RecordCount());
  }
}
void Bare_CopyWholeJournal(benchmark::State &state) {
  for (auto _ : state) {
    sqlite3_stmt *st = F().Prepare(
        "SELECT g.Progressivo, g.Data, g.Tipo, g.Barcode18, s.Testata, s.Descrizione, s.Fornitore, s.CD, "
        "s.Periodo, s.Scadenza, g.Quantita, g.Prezzo_A, g.Prezzo_V, g.Prezzo_A * g.Quantita, "
        "g.Prezzo_V * g.Quantita FROM Giornale g LEFT JOIN Giacenza s ON g.Barcode18 = s.Barcode18 "
        "ORDER BY g.Progressivo");
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) ++n;
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(n);
  }
}

}  // namespace

BENCHMARK(Bare_CopyWholeJournal)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Engine_CopyWholeJournal)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Bare_OpenDynasetGiacenza)->Unit(benchmark::kMillisecond);
BENCHMARK(Engine_OpenDynasetGiacenza)->Unit(benchmark::kMillisecond);
BENCHMARK(Bare_OpenSortedJournal)->Unit(benchmark::kMillisecond);
BENCHMARK(Engine_OpenSortedJournal)->Unit(benchmark::kMillisecond);
BENCHMARK(Bare_FindFirstBarcode18)->Unit(benchmark::kMicrosecond);
BENCHMARK(Engine_FindFirstBarcode18)->Unit(benchmark::kMicrosecond);
BENCHMARK(Bare_SeekKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(Engine_SeekKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(Bare_AddJournalRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(Engine_AddJournalRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(Bare_Totali)->Unit(benchmark::kMillisecond);
BENCHMARK(Engine_Totali)->Unit(benchmark::kMillisecond);
BENCHMARK(Bare_UnGiorno)->Unit(benchmark::kMillisecond);
BENCHMARK(Engine_UnGiorno)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  F();  // generating the database is no part of any figure
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
