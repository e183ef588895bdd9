// Hand-made files: the BMP variants the writers do not produce, and damaged,
// truncated and hostile files of every format, each refused with its
// message and no pixels.
#include <gtest/gtest.h>
#include <zlib.h>

#include "codec_test_support.h"
#include "test_support.h"

namespace tess::graphics::test {
namespace {

using tess::test::AppendBe32;
using tess::test::AppendLe16;
using tess::test::AppendLe32;

struct Bmp {
  uint32_t infoSize = 40;
  int32_t width = 2, height = 2;
  uint16_t planes = 1, bits = 8;
  uint32_t compression = 0, used = 0;
  std::vector<uint32_t> masks;    // after a 40-byte header, or inside a longer one
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint8_t> pixels;
  int64_t offset = -1;  // -1: right after the palette

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> info;
    AppendLe32(info, infoSize);
    AppendLe32(info, uint32_t(width));
    AppendLe32(info, uint32_t(height));
    AppendLe16(info, planes);
    AppendLe16(info, bits);
    AppendLe32(info, compression);
    AppendLe32(info, uint32_t(pixels.size()));
    AppendLe32(info, 2835);
    AppendLe32(info, 2835);
    AppendLe32(info, used ? used : uint32_t(palette.size()));
    AppendLe32(info, 0);
    if (infoSize == 40) {
      for (uint32_t m : masks) AppendLe32(info, m);
    } else {
      for (size_t i = 0; info.size() < infoSize; ++i)
        AppendLe32(info, i < masks.size() ? masks[i] : 0);
    }
    for (uint32_t c : palette) AppendLe32(info, c);
    uint32_t pixelOffset = uint32_t(offset >= 0 ? offset : int64_t(14 + info.size()));
    std::vector<uint8_t> file = {'B', 'M'};
    AppendLe32(file, uint32_t(14 + info.size() + pixels.size()));
    AppendLe32(file, 0);
    AppendLe32(file, pixelOffset);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
  }
};

PixelImage Decode(const std::vector<uint8_t>& bytes) {
  PixelImage image;
  std::string error;
  EXPECT_TRUE(DecodePicture(bytes, &image, &error)) << error;
  return image;
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
  PixelImage image;
  image.pixels.assign(4, 1);
  std::string error;
  EXPECT_FALSE(DecodePicture(bytes, &image, &error));
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_EQ(image.width, 0);
  return error;
}

TEST(BmpVariants, RowsTopFirstBitFieldsAndRunLengths) {
  Bmp top;
  top.bits = 24, top.height = -2;
  top.pixels = {0,   0, 255, 0,   255, 0,   0, 0,   // red, green, padding
                255, 0, 0,   255, 255, 255, 0, 0};  // blue, white
  EXPECT_EQ(Decode(top.Bytes()).pixels,
            (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));

  Bmp rgb565;
  rgb565.bits = 16, rgb565.compression = 3, rgb565.masks = {0xF800, 0x07E0, 0x001F};
  rgb565.pixels = {0x00, 0xF8, 0xE0, 0x07,
                   0x1F, 0x00, 0xFF, 0xFF};  // bottom: red, green; top: blue, white
  PixelImage image = Decode(rgb565.Bytes());
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00}));
  EXPECT_EQ(image.depth, 16);
  EXPECT_EQ(image.xResolution, 72);

  // An alpha mask whose alpha is zero everywhere: an opaque picture.
  Bmp zeroAlpha;
  zeroAlpha.infoSize = 108, zeroAlpha.bits = 32, zeroAlpha.compression = 3, zeroAlpha.width = 1;
  zeroAlpha.height = 1, zeroAlpha.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  zeroAlpha.pixels = {0x30, 0x20, 0x10, 0x00};
  image = Decode(zeroAlpha.Bytes());
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF102030}));
  EXPECT_FALSE(image.hasAlpha);
  zeroAlpha.pixels[3] = 0x80;
  image = Decode(zeroAlpha.Bytes());
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x80102030}));
  EXPECT_TRUE(image.hasAlpha);

  // 8-bit runs, 4 x 3: a run, an absolute run, a delta, end of line and picture.
  Bmp rle8;
  rle8.compression = 1, rle8.width = 4, rle8.height = 3;
  rle8.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  rle8.pixels = {4, 1, 0, 0,               // bottom row: red x4
                 0, 3, 2, 3, 2, 0, 0, 0,   // middle: green blue green, then end of line
                 0, 2, 1, 0, 2, 3, 0, 1};  // top: delta right 1, blue x2, end
  image = Decode(rle8.Bytes());
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF000000, 0xFF0000FF, 0xFF0000FF, 0xFF000000,
                                                 0xFF00FF00, 0xFF0000FF, 0xFF00FF00, 0xFF000000,
                                                 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000}));

  Bmp rle4;
  rle4.compression = 2, rle4.bits = 4, rle4.width = 6, rle4.height = 1;
  rle4.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  rle4.pixels = {3, 0x12, 0, 3, 0x30, 0x10, 0, 1};  // 1 2 1, absolute 3 0 1
  EXPECT_EQ(Decode(rle4.Bytes()).pixels,
            (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF0000FF, 0xFF000000,
                                   0xFFFF0000}));
}

