// Decoding a 4000 x 3000 PNG and JPEG through DecodePicture against the
// libraries called directly into the same BGRA layout (libpng's simplified
// interface, libjpeg-turbo's extended colour space). The pictures are made
// here: a gradient with some noise, so neither compresses to nothing.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "graphics/codecs/picture_codec.h"

namespace {

using tess::graphics::PictureFormat;
using tess::graphics::PixelImage;

PixelImage MakePicture(int width, int height) {
  PixelImage image;
  image.width = width, image.height = height, image.depth = 24;
  image.pixels.resize(size_t(width) * size_t(height));
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      uint32_t n = (noise >> 16) & 15;
      uint32_t r = uint32_t(x * 255 / width) ^ n, g = uint32_t(y * 255 / height) ^ n;
      uint32_t b = uint32_t((x + y) * 255 / (width + height)) ^ n;
      image.pixels[size_t(y) * size_t(width) + size_t(x)] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  return image;
}

bool PngDirect(const std::vector<uint8_t>& bytes, std::vector<uint32_t>* pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  image.format = PNG_FORMAT_BGRA;
  pixels->resize(size_t(image.width) * image.height);
  bool ok = png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

bool JpegDirect(const std::vector<uint8_t>& bytes, std::vector<uint32_t>* pixels) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  pixels->resize(size_t(cinfo.output_width) * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels->data() +
                                              size_t(cinfo.output_scanline) * cinfo.output_width);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

int main() {
  PixelImage picture = MakePicture(4000, 3000);
  const struct {
    const char* what;
    const char* reference;
    PictureFormat format;
    bool (*direct)(const std::vector<uint8_t>&, std::vector<uint32_t>*);
  } kCases[] = {
      {"DecodePicture, 4000x3000 PNG", "libpng directly", PictureFormat::kPng, PngDirect},
      {"DecodePicture, 4000x3000 JPEG", "libjpeg-turbo directly", PictureFormat::kJpeg, JpegDirect},
  };
  for (const auto& c : kCases) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!tess::graphics::EncodePicture(picture, c.format, 90, &bytes, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    PixelImage decoded;
    std::vector<uint32_t> direct;
    // Interleaved, so that a busy machine slows both sides alike.
    std::vector<double> ours, theirs;
    for (int i = 0; i < 7; ++i) {
      ours.push_back(tess::bench::MedianSeconds(1, [&] {
        if (!tess::graphics::DecodePicture(bytes, &decoded, &error)) std::abort();
      }));
      theirs.push_back(tess::bench::MedianSeconds(1, [&] {
        if (!c.direct(bytes, &direct)) std::abort();
      }));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    if (direct != decoded.pixels) {
      std::fprintf(stderr, "%s: the two decodings differ\n", c.what);
      return 1;
    }
    tess::bench::PrintRatio(c.what, ours[ours.size() / 2], c.reference, theirs[theirs.size() / 2]);
  }
  return 0;
}
