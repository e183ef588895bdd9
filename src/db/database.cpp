// Statement dispatch, transactions and schema cursors.
#include "db/database.h"

#include <variant>

#include "base/byte_order.h"
#include "db/query.h"
#include "db/record.h"
#include "db/sql.h"

namespace tess::db {

Database::Database(std::unique_ptr<ByteStream> stream, std::unique_ptr<JournalStore> journal)
    : stream_(std::move(stream)),
      journal_(std::move(journal)),
      pager_(stream_.get(), journal_.get()),
      catalog_(&pager_) {
  temp_ = []() -> std::unique_ptr<ByteStream> { return FileStream::CreateTemp(); };
}

Database::~Database() {
  Close();
}

std::unique_ptr<Database> Database::Create(std::unique_ptr<ByteStream> stream, Status* status,
                                           std::unique_ptr<JournalStore> journal) {
  if (!journal) journal = std::make_unique<MemoryJournal>();
  return CreateOn(std::move(stream), std::move(journal), status);
}

std::unique_ptr<Database> Database::Open(std::unique_ptr<ByteStream> stream, Status* status,
                                         std::unique_ptr<JournalStore> journal) {
  if (!journal) journal = std::make_unique<MemoryJournal>();
  return OpenOn(std::move(stream), std::move(journal), status);
}

std::unique_ptr<Database> Database::CreateOn(std::unique_ptr<ByteStream> stream,
                                             std::unique_ptr<JournalStore> journal,
                                             Status* status) {
  std::unique_ptr<Database> db(new Database(std::move(stream), std::move(journal)));
  if (!db->pager_.Format() || !db->catalog_.Initialize() || !db->pager_.Commit()) {
    *status = Error(kCannotCreateFile);
    db->closed_ = true;
    return nullptr;
  }
  return db;
}

std::unique_ptr<Database> Database::OpenOn(std::unique_ptr<ByteStream> stream,
                                           std::unique_ptr<JournalStore> journal, Status* status) {
  std::unique_ptr<Database> db(new Database(std::move(stream), std::move(journal)));
  std::string why;
  if (!db->pager_.Load(&why) || !db->catalog_.Load(&why)) {
    *status = Error(kCannotOpenFileBecause, {why});
    db->closed_ = true;  // nothing of a refused file is written back
    return nullptr;
  }
  return db;
}

std::unique_ptr<Database> Database::Create(const std::string& path, Status* status) {
  auto stream = FileStream::Open(path, FileStream::Mode::kCreate);
  if (!stream) {
    *status = Error(kCannotCreateFileAt, {path});
    return nullptr;
  }
  return CreateOn(std::move(stream), std::make_unique<FileJournal>(path + "-journal"), status);
}

std::unique_ptr<Database> Database::Open(const std::string& path, Status* status) {
  auto stream = FileStream::Open(path, FileStream::Mode::kReadWrite);
  if (!stream) stream = FileStream::Open(path, FileStream::Mode::kRead);
  if (!stream) {
    *status = Error(kCannotOpenFileAt, {path});
    return nullptr;
  }
  return OpenOn(std::move(stream), std::make_unique<FileJournal>(path + "-journal"), status);
}

bool Database::Close() {
  if (closed_) return true;
  closed_ = true;
  bool ok = pager_.Close();
  stream_->Close();
  return ok;
}

template <typename Change>
Status Database::Atomically(const Change& change) {
  pager_.BeginStatement();
  Status s = change();
  if (s.ok()) {
    pager_.EndStatement();
  } else {
    // The catalog's table list changes only after a change succeeded.
    pager_.RollbackStatement();
  }
  return s;
}

void Database::Execute(std::string_view sql) {
  error_ = {};
  if (closed_) return;
  Statement statement;
  Status s = ParseStatement(sql, &statement);
  if (!s.ok()) {
    error_ = s;
    return;
  }
  if (std::holds_alternative<CommitStatement>(statement)) {
    Commit();
  } else if (std::holds_alternative<RollbackStatement>(statement)) {
    Rollback();
  } else if (auto* c = std::get_if<CreateTableStatement>(&statement)) {
    error_ = Atomically([&] { return catalog_.CreateTable(c->table, c->columns, c->key); });
  } else if (auto* a = std::get_if<AlterTableStatement>(&statement)) {
    error_ = Atomically([&] { return catalog_.AddColumn(a->table, a->column); });
  } else if (auto* i = std::get_if<InsertStatement>(&statement)) {
    error_ = Atomically([&] { return catalog_.InsertRow(i->table, i->values); });
  } else if (auto* u = std::get_if<UpdateStatement>(&statement)) {
    error_ = Atomically([&] { return RunUpdate(catalog_, *u); });
  } else if (auto* d = std::get_if<DeleteStatement>(&statement)) {
    error_ = Atomically([&] { return RunDelete(catalog_, *d); });
  }
}

std::unique_ptr<Cursor> Database::Select(std::string_view sql) {
  error_ = {};
  if (closed_) return nullptr;
  SelectStatement select;
  Status s = ParseSelect(sql, &select);
  if (!s.ok()) {
    error_ = s;
    return nullptr;
  }
  auto cursor = RunSelect(catalog_, select, temp_, &s);
  error_ = s;
  return cursor;
}

bool Database::InsertRecord(const std::string& table, const FieldValues& values) {
  error_ = {};
  if (closed_) return false;
  error_ = Atomically([&] { return catalog_.InsertRow(table, values); });
  return error_.ok();
}

bool Database::Commit() {
  error_ = {};
  if (closed_) return false;
  if (!pager_.Commit()) {
    error_ = Error(kCannotWriteFile);
    return false;
  }
  return true;
}

bool Database::Rollback() {
  error_ = {};
  if (closed_) return false;
  // Tables created or altered in the rolled-back transaction are gone.
  return Reload(pager_.Rollback());
}

bool Database::Reload(bool written) {
  std::string why;
  if (!written) {
    error_ = Error(kCannotWriteFile);
    return false;
  }
  if (!catalog_.Load(&why)) {
    error_ = Error(kFileDamaged);
    return false;
  }
  return true;
}

namespace {

// Copies the rows of `table` into the same table of `to`, each large value
// written anew for its row.
Status CopyRows(Catalog& from, const TableInfo& table, Catalog& to) {
  const Status damaged = Error(kFileDamaged);
  const TableInfo* copy = to.FindTable(table.name);
  if (!copy)
    return Error(kCreateInternal, {table.name});
  Tree tree = from.TableTree(table);
  TreeCursor c = tree.Begin();
  EntryRef e;
  RowView row;
  std::string body, data;
  while (c.Next(&e)) {
    if (!row.Parse(e.body(), table.types)) return damaged;
    std::vector<StoredValue> values(table.types.size());
    for (size_t i = 0; i < values.size(); ++i) {
      FieldView f = row.Field(i);
      if (f.type == kNull) continue;
      values[i] = std::string(f.bytes());
      uint32_t ref;
      if (!IsLargeType(table.types[i])) continue;
      if (!from.ReadBlob(be32(f.data), &data)) return damaged;
      if (!to.WriteBlob(data, &ref)) return Error(kBlobWriteFailed);
      put_be32(reinterpret_cast<uint8_t*>(values[i]->data()), ref);
    }
    if (!EncodeRow(copy->types, values, &body)) {
      return Error(kDataTooLong);
    }
    Status s = to.InsertEncoded(*copy, body, true);
    if (!s.ok()) return s;
  }
  return c.damaged() ? damaged : Status{};
}

}  // namespace

bool Database::Vacuum() {
  if (!Commit()) return false;
  // The compact file is built in memory, then written over this one as one
  // transaction (journal first, as any commit).
  Status s;
  auto image = Create(std::make_unique<MemoryStream>(), &s);
  for (size_t i = 0; image && s.ok() && i < catalog_.tables().size(); ++i) {
    const TableInfo& t = catalog_.tables()[i];
    s = image->catalog_.CreateTable(t.name, t.columns, t.key);
    if (s.ok()) s = CopyRows(catalog_, t, image->catalog_);
  }
  if (image && s.ok() && !image->pager_.Close()) {
    s = Error(kCannotWriteFile);
  }
  if (!image || !s.ok()) {
    error_ = s;
    return false;
  }
  image->closed_ = true;
  return Reload(pager_.ReplaceAll(static_cast<MemoryStream&>(*image->stream_).bytes()));
}

std::unique_ptr<Cursor> Database::TableSchema() {
  error_ = {};
  auto rows = std::make_unique<MemoryRows>();
  std::string row;
  for (const TableInfo& t : catalog_.tables()) {
    row.clear();
    AppendValue(&row, kText, t.name);
    rows->Add(row);
  }
  return std::make_unique<Cursor>(std::vector<ResultColumn>{{"TableName", kText, {}}},
                                  std::move(rows));
}

std::unique_ptr<Cursor> Database::FieldSchema(const std::string& table) {
  error_ = {};
  const TableInfo* t = catalog_.FindTable(table);
  if (!t) {
    error_ = Error(kInvalidTable, {table});
    return nullptr;
  }
  auto rows = std::make_unique<MemoryRows>();
  std::string row;
  auto integer = [&](int32_t v) {
    uint8_t b[4];
    put_le32(b, uint32_t(v));
    AppendValue(&row, kInteger, {reinterpret_cast<char*>(b), 4});
  };
  for (size_t c = 0; c < t->columns.size(); ++c) {
    row.clear();
    AppendValue(&row, kText, t->columns[c].name);
    integer(t->columns[c].type);
    bool primary = false;
    for (int k : t->key) primary = primary || size_t(k) == c;
    AppendValue(&row, kBoolean, primary ? "\1" : std::string_view("\0", 1));
    AppendValue(&row, kBoolean, t->columns[c].not_null ? "\1" : std::string_view("\0", 1));
    integer(t->columns[c].length);
    rows->Add(row);
  }
  return std::make_unique<Cursor>(std::vector<ResultColumn>{{"ColumnName", kText, {}},
                                                            {"FieldType", kInteger, {}},
                                                            {"IsPrimary", kBoolean, {}},
                                                            {"NotNull", kBoolean, {}},
                                                            {"Length", kInteger, {}}},
                                  std::move(rows));
}

}  // namespace tess::db
