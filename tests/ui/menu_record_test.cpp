// Menu records: the typical File/Edit bar decoded whole, submenus, the
// stored "no array index" forms, and damaged or hostile records refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_bytes.h"
#include "ui/menu_record.h"

namespace tess::ui {
namespace {

using testing::Bytes;

constexpr int32_t kMenuItem = 2, kQuitMenuItem = 3;
// 0x80000010 as a Number: 90 80 80 80 10.
constexpr std::initializer_list<uint8_t> kStoredNoIndex = {0x90, 0x80, 0x80, 0x80, 0x10};

Bytes& Entry(Bytes& b, const char* text, const char* name, const char* key, int32_t cls,
             bool submenu = false, int32_t kind = 0) {
  b.N(kind).S(text).S(name).Raw(kStoredNoIndex).S(key).S("").S("").F(false).F(submenu).N(cls);
  return b;
}

Bytes TypicalBar() {
  Bytes b;
  b.N(2);
  Entry(b, "File", "FileMenu", "", kMenuItem).N(1);
  Entry(b, "Quit", "FileQuit", "Q", kQuitMenuItem);
  Entry(b, "Edit", "EditMenu", "", kMenuItem).N(6);
  Entry(b, "Undo", "EditUndo", "Z", kMenuItem);
  Entry(b, "-", "", "", kMenuItem);
  Entry(b, "Cut", "EditCut", "X", kMenuItem);
  Entry(b, "Copy", "EditCopy", "C", kMenuItem);
  Entry(b, "Paste", "EditPaste", "V", kMenuItem);
  Entry(b, "Clear", "EditClear", "", kMenuItem);
  return b;
}

MenuEntry Item(const char* text, const char* name, const char* key, int32_t cls) {
  MenuEntry e;
  e.text = text;
  e.name = name;
  e.commandKey = key;
  e.classIndex = cls;
  return e;
}

TEST(MenuRecord, TypicalBarDecodesWhole) {
  const std::vector<uint8_t> block = TypicalBar().Block();
  std::vector<MenuEntry> menus;
  std::string message;
  ASSERT_TRUE(ReadMenuBar(block, &menus, &message)) << message;

  MenuEntry file = Item("File", "FileMenu", "", kMenuItem);
  file.children = {Item("Quit", "FileQuit", "Q", kQuitMenuItem)};
  MenuEntry edit = Item("Edit", "EditMenu", "", kMenuItem);
  edit.children = {
      Item("Undo", "EditUndo", "Z", kMenuItem),   Item("-", "", "", kMenuItem),
      Item("Cut", "EditCut", "X", kMenuItem),     Item("Copy", "EditCopy", "C", kMenuItem),
      Item("Paste", "EditPaste", "V", kMenuItem), Item("Clear", "EditClear", "", kMenuItem)};
  const std::vector<MenuEntry> expected = {file, edit};
  EXPECT_EQ(menus, expected);
}

TEST(MenuRecord, EntryFieldsAndSubmenus) {
  Bytes b;
  b.N(1);
  b.N(1).S("Hidden").S("HiddenMenu").N(0).S("").S("").S("").F(false).F(false).N(kMenuItem);
  b.N(2);
  b.N(0).S("Recent").S("FileRecent").N(0).S("Shift-R").S("two").S("three").F(true).F(true).N(5);
  b.N(1);
  b.N(2).S("One").S("RecentItem").N(3).S("").S("").S("").F(false).F(false).N(kMenuItem);
  b.N(0).S("After").S("After").Raw({0x80, 0x80, 0x80, 0x81, 0x10}).S("").S("").S("").F(false);
  b.F(false).N(kMenuItem);
  std::vector<MenuEntry> menus;
  std::string message;
  ASSERT_TRUE(ReadMenuBar(b.Block(), &menus, &message)) << message;
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].kind, kMenuEntryNoMenu);
  EXPECT_EQ(menus[0].index, 0);
  ASSERT_EQ(menus[0].children.size(), 2u);
  const MenuEntry& recent = menus[0].children[0];
  EXPECT_EQ(recent.commandKey, "Shift-R");
  EXPECT_EQ(recent.text2, "two");
  EXPECT_EQ(recent.text3, "three");
  EXPECT_TRUE(recent.flag);
  EXPECT_TRUE(recent.hasSubmenu);
  EXPECT_EQ(recent.classIndex, 5);
  ASSERT_EQ(recent.children.size(), 1u);
  EXPECT_EQ(recent.children[0].kind, kMenuEntryPlaceholder);
  EXPECT_EQ(recent.children[0].index, 3);
  // 0x80100000 is the other stored form of "no array index".
  EXPECT_EQ(menus[0].children[1].index, kNoArrayIndex);
}

