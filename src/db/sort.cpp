// The external merge sort and the row sets it produces.
#include "db/sort.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "db/collation.h"
#include "db/format.h"
#include "db/record.h"

namespace tess::db {
namespace {

constexpr size_t kBlock = 64 * 1024;

class BufferedWriter {
 public:
  explicit BufferedWriter(ByteStream* s) : s_(s) {}
  bool Put32(uint32_t v) {
    uint8_t b[4];
    put_le32(b, v);
    return Append({reinterpret_cast<char*>(b), 4});
  }
  bool Append(std::string_view bytes) {
    buffer_.append(bytes);
    written_ += bytes.size();
    return buffer_.size() < kBlock || Flush();
  }
  bool Flush() {
    bool ok = buffer_.empty() || s_->Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }
  uint64_t written() const { return written_; }

 private:
  ByteStream* s_;
  std::string buffer_;
  uint64_t written_ = 0;
};

// Reads a stream through a window of kBlock bytes; sequential reads cost one
// host read per block.
class BlockReader {
 public:
  explicit BlockReader(ByteStream* s) : s_(s) {}
  bool Read(uint64_t at, size_t n, std::string_view* out) {
    if (at < start_ || at + n > start_ + window_.size()) {
      size_t want = std::max(n, kBlock);
      window_.resize(want);
      size_t done = 0;
      if (!s_->SetPosition(at) || !s_->Read(window_.data(), want, &done)) return false;
      window_.resize(done);
      start_ = at;
      if (done < n) return false;
    }
    *out = std::string_view(window_).substr(size_t(at - start_), n);
    return true;
  }

 private:
  ByteStream* s_;
  std::string window_;
  uint64_t start_ = 0;
};

class StreamRows final : public RowSet {
 public:
  StreamRows(std::unique_ptr<ByteStream> rows, std::unique_ptr<ByteStream> positions, size_t n)
      : rows_(std::move(rows)),
        positions_(std::move(positions)),
        count_(n),
        row_reader_(rows_.get()),
        position_reader_(positions_.get()) {}
  size_t size() const override { return count_; }
  bool Row(size_t index, std::string_view* row) override {
    std::string_view b;
    if (index >= count_ || !position_reader_.Read(uint64_t(index) * 4, 4, &b)) return false;
    uint64_t at = le32(reinterpret_cast<const uint8_t*>(b.data()));
    if (!row_reader_.Read(at, 4, &b)) return false;
    size_t n = le32(reinterpret_cast<const uint8_t*>(b.data()));
    return row_reader_.Read(at + 4, n, row);
  }

 private:
  std::unique_ptr<ByteStream> rows_, positions_;
  size_t count_;
  BlockReader row_reader_, position_reader_;
};

// Zero for null (and for types without a prefix: then every row ties);
// otherwise ordered like CompareValues for values of one type.
uint64_t Prefix(const ValueRef& v) {
  auto* p = reinterpret_cast<const uint8_t*>(v.bytes.data());
  switch (v.type) {
    case kSmallInt:
      return v.bytes.size() == 2 ? uint64_t(int64_t(int16_t(le16(p)))) + (uint64_t(1) << 63) : 0;
    case kInteger:
      return v.bytes.size() == 4 ? uint64_t(int64_t(int32_t(le32(p)))) + (uint64_t(1) << 63) : 0;
    case kDouble:
    case kFloat: {
      double d;
      if (!NativeNumber(v.type, v.bytes, &d)) return 0;
      if (d != d) return ~uint64_t(0);
      if (d == 0) d = 0;  // -0 and +0 compare equal
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      return (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
    }
    case kText:
    case kLongText: {
      // Seven weights and a marker byte keep 0 free for null.
      uint64_t x = 1;
      for (size_t i = 0; i < 7; ++i) {
        x = (x << 8) | (i < v.bytes.size() ? kCollationWeights[p[i]] : 0);
      }
      return x;
    }
    default:
      return 0;
  }
}

}  // namespace

bool MemoryRows::Row(size_t index, std::string_view* row) {
  if (index >= offsets_.size()) return false;
  size_t end = index + 1 < offsets_.size() ? offsets_[index + 1] : bytes_.size();
  *row = std::string_view(bytes_).substr(offsets_[index], end - offsets_[index]);
  return true;
}

Sorter::Sorter(std::vector<SortKey> keys, size_t columns, TempStreamFactory temp, size_t budget)
    : keys_(std::move(keys)), columns_(columns), temp_(std::move(temp)), budget_(budget) {}

bool Sorter::Add(std::string_view row) {
  if (failed_) return false;
  size_t values = row.size() >= 5 * columns_ ? row.size() - 5 * columns_ : row.size();
  if (!run_offsets_.empty() && run_values_ + values > budget_ && !MergeRun()) {
    failed_ = true;
    return false;
  }
  run_offsets_.push_back(run_.size());
  run_.append(row);
  run_values_ += values;
  return true;
}

bool Sorter::SortRun(std::vector<size_t>* order) {
  size_t n = run_offsets_.size();
  std::vector<ValueRef> flat(n * columns_);
  std::vector<ValueRef> one;
  for (size_t i = 0; i < n; ++i) {
    size_t end = i + 1 < n ? run_offsets_[i + 1] : run_.size();
    if (!SplitRow(std::string_view(run_).substr(run_offsets_[i], end - run_offsets_[i]), &one) ||
        one.size() != columns_) {
      return false;
    }
    std::copy(one.begin(), one.end(), flat.begin() + long(i * columns_));
  }
  // Most comparisons are settled by an order-preserving 64-bit prefix of
  // the first key; equal prefixes fall back to the full row comparison.
  struct Item {
    uint64_t prefix;
    size_t index;
  };
  std::vector<Item> items(n);
  bool descending = !keys_.empty() && keys_[0].descending;
  for (size_t i = 0; i < n; ++i) {
    items[i] = {keys_.empty() ? 0 : Prefix(flat[i * columns_ + keys_[0].column]), i};
  }
  if (!keys_.empty()) {
    // A prefix only orders values of one type.
    uint8_t type = 0;
    for (size_t i = 0; i < n; ++i) {
      uint8_t t = flat[i * columns_ + keys_[0].column].type;
      if (t == kNull) continue;
      if (type && t != type) {
        for (Item& it : items) it.prefix = 0;
        break;
      }
      type = t;
    }
  }
  std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return descending ? a.prefix > b.prefix : a.prefix < b.prefix;
    return CompareRows(&flat[a.index * columns_], &flat[b.index * columns_], columns_, keys_) < 0;
  });
  order->resize(n);
  for (size_t i = 0; i < n; ++i) (*order)[i] = items[i].index;
  return true;
}

