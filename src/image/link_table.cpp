#include "image/link_table.h"

#include <string>
#include <unordered_map>

#include "tessera/runtime.h"

namespace tess::image {

namespace {

// The table as compiled code sees it: the records, then their count.
struct Table {
#define TESS_ENTRY(result, name, params) LinkRecord name##_record;
#include "tessera/entry_points.h"
#undef TESS_ENTRY
  uint32_t count;
};

constexpr uint32_t kRecordCount = 0
#define TESS_ENTRY(result, name, params) +1
#include "tessera/entry_points.h"
#undef TESS_ENTRY
    ;

const Table kTable = {
#define TESS_ENTRY(result, name, params) {#name, reinterpret_cast<void*>(&name), {0, 0}},
#include "tessera/entry_points.h"
#undef TESS_ENTRY
    kRecordCount,
};
static_assert(sizeof(Table) == sizeof(LinkRecord) * kRecordCount + sizeof(uint32_t),
              "the records and their count are laid out without gaps");

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

struct FoldedHash {
  size_t operator()(std::string_view s) const {
    size_t h = 2166136261u;
    for (char c : s) h = (h ^ uint8_t(FoldAscii(c))) * 16777619u;
    return h;
  }
};
struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const { return EqualsIgnoringCase(a, b); }
};

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::span<const LinkRecord> LinkTableRecords() {
  return {reinterpret_cast<const LinkRecord*>(&kTable), kTable.count};
}

const LinkRecord* FindLinkRecord(std::string_view name) {
  if (name.empty()) return nullptr;
  for (const LinkRecord& record : LinkTableRecords()) {
    if (record.name && EqualsIgnoringCase(record.name, name)) return &record;
  }
  return nullptr;
}

void* FindPluginEntry(std::string_view name) {
  // Built once; emplace keeps the first record of a duplicated name.
  static const auto* const map = [] {
    auto* m = new std::unordered_map<std::string_view, void*, FoldedHash, FoldedEqual>();
    for (const LinkRecord& record : LinkTableRecords()) {
      if (record.name) m->emplace(record.name, record.entry);
    }
    return m;
  }();
  auto it = map->find(name);
  return it == map->end() ? nullptr : it->second;
}

}  // namespace tess::image
