// Character-aware string functions: counts and positions in characters.
// How characters are counted depends on the string's tag and the system code
// page, in this order: UTF-8 (a character starts at every byte that is not a
// continuation byte), UTF-16 (two bytes each: counts are doubled and handed
// to the byte functions), a double-byte system page for untagged text (lead
// byte plus the next byte), and otherwise bytes.
#include <algorithm>
#include <vector>

#include "platform/kernel/codepage.h"
#include "runtime/char_tables.h"
#include "runtime/string_search.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

// Byte offsets where the characters of s start, followed by its length.
std::vector<int64_t> CharStarts(const TessString* s) {
  std::vector<int64_t> starts;
  std::string_view text = View(s);
  const auto* begin = reinterpret_cast<const uint8_t*>(text.data());
  const auto* end = begin + text.size();
  uint32_t tag = Encoding(s);
  const CharTables& tables = Tables();
  if (tag == kEncodingUtf8) {
    for (const uint8_t* p = begin; p < end; ++p) {
      if ((*p & 0xC0) != 0x80) starts.push_back(p - begin);
    }
  } else if (tag != kEncodingAsciiTag && tables.doubleByte) {
    for (const uint8_t* p = begin; p < end; p += CharBytes(tables, p, end))
      starts.push_back(p - begin);
  } else {
    for (int64_t i = 0; i < int64_t(text.size()); ++i) starts.push_back(i);
  }
  starts.push_back(int64_t(text.size()));
  return starts;
}

int64_t CharCount(const std::vector<int64_t>& starts) {
  return int64_t(starts.size()) - 1;
}

// Characters [k, k + n) of s.
TessString* CharRange(TessString* s, const std::vector<int64_t>& starts, int64_t k, int64_t n) {
  int64_t chars = CharCount(starts);
  if (k >= chars || n < 1) return nullptr;
  int64_t last = std::min(chars, k + n);
  return Substring(s, starts[size_t(k)], starts[size_t(last)] - starts[size_t(k)]);
}

bool Utf16(const TessString* s) {
  return Encoding(s) == kEncodingUtf16;
}

}  // namespace

}  // namespace tess

using tess::Length;

extern "C" {

int32_t StringDBCSLen(TessString* s) {
  if (tess::Utf16(s)) return Length(s) / 2;
  return int32_t(tess::CharCount(tess::CharStarts(s)));
}

TessString* StringDBCSLeft(TessString* s, int32_t n) {
  if (tess::Utf16(s)) return StringLeft(s, int32_t(std::min<int64_t>(2 * int64_t(n), INT32_MAX)));
  auto starts = tess::CharStarts(s);
  if (n >= tess::CharCount(starts)) return tess::Share(s);
  return tess::CharRange(s, starts, 0, n);
}

TessString* StringDBCSRight(TessString* s, int32_t n) {
  if (tess::Utf16(s)) return StringRight(s, int32_t(std::min<int64_t>(2 * int64_t(n), INT32_MAX)));
  auto starts = tess::CharStarts(s);
  int64_t chars = tess::CharCount(starts);
  if (n >= chars) return tess::Share(s);
  return tess::CharRange(s, starts, chars - n, n);
}

TessString* StringDBCSMid2(TessString* s, int32_t start) {
  if (tess::Utf16(s)) {
    return StringMid2(s,
                      int32_t(std::clamp<int64_t>(2 * int64_t(start) - 1, INT32_MIN, INT32_MAX)));
  }
  auto starts = tess::CharStarts(s);
  int64_t k = std::max<int64_t>(int64_t(start) - 1, 0);
  return tess::CharRange(s, starts, k, tess::CharCount(starts));
}

TessString* StringDBCSMid3(TessString* s, int32_t start, int32_t count) {
  if (tess::Utf16(s)) {
    return StringMid3(s, int32_t(std::clamp<int64_t>(2 * int64_t(start) - 1, INT32_MIN, INT32_MAX)),
                      int32_t(std::clamp<int64_t>(2 * int64_t(count), INT32_MIN, INT32_MAX)));
  }
  auto starts = tess::CharStarts(s);
  int64_t k = int64_t(start) - 1, n = count;
  if (k < 0) {
    n += k;
    k = 0;
  }
  return tess::CharRange(s, starts, k, n);
}

int32_t StringDBCSAsc(TessString* s) {
  std::string_view text = tess::View(s);
  if (text.empty()) return 0;
  auto b0 = uint8_t(text[0]);
  if (text.size() >= 2 && tess::Tables().doubleByte && tess::Tables().leadByte[b0]) {
    return b0 * 256 + uint8_t(text[1]);
  }
  return b0;
}

TessString* StringDBCSChr(int32_t n) {
  if (n < 256) return StringChr(n);
  char bytes[2] = {char((uint32_t(n) >> 8) & 0xFF), char(uint32_t(n) & 0xFF)};
  return tess::MakeString(std::string_view(bytes, 2));
}

int32_t StringDBCSInStr(int32_t start, TessString* s, TessString* find) {
  if (!tess::Tables().doubleByte) return StringInStr(start, s, find);
  if (Length(s) == 0) return 0;
  if (Length(find) == 0) return start;
  auto starts = tess::CharStarts(s);
  int64_t k = std::max<int64_t>(int64_t(start) - 1, 0);
  if (k >= tess::CharCount(starts)) return 0;
  int64_t at = tess::FindInsensitive(tess::View(s), tess::View(find), starts[size_t(k)]);
  if (at < 0) return 0;
  auto it = std::lower_bound(starts.begin(), starts.end(), at);
  return int32_t(it - starts.begin()) + 1;
}

}  // extern "C"
