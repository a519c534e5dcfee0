// The cabinet writer against the archive tools: what it writes must come out
// of `cabextract` and `gcab` byte for byte, with the names, dates and
// attributes it stored; and a failure must be reported, never leave a half
// archive under the final name, and never destroy the archive already there.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <map>
#include <tuple>

#include "platform/cabinet/fci.h"

namespace {

using Contents = std::map<QString, QByteArray>;  // stored name -> bytes

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteFile(const QString &path, const QByteArray &data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(data), data.size());
}

// Text that compresses, interleaved with noise that does not: blocks of both
// kinds, and matches that reach back into the previous block.
QByteArray MixedBytes(qsizetype size, quint32 seed) {
  QRandomGenerator rng(seed);
  QByteArray out;
  out.reserve(size);
  const QByteArray line = "Topolino n. 3500;MEPE;2,00;2,50;30/12/2026\r\n";
  while (out.size() < size) {
    if (rng.bounded(4) == 0) {
      for (int i = 0; i < 700 && out.size() < size; ++i) out.append(static_cast<char>(rng.bounded(256)));
    } else {
      out.append(line.left(std::min<qsizetype>(line.size(), size - out.size())));
    }
  }
  return out;
}

constexpr std::uint16_t kLzx21 = cab::tcompTYPE_LZX | (21 << 8);
constexpr std::uint16_t kLzx15 = cab::tcompTYPE_LZX | (15 << 8);
constexpr std::uint16_t kCompressions[] = {cab::tcompTYPE_MSZIP, kLzx21, kLzx15};

struct Tool {
  QString program;
  QStringList (*args)(const QString &cab, const QString &dir);
};

const Tool kCabextract{QStringLiteral("cabextract"), [](const QString &cab, const QString &dir) {
                         return QStringList{QStringLiteral("-q"), QStringLiteral("-d"), dir, cab};
                       }};
const Tool kGcab{QStringLiteral("gcab"), [](const QString &cab, const QString &dir) {
                   return QStringList{QStringLiteral("-x"), QStringLiteral("-C"), dir, cab};
                 }};

QString RunTool(const QString &program, const QStringList &args, int *exit_code = nullptr) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  p.waitForFinished(120000);
  if (exit_code) *exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return QString::fromLocal8Bit(p.readAll());
}

class CabinetTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString Path(const QString &name) const { return dir_.filePath(name); }

  // Writes `files` (stored under their names) into `cab` with `compression`.
  bool Write(const QString &cab, const Contents &files, std::uint16_t compression = cab::tcompTYPE_MSZIP,
             cab::FciCallbacks callbacks = {}) {
    cab::CCAB ccab;
    ccab.szCab = QFileInfo(cab).fileName();
    ccab.szCabPath = QFileInfo(cab).absolutePath() + QLatin1Char('/');
    cab::HFCI h = cab::FCICreate(erf_, callbacks, ccab);
    if (h == nullptr) return false;
    bool ok = true;
    int n = 0;
    for (const auto &[name, data] : files) {
      const QString source = Path(QStringLiteral("src/%1").arg(n++));
      WriteFile(source, data);
      if (!cab::FCIAddFile(h, source, name, false, compression)) {
        ok = false;
        break;
      }
    }
    if (ok) ok = cab::FCIFlushCabinet(h, false);
    cab::FCIDestroy(h);
    return ok;
  }

  // Extracts `cab` with `tool` and compares every file; the tool's output
  // explains a failure.
  void ExpectExtracts(const Tool &tool, const QString &cab, const Contents &files) {
    if (QStandardPaths::findExecutable(tool.program).isEmpty())
      GTEST_SKIP() << tool.program.toStdString() << " is not installed (scripts/setup installs it)";
    const QString out = Path(QStringLiteral("out-") + tool.program + QString::number(++extractions_));
    QDir().mkpath(out);
    int code = 0;
    const QString log = RunTool(tool.program, tool.args(cab, out), &code);
    ASSERT_EQ(code, 0) << tool.program.toStdString() << ": " << log.toStdString();
    int found = 0;
    for (const auto &[name, data] : files) {
      QString local = name;
      local.replace(QLatin1Char('\\'), QLatin1Char('/'));
      const QString path = out + QLatin1Char('/') + local;
      ASSERT_TRUE(QFile::exists(path)) << tool.program.toStdString() << " did not extract " << name.toStdString()
                                       << ": " << log.toStdString();
      EXPECT_TRUE(ReadAll(path) == data) << tool.program.toStdString() << " changed " << name.toStdString();
      ++found;
    }
    EXPECT_EQ(found, static_cast<int>(files.size()));
    // Nothing more came out than was put in.
    int extracted = 0;
    for (QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next()) ++extracted;
    EXPECT_EQ(extracted, found) << tool.program.toStdString() << ": " << log.toStdString();
  }

  void ExpectBothExtract(const QString &cab, const Contents &files) {
    ExpectExtracts(kCabextract, cab, files);
    ExpectExtracts(kGcab, cab, files);
  }

  QTemporaryDir dir_;
  cab::ERF erf_;
  int extractions_ = 0;
};

