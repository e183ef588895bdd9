// Pictures: the depth rule, RGBSurface's stored layouts per depth, masks and
// the transparent colour when drawn, scaling, the codecs' interchange form,
// and vector shapes drawn and hit-tested.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "graphics/shapes.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "values/value_classes.h"

namespace tess::graphics {
namespace {

using test::RaisedBy;

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    InitGraphics();
  }
  TessObject* Keep(TessObject* o) {
    kept_.push_back(ObjectRef::Adopt(o));
    return o;
  }
  TessObject* New(const char* cls) { return Keep(CreateObject(FindClassByName(cls))); }
  // Sets a property through its record, as compiled code does.
  template <typename T>
  static void Set(TessObject* o, const char* name, T v) {
    for (const ClassObject* c = Header(o)->cls; c; c = c->superclass)
      for (const PropertyDescriptor* p = c->properties; p; p = p->next)
        if (View(p->name) == name) {
          reinterpret_cast<void (*)(TessObject*, uint32_t, T)>(p->setter)(o, p->parameter, v);
          return;
        }
    ADD_FAILURE() << "no property " << name;
  }
  static void SetDouble(TessObject* o, const char* name, double v) { Set(o, name, v); }
  static void SetInt(TessObject* o, const char* name, int32_t v) { Set(o, name, v); }
  static uint32_t Pixel(TessObject* picture, int x, int y) {
    return platform::GetPixel(PictureOf(picture)->dc, x, y);
  }
  std::vector<ObjectRef> kept_;
};

TEST_F(PictureTest, DepthRuleMakesBitmapsOrVectorPictures) {
  TessObject* vector = Keep(newPicture(30, 20, 0));
  EXPECT_EQ(PictureDepthGetter(vector, 0), 0);
  ObjectRef objects = ObjectRef::Adopt(pictureGroup2DGetter(vector, 0));
  ASSERT_TRUE(objects.get());
  EXPECT_EQ(Group2DCount(objects.get(), 0), 0);
  EXPECT_EQ(pictureImageCountGetter(vector, 0), 0);
  EXPECT_EQ(pictureRGBSurfaceGetter(vector, 0), nullptr);

  const struct {
    int32_t asked, made;
  } depths[] = {{1, 1}, {2, 2}, {3, 4}, {8, 8}, {12, 16}, {16, 16}, {24, 24}, {32, 32}, {48, 32}};
  for (auto d : depths) {
    TessObject* p = Keep(newPicture(5, 4, d.asked));
    EXPECT_EQ(PictureDepthGetter(p, 0), d.made) << d.asked;
    EXPECT_EQ(pictureWidthGetter(p, 0), 5);
    EXPECT_EQ(pictureHeightGetter(p, 0), 4);
    EXPECT_EQ(pictureGroup2DGetter(p, 0), nullptr);
    EXPECT_EQ(pictureImageCountGetter(p, 0), 1);
    EXPECT_EQ(PictureHResGetter(p, 0), 72);
  }
  const ClassObject* bounds = FindClassByName("OutOfBoundsException");
  const ClassObject* memory = FindClassByName("OutOfMemoryException");
  EXPECT_EQ(RaisedBy([] { UnlockObject(newPicture(0, 10, 32)); }), bounds);
  EXPECT_EQ(RaisedBy([] { UnlockObject(newPicture(10, -1, 32)); }), bounds);
  EXPECT_EQ(RaisedBy([] { UnlockObject(newPicture(30000, 30000, 32)); }), memory);
  EXPECT_EQ(RaisedBy([] { pictureWidthGetter(nullptr, 0); }),
            FindClassByName("NilObjectException"));
}

TEST_F(PictureTest, ConstructingAgainReplacesThePixelsAndKeepsTheGraphics) {
  TessObject* pic = Keep(newPicture(4, 4, 32));
  ObjectRef g = ObjectRef::Adopt(pictureGraphicsGetter(pic, 0));
  const ClassObject* bounds = FindClassByName("OutOfBoundsException");
  EXPECT_EQ(RaisedBy([&] { PictureConstructor(pic, 0, 3, 32); }), bounds);
  EXPECT_EQ(pictureWidthGetter(pic, 0), 4) << "a refused size leaves the picture";
  graphicsPixelSetter(g.get(), 3, 3, 0x112233);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 3, 3), 0x112233);
  PictureConstructor(pic, 7, 5, 16);
  EXPECT_EQ(PictureDepthGetter(pic, 0), 16);
  EXPECT_EQ(graphicsWidthGetter(g.get(), 0), 7);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 3, 3), 0xF8F8F8) << "new, white pixels";
  RuntimeGraphicsFillRect(g.get(), 0, 0, 7, 5);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 6, 4), 0);
  ObjectRef same = ObjectRef::Adopt(pictureGraphicsGetter(pic, 0));
  EXPECT_EQ(same.get(), g.get());
}

