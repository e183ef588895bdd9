// Picture and RGBSurface: the classes, the pixel rules and drawing a
// picture into a context with its mask or transparent colour.
#include "graphics/picture.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "graphics/classes.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/shapes.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "tessera/runtime.h"

namespace tess::graphics {
namespace {

using namespace platform;

ClassObject* g_picture = nullptr;
ClassObject* g_surface = nullptr;

struct PictureFields {
  ObjectHeader header;
  PictureData* data;
};

struct SurfaceFields {
  ObjectHeader header;
  TessObject* picture;  // counted
  PictureData* data;    // the picture's, valid while the reference is held
};

// The bits a picture of `depth` keeps its pixels in.
int StoredDepthFor(int32_t depth) {
  return depth == 1 || depth == 16 || depth == 24 ? depth : 32;
}

// Depths between the supported ones go up to the next; above 32 is 32.
int32_t SupportedDepth(int32_t depth) {
  for (int32_t d : {1, 2, 4, 8, 16, 24, 32})
    if (depth <= d) return d;
  return 32;
}

void FreeBitmap(PictureData& p) {
  if (p.dc) DeleteDC(p.dc);
  if (p.bitmap) DeleteObject(p.bitmap);
  p.dc = nullptr;
  p.bitmap = nullptr;
  p.bits = nullptr;
}

// Gives `p` a white bitmap of its size and depth; false when it cannot be
// held (then `p` keeps no bitmap).
bool MakeBitmap(PictureData& p) {
  p.storedDepth = StoredDepthFor(p.depth);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = p.width;
  info.bmiHeader.biHeight = -p.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = WORD(p.storedDepth);
  void* bits = nullptr;
  p.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!p.bitmap) return false;
  p.bits = static_cast<uint8_t*>(bits);
  p.stride = int32_t(((int64_t(p.width) * p.storedDepth + 31) / 32) * 4);
  p.dc = CreateCompatibleDC(nullptr);
  SelectObject(p.dc, p.bitmap);
  PatBlt(p.dc, 0, 0, p.width, p.height, WHITENESS);
  return true;
}

PictureData* DataOf(TessObject* object) {
  return reinterpret_cast<PictureFields*>(object)->data;
}

void ConstructPicture(TessObject* object, ClassObject*) {
  reinterpret_cast<PictureFields*>(object)->data = new PictureData;
}

void DestructPicture(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<PictureFields*>(object);
  PictureData* p = f->data;
  if (!p) return;
  // The picture's own Graphics may outlive it: it draws nothing from now.
  DetachGraphics(p->graphics);
  UnlockObject(p->graphics);
  UnlockObject(p->mask);
  UnlockObject(p->objects);
  FreeBitmap(*p);
  delete p;
  f->data = nullptr;
}

void DestructSurface(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<SurfaceFields*>(object);
  UnlockObject(f->picture);
  f->picture = nullptr;
  f->data = nullptr;
}

// Where a picture's own Graphics draws.
GraphicsTarget TargetOf(TessObject* picture, const PictureData& p) {
  GraphicsTarget target;
  target.dc = p.dc;
  if (p.depth == 0) target.vectorPicture = picture;
  target.width = p.width;
  target.height = p.height;
  target.background = p.isMask ? 0 : 0xFFFFFF;
  return target;
}

// Gives a picture object its size and depth, all new; raises for sizes it
// cannot hold, leaving the picture as it was.
void Initialise(TessObject* object, int32_t width, int32_t height, int32_t depth) {
  PictureData* p = PictureOf(object);
  if (!p) Raise(RuntimeError::kNilObject);
  PictureData fresh;
  if (depth < 1) {
    fresh.width = std::max(0, width);
    fresh.height = std::max(0, height);
  } else {
    if (width < 1 || height < 1) Raise(RuntimeError::kOutOfBounds);
    fresh.width = width;
    fresh.height = height;
    fresh.depth = SupportedDepth(depth);
    if (!MakeBitmap(fresh)) Raise(RuntimeError::kOutOfMemory);
  }
  FreeBitmap(*p);
  UnlockObject(std::exchange(p->objects, depth < 1 ? NewGroup2D() : nullptr));
  UnlockObject(std::exchange(p->mask, nullptr));
  p->width = fresh.width, p->height = fresh.height, p->depth = fresh.depth;
  p->bitmap = fresh.bitmap, p->dc = fresh.dc, p->bits = fresh.bits;
  p->stride = fresh.stride, p->storedDepth = fresh.storedDepth;
  // The picture's Graphics, if it has one, draws into the new pixels.
  if (p->graphics) RetargetGraphics(p->graphics, TargetOf(object, *p));
}

TessObject* MaskOf(TessObject* picture) {
  PictureData* p = PictureOf(picture);
  if (!p || p->isMask || p->depth == 0) return nullptr;
  if (!p->mask) {
    TessObject* mask = NewPicture(p->width, p->height, 32);
    if (!mask) return nullptr;
    PictureData* m = PictureOf(mask);
    m->isMask = true;
    PatBlt(m->dc, 0, 0, m->width, m->height, BLACKNESS);
    p->mask = mask;
  }
  return p->mask;
}

int Luminance(uint32_t c) {
  return int(((c >> 16 & 0xFF) * 30 + (c >> 8 & 0xFF) * 59 + (c & 0xFF) * 11) / 100);
}

#define PICTURE_PROPERTY(Name, Type, Getter, Setter) \
  { 0, Name, Type, (void*)(Getter), (void*)(Setter), 0 }
const TypeDescriptor kGraphicsType{0, "Graphics", {}};
const TypeDescriptor kGroup2DType{0, "Group2D", {}};
const TypeDescriptor kSurfaceType{0, "RGBSurface", {}};
const TypeDescriptor kPictureType{0, "Picture", {}};

const PropertyRecord kPictureProperties[] = {
    PICTURE_PROPERTY("Width", &kIntegerType, &pictureWidthGetter, nullptr),
    PICTURE_PROPERTY("Height", &kIntegerType, &pictureHeightGetter, nullptr),
    PICTURE_PROPERTY("Graphics", &kGraphicsType, &pictureGraphicsGetter, nullptr),
    PICTURE_PROPERTY("Objects", &kGroup2DType, &pictureGroup2DGetter, &pictureGroup2DSetter),
    PICTURE_PROPERTY("Transparent", &kIntegerType, &pictureTransparentGetter,
                     &pictureTransparentSetter),
    PICTURE_PROPERTY("RGBSurface", &kSurfaceType, &pictureRGBSurfaceGetter, nullptr),
    PICTURE_PROPERTY("ImageCount", &kIntegerType, &pictureImageCountGetter, nullptr),
    PICTURE_PROPERTY("Mask", &kPictureType, &pictureMaskGetter, nullptr),
    PICTURE_PROPERTY("Depth", &kIntegerType, &PictureDepthGetter, nullptr),
    PICTURE_PROPERTY("HorizontalResolution", &kIntegerType, &PictureHResGetter, &PictureHResSetter),
    PICTURE_PROPERTY("VerticalResolution", &kIntegerType, &PictureVResGetter, &PictureVResSetter),
};
#undef PICTURE_PROPERTY

const ParameterRecord kConstructorParameters[] = {
    {"Width", &kIntegerType, {}}, {"Height", &kIntegerType, {}}, {"Depth", &kIntegerType, {}}};
const ParameterRecord kIndexParameter[] = {{"Index", &kIntegerType, {}}};
const ParameterRecord kXY[] = {{"X", &kIntegerType, {}}, {"Y", &kIntegerType, {}}};
const ParameterRecord kXYColor[] = {
    {"X", &kIntegerType, {}}, {"Y", &kIntegerType, {}}, {"Value", &kColorType, {}}};

const MethodRecord kPictureMethods[] = {
    {"Constructor", nullptr, kConstructorParameters, 3, {(void*)&PictureConstructor}, {}},
    {"IndexedImage", &kPictureType, kIndexParameter, 1, {(void*)&pictureIndexedImage}, {}},
};

const MethodRecord kSurfaceMethods[] = {
    {"Pixel", &kColorType, kXY, 2, {(void*)&rgbSurfaceGetPixel}, {(void*)&rgbSurfaceSetPixel}},
};

}  // namespace

