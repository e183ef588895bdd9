// Number-to-text entry points: Str, Format and CStr. The locale's separators
// are looked up on every call, so a change of the user's locale shows at once.
#include <algorithm>
#include <string>

#include "platform/kernel/locale.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/number_format.h"

namespace tess {
namespace {

// Number text is usually plain ASCII; tagging it so keeps concatenations
// with text of any encoding in that encoding.
TessString* NumberText(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return MakeString(text, ascii ? kEncodingAsciiTag : kEncodingNone);
}

}  // namespace
}  // namespace tess

extern "C" {

TessString* StringStr(double x) {
  return tess::NumberText(tess::FormatPlain(x));
}

TessString* StringFormat(double x, TessString* picture) {
  return tess::NumberText(tess::FormatPicture(x, tess::View(picture),
                                              tess::platform::DecimalSeparator(),
                                              tess::platform::ThousandsSeparator()));
}

TessString* runCStr(double x) {
  std::string text = tess::FormatPlain(x);
  const size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, tess::platform::DecimalSeparator());
  return tess::NumberText(text);
}

}  // extern "C"
