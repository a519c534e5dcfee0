// The program's own temporary files and durable renames: the names tell the
// program's files from the user's, a start removes only those of runs that
// are over, and a rename replaces a file whole or not at all.
#include "platform/rtl/workfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace rtl {
namespace {

void WriteFile(const QString &path, const QByteArray &data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

// A process id that certainly runs no longer: a child that has ended.
long long EndedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

TEST(WorkFiles, NamesAreTheProgramsOwnAndCarryTheirProcess) {
  QTemporaryDir dir;
  const QString made = CreateWorkFile(dir.path(), QStringLiteral("mdb"));
  ASSERT_FALSE(made.isEmpty());
  EXPECT_TRUE(QFileInfo(made).isFile());
  EXPECT_EQ(QFileInfo(made).size(), 0);
  long long pid = 0;
  EXPECT_TRUE(IsWorkFileName(QFileInfo(made).fileName(), &pid));
  EXPECT_EQ(pid, ::getpid());
  // Two at once never share a name.
  EXPECT_NE(CreateWorkFile(dir.path(), QStringLiteral("mdb")), made);

  EXPECT_TRUE(IsWorkFileName(QStringLiteral("~orbisca-mdb.123.aB3xYz.tmp-journal")));
  EXPECT_TRUE(IsWorkFileName(QStringLiteral("~orbisca-ini.9.000000.tmp")));
  // The user's files, and names that merely look alike.
  for (const char *name : {"orbisca4.mdb", "backup4.cab", "orbiscacfg.ini", "mdbAB12cd.tmp", "~orbisca-mdb.tmp",
                           "~orbisca-mdb.12.abc.tmp", "~orbisca-mdb.12.abcdef.tmp.bak", "~orbisca-MDB.12.abcdef.tmp",
                           "x~orbisca-mdb.12.abcdef.tmp", "~orbisca-mdb.pid.abcdef.tmp"})
    EXPECT_FALSE(IsWorkFileName(QString::fromLatin1(name))) << name;
  // A folder that cannot take a file gives no name.
  EXPECT_TRUE(CreateWorkFile(dir.filePath(QStringLiteral("manca")), QStringLiteral("mdb")).isEmpty());
}

TEST(WorkFiles, AStartRemovesOnlyWhatEndedRunsLeft) {
  QTemporaryDir dir;
  const long long ended = EndedProcessId();
  const QStringList left = {QStringLiteral("~orbisca-mdb.%1.aaaaaa.tmp").arg(ended),
                            QStringLiteral("~orbisca-mdb.%1.aaaaaa.tmp-journal").arg(ended),
                            QStringLiteral("~orbisca-cab.%1.bbbbbb.tmp").arg(ended),
                            QStringLiteral("~orbisca-ini.%1.cccccc.tmp").arg(ended)};
  const QStringList kept = {// The user's files, whatever they are called.
                            QStringLiteral("orbisca4.mdb"), QStringLiteral("backup4.cab"),
                            QStringLiteral("orbiscacfg.ini"), QStringLiteral("mdb1A2b3C.tmp"),
                            QStringLiteral("~orbisca-mdb.%1.aaaaaa.tmp.copia").arg(ended),
                            // A run that is still going (this one) keeps its files.
                            QStringLiteral("~orbisca-mdb.%1.dddddd.tmp").arg(::getpid())};
  for (const QString &name : left + kept) WriteFile(dir.filePath(name), "x");
  QDir().mkpath(dir.filePath(QStringLiteral("~orbisca-mdb.%1.eeeeee.tmp").arg(ended)));  // a folder: not ours

  EXPECT_EQ(RemoveStaleWorkFiles(dir.path()), left.size());
  QStringList now = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  now.sort();
  QStringList expected = kept;
  expected << QStringLiteral("~orbisca-mdb.%1.eeeeee.tmp").arg(ended);
  expected.sort();
  EXPECT_EQ(now, expected);
  EXPECT_EQ(RemoveStaleWorkFiles(dir.path()), 0);
  EXPECT_EQ(RemoveStaleWorkFiles(dir.filePath(QStringLiteral("manca"))), 0);
}

TEST(WorkFiles, ProgramTempFolderIsPrivate) {
  const QString folder = ProgramTempFolder();
  ASSERT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(ProgramTempFolder(), folder);
  if (folder != QDir::tempPath()) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
  }
}

TEST(WorkFiles, DurableRenameReplacesWholeOrNotAtAll) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("backup4.cab"));
  WriteFile(target, "vecchio");
  const QString temp = CreateWorkFile(dir.path(), QStringLiteral("cab"));
  WriteFile(temp, "nuovo e completo");
  QString error;
  ASSERT_TRUE(DurableRename(temp, target, &error)) << error.toStdString();
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "nuovo e completo");
  EXPECT_FALSE(QFileInfo::exists(temp));

  // A target that is a folder refuses; the new file stays where it was.
  const QString folder = dir.filePath(QStringLiteral("cartella"));
  QDir().mkpath(folder + QStringLiteral("/dentro"));
  const QString other = CreateWorkFile(dir.path(), QStringLiteral("cab"));
  EXPECT_FALSE(DurableRename(other, folder, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(QFileInfo(other).isFile());
  EXPECT_TRUE(QFileInfo(folder).isDir());
  // A source that is gone.
  EXPECT_FALSE(DurableRename(dir.filePath(QStringLiteral("sparito")), target, &error));
  EXPECT_TRUE(QFileInfo(target).isFile());
  EXPECT_TRUE(SyncFolder(dir.path()));
  EXPECT_FALSE(SyncFile(dir.filePath(QStringLiteral("sparito"))));
}

}  // namespace
}  // namespace rtl
