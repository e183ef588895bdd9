// Helpers for object and string tests: strings as owned handles built from
// text, and classes assembled in the test.
#pragma once

#include <string>
#include <string_view>

#include "runtime/object_layout.h"
#include "runtime/string_value.h"

namespace tess::test {

// An owned string from text (null for the empty text).
inline StringRef S(std::string_view text, uint32_t encoding = kEncodingNone) {
  return StringRef::Adopt(MakeString(text, encoding));
}
// Takes over a string an entry point returned.
inline StringRef Take(TessString* s) {
  return StringRef::Adopt(s);
}
inline std::string Text(const TessString* s) {
  return std::string(View(s));
}

}  // namespace tess::test
