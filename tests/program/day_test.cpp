// A day of work with the real program: registrations typed at the keyboard,
// every way of ending it (the window's close button, "Uscita", the system's
// termination signals), a damaged database at start, and a code that is no
// barcode. Each ends with status 0, the backup holding the day's work (or
// the last good one kept) and nothing left behind.
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

class DayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }
  static QByteArray Bytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Waits until the database holds `rows` journal rows.
  static bool WaitForJournal(const DataFolder &folder, int rows) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Patience(15000)) {
      if (CheckDatabase(folder.Database()).journal_rows >= rows) return true;
      QThread::msleep(30);
    }
    return false;
  }
  // What every clean end shows: status 0, no crash, no repaint inside a
  // paint, the archive written and sound, nothing left behind.
  static void ExpectCleanEnd(ProgramRun &run, DataFolder &folder, int status) {
    EXPECT_EQ(status, 0) << run.Log().toStdString();
    EXPECT_FALSE(run.Crashed());
    EXPECT_TRUE(run.Log().contains(QStringLiteral("exit: archive written"))) << run.Log().toStdString();
    EXPECT_FALSE(run.Log().contains(QStringLiteral("Recursive repaint"))) << run.Log().toStdString();
    const Soundness db = CheckDatabase(folder.Database());
    EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
    const Soundness backup = folder.CheckBackup();
    EXPECT_TRUE(backup.Sound()) << backup.Describe().toStdString();
    EXPECT_EQ(backup.journal_rows, db.journal_rows);
    EXPECT_TRUE(folder.Leftovers().isEmpty()) << folder.Leftovers().join(QLatin1Char(' ')).toStdString();
  }
};

TEST_F(DayTest, LoadAndSaleAtTheKeyboardThenTheWindowClosed) {
  DataFolder folder;
  const int rows = CheckDatabase(folder.Database()).journal_rows;
  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
  // A load of three copies, then a sale of one: the scanner types the code
  // and Enter, the quantity goes in, Enter registers.
  ASSERT_TRUE(run.Type(kArticles[0] + QStringLiteral("\n3\n")));
  ASSERT_TRUE(WaitForJournal(folder, rows + 1)) << run.Log().toStdString();
  ASSERT_TRUE(run.Type(QStringLiteral("333\n") + kArticles[0] + QStringLiteral("\n\n")));
  ASSERT_TRUE(WaitForJournal(folder, rows + 2)) << run.Log().toStdString();

  const bool by_window_manager = SendCloseRequest(run.MainWindow());
  if (!by_window_manager) ASSERT_TRUE(run.Key(QStringLiteral("alt+u")));  // "Uscita"
  const int status = run.WaitForExit();
  ExpectCleanEnd(run, folder, status);
  const Soundness db = CheckDatabase(folder.Database());
  EXPECT_EQ(db.journal_rows, rows + 2);
}

// "Uscita" from the keyboard, and the system's signals at logout or shutdown:
// each runs the same shutdown, backup included.
TEST_F(DayTest, UscitaAndTheSystemsSignalsEndWithStatusZero) {
  for (const QString &way : {QStringLiteral("alt+u"), QStringLiteral("SIGTERM"), QStringLiteral("SIGHUP")}) {
    SCOPED_TRACE(way.toStdString());
    DataFolder folder;
    ProgramRun run(folder);
    ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
    ASSERT_TRUE(run.Type(QStringLiteral("333\n") + kArticles[1] + QStringLiteral("\n\n")));
    ASSERT_TRUE(WaitForJournal(folder, kArticles.size() + 1));
    if (way == QLatin1String("SIGTERM"))
      run.Kill(SIGTERM);
    else if (way == QLatin1String("SIGHUP"))
      run.Kill(SIGHUP);
    else
      ASSERT_TRUE(run.Key(way));
    ExpectCleanEnd(run, folder, run.WaitForExit());
  }
}

// A second signal while the first one's shutdown runs ends the program at
// once; the database is whole and the backup is the old one or a complete
// new one.
TEST_F(DayTest, ASecondSignalEndsAtOnceWithTheDatabaseWhole) {
  DataFolder folder(20000);
  {
    ProgramRun first(folder);
    ASSERT_TRUE(first.WaitForLog(QStringLiteral("start-up: archives open")));
    first.Kill(SIGTERM);
    ASSERT_EQ(first.WaitForExit(), 0) << first.Log().toStdString();
  }
  const QByteArray previous = Bytes(folder.Backup());
  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open")));
  run.Kill(SIGTERM);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("shutdown: started")));
  run.Kill(SIGTERM);
  const int status = run.WaitForExit();
  EXPECT_TRUE(status == 0 || status == 128 + SIGTERM) << status;
  EXPECT_FALSE(run.Crashed());
  const Soundness db = CheckDatabase(folder.Database());
  EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
  if (Bytes(folder.Backup()) != previous) {
    const Soundness backup = folder.CheckBackup();
    EXPECT_TRUE(backup.Sound()) << backup.Describe().toStdString();
  }
}

