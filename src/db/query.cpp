// SELECT, UPDATE and DELETE over the table store.
#include "db/query.h"

#include <cmath>
#include <optional>
#include <set>

#include "base/byte_order.h"
#include "db/record.h"

namespace tess::db {
namespace {

Status Damaged() {
  return Error(kFileDamaged);
}

// A page could not be changed: damaged, or the file cannot be written.
Status ChangeFailed(const Tree& tree) {
  return tree.damaged() ? Damaged() : Error(kCannotWriteFile);
}

struct Bound {
  size_t table = 0;
  size_t column = 0;
  uint8_t type = 0;
};

// The WHERE tree with columns resolved, shaped like the parsed one.
struct BoundCondition {
  BoundCondition() = default;
  BoundCondition(const BoundCondition&) = delete;
  BoundCondition& operator=(const BoundCondition&) = delete;
  ~BoundCondition() { FreeChildren(this); }

  uint8_t node = kNodeCompare;
  std::unique_ptr<BoundCondition> left, right;
  Bound column;
  uint8_t function = kFnNone;
  uint8_t op = kOpEq;
  bool right_is_column = false;
  Bound right_column;
  std::string literal;
  // The literal converted once for the column's type.
  int64_t integer = 0;
  double number = 0;
  int16_t fields[3] = {};
  bool fields_ok = false;
};

class Resolver {
 public:
  explicit Resolver(const std::vector<const TableInfo*>& tables) : tables_(tables) {}

  // 0 and `out` set when found; 205 / 206 with `status` otherwise; 1 when an
  // unqualified name matches nothing (callers may then read it as a literal).
  int Find(const ColumnRef& ref, Bound* out, Status* status) {
    std::string written = ref.table.empty() ? ref.column : ref.table + "." + ref.column;
    int found = 0;
    for (size_t t = 0; t < tables_.size(); ++t) {
      if (!ref.table.empty() && !SameName(tables_[t]->name, ref.table)) continue;
      int c = tables_[t]->ColumnIndex(ref.column);
      if (c < 0) continue;
      if (found++ == 0) *out = {t, size_t(c), tables_[t]->types[size_t(c)]};
      if (!ref.table.empty()) break;
    }
    if (found > 1) {
      *status = Error(kAmbiguousColumn, {ref.column});
      return 205;
    }
    if (found == 0) {
      *status = Error(kUnknownResultColumn, {written});
      return ref.table.empty() ? 1 : 206;
    }
    return 0;
  }

  // Walks the right spine in a loop. Left children are single comparisons
  // (the parser chains to the right), which the evaluator relies on.
  bool BindCondition(const Condition& condition, std::unique_ptr<BoundCondition>* out,
                     Status* status) {
    std::unique_ptr<BoundCondition>* slot = out;
    for (const Condition* c = &condition; c; c = c->right.get()) {
      *slot = std::make_unique<BoundCondition>();
      (*slot)->node = c->node;
      if (c->node == kNodeCompare) return BindComparison(*c, slot->get(), status);
      if (!c->left || !c->right || c->left->node != kNodeCompare) break;
      (*slot)->left = std::make_unique<BoundCondition>();
      if (!BindComparison(*c->left, (*slot)->left.get(), status)) return false;
      slot = &(*slot)->right;
    }
    *status = Error(kInternalValidation);
    return false;
  }

 private:
  bool BindComparison(const Condition& c, BoundCondition* b, Status* status) {
    if (Find(c.column, &b->column, status) != 0) return false;
    b->function = c.function;
    b->op = c.op;
    b->literal = c.literal;
    if (c.right_is_column) {
      Status ignored;
      int r = Find(c.right_column, &b->right_column, &ignored);
      if (r == 0) {
        b->right_is_column = true;
      } else if (r == 1) {
        b->literal = c.right_column.column;  // not a column: a bare literal
      } else {
        *status = ignored;
        return false;
      }
    }
    Prepare(b);
    return true;
  }

