// The shared timer pool stepped by a hand-driven timer service, the
// application object's timer identifiers and pattern bitmap, the
// single-instance guard between two application objects, and the settings
// target.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>
#include <map>

#include "controls/styled/qelapp.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"

using namespace qel;

namespace {

// The pool runs one timer at its minimum interval: the test counts whole
// periods of it.
class PeriodClock : public vcl::TTimerService {
 public:
  PeriodClock() { vcl::SetTimerService(this); }
  ~PeriodClock() override { vcl::SetTimerService(nullptr); }
  int Start(int interval_ms, std::function<void()> tick) override {
    interval = interval_ms;
    ticks_[++next_] = std::move(tick);
    return next_;
  }
  void Stop(int id) override { ticks_.erase(id); }
  void Periods(int n) {
    for (int i = 0; i < n; ++i) {
      for (auto it = ticks_.begin(); it != ticks_.end();) {
        const auto tick = it->second;  // a tick may stop its own timer
        const int id = it->first;
        tick();
        it = ticks_.upper_bound(id);
      }
    }
  }
  size_t Running() const { return ticks_.size(); }
  int interval = 0;

 private:
  std::map<int, std::function<void()>> ticks_;
  int next_ = 0;
};

QString UniqueProgram() {
  return QStringLiteral("qel-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".exe");
}

bool WaitFor(const std::function<bool()> &done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

QString MessageOf(const std::function<void()> &f) {
  try {
    f();
  } catch (const rtl::Exception &e) {
    return e.Message();
  }
  return QString();
}

}  // namespace

TEST(QELTimerPool, IntervalsMustFitTheMinimumInterval) {
  PeriodClock timers;
  TQELTimerPool pool(nullptr, 50);
  EXPECT_EQ(MessageOf([&] { pool.AddTimer(1, 75, nullptr); }), "Interval not compatible with MinInterval property!");
  EXPECT_EQ(MessageOf([&] { pool.AddTimer(1, 25, nullptr); }), "Interval not compatible with MinInterval property!");
  EXPECT_EQ(pool.Count(), 0);
  EXPECT_EQ(pool.AddTimer(1, 100, nullptr), 0);
  EXPECT_EQ(pool.FindTimer(1)->Ticks(), 2);
  EXPECT_EQ(MessageOf([&] { pool.AddTimer(1, 100, nullptr); }), "List index out of bounds (1)");
  EXPECT_EQ(pool.Count(), 1);

  // The minimum interval is fixed while the program runs.
  pool.SetMinInterval(10);
  EXPECT_EQ(pool.MinInterval(), 50);

  TQELTimerItem *item = pool.FindTimer(1);
  item->SetInterval(120);  // not a multiple: ignored
  EXPECT_EQ(item->Interval(), 100);
  item->SetInterval(0);  // the minimum
  EXPECT_EQ(item->Ticks(), 1);
  EXPECT_THROW(TQELTimerItem(nullptr, 3), rtl::EInvalidOperation);
}

TEST(QELTimerPool, ItemsFireOnMultiplesOfTheSharedCounter) {
  PeriodClock timers;
  TQELTimerPool pool(nullptr, 50);
  std::vector<std::pair<Word, int>> fired;
  pool.OnTimer = [&](rtl::TObject *sender, Word ident, int counter) {
    EXPECT_EQ(sender, &pool);
    fired.emplace_back(ident, counter);
  };
  int fast = 0;
  pool.AddTimer(1, 500, nullptr);
  EXPECT_TRUE(pool.Active());
  EXPECT_EQ(timers.Running(), 1u);
  EXPECT_EQ(timers.interval, 50);
  pool.AddTimer(2, 50, [&](rtl::TObject *sender) {
    EXPECT_EQ(sender, &pool);
    ++fast;
  });
  // The counter starts at 1 when the pool starts: the 500 ms item fires on
  // counts 10, 20..., that is on the 10th period and every 10 after.
  timers.Periods(9);
  EXPECT_EQ(fast, 9);
  EXPECT_TRUE(fired.empty());
  timers.Periods(1);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0], std::make_pair(Word(1), 1));
  timers.Periods(10);
  EXPECT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[1].second, 2);

  // Disabling resets the counter; the shared timer keeps running.
  pool.FindTimer(1)->SetEnabled(false);
  pool.FindTimer(2)->SetEnabled(false);
  EXPECT_EQ(pool.FindTimer(1)->Counter(), 0);
  EXPECT_EQ(timers.Running(), 1u);
  timers.Periods(10);
  EXPECT_EQ(fired.size(), 2u);

  // Removing the last item stops the shared timer; a new one restarts it
  // with the counter at 1.
  pool.RemoveTimer(1);
  pool.RemoveTimer(2);
  pool.RemoveTimer(99);  // unknown: nothing
  EXPECT_FALSE(pool.Active());
  EXPECT_EQ(timers.Running(), 0u);
  pool.AddTimer(3, 100, nullptr);
  EXPECT_EQ(pool.TickCounter(), 1);
  timers.Periods(1);
  EXPECT_EQ(fired.size(), 2u);  // count 1 is odd
  timers.Periods(1);
  EXPECT_EQ(fired.size(), 3u);
}

