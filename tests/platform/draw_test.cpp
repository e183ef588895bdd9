// Exact pixels of lines, frames, ellipses, round rectangles, polygons and
// clipping.
#include <gtest/gtest.h>

#include <climits>

#include "platform/gdi_fixture.h"

namespace tess::test {
namespace {

TEST(Lines, IncludeTheStartAndLeaveOutTheEnd) {
  Canvas c(6, 4);
  PenScope pen(c.dc(), 1, 1);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 4, 0);
  LineTo(c.dc(), 4, 3);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 2, 3);
  EXPECT_EQ(c.Picture(), Rows({"#####.", "#...#.", ".#..#.", "......"}));
}

TEST(Lines, ShallowSlopesStepEvenly) {
  Canvas c(9, 3);
  PenScope pen(c.dc(), 1, 1);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 8, 2);
  EXPECT_EQ(c.Picture(), Rows({"##.......", "..####...", "......##."}));
}

TEST(Lines, PenNibIsWidthByHeight) {
  Canvas c(8, 5);
  PenScope pen(c.dc(), 3, 2);
  MoveToEx(c.dc(), 1, 1, nullptr);
  LineTo(c.dc(), 4, 1);
  EXPECT_EQ(c.Picture(), Rows({"........", ".#####..", ".#####..", "........", "........"}));
}

TEST(Frames, RectangleFramesLieInsideWithPenSizes) {
  struct Row {
    int w, h;
    std::string picture;
  };
  const Row rows[] = {
      {1, 1, Rows({"........", ".######.", ".#....#.", ".#....#.", ".######.", "........"})},
      {2, 1, Rows({"........", ".######.", ".##..##.", ".##..##.", ".######.", "........"})},
      {1, 2, Rows({"........", ".######.", ".######.", ".######.", ".######.", "........"})},
  };
  for (const Row& row : rows) {
    Canvas c(8, 6);
    PenScope pen(c.dc(), row.w, row.h);
    Rectangle(c.dc(), 1, 1, 7, 5);
    EXPECT_EQ(c.Picture(), row.picture) << row.w << "x" << row.h;
  }
}

TEST(Frames, FilledRectangleUsesBrushInsideAndPenOnTheEdge) {
  Canvas c(6, 5);
  HBRUSH red = CreateSolidBrush(0xFF0000);
  {
    PenScope pen(c.dc(), 1, 1, 0, red);
    Rectangle(c.dc(), 0, 0, 5, 4);
  }
  DeleteObject(red);
  EXPECT_EQ(c.Picture(), Rows({"#####.", "#???#.", "#???#.", "#####.", "......"}));
  EXPECT_EQ(GetPixel(c.dc(), 2, 2), COLORREF(0xFF0000));
}

void ExpectSymmetric(Canvas& c, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF p = GetPixel(c.dc(), x, y);
      ASSERT_EQ(p, GetPixel(c.dc(), w - 1 - x, y)) << x << "," << y;
      ASSERT_EQ(p, GetPixel(c.dc(), x, h - 1 - y)) << x << "," << y;
    }
}

TEST(Ellipses, AreSymmetricAndTouchTheirBox) {
  for (auto [w, h] : {std::pair{21, 15}, {20, 14}, {7, 30}, {2, 2}, {1, 9}}) {
    Canvas c(w, h);
    PenScope pen(c.dc(), 1, 1, 0, GetStockObject(BLACK_BRUSH));
    Ellipse(c.dc(), 0, 0, w, h);
    ExpectSymmetric(c, w, h);
    EXPECT_EQ(GetPixel(c.dc(), w / 2, 0), 0u) << w << "x" << h;
    EXPECT_EQ(GetPixel(c.dc(), 0, h / 2), 0u) << w << "x" << h;
    if (w > 4 && h > 4) {
      EXPECT_EQ(GetPixel(c.dc(), 0, 0), 0xFFFFFFu);
    }
  }
}

TEST(Ellipses, OutlineIsClosedAndInteriorUntouched) {
  Canvas c(11, 9);
  PenScope pen(c.dc(), 1, 1);
  Ellipse(c.dc(), 0, 0, 11, 9);
  EXPECT_EQ(c.Picture(),
            Rows({"...#####...", ".##.....##.", ".#.......#.", "#.........#", "#.........#",
                  "#.........#", ".#.......#.", ".##.....##.", "...#####..."}));
}

