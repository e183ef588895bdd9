// Stored-record primitives. Magnitudes are carried as uint32_t so that the
// magnitude of INT32_MIN (2^31) needs no special case on either side.
#include "stored_record.h"

#include "error.h"

namespace tess::imagetool {

void AppendNumber(std::vector<uint8_t>& out, int32_t value) {
  const bool negative = value < 0;
  uint32_t magnitude = negative ? 0u - uint32_t(value) : uint32_t(value);
  uint8_t first = uint8_t(magnitude & 0x3F) | (negative ? 0x40 : 0);
  magnitude >>= 6;
  if (magnitude != 0) first |= 0x80;
  out.push_back(first);
  while (magnitude != 0) {
    uint8_t next = uint8_t(magnitude & 0x7F);
    magnitude >>= 7;
    if (magnitude != 0) next |= 0x80;
    out.push_back(next);
  }
}

void AppendString(std::vector<uint8_t>& out, std::string_view bytes) {
  if (bytes.size() > uint32_t(INT32_MAX)) throw Error("stored string too long");
  AppendNumber(out, int32_t(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendFlag(std::vector<uint8_t>& out, bool value) {
  out.push_back(value ? 1 : 0);
}

uint8_t RecordReader::Byte() {
  if (pos_ >= bytes_.size()) throw Error("stored record ends early");
  return bytes_[pos_++];
}

int32_t RecordReader::Number() {
  uint8_t b = Byte();
  const bool negative = (b & 0x40) != 0;
  uint64_t magnitude = b & 0x3F;
  unsigned shift = 6;
  for (size_t count = 1; b & 0x80; ++count, shift += 7) {
    if (count == kMaxNumberBytes) throw Error("stored number longer than 5 bytes");
    b = Byte();
    magnitude |= uint64_t(b & 0x7F) << shift;
  }
  if (magnitude > (negative ? uint64_t(1) << 31 : uint64_t(INT32_MAX))) {
    throw Error("stored number out of range");
  }
  return negative ? int32_t(0u - uint32_t(magnitude)) : int32_t(magnitude);
}

std::string RecordReader::String() {
  const int32_t length = Number();
  if (length < 0 || size_t(length) > bytes_.size() - pos_) {
    throw Error("stored string length " + std::to_string(length) + " runs past the end");
  }
  std::string text(reinterpret_cast<const char*>(bytes_.data()) + pos_, size_t(length));
  pos_ += size_t(length);
  return text;
}

bool RecordReader::Flag() {
  return Byte() != 0;
}

}  // namespace tess::imagetool
