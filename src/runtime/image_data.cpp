#include "runtime/image_data.h"

#include "base/byte_order.h"

namespace tess {
namespace {
std::span<const uint8_t> g_segment;
}  // namespace

void SetImageData(std::span<const uint8_t> segment) {
  g_segment = segment;
}

std::span<const uint8_t> ImageDataFrom(const void* record) {
  auto* p = static_cast<const uint8_t*>(record);
  if (!p) return {};
  if (g_segment.empty()) return {p, size_t(4) + le32(p)};
  auto start = reinterpret_cast<uintptr_t>(g_segment.data());
  auto at = reinterpret_cast<uintptr_t>(p);
  if (at < start || at - start >= g_segment.size()) return {};
  return {p, g_segment.size() - (at - start)};
}

}  // namespace tess
