// The colour dialog: layout, painting, and its modal loop, which runs the
// script's next commands when it runs out of messages (see automation.h).
//
// Messages handled: WM_PAINT, WM_LBUTTONDOWN and WM_LBUTTONDBLCLK (pick a
// swatch, press a button), WM_LBUTTONUP (a button released over itself),
// WM_KEYDOWN (arrows, Enter, Escape, Tab between the buttons), WM_CLOSE,
// and the automation's answer message, which ends the dialog at once.
#include <algorithm>
#include <cstdint>

#include "platform/comdlg/commdlg.h"
#include "platform/comdlg/modal.h"
#include "platform/user/automation.h"
#include "platform/user/classic_look.h"
#include "platform/user/desktop.h"
#include "platform/user/message_box.h"
#include "platform/user/messages.h"

namespace tess::platform {

namespace {

constexpr COLORREF kBasicColors[48] = {
    0xFF8080, 0xFFFF80, 0x80FF80, 0x00FF80, 0x80FFFF, 0x0080FF, 0xFF80C0, 0xFF80FF,
    0xFF0000, 0xFFFF00, 0x80FF00, 0x00FF40, 0x00FFFF, 0x0080C0, 0x8080C0, 0xFF00FF,
    0x804040, 0xFF8040, 0x00FF00, 0x008080, 0x004080, 0x8080FF, 0x800040, 0xFF0080,
    0x800000, 0xFF8000, 0x008000, 0x008040, 0x0000FF, 0x0000A0, 0x800080, 0x8000FF,
    0x400000, 0x804000, 0x004000, 0x004040, 0x000080, 0x000040, 0x400040, 0x400080,
    0x000000, 0x808000, 0x808040, 0x808080, 0x408080, 0xC0C0C0, 0x404040, 0xFFFFFF,
};
constexpr int kColumns = 8, kRows = 6, kCellW = 28, kCellH = 22, kMargin = 8, kGridTop = 26;
constexpr int kButtonW = 60, kButtonH = 23;
constexpr int kClientW = kMargin * 2 + kColumns * kCellW - 4;
constexpr int kBottom = kGridTop + kRows * kCellH + 6;
constexpr int kClientH = kBottom + kButtonH + kMargin;
enum Part { kNone = -1, kOk = 48, kCancel = 49 };

struct Dialog {
  COLORREF color = 0;
  int pick = -1;                // swatch index, or -1 for a colour not among them
  comdlg::ButtonPress pressed;  // the button held down
  int focusButton = kOk;        // the one Enter presses
  int result = 0;               // IDOK or IDCANCEL once answered
};

Dialog* DialogOf(HWND hwnd) {
  return reinterpret_cast<Dialog*>(GetWindowLong(hwnd, 0));
}

RECT SwatchRect(int index) {
  int x = kMargin + (index % kColumns) * kCellW, y = kGridTop + (index / kColumns) * kCellH;
  return {x, y, x + kCellW - 4, y + kCellH - 4};
}

RECT ButtonRect(int part) {
  int x = kClientW - kMargin - (part == kOk ? 2 * kButtonW + 6 : kButtonW);
  return {x, kBottom, x + kButtonW, kBottom + kButtonH};
}

RECT SampleRect() {
  return {kMargin, kBottom, kMargin + 70, kBottom + kButtonH};
}

int PartAt(POINT p) {
  for (int i = 0; i < 48; ++i) {
    RECT r = SwatchRect(i);
    if (PtInRect(&r, p)) return i;
  }
  for (int part : {int(kOk), int(kCancel)}) {
    RECT r = ButtonRect(part);
    if (PtInRect(&r, p)) return part;
  }
  return kNone;
}

void Pick(HWND hwnd, Dialog& d, int index) {
  d.pick = index;
  d.color = kBasicColors[index];
  InvalidateRect(hwnd, nullptr, FALSE);
}

void Paint(HWND hwnd, Dialog& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT label{kMargin, kMargin, kClientW - kMargin, kGridTop - 4};
  DrawText(dc, "Basic colors:", -1, &label, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  auto swatch = [&](RECT r, COLORREF color) {
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  };
  for (int i = 0; i < 48; ++i) {
    RECT r = SwatchRect(i);
    swatch(r, kBasicColors[i]);
    if (i == d.pick) {
      InflateRect(&r, 2, 2);
      FrameRect(dc, &r, GetStockObject(BLACK_BRUSH));
    }
  }
  swatch(SampleRect(), d.color);
  for (int part : {int(kOk), int(kCancel)}) {
    bool focused = part == d.focusButton;
    DrawDialogButton(dc, ButtonRect(part), part == kOk ? "OK" : "Cancel", focused,
                     d.pressed.Down(part), focused);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

LRESULT DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Dialog* d = DialogOf(hwnd);
  if (!d) return DefWindowProc(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, *d);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int part = PartAt(p);
      if (part >= 0 && part < 48) {
        Pick(hwnd, *d, part);
        if (msg == WM_LBUTTONDBLCLK) d->result = IDOK;
      } else if (part != kNone) {
        d->focusButton = part;
        d->pressed.Press(hwnd, part);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      d->pressed.Move(hwnd, PartAt(p));
      return 0;
    case WM_LBUTTONUP:
      if (int part = d->pressed.Release(hwnd, PartAt(p)); part != kNone)
        d->result = part == kOk ? IDOK : IDCANCEL;
      return 0;
    case WM_KEYDOWN: {
      int at = d->pick < 0 ? 0 : d->pick;
      switch (wParam) {
        case VK_RETURN:
          d->result = d->focusButton == kCancel ? IDCANCEL : IDOK;
          break;
        case VK_ESCAPE:
          d->result = IDCANCEL;
          break;
        case VK_TAB:
          d->focusButton = d->focusButton == kOk ? kCancel : kOk;
          InvalidateRect(hwnd, nullptr, FALSE);
          break;
        case VK_LEFT:
          Pick(hwnd, *d, (at + 47) % 48);
          break;
        case VK_RIGHT:
          Pick(hwnd, *d, (at + 1) % 48);
          break;
        case VK_UP:
          Pick(hwnd, *d, (at + 48 - kColumns) % 48);
          break;
        case VK_DOWN:
          Pick(hwnd, *d, (at + kColumns) % 48);
          break;
        default:
          break;
      }
      return 0;
    }
    case WM_CLOSE:
      d->result = IDCANCEL;
      return 0;
    case automation::kAnswerDialogMessage:
      if (wParam == IDOK) d->color = COLORREF(lParam) & 0xFFFFFF;
      d->result = int(wParam);
      return 1;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

BOOL ChooseColor(CHOOSECOLOR* request) {
  if (!request) return FALSE;
  desktop::PresentIfAsked();
  // Nobody to answer: no script on this thread and no desktop on a display.
  if (!automation::ScriptRunning() && !desktop::PresentedScreens().size()) return FALSE;
  Dialog d;
  if (request->Flags & CC_RGBINIT) {
    d.color = request->rgbResult & 0xFFFFFF;
    const COLORREF* found = std::find(std::begin(kBasicColors), std::end(kBasicColors), d.color);
    if (found != std::end(kBasicColors)) d.pick = int(found - kBasicColors);
  }
  comdlg::ModalRequest modal;
  modal.className = automation::kColorDialogClass;
  modal.proc = DialogProc;
  modal.title = request->title ? request->title : "Color";
  modal.width = kClientW;
  modal.height = kClientH;
  modal.owner = request->hwndOwner;
  modal.data = &d;
  modal.done = [&] { return d.result != 0; };
  modal.cancel = [&] { d.result = IDCANCEL; };
  if (!comdlg::RunModal(modal)) return FALSE;
  if (d.result != IDOK) return FALSE;
  request->rgbResult = d.color;
  return TRUE;
}

}  // namespace tess::platform
