// The cabinet writer against the archive tools: what it writes must come out
// of `cabextract` and `gcab` byte for byte, with the names, dates and
// attributes it stored; and a failure must be reported, never leave a half
// archive under the final name, and never destroy the archive already there.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <map>

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
  for (const Contents &files : sets) {
    const QString cab = Path(QStringLiteral("set%1.cab").arg(n++));
    ASSERT_TRUE(Write(cab, files)) << cab::FciErrorText(erf_.erfOper).toStdString();
    ExpectBothExtract(cab, files);
    if (HasFatalFailure() || IsSkipped()) return;
  }
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

TEST_F(CabinetTest, SetOfCabinetsEachExtractsItsFiles) {
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("serie.cab");
  ccab.szCabPath = dir_.path();
  ccab.cb = 50000;  // the first file fills the first cabinet
  std::vector<QString> placed_in;
  cab::FciCallbacks callbacks;
  callbacks.FilePlaced = [&](const cab::CCAB &c, const QString &, std::int64_t, bool) {
    placed_in.push_back(c.szCab);
    return 0;
  };
  cab::HFCI h = cab::FCICreate(erf_, callbacks, ccab);
  ASSERT_NE(h, nullptr);
  const QByteArray one = MixedBytes(200000, 7), two = MixedBytes(3000, 8);
  WriteFile(Path(QStringLiteral("1")), one);
  WriteFile(Path(QStringLiteral("2")), two);
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("1")), QStringLiteral("uno"), false, cab::tcompTYPE_MSZIP));
  ASSERT_TRUE(cab::FCIAddFile(h, Path(QStringLiteral("2")), QStringLiteral("due"), false, cab::tcompTYPE_MSZIP));
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);
  EXPECT_EQ(placed_in, (std::vector<QString>{QStringLiteral("serie.cab"), QStringLiteral("serie2.cab")}));
  // One file in each cabinet; from the first, the tool reads the whole set.
  for (const char *name : {"serie.cab", "serie2.cab"}) {
    const QByteArray header = ReadAll(Path(QLatin1String(name)));
    ASSERT_GT(header.size(), 36);
    EXPECT_EQ(static_cast<quint8>(header[28]) | (static_cast<quint8>(header[29]) << 8), 1) << name;
  }
  ExpectExtracts(kCabextract, Path(QStringLiteral("serie.cab")),
                 {{QStringLiteral("uno"), one}, {QStringLiteral("due"), two}});
  ExpectExtracts(kGcab, Path(QStringLiteral("serie2.cab")), {{QStringLiteral("due"), two}});
}

TEST_F(CabinetTest, CabinetsStayWithinTheSizeThreshold) {
  cab::CCAB ccab;
  ccab.szCab = QStringLiteral("limite.cab");
  ccab.szCabPath = dir_.path();
  ccab.cb = 30000;
  std::map<QString, Contents> by_cabinet;
  Contents all;
  cab::FciCallbacks callbacks;
  callbacks.FilePlaced = [&](const cab::CCAB &c, const QString &name, std::int64_t, bool) {
    by_cabinet[c.szCab][name] = all[name];
    return 0;
  };
  cab::HFCI h = cab::FCICreate(erf_, callbacks, ccab);
  ASSERT_NE(h, nullptr);
  for (int i = 0; i < 12; ++i) {
    const QString name = QStringLiteral("f%1").arg(i);
    all[name] = MixedBytes(9000 + 1500 * i, 40 + i);
    WriteFile(Path(name), all[name]);
    ASSERT_TRUE(cab::FCIAddFile(h, Path(name), name, false, cab::tcompTYPE_MSZIP));
  }
  ASSERT_TRUE(cab::FCIFlushCabinet(h, false));
  cab::FCIDestroy(h);

  ASSERT_GT(by_cabinet.size(), 2u);
  for (const auto &[cab_name, files] : by_cabinet) {
    EXPECT_LE(QFileInfo(Path(cab_name)).size(), 30000) << cab_name.toStdString();
    ExpectExtracts(kGcab, Path(cab_name), files);
  }
  // The whole set comes out of its first cabinet.
  ExpectExtracts(kCabextract, Path(QStringLiteral("limite.cab")), all);
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

  EXPECT_FALSE(
      cab::FCIAddFile(h, Path(QStringLiteral("a")), QStringLiteral("a"), false, cab::tcompTYPE_LZX | (21 << 8)));
  EXPECT_EQ(erf_.erfOper, cab::FCIERR_BAD_COMPR_TYPE);

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
      if (path.endsWith(QStringLiteral(".part"))) *cab_fd = fd;
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
    EXPECT_FALSE(QFile::exists(cab + QStringLiteral(".part")));
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
