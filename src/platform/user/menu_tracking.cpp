// Tracking a menu: the bar of a window or a pop-up from TrackPopupMenu,
// with its pop-ups as top-level windows of their own ("#32768"), driven by
// the mouse and the keyboard as the classic look's menus are. The tracker
// is a state machine fed by raw input before any window sees it, so a
// headless script that clicks a title and then an item drives it exactly
// as a hand would; only TrackPopupMenu waits, in a loop of its own.
//
// States and the moves between them:
//   Idle  nothing is tracked.
//   Bar   a title of a window's bar is selected, no menu open (Alt or F10
//         pressed alone; Esc from the first pop-up).
//   Open  a chain of pop-ups is open, from a bar title or TrackPopupMenu;
//         the deepest has the keyboard.
//   Idle -> Bar   SC_KEYMENU without a letter.
//   Idle -> Open  a press on a title (SC_MOUSEMENU), SC_KEYMENU with a
//                 title's mnemonic, TrackPopupMenu(Ex), the system menu
//                 (SC_MOUSEMENU on the caption icon, SC_KEYMENU with Space).
//   Bar -> Open   Down, Up, Enter or a title's mnemonic; a press on a title.
//   Open -> Bar   Esc in the pop-up under the bar.
//   any -> Idle   Esc on the bar or in a lone pop-up, Alt or F10, a press
//                 outside every menu (eaten), a press on the open title, a
//                 choice, EndMenu, the owner's destruction.
// Keys in a pop-up: Up and Down move over the items (separators skipped,
// disabled items may be selected but never chosen), Right opens a submenu
// or goes to the next title, Left closes a cascade or goes to the previous
// title, Enter opens or chooses, a mnemonic letter chooses the one item
// that has it (or moves over several), anything else is ignored. A pop-up
// item under the pointer opens its submenu at once.
// The messages the owner hears are listed in menu.h. A handler may change
// or destroy menus and windows while they arrive: the tracker checks what
// it holds after every message it sends.
//
// The window's system menu is a pop-up of this kind too, whose choice goes
// to the window as WM_SYSCOMMAND.
//
// Not done: moving from the bar to the system menu with Left, scrolling pop-ups taller than the
// screen, WM_MENUCHAR, WM_UNINITMENUPOPUP, WM_ENTERIDLE, owner-drawn and bitmap items.
#include <algorithm>

#include "platform/user/automation.h"
#include "platform/user/classic_look.h"
#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace user {

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

// The classic pop-up frame is a dialog frame: a raised edge and a face ring.
constexpr DWORD kPopupStyle = WS_POPUP | WS_DLGFRAME;
constexpr DWORD kPopupExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr char kPopupClass[] = "#32768";

struct Level {
  HMENU menu = nullptr;
  HWND window = nullptr;  // the pop-up; none for the bar
  int selected = -1;
};

struct Tracker {
  bool active = false;
  unsigned serial = 0;  // which tracking a loop or a handler belongs to
  HWND owner = nullptr;
  bool bar = false;  // levels[0] is the owner's bar
  bool modal = false;
  UINT flags = 0;       // TPM_ flags of a pop-up
  bool system = false;  // the window's system menu: commands go as WM_SYSCOMMAND
  DWORD opened = 0;     // when, for a double click on the caption icon
  std::vector<Level> levels;
  bool chosen = false;
  UINT command = 0;
} g;

bool Notifying() {
  return !(g.flags & TPM_NONOTIFY);
}

void End();

// Whatever a handler did, the tracker still holds live things afterwards;
// false when tracking stopped (or another one started).
bool Check(unsigned serial) {
  if (!g.active || g.serial != serial) return false;
  if (!IsWindow(g.owner)) {
    End();
    return false;
  }
  if (g.bar && GetMenu(g.owner) != g.levels[0].menu) {
    End();
    return false;
  }
  for (size_t i = 0; i < g.levels.size(); ++i) {
    Level& l = g.levels[i];
    Menu* m = LookupMenu(l.menu);
    if (!m || (l.window && !IsWindow(l.window))) {
      if (i == 0) {
        End();
        return false;
      }
      for (size_t j = i; j < g.levels.size(); ++j)
        if (IsWindow(g.levels[j].window)) DestroyWindow(g.levels[j].window);
      g.levels.resize(i);
      break;
    }
    if (l.selected >= int(m->items.size())) l.selected = -1;
  }
  return true;
}

