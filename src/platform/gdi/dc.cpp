// Device contexts: memory contexts over bitmaps, contexts the window system
// makes over window backings, the drawing state (selected objects, colours,
// modes, origin), SaveDC/RestoreDC and clipping. The selection counts on
// objects are kept exact here: each context holds one selection of each of
// its current objects and of those in its saved states.
#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <utility>

#include "platform/gdi/gdi_internal.h"

namespace tess::platform {

namespace gdi {
namespace {

std::mutex& DcLock() {
  static std::mutex m;
  return m;
}
std::unordered_set<DeviceContext*>& LiveDCs() {
  static std::unordered_set<DeviceContext*> s;
  return s;
}

HGDIOBJ DefaultBitmap() {
  static HGDIOBJ b = [] {
    HGDIOBJ h = CreateBitmap(1, 1, 1, 1, nullptr);
    h->stock = true;
    return h;
  }();
  return b;
}

void Hold(HGDIOBJ o) {
  if (o) ++o->selections;
}
void Drop(HGDIOBJ o) {
  if (o) --o->selections;
}
void HoldState(const DcState& s) {
  Hold(s.pen), Hold(s.brush), Hold(s.font), Hold(s.bitmap);
}
void DropState(const DcState& s) {
  Drop(s.pen), Drop(s.brush), Drop(s.font), Drop(s.bitmap);
}

DeviceContext* NewDC() {
  auto* dc = new DeviceContext;
  dc->state.pen = GetStockObject(BLACK_PEN);
  dc->state.brush = GetStockObject(WHITE_BRUSH);
  dc->state.font = GetStockObject(SYSTEM_FONT);
  dc->state.bitmap = nullptr;
  HoldState(dc->state);
  std::lock_guard lock(DcLock());
  LiveDCs().insert(dc);
  return dc;
}

void BindBitmap(DeviceContext* dc) {
  auto* b = As<Bitmap>(dc->state.bitmap, GdiKind::Bitmap);
  dc->surface = b ? b->surface.get() : nullptr;
  dc->visible.Clear();
  if (dc->surface) dc->visible.Add(RECT{0, 0, dc->surface->width(), dc->surface->height()});
}

}  // namespace

bool IsLiveDC(HDC dc) {
  std::lock_guard lock(DcLock());
  return dc && LiveDCs().count(dc);
}

HDC CreateSurfaceDC(Surface* surface, POINT base, const Region& visible, HWND window) {
  DeviceContext* dc = NewDC();
  dc->surface = surface;
  dc->base = base;
  dc->visible = visible;
  dc->window = window;
  dc->state.font = GetStockObject(SYSTEM_FONT);
  return dc;
}

void DestroySurfaceDC(HDC dc) {
  {
    std::lock_guard lock(DcLock());
    if (!LiveDCs().erase(dc)) return;
  }
  DropState(dc->state);
  for (auto& s : dc->saved) DropState(s);
  delete dc;
}

Region EffectiveClip(const DeviceContext& dc) {
  Region r = dc.visible;
  if (dc.surface)
    r.Intersect(RECT{0, 0, dc.surface->width(), dc.surface->height()});
  else
    r.Clear();
  if (dc.state.hasClip) r.Intersect(dc.state.clip);
  return r;
}

void FillDeviceRect(DeviceContext& dc, const Region& clip, RECT r, COLORREF color) {
  Surface* s = dc.surface;
  if (!s) return;
  for (const RECT& c : clip.rects()) {
    LONG l = std::max(r.left, c.left), t = std::max(r.top, c.top);
    LONG rr = std::min(r.right, c.right), b = std::min(r.bottom, c.bottom);
    if (l >= rr || t >= b) continue;
    if (dc.state.rop2 == R2_COPYPEN) {
      for (LONG y = t; y < b; ++y) s->FillSpan(y, l, rr, color);
    } else {
      for (LONG y = t; y < b; ++y)
        for (LONG x = l; x < rr; ++x) {
          COLORREF d = s->Get(x, y);
          switch (dc.state.rop2) {
            case R2_NOT:
              d = ~d;
              break;
            case R2_XORPEN:
              d ^= color;
              break;
            case R2_BLACK:
              d = 0;
              break;
            case R2_WHITE:
              d = 0xFFFFFF;
              break;
            default:
              d = color;
          }
          s->Set(x, y, d & 0xFFFFFF);
        }
    }
  }
}

}  // namespace gdi

using namespace gdi;

HDC CreateCompatibleDC(HDC) {
  DeviceContext* dc = NewDC();
  dc->memory = true;
  dc->state.bitmap = DefaultBitmap();
  Hold(dc->state.bitmap);
  BindBitmap(dc);
  return dc;
}

BOOL DeleteDC(HDC dc) {
  if (!IsLiveDC(dc)) return 0;
  DestroySurfaceDC(dc);
  return 1;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiObject* o = nullptr;
  for (GdiKind k : {GdiKind::Pen, GdiKind::Brush, GdiKind::Font, GdiKind::Bitmap, GdiKind::Region})
    if ((o = Lookup(object, k))) break;
  if (!IsLiveDC(dc) || !o) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case GdiKind::Pen:
      slot = &dc->state.pen;
      break;
    case GdiKind::Brush:
      slot = &dc->state.brush;
      break;
    case GdiKind::Font:
      slot = &dc->state.font;
      break;
    case GdiKind::Bitmap:
      if (!dc->memory) return nullptr;
      // A bitmap draws through one context at a time.
      if (o != dc->state.bitmap && o->selections > 0 && !o->stock) return nullptr;
      slot = &dc->state.bitmap;
      break;
    case GdiKind::Region: {
      int kind = SelectClipRgn(dc, object);
      return reinterpret_cast<HGDIOBJ>(intptr_t(kind));
    }
  }
  HGDIOBJ old = *slot;
  Hold(o);
  Drop(old);
  *slot = o;
  if (o->kind == GdiKind::Bitmap) BindBitmap(dc);
  return old;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT kind) {
  if (!IsLiveDC(dc)) return nullptr;
  switch (kind) {
    case OBJ_PEN:
      return dc->state.pen;
    case OBJ_BRUSH:
      return dc->state.brush;
    case OBJ_FONT:
      return dc->state.font;
    case OBJ_BITMAP:
      return dc->state.bitmap;
    default:
      return nullptr;
  }
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (!IsLiveDC(dc)) return nullptr;
  int bpp = dc->surface && dc->memory ? dc->surface->bitsPerPixel() : 32;
  return CreateBitmap(width, height, 1, UINT(bpp), nullptr);
}

