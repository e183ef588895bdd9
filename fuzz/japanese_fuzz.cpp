// Fuzz target: the Japanese converters and the guesser on arbitrary bytes.
// Each converter's output is fed to its inverse; nothing may crash, hang,
// read past the input or trip a sanitizer.
#include <cstdint>
#include <string>
#include <string_view>

#include "values/japanese.h"

using namespace tess::japanese;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exact-size copy, so a read past the end is seen by the sanitizer.
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string_view bytes(input);
  (void)GuessEncoding(bytes);
  (void)ShiftJisToEucJp(EucJpToShiftJis(bytes));
  (void)ShiftJisToIso2022Jp(Iso2022JpToShiftJis(bytes));
  (void)EucJpToShiftJis(ShiftJisToEucJp(bytes));
  (void)Iso2022JpToShiftJis(ShiftJisToIso2022Jp(bytes));
  return 0;
}
