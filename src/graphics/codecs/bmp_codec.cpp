// BMP, the platform's own picture file, read and written by hand.
//
// File layout (all little-endian): a 14-byte file header {"BM", u32 file
// size, u32 reserved, u32 offset of the pixels}, then an information header
// whose first u32 is its size: 12 (core: u16 width and height, u16 planes,
// u16 bits, 3-byte palette entries) or 40, 52, 56, 64, 108, 124 (i32 width,
// i32 height, negative for rows top first, u16 planes, u16 bits, u32
// compression, u32 image size, i32 x and y pixels per metre, u32 colours
// used, u32 colours important, then from 52 on the red, green, blue and from
// 56 on the alpha masks). A 40-byte header with bit fields is followed by
// the three (or, for compression 6, four) masks. The palette follows
// (4-byte entries blue, green, red, reserved) and the pixels sit at the
// offset, each row padded to 4 bytes, rows bottom first unless the height
// is negative.
//
// Read: 1, 4, 8 bits with a palette, 16 and 32 bits as 5-5-5 / 8-8-8 or with
// bit-field masks (alpha included), 24 bits, and the run-length encodings of
// 8 and 4 bits (bottom first only; pixels the runs skip keep palette entry
// 0). Every offset is checked against the data before use, an index past the
// palette's end refuses the file, and an alpha mask whose alpha is zero
// everywhere means an opaque picture (writers that fill the mask but not the
// byte are common).
//
// Written: bottom first, uncompressed, at the image's depth: 1, 4 and 8 bits
// with the picture's own colours when they fit and the nearest colour of a
// fixed palette otherwise, 16 bits as 5-5-5, 24 bits, 32 bits (a 108-byte
// header with an alpha mask when the image has alpha).
#include <algorithm>
#include <array>
#include <unordered_map>

#include "base/byte_order.h"
#include "graphics/codecs/codec_internal.h"

namespace tess::graphics::codecs {

namespace {

constexpr const char* kFormat = "BMP";
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

struct Header {
  int64_t width = 0, height = 0;
  bool topDown = false;
  uint32_t bits = 0, compression = kRgb;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  int64_t xPerMetre = 0, yPerMetre = 0;
  std::vector<uint32_t> palette;  // 0xFFRRGGBB
  size_t pixelOffset = 0;
};

// One channel of a bit-field pixel: where it sits and how to widen it to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  uint32_t Read(uint32_t value) const {
    if (bits == 0) return 0;
    uint32_t v = (value & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    return (v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
  }
};

bool MakeChannel(uint32_t mask, Channel* channel) {
  *channel = Channel{};
  if (mask == 0) return true;
  channel->mask = mask;
  while (!(mask & 1)) {
    mask >>= 1;
    ++channel->shift;
  }
  while (mask & 1) {
    mask >>= 1;
    ++channel->bits;
  }
  return mask == 0;  // contiguous
}

bool Fail(std::string* error, Refusal refusal, const std::string& detail = {}) {
  *error = RefusalMessage(kFormat, refusal, detail);
  return false;
}

bool ReadHeader(std::span<const uint8_t> bytes, Header* h, std::string* error) {
  if (bytes.size() < kFileHeaderSize + 4) return Fail(error, Refusal::kTruncated);
  const uint8_t* p = bytes.data();
  uint32_t offset = le32(p + 10);
  uint32_t infoSize = le32(p + 14);
  const uint8_t* info = p + kFileHeaderSize;
  if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 &&
      infoSize != 108 && infoSize != 124) {
    return Fail(error, Refusal::kUnsupported, "header of " + std::to_string(infoSize) + " bytes");
  }
  if (bytes.size() < kFileHeaderSize + infoSize) return Fail(error, Refusal::kTruncated);
  uint32_t planes = 0, used = 0;
  size_t entrySize = 4;
  if (infoSize == 12) {
    h->width = le16(info + 4);
    h->height = le16(info + 6);
    planes = le16(info + 8);
    h->bits = le16(info + 10);
    entrySize = 3;
  } else {
    h->width = int32_t(le32(info + 4));
    h->height = int32_t(le32(info + 8));
    planes = le16(info + 12);
    h->bits = le16(info + 14);
    h->compression = le32(info + 16);
    h->xPerMetre = int32_t(le32(info + 24));
    h->yPerMetre = int32_t(le32(info + 28));
    used = le32(info + 32);
    if (infoSize == 64 && h->compression > kRle4) {
      return Fail(error, Refusal::kUnsupported,
                  "OS/2 compression " + std::to_string(h->compression));
    }
  }
  if (h->height < 0) {
    h->topDown = true;
    h->height = -h->height;
  }
  if (planes != 1) return Fail(error, Refusal::kDamaged, std::to_string(planes) + " planes");
  if (!CheckDimensions(kFormat, h->width, h->height, error)) return false;

