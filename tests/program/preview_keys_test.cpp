// The print preview of the real program at the keyboard: the stock list
// asked for through the menu bar's "S&tampe", printed to the preview from the selection
// window with Alt+S, and in the preview Alt+S ("&Stampa") opens the print
// dialog; Esc closes the dialog, Alt+C ("&Chiudi") the preview, and the
// program still ends with status 0.
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

class PreviewKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }

  static QString Xdotool(const QStringList &args) {
    QProcess x;
    x.start(QStringLiteral("xdotool"), args);
    if (!x.waitForFinished(10000)) {
      x.kill();
      x.waitForFinished();
      return QString();
    }
    return QString::fromLocal8Bit(x.readAllStandardOutput()).trimmed();
  }
  // The program's shown windows, each with its title.
  static QMap<QString, QString> Windows(qint64 pid) {
    QMap<QString, QString> out;
    const QString ids = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                 QString::number(pid), QStringLiteral("--name"), QStringLiteral(".")});
    for (const QString &id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
      out.insert(id, Xdotool({QStringLiteral("getwindowname"), id}));
    return out;
  }
  // The first shown window of the program not in `known`, or an empty id.
  static QString WaitForNewWindow(ProgramRun &run, const QStringList &known) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Patience(15000) && run.Running()) {
      const QMap<QString, QString> shown = Windows(run.Pid());
      for (auto it = shown.begin(); it != shown.end(); ++it)
        if (!known.contains(it.key())) return it.key();
      QThread::msleep(50);
    }
    return QString();
  }
  // The program's window whose title starts with `title`, or an empty id.
  static QString Titled(ProgramRun &run, const QString &title) {
    const unsigned long id = run.WindowTitled(title);
    return id != 0 ? QString::number(id) : QString();
  }
  static void KeyTo(const QString &window, const QString &key) {
    Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    Xdotool({QStringLiteral("key"), key});
  }
  static bool Gone(ProgramRun &run, const QString &window) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
      if (!Windows(run.Pid()).contains(window)) return true;
      QThread::msleep(50);
    }
    return false;
  }
};

TEST_F(PreviewKeysTest, AltSInThePreviewOpensThePrintDialog) {
  DataFolder folder;
  ProgramRun run(folder);
  ASSERT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
  const QString main = QString::number(run.MainWindow());

  // The menu bar's "Stampe" (F10, two to the right: Alt+T is "&Testate")
  // pops up the lists; L takes "&Lista Giacenze" (the menu has the
  // keyboard, so the keys go to no window in particular).
  ASSERT_TRUE(run.Key(QStringLiteral("F10")));
  for (const char *key : {"Right", "Right", "Return", "l"}) {
    QThread::msleep(250);
    Xdotool({QStringLiteral("key"), QString::fromLatin1(key)});
  }
  const QString selection = Titled(run, QStringLiteral("Stampa Giacenze"));
  ASSERT_FALSE(selection.isEmpty()) << run.Log().toStdString();
  KeyTo(selection, QStringLiteral("alt+s"));
  const QString preview = Titled(run, QStringLiteral("Anteprima"));
  ASSERT_FALSE(preview.isEmpty()) << run.Log().toStdString();

  // Alt+S in the preview: the print dialog.
  KeyTo(preview, QStringLiteral("alt+s"));
  const QString dialog = WaitForNewWindow(run, {main, selection, preview});
  ASSERT_FALSE(dialog.isEmpty()) << "no print dialog: " << run.Log().toStdString();
  const QString title = Xdotool({QStringLiteral("getwindowname"), dialog});
  EXPECT_TRUE(title.contains(QStringLiteral("Stampa")) || title.contains(QStringLiteral("Print")))
      << title.toStdString();
  KeyTo(dialog, QStringLiteral("Escape"));
  EXPECT_TRUE(Gone(run, dialog));

  // Alt+C closes the preview.
  KeyTo(preview, QStringLiteral("alt+c"));
  EXPECT_TRUE(Gone(run, preview));
  if (Windows(run.Pid()).contains(selection)) KeyTo(selection, QStringLiteral("Escape"));
  EXPECT_TRUE(Gone(run, selection));

  ASSERT_TRUE(run.Key(QStringLiteral("alt+u")));  // "Uscita"
  EXPECT_EQ(run.WaitForExit(), 0) << run.Log().toStdString();
  EXPECT_FALSE(run.Crashed());
}

}  // namespace
}  // namespace program_test
