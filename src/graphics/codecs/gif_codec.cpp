// GIF reading through giflib's record-by-record interface (not DGifSlurp,
// which trusts frame sizes before anyone checks them). The first frame is
// decoded onto a canvas of the logical screen's size (grown to hold the
// frame when the frame lies beyond it); canvas pixels outside the frame and
// the frame's transparent colour are transparent. Later frames are skipped
// but read, so a file cut short anywhere is refused.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "graphics/codecs/codec_internal.h"

namespace tess::graphics::codecs {

namespace {

constexpr const char* kFormat = "GIF";

struct Source {
  const uint8_t* data;
  size_t size, pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* source = static_cast<Source*>(gif->UserData);
  size_t n = std::min(size_t(length < 0 ? 0 : length), source->size - source->pos);
  std::memcpy(out, source->data + source->pos, n);
  source->pos += n;
  return int(n);
}

bool Fail(std::string* error, Refusal refusal, const std::string& detail = {}) {
  *error = RefusalMessage(kFormat, refusal, detail);
  return false;
}

bool LibraryFail(GifFileType* gif, std::string* error) {
  int code = gif->Error;
  const char* text = GifErrorString(code);
  if (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_EOF_TOO_SOON) {
    return Fail(error, Refusal::kTruncated);
  }
  return Fail(error, Refusal::kDamaged, text ? text : "giflib error " + std::to_string(code));
}

int DepthOfPalette(int bits) {
  return bits <= 1 ? 1 : bits <= 4 ? 4 : 8;
}

struct Decoder {
  GifFileType* gif;
  PixelImage* out;
  std::string* error;
  int transparent = NO_TRANSPARENT_COLOR;
  bool decoded = false;

  bool DecodeFrame() {
    const GifImageDesc& d = gif->Image;
    if (!CheckDimensions(kFormat, d.Width, d.Height, error)) return false;
    if (d.Left < 0 || d.Top < 0) return Fail(error, Refusal::kDamaged, "frame position");
    int64_t width = std::max<int64_t>(gif->SWidth, int64_t(d.Left) + d.Width);
    int64_t height = std::max<int64_t>(gif->SHeight, int64_t(d.Top) + d.Height);
    if (!CheckDimensions(kFormat, width, height, error)) return false;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0) return Fail(error, Refusal::kBadPalette, "no colour table");
    const bool covers = d.Left == 0 && d.Top == 0 && d.Width == width && d.Height == height;
    SizeImage(out, int32_t(width), int32_t(height), 0);
    out->depth = DepthOfPalette(map->BitsPerPixel);
    out->hasAlpha = transparent != NO_TRANSPARENT_COLOR || !covers;

    std::vector<GifPixelType> line(size_t(d.Width));
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int start = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
      for (int row = start; row < d.Height; row += step) {
        if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) return LibraryFail(gif, error);
        uint32_t* dst = out->pixels.data() + size_t(d.Top + row) * size_t(width) + size_t(d.Left);
        for (int x = 0; x < d.Width; ++x) {
          int index = line[size_t(x)];
          if (index == transparent) continue;
          if (index >= map->ColorCount) {
            return Fail(
                error, Refusal::kBadPalette,
                "index " + std::to_string(index) + " of " + std::to_string(map->ColorCount));
          }
          const GifColorType& c = map->Colors[index];
          dst[x] = 0xFF000000u | uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
        }
      }
    }
    decoded = true;
    return true;
  }

  bool SkipFrame() {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) return LibraryFail(gif, error);
    while (block) {
      if (DGifGetCodeNext(gif, &block) != GIF_OK) return LibraryFail(gif, error);
    }
    return true;
  }

  bool Extension() {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return LibraryFail(gif, error);
    if (code == GRAPHICS_EXT_FUNC_CODE && block && !decoded) {
      GraphicsControlBlock control;
      if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
        transparent = control.TransparentColor;
      }
    }
    while (block) {
      if (DGifGetExtensionNext(gif, &block) != GIF_OK) return LibraryFail(gif, error);
    }
    return true;
  }

  bool Run() {
    for (;;) {
      GifRecordType type;
      if (DGifGetRecordType(gif, &type) != GIF_OK) return LibraryFail(gif, error);
      switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
          if (DGifGetImageDesc(gif) != GIF_OK) return LibraryFail(gif, error);
          if (!(decoded ? SkipFrame() : DecodeFrame())) return false;
          break;
        case EXTENSION_RECORD_TYPE:
          if (!Extension()) return false;
          break;
        case TERMINATE_RECORD_TYPE:
          if (!decoded) return Fail(error, Refusal::kDamaged, "no picture in the file");
          return true;
        default:
          return Fail(error, Refusal::kDamaged, "unknown record");
      }
    }
  }
};

}  // namespace

bool DecodeGif(std::span<const uint8_t> bytes, PixelImage* out, std::string* error) {
  Source source{bytes.data(), bytes.size(), 0};
  int code = 0;
  GifFileType* gif = DGifOpen(&source, ReadFromMemory, &code);
  if (!gif) {
    if (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_EOF_TOO_SOON) {
      return Fail(error, Refusal::kTruncated);
    }
    const char* text = GifErrorString(code);
    return Fail(error, Refusal::kDamaged, text ? text : "giflib error " + std::to_string(code));
  }
  Decoder decoder{gif, out, error};
  bool ok = decoder.Run();
  DGifCloseFile(gif, &code);
  return ok;
}

}  // namespace tess::graphics::codecs