TEST(BmpDamage, EachFaultGetsItsMessage) {
  auto base = [] {
    Bmp b;
    b.palette = {0x000000, 0xFFFFFF};
    b.used = 2;
    b.pixels = {0, 1, 0, 0, 1, 0, 0, 0};
    return b;
  };
  struct Case {
    const char* name;
    Bmp bmp;
    const char* message;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, auto change, const char* message) {
    Bmp b = base();
    change(b);
    cases.push_back({name, b, message});
  };
  add(
      "huge width", [](Bmp& b) { b.width = 40000; }, "larger than 32768 pixels");
  add(
      "huge area", [](Bmp& b) { b.width = 30000, b.height = 30000; }, "larger than 32768 pixels");
  add(
      "most negative height", [](Bmp& b) { b.height = INT32_MIN; }, "larger than 32768 pixels");
  add(
      "no height", [](Bmp& b) { b.height = 0; }, "no width or height (2 x 0)");
  add(
      "negative width", [](Bmp& b) { b.width = -5; }, "no width or height");
  add(
      "palette too large", [](Bmp& b) { b.used = 300; },
      "palette is damaged (300 colours for 8 bits)");
  add(
      "index past the palette", [](Bmp& b) { b.pixels[1] = 5; },
      "palette is damaged (index 5 of 2)");
  add(
      "palette cut off", [](Bmp& b) { b.used = 200, b.pixels.clear(); },
      "ends before the picture does (in the palette)");
  add(
      "pixels cut off", [](Bmp& b) { b.pixels.resize(7); },
      "ends before the picture does (in the pixels)");
  add(
      "embedded JPEG", [](Bmp& b) { b.compression = 4; }, "not supported (compression 4)");
  add(
      "two bits", [](Bmp& b) { b.bits = 2, b.used = 0, b.palette.resize(4); },
      "not supported (2 bits per pixel)");
  add(
      "two planes", [](Bmp& b) { b.planes = 2; }, "damaged (2 planes)");
  add(
      "offset past the end", [](Bmp& b) { b.offset = 5000; }, "damaged (pixel offset 5000)");
  add(
      "offset inside the header", [](Bmp& b) { b.offset = 20; }, "damaged (pixel offset 20)");
  add(
      "header of 20 bytes", [](Bmp& b) { b.infoSize = 20; }, "not supported (header of 20 bytes)");
  add(
      "overlapping masks",
      [](Bmp& b) {
        b.bits = 16, b.compression = 3, b.masks = {0xF800, 0x0FE0, 0x001F}, b.palette.clear(),
        b.used = 0;
      },
      "damaged (bit-field masks)");
  add(
      "masks with holes",
      [](Bmp& b) {
        b.bits = 32, b.compression = 3, b.masks = {0xFF00FF, 0xFF00, 0}, b.palette.clear(),
        b.used = 0;
        b.pixels.resize(16);
      },
      "damaged (bit-field masks)");
  add(
      "bit fields at 8 bits",
      [](Bmp& b) {
        b.compression = 3, b.masks = {1, 2, 4};
      },
      "damaged (bit fields at 8 bits)");
  add(
      "runs top first", [](Bmp& b) { b.compression = 1, b.height = -2; },
      "damaged (run-length encoding with rows top first)");
  add(
      "runs without an end",
      [](Bmp& b) {
        b.compression = 1, b.pixels = {2, 1, 0, 0};
      },
      "ends before the picture does (in the runs)");
  add(
      "run past the palette",
      [](Bmp& b) {
        b.compression = 1, b.pixels = {2, 9, 0, 1};
      },
      "palette is damaged (index past the palette's end)");
  add(
      "runs past the top", [](Bmp& b) { b.compression = 1, b.pixels = {0, 2, 0, 5, 2, 1, 0, 1}; },
      "damaged (runs past the top row)");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error = Refusal(c.bmp.Bytes());
    EXPECT_NE(error.find("BMP picture refused: "), std::string::npos) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

// A GIF of one frame whose LZW stream clears before every pixel, so any
// index can be written whatever the colour table holds.
std::vector<uint8_t> Gif(uint16_t screenWidth, uint16_t screenHeight, int tableBits, uint16_t width,
                         uint16_t height, const std::vector<uint8_t>& indexes) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
  AppendLe16(g, screenWidth);
  AppendLe16(g, screenHeight);
  g.push_back(tableBits ? uint8_t(0x80 | (tableBits - 1)) : 0);
  g.push_back(0), g.push_back(0);
  for (int i = 0; tableBits && i < (1 << tableBits); ++i) {
    g.insert(g.end(), {uint8_t(i * 40), uint8_t(255 - i * 40), uint8_t(i * 20)});
  }
  g.push_back(0x2C);
  AppendLe16(g, 0), AppendLe16(g, 0), AppendLe16(g, width), AppendLe16(g, height);
  g.push_back(0);
  g.push_back(8);  // minimum code size: 9-bit codes, clear 256, end 257
  std::vector<uint8_t> stream;
  uint32_t acc = 0;
  int bits = 0;
  auto code = [&](uint32_t c) {
    acc |= c << bits;
    for (bits += 9; bits >= 8; bits -= 8, acc >>= 8) stream.push_back(uint8_t(acc));
  };
  for (uint8_t index : indexes) code(256), code(index);
  code(257);
  if (bits) stream.push_back(uint8_t(acc));
  for (size_t pos = 0; pos < stream.size(); pos += 255) {
    size_t n = std::min<size_t>(255, stream.size() - pos);
    g.push_back(uint8_t(n));
    g.insert(g.end(), stream.begin() + long(pos), stream.begin() + long(pos + n));
  }
  g.push_back(0);
  g.push_back(0x3B);
  return g;
}

