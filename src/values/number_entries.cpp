// Number-to-text entry points: Str, Format and CStr. The locale's separators
// are looked up on every call, so a change of the user's locale shows at once.
#include <algorithm>
#include <string>
#include <utility>

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

// The separators of the user's locale. The host answers from the locale id
// alone but slowly (it opens a formatter per question), so each thread keeps
// the answers for the locale id it last saw: a change of locale is still
// seen by the very next call.
struct Separators {
  std::string locale;
  std::string decimal;
  std::string thousands;
};

const Separators& CurrentSeparators() {
  thread_local Separators cached;
  thread_local bool valid = false;
  std::string locale = platform::GetUserLocale();
  if (!valid || locale != cached.locale) {
    cached.decimal = platform::DecimalSeparator();
    cached.thousands = platform::ThousandsSeparator();
    cached.locale = std::move(locale);
    valid = true;
  }
  return cached;
}

}  // namespace
}  // namespace tess

extern "C" {

TessString* StringStr(double x) {
  return tess::NumberText(tess::FormatPlain(x));
}

TessString* StringFormat(double x, TessString* picture) {
  const tess::Separators& separators = tess::CurrentSeparators();
  return tess::NumberText(
      tess::FormatPicture(x, tess::View(picture), separators.decimal, separators.thousands));
}

TessString* runCStr(double x) {
  std::string text = tess::FormatPlain(x);
  const size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, tess::CurrentSeparators().decimal);
  return tess::NumberText(text);
}

}  // extern "C"