bool Sorter::MergeRun() {
  std::vector<size_t> order;
  if (!SortRun(&order)) return false;
  auto rows = temp_(), positions = temp_();
  if (!rows || !positions) return false;
  ++spills_;
  BufferedWriter wr(rows.get()), wp(positions.get());
  auto emit = [&](std::string_view row) {
    if (wr.written() > 0xFFFFFFFFu - 4 - row.size()) return false;
    return wp.Put32(uint32_t(wr.written())) && wr.Put32(uint32_t(row.size())) && wr.Append(row);
  };
  auto run_row = [&](size_t k) {
    size_t i = order[k];
    size_t end = i + 1 < run_offsets_.size() ? run_offsets_[i + 1] : run_.size();
    return std::string_view(run_).substr(run_offsets_[i], end - run_offsets_[i]);
  };
  std::unique_ptr<BlockReader> old;
  if (out_rows_) old = std::make_unique<BlockReader>(out_rows_.get());
  uint64_t old_at = 0;
  size_t old_left = out_count_;
  std::string old_row;
  std::vector<ValueRef> a, b;
  auto next_old = [&]() {
    std::string_view h, r;
    if (!old->Read(old_at, 4, &h)) return false;
    size_t n = le32(reinterpret_cast<const uint8_t*>(h.data()));
    if (!old->Read(old_at + 4, n, &r)) return false;
    old_row.assign(r);
    old_at += 4 + n;
    --old_left;
    return SplitRow(old_row, &b) && b.size() == columns_;
  };
  // 1: a row of the accumulated output is ready; 0: none left; -1: failure.
  auto advance = [&]() { return old_left == 0 ? 0 : next_old() ? 1 : -1; };
  int state = advance();
  if (state < 0) return false;
  bool have_old = state == 1;
  size_t k = 0;
  while (k < order.size() || have_old) {
    bool take_run;
    if (k == order.size()) {
      take_run = false;
    } else if (!have_old) {
      take_run = true;
    } else {
      if (!SplitRow(run_row(k), &a)) return false;
      take_run = CompareRows(a.data(), b.data(), columns_, keys_) < 0;
    }
    if (take_run) {
      if (!emit(run_row(k++))) return false;
    } else {
      if (!emit(old_row)) return false;
      state = advance();
      if (state < 0) return false;
      have_old = state == 1;
    }
  }
  if (!wr.Flush() || !wp.Flush()) return false;
  out_count_ += order.size();
  out_rows_ = std::move(rows);
  out_positions_ = std::move(positions);
  run_.clear();
  run_offsets_.clear();
  run_values_ = 0;
  return true;
}

std::unique_ptr<RowSet> Sorter::Finish() {
  if (failed_) return nullptr;
  if (!out_rows_) {
    // Everything fitted in one run: no temporary streams needed.
    std::vector<size_t> order;
    if (!SortRun(&order)) return nullptr;
    auto rows = std::make_unique<MemoryRows>();
    for (size_t i : order) {
      size_t end = i + 1 < run_offsets_.size() ? run_offsets_[i + 1] : run_.size();
      rows->Add(std::string_view(run_).substr(run_offsets_[i], end - run_offsets_[i]));
    }
    return rows;
  }
  if (!run_offsets_.empty() && !MergeRun()) return nullptr;
  return std::make_unique<StreamRows>(std::move(out_rows_), std::move(out_positions_), out_count_);
}

}  // namespace tess::db