TEST(QELTimerPool, CallLimitsFailingHandlersAndHandlersThatRemoveTimers) {
  PeriodClock timers;
  vcl::InitApplication();
  QStringList shown;
  auto previous = vcl::Application->ShowExceptionSlot;
  vcl::Application->ShowExceptionSlot = [&](const QString &, const QString &text) { shown << text; };
  TQELTimerPool pool(nullptr, 50);

  int limited = 0;
  pool.AddTimer(1, 50, [&](rtl::TObject *) { ++limited; });
  pool.FindTimer(1)->SetCallLimit(2);
  int failing = 0;
  pool.AddTimer(2, 50, [&](rtl::TObject *) {
    ++failing;
    throw rtl::Exception(QStringLiteral("guasto nel timer"));
  });
  int after = 0;
  pool.AddTimer(3, 50, [&](rtl::TObject *) { ++after; });
  timers.Periods(3);
  // The item fires the time it reaches its limit and then stops; it cannot
  // be enabled again while its limit is 0.
  EXPECT_EQ(limited, 2);
  EXPECT_FALSE(pool.FindTimer(1)->Enabled());
  // A failing handler is reported and neither stops the items after it nor
  // the pool.
  EXPECT_EQ(failing, 3);
  EXPECT_EQ(after, 3);
  EXPECT_EQ(shown.size(), 3);
  EXPECT_TRUE(shown.value(0).startsWith("guasto nel timer"));
  pool.FindTimer(1)->SetCallLimit(0);
  pool.FindTimer(1)->SetEnabled(true);
  EXPECT_FALSE(pool.FindTimer(1)->Enabled());
  pool.RemoveTimer(2);

  // A handler removing its own timer and another one.
  int once = 0;
  pool.AddTimer(4, 50, [&](rtl::TObject *) {
    ++once;
    pool.RemoveTimer(4);
    pool.RemoveTimer(3);
  });
  after = 0;
  timers.Periods(4);
  EXPECT_EQ(once, 1);
  EXPECT_LE(after, 1);
  EXPECT_EQ(pool.Count(), 1);
  vcl::Application->ShowExceptionSlot = previous;
}

