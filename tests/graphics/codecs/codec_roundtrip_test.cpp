// Our writers read back by our readers, in every format and depth written,
// and the format tables.
#include <gtest/gtest.h>

#include "codec_test_support.h"

namespace tess::graphics::test {
namespace {

PixelImage RoundTrip(const PixelImage& image, PictureFormat format, int quality = 100) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(EncodePicture(image, format, quality, &bytes, &error)) << error;
  EXPECT_EQ(SniffPictureFormat(bytes), format);
  PixelImage back;
  EXPECT_TRUE(DecodePicture(bytes, &back, &error)) << error;
  return back;
}

struct Case {
  const char* name;
  PictureFormat format;
  int depth;
  size_t colours;  // distinct colours in the picture
  bool alpha;
  int tolerance;  // per channel
  int depthRead;  // what the reader reports
};

const Case kCases[] = {
    {"bmp1", PictureFormat::kBmp, 1, 2, false, 0, 1},
    {"bmp4", PictureFormat::kBmp, 4, 16, false, 0, 4},
    {"bmp8", PictureFormat::kBmp, 8, 16, false, 0, 8},
    {"bmp16", PictureFormat::kBmp, 16, 16, false, 4, 16},
    {"bmp24", PictureFormat::kBmp, 24, 16, false, 0, 24},
    {"bmp32", PictureFormat::kBmp, 32, 16, false, 0, 32},
    {"bmp32alpha", PictureFormat::kBmp, 32, 16, true, 0, 32},
    {"png24", PictureFormat::kPng, 24, 16, false, 0, 24},
    {"png32alpha", PictureFormat::kPng, 32, 16, true, 0, 32},
};

TEST(PictureRoundTrip, EachFormatAndDepthReadsBackItsPixels) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<uint32_t> colours(kSixteen.begin(), kSixteen.begin() + long(c.colours));
    // Odd widths exercise the row padding of every depth.
    PixelImage image = Stripes(13, 7, c.depth, colours);
    if (c.alpha) {
      for (size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = (image.pixels[i] & 0xFFFFFF) | uint32_t((i * 37) % 256) << 24;
      }
      image.hasAlpha = true;
    }
    image.xResolution = 300, image.yResolution = 150;
    PixelImage back = RoundTrip(image, c.format);
    ExpectSamePixels(image, back, c.tolerance);
    EXPECT_EQ(back.depth, c.depthRead);
    EXPECT_EQ(back.hasAlpha, c.alpha);
    EXPECT_EQ(back.xResolution, 300);
    EXPECT_EQ(back.yResolution, 150);
  }
}

TEST(PictureRoundTrip, JpegKeepsASmoothPictureCloseAtEveryQuality) {
  PixelImage image = Gradient(64, 48);
  image.xResolution = image.yResolution = 96;
  const struct { int quality, tolerance; } kQualities[] = {{100, 6}, {90, 12}, {50, 24}};
  for (const auto& q : kQualities) {
    SCOPED_TRACE(q.quality);
    PixelImage back = RoundTrip(image, PictureFormat::kJpeg, q.quality);
    ExpectSamePixels(image, back, q.tolerance);
    EXPECT_EQ(back.depth, 24);
    EXPECT_FALSE(back.hasAlpha);
    EXPECT_EQ(back.xResolution, 96);
  }
  std::vector<uint8_t> low, high;
  std::string error;
  ASSERT_TRUE(EncodePicture(image, PictureFormat::kJpeg, 10, &low, &error));
  ASSERT_TRUE(EncodePicture(image, PictureFormat::kJpeg, 95, &high, &error));
  EXPECT_LT(low.size(), high.size());
}

