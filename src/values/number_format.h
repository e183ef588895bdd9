// Number to text: the language's plain conversion (7 significant digits) and
// formatting by picture. Layout-independent; the locale's separators are
// passed in by the caller.
#pragma once

#include <string>
#include <string_view>

namespace tess {

// The digit string: `x` in fixed notation with `count` decimals, or in
// exponent notation with `count` significant digits (count - 1 decimals),
// as the platform's classic C runtime writes them (exponents of at least
// three digits, 17 significant digits then zeros, halves rounded up). A zero
// of either sign is +0. `count` is clamped to [0 or 1, 2^20]. Infinities and
// NaN give "INF", "-INF" and "NAN", here and in both functions below.
std::string DigitString(double x, bool fixed, int count);

// The text of StringStr.
std::string FormatPlain(double x);

// The text of StringFormat for `picture`, with the given separators. The
// picture's size bounds the work and the text, whatever its place counts.
std::string FormatPicture(double x, std::string_view picture, std::string_view decimalSeparator,
                          std::string_view thousandsSeparator);

}  // namespace tess