  static void Prepare(BoundCondition* b) {
    switch (b->column.type) {
      case kSmallInt:
      case kInteger:
        b->integer = DecimalValue(b->literal);
        break;
      case kFloat:
      case kDouble:
        b->number = NumericValue(b->literal);
        break;
      case kDate:
        b->fields_ok = ParseDate(b->literal, b->fields);
        break;
      case kTime:
        b->fields_ok = ParseTime(b->literal, b->fields);
        break;
      case kBoolean: {
        std::string s;
        ConvertText(kBoolean, b->literal, &s);
        b->integer = s[0];
        break;
      }
      default:
        break;
    }
  }

  const std::vector<const TableInfo*>& tables_;
};

bool IsNumber(uint8_t t) {
  return t == kSmallInt || t == kInteger || t == kFloat || t == kDouble;
}
bool IsTextual(uint8_t t) {
  return t == kText || IsLargeType(t);
}

template <typename T>
bool Compare(uint8_t op, T a, T b) {
  switch (op) {
    case kOpEq:
      return a == b;
    case kOpLt:
      return a < b;
    case kOpGt:
      return a > b;
    case kOpLe:
      return a <= b;
    case kOpGe:
      return a >= b;
    case kOpNe:
      return a != b;
    default:
      return false;
  }
}

int CompareBytes(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c) return c;
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

class Evaluator {
 public:
  Evaluator(Catalog& catalog, const std::vector<RowView>& rows) : catalog_(catalog), rows_(rows) {}

  // Down the right spine: `and` stops at the first false term, `or` at the
  // first true one. No recursion, so it folds into the scan loop.
  bool Eval(const BoundCondition& condition) {
    const BoundCondition* c = &condition;
    while (c->node != kNodeCompare) {
      bool left = Test(*c->left);
      if (c->node == kNodeAnd ? !left : left) return left;
      c = c->right.get();
    }
    return Test(*c);
  }

 private:
  bool Test(const BoundCondition& c) {
    FieldView f = rows_[c.column.table].Field(c.column.column);
    if (c.op == kOpIsNull) return f.type == kNull;
    if (c.op == kOpIsNotNull) return f.type != kNull;
    if (f.type == kNull) return false;
    if (c.right_is_column) return CompareColumns(c, f);
    switch (f.type) {
      case kSmallInt:
      case kInteger:
        return Compare<int64_t>(c.op, int64_t(StoredNumber(f.type, f.data)), c.integer);
      case kFloat:
      case kDouble:
        return Compare<double>(c.op, StoredNumber(f.type, f.data), c.number);
      case kDate:
      case kTime:
        return c.fields_ok && CompareFields(c.op, f.data, c.fields);
      case kBoolean:
        return (c.op == kOpEq || c.op == kOpNe) &&
               Compare<int64_t>(c.op, f.data[0] ? 1 : 0, c.integer ? 1 : 0);
      case kText:
        return CompareText(c, f.bytes());
      case kBlob:
      case kLongText:
      case kLongBinary: {
        std::string data;
        if (!catalog_.ReadBlob(be32(f.data), &data)) return false;
        return CompareText(c, data);
      }
      default:
        return false;
    }
  }

  static bool CompareFields(uint8_t op, const uint8_t* p, const int16_t* lit) {
    int c = 0;
    for (int i = 0; i < 3 && c == 0; ++i) {
      int v = int16_t(be16(p + 2 * i));
      c = v < lit[i] ? -1 : v > lit[i] ? 1 : 0;
    }
    return Compare<int>(op, c, 0);
  }

  bool CompareText(const BoundCondition& c, std::string_view value) {
    std::string mapped;
    if (c.function != kFnNone) {
      mapped.assign(value);
      for (char& ch : mapped) {
        if (c.function == kFnUpper && ch >= 'a' && ch <= 'z') ch = char(ch - 32);
        if (c.function == kFnLower && ch >= 'A' && ch <= 'Z') ch = char(ch + 32);
      }
      value = mapped;
    }
    if (c.op == kOpLike) return LikeMatch(value, c.literal);
    if (c.op == kOpNotLike) return !LikeMatch(value, c.literal);
    return Compare<int>(c.op, CompareBytes(value, c.literal), 0);
  }

