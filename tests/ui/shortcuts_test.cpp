// Key texts, CommandKey grammar and the accelerator table.
#include <gtest/gtest.h>

#include "platform/user/messages.h"
#include "ui/shortcuts.h"

namespace tess::ui {
namespace {

using namespace platform;

TEST(Shortcuts, CommandKeysGiveTheirAcceleratorTexts) {
  struct Case {
    const char* commandKey;
    const char* text;
  } cases[] = {
      {"Q", "Ctrl+Q"},
      {"q", "Ctrl+Q"},
      {"Shift-Q", "Ctrl+Shft+Q"},
      {"F5", "F5"},
      {"Alt-F4", "Alt+F4"},
      {"Control-", "Ctrl+-"},
      {"Option-K", "Ctrl+K"},
      {"Shift-Alt-Del", "Shft+Alt+Del"},
      {"Bogus-Z", "Ctrl+Z"},
      {"-", "Ctrl+-"},
      {"", ""},
      {"Control-Shift-F2", "Ctrl+Shft+F2"},
  };
  for (const Case& c : cases) EXPECT_EQ(AcceleratorText(c.commandKey), c.text) << c.commandKey;
}

TEST(Shortcuts, KeyPressesGiveTheSameTexts) {
  EXPECT_EQ(KeyText('Q', true, false, false), "Ctrl+Q");
  EXPECT_EQ(KeyText('Q', true, true, false), "Ctrl+Shft+Q");
  EXPECT_EQ(KeyText(VK_F1 + 4, false, false, false), "F5");
  EXPECT_EQ(KeyText(VK_F1 + 23, false, false, false), "F24");
  EXPECT_EQ(KeyText(VK_F1 + 3, false, false, true), "Alt+F4");
  EXPECT_EQ(KeyText(0xBD, true, false, false), "Ctrl+-");
  EXPECT_EQ(KeyText(VK_ESCAPE, false, false, false), "Esc");
  EXPECT_EQ(KeyText(VK_RETURN, false, true, false), "Shft+Enter");
  EXPECT_EQ(KeyText(VK_BACK, false, false, false), "Bsp");
  EXPECT_EQ(KeyText(VK_CLEAR, false, false, false), "Clr");
  const char* from0x20[] = {"Space",    "PgUp",  "PgDn", "End",    "Home",  "Left",
                            "Up",       "Right", "Down", "Select", "Print", "Execute",
                            "Snapshot", "Ins",   "Del",  "Help"};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(KeyName(0x20 + i), from0x20[i]);
  EXPECT_EQ(KeyText(0x10, true, false, false), "") << "a modifier alone has no text";
}

TEST(Shortcuts, TheTableMapsTextsToTargetsOneEntryEach) {
  AcceleratorTable table;
  int quit = 0, save = 0;
  table.Register("Ctrl+Q", &quit);
  table.Register("Ctrl+S", &save);
  EXPECT_EQ(table.Find("ctrl+q"), &quit);
  table.Register("Ctrl+W", &quit);  // a new shortcut replaces the old one
  EXPECT_EQ(table.Find("Ctrl+Q"), nullptr);
  EXPECT_EQ(table.Find("Ctrl+W"), &quit);
  table.Register("", &save);  // the empty text removes the entry
  EXPECT_EQ(table.Find("Ctrl+S"), nullptr);
  EXPECT_EQ(table.size(), 1u);
}

}  // namespace
}  // namespace tess::ui
