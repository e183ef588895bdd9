// Searching inside strings: the case-insensitive search of InStr, the
// bytewise search of InStrB with its Boyer-Moore path, and the character
// walk of double-byte code pages. Positions are 1-based, 0 means not found.
#pragma once

#include <cstdint>
#include <string_view>

#include "tessera/types.h"

namespace tess {

// The language's InStr and InStrB over raw arguments.
int64_t InStr(int64_t start, const TessString* s, const TessString* find);
int64_t InStrB(int64_t start, const TessString* s, const TessString* find);

// Boyer-Moore over bytes: 0-based offset of `pattern` in `text`, or
// text.size() when absent. The pattern is not empty.
size_t BoyerMoore(std::string_view text, std::string_view pattern);

// Case-insensitive search from byte offset `from` (0-based) with whichever
// method the system code page calls for; returns a 0-based offset or -1.
int64_t FindInsensitive(std::string_view text, std::string_view find, int64_t from);
// Bytewise search from `from`; 0-based offset or -1.
int64_t FindBytes(std::string_view text, std::string_view find, int64_t from);

}  // namespace tess
