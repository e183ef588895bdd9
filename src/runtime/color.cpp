// Colours: the RGB, HSV and CMY constructors and the component readers of a
// Color value (0x00RRGGBB). Components given as fractions are clamped to
// 0–1 and scaled to 0–255 with halves rounded up; NaN counts as 0. Bits
// above the RGB value are ignored by the readers.
#include <algorithm>
#include <cmath>

#include "runtime/numeric_conversions.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

int32_t Channel(double fraction) {
  if (!(fraction > 0.0)) return 0;  // NaN too
  if (fraction >= 1.0) return 255;
  return int32_t(std::floor(fraction * 255.0 + 0.5));
}

int32_t Pack(int32_t r, int32_t g, int32_t b) {
  return (r << 16) | (g << 8) | b;
}

struct Rgb {
  double r, g, b;  // 0–1
};

Rgb Components(int32_t color) {
  return {double((color >> 16) & 0xFF) / 255.0, double((color >> 8) & 0xFF) / 255.0,
          double(color & 0xFF) / 255.0};
}

}  // namespace
}  // namespace tess

extern "C" {

// Each component clamped to 0–255.
int32_t RuntimeRGB(int32_t red, int32_t green, int32_t blue) {
  return tess::Pack(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
}

// Hue, saturation and value as fractions; a hue of 1 is red again.
int32_t RuntimeHSV(double hue, double saturation, double value) {
  double s = std::isnan(saturation) ? 0.0 : std::clamp(saturation, 0.0, 1.0);
  double v = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
  double h = std::isnan(hue) ? 0.0 : std::clamp(hue, 0.0, 1.0) * 6.0;
  if (h >= 6.0) h = 0.0;
  int sector = int(h);
  double f = h - sector;
  double p = v * (1.0 - s), q = v * (1.0 - s * f), t = v * (1.0 - s * (1.0 - f));
  double r = v, g = t, b = p;
  switch (sector) {
    case 1:
      r = q, g = v, b = p;
      break;
    case 2:
      r = p, g = v, b = t;
      break;
    case 3:
      r = p, g = q, b = v;
      break;
    case 4:
      r = t, g = p, b = v;
      break;
    case 5:
      r = v, g = p, b = q;
      break;
    default:
      break;
  }
  return tess::Pack(tess::Channel(r), tess::Channel(g), tess::Channel(b));
}

int32_t RuntimeCMY(double cyan, double magenta, double yellow) {
  auto inverse = [](double x) { return std::isnan(x) ? 1.0 : 1.0 - x; };
  return tess::Pack(tess::Channel(inverse(cyan)), tess::Channel(inverse(magenta)),
                    tess::Channel(inverse(yellow)));
}

int32_t readColorRed(int32_t color) {
  return (color >> 16) & 0xFF;
}
int32_t readColorGreen(int32_t color) {
  return (color >> 8) & 0xFF;
}
int32_t readColorBlue(int32_t color) {
  return color & 0xFF;
}

// 0 ≤ hue < 1; 0 for greys.
double readColorHue(int32_t color) {
  tess::Rgb c = tess::Components(color);
  double max = std::max({c.r, c.g, c.b}), min = std::min({c.r, c.g, c.b});
  double range = max - min;
  if (range == 0.0) return 0.0;
  double h;
  if (max == c.r) {
    h = (c.g - c.b) / range;
    if (h < 0.0) h += 6.0;
  } else if (max == c.g) {
    h = (c.b - c.r) / range + 2.0;
  } else {
    h = (c.r - c.g) / range + 4.0;
  }
  return tess::AsDouble(h / 6.0);
}

double readColorSaturation(int32_t color) {
  tess::Rgb c = tess::Components(color);
  double max = std::max({c.r, c.g, c.b}), min = std::min({c.r, c.g, c.b});
  return max == 0.0 ? 0.0 : tess::AsDouble((max - min) / max);
}

double readColorValue(int32_t color) {
  tess::Rgb c = tess::Components(color);
  return tess::AsDouble(std::max({c.r, c.g, c.b}));
}

double readColorCyan(int32_t color) {
  return tess::AsDouble(1.0 - tess::Components(color).r);
}
double readColorMagenta(int32_t color) {
  return tess::AsDouble(1.0 - tess::Components(color).g);
}
double readColorYellow(int32_t color) {
  return tess::AsDouble(1.0 - tess::Components(color).b);
}

}  // extern "C"
