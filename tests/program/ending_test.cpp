// Endings asked at awkward moments: the system's termination signal in the
// first moments of a start and while an archive of the old program is being
// converted, and the window's close request while the start-up runs. Each
// ends in order with status 0, loses nothing and leaves nothing behind; a
// close that came too early is honoured once the start-up is over and never
// stops the later ones.
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class EndingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }
  // What an orderly end shows whenever it came: status 0, the database as
  // it was (no registration was typed), the shutdown's archive when the
  // archives had opened, sound, and nothing left behind.
  static void ExpectOrderlyEnd(ProgramRun &run, const DataFolder &folder, int status, int journal_rows) {
    EXPECT_EQ(status, 0) << run.Log().toStdString();
    EXPECT_FALSE(run.Crashed());
    // Archives the start-up opened are closed by the shutdown, backup
    // included; a start that never opened them has nothing to close.
    if (run.Log().contains(QStringLiteral("start-up: archives open")))
      EXPECT_TRUE(run.Log().contains(QStringLiteral("exit: archive written"))) << run.Log().toStdString();
    const Soundness db = CheckDatabase(folder.Database());
    EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
    EXPECT_EQ(db.journal_rows, journal_rows);
    if (QFile::exists(folder.Backup())) {
      const Soundness backup = folder.CheckBackup();
      EXPECT_TRUE(backup.Sound()) << backup.Describe().toStdString();
    }
    EXPECT_TRUE(folder.Leftovers().isEmpty()) << folder.Leftovers().join(QLatin1Char(' ')).toStdString();
  }
};

// The program catches the signals from the first line of its main; before
// that (the system loading its libraries, some tens of milliseconds) a
// signal still ends it by its default action. The signal goes at the given
// moment, or as soon as the program catches it when that is later.
TEST_F(EndingTest, ASignalInTheFirstMomentsOfAStartEndsInOrder) {
  for (const auto &[signal, delay_ms] :
       std::vector<std::pair<int, int>>{{SIGTERM, 50}, {SIGTERM, 150}, {SIGTERM, 300}, {SIGHUP, 150}, {SIGTERM, 0}}) {
    SCOPED_TRACE(QStringLiteral("signal %1 after %2 ms").arg(signal).arg(delay_ms).toStdString());
    DataFolder folder;
    const int rows = CheckDatabase(folder.Database()).journal_rows;
    ProgramRun run(folder);
    const qint64 catching = run.WaitUntilCatching(signal);
    ASSERT_GE(catching, 0) << run.Log().toStdString();
    if (catching < delay_ms) QThread::msleep(static_cast<unsigned long>(delay_ms - catching));
    run.Kill(signal);
    ExpectOrderlyEnd(run, folder, run.WaitForExit(), rows);
    std::printf("signal %d: caught from %lld ms, sent at %lld ms\n", signal, static_cast<long long>(catching),
                static_cast<long long>(std::max<qint64>(catching, delay_ms)));
  }
}

// The converter runs as a child process of the program while an archive of
// the old program is taken over; the signal comes while it runs.
TEST_F(EndingTest, ASignalDuringTheTakeoverOfAnOldArchiveEndsInOrder) {
  const QString jet = QStringLiteral(ORBISCA_TEST_JET_DIR "/nwind.mdb");
  ASSERT_TRUE(QFile::exists(jet)) << jet.toStdString();
  const QByteArray original = Bytes(jet);
  DataFolder folder;
  QFile::remove(folder.Database());
  ASSERT_TRUE(QFile::copy(jet, folder.Database()));
  QFile::setPermissions(folder.Database(), QFile::ReadOwner | QFile::WriteOwner);
  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForChild(QStringLiteral("orbisca-jet-convert"))) << run.Log().toStdString();
  run.Kill(SIGTERM);
  const int status = run.WaitForExit();
  EXPECT_EQ(status, 0) << run.Log().toStdString();
  EXPECT_FALSE(run.Crashed());
  EXPECT_TRUE(run.Log().contains(QStringLiteral("end of session asked"))) << run.Log().toStdString();
  // The old archive is kept byte for byte, converted or not.
  const QString kept = folder.File(QStringLiteral("orbisca4 (Jet).mdb"));
  EXPECT_EQ(QFile::exists(kept) ? Bytes(kept) : Bytes(folder.Database()), original);
  QStringList left = folder.Leftovers();
  left.removeAll(QStringLiteral("orbisca4 (Jet).mdb"));
  EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
}

// A message or a dialog waiting for an answer does not hold the end: it is
// closed and the shutdown runs, backup included.
TEST_F(EndingTest, ASignalWhileAMessageOrADialogWaitsEndsInOrder) {
  for (const QString &opener : {QStringLiteral("alt+n m"), QStringLiteral("alt+m")}) {
    SCOPED_TRACE(opener.toStdString());
    DataFolder folder;
    const int rows = CheckDatabase(folder.Database()).journal_rows;
    ProgramRun run(folder);
    ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
    // The help menu's manual, missing from the data folder, is said in a
    // message; the maintenance is a dialog of its own.
    const QStringList keys = opener.split(QLatin1Char(' '));
    ASSERT_TRUE(run.Key(keys.first()));
    if (keys.size() > 1) {
      const unsigned long menu = run.OtherWindow();
      ASSERT_NE(menu, 0UL);
      ASSERT_TRUE(run.KeyToFocus(keys[1]));
      ASSERT_TRUE(run.WaitUntilGone(menu));
    }
    ASSERT_NE(run.OtherWindow(), 0UL);
    run.Kill(SIGTERM);
    const int status = run.WaitForExit(20000);
    EXPECT_TRUE(run.Log().contains(QStringLiteral("exit: archive written"))) << run.Log().toStdString();
    ExpectOrderlyEnd(run, folder, status, rows);
  }
}

// The close request at 0, 0.1, 0.2 and 0.3 s after the window shows, five
// times each: the program ends every time with status 0, in order.
TEST_F(EndingTest, TheWindowsCloseRequestDuringTheStartUpIsHonouredOnceItIsOver) {
  int ended = 0, tries = 0;
  for (int round = 0; round < 5; ++round) {
    for (const int delay_ms : {0, 100, 200, 300}) {
      SCOPED_TRACE(QStringLiteral("close %1 ms after the window, round %2").arg(delay_ms).arg(round).toStdString());
      ++tries;
      DataFolder folder;
      const int rows = CheckDatabase(folder.Database()).journal_rows;
      ProgramRun run(folder);
      const unsigned long window = run.MainWindow();
      ASSERT_NE(window, 0UL) << run.Log().toStdString();
      QThread::msleep(static_cast<unsigned long>(delay_ms));
      ASSERT_TRUE(SendCloseRequest(window));
      int status = run.WaitForExit(8000);
      if (status == -1 && !run.Crashed()) {
        // Not ended: a later close request must still work.
        ADD_FAILURE() << "the close request was lost: " << run.Log().toStdString();
        SendCloseRequest(window);
        status = run.WaitForExit(8000);
      }
      if (status == 0) ++ended;
      ExpectOrderlyEnd(run, folder, status, rows);
    }
  }
  std::printf("close requests during the start-up: %d of %d ended with status 0\n", ended, tries);
}

}  // namespace
}  // namespace program_test
