// The external merge sort and the row sets it produces.
#include "db/sort.h"

#include <algorithm>
#include <array>
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

}  // namespace

class StreamRows final : public RowSet {
 public:
  StreamRows(std::unique_ptr<ByteStream> rows, std::unique_ptr<ByteStream> positions, size_t n)
      : rows_(std::move(rows)),
        positions_(std::move(positions)),
        count_(n),
        row_reader_(rows_.get()),
        position_reader_(positions_.get()) {}
  size_t size() const override { return count_; }
  ByteStream* rows() const { return rows_.get(); }
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

namespace {

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

enum class PrefixKind { kNone, kPartial, kExact };

// Whether a column's prefixes order its values exactly (numbers of one
// type, and nulls), only partly (text), or not at all (anything else, or
// values of several types).
PrefixKind ColumnPrefixKind(const std::vector<ValueRef>& flat, size_t rows, size_t columns,
                            size_t column, uint8_t* column_type) {
  uint8_t& type = *column_type;
  type = kNull;
  for (size_t i = 0; i < rows; ++i) {
    const ValueRef& v = flat[i * columns + column];
    if (v.type == kNull) continue;
    if (type != kNull && v.type != type) return PrefixKind::kNone;
    type = v.type;
    size_t size = v.bytes.size();
    bool sized = (type == kSmallInt && size == 2) || (type == kInteger && size == 4) ||
                 (type == kFloat && size == 4) || (type == kDouble && size == 8) || type == kText ||
                 type == kLongText;
    if (!sized) return PrefixKind::kNone;
  }
  if (type == kText || type == kLongText) return PrefixKind::kPartial;
  return PrefixKind::kExact;  // numbers, or nothing but nulls
}

struct PrefixedIndex {
  uint64_t key[2];
  size_t index;
};

// Stable LSD radix sort by key[0] then key[1], a byte at a time from the
// least significant; the byte positions where every item agrees (most of
// them, for small integers) cost one counting pass for all.
void RadixSort(std::vector<PrefixedIndex>* items) {
  size_t n = items->size();
  if (n < 2) return;
  std::vector<std::array<size_t, 256>> counts(16);
  for (auto& c : counts) c.fill(0);
  for (const PrefixedIndex& it : *items) {
    for (int k = 0; k < 2; ++k) {
      for (int b = 0; b < 8; ++b) ++counts[size_t(k * 8 + b)][(it.key[k] >> (8 * b)) & 0xFF];
    }
  }
  std::vector<PrefixedIndex> other(n);
  for (int pass = 0; pass < 16; ++pass) {
    int k = pass < 8 ? 1 : 0, b = pass % 8;  // the second key is the less significant
    std::array<size_t, 256>& count = counts[size_t(k * 8 + b)];
    if (count[((*items)[0].key[k] >> (8 * b)) & 0xFF] == n) continue;
    size_t at = 0;
    for (size_t& c : count) {
      size_t here = c;
      c = at;
      at += here;
    }
    for (const PrefixedIndex& it : *items) other[count[(it.key[k] >> (8 * b)) & 0xFF]++] = it;
    items->swap(other);
  }
}

}  // namespace

// One in-memory run: rows in arrival order and, once sorted, their values,
// their order and the prefixes that decide it.
//
// Comparisons are settled by order-preserving 64-bit prefixes of the
// comparison's columns in its order (the keys, then the other columns),
// inverted for descending keys. A column of numbers (or nulls) has exact
// prefixes and the next column gets a prefix too; the first column without
// exact prefixes (text, or mixed types) ends the list, and rows whose
// prefixes all tie then fall back to the full row comparison. Equal rows
// keep their arrival order.
class SortedRun {
 public:
  SortedRun(std::vector<SortKey> keys, size_t columns)
      : keys_(std::move(keys)), columns_(columns) {}

  void Add(std::string_view row) {
    offsets_.push_back(bytes_.size());
    bytes_.append(row);
  }
  size_t size() const { return offsets_.size(); }
  void Clear() {
    bytes_.clear();
    offsets_.clear();
    order_.clear();
  }
  bool Sort();
  // The k-th row in sorted order (after Sort).
  std::string_view Sorted(size_t k) const { return Arrived(order_[k]); }