TEST_F(CabinetTest, ArchivesOfEverySizeExtractByteForByte) {
  const Contents sets[] = {
      {{QStringLiteral("vuoto.ini"), QByteArray()}},
      {{QStringLiteral("orbiscacfg.ini"), "[MenuForm]\r\npos_totali=Destra\r\n"}},
      {{QStringLiteral("blocco.kvf"), MixedBytes(32768, 1)}},
      {{QStringLiteral("orbisca4.mdb"), MixedBytes(1234567, 2)}},
      // An empty file between full ones, and one that ends a block exactly.
      {{QStringLiteral("a.kvf"), MixedBytes(32768 * 2, 3)},
       {QStringLiteral("b.kvf"), QByteArray()},
       {QStringLiteral("c.kvf"), MixedBytes(70001, 4)}},
  };
  int n = 0;
  for (std::uint16_t compression : kCompressions) {
    for (const Contents &files : sets) {
      const QString cab = Path(QStringLiteral("set%1.cab").arg(n++));
      ASSERT_TRUE(Write(cab, files, compression)) << cab::FciErrorText(erf_.erfOper).toStdString();
      ExpectBothExtract(cab, files);
      if (HasFatalFailure() || IsSkipped()) return;
    }
  }
}

TEST_F(CabinetTest, LzxShrinksRepeatsAcrossTheWholeWindow) {
  // The same 300 KB of noise twice: deflate's 32 KiB window cannot see the
  // first copy from the second, LZX's 2 MB window can, its 32 KiB one not.
  QByteArray noise(300000, Qt::Uninitialized);
  QRandomGenerator(12).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
  const Contents files{{QStringLiteral("doppio.bin"), noise + noise},
                       {QStringLiteral("testo.txt"), MixedBytes(90000, 6)}};
  const QString lzx = Path(QStringLiteral("lzx21.cab")), narrow = Path(QStringLiteral("lzx15.cab")),
                zip = Path(QStringLiteral("mszip.cab"));
  ASSERT_TRUE(Write(lzx, files, kLzx21));
  ASSERT_TRUE(Write(narrow, files, kLzx15));
  ASSERT_TRUE(Write(zip, files, cab::tcompTYPE_MSZIP));
  EXPECT_LT(QFileInfo(lzx).size(), 400000);
  EXPECT_GT(QFileInfo(narrow).size(), 600000);
  EXPECT_GT(QFileInfo(zip).size(), 600000);
  // The folder record names the window: type 3, level in bits 8-12.
  const QByteArray header = ReadAll(lzx);
  ASSERT_GT(header.size(), 44);
  EXPECT_EQ(static_cast<quint8>(header[42]) | (static_cast<quint8>(header[43]) << 8), 21 * 256 + 3);
  ExpectBothExtract(lzx, files);
  ExpectBothExtract(narrow, files);
}

