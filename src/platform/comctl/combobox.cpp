// "COMBOBOX" as a drop-down list: a field showing the selected row and a
// button; a click, F4 or Alt+Down drops the list ("ComboLBox", a topmost
// pop-up that never activates) below it, which holds the mouse capture
// while it is open. A click on a row chooses it; a click elsewhere closes
// the list. The keyboard works on the field: Up, Down, Home, End and a
// row's first letter choose at once while the list is closed and move the
// highlight while it is open, where Enter chooses and Esc closes. Choices by the user tell the
// parent CBN_SELCHANGE; CB_SETCURSEL does not.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"
#include "platform/user/classic_look.h"

namespace tess::platform::comctl {

namespace {

constexpr int kMostShown = 12;  // rows the list shows at once

struct Row {
  std::string text;
  LPARAM data = 0;
  bool separator() const { return text == "-"; }
};

struct Combo {
  std::vector<Row> rows;
  int selected = -1;
  int hot = -1;  // highlighted in the open list
  int top = 0;   // first row the open list shows
  HWND list = nullptr;
  HFONT font = nullptr;
  bool focused = false;
};

HFONT FontOf(const Combo& c) {
  return c.font ? c.font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int RowHeight(const Combo& c) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOf(c));
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  return tm.tmHeight + 2;
}

int Shown(const Combo& c) {
  return std::min<int>(int(c.rows.size()), kMostShown);
}

// The next row that can be chosen from `from` in `step` direction, or
// `from` when there is none.
int Choosable(const Combo& c, int from, int step) {
  for (int i = from + step; i >= 0 && i < int(c.rows.size()); i += step)
    if (!c.rows[size_t(i)].separator()) return i;
  return from;
}

void KeepHotShown(Combo& c) {
  if (c.hot < 0) return;
  if (c.hot < c.top) c.top = c.hot;
  if (c.hot >= c.top + kMostShown) c.top = c.hot - kMostShown + 1;
}

void CloseList(HWND hwnd, Combo& c) {
  if (!c.list) return;
  HWND list = std::exchange(c.list, nullptr);
  if (GetCapture() == list) ReleaseCapture();
  DestroyWindow(list);
  InvalidateRect(hwnd, nullptr, FALSE);
  NotifyParent(hwnd, CBN_CLOSEUP);
}

void Choose(HWND hwnd, Combo& c, int row) {
  if (row < 0 || row >= int(c.rows.size()) || c.rows[size_t(row)].separator()) return;
  bool changed = row != c.selected;
  c.selected = row;
  InvalidateRect(hwnd, nullptr, FALSE);
  if (changed) NotifyParent(hwnd, CBN_SELCHANGE);
}

void OpenList(HWND hwnd, Combo& c) {
  if (c.list || c.rows.empty()) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  if (!IsWindow(hwnd)) return;
  RECT r;
  GetWindowRect(hwnd, &r);
  int height = Shown(c) * RowHeight(c) + 2;
  // Below the field, or above it when the screen ends first.
  int y = r.bottom;
  if (y + height > GetSystemMetrics(SM_CYSCREEN) && r.top - height >= 0) y = r.top - height;
  c.hot = c.selected >= 0 ? c.selected : Choosable(c, -1, 1);
  c.top = 0;
  KeepHotShown(c);
  c.list = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "ComboLBox", "", WS_POPUP, r.left, y,
                          r.right - r.left, height, hwnd, nullptr, nullptr, nullptr);
  if (!c.list) return;
  SetWindowLong(c.list, 0, LONG(reinterpret_cast<uintptr_t>(hwnd)));
  SetWindowPos(c.list, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetCapture(c.list);
  InvalidateRect(hwnd, nullptr, FALSE);
}

RECT ButtonRect(const RECT& client) {
  int w = GetSystemMetrics(SM_CXVSCROLL);
  return RECT{client.right - 2 - w, client.top + 2, client.right - 2, client.bottom - 2};
}

void PaintField(HWND hwnd, Combo& c) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  bool enabled = IsWindowEnabled(hwnd);
  RECT edge = r;
  DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(dc, &edge, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  RECT button = ButtonRect(r);
  DrawFrameControl(
      dc, &button, DFC_SCROLL,
      DFCS_SCROLLDOWN | (c.list ? UINT(DFCS_PUSHED) : 0u) | (enabled ? 0u : UINT(DFCS_INACTIVE)));
  RECT field{edge.left + 1, edge.top + 1, button.left - 1, edge.bottom - 1};
  HGDIOBJ old = SelectObject(dc, FontOf(c));
  SetBkMode(dc, TRANSPARENT);
  bool marked = c.focused && !c.list && enabled;
  if (marked) FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
  SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT
                               : marked ? COLOR_HIGHLIGHTTEXT
                                        : COLOR_WINDOWTEXT));
  if (c.selected >= 0) {
    RECT text = field;
    text.left += 2;
    const std::string& s = c.rows[size_t(c.selected)].text;
    DrawText(dc, s.data(), int(s.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (marked) DrawFocusRect(dc, &field);
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

void PaintList(HWND list, HWND combo, Combo& c) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(list, &ps);
  RECT r;
  GetClientRect(list, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &r, GetStockObject(BLACK_BRUSH));
  HGDIOBJ old = SelectObject(dc, FontOf(c));
  SetBkMode(dc, TRANSPARENT);
  int h = RowHeight(c);
  for (int i = 0; i < kMostShown && c.top + i < int(c.rows.size()); ++i) {
    const Row& row = c.rows[size_t(c.top + i)];
    RECT line{r.left + 1, r.top + 1 + i * h, r.right - 1, r.top + 1 + (i + 1) * h};
    if (row.separator()) {
      RECT mid{line.left + 2, (line.top + line.bottom) / 2 - 1, line.right - 2, 0};
      mid.bottom = mid.top + 2;
      DrawEdge(dc, &mid, EDGE_ETCHED, BF_TOP);
      continue;
    }
    bool hot = c.top + i == c.hot;
    if (hot) FillRect(dc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = line;
    text.left += 2;
    DrawText(dc, row.text.data(), int(row.text.size()), &text,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  SelectObject(dc, old);
  EndPaint(list, &ps);
  (void)combo;
}

int RowAt(HWND list, Combo& c, POINT p) {
  RECT r;
  GetClientRect(list, &r);
  if (!PtInRect(&r, p)) return -1;
  int i = c.top + (p.y - 1) / RowHeight(c);
  return i >= 0 && i < int(c.rows.size()) ? i : -1;
}

LRESULT ListProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND combo = reinterpret_cast<HWND>(uintptr_t(uint32_t(GetWindowLong(list, 0))));
  Combo* c = combo ? StateOf<Combo>(combo) : nullptr;
  if (!c || c->list != list) return DefWindowProc(list, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT:
      PaintList(list, combo, *c);
      return 0;
    case WM_MOUSEMOVE: {
      int row = RowAt(list, *c, p);
      if (row >= 0 && row != c->hot && !c->rows[size_t(row)].separator()) {
        c->hot = row;
        InvalidateRect(list, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (RowAt(list, *c, p) < 0) CloseList(combo, *c);
      return 0;
    case WM_LBUTTONUP: {
      int row = RowAt(list, *c, p);
      if (row < 0 || c->rows[size_t(row)].separator()) return 0;
      CloseList(combo, *c);
      Choose(combo, *c, row);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      int most = std::max(0, int(c->rows.size()) - kMostShown);
      c->top = std::clamp(c->top - int(int16_t(HIWORD(wParam))) / WHEEL_DELTA * 3, 0, most);
      InvalidateRect(list, nullptr, FALSE);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != list) CloseList(combo, *c);
      return 0;
    default:
      return DefWindowProc(list, msg, wParam, lParam);
  }
}

void Key(HWND hwnd, Combo& c, WPARAM vk) {
  bool open = c.list != nullptr;
  int& at = open ? c.hot : c.selected;
  int to = at;
  switch (int(vk)) {
    case VK_UP:
      to = Choosable(c, at, -1);
      break;
    case VK_DOWN:
      to = Choosable(c, at, 1);
      break;
    case VK_HOME:
      to = Choosable(c, -1, 1);
      break;
    case VK_END:
      to = Choosable(c, int(c.rows.size()), -1);
      break;
    case VK_F4:
      open ? CloseList(hwnd, c) : OpenList(hwnd, c);
      return;
    case VK_RETURN:
      if (open) {
        int row = c.hot;
        CloseList(hwnd, c);
        Choose(hwnd, c, row);
      }
      return;
    case VK_ESCAPE:
      CloseList(hwnd, c);
      return;
    default:
      return;
  }
  if (to < 0 || to == at) return;
  if (open) {
    c.hot = to;
    KeepHotShown(c);
    InvalidateRect(c.list, nullptr, FALSE);
  } else {
    Choose(hwnd, c, to);
  }
}

// A typed character moves to the next row that starts with it (letter case
// aside), wrapping: chosen at once while the list is closed, highlighted
// while it is open.
void TypeAhead(HWND hwnd, Combo& c, char typed) {
  auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch; };
  if (uint8_t(typed) < ' ' || c.rows.empty()) return;
  int n = int(c.rows.size());
  int from = c.list ? c.hot : c.selected;
  for (int step = 1; step <= n; ++step) {
    int i = ((from < 0 ? -1 : from) + step + n) % n;
    const Row& row = c.rows[size_t(i)];
    if (row.separator() || row.text.empty() || lower(row.text[0]) != lower(typed)) continue;
    if (c.list) {
      c.hot = i;
      KeepHotShown(c);
      InvalidateRect(c.list, nullptr, FALSE);
    } else {
      Choose(hwnd, c, i);
    }
    return;
  }
}

LRESULT ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Combo* c) {
  auto index = [&](WPARAM w) { return int(int32_t(uint32_t(w))); };
  auto text = [](LPARAM l) { return std::string(l ? reinterpret_cast<const char*>(l) : ""); };
  switch (msg) {
    case WM_NCDESTROY:
      CloseList(hwnd, *c);
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | (c->list ? DLGC_WANTALLKEYS : 0);
    case WM_PAINT:
      PaintField(hwnd, *c);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd) || !(c = StateOf<Combo>(hwnd))) return 0;
      c->list ? CloseList(hwnd, *c) : OpenList(hwnd, *c);
      return 0;
    case WM_KEYDOWN:
      Key(hwnd, *c, wParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == WPARAM(VK_DOWN) || wParam == WPARAM(VK_UP)) {
        c->list ? CloseList(hwnd, *c) : OpenList(hwnd, *c);
        return 0;
      }
      break;
    case WM_CHAR:
      TypeAhead(hwnd, *c, char(wParam));
      return 0;
    case WM_SETFOCUS:
      c->focused = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyParent(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      c->focused = false;
      CloseList(hwnd, *c);
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyParent(hwnd, CBN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      if (!wParam) CloseList(hwnd, *c);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      c->font = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(c->font);
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      int at = msg == CB_ADDSTRING ? int(c->rows.size()) : index(wParam);
      if (at == -1) at = int(c->rows.size());
      if (at < 0 || at > int(c->rows.size())) return CB_ERR;
      if (int(c->rows.size()) >= kComboMaxRows) return CB_ERRSPACE;
      c->rows.insert(c->rows.begin() + at, Row{text(lParam)});
      if (c->selected >= at) ++c->selected;
      if (c->list) InvalidateRect(c->list, nullptr, FALSE);
      return at;
    }
    case CB_DELETESTRING: {
      int at = index(wParam);
      if (at < 0 || at >= int(c->rows.size())) return CB_ERR;
      CloseList(hwnd, *c);
      c->rows.erase(c->rows.begin() + at);
      if (c->selected == at) c->selected = -1;
      if (c->selected > at) --c->selected;
      InvalidateRect(hwnd, nullptr, FALSE);
      return LRESULT(c->rows.size());
    }
    case CB_RESETCONTENT:
      CloseList(hwnd, *c);
      c->rows.clear();
      c->selected = -1;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case CB_GETCOUNT:
      return LRESULT(c->rows.size());
    case CB_GETCURSEL:
      return c->selected;
    case CB_SETCURSEL: {
      int at = index(wParam);
      bool valid = at >= 0 && at < int(c->rows.size());
      c->selected = valid ? at : -1;
      InvalidateRect(hwnd, nullptr, FALSE);
      return valid ? at : CB_ERR;
    }
    case CB_GETLBTEXTLEN:
    case CB_GETLBTEXT: {
      int at = index(wParam);
      if (at < 0 || at >= int(c->rows.size())) return CB_ERR;
      const std::string& s = c->rows[size_t(at)].text;
      if (msg == CB_GETLBTEXT && lParam)
        std::copy(s.c_str(), s.c_str() + s.size() + 1, reinterpret_cast<char*>(lParam));
      return LRESULT(s.size());
    }
    case CB_GETITEMDATA:
    case CB_SETITEMDATA: {
      int at = index(wParam);
      if (at < 0 || at >= int(c->rows.size())) return CB_ERR;
      if (msg == CB_SETITEMDATA) c->rows[size_t(at)].data = lParam;
      return c->rows[size_t(at)].data;
    }
    case CB_SHOWDROPDOWN:
      wParam ? OpenList(hwnd, *c) : CloseList(hwnd, *c);
      return 1;
    case CB_GETDROPPEDSTATE:
      return c->list ? 1 : 0;
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

bool RegisterComboClasses() {
  return RegisterControlClass("COMBOBOX", &WithState<Combo, &ComboProc>) &&
         RegisterControlClass("ComboLBox", &ListProc, CS_SAVEBITS);
}

}  // namespace tess::platform::comctl