  // A row from outside the run, prepared for comparison with the run's.
  struct Other {
    std::vector<ValueRef> values;
    std::vector<uint64_t> prefixes;
    bool prefixed = false;
  };
  bool Prepare(std::string_view row, Other* other) const;
  // The k-th sorted row against `other`: -1, 0 or 1.
  int Compare(size_t k, const Other& other) const;

 private:
  std::string_view Arrived(size_t i) const {
    size_t end = i + 1 < offsets_.size() ? offsets_[i + 1] : bytes_.size();
    return std::string_view(bytes_).substr(offsets_[i], end - offsets_[i]);
  }
  void RowPrefixes(const ValueRef* row, uint64_t* out) const {
    for (size_t j = 0; j < prefixed_.size(); ++j) {
      uint64_t p = Prefix(row[prefixed_[j].column]);
      out[j] = prefixed_[j].descending ? ~p : p;
    }
  }

  std::vector<SortKey> keys_;
  size_t columns_;
  std::string bytes_;
  std::vector<size_t> offsets_;
  std::vector<ValueRef> flat_;
  std::vector<SortKey> prefixed_;
  std::vector<uint8_t> prefix_types_;
  std::vector<uint64_t> prefixes_;
  bool exact_ = true;
  std::vector<size_t> order_;
};

bool SortedRun::Sort() {
  size_t n = offsets_.size();
  flat_.resize(n * columns_);
  std::vector<ValueRef> one;
  for (size_t i = 0; i < n; ++i) {
    if (!SplitRow(Arrived(i), &one) || one.size() != columns_) return false;
    std::copy(one.begin(), one.end(), flat_.begin() + long(i * columns_));
  }
  std::vector<SortKey> order_columns = keys_;
  for (size_t c = 0; c < columns_; ++c) {
    bool is_key = false;
    for (const SortKey& k : keys_) is_key = is_key || k.column == c;
    // A key column tied as a key ties again here.
    if (!is_key) order_columns.push_back({c, false});
  }
  prefixed_.clear();
  prefix_types_.clear();
  exact_ = true;
  for (const SortKey& k : order_columns) {
    if (k.column >= columns_) continue;
    uint8_t type;
    PrefixKind kind = ColumnPrefixKind(flat_, n, columns_, k.column, &type);
    if (kind == PrefixKind::kNone) {
      exact_ = false;
      break;
    }
    prefixed_.push_back(k);
    prefix_types_.push_back(type);
    if (kind == PrefixKind::kPartial) {
      exact_ = false;
      break;
    }
  }
  size_t m = prefixed_.size();
  prefixes_.resize(n * m);
  for (size_t i = 0; i < n; ++i) RowPrefixes(flat_.data() + i * columns_, prefixes_.data() + i * m);
  // The first two prefixes travel with the index: a stable radix sort on
  // them orders the rows by (first, second prefix, arrival); rows tied on
  // both are then ordered by the rest of the comparison.
  std::vector<PrefixedIndex> items(n);
  for (size_t i = 0; i < n; ++i) {
    items[i] = {{m > 0 ? prefixes_[i * m] : 0, m > 1 ? prefixes_[i * m + 1] : 0}, i};
  }
  RadixSort(&items);
  if (m > 2 || !exact_) {
    auto rest = [&](const PrefixedIndex& x, const PrefixedIndex& y) {
      size_t a = x.index, b = y.index;
      for (size_t j = 2; j < m; ++j) {
        uint64_t p = prefixes_[a * m + j], q = prefixes_[b * m + j];
        if (p != q) return p < q;
      }
      int c = exact_ ? 0
                     : CompareRows(flat_.data() + a * columns_, flat_.data() + b * columns_,
                                   columns_, keys_);
      return c ? c < 0 : a < b;
    };
    for (size_t i = 0; i < n;) {
      size_t j = i + 1;
      while (j < n && items[j].key[0] == items[i].key[0] && items[j].key[1] == items[i].key[1]) ++j;
      if (j - i > 1) std::sort(items.begin() + long(i), items.begin() + long(j), rest);
      i = j;
    }
  }
  order_.resize(n);
  for (size_t i = 0; i < n; ++i) order_[i] = items[i].index;
  return true;
}

bool SortedRun::Prepare(std::string_view row, Other* other) const {
  if (!SplitRow(row, &other->values) || other->values.size() != columns_) return false;
  // Its prefixes compare with the run's when its values have the run's types.
  other->prefixed = true;
  for (size_t j = 0; j < prefixed_.size(); ++j) {
    uint8_t t = other->values[prefixed_[j].column].type;
    if (t != kNull && prefix_types_[j] != kNull && t != prefix_types_[j]) other->prefixed = false;
  }
  other->prefixes.resize(prefixed_.size());
  if (other->prefixed) RowPrefixes(other->values.data(), other->prefixes.data());
  return true;
}

int SortedRun::Compare(size_t k, const Other& other) const {
  size_t i = order_[k];
  const ValueRef* mine = flat_.data() + i * columns_;
  if (!other.prefixed) return CompareRows(mine, other.values.data(), columns_, keys_);
  size_t m = prefixed_.size();
  for (size_t j = 0; j < m; ++j) {
    uint64_t x = prefixes_[i * m + j], y = other.prefixes[j];
    if (x != y) return x < y ? -1 : 1;
  }
  return exact_ ? 0 : CompareRows(mine, other.values.data(), columns_, keys_);
}

namespace {

// The two-way merge of a sorted run with the output accumulated so far
// (rows as u32 length + bytes, in order). On ties the accumulated row, which
// arrived first, comes first.
class Merge {
 public:
  Merge(const SortedRun& run, ByteStream* accumulated, size_t count)
      : run_(run), reader_(accumulated), old_left_(count) {}

