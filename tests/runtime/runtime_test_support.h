// Helpers for object and string tests: strings as owned handles built from
// text, and classes assembled in the test.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/exceptions.h"
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

inline std::function<void()>& PendingBody() {
  static std::function<void()> body;
  return body;
}
__attribute__((noinline)) inline void RunPendingBody() {
  PendingBody()();
}

// Runs `body` as compiled code would and returns the class of what it
// raised, or null.
inline const ClassObject* RaisedBy(std::function<void()> body) {
  PendingBody() = std::move(body);
  try {
    CallCompiled(reinterpret_cast<const void*>(&RunPendingBody), {});
  } catch (LanguageException& e) {
    return Header(e.exception())->cls;
  }
  return nullptr;
}

}  // namespace tess::test
