// Drawing objects: the live handle set, pens, brushes, bitmaps, regions,
// stock objects, selection into contexts and deletion. An object selected
// into a context cannot be deleted; a bitmap is selected into at most one
// context at a time.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi_internal.h"

namespace tess::platform {

namespace gdi {
namespace {

std::mutex& LiveLock() {
  static std::mutex m;
  return m;
}
std::unordered_set<GdiObject*>& Live() {
  static std::unordered_set<GdiObject*> s;
  return s;
}

HGDIOBJ MakeStock(int which) {
  std::unique_ptr<GdiObject> o;
  switch (which) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH: {
      static const COLORREF colors[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0};
      auto b = std::make_unique<Brush>();
      b->color = colors[which];
      b->hollow = which == NULL_BRUSH;
      o = std::move(b);
      break;
    }
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN: {
      auto p = std::make_unique<Pen>();
      p->color = which == WHITE_PEN ? 0xFFFFFF : 0;
      p->style = which == NULL_PEN ? PS_NULL : PS_SOLID;
      o = std::move(p);
      break;
    }
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
      auto f = std::make_unique<Font>();
      f->lf.lfHeight = which == SYSTEM_FONT ? 16 : -11;
      f->lf.lfWeight = which == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
      std::strcpy(f->lf.lfFaceName, which == SYSTEM_FONT ? "System" : "MS Sans Serif");
      o = std::move(f);
      break;
    }
    default:
      return nullptr;
  }
  o->stock = true;
  return Register(std::move(o));
}

}  // namespace

HGDIOBJ Register(std::unique_ptr<GdiObject> object) {
  std::lock_guard lock(LiveLock());
  GdiObject* raw = object.release();
  Live().insert(raw);
  return raw;
}

GdiObject* Lookup(HGDIOBJ handle, GdiKind kind) {
  std::lock_guard lock(LiveLock());
  if (!handle || !Live().count(handle) || handle->kind != kind) return nullptr;
  return handle;
}

GdiObject* LookupAny(HGDIOBJ handle) {
  std::lock_guard lock(LiveLock());
  return handle && Live().count(handle) ? handle : nullptr;
}

}  // namespace gdi

using namespace gdi;

HPEN CreatePenWH(int style, int width, int height, COLORREF color) {
  if (style != PS_SOLID && style != PS_DASH && style != PS_DOT && style != PS_NULL &&
      style != PS_INSIDEFRAME)
    return nullptr;
  auto p = std::make_unique<Pen>();
  p->style = style;
  // The classic platform draws width 0 as one pixel; hostile widths are
  // limited to what a surface can hold.
  p->width = std::clamp(width, 1, Surface::kMaxDimension);
  p->height = std::clamp(height, 1, Surface::kMaxDimension);
  p->color = color & 0xFFFFFF;
  return Register(std::move(p));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  return CreatePenWH(style, width, width, color);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<Brush>();
  b->color = color & 0xFFFFFF;
  return Register(std::move(b));
}

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto f = std::make_unique<Font>();
  f->lf = *lf;
  f->lf.lfFaceName[sizeof f->lf.lfFaceName - 1] = '\0';
  return Register(std::move(f));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD, DWORD, DWORD, DWORD,
                 const char* face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = BYTE(italic != 0);
  lf.lfUnderline = BYTE(underline != 0);
  lf.lfStrikeOut = BYTE(strikeOut != 0);
  lf.lfCharSet = BYTE(charSet);
  if (face) std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
  return CreateFontIndirect(&lf);
}

HGDIOBJ GetStockObject(int which) {
  static std::mutex m;
  static HGDIOBJ stock[32] = {};
  if (which < 0 || which >= 32) return nullptr;
  std::lock_guard lock(m);
  if (!stock[which]) stock[which] = MakeStock(which);
  return stock[which];
}

BOOL DeleteObject(HGDIOBJ object) {
  std::lock_guard lock(LiveLock());
  if (!object || !Live().count(object)) return 0;
  if (object->stock) return 1;
  if (object->selections > 0) return 0;
  Live().erase(object);
  delete object;
  return 1;
}