bool Send(UINT msg, WPARAM wParam, LPARAM lParam) {
  unsigned serial = g.serial;
  if (Notifying()) SendMessage(g.owner, msg, wParam, lParam);
  return Check(serial);
}

const MenuItem* ItemAt(size_t level, int index) {
  Menu* m = LookupMenu(g.levels[level].menu);
  if (!m || index < 0 || size_t(index) >= m->items.size()) return nullptr;
  return &m->items[size_t(index)];
}

void Repaint(size_t level) {
  if (HWND w = g.levels[level].window) InvalidateRect(w, nullptr, TRUE);
}

bool Select(size_t level, int index, bool mouse) {
  Level& l = g.levels[level];
  const MenuItem* it = ItemAt(level, index);
  if (!it || it->separator()) index = -1, it = nullptr;
  if (l.selected == index) return true;
  l.selected = index;
  Repaint(level);
  if (!it) return true;
  UINT flags = MF_HILITE | (it->sub ? UINT(MF_POPUP) : 0u) | (mouse ? UINT(MF_MOUSESELECT) : 0u) |
               (it->enabled() ? 0u : UINT(MF_GRAYED | MF_DISABLED)) | (it->state & MFS_CHECKED) |
               (g.system ? UINT(MF_SYSMENU) : 0u);
  UINT id = it->sub ? UINT(index) : it->id;
  return Send(WM_MENUSELECT, MAKELPARAM(id, flags), reinterpret_cast<LPARAM>(l.menu));
}

void CloseFrom(size_t level) {
  while (g.levels.size() > level) {
    HWND w = g.levels.back().window;
    g.levels.pop_back();
    if (IsWindow(w)) DestroyWindow(w);
  }
}

// The first item from `from` on, going `step`, that is not a separator.
int NextItem(size_t level, int from, int step) {
  Menu* m = LookupMenu(g.levels[level].menu);
  int n = m ? int(m->items.size()) : 0;
  for (int k = 0, i = from; k < n; ++k, i += step) {
    i = ((i % n) + n) % n;
    if (!m->items[size_t(i)].separator()) return i;
  }
  return -1;
}

HWND ShowPopup(HMENU menu, POINT at, UINT align, const RECT* avoid, int cascadeLeft) {
  static const bool registered = [] {
    WNDCLASS wc;
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = PopupProc;
    wc.cbWndExtra = 4;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    wc.lpszClassName = kPopupClass;
    return RegisterClass(&wc) != 0;
  }();
  Menu* m = LookupMenu(menu);
  if (!registered || !m) return nullptr;
  SIZE size = LayoutPopup(*m).size;
  RECT frame{0, 0, size.cx, size.cy};
  AdjustWindowRectEx(&frame, kPopupStyle, FALSE, kPopupExStyle);
  int w = frame.right - frame.left, h = frame.bottom - frame.top;
  int x = at.x, y = at.y;
  if (align & TPM_CENTERALIGN) x -= w / 2;
  if (align & TPM_RIGHTALIGN) x -= w;
  if (align & TPM_VCENTERALIGN) y -= h / 2;
  if (align & TPM_BOTTOMALIGN) y -= h;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  // Kept on the screen: a cascade that does not fit on the right opens to
  // the left of its parent; a menu under a title that does not fit below
  // it goes above.
  if (x + w > sw) x = cascadeLeft >= 0 ? cascadeLeft - w : sw - w;
  if (y + h > sh) y = avoid ? avoid->top - h : sh - h;
  x = std::max(0, x), y = std::max(0, y);
  HWND popup = CreateWindowEx(kPopupExStyle, kPopupClass, "", kPopupStyle, x, y, w, h, g.owner,
                              nullptr, nullptr, nullptr);
  if (!popup) return nullptr;
  SetWindowLong(popup, 0, LONG(reinterpret_cast<intptr_t>(menu)));
  ShowWindow(popup, SW_SHOWNA);
  return popup;
}

