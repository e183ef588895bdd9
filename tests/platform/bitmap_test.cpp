// Bitmaps of 1, 16, 24 and 32 bits per pixel: their stored layout, copies
// between depths, stretching, and hostile sizes.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/gdi_fixture.h"

namespace tess::test {
namespace {

struct Depth {
  int bpp;
  COLORREF in, out;  // a colour written and what the depth keeps of it
};
const Depth kDepths[] = {
    {32, 0x123456, 0x123456}, {24, 0x123456, 0x123456},
    {16, 0x123456, 0x103050},  // 5 bits a channel, read back shifted left by 3
    {1, 0xE0E0E0, 0xFFFFFF},   // light becomes white
    {1, 0x202020, 0x000000},
};

TEST(Bitmaps, EachDepthStoresAndReadsPixels) {
  for (const Depth& d : kDepths) {
    Canvas c(5, 3, d.bpp);
    EXPECT_EQ(SetPixel(c.dc(), 2, 1, d.in), d.out) << d.bpp;
    EXPECT_EQ(GetPixel(c.dc(), 2, 1), d.out) << d.bpp;
    EXPECT_EQ(GetPixel(c.dc(), 1, 1), d.bpp == 16 ? 0xF8F8F8u : 0xFFFFFFu) << d.bpp;
    EXPECT_EQ(GetPixel(c.dc(), 5, 1), CLR_INVALID);
  }
}

TEST(Bitmaps, StoredLayoutIsTopDownWithPaddedRows) {
  struct Row {
    int bpp;
    std::vector<uint8_t> firstRow;  // 3 pixels: red, green, blue
  };
  const Row rows[] = {
      {32, {0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}},
      {24, {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {16, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x00, 0x00}},
  };
  for (const Row& row : rows) {
    HBITMAP b = CreateBitmap(3, 2, 1, UINT(row.bpp), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, b);
    SetPixel(dc, 0, 0, 0xFF0000);
    SetPixel(dc, 1, 0, 0x00FF00);
    SetPixel(dc, 2, 0, 0x0000FF);
    BITMAP info;
    ASSERT_EQ(GetObject(b, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidthBytes, LONG(row.firstRow.size()));
    std::vector<uint8_t> bits(size_t(info.bmWidthBytes) * 2);
    EXPECT_EQ(GetBitmapBits(b, LONG(bits.size()), bits.data()), LONG(bits.size()));
    if (row.bpp == 32) {
      // 0x00RRGGBB words, little-endian.
      EXPECT_EQ(bits[2], 0xFF);
      EXPECT_EQ(bits[5], 0xFF);
      EXPECT_EQ(bits[8], 0xFF);
    } else {
      EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + long(row.firstRow.size())),
                row.firstRow)
          << row.bpp;
    }
    DeleteDC(dc);
    DeleteObject(b);
  }
}

TEST(Bitmaps, CopiesBetweenEveryPairOfDepths) {
  for (const Depth& from : kDepths)
    for (const Depth& to : kDepths) {
      Canvas src(4, 4, from.bpp), dst(6, 6, to.bpp);
      SetPixel(src.dc(), 1, 2, 0);
      ASSERT_TRUE(BitBlt(dst.dc(), 2, 1, 4, 4, src.dc(), 0, 0, SRCCOPY));
      EXPECT_EQ(GetPixel(dst.dc(), 3, 3), 0u) << from.bpp << "->" << to.bpp;
      EXPECT_EQ(dst.Count(0), 1) << from.bpp << "->" << to.bpp;
    }
}

TEST(Bitmaps, MonochromeSourcesTakeTheTextAndBackgroundColours) {
  Canvas mono(2, 1, 1), color(2, 1, 32);
  SetPixel(mono.dc(), 0, 0, 0);
  SetTextColor(color.dc(), 0x00FF00);
  SetBkColor(color.dc(), 0x0000FF);
  BitBlt(color.dc(), 0, 0, 2, 1, mono.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(color.dc(), 0, 0), 0x00FF00u);
  EXPECT_EQ(GetPixel(color.dc(), 1, 0), 0x0000FFu);
}

TEST(Bitmaps, StretchingPicksNearestPixelsAndMirrors) {
  Canvas src(2, 1), dst(4, 2);
  SetPixel(src.dc(), 0, 0, 0);
  StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.Picture(), Rows({"##..", "##.."}));
  StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 1, 0, -2, 1, SRCCOPY);
  EXPECT_EQ(dst.Picture(), Rows({"..##", "..##"}));
}

TEST(Bitmaps, OverlappingCopiesWithinOneBitmap) {
  Canvas c(6, 1);
  SetPixel(c.dc(), 0, 0, 0);
  SetPixel(c.dc(), 1, 0, 0);
  BitBlt(c.dc(), 1, 0, 5, 1, c.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(c.Picture(), Rows({"###..."}));
}

TEST(Bitmaps, RasterOperations) {
  Canvas src(1, 1), dst(1, 1);
  SetPixel(src.dc(), 0, 0, 0x0F0F0F);
  SetPixel(dst.dc(), 0, 0, 0x00FF00);
  BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), 0x0FF00Fu);
  BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCAND);
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), 0x0F000Fu);
  PatBlt(dst.dc(), 0, 0, 1, 1, DSTINVERT);
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), 0xF0FFF0u);
}

TEST(Bitmaps, HostileSizesAndSourcesFailOrClip) {
  EXPECT_EQ(CreateBitmap(-1, 5, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(40000, 10, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(30000, 30000, 1, 32, nullptr), nullptr);  // beyond the memory limit
  EXPECT_EQ(CreateBitmap(10, 10, 1, 8, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(10, 10, 2, 32, nullptr), nullptr);
  Canvas src(4, 4), dst(4, 4);
  PatBlt(src.dc(), 0, 0, 4, 4, BLACKNESS);
  EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, INT_MAX, INT_MAX, src.dc(), 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Count(0), 4);  // only the 2 x 2 that the source has
  EXPECT_TRUE(StretchBlt(dst.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, src.dc(), INT_MAX, 0,
                         INT_MIN, 1, SRCCOPY));
  EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 4, src.dc(), -100, -100, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  std::vector<uint8_t> small(3);
  HBITMAP b = CreateBitmap(4, 4, 1, 32, nullptr);
  EXPECT_EQ(SetBitmapBits(b, DWORD(small.size()), small.data()), 3);  // never past the bitmap
  EXPECT_EQ(GetBitmapBits(b, 3, small.data()), 3);
  EXPECT_EQ(GetBitmapBits(b, -1, small.data()), 0);
  DeleteObject(b);
}

}  // namespace
}  // namespace tess::test
