// Timer. Every host timer is used for one shot and re-armed explicitly; its
// identifier is the timer object itself, so a tick finds its timer without
// a lookup (the host calls a timer procedure only for a live host timer, and
// the destructor kills it). All timers share the hidden "TSTimer" window.
#include "ui/timer.h"

#include <cstddef>

#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"

namespace tess::ui {
namespace {

using namespace platform;

struct TimerFields {
  ObjectHeader header;
  TessObject* next;  // the live-timer list
  int16_t mode;      // 0 off, 1 single, 2 multiple
  int16_t reserved;
  int32_t period;  // milliseconds, at least 1
  uint32_t last;   // tick of the last start or firing
  uint32_t armed;  // a host timer was requested
  uint8_t spare[16];
};
#if defined(__i386__)
static_assert(offsetof(TimerFields, next) == 16);
static_assert(offsetof(TimerFields, mode) == 20);
static_assert(offsetof(TimerFields, period) == 24);
static_assert(offsetof(TimerFields, last) == 28);
static_assert(offsetof(TimerFields, armed) == 32);
static_assert(sizeof(TimerFields) == 52);
#endif

enum Mode : int16_t { kOff = 0, kSingle = 1, kMultiple = 2 };

ClassObject* g_timerClass = nullptr;
HWND g_hidden = nullptr;
TessObject* g_timers = nullptr;
uint32_t g_lastTick = 0;

EventRecord g_timerEvents[] = {
    {0, "Action", nullptr, nullptr, 0, nullptr},
};

TimerFields* F(TessObject* timer) {
  return reinterpret_cast<TimerFields*>(timer);
}

uint32_t Tick() {
  g_lastTick = GetTickCount();
  return g_lastTick;
}

uintptr_t IdOf(TessObject* timer) {
  return reinterpret_cast<uintptr_t>(timer);
}

void TimerProc(HWND, UINT, uintptr_t id, DWORD time);

void Arm(TessObject* timer, int32_t wait) {
  F(timer)->armed = 1;
  if (g_hidden) SetTimer(g_hidden, IdOf(timer), UINT(wait < 1 ? 1 : wait), &TimerProc);
}

void Disarm(TessObject* timer) {
  if (F(timer)->armed && g_hidden) KillTimer(g_hidden, IdOf(timer));
  F(timer)->armed = 0;
}

const EventDescriptor* ActionEvent() {
  return static_cast<const EventDescriptor*>(g_timerEvents[0].descriptor);
}

void TimerProc(HWND hwnd, UINT, uintptr_t id, DWORD time) {
  auto* timer = reinterpret_cast<TessObject*>(id);
  KillTimer(hwnd, id);
  ObjectRef keep = ShareObject(timer);  // the handler may drop the last reference
  TimerFields* t = F(timer);
  void* handler = FindHook(timer, ActionEvent());
  if (t->mode == kMultiple) {
    if (handler) {
      Arm(timer, t->period);
      FireEvent(timer, ActionEvent(), {});
    }
    t->last = time;
    g_lastTick = time;
    return;
  }
  t->armed = 0;
  t->mode = kOff;
  if (handler) FireEvent(timer, ActionEvent(), {});
}

LRESULT HiddenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

void MakeHiddenWindow() {
  static bool tried = false;
  if (tried) return;
  tried = true;
  WNDCLASS wc{};
  wc.lpfnWndProc = &HiddenProc;
  wc.lpszClassName = "TSTimer";
  // Without the class the timer objects still exist; they never fire.
  if (!RegisterClass(&wc)) return;
  g_hidden = CreateWindowEx(0, "TSTimer", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

void ConstructTimer(TessObject* timer, ClassObject*) {
  MakeHiddenWindow();
  TimerFields* t = F(timer);
  t->period = 1000;
  t->armed = 0;
  t->last = Tick();
  t->next = g_timers;
  g_timers = timer;
}

void DestructTimer(TessObject* timer, ClassObject*) {
  for (TessObject** link = &g_timers; *link; link = &F(*link)->next)
    if (*link == timer) {
      *link = F(timer)->next;
      break;
    }
  Disarm(timer);
}

const PropertyRecord kTimerProperties[] = {
    {0, "Mode", &kIntegerType, (void*)&timerModeGetter, (void*)&timerModeSetter, 0},
    {0, "Period", &kIntegerType, (void*)&timerPeriodGetter, (void*)&timerPeriodSetter, 0},
};

}  // namespace

void InitTimerClass() {
  if (g_timerClass) return;
  FrameworkClassDef def{};
  def.name = "Timer";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(TimerFields));
  def.construct = &ConstructTimer;
  def.destruct = &DestructTimer;
  def.properties = kTimerProperties;
  def.events = g_timerEvents;
  g_timerClass = BuildFrameworkClass(def);
}

bool IsTimer(TessObject* object) {
  return object && g_timerClass && IsA(object, g_timerClass);
}

void StopTimer(TessObject* timer) {
  if (IsTimer(timer)) timerModeSetter(timer, 0, kOff);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

int32_t timerModeGetter(TessObject* timer, uint32_t) {
  return IsTimer(timer) ? F(timer)->mode : 0;
}

// Modes other than single and multiple read as off; any start counts the
// full period from now.
void timerModeSetter(TessObject* timer, uint32_t, int32_t value) {
  if (!IsTimer(timer)) return;
  TimerFields* t = F(timer);
  if (value != kSingle && value != kMultiple) value = kOff;
  t->mode = int16_t(value);
  t->last = Tick();
  if (value != kOff)
    Arm(timer, t->period);
  else
    Disarm(timer);
}

int32_t timerPeriodGetter(TessObject* timer, uint32_t) {
  return IsTimer(timer) ? F(timer)->period : 0;
}

void timerPeriodSetter(TessObject* timer, uint32_t, int32_t value) {
  if (!IsTimer(timer)) return;
  TimerFields* t = F(timer);
  t->period = value < 1 ? 1 : value;
  if (t->mode == kOff || !t->armed) return;
  int64_t remaining = int64_t(t->period) - int64_t(uint32_t(Tick() - t->last));
  if (t->mode == kMultiple)
    Arm(timer, remaining < 0 ? t->period : int32_t(remaining));
  else
    Arm(timer, remaining < 0 ? 1 : int32_t(remaining));
}

}  // extern "C"