TEST_F(CabinetTest, LzxLargeArchiveExtractsByteForByte) {
  // Rows of a table with noise between them, past the 2 MB window several
  // times over, and a file that follows it in the same folder.
  QByteArray large;
  large.reserve(12 << 20);
  QRandomGenerator rng(2026);
  for (int row = 0; large.size() < (12 << 20); ++row) {
    large.append(QStringLiteral("977%1;Topolino n. %2;MEPE;%3,%4;\r\n")
                     .arg(rng.bounded(1000000000), 15, 10, QLatin1Char('0'))
                     .arg(row)
                     .arg(rng.bounded(20))
                     .arg(rng.bounded(100), 2, 10, QLatin1Char('0'))
                     .toLatin1());
    for (int i = 0; i < 12; ++i) large.append(static_cast<char>(rng.bounded(256)));
  }
  const Contents files{{QStringLiteral("orbisca4.mdb"), large}, {QStringLiteral("Report4_1.kvf"), MixedBytes(5000, 3)}};
  const QString cab = Path(QStringLiteral("grande.cab"));
  ASSERT_TRUE(Write(cab, files, kLzx21));
  EXPECT_LT(QFileInfo(cab).size(), large.size() / 2);
  ExpectBothExtract(cab, files);
}

TEST_F(CabinetTest, ManyFilesUnicodeNamesSubfoldersAndStoredBlocks) {
  Contents files;
  for (int i = 0; i < 300; ++i)
    files[QStringLiteral("modello%1.kvf").arg(i, 3, 10, QLatin1Char('0'))] = MixedBytes(100 + i * 37, 10 + i);
  files[QStringLiteral("caffè – più.ini")] = "Euro: €\r\n";
  files[QStringLiteral("modelli\\vendite.kvf")] = MixedBytes(5000, 99);
  files[QStringLiteral("altri/resi.kvf")] = MixedBytes(6000, 98);

  const QString zipped = Path(QStringLiteral("molti.cab"));
  ASSERT_TRUE(Write(zipped, files));
  Contents expected = files;
  expected.erase(QStringLiteral("altri/resi.kvf"));
  expected[QStringLiteral("altri\\resi.kvf")] = files[QStringLiteral("altri/resi.kvf")];
  ExpectBothExtract(zipped, expected);

  const QString lzx = Path(QStringLiteral("molti-lzx.cab"));
  ASSERT_TRUE(Write(lzx, files, kLzx21));
  ExpectBothExtract(lzx, expected);

  const QString stored = Path(QStringLiteral("stored.cab"));
  ASSERT_TRUE(Write(stored, files, cab::tcompTYPE_NONE));
  ExpectBothExtract(stored, expected);
  EXPECT_GT(QFileInfo(stored).size(), QFileInfo(zipped).size());
}

TEST_F(CabinetTest, StoresDateTimeAndAttributesOfTheSource) {
  if (QStandardPaths::findExecutable(QStringLiteral("cabextract")).isEmpty())
    GTEST_SKIP() << "cabextract is not installed";
  const QString source = Path(QStringLiteral("data.ini"));
  WriteFile(source, "x");
  {
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 8)), QFileDevice::FileModificationTime));
  }
  QFile::setPermissions(source, QFileDevice::ReadOwner);

  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("date.cab");
  ccab.szCabPath = dir_.path();
  cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(cab::FCIAddFile(h, source, QStringLiteral("data.ini"), true, cab::tcompTYPE_MSZIP));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);

  const QString listing =
      RunTool(QStringLiteral("cabextract"), {QStringLiteral("-l"), Path(QStringLiteral("date.cab"))});
  EXPECT_TRUE(listing.contains(QStringLiteral("04.03.2021 05:06:08"))) << listing.toStdString();

  // Attribute word of the one file record: header 36, one folder record 8,
  // then size, offset, folder, date, time and the attributes.
  const QByteArray bytes = ReadAll(Path(QStringLiteral("date.cab")));
  ASSERT_GT(bytes.size(), 60);
  const int attribs = static_cast<quint8>(bytes[36 + 8 + 14]) | (static_cast<quint8>(bytes[36 + 8 + 15]) << 8);
  EXPECT_EQ(attribs, cab::A_RDONLY | cab::A_ARCH | cab::A_EXEC);
}

