// The language's string functions: substrings, case, title case, trimming,
// replacing and fields. Every function borrows its arguments and returns a
// new reference; a result equal to the whole source is the source itself,
// and every empty result is null.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/kernel/codepage.h"
#include "runtime/char_tables.h"
#include "runtime/heap.h"
#include "runtime/string_search.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

// Bytes [offset, offset + count) of s, tagged like s.
TessString* Substring(TessString* s, int64_t offset, int64_t count) {
  if (count < 1 || offset >= Length(s)) return nullptr;
  if (offset == 0 && count >= Length(s)) return Share(s);
  return MakeString(View(s).substr(size_t(offset), size_t(count)), s->encoding);
}

namespace {

// One buffer per thread for assembling replacement results; a larger
// request replaces it with request + 256 bytes.
std::vector<char>& Scratch(size_t size, bool keepContents) {
  thread_local std::vector<char> buffer(256);
  if (size > buffer.size()) {
    std::vector<char> larger(size + 256);
    if (keepContents) std::copy(buffer.begin(), buffer.end(), larger.begin());
    buffer.swap(larger);
  }
  return buffer;
}

bool IsBlankChar(const CharTables& t, const uint8_t* p, int bytes) {
  if (!t.doubleByte) return t.blank[*p] != 0;
  return platform::GetCharType(std::string_view(reinterpret_cast<const char*>(p), size_t(bytes))) &
         platform::C1_SPACE;
}

TessString* TrimLeft(TessString* s) {
  const CharTables& t = Tables();
  const auto* begin = reinterpret_cast<const uint8_t*>(View(s).data());
  const auto* end = begin + Length(s);
  const uint8_t* p = begin;
  while (p < end) {
    int n = CharBytes(t, p, end);
    if (!IsBlankChar(t, p, n)) break;
    p += n;
  }
  return Substring(s, p - begin, end - p);
}

TessString* TrimRight(TessString* s) {
  const CharTables& t = Tables();
  const auto* begin = reinterpret_cast<const uint8_t*>(View(s).data());
  const auto* end = begin + Length(s);
  const uint8_t* keep = begin;
  if (!t.doubleByte) {
    keep = end;
    while (keep > begin && t.blank[keep[-1]]) --keep;
  } else {
    for (const uint8_t* p = begin; p < end;) {
      int n = CharBytes(t, p, end);
      if (!IsBlankChar(t, p, n)) keep = p + n;
      p += n;
    }
  }
  return Substring(s, 0, keep - begin);
}

TessString* CaseCopy(TessString* s, bool upper) {
  TessString* copy = MakeString(View(s), kEncodingNone);
  if (copy) {
    char* text = reinterpret_cast<char*>(copy->buffer + 1);
    upper ? platform::CharUpperBuff(text, size_t(copy->length))
          : platform::CharLowerBuff(text, size_t(copy->length));
  }
  return copy;
}

// Whether any byte of `text` changes under upper- or lower-casing.
bool HasCasedBytes(std::string_view text) {
  const CharTables& t = Tables();
  for (char c : text) {
    if (t.upper[uint8_t(c)] != uint8_t(c) || t.lower[uint8_t(c)] != uint8_t(c)) return true;
  }
  return false;
}

}  // namespace

}  // namespace tess

using tess::Length;
using tess::View;