// Opens the submenu of the selected item of `level`.
bool OpenSelected(size_t level, bool selectFirst) {
  unsigned serial = g.serial;
  int index = g.levels[level].selected;
  const MenuItem* it = ItemAt(level, index);
  if (!it || !it->sub || !it->enabled()) return false;
  CloseFrom(level + 1);
  HMENU sub = it->sub;
  if (!Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(index, 0))) return false;
  if (g.levels.size() != level + 1 || g.levels[level].selected != index ||
      !(it = ItemAt(level, index)) || it->sub != sub)
    return false;
  POINT at;
  RECT avoid;
  int cascadeLeft = -1;
  if (!g.levels[level].window) {
    // Below the title's row of the bar.
    RECT title;
    GetMenuItemRect(g.owner, g.levels[level].menu, UINT(index), &title);
    at = {title.left, title.bottom + 1};
    avoid = {title.left, title.top - 1, title.right, title.bottom + 1};
  } else {
    RECT item, parent;
    GetMenuItemRect(g.owner, g.levels[level].menu, UINT(index), &item);
    GetWindowRect(g.levels[level].window, &parent);
    int edge = GetSystemMetrics(SM_CXDLGFRAME);
    at = {parent.right - edge, item.top - edge};
    cascadeLeft = parent.left + edge;
  }
  HWND popup = ShowPopup(sub, at, 0, g.levels[level].window ? nullptr : &avoid, cascadeLeft);
  if (!popup || !Check(serial)) return false;
  g.levels.push_back(Level{sub, popup, -1});
  if (selectFirst) return Select(level + 1, NextItem(level + 1, 0, 1), false);
  return true;
}

void Start(HWND owner, bool bar, HMENU root, UINT flags, bool modal) {
  if (GetCapture()) ReleaseCapture();
  g.active = true;
  ++g.serial;
  g.owner = owner;
  g.bar = bar;
  g.modal = modal;
  g.flags = flags;
  g.system = false;
  g.opened = GetTickCount();
  g.levels = {Level{root, nullptr, -1}};
  g.chosen = false;
  g.command = 0;
  if (Send(WM_ENTERMENULOOP, modal ? 1 : 0, 0))
    Send(WM_INITMENU, reinterpret_cast<WPARAM>(root), 0);
}

void End() {
  if (!g.active) return;
  HWND owner = g.owner;
  bool notify = Notifying() && IsWindow(owner), modal = g.modal;
  bool post = g.chosen && !(g.flags & TPM_RETURNCMD), system = g.system;
  UINT command = g.command;
  CloseFrom(0);
  g.active = false;
  if (notify) {
    SendMessage(owner, WM_MENUSELECT, MAKELPARAM(0, 0xFFFF), 0);
    if (IsWindow(owner)) SendMessage(owner, WM_EXITMENULOOP, modal ? 1 : 0, 0);
  }
  if (post && IsWindow(owner))
    PostMessage(owner, system ? WM_SYSCOMMAND : WM_COMMAND,
                system ? command : MAKELPARAM(command, 0), 0);
  // A waiting TrackPopupMenu must wake up to see that it is over.
  if (modal) PostMessage(nullptr, WM_NULL, 0, 0);
}

void Choose(size_t level, int index) {
  const MenuItem* it = ItemAt(level, index);
  if (!it || it->separator() || it->sub || !it->enabled()) return;
  g.chosen = true;
  g.command = it->id;
  End();
}

// The title of a window's bar under a screen point, or -1.
int TitleAt(HWND owner, HMENU menu, POINT p) {
  Window* w = Lookup(owner);
  Menu* m = LookupMenu(menu);
  if (!w || !m) return -1;
  RECT frame = ScreenRect(w), bar = MenuBarRect(w);
  OffsetRect(&bar, frame.left, frame.top);
  if (!PtInRect(&bar, p)) return -1;
  std::vector<RECT> titles = LayoutBar(*m, bar.right - bar.left);
  for (size_t i = 0; i < titles.size(); ++i) {
    RECT r = titles[i];
    OffsetRect(&r, bar.left, bar.top);
    InflateRect(&r, 0, 1);  // the whole row
    if (PtInRect(&r, p) && !m->items[i].separator()) return int(i);
  }
  return -1;
}

// Where a screen point falls: the deepest pop-up under it and its item.
struct Spot {
  int level = -1;  // -1: outside every pop-up
  int item = -1;
  bool onBar = false;
};
Spot SpotAt(POINT p) {
  Spot s;
  for (int i = int(g.levels.size()) - 1; i >= 0; --i) {
    HWND w = g.levels[size_t(i)].window;
    RECT r;
    if (!w || !GetWindowRect(w, &r) || !PtInRect(&r, p)) continue;
    s.level = i;
    Menu* m = LookupMenu(g.levels[size_t(i)].menu);
    POINT local = p;
    ScreenToClient(w, &local);
    PopupLayout layout = LayoutPopup(*m);
    for (size_t k = 0; k < layout.items.size(); ++k)
      if (PtInRect(&layout.items[k], local)) s.item = int(k);
    return s;
  }
  if (g.bar) {
    s.item = TitleAt(g.owner, g.levels[0].menu, p);
    Window* w = Lookup(g.owner);
    RECT frame = ScreenRect(w), bar = MenuBarRect(w);
    OffsetRect(&bar, frame.left, frame.top);
    s.onBar = PtInRect(&bar, p);
    if (s.onBar) s.level = 0;
  }
  return s;
}