TEST(GifDamage, HandMadeFramesAndTheirFaults) {
  PixelImage image = Decode(Gif(3, 2, 2, 2, 2, {0, 1, 2, 3}));
  // The 3 x 2 screen around a 2 x 2 frame: the column outside it is transparent.
  EXPECT_EQ(image.pixels,
            (std::vector<uint32_t>{0xFF00FF00, 0xFF28D714, 0, 0xFF50AF28, 0xFF78873C, 0}));
  EXPECT_TRUE(image.hasAlpha);
  EXPECT_EQ(image.depth, 4);

  EXPECT_NE(Refusal(Gif(2, 2, 1, 2, 2, {0, 1, 200, 1})).find("palette is damaged (index 200 of 2)"),
            std::string::npos);
  EXPECT_NE(Refusal(Gif(2, 2, 0, 2, 2, {0, 1, 0, 1})).find("palette is damaged (no colour table)"),
            std::string::npos);
  EXPECT_NE(Refusal(Gif(60000, 60000, 1, 2, 2, {0, 1, 0, 1})).find("larger than"),
            std::string::npos);
  EXPECT_NE(Refusal(Gif(2, 2, 1, 40000, 1, {0})).find("larger than"), std::string::npos);
  EXPECT_NE(Refusal(Gif(2, 2, 1, 0, 2, {})).find("no width or height"), std::string::npos);
  // Fewer pixels in the stream than the frame holds.
  EXPECT_NE(Refusal(Gif(2, 2, 1, 2, 2, {0, 1})).find("GIF picture refused"), std::string::npos);
}

std::vector<uint8_t> PngChunk(const char* type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk;
  AppendBe32(chunk, uint32_t(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  AppendBe32(chunk, uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))));
  return chunk;
}