TEST(QELApplication, TimerIdentifiersAndThePatternBitmap) {
  PeriodClock timers;
  TQELApplication app(UniqueProgram(), false);
  EXPECT_FALSE(app.PrevInstRunning());
  EXPECT_EQ(app.TimerPool()->MinInterval(), 50);
  EXPECT_EQ(app.Options(), 0x36);
  EXPECT_EQ(app.EffectDelay(), 3);
  EXPECT_TRUE(app.LogName().endsWith(".LOG"));

  // A refused interval uses up no identifier.
  EXPECT_THROW(app.RegisterTimer(60, nullptr), rtl::Exception);
  std::vector<Word> ids;
  for (int i = 0; i < kAppTimerSlots; ++i) ids.push_back(app.RegisterTimer(100, nullptr));
  EXPECT_EQ(ids.front(), 0xFD01);
  EXPECT_EQ(ids.back(), 0xFDFA);
  EXPECT_EQ(app.RegisterTimer(100, nullptr), 0);
  EXPECT_EQ(app.TimerPool()->Count(), kAppTimerSlots);
  app.UnregisterTimer(0xFD05);
  app.UnregisterTimer(0x0005);  // not ours: ignored
  EXPECT_EQ(app.GetTimerItem(0xFD05), nullptr);
  EXPECT_EQ(app.RegisterTimer(200, nullptr), 0xFD05);
  EXPECT_EQ(app.GetTimerItem(0xFD05)->Interval(), 200);

  vcl::TBitmap *pattern = app.GetPatternBitmap(vcl::clRed);
  ASSERT_EQ(pattern->Width(), 8);
  EXPECT_EQ(pattern->Canvas()->Pixel(0, 0), vcl::clWhite);
  EXPECT_EQ(pattern->Canvas()->Pixel(1, 0), vcl::clRed);
  EXPECT_EQ(pattern->Canvas()->Pixel(0, 1), vcl::clRed);
  EXPECT_EQ(pattern->Canvas()->Pixel(7, 7), vcl::clWhite);
  EXPECT_EQ(app.GetPatternBitmap(vcl::clRed), pattern);
  app.GetPatternBitmap(vcl::clBlue);
  EXPECT_EQ(pattern->Canvas()->Pixel(1, 0), vcl::clBlue);
  EXPECT_EQ(pattern->Canvas()->Pixel(2, 2), vcl::clWhite);
}

TEST(QELApplication, SecondCopyAsksTheFirstToComeForward) {
  const QString program = UniqueProgram();
  TQELApplication first(program);
  EXPECT_FALSE(first.PrevInstRunning());
  EXPECT_FALSE(first.ActivatePreviousInstance());
  QStringList heard;
  first.OnActivateRequest = [&](const QString &r) { heard << r; };

  TQELApplication second(program);
  EXPECT_TRUE(second.PrevInstRunning());
  EXPECT_TRUE(second.ActivatePreviousInstance());
  ASSERT_TRUE(WaitFor([&] { return !heard.isEmpty(); }));
  EXPECT_EQ(heard[0], "activate");

  // Without a handler of its own the first copy restores its main form.
  first.OnActivateRequest = nullptr;
  vcl::InitApplication();
  vcl::TForm *main = new vcl::TForm(nullptr);
  vcl::Application->SetMainForm(main);
  main->Show();
  main->SetWindowState(vcl::wsMinimized);
  ASSERT_EQ(main->WindowState(), vcl::wsMinimized);
  EXPECT_TRUE(second.ActivatePreviousInstance());
  EXPECT_TRUE(WaitFor([&] { return main->WindowState() == vcl::wsNormal; }));
  vcl::Application->SetMainForm(nullptr);
  delete main;
}

