// Pixel access at each depth; see surface.h for the stored layouts.
#include "platform/gdi/surface.h"

#include <algorithm>
#include <new>

namespace tess::platform::gdi {

namespace {

bool IsWhite(COLORREF c) {
  // Luminance as the classic platform's colour-to-monochrome conversion
  // leans: light colours become white.
  int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
  return lum >= 128;
}

uint16_t To555(COLORREF c) {
  return uint16_t((GetRValue(c) >> 3) << 10 | (GetGValue(c) >> 3) << 5 | (GetBValue(c) >> 3));
}

COLORREF From555(uint16_t v) {
  return RGB((v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3);
}

}  // namespace

Surface::Surface(int width, int height, int bpp)
    : width_(width), height_(height), bpp_(bpp), stride_(StrideFor(width, bpp)) {}

std::unique_ptr<Surface> Surface::Create(int width, int height, int bpp) {
  if (bpp != 1 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension) return nullptr;
  size_t bytes = size_t(StrideFor(width, bpp)) * size_t(height);
  if (bytes > kMaxBytes) return nullptr;
  std::unique_ptr<Surface> s(new Surface(width, height, bpp));
  try {
    s->bits_.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return s;
}

COLORREF Surface::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* p = row(y);
  switch (bpp_) {
    case 32: {
      const uint8_t* q = p + x * 4;
      return COLORREF(q[0] | q[1] << 8 | q[2] << 16);
    }
    case 24: {
      const uint8_t* q = p + x * 3;
      return COLORREF(q[0] | q[1] << 8 | q[2] << 16);
    }
    case 16: {
      const uint8_t* q = p + x * 2;
      return From555(uint16_t(q[0] | q[1] << 8));
    }
    default:
      return (p[x >> 3] >> (7 - (x & 7)) & 1) ? 0xFFFFFF : 0;
  }
}

void Surface::Set(int x, int y, COLORREF color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  FillSpan(y, x, x + 1, color);
}

COLORREF Surface::Quantize(COLORREF c) const {
  switch (bpp_) {
    case 32:
    case 24:
      return c & 0xFFFFFF;
    case 16:
      return From555(To555(c));
    default:
      return IsWhite(c) ? 0xFFFFFF : 0;
  }
}

void Surface::FillSpan(int y, int x0, int x1, COLORREF c) {
  uint8_t* p = row(y);
  switch (bpp_) {
    case 32:
      std::fill(reinterpret_cast<uint32_t*>(p) + x0, reinterpret_cast<uint32_t*>(p) + x1,
                uint32_t(c & 0xFFFFFF));
      break;
    case 24:
      for (int x = x0; x < x1; ++x) {
        p[x * 3] = uint8_t(c);
        p[x * 3 + 1] = uint8_t(c >> 8);
        p[x * 3 + 2] = uint8_t(c >> 16);
      }
      break;
    case 16: {
      uint16_t v = To555(c);
      for (int x = x0; x < x1; ++x) {
        p[x * 2] = uint8_t(v);
        p[x * 2 + 1] = uint8_t(v >> 8);
      }
      break;
    }
    default: {
      bool white = IsWhite(c);
      for (int x = x0; x < x1; ++x) {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        if (white)
          p[x >> 3] |= bit;
        else
          p[x >> 3] &= uint8_t(~bit);
      }
    }
  }
}

void Surface::Fill(COLORREF color) {
  for (int y = 0; y < height_; ++y) FillSpan(y, 0, width_, color);
}

}  // namespace tess::platform::gdi
