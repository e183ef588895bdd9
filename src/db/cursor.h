// Result cursors: rows by index with the current position, BOF and EOF.
//
// A new cursor stands before its first row (BOF set; EOF also set when there
// are no rows). MoveNext from BOF reaches the first row; moving past the last
// row sets EOF, before the first sets BOF. Values of the current row are
// native values (see record.h) with their type code; 0 is null.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/rows.h"
#include "db/sort.h"

namespace tess::db {

struct ResultColumn {
  std::string name;
  uint8_t type = 0;   // declared type code
  std::string table;  // the table a plain column comes from; empty otherwise
};

class Cursor {
 public:
  Cursor(std::vector<ResultColumn> columns, std::unique_ptr<RowSet> rows);

  size_t ColumnCount() const { return columns_.size(); }
  const std::string& ColumnName(size_t column) const { return columns_[column].name; }
  const std::string& ColumnTable(size_t column) const { return columns_[column].table; }
  uint8_t ColumnType(size_t column) const { return columns_[column].type; }
  size_t RecordCount() const { return rows_->size(); }

  bool MoveFirst() { return MoveTo(0); }
  bool MoveNext() { return MoveTo(position_ + 1); }
  bool MovePrevious() { return MoveTo(position_ - 1); }
  bool MoveLast() { return MoveTo(long(rows_->size()) - 1); }
  bool Bof() const { return position_ < 0; }
  bool Eof() const { return position_ >= long(rows_->size()); }
  // Set when a row could not be read back (a temporary stream failed).
  bool failed() const { return failed_; }

  // Current row values; type 0 and no bytes off the rows or out of range.
  uint8_t ValueType(size_t column) const;
  std::string_view NativeValue(size_t column) const;
  std::string Text(size_t column) const;

 private:
  bool MoveTo(long position);
  std::vector<ResultColumn> columns_;
  std::unique_ptr<RowSet> rows_;
  long position_ = -1;
  std::string current_;
  std::vector<ValueRef> values_;
  bool failed_ = false;
};

}  // namespace tess::db