void InitPictureClasses() {
  if (g_picture) return;
  g_picture = BuildClass("Picture", RootClass(), int32_t(sizeof(PictureFields)), &ConstructPicture,
                         &DestructPicture, kPictureProperties, kPictureMethods);
  g_surface = BuildClass("RGBSurface", RootClass(), int32_t(sizeof(SurfaceFields)), nullptr,
                         &DestructSurface, {}, kSurfaceMethods);
}

PictureData* PictureOf(TessObject* object) {
  return object && g_picture && IsA(object, g_picture) ? DataOf(object) : nullptr;
}

bool IsPicture(TessObject* object) {
  return PictureOf(object) != nullptr;
}

TessObject* NewPicture(int32_t width, int32_t height, int32_t depth) {
  ObjectRef picture = ObjectRef::Adopt(CreateObject(g_picture));
  try {
    Initialise(picture.get(), width, height, depth);
  } catch (LanguageException&) {
    return nullptr;
  }
  return picture.Release();
}

void DrawPictureScaled(HDC dc, TessObject* picture, int32_t x, int32_t y, int32_t width,
                       int32_t height, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  PictureData* p = PictureOf(picture);
  if (!p || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return;
  if (p->depth == 0) {
    if (!p->objects) return;
    double scaleX = double(width) / sw, scaleY = double(height) / sh;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, x, y, int(std::min<int64_t>(int64_t(x) + width, INT32_MAX)),
                      int(std::min<int64_t>(int64_t(y) + height, INT32_MAX)));
    DrawShapeObjectPlaced(dc, p->objects,
                          Placement{x - sx * scaleX, y - sy * scaleY, scaleX, scaleY});
    RestoreDC(dc, saved);
    return;
  }
  // Only the part of the source inside the picture is drawn.
  int64_t cx0 = std::max<int64_t>(sx, 0), cy0 = std::max<int64_t>(sy, 0);
  int64_t cx1 = std::min<int64_t>(int64_t(sx) + sw, p->width);
  int64_t cy1 = std::min<int64_t>(int64_t(sy) + sh, p->height);
  if (cx0 >= cx1 || cy0 >= cy1) return;
  int saved = SaveDC(dc);
  SetTextColor(dc, 0);
  SetBkColor(dc, 0xFFFFFF);
  SetROP2(dc, R2_COPYPEN);
  // Destination edges of the part drawn, held to what a context can address.
  auto edge = [](int64_t v) { return int(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  int dx = edge(x + (cx0 - sx) * width / sw), dy = edge(y + (cy0 - sy) * height / sh);
  int dw = edge(x + (cx1 - sx) * width / sw) - dx, dh = edge(y + (cy1 - sy) * height / sh) - dy;
  int srcX = int(cx0), srcY = int(cy0), srcW = int(cx1 - cx0), srcH = int(cy1 - cy0);
  PictureData* mask = PictureOf(p->mask);
  if (mask) {
    // A premultiplied copy of the source part, its alpha from the mask.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), srcW, -srcH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP blend = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (blend) {
      auto* out = static_cast<uint32_t*>(bits);
      for (int j = 0; j < srcH; ++j)
        for (int i = 0; i < srcW; ++i) {
          COLORREF c = GetPixel(p->dc, srcX + i, srcY + j);
          uint32_t a = 255 - uint32_t(Luminance(GetSurfacePixel(*mask, srcX + i, srcY + j)));
          uint32_t r = (c >> 16 & 0xFF) * a / 255, g = (c >> 8 & 0xFF) * a / 255,
                   b = (c & 0xFF) * a / 255;
          out[size_t(j) * size_t(srcW) + size_t(i)] = a << 24 | r << 16 | g << 8 | b;
        }
      HDC blendDC = CreateCompatibleDC(nullptr);
      SelectObject(blendDC, blend);
      AlphaBlend(dc, dx, dy, dw, dh, blendDC, 0, 0, srcW, srcH,
                 BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
      DeleteDC(blendDC);
      DeleteObject(blend);
    }
  } else if (p->transparent == 1) {
    TransparentBlt(dc, dx, dy, dw, dh, p->dc, srcX, srcY, srcW, srcH, 0xFFFFFF);
  } else {
    StretchBlt(dc, dx, dy, dw, dh, p->dc, srcX, srcY, srcW, srcH, SRCCOPY);
  }
  RestoreDC(dc, saved);
}

void DrawPictureAt(HDC dc, TessObject* picture, int32_t x, int32_t y) {
  if (PictureData* p = PictureOf(picture))
    DrawPictureScaled(dc, picture, x, y, p->width, p->height, 0, 0, p->width, p->height);
}

TessObject* PictureFromPixelImage(const PixelImage& image) {
  if (image.width < 1 || image.height < 1 ||
      uint64_t(image.pixels.size()) != uint64_t(image.width) * uint64_t(image.height))
    return nullptr;
  int32_t depth = image.hasAlpha || image.depth > 24 ? 32 : image.depth == 16 ? 16 : 24;
  TessObject* picture = NewPicture(image.width, image.height, depth);
  if (!picture) return nullptr;
  PictureData& p = *PictureOf(picture);
  p.hResolution = image.xResolution;
  p.vResolution = image.yResolution;
  PictureData* mask = image.hasAlpha ? PictureOf(MaskOf(picture)) : nullptr;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t v = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
      SetSurfacePixel(p, x, y, v & 0xFFFFFF);
      if (mask) {
        uint32_t t = 255 - (v >> 24);
        SetSurfacePixel(*mask, x, y, t << 16 | t << 8 | t);
      }
    }
  return picture;
}

bool PixelImageFromPicture(TessObject* picture, PixelImage* out) {
  PictureData* p = PictureOf(picture);
  if (!p || !p->dc || !out) return false;
  PictureData* mask = PictureOf(p->mask);
  out->width = p->width;
  out->height = p->height;
  out->depth = p->depth;
  out->hasAlpha = mask != nullptr;
  out->xResolution = p->hResolution;
  out->yResolution = p->vResolution;
  try {
    out->pixels.assign(size_t(p->width) * size_t(p->height), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t y = 0; y < p->height; ++y)
    for (int32_t x = 0; x < p->width; ++x) {
      uint32_t alpha = mask ? 255 - uint32_t(Luminance(GetSurfacePixel(*mask, x, y))) : 255;
      out->pixels[size_t(y) * size_t(p->width) + size_t(x)] =
          alpha << 24 | (GetPixel(p->dc, x, y) & 0xFFFFFF);
    }
  return true;
}

}  // namespace tess::graphics

using namespace tess;
using namespace tess::graphics;

namespace {

PictureData& Picture(TessObject* object) {
  PictureData* p = PictureOf(object);
  if (!p) Raise(RuntimeError::kNilObject);
  return *p;
}

// Out of the pixel entries' way, so that they stay leaf functions.
[[gnu::noinline, gnu::cold]] void CheckOtherSurface(TessObject* surface) {
  if (!surface) AtEntry([] { Raise(RuntimeError::kNilObject); });
  if (!IsA(surface, g_surface)) AtEntry([] { Raise(RuntimeError::kIllegalCast); });
}

inline PictureData& SurfaceData(TessObject* surface) {
  if (!surface || Header(surface)->cls != g_surface) CheckOtherSurface(surface);
  return *reinterpret_cast<SurfaceFields*>(surface)->data;
}

}  // namespace

extern "C" {

void PictureConstructor(TessObject* picture, int32_t width, int32_t height, int32_t depth) {
  AtEntry([&] { Initialise(picture, width, height, depth); });
}

TessObject* newPicture(int32_t width, int32_t height, int32_t depth) {
  return AtEntry([&] {
    ObjectRef picture = ObjectRef::Adopt(CreateObject(g_picture));
    Initialise(picture.get(), width, height, depth);
    return picture.Release();
  });
}

int32_t pictureWidthGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).width; });
}

