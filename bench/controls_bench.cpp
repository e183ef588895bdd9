// The standard controls' two costs worth watching, each against a plain
// reference measured in the same run:
//  - 10,000 rows added to a PopupMenu shown in a window (instance rows and
//    the native list both) against appending the same strings to a
//    std::vector<std::string>;
//  - a Timer of period 1 ms in mode multiple, its Actions counted over one
//    second, against a host timer of the same period counting its own
//    timer messages: the ratio says how many firings the one-shot re-arming
//    loses. The host gives no timer below 10 ms, so both run at that pace.
//
// Usage: controls_bench [rows] [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/window_class.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace {

using namespace tess;
using namespace tess::platform;

int g_actions = 0;
int g_messages = 0;

uint32_t OnAction(TessObject*) {
  ++g_actions;
  return 0;
}

LRESULT Counting(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) ++g_messages;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Handles messages for one second.
void RunOneSecond() {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < end) {
    MSG m;
    if (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  InitFrameworkAndValueClasses();
  ui::InitWindowing();

  ClassObject* popupClass = FindClassByName("PopupMenu");
  std::vector<ClassObject*> table{ui::WindowClass(), popupClass};
  SetClassTable(table);
  ui::WindowLayout layout;
  layout.pairs = {{"Title", "Bench"}, {"Width", "300"}, {"Height", "200"}};
  layout.controls.push_back(
      {1, {{"Name", "Rows"}, {"Left", "10"}, {"Top", "10"}, {"Width", "200"}, {"Height", "22"}}});
  std::vector<uint8_t> block = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
  TessObject* out = nullptr;
  ObjectRef window = ObjectRef::Adopt(RuntimeCreateWindow(block.data(), &out));
  RuntimeUnlockObject(out);
  StaticString name("Rows");
  ObjectRef popup = ObjectRef::Adopt(RuntimeControlReference(window.get(), name.get()));
  if (!popup.get()) {
    std::fprintf(stderr, "no popup menu\n");
    return 1;
  }
  std::vector<StringRef> texts;
  std::vector<std::string> plain;
  for (int i = 0; i < rows; ++i) {
    plain.push_back("Row " + std::to_string(i));
    texts.push_back(StringRef::Adopt(MakeString(plain.back())));
  }
  double ours = bench::MedianSeconds(rounds, [&] {
    RuntimePopupEmpty(popup.get());
    for (const StringRef& t : texts) RuntimePopupAddRow(popup.get(), t.get());
  });
  volatile size_t sink = 0;
  double theirs = bench::MedianSeconds(rounds, [&] {
    std::vector<std::string> v;
    for (int i = 0; i < rows; ++i) v.push_back(std::string(View(texts[size_t(i)].get())));
    sink = sink + v.size();
  });
  char what[64];
  std::snprintf(what, sizeof what, "%d popup rows added", rows);
  bench::PrintRatio(what, ours, "std::vector<std::string>", theirs);

  // The timer, then the host's own timer of the same period.
  StaticString actionName("Action");
  HookDescriptor hook{nullptr, actionName.get(), 0, reinterpret_cast<void*>(&OnAction)};
  ClassObject ticker{};
  ticker.superclass = FindClassByName("Timer");
  ticker.instanceSize = ticker.superclass->instanceSize;
  ticker.hooks = &hook;
  ObjectRef timer = ObjectRef::Adopt(CreateObject(&ticker));
  timerPeriodSetter(timer.get(), 0, 1);
  timerModeSetter(timer.get(), 0, 2);
  RunOneSecond();
  timerModeSetter(timer.get(), 0, 0);

  WNDCLASS wc{};
  wc.lpfnWndProc = &Counting;
  wc.lpszClassName = "BenchTimer";
  RegisterClass(&wc);
  HWND hwnd =
      CreateWindowEx(0, "BenchTimer", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetTimer(hwnd, 1, 1, nullptr);
  RunOneSecond();
  KillTimer(hwnd, 1);
  DestroyWindow(hwnd);
  std::printf("%-44s %9d      %-28s %9d      ratio %6.2f\n", "timer Actions in 1 s (period 1 ms)",
              g_actions, "host timer messages", g_messages,
              g_messages ? double(g_actions) / g_messages : 0.0);
  SetClassTable({});
  return 0;
}
