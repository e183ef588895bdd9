// Resource pool writing and bounds-checked reading.
#include "pool.h"

#include <algorithm>
#include <string>

#include "base/byte_order.h"
#include "error.h"

namespace tess::imagetool {

std::vector<uint8_t> BuildPool(const std::vector<std::vector<uint8_t>>& items) {
  uint64_t total = 4 + 4 * uint64_t(items.size());
  for (const std::vector<uint8_t>& item : items) total += item.size();
  if (total > UINT32_MAX) throw Error("resource pool larger than 4 GiB");
  std::vector<uint8_t> pool(4 + 4 * items.size());
  put_be32(pool.data(), uint32_t(items.size()));
  uint32_t offset = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    put_be32(pool.data() + 4 + 4 * i, offset);
    pool.insert(pool.end(), items[i].begin(), items[i].end());
    offset += uint32_t(items[i].size());
  }
  return pool;
}

std::vector<PoolItem> ReadPool(std::span<const uint8_t> pool) {
  if (pool.size() < 4) throw Error("resource pool too short for its count");
  const uint32_t count = be32(pool.data());
  if (count > (pool.size() - 4) / 4) {
    throw Error("resource pool offset table (" + std::to_string(count) +
                " items) runs past its end");
  }
  const uint64_t area = pool.size() - 4 - 4 * uint64_t(count);
  std::vector<PoolItem> items(count);
  std::vector<uint32_t> starts;
  for (uint32_t i = 0; i < count; ++i) {
    items[i].offset = be32(pool.data() + 4 + 4 * i);
    if (items[i].offset > area) {
      throw Error("resource pool item " + std::to_string(i + 1) + " starts past the pool's end");
    }
    starts.push_back(items[i].offset);
  }
  // Items laid out in order (as BuildPool does) end where their successor
  // starts, which keeps an empty item empty; otherwise an item runs to the
  // next start above it.
  const bool ordered = std::is_sorted(starts.begin(), starts.end());
  std::sort(starts.begin(), starts.end());
  for (uint32_t i = 0; i < count; ++i) {
    PoolItem& item = items[i];
    uint64_t end = area;
    if (ordered) {
      if (i + 1 < count) end = items[i + 1].offset;
    } else {
      auto next = std::upper_bound(starts.begin(), starts.end(), item.offset);
      if (next != starts.end()) end = *next;
    }
    item.size = uint32_t(end - item.offset);
  }
  return items;
}

}  // namespace tess::imagetool
