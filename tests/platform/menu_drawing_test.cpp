// Menus as they look: a window's bar at rest and selected by the keyboard,
// an open menu with a checked item, a disabled one, a separator and
// shortcut texts, a cascade, and the system menu, each compared with a
// reference picture.
// Regenerate them (and look at them before committing) with
//   TESSERA_SOURCE_DIR=$PWD TESSERA_UPDATE_REFERENCE=1 build/run32
//   build/tests/platform/platform_desktop_test
#include <gtest/gtest.h>

#include "platform/message_log.h"
#include "platform/reference_picture.h"
#include "platform/user/automation.h"
#include "platform/user/desktop.h"

namespace tess::test {
namespace {

TEST(MenuDrawing, EachStateMatchesItsReference) {
  // The desktop test of this program sized the desktop to 400 x 300.
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 400);
  HMENU bar = CreateMenu(), file = CreatePopupMenu(), format = CreatePopupMenu(),
        size = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 1, "&New\tCtrl+N");
  AppendMenuA(size, MF_STRING, 10, "&Small");
  AppendMenuA(size, MF_STRING | MF_CHECKED, 11, "&Medium");
  AppendMenuA(size, MF_STRING, 12, "&Large");
  MENUITEMINFOA radio;
  radio.fMask = MIIM_FTYPE;
  radio.fType = MFT_RADIOCHECK;
  SetMenuItemInfoA(size, 11, FALSE, &radio);
  AppendMenuA(format, MF_STRING | MF_CHECKED, 20, "&Bold\tCtrl+B");
  AppendMenuA(format, MF_STRING, 21, "&Italic\tCtrl+I");
  AppendMenuA(format, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(format, MF_STRING | MF_GRAYED, 22, "&Underline\tCtrl+U");
  AppendMenuA(format, MF_POPUP, UINT_PTR(size), "&Size");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(file), "&File");
  AppendMenuA(bar, MF_POPUP | MF_GRAYED, UINT_PTR(CreatePopupMenu()), "&Edit");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(format), "F&ormat");
  HWND w = CreateWindowEx(0, TestClass(), "Document", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300,
                          200, nullptr, bar, nullptr, nullptr);
  ASSERT_TRUE(w);
  struct Shot {
    const char* keys;
    const char* file;
  };
  const Shot shots[] = {
      {"", "menu_bar.png"},                          // at rest; Edit is disabled
      {"alt", "menu_bar_selected.png"},              // File raised, chosen by the keyboard
      {"o down", "menu_open.png"},                   // Format open, Italic highlighted
      {"down down right", "menu_cascade.png"},       // Size highlighted, its cascade open
      {"esc esc esc alt+space", "menu_system.png"},  // the system menu, Restore grayed
  };
  for (const Shot& shot : shots) {
    std::string keys = shot.keys;
    for (size_t at = 0; at < keys.size();) {
      size_t end = keys.find(' ', at);
      if (end == std::string::npos) end = keys.size();
      ASSERT_TRUE(automation::PressKeys(keys.substr(at, end - at)));
      at = end + 1;
    }
    automation::WaitIdle();
    EXPECT_TRUE(MatchesReference(desktop::Compose(), shot.file));
  }
  EndMenu();
  DestroyWindow(w);
  automation::WaitIdle();
}

}  // namespace
}  // namespace tess::test
