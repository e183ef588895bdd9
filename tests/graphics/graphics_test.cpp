// Graphics operations on pictures, pixel for pixel: each case draws into a
// small white picture and compares the picture with a drawing of the
// expected pixels ('#' the fore colour, '.' white, other letters as mapped).
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "runtime/array.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "values/value_classes.h"

namespace tess::graphics {
namespace {

using platform::COLORREF;
using test::RaisedBy;
using test::S;

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    InitGraphics();
  }

  // A white 32-bit picture and its Graphics, both released by the fixture.
  TessObject* Picture(int w, int h, int depth = 32) {
    pictures_.push_back(ObjectRef::Adopt(newPicture(w, h, depth)));
    return pictures_.back().get();
  }
  TessObject* GraphicsOf(TessObject* picture) {
    graphics_.push_back(ObjectRef::Adopt(pictureGraphicsGetter(picture, 0)));
    return graphics_.back().get();
  }

  static std::string Art(TessObject* picture) {
    PictureData* p = PictureOf(picture);
    std::string art;
    for (int y = 0; y < p->height; ++y) {
      for (int x = 0; x < p->width; ++x) {
        COLORREF c = platform::GetPixel(p->dc, x, y);
        art += c == 0 ? '#' : c == 0xFFFFFF ? '.' : c == 0xFF0000 ? 'r' : c == 0x0000FF ? 'b' : '?';
      }
      art += '\n';
    }
    return art;
  }

  static std::string Lines(std::initializer_list<const char*> rows) {
    std::string art;
    for (const char* r : rows) art += std::string(r) + "\n";
    return art;
  }

  std::vector<ObjectRef> pictures_, graphics_;
};

struct DrawCase {
  const char* name;
  int width, height;
  std::function<void(TessObject* g)> draw;
  std::vector<const char*> expected;
};

