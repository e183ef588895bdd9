// Fonts by name, size and style; text measurement and metrics; text drawn.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/font.h"
#include "platform/gdi_fixture.h"

namespace tess::test {
namespace {

struct FontScope {
  FontScope(HDC dc, const char* face, int height, int weight = FW_NORMAL, bool italic = false,
            bool underline = false)
      : dc_(dc),
        font_(CreateFont(height, 0, 0, 0, weight, italic, underline, 0, 0, 0, 0, 0, 0, face)) {
    old_ = SelectObject(dc, font_);
  }
  ~FontScope() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

int Width(HDC dc, const char* s) {
  SIZE size{};
  EXPECT_TRUE(GetTextExtentPoint32(dc, s, int(std::strlen(s)), &size));
  return size.cx;
}

TEST(Fonts, NamesMapToMetricCompatibleFiles) {
  struct Row {
    const char* face;
    bool bold;
    const char* file;
  };
  const Row rows[] = {
      {"MS Sans Serif", false, "LiberationSans-Regular.ttf"},
      {"Arial", true, "LiberationSans-Bold.ttf"},
      {"courier new", false, "LiberationMono-Regular.ttf"},
      {"Times New Roman", false, "LiberationSerif-Regular.ttf"},
      {"MS UI Gothic", false, "ipagp.ttf"},
      {"No Such Font", false, "LiberationSans-Regular.ttf"},
  };
  for (const Row& row : rows) {
    std::string file = gdi::FontFileFor(row.face, row.bold, false);
    EXPECT_NE(file.find(row.file), std::string::npos) << row.face << " -> " << file;
  }
}

TEST(Text, WidthGrowsWithTheTextAndBoldIsWider) {
  Canvas c(10, 10);
  int plain, bold;
  {
    FontScope f(c.dc(), "Arial", -16);
    EXPECT_EQ(Width(c.dc(), ""), 0);
    int one = Width(c.dc(), "W");
    int two = Width(c.dc(), "WW");
    EXPECT_GT(one, 0);
    EXPECT_EQ(two, 2 * one);
    EXPECT_LT(Width(c.dc(), "Hello"), Width(c.dc(), "Hello, world"));
    plain = Width(c.dc(), "Hello, world");
  }
  {
    // At the smallest sizes hinting gives both weights the same advances.
    FontScope f(c.dc(), "Arial", -16, FW_BOLD);
    bold = Width(c.dc(), "Hello, world");
  }
  EXPECT_GT(bold, plain);
  FontScope mono(c.dc(), "Courier New", -12);
  EXPECT_EQ(Width(c.dc(), "iiii"), Width(c.dc(), "WWWW"));
}

TEST(Text, MetricsFollowTheRequestedHeight) {
  Canvas c(10, 10);
  for (int size : {-8, -11, -16, -24, -48}) {
    FontScope f(c.dc(), "Times New Roman", size);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, -size);
    EXPECT_LE(tm.tmHeight, -size * 13 / 10 + 1);
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight + size);
  }
  // A positive height asks for the whole cell.
  FontScope f(c.dc(), "Arial", 20);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  EXPECT_NEAR(tm.tmHeight, 20, 1);
}

TEST(Text, DrawsInTheTextColourInsideItsCell) {
  Canvas c(60, 20);
  FontScope f(c.dc(), "MS Sans Serif", -11);
  SetBkMode(c.dc(), TRANSPARENT);
  TextOut(c.dc(), 2, 2, "Hi", 2);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  int w = Width(c.dc(), "Hi");
  int inside = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) {
      if (GetPixel(c.dc(), x, y) != 0) continue;
      EXPECT_TRUE(x >= 2 && x < 2 + w && y >= 2 && y < 2 + tm.tmHeight) << x << "," << y;
      ++inside;
    }
  EXPECT_GT(inside, 10);
  // Aliased: only the text colour and the background appear.
  EXPECT_EQ(c.Count(0) + c.Count(0xFFFFFF), 60 * 20);
}

TEST(Text, OpaqueModeFillsTheCellAndUnderlineDrawsALine) {
  Canvas c(40, 20);
  FontScope f(c.dc(), "Arial", -11, FW_NORMAL, false, true);
  SetBkColor(c.dc(), 0x0000FF);
  TextOut(c.dc(), 0, 0, "..", 2);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  int w = Width(c.dc(), "..");
  EXPECT_EQ(GetPixel(c.dc(), 0, 0), 0x0000FFu);
  EXPECT_EQ(GetPixel(c.dc(), w - 1, 0), 0x0000FFu);
  EXPECT_EQ(GetPixel(c.dc(), w, 0), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(c.dc(), 0, tm.tmHeight), 0xFFFFFFu);
  int underline = 0;
  for (int x = 0; x < w; ++x)
    underline +=
        GetPixel(c.dc(), x, tm.tmAscent + 1) == 0 || GetPixel(c.dc(), x, tm.tmAscent + 2) == 0;
  EXPECT_EQ(underline, w);
}

TEST(Text, JapaneseTextUsesTheGothicFont) {
  Canvas c(80, 20);
  FontScope f(c.dc(), "MS UI Gothic", -12);
  const char* text = "\xE6\x97\xA5\xE6\x9C\xAC";  // two ideographs, UTF-8
  int w = Width(c.dc(), text);
  EXPECT_GE(w, 20);
  SetBkMode(c.dc(), TRANSPARENT);
  TextOut(c.dc(), 0, 0, text, int(std::strlen(text)));
  EXPECT_GT(c.Count(0), 20);
}

TEST(Text, BadArgumentsFail) {
  Canvas c(4, 4);
  SIZE s;
  EXPECT_FALSE(GetTextExtentPoint32(c.dc(), nullptr, 3, &s));
  EXPECT_FALSE(GetTextExtentPoint32(c.dc(), "abc", -1, &s));
  EXPECT_FALSE(TextOut(c.dc(), 0, 0, nullptr, 2));
  EXPECT_TRUE(TextOut(c.dc(), 0, 0, "\xFF\xC3", 2));  // not UTF-8: read as Latin-1
  FontScope huge(c.dc(), "Arial", -100000);
  EXPECT_TRUE(TextOut(c.dc(), -5, -5, "W", 1));
}

}  // namespace
}  // namespace tess::test
