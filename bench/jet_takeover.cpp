// Taking over a Jet archive: converting nwind.mdb (Jet 3, 3 MB, 9 tables,
// 4 032 rows, pictures, 22 stored queries) into the engine's format, with
// the check of the converted file, beside the independent reader exporting
// all of its tables as text (mdb-export, one process per table), in the
// same run. The conversion writes a new file each time; the Jet file is in
// the system's cache for both.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/jet/takeover.h"

namespace {

const QString kNwind = QStringLiteral(ORBISCA_SOURCE_DIR "/tests/data/jet/nwind.mdb");

QStringList Tables() {
  QProcess p;
  p.start(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), kNwind});
  p.waitForFinished();
  return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

void BM_ConvertNwind(benchmark::State &state) {
  QTemporaryDir dir;
  int n = 0;
  for (auto _ : state) {
    const QString target = dir.filePath(QStringLiteral("nwind%1.mdb").arg(n++));
    const jet::TakeoverSummary s = jet::ConvertJetFile(kNwind, target);
    benchmark::DoNotOptimize(s.new_bytes);
    state.PauseTiming();
    state.counters["jet_bytes"] = static_cast<double>(s.jet_bytes);
    state.counters["new_bytes"] = static_cast<double>(s.new_bytes);
    QFile::remove(target);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ConvertNwind)->Unit(benchmark::kMillisecond);

void BM_MdbExportAllTables(benchmark::State &state) {
  const QStringList tables = Tables();
  for (auto _ : state) {
    qint64 bytes = 0;
    for (const QString &t : tables) {
      QProcess p;
      p.start(QStringLiteral("mdb-export"), {QStringLiteral("-b"), QStringLiteral("hex"), kNwind, t});
      p.waitForFinished();
      bytes += p.readAllStandardOutput().size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["tables"] = static_cast<double>(tables.size());
}
BENCHMARK(BM_MdbExportAllTables)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
