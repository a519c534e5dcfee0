// Timers, tick count and screen rectangle of the extended controls; see
// timers.h.
#include "controls/extended/timers.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace ext {

namespace {
TManualClock *g_clock = nullptr;
bool g_screen_set = false;
vcl::TRect g_screen;
}  // namespace

TExtTimer::TExtTimer() = default;

TExtTimer::~TExtTimer() { SetEnabled(false); }

void TExtTimer::SetInterval(int ms) {
  if (ms < 0) ms = 0;
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) Restart();
}

void TExtTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (value) {
    Restart();
  } else {
    if (qt_timer_) qt_timer_->stop();
    if (clock_ != nullptr) {
      auto &v = clock_->timers_;
      v.erase(std::remove(v.begin(), v.end(), this), v.end());
      clock_ = nullptr;
    }
  }
}

void TExtTimer::Restart() {
  if (g_clock != nullptr || clock_ != nullptr) {
    if (clock_ == nullptr) {
      clock_ = g_clock;
      clock_->timers_.push_back(this);
    }
    due_ = clock_->now_ + std::max(interval_, 1);
    return;
  }
  if (!qt_timer_) {
    qt_timer_ = std::make_unique<QTimer>();
    QObject::connect(qt_timer_.get(), &QTimer::timeout, qt_timer_.get(), [this] { Fire(); });
  }
  qt_timer_->start(interval_);
}

void TExtTimer::Fire() {
  if (!enabled_) return;
  if (OnTimer) OnTimer();
}

void Sleep(int ms) {
  if (ms <= 0) return;
  if (g_clock != nullptr) {
    g_clock->Advance(ms);
    return;
  }
  QThread::msleep(static_cast<unsigned long>(ms));
}

long long TickCount() {
  if (g_clock != nullptr) return g_clock->Now();
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return timer.elapsed();
}

TManualClock::TManualClock() { g_clock = this; }

TManualClock::~TManualClock() {
  for (TExtTimer *t : std::vector<TExtTimer *>(timers_)) t->clock_ = nullptr;
  if (g_clock == this) g_clock = nullptr;
}

void TManualClock::Advance(int ms) {
  const long long end = now_ + ms;
  for (;;) {
    TExtTimer *next = nullptr;
    for (TExtTimer *t : timers_) {
      if (t->enabled_ && t->due_ <= end && (next == nullptr || t->due_ < next->due_)) next = t;
    }
    if (next == nullptr) break;
    now_ = next->due_;
    next->due_ = now_ + std::max(next->interval_, 1);
    next->Fire();  // may stop, restart or delete timers
  }
  now_ = end;
}

vcl::TRect ScreenRect() {
  if (g_screen_set) return g_screen;
  if (QScreen *s = QGuiApplication::primaryScreen()) return vcl::FromQRect(s->geometry());
  return vcl::Rect(0, 0, 1024, 768);
}

TScreenRectGuard::TScreenRectGuard(const vcl::TRect &r) : had_(g_screen_set), saved_(g_screen) {
  g_screen_set = true;
  g_screen = r;
}

TScreenRectGuard::~TScreenRectGuard() {
  g_screen_set = had_;
  g_screen = saved_;
}

}  // namespace ext