TEST_F(CabinetTest, ChecksumFollowsTheFormat) {
  // Four-byte words are XORed; the tail counts its first byte highest.
  const unsigned char data[] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(cab::CabChecksum(data, 7, 0), 0x04030201u ^ 0x00050607u);
  EXPECT_EQ(cab::CabChecksum(data, 1, 0xFF), 0xFEu);
  // cabextract's test mode checks every block's checksum.
  if (QStandardPaths::findExecutable(QStringLiteral("cabextract")).isEmpty()) GTEST_SKIP();
  const QString cab = Path(QStringLiteral("sum.cab"));
  ASSERT_TRUE(Write(cab, {{QStringLiteral("a"), MixedBytes(100003, 5)}}));
  int code = 0;
  const QString log = RunTool(QStringLiteral("cabextract"), {QStringLiteral("-t"), cab}, &code);
  EXPECT_EQ(code, 0) << log.toStdString();
  EXPECT_FALSE(log.contains(QStringLiteral("checksum"), Qt::CaseInsensitive)) << log.toStdString();
}

TEST_F(CabinetTest, SetOfThreeCabinetsExtractsWholeFromTheFirst) {
  const Contents files{{QStringLiteral("uno"), MixedBytes(70000, 7)},
                       {QStringLiteral("due"), MixedBytes(3000, 8)},
                       {QStringLiteral("tre"), MixedBytes(45000, 9)}};
  for (std::uint16_t compression : {cab::tcompTYPE_MSZIP, kLzx21}) {
    SCOPED_TRACE(compression);
    // A threshold that makes two full cabinets and a third one.
    const QString whole = Path(QStringLiteral("intero.cab"));
    ASSERT_TRUE(Write(whole, files, compression));
    const auto threshold = static_cast<std::uint32_t>(QFileInfo(whole).size() * 2 / 5 + 1000);

    const QString dir = Path(QStringLiteral("serie%1").arg(compression));
    QDir().mkpath(dir);
    cab::CCAB ccab;
    ccab.szCab = QStringLiteral("serie.cab");
    ccab.szCabPath = dir;
    ccab.cb = threshold;
    ccab.setID = 77;
    std::vector<std::tuple<QString, QString, bool>> placed;  // cabinet, file, continuation
    cab::FciCallbacks callbacks;
    callbacks.FilePlaced = [&](const cab::CCAB &c, const QString &name, std::int64_t, bool continuation) {
      placed.emplace_back(c.szCab, name, continuation);
      return 0;
    };
    cab::HFCI h = cab::FCICreate(erf_, callbacks, ccab);
    ASSERT_NE(h, nullptr);
    for (const auto &[name, data] : files) {
      WriteFile(Path(QStringLiteral("src/") + name), data);
      ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("src/") + name), name, false, compression));
    }
    ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
    cab::FCIDestroy(h);

    const QStringList names = QDir(dir).entryList({QStringLiteral("*.cab")}, QDir::Files, QDir::Name);
    ASSERT_EQ(names,
              (QStringList{QStringLiteral("serie.cab"), QStringLiteral("serie2.cab"), QStringLiteral("serie3.cab")}));
    for (int i = 0; i < 3; ++i) {
      const QByteArray header = ReadAll(dir + QLatin1Char('/') + names[i]);
      ASSERT_GT(header.size(), 36);
      EXPECT_LE(header.size(), static_cast<qsizetype>(threshold)) << names[i].toStdString();
      auto word = [&](int at) { return static_cast<quint8>(header[at]) | (static_cast<quint8>(header[at + 1]) << 8); };
      // Flags: a previous cabinet (1) after the first, a next one (2) before the last.
      EXPECT_EQ(word(30), (i > 0 ? 1 : 0) | (i < 2 ? 2 : 0)) << names[i].toStdString();
      EXPECT_EQ(word(32), 77);
      EXPECT_EQ(word(34), i);
    }
    // Each file is placed once as itself, then once in every further
    // cabinet it goes on in; the first two cabinets each end inside one.
    std::map<QString, int> seen;
    QStringList continued_in;
    for (const auto &[cabinet, name, continuation] : placed) {
      EXPECT_EQ(continuation, seen[name]++ > 0) << name.toStdString() << " in " << cabinet.toStdString();
      if (continuation) continued_in << cabinet;
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_TRUE(continued_in.contains(QStringLiteral("serie2.cab")));
    EXPECT_TRUE(continued_in.contains(QStringLiteral("serie3.cab")));
    ExpectExtracts(kCabextract, dir + QStringLiteral("/serie.cab"), files);
    if (HasFatalFailure() || IsSkipped()) return;
  }
}

