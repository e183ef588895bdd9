// The active window, keyboard focus, mouse capture and whether the
// application is the active one. Activating a window deactivates the
// previous one first (WM_NCACTIVATE, WM_ACTIVATE), tells every top-level
// window when the application as a whole gains or loses activation
// (WM_ACTIVATEAPP), then activates the new one and gives it the focus
// unless the focus is already inside it (WM_KILLFOCUS to the old focus,
// WM_SETFOCUS to the new). The focus is always the active window or one of
// its descendants, or nothing.
#include <vector>

#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace {

HWND g_active = nullptr;
HWND g_focus = nullptr;
HWND g_capture = nullptr;
bool g_appActive = false;

void TellApplication(bool active) {
  std::vector<HWND> tops;
  for (Window* t : Desktop()->children) tops.push_back(t->handle);
  for (HWND h : tops)
    if (Window* t = Lookup(h))
      Call(t, WM_ACTIVATEAPP, active ? 1 : 0, LPARAM(GetCurrentThreadId()));
}

void Activate(Window* w, UINT how) {
  // Handlers may destroy any window while this runs: keep handles and look
  // windows up again after every message.
  HWND oldHandle = g_active;
  HWND newHandle = w ? w->handle : nullptr;
  if (Window* old = Lookup(oldHandle)) {
    Call(old, WM_NCACTIVATE, 0, 0);
    if ((old = Lookup(oldHandle)))
      Call(old, WM_ACTIVATE, MAKELPARAM(WA_INACTIVE, (old->style & WS_MINIMIZE) ? 1 : 0),
           reinterpret_cast<LPARAM>(newHandle));
  }
  if (newHandle && !Lookup(newHandle)) newHandle = nullptr;
  g_active = newHandle;
  if (!newHandle) {
    if (g_appActive) {
      g_appActive = false;
      TellApplication(false);
    }
    if (g_focus) SetFocus(nullptr);
    return;
  }
  if (!g_appActive) {
    g_appActive = true;
    TellApplication(true);
  }
  if (!(w = Lookup(newHandle)) || g_active != newHandle) return;
  MoveToFront(w);
  Call(w, WM_NCACTIVATE, 1, 0);
  if (!(w = Lookup(newHandle)) || g_active != newHandle) return;
  Call(w, WM_ACTIVATE, MAKELPARAM(how, (w->style & WS_MINIMIZE) ? 1 : 0),
       reinterpret_cast<LPARAM>(oldHandle));
  if (!(w = Lookup(newHandle)) || g_active != newHandle) return;
  if (g_focus != newHandle && !IsChild(newHandle, g_focus))
    SetFocus((w->style & WS_MINIMIZE) ? nullptr : newHandle);
}

}  // namespace

namespace user {

void ActivateOtherThan(Window* w) {
  Window* next = nullptr;
  auto usable = [w](Window* t) {
    return t && t != w && t->visible() && !(t->style & (WS_DISABLED | WS_MINIMIZE)) &&
           !t->destroying;
  };
  if (Window* o = Lookup(w->owner); usable(o)) next = o;
  for (Window* t : Desktop()->children)
    if (!next && usable(t)) next = t;
  Activate(next, WA_ACTIVE);
}

void LoseFocusWithin(Window* w) {
  if (!g_focus || (g_focus != w->handle && !IsChild(w->handle, g_focus))) return;
  SetFocus(w->topLevel() ? nullptr : w->parent->handle);
}

void ForgetWindow(Window* w) {
  if (g_active == w->handle) g_active = nullptr;
  if (g_focus == w->handle) g_focus = nullptr;
  if (g_capture == w->handle) g_capture = nullptr;
}

bool ApplicationActive() {
  return g_appActive;
}

void ActivateByClick(Window* top) {
  if (g_active != top->handle) Activate(top, WA_CLICKACTIVE);
}

void SetApplicationActive(bool active) {
  // The window active when another application took over gets it back.
  static HWND lastActive = nullptr;
  if (active) {
    if (g_active) return;
    if (Window* last = Lookup(lastActive);
        last && last->visible() && !(last->style & WS_DISABLED)) {
      Activate(last, WA_ACTIVE);
      return;
    }
    for (Window* t : Desktop()->children)
      if (t->visible() && !(t->style & (WS_DISABLED | WS_MINIMIZE))) {
        Activate(t, WA_ACTIVE);
        return;
      }
  } else {
    if (g_active) lastActive = g_active;
    Activate(nullptr, WA_INACTIVE);
  }
}

}  // namespace user

HWND SetActiveWindow(HWND hwnd) {
  Window* w = nullptr;
  if (hwnd) {
    w = Lookup(hwnd);
    if (!w || w->desktop) return nullptr;
    w = TopLevelOf(w);
  }
  HWND old = g_active;
  if (w && old == w->handle) return old;
  Activate(w, WA_ACTIVE);
  return old;
}

HWND GetActiveWindow() {
  return g_active;
}

BOOL SetForegroundWindow(HWND hwnd) {
  return Lookup(hwnd) ? (SetActiveWindow(hwnd), 1) : 0;
}

HWND GetForegroundWindow() {
  return g_active;
}

HWND SetFocus(HWND hwnd) {
  Window* w = nullptr;
  if (hwnd) {
    w = Lookup(hwnd);
    if (!w || w->desktop) return nullptr;
    HWND top = TopLevelOf(w)->handle;
    if (g_active != top) {
      // Handlers may destroy windows while activation runs: handles only.
      Activate(TopLevelOf(w), WA_ACTIVE);
      if (g_active != top || !(w = Lookup(hwnd))) return nullptr;
    }
  }
  HWND old = g_focus;
  if (old == hwnd) return old;
  g_focus = hwnd;
  if (Window* o = Lookup(old)) Call(o, WM_KILLFOCUS, WPARAM(hwnd), 0);
  if (w && g_focus == hwnd && Lookup(hwnd)) Call(w, WM_SETFOCUS, WPARAM(old), 0);
  return Lookup(old) ? old : nullptr;
}

HWND GetFocus() {
  return g_focus;
}

HWND SetCapture(HWND hwnd) {
  if (hwnd && !Lookup(hwnd)) return nullptr;
  HWND old = g_capture;
  g_capture = hwnd;
  if (old && old != hwnd)
    if (Window* o = Lookup(old)) Call(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = g_capture;
  g_capture = nullptr;
  if (Window* o = Lookup(old)) Call(o, WM_CAPTURECHANGED, 0, 0);
  return 1;
}

HWND GetCapture() {
  return g_capture;
}

}  // namespace tess::platform