extern "C" {

TessString* StringLeft(TessString* s, int32_t n) {
  if (n >= Length(s)) return tess::Share(s);
  return tess::Substring(s, 0, n);
}

TessString* StringRight(TessString* s, int32_t n) {
  if (n >= Length(s)) return tess::Share(s);
  if (n < 1) return nullptr;
  return tess::Substring(s, Length(s) - n, n);
}

TessString* StringMid2(TessString* s, int32_t start) {
  int64_t k = std::max<int64_t>(int64_t(start) - 1, 0);
  return tess::Substring(s, k, Length(s) - k);
}

TessString* StringMid3(TessString* s, int32_t start, int32_t count) {
  int64_t k = int64_t(start) - 1, n = count;
  if (k < 0) {
    n += k;
    k = 0;
  }
  return tess::Substring(s, k, std::min<int64_t>(Length(s) - k, n));
}

int32_t StringLen(TessString* s) {
  return Length(s);
}

int32_t StringAsc(TessString* s) {
  return Length(s) ? uint8_t(View(s)[0]) : 0;
}

TessString* StringChr(int32_t n) {
  char byte = char(uint32_t(n) & 0xFF);
  return tess::MakeString(std::string_view(&byte, 1),
                          n >= 0 && n < 128 ? tess::kEncodingAsciiTag : tess::kEncodingNone);
}

TessString* StringLCase(TessString* s) {
  return tess::CaseCopy(s, false);
}
TessString* StringUCase(TessString* s) {
  return tess::CaseCopy(s, true);
}

TessString* StringTitleCase(TessString* s) {
  TessString* copy = tess::MakeString(View(s), tess::Encoding(s));
  if (!copy) return nullptr;
  const tess::CharTables& t = tess::Tables();
  auto* p = reinterpret_cast<char*>(copy->buffer + 1);
  char* end = p + copy->length;
  bool wordStart = true;
  while (p < end) {
    int n = tess::CharBytes(t, reinterpret_cast<const uint8_t*>(p),
                            reinterpret_cast<const uint8_t*>(end));
    uint16_t type = t.doubleByte
                        ? tess::platform::GetCharType(std::string_view(p, size_t(n)))
                        : uint16_t((t.blank[uint8_t(*p)] ? tess::platform::C1_BLANK : 0) |
                                   (t.isUpper[uint8_t(*p)] ? tess::platform::C1_UPPER : 0));
    if (type & (tess::platform::C1_SPACE | tess::platform::C1_BLANK)) {
      wordStart = true;
    } else if (wordStart) {
      wordStart = false;
      if (!(type & tess::platform::C1_UPPER)) tess::platform::CharUpperBuff(p, size_t(n));
    } else if (type & tess::platform::C1_UPPER) {
      tess::platform::CharLowerBuff(p, size_t(n));
    }
    p += n;
  }
  return copy;
}

int32_t StringInStr(int32_t start, TessString* s, TessString* find) {
  return int32_t(tess::InStr(start, s, find));
}

int32_t StringInStrB(int32_t start, TessString* s, TessString* find) {
  return int32_t(tess::InStrB(start, s, find));
}

TessString* StringReplace(TessString* s, TessString* find, TessString* with) {
  if (Length(find) == 0) return tess::Share(s);
  int64_t at = tess::InStr(1, s, find) - 1;
  if (at < 0) return tess::Share(s);
  std::string_view text = View(s);
  size_t size = text.size() - size_t(Length(find)) + size_t(Length(with));
  std::vector<char>& out = tess::Scratch(size, false);
  std::memcpy(out.data(), text.data(), size_t(at));
  if (Length(with)) std::memcpy(out.data() + at, View(with).data(), size_t(Length(with)));
  std::memcpy(out.data() + at + Length(with), text.data() + at + Length(find),
              text.size() - size_t(at) - size_t(Length(find)));
  return tess::MakeString(std::string_view(out.data(), size),
                          tess::CombineEncodings(tess::Encoding(s), tess::Encoding(with)));
}

TessString* StringReplaceAll(TessString* s, TessString* find, TessString* with) {
  if (Length(find) == 0) return tess::Share(s);
  uint32_t encoding = tess::CombineEncodings(tess::Encoding(s), tess::Encoding(with));
  std::string_view text = View(s), pattern = View(find), replacement = View(with);

  if (tess::Tables().doubleByte) {
    // Each replacement rebuilds the string; the search goes on after the
    // inserted text.
    tess::StringRef current = tess::StringRef::Adopt(tess::Share(s));
    int64_t from = 0;
    for (;;) {
      int64_t at = tess::FindInsensitive(View(current.get()), pattern, from);
      if (at < 0) break;
      std::string next(View(current.get()).substr(0, size_t(at)));
      next.append(replacement);
      next.append(View(current.get()).substr(size_t(at) + pattern.size()));
      current = tess::StringRef::Adopt(tess::MakeString(next, encoding));
      from = at + int64_t(replacement.size());
    }
    return current.Release();
  }

  int64_t at = tess::FindInsensitive(text, pattern, 0);
  if (at < 0) return tess::Share(s);
  size_t used = 0, consumed = 0;
  while (at >= 0) {
    size_t piece = size_t(at) - consumed;
    std::vector<char>& out = tess::Scratch(used + piece + replacement.size(), true);
    std::memcpy(out.data() + used, text.data() + consumed, piece);
    if (!replacement.empty()) {
      std::memcpy(out.data() + used + piece, replacement.data(), replacement.size());
    }
    used += piece + replacement.size();
    consumed = size_t(at) + pattern.size();
    at = tess::FindInsensitive(text, pattern, int64_t(consumed));
  }
  std::vector<char>& out = tess::Scratch(used + text.size() - consumed, true);
  std::memcpy(out.data() + used, text.data() + consumed, text.size() - consumed);
  used += text.size() - consumed;
  return tess::MakeString(std::string_view(out.data(), used), encoding);
}

int32_t StringCountFields(TessString* s, TessString* separator) {
  if (Length(s) == 0) return 0;
  if (Length(separator) == 0) return 1;
  int32_t count = 1;
  for (int64_t at = tess::FindInsensitive(View(s), View(separator), 0); at >= 0;
       at = tess::FindInsensitive(View(s), View(separator), at + Length(separator))) {
    ++count;
  }
  return count;
}

TessString* StringNthField(TessString* s, TessString* separator, int32_t n) {
  if (Length(s) == 0 || n < 1 || Length(separator) == 0) return nullptr;
  std::string_view text = View(s), sep = View(separator);
  bool insensitive = tess::Tables().doubleByte || tess::HasCasedBytes(sep);
  auto find = [&](int64_t from) {
    return insensitive ? tess::FindInsensitive(text, sep, from) : tess::FindBytes(text, sep, from);
  };
  int64_t start = 0;
  for (int32_t field = 1; field < n; ++field) {
    int64_t at = find(start);
    if (at < 0) return nullptr;
    start = at + int64_t(sep.size());
  }
  int64_t end = find(start);
  return tess::Substring(s, start, (end < 0 ? int64_t(text.size()) : end) - start);
}

TessString* runLTrim(TessString* s) {
  return tess::TrimLeft(s);
}
TessString* runRTrim(TessString* s) {
  return tess::TrimRight(s);
}

TessString* runTrim(TessString* s) {
  tess::StringRef left = tess::StringRef::Adopt(tess::TrimLeft(s));
  return tess::TrimRight(left.get());
}

}  // extern "C"