TEST_F(PictureTest, SurfacePixelsFollowTheStoredLayoutOfEachDepth) {
  const struct {
    int32_t depth;
    uint32_t written, read;
    std::vector<uint8_t> stored;  // the pixel's bytes at (1, 1)
  } cases[] = {
      {32, 0xFF123456, 0x123456, {0x56, 0x34, 0x12, 0x00}},
      {24, 0x123456, 0x123456, {0x56, 0x34, 0x12}},
      // 5-5-5, red in bits 10-14: 0x12>>3=2, 0x34>>3=6, 0x5F>>3=11.
      {16, 0x12345F, 0x103058, {uint8_t((6 << 5 | 11) & 0xFF), uint8_t(2 << 2 | 6 >> 3)}},
      {8, 0x123456, 0, {}},
      {1, 0x000000, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    TessObject* pic = Keep(newPicture(3, 3, c.depth));
    ObjectRef surface = ObjectRef::Adopt(pictureRGBSurfaceGetter(pic, 0));
    rgbSurfaceSetPixel(surface.get(), 1, 1, int32_t(c.written));
    EXPECT_EQ(uint32_t(rgbSurfaceGetPixel(surface.get(), 1, 1)), c.read);
    PictureData* p = PictureOf(pic);
    if (!c.stored.empty()) {
      const uint8_t* at = p->bits + p->stride + c.stored.size();
      EXPECT_EQ(std::vector<uint8_t>(at, at + c.stored.size()), c.stored);
    }
    // Outside the picture: 0, and nothing written.
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 3}, {0, -1}}) {
      rgbSurfaceSetPixel(surface.get(), x, y, 0x00FF00);
      EXPECT_EQ(rgbSurfaceGetPixel(surface.get(), x, y), 0);
    }
  }
  // The surface keeps its picture alive.
  ObjectRef surface = ObjectRef::Adopt(pictureRGBSurfaceGetter(Keep(newPicture(2, 2, 32)), 0));
  kept_.clear();
  rgbSurfaceSetPixel(surface.get(), 1, 1, 0xABCDEF);
  EXPECT_EQ(rgbSurfaceGetPixel(surface.get(), 1, 1), 0xABCDEF);
  EXPECT_EQ(RaisedBy([] { rgbSurfaceGetPixel(nullptr, 0, 0); }),
            FindClassByName("NilObjectException"));
}

