// "SysTabControl32": tabs in one row along the top, each as wide as its
// text and a margin; the selected one stands two pixels higher and wider,
// joined to the body's raised frame.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "platform/comctl/controls_internal.h"
#include "platform/user/classic_look.h"

namespace tess::platform::comctl {

namespace {

struct Tabs {
  std::vector<std::string> captions;
  std::vector<LPARAM> data;
  int selected = -1;
  HFONT font = nullptr;
  bool focused = false;
};

HFONT FontOf(const Tabs& t) {
  return t.font ? t.font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int RowHeight(HDC dc) {
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  return tm.tmHeight + 6;
}

// The tabs' rectangles, unselected size, left to right.
std::vector<RECT> Layout(HDC dc, const Tabs& t) {
  std::vector<RECT> out;
  int x = 2, h = RowHeight(dc);
  for (const std::string& c : t.captions) {
    RECT m{0, 0, 0, 0};
    DrawText(dc, c.data(), int(c.size()), &m, DT_SINGLELINE | DT_CALCRECT);
    int w = m.right + 12;
    out.push_back(RECT{x, 2, x + w, h});
    x += w;
  }
  return out;
}

int TabAt(HWND hwnd, Tabs& t, POINT p) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOf(t));
  std::vector<RECT> tabs = Layout(dc, t);
  SelectObject(dc, old);
  DeleteDC(dc);
  for (size_t i = 0; i < tabs.size(); ++i) {
    RECT r = tabs[i];
    if (int(i) == t.selected) InflateRect(&r, 2, 2);
    if (PtInRect(&r, p)) return int(i);
  }
  (void)hwnd;
  return -1;
}

LRESULT Notify(HWND hwnd, UINT code) {
  HWND parent = GetParent(hwnd);
  if (!parent) return 0;
  NMHDR n{hwnd, uintptr_t(uint32_t(GetWindowLong(hwnd, GWL_ID))), code};
  return SendMessage(parent, WM_NOTIFY, n.idFrom, reinterpret_cast<LPARAM>(&n));
}

void SelectByUser(HWND hwnd, Tabs& t, int tab) {
  if (tab < 0 || tab >= int(t.captions.size()) || tab == t.selected) return;
  if (Notify(hwnd, TCN_SELCHANGING)) return;
  Tabs* now = StateOf<Tabs>(hwnd);
  if (!now || tab >= int(now->captions.size())) return;
  now->selected = tab;
  InvalidateRect(hwnd, nullptr, FALSE);
  Notify(hwnd, TCN_SELCHANGE);
}

void Paint(HWND hwnd, Tabs& t) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  HGDIOBJ old = SelectObject(dc, FontOf(t));
  int h = RowHeight(dc);
  // Only the tab row is filled; the body's inside belongs to the page.
  RECT row{r.left, r.top, r.right, h};
  HBRUSH background = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &row, background);
  RECT body{r.left, h, r.right, r.bottom};
  DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
  std::vector<RECT> tabs = Layout(dc, t);
  UINT face = IsWindowEnabled(hwnd) ? 0u : UINT(user::kFaceDisabled);
  for (size_t i = 0; i < tabs.size(); ++i) {
    RECT tab = tabs[i];
    bool selected = int(i) == t.selected;
    if (selected) {
      tab.left -= 2, tab.right += 2, tab.top -= 2, tab.bottom += 1;
    }
    RECT face3d = tab;
    DrawEdge(dc, &face3d, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
    RECT inside{tab.left + 2, tab.top + 2, tab.right - 2, tab.bottom};
    FillRect(dc, &inside, GetSysColorBrush(COLOR_BTNFACE));
    RECT label{tab.left, tab.top + 1, tab.right, tab.bottom - 1};
    if (selected) {
      // The selected tab opens into the body: no line between them.
      RECT join{tab.left + 2, h, tab.right - 2, h + 2};
      FillRect(dc, &join, GetSysColorBrush(COLOR_BTNFACE));
    }
    const std::string& c = t.captions[i];
    user::PaintLabel(dc, label, c, DT_CENTER | DT_VCENTER | DT_SINGLELINE, face);
    if (selected && t.focused) {
      RECT f = label;
      InflateRect(&f, -3, -2);
      DrawFocusRect(dc, &f);
    }
  }
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

LRESULT TabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Tabs* t) {
  int index = int(int32_t(uint32_t(wParam)));
  auto* item = reinterpret_cast<TCITEM*>(lParam);
  switch (msg) {
    case WM_NCHITTEST: {
      // The body lets clicks through to the window beneath it.
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd, &p);
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, FontOf(*t));
      int h = RowHeight(dc);
      SelectObject(dc, old);
      DeleteDC(dc);
      return p.y < h ? HTCLIENT : HTTRANSPARENT;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_PAINT:
      Paint(hwnd, *t);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int tab = TabAt(hwnd, *t, p);
      if (tab < 0) return 0;
      if (GetWindowLong(hwnd, GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd);
      if ((t = StateOf<Tabs>(hwnd))) SelectByUser(hwnd, *t, tab);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == WPARAM(VK_LEFT) || wParam == WPARAM(VK_RIGHT)) {
        int n = int(t->captions.size());
        if (n) SelectByUser(hwnd, *t, (t->selected + (wParam == WPARAM(VK_LEFT) ? n - 1 : 1)) % n);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      t->focused = msg == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      t->font = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(t->font);
    case TCM_GETITEMCOUNT:
      return LRESULT(t->captions.size());
    case TCM_INSERTITEM: {
      if (!item || index < 0) return -1;
      size_t at = std::min(size_t(index), t->captions.size());
      t->captions.insert(t->captions.begin() + long(at),
                         (item->mask & TCIF_TEXT) && item->pszText ? item->pszText : "");
      t->data.insert(t->data.begin() + long(at), item->lParam);
      if (t->selected < 0)
        t->selected = 0;
      else if (t->selected >= int(at))
        ++t->selected;
      InvalidateRect(hwnd, nullptr, FALSE);
      return LRESULT(at);
    }
    case TCM_SETITEM:
    case TCM_GETITEM: {
      if (!item || index < 0 || index >= int(t->captions.size())) return 0;
      std::string& c = t->captions[size_t(index)];
      if (msg == TCM_SETITEM) {
        if ((item->mask & TCIF_TEXT) && item->pszText) c = item->pszText;
        InvalidateRect(hwnd, nullptr, FALSE);
      } else if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t n = std::min(c.size(), size_t(item->cchTextMax - 1));
        std::memcpy(item->pszText, c.data(), n);
        item->pszText[n] = 0;
      }
      return 1;
    }
    case TCM_DELETEITEM:
      if (index < 0 || index >= int(t->captions.size())) return 0;
      t->captions.erase(t->captions.begin() + index);
      t->data.erase(t->data.begin() + index);
      if (t->selected == index)
        t->selected = t->captions.empty() ? -1 : 0;
      else if (t->selected > index)
        --t->selected;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 1;
    case TCM_DELETEALLITEMS:
      t->captions.clear();
      t->data.clear();
      t->selected = -1;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 1;
    case TCM_GETCURSEL:
      return t->selected;
    case TCM_SETCURSEL: {
      if (index < 0 || index >= int(t->captions.size())) return -1;
      int old = t->selected;
      t->selected = index;
      InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case TCM_ADJUSTRECT: {
      // The display area of a window rectangle (wParam FALSE), or back.
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return 0;
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, FontOf(*t));
      int h = RowHeight(dc);
      SelectObject(dc, old);
      DeleteDC(dc);
      int d = wParam ? -1 : 1;
      r->left += 2 * d, r->right -= 2 * d, r->top += (h + 2) * d, r->bottom -= 2 * d;
      return 0;
    }
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

bool RegisterTabClass() {
  return RegisterControlClass("SysTabControl32", &WithState<Tabs, &TabProc>);
}

}  // namespace tess::platform::comctl
