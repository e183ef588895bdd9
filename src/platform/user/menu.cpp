// Menu objects and their items, and the bar of a window; see menu.h. Every
// call checks its handle and its position or identifier first and fails
// with the platform's error rather than touching a missing item. A change
// to a menu on the screen repaints it.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace user {
namespace {

std::unordered_map<uintptr_t, std::unique_ptr<Menu>>& Menus() {
  static std::unordered_map<uintptr_t, std::unique_ptr<Menu>> t;
  return t;
}
// Apart from window handles, so one is never taken for the other.
uintptr_t g_nextMenu = 0x20000002;

HMENU NewMenu(bool popup) {
  std::lock_guard lock(StateLock());
  auto m = std::make_unique<Menu>();
  HMENU h = reinterpret_cast<HMENU>(g_nextMenu);
  g_nextMenu += 4;
  m->handle = h;
  m->popup = popup;
  Menus()[uintptr_t(h)] = std::move(m);
  return h;
}

Menu* Checked(HMENU h) {
  Menu* m = LookupMenu(h);
  if (!m) SetLastError(ERROR_INVALID_MENU_HANDLE);
  return m;
}

// An item by position, or by command anywhere under `m` (depth first, as
// the platform searches): the menu holding it and its index.
bool Find(Menu* m, UINT item, UINT flags, Menu** holder, size_t* index, int depth = 0) {
  if (!m) return false;
  if (flags & MF_BYPOSITION) {
    if (item >= m->items.size()) return false;
    *holder = m, *index = item;
    return true;
  }
  if (depth > 64) return false;  // submenus form a tree; this only bounds a damaged one
  for (size_t i = 0; i < m->items.size(); ++i) {
    const MenuItem& it = m->items[i];
    if (it.sub) {
      if (Find(LookupMenu(it.sub), item, flags, holder, index, depth + 1)) return true;
      if (uintptr_t(it.sub) == item) {
        *holder = m, *index = i;
        return true;
      }
    } else if (it.id == item && !it.separator()) {
      *holder = m, *index = i;
      return true;
    }
  }
  return false;
}

bool FindChecked(HMENU h, UINT item, UINT flags, Menu** holder, size_t* index) {
  Menu* m = Checked(h);
  if (!m) return false;
  if (!Find(m, item, flags, holder, index)) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return false;
  }
  return true;
}

// The item a call names, or nullptr with the error set.
MenuItem* FindItem(HMENU h, UINT item, UINT flags, Menu** holder = nullptr) {
  Menu* m;
  size_t index;
  if (!FindChecked(h, item, flags & MF_BYPOSITION, &m, &index)) return nullptr;
  if (holder) *holder = m;
  return &m->items[index];
}