  bool CompareColumns(const BoundCondition& c, const FieldView& f) {
    FieldView g = rows_[c.right_column.table].Field(c.right_column.column);
    if (g.type == kNull) return false;
    if (IsNumber(f.type) && IsNumber(g.type)) {
      return Compare<double>(c.op, StoredNumber(f.type, f.data), StoredNumber(g.type, g.data));
    }
    if (f.type == g.type && (f.type == kDate || f.type == kTime)) {
      int16_t lit[3];
      for (int i = 0; i < 3; ++i) lit[i] = int16_t(be16(g.data + 2 * i));
      return CompareFields(c.op, f.data, lit);
    }
    if (f.type == kBoolean && g.type == kBoolean) {
      return Compare<int>(c.op, f.data[0] ? 1 : 0, g.data[0] ? 1 : 0);
    }
    if (IsTextual(f.type) && IsTextual(g.type)) {
      std::string a, b;
      if (f.type == kText) {
        a.assign(f.bytes());
      } else if (!catalog_.ReadBlob(be32(f.data), &a)) {
        return false;
      }
      if (g.type == kText) {
        b.assign(g.bytes());
      } else if (!catalog_.ReadBlob(be32(g.data), &b)) {
        return false;
      }
      BoundCondition text;
      text.op = c.op;
      text.function = c.function;
      text.literal = b;
      return CompareText(text, a);
    }
    return false;
  }