TEST_F(CabinetTest, CabinetsStayWithinTheSizeThreshold) {
  // Many cabinets, several files in some, blocks cut between them, and the
  // reserved areas the set must repeat in each.
  for (std::uint16_t compression : {cab::tcompTYPE_MSZIP, kLzx15}) {
    SCOPED_TRACE(compression);
    const QString dir = Path(QStringLiteral("limite%1").arg(compression));
    QDir().mkpath(dir);
    cab::CCAB ccab;
    ccab.szCab = QStringLiteral("limite.cab");
    ccab.szCabPath = dir;
    ccab.cb = 20000;
    ccab.cbReserveCFData = 3;
    Contents all;
    cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < 12; ++i) {
      const QString name = QStringLiteral("f%1").arg(i);
      all[name] = i == 5 ? QByteArray() : MixedBytes(900 + 4500 * i, 40 + i);
      WriteFile(Path(name), all[name]);
      ASSERT_TRUE(cab::FCIAddFile(h, Path(name), name, false, compression));
    }
    ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
    cab::FCIDestroy(h);

    const QFileInfoList cabinets = QDir(dir).entryInfoList({QStringLiteral("*.cab")}, QDir::Files);
    ASSERT_GT(cabinets.size(), 5);
    for (const QFileInfo &c : cabinets) EXPECT_LE(c.size(), 20000) << c.fileName().toStdString();
    ExpectExtracts(kCabextract, dir + QStringLiteral("/limite.cab"), all);
    if (HasFatalFailure() || IsSkipped()) return;
  }
}

TEST_F(CabinetTest, ThresholdSmallerThanABlockSpreadsItOverSeveralCabinets) {
  // One block of noise needs a handful of 5000-byte cabinets.
  QByteArray noise(30000, Qt::Uninitialized);
  QRandomGenerator(21).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("piccolo.cab");
  ccab.szCabPath = dir_.path();
  ccab.cb = 5000;
  cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
  ASSERT_NE(h, nullptr);
  WriteFile(Path(QStringLiteral("rumore")), noise);
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("rumore")), QStringLiteral("rumore"), false, kLzx21));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);
  const QFileInfoList cabinets = QDir(dir_.path()).entryInfoList({QStringLiteral("piccolo*.cab")}, QDir::Files);
  EXPECT_GE(cabinets.size(), 7);
  for (const QFileInfo &c : cabinets) EXPECT_LE(c.size(), 5000) << c.fileName().toStdString();
  ExpectExtracts(kCabextract, Path(QStringLiteral("piccolo.cab")), {{QStringLiteral("rumore"), noise}});
}

