// Number to text. Every conversion goes through one digit string that writes
// what the classic 32-bit Windows C runtime writes for "%.Nf" and "%.Ne":
//  * only 17 significant digits are ever converted; later places print 0;
//  * those digits are rounded half up (2.5 -> "3"), not to even;
//  * exponents have at least three digits, sign always shown ("e+006").
// The 17 digits are the correctly rounded ones "%.16e" would give, taken from
// std::to_chars, which ignores the C locale and is several times faster than
// snprintf; rounding and layout are done here. Since no digit past the 17th is
// ever non-zero, a hostile precision costs only zero padding.
#include "values/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tess {

namespace {

constexpr int kSignificant = 17;
// Largest count DigitString honours; beyond it the padding would be all zeros.
constexpr int kMaxCount = 1 << 20;
// A fixed conversion with more decimals than this has passed the 17th
// significant digit of every double (the smallest subnormal is 4.9e-324).
constexpr int kFixedDecimalsWithDigits = 340;

// A positive finite value as 17 digits d0.d1...d16 times 10^exponent.
struct Decimal {
  char digits[kSignificant];
  int exponent;
};

Decimal Decompose(double a) {
  // "d.dddddddddddddddde+ddd" at most; to_chars never looks at the locale.
  char text[32];
  const char* end =
      std::to_chars(text, text + sizeof text, a, std::chars_format::scientific, kSignificant - 1)
          .ptr;
  Decimal d{};
  d.digits[0] = text[0];
  std::copy(text + 2, text + 1 + kSignificant, d.digits + 1);
  const char* p = text + 2 + kSignificant;  // after the 'e'
  const bool negative = *p == '-';
  int e = 0;
  for (++p; p < end; ++p) e = e * 10 + (*p - '0');
  d.exponent = negative ? -e : e;
  return d;
}

// The first `keep` digits of `d`, rounded half up on the next one, written to
// `out` (room for kSignificant + 1). Returns the number written (0 when the
// value rounds away) and adjusts `exponent` when a carry adds a digit.
int RoundDigits(const Decimal& d, int keep, char* out, int& exponent) {
  exponent = d.exponent;
  if (keep < 0) return 0;
  if (keep == 0) {
    if (d.digits[0] < '5') return 0;
    out[0] = '1';
    exponent += 1;
    return 1;
  }
  int n = std::min(keep, kSignificant);
  std::copy(d.digits, d.digits + n, out);
  if (n < kSignificant && d.digits[n] >= '5') {
    int i = n - 1;
    while (i >= 0 && out[i] == '9') out[i--] = '0';
    if (i >= 0) {
      ++out[i];
    } else {
      // 99..9 became 100..0: one more digit in front, same count kept.
      out[0] = '1';
      std::fill(out + 1, out + n, '0');
      exponent += 1;
    }
  }
  return n;
}

void AppendExponent(std::string& s, int exponent) {
  s += exponent < 0 ? '-' : '+';
  unsigned e = unsigned(exponent < 0 ? -exponent : exponent);
  char text[8];
  int n = 0;
  do {
    text[n++] = char('0' + e % 10);
    e /= 10;
  } while (e);
  while (n < 3) text[n++] = '0';
  while (n) s += text[--n];
}

std::string NonFinite(double x) {
  if (std::isnan(x)) return "NAN";
  return x < 0 ? "-INF" : "INF";
}

// `digits` (count n) is the value with its first digit at 10^exponent.
std::string LayOutFixed(bool negative, const char* digits, int n, int exponent, int decimals) {
  const int integerDigits = n == 0 || exponent < 0 ? 1 : exponent + 1;
  std::string s(
      size_t(negative) + size_t(integerDigits) + (decimals > 0 ? 1u + size_t(decimals) : 0u), '0');
  char* out = s.data();
  if (negative) *out++ = '-';
  // Digit i of `digits` sits at 10^(exponent - i); every other place is 0.
  auto put = [&](int power) {
    int i = exponent - power;
    if (i >= 0 && i < n) *out = digits[i];
    ++out;
  };
  for (int power = integerDigits - 1; power >= 0; --power) put(power);
  if (decimals > 0) {
    *out++ = '.';
    const int last = std::max(-decimals, exponent - n + 1);  // places past it stay 0
    for (int power = -1; power >= last; --power) put(power);
  }
  return s;
}

std::string LayOutExponent(bool negative, const char* digits, int n, int exponent, int count) {
  std::string s;
  s.reserve(size_t(count) + 8);
  if (negative) s += '-';
  s += digits[0];
  if (count > 1) {
    s += '.';
    s.append(digits + 1, digits + std::min(n, count));
    s.append(size_t(count - std::min(n, count)), '0');
  }
  s += 'e';
  AppendExponent(s, exponent);
  return s;
}

// The named picture, compared through the runtime's name fold: ASCII letters
// fold to upper case, and of the folded Mac OS Roman letters only 0xF5 lands
// on an ASCII letter ('I').
bool IsScientific(std::string_view picture) {
  static constexpr std::string_view kName = "SCIENTIFIC";
  if (picture.size() != kName.size()) return false;
  for (size_t i = 0; i < kName.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(picture[i]);
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if (c == 0xF5) c = 'I';
    if (c != static_cast<unsigned char>(kName[i])) return false;
  }
  return true;
}

// Sections are split at the first two unquoted ";": positive, negative, zero.
std::string_view ChooseSection(std::string_view picture, double x) {
  size_t p1 = std::string_view::npos;
  size_t p2 = std::string_view::npos;
  for (size_t i = 0; i < picture.size(); ++i) {
    if (picture[i] == '\\') {
      ++i;
    } else if (picture[i] == ';') {
      if (p1 == std::string_view::npos) {
        p1 = i;
      } else {
        p2 = i;
        break;
      }
    }
  }
  if (p1 == std::string_view::npos) return picture;
  if (x < 0) return picture.substr(p1 + 1, p2 == std::string_view::npos ? p2 : p2 - p1 - 1);
  if (x == 0 && p2 != std::string_view::npos) return picture.substr(p2 + 1);
  return picture.substr(0, p1);
}

struct Places {
  size_t integer = 0;
  size_t decimal = 0;
  bool percent = false;
  bool grouping = false;
  bool exponent = false;
};

Places ScanSection(std::string_view section) {
  Places places;
  bool point = false;
  for (size_t i = 0; i < section.size(); ++i) {
    switch (section[i]) {
      case '\\':
        ++i;
        break;
      case '#':
      case '0':
        if (!places.exponent) ++(point ? places.decimal : places.integer);
        break;
      case '.':
        point = true;
        break;
      case '%':
        places.percent = true;
        break;
      case ',':
        places.grouping = true;
        break;
      case 'e':
      case 'E':
        places.exponent = true;
        break;
      default:
        break;
    }
  }
  return places;
}

}  // namespace

