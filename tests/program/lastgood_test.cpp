// The last good backup with the real program: after a normal exit wrote a
// good "backup4.cab", a database that is no longer the shop's sound archive
// (damaged under the running program, a Jet file that cannot be converted,
// a converted archive without the shop's tables) is never archived over it.
// Each run ends with status 0, the message names the file, "backup4.cab" is
// byte for byte the good one and the refused file is left as it was.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "platform/jet/takeover.h"
#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString TestData(const QString &name) { return QStringLiteral(ORBISCA_TEST_DATA_DIR "/jet/") + name; }

class LastGoodBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    // A good day: the exit writes the archive the rest must keep.
    ProgramRun good(folder_);
    ASSERT_TRUE(good.WaitForLog(QStringLiteral("start-up: archives open"))) << good.Log().toStdString();
    ASSERT_TRUE(good.Key(QStringLiteral("alt+u")));
    ASSERT_EQ(good.WaitForExit(), 0) << good.Log().toStdString();
    ASSERT_TRUE(good.Log().contains(QStringLiteral("exit: archive written"))) << good.Log().toStdString();
    good_archive_ = Bytes(folder_.Backup());
    ASSERT_FALSE(good_archive_.isEmpty());
  }

  // Closes the window as a person does (the window manager's close request,
  // else "Uscita") and answers every message; the exit status.
  static int CloseAnswering(ProgramRun &run) {
    if (!SendCloseRequest(run.MainWindow())) EXPECT_TRUE(run.Key(QStringLiteral("alt+u")));
    QElapsedTimer t;
    t.start();
    while (run.Running() && t.elapsed() < Patience(60000)) run.AnswerDialog(300);
    return run.WaitForExit(10000);
  }

  // What every run here must show at its end.
  void ExpectArchiveKept(ProgramRun &run, int status, const QByteArray &refused) {
    const QString log = run.Log();
    EXPECT_EQ(status, 0) << log.toStdString();
    EXPECT_FALSE(run.Crashed());
    EXPECT_TRUE(log.contains(QStringLiteral("exit: archive kept ("))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("exit: archive written"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("repair and compaction"))) << log.toStdString();
    // The exit's message names the file and the archive kept.
    EXPECT_TRUE(log.contains(QStringLiteral("«") + folder_.Database() + QStringLiteral("»"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("«") + folder_.Backup() + QStringLiteral("» è stata lasciata com'era")))
        << log.toStdString();
    EXPECT_TRUE(Bytes(folder_.Backup()) == good_archive_);
    EXPECT_TRUE(Bytes(folder_.Database()) == refused);
    EXPECT_TRUE(folder_.Leftovers().isEmpty()) << folder_.Leftovers().join(QLatin1Char(' ')).toStdString();
  }

  DataFolder folder_;
  QByteArray good_archive_;
};

// The database goes bad while the program runs: emptied, its first bytes
// overwritten, a text file put in its place. The window is closed, or the
// system asks the program to end.
TEST_F(LastGoodBackupTest, DatabaseDamagedWhileTheProgramRuns) {
  const QByteArray sound = Bytes(folder_.Database());
  QByteArray header = sound;
  for (int i = 0; i < 16; ++i) header[i] = static_cast<char>(0x5A ^ i);
  const struct {
    const char *name;
    QByteArray bytes;
    bool by_signal;
  } damages[] = {{"emptied", QByteArray(), false},
                 {"first 16 bytes overwritten", header, false},
                 {"a text file", QByteArray("Elenco fornitori\r\nMEPE  Milano\r\n"), false},
                 {"emptied, then SIGTERM", QByteArray(), true}};
  for (const auto &damage : damages) {
    SCOPED_TRACE(damage.name);
    ASSERT_TRUE(Write(folder_.Database(), sound));
    ProgramRun run(folder_);
    ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
    ASSERT_TRUE(Write(folder_.Database(), damage.bytes));
    int status;
    if (damage.by_signal) {
      run.Kill(SIGTERM);
      status = run.WaitForExit();
    } else {
      status = CloseAnswering(run);
    }
    EXPECT_TRUE(run.Log().contains(QStringLiteral("exit: archive kept (damaged)"))) << run.Log().toStdString();
    ExpectArchiveKept(run, status, damage.bytes);
  }
}

// A shop copies its old folder: the good archive, and an "orbisca4.mdb"
// that is a Jet file cut short. The takeover refuses it at start; the exit
// neither compacts nor archives it.
TEST_F(LastGoodBackupTest, JetFileThatCannotBeTakenOver) {
  const QByteArray cut = Bytes(TestData(QStringLiteral("nwind.mdb"))).left(1500000);
  ASSERT_EQ(cut.size(), 1500000) << "the test data is missing";
  ASSERT_TRUE(Write(folder_.Database(), cut));
  ProgramRun run(folder_);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives refused"))) << run.Log().toStdString();
  EXPECT_TRUE(run.Log().contains(QStringLiteral("Conversione dell'archivio"))) << run.Log().toStdString();
  // The start's message, read (the main window known first, so that the
  // answer goes to the message).
  ASSERT_NE(run.MainWindow(), 0u);
  ASSERT_TRUE(run.AnswerDialog());
  const int status = CloseAnswering(run);
  EXPECT_TRUE(run.Log().contains(QStringLiteral("exit: archive kept (jet)"))) << run.Log().toStdString();
  ExpectArchiveKept(run, status, cut);
}

// A converted archive without the shop's tables (a converted sample
// database) is refused at start by name of what it lacks, and the exit
// leaves it byte for byte as it was.
TEST_F(LastGoodBackupTest, ConvertedArchiveWithoutTheShopsTables) {
  ASSERT_TRUE(QFile::remove(folder_.Database()));
  jet::ConvertJetFile(TestData(QStringLiteral("nwind.mdb")), folder_.Database());
  const QByteArray converted = Bytes(folder_.Database());
  ProgramRun run(folder_);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives refused"))) << run.Log().toStdString();
  EXPECT_TRUE(run.Log().contains(QStringLiteral("«Riviste»"))) << run.Log().toStdString();
  ASSERT_NE(run.MainWindow(), 0u);
  ASSERT_TRUE(run.AnswerDialog());
  const int status = CloseAnswering(run);
  EXPECT_TRUE(run.Log().contains(QStringLiteral("exit: archive kept (incomplete)"))) << run.Log().toStdString();
  ExpectArchiveKept(run, status, converted);
}

}  // namespace
}  // namespace program_test
