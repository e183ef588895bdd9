// Character tables of the system code page, built on first use and rebuilt
// when the code page changes: lead bytes, and for single-byte pages the
// upper, lower and blank tables. On a double-byte page only the lead-byte
// table is built; the string functions then walk characters instead.
#pragma once

#include <cstdint>

namespace tess {

struct CharTables {
  bool doubleByte;
  uint8_t leadByte[256];  // 1 where the byte starts a two-byte character
  uint8_t upper[256];
  uint8_t lower[256];
  uint8_t blank[256];    // bit 0: space or blank
  uint8_t isUpper[256];  // 1 for an upper-case letter
};

const CharTables& Tables();

// Bytes in the character that starts at `p` (1 or 2), never past `end`.
inline int CharBytes(const CharTables& t, const uint8_t* p, const uint8_t* end) {
  return (t.doubleByte && t.leadByte[*p] && p + 1 < end) ? 2 : 1;
}

}  // namespace tess
