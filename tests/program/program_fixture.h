// The real program, started as a user starts it: the `orbisca` executable
// in a data folder of its own, on the X server the test runs under (CTest
// starts these tests with xvfb-run), typed at through xdotool, closed as a
// person closes it or killed. Each run has a private runtime folder (the
// single-instance channel lives there), temporary folder and settings
// folders, so runs of other engineers and other tests never meet it.
//
// What the program does is read from outside only: its exit status, the
// files it leaves, the database read back through the engine, and its
// "orbisca.lifecycle" log lines (start-up done, shutdown, what the exit did
// with the archive).
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace program_test {

// Codes of the articles every data folder starts with (all in stock).
inline const QStringList kArticles = {QStringLiteral("977556677889900000"), QStringLiteral("977112233445501234"),
                                      QStringLiteral("8001234567890"), QStringLiteral("80012345"),
                                      QStringLiteral("977000111222301")};

// Why the real program cannot be run here, or an empty string.
QString WhyNotRunnable();

// Sends the window the window manager's close request (the title bar's
// close button, Alt+F4); false when it cannot be sent.
bool SendCloseRequest(unsigned long window);
// Takes the X server's keyboard focus from every window; false without X.
bool DropKeyboardFocus();
// Whether the keyboard focus is in `window` (or a window inside it).
bool HasKeyboardFocus(unsigned long window);

// What the engine finds in a database file: the integrity check, and every
// article whose stock differs from the sum of its journal.
struct Soundness {
  bool opened = false;
  QString integrity;       // "ok" when sound
  QStringList mismatches;  // "code: stock x, journal y"
  int journal_rows = 0;
  bool Sound() const { return opened && integrity == QLatin1String("ok") && mismatches.isEmpty(); }
  QString Describe() const;
};
Soundness CheckDatabase(const QString &path);

// A data folder: the program's database with the articles above, their
// stock equal to their journal, and `bulk_rows` more journal rows spread
// over them (to give the exit's compaction and backup some weight).
class DataFolder {
 public:
  explicit DataFolder(int bulk_rows = 0);
  QString Path() const { return dir_.path(); }
  QString File(const QString &name) const { return dir_.filePath(name); }
  QString Database() const { return File(QStringLiteral("orbisca4.mdb")); }
  QString Backup() const { return File(QStringLiteral("backup4.cab")); }
  QString TempFolder() const { return temp_.path(); }
  QString RuntimeFolder() const { return runtime_.path(); }
  QString SettingsFolder() const { return settings_.path(); }
  // Files of the data folder and of the program's temporary folder that are
  // neither the user's data nor the program's (leftovers of a run).
  QStringList Leftovers() const;
  // The archive's database, extracted and checked; empty Soundness when the
  // archive cannot be read.
  Soundness CheckBackup() const;

 private:
  QTemporaryDir dir_, temp_, runtime_, settings_;
};

// One run of the program in a data folder.
// A wait's limit in this run: the sanitizer run slows the program several
// times over and says by how much in ORBISCA_TEST_TIME_SCALE.
int Patience(int timeout_ms);

class ProgramRun {
 public:
  explicit ProgramRun(const DataFolder &folder, const QString &data_path = {});
  ~ProgramRun();

  qint64 Pid() const { return process_.processId(); }
  // Whether the process still runs (asked now: QProcess learns of an end
  // only when asked or from an event loop, which the tests do not run).
  bool Running() {
    if (process_.state() != QProcess::NotRunning) process_.waitForFinished(0);
    return process_.state() != QProcess::NotRunning;
  }
  // Waits for a line of the program's log containing `text`.
  bool WaitForLog(const QString &text, int timeout_ms = 15000);
  QString Log();
  // The main window, once it shows (0 when it does not).
  unsigned long MainWindow(int timeout_ms = 15000);
  // Gives the main window the keyboard and types; "\n" is the Enter key.
  bool Type(const QString &text, int delay_ms = 4);
  // Starts typing without waiting for the end (the kill test).
  void TypeInBackground(const QString &text, int delay_ms = 4);
  void StopTyping();
  bool Key(const QString &key);
  // Presses Enter on the first window of the program other than the main
  // one (a message box); false when none shows within the time.
  bool AnswerDialog(int timeout_ms = 10000);
  // The first window of the program other than the main one, once it
  // shows (0 when none does within the time).
  unsigned long OtherWindow(int timeout_ms = 10000);
  // The first shown window of the program whose title starts with `title`
  // (0 when none shows in time): a window that follows another, past
  // the short-lived ones between them (a report's progress window).
  unsigned long WindowTitled(const QString &title, int timeout_ms = 15000);
  // Waits until `window` no longer shows.
  bool WaitUntilGone(unsigned long window, int timeout_ms = 10000);
  // Waits until no window of the program but the main one shows.
  bool OnlyTheMainWindow(int timeout_ms = 10000);
  // A key (xdotool's names) to whatever window has the keyboard now.
  bool KeyToFocus(const QString &key);
  // Waits until the process has its own handler for `signal` (it catches
  // it); the milliseconds since the start, or -1 when it never does.
  qint64 WaitUntilCatching(int signal, int timeout_ms = 15000);
  // Waits until a child process of the program runs `program` (a name of
  // its command line); false when none shows within the time.
  bool WaitForChild(const QString &program, int timeout_ms = 15000);
  // Ends: waits for the exit and gives the status (-1 on a crash or time-out).
  int WaitForExit(int timeout_ms = 30000);
  bool Crashed() const { return crashed_; }
  // Sends the signal while the process runs (never to process 0, which
  // would be the test's own process group).
  void Kill(int signal) {
    const qint64 pid = Pid();
    if (pid > 0 && Running()) ::kill(static_cast<pid_t>(pid), signal);
  }

 private:
  QStringList Windows();
  bool Xdotool(const QStringList &args, QString *out = nullptr, int timeout_ms = 10000);
  QProcess process_;
  std::unique_ptr<QProcess> typist_;
  QString log_;
  QElapsedTimer started_;
  unsigned long main_window_ = 0;
  bool crashed_ = false;
};

}  // namespace program_test
