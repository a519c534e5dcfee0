// Knowing whether another copy of the program already runs for the same
// user, and asking that copy to come forward.
//
// The first copy of a program holds a lock file named after the user and
// the program and listens on a local socket of the same name, both in the
// user's runtime folder (the temporary folder when the session has none). A later copy
// finds the lock taken, so it knows it is the second one; it can then send
// the first copy a request over the socket, and the first copy hears it
// through `OnActivateRequest` on its event loop. A copy that crashed leaves
// a lock whose process is gone: the next start takes it over, so a stale
// lock never keeps the program from starting.
//
// Two guards of the same name in one process behave like two processes
// (the second sees the first), which is what the tests rely on.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLockFile;

namespace os {

// The logged-on user's name (from the environment, then the system);
// empty when it cannot be found.
QString CurrentUserName();

class TInstanceGuard {
 public:
  // Claims the program name for `user` (the current user when empty). The
  // name is usually the executable's file name, so two copies of the
  // program in different folders count as the same program.
  explicit TInstanceGuard(const QString &program, const QString &user = QString());
  ~TInstanceGuard();
  TInstanceGuard(const TInstanceGuard &) = delete;
  TInstanceGuard &operator=(const TInstanceGuard &) = delete;

  // True when another copy held the name when this guard was made.
  bool PreviousInstance() const { return previous_; }
  // True when this guard holds the name and listens for requests.
  bool Listening() const;

  // Sends `request` to the copy that holds the name. Returns false when
  // this copy is the first one or nobody could be reached within
  // `timeout_ms`. The request is delivered when the first copy's event loop
  // next runs.
  bool AskPrevious(const QString &request = QStringLiteral("activate"), int timeout_ms = 2000) const;

  // The first copy's side: called on the event loop with each request a
  // later copy sent.
  std::function<void(const QString &request)> OnActivateRequest;

  // The name of the lock and socket for a program and user: only letters,
  // digits, '.', '-' and '_', so any program or user name is safe as a
  // file name.
  static QString ChannelName(const QString &program, const QString &user);

 private:
  class Listener;
  QString name_;
  bool previous_ = false;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<Listener> listener_;
};

}  // namespace os
