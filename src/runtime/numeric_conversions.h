// The language's conversions between its numeric types, shared by the entry
// points compiled code calls and by the value types.
#pragma once

#include <cstdint>

namespace tess {

// Truncation toward zero. What no Integer holds (NaN, infinities, beyond
// ±2^31) gives 0x80000000, what the processor's conversion gives, rather
// than undefined behaviour.
inline int32_t TruncateToInteger(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return int32_t(value);
}

// A value rounded to double precision. Results come back on the x87 stack,
// whose registers may carry more precision than a Double has; compiled code
// must see the same value whether it stores the result or uses it directly.
inline double AsDouble(double value) {
  volatile double stored = value;
  return stored;
}

}  // namespace tess
