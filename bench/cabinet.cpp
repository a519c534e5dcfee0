// The backup's archive writer beside zlib alone: 50 MB of database-like data
// written as a cabinet file through the archive component (read from disk,
// 32 KiB blocks with their checksums, temporary data file, the final file and
// its rename), with MSZIP blocks (what the backup writes) and with LZX at
// window level 21 (the component's default) and 15, against raw deflate of
// the same bytes in memory, in 32 KiB blocks and as one stream. The "ratio"
// counter is the archive's size over the data's; each archive is then read
// back with cabextract and compared byte for byte.
#include <zlib.h>

#include <benchmark/benchmark.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "app/cabwriter.h"

namespace {

constexpr qsizetype kSize = 50 * 1024 * 1024;

// Rows of text and numbers with some noise between them, which compresses
// about as well as the program's database (data 0); and the rows alone, as a
// table export would hold them (data 1).
const QByteArray &Data(int kind = 0) {
  static const QByteArray data[2] = {[] {
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
                                     }(),
                                     [] {
                                       QRandomGenerator rng(2027);
                                       static const char *const kTitles[] = {"Topolino",
                                                                             "Dylan Dog",
                                                                             "Tex",
                                                                             "Famiglia Cristiana",
                                                                             "Focus",
                                                                             "Gazzetta dello Sport",
                                                                             "Corriere della Sera",
                                                                             "Settimana Enigmistica",
                                                                             "Diabolik",
                                                                             "Quattroruote",
                                                                             "Oggi",
                                                                             "Chi",
                                                                             "Panorama",
                                                                             "Internazionale"};
                                       QByteArray out;
                                       out.reserve(kSize);
                                       while (out.size() < kSize) {
                                         const int t = static_cast<int>(rng.bounded(14));
                                         out.append(QStringLiteral("8%1%2;%3 n. %4;%5;%6,%7;%8/%9/2026;%10\r\n")
                                                        .arg(t, 4, 10, QLatin1Char('0'))
                                                        .arg(rng.bounded(100000000), 8, 10, QLatin1Char('0'))
                                                        .arg(QLatin1String(kTitles[t]))
                                                        .arg(rng.bounded(5000))
                                                        .arg(t % 3 ? QStringLiteral("MEPE") : QStringLiteral("SODIP"))
                                                        .arg(rng.bounded(10))
                                                        .arg(rng.bounded(100), 2, 10, QLatin1Char('0'))
                                                        .arg(rng.bounded(28) + 1, 2, 10, QLatin1Char('0'))
                                                        .arg(rng.bounded(12) + 1, 2, 10, QLatin1Char('0'))
                                                        .arg(rng.bounded(200))
                                                        .toLatin1());
                                       }
                                       out.resize(kSize);
                                       return out;
                                     }()};
  return data[kind];
}

void BM_CabinetWriter(benchmark::State &state) {
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("orbisca4.mdb"));
  {
    QFile f(source);
    f.open(QIODevice::WriteOnly);
    f.write(Data(static_cast<int>(state.range(2))));
  }
  const QString cab = dir.filePath(QStringLiteral("backup4.cab"));
  const auto type = static_cast<app::TQbCabCompressionType>(state.range(0));
  for (auto _ : state) {
    app::TQbCabWriter writer;
    writer.SetCompressionType(type);
    if (type == app::cctLzx) writer.SetCompressionLzxLevel(static_cast<int>(state.range(1)));
    writer.CreateCabinet(cab);
    writer.AddFile(source, QStringLiteral("orbisca4.mdb"));
    writer.CloseCabinet(true);
  }
  state.SetBytesProcessed(state.iterations() * kSize);
  state.counters["ratio"] = static_cast<double>(QFileInfo(cab).size()) / kSize;
  // The 50 MB archive must come out of the independent reader as it went in.
  QProcess reader;
  reader.start(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-p"), cab});
  if (!reader.waitForStarted()) return;  // no reader installed: nothing to compare with
  reader.waitForFinished(300000);
  if (reader.readAllStandardOutput() != Data(static_cast<int>(state.range(2))))
    state.SkipWithError("cabextract did not give back the data");
}
BENCHMARK(BM_CabinetWriter)
    ->ArgNames({"type", "level", "data"})
    ->ArgsProduct({{app::cctMsZip}, {0}, {0, 1}})
    ->ArgsProduct({{app::cctLzx}, {21, 15}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What deflate costs on its own, block by block as the writer cuts the data
// (each block a complete stream with the previous block as its dictionary).
void BM_ZlibDeflateBlocks(benchmark::State &state) {
  const QByteArray &data = Data(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_ZlibDeflateBlocks)->ArgName("data")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One deflate stream over the whole data: zlib's best case.
void BM_ZlibDeflateStream(benchmark::State &state) {
  const QByteArray &data = Data(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_ZlibDeflateStream)->ArgName("data")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
