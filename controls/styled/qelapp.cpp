// The application object, timer pool, settings target and single-instance
// guard; see qelapp.h.
#include "controls/styled/qelapp.h"
#include "controls/styled/qelsysinfo.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>

#include "platform/os/instance.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/typinfo.h"

namespace qel {

// ---------------------------------------------------------------------------
// Folders and the log name

namespace {

QString ExecutablePath() {
  if (QCoreApplication::instance() != nullptr) return QCoreApplication::applicationFilePath();
  return QStringLiteral("orbisca");
}

}  // namespace

QString PrefixFolder(TQELPathPrefix prefix, bool trailing) {
  QString folder;
  switch (prefix) {
    case ppWindows:
    case ppSystem:
      // The settings folder stands in for the system folders the settings
      // files used to live in.
      folder = rtl::TIniFile::ProfileFolder();
      break;
    case ppProgram:
      folder = QFileInfo(ExecutablePath()).absolutePath();
      break;
    case ppFixed:
      return QString();
  }
  return trailing ? AddBackSlash(folder) : DelBackSlash(folder);
}

QString BuildLogName(const QString &name, TQELPathPrefix prefix) {
  QString n = name;
  if (IsBlank(n))
    n = rtl::ChangeFileExt(ExecutablePath(), QStringLiteral(".LOG"));
  else if (rtl::ExtractFileExt(n).isEmpty())
    n += QStringLiteral(".LOG");
  if (prefix == ppFixed) return n;
  return PrefixFolder(prefix, true) + rtl::ExtractFileName(n);
}

// ---------------------------------------------------------------------------
// Timer items

TQELTimerItem::TQELTimerItem(TQELTimerPool *pool, Word ident) : pool_(pool), ident_(ident) {
  if (pool == nullptr) throw rtl::EInvalidOperation(ClassName() + QStringLiteral(": Invalid Owner or List"));
  ticks_ = std::max(1, 1000 / pool->MinInterval());
  interval_ = ticks_ * pool->MinInterval();
}

void TQELTimerItem::SetEnabled(bool value) {
  if (value == enabled_) return;
  if (value && call_limit_ == 0) return;
  enabled_ = value;
  counter_ = 0;
}

void TQELTimerItem::SetInterval(int ms) {
  const int min = pool_->MinInterval();
  if (ms == 0) ms = min;
  if (ms == interval_ || ms < 0 || ms % min != 0) return;
  interval_ = ms;
  ticks_ = ms / min;
  counter_ = 0;
}

void TQELTimerItem::Fire() {
  if (!enabled_) return;
  counter_ = counter_ == std::numeric_limits<int>::max() ? 0 : counter_ + 1;
  // The item still fires the time it reaches its limit.
  if (counter_ == call_limit_) enabled_ = false;
  if (Handler) {
    Handler(pool_);
  } else if (pool_->OnTimer) {
    pool_->OnTimer(pool_, ident_, counter_);
  }
}

// ---------------------------------------------------------------------------
// Timer pool

ORBISCA_PUBLISHED(TQELTimerPool, TQELCustomComponent) {
  p.Property("About", &TQELTimerPool::About, &TQELTimerPool::SetAbout).Stored(false);
  p.Property("MinInterval", &TQELTimerPool::MinInterval, &TQELTimerPool::SetMinInterval).Default(1000);
  p.Event("OnTimer", &TQELTimerPool::OnTimer);
}

TQELTimerPool::TQELTimerPool(vcl::TComponent *owner, int min_interval)
    : TQELCustomComponent(owner), min_interval_(std::clamp(min_interval, 1, 65535)) {}

TQELTimerPool::~TQELTimerPool() {
  *alive_ = false;
  ClearTimers();
}

void TQELTimerPool::SetMinInterval(int ms) {
  if (ms < 1 || ms > 65535) return;
  if (!IsLoading() && !IsDesigning()) return;
  min_interval_ = ms;
}

int TQELTimerPool::AddTimer(Word ident, int interval, TNotifyEvent handler) {
  if (FindTimer(ident) != nullptr) throw rtl::Exception(QStringLiteral("List index out of bounds (%1)").arg(ident));
  if (interval < min_interval_ || interval % min_interval_ != 0)
    throw rtl::Exception(QStringLiteral("Interval not compatible with MinInterval property!"));
  auto item = std::make_unique<TQELTimerItem>(this, ident);
  item->SetInterval(interval);
  item->Handler = std::move(handler);
  items_.push_back(std::move(item));
  const int index = int(items_.size()) - 1;
  UpdateTimer(true);
  return index;
}

void TQELTimerPool::RemoveTimer(Word ident) {
  const int index = IndexOfTimer(ident);
  if (index < 0) return;
  updating_items_ = true;
  std::unique_ptr<TQELTimerItem> gone = std::move(items_[size_t(index)]);
  items_.erase(items_.begin() + index);
  updating_items_ = false;
  Retire(std::move(gone));
  if (items_.empty()) UpdateTimer(false);
}

void TQELTimerPool::ClearTimers() {
  StopTimer();
  while (!items_.empty()) {
    std::unique_ptr<TQELTimerItem> gone = std::move(items_.back());
    items_.pop_back();
    Retire(std::move(gone));
  }
}

void TQELTimerPool::Retire(std::unique_ptr<TQELTimerItem> item) {
  item->SetEnabled(false);
  // A handler removing its own timer is still running: its item (and the
  // handler with it) goes when the tick is over.
  if (busy_)
    retired_.push_back(std::move(item));
  else
    item->Handler = nullptr;
}

TQELTimerItem *TQELTimerPool::FindTimer(Word ident) const {
  const int index = IndexOfTimer(ident);
  return index < 0 ? nullptr : items_[size_t(index)].get();
}

int TQELTimerPool::IndexOfTimer(Word ident) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Ident() == ident) return int(i);
  return -1;
}

