// Strings to numbers and back: Val with its radix forms, CDbl with the
// locale's separators, Hex/Oct/Bin, and the pointer and OSType views of a
// string.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/kernel/locale.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal exponent of a well-formed number's magnitude, roughly: positive
// for numbers of one or more integer digits, negative below 0.1.
int64_t MagnitudeExponent(std::string_view number) {
  size_t i = number.find_first_not_of("+-");
  int64_t exponent = 0;
  bool leading = true;
  bool fraction = false;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    if (number[i] == '.') {
      fraction = true;
    } else if (leading && number[i] == '0') {
      if (fraction) --exponent;
    } else {
      leading = false;
      if (!fraction) ++exponent;
    }
  }
  if (i < number.size()) {
    std::string_view digits = number.substr(i + 1);
    bool minus = !digits.empty() && digits[0] == '-';
    int64_t e = 0;
    for (char c : digits) {
      if (IsDigit(c)) e = std::min<int64_t>(e * 10 + (c - '0'), 1000000);
    }
    exponent += minus ? -e : e;
  }
  return exponent;
}

// The longest prefix of `text` that reads as a decimal number, after leading
// white space: sign, digits, a point and digits, an exponent. Hexadecimal,
// infinity and NaN spellings are not numbers here.
double ReadDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < text.size() && IsDigit(text[e])) {
      while (e < text.size() && IsDigit(text[e])) ++e;
      i = e;
    }
  }
  // from_chars reads the same grammar as strtod without the C locale (which
  // a plug-in may change), but takes no "+" and reports overflow instead of
  // returning infinity.
  if (text[start] == '+') ++start;
  double value = 0;
  auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    const bool negative = text[start] == '-';
    const bool huge = MagnitudeExponent(text.substr(start, i - start)) > 0;
    value = huge ? HUGE_VAL : 0.0;
    return negative ? -value : value;
  }
  return value;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

TessString* InRadix(uint32_t value, uint32_t radix) {
  char digits[33];
  int i = 33;
  do {
    digits[--i] = "0123456789ABCDEF"[value % radix];
    value /= radix;
  } while (value);
  return MakeString(std::string_view(digits + i, size_t(33 - i)), kEncodingAsciiTag);
}

const char kEmptyCString[1] = {0};
const uint8_t kEmptyPString[1] = {0};

}  // namespace

double Val(std::string_view text) {
  if (text.size() >= 2 && text[0] == '&') {
    uint32_t radix;
    switch (text[1]) {
      case 'h':
      case 'H':
        radix = 16;
        break;
      case 'o':
      case 'O':
        radix = 8;
        break;
      case 'b':
      case 'B':
        radix = 2;
        break;
      default:
        return 0;
    }
    uint32_t value = 0;
    for (char c : text.substr(2)) {
      int digit = DigitValue(c);
      if (uint32_t(digit) < radix) value = value * radix + uint32_t(digit);
    }
    return double(value);
  }
  return ReadDecimal(text);
}

}  // namespace tess

using tess::Length;
using tess::View;

extern "C" {

double StringVal(TessString* s) {
  return tess::Val(View(s));
}

double runCDbl(TessString* s) {
  std::string text(View(s));
  std::string thousands = tess::platform::ThousandsSeparator();
  std::string decimal = tess::platform::DecimalSeparator();
  auto replaceAll = [&text](const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
  };
  replaceAll(thousands, "");
  replaceAll(decimal, ".");
  return tess::Val(text);
}

TessString* RuntimeHex(int32_t n) {
  return tess::InRadix(uint32_t(n), 16);
}
TessString* RuntimeOct(int32_t n) {
  return tess::InRadix(uint32_t(n), 8);
}
TessString* RuntimeBin(int32_t n) {
  return tess::InRadix(uint32_t(n), 2);
}

const char* StringToCString(TessString* s) {
  return s ? reinterpret_cast<const char*>(s->buffer + 1) : tess::kEmptyCString;
}

const uint8_t* StringToPString(TessString* s) {
  return s ? s->buffer : tess::kEmptyPString;
}

const char* StringGetCString(TessString* s) {
  return StringToCString(s);
}
const uint8_t* StringGetPString(TessString* s) {
  return StringToPString(s);
}

uint32_t StringToOSType(TessString* s) {
  if (Length(s) == 0) return 0x3F3F3F3Fu;  // "????"
  // Bytes past a string shorter than four are zero.
  uint8_t bytes[4] = {0, 0, 0, 0};
  std::memcpy(bytes, View(s).data(), size_t(std::min<int32_t>(Length(s), 4)));
  return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
         (uint32_t(bytes[3]) << 24);
}

}  // extern "C"
