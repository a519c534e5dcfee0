// The single-instance channel: a second copy (a second guard in this
// process, or a child process) learns that a first one runs, its request
// reaches the first copy, and the name is free again once the first copy
// has gone.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QUuid>

#include "platform/os/instance.h"

namespace {

// A program name no real copy of anything uses.
QString UniqueProgram() {
  return QStringLiteral("prova-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".exe");
}

bool WaitFor(const std::function<bool()> &done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace

TEST(InstanceGuard, SecondCopyIsToldAndItsRequestReachesTheFirst) {
  const QString program = UniqueProgram();
  os::TInstanceGuard first(program);
  EXPECT_FALSE(first.PreviousInstance());
  EXPECT_TRUE(first.Listening());
  QStringList heard;
  first.OnActivateRequest = [&](const QString &r) { heard << r; };
  // The first copy has nobody to ask.
  EXPECT_FALSE(first.AskPrevious());

  {
    os::TInstanceGuard second(program);
    EXPECT_TRUE(second.PreviousInstance());
    EXPECT_FALSE(second.Listening());
    EXPECT_TRUE(second.AskPrevious());
    EXPECT_TRUE(second.AskPrevious(QStringLiteral("riga\ncon a capo")));
  }
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 2; }));
  EXPECT_EQ(heard[0], "activate");
  EXPECT_EQ(heard[1], "riga con a capo");

  // Another user or another program is not the same copy.
  os::TInstanceGuard other_user(program, QStringLiteral("altro utente"));
  EXPECT_FALSE(other_user.PreviousInstance());
  os::TInstanceGuard other_program(UniqueProgram());
  EXPECT_FALSE(other_program.PreviousInstance());
}

TEST(InstanceGuard, NameIsFreeAgainWhenTheFirstCopyEnds) {
  const QString program = UniqueProgram();
  {
    os::TInstanceGuard first(program);
    EXPECT_FALSE(first.PreviousInstance());
  }
  os::TInstanceGuard again(program);
  EXPECT_FALSE(again.PreviousInstance());
  EXPECT_TRUE(again.Listening());
}

TEST(InstanceGuard, ChannelNameIsSafeForAnyProgramOrUser) {
  const QString n = os::TInstanceGuard::ChannelName(QStringLiteral("../a b/c.exe"), QStringLiteral("m\u00e0rio/x"));
  EXPECT_FALSE(n.contains('/'));
  EXPECT_FALSE(n.contains(' '));
  EXPECT_NE(os::TInstanceGuard::ChannelName("a.exe", "u"), os::TInstanceGuard::ChannelName("b.exe", "u"));
}

TEST(InstanceGuard, JunkOnTheSocketIsIgnored) {
  const QString program = UniqueProgram();
  os::TInstanceGuard first(program);
  int heard = 0;
  first.OnActivateRequest = [&](const QString &) { ++heard; };
  os::TInstanceGuard second(program);
  // An over-long request is cut to size, never buffered without end.
  EXPECT_TRUE(second.AskPrevious(QString(100000, QLatin1Char('x'))));
  EXPECT_TRUE(second.AskPrevious(QStringLiteral("activate")));
  ASSERT_TRUE(WaitFor([&] { return heard == 2; }));
}

// Run by the test below in a child process: the second copy of a program
// whose first copy is the parent.
TEST(InstanceGuardChild, AsksTheParent) {
  const QString program = qEnvironmentVariable("ORBISCA_INSTANCE_CHILD");
  if (program.isEmpty()) GTEST_SKIP() << "run by InstanceGuard.ChildProcessAsksTheFirstCopy";
  os::TInstanceGuard guard(program);
  ASSERT_TRUE(guard.PreviousInstance());
  ASSERT_TRUE(guard.AskPrevious(QStringLiteral("from-child")));
}

TEST(InstanceGuard, ChildProcessAsksTheFirstCopy) {
  const QString program = UniqueProgram();
  os::TInstanceGuard first(program);
  QString heard;
  first.OnActivateRequest = [&](const QString &r) { heard = r; };
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ORBISCA_INSTANCE_CHILD"), program);
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=InstanceGuardChild.*")});
  ASSERT_TRUE(child.waitForStarted());
  // Keep the event loop running while the child talks to us.
  ASSERT_TRUE(WaitFor([&] { return child.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
  ASSERT_TRUE(WaitFor([&] { return !heard.isEmpty(); }));
  EXPECT_EQ(heard, "from-child");
}
