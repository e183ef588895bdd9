// Copying pixels between contexts: BitBlt and StretchBlt with the common
// raster operations, between surfaces of any depth. Destination pixels are
// limited by the destination's clip; source pixels outside the source
// surface are left out, so no blit reads or writes outside a buffer.
// Monochrome sources draw their 0 bits in the destination's text colour and
// their 1 bits in its background colour, as the classic platform does.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace tess::platform {

using namespace gdi;

namespace {

bool Combine(DWORD rop, COLORREF s, COLORREF d, COLORREF* out) {
  switch (rop) {
    case SRCCOPY:
      *out = s;
      return true;
    case SRCPAINT:
      *out = s | d;
      return true;
    case SRCAND:
      *out = s & d;
      return true;
    case SRCINVERT:
      *out = s ^ d;
      return true;
    case NOTSRCCOPY:
      *out = ~s & 0xFFFFFF;
      return true;
    default:
      return false;
  }
}

bool UsesSource(DWORD rop) {
  return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT ||
         rop == NOTSRCCOPY;
}

}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, DWORD rop) {
  if (!UsesSource(rop)) return PatBlt(dest, x, y, width, height, rop);
  if (!IsLiveDC(dest) || !IsLiveDC(src) || !dest->surface || !src->surface) return 0;
  if (width == 0 || height == 0 || sw == 0 || sh == 0) return 1;
  // Mirroring: a negative extent on one side only flips the picture.
  bool flipX = (width < 0) != (sw < 0), flipY = (height < 0) != (sh < 0);
  int64_t dx0 = int64_t(x) + dest->base.x + dest->state.viewport.x;
  int64_t dy0 = int64_t(y) + dest->base.y + dest->state.viewport.y;
  int64_t dw = width, dh = height;
  // A negative extent runs from the origin backwards, the origin included.
  if (dw < 0) dx0 += dw + 1, dw = -dw;
  if (dh < 0) dy0 += dh + 1, dh = -dh;
  int64_t sx0 = int64_t(sx) + src->base.x + src->state.viewport.x;
  int64_t sy0 = int64_t(sy) + src->base.y + src->state.viewport.y;
  int64_t sww = sw, shh = sh;
  if (sww < 0) sx0 += sww + 1, sww = -sww;
  if (shh < 0) sy0 += shh + 1, shh = -shh;

  // A copy within one surface reads from a snapshot, so overlapping areas
  // come out as if copied at once.
  std::unique_ptr<Surface> snapshot;
  const Surface* from = src->surface;
  if (src->surface == dest->surface) {
    snapshot = Surface::Create(from->width(), from->height(), from->bitsPerPixel());
    if (!snapshot) return 0;
    snapshot->bytes() = from->bytes();
    from = snapshot.get();
  }
  Surface* to = dest->surface;
  bool mono = from->bitsPerPixel() == 1 && to->bitsPerPixel() != 1;
  Region clip = EffectiveClip(*dest);
  bool plain = rop == SRCCOPY && !mono && dw == sww && dh == shh && !flipX && !flipY &&
               from->bitsPerPixel() == to->bitsPerPixel() && dest->state.rop2 == R2_COPYPEN &&
               !dest->sink;  // a device's page keeps its own marks in the words' top byte
  int bytesPerPixel = to->bitsPerPixel() / 8;
  for (const RECT& c : clip.rects()) {
    int64_t l = std::max<int64_t>(c.left, dx0), r = std::min<int64_t>(c.right, dx0 + dw);
    int64_t t = std::max<int64_t>(c.top, dy0), b = std::min<int64_t>(c.bottom, dy0 + dh);
    for (int64_t py = t; py < b; ++py) {
      int64_t ry = (py - dy0) * shh / dh;
      int64_t qy = sy0 + (flipY ? shh - 1 - ry : ry);
      if (qy < 0 || qy >= from->height()) continue;
      if (plain && bytesPerPixel > 0) {
        // Same depth, same size: whole runs of the row at once.
        int64_t a = std::max(l, dx0 - sx0), e = std::min(r, dx0 - sx0 + from->width());
        if (a < e)
          std::memmove(to->row(int(py)) + a * bytesPerPixel,
                       from->row(int(qy)) + (a - dx0 + sx0) * bytesPerPixel,
                       size_t(e - a) * size_t(bytesPerPixel));
        continue;
      }
      for (int64_t px = l; px < r; ++px) {
        int64_t rx = (px - dx0) * sww / dw;
        int64_t qx = sx0 + (flipX ? sww - 1 - rx : rx);
        if (qx < 0 || qx >= from->width()) continue;
        COLORREF s = from->Get(int(qx), int(qy));
        if (mono) s = s ? dest->state.bkColor : dest->state.textColor;
        COLORREF out = s;
        Combine(rop, s, to->Get(int(px), int(py)), &out);
        to->Set(int(px), int(py), out & 0xFFFFFF);
      }
    }
  }
  return 1;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
  if (!UsesSource(rop)) return PatBlt(dest, x, y, width, height, rop);
  return StretchBlt(dest, x, y, width, height, src, sx, sy, width, height, rop);
}

}  // namespace tess::platform

