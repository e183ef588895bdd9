// Row encoding and parsing, value conversions and key forms.
#include "db/record.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/byte_order.h"
#include "db/collation.h"
#include "values/number_format.h"

namespace tess::db {
namespace {

uint64_t Be64(const uint8_t* p) {
  return (uint64_t(be32(p)) << 32) | be32(p + 4);
}
void PutBe64(uint8_t* p, uint64_t v) {
  put_be32(p, uint32_t(v >> 32));
  put_be32(p + 4, uint32_t(v));
}
void PutLe64(uint8_t* p, uint64_t v) {
  put_le32(p, uint32_t(v));
  put_le32(p + 4, uint32_t(v >> 32));
}
uint64_t Le64(const uint8_t* p) {
  return (uint64_t(le32(p + 4)) << 32) | le32(p);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && uint8_t(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && uint8_t(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

bool Split3(std::string_view s, char sep, int16_t out[3]) {
  std::string_view parts[3];
  for (int i = 0; i < 3; ++i) {
    size_t at = s.find(sep);
    if (i < 2 && at == std::string_view::npos) return false;
    parts[i] = i < 2 ? s.substr(0, at) : s;
    if (i < 2) s.remove_prefix(at + 1);
  }
  if (parts[2].find(sep) != std::string_view::npos) return false;
  for (int i = 0; i < 3; ++i) {
    int32_t v = DecimalValue(parts[i]);
    out[i] = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  }
  return true;
}

}  // namespace

size_t SlotSize(uint8_t type) {
  switch (type) {
    case kSmallInt:
      return 2;
    case kBoolean:
      return 1;
    case kDouble:
      return 8;
    case kDate:
    case kTime:
      return 6;
    default:
      return 4;  // integer, float, text descriptor, large-value reference
  }
}

bool RowView::Parse(std::string_view body, const std::vector<uint8_t>& types) {
  auto* p = reinterpret_cast<const uint8_t*>(body.data());
  if (body.size() < 2) return false;
  count_ = be16(p);
  size_t bitmap = (count_ + 7) / 8;
  if (body.size() < 2 + bitmap) return false;
  bitmap_ = p + 2;
  values_ = p + 2 + bitmap;
  values_size_ = body.size() - 2 - bitmap;
  types_ = &types;
  offsets_.resize(count_);
  size_t off = 0;
  for (size_t i = 0; i < count_; ++i) {
    offsets_[i] = uint32_t(off);
    off += i < types.size() ? SlotSize(types[i]) : 0;
  }
  if (count_ > types.size()) count_ = types.size();
  return off <= values_size_;
}

FieldView RowView::Field(size_t i) const {
  FieldView f;
  if (i >= count_ || (bitmap_[i / 8] >> (i % 8)) & 1) return f;
  uint8_t type = (*types_)[i];
  const uint8_t* slot = values_ + offsets_[i];
  if (type == kText) {
    size_t at = be16(slot), len = be16(slot + 2);
    if (at > values_size_ || len > values_size_ - at) return f;  // damaged: read as null
    f.data = values_ + at;
    f.size = len;
  } else {
    f.data = slot;
    f.size = SlotSize(type);
  }
  f.type = type;
  return f;
}

bool EncodeRow(const std::vector<uint8_t>& types, const std::vector<StoredValue>& values,
               std::string* body) {
  size_t n = types.size();
  size_t bitmap = (n + 7) / 8;
  size_t fixed = 0;
  for (uint8_t t : types) fixed += SlotSize(t);
  body->assign(2 + bitmap + fixed, '\0');
  auto* p = reinterpret_cast<uint8_t*>(body->data());
  put_be16(p, uint16_t(n));
  size_t slot = 0;
  for (size_t i = 0; i < n; ++i) {
    size_t size = SlotSize(types[i]);
    p = reinterpret_cast<uint8_t*>(body->data());
    if (i >= values.size() || !values[i]) {
      p[2 + i / 8] |= uint8_t(1 << (i % 8));
    } else if (types[i] == kText) {
      size_t at = body->size() - 2 - bitmap;
      if (at > 0xFFFF || values[i]->size() > 0xFFFF) return false;
      put_be16(p + 2 + bitmap + slot, uint16_t(at));
      put_be16(p + 2 + bitmap + slot + 2, uint16_t(values[i]->size()));
      body->append(*values[i]);
    } else {
      std::memcpy(p + 2 + bitmap + slot, values[i]->data(), std::min(size, values[i]->size()));
    }
    slot += size;
  }
  return true;
}

int32_t DecimalValue(std::string_view s) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    v = v * 10 + (c - '0');
    if (v > int64_t(1) << 32) v = int64_t(1) << 32;  // saturate below
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}

double NumericValue(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() ? v : 0.0;
}

bool ParseDate(std::string_view text, int16_t out[3]) {
  text = Trim(text);
  size_t space = text.find(' ');
  if (space != std::string_view::npos) text = text.substr(0, space);
  return Split3(text, '-', out);
}

bool ParseTime(std::string_view text, int16_t out[3]) {
  return Split3(Trim(text), ':', out);
}

bool ConvertText(uint8_t type, std::string_view text, std::string* stored,
                 const ErrorText** error) {
  uint8_t b[8] = {};
  switch (type) {
    case kSmallInt: {
      int32_t v = DecimalValue(text);
      put_be16(b, uint16_t(int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v)));
      stored->assign(reinterpret_cast<char*>(b), 2);
      return true;
    }
    case kInteger:
      put_be32(b, uint32_t(DecimalValue(text)));
      stored->assign(reinterpret_cast<char*>(b), 4);
      return true;
    case kFloat: {
      float f = float(NumericValue(text));
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      put_be32(b, bits);
      stored->assign(reinterpret_cast<char*>(b), 4);
      return true;
    }
    case kDouble: {
      double d = NumericValue(text);
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      PutBe64(b, bits);
      stored->assign(reinterpret_cast<char*>(b), 8);
      return true;
    }
    case kDate:
    case kTime: {
      int16_t f[3];
      if (!(type == kDate ? ParseDate(text, f) : ParseTime(text, f))) {
        if (error) *error = type == kDate ? &kInvalidDateFormat : &kInvalidTimeFormat;
        return false;
      }
      for (int i = 0; i < 3; ++i) put_be16(b + 2 * i, uint16_t(f[i]));
      stored->assign(reinterpret_cast<char*>(b), 6);
      return true;
    }
    case kBoolean: {
      bool t = text.size() == 4 && (text[0] | 0x20) == 't' && (text[1] | 0x20) == 'r' &&
               (text[2] | 0x20) == 'u' && (text[3] | 0x20) == 'e';
      stored->assign(1, t ? '\1' : '\0');
      return true;
    }
    default:
      stored->assign(text);
      return true;
  }
}

double StoredNumber(uint8_t type, const uint8_t* p) {
  switch (type) {
    case kSmallInt:
      return int16_t(be16(p));
    case kInteger:
      return int32_t(be32(p));
    case kFloat: {
      uint32_t bits = be32(p);
      float f;
      std::memcpy(&f, &bits, 4);
      return f;
    }
    case kDouble: {
      uint64_t bits = Be64(p);
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    }
    default:
      return 0;
  }
}

std::string NativeFromStored(uint8_t type, std::string_view stored) {
  std::string out(stored);
  auto* o = reinterpret_cast<uint8_t*>(out.data());
  auto* s = reinterpret_cast<const uint8_t*>(stored.data());
  switch (type) {
    case kSmallInt:
      if (stored.size() == 2) put_le16(o, be16(s));
      break;
    case kInteger:
    case kFloat:
      if (stored.size() == 4) put_le32(o, be32(s));
      break;
    case kDouble:
      if (stored.size() == 8) PutLe64(o, Be64(s));
      break;
    default:
      break;  // date, time: big-endian in both; boolean and bytes as they are
  }
  return out;
}

bool NativeNumber(uint8_t type, std::string_view native, double* out) {
  auto* p = reinterpret_cast<const uint8_t*>(native.data());
  switch (type) {
    case kSmallInt:
      if (native.size() != 2) return false;
      *out = int16_t(le16(p));
      return true;
    case kInteger:
      if (native.size() != 4) return false;
      *out = int32_t(le32(p));
      return true;
    case kFloat: {
      if (native.size() != 4) return false;
      uint32_t bits = le32(p);
      float f;
      std::memcpy(&f, &bits, 4);
      *out = f;
      return true;
    }
    case kDouble: {
      if (native.size() != 8) return false;
      uint64_t bits = Le64(p);
      std::memcpy(out, &bits, 8);
      return true;
    }
    default:
      return false;
  }
}

std::string NativeText(uint8_t type, std::string_view native) {
  auto* p = reinterpret_cast<const uint8_t*>(native.data());
  char buf[64];
  switch (type) {
    case kNull:
      return "";
    case kSmallInt:
    case kInteger: {
      double d = 0;
      NativeNumber(type, native, &d);
      std::snprintf(buf, sizeof buf, "%d", int32_t(d));
      return buf;
    }
    case kFloat:
    case kDouble: {
      double d = 0;
      NativeNumber(type, native, &d);
      return FormatPlain(d);  // the language's own text of a number
    }
    case kDate:
    case kTime:
    case kTimestamp: {
      if (native.size() < 6) return type == kTime ? "00:00:00" : "0-00-00";
      int f[6] = {};
      for (size_t i = 0; i < 6 && 2 * i + 1 < native.size(); ++i) f[i] = int16_t(be16(p + 2 * i));
      if (type == kDate) std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f[0], f[1], f[2]);
      if (type == kTime) std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f[0], f[1], f[2]);
      if (type == kTimestamp) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f[0], f[1], f[2], f[3],
                      f[4], f[5]);
      }
      return buf;
    }
    case kBoolean:
      return !native.empty() && native[0] ? "true" : "false";
    default:
      return std::string(native);
  }
}