// The item an info call names, once the info's size is right.
MenuItem* InfoItem(HMENU h, UINT item, BOOL byPosition, const MENUITEMINFOA* info, Menu** holder) {
  if (!info || info->cbSize != sizeof(MENUITEMINFOA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return FindItem(h, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, holder);
}

// Whether `sub` may go under `into`: it must be a free pop-up, and not
// `into` itself or one of its ancestors.
bool CanAdopt(Menu* into, HMENU sub) {
  Menu* s = LookupMenu(sub);
  if (!s || s->parent || s->window) return false;
  for (Menu* a = into; a; a = LookupMenu(a->parent))
    if (a == s) return false;
  return true;
}

void Changed(Menu* m) {
  // The bar's frame is drawn at composition; open pop-ups repaint.
  MenuContentChanged(m->handle);
}

bool MakeItem(Menu* into, UINT flags, UINT_PTR id, const char* text, MenuItem* out) {
  MenuItem it;
  it.state = (flags & (MF_GRAYED | MF_DISABLED)) ? UINT(MFS_GRAYED) : 0u;
  if (flags & MF_CHECKED) it.state |= MFS_CHECKED;
  if (flags & MF_DEFAULT) it.state |= MFS_DEFAULT;
  if (flags & MF_SEPARATOR) {
    it.type = MFT_SEPARATOR;
  } else {
    it.text = text ? text : "";
  }
  if (flags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(id);
    if (!CanAdopt(into, sub)) {
      SetLastError(LookupMenu(sub) ? ERROR_INVALID_PARAMETER : ERROR_INVALID_MENU_HANDLE);
      return false;
    }
    it.sub = sub;
    it.id = UINT(id);
  } else {
    it.id = UINT(id);
  }
  *out = std::move(it);
  return true;
}

void Adopt(Menu* into, const MenuItem& it) {
  if (Menu* s = LookupMenu(it.sub)) s->parent = into->handle;
}

void FreeMenu(HMENU h) {
  Menu* m = LookupMenu(h);
  if (!m) return;
  std::vector<HMENU> subs;
  for (const MenuItem& it : m->items)
    if (it.sub) subs.push_back(it.sub);
  {
    std::lock_guard lock(StateLock());
    Menus().erase(uintptr_t(h));
  }
  for (HMENU s : subs) FreeMenu(s);
}

bool Remove(HMENU h, UINT position, UINT flags, bool destroy) {
  Menu* holder;
  size_t index;
  if (!FindChecked(h, position, flags, &holder, &index)) return false;
  HMENU sub = holder->items[index].sub;
  holder->items.erase(holder->items.begin() + ptrdiff_t(index));
  if (Menu* s = LookupMenu(sub)) {
    s->parent = nullptr;
    if (destroy) FreeMenu(sub);
  }
  Changed(holder);
  return true;
}

}  // namespace

Menu* LookupMenu(HMENU h) {
  std::lock_guard lock(StateLock());
  auto it = Menus().find(uintptr_t(h));
  return it == Menus().end() ? nullptr : it->second.get();
}

}  // namespace user

HMENU CreateMenu() {
  return NewMenu(false);
}

HMENU CreatePopupMenu() {
  return NewMenu(true);
}

BOOL DestroyMenu(HMENU h) {
  Menu* m = Checked(h);
  if (!m) return 0;
  if (Menu* p = LookupMenu(m->parent)) {
    auto& items = p->items;
    items.erase(
        std::remove_if(items.begin(), items.end(), [h](const MenuItem& it) { return it.sub == h; }),
        items.end());
    Changed(p);
  }
  if (Window* w = Lookup(m->window); w && w->menu == h) {
    // The bar goes from its window, which gets its client area back.
    SetMenu(w->handle, nullptr);
  }
  FreeMenu(h);
  return 1;
}

BOOL IsMenu(HMENU h) {
  return LookupMenu(h) != nullptr;
}

BOOL AppendMenuA(HMENU h, UINT flags, UINT_PTR id, const char* text) {
  return InsertMenuA(h, UINT(-1), flags | MF_BYPOSITION, id, text);
}

BOOL InsertMenuA(HMENU h, UINT position, UINT flags, UINT_PTR id, const char* text) {
  Menu* m = Checked(h);
  if (!m) return 0;
  Menu* holder = m;
  size_t index = m->items.size();
  if (flags & MF_BYPOSITION) {
    index = std::min<size_t>(position, m->items.size());
  } else if (!FindChecked(h, position, flags, &holder, &index)) {
    return 0;
  }
  MenuItem it;
  if (!MakeItem(holder, flags, id, text, &it)) return 0;
  Adopt(holder, it);
  holder->items.insert(holder->items.begin() + ptrdiff_t(index), std::move(it));
  Changed(holder);
  return 1;
}

BOOL DeleteMenu(HMENU h, UINT position, UINT flags) {
  return Remove(h, position, flags, true);
}

BOOL RemoveMenu(HMENU h, UINT position, UINT flags) {
  return Remove(h, position, flags, false);
}

