// Picture files: BMP (read and written here by hand), PNG, JPEG and GIF
// (through libpng, libjpeg-turbo and giflib) decoded into and encoded from
// plain 32-bit pixel images. Free of the object layout, so it also builds
// natively for the fuzz targets and benchmarks.
//
// Every reader checks its input before trusting it: dimensions are bounded
// before anything is allocated (codec_internal.h holds the limits), and
// truncated data, palettes too small for their indexes and unknown encodings
// are refused with a message instead of a guessed picture.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::graphics {

// A decoded picture: rows top first, each pixel 0xAARRGGBB (alpha 0xFF = opaque).
struct PixelImage {
  int32_t width = 0, height = 0;
  int32_t depth = 32;     // bits per pixel of the source: 1, 4, 8, 16, 24 or 32
  bool hasAlpha = false;  // the source carried transparency
  int32_t xResolution = 72, yResolution = 72;  // dots per inch
  std::vector<uint32_t> pixels;                // width * height
};
enum class PictureFormat { kUnknown, kBmp, kPng, kJpeg, kGif };
PictureFormat SniffPictureFormat(std::span<const uint8_t> bytes);
PictureFormat PictureFormatForExtension(std::string_view extension);  // "bmp", ".PNG", "jpg", ...
// False with a clear message in *error for damaged, hostile or unsupported input.
bool DecodePicture(std::span<const uint8_t> bytes, PixelImage* out, std::string* error);
// quality 0-100 for JPEG, ignored otherwise; GIF is read only.
bool EncodePicture(const PixelImage& image, PictureFormat format, int quality,
                   std::vector<uint8_t>* out, std::string* error);
}  // namespace tess::graphics
