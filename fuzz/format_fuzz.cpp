// Fuzz target: number formatting. The first eight bytes are the number (any
// bit pattern, NaN and infinities included), the ninth a digit count, the
// rest a picture. Formatting never fails: nothing may crash, hang or trip a
// sanitizer, and the plain text never grows beyond what a double can need.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "values/number_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  double x;
  std::memcpy(&x, data, sizeof x);
  int count = int(int8_t(data[8]));
  std::string_view picture(reinterpret_cast<const char*>(data) + 9, size - 9);
  if (tess::FormatPlain(x).size() > 32) std::abort();
  (void)tess::DigitString(x, count & 1, count);
  (void)tess::FormatPicture(x, picture, ",", ".");
  return 0;
}
