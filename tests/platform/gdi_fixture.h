// A memory context over a small white bitmap, and a picture of its pixels
// as text ('#' for black, '.' for white, '?' otherwise) for exact checks.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/wingdi.h"

namespace tess::test {

using namespace tess::platform;

class Canvas {
 public:
  Canvas(int w, int h, int bpp = 32) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateBitmap(w, h, 1, UINT(bpp), nullptr);
    old_ = SelectObject(dc_, bmp_);
    PatBlt(dc_, 0, 0, w, h, WHITENESS);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bmp_; }
  std::string Picture() const {
    std::string s;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        COLORREF c = GetPixel(dc_, x, y);
        s += c == 0 ? '#' : c == 0xFFFFFF ? '.' : '?';
      }
      s += '\n';
    }
    return s;
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) n += GetPixel(dc_, x, y) == color;
    return n;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

// Joins rows so expected pictures read as pictures in the test source.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) s += std::string(r) + "\n";
  return s;
}

// Selects a black pen w x h and a hollow brush for the scope.
struct PenScope {
  PenScope(HDC dc, int w, int h, COLORREF color = 0, HBRUSH brush = GetStockObject(NULL_BRUSH))
      : dc_(dc), pen_(CreatePenWH(PS_SOLID, w, h, color)) {
    oldPen_ = SelectObject(dc, pen_);
    oldBrush_ = SelectObject(dc, brush);
  }
  ~PenScope() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
  }
  HDC dc_;
  HPEN pen_;
  HGDIOBJ oldPen_, oldBrush_;
};

}  // namespace tess::test
