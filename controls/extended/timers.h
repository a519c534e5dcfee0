// Window timers, the millisecond tick count and the screen rectangle as the
// extended controls see them. The repeat buttons, the lookup list's
// scrolling and the type-ahead's two-second memory all run on these, so a
// test can install a manual clock (TManualClock) and step time exactly
// instead of waiting, and can put the edits near a screen edge of its
// choosing (TScreenRectGuard).
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/graphics.h"

class QTimer;

namespace ext {

class TManualClock;

// A repeating timer of the user-interface thread. Ticks arrive through the
// event loop (QTimer), or from TManualClock::Advance while one is installed
// when the timer starts.
class TExtTimer {
 public:
  TExtTimer();
  ~TExtTimer();
  TExtTimer(const TExtTimer &) = delete;
  TExtTimer &operator=(const TExtTimer &) = delete;

  int Interval() const { return interval_; }
  // Changing the interval of a running timer restarts its period.
  void SetInterval(int ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  void Start(int ms) {
    SetInterval(ms);
    SetEnabled(true);
  }
  void Stop() { SetEnabled(false); }

  std::function<void()> OnTimer;

 private:
  friend class TManualClock;
  void Restart();
  void Fire();
  int interval_ = 1000;
  bool enabled_ = false;
  std::unique_ptr<QTimer> qt_timer_;
  TManualClock *clock_ = nullptr;
  long long due_ = 0;
};

// Milliseconds since an arbitrary start; the manual clock's time while one
// is installed.
long long TickCount();
// Waits `ms` milliseconds (the platform's Sleep); with a manual clock
// installed the clock moves on instead, at once.
void Sleep(int ms);

// While alive, timers started meanwhile and TickCount follow this clock.
// Clocks do not nest.
class TManualClock {
 public:
  TManualClock();
  ~TManualClock();
  TManualClock(const TManualClock &) = delete;
  TManualClock &operator=(const TManualClock &) = delete;

  long long Now() const { return now_; }
  // Moves time on, firing every due tick in time order.
  void Advance(int ms);

 private:
  friend class TExtTimer;
  long long now_ = 1000000;
  std::vector<TExtTimer *> timers_;
};

// The screen's rectangle in screen coordinates, where popups must fit.
vcl::TRect ScreenRect();

class TScreenRectGuard {
 public:
  explicit TScreenRectGuard(const vcl::TRect &r);
  ~TScreenRectGuard();
  TScreenRectGuard(const TScreenRectGuard &) = delete;
  TScreenRectGuard &operator=(const TScreenRectGuard &) = delete;

 private:
  bool had_;
  vcl::TRect saved_;
};

}  // namespace ext