void OpenTitle(int title, bool selectFirst, bool mouse) {
  CloseFrom(1);
  if (Select(0, title, mouse)) OpenSelected(0, selectFirst);
}

// A title chosen by the keyboard: its menu opens, or a title that is a
// command of its own is chosen.
void ActivateTitle(int title) {
  const MenuItem* it = ItemAt(0, title);
  if (it && !it->sub) {
    CloseFrom(1);
    if (Select(0, title, false)) Choose(0, title);
    return;
  }
  OpenTitle(title, true, false);
}

void PointerOverPopup(const Spot& s, bool mouse) {
  size_t level = size_t(s.level);
  if (g.levels[level].selected != s.item || g.levels.size() > level + 1) {
    if (g.levels[level].selected != s.item) CloseFrom(level + 1);
    if (!Select(level, s.item, mouse)) return;
  }
  const MenuItem* it = ItemAt(level, s.item);
  if (it && it->sub && g.levels.size() == level + 1) OpenSelected(level, false);
}

bool MnemonicKey(size_t level, int vk) {
  Menu* m = LookupMenu(g.levels[level].menu);
  if (!m) return false;
  std::vector<int> hits;
  for (size_t i = 0; i < m->items.size(); ++i)
    if (!m->items[i].separator() && MnemonicOf(m->items[i].text) == char(vk))
      hits.push_back(int(i));
  if (hits.empty()) {
    MessageBeep(0);
    return false;
  }
  if (hits.size() > 1) {
    // Several items share the letter: each press moves to the next one.
    int cur = g.levels[level].selected;
    auto next = std::upper_bound(hits.begin(), hits.end(), cur);
    return Select(level, next == hits.end() ? hits.front() : *next, false);
  }
  int index = hits.front();
  if (level == 0 && g.bar) {
    ActivateTitle(index);
    return true;
  }
  if (!Select(level, index, false)) return false;
  const MenuItem* it = ItemAt(level, index);
  if (it && it->sub)
    OpenSelected(level, true);
  else
    Choose(level, index);
  return true;
}

void BarKey(int vk) {
  int sel = g.levels[0].selected;
  switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
      Select(0, NextItem(0, sel + (vk == VK_LEFT ? -1 : 1), vk == VK_LEFT ? -1 : 1), false);
      break;
    case VK_DOWN:
    case VK_UP:
      OpenSelected(0, true);
      break;
    case VK_RETURN:
      ActivateTitle(sel);
      break;
    default:
      if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) MnemonicKey(0, vk);
      break;
  }
}

void PopupKey(int vk) {
  size_t level = g.levels.size() - 1;
  int sel = g.levels[level].selected;
  const MenuItem* it = ItemAt(level, sel);
  bool underBar = g.bar && level == 1;
  switch (vk) {
    case VK_ESCAPE:
      if (level == 0)
        End();
      else
        CloseFrom(level);
      break;
    case VK_UP:
    case VK_DOWN: {
      int step = vk == VK_UP ? -1 : 1;
      int from = sel < 0 ? (step > 0 ? 0 : -1) : sel + step;
      Select(level, NextItem(level, from, step), false);
      break;
    }
    case VK_RIGHT:
      if (it && it->sub && it->enabled())
        OpenSelected(level, true);
      else if (g.bar)
        OpenTitle(NextItem(0, g.levels[0].selected + 1, 1), true, false);
      break;
    case VK_LEFT:
      if (underBar)
        OpenTitle(NextItem(0, g.levels[0].selected - 1, -1), true, false);
      else if (level > 0)
        CloseFrom(level);
      break;
    case VK_RETURN:
      if (it && it->sub)
        OpenSelected(level, true);
      else
        Choose(level, sel);
      break;
    default:
      if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) MnemonicKey(level, vk);
      break;
  }
}

}  // namespace

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HMENU h = reinterpret_cast<HMENU>(intptr_t(GetWindowLong(hwnd, 0)));
      int selected = -1;
      for (const Level& l : g.levels)
        if (l.window == hwnd) selected = l.selected;
      if (Menu* m = LookupMenu(h)) PaintPopupItems(dc, *m, selected);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

