// PNG through libpng. Every colour type and bit depth is read into 8-bit
// BGRA rows, which on this little-endian machine are the 0xAARRGGBB words
// of a PixelImage, so libpng writes the pixels in place. The whole file is
// read to its end chunk, so a truncated file is refused, not shown in part.
//
// libpng reports errors by longjmp; the functions that set the jump point
// hold nothing with a destructor, and the pixel buffer is sized (within the
// limits) before the jump point is set.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "base/byte_order.h"
#include "graphics/codecs/codec_internal.h"

namespace tess::graphics::codecs {

namespace {

constexpr const char* kFormat = "PNG";

struct ErrorState {
  char message[200] = {};
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct Source {
  const uint8_t* data;
  size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (source->size - source->pos < length) png_error(png, "the data ends before the picture does");
  std::memcpy(out, source->data + source->pos, length);
  source->pos += length;
}

struct Sink {
  std::vector<uint8_t>* bytes;
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
  sink->bytes->insert(sink->bytes->end(), data, data + length);
}

void FlushNothing(png_structp) {}

struct Info {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, channels = 0;
  bool hasAlpha = false;
  png_uint_32 xPerMetre = 0, yPerMetre = 0;
  std::vector<uint32_t> palette;  // 0xAARRGGBB, for palette pictures
};

// Reads the header and sets up the transformations; false after a libpng error.
bool ReadInfo(png_structp png, png_infop info, Info* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, png_uint_32(kMaxSide), png_uint_32(kMaxSide));
  png_set_chunk_malloc_max(png, 8u << 20);
  // What libpng would only warn about (an index past the palette's end
  // among them) refuses the picture here.
  png_set_benign_errors(png, 0);
  png_set_check_for_invalid_index(png, 1);
  png_read_info(png, info);
  png_get_IHDR(png, info, &out->width, &out->height, &out->bitDepth, &out->colorType, nullptr,
               nullptr, nullptr);
  out->channels = png_get_channels(png, info);
  out->hasAlpha =
      (out->colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  int unit = 0;
  if (png_get_pHYs(png, info, &out->xPerMetre, &out->yPerMetre, &unit) &&
      unit != PNG_RESOLUTION_METER) {
    out->xPerMetre = out->yPerMetre = 0;
  }
  if (out->colorType == PNG_COLOR_TYPE_PALETTE) {
    // Indexes are read one a byte and looked up here, so that an index
    // past the palette's end is seen (libpng pads the palette with black).
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count)) {
      for (int i = 0; i < count; ++i) {
        out->palette.push_back(0xFF000000u | uint32_t(entries[i].red) << 16 |
                               uint32_t(entries[i].green) << 8 | entries[i].blue);
      }
    }
    png_bytep alpha = nullptr;
    int alphas = 0;
    if (png_get_tRNS(png, info, &alpha, &alphas, nullptr)) {
      for (int i = 0; i < alphas && size_t(i) < out->palette.size(); ++i) {
        out->palette[size_t(i)] = (out->palette[size_t(i)] & 0xFFFFFF) | uint32_t(alpha[i]) << 24;
      }
    }
    png_set_packing(png);
  } else {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool ReadPixels(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

int SourceDepth(const Info& info) {
  if (info.colorType == PNG_COLOR_TYPE_PALETTE || info.colorType == PNG_COLOR_TYPE_GRAY) {
    int bits = info.bitDepth > 8 ? 8 : info.bitDepth;
    if (bits == 2) bits = 4;
    return info.hasAlpha ? 32 : bits;
  }
  return info.hasAlpha ? 32 : 24;
}

bool WriteAll(png_structp png, png_infop info, const PixelImage& image, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
               image.hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, png_uint_32(MetreFromDotsPerInch(image.xResolution)),
               png_uint_32(MetreFromDotsPerInch(image.yResolution)), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  png_set_bgr(png);
  if (!image.hasAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool DecodePng(std::span<const uint8_t> bytes, PixelImage* out, std::string* error) {
  // The size is judged from the header chunk before libpng sees it, so
  // every oversized picture gets the same message whatever libpng's limits.
  if (bytes.size() >= 24 && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0 &&
      !CheckDimensions(kFormat, be32(bytes.data() + 16), be32(bytes.data() + 20), error)) {
    return false;
  }
  ErrorState state;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = "PNG picture refused: out of memory.";
    return false;
  }
  Source source{bytes.data(), bytes.size(), 0};
  png_set_read_fn(png, &source, ReadFromMemory);
  Info header;
  bool ok = ReadInfo(png, info, &header);
  if (ok) ok = CheckDimensions(kFormat, header.width, header.height, error);
  const bool indexed = header.colorType == PNG_COLOR_TYPE_PALETTE;
  if (ok && png_get_rowbytes(png, info) != size_t(header.width) * (indexed ? 1 : 4)) {
    *error = RefusalMessage(kFormat, Refusal::kUnsupported, "pixel layout");
    ok = false;
  }
  std::vector<uint8_t> indexes;
  if (ok) {
    SizeImage(out, int32_t(header.width), int32_t(header.height), 0);
    if (indexed) indexes.resize(out->pixels.size());
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y) {
      size_t at = size_t(y) * header.width;
      rows[y] =
          indexed ? indexes.data() + at : reinterpret_cast<png_bytep>(out->pixels.data() + at);
    }
    ok = ReadPixels(png, info, rows.data());
  }
  for (size_t i = 0; ok && i < indexes.size(); ++i) {
    if (indexes[i] >= header.palette.size()) {
      *error = RefusalMessage(
          kFormat, Refusal::kBadPalette,
          "index " + std::to_string(indexes[i]) + " of " + std::to_string(header.palette.size()));
      ok = false;
      break;
    }
    out->pixels[i] = header.palette[indexes[i]];
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) {
    if (error->empty()) *error = RefusalMessage(kFormat, Refusal::kDamaged, state.message);
    return false;
  }
  out->depth = SourceDepth(header);
  out->hasAlpha = header.hasAlpha;
  out->xResolution = DotsPerInchFromMetre(header.xPerMetre);
  out->yResolution = DotsPerInchFromMetre(header.yPerMetre);
  return true;
}

bool EncodePng(const PixelImage& image, std::vector<uint8_t>* out, std::string* error) {
  ErrorState state;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    *error = "PNG picture not written: out of memory.";
    return false;
  }
  Sink sink{out};
  png_set_write_fn(png, &sink, WriteToMemory, FlushNothing);
  std::vector<png_bytep> rows(size_t(image.height));
  for (int32_t y = 0; y < image.height; ++y) {
    rows[size_t(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(image.pixels.data()) +
                                                  size_t(y) * size_t(image.width));
  }
  bool ok = WriteAll(png, info, image, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!ok) *error = std::string("PNG picture not written: ") + state.message + ".";
  return ok;
}

}  // namespace tess::graphics::codecs
