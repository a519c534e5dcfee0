// orbisca-jet-convert, the converter a shop runs without the program: its
// two ways of converting, its report, its bar on a terminal, its refusals,
// a disk that fills up half-way, and a Jet file cut short anywhere.
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <map>
#include <thread>

#include "tests/platform/jet/jetfile_fixture.h"

namespace {

using jet::testing::CopyJetTestFile;
using jet::testing::FileBytes;
using jet::testing::FolderEntries;
using jet::testing::JetTestFile;

struct Outcome {
  int code = -1;
  QString out, err;
};

Outcome Convert(const QStringList &args) {
  QProcess p;
  p.start(QStringLiteral(ORBISCA_JET_CONVERTER_PATH), args);
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

class JetConvert : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
};

TEST_F(JetConvert, InPlaceOrIntoANewFileWithAReport) {
  const QString archive = CopyJetTestFile(QStringLiteral("nwind.mdb"), dir_.path());
  const QString target = dir_.filePath(QStringLiteral("nuovo.mdb"));
  Outcome r = Convert({archive, target});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();  // no bar off a terminal
  EXPECT_TRUE(r.out.contains(QStringLiteral("Tabelle: 9, righe: 4.032\n"))) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("  Umsätze: 830 righe\n"))) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("Query: 22, eseguibili: 21\n"))) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("  non eseguibile: Quarterly Orders by Product ("))) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains(QStringLiteral("Originale conservato")));
  EXPECT_EQ(FileBytes(archive), FileBytes(JetTestFile(QStringLiteral("nwind.mdb"))));
  EXPECT_TRUE(FileBytes(target).startsWith("SQLite format 3"));

  // In place: the original keeps its bytes under the name that says what it is.
  r = Convert({archive});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  const QString kept = dir_.filePath(QStringLiteral("nwind (Jet).mdb"));
  EXPECT_TRUE(r.out.contains(QStringLiteral("Originale conservato in: ") + kept + u'\n')) << r.out.toStdString();
  EXPECT_EQ(FileBytes(kept), FileBytes(JetTestFile(QStringLiteral("nwind.mdb"))));
  EXPECT_EQ(FolderEntries(dir_.path()), (QStringList{"nuovo.mdb", "nwind (Jet).mdb", "nwind.mdb"}));
}

TEST_F(JetConvert, RefusalsSayWhyAndTouchNothing) {
  Outcome r = Convert({});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.startsWith(QStringLiteral("uso: orbisca-jet-convert ARCHIVIO.mdb [NUOVO.mdb]")));

  const QString text = dir_.filePath(QStringLiteral("note.mdb"));
  jet::testing::WriteBytes(text, "not a database");
  r = Convert({text});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, QStringLiteral("orbisca-jet-convert: Conversione dell'archivio \"%1\" non riuscita: il file non "
                                  "è un archivio Jet. L'archivio originale non è stato modificato.\n")
                       .arg(text));
  const QString archive = CopyJetTestFile(QStringLiteral("DateTestDatabase.mdb"), dir_.path());
  r = Convert({archive, text});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("esiste già"))) << r.err.toStdString();
  EXPECT_EQ(FileBytes(text), QByteArray("not a database"));
  EXPECT_EQ(FolderEntries(dir_.path()), (QStringList{"DateTestDatabase.mdb", "note.mdb"}));
}

TEST_F(JetConvert, OnATerminalABarFollowsTheRows) {
  const QString archive = CopyJetTestFile(QStringLiteral("nwind.mdb"), dir_.path());
  // script(1) gives the converter a terminal.
  QProcess p;
  p.start(QStringLiteral("script"),
          {QStringLiteral("-qec"),
           QStringLiteral("'%1' '%2' '%3'")
               .arg(QStringLiteral(ORBISCA_JET_CONVERTER_PATH), archive, dir_.filePath(QStringLiteral("nuovo.mdb"))),
           QStringLiteral("/dev/null")});
  ASSERT_TRUE(p.waitForFinished(60000));
  if (p.exitCode() != 0 && p.readAllStandardError().contains("script")) GTEST_SKIP() << "no terminal to be had here";
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("\r[##############################] 100%  Umsätze"))) << out.toStdString();
}

TEST_F(JetConvert, AFullDiskLeavesTheOriginalAndNothingElse) {
  // A disk with room for the archive but not for its conversion: a small
  // memory file system, mounted in a namespace of its own for the run.
  const QString disk = dir_.filePath(QStringLiteral("disco"));
  ASSERT_TRUE(QDir().mkpath(disk));
  const QString script =
      QStringLiteral(
          "mount -t tmpfs -o size=3500k tmpfs '%1' || exit 90\n"
          "cp '%2' '%1/nwind.mdb' || exit 91\n"
          "'%3' '%1/nwind.mdb' > '%4/uscita.txt' 2>&1\n"
          "echo \"rc=$?\"\n"
          "cmp -s '%2' '%1/nwind.mdb' && echo uguale\n"
          "ls -A '%1'\n")
          .arg(disk, JetTestFile(QStringLiteral("nwind.mdb")), QStringLiteral(ORBISCA_JET_CONVERTER_PATH), dir_.path());
  QProcess p;
  p.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script});
  ASSERT_TRUE(p.waitForFinished(60000));
  if (p.exitCode() != 0)
    GTEST_SKIP() << "a file system cannot be mounted here (unshare -rm, mount -t tmpfs): "
                 << p.readAllStandardError().toStdString();
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("rc=1\nuguale\nnwind.mdb\n"));
  const QString said = QString::fromUtf8(FileBytes(dir_.filePath(QStringLiteral("uscita.txt"))));
  EXPECT_TRUE(said.contains(QStringLiteral("lo spazio libero sul disco non basta per la copia convertita")))
      << said.toStdString();
}