bool MenuTracking() {
  return g.active;
}

bool MenuPointer(MenuPointerEvent event, int button, POINT p) {
  if (!g.active) return false;
  Spot s = SpotAt(p);
  size_t deepest = g.levels.size() - 1;
  switch (event) {
    case MenuPointerEvent::kMove:
      if (s.level >= 0 && g.levels[size_t(s.level)].window) {
        PointerOverPopup(s, true);
      } else if (s.onBar && s.item >= 0 && s.item != g.levels[0].selected) {
        // Moving along the bar follows the pointer, opening as it goes
        // when a menu is open.
        if (g.levels.size() > 1)
          OpenTitle(s.item, false, true);
        else
          Select(0, s.item, true);
      } else if (s.level < 0 && g.levels[deepest].window) {
        Select(deepest, -1, true);
      }
      return true;
    case MenuPointerEvent::kDown:
      if (g.system && s.level < 0 &&
          SendMessage(g.owner, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTSYSMENU) {
        // A second press on the icon soon after the first closes the window.
        if (GetTickCount() - g.opened <= GetDoubleClickTime()) {
          g.chosen = true;
          g.command = SC_CLOSE;
        }
        End();
      } else if (s.level >= 0 && g.levels[size_t(s.level)].window) {
        PointerOverPopup(s, true);
      } else if (s.onBar && s.item >= 0) {
        if (s.item == g.levels[0].selected && g.levels.size() > 1)
          End();
        else
          OpenTitle(s.item, false, true);
      } else {
        End();
      }
      return true;
    case MenuPointerEvent::kUp: {
      bool chooses = button == 0 || (button == 1 && (g.flags & TPM_RIGHTBUTTON));
      if (!chooses) return true;
      if (s.level >= 0 && g.levels[size_t(s.level)].window) {
        Choose(size_t(s.level), s.item);
      } else if (s.onBar && s.item >= 0 && s.item == g.levels[0].selected) {
        // A title that is a command of its own is chosen where it is released.
        if (const MenuItem* it = ItemAt(0, s.item); it && !it->sub) Choose(0, s.item);
      }
      return true;
    }
  }
  return true;
}

bool MenuKey(int vk, bool down) {
  if (!g.active) return false;
  if (!down) return true;
  if (vk == VK_MENU || vk == VK_F10) {
    End();
  } else if (g.bar && g.levels.size() == 1) {
    if (vk == VK_ESCAPE)
      End();
    else
      BarKey(vk);
  } else {
    PopupKey(vk);
  }
  return true;
}

void EnterMenuBarByMouse(Window* w, POINT p) {
  if (g.active || !HasMenuBar(w)) return;
  HWND owner = w->handle;
  HMENU bar = w->menu;
  int title = TitleAt(owner, bar, p);
  if (title < 0) return;
  Start(owner, true, bar, 0, false);
  if (!Check(g.serial)) return;
  OpenTitle(std::min<int>(title, GetMenuItemCount(bar) - 1), false, true);
}

void EnterMenuBarByKey(Window* w, char letter) {
  if (g.active) return;
  if (!HasMenuBar(w)) {
    if (letter) MessageBeep(0);
    return;
  }
  HMENU bar = w->menu;
  Menu* m = LookupMenu(bar);
  int title = -1;
  if (letter) {
    char want = letter >= 'a' && letter <= 'z' ? char(letter - 'a' + 'A') : letter;
    for (size_t i = 0; i < m->items.size() && title < 0; ++i)
      if (!m->items[i].separator() && MnemonicOf(m->items[i].text) == want) title = int(i);
    if (title < 0) {
      MessageBeep(0);
      return;
    }
  }
  Start(w->handle, true, bar, 0, false);
  if (!Check(g.serial)) return;
  if (!letter) {
    Select(0, NextItem(0, 0, 1), false);
    return;
  }
  ActivateTitle(title);
}

void UpdateSystemMenu(Window* w, HMENU menu) {
  DWORD style = w->style;
  bool min = style & WS_MINIMIZE, max = style & WS_MAXIMIZE;
  struct {
    UINT command;
    bool enabled;
  } const states[] = {
      {SC_RESTORE, min || max},
      {SC_MOVE, false},
      {SC_SIZE, false},
      {SC_MINIMIZE, (style & WS_MINIMIZEBOX) && !min},
      {SC_MAXIMIZE, (style & WS_MAXIMIZEBOX) && !max},
      {SC_CLOSE, !(w->cls->style & CS_NOCLOSE)},
  };
  for (const auto& s : states) EnableMenuItem(menu, s.command, s.enabled ? MF_ENABLED : MF_GRAYED);
}

void EnterSystemMenu(Window* w, bool byKey) {
  if (g.active || !w || !(w->style & WS_SYSMENU)) return;
  HWND owner = w->handle;
  HMENU menu = GetSystemMenu(owner, FALSE);
  if (!menu) return;
  Start(owner, false, menu, 0, false);
  g.system = true;
  unsigned serial = g.serial;
  if (!Check(serial)) return;
  UpdateSystemMenu(w, menu);
  if (!Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1))) return;
  // Under the caption's icon, or the window's corner when it shows none.
  RECT frame = ScreenRect(Lookup(owner));
  CaptionLayout c = LayoutCaption(w->style, w->exStyle, frame.right - frame.left);
  RECT under = IsRectEmpty(&c.icon) ? c.caption : c.icon;
  OffsetRect(&under, frame.left, frame.top);
  POINT at{under.left, IsRectEmpty(&c.caption) ? frame.top : frame.top + c.caption.bottom};
  RECT avoid{frame.left, frame.top, frame.right, at.y};
  HWND popup = ShowPopup(menu, at, 0, &avoid, -1);
  if (!popup || !Check(serial)) {
    if (IsWindow(popup)) DestroyWindow(popup);
    End();
    return;
  }
  g.levels[0].window = popup;
  if (byKey) Select(0, NextItem(0, 0, 1), false);
}

