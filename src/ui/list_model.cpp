#include "ui/list_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "tessera/runtime.h"

namespace tess::ui {

WidthExpression ParseWidthExpression(std::string_view text, bool keepNegative) {
  WidthExpression e;
  if (text.empty()) return e;
  char last = text.back();
  std::string_view number = text;
  if (last == '%' || last == '*') number.remove_suffix(1);
  bool digitsOnly = !number.empty();
  for (char c : number)
    if (!(c >= '0' && c <= '9') && c != '.' && c != '-' && c != ' ') digitsOnly = false;
  if (last == '*' && number.empty()) return e;  // "*": factor 1
  if (!digitsOnly) return {WidthKind::kError, 0};
  StringRef s = StringRef::Adopt(MakeString(number));
  double value = StringVal(s.get());
  if (value < 0 && !keepNegative) value = 0;
  e.value = value;
  e.kind = last == '%'   ? WidthKind::kPercent
           : last == '*' ? WidthKind::kRelative
                         : WidthKind::kAbsolute;
  return e;
}

int32_t ListModel::Insert(int32_t row, TessString* text, bool folder) {
  uint8_t depth = 0;
  if (expanding_ >= 0 && expanding_ < Count()) {
    // Rows added while a folder expands are its children, in the order added.
    depth = uint8_t(std::min(rows_[size_t(expanding_)].depth + 1, 255));
    row = row < 0 ? EndOfChildren(expanding_)
                  : std::clamp(row, expanding_ + 1, EndOfChildren(expanding_));
  }
  row = std::clamp(row, 0, Count());
  ListRow r;
  r.folder = folder;
  r.depth = depth;
  ListCell cell;
  cell.text = StringRef::Adopt(Share(text));
  r.cells.push_back(std::move(cell));
  rows_.insert(rows_.begin() + row, std::move(r));
  return row;
}

int32_t ListModel::Append(TessString* text, bool folder) {
  return Insert(expanding_ >= 0 ? -1 : Count(), text, folder);
}

bool ListModel::Remove(int32_t row) {
  if (!Valid(row)) return false;
  int32_t end = EndOfChildren(row);
  rows_.erase(rows_.begin() + row, rows_.begin() + end);
  if (expanding_ >= row) expanding_ = expanding_ < end ? -1 : expanding_ - (end - row);
  return true;
}

ListCell* ListModel::CellAt(int32_t row, int32_t column, bool make) {
  if (!Valid(row) || column < 0 || column >= kMaxListColumns) return nullptr;
  std::vector<ListCell>& cells = rows_[size_t(row)].cells;
  auto at = std::lower_bound(cells.begin(), cells.end(), column,
                             [](const ListCell& c, int32_t col) { return c.column < col; });
  if (at != cells.end() && at->column == column) return &*at;
  if (!make) return nullptr;
  ListCell cell;
  cell.column = uint8_t(column);
  return &*cells.insert(at, std::move(cell));
}

TessString* ListModel::Text(int32_t row, int32_t column) {
  ListCell* c = CellAt(row, column, false);
  return c && c->text.get() ? Share(c->text.get()) : MakeString("");
}

bool ListModel::SetText(int32_t row, int32_t column, TessString* text) {
  ListCell* c = CellAt(row, column, true);
  if (!c) return false;
  c->text = StringRef::Adopt(Share(text));
  return true;
}

int32_t ListModel::EndOfChildren(int32_t row) const {
  if (row < 0 || row >= Count()) return row;
  uint8_t depth = rows_[size_t(row)].depth;
  int32_t end = row + 1;
  while (end < Count() && rows_[size_t(end)].depth > depth) ++end;
  return end;
}

void ListModel::BeginExpand(int32_t row) {
  if (!Valid(row)) return;
  rows_[size_t(row)].expanded = true;
  expanding_ = row;
}

int32_t ListModel::Collapse(int32_t row) {
  if (!Valid(row)) return 0;
  rows_[size_t(row)].expanded = false;
  int32_t end = EndOfChildren(row);
  rows_.erase(rows_.begin() + row + 1, rows_.begin() + end);
  return end - row - 1;
}

int32_t ListModel::SelectedCount() const {
  return int32_t(
      std::count_if(rows_.begin(), rows_.end(), [](const ListRow& r) { return r.selected; }));
}

void ListModel::SelectOnly(int32_t row) {
  for (int32_t i = 0; i < Count(); ++i) rows_[size_t(i)].selected = i == row;
}

int32_t ListModel::MoveRow(int32_t from, int32_t to) {
  if (!Valid(from)) return -1;
  int32_t end = EndOfChildren(from);
  to = std::clamp(to, 0, Count());
  if (to >= from && to <= end) return from;  // onto itself
  std::vector<ListRow> moving(std::make_move_iterator(rows_.begin() + from),
                              std::make_move_iterator(rows_.begin() + end));
  rows_.erase(rows_.begin() + from, rows_.begin() + end);
  if (to > from) to -= end - from;
  // A row dropped among another folder's children becomes one of them.
  int delta = 0;
  if (to > 0 && to <= Count()) {
    const ListRow& above = rows_[size_t(to - 1)];
    int target = above.folder && above.expanded ? above.depth + 1 : above.depth;
    delta = target - moving.front().depth;
  } else {
    delta = -moving.front().depth;
  }
  for (ListRow& r : moving) r.depth = uint8_t(std::clamp(r.depth + delta, 0, 255));
  rows_.insert(rows_.begin() + to, std::make_move_iterator(moving.begin()),
               std::make_move_iterator(moving.end()));
  return to;
}

void ListModel::Sort(int32_t column, bool descending, const Comparer& compare) {
  if (rows_.size() < 2) return;
  auto less = [&](int32_t a, int32_t b) {
    if (compare) {
      if (std::optional<int32_t> r = compare(a, b)) {
        int32_t v = *r;
        if (descending) v = -v;
        if (v != 0) return v < 0;
        if (!descending) return false;  // ascending: 0 is kept as equal
      }
    }
    ListCell* ca = CellAt(a, column, false);
    ListCell* cb = CellAt(b, column, false);
    StringRef empty = StringRef::Adopt(MakeString(""));
    TessString* ta = ca && ca->text.get() ? ca->text.get() : empty.get();
    TessString* tb = cb && cb->text.get() ? cb->text.get() : empty.get();
    int v = RuntimeStringCompare(ta, tb);
    return descending ? v > 0 : v < 0;
  };
  // Sorts the siblings of each level in [begin, end) by their first rows,
  // keeping each one's children beneath it.
  std::vector<int32_t> order;
  order.reserve(rows_.size());
  std::function<void(int32_t, int32_t)> level = [&](int32_t begin, int32_t end) {
    std::vector<int32_t> heads;
    for (int32_t i = begin; i < end; i = EndOfChildren(i)) heads.push_back(i);
    std::stable_sort(heads.begin(), heads.end(), less);
    for (int32_t h : heads) {
      order.push_back(h);
      if (EndOfChildren(h) > h + 1) level(h + 1, EndOfChildren(h));
    }
  };
  level(0, Count());
  std::vector<ListRow> sorted;
  sorted.reserve(rows_.size());
  for (int32_t i : order) sorted.push_back(std::move(rows_[size_t(i)]));
  rows_ = std::move(sorted);
}

void ListModel::SetColumnCount(int32_t count) {
  count = std::clamp(count, 1, kMaxListColumns);
  columns.resize(size_t(count));
}

namespace {

// Pixels of an expression against the list width; a relative one gives 0
// and adds its factor to `stars`.
int32_t Evaluate(const WidthExpression& e, int32_t width, int32_t remaining, int32_t left,
                 double* stars) {
  switch (e.kind) {
    case WidthKind::kAbsolute:
      return int32_t(std::lround(e.value));
    case WidthKind::kPercent:
      return int32_t(std::lround(width * e.value * 0.01));
    case WidthKind::kRelative:
      if (stars) *stars += e.value;
      return 0;
    case WidthKind::kError:
    default:
      return std::max(0, remaining / std::max(left, 1));
  }
}

}  // namespace

void ListModel::LayoutColumns(int32_t width, bool userWidths) {
  int32_t remaining = width;
  double stars = 0;
  size_t n = columns.size();
  std::vector<WidthExpression> exprs(n);
  for (size_t i = 0; i < n; ++i) {
    ListColumnInfo& c = columns[i];
    exprs[i] = userWidths && c.userWidth >= 0 && c.resizable
                   ? WidthExpression{WidthKind::kAbsolute, double(c.userWidth)}
                   : ParseWidthExpression(c.expression[0]);
    int32_t left = int32_t(n - i);
    c.actual[0] = Evaluate(exprs[i], width, remaining, left, &stars);
    remaining -= c.actual[0];
    WidthExpression mn = ParseWidthExpression(c.expression[1], true);
    c.actual[1] = c.expression[1].empty() || mn.kind == WidthKind::kRelative
                      ? 0
                      : std::max(0, Evaluate(mn, width, remaining, left, nullptr));
    WidthExpression mx = ParseWidthExpression(c.expression[2], true);
    c.actual[2] = c.expression[2].empty() || mx.kind == WidthKind::kRelative || mx.value < 0
                      ? -1
                      : Evaluate(mx, width, remaining, left, nullptr);
  }
  if (stars != 0) {
    int32_t pool = std::max(remaining, 0);
    int32_t given = 0;
    size_t lastRelative = n;
    for (size_t i = 0; i < n; ++i)
      if (exprs[i].kind == WidthKind::kRelative) lastRelative = i;
    for (size_t i = 0; i < n; ++i) {
      if (exprs[i].kind != WidthKind::kRelative) continue;
      int32_t w = i == lastRelative && i == n - 1
                      ? pool - given
                      : int32_t(std::lround(exprs[i].value * pool / stars));
      columns[i].actual[0] = std::max(w, 0);
      given += columns[i].actual[0];
    }
  }
  for (ListColumnInfo& c : columns) {
    if (c.actual[2] >= 0) c.actual[0] = std::min(c.actual[0], c.actual[2]);
    c.actual[0] = std::max(c.actual[0], c.actual[1]);
  }
}

int32_t ListModel::TotalWidth() const {
  int64_t total = 0;
  for (const ListColumnInfo& c : columns) total += c.actual[0];
  return int32_t(std::min<int64_t>(total, INT32_MAX));
}

int32_t ListModel::BorderAt(int32_t x, int32_t left) const {
  int32_t best = -1;
  int64_t bestDistance = kBorderSlop + 1;
  int64_t edge = left;
  for (size_t i = 0; i < columns.size(); ++i) {
    edge += columns[i].actual[0];
    if (!columns[i].resizable) continue;
    int64_t distance = edge > x ? edge - x : x - edge;
    if (distance <= bestDistance && distance <= kBorderSlop) {
      bestDistance = distance;
      best = int32_t(i);
    }
  }
  return best;
}

int32_t ListModel::ResizeColumn(int32_t column, int32_t dragged, int32_t width) {
  ListColumnInfo* c = Column(column);
  if (!c) return 0;
  // Bounded so the sums of widths stay far from overflow.
  int32_t w = std::clamp(dragged, kMinColumnWidth, 1 << 20);
  if (c->actual[2] >= 0) w = std::min(w, std::max(c->actual[2], kMinColumnWidth));
  w = std::max(w, c->actual[1]);
  c->userWidth = w;
  LayoutColumns(width);
  return c->actual[0];
}

}  // namespace tess::ui
