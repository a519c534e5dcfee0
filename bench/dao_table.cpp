// The table component against the engine it drives, on a database of the
// program's size (50 000 stock rows, 1 000 000 journal rows): finding a
// scanned code in the stock, registering a journal row, opening the day's
// list. Each runs beside the same work done on the engine directly, in the
// same run and on the same file, so the figures show what the component
// layer adds. The database is generated once (ORBISCA_BENCH_DB names it;
// default under the temporary folder, shared with the engine benchmarks).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
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

double Day() { return kOptions.first_day + 400; }
QString DayText() { return rtl::DateToStr(Day()); }

// Both sides open what the program keeps open all day: the stock and the
// journal as sorted dynasets.
struct Fixture {
  Fixture() {
    path = BenchPath();
    if (!QFileInfo::exists(path)) tools::CreateLargeDatabase(path, kOptions);
    {
      QFile warm(path);
      if (warm.open(QIODevice::ReadOnly))
        while (!warm.read(1 << 20).isEmpty()) {
        }
    }
    db = engine.OpenDatabase(path);
    stock = Sorted(QStringLiteral("Giacenza"), QStringLiteral("[Barcode18] ASC "));
    journal = Sorted(QStringLiteral("Giornale"), QStringLiteral("[Progressivo] ASC "));

    database.SetDatabase(path);
    database.Open();
    giacenze.SetDatabase(&database);
    giacenze.SetTableName(QStringLiteral("Giacenza"));
    giacenze.SetSortedBy({QStringLiteral("[Barcode18] ASC")});
    giacenze.Open();
    giornale.SetDatabase(&database);
    giornale.SetTableName(QStringLiteral("Giornale"));
    giornale.SetSortedBy({QStringLiteral("[Progressivo] ASC")});
    giornale.Open();
    un_giorno.SetDatabase(&database);
    un_giorno.SetQueryDefName(QStringLiteral("un_giorno"));
    un_giorno.SetTableType(jet::dbOpenSnapshot);
  }
  ~Fixture() {
    // The rows the runs appended go again, so the file stays the same size.
    db->Execute(QStringLiteral("DELETE FROM Giornale WHERE Tipo = \"B\""));
    giacenze.Close();
    giornale.Close();
    database.Close();
    db->Close();
  }
  jet::RecordsetPtr Sorted(const QString &table, const QString &sort) {
    auto rs = db->OpenRecordset(table, jet::dbOpenDynaset);
    rs->SetSort(sort);
    auto sorted = rs->OpenRecordset(jet::dbOpenDynaset);
    rs->Close();
    return sorted;
  }

  QString path;
  jet::DBEngine engine;
  jet::DatabasePtr db;
  jet::RecordsetPtr stock, journal;
  dao::TVuDaoDatabase database;
  dao::TVuDaoTable giacenze, giornale, un_giorno;
};

Fixture &F() {
  static Fixture f;
  return f;
}

// Codes spread over the table, visited in a fixed order.
QString NextCode(int &i) {
  i = (i + 7919) % kStock;
  return tools::StockBarcode(i);
}

// ---- finding a scanned code in the stock -------------------------------------

void Engine_FindStockCode(benchmark::State &state) {
  jet::Recordset &rs = *F().stock;
  int i = 0;
  for (auto _ : state) {
    const QString code = NextCode(i);
    auto clone = rs.Clone();
    clone->FindFirst(QStringLiteral("([Barcode18] = \"") + code + QStringLiteral("\")"));
    if (clone->NoMatch()) state.SkipWithError("code not found");
    rs.SetBookmark(clone->Bookmark());
    clone->Close();
    for (int f = 0; f < rs.FieldCount(); ++f) benchmark::DoNotOptimize(rs.Fields(f).Value());
  }
}
void Dao_LocateStockCode(benchmark::State &state) {
  dao::TVuDaoTable &t = F().giacenze;
  int i = 0;
  for (auto _ : state) {
    const QString code = NextCode(i);
    if (!t.Locate(QStringLiteral("Barcode18"), code, 0)) state.SkipWithError("code not found");
    benchmark::DoNotOptimize(t.FieldByName(QStringLiteral("Giacenza"))->AsFloat());
  }
}

// ---- registering a journal row ----------------------------------------------------

void Engine_AppendJournalRow(benchmark::State &state) {
  jet::Recordset &rs = *F().journal;
  for (auto _ : state) {
    rs.AddNew();
    rs.Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(Day()));
    rs.Fields(QStringLiteral("Barcode18")).SetValue(tools::StockBarcode(17));
    rs.Fields(QStringLiteral("Quantita")).SetValue(3.0);
    rs.Fields(QStringLiteral("Prezzo_A")).SetValue(1.5);
    rs.Fields(QStringLiteral("Prezzo_V")).SetValue(2.0);
    rs.Fields(QStringLiteral("Tipo")).SetValue(QStringLiteral("B"));
    rs.Update();
    // The program reads the posted row back (its number).
    rs.SetBookmark(rs.LastModified());
    benchmark::DoNotOptimize(rs.Fields(QStringLiteral("Progressivo")).Value());
  }
}
void Dao_AppendPostJournalRow(benchmark::State &state) {
  dao::TVuDaoTable &t = F().giornale;
  for (auto _ : state) {
    t.Append();
    t.FieldByName(QStringLiteral("Data"))->SetAsDateTime(Day());
    t.FieldByName(QStringLiteral("Barcode18"))->SetAsString(tools::StockBarcode(17));
    t.FieldByName(QStringLiteral("Quantita"))->SetAsFloat(3.0);
    t.FieldByName(QStringLiteral("Prezzo_A"))->SetAsFloat(1.5);
    t.FieldByName(QStringLiteral("Prezzo_V"))->SetAsFloat(2.0);
    t.FieldByName(QStringLiteral("Tipo"))->SetAsString(QStringLiteral("B"));
    t.Post();
    benchmark::DoNotOptimize(t.FieldByName(QStringLiteral("Progressivo"))->AsInteger());
  }
}

// ---- opening the day's list ---------------------------------------------------------

void Engine_OpenDayList(benchmark::State &state) {
  auto qd = F().db->QueryDefs().Ptr(QStringLiteral("un_giorno"));
  for (auto _ : state) {
    qd->Parameters()[0].SetValue(DayText());
    qd->Parameters()[1].SetValue(QStringLiteral("C"));
    auto rs = qd->OpenRecordset(jet::dbOpenSnapshot);
    if (!(rs->Bof() && rs->Eof()))
      for (int f = 0; f < rs->FieldCount(); ++f) benchmark::DoNotOptimize(rs->Fields(f).Value());
    rs->Close();
  }
}
void Dao_OpenDayList(benchmark::State &state) {
  dao::TVuDaoTable &t = F().un_giorno;
  for (auto _ : state) {
    t.Close();
    t.SetQueryDefParameters({DayText(), QStringLiteral("C")});
    t.Open();
    benchmark::DoNotOptimize(t.FieldByName(QStringLiteral("Testata"))->AsString());
  }
  t.Close();
}

BENCHMARK(Engine_FindStockCode)->Unit(benchmark::kMicrosecond);
BENCHMARK(Dao_LocateStockCode)->Unit(benchmark::kMicrosecond);
BENCHMARK(Engine_AppendJournalRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(Dao_AppendPostJournalRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(Engine_OpenDayList)->Unit(benchmark::kMicrosecond);
BENCHMARK(Dao_OpenDayList)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
