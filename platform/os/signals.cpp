// Termination signals handed to the event loop (see signals.h).
#include "platform/os/signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <vector>

namespace os {

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;
// Made once and never freed: the call may be needed until the very end.
std::function<void(int)> *g_request = nullptr;
// Signals read from the pipe while nobody watched, handed on later.
std::vector<int> *g_kept = nullptr;
QSocketNotifier *g_notifier = nullptr;

extern "C" void OnTerminationSignal(int signal) {
  if (g_received++ > 0) ::_exit(TerminationStatus(signal));
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  // Only async-signal-safe calls here; a full pipe cannot happen (one byte).
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

void HandOn() {
  unsigned char byte = 0;
  while (::read(g_pipe[0], &byte, 1) == 1) g_kept->push_back(byte);
  if (g_request == nullptr || !*g_request) return;
  const std::vector<int> waiting = std::move(*g_kept);
  g_kept->clear();
  for (const int signal : waiting) (*g_request)(signal);
}

}  // namespace

void CatchTerminationSignals() {
  if (g_pipe[0] >= 0) return;
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_kept = new std::vector<int>;
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

void WatchTerminationSignals(std::function<void(int signal)> on_request) {
  if (g_request == nullptr) g_request = new std::function<void(int)>;
  *g_request = std::move(on_request);
  CatchTerminationSignals();
  if (g_pipe[0] < 0 || QCoreApplication::instance() == nullptr) return;
  if (g_notifier == nullptr) {
    g_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(g_notifier, &QSocketNotifier::activated, g_notifier, &HandOn);
    QObject::connect(g_notifier, &QObject::destroyed, [] { g_notifier = nullptr; });
  }
  // What arrived before: at the loop's next turn, not inside the caller.
  if (*g_request && (g_received > 0 || !g_kept->empty()))
    QMetaObject::invokeMethod(g_notifier, &HandOn, Qt::QueuedConnection);
}

}  // namespace os
