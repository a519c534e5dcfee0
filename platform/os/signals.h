// The orderly end of the program when the system asks for it.
//
// SIGTERM (shutdown, the end of a session), SIGHUP (the session or the
// terminal went away) and SIGINT (Ctrl+C in a terminal) do not kill the
// program outright: the first of them is handed to the event loop, which
// closes the program as the user would, backup included. A second one ends
// the process at once from the signal handler: nothing more is written, and
// the database is left as after a power cut, every transaction complete or
// absent, its journal there for the next opening to roll back.
//
// The signals are caught from the first moments of the process, before
// there is an event loop to hand them to: one that arrives then waits, and
// is handed on as soon as someone watches for it.
#pragma once

#include <functional>

namespace os {

// Catches the signals from now on, keeping the first one for the event
// loop; needs no Qt object (called first thing in main).
void CatchTerminationSignals();

// Catches the signals (when not done yet) and hands them to `on_request`,
// which runs on the event loop's thread, from the loop, with the signal's
// number; a signal caught before this call is handed on at the loop's next
// turn. Needs the QCoreApplication. Installing again replaces the call; an
// empty call keeps the signals that arrive from now on.
void WatchTerminationSignals(std::function<void(int signal)> on_request);

// The exit status of a process ended by the second signal.
constexpr int TerminationStatus(int signal) { return 128 + signal; }

}  // namespace os