int TQELTimerPool::EnabledCount() const {
  int n = 0;
  for (const auto &item : items_)
    if (item->Enabled()) ++n;
  return n;
}

void TQELTimerPool::StopTimer() {
  active_ = false;
  if (timer_id_ != 0 && service_ != nullptr) service_->Stop(timer_id_);
  timer_id_ = 0;
  service_ = nullptr;
}

void TQELTimerPool::UpdateTimer(bool activate) {
  if (IsDesigning()) return;
  StopTimer();
  if (!activate || EnabledCount() == 0) return;
  vcl::TTimerService *service = vcl::GetTimerService();
  std::weak_ptr<bool> alive = alive_;
  const int id = service->Start(min_interval_, [this, alive] {
    if (auto a = alive.lock(); a && *a) Tick();
  });
  if (id <= 0) throw rtl::EOutOfResources(QStringLiteral("Not enough timers available"));
  service_ = service;
  timer_id_ = id;
  tick_counter_ = 1;
  active_ = true;
}

void TQELTimerPool::Tick() {
  // A handler that pumps messages must not start another tick inside
  // this one.
  if (busy_) return;
  busy_ = true;
  RunTick();
  busy_ = false;
  retired_.clear();
}

void TQELTimerPool::RunTick() {
  if (updating_items_) return;
  // Handlers may add or remove timers (their own too): walk a snapshot of
  // the identifiers and look each one up again before firing it.
  std::vector<Word> idents;
  idents.reserve(items_.size());
  for (const auto &item : items_) idents.push_back(item->Ident());
  const int counter = tick_counter_;
  for (Word ident : idents) {
    TQELTimerItem *item = FindTimer(ident);
    if (item == nullptr || !item->Enabled() || counter % item->Ticks() != 0) continue;
    try {
      item->Fire();
    } catch (...) {
      // One failing handler neither stops the others nor the pool.
      vcl::InitApplication();
      vcl::Application->HandleException(this);
    }
  }
  tick_counter_ = tick_counter_ == std::numeric_limits<int>::max() ? 0 : tick_counter_ + 1;
}

// ---------------------------------------------------------------------------
// Settings target

