// Records the messages test windows receive, by window name, so tests can
// compare whole sequences: an extra or a missing message fails.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/user/winuser.h"

namespace tess::test {

using namespace tess::platform;

inline const char* MessageName(UINT m) {
  static const std::map<UINT, const char*> names = {
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_MOVE, "WM_MOVE"},
      {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_PAINT, "WM_PAINT"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_QUIT, "WM_QUIT"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
      {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
      {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_NCCREATE, "WM_NCCREATE"},
      {WM_NCDESTROY, "WM_NCDESTROY"},
      {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
      {WM_NCACTIVATE, "WM_NCACTIVATE"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
      {WM_SYSKEYUP, "WM_SYSKEYUP"},
      {WM_SYSCHAR, "WM_SYSCHAR"},
      {WM_TIMER, "WM_TIMER"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
      {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"},
      {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
      {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
      {WM_SIZING, "WM_SIZING"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
      {WM_ENTERSIZEMOVE, "WM_ENTERSIZEMOVE"},
      {WM_EXITSIZEMOVE, "WM_EXITSIZEMOVE"},
      {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
      {WM_NCLBUTTONUP, "WM_NCLBUTTONUP"},
      {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"},
      {WM_MOVING, "WM_MOVING"},
      {WM_STYLECHANGING, "WM_STYLECHANGING"},
      {WM_STYLECHANGED, "WM_STYLECHANGED"},
      {WM_USER, "WM_USER"},
      {WM_USER + 1, "WM_USER+1"},
      {WM_USER + 2, "WM_USER+2"},
  };
  auto it = names.find(m);
  return it == names.end() ? "?" : it->second;
}

// One recorder for the test program: window names, the log, and messages
// left out because every window receives them all the time.
class MessageLog {
 public:
  static MessageLog& Get() {
    static MessageLog log;
    return log;
  }
  void Name(HWND hwnd, const std::string& name) { names_[hwnd] = name; }
  void Record(HWND hwnd, UINT msg, WPARAM wParam) {
    if (msg == WM_NCHITTEST || msg == WM_SETCURSOR || msg == WM_GETTEXT ||
        msg == WM_GETTEXTLENGTH || msg == WM_SETTEXT || msg == WM_NCPAINT ||
        msg == WM_GETMINMAXINFO)
      return;
    log_.push_back({hwnd, msg, wParam});
  }
  // The log so far as "window MESSAGE [argument]" lines; names are looked
  // up now, so messages sent during creation carry the right name too.
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    for (const Entry& e : log_) {
      std::string entry = (names_.count(e.hwnd) ? names_[e.hwnd] : "?") + " " + MessageName(e.msg);
      if (e.msg == WM_ACTIVATE || e.msg == WM_NCACTIVATE || e.msg == WM_ACTIVATEAPP ||
          e.msg == WM_SHOWWINDOW || e.msg == WM_TIMER)
        entry += " " + std::to_string(LOWORD(e.wParam));
      out.push_back(entry);
    }
    log_.clear();
    return out;
  }
  void Clear() { log_.clear(); }

 private:
  struct Entry {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
  };
  std::map<HWND, std::string> names_;
  std::vector<Entry> log_;
};

inline LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MessageLog::Get().Record(hwnd, msg, wParam);
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

inline const char* TestClass() {
  static bool registered = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "TestWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.cbWndExtra = 8;
    return RegisterClass(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return "TestWindow";
}

inline HWND Make(const std::string& name, DWORD style, HWND parent = nullptr, int x = 10,
                 int y = 10, int w = 200, int h = 150, DWORD exStyle = 0) {
  HWND hwnd = CreateWindowEx(exStyle, TestClass(), name.c_str(), style, x, y, w, h, parent, nullptr,
                             nullptr, nullptr);
  MessageLog::Get().Name(hwnd, name);
  return hwnd;
}

// Runs every waiting message (never blocks).
inline void Pump() {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
}

using Seq = std::vector<std::string>;

}  // namespace tess::test
