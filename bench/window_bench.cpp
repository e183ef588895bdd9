// Windows against the host layer they sit on: building a window of 200
// controls from its layout record against creating the same native windows
// directly, and mouse moves delivered to a MouseMove handler through the
// window procedure against calling the handler directly.
#include <cstdint>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/user/winuser.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/instance_layout.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace {

using namespace tess;
using namespace tess::platform;

constexpr int kControls = 200;
constexpr int kMoves = 100000;

volatile int32_t g_sink;

uint32_t OnMouseMove(TessObject*, int32_t x, int32_t y) {
  g_sink = g_sink + x + y;
  return 0;
}

std::vector<uint8_t> Layout() {
  ui::WindowLayout layout;
  layout.pairs = {{"Title", "Bench"}, {"Frame", "3"}, {"Width", "600"},
                  {"Height", "400"},  {"Left", "10"}, {"Top", "40"}};
  for (int i = 0; i < kControls; ++i) {
    layout.controls.push_back({1,
                               {{"Name", "Control"},
                                {"Index", std::to_string(i)},
                                {"Left", std::to_string(i % 20 * 30)},
                                {"Top", std::to_string(i / 20 * 40)},
                                {"Width", "28"},
                                {"Height", "38"}}});
  }
  return imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
}

LRESULT Plain(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

int main() {
  InitFrameworkAndValueClasses();
  ui::InitWindowing();
  StaticString moveName("MouseMove");
  HookDescriptor hook{nullptr, moveName.get(), 503, reinterpret_cast<void*>(&OnMouseMove)};
  ClassObject window{};
  window.superclass = ui::WindowClass();
  window.instanceSize = ui::kWindowInstanceSize;
  window.hooks = &hook;
  ClassObject control{};
  control.superclass = ui::RectControlClass();
  control.instanceSize = ui::kRectControlInstanceSize;
  std::vector<ClassObject*> table{&window, &control};
  SetClassTable(table);

  WNDCLASS wc{};
  wc.lpfnWndProc = &Plain;
  wc.lpszClassName = "BenchPlain";
  RegisterClass(&wc);

  std::vector<uint8_t> block = Layout();
  double ours = bench::MedianSeconds(9, [&] {
    TessObject* w = RuntimeCreateWindow(block.data(), nullptr);
    RuntimeCloseWindow(w);
    RuntimeUnlockObject(w);
  });
  double direct = bench::MedianSeconds(9, [&] {
    HWND top = CreateWindowEx(0, "BenchPlain", "Bench", WS_POPUP | WS_CAPTION, 10, 40, 600, 400,
                              nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < kControls; ++i)
      CreateWindowEx(0, "BenchPlain", "", WS_CHILD | WS_VISIBLE, i % 20 * 30, i / 20 * 40, 28, 38,
                     top, nullptr, nullptr, nullptr);
    DestroyWindow(top);
  });
  bench::PrintRatio("window of 200 controls from its layout", ours, "200 host windows", direct);

  TessObject* w = RuntimeCreateWindow(block.data(), nullptr);
  HWND hwnd = ui::FieldsOf<ui::WindowFields>(w)->window->hwnd;
  // Below the controls, so every move reaches the window's own handler.
  LPARAM where = MAKELPARAM(5, 385);
  double delivered = bench::MedianSeconds(5, [&] {
    for (int i = 0; i < kMoves; ++i) SendMessage(hwnd, WM_MOUSEMOVE, 0, where);
  });
  // The handler is called through its address, as the hook lookup finds it.
  uint32_t (*volatile handler)(TessObject*, int32_t, int32_t) = &OnMouseMove;
  double called = bench::MedianSeconds(5, [&] {
    for (int i = 0; i < kMoves; ++i) handler(w, 5, 385);
  });
  bench::PrintRatio("100,000 MouseMove events", delivered, "direct handler calls", called);
  RuntimeCloseWindow(w);
  RuntimeUnlockObject(w);
  return 0;
}
