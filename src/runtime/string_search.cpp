#include "runtime/string_search.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/kernel/codepage.h"
#include "runtime/char_tables.h"
#include "runtime/string_value.h"

namespace tess {

namespace {

// Searches for patterns longer than this with more candidate positions than
// kBoyerMooreMinSpan go through Boyer-Moore.
constexpr size_t kBoyerMooreMinPattern = 4;
constexpr int64_t kBoyerMooreMinSpan = 80;

int64_t FindSingleByte(std::string_view text, std::string_view find, int64_t from,
                       const uint8_t* upper) {
  int64_t last = int64_t(text.size()) - int64_t(find.size());
  const auto* t = reinterpret_cast<const uint8_t*>(text.data());
  const auto* f = reinterpret_cast<const uint8_t*>(find.data());
  uint8_t first = upper[f[0]];
  for (int64_t p = from; p <= last; ++p) {
    if (upper[t[p]] != first) continue;
    size_t i = 1;
    while (i < find.size() && upper[t[p + int64_t(i)]] == upper[f[i]]) ++i;
    if (i == find.size()) return p;
  }
  return -1;
}

// Double-byte pages: both texts upper-cased, then candidates a character
// apart compared as raw bytes.
int64_t FindDoubleByte(std::string_view text, std::string_view find, int64_t from,
                       const CharTables& tables) {
  std::string t(text), f(find);
  platform::CharUpperBuff(t.data(), t.size());
  platform::CharUpperBuff(f.data(), f.size());
  int64_t last = int64_t(t.size()) - int64_t(f.size());
  const auto* begin = reinterpret_cast<const uint8_t*>(t.data());
  const auto* end = begin + t.size();
  for (int64_t p = from; p <= last; p += CharBytes(tables, begin + p, end)) {
    if (std::memcmp(t.data() + p, f.data(), f.size()) == 0) return p;
  }
  return -1;
}

}  // namespace

size_t BoyerMoore(std::string_view text, std::string_view pattern) {
  // Rebuilt on every search; one table per thread keeps searches on
  // different threads apart.
  thread_local int32_t skip[256];
  const auto* t = reinterpret_cast<const uint8_t*>(text.data());
  const auto* p = reinterpret_cast<const uint8_t*>(pattern.data());
  int64_t n = int64_t(text.size()), m = int64_t(pattern.size());
  for (int32_t& s : skip) s = int32_t(m);
  for (int64_t i = 0; i < m; ++i) skip[p[i]] = int32_t(m - 1 - i);
  int64_t i = m - 1, j = m - 1;
  while (j >= 0) {
    while (t[i] != p[j]) {
      int64_t shift = std::max<int64_t>(m - j, skip[t[i]]);
      i += shift;
      if (i >= n) return size_t(n);
      j = m - 1;
    }
    --i;
    --j;
  }
  return size_t(i + 1);
}

int64_t FindInsensitive(std::string_view text, std::string_view find, int64_t from) {
  if (find.empty()) return from;
  const CharTables& tables = Tables();
  if (tables.doubleByte) return FindDoubleByte(text, find, from, tables);
  return FindSingleByte(text, find, from, tables.upper);
}

int64_t FindBytes(std::string_view text, std::string_view find, int64_t from) {
  if (find.empty()) return from;
  int64_t span = int64_t(text.size()) - from - int64_t(find.size());
  if (span < 0) return -1;
  if (find.size() > kBoyerMooreMinPattern && span > kBoyerMooreMinSpan) {
    size_t at = BoyerMoore(text.substr(size_t(from)), find);
    return at == text.size() - size_t(from) ? -1 : from + int64_t(at);
  }
  for (int64_t p = from; p <= int64_t(text.size() - find.size()); ++p) {
    if (std::memcmp(text.data() + p, find.data(), find.size()) == 0) return p;
  }
  return -1;
}

int64_t InStr(int64_t start, const TessString* s, const TessString* find) {
  if (Length(s) == 0) return 0;
  if (Length(find) == 0) return start;
  int64_t k = std::max<int64_t>(start - 1, 0);
  if (k >= Length(s) || Length(s) - k - Length(find) < 0) return 0;
  return FindInsensitive(View(s), View(find), k) + 1;
}

int64_t InStrB(int64_t start, const TessString* s, const TessString* find) {
  if (Length(s) == 0) return 0;
  if (Length(find) == 0) return start;
  int64_t k = std::max<int64_t>(start - 1, 0);
  if (k >= Length(s) || Length(s) - k - Length(find) < 0) return 0;
  return FindBytes(View(s), View(find), k) + 1;
}

}  // namespace tess
