// Pictures and comparisons shared by the codec tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/codecs/picture_codec.h"

namespace tess::graphics::test {

// A picture of `colours` distinct opaque colours in diagonal stripes, so every
// row and column differs from its neighbours.
inline PixelImage Stripes(int width, int height, int depth, const std::vector<uint32_t>& colours) {
  PixelImage image;
  image.width = width, image.height = height, image.depth = depth;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.pixels.push_back(0xFF000000u | colours[size_t(x + 2 * y) % colours.size()]);
    }
  }
  return image;
}

// A smooth picture for lossy formats: red across, green down, blue diagonal.
inline PixelImage Gradient(int width, int height) {
  PixelImage image;
  image.width = width, image.height = height, image.depth = 24;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t r = uint32_t(x * 255 / (width - 1)), g = uint32_t(y * 255 / (height - 1));
      uint32_t b = uint32_t((x + y) * 255 / (width + height - 2));
      image.pixels.push_back(0xFF000000u | r << 16 | g << 8 | b);
    }
  }
  return image;
}

// The largest difference of any channel (alpha included) between two pictures.
inline int MaxChannelDifference(const PixelImage& a, const PixelImage& b) {
  int worst = 0;
  for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      int d = std::abs(int((a.pixels[i] >> shift) & 255) - int((b.pixels[i] >> shift) & 255));
      if (d > worst) worst = d;
    }
  }
  return worst;
}

inline void ExpectSamePixels(const PixelImage& expected, const PixelImage& actual, int tolerance) {
  ASSERT_EQ(expected.width, actual.width);
  ASSERT_EQ(expected.height, actual.height);
  ASSERT_EQ(expected.pixels.size(), actual.pixels.size());
  if (tolerance == 0) {
    for (size_t i = 0; i < expected.pixels.size(); ++i) {
      ASSERT_EQ(expected.pixels[i], actual.pixels[i])
          << "pixel " << i % size_t(expected.width) << "," << i / size_t(expected.width);
    }
  } else {
    EXPECT_LE(MaxChannelDifference(expected, actual), tolerance);
  }
}

inline const std::vector<uint32_t> kSixteen = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
    0x336699, 0x996633, 0xCC3300, 0x00CC66, 0x6600CC, 0x999999, 0x333333, 0xCCCCCC,
};

}  // namespace tess::graphics::test
