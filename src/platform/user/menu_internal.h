// The menu records the menu files share: menus and items, their layout on
// the bar and in pop-ups, and the hooks through which the window system
// hands input and drawing to the menu being tracked.
#pragma once

#include <string>
#include <vector>

#include "platform/user/menu.h"
#include "platform/user/window_internal.h"

namespace tess::platform::user {

struct MenuItem {
  UINT type = MFT_STRING;  // MFT_ bits
  UINT state = 0;          // MFS_ bits
  UINT id = 0;
  HMENU sub = nullptr;
  std::string text;  // "&" marks the mnemonic, a tab starts the shortcut text
  ULONG_PTR data = 0;

  bool separator() const { return type & MFT_SEPARATOR; }
  bool enabled() const { return !(state & MFS_GRAYED); }
};

struct Menu {
  HMENU handle = nullptr;
  bool popup = false;
  std::vector<MenuItem> items;
  HMENU parent = nullptr;  // the menu holding this one as a submenu
  HWND window = nullptr;   // the window whose bar this is
};

Menu* LookupMenu(HMENU menu);

// Item heights and margins of the classic look.
constexpr int kMenuItemHeight = 17;
constexpr int kMenuSeparatorHeight = 9;
constexpr int kMenuCheckColumn = 18;  // the check mark's room, left of the text
constexpr int kMenuArrowColumn = 16;  // the submenu arrow's room, right of everything
constexpr int kMenuShortcutGap = 16;  // between the text and the shortcut text
constexpr int kMenuBarPadding = 6;    // each side of a bar title

// Item rectangles of a pop-up's client area, and the client size.
struct PopupLayout {
  std::vector<RECT> items;
  SIZE size{};
};
PopupLayout LayoutPopup(const Menu& menu);
// Title rectangles relative to the bar's top left, for a bar `width` wide:
// titles that do not fit go on to another row, as many rows as it takes.
std::vector<RECT> LayoutBar(const Menu& menu, int width);
int BarHeight(const Menu& menu, int width);
// The text before the tab and the shortcut text after it.
void SplitMenuText(const std::string& text, std::string* label, std::string* shortcut);
// The upper-case mnemonic letter of an item text, 0 for none.
char MnemonicOf(const std::string& text);

// The bar of a top-level window, in window coordinates; empty if it has none.
bool HasMenuBar(const Window* w);
RECT MenuBarRect(const Window* w);
// The bar's height for a window of this width (0 without a bar).
int MenuBarHeight(const Window* w, int windowWidth);
// Item content in a pop-up's client area or on a bar (the chrome goes
// through the classic look).
void PaintPopupItems(HDC dc, const Menu& menu, int selected);
void PaintBarItems(HDC dc, const Menu& menu, const RECT& bar, bool active, int selected, bool open);

// Tracking (menu_tracking.cpp).
bool MenuTracking();
// Raw input while a menu is tracked; true when the menu took it.
enum class MenuPointerEvent { kMove, kDown, kUp };
bool MenuPointer(MenuPointerEvent event, int button, POINT screen);
bool MenuKey(int vk, bool down);
// Enters the bar of `w`: at a point (a press on it) or by the keyboard
// (`letter` 0 selects the first title, a mnemonic opens its menu).
void EnterMenuBarByMouse(Window* w, POINT screen);
void EnterMenuBarByKey(Window* w, char letter);
// Opens the system menu of `w` under its caption icon.
void EnterSystemMenu(Window* w, bool byKey);
// Grays the system menu's items for what the window can do now.
void UpdateSystemMenu(Window* w, HMENU menu);
// What the bar of `hwnd` shows selected now: -1 for nothing.
int MenuBarSelection(HWND hwnd, bool* open);
// The items of `menu` changed while it may be on the screen.
void MenuContentChanged(HMENU menu);
// A menu the window owns stops being tracked: the window loses its bar
// (the window hears how it ended), or is going (it hears nothing).
void EndMenuOf(HWND hwnd, bool windowGoing);
// The pop-up window showing `menu` now, if any.
HWND PopupWindowOf(HMENU menu);

// Alt or F10 went down and came up with no other key or button between.
bool MenuKeyAlone();

}  // namespace tess::platform::user