// A chain of submenus `levels` deep counting the top-level menu.
Bytes Nested(int levels) {
  Bytes b;
  b.N(1);
  Entry(b, "Top", "Top", "", kMenuItem).N(1);
  for (int level = 2; level < levels; ++level) Entry(b, "Deeper", "", "", kMenuItem, true).N(1);
  Entry(b, "Leaf", "", "", kMenuItem);
  return b;
}

TEST(MenuRecord, NestingIsBounded) {
  std::vector<MenuEntry> menus;
  std::string message;
  ASSERT_TRUE(ReadMenuBar(Nested(kMaxMenuDepth).Block(), &menus, &message)) << message;
  int depth = 0;
  for (const MenuEntry* e = &menus[0]; e; e = e->children.empty() ? nullptr : &e->children[0]) {
    ++depth;
  }
  EXPECT_EQ(depth, kMaxMenuDepth);

  EXPECT_FALSE(ReadMenuBar(Nested(kMaxMenuDepth + 1).Block(), &menus, &message));
  EXPECT_TRUE(message.starts_with("menu record damaged at byte "));
  EXPECT_TRUE(message.ends_with(": submenus nest deeper than 16 levels")) << message;

  // Far deeper than the stack would allow without the bound.
  EXPECT_FALSE(ReadMenuBar(Nested(100000).Block(), &menus, &message));
  EXPECT_TRUE(message.ends_with(": submenus nest deeper than 16 levels")) << message;
}

TEST(MenuRecord, TruncatedAtEveryByteIsRefused) {
  const std::vector<uint8_t> record = TypicalBar().bytes;
  for (size_t cut = 0; cut < record.size(); ++cut) {
    const std::vector<uint8_t> prefix(record.begin(), record.begin() + cut);
    for (uint32_t count : {uint32_t(record.size()), uint32_t(cut)}) {
      std::vector<MenuEntry> menus(1);
      std::string message;
      ASSERT_FALSE(ReadMenuBar(Bytes::BlockOf(prefix, count), &menus, &message)) << cut;
      EXPECT_TRUE(message.starts_with("menu record damaged")) << message;
      EXPECT_EQ(menus.size(), 1u) << "a refused record leaves the menus alone";
    }
  }
}

TEST(MenuRecord, HostileCountsAreRefused) {
  const std::initializer_list<uint8_t> kHuge = {0xBF, 0xFF, 0xFF, 0xFF, 0x0F};
  Bytes items;
  items.N(1);
  Entry(items, "File", "", "", kMenuItem).Raw(kHuge);
  const struct {
    std::vector<uint8_t> bytes;
    const char* message;
  } cases[] = {
      {Bytes().Raw(kHuge).bytes,
       "menu record damaged at byte 0: menu count 2147483647 does not fit the 0 bytes left"},
      {Bytes().N(-2).bytes,
       "menu record damaged at byte 0: menu count -2 does not fit the 0 bytes left"},
      {Bytes().N(1).N(0).N(0).N(0).N(0).N(0).N(0).N(0).N(0).N(0).N(0).bytes,
       "menu record damaged at byte 0: menu count 1 does not fit the 10 bytes left"},
      {items.bytes,
       "menu record damaged at byte 19: menu item count 2147483647 does not fit the 0 bytes left"},
  };
  for (const auto& c : cases) {
    std::vector<MenuEntry> menus;
    std::string message;
    EXPECT_FALSE(ReadMenuBar(Bytes::BlockOf(c.bytes, uint32_t(c.bytes.size())), &menus, &message));
    EXPECT_EQ(message, c.message);
  }
}

}  // namespace
}  // namespace tess::ui