  // The next row, valid until the next call; false at the end or, with
  // `failed()`, on a stream or row failure.
  bool Next(std::string_view* row) {
    if (!started_) {
      started_ = true;
      if (!Advance()) return false;
    }
    bool take_run;
    if (k_ == run_.size()) {
      if (!have_old_) return false;
      take_run = false;
    } else {
      take_run = !have_old_ || run_.Compare(k_, old_) < 0;
    }
    if (take_run) {
      *row = run_.Sorted(k_++);
      return true;
    }
    current_.swap(old_row_);
    *row = current_;
    return Advance();
  }
  bool failed() const { return failed_; }

 private:
  // Reads the next accumulated row; false only on failure.
  bool Advance() {
    have_old_ = false;
    if (old_left_ == 0) return true;
    std::string_view h, r;
    if (!reader_.Read(old_at_, 4, &h)) return Fail();
    size_t n = le32(reinterpret_cast<const uint8_t*>(h.data()));
    if (!reader_.Read(old_at_ + 4, n, &r)) return Fail();
    old_row_.assign(r);
    old_at_ += 4 + n;
    --old_left_;
    if (!run_.Prepare(old_row_, &old_)) return Fail();
    have_old_ = true;
    return true;
  }
  bool Fail() {
    failed_ = true;
    return false;
  }

