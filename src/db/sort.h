// Result row storage and the external merge sort.
//
// A sort keeps at most `budget` bytes of column values in its in-memory run.
// When the next row would not fit, the run is sorted and merged with the
// output accumulated so far into two fresh temporary streams (the rows, each
// as u32 length + row; and one u32 position per row, little-endian), and the
// previous streams are released (a temporary file stream deletes its file).
// Rows that never spill stay in memory. Every row of a sort must have the
// same number of columns.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/rows.h"
#include "db/stream.h"

namespace tess::db {

using TempStreamFactory = std::function<std::unique_ptr<ByteStream>()>;

// Rows by index.
class RowSet {
 public:
  virtual ~RowSet() = default;
  virtual size_t size() const = 0;
  // The row's bytes, valid until the next call; false on a stream failure.
  virtual bool Row(size_t index, std::string_view* row) = 0;
};

class MemoryRows final : public RowSet {
 public:
  void Add(std::string_view row) {
    offsets_.push_back(bytes_.size());
    bytes_.append(row);
  }
  size_t size() const override { return offsets_.size(); }
  bool Row(size_t index, std::string_view* row) override;

 private:
  std::string bytes_;
  std::vector<size_t> offsets_;
};

class Sorter {
 public:
  static constexpr size_t kDefaultBudget = 640000;
  Sorter(std::vector<SortKey> keys, size_t columns, TempStreamFactory temp,
         size_t budget = kDefaultBudget);
  bool Add(std::string_view row);
  // The sorted rows, or nullptr when a temporary stream failed.
  std::unique_ptr<RowSet> Finish();
  // Number of times a run was merged into temporary streams.
  size_t spills() const { return spills_; }

 private:
  bool SortRun(std::vector<size_t>* order);
  bool MergeRun();

  std::vector<SortKey> keys_;
  size_t columns_;
  TempStreamFactory temp_;
  size_t budget_;
  std::string run_;
  std::vector<size_t> run_offsets_;
  size_t run_values_ = 0;
  std::unique_ptr<ByteStream> out_rows_, out_positions_;
  size_t out_count_ = 0;
  size_t spills_ = 0;
  bool failed_ = false;
};

}  // namespace tess::db