ORBISCA_PUBLISHED(TQELIniCtrl, TQELCustomComponent) {
  p.Property("About", &TQELIniCtrl::About, &TQELIniCtrl::SetAbout).Stored(false);
  p.Property("AlphaCounter", &TQELIniCtrl::AlphaCounter, &TQELIniCtrl::SetAlphaCounter).Default(false);
  p.Property("Common", &TQELIniCtrl::Common, &TQELIniCtrl::SetCommon).Default(true);
  p.Property("IniFile", &TQELIniCtrl::IniFile, &TQELIniCtrl::SetIniFile);
  p.Property("IniPrefix", &TQELIniCtrl::IniPrefix, &TQELIniCtrl::SetIniPrefix).Default(ppWindows);
  p.Property("MaxEntries", &TQELIniCtrl::MaxEntries, &TQELIniCtrl::SetMaxEntries).Default(16);
  p.Property("NetUser", &TQELIniCtrl::NetUser, &TQELIniCtrl::SetNetUser).Default(false);
  p.Property("User", &TQELIniCtrl::User, &TQELIniCtrl::SetUser);
  p.Property("RegPath", &TQELIniCtrl::RegPath, &TQELIniCtrl::SetRegPath);
  p.Property("RegRoot", &TQELIniCtrl::RegRoot, &TQELIniCtrl::SetRegRoot).Default(rpCurrentUser);
  p.Property("Target", &TQELIniCtrl::Target, &TQELIniCtrl::SetTarget).Default(itAuto);
}

TQELIniCtrl::TQELIniCtrl(vcl::TComponent *owner) : TQELCustomComponent(owner) {}

void TQELIniCtrl::SetAlphaCounter(bool v) {
  alpha_counter_ = v;
  // Entries are then counted with the letters A..Z.
  if (v && max_entries_ > 26) max_entries_ = 26;
}

void TQELIniCtrl::SetIniFile(const QString &v) {
  ini_file_ = v;
  if (!IsBlank(v) && rtl::ExtractFileExt(v).isEmpty()) ini_file_ += QStringLiteral(".INI");
}

void TQELIniCtrl::SetMaxEntries(int v) {
  if (v < 0 || v > 255) return;
  if (alpha_counter_ && v > 26) return;
  max_entries_ = v;
}

void TQELIniCtrl::SetNetUser(bool v) {
  net_user_ = v;
  if (v) user_ = UserName();
}

// ---------------------------------------------------------------------------
// Application object

TQELApplication::TQELApplication(const QString &program, bool check_instance) : vcl::TComponent(nullptr) {
  ini_ctrl_ = std::make_unique<TQELIniCtrl>(nullptr);
  if (check_instance) {
    const QString name = program.isEmpty() ? QFileInfo(ExecutablePath()).fileName() : program;
    guard_ = std::make_unique<os::TInstanceGuard>(name);
    prev_instance_ = guard_->PreviousInstance();
    guard_->OnActivateRequest = [this](const QString &request) {
      if (OnActivateRequest)
        OnActivateRequest(request);
      else
        BringMainFormForward();
    };
  }
  pool_ = new TQELTimerPool(this, kAppTimerInterval);
  log_name_ = BuildLogName(QString(), log_prefix_);
  // Ticks are counted in nanoseconds by the monotonic clock.
  performance_frequency_ = 1000000000;
  if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr) {
    vcl::InitApplication();
    vcl::Screen->SetCursors(kHandCursor, QCursor(Qt::PointingHandCursor));
  }
}

TQELApplication::~TQELApplication() {
  // The pool goes with the owned components; its timer must stop first.
  pool_->ClearTimers();
}

bool TQELApplication::ActivatePreviousInstance() {
  if (!prev_instance_ || !guard_) return false;
  return guard_->AskPrevious(QStringLiteral("activate"));
}

void TQELApplication::BringMainFormForward() {
  if (vcl::Application == nullptr) return;
  vcl::TCustomForm *form = vcl::Application->MainForm();
  if (form == nullptr) return;
  // A restored window comes forward too, as the user expects of a program
  // started again.
  if (form->WindowState() == vcl::wsMinimized) form->SetWindowState(vcl::wsNormal);
  form->BringToFront();
}

Word TQELApplication::RegisterTimer(int interval, TNotifyEvent handler) {
  for (int slot = 0; slot < kAppTimerSlots; ++slot) {
    if (slots_[size_t(slot)]) continue;
    const Word ident = Word(kFirstAppTimer + slot);
    pool_->AddTimer(ident, interval, std::move(handler));
    slots_[size_t(slot)] = true;
    return ident;
  }
  return 0;
}

void TQELApplication::UnregisterTimer(Word ident) {
  if (ident < kFirstAppTimer || ident >= kFirstAppTimer + kAppTimerSlots) return;
  pool_->RemoveTimer(ident);
  slots_[size_t(ident - kFirstAppTimer)] = false;
}