// nwind.mdb cut every 4 KiB, from 4 KiB to its whole size: each cut either
// converts every table with every row that the independent reader counts
// in the whole file, or fails saying so, with the cut file untouched and no
// new archive. (A cut of the first 12 KiB once "converted" into an empty
// archive.) The conversions run side by side.
TEST_F(JetConvert, EveryCutOfAJetFileConvertsWholeOrNotAtAll) {
  const QString original = JetTestFile(QStringLiteral("nwind.mdb"));
  const QByteArray whole = FileBytes(original);
  ASSERT_FALSE(whole.isEmpty());
  // What mdbtools counts in the whole file: table name -> rows.
  std::map<QString, qint64> counted;
  for (const QString &table :
       QString::fromUtf8(jet::testing::RunReader(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), original}))
           .split(u'\n', Qt::SkipEmptyParts))
    counted[table] = QString::fromUtf8(jet::testing::RunReader(QStringLiteral("mdb-count"), {original, table}))
                         .trimmed()
                         .toLongLong();
  ASSERT_EQ(counted.size(), 9u);

  constexpr qsizetype kStep = 4096;
  std::vector<qsizetype> sizes;
  for (qsizetype n = kStep; n < whole.size(); n += kStep) sizes.push_back(n);
  sizes.push_back(whole.size());

  struct Result {
    qsizetype size = 0;
    int code = -1;
    QString problem;  // empty when the outcome is one of the two allowed
  };
  std::vector<Result> results(sizes.size());
  std::atomic<size_t> next{0};
  const QRegularExpression table_line(QStringLiteral("^  (.+): ([0-9.]+) righe$"), QRegularExpression::MultilineOption);
  auto work = [&] {
    for (size_t i; (i = next++) < sizes.size();) {
      Result &r = results[i];
      r.size = sizes[i];
      QTemporaryDir dir;
      const QString cut = dir.filePath(QStringLiteral("orbisca4.mdb"));
      const QString target = dir.filePath(QStringLiteral("nuovo.mdb"));
      const QByteArray bytes = whole.left(r.size);
      {
        QFile f(cut);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
          r.problem = QStringLiteral("cannot write the cut");
          continue;
        }
      }
      QProcess p;
      p.start(QStringLiteral(ORBISCA_JET_CONVERTER_PATH), {cut, target});
      if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.problem = QStringLiteral("the converter did not end");
        continue;
      }
      r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
      const QString out = QString::fromUtf8(p.readAllStandardOutput());
      const QString err = QString::fromUtf8(p.readAllStandardError());
      const bool untouched = FileBytes(cut) == bytes;
      if (r.code == 1) {
        // Refused: the original as it was, nothing new beside it, a reason.
        if (!untouched)
          r.problem = QStringLiteral("refused but the original changed");
        else if (QFile::exists(target) || FolderEntries(dir.path()) != QStringList{QStringLiteral("orbisca4.mdb")})
          r.problem = QStringLiteral("refused but left: ") + FolderEntries(dir.path()).join(u' ');
        else if (!err.contains(QStringLiteral("L'archivio originale non è stato modificato")))
          r.problem = QStringLiteral("refused without saying why: ") + err;
        continue;
      }
      if (r.code != 0) {
        r.problem = QStringLiteral("status %1: %2").arg(r.code).arg(err);
        continue;
      }
      // Converted: every table, every row.
      std::map<QString, qint64> converted;
      for (auto m = table_line.globalMatch(out); m.hasNext();) {
        const auto line = m.next();
        converted[line.captured(1)] = line.captured(2).remove(u'.').toLongLong();
      }
      if (converted != counted)
        r.problem = QStringLiteral("converted only part: ") + out;
      else if (!untouched)
        r.problem = QStringLiteral("converted but the original changed");
      else if (!FileBytes(target).startsWith("SQLite format 3"))
        r.problem = QStringLiteral("no archive written");
    }
  };
  std::vector<std::thread> workers;
  const int n = std::max(2, std::min(4, QThread::idealThreadCount()));
  for (int w = 0; w < n; ++w) workers.emplace_back(work);
  for (std::thread &t : workers) t.join();

  int whole_conversions = 0, refusals = 0;
  for (const Result &r : results) {
    EXPECT_TRUE(r.problem.isEmpty()) << "cut at " << r.size << " bytes: " << r.problem.toStdString();
    if (r.code == 0) ++whole_conversions;
    if (r.code == 1) ++refusals;
  }
  // The whole file converts; a cut inside its pages cannot hold every row.
  EXPECT_EQ(results.back().code, 0);
  std::printf("[ figures  ] %zu cuts of nwind.mdb: %d converted whole, %d refused\n", results.size(), whole_conversions,
              refusals);
}

}  // namespace