  size_t cursor = kFileHeaderSize + infoSize;
  switch (h->compression) {
    case kRgb:
      if (h->bits != 1 && h->bits != 4 && h->bits != 8 && h->bits != 16 && h->bits != 24 &&
          h->bits != 32) {
        return Fail(error, Refusal::kUnsupported, std::to_string(h->bits) + " bits per pixel");
      }
      break;
    case kRle8:
    case kRle4:
      if (h->bits != (h->compression == kRle8 ? 8u : 4u)) {
        return Fail(error, Refusal::kDamaged,
                    "run-length encoding at " + std::to_string(h->bits) + " bits");
      }
      if (h->topDown)
        return Fail(error, Refusal::kDamaged, "run-length encoding with rows top first");
      break;
    case kBitFields:
    case kAlphaBitFields: {
      if (h->bits != 16 && h->bits != 32) {
        return Fail(error, Refusal::kDamaged, "bit fields at " + std::to_string(h->bits) + " bits");
      }
      size_t count = h->compression == kAlphaBitFields ? 4 : 3;
      const uint8_t* masks = info + 40;
      if (infoSize == 40) {
        if (bytes.size() < cursor + 4 * count) return Fail(error, Refusal::kTruncated);
        masks = p + cursor;
        cursor += 4 * count;
      } else if (infoSize >= 56) {
        count = 4;
      }
      for (size_t i = 0; i < count; ++i) h->masks[i] = le32(masks + 4 * i);
      break;
    }
    default:
      return Fail(error, Refusal::kUnsupported, "compression " + std::to_string(h->compression));
  }

  if (h->bits <= 8) {
    uint32_t capacity = 1u << h->bits;
    if (used > capacity) {
      return Fail(error, Refusal::kBadPalette,
                  std::to_string(used) + " colours for " + std::to_string(h->bits) + " bits");
    }
    uint32_t count = used ? used : capacity;
    if (bytes.size() < cursor + count * entrySize)
      return Fail(error, Refusal::kTruncated, "in the palette");
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = p + cursor + i * entrySize;
      h->palette.push_back(0xFF000000u | uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]);
    }
    cursor += count * entrySize;
  }
  if (offset < cursor || offset > bytes.size()) {
    return Fail(error, Refusal::kDamaged, "pixel offset " + std::to_string(offset));
  }
  h->pixelOffset = offset;
  return true;
}

// The masks of the plain (compression 0) 16 and 32-bit layouts.
void DefaultMasks(Header* h) {
  if (h->compression != kRgb) return;
  if (h->bits == 16) {
    h->masks[0] = 0x7C00, h->masks[1] = 0x03E0, h->masks[2] = 0x001F;
  } else if (h->bits == 32) {
    h->masks[0] = 0xFF0000, h->masks[1] = 0xFF00, h->masks[2] = 0xFF;
  }
  h->masks[3] = 0;
}

