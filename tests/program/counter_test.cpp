// The counter as the shop keeper works it, keyboard first with a scanner:
// "333" (the sale page's card) stays in the code field, a window is opened
// and closed, and the next scan must still be a sale, never appended to the
// card left in the field. Run on the bare X server and, with
// ORBISCA_TEST_WINDOW_MANAGER naming one (openbox), on a desktop.
#include <sqlite3.h>

#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include "platform/jet/jetsql.h"
#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

// The sales of the journal, read from the database.
int Sales(const QString &database) {
  sqlite3 *db = nullptr;
  int n = -1;
  if (sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    jet::InstallSqliteExtensions(db);  // the text columns' collation
    sqlite3_busy_timeout(db, 2000);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Giornale WHERE Tipo = 'S' AND Quantita = -1 AND Data > 0", -1, &st,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return n;
}

class CounterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    const QString wm = qEnvironmentVariable("ORBISCA_TEST_WINDOW_MANAGER");
    if (wm.isEmpty()) return;
    if (QStandardPaths::findExecutable(wm).isEmpty())
      GTEST_SKIP() << wm.toStdString() << " is not installed (scripts/setup installs it)";
    window_manager_.start(wm, {});
    ASSERT_TRUE(window_manager_.waitForStarted(5000));
    QThread::msleep(700);  // until it manages the screen
  }
  void TearDown() override {
    if (window_manager_.state() == QProcess::NotRunning) return;
    window_manager_.terminate();
    if (!window_manager_.waitForFinished(5000)) window_manager_.kill();
  }
  // Waits until the journal holds `sales` sales.
  static bool WaitForSales(const DataFolder &folder, int sales) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Patience(10000)) {
      if (Sales(folder.Database()) >= sales) return true;
      QThread::msleep(30);
    }
    return false;
  }
  // The window that shows, closed as a person closes it.
  static bool CloseTheWindowThatShows(ProgramRun &run) {
    const unsigned long window = run.OtherWindow();
    return window != 0 && SendCloseRequest(window) && run.OnlyTheMainWindow();
  }
  // Opens a menu with `keys` (to the main window, then each to whatever has
  // the keyboard) and picks its item of the marked letter `item`.
  static bool PickFromMenu(ProgramRun &run, const QStringList &keys, const QString &item) {
    if (!run.Key(keys.first())) return false;
    for (qsizetype i = 1; i < keys.size(); ++i)
      if (!run.KeyToFocus(keys[i])) return false;
    const unsigned long menu = run.OtherWindow();  // a menu is a window of its own
    return menu != 0 && run.KeyToFocus(item) && run.WaitUntilGone(menu);
  }
  QProcess window_manager_;
};

TEST_F(CounterTest, AScanAfterEveryKindOfWindowIsASale) {
  DataFolder folder;
  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
  struct Way {
    const char *name;
    std::function<bool()> open_and_close;
  };
  // "Stampe", the third command of the menu bar (Alt alone gives the bar),
  // pops up the lists; "Lista Giacenze" asks the selection.
  const QStringList print_menu = {QStringLiteral("alt"), QStringLiteral("Right"), QStringLiteral("Right"),
                                  QStringLiteral("Return")};
  const std::vector<Way> ways = {
      {"stock archive", [&] { return run.Key(QStringLiteral("alt+g")) && CloseTheWindowThatShows(run); }},
      {"maintenance", [&] { return run.Key(QStringLiteral("alt+m")) && CloseTheWindowThatShows(run); }},
      {"information",
       [&] {
         // "Informazioni" pops its menu up; "Informazioni sul programma".
         return PickFromMenu(run, {QStringLiteral("alt+n")}, QStringLiteral("i")) && CloseTheWindowThatShows(run);
       }},
      {"a message",
       [&] {
         // The manual, missing from the data folder, is said in a message.
         return PickFromMenu(run, {QStringLiteral("alt+n")}, QStringLiteral("m")) && run.AnswerDialog() &&
                run.OnlyTheMainWindow();
       }},
      {"print selection",
       [&] { return PickFromMenu(run, print_menu, QStringLiteral("l")) && CloseTheWindowThatShows(run); }},
      {"preview",
       [&] {
         if (!PickFromMenu(run, print_menu, QStringLiteral("l"))) return false;
         const unsigned long selection = run.OtherWindow();
         // The selection confirmed as it stands ("&Stampa"): the list's
         // preview shows.
         if (selection == 0 || !run.KeyToFocus(QStringLiteral("alt+s")) || !run.WaitUntilGone(selection)) return false;
         const unsigned long preview = run.WindowTitled(QStringLiteral("Anteprima"));
         return preview != 0 && SendCloseRequest(preview) && run.OnlyTheMainWindow();
       }},
  };
  int sales = Sales(folder.Database()), lost = 0;
  for (size_t i = 0; i < ways.size(); ++i) {
    SCOPED_TRACE(ways[i].name);
    ASSERT_TRUE(run.Type(QStringLiteral("333\n")));
    ASSERT_TRUE(ways[i].open_and_close()) << run.Log().toStdString();
    ASSERT_TRUE(run.Type(kArticles[i % kArticles.size()] + QStringLiteral("\n\n")));
    ++sales;
    if (!WaitForSales(folder, sales)) {
      ++lost;
      ADD_FAILURE() << "the scan after the " << ways[i].name << " was lost";
      sales = Sales(folder.Database());
    }
  }
  std::printf("%s: %zu windows opened and closed, %d scans lost\n",
              qEnvironmentVariableIsEmpty("ORBISCA_TEST_WINDOW_MANAGER") ? "bare X server" : "window manager",
              ways.size(), lost);
  ASSERT_TRUE(run.Key(QStringLiteral("alt+u")));
  EXPECT_EQ(run.WaitForExit(), 0) << run.Log().toStdString();
  const Soundness db = CheckDatabase(folder.Database());
  EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
}

}  // namespace
}  // namespace program_test
