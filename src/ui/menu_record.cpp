// Menu record reading: a recursive descent over Children, bounded in depth,
// each count checked against the bytes left before it sizes anything.
#include "ui/menu_record.h"

namespace tess::ui {
namespace {

// Ten one-byte fields: the smallest Entry. A top-level menu, or a child with
// a submenu, adds at least its Children count.
constexpr size_t kMinEntryBytes = 10;
constexpr size_t kMinMenuBytes = kMinEntryBytes + 1;

// The two stored forms of "no array index".
constexpr int32_t kStoredNoIndexA = int32_t(0x80000010u);
constexpr int32_t kStoredNoIndexB = int32_t(0x80100000u);

bool ReadEntry(RecordStream& in, MenuEntry* e) {
  if (!in.Number(&e->kind) || !in.String(&e->text) || !in.String(&e->name) ||
      !in.Number(&e->index) || !in.String(&e->commandKey) || !in.String(&e->text2) ||
      !in.String(&e->text3) || !in.Flag(&e->flag) || !in.Flag(&e->hasSubmenu) ||
      !in.Number(&e->classIndex)) {
    return false;
  }
  if (e->index == kStoredNoIndexA || e->index == kStoredNoIndexB) e->index = kNoArrayIndex;
  return true;
}

// Children of an entry at `level`; they sit one level deeper.
bool ReadChildren(RecordStream& in, int level, std::vector<MenuEntry>* children) {
  if (level >= kMaxMenuDepth) {
    return in.Fail("submenus nest deeper than " + std::to_string(kMaxMenuDepth) + " levels");
  }
  int32_t count = 0;
  if (!in.Count(&count, kMinEntryBytes, "menu item count")) return false;
  children->reserve(size_t(count));
  for (int32_t i = 0; i < count; ++i) {
    MenuEntry child;
    if (!ReadEntry(in, &child)) return false;
    if (child.hasSubmenu && !ReadChildren(in, level + 1, &child.children)) return false;
    children->push_back(std::move(child));
  }
  return true;
}

}  // namespace

bool ReadMenuBar(std::span<const uint8_t> block, std::vector<MenuEntry>* menus,
                 std::string* message) {
  std::span<const uint8_t> record;
  if (!RecordBytes(block, "menu", &record, message)) return false;
  RecordStream in(record);
  std::vector<MenuEntry> read;
  int32_t count = 0;
  bool good = in.Count(&count, kMinMenuBytes, "menu count");
  if (good) read.reserve(size_t(count));
  for (int32_t i = 0; good && i < count; ++i) {
    MenuEntry menu;
    good = ReadEntry(in, &menu) && ReadChildren(in, 1, &menu.children);
    read.push_back(std::move(menu));
  }
  if (!good) {
    *message = "menu record damaged " + in.message();
    return false;
  }
  *menus = std::move(read);
  return true;
}

}  // namespace tess::ui