bool DecodeRows(std::span<const uint8_t> bytes, const Header& h, PixelImage* out,
                std::string* error) {
  int64_t stride = ((h.width * h.bits + 31) / 32) * 4;
  if (int64_t(bytes.size() - h.pixelOffset) / stride < h.height) {
    return Fail(error, Refusal::kTruncated, "in the pixels");
  }
  Channel channels[4];
  if (h.bits == 16 || h.bits == 32) {
    uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
      uint32_t mask = h.masks[i];
      if ((h.bits == 16 && mask > 0xFFFF) || (mask & seen) || !MakeChannel(mask, &channels[i])) {
        return Fail(error, Refusal::kDamaged, "bit-field masks");
      }
      seen |= mask;
    }
  }
  const size_t paletteSize = h.palette.size();
  const uint32_t width = uint32_t(h.width);
  bool anyAlpha = false;
  for (int64_t row = 0; row < h.height; ++row) {
    const uint8_t* src = bytes.data() + h.pixelOffset + row * stride;
    int64_t y = h.topDown ? row : h.height - 1 - row;
    uint32_t* dst = out->pixels.data() + y * h.width;
    switch (h.bits) {
      case 1:
      case 4:
      case 8: {
        const uint32_t perByte = 8 / h.bits, mask = (1u << h.bits) - 1;
        for (uint32_t x = 0; x < width; ++x) {
          uint32_t shift = 8 - h.bits * (x % perByte + 1);
          uint32_t index = (src[x / perByte] >> shift) & mask;
          if (index >= paletteSize) {
            return Fail(error, Refusal::kBadPalette,
                        "index " + std::to_string(index) + " of " + std::to_string(paletteSize));
          }
          dst[x] = h.palette[index];
        }
        break;
      }
      case 24:
        for (uint32_t x = 0; x < width; ++x, src += 3) {
          dst[x] = 0xFF000000u | uint32_t(src[2]) << 16 | uint32_t(src[1]) << 8 | src[0];
        }
        break;
      default: {  // 16 and 32 through the masks
        for (uint32_t x = 0; x < width; ++x) {
          uint32_t v = h.bits == 16 ? le16(src + 2 * x) : le32(src + 4 * x);
          uint32_t a = channels[3].mask ? channels[3].Read(v) : 0xFF;
          anyAlpha |= a != 0;
          dst[x] =
              a << 24 | channels[0].Read(v) << 16 | channels[1].Read(v) << 8 | channels[2].Read(v);
        }
        break;
      }
    }
  }
  if (channels[3].mask) {
    if (anyAlpha) {
      out->hasAlpha = true;
    } else {
      for (uint32_t& px : out->pixels) px |= 0xFF000000u;
    }
  }
  return true;
}

// Run-length encoded 8 and 4-bit pixels, bottom row first.
bool DecodeRunLength(std::span<const uint8_t> bytes, const Header& h, PixelImage* out,
                     std::string* error) {
  const bool four = h.compression == kRle4;
  const size_t paletteSize = h.palette.size();
  size_t pos = h.pixelOffset;
  const size_t end = bytes.size();
  int64_t x = 0, row = 0;  // row counts from the bottom
  auto put = [&](uint32_t index) {
    if (index >= paletteSize) return false;
    if (x < h.width && row < h.height)
      out->pixels[(h.height - 1 - row) * h.width + x] = h.palette[index];
    ++x;
    return true;
  };
  auto badIndex = [&] { return Fail(error, Refusal::kBadPalette, "index past the palette's end"); };
  for (;;) {
    if (end - pos < 2) return Fail(error, Refusal::kTruncated, "in the runs");
    uint32_t count = bytes[pos], value = bytes[pos + 1];
    pos += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = four ? (i % 2 ? value & 15 : value >> 4) : value;
        if (!put(index)) return badIndex();
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of picture
        return true;
      case 2:  // delta
        if (end - pos < 2) return Fail(error, Refusal::kTruncated, "in the runs");
        x += bytes[pos];
        row += bytes[pos + 1];
        pos += 2;
        break;
      default: {  // absolute run of `value` pixels, padded to 16 bits
        size_t length = four ? (value + 1) / 2 : value;
        size_t padded = (length + 1) & ~size_t{1};
        if (end - pos < padded) return Fail(error, Refusal::kTruncated, "in the runs");
        for (uint32_t i = 0; i < value; ++i) {
          uint32_t index =
              four ? (i % 2 ? bytes[pos + i / 2] & 15 : bytes[pos + i / 2] >> 4) : bytes[pos + i];
          if (!put(index)) return badIndex();
        }
        pos += padded;
        break;
      }
    }
    if (row >= h.height) {
      // Past the top: only the end-of-picture mark may follow.
      if (end - pos >= 2 && bytes[pos] == 0 && bytes[pos + 1] == 1) return true;
      return Fail(error, Refusal::kDamaged, "runs past the top row");
    }
  }
}

