// Writers of the window layout and menu records, byte for byte the formats
// that ui/layout_record.h and ui/menu_record.h read (and document). The
// builder lays them out from description files; the tests read them back
// through the runtime's readers.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/layout_record.h"
#include "ui/menu_record.h"

namespace tess::imagetool {

// The record bytes, without the u32 byte count that precedes them in a block.
std::vector<uint8_t> WindowLayoutRecord(const ui::WindowLayout& layout);
// Throws Error for entries nested deeper than ui::kMaxMenuDepth, and for a
// child with children but no has-submenu flag (they could not be read back).
std::vector<uint8_t> MenuBarRecord(const std::vector<ui::MenuEntry>& menus);

// `record` preceded by its u32 little-endian byte count.
std::vector<uint8_t> CountedBlock(const std::vector<uint8_t>& record);

}  // namespace tess::imagetool
