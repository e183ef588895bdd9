// Window layout records: the stream that RuntimeCreateWindow builds a window
// from, read without trusting a byte of it.
//
// A layout block in the image data is a u32 little-endian byte count followed
// by that many record bytes. The record bytes are a stream of two primitives:
//   Number  variable-length signed integer. First byte: bit 7 = another byte
//           follows, bit 6 = negative, bits 0..5 = the low 6 bits of the
//           magnitude; each further byte: bit 7 = another follows, bits 0..6
//           = the next 7 bits, least significant group first. The value is
//           the magnitude times the sign in 32-bit arithmetic, so a magnitude
//           of 0x80000000 is -2147483648 whichever the sign.
//   String  a Number length, then that many bytes; a length <= 0 is empty.
//   Flag    one byte, nonzero = true (menu records only).
// The record, in stream order:
//   Number pair count, Number window class (class-table index),
//   pair count x (String name, String value),
//   Number control count, per control: Number class, Number pair count,
//     pair count x (String name, String value),
//   Number binding count, per binding: Number source position, String source
//     part, Number destination position, String destination part, Number
//     binder class, String, String.
// Containers and control arrays are not in the stream: a control's container
// is found from the rectangles, its array from its "Index" pair.
//
// Invariants: a Number is at most 5 bytes and its magnitude fits 32 bits;
// every count is checked against the bytes left (each element needs at least
// its minimum encoded size) before anything is reserved for it; bytes after
// the record inside the block are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::ui {

inline constexpr size_t kMaxNumberBytes = 5;
// The Index of a control (or menu item) that is not part of an array.
inline constexpr int32_t kNoArrayIndex = INT32_MIN;

// Stream primitives over a bounded span; every read checks bounds. After the
// first failed read every further read fails too, and message() says where
// and why the stream broke.
class RecordStream {
 public:
  explicit RecordStream(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool Number(int32_t* value);      // variable-length signed integer
  bool String(std::string* value);  // Number length + bytes; length <= 0 is empty
  bool Flag(bool* value);           // one byte, nonzero = true
  // A Number used as a count of elements each at least `minBytes` long:
  // refused when negative or when the bytes left cannot hold that many.
  bool Count(int32_t* value, size_t minBytes, const char* what);
  // The same check for a count read earlier at `countAt`.
  bool Fits(int32_t count, size_t minBytes, const char* what, size_t countAt);

  bool ok() const { return message_.empty(); }
  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  const std::string& message() const { return message_; }

  // Marks the stream broken at the current position (the first fault wins).
  bool Fail(std::string_view why);

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  std::string message_;
};

struct PropertyPair {
  std::string name, value;
  bool operator==(const PropertyPair&) const = default;
};
struct ControlLayout {
  int32_t classIndex = 0;
  std::vector<PropertyPair> pairs;
  bool operator==(const ControlLayout&) const = default;
};
struct BindingLayout {
  int32_t sourcePosition = 0;
  std::string sourcePart;
  int32_t destinationPosition = 0;
  std::string destinationPart;
  int32_t binderClass = 0;
  std::string text1, text2;
  bool operator==(const BindingLayout&) const = default;
};
struct WindowLayout {
  int32_t windowClass = 0;
  std::vector<PropertyPair> pairs;
  std::vector<ControlLayout> controls;
  std::vector<BindingLayout> bindings;
  bool operator==(const WindowLayout&) const = default;
};

// `block` starts at the u32 little-endian byte count; `available` is how many bytes
// may be read from it (the rest of the data segment). False, with a clear message,
// for a damaged or hostile record; no allocation sized by an unchecked count.
bool ReadWindowLayout(std::span<const uint8_t> block, WindowLayout* layout, std::string* message);

// The record bytes of a block (after its byte count), or false with a message
// when the count runs past `block`. Shared with the menu record reader.
bool RecordBytes(std::span<const uint8_t> block, const char* what, std::span<const uint8_t>* record,
                 std::string* message);

// The value of the first pair named `name` (ASCII case ignored), or nullptr.
const std::string* FindPair(const std::vector<PropertyPair>& pairs, std::string_view name);

}  // namespace tess::ui