TEST_F(CabinetTest, ReservedAreasAreSkippedByReaders) {
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("riserva.cab");
  ccab.szCabPath = dir_.path();
  ccab.cbReserveCFHeader = 20;
  ccab.cbReserveCFFolder = 10;
  ccab.cbReserveCFData = 5;
  ccab.setID = 4321;
  cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
  ASSERT_NE(h, nullptr);
  const Contents files{{QStringLiteral("a"), MixedBytes(80000, 21)}, {QStringLiteral("b"), MixedBytes(10, 22)}};
  for (const auto &[name, data] : files) {
    WriteFile(Path(name), data);
    ASSERT_TRUE(cab::FCIAddFile(h, Path(name), name, false, cab::tcompTYPE_MSZIP));
  }
  ASSERT_TRUE(cab::FCIFlushFolder(h));  // two folders
  WriteFile(Path(QStringLiteral("c")), "terzo");
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("c")), QStringLiteral("c"), false, cab::tcompTYPE_NONE));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);
  Contents all = files;
  all[QStringLiteral("c")] = "terzo";
  ExpectBothExtract(Path(QStringLiteral("riserva.cab")), all);
}

TEST_F(CabinetTest, FilesAfterTheLastFlushGoToANewCabinet) {
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("primo.cab");
  ccab.szCabPath = dir_.path();
  cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
  ASSERT_NE(h, nullptr);
  WriteFile(Path(QStringLiteral("1")), "uno");
  WriteFile(Path(QStringLiteral("2")), "due");
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("1")), QStringLiteral("uno"), false, cab::tcompTYPE_MSZIP));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("2")), QStringLiteral("due"), false, cab::tcompTYPE_MSZIP));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);
  ExpectExtracts(kCabextract, Path(QStringLiteral("primo.cab")), {{QStringLiteral("uno"), "uno"}});
  ExpectExtracts(kGcab, Path(QStringLiteral("primo2.cab")), {{QStringLiteral("due"), "due"}});
}

// --- failures -----------------------------------------------------------------------------

TEST_F(CabinetTest, RefusedRequestsAreReportedWithTheirCause) {
  cab::CCAB ccab;
  ccab.szCabPath = dir_.path();
  EXPECT_EQ(cab::FCICreate(erf_, {}, ccab), nullptr);
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_CAB_FILE);
  ccab.szCab = QStringLiteral("x.cab");
  ccab.cbReserveCFData = 256;
  EXPECT_EQ(cab::FCICreate(erf_, {}, ccab), nullptr);
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_CAB_FORMAT_LIMIT);
  ccab.cbReserveCFData = 0;
  cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
  ASSERT_NE(h, nullptr);
  WriteFile(Path(QStringLiteral("a")), "abc");

  EXPECT_FALSE(cab::FCIAddFile(h, Path(QStringLiteral("manca")), QStringLiteral("m"), false, cab::tcompTYPE_MSZIP));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_OPEN_SRC);
  EXPECT_EQ(erf_.erfType, ENOENT);
  EXPECT_TRUE(erf_.fError);

  EXPECT_FALSE(cab::FCIAddFile(h, dir_.path(), QStringLiteral("d"), false, cab::tcompTYPE_MSZIP));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_OPEN_SRC);

  // Quantum is not written, nor LZX outside windows 15..21.
  for (std::uint16_t refused : {cab::tcompTYPE_QUANTUM, std::uint16_t(cab::tcompTYPE_LZX | (22 << 8)),
                                std::uint16_t(cab::tcompTYPE_LZX | (14 << 8)), cab::tcompBAD}) {
    EXPECT_FALSE(cab::FCIAddFile(h, Path(QStringLiteral("a")), QStringLiteral("a"), false, refused));
    EXPECT_EQ(erf_.erfOper, cab::FCIERR_BAD_COMPR_TYPE) << refused;
  }

  EXPECT_FALSE(
      cab::FCIAddFile(h, Path(QStringLiteral("a")), QString(300, QLatin1Char('n')), false, cab::tcompTYPE_MSZIP));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_CAB_FORMAT_LIMIT);

  // The refusals left the context usable.
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("a")), QStringLiteral("a"), false, cab::tcompTYPE_MSZIP));
  EXPECT_FALSE(erf_.fError);
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);
  ExpectExtracts(kCabextract, Path(QStringLiteral("x.cab")), {{QStringLiteral("a"), "abc"}});
}

