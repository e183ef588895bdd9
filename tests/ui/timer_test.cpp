// Timers: the values Mode and Period read back, Action once in mode single
// and repeatedly in mode multiple, and timers stopping when switched off,
// released or left by their closing window. Counts are checked, never
// times: waits only bound how long a missing Action is waited for.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "files/file_classes.h"
#include "platform/user/automation.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/window_class.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

int g_actions = 0;
int g_stopAfter = 0;  // a handler switches its timer off at this count

uint32_t Action(TessObject* timer) {
  if (++g_actions == g_stopAfter) timerModeSetter(timer, 0, 0);
  return 0;
}

// Handles messages until `done` or two seconds have passed.
template <typename Done>
void PumpUntil(Done done) {
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done() && std::chrono::steady_clock::now() < give_up) {
    platform::MSG m;
    if (platform::PeekMessage(&m, nullptr, 0, 0, platform::PM_REMOVE)) {
      platform::DispatchMessage(&m);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}
// Handles messages for `ms` milliseconds: time for an Action that should
// not come to show itself.
void PumpFor(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  PumpUntil([end] { return std::chrono::steady_clock::now() >= end; });
}

class Timers : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    ClassObject* timer = FindClassByName("Timer");
    ASSERT_TRUE(timer);
    hook_ = {nullptr, actionName_.get(), 0, (void*)&Action};
    ticker_.superclass = timer;
    ticker_.instanceSize = timer->instanceSize;
    ticker_.hooks = &hook_;
    window_.superclass = WindowClass();
    window_.instanceSize = WindowClass()->instanceSize;
    table_ = {&window_, &ticker_};
    SetClassTable(table_);
    g_actions = 0;
    g_stopAfter = 0;
  }
  void TearDown() override {
    CloseAllWindows();
    platform::automation::WaitIdle();
    SetClassTable({});
  }
  ObjectRef NewTicker(int period) {
    ObjectRef t = ObjectRef::Adopt(CreateObject(&ticker_));
    timerPeriodSetter(t.get(), 0, period);
    return t;
  }

  StaticString actionName_{"Action"};
  HookDescriptor hook_{};
  ClassObject ticker_{}, window_{};
  std::vector<ClassObject*> table_;
};

TEST_F(Timers, ModeAndPeriodReadBackWithinTheirRanges) {
  ObjectRef t = ObjectRef::Adopt(CreateObject(&ticker_));
  EXPECT_EQ(timerPeriodGetter(t.get(), 0), 1000);
  EXPECT_EQ(timerModeGetter(t.get(), 0), 0);
  struct {
    int32_t set, read;
  } periods[] = {{0, 1}, {-5, 1}, {1, 1}, {250, 250}, {INT32_MIN, 1}};
  for (auto p : periods) {
    timerPeriodSetter(t.get(), 0, p.set);
    EXPECT_EQ(timerPeriodGetter(t.get(), 0), p.read) << p.set;
  }
  struct {
    int32_t set, read;
  } modes[] = {{2, 2}, {1, 1}, {0, 0}, {7, 0}, {-1, 0}};
  for (auto m : modes) {
    timerModeSetter(t.get(), 0, m.set);
    EXPECT_EQ(timerModeGetter(t.get(), 0), m.read) << m.set;
  }
  // Accessors given something else than a timer do nothing.
  timerModeSetter(nullptr, 0, 2);
  EXPECT_EQ(timerPeriodGetter(nullptr, 0), 0);
}

TEST_F(Timers, SingleFiresOnceAndThenReadsOff) {
  ObjectRef t = NewTicker(10);
  timerModeSetter(t.get(), 0, 1);
  PumpUntil([] { return g_actions > 0; });
  PumpFor(60);
  EXPECT_EQ(g_actions, 1);
  EXPECT_EQ(timerModeGetter(t.get(), 0), 0);
}

TEST_F(Timers, MultipleFiresUntilItsHandlerSwitchesItOff) {
  g_stopAfter = 3;
  ObjectRef t = NewTicker(10);
  timerModeSetter(t.get(), 0, 2);
  PumpUntil([] { return g_actions >= 3; });
  PumpFor(60);
  EXPECT_EQ(g_actions, 3);
  EXPECT_EQ(timerModeGetter(t.get(), 0), 0);
}

TEST_F(Timers, APeriodSetWhileOffDoesNotStartIt) {
  ObjectRef t = NewTicker(10);
  timerPeriodSetter(t.get(), 0, 5);
  PumpFor(60);
  EXPECT_EQ(g_actions, 0);
  // A shorter period on a running timer takes effect on the current wait.
  timerModeSetter(t.get(), 0, 2);
  timerPeriodSetter(t.get(), 0, 1000000);
  timerPeriodSetter(t.get(), 0, 10);
  PumpUntil([] { return g_actions > 0; });
  EXPECT_GT(g_actions, 0);
}

TEST_F(Timers, SwitchedOffOrReleasedTimersNeverFire) {
  ObjectRef off = NewTicker(10);
  timerModeSetter(off.get(), 0, 2);
  timerModeSetter(off.get(), 0, 0);
  ObjectRef released = NewTicker(10);
  timerModeSetter(released.get(), 0, 2);
  released = ObjectRef();
  PumpFor(60);
  EXPECT_EQ(g_actions, 0);
}

TEST_F(Timers, AWindowsTimersStopWhenItCloses) {
  WindowLayout layout{0,
                      {{"Title", "Clock"}, {"Visible", "True"}},
                      {{1, {{"Name", "Tick"}, {"Index", "-2147483648"}, {"Period", "10"}}}},
                      {}};
  std::vector<uint8_t> block = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
  TessObject* out = nullptr;
  ObjectRef window = ObjectRef::Adopt(RuntimeCreateWindow(block.data(), &out));
  ASSERT_TRUE(window.get());
  RuntimeUnlockObject(out);
  StaticString name{"Tick"};
  ObjectRef tick = ObjectRef::Adopt(RuntimeControlReference(window.get(), name.get()));
  ASSERT_TRUE(tick.get());
  EXPECT_EQ(timerPeriodGetter(tick.get(), 0), 10);  // the stored pair was applied
  timerModeSetter(tick.get(), 0, 2);
  PumpUntil([] { return g_actions > 0; });
  RuntimeCloseWindow(window.get());
  int seen = g_actions;
  PumpFor(60);
  EXPECT_EQ(g_actions, seen);
  EXPECT_EQ(timerModeGetter(tick.get(), 0), 0);
}

}  // namespace
}  // namespace tess::ui
