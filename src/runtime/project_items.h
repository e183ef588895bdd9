// Builders for the project item kinds that belong to subsystems above
// start-up (pictures, sounds, movies, cursors, databases): each registers
// the kind it owns, and start-up fills the item's slot with what it builds.
#pragma once

#include <cstdint>
#include <span>

struct TessObject;

namespace tess {

// Builds the object of one project item record (the record starts with its
// kind); returns nil when the record cannot be read.
using ProjectItemBuilder = TessObject* (*)(const uint8_t* record);

void SetProjectItemBuilder(uint32_t kind, ProjectItemBuilder build);
ProjectItemBuilder ProjectItemBuilderFor(uint32_t kind);

// The embedded file of a record that carries one (pictures, sounds,
// movies): u32 kind, u32 byte count, the bytes. Empty when the count runs
// past the image's data.
std::span<const uint8_t> ProjectItemFileBytes(const uint8_t* record);

}  // namespace tess
