// Files written by another program (ImageMagick's convert, run here at test
// time from a picture we describe in plain PAM) read back with the right
// pixels, in the variants that program writes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "codec_test_support.h"
#include "test_support.h"

namespace tess::graphics::test {
namespace {

// PAM (netpbm's plain RGB_ALPHA format) of a picture, alpha included.
std::vector<uint8_t> Pam(const PixelImage& image) {
  std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                       std::to_string(image.height) +
                       "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  for (uint32_t px : image.pixels) {
    bytes.insert(bytes.end(),
                 {uint8_t(px >> 16), uint8_t(px >> 8), uint8_t(px), uint8_t(px >> 24)});
  }
  return bytes;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ForeignPictures : public ::testing::Test {
 protected:
  // Converts `image` with convert's options and output spec; the decoded result.
  PixelImage Convert(const PixelImage& image, const std::string& options,
                     const std::string& output) {
    std::string in = dir_.File("in.pam"), out = dir_.File("out");
    tess::test::WriteFile(in, Pam(image));
    std::string command = "convert " + in + " " + options + " " + output + ":" + out + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<uint8_t> bytes = ReadAll(out);
    PixelImage back;
    std::string error;
    EXPECT_TRUE(DecodePicture(bytes, &back, &error)) << command << ": " << error;
    return back;
  }
  tess::test::TempDir dir_;
};

struct Case {
  const char* options;
  const char* output;
  int tolerance;
  int depth;  // 0: not checked (the writer chooses)
};

void Check(const PixelImage& expected, const PixelImage& back, const Case& c) {
  ExpectSamePixels(expected, back, c.tolerance);
  if (c.depth) {
    EXPECT_EQ(back.depth, c.depth);
  }
}

TEST_F(ForeignPictures, BmpVariants) {
  PixelImage image =
      Stripes(13, 7, 24, std::vector<uint32_t>(kSixteen.begin(), kSixteen.begin() + 6));
  const Case kCases[] = {
      {"-type TrueColor", "BMP3", 0, 24},
      {"-type Palette", "BMP3", 0, 0},
      {"-type Palette -compress RLE", "BMP3", 0, 8},
      {"-type Palette", "BMP2", 0, 0},  // OS/2 core header, 3-byte palette entries
      {"-alpha off -define bmp:subtype=RGB565", "BMP", 4, 16},
      {"-alpha off -define bmp:subtype=RGB555", "BMP", 4, 16},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.output) + " " + c.options);
    Check(image, Convert(image, c.options, c.output), c);
  }
  PixelImage mono = Stripes(21, 5, 1, {0x000000, 0xFFFFFF});
  Check(mono, Convert(mono, "-type Bilevel", "BMP3"), {"", "", 0, 1});
}

TEST_F(ForeignPictures, BmpWithAlpha) {
  PixelImage image = Stripes(9, 6, 32, kSixteen);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = (image.pixels[i] & 0xFFFFFF) | uint32_t(i * 255 / image.pixels.size()) << 24;
  }
  PixelImage back = Convert(image, "-type TrueColorAlpha", "BMP");
  EXPECT_TRUE(back.hasAlpha);
  Check(image, back, {"", "", 0, 32});
}

TEST_F(ForeignPictures, PngVariants) {
  PixelImage image = Stripes(13, 7, 24, kSixteen);
  const Case kCases[] = {
      {"", "PNG24", 0, 24},
      {"", "PNG8", 0, 8},
      {"-interlace PNG", "PNG24", 0, 24},
      {"-depth 16", "PNG48", 0, 24},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.output) + " " + c.options);
    Check(image, Convert(image, c.options, c.output), c);
  }
  PixelImage grey = Stripes(10, 10, 8, {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF, 0x333333});
  Check(grey, Convert(grey, "-colorspace Gray -type Grayscale", "PNG"), {"", "", 0, 0});
  PixelImage alpha = image;
  for (size_t i = 0; i < alpha.pixels.size(); i += 3) alpha.pixels[i] &= 0x7FFFFFFF;
  PixelImage back = Convert(alpha, "", "PNG32");
  EXPECT_TRUE(back.hasAlpha);
  Check(alpha, back, {"", "", 0, 32});
}

TEST_F(ForeignPictures, JpegVariants) {
  PixelImage image = Gradient(40, 24);
  const Case kCases[] = {
      {"-quality 98 -sampling-factor 1x1", "JPEG", 8, 24},
      {"-quality 98 -interlace JPEG", "JPEG", 12, 24},  // progressive
      {"-quality 98 -colorspace CMYK", "JPEG", 16, 32},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.options);
    Check(image, Convert(image, c.options, c.output), c);
  }
  PixelImage grey = Gradient(32, 32);
  for (uint32_t& px : grey.pixels) px = 0xFF000000u | (px >> 8 & 255) * 0x010101u;
  Check(grey, Convert(grey, "-quality 98 -colorspace Gray", "JPEG"), {"", "", 6, 8});
}

TEST_F(ForeignPictures, GifVariants) {
  PixelImage image = Stripes(13, 7, 8, kSixteen);
  Check(image, Convert(image, "", "GIF"), {"", "", 0, 0});
  Check(image, Convert(image, "-interlace GIF", "GIF"), {"", "", 0, 0});
  // Transparent pixels come back as transparent black.
  PixelImage holes = image;
  for (size_t i = 0; i < holes.pixels.size(); i += 4) holes.pixels[i] = 0;
  PixelImage back = Convert(holes, "", "GIF");
  EXPECT_TRUE(back.hasAlpha);
  Check(holes, back, {"", "", 0, 0});
}

}  // namespace
}  // namespace tess::graphics::test
