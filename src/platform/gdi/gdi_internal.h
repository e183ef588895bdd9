// What the drawing code and the window system share about drawing objects
// and device contexts. A handle is valid only while it is in the live set;
// every entry point checks it first, so a stale or forged handle fails the
// call instead of touching freed memory.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/gdi/wingdi.h"

namespace tess::platform {

enum class GdiKind { Pen, Brush, Font, Bitmap, Region };

struct GdiObject {
  explicit GdiObject(GdiKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  GdiKind kind;
  bool stock = false;
  int selections = 0;  // contexts this object is selected into
};

namespace gdi {

struct Pen : GdiObject {
  Pen() : GdiObject(GdiKind::Pen) {}
  int style = PS_SOLID;
  int width = 1, height = 1;
  COLORREF color = 0;
};

struct Brush : GdiObject {
  Brush() : GdiObject(GdiKind::Brush) {}
  bool hollow = false;
  COLORREF color = 0;
};

class FontFace;
struct Font : GdiObject {
  Font() : GdiObject(GdiKind::Font) {}
  LOGFONT lf;
  std::shared_ptr<FontFace> face;  // resolved on first use
};

struct Bitmap : GdiObject {
  Bitmap() : GdiObject(GdiKind::Bitmap) {}
  std::unique_ptr<Surface> surface;
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(GdiKind::Region) {}
  Region region;
};

// Registers a new object in the live set and hands out its handle.
HGDIOBJ Register(std::unique_ptr<GdiObject> object);
// The object when `handle` is live and of that kind, else nullptr.
GdiObject* Lookup(HGDIOBJ handle, GdiKind kind);
template <class T>
T* As(HGDIOBJ handle, GdiKind kind) {
  return static_cast<T*>(Lookup(handle, kind));
}

// Drawing state that SaveDC keeps.
struct DcState {
  HGDIOBJ pen, brush, font, bitmap;
  COLORREF textColor = 0, bkColor = 0xFFFFFF;
  int bkMode = OPAQUE, fillMode = ALTERNATE, rop2 = R2_COPYPEN;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT viewport{}, current{};
  bool hasClip = false;
  Region clip;  // device coordinates
};

class FontFace;

// A device that takes some drawing in its own form rather than as pixels (a
// printer page keeps text as text). The context owns it.
class DeviceSink {
 public:
  virtual ~DeviceSink() = default;
  // Text at device position (x, baseline) in `face`, clipped to `clip`;
  // false leaves it to be rasterised as usual.
  virtual bool Text(DeviceContext& dc, FontFace& face, int64_t x, int64_t baseline,
                    const std::vector<uint32_t>& codepoints, COLORREF color,
                    const Region& clip) = 0;
  // A device capability the device answers itself; false for the default.
  virtual bool Caps(int index, int* value) = 0;
};

}  // namespace gdi

struct DeviceContext {
  gdi::DcState state;
  std::vector<gdi::DcState> saved;
  // Where logical (0, 0) lies on the surface before the viewport origin.
  POINT base{};
  // Pixels the context may touch, in device coordinates (a window's visible
  // part; a whole memory bitmap).
  gdi::Region visible;
  gdi::Surface* surface = nullptr;  // null: the target is gone, drawing fails
  HWND window = nullptr;            // window contexts only
  bool memory = false;
  std::unique_ptr<gdi::DeviceSink> sink;  // printer pages
};

namespace gdi {

// Contexts for the window system: one drawing on `surface` with logical
// (0, 0) at `base`, limited to `visible` (surface coordinates).
HDC CreateSurfaceDC(Surface* surface, POINT base, const Region& visible, HWND window);
bool IsLiveDC(HDC dc);
void DestroySurfaceDC(HDC dc);
// The effective clip of a context, in device coordinates.
Region EffectiveClip(const DeviceContext& dc);
// Fills a rectangle given in device coordinates, clipped; the common path of
// every filled shape.
void FillDeviceRect(DeviceContext& dc, const Region& clip, RECT r, COLORREF color);

}  // namespace gdi
}  // namespace tess::platform
