// The orderly end of the program when the system asks for it.
//
// SIGTERM (shutdown, the end of a session), SIGHUP (the session or the
// terminal went away) and SIGINT (Ctrl+C in a terminal) do not kill the
// program outright: the first of them is handed to the event loop, which
// closes the program as the user would, backup included. A second one ends
// the process at once from the signal handler: nothing more is written, and
// the database is left as after a power cut, every transaction complete or
// absent, its journal there for the next opening to roll back.
#pragma once

#include <functional>

namespace os {

// Installs the handlers; `on_request` runs on the event loop's thread, from
// the loop, with the signal's number. Installing again replaces the call.
void WatchTerminationSignals(std::function<void(int signal)> on_request);

// The exit status of a process ended by the second signal.
constexpr int TerminationStatus(int signal) { return 128 + signal; }

}  // namespace os
