// Monitors, keyboard layouts and created cursors: what the runtime's Screen,
// System and MouseCursor objects ask of the window system.
//
// Monitors: headless, the desktop alone (its size, the work area of
// SPI_GETWORKAREA, 32 bits per pixel). Presented on X11, one monitor per
// screen of the display in the display's order, laid side by side from the
// left; the first is the primary and shows the desktop, so it keeps the
// desktop's size and work area, and takes its depth from the display.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/user/desktop.h"
#include "platform/user/window_internal.h"

namespace tess::platform {

namespace {

struct Monitor {
  RECT rect, work;
  DWORD depth;
};

std::vector<Monitor> Monitors() {
  RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, work = desktop;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  std::vector<desktop::HostScreen> screens = desktop::PresentedScreens();
  std::vector<Monitor> monitors = {{desktop, work, 32}};
  if (screens.empty()) return monitors;
  monitors[0].depth = DWORD(screens[0].depth);
  LONG left = desktop.right;
  for (size_t i = 1; i < screens.size(); ++i) {
    RECT r{left, 0, left + screens[i].width, screens[i].height};
    monitors.push_back({r, r, DWORD(screens[i].depth)});
    left = r.right;
  }
  return monitors;
}

HMONITOR HandleOf(size_t index) {
  return reinterpret_cast<HMONITOR>(uintptr_t(index + 1));
}

std::mutex g_layoutLock;
HKL g_layout = reinterpret_cast<HKL>(uintptr_t(0x04090409));

struct CreatedCursor {
  int width, height;
  POINT hotSpot;
  std::vector<uint8_t> andPlane, xorPlane;
};
std::mutex g_cursorLock;
std::map<HCURSOR, std::unique_ptr<CreatedCursor>> g_cursors;

}  // namespace

BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM data) {
  if (!proc) return 0;
  std::vector<Monitor> monitors = Monitors();
  for (size_t i = 0; i < monitors.size(); ++i) {
    RECT r = monitors[i].rect;
    if (clip) {
      RECT both;
      if (!IntersectRect(&both, &r, clip)) continue;
      r = both;
    }
    if (!proc(HandleOf(i), dc, &r, data)) break;
  }
  return 1;
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (!info || info->cbSize < sizeof(MONITORINFO)) return 0;
  std::vector<Monitor> monitors = Monitors();
  size_t index = size_t(reinterpret_cast<uintptr_t>(monitor));
  if (index == 0 || index > monitors.size()) return 0;
  const Monitor& m = monitors[index - 1];
  info->rcMonitor = m.rect;
  info->rcWork = m.work;
  info->dwFlags = index == 1 ? DWORD(MONITORINFOF_PRIMARY) : DWORD(0);
  info->bitsPerPixel = m.depth;
  return 1;
}

HKL GetKeyboardLayout(DWORD) {
  std::lock_guard lock(g_layoutLock);
  return g_layout;
}

HKL ActivateKeyboardLayout(HKL layout, UINT) {
  if (!layout) return nullptr;
  std::lock_guard lock(g_layoutLock);
  HKL old = g_layout;
  g_layout = layout;
  return old;
}

HCURSOR CreateCursor(HINSTANCE, int xHotSpot, int yHotSpot, int width, int height,
                     const void* andPlane, const void* xorPlane) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !andPlane || !xorPlane) {
    return nullptr;
  }
  size_t bytes = size_t((width + 15) / 16 * 2) * size_t(height);
  auto cursor = std::make_unique<CreatedCursor>();
  cursor->width = width, cursor->height = height;
  cursor->hotSpot = {std::clamp(xHotSpot, 0, width - 1), std::clamp(yHotSpot, 0, height - 1)};
  auto* a = static_cast<const uint8_t*>(andPlane);
  auto* x = static_cast<const uint8_t*>(xorPlane);
  cursor->andPlane.assign(a, a + bytes);
  cursor->xorPlane.assign(x, x + bytes);
  HCURSOR handle = reinterpret_cast<HCURSOR>(cursor.get());
  std::lock_guard lock(g_cursorLock);
  g_cursors[handle] = std::move(cursor);
  return handle;
}

BOOL DestroyCursor(HCURSOR cursor) {
  std::lock_guard lock(g_cursorLock);
  if (GetCursor() == cursor) SetCursor(nullptr);
  return g_cursors.erase(cursor) ? 1 : 0;
}

BOOL GetCursorInfoBits(HCURSOR cursor, int* width, int* height, POINT* hotSpot) {
  std::lock_guard lock(g_cursorLock);
  auto it = g_cursors.find(cursor);
  if (it == g_cursors.end()) return 0;
  if (width) *width = it->second->width;
  if (height) *height = it->second->height;
  if (hotSpot) *hotSpot = it->second->hotSpot;
  return 1;
}

}  // namespace tess::platform
