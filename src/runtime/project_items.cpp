#include "runtime/project_items.h"

#include <array>

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

}  // namespace tess
