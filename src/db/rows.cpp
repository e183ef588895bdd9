// Row serialization, value comparison and the LIKE matcher.
#include "db/rows.h"

#include <cstring>

#include "base/byte_order.h"
#include "db/collation.h"
#include "db/format.h"
#include "db/record.h"

namespace tess::db {

void AppendValue(std::string* row, uint8_t type, std::string_view bytes) {
  uint8_t h[5];
  h[0] = type;
  put_le32(h + 1, uint32_t(bytes.size()));
  row->append(reinterpret_cast<char*>(h), 5);
  row->append(bytes);
}

bool SplitRow(std::string_view row, std::vector<ValueRef>* values) {
  values->clear();
  while (!row.empty()) {
    if (row.size() < 5) return false;
    auto* p = reinterpret_cast<const uint8_t*>(row.data());
    size_t n = le32(p + 1);
    if (n > row.size() - 5) return false;
    values->push_back({p[0], row.substr(5, n)});
    row.remove_prefix(5 + n);
  }
  return true;
}

namespace {

bool IsNumber(uint8_t t) {
  return t == kSmallInt || t == kInteger || t == kFloat || t == kDouble;
}

int Sign(double a, double b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

int Bytes(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c) return c < 0 ? -1 : 1;
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareValues(const ValueRef& a, const ValueRef& b) {
  if (a.type == kNull || b.type == kNull) return a.type == b.type ? 0 : a.type == kNull ? -1 : 1;
  // The common case of one column's values: same type, no conversion.
  if (a.type == b.type && a.bytes.size() == 4 && b.bytes.size() == 4 && a.type == kInteger) {
    int32_t x = int32_t(le32(reinterpret_cast<const uint8_t*>(a.bytes.data())));
    int32_t y = int32_t(le32(reinterpret_cast<const uint8_t*>(b.bytes.data())));
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (a.type == b.type && a.bytes.size() == 8 && b.bytes.size() == 8 && a.type == kDouble) {
    double x, y;
    NativeNumber(kDouble, a.bytes, &x);
    NativeNumber(kDouble, b.bytes, &y);
    if (x == x && y == y) return x < y ? -1 : x > y ? 1 : 0;
  }
  if (IsNumber(a.type)) {
    double x = 0, y = 0;
    NativeNumber(a.type, a.bytes, &x);
    if (!NativeNumber(b.type, b.bytes, &y)) return -1;
    // NaN would break the ordering: it sorts after every number.
    if (x != x || y != y) return (x != x) == (y != y) ? 0 : (x != x) ? 1 : -1;
    return Sign(x, y);
  }
  switch (a.type) {
    case kText:
    case kLongText:
      return CompareCollated(a.bytes, b.bytes);
    case kDate:
    case kTime:
    case kTimestamp: {
      auto* p = reinterpret_cast<const uint8_t*>(a.bytes.data());
      auto* q = reinterpret_cast<const uint8_t*>(b.bytes.data());
      for (size_t i = 0; i + 1 < a.bytes.size() && i + 1 < b.bytes.size(); i += 2) {
        int x = int16_t(be16(p + i)), y = int16_t(be16(q + i));
        if (x != y) return x < y ? -1 : 1;
      }
      return a.bytes.size() == b.bytes.size() ? 0 : a.bytes.size() < b.bytes.size() ? -1 : 1;
    }
    default:
      return Bytes(a.bytes, b.bytes);
  }
}

namespace {

// Integers of one column, the bulk of sort comparisons, without a call.
inline int Compare(const ValueRef& a, const ValueRef& b) {
  if (a.type == kInteger && b.type == kInteger && a.bytes.size() == 4 && b.bytes.size() == 4) {
    int32_t x = int32_t(le32(reinterpret_cast<const uint8_t*>(a.bytes.data())));
    int32_t y = int32_t(le32(reinterpret_cast<const uint8_t*>(b.bytes.data())));
    return (x > y) - (x < y);
  }
  return CompareValues(a, b);
}

}  // namespace

int CompareRows(const ValueRef* a, const ValueRef* b, size_t columns,
                const std::vector<SortKey>& keys) {
  for (const SortKey& k : keys) {
    if (k.column >= columns) continue;
    int c = Compare(a[k.column], b[k.column]);
    if (c) return k.descending ? -c : c;
  }
  for (size_t i = 0; i < columns; ++i) {
    int c = Compare(a[i], b[i]);
    if (c) return c;
  }
  return 0;
}

bool LikeMatch(std::string_view value, std::string_view pattern) {
  // Iterative form of the recursive definition, with the usual backtrack to
  // the last '%', so hostile patterns cannot take exponential time.
  size_t v = 0, p = 0;
  size_t star_p = std::string_view::npos, star_v = 0;
  while (v < value.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      star_p = p++;
      star_v = v;
    } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == value[v])) {
      ++p;
      ++v;
    } else if (star_p != std::string_view::npos) {
      p = star_p + 1;
      v = ++star_v;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

}  // namespace tess::db
