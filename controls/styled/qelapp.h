// The styled library's single application object and what it hands out:
// whether another copy of the program already runs (and the channel to
// ask it to come forward), one shared timer pool on which buttons and
// labels register their repeat and blink timers, the checkerboard pattern
// bitmap of latched buttons, and a shared settings target.
//
// The program makes the object at start-up, before it opens any data
// (`InitQELApplication`), and frees it at the end (`DoneQELApplication`).
// A `TQELOneInstance` on the main form then acts on the previous-instance
// flag: the second copy asks the first to come forward and ends itself.
//
// The timer pool runs one repeating timer of the class library's timer
// service at its minimum interval and fires each item on whole multiples
// of it, so a test installs a hand-driven service (vcl::SetTimerService)
// and steps time exactly.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/styled/qelclass.h"
#include "platform/rtl/exceptions.h"

namespace os {
class TInstanceGuard;
}
namespace vcl {
class TBitmap;
class TTimerService;
}  // namespace vcl

namespace qel {

using Word = std::uint16_t;
using TQELTimerInterval = int;  // 1..65535 ms

using rtl::Exception;
ORBISCA_EXCEPTION(QELEOneInstError, Exception)

ORBISCA_ENUM(TQELPathPrefix, ppWindows, ppSystem, ppProgram, ppFixed)
ORBISCA_ENUM(TQELOneInstanceMode, oiActivateOnly, oiDefaultMessage, oiCustom)
ORBISCA_ENUM(TQELRegRootKey, rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData)
ORBISCA_ENUM(TQELIniTarget, itIniFile, itRegistry, itAuto)

// The folder a prefix stands for: ppWindows and ppSystem the settings
// folder, ppProgram the executable's folder, ppFixed none (empty). With
// `trailing` it ends in a delimiter, else it has none.
QString PrefixFolder(TQELPathPrefix prefix, bool trailing);
// The log file for `name` (blank: the executable with ".LOG"; without
// extension ".LOG" is added) in the prefix's folder; ppFixed keeps the
// name as given.
QString BuildLogName(const QString &name, TQELPathPrefix prefix);

class TQELTimerPool;

// One registered timer of a pool. Its interval is always a non-zero
// multiple of the pool's minimum interval.
class TQELTimerItem : public rtl::TObject {
  ORBISCA_CLASS(TQELTimerItem, rtl::TObject)

 public:
  // Raises EInvalidOperation without a pool.
  TQELTimerItem(TQELTimerPool *pool, Word ident);

  Word Ident() const { return ident_; }
  bool Enabled() const { return enabled_; }
  // Ignored when unchanged, and enabling while the call limit is 0; a
  // change resets the counter.
  void SetEnabled(bool value);
  int Interval() const { return interval_; }
  // Ignored when unchanged or not a multiple of the pool's minimum
  // interval; 0 means the minimum interval. Resets the counter.
  void SetInterval(int ms);
  int Ticks() const { return ticks_; }
  int Counter() const { return counter_; }
  // How many times the item fires before it disables itself; -1: no limit.
  int CallLimit() const { return call_limit_; }
  void SetCallLimit(int limit) { call_limit_ = limit; }
  TQELTimerPool *Pool() const { return pool_; }

  // Called with Sender = the pool; without one the pool's OnTimer runs.
  TNotifyEvent Handler;

  // Counts and calls the handler (the pool's tick does this).
  void Fire();

 private:
  TQELTimerPool *pool_;
  Word ident_;
  int call_limit_ = -1;
  int counter_ = 0;
  bool enabled_ = true;
  int interval_ = 1000;
  int ticks_ = 1;
};

using TQELTimerPoolEvent = std::function<void(rtl::TObject *sender, Word ident, int counter)>;

class TQELTimerPool : public TQELCustomComponent {
  ORBISCA_CLASS(TQELTimerPool, TQELCustomComponent)

 public:
  explicit TQELTimerPool(vcl::TComponent *owner, int min_interval = 1000);
  ~TQELTimerPool() override;

  // 1..65535 ms; changes only while loading or designing (items keep
  // their tick counts, so a running pool's period must stay).
  int MinInterval() const { return min_interval_; }
  void SetMinInterval(int ms);

