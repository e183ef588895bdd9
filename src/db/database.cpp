// Statement dispatch, transactions and schema cursors.
#include "db/database.h"

#include <variant>

#include "base/byte_order.h"
#include "db/query.h"
#include "db/sql.h"

namespace tess::db {

Database::Database(std::unique_ptr<ByteStream> stream)
    : stream_(std::move(stream)), pager_(stream_.get()), catalog_(&pager_) {
  temp_ = []() -> std::unique_ptr<ByteStream> { return FileStream::CreateTemp(); };
}

Database::~Database() {
  Close();
}

std::unique_ptr<Database> Database::Create(std::unique_ptr<ByteStream> stream, Status* status) {
  std::unique_ptr<Database> db(new Database(std::move(stream)));
  if (!db->pager_.Format() || !db->catalog_.Initialize() || !db->pager_.Commit()) {
    *status = Error(kCannotCreateFile);
    db->closed_ = true;
    return nullptr;
  }
  return db;
}

std::unique_ptr<Database> Database::Open(std::unique_ptr<ByteStream> stream, Status* status) {
  std::unique_ptr<Database> db(new Database(std::move(stream)));
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
  return Create(std::move(stream), status);
}

std::unique_ptr<Database> Database::Open(const std::string& path, Status* status) {
  auto stream = FileStream::Open(path, FileStream::Mode::kReadWrite);
  if (!stream) stream = FileStream::Open(path, FileStream::Mode::kRead);
  if (!stream) {
    *status = Error(kCannotOpenFileAt, {path});
    return nullptr;
  }
  return Open(std::move(stream), status);
}

bool Database::Close() {
  if (closed_) return true;
  closed_ = true;
  bool ok = pager_.Close();
  stream_->Close();
  return ok;
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
    error_ = catalog_.CreateTable(c->table, c->columns, c->key);
  } else if (auto* a = std::get_if<AlterTableStatement>(&statement)) {
    error_ = catalog_.AddColumn(a->table, a->column);
  } else if (auto* i = std::get_if<InsertStatement>(&statement)) {
    error_ = catalog_.InsertRow(i->table, i->values);
  } else if (auto* u = std::get_if<UpdateStatement>(&statement)) {
    error_ = RunUpdate(catalog_, *u);
  } else if (auto* d = std::get_if<DeleteStatement>(&statement)) {
    error_ = RunDelete(catalog_, *d);
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
  error_ = catalog_.InsertRow(table, values);
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
  std::string why;
  if (!pager_.Rollback()) {
    error_ = Error(kCannotWriteFile);
    return false;
  }
  // Tables created or altered in the rolled-back transaction are gone.
  if (!catalog_.Load(&why)) {
    error_ = Error(kFileDamaged);
    return false;
  }
  return true;
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
