// The input scheme of the fuzz targets over damaged files: a valid image
// patched by records of u32 offset (big-endian, taken modulo the size), u8
// length and that many bytes; a leading 0xFF and a u32 cut the image short
// first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/byte_order.h"

namespace tess::fuzz {

inline void PatchImage(std::string& image, const uint8_t* data, size_t size) {
  size_t at = 0;
  if (size > 4 && data[0] == 0xFF) {
    image.resize(be32(data + 1) % (image.size() + 1));
    at = 5;
  }
  while (at + 5 <= size && !image.empty()) {
    uint32_t offset = be32(data + at) % uint32_t(image.size());
    size_t n = data[at + 4];
    at += 5;
    for (size_t i = 0; i < n && at < size && offset + i < image.size(); ++i, ++at) {
      image[offset + i] = char(data[at]);
    }
  }
}

}  // namespace tess::fuzz