std::string DigitString(double x, bool fixed, int count) {
  if (!std::isfinite(x)) return NonFinite(x);
  count = std::clamp(count, fixed ? 0 : 1, kMaxCount);
  char digits[kSignificant + 1];
  if (x == 0) {
    digits[0] = '0';
    return fixed ? LayOutFixed(false, digits, 0, 0, count)
                 : LayOutExponent(false, digits, 1, 0, count);
  }
  const bool negative = x < 0;
  const Decimal d = Decompose(std::fabs(x));
  int exponent = 0;
  if (fixed) {
    // Digits down to 10^-count: exponent + 1 + count of them (count is at
    // most kMaxCount, so this cannot overflow).
    int n = RoundDigits(d, d.exponent + 1 + count, digits, exponent);
    return LayOutFixed(negative, digits, n, exponent, count);
  }
  int n = RoundDigits(d, count, digits, exponent);
  return LayOutExponent(negative, digits, n, exponent, count);
}

std::string FormatPlain(double x) {
  if (!std::isfinite(x)) return NonFinite(x);
  if (x == 0) x = 0.0;
  const double a = std::fabs(x);
  if (a == 0 || (a >= 0.00001 && a <= 1000000.0)) {
    // Each quotient is rounded to double, as on the classic runtime's FPU
    // setting, whatever precision this build's FPU would keep.
    int integerDigits = 0;
    volatile double t = a;
    while (t >= 1.0) {
      t = t / 10.0;
      ++integerDigits;
    }
    const int decimals = 7 - integerDigits;
    std::string s = DigitString(x, true, decimals);
    if (decimals != 0) {
      while (!s.empty() && s.back() == '0') s.pop_back();
      if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
  }
  return DigitString(x, false, 7);
}

std::string FormatPicture(double x, std::string_view picture, std::string_view decimalSeparator,
                          std::string_view thousandsSeparator) {
  if (IsScientific(picture)) picture = "-#.000000E+";
  if (!std::isfinite(x)) return NonFinite(x);
  const std::string_view section = ChooseSection(picture, x);
  const Places places = ScanSection(section);

  // The sign is the picture's business ("+", "-", parentheses, sections).
  double a = std::fabs(x);
  if (places.percent) a *= 100.0;
  // Compared with the largest double rather than tested for infinity: an
  // x87 build may still hold the product at extended precision here.
  if (!(a <= std::numeric_limits<double>::max())) return NonFinite(x);

  // Trailing zeros of the fraction are dropped below and the picture's "0"
  // places restore them; digits past the 17th significant one are zeros, so
  // the precision asked for can be capped without changing the result.
  std::string digits =
      places.exponent
          ? DigitString(a, false, int(std::min<size_t>(places.decimal, kSignificant - 1)) + 1)
          : DigitString(a, true, int(std::min<size_t>(places.decimal, kFixedDecimalsWithDigits)));
  if (places.decimal > 0) {
    const size_t point = digits.find('.');
    const size_t end = std::min(digits.find('e'), digits.size());
    if (point != std::string::npos) {
      size_t keep = end;
      while (keep > point + 1 && digits[keep - 1] == '0') --keep;
      digits.erase(keep, end - keep);
    }
  }
  const std::string_view text = digits;
  const size_t exponentAt = text.find('e');
  const size_t pointAt = text.find('.');
  const size_t mantissaEnd = std::min(exponentAt, text.size());
  const size_t integerDigits = std::min(pointAt, mantissaEnd);
  const std::string_view fraction = pointAt == std::string_view::npos
                                        ? std::string_view()
                                        : text.substr(pointAt + 1, mantissaEnd - pointAt - 1);
  const std::string_view exponent =
      exponentAt == std::string_view::npos ? std::string_view() : text.substr(exponentAt + 1);

  // Integer place k stands for digit D - P + k; positions before the digit
  // string are padding.
  const auto D = static_cast<long long>(integerDigits);
  const auto P = static_cast<long long>(places.integer);

  std::string out;
  out.reserve(section.size() + text.size() + 8);
  bool seenPoint = false;
  bool exponentDone = false;
  bool emitted = false;
  long long k = 0;
  size_t decimalPlace = 0;
  auto separatorBefore = [&](long long position) {
    if (places.grouping && emitted && (D - position) % 3 == 0) out += thousandsSeparator;
  };
  for (size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    switch (c) {
      case '\\':
        if (i + 1 < section.size()) out += section[++i];
        break;
      case '#':
      case '0':
        if (exponentDone) break;
        if (!seenPoint) {
          if (k == 0 && D > P) {
            // The first place takes every digit the picture has no place for.
            for (long long j = 0; j <= D - P; ++j) {
              if (places.grouping && j >= 1 && (D - j) % 3 == 0) out += thousandsSeparator;
              out += text[size_t(j)];
            }
            emitted = true;
          } else {
            const long long position = D - P + k;
            if (position >= 0 && position < D) {
              separatorBefore(position);
              out += text[size_t(position)];
              emitted = true;
            } else if (c == '0') {
              separatorBefore(position);
              out += '0';
              emitted = true;
            }
          }
          ++k;
        } else {
          ++decimalPlace;
          if (decimalPlace <= fraction.size()) {
            out += fraction[decimalPlace - 1];
          } else if (c == '0') {
            out += '0';
          }
        }
        break;
      case '.':
        if (!seenPoint) {
          out += decimalSeparator;
          seenPoint = true;
        }
        break;
      case '+':
        if (x < 0) {
          out += '-';
        } else if (x > 0) {
          out += '+';
        }
        break;
      case '-':
        if (x < 0) out += '-';
        break;
      case '%':
      case '(':
      case ')':
        out += c;
        break;
      case 'e':
      case 'E': {
        if (exponent.empty()) break;
        out += c;
        const char next = i + 1 < section.size() ? section[i + 1] : '\0';
        if (next == '+') {
          out += exponent;
          ++i;
        } else if (next == '-') {
          out += exponent[0] == '-' ? exponent : exponent.substr(1);
          ++i;
        } else {
          out += exponent;
        }
        exponentDone = true;
        break;
      }
      default:
        break;
    }
  }
  return out;
}

}  // namespace tess