TEST_F(CabinetTest, UnwritableFolderFailsWithoutAFile) {
  WriteFile(Path(QStringLiteral("nodir")), "a file, not a folder");
  const QString cab = Path(QStringLiteral("nodir/b.cab"));
  EXPECT_FALSE(Write(cab, {{QStringLiteral("a"), "abc"}}));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_CAB_FILE);
  EXPECT_EQ(erf_.erfType, ENOTDIR);
  EXPECT_FALSE(QFile::exists(cab));
}

TEST_F(CabinetTest, DiskErrorKeepsThePreviousArchiveAndLeavesNoPart) {
  const QString cab = Path(QStringLiteral("backup.cab"));
  const Contents old_files{{QStringLiteral("vecchio"), MixedBytes(40000, 11)}};
  ASSERT_TRUE(Write(cab, old_files));
  const QByteArray old_archive = ReadAll(cab);

  // The disk fills after 20000 bytes of the new cabinet.
  for (const bool fail_on_close : {false, true}) {
    SCOPED_TRACE(fail_on_close ? "close fails" : "write fails");
    cab::FciCallbacks callbacks = cab::DefaultCallbacks();
    auto written = std::make_shared<std::int64_t>(0);
    auto cab_fd = std::make_shared<int>(-1);
    const auto open = callbacks.Open;
    callbacks.Open = [=](const QString &path, int oflag, int pmode, int &err) {
      const int fd = open(path, oflag, pmode, err);
      if (QFileInfo(path).fileName().startsWith(QStringLiteral("~orbisca-cab."))) *cab_fd = fd;
      return fd;
    };
    const auto write = callbacks.Write;
    callbacks.Write = [=](int fd, const void *buffer, std::uint32_t count, int &err) -> std::int64_t {
      if (!fail_on_close && fd == *cab_fd && *written + count > 20000) {
        err = ENOSPC;
        return -1;
      }
      if (fd == *cab_fd) *written += count;
      return write(fd, buffer, count, err);
    };
    const auto close = callbacks.Close;
    callbacks.Close = [=](int fd, int &err) {
      const int r = close(fd, err);
      if (fail_on_close && fd == *cab_fd) {
        err = EIO;
        return -1;
      }
      return r;
    };
    EXPECT_FALSE(Write(cab, {{QStringLiteral("nuovo"), MixedBytes(300000, 12)}}, cab::tcompTYPE_NONE, callbacks));
    EXPECT_EQ(erf_.erfOper, cab::FCIERR_CAB_FILE);
    EXPECT_EQ(erf_.erfType, fail_on_close ? EIO : ENOSPC);
    EXPECT_TRUE(ReadAll(cab) == old_archive);
    // Nothing of the new cabinet is left beside it.
    EXPECT_TRUE(QDir(QFileInfo(cab).path()).entryList({QStringLiteral("~orbisca-*")}, QDir::Files).isEmpty());
  }
  ExpectExtracts(kCabextract, cab, old_files);
}