int32_t pictureHeightGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).height; });
}

int32_t PictureDepthGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).depth; });
}

TessObject* pictureGraphicsGetter(TessObject* picture, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    PictureData& p = Picture(picture);
    if (!p.graphics) p.graphics = NewGraphics(TargetOf(picture, p));
    LockObject(p.graphics);
    return p.graphics;
  });
}

TessObject* pictureGroup2DGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] {
    TessObject* objects = Picture(picture).objects;
    LockObject(objects);
    return objects;
  });
}

void pictureGroup2DSetter(TessObject* picture, uint32_t, TessObject* group) {
  AtEntry([&] {
    PictureData& p = Picture(picture);
    if (group && !IsObject2D(group)) Raise(RuntimeError::kIllegalCast);
    LockObject(group);
    UnlockObject(p.objects);
    p.objects = group;
  });
}

int32_t pictureTransparentGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).transparent; });
}

void pictureTransparentSetter(TessObject* picture, uint32_t, int32_t value) {
  AtEntry([&] { Picture(picture).transparent = value; });
}

TessObject* pictureRGBSurfaceGetter(TessObject* picture, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    PictureData& p = Picture(picture);
    if (p.depth == 0) return nullptr;
    TessObject* surface = CreateObject(g_surface);
    auto* f = reinterpret_cast<SurfaceFields*>(surface);
    LockObject(picture);
    f->picture = picture;
    f->data = &p;
    return surface;
  });
}

