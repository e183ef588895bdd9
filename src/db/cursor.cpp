// Result cursor movement and value access.
#include "db/cursor.h"

#include "db/record.h"

namespace tess::db {

Cursor::Cursor(std::vector<ResultColumn> columns, std::unique_ptr<RowSet> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

bool Cursor::MoveTo(long position) {
  long n = long(rows_->size());
  values_.clear();
  if (position < 0) {
    position_ = -1;
    return false;
  }
  if (position >= n) {
    position_ = n;
    return false;
  }
  position_ = position;
  std::string_view row;
  if (!rows_->Row(size_t(position), &row)) {
    failed_ = true;
    return false;
  }
  current_.assign(row);
  if (!SplitRow(current_, &values_)) {
    values_.clear();
    failed_ = true;
    return false;
  }
  return true;
}

uint8_t Cursor::ValueType(size_t column) const {
  return column < values_.size() && column < columns_.size() ? values_[column].type : 0;
}

std::string_view Cursor::NativeValue(size_t column) const {
  return column < values_.size() && column < columns_.size() ? values_[column].bytes
                                                             : std::string_view();
}

std::string Cursor::Text(size_t column) const {
  return NativeText(ValueType(column), NativeValue(column));
}

}  // namespace tess::db