TEST_F(CabinetTest, FileThatFailsHalfWayLeavesTheOthersIntact) {
  // The second file breaks after two blocks; the first and third come out.
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("parziale.cab");
  ccab.szCabPath = dir_.path();
  cab::FciCallbacks callbacks = cab::DefaultCallbacks();
  const auto open_info = callbacks.GetOpenInfo;
  auto broken_fd = std::make_shared<int>(-1);
  auto reads = std::make_shared<int>(0);
  callbacks.GetOpenInfo = [=](const QString &path, std::uint16_t &d, std::uint16_t &t, std::uint16_t &a, int &err) {
    const int fd = open_info(path, d, t, a, err);
    *broken_fd = path.endsWith(QStringLiteral("/rotto")) ? fd : -1;  // numbers are reused
    return fd;
  };
  const auto read = callbacks.Read;
  callbacks.Read = [=](int fd, void *buffer, std::uint32_t count, int &err) -> std::int64_t {
    if (fd == *broken_fd && ++*reads > 2) {
      err = EIO;
      return -1;
    }
    return read(fd, buffer, count, err);
  };
  cab::HFCI h = cab::FCICreate(erf_, callbacks, ccab);
  ASSERT_NE(h, nullptr);
  const Contents files{{QStringLiteral("primo"), MixedBytes(50000, 31)},
                       {QStringLiteral("terzo"), MixedBytes(45000, 33)}};
  WriteFile(Path(QStringLiteral("primo")), files.at(QStringLiteral("primo")));
  WriteFile(Path(QStringLiteral("rotto")), MixedBytes(200000, 32));
  WriteFile(Path(QStringLiteral("terzo")), files.at(QStringLiteral("terzo")));
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("primo")), QStringLiteral("primo"), false, cab::tcompTYPE_MSZIP));
  EXPECT_FALSE(cab::FCIAddFile(h, Path(QStringLiteral("rotto")), QStringLiteral("rotto"), false, cab::tcompTYPE_MSZIP));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_READ_SRC);
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("terzo")), QStringLiteral("terzo"), false, cab::tcompTYPE_MSZIP));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);
  ExpectBothExtract(Path(QStringLiteral("parziale.cab")), files);
}

TEST_F(CabinetTest, CallbacksStopTheWriting) {
  cab::FciCallbacks callbacks;
  callbacks.FilePlaced = [](const cab::CCAB &, const QString &, std::int64_t, bool) { return -1; };
  EXPECT_FALSE(Write(Path(QStringLiteral("a.cab")), {{QStringLiteral("a"), "abc"}}, cab::tcompTYPE_MSZIP, callbacks));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_USER_ABORT);

  // A temporary file that cannot be had, and a failed read of the source.
  callbacks = {};
  callbacks.GetTempFile = [](QString &) { return false; };
  EXPECT_FALSE(Write(Path(QStringLiteral("b.cab")), {{QStringLiteral("b"), MixedBytes(40000, 1)}}, cab::tcompTYPE_MSZIP,
                     callbacks));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_TEMP_FILE);
  callbacks = {};
  callbacks.Read = [](int, void *, std::uint32_t, int &err) -> std::int64_t {
    err = EIO;
    return -1;
  };
  EXPECT_FALSE(Write(Path(QStringLiteral("c.cab")), {{QStringLiteral("c"), "abc"}}, cab::tcompTYPE_MSZIP, callbacks));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_READ_SRC);
  EXPECT_EQ(erf_.erfType, EIO);

  // Noise that deflate cannot shrink, when the caller asked to be told.
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("d.cab");
  ccab.szCabPath = dir_.path();
  ccab.fFailOnIncompressible = 1;
  cab::HFCI h = cab::FCICreate(erf_, {}, ccab);
  ASSERT_NE(h, nullptr);
  QByteArray noise(40000, Qt::Uninitialized);
  QRandomGenerator(5).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
  WriteFile(Path(QStringLiteral("d")), noise);
  EXPECT_FALSE(cab::FCIAddFile(h, Path(QStringLiteral("d")), QStringLiteral("d"), false, cab::tcompTYPE_MSZIP));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_MCI_FAIL);
  cab::FCIDestroy(h);
  for (const char *name : {"a.cab", "b.cab", "c.cab", "d.cab"}) EXPECT_FALSE(QFile::exists(Path(QLatin1String(name))));
}

}  // namespace
