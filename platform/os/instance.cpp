// The single-instance channel: a lock file says who came first, a local
// socket carries the later copies' requests to it.
#include "platform/os/instance.h"

#include <pwd.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QPointer>

namespace os {

namespace {

// A request is one short line; anything longer is not one of ours and is
// dropped rather than buffered without end.
constexpr qsizetype kMaxRequest = 256;

QString SafePart(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                    (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                    (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                    c == QLatin1Char('-') || c == QLatin1Char('_');
    out += ok ? c : QLatin1Char('_');
  }
  return out;
}

// The user's own runtime folder when the session has one (no other user
// can plant a lock there), else the temporary folder.
QString ChannelFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime;
  return QDir::tempPath();
}

QString ChannelPath(const QString &name, const char *suffix) {
  return QDir(ChannelFolder()).filePath(name + QLatin1String(suffix));
}

}  // namespace

QString CurrentUserName() {
  for (const char *var : {"USER", "LOGNAME", "USERNAME"}) {
    const QString v = qEnvironmentVariable(var);
    if (!v.isEmpty()) return v;
  }
  if (const passwd *pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr)
    return QString::fromLocal8Bit(pw->pw_name);
  return QString();
}

QString TInstanceGuard::ChannelName(const QString &program, const QString &user) {
  return QStringLiteral("orbisca-") + SafePart(user) + QLatin1Char('-') + SafePart(program);
}

// Reads one line from each connection and hands it on; a connection that
// sends too much or nothing useful is closed.
class TInstanceGuard::Listener : public QObject {
 public:
  Listener(TInstanceGuard *guard, const QString &path) : guard_(guard) {
    QLocalServer::removeServer(path);  // a crashed first copy's socket
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) return;
    QObject::connect(&server_, &QLocalServer::newConnection, this, [this] { Accept(); });
  }
  bool Listening() const { return server_.isListening(); }

 private:
  void Accept() {
    while (QLocalSocket *socket = server_.nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
      if (socket->bytesAvailable() > 0) Read(socket);
    }
  }
  void Read(QLocalSocket *socket) {
    if (!socket->canReadLine()) {
      if (socket->bytesAvailable() > kMaxRequest) socket->abort();
      return;
    }
    const QByteArray line = socket->readLine(kMaxRequest + 1).trimmed();
    socket->disconnectFromServer();
    if (line.isEmpty() || line.size() > kMaxRequest) return;
    if (guard_->OnActivateRequest) guard_->OnActivateRequest(QString::fromUtf8(line));
  }

  TInstanceGuard *guard_;
  QLocalServer server_;
};

TInstanceGuard::TInstanceGuard(const QString &program, const QString &user)
    : name_(ChannelName(program, user.isEmpty() ? CurrentUserName() : user)) {
  lock_ = std::make_unique<QLockFile>(ChannelPath(name_, ".lock"));
  // Only a dead holder makes a lock stale, never its age: the first copy
  // may run for days.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    listener_ = std::make_unique<Listener>(this, ChannelPath(name_, ".sock"));
  } else {
    // A lock we could not even create (no temporary folder) proves nothing:
    // run as a first copy rather than refuse to start.
    previous_ = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
  }
}

TInstanceGuard::~TInstanceGuard() {
  listener_.reset();
  if (lock_) lock_->unlock();
}

bool TInstanceGuard::Listening() const { return listener_ && listener_->Listening(); }

bool TInstanceGuard::AskPrevious(const QString &request, int timeout_ms) const {
  if (!previous_) return false;
  QByteArray line = request.toUtf8().left(kMaxRequest);
  line.replace('\n', ' ');
  line.append('\n');
  // The first copy may be starting up and not listen yet: retry until the
  // time is up.
  QElapsedTimer clock;
  clock.start();
  do {
    QLocalSocket socket;
    socket.connectToServer(ChannelPath(name_, ".sock"));
    if (socket.waitForConnected(std::max(1, timeout_ms - int(clock.elapsed())))) {
      socket.write(line);
      const bool sent = socket.waitForBytesWritten(std::max(1, timeout_ms - int(clock.elapsed())));
      socket.disconnectFromServer();
      if (sent) return true;
    }
    if (clock.elapsed() < timeout_ms) usleep(20000);
  } while (clock.elapsed() < timeout_ms);
  return false;
}

}  // namespace os
