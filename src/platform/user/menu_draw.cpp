// Where menu items go and what they show: titles side by side on the bar,
// items one under another in a pop-up (a check column, the text with its
// underlined mnemonic, the shortcut text right-aligned, the submenu arrow).
// The chrome (pop-up frame, etched separators, raised and sunken titles,
// check marks, arrows) comes from the classic look; this file draws text.
#include <algorithm>

#include "platform/user/classic_look.h"
#include "platform/user/menu_internal.h"

namespace tess::platform::user {

namespace {

// A context to measure in, with the menu font chosen.
struct Measure {
  HDC dc = CreateCompatibleDC(nullptr);
  Measure() { SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT)); }
  ~Measure() { DeleteDC(dc); }
  int Width(const std::string& text) const {
    if (text.empty()) return 0;
    RECT r{0, 0, 0, 0};
    DrawText(dc, text.data(), int(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return r.right - r.left;
  }
};

// Text in the item's colours; grey text that the item cannot be chosen
// shows embossed, as the classic look does, unless it is highlighted.
void ItemText(HDC dc, const std::string& text, RECT r, UINT format, bool enabled, bool hilite) {
  if (text.empty()) return;
  format |= DT_SINGLELINE | DT_VCENTER;
  if (!enabled && !hilite) {
    RECT shadow = r;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawText(dc, text.data(), int(text.size()), &shadow, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  } else {
    SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT
                                 : hilite ? COLOR_HIGHLIGHTTEXT
                                          : COLOR_MENUTEXT));
  }
  DrawText(dc, text.data(), int(text.size()), &r, format);
}

}  // namespace

void SplitMenuText(const std::string& text, std::string* label, std::string* shortcut) {
  size_t tab = text.find('\t');
  *label = text.substr(0, tab);
  *shortcut = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

char MnemonicOf(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size() && text[i] != '\t'; ++i) {
    if (text[i] != '&') continue;
    char c = text[++i];
    if (c == '&') continue;  // "&&" is an ampersand
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
  }
  return 0;
}

PopupLayout LayoutPopup(const Menu& menu) {
  Measure m;
  int labels = 0, shortcuts = 0;
  for (const MenuItem& it : menu.items) {
    std::string label, shortcut;
    SplitMenuText(it.text, &label, &shortcut);
    labels = std::max(labels, m.Width(label));
    shortcuts = std::max(shortcuts, m.Width(shortcut));
  }
  int width =
      kMenuCheckColumn + labels + (shortcuts ? kMenuShortcutGap + shortcuts : 0) + kMenuArrowColumn;
  PopupLayout out;
  int y = 0;
  for (const MenuItem& it : menu.items) {
    int h = it.separator() ? kMenuSeparatorHeight : kMenuItemHeight;
    out.items.push_back({0, y, width, y + h});
    y += h;
  }
  out.size = {width, std::max(y, 2)};
  return out;
}

std::vector<RECT> LayoutBar(const Menu& menu, int width) {
  Measure m;
  std::vector<RECT> out;
  int x = 0, y = 0, h = GetSystemMetrics(SM_CYMENU);
  for (const MenuItem& it : menu.items) {
    std::string label, shortcut;
    SplitMenuText(it.text, &label, &shortcut);
    int w = it.separator() ? 0 : m.Width(label) + 2 * kMenuBarPadding;
    if (x > 0 && x + w > width) x = 0, y += h;
    out.push_back({x, y + 1, x + w, y + h - 1});
    x += w;
  }
  return out;
}

int BarHeight(const Menu& menu, int width) {
  // An empty bar still takes one row.
  std::vector<RECT> titles = LayoutBar(menu, width);
  return titles.empty() ? GetSystemMetrics(SM_CYMENU) : titles.back().bottom + 1;
}

bool HasMenuBar(const Window* w) {
  return w && w->menu && !w->child() && w->topLevel() && LookupMenu(w->menu) &&
         !(w->style & WS_MINIMIZE);
}

namespace {
// The frame and caption above and beside the bar (the client edge is below it).
RECT BarInsets(const Window* w) {
  return NonClientInsets(w->style, w->exStyle & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), false);
}
}  // namespace

int MenuBarHeight(const Window* w, int windowWidth) {
  if (!HasMenuBar(w)) return 0;
  RECT in = BarInsets(w);
  return BarHeight(*LookupMenu(w->menu), std::max<int>(0, windowWidth - in.left - in.right));
}

RECT MenuBarRect(const Window* w) {
  if (!HasMenuBar(w)) return {};
  RECT in = BarInsets(w);
  int width = w->rect.right - w->rect.left;
  return {in.left, in.top, std::max<int>(in.left, width - in.right),
          in.top + MenuBarHeight(w, width)};
}

void PaintPopupItems(HDC dc, const Menu& menu, int selected) {
  PopupLayout layout = LayoutPopup(menu);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const MenuItem& it = menu.items[i];
    RECT r = layout.items[i];
    if (it.separator()) {
      RECT line{r.left + 1, r.top + kMenuSeparatorHeight / 2 - 1, r.right - 1, r.bottom};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    bool hilite = int(i) == selected;
    FillRect(dc, &r, GetSysColorBrush(hilite ? COLOR_HIGHLIGHT : COLOR_MENU));
    UINT glyphState = it.enabled() ? 0u : UINT(DFCS_INACTIVE);
    if (hilite) glyphState |= DFCS_HOT;
    if (it.state & MFS_CHECKED) {
      RECT check{r.left, r.top, r.left + kMenuCheckColumn, r.bottom};
      DrawFrameControl(
          dc, &check, DFC_MENU,
          ((it.type & MFT_RADIOCHECK) ? DFCS_MENUBULLET : DFCS_MENUCHECK) | glyphState);
    }
    if (it.sub) {
      RECT arrow{r.right - kMenuArrowColumn, r.top, r.right, r.bottom};
      DrawFrameControl(dc, &arrow, DFC_MENU, DFCS_MENUARROW | glyphState);
    }
    std::string label, shortcut;
    SplitMenuText(it.text, &label, &shortcut);
    RECT text{r.left + kMenuCheckColumn, r.top, r.right - kMenuArrowColumn, r.bottom};
    ItemText(dc, label, text, DT_LEFT, it.enabled(), hilite);
    ItemText(dc, shortcut, text, DT_RIGHT | DT_NOPREFIX, it.enabled(), hilite);
  }
  SelectObject(dc, oldFont);
}

void PaintBarItems(HDC dc, const Menu& menu, const RECT& bar, bool, int selected, bool open) {
  FillRect(dc, &bar, GetSysColorBrush(COLOR_MENU));
  std::vector<RECT> titles = LayoutBar(menu, bar.right - bar.left);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const MenuItem& it = menu.items[i];
    if (it.separator()) continue;
    RECT r = titles[i];
    OffsetRect(&r, bar.left, bar.top);
    if (int(i) == selected) {
      // A title whose menu is open looks pressed; one chosen by the keyboard, raised.
      RECT edge = r;
      DrawEdge(dc, &edge, open ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      if (open) OffsetRect(&r, 1, 1);
    }
    std::string label, shortcut;
    SplitMenuText(it.text, &label, &shortcut);
    ItemText(dc, label, r, DT_CENTER, it.enabled(), false);
  }
  RestoreDC(dc, saved);
}

}  // namespace tess::platform::user