int SaveDC(HDC dc) {
  if (!IsLiveDC(dc)) return 0;
  dc->saved.push_back(dc->state);
  HoldState(dc->state);
  return int(dc->saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
  if (!IsLiveDC(dc)) return 0;
  int n = int(dc->saved.size());
  if (saved < 0) saved = n + 1 + saved;
  if (saved < 1 || saved > n) return 0;
  while (int(dc->saved.size()) > saved) {
    DropState(dc->saved.back());
    dc->saved.pop_back();
  }
  DropState(dc->state);
  dc->state = dc->saved.back();
  dc->saved.pop_back();
  if (dc->memory) BindBitmap(dc);
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!IsLiveDC(dc)) return 0;
  if (int value = 0; dc->sink && dc->sink->Caps(index, &value)) return value;
  switch (index) {
    case BITSPIXEL:
      return dc->surface ? dc->surface->bitsPerPixel() : 32;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case HORZRES:
      return dc->surface ? dc->surface->width() : 0;
    case VERTRES:
      return dc->surface ? dc->surface->height() : 0;
    default:
      return 0;
  }
}

#define TESS_DC_SETTER(Name, Type, field, fail) \
  Type Name(HDC dc, Type value) {               \
    if (!IsLiveDC(dc)) return fail;             \
    Type old = Type(dc->state.field);           \
    dc->state.field = value;                    \
    return old;                                 \
  }
TESS_DC_SETTER(SetTextColor, COLORREF, textColor, CLR_INVALID)
TESS_DC_SETTER(SetBkColor, COLORREF, bkColor, CLR_INVALID)
TESS_DC_SETTER(SetTextAlign, UINT, textAlign, UINT(-1))
#undef TESS_DC_SETTER

