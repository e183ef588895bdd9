#include "runtime/name_fold.h"

#include <array>

namespace tess {

namespace {

constexpr std::array<uint8_t, 256> BuildFold() {
  std::array<uint8_t, 256> fold{};
  for (int i = 0; i < 256; ++i) fold[i] = uint8_t(i);
  for (int c = 'a'; c <= 'z'; ++c) fold[c] = uint8_t(c - 'a' + 'A');
  constexpr uint8_t pairs[][2] = {
      {0x87, 0xE7}, {0x88, 0xCB}, {0x89, 0xE5}, {0x8A, 0x80}, {0x8B, 0xCC}, {0x8C, 0x81},
      {0x8D, 0x82}, {0x8E, 0x83}, {0x8F, 0xE9}, {0x90, 0xE6}, {0x91, 0xE8}, {0x92, 0xEA},
      {0x93, 0xED}, {0x94, 0xEB}, {0x95, 0xEC}, {0x96, 0x84}, {0x97, 0xEE}, {0x98, 0xF1},
      {0x99, 0xEF}, {0x9A, 0x85}, {0x9B, 0xCD}, {0x9C, 0xF2}, {0x9D, 0xF4}, {0x9E, 0xF3},
      {0x9F, 0x86}, {0xBE, 0xAE}, {0xBF, 0xAF}, {0xCF, 0xCE}, {0xD8, 0xD9}, {0xF5, 0x49},
  };
  for (const auto& p : pairs) fold[p[0]] = p[1];
  return fold;
}

}  // namespace

const std::array<uint8_t, 256> kNameFold = BuildFold();

int CompareNames(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    uint8_t x = kNameFold[uint8_t(a[i])], y = kNameFold[uint8_t(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace tess
