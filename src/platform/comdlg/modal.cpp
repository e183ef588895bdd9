#include "platform/comdlg/modal.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>

#include "platform/gdi/wingdi.h"
#include "platform/user/automation.h"
#include "platform/user/classic_look.h"
#include "platform/user/desktop.h"
#include "platform/user/window_internal.h"

namespace tess::platform::comdlg {

namespace {

bool RegisterOnce(const char* name, WNDPROC proc) {
  static std::mutex lock;
  static std::set<std::string> registered;
  std::lock_guard hold(lock);
  if (registered.count(name)) return true;
  WNDCLASS wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = 4;
  wc.lpszClassName = name;
  if (!RegisterClass(&wc)) return false;
  registered.insert(name);
  return true;
}

}  // namespace

void ButtonPress::Press(HWND hwnd, int which) {
  part = which;
  over = true;
  SetCapture(hwnd);
}

void ButtonPress::Move(HWND hwnd, int at) {
  if (part < 0) return;
  if ((at == part) != over) InvalidateRect(hwnd, nullptr, FALSE);
  over = at == part;
}

int ButtonPress::Release(HWND hwnd, int at) {
  if (part < 0) return -1;
  ReleaseCapture();
  int held = part;
  part = -1;
  InvalidateRect(hwnd, nullptr, FALSE);
  return at == held ? held : -1;
}

bool RunModal(const ModalRequest& request) {
  desktop::PresentIfAsked();
  bool presented = user::CurrentPresenter() != nullptr;
  if (!presented && !automation::ScriptRunning() && !request.hook) {
    std::fprintf(stderr, "[%s: cancelled: no display and no script to answer it]\n",
                 request.title.c_str());
    request.cancel();
    return true;
  }
  if (!RegisterOnce(request.className, request.proc)) {
    request.cancel();
    return false;
  }
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, ex = WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, request.width, request.height};
  AdjustWindowRectEx(&frame, style, FALSE, ex);
  int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (request.owner && IsWindow(request.owner)) GetWindowRect(request.owner, &around);
  int x = request.x >= 0 ? request.x : std::max<int>(0, (around.left + around.right - fw) / 2);
  int y = request.y >= 0 ? request.y : std::max<int>(0, (around.top + around.bottom - fh) / 2);
  HWND hwnd = CreateWindowEx(ex, request.className, request.title.c_str(), style, x, y, fw, fh,
                             request.owner, nullptr, nullptr, nullptr);
  if (!hwnd) {
    request.cancel();
    return false;
  }
  SetWindowLong(hwnd, 0, LONG(reinterpret_cast<intptr_t>(request.data)));
  bool ownerWasEnabled = request.owner && IsWindowEnabled(request.owner);
  if (ownerWasEnabled) EnableWindow(request.owner, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  SetFocus(hwnd);
  if (request.hook) request.hook(hwnd, WM_INITDIALOG, 0, request.hookParam);
  while (!request.done() && IsWindow(hwnd)) {
    MSG m;
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The quit belongs to the application's own loop.
        PostQuitMessage(int(m.wParam));
        request.cancel();
        break;
      }
      TranslateMessage(&m);
      DispatchMessage(&m);
      continue;
    }
    if (automation::ContinueScript(request.done)) continue;
    // A script that ends with the dialog up cancels it rather than leaving
    // a headless run waiting for a hand that never comes.
    if (automation::ScriptRunning())
      request.cancel();
    else
      WaitMessage();
  }
  if (request.hook) request.hook(hwnd, WM_DESTROY, 0, request.hookParam);
  if (ownerWasEnabled) EnableWindow(request.owner, TRUE);
  if (IsWindow(hwnd)) {
    SetWindowLong(hwnd, 0, 0);
    DestroyWindow(hwnd);
  }
  if (request.owner && IsWindow(request.owner)) SetActiveWindow(request.owner);
  return true;
}

}  // namespace tess::platform::comdlg
