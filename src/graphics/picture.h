// Pictures: bitmaps of 1 to 32 bits per pixel over a device-independent
// bitmap selected into a memory context, or vector pictures holding a
// Group2D of shapes; their mask, RGBSurface and Graphics.
//
// Storage: depths 1, 16, 24 and 32 keep their pixels at that depth (the
// layouts RGBSurface reads and writes); 2, 4 and 8 draw into 32-bit pixels
// but their RGBSurface reads 0 and ignores writes. The mask is a 32-bit
// picture of the same size made on first use, black (opaque) throughout:
// a mask pixel's brightness is the picture pixel's transparency, white
// fully transparent. Transparent = 1 (without a mask) leaves white pixels
// out when the picture is drawn.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/pixel_image.h"
#include "platform/gdi/wingdi.h"
#include "tessera/types.h"

namespace tess::graphics {

struct PictureData {
  int32_t width = 0, height = 0, depth = 0;  // depth 0: a vector picture
  platform::HBITMAP bitmap = nullptr;
  platform::HDC dc = nullptr;
  uint8_t* bits = nullptr;  // rows top-down, `stride` bytes each
  int32_t stride = 0;
  int32_t storedDepth = 0;  // bits per pixel of `bits`
  int32_t transparent = 0;
  int32_t hResolution = 72, vResolution = 72;
  TessObject* mask = nullptr;      // counted; made on first use
  TessObject* objects = nullptr;   // counted Group2D; vector pictures
  TessObject* graphics = nullptr;  // counted; the picture's own Graphics
  bool isMask = false;
};

void InitPictureClasses();

// A new picture (one reference) or nil when the size or depth cannot be
// held; depth < 1 makes a vector picture.
TessObject* NewPicture(int32_t width, int32_t height, int32_t depth);
PictureData* PictureOf(TessObject* object);  // null for anything else

// Pictures from and to the codecs' interchange form. From: a 32-bit
// picture (or 24 when the source had no alpha and fewer bits), with a
// mask when the source carried transparency. To: 0xAARRGGBB pixels, the
// alpha from the mask.
TessObject* PictureFromPixelImage(const PixelImage& image);
bool PixelImageFromPicture(TessObject* picture, PixelImage* out);

// Draws `picture`'s source rectangle scaled into the destination
// rectangle of `dc` (logical coordinates), with the mask and transparency.
void DrawPictureScaled(platform::HDC dc, TessObject* picture, int32_t x, int32_t y, int32_t width,
                       int32_t height, int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// Pixel access by the RGBSurface rules: 0 and no write outside the
// picture or at depths without a defined layout. Inline: pixel loops in
// applications call these a million times.
inline uint32_t GetSurfacePixel(const PictureData& p, int32_t x, int32_t y) {
  if (!p.bits || uint32_t(x) >= uint32_t(p.width) || uint32_t(y) >= uint32_t(p.height)) return 0;
  const uint8_t* row = p.bits + size_t(y) * size_t(p.stride);
  switch (p.depth) {
    case 32:
      return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    case 24: {
      const uint8_t* q = row + x * 3;
      return uint32_t(q[0] | q[1] << 8 | q[2] << 16);
    }
    case 16: {
      uint32_t v = uint32_t(row[x * 2] | row[x * 2 + 1] << 8);
      return (v >> 10 & 31) << 19 | (v >> 5 & 31) << 11 | (v & 31) << 3;
    }
    default:
      return 0;
  }
}

inline void SetSurfacePixel(PictureData& p, int32_t x, int32_t y, uint32_t color) {
  if (!p.bits || uint32_t(x) >= uint32_t(p.width) || uint32_t(y) >= uint32_t(p.height)) return;
  uint8_t* row = p.bits + size_t(y) * size_t(p.stride);
  switch (p.depth) {
    case 32:
      reinterpret_cast<uint32_t*>(row)[x] = color & 0xFFFFFF;
      break;
    case 24: {
      uint8_t* q = row + x * 3;
      q[0] = uint8_t(color), q[1] = uint8_t(color >> 8), q[2] = uint8_t(color >> 16);
      break;
    }
    case 16: {
      uint32_t v = (color >> 19 & 31) << 10 | (color >> 11 & 31) << 5 | (color >> 3 & 31);
      row[x * 2] = uint8_t(v), row[x * 2 + 1] = uint8_t(v >> 8);
      break;
    }
    default:
      break;
  }
}

}  // namespace tess::graphics