int32_t pictureImageCountGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).depth == 0 ? 0 : 1; });
}

TessObject* pictureIndexedImage(TessObject* picture, int32_t index) {
  return AtEntry([&]() -> TessObject* {
    PictureData& p = Picture(picture);
    if (index != 0 || p.depth == 0) Raise(RuntimeError::kOutOfBounds);
    LockObject(picture);
    return picture;
  });
}

TessObject* pictureMaskGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] {
    Picture(picture);
    TessObject* mask = MaskOf(picture);
    LockObject(mask);
    return mask;
  });
}

int32_t PictureHResGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).hResolution; });
}
void PictureHResSetter(TessObject* picture, uint32_t, int32_t value) {
  AtEntry([&] { Picture(picture).hResolution = value; });
}
int32_t PictureVResGetter(TessObject* picture, uint32_t) {
  return AtEntry([&] { return Picture(picture).vResolution; });
}
void PictureVResSetter(TessObject* picture, uint32_t, int32_t value) {
  AtEntry([&] { Picture(picture).vResolution = value; });
}

// The hot path of pixel loops: no exception frame unless the surface is nil.
int32_t rgbSurfaceGetPixel(TessObject* surface, int32_t x, int32_t y) {
  return int32_t(GetSurfacePixel(SurfaceData(surface), x, y));
}

void rgbSurfaceSetPixel(TessObject* surface, int32_t x, int32_t y, int32_t color) {
  SetSurfacePixel(SurfaceData(surface), x, y, uint32_t(color));
}

}  // extern "C"