TEST(PngDamage, HostileHeadersAndBrokenChunks) {
  auto withHeader = [](uint32_t width, uint32_t height, uint8_t colourType,
                       const std::vector<uint8_t>& extra) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, ihdr;
    AppendBe32(ihdr, width);
    AppendBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, colourType, 0, 0, 0});
    auto chunk = PngChunk("IHDR", ihdr);
    png.insert(png.end(), chunk.begin(), chunk.end());
    png.insert(png.end(), extra.begin(), extra.end());
    return png;
  };
  EXPECT_NE(
      Refusal(withHeader(100000, 1, 2, {})).find("PNG picture refused: the picture is larger"),
      std::string::npos);
  EXPECT_NE(Refusal(withHeader(20000, 20000, 2, {})).find("larger than"), std::string::npos);
  EXPECT_NE(Refusal(withHeader(0, 5, 2, {})).find("no width or height"), std::string::npos);
  // A palette of 300 entries is not a palette.
  auto plte = PngChunk("PLTE", std::vector<uint8_t>(900, 7));
  EXPECT_NE(Refusal(withHeader(2, 2, 3, plte)).find("PNG picture refused: the file is damaged"),
            std::string::npos);
  // A 2 x 1 palette picture of two entries whose second pixel names `index`.
  auto palettePicture = [&](uint8_t index) {
    std::vector<uint8_t> raw = {0, 1, index}, packed(64);
    uLongf packedSize = uLongf(packed.size());
    EXPECT_EQ(compress(packed.data(), &packedSize, raw.data(), uLong(raw.size())), Z_OK);
    packed.resize(packedSize);
    std::vector<uint8_t> chunks = PngChunk("PLTE", {255, 0, 0, 0, 0, 255});
    for (const auto& c : {PngChunk("IDAT", packed), PngChunk("IEND", {})}) {
      chunks.insert(chunks.end(), c.begin(), c.end());
    }
    return withHeader(2, 1, 3, chunks);
  };
  EXPECT_EQ(Decode(palettePicture(0)).pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFF0000}));
  EXPECT_NE(
      Refusal(palettePicture(5)).find("PNG picture refused: the palette is damaged (index 5 of 2)"),
      std::string::npos);
  // A flipped bit in a chunk.
  PixelImage image = Stripes(5, 5, 24, kSixteen);
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodePicture(image, PictureFormat::kPng, 0, &bytes, &error));
  bytes[bytes.size() - 20] ^= 0x10;
  EXPECT_NE(Refusal(bytes).find("PNG picture refused"), std::string::npos);
}

TEST(JpegDamage, HugeFrameAndBrokenMarkers) {
  PixelImage image = Gradient(16, 16);
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodePicture(image, PictureFormat::kJpeg, 80, &bytes, &error));
  for (size_t i = 2; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      std::vector<uint8_t> huge = bytes;
      huge[i + 5] = huge[i + 7] = 0xEA, huge[i + 6] = huge[i + 8] = 0x60;  // 60000 x 60000
      EXPECT_NE(Refusal(huge).find("JPEG picture refused: the picture is larger"),
                std::string::npos);
      std::vector<uint8_t> zero = bytes;
      zero[i + 5] = zero[i + 6] = 0;
      EXPECT_NE(Refusal(zero).find("JPEG picture refused"), std::string::npos);
      break;
    }
  }
  std::vector<uint8_t> noFrame = {0xFF, 0xD8, 0xFF, 0xD9};
  EXPECT_NE(Refusal(noFrame).find("JPEG picture refused"), std::string::npos);
}

TEST(PictureDamage, EveryTruncationIsRefused) {
  PixelImage image = Stripes(6, 5, 8, kSixteen);
  struct Sample {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Sample> samples;
  for (PictureFormat format : {PictureFormat::kBmp, PictureFormat::kPng, PictureFormat::kJpeg}) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodePicture(image, format, 90, &bytes, &error)) << error;
    samples.push_back({format == PictureFormat::kBmp   ? "bmp"
                       : format == PictureFormat::kPng ? "png"
                                                       : "jpeg",
                       bytes});
  }
  Bmp rle;
  rle.compression = 1, rle.width = 4, rle.height = 2, rle.palette = {0, 0xFFFFFF};
  rle.pixels = {4, 1, 0, 0, 0, 4, 0, 1, 1, 0, 0, 1};
  samples.push_back({"bmp runs", rle.Bytes()});
  samples.push_back({"gif", Gif(3, 3, 2, 3, 3, {0, 1, 2, 3, 2, 1, 0, 1, 2})});
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.name);
    Decode(s.bytes);
    for (size_t length = 0; length < s.bytes.size(); ++length) {
      std::vector<uint8_t> cut(s.bytes.begin(), s.bytes.begin() + long(length));
      PixelImage out;
      std::string error;
      ASSERT_FALSE(DecodePicture(cut, &out, &error)) << "length " << length;
      ASSERT_FALSE(error.empty());
    }
  }
  PixelImage out;
  std::string error;
  EXPECT_FALSE(DecodePicture({}, &out, &error));
  EXPECT_EQ(error, "The picture file is empty.");
  std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_FALSE(DecodePicture(text, &out, &error));
  EXPECT_EQ(error, "The file is not a BMP, PNG, JPEG or GIF picture.");
}

}  // namespace
}  // namespace tess::graphics::test