void AppendU32Key(uint32_t value, std::string* key) {
  uint8_t b[4];
  put_be32(b, value);
  key->append(reinterpret_cast<char*>(b), 4);
}

void AppendTextKey(std::string_view text, std::string* key) {
  for (char c : text) {
    uint8_t w = kCollationWeights[uint8_t(c)];
    key->push_back(char(w));
    if (w == 0) key->push_back('\xFF');
  }
  key->append(2, '\0');
}

void AppendStoredKey(const FieldView& f, std::string* key) {
  if (f.type == kNull) {
    key->push_back('\0');
    return;
  }
  key->push_back('\1');
  const uint8_t* p = f.data;
  uint8_t b[8];
  switch (f.type) {
    case kSmallInt:
      put_be16(b, uint16_t(be16(p) ^ 0x8000));
      key->append((char*)b, 2);
      break;
    case kInteger:
      AppendU32Key(be32(p) ^ 0x80000000u, key);
      break;
    case kFloat: {
      uint32_t bits = be32(p);
      bits = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
      AppendU32Key(bits, key);
      break;
    }
    case kDouble: {
      uint64_t bits = Be64(p);
      bits = (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
      PutBe64(b, bits);
      key->append((char*)b, 8);
      break;
    }
    case kDate:
    case kTime:
      for (int i = 0; i < 3; ++i) {
        put_be16(b + 2 * i, uint16_t(be16(p + 2 * i) ^ 0x8000));
      }
      key->append((char*)b, 6);
      break;
    case kText:
      AppendTextKey(f.bytes(), key);
      break;
    default:
      key->append(f.bytes());
      break;  // boolean byte, large-value reference
  }
}

}  // namespace tess::db