BOOL SetMenuItemInfoA(HMENU h, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
  Menu* holder;
  MenuItem* found = InfoItem(h, item, byPosition, info, &holder);
  if (!found) return 0;
  MenuItem& it = *found;
  if (info->fMask & MIIM_SUBMENU) {
    HMENU sub = info->hSubMenu;
    if (sub && sub != it.sub && !CanAdopt(holder, sub)) {
      SetLastError(LookupMenu(sub) ? ERROR_INVALID_PARAMETER : ERROR_INVALID_MENU_HANDLE);
      return 0;
    }
    if (Menu* old = LookupMenu(it.sub); old && sub != it.sub) old->parent = nullptr;
    it.sub = sub;
    if (Menu* s = LookupMenu(sub)) s->parent = holder->handle;
  }
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE))
    it.type = info->fType & (MFT_SEPARATOR | MFT_RADIOCHECK);
  if (info->fMask & (MIIM_STRING | MIIM_TYPE))
    if (!(it.type & MFT_SEPARATOR)) it.text = info->dwTypeData ? info->dwTypeData : "";
  if (info->fMask & MIIM_STATE) it.state = info->fState & (MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT);
  if (info->fMask & MIIM_ID) it.id = info->wID;
  if (info->fMask & MIIM_DATA) it.data = info->dwItemData;
  Changed(holder);
  return 1;
}

BOOL GetMenuItemInfoA(HMENU h, UINT item, BOOL byPosition, MENUITEMINFOA* info) {
  Menu* holder;
  const MenuItem* found = InfoItem(h, item, byPosition, info, &holder);
  if (!found) return 0;
  const MenuItem& it = *found;
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = it.type;
  if (info->fMask & MIIM_STATE) info->fState = it.state;
  if (info->fMask & MIIM_ID) info->wID = it.id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it.sub;
  if (info->fMask & MIIM_DATA) info->dwItemData = it.data;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    // As on the platform: no buffer asks for the length, and the text is
    // cut to the buffer, which always ends with a zero.
    if (info->dwTypeData && info->cch) {
      size_t n = std::min<size_t>(info->cch - 1, it.text.size());
      std::memcpy(info->dwTypeData, it.text.data(), n);
      info->dwTypeData[n] = '\0';
    }
    info->cch = UINT(it.text.size());
  }
  return 1;
}

DWORD EnableMenuItem(HMENU h, UINT item, UINT enable) {
  Menu* holder;
  MenuItem* found = FindItem(h, item, enable, &holder);
  if (!found) return DWORD(-1);
  MenuItem& it = *found;
  DWORD old = (it.state & MFS_GRAYED) ? DWORD(MF_GRAYED | MF_DISABLED) : 0;
  it.state = (it.state & ~MFS_GRAYED) | ((enable & (MF_GRAYED | MF_DISABLED)) ? MFS_GRAYED : 0u);
  Changed(holder);
  return old;
}

DWORD CheckMenuItem(HMENU h, UINT item, UINT check) {
  Menu* holder;
  MenuItem* found = FindItem(h, item, check, &holder);
  if (!found) return DWORD(-1);
  MenuItem& it = *found;
  DWORD old = it.state & MFS_CHECKED;
  it.state = (it.state & ~MFS_CHECKED) | (check & MF_CHECKED);
  Changed(holder);
  return old;
}

int GetMenuItemCount(HMENU h) {
  Menu* m = Checked(h);
  return m ? int(m->items.size()) : -1;
}

HMENU GetSubMenu(HMENU h, int position) {
  Menu* m = Checked(h);
  if (!m || position < 0 || size_t(position) >= m->items.size()) return nullptr;
  return m->items[size_t(position)].sub;
}

UINT GetMenuItemID(HMENU h, int position) {
  Menu* m = Checked(h);
  if (!m || position < 0 || size_t(position) >= m->items.size()) return UINT(-1);
  const MenuItem& it = m->items[size_t(position)];
  return it.sub ? UINT(-1) : it.id;
}

