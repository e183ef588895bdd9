// The presented message box: layout, painting and the modal loop. The
// owner is disabled while the box is up, as any modal dialog does.
#include "platform/user/message_box_dialog.h"

#include <algorithm>

#include "platform/user/classic_look.h"
#include "platform/user/desktop.h"
#include "platform/user/window_internal.h"

namespace tess::platform::user {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 23, kMargin = 12, kGap = 6, kIcon = 32;

struct Box {
  std::string text;
  std::vector<int> buttons;
  std::vector<RECT> buttonRects;
  RECT textRect{}, iconRect{};
  unsigned icon = 0;
  int focus = 0;     // index of the button Enter presses
  int pressed = -1;  // index held down with the mouse
  bool over = false;
  int result = 0;
};

Box* BoxOf(HWND hwnd) {
  return reinterpret_cast<Box*>(GetWindowLong(hwnd, 0));
}

int ButtonAt(Box& b, POINT p) {
  for (size_t i = 0; i < b.buttonRects.size(); ++i)
    if (PtInRect(&b.buttonRects[i], p)) return int(i);
  return -1;
}

int CancelAnswer(const Box& b) {
  for (int id : b.buttons)
    if (id == IDCANCEL) return IDCANCEL;
  return b.buttons.size() == 1 ? b.buttons[0] : 0;
}

void Paint(HWND hwnd, Box& b) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  if (b.icon) {
    const char* id = b.icon == MB_ICONSTOP          ? IDI_HAND
                     : b.icon == MB_ICONQUESTION    ? IDI_QUESTION
                     : b.icon == MB_ICONEXCLAMATION ? IDI_EXCLAMATION
                                                    : IDI_ASTERISK;
    DrawIcon(dc, b.iconRect.left, b.iconRect.top, LoadIcon(nullptr, id));
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT tr = b.textRect;
  DrawText(dc, b.text.data(), int(b.text.size()), &tr, DT_WORDBREAK | DT_NOPREFIX);
  for (size_t i = 0; i < b.buttons.size(); ++i) {
    RECT r = b.buttonRects[i];
    bool down = int(i) == b.pressed && b.over;
    if (int(i) == b.focus) {
      FrameRect(dc, &r, GetStockObject(BLACK_BRUSH));
      InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? UINT(DFCS_PUSHED) : 0u));
    RECT label = r;
    if (down) OffsetRect(&label, 1, 1);
    const char* name = ButtonName(b.buttons[i]);
    DrawText(dc, name, -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (int(i) == b.focus) {
      RECT f = r;
      InflateRect(&f, -3, -3);
      DrawFocusRect(dc, &f);
    }
  }
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

LRESULT BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Box* b = BoxOf(hwnd);
  if (!b) return DefWindowProc(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, *b);
      return 0;
    case WM_LBUTTONDOWN:
      b->pressed = ButtonAt(*b, p);
      b->over = b->pressed >= 0;
      if (b->pressed >= 0) {
        b->focus = b->pressed;
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (b->pressed >= 0) {
        bool over = ButtonAt(*b, p) == b->pressed;
        if (over != b->over) InvalidateRect(hwnd, nullptr, FALSE);
        b->over = over;
      }
      return 0;
    case WM_LBUTTONUP:
      if (b->pressed >= 0) {
        ReleaseCapture();
        if (ButtonAt(*b, p) == b->pressed) b->result = b->buttons[size_t(b->pressed)];
        b->pressed = -1;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE) b->result = b->buttons[size_t(b->focus)];
      if (wParam == VK_ESCAPE) b->result = CancelAnswer(*b);
      if (wParam == VK_TAB || wParam == VK_RIGHT || wParam == VK_LEFT) {
        int n = int(b->buttons.size());
        bool back = wParam == VK_LEFT || GetKeyState(VK_SHIFT) < 0;
        b->focus = (b->focus + (back ? n - 1 : 1)) % n;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_CLOSE:
      b->result = CancelAnswer(*b);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int PresentedMessageBox(HWND owner, const MessageBoxRequest& request,
                        const std::vector<int>& buttons, int defaultButton) {
  // A box raised before any window is shown on the display all the same.
  desktop::PresentIfAsked();
  // Only the presenting thread shows dialogs; others are answered headless.
  auto presenter = CurrentPresenter();
  if (!presenter || presenter->thread != GetCurrentThreadId() || buttons.empty()) return 0;
  static const bool registered = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = BoxProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = "#MessageBox";
    return RegisterClass(&wc) != 0;
  }();
  if (!registered) return 0;
  Box box;
  box.text = request.text;
  box.buttons = buttons;
  box.icon = request.type & MB_ICONMASK;
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == defaultButton) box.focus = int(i);

  // Layout: icon and wrapped text on top, buttons centred below.
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT text{0, 0, 360, 0};
  DrawText(dc, box.text.data(), int(box.text.size()), &text,
           DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  DeleteDC(dc);
  int iconSpace = box.icon ? kIcon + kMargin : 0;
  int buttonsWidth = int(buttons.size()) * kButtonWidth + (int(buttons.size()) - 1) * kGap;
  int width = std::max(iconSpace + int(text.right) + 2 * kMargin, buttonsWidth + 2 * kMargin);
  int top = std::max<int>(text.bottom, box.icon ? kIcon : 0);
  int height = kMargin + top + kMargin + kButtonHeight + kMargin;
  box.iconRect = {kMargin, kMargin, kMargin + kIcon, kMargin + kIcon};
  box.textRect = {kMargin + iconSpace, kMargin + (top - int(text.bottom)) / 2,
                  kMargin + iconSpace + int(text.right), kMargin + top};
  int x = (width - buttonsWidth) / 2, y = kMargin + top + kMargin;
  for (size_t i = 0; i < buttons.size(); ++i, x += kButtonWidth + kGap)
    box.buttonRects.push_back({x, y, x + kButtonWidth, y + kButtonHeight});

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, ex = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, style, FALSE, ex);
  int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
  int sx = (GetSystemMetrics(SM_CXSCREEN) - fw) / 2, sy = (GetSystemMetrics(SM_CYSCREEN) - fh) / 2;
  HWND dlg = CreateWindowEx(ex, "#MessageBox", request.caption.c_str(), style, sx, sy, fw, fh,
                            owner, nullptr, nullptr, nullptr);
  if (!dlg) return 0;
  SetWindowLong(dlg, 0, LONG(reinterpret_cast<intptr_t>(&box)));
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(dlg, SW_SHOW);
  MSG m;
  while (!box.result && IsWindow(dlg)) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      // Quitting while the box is up: the box takes its default, and the
      // quit goes on to the application's own loop.
      PostQuitMessage(int(m.wParam));
      box.result = defaultButton;
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (IsWindow(dlg)) {
    SetWindowLong(dlg, 0, 0);
    DestroyWindow(dlg);
  }
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
  return box.result ? box.result : defaultButton;
}

}  // namespace tess::platform::user
