// JPEG through libjpeg-turbo. Grey, YCbCr and RGB files decode straight
// into BGRA rows (the 0xAARRGGBB words of a PixelImage); CMYK and YCCK files
// decode as CMYK and are turned into RGB here (Adobe's inverted ink values).
//
// The library would show a truncated file with its missing part grey and
// only warn; that warning refuses the file here. A progress monitor stops
// files with absurd numbers of progressive scans, which otherwise cost time
// out of all proportion to their size, and the library's memory is capped.
//
// libjpeg reports errors by longjmp; the functions that set the jump point
// hold nothing with a destructor.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "graphics/codecs/codec_internal.h"

namespace tess::graphics::codecs {

namespace {

constexpr const char* kFormat = "JPEG";
constexpr int kMaxScans = 500;

struct ErrorState {
  jpeg_error_mgr manager;
  jmp_buf jump;
  jpeg_progress_mgr progress;
  char message[JMSG_LENGTH_MAX] = {};
  bool truncated = false;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
  cinfo->err->format_message(cinfo, state->message);
  std::longjmp(state->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) state->truncated = true;
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
    std::snprintf(state->message, sizeof state->message, "more than %d scans", kMaxScans);
    std::longjmp(state->jump, 1);
  }
}

void InstallErrors(j_common_ptr cinfo, ErrorState* state) {
  cinfo->err = jpeg_std_error(&state->manager);
  state->manager.error_exit = OnError;
  state->manager.emit_message = OnMessage;
}

struct Header {
  JDIMENSION width = 0, height = 0;
  int components = 0;
  J_COLOR_SPACE space = JCS_UNKNOWN;
  int densityUnit = 0, xDensity = 0, yDensity = 0;
};

bool ReadHeader(jpeg_decompress_struct* cinfo, ErrorState* state, std::span<const uint8_t> bytes,
                Header* h) {
  if (setjmp(state->jump)) return false;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = 256L << 20;
  state->progress = jpeg_progress_mgr{};
  state->progress.progress_monitor = OnProgress;
  cinfo->progress = &state->progress;
  jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(cinfo, TRUE);
  h->width = cinfo->image_width;
  h->height = cinfo->image_height;
  h->components = cinfo->num_components;
  h->space = cinfo->jpeg_color_space;
  if (cinfo->saw_JFIF_marker) {
    h->densityUnit = cinfo->density_unit;
    h->xDensity = cinfo->X_density;
    h->yDensity = cinfo->Y_density;
  }
  return true;
}

uint32_t FromCmyk(const uint8_t* p, bool inverted) {
  uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
  if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
  // With Adobe's inversion each value is already (255 - ink).
  uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

bool ReadPixels(jpeg_decompress_struct* cinfo, ErrorState* state, PixelImage* out, bool cmyk,
                uint8_t* cmykRow) {
  if (setjmp(state->jump)) return false;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(cinfo);
  const bool inverted = cinfo->saw_Adobe_marker;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint32_t* row = out->pixels.data() + size_t(cinfo->output_scanline) * size_t(out->width);
    JSAMPROW target = cmyk ? cmykRow : reinterpret_cast<JSAMPROW>(row);
    if (jpeg_read_scanlines(cinfo, &target, 1) != 1) break;
    if (cmyk) {
      for (int32_t x = 0; x < out->width; ++x) row[x] = FromCmyk(cmykRow + 4 * x, inverted);
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

bool WriteAll(jpeg_compress_struct* cinfo, ErrorState* state, const PixelImage& image, int quality,
              unsigned char** buffer, unsigned long* size) {
  if (setjmp(state->jump)) return false;
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, buffer, size);
  cinfo->image_width = JDIMENSION(image.width);
  cinfo->image_height = JDIMENSION(image.height);
  cinfo->input_components = 4;
  cinfo->in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  cinfo->density_unit = 1;
  cinfo->X_density =
      UINT16(image.xResolution > 0 && image.xResolution < 65536 ? image.xResolution : 72);
  cinfo->Y_density =
      UINT16(image.yResolution > 0 && image.yResolution < 65536 ? image.yResolution : 72);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(image.pixels.data()) +
                                              size_t(cinfo->next_scanline) * size_t(image.width));
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

int32_t Resolution(int unit, int density) {
  if (density <= 0) return 72;
  if (unit == 1) return density;
  if (unit == 2) return int32_t((density * 254 + 50) / 100);
  return 72;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> bytes, PixelImage* out, std::string* error) {
  ErrorState state;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallErrors(reinterpret_cast<j_common_ptr>(&cinfo), &state);
  Header h;
  bool ok = ReadHeader(&cinfo, &state, bytes, &h);
  const bool cmyk = h.space == JCS_CMYK || h.space == JCS_YCCK;
  if (ok) ok = CheckDimensions(kFormat, h.width, h.height, error);
  if (ok && !(h.components == 1 || h.components == 3 || (cmyk && h.components == 4))) {
    *error = RefusalMessage(kFormat, Refusal::kUnsupported,
                            std::to_string(h.components) + " components");
    ok = false;
  }
  std::vector<uint8_t> cmykRow;
  if (ok) {
    SizeImage(out, int32_t(h.width), int32_t(h.height), 0xFF000000u);
    if (cmyk) cmykRow.resize(size_t(h.width) * 4);
    ok = ReadPixels(&cinfo, &state, out, cmyk, cmykRow.data());
  }
  jpeg_destroy_decompress(&cinfo);
  if (ok && state.truncated) {
    *error = RefusalMessage(kFormat, Refusal::kTruncated, "");
    return false;
  }
  if (!ok) {
    if (error->empty()) *error = RefusalMessage(kFormat, Refusal::kDamaged, state.message);
    return false;
  }
  out->depth = h.components == 1 ? 8 : cmyk ? 32 : 24;
  out->hasAlpha = false;
  out->xResolution = Resolution(h.densityUnit, h.xDensity);
  out->yResolution = Resolution(h.densityUnit, h.yDensity);
  return true;
}

bool EncodeJpeg(const PixelImage& image, int quality, std::vector<uint8_t>* out,
                std::string* error) {
  ErrorState state;
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallErrors(reinterpret_cast<j_common_ptr>(&cinfo), &state);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool ok = WriteAll(&cinfo, &state, image,
                     quality < 0     ? 0
                     : quality > 100 ? 100
                                     : quality,
                     &buffer, &size);
  jpeg_destroy_compress(&cinfo);
  if (ok) out->assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok) *error = std::string("JPEG picture not written: ") + state.message + ".";
  return ok;
}

}  // namespace tess::graphics::codecs
