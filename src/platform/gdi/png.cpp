// PNG reading and writing through libpng; see png.h.
#include "platform/gdi/png.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace tess::platform::gdi {

namespace {
struct File {
  FILE* f;
  ~File() {
    if (f) std::fclose(f);
  }
};
}  // namespace

bool WritePng(const Surface& surface, const std::string& path) {
  File file{std::fopen(path.c_str(), "wb")};
  if (!file.f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(size_t(surface.width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.f);
  png_set_IHDR(png, info, png_uint_32(surface.width()), png_uint_32(surface.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < surface.height(); ++y) {
    for (int x = 0; x < surface.width(); ++x) {
      COLORREF c = surface.Get(x, y);
      row[size_t(x) * 3] = png_byte(GetRValue(c));
      row[size_t(x) * 3 + 1] = png_byte(GetGValue(c));
      row[size_t(x) * 3 + 2] = png_byte(GetBValue(c));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

std::unique_ptr<Surface> ReadPng(const std::string& path) {
  File file{std::fopen(path.c_str(), "rb")};
  if (!file.f) return nullptr;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  std::unique_ptr<Surface> out;
  std::vector<png_byte> row;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  png_init_io(png, file.f);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  int w = int(png_get_image_width(png, info)), h = int(png_get_image_height(png, info));
  out = Surface::Create(w, h, 32);
  if (!out || png_get_rowbytes(png, info) != size_t(w) * 3) {
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  row.resize(size_t(w) * 3);
  for (int y = 0; y < h; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (int x = 0; x < w; ++x)
      out->Set(x, y, RGB(row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]));
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return out;
}

}  // namespace tess::platform::gdi