TEST_F(PictureTest, DrawingHonoursMaskTransparencyAndScale) {
  // Source: red with a white pixel at (1, 0); destination blue.
  TessObject* src = Keep(newPicture(2, 2, 32));
  ObjectRef s = ObjectRef::Adopt(pictureRGBSurfaceGetter(src, 0));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) rgbSurfaceSetPixel(s.get(), x, y, 0xFF0000);
  rgbSurfaceSetPixel(s.get(), 1, 0, 0xFFFFFF);
  auto drawInto = [&](int w, int h) {
    TessObject* dest = Keep(newPicture(4, 4, 32));
    ObjectRef g = ObjectRef::Adopt(pictureGraphicsGetter(dest, 0));
    graphicsForeColorSetter(g.get(), 0, 0x0000FF);
    RuntimeGraphicsFillRect(g.get(), 0, 0, 4, 4);
    RuntimeGraphicsDrawPicture(g.get(), src, 1, 1, w, h, -10000, -10000, -10000, -10000);
    return dest;
  };
  TessObject* plain = drawInto(-10000, -10000);
  EXPECT_EQ(Pixel(plain, 1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(plain, 2, 1), 0xFFFFFFu);
  EXPECT_EQ(Pixel(plain, 3, 3), 0x0000FFu);

  TessObject* scaled = drawInto(2, 2 * 1 + 2);
  EXPECT_EQ(Pixel(scaled, 1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(scaled, 1, 4 - 1), 0xFF0000u);  // stretched down
  EXPECT_EQ(Pixel(scaled, 2, 1), 0xFFFFFFu);
  EXPECT_EQ(Pixel(scaled, 2, 2), 0xFFFFFFu);

  pictureTransparentSetter(src, 0, 1);
  TessObject* transparent = drawInto(-10000, -10000);
  EXPECT_EQ(Pixel(transparent, 1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(transparent, 2, 1), 0x0000FFu);  // white left out

  // A mask: black opaque, white transparent, grey half.
  ObjectRef mask = ObjectRef::Adopt(pictureMaskGetter(src, 0));
  ASSERT_TRUE(mask.get());
  EXPECT_EQ(pictureMaskGetter(mask.get(), 0), nullptr);
  ObjectRef m = ObjectRef::Adopt(pictureRGBSurfaceGetter(mask.get(), 0));
  EXPECT_EQ(rgbSurfaceGetPixel(m.get(), 0, 0), 0);
  rgbSurfaceSetPixel(m.get(), 0, 1, 0xFFFFFF);
  rgbSurfaceSetPixel(m.get(), 1, 1, 0x808080);
  TessObject* masked = drawInto(-10000, -10000);
  EXPECT_EQ(Pixel(masked, 1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(masked, 1, 2), 0x0000FFu);
  uint32_t half = Pixel(masked, 2, 2);
  EXPECT_NEAR(int(half >> 16), 0x7F, 2);
  EXPECT_NEAR(int(half & 0xFF), 0x80, 2);
}

TEST_F(PictureTest, InterchangeFormRoundTripsPixelsAndAlpha) {
  PixelImage in;
  in.width = 3;
  in.height = 2;
  in.hasAlpha = true;
  in.xResolution = 96;
  in.pixels = {0xFF102030, 0x00405060, 0x80708090, 0xFFFFFFFF, 0xFF000000, 0x7F0000FF};
  TessObject* pic = Keep(PictureFromPixelImage(in));
  ASSERT_TRUE(pic);
  EXPECT_EQ(PictureDepthGetter(pic, 0), 32);
  EXPECT_EQ(PictureHResGetter(pic, 0), 96);
  PixelImage out;
  ASSERT_TRUE(PixelImageFromPicture(pic, &out));
  EXPECT_TRUE(out.hasAlpha);
  ASSERT_EQ(out.pixels.size(), in.pixels.size());
  for (size_t i = 0; i < in.pixels.size(); ++i) {
    EXPECT_EQ(out.pixels[i] & 0xFFFFFF, in.pixels[i] & 0xFFFFFF) << i;
    EXPECT_NEAR(int(out.pixels[i] >> 24), int(in.pixels[i] >> 24), 1) << i;
  }
  // Without alpha: no mask, opaque pixels back.
  in.hasAlpha = false;
  in.depth = 24;
  TessObject* opaque = Keep(PictureFromPixelImage(in));
  EXPECT_EQ(PictureDepthGetter(opaque, 0), 24);
  ASSERT_TRUE(PixelImageFromPicture(opaque, &out));
  EXPECT_FALSE(out.hasAlpha);
  EXPECT_EQ(out.pixels[1], 0xFF405060u);
  // Damaged interchange data is refused.
  in.pixels.pop_back();
  EXPECT_EQ(PictureFromPixelImage(in), nullptr);
}

TEST_F(PictureTest, ShapesDrawWhereTheirTransformPutsThem) {
  TessObject* rect = New("RectShape");
  SetDouble(rect, "X", 10);
  SetDouble(rect, "Y", 8);
  SetDouble(rect, "Width", 6);
  SetDouble(rect, "Height", 4);
  SetInt(rect, "FillColor", 0xFF0000);
  TessObject* pic = Keep(newPicture(30, 20, 32));
  ObjectRef g = ObjectRef::Adopt(pictureGraphicsGetter(pic, 0));
  RuntimeGraphicsDrawObjectXY(g.get(), rect, 2, 1);
  // Centred on (12, 9): columns 9..14, rows 7..10.
  EXPECT_EQ(Pixel(pic, 9, 7), 0xFF0000u);
  EXPECT_EQ(Pixel(pic, 14, 10), 0xFF0000u);
  EXPECT_EQ(Pixel(pic, 8, 7), 0xFFFFFFu);
  EXPECT_EQ(Pixel(pic, 15, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(pic, 9, 11), 0xFFFFFFu);

  // In a group, moved and doubled by the group.
  TessObject* group = New("Group2D");
  Group2DAppend(group, rect);
  SetDouble(group, "X", 5);
  SetDouble(group, "Scale", 2);
  TessObject* big = Keep(newPicture(40, 30, 32));
  ObjectRef g2 = ObjectRef::Adopt(pictureGraphicsGetter(big, 0));
  RuntimeGraphicsDrawObject(g2.get(), group);
  // Centre (5 + 20, 16), 12 x 8.
  EXPECT_EQ(Pixel(big, 19, 12), 0xFF0000u);
  EXPECT_EQ(Pixel(big, 30, 19), 0xFF0000u);
  EXPECT_EQ(Pixel(big, 18, 12), 0xFFFFFFu);
  EXPECT_EQ(Pixel(big, 31, 19), 0xFFFFFFu);

  // Turned a quarter: width and height swap.
  SetDouble(rect, "Rotation", M_PI / 2);
  TessObject* turned = Keep(newPicture(30, 20, 32));
  ObjectRef g3 = ObjectRef::Adopt(pictureGraphicsGetter(turned, 0));
  RuntimeGraphicsDrawObject(g3.get(), rect);
  EXPECT_EQ(Pixel(turned, 10, 6), 0xFF0000u);
  EXPECT_EQ(Pixel(turned, 10, 10), 0xFF0000u);
  EXPECT_EQ(Pixel(turned, 7, 8), 0xFFFFFFu);
  EXPECT_EQ(Pixel(turned, 13, 8), 0xFFFFFFu);
}

TEST_F(PictureTest, VectorPicturesRecordWhatIsDrawnAndReplayItToTheSamePixels) {
  auto draw = [](TessObject* g) {
    graphicsForeColorSetter(g, 0, 0xFF0000);
    RuntimeGraphicsFillRect(g, 2, 3, 10, 6);
    graphicsForeColorSetter(g, 0, 0x0000FF);
    // Shapes have one border width: a square pen replays exactly.
    graphicsPenWidthSetter(g, 0, 2);
    graphicsPenHeightSetter(g, 0, 2);
    RuntimeGraphicsDrawRect(g, 14, 2, 12, 9);
    RuntimeGraphicsFillOval(g, 3, 12, 9, 7);
    RuntimeGraphicsDrawLine(g, 14, 15, 28, 15);
    graphicsPixelSetter(g, 29, 19, 0);
  };
  TessObject* vector = Keep(newPicture(30, 20, 0));
  ObjectRef vg = ObjectRef::Adopt(pictureGraphicsGetter(vector, 0));
  draw(vg.get());
  ObjectRef objects = ObjectRef::Adopt(pictureGroup2DGetter(vector, 0));
  EXPECT_EQ(Group2DCount(objects.get(), 0), 5);

  TessObject* direct = Keep(newPicture(30, 20, 32));
  ObjectRef dg = ObjectRef::Adopt(pictureGraphicsGetter(direct, 0));
  draw(dg.get());
  TessObject* replayed = Keep(newPicture(30, 20, 32));
  ObjectRef rg = ObjectRef::Adopt(pictureGraphicsGetter(replayed, 0));
  RuntimeGraphicsDrawPicture(rg.get(), vector, 0, 0, -10000, -10000, -10000, -10000, -10000,
                             -10000);
  int differing = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) differing += Pixel(direct, x, y) != Pixel(replayed, x, y);
  EXPECT_EQ(differing, 0);
  // Doubled, the replay scales its shapes.
  TessObject* doubled = Keep(newPicture(60, 40, 32));
  ObjectRef g2 = ObjectRef::Adopt(pictureGraphicsGetter(doubled, 0));
  RuntimeGraphicsDrawPicture(g2.get(), vector, 0, 0, 60, 40, -10000, -10000, -10000, -10000);
  EXPECT_EQ(Pixel(doubled, 4, 6), 0xFF0000u);
  EXPECT_EQ(Pixel(doubled, 23, 17), 0xFF0000u);
  EXPECT_EQ(Pixel(doubled, 24, 18), 0xFFFFFFu);
}

TEST_F(PictureTest, ShapesWithExtremeValuesDrawOnlyInsideThePicture) {
  TessObject* group = New("Group2D");
  for (const char* cls : {"RectShape", "RoundRectShape", "OvalShape", "ArcShape", "CurveShape",
                          "FigureShape", "StringShape", "PixmapShape"}) {
    TessObject* shape = New(cls);
    Set(shape, "X", 1e300);
    Set(shape, "Y", -1e300);
    Set(shape, "Scale", 1e300);
    Set(shape, "Rotation", std::nan(""));
    Set(shape, "BorderWidth", 1e12);
    Group2DAppend(group, shape);
  }
  TessObject* figure = New("FigureShape");
  FigureShapeAddCubic(figure, -1e308, 1e308, 0, 0, 1e308, -1e308, 5, 5);
  Group2DAppend(group, figure);
  ObjectRef pixmapImage = ObjectRef::Adopt(newPicture(4, 4, 32));
  TessObject* pixmap = New("PixmapShape");
  PixmapShapeImageCtor(pixmap, pixmapImage.get());
  Set(pixmap, "Scale", -3.0);
  Group2DAppend(group, pixmap);
  TessObject* pic = Keep(newPicture(8, 8, 32));
  ObjectRef g = ObjectRef::Adopt(pictureGraphicsGetter(pic, 0));
  RuntimeGraphicsDrawObjectXY(g.get(), group, INT32_MIN, INT32_MAX);
  RuntimeGraphicsDrawObject(g.get(), group);
  EXPECT_FALSE(RectShapeContains(group, std::nan(""), 0));
  Set(figure, "Scale", 0.0);
  EXPECT_FALSE(RectShapeContains(figure, 0, 0));  // no area left
}

TEST_F(PictureTest, ContainsFollowsEachShapeKind) {
  TessObject* oval = New("OvalShape");
  SetDouble(oval, "Width", 20);
  SetDouble(oval, "Height", 10);
  EXPECT_TRUE(RectShapeContains(oval, 0, 0));
  EXPECT_TRUE(RectShapeContains(oval, 9, 0));
  EXPECT_FALSE(RectShapeContains(oval, 9, 4));  // a rectangle's corner, not the oval's
  TessObject* curve = New("CurveShape");
  SetDouble(curve, "X2", 10);
  SetDouble(curve, "Y2", 0);
  EXPECT_TRUE(RectShapeContains(curve, 5, 0.5));
  EXPECT_FALSE(RectShapeContains(curve, 5, 3));
  TessObject* figure = New("FigureShape");
  FigureShapeAddLine(figure, 0, 0, 10, 0);
  FigureShapeAddLine(figure, 10, 0, 0, 10);
  EXPECT_TRUE(RectShapeContains(figure, 2, 2));
  EXPECT_FALSE(RectShapeContains(figure, 8, 8));
  TessObject* group = New("Group2D");
  Group2DAppend(group, oval);
  SetDouble(group, "X", 100);
  EXPECT_TRUE(RectShapeContains(group, 100, 0));
  EXPECT_FALSE(RectShapeContains(group, 0, 0));
}

TEST_F(PictureTest, GroupsKeepTheirItemsCountedAndRefuseCycles) {
  TessObject* outer = New("Group2D");
  TessObject* inner = New("Group2D");
  TessObject* arc = New("ArcShape");
  Group2DAppend(outer, inner);
  Group2DAppend(inner, arc);
  Group2DInsert(outer, 0, arc);
  EXPECT_EQ(Group2DCount(outer, 0), 2);
  ObjectRef first = ObjectRef::Adopt(Group2DGetItem(outer, 0));
  EXPECT_EQ(first.get(), arc);
  const ClassObject* cast = FindClassByName("IllegalCastException");
  const ClassObject* bounds = FindClassByName("OutOfBoundsException");
  EXPECT_EQ(RaisedBy([&] { Group2DAppend(inner, outer); }), cast);
  EXPECT_EQ(RaisedBy([&] { Group2DAppend(outer, outer); }), cast);
  EXPECT_EQ(RaisedBy([&] { Group2DSetItem(inner, 0, outer); }), cast);
  EXPECT_EQ(RaisedBy([&] { Group2DGetItem(outer, 2); }), bounds);
  EXPECT_EQ(RaisedBy([&] { Group2DInsert(outer, 5, arc); }), bounds);
  EXPECT_EQ(RaisedBy([&] { Group2DAppend(outer, nullptr); }),
            FindClassByName("NilObjectException"));
  Group2DRemoveByObject(outer, arc);
  EXPECT_EQ(Group2DCount(outer, 0), 1);
  Group2DRemoveByIndex(outer, 0);
  EXPECT_EQ(Group2DCount(outer, 0), 0);
  // Curves keep their order and control points within range.
  TessObject* curve = New("CurveShape");
  CurveOrderSetter(curve, 0, 7);
  CurveSetControlX(curve, 1, 3.5);
  EXPECT_EQ(CurveGetControlX(curve, 1), 3.5);
  EXPECT_EQ(RaisedBy([&] { CurveGetControlY(curve, 2); }), bounds);
}

}  // namespace
}  // namespace tess::graphics