  // Adds an item; raises when the identifier is taken ("List index out of
  // bounds (ident)") or the interval is not a multiple of MinInterval
  // ("Interval not compatible with MinInterval property!"). Returns its
  // index.
  int AddTimer(Word ident, int interval, TNotifyEvent handler);
  void RemoveTimer(Word ident);
  void ClearTimers();
  TQELTimerItem *FindTimer(Word ident) const;
  int IndexOfTimer(Word ident) const;
  int Count() const { return int(items_.size()); }
  TQELTimerItem *Items(int index) const { return items_.at(size_t(index)).get(); }
  int EnabledCount() const;
  // Starts the shared timer when `activate` and an item is enabled, else
  // stops it. Raises EOutOfResources when no timer can be had.
  void UpdateTimer(bool activate);
  bool Active() const { return active_; }
  int TickCounter() const { return tick_counter_; }

  TQELTimerPoolEvent OnTimer;

  // One period of the shared timer.
  void Tick();

 private:
  void RunTick();
  void StopTimer();
  void Retire(std::unique_ptr<TQELTimerItem> item);
  int min_interval_;
  bool active_ = false;
  bool busy_ = false;
  bool updating_items_ = false;
  int tick_counter_ = 0;
  int timer_id_ = 0;
  vcl::TTimerService *service_ = nullptr;
  std::vector<std::unique_ptr<TQELTimerItem>> items_;
  std::vector<std::unique_ptr<TQELTimerItem>> retired_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The shared settings target: it only holds settings.
class TQELIniCtrl : public TQELCustomComponent {
  ORBISCA_CLASS(TQELIniCtrl, TQELCustomComponent)

 public:
  explicit TQELIniCtrl(vcl::TComponent *owner);

  bool AlphaCounter() const { return alpha_counter_; }
  // Switching it on lowers MaxEntries to 26.
  void SetAlphaCounter(bool v);
  bool Common() const { return common_; }
  void SetCommon(bool v) { common_ = v; }
  QString IniFile() const { return ini_file_; }
  // A name without extension gets ".INI".
  void SetIniFile(const QString &v);
  TQELPathPrefix IniPrefix() const { return ini_prefix_; }
  void SetIniPrefix(TQELPathPrefix v) { ini_prefix_ = v; }
  int MaxEntries() const { return max_entries_; }
  // 0..255; above 26 ignored while AlphaCounter is on.
  void SetMaxEntries(int v);
  bool NetUser() const { return net_user_; }
  // Switching it on fills User with the logged-on user ("(Unknown)").
  void SetNetUser(bool v);
  QString User() const { return user_; }
  void SetUser(const QString &v) { user_ = v; }
  QString RegPath() const { return reg_path_; }
  void SetRegPath(const QString &v) { reg_path_ = v; }
  TQELRegRootKey RegRoot() const { return reg_root_; }
  void SetRegRoot(TQELRegRootKey v) { reg_root_ = v; }
  TQELIniTarget Target() const { return target_; }
  void SetTarget(TQELIniTarget v) { target_ = v; }
  // itAuto counts as itRegistry.
  TQELIniTarget EffectiveTarget() const { return target_ == itAuto ? itRegistry : target_; }

 private:
  bool alpha_counter_ = false;
  bool common_ = true;
  QString ini_file_;
  TQELPathPrefix ini_prefix_ = ppWindows;
  int max_entries_ = 16;
  bool net_user_ = false;
  QString user_;
  QString reg_path_;
  TQELRegRootKey reg_root_ = rpCurrentUser;
  TQELIniTarget target_ = itAuto;
};

// Timer identifiers the application object hands out: 0xFD01..0xFDFA.
inline constexpr Word kFirstAppTimer = 0xFD01;
inline constexpr int kAppTimerSlots = 250;
inline constexpr int kAppTimerInterval = 50;

class TQELApplication : public vcl::TComponent {
  ORBISCA_CLASS(TQELApplication, vcl::TComponent)

 public:
  // `program` names the program for the single-instance check (empty: the
  // executable's file name, so copies in different folders are one
  // program). Without `check_instance` no check is made (libraries,
  // design tools).
  explicit TQELApplication(const QString &program = QString(), bool check_instance = true);
  ~TQELApplication() override;

  // True when another copy of the program ran when this one started.
  bool PrevInstRunning() const { return prev_instance_; }
  // Asks the first copy to come forward; false when this is the first copy
  // or it cannot be reached.
  bool ActivatePreviousInstance();
  // The first copy's answer to a later copy's request; the default
  // restores a minimised main form or brings it to the front.
  std::function<void(const QString &request)> OnActivateRequest;

