// What the control classes share: telling the parent, the background brush
// the parent chooses, radio groups and class registration.
#pragma once

#include <vector>

#include "platform/user/winuser.h"

namespace tess::platform::comctl {

// WM_COMMAND to the parent with the control's identifier and `code`.
void NotifyParent(HWND control, UINT code);
// The brush the parent answers to WM_CTLCOLORBTN or WM_CTLCOLORSTATIC,
// which also sets the context's colours.
HBRUSH ControlBrush(HWND control, HDC dc, UINT message);
// The siblings of `control` in its group: from the nearest WS_GROUP child
// at or before it up to the next one, in creation order.
std::vector<HWND> GroupOf(HWND control);

// The state a control keeps behind its first window word.
template <typename State>
State* StateOf(HWND hwnd) {
  return reinterpret_cast<State*>(uintptr_t(uint32_t(GetWindowLong(hwnd, 0))));
}

// A control's window procedure around `Proc`, which is given the control's
// state: made with the window, deleted once `Proc` has seen WM_NCDESTROY.
// Handlers that send messages look the state up again afterwards: the
// window may be gone.
template <typename State, LRESULT (*Proc)(HWND, UINT, WPARAM, LPARAM, State*)>
LRESULT WithState(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) SetWindowLong(hwnd, 0, LONG(reinterpret_cast<uintptr_t>(new State)));
  State* state = StateOf<State>(hwnd);
  if (!state) return DefWindowProc(hwnd, msg, wParam, lParam);
  LRESULT result = Proc(hwnd, msg, wParam, lParam, state);
  if (msg == WM_NCDESTROY) {
    SetWindowLong(hwnd, 0, 0);
    delete state;
  }
  return result;
}

// Registers a control class whose windows keep one word (the state).
bool RegisterControlClass(const char* name, WNDPROC proc, UINT style = CS_DBLCLKS);

bool RegisterButtonClass();
bool RegisterStaticClass();
bool RegisterComboClasses();
bool RegisterScrollBarClass();
bool RegisterTrackBarClass();
bool RegisterProgressClass();
bool RegisterTabClass();

}  // namespace tess::platform::comctl