namespace tess::platform {

namespace {

// The common walk of the blends: each destination pixel inside the clip and
// its nearest source pixel, handed to `mix` with the destination surface.
template <typename Mix>
BOOL Blend(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh,
           Mix mix) {
  if (!IsLiveDC(dest) || !IsLiveDC(src) || !dest->surface || !src->surface) return 0;
  if (width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return width == 0 || height == 0;
  int64_t dx0 = int64_t(x) + dest->base.x + dest->state.viewport.x;
  int64_t dy0 = int64_t(y) + dest->base.y + dest->state.viewport.y;
  int64_t sx0 = int64_t(sx) + src->base.x + src->state.viewport.x;
  int64_t sy0 = int64_t(sy) + src->base.y + src->state.viewport.y;
  const Surface* from = src->surface;
  Surface* to = dest->surface;
  Region clip = EffectiveClip(*dest);
  for (const RECT& c : clip.rects()) {
    int64_t l = std::max<int64_t>(c.left, dx0), r = std::min<int64_t>(c.right, dx0 + width);
    int64_t t = std::max<int64_t>(c.top, dy0), b = std::min<int64_t>(c.bottom, dy0 + height);
    for (int64_t py = t; py < b; ++py) {
      int64_t qy = sy0 + (py - dy0) * sh / height;
      if (qy < 0 || qy >= from->height()) continue;
      for (int64_t px = l; px < r; ++px) {
        int64_t qx = sx0 + (px - dx0) * sw / width;
        if (qx < 0 || qx >= from->width()) continue;
        mix(*to, int(px), int(py), *from, int(qx), int(qy));
      }
    }
  }
  return 1;
}

}  // namespace

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, BLENDFUNCTION blend) {
  if (blend.BlendOp != AC_SRC_OVER) return 0;
  bool perPixel = blend.AlphaFormat & AC_SRC_ALPHA;
  if (perPixel && IsLiveDC(src) && src->surface && src->surface->bitsPerPixel() != 32) return 0;
  int constant = blend.SourceConstantAlpha;
  return Blend(dest, x, y, width, height, src, sx, sy, sw, sh,
               [&](Surface& to, int px, int py, const Surface& from, int qx, int qy) {
                 COLORREF s = from.Get(qx, qy);
                 int a = perPixel ? from.row(qy)[qx * 4 + 3] : 255;
                 // Premultiplied source: d = s * ca + d * (1 - a * ca).
                 int sa = a * constant / 255;
                 if (sa == 0 && perPixel && s == 0) return;
                 COLORREF d = to.Get(px, py);
                 auto channel = [&](int shift) {
                   int sc = int(s >> shift & 0xFF), dc = int(d >> shift & 0xFF);
                   int v = sc * constant / 255 + dc * (255 - sa) / 255;
                   return COLORREF(std::min(v, 255)) << shift;
                 };
                 to.Set(px, py, channel(16) | channel(8) | channel(0));
               });
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                    int sh, UINT transparent) {
  COLORREF key = transparent & 0xFFFFFF;
  return Blend(dest, x, y, width, height, src, sx, sy, sw, sh,
               [&](Surface& to, int px, int py, const Surface& from, int qx, int qy) {
                 COLORREF s = from.Get(qx, qy);
                 if (s != key) to.Set(px, py, s);
               });
}

}  // namespace tess::platform