TEST_F(GraphicsTest, OperationsDrawExactPixels) {
  auto setPen = [](TessObject* g, int w, int h) {
    graphicsPenWidthSetter(g, 0, w);
    graphicsPenHeightSetter(g, 0, h);
  };
  const DrawCase cases[] = {
      {"line includes its end point",
       8,
       3,
       [](TessObject* g) { RuntimeGraphicsDrawLine(g, 1, 1, 6, 1); },
       {"........", ".######.", "........"}},
      {"line drawn backwards is the same line",
       8,
       3,
       [](TessObject* g) { RuntimeGraphicsDrawLine(g, 6, 1, 1, 1); },
       {"........", ".######.", "........"}},
      {"pen height 3 draws three stacked lines",
       8,
       5,
       [&](TessObject* g) {
         setPen(g, 1, 3);
         RuntimeGraphicsDrawLine(g, 1, 1, 5, 1);
       },
       {"........", ".#####..", ".#####..", ".#####..", "........"}},
      {"pen width 2 widens each step to the right, the end point too",
       8,
       4,
       [&](TessObject* g) {
         setPen(g, 2, 1);
         RuntimeGraphicsDrawLine(g, 1, 1, 3, 2);
       },
       {"........", ".##.....", "..###...", "........"}},
      {"diagonal line",
       6,
       6,
       [](TessObject* g) { RuntimeGraphicsDrawLine(g, 0, 0, 4, 4); },
       {"#.....", ".#....", "..#...", "...#..", "....#.", "......"}},
      {"frame lies inside its rectangle",
       8,
       6,
       [](TessObject* g) { RuntimeGraphicsDrawRect(g, 1, 1, 6, 4); },
       {"........", ".######.", ".#....#.", ".#....#.", ".######.", "........"}},
      {"wide pen frames inwards",
       8,
       6,
       [&](TessObject* g) {
         setPen(g, 2, 1);
         RuntimeGraphicsDrawRect(g, 1, 1, 6, 4);
       },
       {"........", ".######.", ".##..##.", ".##..##.", ".######.", "........"}},
      {"fill covers the rectangle",
       6,
       4,
       [](TessObject* g) { RuntimeGraphicsFillRect(g, 1, 1, 3, 2); },
       {"......", ".###..", ".###..", "......"}},
      {"empty rectangle draws nothing",
       4,
       3,
       [](TessObject* g) {
         RuntimeGraphicsFillRect(g, 1, 1, 0, 2);
         RuntimeGraphicsDrawRect(g, 1, 1, 2, -1);
       },
       {"....", "....", "...."}},
      {"clear rect fills with the background",
       4,
       3,
       [](TessObject* g) {
         RuntimeGraphicsFillRect(g, 0, 0, 4, 3);
         RuntimeGraphicsClearRect(g, 1, 1, 2, 1);
       },
       {"####", "#..#", "####"}},
      {"oval frame",
       9,
       7,
       [](TessObject* g) { RuntimeGraphicsDrawOval(g, 0, 0, 9, 7); },
       {"..#####..", ".#.....#.", "#.......#", "#.......#", "#.......#", ".#.....#.", "..#####.."}},
      {"oval fill",
       9,
       7,
       [](TessObject* g) { RuntimeGraphicsFillOval(g, 0, 0, 9, 7); },
       {"..#####..", ".#######.", "#########", "#########", "#########", ".#######.", "..#####.."}},
      {"round rectangle frame",
       10,
       6,
       [](TessObject* g) { RuntimeGraphicsDrawRoundRect(g, 0, 0, 10, 6, 4, 4); },
       {".########.", "#........#", "#........#", "#........#", "#........#", ".########."}},
      {"round rectangle fill",
       10,
       6,
       [](TessObject* g) { RuntimeGraphicsFillRoundRect(g, 0, 0, 10, 6, 6, 6); },
       {".########.", "##########", "##########", "##########", "##########", ".########."}},
      {"polygon outline closes back to the first point",
       7,
       6,
       [](TessObject* g) {
         TessArray* a = RuntimeCreateArray();
         RuntimeArrayCreateAddIndex(a, 0, 6);
         const int32_t xy[] = {0, 1, 1, 5, 1, 5, 4};
         for (int i = 1; i <= 6; ++i) RuntimeDirectWriteIntArray(a, i, xy[i]);
         graphicsDrawPolygon(g, a);
         RuntimeDisposeIntArray(a);
       },
       {".......", ".#####.", "..##.#.", "....##.", ".....#.", "......."}},
      // Pixels whose centres lie inside the outline.
      {"polygon fill",
       7,
       6,
       [](TessObject* g) {
         TessArray* a = RuntimeCreateArray();
         RuntimeArrayCreateAddIndex(a, 0, 6);
         const int32_t xy[] = {0, 0, 0, 6, 0, 0, 6};
         for (int i = 1; i <= 6; ++i) RuntimeDirectWriteIntArray(a, i, xy[i]);
         graphicsFillPolygon(g, a);
         RuntimeDisposeIntArray(a);
       },
       {"#####..", "####...", "###....", "##.....", "#......", "......."}},
      {"a polygon of one point draws nothing",
       4,
       3,
       [](TessObject* g) {
         TessArray* a = RuntimeCreateArray();
         RuntimeArrayCreateAddIndex(a, 0, 2);
         RuntimeDirectWriteIntArray(a, 1, 1);
         RuntimeDirectWriteIntArray(a, 2, 1);
         graphicsDrawPolygon(g, a);
         graphicsFillPolygon(g, a);
         RuntimeDisposeIntArray(a);
       },
       {"....", "....", "...."}},
      {"pixels set one by one, colours kept",
       4,
       2,
       [](TessObject* g) {
         graphicsPixelSetter(g, 0, 0, 0xFF0000);
         graphicsPixelSetter(g, 3, 1, 0x0000FF);
         graphicsPixelSetter(g, 4, 0, 0);  // outside: nothing
         graphicsPixelSetter(g, -1, 0, 0);
       },
       {"r...", "...b"}},
      {"coloured pen",
       4,
       1,
       [](TessObject* g) {
         graphicsForeColorSetter(g, 0, 0xFF0000);
         RuntimeGraphicsDrawLine(g, 0, 0, 3, 0);
       },
       {"rrrr"}},
  };
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    TessObject* pic = Picture(c.width, c.height);
    c.draw(GraphicsOf(pic));
    std::string expected;
    for (const char* row : c.expected) expected += std::string(row) + "\n";
    EXPECT_EQ(Art(pic), expected);
  }
}

TEST_F(GraphicsTest, PixelGetterReadsWhatWasDrawnAndZeroOutside) {
  TessObject* pic = Picture(4, 4);
  TessObject* g = GraphicsOf(pic);
  graphicsPixelSetter(g, 2, 1, 0x123456);
  EXPECT_EQ(graphicsPixelGetter(g, 2, 1), 0x123456);
  EXPECT_EQ(graphicsPixelGetter(g, 0, 0), 0xFFFFFF);
  EXPECT_EQ(graphicsPixelGetter(g, 4, 0), 0);
  EXPECT_EQ(graphicsPixelGetter(g, 0, -1), 0);
}