int GetObject(HGDIOBJ object, int size, void* out) {
  GdiObject* o = LookupAny(object);
  if (!o) return 0;
  switch (o->kind) {
    case GdiKind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o);
      if (!out) return int(sizeof(BITMAP));
      if (size < int(sizeof(BITMAP))) return 0;
      BITMAP bm{0,
                b->surface->width(),
                b->surface->height(),
                b->surface->stride(),
                1,
                WORD(b->surface->bitsPerPixel()),
                nullptr};
      std::memcpy(out, &bm, sizeof bm);
      return int(sizeof bm);
    }
    case GdiKind::Font: {
      if (!out) return int(sizeof(LOGFONT));
      if (size < int(sizeof(LOGFONT))) return 0;
      std::memcpy(out, &static_cast<Font*>(o)->lf, sizeof(LOGFONT));
      return int(sizeof(LOGFONT));
    }
    default:
      return 0;
  }
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (planes != 1) return nullptr;
  auto b = std::make_unique<Bitmap>();
  b->surface = Surface::Create(width, height, int(bpp));
  if (!b->surface) return nullptr;
  if (bits) std::memcpy(b->surface->bytes().data(), bits, b->surface->bytes().size());
  return Register(std::move(b));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || info->bmiHeader.biCompression != BI_RGB ||
      info->bmiHeader.biHeight >= 0 || info->bmiHeader.biPlanes != 1)
    return nullptr;
  LONG height = info->bmiHeader.biHeight == INT32_MIN ? 0 : -info->bmiHeader.biHeight;
  HBITMAP b = CreateBitmap(info->bmiHeader.biWidth, height, 1, info->bmiHeader.biBitCount, nullptr);
  if (b && bits) *bits = static_cast<Bitmap*>(b)->surface->bytes().data();
  return b;
}

LONG GetBitmapBits(HBITMAP bitmap, LONG size, void* out) {
  auto* b = As<Bitmap>(bitmap, GdiKind::Bitmap);
  if (!b || size < 0 || !out) return 0;
  size_t n = std::min(size_t(size), b->surface->bytes().size());
  std::memcpy(out, b->surface->bytes().data(), n);
  return LONG(n);
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits) {
  auto* b = As<Bitmap>(bitmap, GdiKind::Bitmap);
  if (!b || !bits) return 0;
  size_t n = std::min(size_t(size), b->surface->bytes().size());
  std::memcpy(b->surface->bytes().data(), bits, n);
  return LONG(n);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_unique<RegionObject>();
  r->region.Add(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                     std::max(top, bottom)});
  return Register(std::move(r));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

namespace {
int Complexity(const Region& r) {
  return r.Empty() ? NULLREGION : r.rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
}  // namespace

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  auto* d = As<RegionObject>(dest, GdiKind::Region);
  auto* ra = As<RegionObject>(a, GdiKind::Region);
  auto* rb = As<RegionObject>(b, GdiKind::Region);
  if (!d || !ra || (mode != RGN_COPY && !rb)) return RGN_ERROR;
  Region result = ra->region;
  switch (mode) {
    case RGN_AND:
      result.Intersect(rb->region);
      break;
    case RGN_OR:
      result.Add(rb->region);
      break;
    case RGN_DIFF:
      result.Subtract(rb->region);
      break;
    case RGN_XOR: {
      Region other = rb->region;
      other.Subtract(ra->region);
      result.Subtract(rb->region);
      result.Add(other);
      break;
    }
    case RGN_COPY:
      break;
    default:
      return RGN_ERROR;
  }
  d->region = result;
  return Complexity(result);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto* r = As<RegionObject>(region, GdiKind::Region);
  return r && r->region.Contains(x, y);
}

int GetRgnBox(HRGN region, RECT* out) {
  auto* r = As<RegionObject>(region, GdiKind::Region);
  if (!r || !out) return RGN_ERROR;
  *out = r->region.Bounds();
  return Complexity(r->region);
}

}  // namespace tess::platform
