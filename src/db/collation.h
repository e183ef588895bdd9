// Text collation: the weight table that orders text keys and ORDER BY values
// (Mac Roman; upper case before lower case of the same letter, accented forms
// after their base letter). The table is a permutation of 0..255, so mapping
// bytes through it keeps keys comparable with memcmp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tess::db {

extern const uint8_t kCollationWeights[256];

// -1, 0 or 1; position by position over the weights, shorter first on a tie.
int CompareCollated(std::string_view a, std::string_view b);

}  // namespace tess::db