  Catalog& catalog_;
  const std::vector<RowView>& rows_;
};

// Walks the cross product of the tables, calling `emit` for every
// combination that satisfies the condition.
// The key to seek when the condition pins the first table's single key
// column with `=` on a literal (alone or in a chain of `and`): then only the
// entries with that key can match. The full condition is still evaluated.
std::optional<std::string> SeekKey(const TableInfo& table, const BoundCondition* where) {
  if (table.key.size() != 1) return std::nullopt;
  size_t key_column = size_t(table.key[0]);
  uint8_t type = table.types[key_column];
  if (IsLargeType(type)) return std::nullopt;
  for (const BoundCondition* c = where; c;) {
    const BoundCondition* test = c->node == kNodeAnd ? c->left.get() : c;
    if (test->node == kNodeCompare && test->op == kOpEq && !test->right_is_column &&
        test->function == kFnNone && test->column.table == 0 && test->column.column == key_column) {
      std::string stored, key;
      if (!ConvertText(type, test->literal, &stored)) return std::nullopt;
      FieldView f{type, reinterpret_cast<const uint8_t*>(stored.data()), stored.size()};
      AppendStoredKey(f, &key);
      return key;
    }
    c = c->node == kNodeAnd ? c->right.get() : nullptr;
  }
  return std::nullopt;
}

// Walks the cross product of the tables, calling `emit` for every
// combination that satisfies the condition.
template <typename Emit>
bool Scan(Catalog& catalog, const std::vector<const TableInfo*>& tables,
          const BoundCondition* where, std::vector<RowView>& rows, std::vector<EntryRef>& refs,
          size_t level, Emit& emit) {
  if (level == tables.size()) {
    Evaluator ev(catalog, rows);
    if (where && !ev.Eval(*where)) return true;
    return emit();
  }
  Tree tree = catalog.TableTree(*tables[level]);
  std::optional<std::string> seek;
  if (level == 0) seek = SeekKey(*tables[0], where);
  TreeCursor c = seek ? tree.Seek(*seek) : tree.Begin();
  EntryRef e;
  while (c.Next(&e)) {
    if (seek && catalog.RowKey(*tables[0], e.body()) != *seek) break;
    if (!rows[level].Parse(e.body(), tables[level]->types)) return false;
    refs[level] = e;
    if (!Scan(catalog, tables, where, rows, refs, level + 1, emit)) return false;
  }
  return !c.damaged();
}

bool AppendField(Catalog& catalog, const FieldView& f, std::string* row) {
  if (f.type == kNull) {
    AppendValue(row, kNull, {});
  } else if (IsLargeType(f.type)) {
    std::string data;
    if (!catalog.ReadBlob(be32(f.data), &data)) return false;
    AppendValue(row, f.type, data);
  } else if (f.type == kText) {
    AppendValue(row, f.type, f.bytes());
  } else {
    AppendValue(row, f.type, NativeFromStored(f.type, f.bytes()));
  }
  return true;
}

struct OutputColumn {
  ResultColumn result;
  bool aggregate = false;
  uint8_t function = kAggNone;
  bool has_source = true;  // false for count(*)
  Bound source;
};

struct AggregateState {
  uint32_t count = 0;
  uint32_t numeric = 0;
  double value = 0;
  bool first = true;
};

// `group` is the GROUP BY column's index in the source rows, -1 without.
std::unique_ptr<RowSet> Aggregate(RowSet& source, const std::vector<OutputColumn>& out, int group,
                                  Status* status) {
  bool grouped = group >= 0;
  size_t g = grouped ? size_t(group) : 0;
  auto result = std::make_unique<MemoryRows>();
  size_t n = out.size();
  std::vector<ValueRef> values;
  std::string first_row, row;
  size_t i = 0, total = source.size();
  std::string_view bytes;
  while (i < total) {
    if (!source.Row(i, &bytes)) {
      *status = Damaged();
      return nullptr;
    }
    first_row.assign(bytes);
    std::vector<ValueRef> first;
    if (!SplitRow(first_row, &first) || first.size() < n || (grouped && g >= first.size())) {
      *status = Error(kInternalValidation);
      return nullptr;
    }
    std::vector<AggregateState> state(n);
    for (; i < total; ++i) {
      if (!source.Row(i, &bytes) || !SplitRow(bytes, &values) || values.size() != first.size()) {
        *status = Damaged();
        return nullptr;
      }
      if (grouped && (values[g].type != first[g].type || values[g].bytes != first[g].bytes)) break;
      for (size_t c = 0; c < n; ++c) {
        if (!out[c].aggregate) continue;
        AggregateState& s = state[c];
        ++s.count;
        double x;
        if (out[c].function == kAggCount || !NativeNumber(values[c].type, values[c].bytes, &x)) {
          continue;
        }
        ++s.numeric;
        switch (out[c].function) {
          case kAggAvg:
            s.value = ((s.numeric - 1) * s.value + x) / s.numeric;
            break;
          case kAggSum:
            s.value += x;
            break;
          case kAggMin:
            if (s.first || x < s.value) s.value = x;
            break;
          case kAggMax:
            if (s.first || x > s.value) s.value = x;
            break;
          default:
            break;
        }
        s.first = false;
      }
    }
    row.clear();
    for (size_t c = 0; c < n; ++c) {
      uint8_t b[8];
      if (!out[c].aggregate) {
        AppendValue(&row, first[c].type, first[c].bytes);
      } else if (out[c].function == kAggCount) {
        put_le32(b, state[c].count);
        AppendValue(&row, kInteger, {reinterpret_cast<char*>(b), 4});
      } else {
        uint64_t bits;
        std::memcpy(&bits, &state[c].value, 8);
        put_le32(b, uint32_t(bits));
        put_le32(b + 4, uint32_t(bits >> 32));
        AppendValue(&row, kDouble, {reinterpret_cast<char*>(b), 8});
      }
    }
    result->Add(row);
  }
  return result;
}

}  // namespace

std::unique_ptr<Cursor> RunSelect(Catalog& catalog, const SelectStatement& select,
                                  const TempStreamFactory& temp, Status* status) {
  std::vector<const TableInfo*> tables;
  for (const std::string& name : select.tables) {
    const TableInfo* t = catalog.FindTable(name);
    if (!t) {
      *status = Error(kInvalidTable, {name});
      return nullptr;
    }
    tables.push_back(t);
  }
  Resolver resolver(tables);
  std::vector<OutputColumn> out;
  bool aggregates = select.group.has_value();
  for (const SelectItem& item : select.items) {
    if (item.kind == SelectItem::Kind::kAll || item.kind == SelectItem::Kind::kTableAll) {
      bool matched = false;
      for (size_t t = 0; t < tables.size(); ++t) {
        if (item.kind == SelectItem::Kind::kTableAll &&
            !SameName(tables[t]->name, item.column.table)) {
          continue;
        }
        matched = true;
        for (size_t c = 0; c < tables[t]->columns.size(); ++c) {
          OutputColumn o;
          o.result = {tables[t]->columns[c].name, tables[t]->types[c], tables[t]->name};
          o.source = {t, c, tables[t]->types[c]};
          out.push_back(o);
        }
      }
      if (!matched) {
        *status = Error(kInvalidTable, {item.column.table});
        return nullptr;
      }
      continue;
    }
    OutputColumn o;
    if (item.kind == SelectItem::Kind::kAggregate) {
      aggregates = true;
      o.aggregate = true;
      o.function = item.function;
      o.has_source = item.function != kAggCount;
      o.result = {item.label, uint8_t(item.function == kAggCount ? kInteger : kDouble), {}};
      if (o.has_source && resolver.Find(item.column, &o.source, status) != 0) return nullptr;
    } else {
      if (resolver.Find(item.column, &o.source, status) != 0) return nullptr;
      o.result = {tables[o.source.table]->columns[o.source.column].name, o.source.type,
                  tables[o.source.table]->name};
    }
    out.push_back(o);
  }
  std::unique_ptr<BoundCondition> where;
  if (select.where && !resolver.BindCondition(*select.where, &where, status)) return nullptr;

  // Source rows: one value per output column, then hidden sort columns or
  // the GROUP BY column.
  std::vector<Bound> hidden;
  std::vector<SortKey> keys;
  size_t visible = out.size();
  size_t group_column = 0;
  if (select.group) {
    Bound g;
    if (resolver.Find(*select.group, &g, status) != 0) return nullptr;
    // A selected column doubles as the GROUP BY column; otherwise it travels
    // hidden after the output columns.
    group_column = visible;
    for (size_t i = 0; i < visible; ++i) {
      if (!out[i].aggregate && out[i].source.table == g.table && out[i].source.column == g.column) {
        group_column = i;
        break;
      }
    }
    if (group_column == visible) hidden.push_back(g);
    keys.push_back({group_column, false});
  } else if (!aggregates) {
    for (const OrderKey& k : select.order) {
      if (k.position > 0) {
        if (size_t(k.position) > visible) {
          *status = Error(kInvalidColumnIndex);
          return nullptr;
        }
        keys.push_back({size_t(k.position - 1), k.descending});
        continue;
      }
      Bound b;
      if (resolver.Find(k.column, &b, status) != 0) return nullptr;
      size_t index = visible + hidden.size();
      for (size_t i = 0; i < visible; ++i) {
        if (!out[i].aggregate && out[i].source.table == b.table &&
            out[i].source.column == b.column) {
          index = i;
          break;
        }
      }
      if (index == visible + hidden.size()) hidden.push_back(b);
      keys.push_back({index, k.descending});
    }
  }
  size_t columns = visible + hidden.size();
  std::unique_ptr<Sorter> sorter;
  std::unique_ptr<MemoryRows> plain;
  if (!keys.empty()) {
    sorter = std::make_unique<Sorter>(keys, columns, temp);
  } else {
    plain = std::make_unique<MemoryRows>();
  }
  std::vector<RowView> rows(tables.size());
  std::vector<EntryRef> refs(tables.size());
  std::string row;
  bool emit_failed = false;
  auto emit = [&]() {
    row.clear();
    for (size_t i = 0; i < columns; ++i) {
      const Bound* b =
          i < visible ? (out[i].has_source ? &out[i].source : nullptr) : &hidden[i - visible];
      bool ok = b ? AppendField(catalog, rows[b->table].Field(b->column), &row)
                  : (AppendValue(&row, kNull, {}), true);
      if (!ok) {
        emit_failed = true;
        return false;
      }
    }
    if (sorter) return sorter->Add(row);
    plain->Add(row);
    return true;
  };
  if (!Scan(catalog, tables, where.get(), rows, refs, 0, emit)) {
    *status = emit_failed || !sorter ? Damaged() : Error(kSortWriteFailed);
    return nullptr;
  }
  std::unique_ptr<RowSet> result;
  if (sorter) {
    result = sorter->Finish();
    if (!result) {
      *status = Error(kSortWriteFailed);
      return nullptr;
    }
  } else {
    result = std::move(plain);
  }
  if (aggregates) {
    result = Aggregate(*result, out, select.group ? int(group_column) : -1, status);
    if (!result) return nullptr;
  }
  std::vector<ResultColumn> names;
  for (const OutputColumn& o : out) names.push_back(o.result);
  return std::make_unique<Cursor>(std::move(names), std::move(result));
}

namespace {

struct Match {
  EntryRef entry;
  std::string body;
};

Status Collect(Catalog& catalog, const TableInfo* table, const Condition* condition,
               std::vector<Match>* matches) {
  std::vector<const TableInfo*> tables = {table};
  Resolver resolver(tables);
  std::unique_ptr<BoundCondition> where;
  Status status;
  if (condition && !resolver.BindCondition(*condition, &where, &status)) return status;
  std::vector<RowView> rows(1);
  std::vector<EntryRef> refs(1);
  auto emit = [&]() {
    matches->push_back({refs[0], std::string(refs[0].body())});
    return true;
  };
  if (!Scan(catalog, tables, where.get(), rows, refs, 0, emit)) return Damaged();
  return {};
}

// The large-value references of a stored row (only of the columns marked in
// `only`, when given).
void LargeValues(const TableInfo& table, std::string_view body, const std::vector<bool>* only,
                 std::vector<uint32_t>* out) {
  RowView row;
  if (!row.Parse(body, table.types)) return;
  for (size_t c = 0; c < table.types.size(); ++c) {
    FieldView f = row.Field(c);
    if (IsLargeType(table.types[c]) && f.type != kNull && (!only || (*only)[c])) {
      out->push_back(be32(f.data));
    }
  }
}

}  // namespace

Status RunDelete(Catalog& catalog, const DeleteStatement& remove) {
  const TableInfo* table = catalog.FindTable(remove.table);
  if (!table) return Error(kInvalidTable, {remove.table});
  std::vector<Match> matches;
  Status s = Collect(catalog, table, remove.where.get(), &matches);
  if (!s.ok()) return s;
  Tree tree = catalog.TableTree(*table);
  std::vector<uint32_t> values;
  for (const Match& m : matches) LargeValues(*table, m.body, nullptr, &values);
  // Deleting moves later entries of a page down: last match first.
  for (size_t i = matches.size(); i-- > 0;) {
    if (!tree.Delete(matches[i].entry)) return ChangeFailed(tree);
  }
  if (!catalog.ReleaseBlobs(*table, values)) return Damaged();
  return {};
}

Status RunUpdate(Catalog& catalog, const UpdateStatement& update) {
  const TableInfo* table = catalog.FindTable(update.table);
  if (!table) return Error(kInvalidTable, {update.table});
  // Convert the new values once. Large values are written per row, so each
  // row owns its copy.
  std::vector<std::pair<size_t, StoredValue>> sets;
  for (const auto& [name, value] : update.assignments) {
    int c = table->ColumnIndex(name);
    if (c < 0) {
      return Error(kUpdateColumnMissing, {name, table->name});
    }
    sets.emplace_back(size_t(c), std::nullopt);
  }
  for (size_t i = 0; i < sets.size(); ++i) {
    const auto& value = update.assignments[i].second;
    size_t c = sets[i].first;
    if (!value) {
      if (table->columns[c].not_null) return Error(kNotNullViolation);
      continue;
    }
    std::string stored;
    const ErrorText* message = nullptr;
    if (IsLargeType(table->types[c])) {
      continue;  // written below, once the rows are known to fit
    } else if (!ConvertText(table->types[c], *value, &stored, &message)) {
      return Error(*message);
    }
    sets[i].second = std::move(stored);
  }
  std::vector<Match> matches;
  Status s = Collect(catalog, table, update.where.get(), &matches);
  if (!s.ok() || matches.empty()) return s;
  std::vector<bool> replaced(table->types.size(), false);
  for (auto& [c, v] : sets) replaced[c] = true;
  std::vector<uint32_t> old_values;
  std::vector<std::string> bodies;
  std::set<std::string> old_keys, new_keys;
  bool key_changes = false;
  for (auto& [c, v] : sets) {
    for (int k : table->key) key_changes = key_changes || size_t(k) == c;
  }
  for (const Match& m : matches) {
    RowView row;
    if (!row.Parse(m.body, table->types)) return Damaged();
    std::vector<StoredValue> values(table->types.size());
    for (size_t c = 0; c < values.size(); ++c) {
      FieldView f = row.Field(c);
      if (f.type != kNull) values[c] = std::string(f.bytes());
    }
    for (size_t i = 0; i < sets.size(); ++i) {
      size_t c = sets[i].first;
      values[c] = sets[i].second;
      if (!update.assignments[i].second || !IsLargeType(table->types[c])) continue;
      uint32_t ref;
      if (!catalog.WriteBlob(*update.assignments[i].second, &ref)) {
        return Error(kBlobWriteFailed);
      }
      values[c] = std::string(4, '\0');
      put_be32(reinterpret_cast<uint8_t*>(values[c]->data()), ref);
    }
    LargeValues(*table, m.body, &replaced, &old_values);
    std::string body;
    if (!EncodeRow(table->types, values, &body) || kEntryHeaderSize + body.size() > kEntryArea) {
      return Error(kDataTooLong);
    }
    if (key_changes) {
      old_keys.insert(catalog.RowKey(*table, m.body));
      if (!new_keys.insert(catalog.RowKey(*table, body)).second) {
        return Error(kPrimaryKeyViolation);
      }
    }
    bodies.push_back(std::move(body));
  }
  Tree tree = catalog.TableTree(*table);
  for (const std::string& k : new_keys) {
    if (!old_keys.count(k) && tree.Contains(k)) {
      return Error(kPrimaryKeyViolation);
    }
  }
  // A row whose key stays is rewritten in place when its page has room; the
  // others leave and come back in key order. Last match first, as the
  // entries after a changed one move.
  std::vector<bool> moved(matches.size(), key_changes);
  for (size_t i = matches.size(); i-- > 0;) {
    if (!key_changes && tree.Replace(matches[i].entry, bodies[i])) continue;
    moved[i] = true;
    if (!tree.Delete(matches[i].entry)) return ChangeFailed(tree);
  }
  // Keys were checked above: unchanged ones were unique already, new ones
  // against each other and the rows that stay.
  for (size_t i = 0; i < bodies.size(); ++i) {
    if (!moved[i]) continue;
    Status st = catalog.InsertEncoded(*table, bodies[i], true);
    if (!st.ok()) return st;
  }
  if (!catalog.ReleaseBlobs(*table, old_values)) return Damaged();
  return {};
}

}  // namespace tess::db