TEST_F(GraphicsTest, ControlOffsetAndClipping) {
  // A Graphics of a control 4 x 3 at (3, 2): its (0, 0) is the control's
  // corner and nothing lands outside the control.
  TessObject* pic = Picture(10, 7);
  GraphicsTarget t;
  t.dc = PictureOf(pic)->dc;
  t.origin = {3, 2};
  t.width = 4;
  t.height = 3;
  ObjectRef g = ObjectRef::Adopt(NewGraphics(t));
  RuntimeGraphicsFillRect(g.get(), -100, -100, 1000, 1000);
  graphicsForeColorSetter(g.get(), 0, 0xFF0000);
  graphicsPixelSetter(g.get(), 0, 0, 0xFF0000);
  RuntimeGraphicsDrawLine(g.get(), 3, -5, 3, 50);
  EXPECT_EQ(Art(pic), Lines({"..........", "..........", "...r##r...", "...###r...", "...###r...",
                             "..........", ".........."}));
  EXPECT_EQ(graphicsWidthGetter(g.get(), 0), 4);
  EXPECT_EQ(graphicsHeightGetter(g.get(), 0), 3);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 0, 1), 0);
  // A detached Graphics (its Paint is over) draws nothing.
  DetachGraphics(g.get());
  RuntimeGraphicsClearRect(g.get(), 0, 0, 4, 3);
  EXPECT_EQ(graphicsPixelGetter(g.get(), 0, 0), 0);
}

// Ink bounds of a picture: left, top, right, bottom (exclusive); empty: all 0.
std::array<int, 4> Ink(TessObject* picture) {
  PictureData* p = PictureOf(picture);
  std::array<int, 4> b{p->width, p->height, 0, 0};
  bool any = false;
  for (int y = 0; y < p->height; ++y)
    for (int x = 0; x < p->width; ++x)
      if (platform::GetPixel(p->dc, x, y) != 0xFFFFFF) {
        any = true;
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
      }
  return any ? b : std::array<int, 4>{0, 0, 0, 0};
}

TEST_F(GraphicsTest, TextSitsOnItsBaselineAndMeasuresItsInk) {
  TessObject* pic = Picture(200, 60);
  TessObject* g = GraphicsOf(pic);
  graphicsTextFontSetter(g, 0, S("Arial").get());
  graphicsTextSizeSetter(g, 0, 16);
  int32_t ascent = RuntimeGraphicsTextAscent(g), height = RuntimeGraphicsTextHeight(g);
  EXPECT_GT(ascent, 8);
  EXPECT_GT(height, ascent);
  RuntimeGraphicsDrawString(g, S("HHH").get(), 10, 30, 0);
  std::array<int, 4> ink = Ink(pic);
  // Capitals stand on the baseline and reach up towards the ascent.
  EXPECT_EQ(ink[3], 30);
  EXPECT_GE(ink[1], 30 - ascent);
  EXPECT_LE(ink[1], 30 - ascent / 2);
  EXPECT_GE(ink[0], 10);
  EXPECT_LE(ink[2], 10 + RuntimeGraphicsStringWidth(g, S("HHH").get()));
  EXPECT_GT(ink[2], 10 + RuntimeGraphicsStringWidth(g, S("HH").get()));
  // Bold is wider; empty text measures and draws nothing.
  int32_t plain = RuntimeGraphicsStringWidth(g, S("Wide text").get());
  graphicsBoldSetter(g, 0, 1);
  EXPECT_GT(RuntimeGraphicsStringWidth(g, S("Wide text").get()), plain);
  EXPECT_EQ(RuntimeGraphicsStringWidth(g, nullptr), 0);
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, nullptr, 100), 0);
  TessObject* blank = Picture(20, 20);
  RuntimeGraphicsDrawString(GraphicsOf(blank), nullptr, 2, 10, 0);
  EXPECT_EQ(Ink(blank), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(GraphicsTest, WrappingBreaksBetweenWordsOnlyWithAWidth) {
  TessObject* pic = Picture(300, 120);
  TessObject* g = GraphicsOf(pic);
  int32_t line = RuntimeGraphicsTextHeight(g);
  int32_t word = RuntimeGraphicsStringWidth(g, S("word word").get());
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S("word word word").get(), word + 2), 2 * line);
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S("word word word").get(), 1), 3 * line);
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S("word word word").get(), 0), line);
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S("one\rtwo\r\nthree").get(), 1000), 3 * line);
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S("word word ").get(), word), line);
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S("longerword").get(), 1), line);
  // A long text: two words a line.
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "word ";
  EXPECT_EQ(RuntimeGraphicsStringHeight(g, S(many).get(), word + 2), 10000 * line);
  // Wrapped lines go down one line height each, inside the wrap width.
  RuntimeGraphicsDrawString(g, S("word word word").get(), 5, 20, word + 2);
  std::array<int, 4> ink = Ink(pic);
  EXPECT_LE(ink[2], 5 + word + 2);
  EXPECT_EQ(ink[3], 20 + line);  // the second baseline: "word" has no descenders
  // Without a width, one line however long.
  TessObject* one = Picture(300, 40);
  RuntimeGraphicsDrawString(GraphicsOf(one), S("word word word").get(), 5, 20, 0);
  EXPECT_LE(Ink(one)[3], 20 + line / 2);
}

