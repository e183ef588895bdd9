// Records the messages test windows receive, by window name, so tests can
// compare whole sequences: an extra or a missing message fails. Take()
// gives the log as plain lines; Expect() compares it with flagged
// expectations, as Wine's message tests do: sent or posted, the
// parameters when asked for, and messages that may or may not come.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/user/mdi.h"
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
      {WM_NULL, "WM_NULL"},
      {WM_COMMAND, "WM_COMMAND"},
      {WM_INITMENU, "WM_INITMENU"},
      {WM_INITMENUPOPUP, "WM_INITMENUPOPUP"},
      {WM_MENUSELECT, "WM_MENUSELECT"},
      {WM_ENTERMENULOOP, "WM_ENTERMENULOOP"},
      {WM_EXITMENULOOP, "WM_EXITMENULOOP"},
      {WM_NCLBUTTONDBLCLK, "WM_NCLBUTTONDBLCLK"},
      {WM_NCRBUTTONDOWN, "WM_NCRBUTTONDOWN"},
      {WM_NCRBUTTONUP, "WM_NCRBUTTONUP"},
      {WM_MDIACTIVATE, "WM_MDIACTIVATE"},
      {WM_MDIDESTROY, "WM_MDIDESTROY"},
      {WM_CHILDACTIVATE, "WM_CHILDACTIVATE"},
      {WM_USER, "WM_USER"},
      {WM_USER + 1, "WM_USER+1"},
      {WM_USER + 2, "WM_USER+2"},
  };
  auto it = names.find(m);
  return it == names.end() ? "?" : it->second;
}

// How an expected message must have arrived, and what else to check.
enum MessageFlags : unsigned {
  kSent = 0x1,      // through SendMessage or a direct call
  kPosted = 0x2,    // from the queue, through DispatchMessage
  kWParam = 0x4,    // wParam must be equal
  kLParam = 0x8,    // lParam must be equal
  kOptional = 0x10  // may be missing
};
struct Expected {
  std::string window;
  UINT msg;
  unsigned flags = kSent;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// One recorder for the test program: window names, the log, and messages
// left out because every window receives them all the time.
class MessageLog {
 public:
  static MessageLog& Get() {
    static MessageLog log;
    return log;
  }
  void Name(HWND hwnd, const std::string& name) { names_[hwnd] = name; }
  void Record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam = 0) {
    // The message being dispatched reaches its window procedure first;
    // anything else was sent.
    bool posted = dispatching_ && dispatching_->hwnd == hwnd && dispatching_->message == msg &&
                  dispatching_->wParam == wParam && dispatching_->lParam == lParam;
    if (posted) dispatching_ = nullptr;
    if (msg == WM_NCHITTEST || msg == WM_SETCURSOR || msg == WM_GETTEXT ||
        msg == WM_GETTEXTLENGTH || msg == WM_SETTEXT || msg == WM_NCPAINT ||
        msg == WM_GETMINMAXINFO)
      return;
    log_.push_back({hwnd, msg, wParam, lParam, posted});
  }
  // Pump() says which message it dispatches, so the log can tell posted
  // messages from sent ones.
  void Dispatching(const MSG* m) { dispatching_ = m; }
  // The log so far as "window MESSAGE [argument]" lines; names are looked
  // up now, so messages sent during creation carry the right name too.
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    for (const Entry& e : log_) {
      std::string entry = NameOf(e.hwnd) + " " + MessageName(e.msg);
      if (e.msg == WM_ACTIVATE || e.msg == WM_NCACTIVATE || e.msg == WM_ACTIVATEAPP ||
          e.msg == WM_SHOWWINDOW || e.msg == WM_TIMER)
        entry += " " + std::to_string(LOWORD(e.wParam));
      out.push_back(entry);
    }
    log_.clear();
    return out;
  }
  // Compares the log so far with `expected`, in order, and clears it: a
  // message that is not expected, or an expected one missing (unless
  // optional), fails, with both lists in the message.
  ::testing::AssertionResult Expect(const std::vector<Expected>& expected) {
    std::vector<Entry> got = std::move(log_);
    log_.clear();
    size_t g = 0, e = 0;
    std::string why;
    while (e < expected.size() && why.empty()) {
      const Expected& x = expected[e];
      if (g < got.size() && Fits(got[g], x)) {
        ++g, ++e;
      } else if (x.flags & kOptional) {
        ++e;
      } else {
        why = "expected " + Describe(x) + " at " + std::to_string(g);
      }
    }
    if (why.empty() && g < got.size()) why = "unexpected " + Describe(got[g]);
    if (why.empty()) return ::testing::AssertionSuccess();
    std::string all = why + "\n  got:";
    for (const Entry& x : got) all += "\n    " + Describe(x);
    all += "\n  expected:";
    for (const Expected& x : expected) all += "\n    " + Describe(x);
    return ::testing::AssertionFailure() << all;
  }
  void Clear() { log_.clear(); }

 private:
  struct Entry {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool posted;
  };
  std::string NameOf(HWND hwnd) { return names_.count(hwnd) ? names_[hwnd] : "?"; }
  bool Fits(const Entry& got, const Expected& x) {
    return NameOf(got.hwnd) == x.window && got.msg == x.msg &&
           (!(x.flags & kSent) || !got.posted) && (!(x.flags & kPosted) || got.posted) &&
           (!(x.flags & kWParam) || got.wParam == x.wParam) &&
           (!(x.flags & kLParam) || got.lParam == x.lParam);
  }
  static std::string Hex(uintptr_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%#lx", static_cast<unsigned long>(v));
    return b;
  }
  std::string Describe(const Entry& x) {
    return NameOf(x.hwnd) + " " + MessageName(x.msg) + (x.posted ? " posted" : " sent") + " " +
           Hex(x.wParam) + " " + Hex(uintptr_t(x.lParam));
  }
  static std::string Describe(const Expected& x) {
    std::string s = x.window + " " + MessageName(x.msg);
    s += (x.flags & kPosted) ? " posted" : (x.flags & kSent) ? " sent" : "";
    s += (x.flags & kWParam) ? " " + Hex(x.wParam) : " *";
    s += (x.flags & kLParam) ? " " + Hex(uintptr_t(x.lParam)) : " *";
    if (x.flags & kOptional) s += " (optional)";
    return s;
  }
  std::map<HWND, std::string> names_;
  std::vector<Entry> log_;
  const MSG* dispatching_ = nullptr;
};

inline LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MessageLog::Get().Record(hwnd, msg, wParam, lParam);
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
    MessageLog::Get().Dispatching(&m);
    DispatchMessage(&m);
    MessageLog::Get().Dispatching(nullptr);
  }
}

using Seq = std::vector<std::string>;

}  // namespace tess::test