TQELTimerItem *TQELApplication::GetTimerItem(Word ident) const { return pool_->FindTimer(ident); }

vcl::TBitmap *TQELApplication::GetPatternBitmap(TColor color) {
  if (pattern_ && color == pattern_color_) return pattern_.get();
  // Callers keep the pointer: a new colour repaints the same bitmap.
  const std::unique_ptr<vcl::TBitmap> fresh = vcl::AllocPatternBitmap(vcl::clWhite, color);
  if (!pattern_) pattern_ = std::make_unique<vcl::TBitmap>();
  pattern_->Assign(fresh.get());
  pattern_color_ = color;
  return pattern_.get();
}

namespace {
std::unique_ptr<TQELApplication> g_app;
}

TQELApplication *InitQELApplication(const QString &program, bool check_instance) {
  if (!g_app) {
    g_app = std::make_unique<TQELApplication>(program, check_instance);
    // Its sockets and timers must go while Qt still runs, also when the
    // program forgets DoneQELApplication.
    static bool hooked = false;
    if (!hooked && QCoreApplication::instance() != nullptr) {
      qAddPostRoutine(&DoneQELApplication);
      hooked = true;
    }
  }
  return g_app.get();
}

TQELApplication *QELApplication() { return InitQELApplication(); }

TQELApplication *CurrentQELApplication() { return g_app.get(); }

void DoneQELApplication() { g_app.reset(); }

// ---------------------------------------------------------------------------
// Single-instance guard

namespace {
int g_guards = 0;
}

ORBISCA_PUBLISHED(TQELOneInstance, TQELCustomComponent) {
  p.Property("About", &TQELOneInstance::About, &TQELOneInstance::SetAbout).Stored(false);
  p.Property("Enabled", &TQELOneInstance::Enabled, &TQELOneInstance::SetEnabled).Default(true);
  p.Property("Mode", &TQELOneInstance::Mode, &TQELOneInstance::SetMode).Default(oiActivateOnly);
  p.Event("OnCustom", &TQELOneInstance::OnCustom);
}

TQELOneInstance::TQELOneInstance(vcl::TComponent *owner) : TQELCustomComponent(owner) {
  if (g_guards >= 1) {
    const QString name = ClassName();
    throw QELEOneInstError(name + QStringLiteral(":\rAlready one ") + name +
                           QStringLiteral(" control in this project!"));
  }
  ++g_guards;
  counted_ = true;
}

TQELOneInstance::~TQELOneInstance() {
  if (counted_) --g_guards;
}

int TQELOneInstance::InstanceCount() { return g_guards; }

void TQELOneInstance::Loaded() {
  TQELCustomComponent::Loaded();
  Check();
}

bool TQELOneInstance::Check() {
  if (!enabled_ || IsDesigning()) return false;
  TQELApplication *app = QELApplication();
  if (!app->PrevInstRunning()) return false;
  vcl::InitApplication();
  switch (mode_) {
    case oiActivateOnly:
      app->ActivatePreviousInstance();
      break;
    case oiDefaultMessage:
      vcl::MessageDlg(QLatin1Char('"') + vcl::Application->Title() + QStringLiteral("\" was already started..."),
                      vcl::mtInformation, vcl::TMsgDlgButtons{vcl::mbOK});
      app->ActivatePreviousInstance();
      break;
    case oiCustom:
      if (OnCustom)
        OnCustom(this);
      else
        app->ActivatePreviousInstance();
      break;
  }
  vcl::Application->Terminate();
  return true;
}

// ---------------------------------------------------------------------------
// Owner check

bool CheckOwnerForm(const vcl::TComponent *component, const QString &class_name, bool allow_data_module) {
  if (class_name.isEmpty() || component == nullptr) return false;
  const vcl::TComponent *owner = component->Owner();
  if (owner == nullptr) return true;
  const bool form = owner->InheritsFrom(QStringLiteral("TCustomForm"));
  const bool module = allow_data_module && owner->InheritsFrom(QStringLiteral("TDataModule"));
  if (!form && !module) return true;
  int count = 0;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (owner->Components(i)->InheritsFrom(class_name)) ++count;
  return count > 1;
}

QString OwnerErrorMessage(const QString &class_name) {
  return class_name + QStringLiteral(":\rInvalid owner (<>TForm) or second instance on a form");
}

}  // namespace qel