// ---- Writing ----

// The 16 colours of the classic 4-bit palette.
constexpr uint32_t kClassic16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

std::vector<uint32_t> FixedPalette(int bits) {
  std::vector<uint32_t> palette;
  if (bits == 1) return {0x000000, 0xFFFFFF};
  if (bits == 4) return std::vector<uint32_t>(std::begin(kClassic16), std::end(kClassic16));
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b)
        palette.push_back(uint32_t(r * 51) << 16 | uint32_t(g * 51) << 8 | uint32_t(b * 51));
    }
  }
  for (int i = 0; i < 40; ++i) {
    uint32_t v = uint32_t((i + 1) * 255 / 41);
    palette.push_back(v << 16 | v << 8 | v);
  }
  return palette;
}

uint32_t Nearest(const std::vector<uint32_t>& palette, uint32_t rgb) {
  uint32_t best = 0;
  int64_t bestDistance = INT64_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    int64_t dr = int64_t((rgb >> 16) & 255) - int64_t((palette[i] >> 16) & 255);
    int64_t dg = int64_t((rgb >> 8) & 255) - int64_t((palette[i] >> 8) & 255);
    int64_t db = int64_t(rgb & 255) - int64_t(palette[i] & 255);
    int64_t distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (distance < bestDistance) bestDistance = distance, best = uint32_t(i);
  }
  return best;
}

// The palette for an indexed picture and each pixel's index in it.
void IndexPixels(const PixelImage& image, int bits, std::vector<uint32_t>* palette,
                 std::vector<uint8_t>* indexes) {
  const size_t capacity = size_t{1} << bits;
  std::unordered_map<uint32_t, uint8_t> lookup;
  indexes->resize(image.pixels.size());
  bool fits = true;
  for (size_t i = 0; i < image.pixels.size() && fits; ++i) {
    uint32_t rgb = image.pixels[i] & 0xFFFFFF;
    auto [it, added] = lookup.try_emplace(rgb, uint8_t(palette->size()));
    if (added) {
      if (palette->size() == capacity) {
        fits = false;
        break;
      }
      palette->push_back(rgb);
    }
    (*indexes)[i] = it->second;
  }
  if (fits) return;
  *palette = FixedPalette(bits);
  lookup.clear();
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    uint32_t rgb = image.pixels[i] & 0xFFFFFF;
    auto it = lookup.find(rgb);
    if (it == lookup.end()) it = lookup.emplace(rgb, uint8_t(Nearest(*palette, rgb))).first;
    (*indexes)[i] = it->second;
  }
}

uint32_t To5(uint32_t c) {
  return (c * 31 + 127) / 255;
}

}  // namespace

