// What the picture readers and writers share: the size limits every reader
// applies before allocating, the one table of messages, and the per-format
// entry points that picture_codec.cpp dispatches to.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/codecs/picture_codec.h"

namespace tess::graphics::codecs {

// A side longer than this, or more pixels than kMaxPixels, is refused before
// anything is allocated: 32768 x 1024 or 8192 x 4096 at most (128 MB of
// pixels), so a hostile header cannot exhaust a 32-bit address space.
inline constexpr int64_t kMaxSide = 32768;
inline constexpr int64_t kMaxPixels = int64_t{1} << 25;

// Messages, one per kind of refusal; the format name is put in front.
enum class Refusal {
  kTruncated,      // the data ends before the picture does
  kTooLarge,       // dimensions beyond the limits above
  kBadDimensions,  // zero or negative width or height
  kBadPalette,     // a palette too large, missing, or an index past its end
  kUnsupported,    // a valid variant this reader does not handle
  kDamaged,        // anything else inconsistent
};
std::string RefusalMessage(const char* format, Refusal refusal, const std::string& detail);

// True when width x height passes the limits; otherwise sets *error.
bool CheckDimensions(const char* format, int64_t width, int64_t height, std::string* error);

// Allocates image->pixels for the given size (which CheckDimensions passed).
void SizeImage(PixelImage* image, int32_t width, int32_t height, uint32_t fill);

// Dots per inch from pixels per metre and back; 0 and nonsense give 72.
int32_t DotsPerInchFromMetre(int64_t pixelsPerMetre);
int32_t MetreFromDotsPerInch(int32_t dotsPerInch);

bool DecodeBmp(std::span<const uint8_t> bytes, PixelImage* out, std::string* error);
bool EncodeBmp(const PixelImage& image, std::vector<uint8_t>* out, std::string* error);
bool DecodePng(std::span<const uint8_t> bytes, PixelImage* out, std::string* error);
bool EncodePng(const PixelImage& image, std::vector<uint8_t>* out, std::string* error);
bool DecodeJpeg(std::span<const uint8_t> bytes, PixelImage* out, std::string* error);
bool EncodeJpeg(const PixelImage& image, int quality, std::vector<uint8_t>* out,
                std::string* error);
bool DecodeGif(std::span<const uint8_t> bytes, PixelImage* out, std::string* error);

}  // namespace tess::graphics::codecs
