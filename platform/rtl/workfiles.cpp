// The program's own temporary files and durable renames (see workfiles.h).
#include "platform/rtl/workfiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rtl {

namespace {

const QString kPrefix = QStringLiteral("~orbisca-");

const QRegularExpression &WorkFilePattern() {
  static const auto *pattern =
      new QRegularExpression(QStringLiteral("^~orbisca-[a-z]+\\.(\\d+)\\.[A-Za-z0-9]{6}\\.tmp(-journal|-wal|-shm)?$"));
  return *pattern;
}

bool ProcessRuns(long long pid) {
  if (pid <= 0) return false;
  if (pid == static_cast<long long>(::getpid())) return true;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool SyncPath(const QString &path, int flags) {
  const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  int r;
  do r = ::fsync(fd);
  while (r != 0 && errno == EINTR);
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return r == 0;
}

}  // namespace

QString ProgramTempFolder() {
  const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("orbisca-%1").arg(::getuid()));
  const QByteArray name = QFile::encodeName(folder);
  if (::mkdir(name.constData(), 0700) != 0 && errno == EEXIST) {
    // Someone else's folder of that name is not ours to use.
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return QDir::tempPath();
  }
  return folder;
}

QString CreateWorkFile(const QString &folder, const QString &kind) {
  QByteArray pattern =
      QFile::encodeName(QDir(folder).filePath(kPrefix + kind + QStringLiteral(".%1.XXXXXX.tmp").arg(::getpid())));
  const int fd = ::mkstemps(pattern.data(), 4);
  if (fd < 0) return {};
  ::close(fd);
  return QFile::decodeName(pattern);
}

bool IsWorkFileName(const QString &name, long long *pid) {
  if (!name.startsWith(kPrefix)) return false;
  const QRegularExpressionMatch m = WorkFilePattern().match(name);
  if (!m.hasMatch()) return false;
  if (pid != nullptr) *pid = m.captured(1).toLongLong();
  return true;
}

int RemoveStaleWorkFiles(const QString &folder) {
  int removed = 0;
  const QDir dir(folder);
  const QStringList names =
      dir.entryList({kPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
  for (const QString &name : names) {
    long long pid = 0;
    if (!IsWorkFileName(name, &pid) || ProcessRuns(pid)) continue;
    if (QFile::remove(dir.filePath(name))) ++removed;
  }
  return removed;
}

bool SyncFile(const QString &path) { return SyncPath(path, O_RDONLY); }

bool SyncFolder(const QString &folder) { return SyncPath(folder, O_RDONLY | O_DIRECTORY); }

QString WriteThroughPath(const QString &path) {
  constexpr int kMaxLinks = 40;  // as the system counts a loop
  QString at = QFileInfo(path).absoluteFilePath();
  for (int i = 0; i < kMaxLinks; ++i) {
    const QFileInfo info(at);
    if (!info.isSymLink()) return at;
    const QString next = info.symLinkTarget();
    if (next.isEmpty()) return at;
    at = QDir::cleanPath(next);
  }
  return QFileInfo(path).absoluteFilePath();
}

bool DurableRename(const QString &source, const QString &through, QString *error) {
  const QString target = WriteThroughPath(through);
  auto fail = [error](const QString &what) {
    if (error != nullptr) *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
  };
  if (!SyncFile(source)) return fail(QStringLiteral("Cannot write %1 to the disk").arg(source));
  if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0)
    return fail(QStringLiteral("Cannot rename %1 to %2").arg(source, target));
  // The rename is done; a folder that cannot be flushed (some file systems
  // refuse) leaves it to the system's own write-back.
  SyncFolder(QFileInfo(target).absolutePath());
  return true;
}

}  // namespace rtl
