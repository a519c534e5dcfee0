// The real program killed (SIGKILL: a power cut, a session that ends hard)
// at random moments: while registrations are being typed, and while the
// exit repairs, compacts and archives. After every kill the database is
// whole (the integrity check passes, every article's stock equals the sum
// of its journal, so each registration is there complete or not at all),
// the archive is the previous one or a complete new one, and the next start
// leaves nothing of the killed run behind. The figures (tries, kills that
// hit, losses) are printed with the test.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

constexpr int kKillsWanted = 50;
constexpr int kMaxTries = 100;

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }

  // A start after a kill: the program opens, and nothing of the killed run
  // is left in the data folder or the temporary folder.
  void StartAndCheckLeftovers(ProgramRun &run, DataFolder &folder) {
    ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
    const QStringList left = folder.Leftovers();
    if (!left.isEmpty()) ++leftovers_;
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
  }

  // After a kill: the database and the archive, as the rules above say.
  void CheckAfterKill(DataFolder &folder, const QByteArray &previous_archive) {
    const Soundness db = CheckDatabase(folder.Database());
    if (!db.Sound()) ++losses_;
    EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
    const QByteArray archive = Bytes(folder.Backup());
    if (archive == previous_archive) {
      ++archives_kept_;
      return;
    }
    const Soundness backup = folder.CheckBackup();
    if (!backup.Sound()) ++losses_;
    EXPECT_TRUE(backup.Sound()) << "the archive is neither the previous one nor a complete new one: "
                                << backup.Describe().toStdString();
    ++archives_new_;
  }

  void Report(const char *what, int tries, int kills, qint64 ms) {
    std::printf(
        "[ figures  ] %s: %d tries, %d kills while it ran, %d journal rows written, %d times a journal was "
        "left to roll back, archives kept %d / new and complete %d, leftovers after the next start %d, "
        "databases or archives lost %d, %.1f s\n",
        what, tries, kills, rows_written_, hot_journals_, archives_kept_, archives_new_, leftovers_, losses_,
        static_cast<double>(ms) / 1000.0);
    std::fflush(stdout);
  }

  int leftovers_ = 0, losses_ = 0, archives_kept_ = 0, archives_new_ = 0, rows_written_ = 0, hot_journals_ = 0;
};

// The registrations a busy morning types: loads and sales of the articles
// in stock, code, Enter, quantity, Enter.
QString Registrations(QRandomGenerator &rng, int count) {
  QString keys;
  for (int i = 0; i < count; ++i) {
    const QString code = kArticles[static_cast<int>(rng.bounded(kArticles.size()))];
    if (rng.bounded(2) == 0)
      keys += QStringLiteral("111\n") + code + QStringLiteral("\n%1\n").arg(1 + rng.bounded(9));
    else
      keys += QStringLiteral("333\n") + code + QStringLiteral("\n\n");
  }
  return keys;
}

TEST_F(KillTest, DuringRegistrations) {
  DataFolder folder(2000);
  QRandomGenerator rng(QRandomGenerator::global()->generate());
  {
    ProgramRun first(folder);
    ASSERT_TRUE(first.WaitForLog(QStringLiteral("start-up: archives open")));
    ASSERT_TRUE(first.Key(QStringLiteral("alt+u")));
    ASSERT_EQ(first.WaitForExit(), 0) << first.Log().toStdString();
  }
  const QByteArray archive = Bytes(folder.Backup());
  ASSERT_FALSE(archive.isEmpty());
  QElapsedTimer clock;
  clock.start();
  int tries = 0, kills = 0;
  while (kills < kKillsWanted && tries < kMaxTries && !HasFatalFailure()) {
    ++tries;
    const int rows_before = CheckDatabase(folder.Database()).journal_rows;
    ProgramRun run(folder);
    StartAndCheckLeftovers(run, folder);
    if (HasFatalFailure()) break;
    run.TypeInBackground(Registrations(rng, 8), 2);
    QThread::msleep(50 + rng.bounded(900));
    const bool hit = run.Running();
    run.Kill(SIGKILL);
    run.WaitForExit(10000);
    run.StopTyping();
    if (hit) ++kills;
    if (QFile::exists(folder.Database() + QStringLiteral("-journal"))) ++hot_journals_;
    CheckAfterKill(folder, archive);
    rows_written_ += CheckDatabase(folder.Database()).journal_rows - rows_before;
  }
  Report("kills during registrations", tries, kills, clock.elapsed());
  EXPECT_GE(kills, kKillsWanted);
  EXPECT_GT(rows_written_, 0) << "no registration reached the database: the kills hit nothing";
  EXPECT_EQ(losses_, 0);
}

TEST_F(KillTest, DuringTheExit) {
  // Enough journal for the exit's repair, compaction and archive to take a
  // while, so that kills land in each of them.
  DataFolder folder(60000);
  QRandomGenerator rng(QRandomGenerator::global()->generate());
  QElapsedTimer exit_time;
  {
    ProgramRun first(folder);
    ASSERT_TRUE(first.WaitForLog(QStringLiteral("start-up: archives open")));
    exit_time.start();
    ASSERT_TRUE(first.Key(QStringLiteral("alt+u")));
    ASSERT_EQ(first.WaitForExit(), 0) << first.Log().toStdString();
  }
  qint64 exit_ms = std::max<qint64>(exit_time.elapsed(), 50);
  QByteArray archive = Bytes(folder.Backup());
  QElapsedTimer clock;
  clock.start();
  int tries = 0, kills = 0;
  while (kills < kKillsWanted && tries < kMaxTries && !HasFatalFailure()) {
    ++tries;
    const int rows_before = CheckDatabase(folder.Database()).journal_rows;
    ProgramRun run(folder);
    StartAndCheckLeftovers(run, folder);
    if (HasFatalFailure()) break;
    QElapsedTimer exit_clock;
    exit_clock.start();
    ASSERT_TRUE(run.Key(QStringLiteral("alt+u")));
    // Anywhere in the exit: its repair, compaction and archive.
    QThread::msleep(static_cast<unsigned long>(rng.bounded(static_cast<quint32>(exit_ms * 9 / 10))));
    const bool hit = run.Running();
    run.Kill(SIGKILL);
    const int status = run.WaitForExit(10000);
    if (hit) ++kills;
    if (!hit) {
      EXPECT_EQ(status, 0) << run.Log().toStdString();
      // The machine is busier or idler than when the exit was timed.
      exit_ms = std::max<qint64>((exit_ms + exit_clock.elapsed()) / 2, 50);
    }
    if (QFile::exists(folder.Database() + QStringLiteral("-journal"))) ++hot_journals_;
    CheckAfterKill(folder, archive);
    archive = Bytes(folder.Backup());
    rows_written_ += CheckDatabase(folder.Database()).journal_rows - rows_before;
  }
  Report("kills during the exit", tries, kills, clock.elapsed());
  std::printf("[ figures  ] an exit takes %lld ms on this database (%lld KB)\n", static_cast<long long>(exit_ms),
              static_cast<long long>(QFileInfo(folder.Database()).size() / 1024));
  EXPECT_GE(kills, kKillsWanted);
  EXPECT_EQ(losses_, 0);
  // The last start removes what the last kill left.
  ProgramRun last(folder);
  StartAndCheckLeftovers(last, folder);
}

}  // namespace
}  // namespace program_test
