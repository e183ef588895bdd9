// Catalog storages, table creation, column addition, row insertion and large
// values.
#include "db/catalog.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "base/byte_order.h"
#include "db/collation.h"

namespace tess::db {
namespace {

constexpr char kTablesName[] = "sys$tables";
constexpr char kFieldsName[] = "sys$fields";
constexpr char kBlobName[] = "sys$blob";
constexpr uint8_t kChunkTag = 'C';
constexpr uint8_t kIndexTag = 'X';

std::string_view Body(const uint8_t* entry, size_t length) {
  return {reinterpret_cast<const char*>(entry) + kEntryHeaderSize, length - kEntryHeaderSize};
}

void RecordKeyOf(const uint8_t* entry, size_t, std::string* key) {
  AppendU32Key(be32(entry + kEnRecord), key);
}

void DirectoryKeyOf(const uint8_t* entry, size_t length, std::string* key) {
  std::string_view b = Body(entry, length);
  std::string_view name;
  if (b.size() >= 8) {
    size_t n = be32(reinterpret_cast<const uint8_t*>(b.data()) + 4);
    name = b.substr(8, std::min(n, b.size() - 8));
  }
  *key = Catalog::DirectoryKey(name);
}

// The lists must outlive the tree (table entries stay put for the length of
// an operation; the catalog's own lists are static).
KeyOf RowKeyOf(const std::vector<uint8_t>* types, const std::vector<int>* key) {
  return [types, key, row = std::make_shared<RowView>()](const uint8_t* entry, size_t length,
                                                         std::string* out) {
    if (!row->Parse(Body(entry, length), *types)) return;
    for (int c : *key) AppendStoredKey(row->Field(size_t(c)), out);
  };
}

const std::vector<int> kFirstField = {0};
const std::vector<int> kSecondField = {1};

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  put_be32(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}
std::string U16(uint16_t v) {
  std::string s(2, '\0');
  put_be16(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return true;
}

int TableInfo::ColumnIndex(std::string_view column) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (SameName(columns[i].name, column)) return int(i);
  }
  return -1;
}

const std::vector<uint8_t>& Catalog::TablesTypes() {
  static const std::vector<uint8_t> types = {kInteger, kText};
  return types;
}

const std::vector<uint8_t>& Catalog::FieldsTypes() {
  static const std::vector<uint8_t> types = {kInteger,  kInteger,  kText,   kSmallInt,
                                             kSmallInt, kSmallInt, kInteger};
  return types;
}

std::string Catalog::DirectoryKey(std::string_view name) {
  std::string key = "\x01\x01";
  for (char c : name) key.push_back(char(kCollationWeights[uint8_t(c)]));
  key.push_back('\0');
  return key;
}

bool Catalog::Register(const std::string& name, uint32_t root) {
  Tree dir(pager_, pager_->directory_root(), DirectoryKeyOf);
  std::string body = U32(root) + U32(uint32_t(name.size())) + name;
  return dir.Insert(DirectoryKey(name), body) != 0;
}

bool Catalog::Initialize() {
  uint32_t dir = Tree::CreateRoot(pager_, kDirectoryPage);
  if (dir == kNoPage) return false;
  pager_->set_directory_root(dir);
  pager_->set_free_head_writer([this](uint32_t head) { return StoreFreeHead(head); });
  tables_root_ = Tree::CreateRoot(pager_, kDataPage);
  fields_root_ = Tree::CreateRoot(pager_, kDataPage);
  blob_root_ = Tree::CreateRoot(pager_, kDataPage);
  return blob_root_ != kNoPage && Register(kTablesName, tables_root_) &&
         Register(kFieldsName, fields_root_) && Register(kBlobName, blob_root_);
}

bool Catalog::Directory(std::vector<std::pair<std::string, uint32_t>>* out) {
  Tree dir(pager_, pager_->directory_root(), DirectoryKeyOf);
  TreeCursor c = dir.Begin();
  EntryRef e;
  while (c.Next(&e)) {
    std::string_view b = e.body();
    if (b.size() < 8) return false;
    auto* p = reinterpret_cast<const uint8_t*>(b.data());
    size_t n = be32(p + 4);
    if (n > b.size() - 8) return false;
    out->emplace_back(std::string(b.substr(8, n)), be32(p));
  }
  return !c.damaged();
}

bool Catalog::Load(std::string* why) {
  tables_.clear();
  std::vector<std::pair<std::string, uint32_t>> dir;
  if (!Directory(&dir)) {
    *why = "the storage directory is damaged";
    return false;
  }
  std::map<std::string, uint32_t> roots(dir.begin(), dir.end());
  auto root_of = [&](const std::string& name) {
    auto it = roots.find(name);
    return it == roots.end() ? kNoPage : it->second;
  };
  pager_->set_free_head(root_of(kFreeListName));
  pager_->set_free_head_writer([this](uint32_t head) { return StoreFreeHead(head); });
  tables_root_ = root_of(kTablesName);
  fields_root_ = root_of(kFieldsName);
  blob_root_ = root_of(kBlobName);
  if (tables_root_ == kNoPage || fields_root_ == kNoPage || blob_root_ == kNoPage) {
    *why = "the catalog tables are missing";
    return false;
  }
  Tree tables(pager_, tables_root_, RecordKeyOf);
  TreeCursor c = tables.Begin();
  EntryRef e;
  while (c.Next(&e)) {
    RowView row;
    if (!row.Parse(e.body(), TablesTypes())) continue;
    FieldView id = row.Field(0), name = row.Field(1);
    if (id.type != kInteger || name.type != kText) continue;
    TableInfo t;
    t.id = be32(id.data);
    t.name = std::string(name.bytes());
    t.root = root_of(std::to_string(t.id));
    if (t.root == kNoPage) continue;
    tables_.push_back(std::move(t));
  }
  if (c.damaged()) {
    *why = "the table list is damaged";
    return false;
  }
  struct FieldRow {
    uint32_t number;
    Column column;
    int key_position;
  };
  std::map<uint32_t, std::vector<FieldRow>> fields;
  Tree ftree(pager_, fields_root_, RecordKeyOf);
  c = ftree.Begin();
  while (c.Next(&e)) {
    RowView row;
    if (!row.Parse(e.body(), FieldsTypes())) continue;
    FieldView f[7];
    for (int i = 0; i < 7; ++i) f[i] = row.Field(size_t(i));
    if (f[0].type == kNull || f[1].type == kNull || f[2].type == kNull || f[4].type == kNull) {
      continue;
    }
    FieldRow r;
    r.number = be32(f[1].data);
    r.column.name = std::string(f[2].bytes());
    r.column.length = f[3].type ? be16(f[3].data) : 0;
    r.column.type = uint8_t(be16(f[4].data));
    r.key_position = f[5].type ? int16_t(be16(f[5].data)) : 0;
    r.column.not_null = f[6].type && (be32(f[6].data) & 1);
    fields[be32(f[0].data)].push_back(r);
  }
  if (c.damaged()) {
    *why = "the field list is damaged";
    return false;
  }
  for (TableInfo& t : tables_) {
    auto& rows = fields[t.id];
    std::stable_sort(rows.begin(), rows.end(),
                     [](const FieldRow& a, const FieldRow& b) { return a.number < b.number; });
    std::vector<std::pair<int, int>> key;
    for (const FieldRow& r : rows) {
      if (r.key_position > 0) key.emplace_back(r.key_position, int(t.columns.size()));
      t.columns.push_back(r.column);
      t.types.push_back(r.column.type);
    }
    std::stable_sort(key.begin(), key.end());
    for (auto& k : key) t.key.push_back(k.second);
  }
  return true;
}

const TableInfo* Catalog::FindTable(std::string_view name) const {
  for (const TableInfo& t : tables_) {
    if (SameName(t.name, name)) return &t;
  }
  return nullptr;
}

Tree Catalog::TableTree(const TableInfo& table) {
  if (table.key.empty()) return Tree(pager_, table.root, RecordKeyOf);
  return Tree(pager_, table.root, RowKeyOf(&table.types, &table.key));
}

std::string Catalog::RowKey(const TableInfo& table, std::string_view body) const {
  std::string key;
  if (table.key.empty()) {
    AppendU32Key(pager_->PeekRecordId(), &key);
    return key;
  }
  RowView row;
  if (row.Parse(body, table.types)) {
    for (int c : table.key) AppendStoredKey(row.Field(size_t(c)), &key);
  }
  return key;
}

bool Catalog::InsertFieldRow(uint32_t table_id, size_t number, const Column& column,
                             int key_position) {
  std::vector<StoredValue> v = {U32(table_id), U32(uint32_t(number)), column.name,
                                U16(column.length), U16(column.type)};
  if (key_position > 0 || column.not_null) {
    v.push_back(key_position > 0 ? StoredValue(U16(uint16_t(key_position))) : std::nullopt);
  }
  if (column.not_null) v.push_back(U32(1));
  std::vector<uint8_t> types(FieldsTypes().begin(), FieldsTypes().begin() + long(v.size()));
  std::string body;
  if (!EncodeRow(types, v, &body)) return false;
  std::string key;
  AppendStoredKey(FieldView{kInteger, reinterpret_cast<const uint8_t*>(v[0]->data()), 4}, &key);
  Tree t(pager_, fields_root_, RowKeyOf(&FieldsTypes(), &kFirstField));
  return t.Insert(key, body) != 0;
}

Status Catalog::CreateTable(const std::string& name, const std::vector<Column>& columns,
                            const std::vector<int>& key) {
  if (FindTable(name)) {
    return Error(kTableExists, {name});
  }
  // Checked before anything is written, so a refused table leaves no storage.
  for (const Column& c : columns) {
    if (!IsStorableType(c.type)) {
      return Error(kUnsupportedColumnType, {name});
    }
  }
  Status internal = Error(kCreateInternal, {name});
  for (int k : key) {
    if (k < 0 || size_t(k) >= columns.size()) return internal;
  }
  TableInfo t;
  t.id = pager_->NewRecordId();
  t.name = name;
  t.root = Tree::CreateRoot(pager_, kDataPage);
  if (t.root == kNoPage || !Register(std::to_string(t.id), t.root)) return internal;
  std::vector<StoredValue> row = {U32(t.id), name};
  std::string body;
  if (!EncodeRow(TablesTypes(), row, &body)) return internal;
  std::string tkey;
  AppendStoredKey(FieldView{kText, reinterpret_cast<const uint8_t*>(name.data()), name.size()},
                  &tkey);
  Tree tables(pager_, tables_root_, RowKeyOf(&TablesTypes(), &kSecondField));
  if (!tables.Insert(tkey, body)) return internal;
  for (size_t i = 0; i < columns.size(); ++i) {
    auto at = std::find(key.begin(), key.end(), int(i));
    int position = at == key.end() ? 0 : int(at - key.begin()) + 1;
    if (!InsertFieldRow(t.id, i, columns[i], position)) return internal;
    t.columns.push_back(columns[i]);
    t.types.push_back(columns[i].type);
  }
  t.key = key;
  tables_.push_back(std::move(t));
  return {};
}

Status Catalog::AddColumn(const std::string& table, const Column& column) {
  auto it = std::find_if(tables_.begin(), tables_.end(),
                         [&](const TableInfo& t) { return SameName(t.name, table); });
  if (it == tables_.end()) {
    return Error(kAddColumnNoTable, {column.name, table});
  }
  if (!IsStorableType(column.type)) {
    return Error(kUnsupportedAddedType, {column.name});
  }
  if (!InsertFieldRow(it->id, it->columns.size(), column, 0)) {
    return Error(kCreateInternal, {table});
  }
  it->columns.push_back(column);
  it->types.push_back(column.type);
  return {};
}

Status Catalog::InsertEncoded(const TableInfo& table, std::string_view body, bool key_checked) {
  if (kEntryHeaderSize + body.size() >= kEntryArea + 1) {
    return Error(kDataTooLong);
  }
  std::string key = RowKey(table, body);
  Tree tree = TableTree(table);
  bool duplicate = false;
  uint32_t record = table.key.empty() || key_checked ? tree.Insert(key, body)
                                                     : tree.InsertUnique(key, body, &duplicate);
  if (duplicate) return Error(kPrimaryKeyViolation);
  if (!record) {
    return tree.damaged() ? Error(kFileDamaged) : Error(kCannotWriteFile);
  }
  return {};
}

Status Catalog::InsertRow(
    const std::string& name,
    const std::vector<std::pair<std::string, std::optional<std::string>>>& values) {
  const TableInfo* t = FindTable(name);
  if (!t) return Error(kUnknownTable, {name});
  std::vector<const std::optional<std::string>*> given(t->columns.size(), nullptr);
  for (const auto& [column, value] : values) {
    int i = t->ColumnIndex(column);
    if (i < 0) return Error(kUnknownColumn, {column});
    given[size_t(i)] = &value;
  }
  for (size_t i = 0; i < given.size(); ++i) {
    if (t->columns[i].not_null && (!given[i] || !*given[i])) {
      return Error(kNotNullViolation);
    }
  }
  std::vector<StoredValue> stored(given.size());
  const ErrorText* message_error = nullptr;
  for (size_t i = 0; i < given.size(); ++i) {
    if (!given[i] || !*given[i]) continue;
    std::string s;
    if (IsLargeType(t->types[i])) {
      s = U32(0);  // the reference is filled in once the row is known to fit
    } else if (!ConvertText(t->types[i], **given[i], &s, &message_error)) {
      return Error(*message_error);
    }
    stored[i] = std::move(s);
  }
  std::string body;
  if (!EncodeRow(t->types, stored, &body) || kEntryHeaderSize + body.size() > kEntryArea) {
    return Error(kDataTooLong);
  }
  bool key_has_large = false;
  for (int k : t->key) key_has_large = key_has_large || IsLargeType(t->types[size_t(k)]);
  bool any_large = false;
  for (size_t i = 0; i < given.size(); ++i)
    any_large = any_large || (stored[i] && IsLargeType(t->types[i]));
  // Without large values the insert checks the key itself, in one descent.
  if (!any_large) return InsertEncoded(*t, body);
  if (!t->key.empty() && !key_has_large && TableTree(*t).Contains(RowKey(*t, body))) {
    return Error(kPrimaryKeyViolation);
  }
  for (size_t i = 0; i < given.size(); ++i) {
    if (!stored[i] || !IsLargeType(t->types[i])) continue;
    uint32_t ref;
    if (!WriteBlob(**given[i], &ref)) return Error(kBlobWriteFailed);
    stored[i] = U32(ref);
  }
  EncodeRow(t->types, stored, &body);
  return InsertEncoded(*t, body, !key_has_large);
}

bool Catalog::WriteBlob(std::string_view data, uint32_t* reference) {
  Tree blob(pager_, blob_root_, RecordKeyOf);
  auto put = [&](std::string_view body) -> uint32_t {
    std::string key;
    AppendU32Key(pager_->PeekRecordId(), &key);
    return blob.Insert(key, body);
  };
  if (data.size() <= kBlobChunk) {
    *reference = put(std::string(1, char(kChunkTag)) + std::string(data));
    return *reference != 0;
  }
  std::string index(1, char(kIndexTag));
  uint64_t covered = 0;
  for (size_t at = 0; at < data.size(); at += kBlobChunk) {
    std::string_view chunk = data.substr(at, kBlobChunk);
    uint32_t id = put(std::string(1, char(kChunkTag)) + std::string(chunk));
    if (!id) return false;
    if ((index.size() - 1) / 8 == kBlobIndexPairs) {
      uint32_t full = put(index);
      if (!full) return false;
      index.assign(1, char(kIndexTag));
      index += U32(full) + U32(uint32_t(covered));
    }
    index += U32(id) + U32(uint32_t(chunk.size()));
    covered += chunk.size();
  }
  *reference = put(index);
  return *reference != 0;
}

bool Catalog::FindBlobEntry(uint32_t record, std::string* body) {
  Tree blob(pager_, blob_root_, RecordKeyOf);
  std::string key;
  AppendU32Key(record, &key);
  TreeCursor c = blob.Seek(key);
  EntryRef e;
  if (!c.Next(&e) || e.record() != record || e.length <= kEntryHeaderSize) return false;
  body->assign(e.body());
  return true;
}

bool Catalog::BlobParts(uint32_t reference, std::vector<uint32_t>* parts, std::string* data) {
  if (data) data->clear();
  std::string body;
  if (!FindBlobEntry(reference, &body)) return false;
  parts->push_back(reference);
  if (uint8_t(body[0]) == kChunkTag) {
    if (data) data->assign(body, 1);
    return true;
  }
  // Walk the chain of indexes back to the first, then read the chunks in
  // order. Identifiers must decrease along the chain, so a loop cannot last.
  std::vector<std::string> indexes;
  uint32_t current = reference;
  while (true) {
    if (body.empty() || uint8_t(body[0]) != kIndexTag || (body.size() - 1) % 8) return false;
    indexes.push_back(body);
    auto* p = reinterpret_cast<const uint8_t*>(body.data()) + 1;
    if (body.size() < 9) break;
    uint32_t first = be32(p);
    if (first >= current) return false;
    std::string next;
    if (!FindBlobEntry(first, &next)) return false;
    if (uint8_t(next[0]) != kIndexTag) break;
    current = first;
    parts->push_back(first);
    body = std::move(next);
  }
  uint64_t total = 0;
  for (size_t k = indexes.size(); k-- > 0;) {
    const std::string& ix = indexes[k];
    auto* p = reinterpret_cast<const uint8_t*>(ix.data()) + 1;
    size_t pairs = (ix.size() - 1) / 8;
    for (size_t i = (k + 1 < indexes.size()) ? 1 : 0; i < pairs; ++i) {
      uint32_t id = be32(p + 8 * i);
      parts->push_back(id);
      if (!data) continue;
      std::string chunk;
      if (!FindBlobEntry(id, &chunk) || uint8_t(chunk[0]) != kChunkTag) return false;
      data->append(chunk, 1);
      total += chunk.size();
      if (total > (uint64_t(1) << 30)) return false;
    }
  }
  return true;
}

bool Catalog::ReadBlob(uint32_t reference, std::string* data) {
  std::vector<uint32_t> parts;
  return BlobParts(reference, &parts, data);
}

bool Catalog::DeleteBlob(uint32_t reference) {
  std::vector<uint32_t> parts;
  if (!BlobParts(reference, &parts, nullptr)) return false;
  Tree blob(pager_, blob_root_, RecordKeyOf);
  for (uint32_t id : parts) {
    std::string key;
    AppendU32Key(id, &key);
    TreeCursor c = blob.Seek(key);
    EntryRef e;
    if (c.Next(&e) && e.record() == id && !blob.Delete(e)) return false;
  }
  return true;
}

bool Catalog::ReleaseBlobs(const TableInfo& table, std::vector<uint32_t> references) {
  if (references.empty()) return true;
  std::sort(references.begin(), references.end());
  references.erase(std::unique(references.begin(), references.end()), references.end());
  // Files written before values were copied per row may share one value
  // among rows of a table: a value another row still names stays.
  Tree tree = TableTree(table);
  TreeCursor c = tree.Begin();
  EntryRef e;
  RowView row;
  while (c.Next(&e) && !references.empty()) {
    if (!row.Parse(e.body(), table.types)) continue;
    for (size_t i = 0; i < table.types.size(); ++i) {
      FieldView f = row.Field(i);
      if (!IsLargeType(table.types[i]) || f.type == kNull) continue;
      auto at = std::lower_bound(references.begin(), references.end(), be32(f.data));
      if (at != references.end() && *at == be32(f.data)) references.erase(at);
    }
  }
  if (c.damaged()) return false;
  for (uint32_t r : references) {
    if (!DeleteBlob(r)) return false;
  }
  return true;
}

bool Catalog::StoreFreeHead(uint32_t head) {
  Tree dir(pager_, pager_->directory_root(), DirectoryKeyOf);
  std::string key = DirectoryKey(kFreeListName);
  TreeCursor c = dir.Seek(key);
  EntryRef e;
  std::string k;
  if (c.Next(&e)) {
    DirectoryKeyOf(e.data, e.length, &k);
    if (k == key && e.length >= kDirName) {
      uint8_t* p = pager_->GetForWrite(e.page);
      if (!p) return false;
      put_be32(p + kPageHeaderSize + e.offset + kDirRoot, head);
      return true;
    }
  }
  return Register(kFreeListName, head);
}

}  // namespace tess::db
