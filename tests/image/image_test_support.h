// Builders for hand-made image pieces: segments fenced by guard bytes, and
// link record and fix-up streams.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "image/loader.h"
#include "test_support.h"

namespace tess::test {

// Code and data segments inside guard bytes: a write outside either segment
// changes a guard.
class GuardedSegments {
 public:
  static constexpr uint32_t kGuard = 64;
  static constexpr uint8_t kGuardByte = 0xA5;

  GuardedSegments(uint32_t codeSize, uint32_t dataSize)
      : code_(codeSize + 2 * kGuard, kGuardByte), data_(dataSize + 2 * kGuard, kGuardByte) {
    std::memset(code_.data() + kGuard, 0x90, codeSize);
    std::memset(data_.data() + kGuard, 0, dataSize);
    seg.code = code_.data() + kGuard;
    seg.codeSize = codeSize;
    seg.data = data_.data() + kGuard;
    seg.dataSize = dataSize;
  }

  bool GuardsIntact() const { return Intact(code_, seg.codeSize) && Intact(data_, seg.dataSize); }

  // A 5-byte call whose displacement field at `field` holds `next`.
  void PlaceCall(uint32_t field, uint32_t next) {
    seg.code[field - 1] = 0xE8;
    put_le32(seg.code + field, next);
  }
  uint32_t CodeWord(uint32_t offset) const { return le32(seg.code + offset); }
  uint32_t DataWord(uint32_t offset) const { return le32(seg.data + offset); }
  void SetDataWord(uint32_t offset, uint32_t value) { put_le32(seg.data + offset, value); }
  // What a bound displacement at `field` must hold to reach `target`.
  uint32_t Displacement(uint32_t field, const void* target) const {
    return uint32_t(uintptr_t(target) - (uintptr_t(seg.code + field) + 4));
  }

  image::Segments seg;

 private:
  static bool Intact(const std::vector<uint8_t>& block, uint32_t size) {
    for (uint32_t i = 0; i < kGuard; ++i) {
      if (block[i] != kGuardByte || block[kGuard + size + i] != kGuardByte) return false;
    }
    return true;
  }
  std::vector<uint8_t> code_;
  std::vector<uint8_t> data_;
};

class LinkStreamBuilder {
 public:
  LinkStreamBuilder& Named(uint32_t head, const std::string& name) {
    bytes.push_back(1);
    AppendLe32(bytes, head);
    bytes.push_back(uint8_t(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    return *this;
  }
  LinkStreamBuilder& DataAddress(uint32_t offset) {
    bytes.push_back(2);
    AppendLe32(bytes, offset);
    return *this;
  }
  LinkStreamBuilder& Byte(uint8_t b) {
    bytes.push_back(b);
    return *this;
  }
  std::vector<uint8_t> bytes;
};

}  // namespace tess::test
