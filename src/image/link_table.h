// The runtime link table: every entry point that compiled code and plug-ins
// may call by name, generated from tessera/entry_points.h. The table is
// unsorted; image linking scans it once per distinct name, plug-ins go through
// a map built on first use. Where a name occurs twice the first record wins.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tess::image {

struct LinkRecord {
  const char* name;  // nullptr: skipped by every lookup
  void* entry;
  uint32_t reserved[2];
};
static_assert(sizeof(void*) != 4 || sizeof(LinkRecord) == 16, "link records are 16 bytes");

std::span<const LinkRecord> LinkTableRecords();

// Image linking: the first record whose name equals `name` ignoring ASCII
// case; nullptr when none does (and for the empty name).
const LinkRecord* FindLinkRecord(std::string_view name);

// Plug-in lookup: the entry address for `name`, 0 when absent.
void* FindPluginEntry(std::string_view name);

// ASCII case-insensitive equality, the comparison of every runtime name.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace tess::image