TEST_F(GraphicsTest, IconsDrawInTheirSquare) {
  for (auto draw : {&graphicsDrawStopIcon, &graphicsDrawNoteIcon, &graphicsDrawCautionIcon}) {
    TessObject* pic = Picture(40, 40);
    draw(GraphicsOf(pic), 4, 5);
    std::array<int, 4> ink = Ink(pic);
    EXPECT_GE(ink[0], 4);
    EXPECT_GE(ink[1], 5);
    EXPECT_LE(ink[2], 36);
    EXPECT_LE(ink[3], 37);
    EXPECT_GT(ink[2] - ink[0], 24);
  }
}

TEST_F(GraphicsTest, ExtremeArgumentsStayInsideThePicture) {
  // Everything is clipped to the picture: a 1-pixel border around a 4 x 4
  // area must stay white whatever the arguments.
  TessObject* pic = Picture(6, 6);
  GraphicsTarget t;
  t.dc = PictureOf(pic)->dc;
  t.origin = {1, 1};
  t.width = t.height = 4;
  ObjectRef g = ObjectRef::Adopt(NewGraphics(t));
  TessObject* source = Picture(3, 3);
  const int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  graphicsPenWidthSetter(g.get(), 0, kMax);
  graphicsPenHeightSetter(g.get(), 0, 3);
  RuntimeGraphicsDrawLine(g.get(), kMin, kMin, kMax, kMax);
  RuntimeGraphicsDrawRect(g.get(), kMin, kMin, kMax, kMax);
  RuntimeGraphicsFillOval(g.get(), kMax, kMax, kMax, kMax);
  RuntimeGraphicsFillRoundRect(g.get(), -5, -5, kMax, kMax, kMin, kMax);
  RuntimeGraphicsDrawPicture(g.get(), source, kMin, 0, kMax, kMax, kMin, kMin, kMax, kMax);
  RuntimeGraphicsDrawPicture(g.get(), source, 0, 0, 1, 1, 2, 2, kMax, 1);
  RuntimeGraphicsDrawString(g.get(), S("\xff\xfe\x80 text").get(), kMin, kMax, 1);
  RuntimeGraphicsDrawString(g.get(), S("word").get(), -2, 3, kMax);
  graphicsTextSizeSetter(g.get(), 0, kMax);
  EXPECT_LE(graphicsTextSizeGetter(g.get(), 0), 4096);
  graphicsPixelSetter(g.get(), kMax, kMin, 0);
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, 6);
  const int32_t xy[] = {0, kMin, kMin, kMax, 0, 0, kMax};
  for (int i = 1; i <= 6; ++i) RuntimeDirectWriteIntArray(a, i, xy[i]);
  graphicsFillPolygon(g.get(), a);
  graphicsDrawPolygon(g.get(), a);
  RuntimeDisposeIntArray(a);
  std::string art = Art(pic);
  EXPECT_EQ(art.substr(0, 7), "......\n");
  EXPECT_EQ(art.substr(35), "......\n");
  for (int y = 0; y < 6; ++y) {
    EXPECT_EQ(art[size_t(y) * 7], '.') << y;
    EXPECT_EQ(art[size_t(y) * 7 + 5], '.') << y;
  }
}

TEST_F(GraphicsTest, StateAccessorsKeepTheirRanges) {
  TessObject* g = GraphicsOf(Picture(2, 2));
  graphicsPenWidthSetter(g, 0, 0);
  graphicsPenHeightSetter(g, 0, -5);
  EXPECT_EQ(graphicsPenWidthGetter(g, 0), 1);
  EXPECT_EQ(graphicsPenHeightGetter(g, 0), 1);
  graphicsForeColorSetter(g, 0, int32_t(0xFF123456));
  EXPECT_EQ(graphicsForeColorGetter(g, 0), 0x123456);
  graphicsTextFontSetter(g, 0, S("Courier").get());
  EXPECT_EQ(test::Text(test::Take(graphicsTextFontGetter(g, 0)).get()), "Courier");
  EXPECT_EQ(graphicsCopiesGetter(g, 0), 1);
  EXPECT_EQ(graphicsFirstPageGetter(g, 0), 1);
  EXPECT_EQ(graphicsLastPageGetter(g, 0), 1);
  RuntimeGraphicsNextPage(g);  // not a page: nothing happens
  const ClassObject* nilError = FindClassByName("NilObjectException");
  EXPECT_EQ(RaisedBy([] { RuntimeGraphicsDrawLine(nullptr, 0, 0, 1, 1); }), nilError);
  EXPECT_EQ(RaisedBy([] { graphicsPenWidthGetter(nullptr, 0); }), nilError);
}

}  // namespace
}  // namespace tess::graphics