bool DecodeBmp(std::span<const uint8_t> bytes, PixelImage* out, std::string* error) {
  Header h;
  if (!ReadHeader(bytes, &h, error)) return false;
  DefaultMasks(&h);
  SizeImage(out, int32_t(h.width), int32_t(h.height),
            h.palette.empty() ? 0xFF000000u : h.palette[0]);
  out->depth = int32_t(h.bits);
  out->xResolution = DotsPerInchFromMetre(h.xPerMetre);
  out->yResolution = DotsPerInchFromMetre(h.yPerMetre);
  if (h.compression == kRle8 || h.compression == kRle4)
    return DecodeRunLength(bytes, h, out, error);
  return DecodeRows(bytes, h, out, error);
}

bool EncodeBmp(const PixelImage& image, std::vector<uint8_t>* out, std::string* error) {
  int bits = image.depth;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    bits = image.hasAlpha ? 32 : 24;
  }
  const bool alpha = bits == 32 && image.hasAlpha;
  std::vector<uint32_t> palette;
  std::vector<uint8_t> indexes;
  if (bits <= 8) IndexPixels(image, bits, &palette, &indexes);

  const uint32_t infoSize = alpha ? 108 : 40;
  const size_t stride = ((size_t(image.width) * bits + 31) / 32) * 4;
  const size_t offset = kFileHeaderSize + infoSize + 4 * palette.size();
  const size_t total = offset + stride * size_t(image.height);
  if (total > 0xFFFFFFFFu) {
    *error = "The picture is too large for a BMP file.";
    return false;
  }
  out->assign(total, 0);
  uint8_t* p = out->data();
  p[0] = 'B', p[1] = 'M';
  put_le32(p + 2, uint32_t(total));
  put_le32(p + 10, uint32_t(offset));
  uint8_t* info = p + kFileHeaderSize;
  put_le32(info, infoSize);
  put_le32(info + 4, uint32_t(image.width));
  put_le32(info + 8, uint32_t(image.height));
  put_le16(info + 12, 1);
  put_le16(info + 14, uint16_t(bits));
  put_le32(info + 16, alpha ? kBitFields : kRgb);
  put_le32(info + 20, uint32_t(stride * size_t(image.height)));
  put_le32(info + 24, uint32_t(MetreFromDotsPerInch(image.xResolution)));
  put_le32(info + 28, uint32_t(MetreFromDotsPerInch(image.yResolution)));
  put_le32(info + 32, uint32_t(palette.size()));
  if (alpha) {
    put_le32(info + 40, 0x00FF0000);
    put_le32(info + 44, 0x0000FF00);
    put_le32(info + 48, 0x000000FF);
    put_le32(info + 52, 0xFF000000);
    put_le32(info + 56, 0x73524742);  // 'sRGB'
  }
  for (size_t i = 0; i < palette.size(); ++i)
    put_le32(p + kFileHeaderSize + infoSize + 4 * i, palette[i]);

  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* dst = p + offset + size_t(image.height - 1 - y) * stride;
    const uint32_t* src = image.pixels.data() + size_t(y) * size_t(image.width);
    const uint8_t* idx =
        indexes.empty() ? nullptr : indexes.data() + size_t(y) * size_t(image.width);
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t px = src[x];
      switch (bits) {
        case 1:
        case 4:
        case 8: {
          int perByte = 8 / bits;
          dst[x / perByte] |= uint8_t(idx[x] << (8 - bits * (x % perByte + 1)));
          break;
        }
        case 16:
          put_le16(dst + 2 * x, uint16_t(To5((px >> 16) & 255) << 10 | To5((px >> 8) & 255) << 5 |
                                         To5(px & 255)));
          break;
        case 24:
          dst[3 * x] = uint8_t(px), dst[3 * x + 1] = uint8_t(px >> 8),
                  dst[3 * x + 2] = uint8_t(px >> 16);
          break;
        default:
          put_le32(dst + 4 * x, alpha ? px : px & 0xFFFFFF);
          break;
      }
    }
  }
  return true;
}

}  // namespace tess::graphics::codecs
