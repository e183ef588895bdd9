// System metrics and colours of the classic look, the desktop's size (the
// TESSERA_DESKTOP_SIZE setting, "WIDTHxHEIGHT", default 1024x768), cursors
// and icons as plain identifiers, and the beep, which is recorded so that
// tests and scripts can see it.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace {

SIZE DesktopSize() {
  static SIZE size = [] {
    SIZE s{1024, 768};
    if (const char* v = std::getenv("TESSERA_DESKTOP_SIZE")) {
      int w = 0, h = 0;
      if (std::sscanf(v, "%dx%d", &w, &h) == 2 && w >= 64 && h >= 64 && w <= 8192 && h <= 8192)
        s = {w, h};
    }
    return s;
  }();
  return size;
}

constexpr COLORREF kColors[COLOR_MAX + 1] = {
    0xC0C0C0,  // scroll bar
    0x008080,  // desktop
    0x000080,  // active caption
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x000080,  // highlight
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3D dark shadow
    0xDFDFDF,  // 3D light
    0x000000,  // tooltip text
    0xFFFFE1,  // tooltip background
    0xB5B5B5,  // (unused slot)
    0x0000FF,  // hot tracking
    0x1084D0,  // active caption gradient
    0xC0C0C0,  // inactive caption gradient
};

std::mutex g_beepLock;
std::vector<UINT> g_beeps;
HCURSOR g_cursor = nullptr;

}  // namespace

int GetSystemMetrics(int index) {
  SIZE d = DesktopSize();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXMAXIMIZED:
      return d.cx;
    case SM_CYSCREEN:
    case SM_CYMAXIMIZED:
      return d.cy;
    case SM_CYFULLSCREEN:
      return d.cy - 19;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
      return 16;
    case SM_CYCAPTION:
      return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CYMENU:
      return 19;
    case SM_MOUSEPRESENT:
      return 1;
    case SM_SWAPBUTTON:
      return 0;
    case SM_CXMIN:
      return 112;
    case SM_CYMIN:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMINTRACK:
      return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_CMOUSEBUTTONS:
      return 3;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYSMCAPTION:
      return 16;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE:
      return 15;
    case SM_MOUSEWHEELPRESENT:
      return 1;
    case SM_CMONITORS:
      return 1;
    default:
      return 0;
  }
}

COLORREF GetSysColor(int index) {
  return index >= 0 && index <= COLOR_MAX ? kColors[index] : 0;
}

HBRUSH GetSysColorBrush(int index) {
  static std::mutex m;
  static HBRUSH brushes[COLOR_MAX + 1] = {};
  if (index < 0 || index > COLOR_MAX) return nullptr;
  std::lock_guard lock(m);
  if (!brushes[index]) {
    brushes[index] = CreateSolidBrush(kColors[index]);
    brushes[index]->stock = true;  // shared: deleting it does nothing
  }
  return brushes[index];
}

BOOL SystemParametersInfo(UINT action, UINT, void* out, UINT) {
  if (!out) return 0;
  switch (action) {
    case SPI_GETWHEELSCROLLLINES:
      *static_cast<UINT*>(out) = 3;
      return 1;
    case SPI_GETWORKAREA: {
      SIZE d = DesktopSize();
      *static_cast<RECT*>(out) = {0, 0, d.cx, d.cy};
      return 1;
    }
    default:
      return 0;
  }
}

BOOL MessageBeep(UINT type) {
  std::lock_guard lock(g_beepLock);
  g_beeps.push_back(type);
  return 1;
}

namespace user {
std::vector<UINT> TakeBeeps() {
  std::lock_guard lock(g_beepLock);
  return std::exchange(g_beeps, {});
}
}  // namespace user

HCURSOR LoadCursor(HINSTANCE, const char* name) {
  // Cursors are identified by their resource number; the desktop draws none.
  return reinterpret_cast<HCURSOR>(const_cast<char*>(name));
}

HICON LoadIcon(HINSTANCE, const char* name) {
  return reinterpret_cast<HICON>(const_cast<char*>(name));
}

HCURSOR SetCursor(HCURSOR cursor) {
  return std::exchange(g_cursor, cursor);
}

HCURSOR GetCursor() {
  return g_cursor;
}

UINT GetDoubleClickTime() {
  return 500;
}

}  // namespace tess::platform
