// Hand-written record bytes for the reader tests. Numbers here are the
// one-byte form only (-63..63), so every multi-byte encoding a test relies
// on is spelt out byte by byte where it is used.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace tess::ui::testing {

struct Bytes {
  std::vector<uint8_t> bytes;

  Bytes& N(int32_t v) {
    EXPECT_TRUE(v > -64 && v < 64) << "one-byte Numbers only";
    bytes.push_back(uint8_t(v < 0 ? 0x40 | -v : v));
    return *this;
  }
  Bytes& S(std::string_view text) {
    N(int32_t(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
  }
  Bytes& F(bool v) {
    bytes.push_back(v ? 1 : 0);
    return *this;
  }
  Bytes& Raw(std::initializer_list<uint8_t> raw) {
    bytes.insert(bytes.end(), raw);
    return *this;
  }
  // The block the runtime is handed: u32 little-endian count + the record.
  std::vector<uint8_t> Block() const { return BlockOf(bytes, uint32_t(bytes.size())); }

  static std::vector<uint8_t> BlockOf(const std::vector<uint8_t>& record, uint32_t count) {
    std::vector<uint8_t> out = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16),
                                uint8_t(count >> 24)};
    out.insert(out.end(), record.begin(), record.end());
    return out;
  }
};

}  // namespace tess::ui::testing