TEST(QELOneInstance, OneGuardPerProgramAndWhatTheSecondCopyDoes) {
  vcl::InitApplication();
  const QString program = UniqueProgram();
  TQELApplication first(program);
  int requests = 0;
  first.OnActivateRequest = [&](const QString &) { ++requests; };
  DoneQELApplication();
  InitQELApplication(program);  // this process plays the second copy
  ASSERT_TRUE(QELApplication()->PrevInstRunning());
  vcl::Application->SetTitle(QStringLiteral("Gestione Orbisca"));

  {
    TQELOneInstance guard(nullptr);
    EXPECT_EQ(TQELOneInstance::InstanceCount(), 1);
    EXPECT_EQ(MessageOf([] { TQELOneInstance second(nullptr); }),
              "TQELOneInstance:\rAlready one TQELOneInstance control in this project!");
    EXPECT_EQ(TQELOneInstance::InstanceCount(), 1);

    guard.SetEnabled(false);
    EXPECT_FALSE(guard.Check());
    guard.SetEnabled(true);

    QStringList texts;
    auto previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
      texts << r.text;
      EXPECT_EQ(r.type, vcl::mtInformation);
      return vcl::mrOk;
    });
    guard.SetMode(oiDefaultMessage);
    EXPECT_TRUE(guard.Check());
    EXPECT_EQ(texts, QStringList{"\"Gestione Orbisca\" was already started..."});
    EXPECT_TRUE(vcl::Application->Terminated());
    ASSERT_TRUE(WaitFor([&] { return requests == 1; }));

    // A custom handler replaces the request; without one it is made.
    int custom = 0;
    guard.SetMode(oiCustom);
    guard.OnCustom = [&](rtl::TObject *s) {
      EXPECT_EQ(s, &guard);
      ++custom;
    };
    EXPECT_TRUE(guard.Check());
    EXPECT_EQ(custom, 1);
    guard.OnCustom = nullptr;
    EXPECT_TRUE(guard.Check());
    ASSERT_TRUE(WaitFor([&] { return requests == 2; }));
    vcl::SetDialogResponder(previous);
  }
  EXPECT_EQ(TQELOneInstance::InstanceCount(), 0);
  DoneQELApplication();
  vcl::DoneApplication();

  // The first copy's guard does nothing.
  InitQELApplication(UniqueProgram());
  vcl::InitApplication();
  TQELOneInstance alone(nullptr);
  EXPECT_FALSE(alone.Check());
  EXPECT_FALSE(vcl::Application->Terminated());
  DoneQELApplication();
}

TEST(QELIniCtrl, SettingsRules) {
  TQELIniCtrl ini(nullptr);
  EXPECT_EQ(ini.EffectiveTarget(), itRegistry);
  ini.SetIniFile("orbisca");
  EXPECT_EQ(ini.IniFile(), "orbisca.INI");
  ini.SetIniFile("dati.cfg");
  EXPECT_EQ(ini.IniFile(), "dati.cfg");
  ini.SetMaxEntries(40);
  EXPECT_EQ(ini.MaxEntries(), 40);
  ini.SetAlphaCounter(true);
  EXPECT_EQ(ini.MaxEntries(), 26);
  ini.SetMaxEntries(30);
  EXPECT_EQ(ini.MaxEntries(), 26);
  ini.SetNetUser(true);
  EXPECT_FALSE(ini.User().isEmpty());
  EXPECT_EQ(vcl::GetEnumProp(&ini, "RegRoot"), "rpCurrentUser");

  EXPECT_EQ(BuildLogName("/var/log/cassa", ppFixed), "/var/log/cassa.LOG");
  EXPECT_EQ(BuildLogName("/var/log/cassa.txt", ppProgram), PrefixFolder(ppProgram, true) + "cassa.txt");
  EXPECT_FALSE(PrefixFolder(ppProgram, false).endsWith('/'));
}

TEST(QELApplication, OwnerCheckOfWindowComponents) {
  vcl::InitApplication();
  vcl::TForm *form = new vcl::TForm(nullptr);
  auto *a = new TQELTimerPool(form);
  EXPECT_FALSE(CheckOwnerForm(a, "TQELTimerPool", false));
  EXPECT_FALSE(CheckOwnerForm(a, "", false));
  new TQELTimerPool(form);
  EXPECT_TRUE(CheckOwnerForm(a, "TQELTimerPool", false));
  vcl::TDataModule *module = new vcl::TDataModule(nullptr);
  auto *b = new TQELTimerPool(module);
  EXPECT_TRUE(CheckOwnerForm(b, "TQELTimerPool", false));
  EXPECT_FALSE(CheckOwnerForm(b, "TQELTimerPool", true));
  TQELTimerPool loose(nullptr);
  EXPECT_TRUE(CheckOwnerForm(&loose, "TQELTimerPool", true));
  EXPECT_EQ(OwnerErrorMessage("TQELWndProc"), "TQELWndProc:\rInvalid owner (<>TForm) or second instance on a form");
  delete form;
  delete module;
}
