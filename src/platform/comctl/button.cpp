// "BUTTON": push buttons, default push buttons, check boxes and radio
// buttons (plain, or automatic: the button changes its own check state),
// and group boxes. A click is a press and a release over the button, or
// Space pressed and released while it has the focus; it tells the parent
// WM_COMMAND with BN_CLICKED and the button's identifier.
#include <memory>

#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"
#include "platform/user/classic_look.h"

namespace tess::platform::comctl {

namespace {

struct Button {
  WPARAM check = BST_UNCHECKED;
  bool pressed = false;   // drawn pushed in
  bool tracking = false;  // the mouse button is held on it
  bool spaceDown = false;
  bool focused = false;
  HFONT font = nullptr;
};

DWORD Kind(HWND hwnd) {
  return DWORD(GetWindowLong(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsPush(DWORD kind) {
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}
bool IsRadio(DWORD kind) {
  return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
}

void SetPressed(HWND hwnd, Button& b, bool pressed) {
  if (b.pressed == pressed) return;
  b.pressed = pressed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Unchecks the other automatic radio buttons of the group `hwnd` is in:
// the siblings from the group's first member (WS_GROUP) up to the next.
void UncheckGroup(HWND hwnd) {
  for (HWND other : GroupOf(hwnd))
    if (other != hwnd && Kind(other) == BS_AUTORADIOBUTTON)
      SendMessage(other, BM_SETCHECK, BST_UNCHECKED, 0);
}

void Click(HWND hwnd) {
  switch (Kind(hwnd)) {
    case BS_AUTOCHECKBOX:
      SendMessage(hwnd, BM_SETCHECK, StateOf<Button>(hwnd)->check ? BST_UNCHECKED : BST_CHECKED, 0);
      break;
    case BS_AUTO3STATE:
      SendMessage(hwnd, BM_SETCHECK, (StateOf<Button>(hwnd)->check + 1) % 3, 0);
      break;
    case BS_AUTORADIOBUTTON:
      SendMessage(hwnd, BM_SETCHECK, BST_CHECKED, 0);
      UncheckGroup(hwnd);
      break;
    default:
      break;
  }
  NotifyParent(hwnd, BN_CLICKED);
}

void Paint(HWND hwnd, Button& b) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  HBRUSH background = ControlBrush(hwnd, dc, WM_CTLCOLORBTN);
  DWORD kind = Kind(hwnd);
  // A group box draws its frame and caption only: what it holds shows
  // through, whichever of them paints last.
  if (kind != BS_GROUPBOX) FillRect(dc, &r, background);
  HGDIOBJ oldFont = SelectObject(dc, b.font ? b.font : GetStockObject(DEFAULT_GUI_FONT));
  std::string text = GetWindowTextString(hwnd);
  UINT face = (b.pressed ? UINT(user::kFacePressed) : 0u) |
              (IsWindowEnabled(hwnd) ? 0u : UINT(user::kFaceDisabled)) |
              (b.check == BST_CHECKED ? UINT(user::kFaceChecked) : 0u);
  DWORD style = DWORD(GetWindowLong(hwnd, GWL_STYLE));
  if (b.focused) face |= user::kFaceFocused;
  if (IsPush(kind)) {
    if (kind == BS_DEFPUSHBUTTON) face |= user::kFaceDefault;
    user::PaintPushButton(dc, r, text, face);
  } else if (kind == BS_GROUPBOX) {
    user::PaintGroupBox(dc, r, text, face & user::kFaceDisabled, background);
  } else {
    if (style & BS_LEFTTEXT) face |= user::kFaceLeftText;
    user::PaintCheckButton(dc, r, text, IsRadio(kind), face);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Button* b) {
  DWORD kind = Kind(hwnd);
  switch (msg) {
    case WM_NCHITTEST:
      // A group box is a frame around other controls: clicks go through.
      if (kind == BS_GROUPBOX) return HTTRANSPARENT;
      return HTCLIENT;
    case WM_GETDLGCODE:
      if (kind == BS_GROUPBOX) return DLGC_STATIC;
      if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (kind == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (IsRadio(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    case WM_PAINT:
      Paint(hwnd, *b);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (kind == BS_GROUPBOX) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd) || !(b = StateOf<Button>(hwnd))) return 0;
      b->tracking = true;
      SetCapture(hwnd);
      SetPressed(hwnd, *b, true);
      return 0;
    case WM_MOUSEMOVE:
      if (b->tracking) {
        RECT r;
        GetClientRect(hwnd, &r);
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SetPressed(hwnd, *b, PtInRect(&r, p));
      }
      return 0;
    case WM_LBUTTONUP:
      if (b->tracking) {
        bool over = b->pressed;
        b->tracking = false;
        SetPressed(hwnd, *b, false);
        ReleaseCapture();
        if (over) Click(hwnd);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (b->tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
        b->tracking = false;
        SetPressed(hwnd, *b, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (kind == BS_GROUPBOX) break;
      if (wParam == VK_SPACE && !b->tracking) {
        b->spaceDown = true;
        SetPressed(hwnd, *b, true);
        return 0;
      }
      if (wParam == VK_RETURN && IsPush(kind)) {
        Click(hwnd);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && b->spaceDown) {
        b->spaceDown = false;
        SetPressed(hwnd, *b, false);
        Click(hwnd);
        return 0;
      }
      break;
    case WM_CHAR:
      return 0;
    case WM_SETFOCUS:
      b->focused = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      if (GetWindowLong(hwnd, GWL_STYLE) & BS_NOTIFY) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      b->focused = false;
      b->spaceDown = false;
      SetPressed(hwnd, *b, b->tracking && b->pressed);
      InvalidateRect(hwnd, nullptr, FALSE);
      if (GetWindowLong(hwnd, GWL_STYLE) & BS_NOTIFY) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      if (!wParam) {
        b->tracking = b->spaceDown = false;
        b->pressed = false;
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_SETFONT:
      b->font = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(b->font);
    case BM_GETCHECK:
      return LRESULT(b->check);
    case BM_SETCHECK:
      if (IsPush(kind) || kind == BS_GROUPBOX) return 0;
      if (wParam > BST_INDETERMINATE ||
          (wParam == BST_INDETERMINATE && kind != BS_3STATE && kind != BS_AUTO3STATE))
        wParam = BST_CHECKED;
      if (b->check != wParam) {
        b->check = wParam;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case BM_GETSTATE:
      return LRESULT(b->check | (b->pressed ? WPARAM(BST_PUSHED) : 0) |
                     (b->focused ? WPARAM(BST_FOCUS) : 0));
    case BM_SETSTATE:
      SetPressed(hwnd, *b, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      LONG style = GetWindowLong(hwnd, GWL_STYLE);
      // Only the kind changes: the other style bits stay.
      SetWindowLong(hwnd, GWL_STYLE, LONG((DWORD(style) & ~BS_TYPEMASK) | (wParam & BS_TYPEMASK)));
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case BM_CLICK:
      if (kind != BS_GROUPBOX && IsWindowEnabled(hwnd)) Click(hwnd);
      return 0;
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

bool RegisterButtonClass() {
  return RegisterControlClass("BUTTON", &WithState<Button, &ButtonProc>);
}

}  // namespace tess::platform::comctl
