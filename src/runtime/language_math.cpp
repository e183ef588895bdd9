// The language's built-in numeric functions: the math library, random
// numbers, the clocks, bitwise operators and conversions between Integer,
// Single and Double, as compiled code calls them. Results are IEEE doubles
// rounded to double precision; NaN goes through every function that receives
// it, including Max and Min, so a bad value is never silently dropped.
#include <cmath>
#include <mutex>
#include <random>

#include "platform/kernel/time.h"
#include "platform/user/messages.h"
#include "platform/user/winuser.h"
#include "runtime/numeric_conversions.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

// One generator for the process, seeded once from the host's entropy, so
// two runs never repeat a sequence. Threads share it under the lock.
struct RandomSource {
  std::mutex lock;
  std::mt19937_64 engine{std::random_device{}()};
};

RandomSource& Random() {
  static RandomSource source;
  return source;
}

// Counts of the high-resolution counter at the first clock query.
int64_t ClockOrigin() {
  static const int64_t origin = [] {
    int64_t count = 0;
    platform::QueryPerformanceCounter(&count);
    return count;
  }();
  return origin;
}

}  // namespace
}  // namespace tess

using tess::AsDouble;

extern "C" {

double RuntimeACos(double x) {
  return AsDouble(std::acos(x));
}
double RuntimeASin(double x) {
  return AsDouble(std::asin(x));
}
double RuntimeATan(double x) {
  return AsDouble(std::atan(x));
}
double RuntimeATan2(double y, double x) {
  return AsDouble(std::atan2(y, x));
}
double RuntimeCos(double x) {
  return AsDouble(std::cos(x));
}
double RuntimeSin(double x) {
  return AsDouble(std::sin(x));
}
double RuntimeTan(double x) {
  return AsDouble(std::tan(x));
}
double RuntimeExp(double x) {
  return AsDouble(std::exp(x));
}
// Natural logarithm: 0 gives -∞, a negative number NaN.
double RuntimeLog(double x) {
  return AsDouble(std::log(x));
}
double RuntimePow(double x, double y) {
  return AsDouble(std::pow(x, y));
}
double RuntimeSqrt(double x) {
  return AsDouble(std::sqrt(x));
}
double RuntimeCeil(double x) {
  return std::ceil(x);
}
double RuntimeFloor(double x) {
  return std::floor(x);
}
// Halves round away from zero (2.5 → 3, -2.5 → -3); the sign of a zero result
// is kept (-0.4 → -0).
double RuntimeRound(double x) {
  return std::round(x);
}
double RuntimeAbs(double x) {
  return std::fabs(x);
}
// A zero of either sign compares equal to the other; Max prefers +0 and Min
// -0, so the result does not depend on the order of the arguments.
double RuntimeMax(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return NAN;
  if (a == b) return std::signbit(a) ? b : a;
  return a > b ? a : b;
}
double RuntimeMin(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return NAN;
  if (a == b) return std::signbit(a) ? a : b;
  return a < b ? a : b;
}

// 0 ≤ Rnd < 1, with the 53 bits a Double holds.
double rnd() {
  tess::RandomSource& source = tess::Random();
  std::lock_guard<std::mutex> guard(source.lock);
  return double(source.engine() >> 11) * 0x1.0p-53;
}

// Sixtieths of a second since the window system started.
int32_t RuntimeTicks() {
  return int32_t(uint32_t(uint64_t(tess::platform::GetTickCount()) * 60 / 1000));
}

// Microseconds since the runtime first asked, with the counter's resolution.
double RuntimeMicroseconds() {
  int64_t origin = tess::ClockOrigin();
  int64_t now = 0;
  int64_t frequency = 1;
  tess::platform::QueryPerformanceCounter(&now);
  tess::platform::QueryPerformanceFrequency(&frequency);
  int64_t elapsed = now - origin;
  return AsDouble(double(elapsed / frequency) * 1e6 +
                  double(elapsed % frequency) * 1e6 / double(frequency));
}

void RuntimeBeep() {
  tess::platform::MessageBeep(0);
}

int32_t BitwiseAnd(int32_t a, int32_t b) {
  return a & b;
}
int32_t BitwiseOr(int32_t a, int32_t b) {
  return a | b;
}
int32_t BitwiseXor(int32_t a, int32_t b) {
  return a ^ b;
}

int32_t FPToInt(double x) {
  return tess::TruncateToInteger(x);
}
double IntToFP(int32_t n) {
  return double(n);
}
int32_t SingleToInt(float x) {
  return tess::TruncateToInteger(double(x));
}
int32_t RuntimeShortToInteger(int32_t n) {
  return int16_t(uint16_t(uint32_t(n)));
}

// A contextual-menu click: the right button held in the mouse event being
// handled.
int32_t IsCMMClick() {
  return tess::platform::GetKeyState(tess::platform::VK_RBUTTON) < 0 ? 1 : 0;
}

}  // extern "C"
