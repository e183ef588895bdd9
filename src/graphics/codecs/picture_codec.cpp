// Format sniffing and dispatch to the per-format readers and writers, the
// shared limits and the message table.
#include "graphics/codecs/picture_codec.h"

#include <cmath>
#include <cstring>

#include "graphics/codecs/codec_internal.h"

namespace tess::graphics {

namespace {

bool StartsWith(std::span<const uint8_t> bytes, const char* magic, size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

bool ValidImage(const PixelImage& image, std::string* error) {
  if (image.width <= 0 || image.height <= 0) {
    *error = "The picture has no pixels to write.";
    return false;
  }
  if (image.width > codecs::kMaxSide || image.height > codecs::kMaxSide ||
      int64_t(image.width) * image.height > codecs::kMaxPixels) {
    *error = "The picture is too large to write.";
    return false;
  }
  if (image.pixels.size() != size_t(image.width) * size_t(image.height)) {
    *error = "The picture's pixels do not match its width and height.";
    return false;
  }
  return true;
}

}  // namespace

PictureFormat SniffPictureFormat(std::span<const uint8_t> bytes) {
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::kPng;
  if (StartsWith(bytes, "\xff\xd8\xff", 3)) return PictureFormat::kJpeg;
  if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6)) return PictureFormat::kGif;
  if (StartsWith(bytes, "BM", 2)) return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

PictureFormat PictureFormatForExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  std::string lower(extension);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  static constexpr struct {
    const char* extension;
    PictureFormat format;
  } kExtensions[] = {
      {"bmp", PictureFormat::kBmp},   {"dib", PictureFormat::kBmp},   {"png", PictureFormat::kPng},
      {"jpg", PictureFormat::kJpeg},  {"jpeg", PictureFormat::kJpeg}, {"jpe", PictureFormat::kJpeg},
      {"jfif", PictureFormat::kJpeg}, {"gif", PictureFormat::kGif},
  };
  for (const auto& entry : kExtensions) {
    if (lower == entry.extension) return entry.format;
  }
  return PictureFormat::kUnknown;
}

bool DecodePicture(std::span<const uint8_t> bytes, PixelImage* out, std::string* error) {
  // The pixel buffer keeps its capacity: decoding into the same image again
  // then costs no fresh allocation.
  std::vector<uint32_t> pixels = std::move(out->pixels);
  pixels.clear();
  *out = PixelImage{};
  out->pixels = std::move(pixels);
  error->clear();
  bool ok = false;
  switch (SniffPictureFormat(bytes)) {
    case PictureFormat::kBmp:
      ok = codecs::DecodeBmp(bytes, out, error);
      break;
    case PictureFormat::kPng:
      ok = codecs::DecodePng(bytes, out, error);
      break;
    case PictureFormat::kJpeg:
      ok = codecs::DecodeJpeg(bytes, out, error);
      break;
    case PictureFormat::kGif:
      ok = codecs::DecodeGif(bytes, out, error);
      break;
    case PictureFormat::kUnknown:
      *error = bytes.empty() ? "The picture file is empty."
                             : "The file is not a BMP, PNG, JPEG or GIF picture.";
      break;
  }
  if (!ok) {
    *out = PixelImage{};
    if (error->empty()) *error = "The picture file could not be read.";
  }
  return ok;
}

bool EncodePicture(const PixelImage& image, PictureFormat format, int quality,
                   std::vector<uint8_t>* out, std::string* error) {
  out->clear();
  error->clear();
  if (!ValidImage(image, error)) return false;
  bool ok = false;
  switch (format) {
    case PictureFormat::kBmp:
      ok = codecs::EncodeBmp(image, out, error);
      break;
    case PictureFormat::kPng:
      ok = codecs::EncodePng(image, out, error);
      break;
    case PictureFormat::kJpeg:
      ok = codecs::EncodeJpeg(image, quality, out, error);
      break;
    case PictureFormat::kGif:
      *error = "GIF pictures can be read but not written.";
      break;
    case PictureFormat::kUnknown:
      *error = "No picture format was named to write.";
      break;
  }
  if (!ok) out->clear();
  return ok;
}

namespace codecs {

std::string RefusalMessage(const char* format, Refusal refusal, const std::string& detail) {
  static constexpr const char* kTexts[] = {
      "the data ends before the picture does",
      "the picture is larger than 32768 pixels a side or 33554432 pixels in all",
      "the picture has no width or height",
      "the palette is damaged",
      "this kind of picture is not supported",
      "the file is damaged",
  };
  std::string message = std::string(format) + " picture refused: " + kTexts[int(refusal)];
  if (!detail.empty()) message += " (" + detail + ")";
  return message + ".";
}

bool CheckDimensions(const char* format, int64_t width, int64_t height, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = RefusalMessage(format, Refusal::kBadDimensions,
                            std::to_string(width) + " x " + std::to_string(height));
    return false;
  }
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
    *error = RefusalMessage(format, Refusal::kTooLarge,
                            std::to_string(width) + " x " + std::to_string(height));
    return false;
  }
  return true;
}

void SizeImage(PixelImage* image, int32_t width, int32_t height, uint32_t fill) {
  image->width = width;
  image->height = height;
  image->pixels.assign(size_t(width) * size_t(height), fill);
}

int32_t DotsPerInchFromMetre(int64_t pixelsPerMetre) {
  if (pixelsPerMetre <= 0 || pixelsPerMetre > 1000000) return 72;
  return int32_t(std::lround(double(pixelsPerMetre) * 0.0254));
}

int32_t MetreFromDotsPerInch(int32_t dotsPerInch) {
  if (dotsPerInch <= 0) dotsPerInch = 72;
  return int32_t(std::lround(double(dotsPerInch) / 0.0254));
}

}  // namespace codecs
}  // namespace tess::graphics