TEST(PictureRoundTrip, IndexedBmpWithTooManyColoursUsesTheNearestFixedColour) {
  // 24 colours do not fit 4 bits: pure primaries survive through the classic 16.
  std::vector<uint32_t> colours(kSixteen);
  for (uint32_t i = 0; i < 8; ++i) colours.push_back(0x101010u * (i + 1) + 0x010203u);
  PixelImage image = Stripes(9, 9, 4, colours);
  PixelImage back = RoundTrip(image, PictureFormat::kBmp);
  ASSERT_EQ(back.pixels.size(), image.pixels.size());
  EXPECT_EQ(back.depth, 4);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    uint32_t rgb = image.pixels[i] & 0xFFFFFF;
    if (rgb == 0xFF0000 || rgb == 0x0000FF || rgb == 0xFFFFFF || rgb == 0) {
      EXPECT_EQ(back.pixels[i], image.pixels[i]);
    }
  }
  // Eight bits: a 6x6x6 cube, so multiples of 0x33 come back exactly.
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 300; ++i) many.push_back(i * 0x010203u);
  many[0] = 0x336699;
  PixelImage big = Stripes(40, 20, 8, many);
  PixelImage bigBack = RoundTrip(big, PictureFormat::kBmp);
  EXPECT_EQ(bigBack.pixels[0], 0xFF336699u);
  EXPECT_LE(MaxChannelDifference(big, bigBack), 40);
}

TEST(PictureRoundTrip, WritingRefusesWhatCannotBeWritten) {
  std::vector<uint8_t> bytes;
  std::string error;
  PixelImage empty;
  EXPECT_FALSE(EncodePicture(empty, PictureFormat::kPng, 0, &bytes, &error));
  EXPECT_EQ(error, "The picture has no pixels to write.");
  PixelImage wide;
  wide.width = 40000, wide.height = 1;
  wide.pixels.resize(40000);
  EXPECT_FALSE(EncodePicture(wide, PictureFormat::kBmp, 0, &bytes, &error));
  EXPECT_EQ(error, "The picture is too large to write.");
  PixelImage image = Stripes(4, 4, 24, kSixteen);
  EXPECT_FALSE(EncodePicture(image, PictureFormat::kGif, 0, &bytes, &error));
  EXPECT_EQ(error, "GIF pictures can be read but not written.");
  EXPECT_FALSE(EncodePicture(image, PictureFormat::kUnknown, 0, &bytes, &error));
  image.pixels.pop_back();
  EXPECT_FALSE(EncodePicture(image, PictureFormat::kBmp, 0, &bytes, &error));
  EXPECT_EQ(error, "The picture's pixels do not match its width and height.");
  EXPECT_TRUE(bytes.empty());
}

TEST(PictureFormats, SniffingAndExtensions) {
  const struct {
    std::vector<uint8_t> bytes;
    PictureFormat format;
  } kSniffs[] = {
      {{'B', 'M', 0, 0}, PictureFormat::kBmp},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, PictureFormat::kPng},
      {{0x89, 'P', 'N', 'G'}, PictureFormat::kUnknown},
      {{0xFF, 0xD8, 0xFF, 0xE0}, PictureFormat::kJpeg},
      {{'G', 'I', 'F', '8', '9', 'a'}, PictureFormat::kGif},
      {{'G', 'I', 'F', '8', '7', 'a'}, PictureFormat::kGif},
      {{'G', 'I', 'F', '8', '8', 'a'}, PictureFormat::kUnknown},
      {{}, PictureFormat::kUnknown},
  };
  for (const auto& s : kSniffs) EXPECT_EQ(SniffPictureFormat(s.bytes), s.format);

  const struct {
    const char* extension;
    PictureFormat format;
  } kExtensions[] = {
      {"bmp", PictureFormat::kBmp},     {".BMP", PictureFormat::kBmp},
      {"dib", PictureFormat::kBmp},     {".PNG", PictureFormat::kPng},
      {"jpg", PictureFormat::kJpeg},    {"JPEG", PictureFormat::kJpeg},
      {".jpe", PictureFormat::kJpeg},   {"gif", PictureFormat::kGif},
      {"tif", PictureFormat::kUnknown}, {"", PictureFormat::kUnknown},
      {".", PictureFormat::kUnknown},   {"pngx", PictureFormat::kUnknown},
  };
  for (const auto& e : kExtensions)
    EXPECT_EQ(PictureFormatForExtension(e.extension), e.format) << e.extension;
}

}  // namespace
}  // namespace tess::graphics::test
