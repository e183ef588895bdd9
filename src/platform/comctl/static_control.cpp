// "STATIC": a text label, left, centred or right, wrapped at words unless
// SS_LEFTNOWORDWRAP; '&' marks a mnemonic unless SS_NOPREFIX. With
// SS_NOTIFY a click tells the parent STN_CLICKED; without, clicks go
// through to the parent.
#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"
#include "platform/user/classic_look.h"

namespace tess::platform::comctl {

namespace {

HFONT FontOf(HWND hwnd) {
  return reinterpret_cast<HFONT>(uintptr_t(uint32_t(GetWindowLong(hwnd, 0))));
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC));
  HFONT font = FontOf(hwnd);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  DWORD style = DWORD(GetWindowLong(hwnd, GWL_STYLE));
  UINT format = (style & SS_NOPREFIX) ? UINT(DT_NOPREFIX) : 0u;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      format |= DT_CENTER | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      format |= DT_RIGHT | DT_WORDBREAK;
      break;
    case SS_LEFTNOWORDWRAP:
      format |= DT_LEFT | DT_SINGLELINE;
      break;
    default:
      format |= DT_LEFT | DT_WORDBREAK;
      break;
  }
  std::string text = GetWindowTextString(hwnd);
  user::PaintLabel(dc, r, text, format, IsWindowEnabled(hwnd) ? 0u : UINT(user::kFaceDisabled));
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST:
      return (GetWindowLong(hwnd, GWL_STYLE) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_SETFONT:
      SetWindowLong(hwnd, 0, LONG(reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(wParam))));
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontOf(hwnd));
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

bool RegisterStaticClass() {
  return RegisterControlClass("STATIC", &StaticProc, 0);
}

}  // namespace tess::platform::comctl
