// The default window procedure: what a window does with a message its own
// procedure passes on. Frames are drawn by the desktop, so WM_NCPAINT and
// WM_NCACTIVATE need nothing here beyond their answers. The menu bar is
// entered through WM_SYSCOMMAND: SC_MOUSEMENU for a press on it,
// SC_KEYMENU for Alt or F10 released alone (lParam 0) and for Alt with a
// letter (lParam the letter).
#include <algorithm>
#include <cstring>

#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace user {
int HitTest(Window* w, POINT screen);
void NonClientButtonDown(Window* w, int hit, POINT screen);
}  // namespace user

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return 1;
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return 0;
      if (w->style & WS_MINIMIZE) {
        r->right = r->left, r->bottom = r->top;
        return 0;
      }
      RECT in = NonClientInsets(w->style, w->exStyle, false);
      in.top += MenuBarHeight(w, r->right - r->left);
      r->left += in.left, r->top += in.top, r->right -= in.right, r->bottom -= in.bottom;
      r->right = std::max(r->right, r->left);
      r->bottom = std::max(r->bottom, r->top);
      return 0;
    }
    case WM_NCHITTEST:
      return HitTest(w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return 1;
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<char*>(lParam);
      if (!out || wParam == 0) return 0;
      size_t n = std::min(size_t(wParam) - 1, w->text.size());
      std::memcpy(out, w->text.data(), n);
      out[n] = '\0';
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_QUERYENDSESSION:
      return 1;
    case WM_ERASEBKGND: {
      HBRUSH brush = ResolveBrush(w->cls->background);
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (!brush || !gdi::IsLiveDC(dc)) return 0;
      RECT r;
      GetClipBox(dc, &r);
      FillRect(dc, &r, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!wp || (wp->flags & SWP_NOSIZE) || (w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return 0;
      if (!(w->style & WS_THICKFRAME) && (w->style & (WS_POPUP | WS_CHILD))) return 0;
      MINMAXINFO mmi{};
      mmi.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      mmi.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
      mmi.ptMaxTrackSize = {32767, 32767};
      if (w->child()) mmi.ptMinTrackSize = {0, 0};
      SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
      wp->cx = std::clamp<int>(wp->cx, mmi.ptMinTrackSize.x,
                               std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
      wp->cy = std::clamp<int>(wp->cy, mmi.ptMinTrackSize.y,
                               std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOCLIENTMOVE))
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
      if (!(wp->flags & SWP_NOCLIENTSIZE) && (w = Lookup(hwnd))) {
        WPARAM kind = (w->style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                      : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, kind,
                    MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE:
      return 1;
    case WM_MOUSEACTIVATE:
      if (w->child()) {
        LRESULT r = SendMessage(w->parent->handle, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      if (w->child() && SendMessage(w->parent->handle, WM_SETCURSOR, wParam, lParam)) return 1;
      if (LOWORD(lParam) == HTCLIENT && w->cls->cursor) {
        SetCursor(w->cls->cursor);
        return 1;
      }
      SetCursor(LoadCursor(nullptr, reinterpret_cast<const char*>(32512)));
      return 0;
    case WM_MOUSEWHEEL:
      if (w->child()) return SendMessage(w->parent->handle, msg, wParam, lParam);
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      // A quick second press on the bar opens a menu as the first did.
      if (wParam == HTMENU || (wParam == HTSYSMENU && msg == WM_NCLBUTTONDOWN)) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU | wParam, lParam);
        return 0;
      }
      if (msg == WM_NCLBUTTONDOWN) {
        NonClientButtonDown(w, int(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
      }
      if (wParam == HTCAPTION) {
        if ((w->style & WS_MAXIMIZEBOX) && (w->style & WS_SYSMENU))
          SendMessage(hwnd, WM_SYSCOMMAND, (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE,
                      lParam);
      } else if (wParam == HTSYSMENU) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      } else {
        // A quick second press on a button or border works as a press.
        NonClientButtonDown(w, int(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          if (!(w->cls->style & CS_NOCLOSE)) SendMessage(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_MAXIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
        case SC_MOUSEMENU:
          if ((wParam & 0x000F) == HTSYSMENU)
            EnterSystemMenu(TopLevelOf(w), false);
          else
            EnterMenuBarByMouse(TopLevelOf(w), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
          break;
        case SC_KEYMENU:
          if (lParam == ' ')
            EnterSystemMenu(TopLevelOf(w), true);
          else
            EnterMenuBarByKey(TopLevelOf(w), char(lParam & 0xFF));
          break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29)))
        SendMessage(TopLevelOf(w)->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSKEYUP:
    case WM_KEYUP:
      // Alt or F10 pressed and released alone selects the menu bar.
      if ((wParam == VK_MENU || wParam == VK_F10) && MenuKeyAlone())
        SendMessage(TopLevelOf(w)->handle, WM_SYSCOMMAND, SC_KEYMENU, 0);
      return 0;
    case WM_SYSCHAR:
      // Alt with a letter opens the bar's menu of that mnemonic; with Space,
      // the system menu.
      if ((lParam & (1 << 29)) && wParam >= ' ' && wParam < 0x80)
        SendMessage(TopLevelOf(w)->handle, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(wParam));
      return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      return 0;
  }
}

}  // namespace tess::platform