  // A free identifier 0xFD01..0xFDFA with an item of `interval` ms, or 0
  // when all 250 are in use. The pool's errors pass through (and then no
  // identifier is used up).
  Word RegisterTimer(int interval, TNotifyEvent handler);
  // Only identifiers RegisterTimer handed out; others are ignored.
  void UnregisterTimer(Word ident);
  TQELTimerItem *GetTimerItem(Word ident) const;
  TQELTimerPool *TimerPool() const { return pool_; }

  // The 8 x 8 checkerboard of `color` and white (the application keeps it;
  // callers use it as a brush pattern and never free it).
  vcl::TBitmap *GetPatternBitmap(TColor color);

  TQELIniCtrl *IniCtrl() const { return ini_ctrl_.get(); }
  // Bit 0: no palettes on displays of 8 bits per pixel or fewer.
  std::uint8_t Options() const { return options_; }
  void SetOptions(std::uint8_t options) { options_ = options; }
  int EffectDelay() const { return effect_delay_; }
  void SetEffectDelay(int v) { effect_delay_ = v; }
  QString LogName() const { return log_name_; }
  // Rebuilds the log name from `name` with the present prefix.
  void SetLogName(const QString &name) { log_name_ = BuildLogName(name, log_prefix_); }
  TQELPathPrefix LogPrefix() const { return log_prefix_; }
  void SetLogPrefix(TQELPathPrefix prefix) { log_prefix_ = prefix; }
  int LogMaxSize() const { return log_max_size_; }
  void SetLogMaxSize(int v) { log_max_size_ = v; }
  // The message box registers itself here while it exists.
  rtl::TObject *MessageBoxStyle() const { return message_box_style_; }
  void SetMessageBoxStyle(rtl::TObject *style) { message_box_style_ = style; }
  std::int64_t PerformanceFrequency() const { return performance_frequency_; }

  // The cursor number the library installs in the screen's table.
  static constexpr int kHandCursor = -255;

 private:
  void BringMainFormForward();
  std::unique_ptr<os::TInstanceGuard> guard_;
  bool prev_instance_ = false;
  TQELTimerPool *pool_ = nullptr;  // owned as a component
  std::unique_ptr<TQELIniCtrl> ini_ctrl_;
  std::unique_ptr<vcl::TBitmap> pattern_;
  TColor pattern_color_ = 0x1FFFFFFF;
  std::array<bool, kAppTimerSlots> slots_{};
  std::uint8_t options_ = 0x36;
  int effect_delay_ = 3;
  QString log_name_;
  TQELPathPrefix log_prefix_ = ppProgram;
  int log_max_size_ = -1;
  rtl::TObject *message_box_style_ = nullptr;
  std::int64_t performance_frequency_ = 0;
};

// The library's application object; made by InitQELApplication (or on
// first use, for the executable's own name).
TQELApplication *QELApplication();
// Makes the object when there is none; returns it.
TQELApplication *InitQELApplication(const QString &program = QString(), bool check_instance = true);
void DoneQELApplication();
// The object when one was made, else nullptr (drawing code that must not
// start the instance check).
TQELApplication *CurrentQELApplication();

// The single-instance guard: on the main form, it ends a second copy of
// the program after asking the first to come forward. At most one per
// program.
class TQELOneInstance : public TQELCustomComponent {
  ORBISCA_CLASS(TQELOneInstance, TQELCustomComponent)

 public:
  // Raises QELEOneInstError when another guard exists.
  explicit TQELOneInstance(vcl::TComponent *owner);
  ~TQELOneInstance() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TQELOneInstanceMode Mode() const { return mode_; }
  void SetMode(TQELOneInstanceMode v) { mode_ = v; }
  TNotifyEvent OnCustom;

  // Acts once the form holding it is read.
  void Loaded() override;
  // What Loaded does, for forms built in code: when another copy runs,
  // tell the user (by Mode), ask it to come forward and end this copy.
  // Returns true when this copy is ending.
  bool Check();

  // How many guards exist in the program.
  static int InstanceCount();

 private:
  bool enabled_ = true;
  TQELOneInstanceMode mode_ = oiActivateOnly;
  bool counted_ = false;
};

// For the window-procedure components: true ("bad") when the component's
// owner is not a form (nor, when allowed, a data module), or when more
// than one component of `class_name` sits on it. An empty class name gives
// false.
bool CheckOwnerForm(const vcl::TComponent *component, const QString &class_name, bool allow_data_module);
// The message for a bad owner.
QString OwnerErrorMessage(const QString &class_name);

}  // namespace qel
