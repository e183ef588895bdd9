// Menu records: the application's menu bar as stored in the image (project
// item kind 2: u32 kind 2, u32 byte count, then the record), read without
// trusting a byte of it.
//
// The record is a stream of the primitives of ui/layout_record.h (Number,
// String, Flag):
//   Number menu count, then per top-level menu: Entry, Children.
//   Entry:    Number kind, String text, String name, Number index,
//             String command key, String text2, String text3, Flag flag,
//             Flag has-submenu, Number class index.
//   Children: Number count, then per child: Entry, followed by its own
//             Children when its has-submenu flag is set.
// A top-level menu's Children always follow it, whatever its flag says.
// Kinds: 0 ordinary, 1 a top-level entry that makes no menu (its children
// are still read), 2 a placeholder that makes no item; others are kept for
// the menu bar to judge. An index stored as 0x80000010 or 0x80100000 is read
// as -2147483648 (not part of a menu array).
//
// Invariants: counts are checked against the bytes left before anything is
// reserved for them; entries nest at most kMaxMenuDepth levels deep (the
// top-level menus being level 1), so a hostile record cannot exhaust the
// stack.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ui/layout_record.h"

namespace tess::ui {

inline constexpr int kMaxMenuDepth = 16;  // top-level menus are level 1

enum MenuEntryKind : int32_t {
  kMenuEntryOrdinary = 0,
  kMenuEntryNoMenu = 1,
  kMenuEntryPlaceholder = 2,
};

struct MenuEntry {
  int32_t kind = kMenuEntryOrdinary;
  std::string text, name;
  int32_t index = kNoArrayIndex;
  std::string commandKey, text2, text3;
  bool flag = false;
  bool hasSubmenu = false;
  int32_t classIndex = 0;
  std::vector<MenuEntry> children;
  bool operator==(const MenuEntry&) const = default;
};

// `block` starts at the u32 little-endian byte count (the word after the
// item's kind); `available` is its size. False, with a clear message, for a
// damaged or hostile record.
bool ReadMenuBar(std::span<const uint8_t> block, std::vector<MenuEntry>* menus,
                 std::string* message);

}  // namespace tess::ui
