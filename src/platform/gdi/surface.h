// Pixel storage for bitmaps and window backings: top-down rows, each row
// padded to 4 bytes, at 1, 16, 24 or 32 bits per pixel. 32-bit pixels are
// 0x00RRGGBB words; 24-bit pixels are blue, green, red bytes; 16-bit pixels
// are 5-5-5 with red in bits 10..14; 1-bit pixels are most significant bit
// first, 1 meaning white. Every access is bounds-checked by the callers that
// take coordinates from outside (Get/Set check themselves; the span writers
// expect clipped spans and say so).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/windef.h"

namespace tess::platform::gdi {

class Surface {
 public:
  // Nullptr for unsupported depths or sizes beyond kMaxDimension / kMaxBytes.
  static std::unique_ptr<Surface> Create(int width, int height, int bitsPerPixel);
  static constexpr int kMaxDimension = 32767;
  static constexpr size_t kMaxBytes = size_t(256) << 20;
  static int StrideFor(int width, int bitsPerPixel) {
    return int(((int64_t(width) * bitsPerPixel + 31) / 32) * 4);
  }

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return bpp_; }
  int stride() const { return stride_; }
  uint8_t* row(int y) { return bits_.data() + size_t(y) * size_t(stride_); }
  const uint8_t* row(int y) const { return bits_.data() + size_t(y) * size_t(stride_); }
  std::vector<uint8_t>& bytes() { return bits_; }
  const std::vector<uint8_t>& bytes() const { return bits_; }

  // Outside the surface: Get answers 0 and Set does nothing.
  COLORREF Get(int x, int y) const;
  void Set(int x, int y, COLORREF color);
  // Fills x0 <= x < x1 on row y; the span must lie inside the surface.
  void FillSpan(int y, int x0, int x1, COLORREF color);
  void Fill(COLORREF color);

  // The stored form of a colour at this depth, and back.
  COLORREF Quantize(COLORREF color) const;

 private:
  Surface(int width, int height, int bpp);
  int width_, height_, bpp_, stride_;
  std::vector<uint8_t> bits_;
};

}  // namespace tess::platform::gdi
