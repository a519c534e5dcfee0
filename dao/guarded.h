// Runs an engine call whose failure must not stop the caller: closing a
// clone, refreshing after a change, reading a position that the engine may
// not know. Shared by the connection and the table sources.
#pragma once

namespace dao {

template <typename F>
void Guarded(F &&call) {
  try {
    call();
  } catch (...) {
  }
}

}  // namespace dao
