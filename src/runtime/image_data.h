// The application image's data segment as the layers below start-up see it:
// records that compiled code hands to the runtime by address (window
// layouts, menu bars) are read only inside it.
#pragma once

#include <cstdint>
#include <span>

namespace tess {

// Start-up records the loaded data segment here.
void SetImageData(std::span<const uint8_t> segment);

// The bytes from `record` to the end of the data segment; empty when
// `record` is null or lies outside it. With no image loaded (tests) a
// record is a u32 little-endian byte count and the bytes it counts.
std::span<const uint8_t> ImageDataFrom(const void* record);

}  // namespace tess
