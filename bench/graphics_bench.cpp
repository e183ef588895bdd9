// Pictures on their two hot paths, each as a ratio against the plainest
// code doing the same work in the same run:
//  - a 1000 x 1000 picture drawn into a window through a Graphics
//    (DrawPicture) against copying the picture's rows into a buffer of the
//    same size with memcpy;
//  - 1,000,000 pixel writes through RGBSurface against writing the same
//    words into an array, row by row.
//
// Usage: graphics_bench [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "platform/user/winuser.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"
#include "values/value_classes.h"

using namespace tess;
using namespace tess::platform;
using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

namespace {

volatile uint32_t g_sink = 0;

LRESULT Plain(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return DefWindowProc(hwnd, msg, w, l);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  InitFrameworkAndValueClasses();
  graphics::InitGraphics();

  constexpr int kSide = 1000;
  ObjectRef picture = ObjectRef::Adopt(newPicture(kSide, kSide, 32));
  ObjectRef surface = ObjectRef::Adopt(pictureRGBSurfaceGetter(picture.get(), 0));
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) rgbSurfaceSetPixel(surface.get(), x, y, x * 7 + y * 13);

  WNDCLASS wc{};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = Plain;
  wc.lpszClassName = "GraphicsBench";
  RegisterClass(&wc);
  HWND hwnd = CreateWindowEx(0, "GraphicsBench", "", WS_POPUP | WS_VISIBLE, 0, 0, kSide, kSide,
                             nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "graphics_bench: no window to draw into\n");
    return 1;
  }
  graphics::GraphicsTarget target;
  target.dc = GetDC(hwnd);
  target.window = hwnd;
  target.width = target.height = kSide;
  ObjectRef g = ObjectRef::Adopt(graphics::NewGraphics(target));

  // The reference: the picture's rows copied into a buffer of the window's size.
  const graphics::PictureData& p = *graphics::PictureOf(picture.get());
  std::vector<uint32_t> rows(size_t(kSide) * kSide);
  double copy = MedianSeconds(rounds, [&] {
    for (int y = 0; y < kSide; ++y)
      std::memcpy(&rows[size_t(y) * kSide], p.bits + size_t(y) * size_t(p.stride), kSide * 4);
    g_sink = g_sink + rows[size_t(kSide) * kSide / 2];
  });
  double draw = MedianSeconds(rounds, [&] {
    RuntimeGraphicsDrawPicture(g.get(), picture.get(), 0, 0, -10000, -10000, -10000, -10000, -10000,
                               -10000);
  });
  if (graphicsPixelGetter(g.get(), 999, 999) != rgbSurfaceGetPixel(surface.get(), 999, 999)) {
    std::fprintf(stderr, "graphics_bench: the drawn picture is wrong\n");
    return 1;
  }
  PrintRatio("DrawPicture 1000x1000 into a window", draw, "memcpy of its rows", copy);

  // 1,000,000 pixel writes, timed in alternating samples of 10 rows each so
  // that other load on a shared machine falls on both sides alike; the
  // medians of the samples, times the number of samples, are compared.
  std::vector<uint32_t> words(size_t(kSide) * kSide);
  constexpr int kRows = 10;
  std::vector<double> arraySamples, pixelSamples;
  for (int round = 0; round < rounds; ++round)
    for (int top = 0; top < kSide; top += kRows) {
      arraySamples.push_back(MedianSeconds(1, [&] {
        uint32_t* out = words.data();
        for (int y = top; y < top + kRows; ++y)
          for (int x = 0; x < kSide; ++x) out[size_t(y) * kSide + size_t(x)] = uint32_t(x + y);
        g_sink = g_sink + words[size_t(top) * kSide];
      }));
      pixelSamples.push_back(MedianSeconds(1, [&] {
        TessObject* s = surface.get();
        for (int y = top; y < top + kRows; ++y)
          for (int x = 0; x < kSide; ++x) rgbSurfaceSetPixel(s, x, y, x + y);
      }));
    }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  double samples = double(kSide / kRows);
  double array = median(arraySamples) * samples, pixels = median(pixelSamples) * samples;
  PrintRatio("1,000,000 RGBSurface pixel writes", pixels, "the same words into an array", array);
  return 0;
}
