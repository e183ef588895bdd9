// The presented message box: layout, painting and the modal loop. Its
// buttons are "BUTTON" children, so they look and answer the keyboard as
// every push button does. The owner is disabled while the box is up, as
// any modal dialog does.
#include "platform/user/message_box_dialog.h"

#include <algorithm>

#include "platform/comctl/commctrl.h"
#include "platform/user/desktop.h"
#include "platform/user/window_internal.h"

namespace tess::platform::user {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 23, kMargin = 12, kGap = 6, kIcon = 32;

struct Box {
  std::string text;
  std::vector<int> buttons;
  RECT textRect{}, iconRect{};
  unsigned icon = 0;
  int result = 0;
};

Box* BoxOf(HWND hwnd) {
  return reinterpret_cast<Box*>(GetWindowLong(hwnd, 0));
}

int CancelAnswer(const Box& b) {
  for (int id : b.buttons)
    if (id == IDCANCEL) return IDCANCEL;
  return b.buttons.size() == 1 ? b.buttons[0] : 0;
}

// The icon and the text; the buttons are children and paint themselves.
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
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

// The focused push button is the one Enter presses, as in any dialog.
void MakeDefault(HWND dialog, HWND button) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    SendMessage(c, BM_SETSTYLE, c == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 1);
}

LRESULT BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Box* b = BoxOf(hwnd);
  if (!b) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, *b);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) b->result = LOWORD(wParam);
      if (HIWORD(wParam) == BN_SETFOCUS) MakeDefault(hwnd, reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CLOSE:
      b->result = CancelAnswer(*b);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// Keys the dialog navigation leaves: Esc without a Cancel button answers
// as closing the box does, and Left and Right move between the buttons.
bool OfferBoxKey(HWND dlg, Box& box, const MSG& m) {
  if (m.message != WM_KEYDOWN || (m.hwnd != dlg && !IsChild(dlg, m.hwnd))) return false;
  if (m.wParam == WPARAM(VK_ESCAPE)) {
    box.result = CancelAnswer(box);
    return true;
  }
  if (m.wParam == WPARAM(VK_LEFT) || m.wParam == WPARAM(VK_RIGHT)) {
    if (HWND next = GetNextDlgTabItem(dlg, GetFocus(), m.wParam == WPARAM(VK_LEFT))) SetFocus(next);
    return true;
  }
  return false;
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
  if (!InitCommonControls()) return 0;
  Box box;
  box.text = request.text;
  box.buttons = buttons;
  box.icon = request.type & MB_ICONMASK;

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

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, ex = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, style, FALSE, ex);
  int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
  int sx = (GetSystemMetrics(SM_CXSCREEN) - fw) / 2, sy = (GetSystemMetrics(SM_CYSCREEN) - fh) / 2;
  HWND dlg = CreateWindowEx(ex, "#MessageBox", request.caption.c_str(), style, sx, sy, fw, fh,
                            owner, nullptr, nullptr, nullptr);
  if (!dlg) return 0;
  SetWindowLong(dlg, 0, LONG(reinterpret_cast<intptr_t>(&box)));
  HWND focus = nullptr;
  for (size_t i = 0; i < buttons.size(); ++i, x += kButtonWidth + kGap) {
    bool isDefault = buttons[i] == defaultButton;
    HWND button = CreateWindowEx(
        0, "BUTTON", ButtonName(buttons[i]),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY | (isDefault ? BS_DEFPUSHBUTTON : 0u), x, y,
        kButtonWidth, kButtonHeight, dlg, reinterpret_cast<HMENU>(uintptr_t(buttons[i])), nullptr,
        nullptr);
    if (isDefault || !focus) focus = button;
  }
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(dlg, SW_SHOW);
  if (focus) SetFocus(focus);
  MSG m;
  while (!box.result && IsWindow(dlg)) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      // Quitting while the box is up: the box takes its default, and the
      // quit goes on to the application's own loop.
      PostQuitMessage(int(m.wParam));
      box.result = defaultButton;
      break;
    }
    if (IsDialogMessage(dlg, &m) || OfferBoxKey(dlg, box, m)) continue;
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
