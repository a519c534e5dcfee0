// Shell open and beeps; see shell.h.
#include "platform/os/shell.h"

#include <QUrlQuery>

#include <unistd.h>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <cstdio>

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

bool SendMail(const QString &subject, const QStringList &attachments) {
  QUrl url(QStringLiteral("mailto:"));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("subject"), subject);
  for (const QString &file : attachments) query.addQueryItem(QStringLiteral("attach"), file);
  url.setQuery(query);
  ShellTarget target;
  target.url = url;
  return Opener() ? Opener()(target) : QDesktopServices::openUrl(url);
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
