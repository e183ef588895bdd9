// Result row storage and the external merge sort.
//
// A sort keeps at most `budget` bytes of column values in its in-memory run.
// When the next row would not fit, the run is sorted and merged with the
// output accumulated so far into two fresh temporary streams (the rows, each
// as u32 length + row; and one u32 position per row, little-endian), and the
// previous streams are released (a temporary file stream deletes its file).
// Rows that never spill stay in memory. After a spill, the last run is
// merged with the accumulated output as the result is read in order, the
// run staying in memory meanwhile; the first read out of order writes that
// merge out to fresh streams. Every row of a sort must have the same number
// of columns.
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

class SortedRun;
class StreamRows;

class Sorter {
 public:
  static constexpr size_t kDefaultBudget = 640000;
  Sorter(std::vector<SortKey> keys, size_t columns, TempStreamFactory temp,
         size_t budget = kDefaultBudget);
  ~Sorter();
  bool Add(std::string_view row);
  // The sorted rows, or nullptr when a temporary stream failed. After
  // spilling, the last run is merged as the rows are read in order.
  std::unique_ptr<RowSet> Finish();
  // Number of times a run was merged into temporary streams.
  size_t spills() const { return spills_; }

 private:
  bool MergeRun();

  std::vector<SortKey> keys_;
  size_t columns_;
  TempStreamFactory temp_;
  size_t budget_;
  std::unique_ptr<SortedRun> run_;
  size_t run_values_ = 0;
  std::unique_ptr<StreamRows> out_;  // the output accumulated so far
  size_t spills_ = 0;
  bool failed_ = false;
};

}  // namespace tess::db
