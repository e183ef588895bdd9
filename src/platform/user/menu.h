// Menus: menu objects and their items, the menu bar of a top-level window
// and pop-up menus, shaped after the platform's calls. Handles are numbers
// never reused, so a handle kept after DestroyMenu finds nothing.
//
// Items are found by command identifier (MF_BYCOMMAND, searching submenus
// too) or by position (MF_BYPOSITION). A pop-up item's identifier is its
// submenu's handle, as on the platform. A menu may appear in one place
// only: appending a menu under itself or one of its own submenus fails.
//
// What the owner window hears while a menu is in use, in order:
//   WM_ENTERMENULOOP (wParam TRUE for TrackPopupMenu), WM_INITMENU (the
//   bar, or the pop-up for TrackPopupMenu), then for every pop-up before it
//   opens WM_INITMENUPOPUP (wParam the menu, lParam its position in the
//   parent), for every change of the selection WM_MENUSELECT (wParam
//   MAKEWPARAM(id, or position for a pop-up item; item state | MF_HILITE |
//   MF_POPUP | MF_MOUSESELECT), lParam the menu), and when the menu closes
//   WM_MENUSELECT (0xFFFF0000, 0) and WM_EXITMENULOOP. A chosen item then
//   arrives as a posted WM_COMMAND (MAKEWPARAM(id, 0), 0), after the menu
//   is gone, unless TrackPopupMenu was asked to return it (TPM_RETURNCMD).
//   TPM_NONOTIFY leaves out everything but the WM_COMMAND.
// The menu bar is entered with a press on it (WM_NCLBUTTONDOWN HTMENU, then
// WM_SYSCOMMAND SC_MOUSEMENU), Alt or F10 pressed and released alone, or
// Alt with a mnemonic letter (WM_SYSCOMMAND SC_KEYMENU, lParam the letter).
// The system menu opens with a press on the caption's icon or Alt+Space;
// its items carry MF_SYSMENU in WM_MENUSELECT, WM_INITMENUPOPUP has TRUE
// in the high word of lParam, and the chosen item arrives as a posted
// WM_SYSCOMMAND (its SC_ identifier, 0) instead of WM_COMMAND.
#pragma once

#include <string>

#include "platform/windef.h"

namespace tess::platform {

using UINT_PTR = uintptr_t;
using ULONG_PTR = uintptr_t;

// Item flags of AppendMenuA, InsertMenuA and the state calls.
enum : UINT {
  MF_STRING = 0x0000,
  MF_ENABLED = 0x0000,
  MF_UNCHECKED = 0x0000,
  MF_BYCOMMAND = 0x0000,
  MF_GRAYED = 0x0001,
  MF_DISABLED = 0x0002,
  MF_CHECKED = 0x0008,
  MF_POPUP = 0x0010,
  MF_HILITE = 0x0080,
  MF_BYPOSITION = 0x0400,
  MF_SEPARATOR = 0x0800,
  MF_DEFAULT = 0x1000,
  MF_SYSMENU = 0x2000,  // WM_MENUSELECT: an item of the system menu
  MF_MOUSESELECT = 0x8000,
};

// MENUITEMINFOA.
enum : UINT {
  MIIM_STATE = 0x0001,
  MIIM_ID = 0x0002,
  MIIM_SUBMENU = 0x0004,
  MIIM_TYPE = 0x0010,  // fType and the text together
  MIIM_DATA = 0x0020,
  MIIM_STRING = 0x0040,
  MIIM_FTYPE = 0x0100,
};
enum : UINT {
  MFT_STRING = 0x0000,
  MFT_RADIOCHECK = 0x0200,
  MFT_SEPARATOR = 0x0800,
};
enum : UINT {
  MFS_ENABLED = 0x0000,
  MFS_UNCHECKED = 0x0000,
  MFS_GRAYED = 0x0003,
  MFS_DISABLED = 0x0003,
  MFS_CHECKED = 0x0008,
  MFS_HILITE = 0x0080,
  MFS_DEFAULT = 0x1000,
};
struct MENUITEMINFOA {
  UINT cbSize = sizeof(MENUITEMINFOA);
  UINT fMask = 0;
  UINT fType = 0;
  UINT fState = 0;
  UINT wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;    // not used: checks are the classic mark
  HBITMAP hbmpUnchecked = nullptr;  // not used
  ULONG_PTR dwItemData = 0;
  char* dwTypeData = nullptr;  // the text; on Get, a buffer of cch bytes
  UINT cch = 0;                // on Get: buffer size in, text length out
  HBITMAP hbmpItem = nullptr;  // not used
};

// TrackPopupMenu(Ex).
enum : UINT {
  TPM_LEFTBUTTON = 0x0000,
  TPM_LEFTALIGN = 0x0000,
  TPM_TOPALIGN = 0x0000,
  TPM_RIGHTBUTTON = 0x0002,
  TPM_CENTERALIGN = 0x0004,
  TPM_RIGHTALIGN = 0x0008,
  TPM_VCENTERALIGN = 0x0010,
  TPM_BOTTOMALIGN = 0x0020,
  TPM_NONOTIFY = 0x0080,
  TPM_RETURNCMD = 0x0100,
};
struct TPMPARAMS {
  UINT cbSize = sizeof(TPMPARAMS);
  RECT rcExclude{};  // a menu too low to fit below its point goes above this area
};

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus; a window's bar goes with its window.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// `id` is the command identifier, or the submenu's handle with MF_POPUP.
// The text may hold "&" before the mnemonic letter ("&&" is an ampersand)
// and a tab before the shortcut text shown at the right.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char* text);
// Inserts before the item `position` names (by command or by position);
// by position, -1 or any position past the end appends.
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR id, const char* text);
// DeleteMenu destroys a removed item's submenu; RemoveMenu leaves it alive.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info);
// Both answer the previous state (MF_GRAYED | MF_DISABLED, or MF_CHECKED),
// or (DWORD)-1 when there is no such item.
DWORD EnableMenuItem(HMENU menu, UINT item, UINT enable);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
int GetMenuItemCount(HMENU menu);  // -1 for a bad handle
HMENU GetSubMenu(HMENU menu, int position);
UINT GetMenuItemID(HMENU menu, int position);  // (UINT)-1 for pop-ups and bad positions
// The item's MF_ flags (and MF_POPUP), or (UINT)-1 when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuStringA(HMENU menu, UINT item, char* text, int size, UINT flags);
std::string GetMenuItemText(HMENU menu, UINT item, UINT flags);

// The system menu of a top-level window with WS_SYSMENU: Restore, Move,
// Size, Minimize, Maximize and Close (SC_ identifiers), made on first use
// and enabled for the window's state each time it opens. Move and Size
// are always grayed: windows are moved and sized with the mouse only.
// `revert` puts the default items back and answers nullptr.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

// The menu bar of a top-level window. SetMenu recomputes the window's
// client area; the previous bar is left alive for its owner to destroy.
BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
// After the bar's items change: the titles take as many rows as the
// window's width needs, and the client area what is left.
BOOL DrawMenuBar(HWND hwnd);
// Where an item of the window's bar, or of a pop-up now open, is on the
// screen; FALSE when it is not shown.
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT* rect);

// Shows a pop-up menu at a screen point and tracks it until an item is
// chosen or the menu is dismissed. With TPM_RETURNCMD the answer is the
// chosen identifier (0 for none) and no WM_COMMAND is posted; without it,
// TRUE when the menu was shown. Fails while another menu is being tracked.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* unused);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* params);
// Closes whatever menu is being tracked, as Esc pressed to the end would.
BOOL EndMenu();

}  // namespace tess::platform
