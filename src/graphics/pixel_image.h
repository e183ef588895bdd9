// The decoded-picture interchange of the picture file codecs, copied here
// until the codecs' own header joins this layer; keep the two identical.
#pragma once

#include <cstdint>
#include <vector>

namespace tess::graphics {

// A decoded picture: rows top first, each pixel 0xAARRGGBB (alpha 0xFF = opaque).
struct PixelImage {
  int32_t width = 0, height = 0;
  int32_t depth = 32;     // bits per pixel of the source: 1, 4, 8, 16, 24 or 32
  bool hasAlpha = false;  // the source carried transparency
  int32_t xResolution = 72, yResolution = 72;  // dots per inch
  std::vector<uint32_t> pixels;                // width * height
};

}  // namespace tess::graphics
