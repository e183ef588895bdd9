// Runtime strings: immutable, reference-counted byte strings (layout in
// tessera/types.h). The null pointer is the empty string everywhere, and no
// operation ever makes a string of length 0. A string is never changed once
// shared; the one in-place write (WritableChar) copies a shared string first.
//
// The string lock (recursive, process-wide) guards every reference count
// change, creation and copy; the heap lock is only ever taken inside it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "base/owned.h"
#include "tessera/types.h"

namespace tess {

// Encoding tags.
inline constexpr uint32_t kEncodingNone = 0;
inline constexpr uint32_t kEncodingAsciiTag = 1;
inline constexpr uint32_t kEncodingUtf8 = 2;
inline constexpr uint32_t kEncodingUtf16 = 3;

std::recursive_mutex& StringLock();

// A new string of `length` bytes (contents to be filled by the caller); null
// when length < 1.
TessString* AllocateString(int64_t length, uint32_t encoding = kEncodingNone);
TessString* MakeString(std::string_view bytes, uint32_t encoding = kEncodingNone);

void LockString(TessString* s);
void UnlockString(TessString* s);

inline int32_t Length(const TessString* s) {
  return s ? s->length : 0;
}
inline std::string_view View(const TessString* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s->buffer) + 1, size_t(s->length))
           : std::string_view();
}
inline uint32_t Encoding(const TessString* s) {
  return s ? s->encoding : kEncodingNone;
}

// `s` itself with one more reference (the whole-string result of a function).
TessString* Share(TessString* s);

// Bytes [offset, offset + count) of s, tagged like s; s itself when that is
// all of it, null when empty.
TessString* Substring(TessString* s, int64_t offset, int64_t count);

uint32_t CombineEncodings(uint32_t a, uint32_t b);
TessString* Concatenate(TessString* a, TessString* b);

// Locale comparison (case-insensitive or not) and bytewise comparison; -1/0/1.
int CompareLocale(const TessString* a, const TessString* b, bool ignoreCase);
int CompareBytes(const TessString* a, const TessString* b);

// Pointer to byte i of a string that is then private to the caller; copies
// *s first when it is shared. Index 0 of the empty string is a static NUL.
uint8_t* WritableChar(TessString** s, int32_t index);

// Conversions through the system code page (empty on failure).
TessString* StringFromWide(const char16_t* text);
std::u16string WideCopy(const TessString* s);

// An owned string reference, dropped when the handle goes away.
using StringRef = Owned<TessString, UnlockString>;

// A string with static storage, laid out like an image's string constant.
class StaticString {
 public:
  explicit StaticString(std::string_view text);
  StaticString(const StaticString&) = delete;
  StaticString& operator=(const StaticString&) = delete;
  TessString* get() { return &value_; }

 private:
  std::string buffer_;
  TessString value_;
};

}  // namespace tess
