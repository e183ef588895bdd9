// Fuzz targets: the picture readers, one target per format (PICTURE_READER
// names the reader). The input goes to the reader straight, without the
// sniffing in front, so the fuzzer spends its time inside the format. A
// picture either reads, within the size limits and with as many pixels as
// it claims, or is refused with a message; nothing may crash.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "graphics/codecs/codec_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tess::graphics;
  PixelImage image;
  std::string error;
  if (!codecs::PICTURE_READER(std::span<const uint8_t>(data, size), &image, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  int64_t pixels = int64_t(image.width) * image.height;
  if (image.width <= 0 || image.height <= 0 || image.width > codecs::kMaxSide ||
      image.height > codecs::kMaxSide || pixels > codecs::kMaxPixels ||
      image.pixels.size() != size_t(pixels)) {
    std::abort();
  }
  switch (image.depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      std::abort();
  }
  return 0;
}
