// The resource pool: big-endian u32 count N, N big-endian u32 item offsets
// relative to the end of the offset table, then the items' bytes back to back
// (item 1 first). Unlike the image blocks, the pool is big-endian throughout.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tess::imagetool {

std::vector<uint8_t> BuildPool(const std::vector<std::vector<uint8_t>>& items);

struct PoolItem {
  uint32_t offset = 0;  // relative to the end of the offset table
  uint32_t size = 0;    // up to the next item by offset, or the pool's end
};

// Throws Error when the table or an offset lies outside `pool`.
std::vector<PoolItem> ReadPool(std::span<const uint8_t> pool);

}  // namespace tess::imagetool