UINT GetMenuState(HMENU h, UINT item, UINT flags) {
  const MenuItem* found = FindItem(h, item, flags);
  if (!found) return UINT(-1);
  const MenuItem& it = *found;
  UINT state = (it.state & MFS_GRAYED ? UINT(MF_GRAYED | MF_DISABLED) : 0u) |
               (it.state & MFS_CHECKED) | (it.state & MFS_DEFAULT) |
               (it.separator() ? UINT(MF_SEPARATOR) : 0u);
  if (Menu* s = LookupMenu(it.sub))
    // A pop-up answers its item count in the high byte, as on the platform.
    state |= MF_POPUP | (UINT(std::min<size_t>(s->items.size(), 255)) << 8);
  return state;
}

int GetMenuStringA(HMENU h, UINT item, char* text, int size, UINT flags) {
  const MenuItem* found = FindItem(h, item, flags);
  if (!found) return 0;
  const std::string& s = found->text;
  if (!text || size <= 0) return int(s.size());
  size_t n = std::min<size_t>(size_t(size) - 1, s.size());
  std::memcpy(text, s.data(), n);
  text[n] = '\0';
  return int(n);
}

std::string GetMenuItemText(HMENU h, UINT item, UINT flags) {
  const MenuItem* found = FindItem(h, item, flags);
  return found ? found->text : std::string();
}

BOOL SetMenu(HWND hwnd, HMENU h) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->child()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Menu* m = nullptr;
  if (h) {
    m = Checked(h);
    // A bar sits on one window, and a menu inside another is no bar.
    if (!m) return 0;
    if (m->parent || (m->window && m->window != hwnd)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  if (w->menu == h) return 1;
  EndMenuOf(hwnd, false);
  if (Menu* old = LookupMenu(w->menu)) old->window = nullptr;
  w->menu = h;
  if (m) m->window = hwnd;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 1;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop || w->child()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (revert) {
    if (HMENU old = std::exchange(w->systemMenu, nullptr)) DestroyMenu(old);
    return nullptr;
  }
  if (!LookupMenu(w->systemMenu)) {
    static const struct {
      UINT command;
      const char* text;
    } kItems[] = {
        {SC_RESTORE, "&Restore"},     {SC_MOVE, "&Move"},         {SC_SIZE, "&Size"},
        {SC_MINIMIZE, "Mi&nimize"},   {SC_MAXIMIZE, "Ma&ximize"}, {0, nullptr},
        {SC_CLOSE, "&Close\tAlt+F4"},
    };
    HMENU m = CreatePopupMenu();
    for (const auto& it : kItems)
      AppendMenuA(m, it.text ? MF_STRING : MF_SEPARATOR, it.command, it.text);
    w->systemMenu = m;
  }
  return w->systemMenu;
}

HMENU GetMenu(HWND hwnd) {
  Window* w = Lookup(hwnd);
  return w && !w->child() ? w->menu : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w || !HasMenuBar(w)) return 0;
  // The bar is drawn with the frame whenever the desktop is composed; its
  // titles may now need more rows, or fewer, than the client area leaves.
  RECT in = NonClientInsets(w->style, w->exStyle, false);
  int height = int(w->client.top - w->rect.top) - in.top;
  if (height != MenuBarHeight(w, w->rect.right - w->rect.left))
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 1;
}

BOOL GetMenuItemRect(HWND hwnd, HMENU h, UINT position, RECT* out) {
  Menu* m = Checked(h);
  if (!m || !out || position >= m->items.size()) return 0;
  Window* w = Lookup(hwnd);
  if (w && w->menu == h && HasMenuBar(w)) {
    RECT bar = MenuBarRect(w), frame = ScreenRect(w);
    RECT r = LayoutBar(*m, bar.right - bar.left)[position];
    OffsetRect(&r, frame.left + bar.left, frame.top + bar.top);
    *out = r;
    return 1;
  }
  HWND popup = PopupWindowOf(h);
  if (!popup) return 0;
  RECT r = LayoutPopup(*m).items[position];
  POINT o{};
  ClientToScreen(popup, &o);
  OffsetRect(&r, o.x, o.y);
  *out = r;
  return 1;
}

}  // namespace tess::platform