COLORREF GetTextColor(HDC dc) {
  return IsLiveDC(dc) ? dc->state.textColor : CLR_INVALID;
}
COLORREF GetBkColor(HDC dc) {
  return IsLiveDC(dc) ? dc->state.bkColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  if (!IsLiveDC(dc) || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  return std::exchange(dc->state.bkMode, mode);
}

int SetPolyFillMode(HDC dc, int mode) {
  if (!IsLiveDC(dc) || (mode != ALTERNATE && mode != WINDING)) return 0;
  return std::exchange(dc->state.fillMode, mode);
}

int SetROP2(HDC dc, int mode) {
  if (!IsLiveDC(dc) || mode < R2_BLACK || mode > R2_WHITE) return 0;
  return std::exchange(dc->state.rop2, mode);
}

namespace {
// Origins stay within +-2^30, so adding one to any 32-bit coordinate in
// 64 bits, or to a surface position in 32, cannot overflow.
LONG Bounded(int64_t v) {
  return LONG(std::clamp<int64_t>(v, -(1 << 30), 1 << 30));
}
}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  if (!IsLiveDC(dc)) return 0;
  if (old) *old = dc->state.viewport;
  dc->state.viewport = {Bounded(x), Bounded(y)};
  return 1;
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  if (!IsLiveDC(dc)) return 0;
  if (old) *old = dc->state.viewport;
  dc->state.viewport.x = Bounded(int64_t(dc->state.viewport.x) + dx);
  dc->state.viewport.y = Bounded(int64_t(dc->state.viewport.y) + dy);
  return 1;
}

namespace {
int ClipResult(HDC dc) {
  Region r = EffectiveClip(*dc);
  return r.Empty() ? NULLREGION : r.rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
RECT ToDevice(HDC dc, int l, int t, int r, int b) {
  int64_t dx = int64_t(dc->base.x) + dc->state.viewport.x;
  int64_t dy = int64_t(dc->base.y) + dc->state.viewport.y;
  auto sat = [](int64_t v) { return LONG(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  return {sat(std::min(l, r) + dx), sat(std::min(t, b) + dy), sat(std::max(l, r) + dx),
          sat(std::max(t, b) + dy)};
}
}  // namespace

int SelectClipRgn(HDC dc, HRGN region) {
  if (!IsLiveDC(dc)) return RGN_ERROR;
  if (!region) {
    dc->state.hasClip = false;
    dc->state.clip.Clear();
    return ClipResult(dc);
  }
  auto* r = As<RegionObject>(region, GdiKind::Region);
  if (!r) return RGN_ERROR;
  // The region is copied: later changes to it do not move the clip.
  dc->state.clip = r->region;
  dc->state.clip.Offset(dc->base.x, dc->base.y);
  dc->state.hasClip = true;
  return ClipResult(dc);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  if (!IsLiveDC(dc)) return RGN_ERROR;
  RECT r = ToDevice(dc, left, top, right, bottom);
  if (!dc->state.hasClip) {
    dc->state.clip = dc->visible;
    dc->state.hasClip = true;
  }
  dc->state.clip.Intersect(r);
  return ClipResult(dc);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  if (!IsLiveDC(dc)) return RGN_ERROR;
  RECT r = ToDevice(dc, left, top, right, bottom);
  if (!dc->state.hasClip) {
    dc->state.clip = dc->visible;
    dc->state.hasClip = true;
  }
  dc->state.clip.Subtract(r);
  return ClipResult(dc);
}

int GetClipBox(HDC dc, RECT* out) {
  if (!IsLiveDC(dc) || !out) return RGN_ERROR;
  Region r = EffectiveClip(*dc);
  RECT b = r.Bounds();
  int dx = dc->base.x + dc->state.viewport.x, dy = dc->base.y + dc->state.viewport.y;
  OffsetRect(&b, -dx, -dy);
  *out = b;
  return ClipResult(dc);
}

}  // namespace tess::platform
