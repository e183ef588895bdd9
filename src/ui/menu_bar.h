// The application's menu bar: MenuItem instances over native menus, built
// once from the image's menu record, with command keys in the accelerator
// table, the enabling pass and the dispatch of chosen items.
//
// Order of the enabling pass: every item disabled; EnableMenu for each item
// whose class handles it; the focused control's items; the front window's
// EnableMenuItems; the application's EnableMenuItems; the flags applied to
// the native menus (a pop-up item is enabled when any item under it is).
// Order of dispatch, stopping at the first that handles the item: the
// focused control (an edit field takes the edit items); the front window's
// menu handlers named like the item (each in turn, from its class up; True
// ends), then the application's, then the item's own Action. A
// QuitMenuItem that nothing handles quits the application.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/user/winuser.h"
#include "runtime/object_layout.h"

namespace tess::ui {

struct MenuNode;

struct MenuItemFields {
  ObjectHeader header;
  MenuNode* node;  // null for an item not (or no longer) in a menu
  TessString* name;
  int32_t index;
  TessString* tag;
  TessString* balloonHelp;
  TessString* disabledBalloonHelp;
  TessString* text;
  TessString* commandKey;
  uint8_t checked, enabled, visible, reserved;
};

void InitMenuClasses();
ClassObject* MenuItemClass();
bool IsMenuItem(TessObject* object);

// Builds the menu bar from a project item of kind 2 (`record` points at its
// byte count). False, with nothing built, for a record that cannot be read.
bool BuildMenuBar(const void* record);
// The native bar, null before it is built.
platform::HMENU MenuBarHandle();

// Window life: the first document window opened while nobody holds the bar
// receives it; a holder gives it back before it is destroyed.
void OfferMenuBar(platform::HWND hwnd, bool documentWindow);
bool WouldTakeMenuBar(bool documentWindow);
// A window created with the bar as its menu now holds it.
void TookMenuBar(platform::HWND hwnd);
void ReleaseMenuBar(platform::HWND hwnd);

// The enabling pass, and the dispatch of a command identifier; false when the
// identifier names no item.
void RunEnablingPass();
bool DispatchMenuCommand(uint32_t id);
// A key press offered before the focused control sees it: true when it was a
// menu item's shortcut.
bool OfferMenuShortcut(const platform::MSG& msg);
// Reapplies an item's flags and text to its native menu.
void RefreshMenuItem(TessObject* item);

// The focused control's part of the enabling pass (after each item's
// EnableMenu) and of the dispatch (before the window's handlers): a control
// class that takes items installs them. `dispatch` gets the item's Name
// and answers whether it handled it.
struct FocusMenuHooks {
  void (*enable)() = nullptr;
  bool (*dispatch)(std::string_view itemName) = nullptr;
};
void SetFocusMenuHooks(FocusMenuHooks hooks);
// Enables every item named `name` (for the focus's part of the pass).
void EnableMenuItemNamed(std::string_view name);

}  // namespace tess::ui
