// Faults at exit with the real program: the data folder read-only, the disk
// full, "backup4.cab" a folder. Each is told with a message (answered as a
// user would), the program ends with status 0, and the database is whole,
// the day's registration in it.
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "tests/program/program_fixture.h"

namespace program_test {
namespace {

// A small file system of its own (tmpfs), mounted for the test and always
// unmounted; needs the right to mount (root here and on CI).
class Mount {
 public:
  Mount(const QString &where, const QString &options) : where_(where) {
    QDir().mkpath(where);
    mounted_ = Run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                    options, QStringLiteral("tmpfs"), where});
  }
  ~Mount() {
    if (mounted_) Run({QStringLiteral("umount"), QStringLiteral("-l"), where_});
  }
  bool Mounted() const { return mounted_; }
  bool Remount(const QString &options) {
    return Run({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,") + options, where_});
  }

 private:
  static bool Run(const QStringList &args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(args.first(), args.mid(1));
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }
  QString where_;
  bool mounted_ = false;
};

class FaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString why = WhyNotRunnable();
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
  }

  static void Copy(const QString &from_folder, const QString &to_folder) {
    for (const QString &name : QDir(from_folder).entryList(QDir::Files))
      ASSERT_TRUE(QFile::copy(QDir(from_folder).filePath(name), QDir(to_folder).filePath(name))) << name.toStdString();
  }

  // A sale typed, the window closed from the menu; every message of the
  // exit answered with Enter. Returns the exit status and the run's log.
  static int SellAndClose(const DataFolder &folder, const QString &data_path, QString *log) {
    ProgramRun run(folder, data_path);
    EXPECT_TRUE(run.WaitForLog(QStringLiteral("start-up: archives open"))) << run.Log().toStdString();
    EXPECT_TRUE(run.Type(QStringLiteral("333\n") + kArticles[2] + QStringLiteral("\n\n")));
    // A refused sale says so first.
    while (run.AnswerDialog(700)) {
    }
    EXPECT_TRUE(run.Key(QStringLiteral("alt+u")));
    QElapsedTimer t;
    t.start();
    while (run.Running() && t.elapsed() < Patience(60000)) run.AnswerDialog(300);
    const int status = run.WaitForExit(10000);
    *log = run.Log();
    EXPECT_FALSE(run.Crashed());
    return status;
  }

  static void ExpectDatabaseWhole(const QString &path, int journal_rows) {
    const Soundness db = CheckDatabase(path);
    EXPECT_TRUE(db.Sound()) << db.Describe().toStdString();
    EXPECT_EQ(db.journal_rows, journal_rows);
  }
};

TEST_F(FaultsTest, BackupNameTakenByAFolder) {
  DataFolder folder;
  QDir().mkpath(folder.Backup());
  QFile inside(folder.Backup() + QStringLiteral("/lettera.txt"));
  ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
  inside.write("della cliente");
  inside.close();
  QString log;
  EXPECT_EQ(SellAndClose(folder, {}, &log), 0) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("exit: archive failed"))) << log.toStdString();
  EXPECT_TRUE(QFileInfo(folder.Backup()).isDir());
  EXPECT_TRUE(QFile::exists(folder.Backup() + QStringLiteral("/lettera.txt")));
  ExpectDatabaseWhole(folder.Database(), kArticles.size() + 1);
  EXPECT_TRUE(folder.Leftovers().isEmpty()) << folder.Leftovers().join(QLatin1Char(' ')).toStdString();
}

TEST_F(FaultsTest, ReadOnlyDataFolder) {
  DataFolder folder;
  const QString data = folder.File(QStringLiteral("sola-lettura"));
  QDir().mkpath(data);
  Copy(folder.Path(), data);
  std::unique_ptr<Mount> mount;
  if (::geteuid() == 0) {
    // Rights do not stop root: the folder is a file system mounted read-only.
    QDir(data).removeRecursively();
    mount = std::make_unique<Mount>(data, QStringLiteral("size=8m"));
    if (!mount->Mounted()) GTEST_SKIP() << "cannot mount a file system here (no right to mount)";
    Copy(folder.Path(), data);
  }
  // The day before wrote the archive; today the folder is read-only.
  {
    QString log;
    ASSERT_EQ(SellAndClose(folder, data, &log), 0) << log.toStdString();
  }
  const QByteArray archive = [&] {
    QFile f(data + QStringLiteral("/backup4.cab"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  if (mount)
    ASSERT_TRUE(mount->Remount(QStringLiteral("ro")));
  else
    ASSERT_TRUE(QFile::setPermissions(data, QFile::ReadOwner | QFile::ExeOwner));
  QString log;
  EXPECT_EQ(SellAndClose(folder, data, &log), 0) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("exit: archive failed"))) << log.toStdString();
  // The refused sale changed nothing; yesterday's sale and archive are there.
  ExpectDatabaseWhole(data + QStringLiteral("/orbisca4.mdb"), kArticles.size() + 1);
  QFile f(data + QStringLiteral("/backup4.cab"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll() == archive);
  if (!mount) QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(FaultsTest, DiskFull) {
  DataFolder folder(20000);
  const qint64 size = QFileInfo(folder.Database()).size();
  const QString data = folder.File(QStringLiteral("disco-pieno"));
  // Room for the database and a little more: not for its compacted copy.
  Mount mount(data, QStringLiteral("size=%1k").arg((size + size / 4) / 1024 + 64));
  if (!mount.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (no right to mount)";
  Copy(folder.Path(), data);
  QString log;
  EXPECT_EQ(SellAndClose(folder, data, &log), 0) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("exit: repair and compaction failed")) ||
              log.contains(QStringLiteral("exit: archive failed")))
      << log.toStdString();
  ExpectDatabaseWhole(data + QStringLiteral("/orbisca4.mdb"), kArticles.size() + 20000 + 1);
  // Nothing half-written stays on the full disk (the list templates the
  // start gives the folder are whole ones); an archive that fitted is
  // complete.
  const QRegularExpression list_template(QStringLiteral("^Report4_[1-4]\\.kvf$"));
  for (const QString &name : QDir(data).entryList(QDir::Files | QDir::Hidden))
    EXPECT_TRUE(name == QLatin1String("orbisca4.mdb") || name == QLatin1String("orbiscacfg.ini") ||
                name == QLatin1String("backup4.cab") || list_template.match(name).hasMatch())
        << name.toStdString();
  if (QFile::exists(data + QStringLiteral("/backup4.cab"))) {
    QTemporaryDir out;
    QProcess p;
    p.start(QStringLiteral("cabextract"),
            {QStringLiteral("-q"), QStringLiteral("-d"), out.path(), data + QStringLiteral("/backup4.cab")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    ExpectDatabaseWhole(out.filePath(QStringLiteral("orbisca4.mdb")), kArticles.size() + 20000 + 1);
  }
}

}  // namespace
}  // namespace program_test
