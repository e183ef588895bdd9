// The stored-record primitives that image records (settings, layouts, menus)
// are written in, shared by the builder and its tests:
//   Number  variable-length signed integer. First byte: bit 7 = another byte
//           follows, bit 6 = negative, bits 0..5 = the low 6 bits of the
//           magnitude; each further byte: bit 7 = another follows, bits 0..6
//           = the next 7 bits, least significant group first.
//   String  a Number length, then that many bytes.
//   Flag    one byte, nonzero = true.
// Every int32_t value (INT32_MIN included) has exactly one shortest encoding,
// at most 5 bytes long; the encoder writes that one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::imagetool {

inline constexpr size_t kMaxNumberBytes = 5;

void AppendNumber(std::vector<uint8_t>& out, int32_t value);
void AppendString(std::vector<uint8_t>& out, std::string_view bytes);
void AppendFlag(std::vector<uint8_t>& out, bool value);

// Reads the primitives back, for the dump and the tests. Running past the
// end, a Number longer than 5 bytes or outside int32_t, and a String longer
// than what is left all throw Error.
class RecordReader {
 public:
  explicit RecordReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  int32_t Number();
  std::string String();
  bool Flag();

  size_t position() const { return pos_; }
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  uint8_t Byte();

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace tess::imagetool