int MenuBarSelection(HWND hwnd, bool* open) {
  if (!g.active || !g.bar || g.owner != hwnd || g.levels.empty()) return -1;
  if (open) *open = g.levels.size() > 1;
  return g.levels[0].selected;
}

void MenuContentChanged(HMENU menu) {
  if (!g.active) return;
  for (Level& l : g.levels) {
    if (l.menu != menu || !l.window) continue;
    Menu* m = LookupMenu(menu);
    if (!m) continue;
    if (l.selected >= int(m->items.size())) l.selected = -1;
    RECT frame{0, 0, LayoutPopup(*m).size.cx, LayoutPopup(*m).size.cy};
    AdjustWindowRectEx(&frame, kPopupStyle, FALSE, kPopupExStyle);
    SetWindowPos(l.window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(l.window, nullptr, TRUE);
  }
}

void EndMenuOf(HWND hwnd, bool windowGoing) {
  if (!g.active || g.owner != hwnd) return;
  if (windowGoing) g.flags |= TPM_NONOTIFY;
  g.chosen = false;
  End();
}

HWND PopupWindowOf(HMENU menu) {
  if (!g.active) return nullptr;
  for (const Level& l : g.levels)
    if (l.menu == menu && l.window) return l.window;
  return nullptr;
}

}  // namespace user

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* params) {
  if (!IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return 0;
  }
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (g.active) {
    SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
    return 0;
  }
  Start(owner, false, menu, flags, true);
  unsigned serial = g.serial;
  if (!Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0)) return 0;
  RECT avoid = params ? params->rcExclude : RECT{};
  HWND popup = ShowPopup(menu, POINT{x, y}, flags, IsRectEmpty(&avoid) ? nullptr : &avoid, -1);
  if (!popup || !Check(serial)) {
    if (popup && IsWindow(popup)) DestroyWindow(popup);
    End();
    return 0;
  }
  g.levels[0].window = popup;
  // Waits as a modal dialog does; a script being run goes on meanwhile.
  while (g.active && g.serial == serial) {
    MSG m;
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The quit belongs to the application's own loop.
        PostQuitMessage(int(m.wParam));
        EndMenu();
        break;
      }
      TranslateMessage(&m);
      DispatchMessage(&m);
      continue;
    }
    if (automation::ContinueScript([] { return !g.active; })) continue;
    // A script that ends while the menu is open closes it rather than
    // leaving a headless run waiting for a hand that never comes.
    if (automation::ScriptRunning())
      EndMenu();
    else
      WaitMessage();
  }
  if (g.serial != serial) return 0;
  if (flags & TPM_RETURNCMD) return g.chosen ? BOOL(g.command) : 0;
  return 1;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
  if (!g.active) return 0;
  user::End();
  return 1;
}

}  // namespace tess::platform
