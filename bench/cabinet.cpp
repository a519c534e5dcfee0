// The backup's archive writer beside zlib alone: 50 MB of database-like data
// written as a cabinet file through the archive component (read from disk,
// 32 KiB MSZIP blocks with their checksums, temporary data file, the final
// file and its rename) against raw deflate of the same bytes in memory, in
// 32 KiB blocks and as one stream.
#include <zlib.h>

#include <benchmark/benchmark.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "app/cabwriter.h"

namespace {

constexpr qsizetype kSize = 50 * 1024 * 1024;

// Rows of text and numbers with some noise between them, which compresses
// about as well as the program's database.
const QByteArray &Data() {
  static const QByteArray data = [] {
    QRandomGenerator rng(2026);
    QByteArray out;
    out.reserve(kSize);
    int row = 0;
    while (out.size() < kSize) {
      out.append(QStringLiteral("977%1;Topolino n. %2;MEPE;%3,%4;")
                     .arg(rng.bounded(1000000000), 15, 10, QLatin1Char('0'))
                     .arg(++row)
                     .arg(rng.bounded(20))
                     .arg(rng.bounded(100), 2, 10, QLatin1Char('0'))
                     .toLatin1());
      for (int i = 0; i < 24; ++i) out.append(static_cast<char>(rng.bounded(256)));
    }
    out.resize(kSize);
    return out;
  }();
  return data;
}

void BM_CabinetWriter(benchmark::State &state) {
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("orbisca4.mdb"));
  {
    QFile f(source);
    f.open(QIODevice::WriteOnly);
    f.write(Data());
  }
  const QString cab = dir.filePath(QStringLiteral("backup4.cab"));
  for (auto _ : state) {
    app::TQbCabWriter writer;
    writer.SetCompressionType(app::cctMsZip);
    writer.CreateCabinet(cab);
    writer.AddFile(source, QStringLiteral("orbisca4.mdb"));
    writer.CloseCabinet(true);
  }
  state.SetBytesProcessed(state.iterations() * kSize);
  state.counters["ratio"] = static_cast<double>(QFileInfo(cab).size()) / kSize;
}
BENCHMARK(BM_CabinetWriter)->Unit(benchmark::kMillisecond)->UseRealTime();

// What deflate costs on its own, block by block as the writer cuts the data
// (each block a complete stream with the previous block as its dictionary).
void BM_ZlibDeflateBlocks(benchmark::State &state) {
  const QByteArray &data = Data();
  z_stream zs{};
  deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  QByteArray out(static_cast<qsizetype>(deflateBound(&zs, 32768)), Qt::Uninitialized);
  std::uint64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (qsizetype at = 0; at < data.size(); at += 32768) {
      deflateReset(&zs);
      if (at > 0) deflateSetDictionary(&zs, reinterpret_cast<const Bytef *>(data.constData() + at - 32768), 32768);
      zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData() + at));
      zs.avail_in = static_cast<uInt>(std::min<qsizetype>(32768, data.size() - at));
      zs.next_out = reinterpret_cast<Bytef *>(out.data());
      zs.avail_out = static_cast<uInt>(out.size());
      deflate(&zs, Z_FINISH);
      total += zs.total_out;
    }
  }
  deflateEnd(&zs);
  state.SetBytesProcessed(state.iterations() * kSize);
  state.counters["ratio"] = static_cast<double>(total) / kSize;
}
BENCHMARK(BM_ZlibDeflateBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();

// One deflate stream over the whole data: zlib's best case.
void BM_ZlibDeflateStream(benchmark::State &state) {
  const QByteArray &data = Data();
  z_stream zs{};
  deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  QByteArray out(static_cast<qsizetype>(deflateBound(&zs, static_cast<uLong>(data.size()))), Qt::Uninitialized);
  std::uint64_t total = 0;
  for (auto _ : state) {
    deflateReset(&zs);
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    total = zs.total_out;
  }
  deflateEnd(&zs);
  state.SetBytesProcessed(state.iterations() * kSize);
  state.counters["ratio"] = static_cast<double>(total) / kSize;
}
BENCHMARK(BM_ZlibDeflateStream)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
