// Window layout record reading. Every element count is checked against the
// bytes left before anything is reserved for it, so a hostile count costs
// nothing; the first fault stops the reading and is reported with its byte
// position inside the record.
#include "ui/layout_record.h"

#include "base/byte_order.h"

namespace tess::ui {
namespace {

// Smallest encodings: a Number or an empty String is one byte.
constexpr size_t kMinPairBytes = 2;
constexpr size_t kMinControlBytes = 2;  // class, pair count
constexpr size_t kMinBindingBytes = 7;  // three Numbers, four Strings

char Fold(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool ReadPairList(RecordStream& in, int32_t count, std::vector<PropertyPair>* pairs) {
  pairs->reserve(size_t(count));
  for (int32_t i = 0; i < count; ++i) {
    PropertyPair pair;
    if (!in.String(&pair.name) || !in.String(&pair.value)) return false;
    pairs->push_back(std::move(pair));
  }
  return true;
}

bool ReadLayout(RecordStream& in, WindowLayout* layout) {
  // The window's pair count comes before its class.
  const size_t countAt = in.position();
  int32_t pairs = 0;
  if (!in.Number(&pairs) || !in.Number(&layout->windowClass) ||
      !in.Fits(pairs, kMinPairBytes, "window pair count", countAt) ||
      !ReadPairList(in, pairs, &layout->pairs)) {
    return false;
  }

  int32_t controls = 0;
  if (!in.Count(&controls, kMinControlBytes, "control count")) return false;
  layout->controls.reserve(size_t(controls));
  for (int32_t i = 0; i < controls; ++i) {
    ControlLayout control;
    int32_t count = 0;
    if (!in.Number(&control.classIndex) || !in.Count(&count, kMinPairBytes, "control pair count") ||
        !ReadPairList(in, count, &control.pairs)) {
      return false;
    }
    layout->controls.push_back(std::move(control));
  }

  int32_t bindings = 0;
  if (!in.Count(&bindings, kMinBindingBytes, "binding count")) return false;
  layout->bindings.reserve(size_t(bindings));
  for (int32_t i = 0; i < bindings; ++i) {
    BindingLayout b;
    if (!in.Number(&b.sourcePosition) || !in.String(&b.sourcePart) ||
        !in.Number(&b.destinationPosition) || !in.String(&b.destinationPart) ||
        !in.Number(&b.binderClass) || !in.String(&b.text1) || !in.String(&b.text2)) {
      return false;
    }
    layout->bindings.push_back(std::move(b));
  }
  return true;
}

}  // namespace

bool RecordStream::Fail(std::string_view why) {
  if (message_.empty()) message_ = "at byte " + std::to_string(pos_) + ": " + std::string(why);
  return false;
}

bool RecordStream::Number(int32_t* value) {
  if (!ok()) return false;
  const size_t start = pos_;
  if (pos_ >= bytes_.size()) return Fail("the record ends inside a number");
  uint8_t b = bytes_[pos_++];
  const bool negative = (b & 0x40) != 0;
  uint64_t magnitude = b & 0x3F;
  unsigned shift = 6;
  for (size_t count = 1; b & 0x80; ++count, shift += 7) {
    if (count == kMaxNumberBytes) {
      pos_ = start;
      return Fail("a number runs longer than 5 bytes");
    }
    if (pos_ >= bytes_.size()) {
      pos_ = start;
      return Fail("the record ends inside a number");
    }
    b = bytes_[pos_++];
    magnitude |= uint64_t(b & 0x7F) << shift;
  }
  if (magnitude > UINT32_MAX) {
    pos_ = start;
    return Fail("a number's magnitude does not fit 32 bits");
  }
  // Magnitude times sign in 32-bit arithmetic: 0x80000000 is INT32_MIN either way.
  const uint32_t bits = negative ? 0u - uint32_t(magnitude) : uint32_t(magnitude);
  *value = int32_t(bits);
  return true;
}

bool RecordStream::String(std::string* value) {
  const size_t start = pos_;
  int32_t length = 0;
  if (!Number(&length)) return false;
  if (length <= 0) {
    value->clear();
    return true;
  }
  if (size_t(length) > remaining()) {
    const size_t left = remaining();
    pos_ = start;
    return Fail("a string of " + std::to_string(length) + " bytes runs past the " +
                std::to_string(left) + " bytes left");
  }
  value->assign(reinterpret_cast<const char*>(bytes_.data()) + pos_, size_t(length));
  pos_ += size_t(length);
  return true;
}

bool RecordStream::Flag(bool* value) {
  if (!ok()) return false;
  if (pos_ >= bytes_.size()) return Fail("the record ends before a flag");
  *value = bytes_[pos_++] != 0;
  return true;
}

bool RecordStream::Count(int32_t* value, size_t minBytes, const char* what) {
  const size_t start = pos_;
  return Number(value) && Fits(*value, minBytes, what, start);
}

bool RecordStream::Fits(int32_t count, size_t minBytes, const char* what, size_t countAt) {
  if (!ok()) return false;
  if (count >= 0 && size_t(count) <= remaining() / minBytes) return true;
  const size_t left = remaining();
  pos_ = countAt;
  return Fail(std::string(what) + " " + std::to_string(count) + " does not fit the " +
              std::to_string(left) + " bytes left");
}

bool RecordBytes(std::span<const uint8_t> block, const char* what, std::span<const uint8_t>* record,
                 std::string* message) {
  if (block.size() < 4) {
    *message = std::string(what) + " record damaged: no room for its byte count";
    return false;
  }
  const uint32_t length = le32(block.data());
  if (length > block.size() - 4) {
    *message = std::string(what) + " record damaged: its byte count " + std::to_string(length) +
               " runs past the " + std::to_string(block.size() - 4) + " bytes available";
    return false;
  }
  *record = block.subspan(4, length);
  return true;
}

bool ReadWindowLayout(std::span<const uint8_t> block, WindowLayout* layout, std::string* message) {
  std::span<const uint8_t> record;
  if (!RecordBytes(block, "window layout", &record, message)) return false;
  RecordStream in(record);
  WindowLayout read;
  if (!ReadLayout(in, &read)) {
    *message = "window layout record damaged " + in.message();
    return false;
  }
  *layout = std::move(read);
  return true;
}

const std::string* FindPair(const std::vector<PropertyPair>& pairs, std::string_view name) {
  for (const PropertyPair& p : pairs) {
    if (p.name.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < name.size(); ++i) same = Fold(p.name[i]) == Fold(name[i]);
    if (same) return &p.value;
  }
  return nullptr;
}

}  // namespace tess::ui