// The program started again while it runs (a second click on its icon):
// the second start ends at once with status 0, and the first comes forward
// with the keyboard, ready for the next code.
TEST_F(DayTest, ASecondStartBringsTheFirstForwardAndEnds) {
  DataFolder folder;
  ProgramRun first(folder);
  ASSERT_TRUE(first.WaitForLog(QStringLiteral("start-up: archives open"))) << first.Log().toStdString();
  const unsigned long window = first.MainWindow();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(DropKeyboardFocus());
  ASSERT_FALSE(HasKeyboardFocus(window));

  ProgramRun second(folder);
  EXPECT_EQ(second.WaitForExit(), 0) << second.Log().toStdString();
  EXPECT_FALSE(second.Crashed());
  QElapsedTimer t;
  t.start();
  while (!HasKeyboardFocus(window) && t.elapsed() < Patience(10000)) QThread::msleep(20);
  EXPECT_TRUE(HasKeyboardFocus(window));
  ASSERT_TRUE(first.Running()) << first.Log().toStdString();

  // The first still works as before: a sale, then "Uscita".
  ASSERT_TRUE(first.Type(QStringLiteral("333\n") + kArticles[1] + QStringLiteral("\n\n")));
  ASSERT_TRUE(WaitForJournal(folder, kArticles.size() + 1)) << first.Log().toStdString();
  ASSERT_TRUE(first.Key(QStringLiteral("alt+u")));
  ExpectCleanEnd(first, folder, first.WaitForExit());
}

// A damaged database at start: told in Italian with the file and the
// backup named, the file left as it is, and the program still closes
// cleanly keeping the last good archive.
TEST_F(DayTest, DamagedDatabaseAtStartIsToldAndTheProgramStillCloses) {
  DataFolder folder;
  {
    ProgramRun good(folder);
    ASSERT_TRUE(good.WaitForLog(QStringLiteral("start-up: archives open")));
    ASSERT_TRUE(good.Key(QStringLiteral("alt+u")));
    ASSERT_EQ(good.WaitForExit(), 0);
  }
  const QByteArray archive = Bytes(folder.Backup());
  QByteArray damaged = Bytes(folder.Database());
  damaged.truncate(damaged.size() / 2);
  QFile f(folder.Database());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(damaged);
  f.close();

  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives refused"))) << run.Log().toStdString();
  const QString log = run.Log();
  EXPECT_TRUE(log.contains(QStringLiteral("è danneggiato"))) << log.toStdString();
  EXPECT_TRUE(log.contains(folder.Database())) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("«") + folder.Backup() + QStringLiteral("»"))) << log.toStdString();
  ASSERT_TRUE(run.AnswerDialog());
  // A registration typed anyway is refused with a message.
  ASSERT_TRUE(run.Type(kArticles[0] + QStringLiteral("\n2\n")));
  run.AnswerDialog(3000);
  ASSERT_TRUE(run.Key(QStringLiteral("alt+u")));
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("exit: archive kept (damaged)"))) << run.Log().toStdString();
  ASSERT_TRUE(run.AnswerDialog());
  EXPECT_EQ(run.WaitForExit(), 0) << run.Log().toStdString();
  EXPECT_FALSE(run.Log().contains(QStringLiteral("Recursive repaint")));
  EXPECT_TRUE(Bytes(folder.Database()) == damaged);
  EXPECT_TRUE(Bytes(folder.Backup()) == archive);
  EXPECT_TRUE(folder.Leftovers().isEmpty()) << folder.Leftovers().join(QLatin1Char(' ')).toStdString();
}

// A code of an accepted length made of letters, typed on the load page, is
// refused with a message and never becomes an article.
TEST_F(DayTest, ACodeThatIsNoBarcodeIsRefused) {
  DataFolder folder;
  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open")));
  ASSERT_TRUE(run.Type(QStringLiteral("agzxMZkVFMUvTVmFpk\n")));
  EXPECT_TRUE(run.AnswerDialog());
  ASSERT_TRUE(run.Type(QStringLiteral("7\n")));
  ASSERT_TRUE(run.Key(QStringLiteral("alt+u")));
  ASSERT_EQ(run.WaitForExit(), 0) << run.Log().toStdString();
  const Soundness db = CheckDatabase(folder.Database());
  EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
  EXPECT_EQ(db.journal_rows, kArticles.size());
}

}  // namespace
}  // namespace program_test