TEST(Ellipses, RoundRectCornersAreSymmetric) {
  Canvas c(16, 12);
  PenScope pen(c.dc(), 2, 2);
  RoundRect(c.dc(), 0, 0, 16, 12, 8, 6);
  ExpectSymmetric(c, 16, 12);
  EXPECT_EQ(GetPixel(c.dc(), 0, 0), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(c.dc(), 8, 0), 0u);
  EXPECT_EQ(GetPixel(c.dc(), 8, 2), 0xFFFFFFu);
}

TEST(Polygons, FillModesDifferOnAStar) {
  const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  for (int mode : {ALTERNATE, WINDING}) {
    Canvas c(21, 20);
    HPEN none = GetStockObject(NULL_PEN);
    HGDIOBJ op = SelectObject(c.dc(), none);
    HGDIOBJ ob = SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
    SetPolyFillMode(c.dc(), mode);
    Polygon(c.dc(), star, 5);
    SelectObject(c.dc(), op);
    SelectObject(c.dc(), ob);
    EXPECT_EQ(GetPixel(c.dc(), 10, 10), mode == WINDING ? 0u : 0xFFFFFFu);  // the centre
    EXPECT_EQ(GetPixel(c.dc(), 10, 3), 0u);                                 // a point
    EXPECT_EQ(GetPixel(c.dc(), 0, 0), 0xFFFFFFu);
  }
}

TEST(Polygons, FillCoversPixelCentresInside) {
  Canvas c(6, 5);
  const POINT square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  Polygon(c.dc(), square, 4);
  SelectObject(c.dc(), GetStockObject(BLACK_PEN));
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(c.Picture(), Rows({"......", ".####.", ".####.", ".####.", "......"}));
}

TEST(Clipping, LimitsEveryOperation) {
  Canvas c(10, 6);
  IntersectClipRect(c.dc(), 2, 1, 6, 4);
  ExcludeClipRect(c.dc(), 3, 2, 4, 3);
  RECT all{0, 0, 10, 6};
  FillRect(c.dc(), &all, GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(SetPixel(c.dc(), 0, 0, 0), CLR_INVALID);
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{2, 1, 6, 4}));
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 10, 6}));
  EXPECT_EQ(c.Picture(), Rows({"..........", "..####....", "..#.##....", "..####....", "..........",
                               ".........."}));
}

TEST(Clipping, HostileCoordinatesStayInsideTheSurface) {
  Canvas c(8, 8);
  PenScope pen(c.dc(), 1000000, 1000000, 0, GetStockObject(BLACK_BRUSH));
  MoveToEx(c.dc(), INT_MIN, INT_MIN, nullptr);
  LineTo(c.dc(), INT_MAX, INT_MAX);
  Rectangle(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  Ellipse(c.dc(), -100000000, 5, 100000000, 7);
  RoundRect(c.dc(), INT_MAX - 5, INT_MAX - 5, INT_MIN, INT_MIN, INT_MAX, INT_MIN);
  const POINT far[] = {{INT_MIN, 0}, {INT_MAX, 3}, {0, INT_MAX}};
  Polygon(c.dc(), far, 3);
  SetViewportOrgEx(c.dc(), INT_MAX, INT_MIN, nullptr);
  RECT r{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  FillRect(c.dc(), &r, GetStockObject(WHITE_BRUSH));
  SetPixel(c.dc(), INT_MAX, INT_MAX, 0);
  PatBlt(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, BLACKNESS);
  SetViewportOrgEx(c.dc(), 0, 0, nullptr);
  EXPECT_EQ(c.Count(0) + c.Count(0xFFFFFF), 64);
  EXPECT_EQ(Polygon(c.dc(), nullptr, 3), 0);
  EXPECT_EQ(Polyline(c.dc(), far, -1), 0);
}

TEST(Objects, SelectionKeepsObjectsAliveAndStaleHandlesFail) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HGDIOBJ old = SelectObject(dc, pen);
  EXPECT_FALSE(DeleteObject(pen));  // still selected
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(dc, pen), nullptr);  // deleted
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // stock: no effect
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
  int saved = SaveDC(dc);
  HBRUSH brush = CreateSolidBrush(0x123456);
  SelectObject(dc, brush);
  RestoreDC(dc, saved);
  EXPECT_TRUE(DeleteObject(brush));  // restoring gave it back
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(LineTo(dc, 1, 1), 0);
}

}  // namespace
}  // namespace tess::test
