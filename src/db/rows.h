// Result rows and their ordering.
//
// A row is serialized as, per column: type code (u8), length (u32
// little-endian), native value bytes. Rows travel in this form through the
// sort, its temporary streams and result cursors.
//
// Value comparison (ORDER BY, GROUP BY runs): numbers numerically, text by
// collation weights, date and time chronologically, booleans false before
// true, other bytes unsigned. A null sorts before every value, so the
// ordering stays a strict weak order whatever the data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::db {

struct ValueRef {
  uint8_t type = 0;
  std::string_view bytes;
};

void AppendValue(std::string* row, uint8_t type, std::string_view bytes);
// Splits a row into its values; false when the bytes are malformed.
bool SplitRow(std::string_view row, std::vector<ValueRef>* values);

int CompareValues(const ValueRef& a, const ValueRef& b);

struct SortKey {
  size_t column;
  bool descending;
};

// Sort keys in order, then every column in column order.
int CompareRows(const ValueRef* a, const ValueRef* b, size_t columns,
                const std::vector<SortKey>& keys);

// LIKE: '%' any run, '_' one byte, anything else itself; case-sensitive.
bool LikeMatch(std::string_view value, std::string_view pattern);

}  // namespace tess::db
