#include "runtime/project_items.h"

#include <array>

#include "base/byte_order.h"
#include "runtime/image_data.h"

namespace tess {
namespace {

// Kinds run from 1 to 10; start-up refuses the others before asking.
std::array<ProjectItemBuilder, 11> g_builders{};

}  // namespace

void SetProjectItemBuilder(uint32_t kind, ProjectItemBuilder build) {
  if (kind < g_builders.size()) g_builders[kind] = build;
}

ProjectItemBuilder ProjectItemBuilderFor(uint32_t kind) {
  return kind < g_builders.size() ? g_builders[kind] : nullptr;
}

std::span<const uint8_t> ProjectItemFileBytes(const uint8_t* record) {
  std::span<const uint8_t> data = ImageDataFrom(record + 4);
  if (data.size() < 4) return {};
  uint32_t count = le32(data.data());
  if (count > data.size() - 4) return {};
  return data.subspan(4, count);
}

}  // namespace tess
