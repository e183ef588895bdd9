// Internal name comparison: class, member, control and constant names are
// compared byte by byte through a fixed fold table (ASCII and the Mac OS Roman
// accented letters upper-cased), whatever the system code page.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tess {

extern const std::array<uint8_t, 256> kNameFold;

// -1, 0 or 1; when one name ends first it is the smaller.
int CompareNames(std::string_view a, std::string_view b);
inline bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNames(a, b) == 0;
}

}  // namespace tess
