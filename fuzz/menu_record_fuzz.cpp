// Fuzz target: menu records. The input is the record bytes, wrapped in a
// block whose count is the input's length. A record either reads or is
// refused with a message; nothing may crash or overflow the stack, and a
// read menu bar never nests deeper than the bound.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/menu_record.h"

namespace {

int Depth(const std::vector<tess::ui::MenuEntry>& entries) {
  int deepest = 0;
  for (const tess::ui::MenuEntry& e : entries) {
    const int d = 1 + Depth(e.children);
    if (d > deepest) deepest = d;
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> block = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16),
                                uint8_t(size >> 24)};
  block.insert(block.end(), data, data + size);
  std::vector<tess::ui::MenuEntry> menus;
  std::string message;
  if (!tess::ui::ReadMenuBar(block, &menus, &message)) {
    if (message.empty()) std::abort();
    return 0;
  }
  if (Depth(menus) > tess::ui::kMaxMenuDepth) std::abort();
  return 0;
}