  const SortedRun& run_;
  BlockReader reader_;
  uint64_t old_at_ = 0;
  size_t old_left_;
  std::string old_row_, current_;
  SortedRun::Other old_;
  bool have_old_ = false;
  size_t k_ = 0;
  bool started_ = false;
  bool failed_ = false;
};

// Writes every row of `merge` to fresh temporary streams.
std::unique_ptr<StreamRows> WriteMerge(Merge& merge, size_t count, const TempStreamFactory& temp) {
  auto rows = temp(), positions = temp();
  if (!rows || !positions) return nullptr;
  BufferedWriter wr(rows.get()), wp(positions.get());
  std::string_view row;
  while (merge.Next(&row)) {
    if (wr.written() > 0xFFFFFFFFu - 4 - row.size()) return nullptr;
    if (!wp.Put32(uint32_t(wr.written())) || !wr.Put32(uint32_t(row.size())) || !wr.Append(row)) {
      return nullptr;
    }
  }
  if (merge.failed() || !wr.Flush() || !wp.Flush()) return nullptr;
  return std::make_unique<StreamRows>(std::move(rows), std::move(positions), count);
}

// The last merge, done as the rows are read in order, so that the sorted
// result is never written out whole once more. The first read out of order
// writes the rest of the merge out and reads from there.
class MergingRows final : public RowSet {
 public:
  MergingRows(std::unique_ptr<SortedRun> run, std::unique_ptr<StreamRows> accumulated,
              TempStreamFactory temp)
      : run_(std::move(run)),
        accumulated_(std::move(accumulated)),
        temp_(std::move(temp)),
        merge_(std::make_unique<Merge>(*run_, accumulated_->rows(), accumulated_->size())) {}

  size_t size() const override { return written_ ? written_->size() : Count(); }
  bool Row(size_t index, std::string_view* row) override {
    if (written_) return written_->Row(index, row);
    if (index == next_ && merge_->Next(row)) {
      ++next_;
      return true;
    }
    if (merge_->failed() || index >= Count()) return false;
    Merge again(*run_, accumulated_->rows(), accumulated_->size());
    written_ = WriteMerge(again, Count(), temp_);
    if (!written_) return false;
    merge_.reset();
    run_.reset();
    accumulated_.reset();
    return written_->Row(index, row);
  }

 private:
  size_t Count() const { return accumulated_->size() + run_->size(); }

  std::unique_ptr<SortedRun> run_;
  std::unique_ptr<StreamRows> accumulated_;
  TempStreamFactory temp_;
  std::unique_ptr<Merge> merge_;
  size_t next_ = 0;
  std::unique_ptr<StreamRows> written_;
};

}  // namespace

bool MemoryRows::Row(size_t index, std::string_view* row) {
  if (index >= offsets_.size()) return false;
  size_t end = index + 1 < offsets_.size() ? offsets_[index + 1] : bytes_.size();
  *row = std::string_view(bytes_).substr(offsets_[index], end - offsets_[index]);
  return true;
}

Sorter::Sorter(std::vector<SortKey> keys, size_t columns, TempStreamFactory temp, size_t budget)
    : keys_(std::move(keys)),
      columns_(columns),
      temp_(std::move(temp)),
      budget_(budget),
      run_(std::make_unique<SortedRun>(keys_, columns)) {}

Sorter::~Sorter() = default;

bool Sorter::Add(std::string_view row) {
  if (failed_) return false;
  size_t values = row.size() >= 5 * columns_ ? row.size() - 5 * columns_ : row.size();
  if (run_->size() && run_values_ + values > budget_ && !MergeRun()) {
    failed_ = true;
    return false;
  }
  run_->Add(row);
  run_values_ += values;
  return true;
}

bool Sorter::MergeRun() {
  if (!run_->Sort()) return false;
  ++spills_;
  size_t count = (out_ ? out_->size() : 0) + run_->size();
  Merge merge(*run_, out_ ? out_->rows() : nullptr, out_ ? out_->size() : 0);
  std::unique_ptr<StreamRows> merged = WriteMerge(merge, count, temp_);
  if (!merged) return false;
  out_ = std::move(merged);  // the previous streams go; a temporary file deletes itself
  run_->Clear();
  run_values_ = 0;
  return true;
}

std::unique_ptr<RowSet> Sorter::Finish() {
  if (failed_ || !run_->Sort()) return nullptr;
  if (!out_) {
    // Everything fitted in one run: no temporary streams needed.
    auto rows = std::make_unique<MemoryRows>();
    for (size_t k = 0; k < run_->size(); ++k) rows->Add(run_->Sorted(k));
    return rows;
  }
  if (run_->size() == 0) return std::move(out_);
  return std::make_unique<MergingRows>(std::move(run_), std::move(out_), temp_);
}

}  // namespace tess::db
