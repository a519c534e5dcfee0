// Shell open and beeps; see shell.h.
#include "platform/os/shell.h"

#include <unistd.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

namespace os {

namespace {

ShellOpener &Opener() {
  static ShellOpener opener;
  return opener;
}

Beeper &BeeperSlot() {
  static Beeper beeper;
  return beeper;
}

bool DesktopOpen(const ShellTarget &t) {
  if (!t.program.isEmpty()) return QProcess::startDetached(t.program, t.arguments, t.directory);
  return QDesktopServices::openUrl(t.url);
}

// "http:", "mailto:", "file:"... A single letter before the colon would be a
// drive, not a scheme.
bool HasScheme(const QString &text) {
  const int colon = text.indexOf(QLatin1Char(':'));
  if (colon < 2) return false;
  for (int i = 0; i < colon; ++i) {
    const QChar c = text.at(i);
    if (!(c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.'))) {
      return false;
    }
  }
  return text.at(0).isLetter();
}

}  // namespace

bool ResolveShellTarget(const QString &file, const QString &parameters, const QString &directory, ShellTarget &target) {
  target = ShellTarget{};
  const QString name = file.trimmed();
  if (name.isEmpty()) return false;
  if (HasScheme(name)) {
    target.url = QUrl(name, QUrl::TolerantMode);
    if (!target.url.isValid()) return false;
    if (target.url.isLocalFile() && !QFileInfo::exists(target.url.toLocalFile())) return false;
    return true;
  }
  QString path = name;
  if (QFileInfo(path).isRelative()) {
    path = QDir(directory.isEmpty() ? QDir::currentPath() : directory).filePath(path);
  }
  const QFileInfo info(path);
  if (!info.exists()) return false;
  if (info.isFile() && info.isExecutable()) {
    target.program = info.absoluteFilePath();
    target.arguments = QProcess::splitCommand(parameters);
    target.directory = directory.isEmpty() ? info.absolutePath() : directory;
    return true;
  }
  target.url = QUrl::fromLocalFile(info.absoluteFilePath());
  return true;
}

bool ShellExecute(const QString &operation, const QString &file, const QString &parameters, const QString &directory) {
  const QString op = operation.trimmed().toLower();
  if (!op.isEmpty() && op != QLatin1String("open") && op != QLatin1String("explore")) return false;
  ShellTarget target;
  if (!ResolveShellTarget(file, parameters, directory, target)) return false;
  if (Opener()) return Opener()(target);
  return DesktopOpen(target);
}

bool ShellOpen(const QString &target) { return ShellExecute(QStringLiteral("open"), target); }

namespace {

// The folders handed over during this run; removed with the program.
struct HandOverFolders {
  std::vector<std::unique_ptr<QTemporaryDir>> folders;
};
HandOverFolders &Folders() {
  static HandOverFolders folders;
  return folders;
}

}  // namespace

QString HandOverFolder() {
  auto dir = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("orbisca-XXXXXX")));
  if (!dir->isValid()) return QString();
  const QString path = dir->path();
  Folders().folders.push_back(std::move(dir));
  return path;
}

bool SendMail(const QString &subject, const QStringList &attachments, MailDone done) {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
  if (program.isEmpty()) return false;
  // The mail program may keep `xdg-email` waiting while it runs: it is
  // started on its own, and its answer comes back through a file.
  const QString folder = HandOverFolder();
  if (folder.isEmpty()) return false;
  const QString status = QDir(folder).filePath(QStringLiteral("status"));
  QStringList args{QStringLiteral("-c"),
                   QStringLiteral("\"$0\" \"$@\"; echo $? > \"$ORBISCA_MAIL_STATUS.new\"; "
                                  "mv \"$ORBISCA_MAIL_STATUS.new\" \"$ORBISCA_MAIL_STATUS\""),
                   program, QStringLiteral("--utf8")};
  if (!subject.isEmpty()) args << QStringLiteral("--subject") << subject;
  for (const QString &file : attachments) args << QStringLiteral("--attach") << QFileInfo(file).absoluteFilePath();
  QProcess process;
  process.setProgram(QStringLiteral("/bin/sh"));
  process.setArguments(args);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ORBISCA_MAIL_STATUS"), status);
  process.setProcessEnvironment(env);
  process.setStandardOutputFile(QProcess::nullDevice());
  if (!process.startDetached()) return false;
  if (done) {
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, status, done] {
      QFile answer(status);
      if (!answer.open(QIODevice::ReadOnly)) return;
      const int code = answer.readAll().trimmed().toInt();
      timer->deleteLater();
      timer->stop();
      done(code == 0);
    });
    timer->start();
  }
  return true;
}

ShellOpener SetShellOpener(ShellOpener opener) {
  ShellOpener previous = std::move(Opener());
  Opener() = std::move(opener);
  return previous;
}

void MessageBeep(unsigned type) {
  if (BeeperSlot()) {
    BeeperSlot()(type);
    return;
  }
  // The display's bell when the program has a display (X11 rings it
  // through Qt); a program without one rings the terminal's.
  if (qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr &&
      QGuiApplication::platformName() != QLatin1String("offscreen")) {
    QApplication::beep();
    return;
  }
  if (isatty(STDERR_FILENO)) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

void Beep() { MessageBeep(MB_OK); }

Beeper SetBeeper(Beeper beeper) {
  Beeper previous = std::move(BeeperSlot());
  BeeperSlot() = std::move(beeper);
  return previous;
}

}  // namespace os
