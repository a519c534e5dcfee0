// Steps a GUI test takes once a window it waits for is up: the step runs
// from the event loop and again every few milliseconds until it says it is
// done. The pending timer holds the only copy of the step, so nothing is
// left behind when it is done (a step that keeps a pointer to itself would
// never be freed).
#pragma once

#include <QTimer>
#include <functional>
#include <utility>

namespace test_support {

inline void RetryFromEventLoop(std::function<bool()> step, int interval_ms = 5, int delay_ms = 0) {
  QTimer::singleShot(delay_ms, [step = std::move(step), interval_ms]() mutable {
    if (!step()) RetryFromEventLoop(std::move(step), interval_ms, interval_ms);
  });
}

}  // namespace test_support
