// The built-in single-file engine behind TessDatabase, offered through the
// same entry tables a plug-in engine fills. The file and its side journal
// are reached through the DatabaseFile's item, so a database may live on
// any drive or inside a virtual volume.
#include <cstring>
#include <memory>

#include "db/catalog.h"
#include "db/classes/objects.h"
#include "db/classes/sql_text.h"
#include "db/database.h"
#include "db/errors.h"
#include "db/record.h"
#include "files/folder_item.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "values/number_format.h"

namespace tess::dbc {

namespace {

using db::Status;

// The side journal beside the database file, as an item of the same folder.
class ItemJournal final : public db::JournalStore {
 public:
  explicit ItemJournal(std::unique_ptr<files::Item> item) : item_(std::move(item)) {}
  db::ByteStream* Create() override {
    uint32_t error = 0;
    stream_ = item_ ? item_->Open(files::OpenMode::kCreate, &error) : nullptr;
    return stream_.get();
  }
  db::ByteStream* OpenExisting() override {
    if (!item_ || !item_->Exists()) return nullptr;
    uint32_t error = 0;
    stream_ = item_->Open(files::OpenMode::kRead, &error);
    return stream_.get();
  }
  void Close() override { stream_.reset(); }
  bool Remove() override {
    stream_.reset();
    return !item_ || item_->Delete() == 0 || !item_->Exists();
  }

 private:
  std::unique_ptr<files::Item> item_;
  std::unique_ptr<db::ByteStream> stream_;
};

std::unique_ptr<files::Item> JournalItem(const files::Item& file) {
  std::unique_ptr<files::Item> parent = file.Parent();
  return parent ? parent->Child(file.Name() + "-journal") : nullptr;
}

struct Connection {
  std::unique_ptr<db::Database> db;
  std::string path;
};

// The key columns of one table as positions in a cursor's columns.
struct KeyColumns {
  std::string table;
  std::vector<int> columns;  // -1: the key column is not in the cursor
  std::vector<std::string> names;
};

struct BuiltinCursor {
  std::unique_ptr<db::Cursor> cursor;
  std::vector<int> keyOf;  // per cursor column: index into keys, -1 none
  std::vector<KeyColumns> keys;
};

Connection* Conn(void* engine) {
  return static_cast<Connection*>(engine);
}
BuiltinCursor* Cur(void* cursor) {
  return static_cast<BuiltinCursor*>(cursor);
}

BuiltinCursor* Wrap(db::Database& database, std::unique_ptr<db::Cursor> cursor) {
  if (!cursor) return nullptr;
  auto* c = new BuiltinCursor{std::move(cursor), {}, {}};
  size_t n = c->cursor->ColumnCount();
  c->keyOf.assign(n, -1);
  for (size_t i = 0; i < n; ++i) {
    const std::string& table = c->cursor->ColumnTable(i);
    if (table.empty()) continue;
    int found = -1;
    for (size_t k = 0; k < c->keys.size(); ++k) {
      if (db::SameName(c->keys[k].table, table)) found = int(k);
    }
    if (found < 0) {
      const db::TableInfo* info = database.catalog().FindTable(table);
      if (!info) continue;
      KeyColumns key{info->name, {}, {}};
      for (int column : info->key) {
        const std::string& name = info->columns[size_t(column)].name;
        int at = -1;
        for (size_t j = 0; j < n && at < 0; ++j) {
          if (db::SameName(c->cursor->ColumnTable(j), table) &&
              db::SameName(c->cursor->ColumnName(j), name)) {
            at = int(j);
          }
        }
        key.columns.push_back(at);
        key.names.push_back(name);
      }
      c->keys.push_back(std::move(key));
      found = int(c->keys.size() - 1);
    }
    c->keyOf[i] = found;
  }
  return c;
}

// ---- Cursor table

void CursorClose(void* cursor) {
  delete Cur(cursor);
}
int32_t CursorColumnCount(void* cursor) {
  return int32_t(Cur(cursor)->cursor->ColumnCount());
}
bool InRange(void* cursor, int32_t column) {
  return column >= 0 && size_t(column) < Cur(cursor)->cursor->ColumnCount();
}
TessString* CursorColumnName(void* cursor, int32_t column) {
  return InRange(cursor, column) ? MakeString(Cur(cursor)->cursor->ColumnName(size_t(column)))
                                 : nullptr;
}
int32_t CursorColumnType(void* cursor, int32_t column) {
  return InRange(cursor, column) ? Cur(cursor)->cursor->ColumnType(size_t(column)) : 0;
}
int32_t CursorRecordCount(void* cursor) {
  return int32_t(Cur(cursor)->cursor->RecordCount());
}
int32_t CursorMoveNext(void* cursor) {
  return Cur(cursor)->cursor->MoveNext();
}
int32_t CursorMovePrevious(void* cursor) {
  return Cur(cursor)->cursor->MovePrevious();
}
int32_t CursorMoveFirst(void* cursor) {
  return Cur(cursor)->cursor->MoveFirst();
}
int32_t CursorMoveLast(void* cursor) {
  return Cur(cursor)->cursor->MoveLast();
}

int32_t CursorGetColumnValue(void* cursor, int32_t column, const void** bytes, int32_t* type,
                             int32_t* length) {
  db::Cursor& c = *Cur(cursor)->cursor;
  if (!InRange(cursor, column) || c.Bof() || c.Eof()) return 0;
  std::string_view native = c.NativeValue(size_t(column));
  *bytes = native.data();
  *type = c.ValueType(size_t(column));
  *length = int32_t(native.size());
  return 1;
}

int32_t CursorUpdateInfo(void* cursor, int32_t column, TessString** qualifiedName,
                         TessString** selection) {
  BuiltinCursor* c = Cur(cursor);
  if (!InRange(cursor, column) || c->keyOf[size_t(column)] < 0) return 0;
  if (c->cursor->Bof() || c->cursor->Eof()) return 0;
  const KeyColumns& key = c->keys[size_t(c->keyOf[size_t(column)])];
  std::vector<KeyValue> values;
  for (size_t i = 0; i < key.columns.size(); ++i) {
    if (key.columns[i] < 0) return 0;
    auto at = size_t(key.columns[i]);
    values.push_back(
        {key.names[i], c->cursor->ValueType(at), std::string(c->cursor->NativeValue(at))});
  }
  std::optional<std::string> where = RowSelection(values);
  if (!where) return 0;
  *qualifiedName = MakeString(key.table + "!" + c->cursor->ColumnName(size_t(column)));
  *selection = MakeString(*where);
  return 1;
}

const TessDBCursorDefinition kCursor = {
    1,
    CursorClose,
    CursorColumnCount,
    CursorColumnName,
    CursorColumnType,
    CursorRecordCount,
    CursorMoveNext,
    CursorMovePrevious,
    CursorMoveFirst,
    CursorMoveLast,
    CursorGetColumnValue,
    nullptr,  // values live with the row
    CursorUpdateInfo,
    nullptr,  // updates go through SQL text
    nullptr,
    nullptr,  // deletes go through SQL text
};

// ---- Engine table

void EngineExecute(void* engine, TessString* sql) {
  Conn(engine)->db->Execute(View(sql));
}

// A record's date value carries date and time; a column of one of them
// takes its part.
std::string ForColumn(const db::TableInfo* table, const RecordEntry& e) {
  if (!table || e.type != db::kTimestamp) return e.value;
  int column = table->ColumnIndex(e.name);
  if (column < 0) return e.value;
  size_t space = e.value.find(' ');
  if (space == std::string::npos) return e.value;
  uint8_t type = table->types[size_t(column)];
  if (type == db::kDate) return e.value.substr(0, space);
  if (type == db::kTime) return e.value.substr(space + 1);
  return e.value;
}

void EngineInsertRecord(void* engine, TessString* table, const TessDBColumnValue* fields,
                        int32_t count) {
  db::Database& database = *Conn(engine)->db;
  std::string name(View(table));
  const db::TableInfo* info = database.catalog().FindTable(name);
  db::FieldValues values;
  for (int32_t i = 0; i < count; ++i) {
    const TessDBColumnValue& f = fields[i];
    RecordEntry e{std::string(View(f.name)), std::string(View(f.value)), f.type};
    if (f.isNull) {
      values.emplace_back(e.name, std::nullopt);
    } else {
      values.emplace_back(e.name, ForColumn(info, e));
    }
  }
  database.InsertRecord(name, values);
}

int32_t EngineErrorCode(void* engine) {
  return Conn(engine)->db->ErrorCode();
}
TessString* EngineErrorMessage(void* engine) {
  return MakeString(Conn(engine)->db->ErrorMessage());
}
void EngineCommit(void* engine) {
  Conn(engine)->db->Commit();
}
void EngineRollback(void* engine) {
  Conn(engine)->db->Rollback();
}

TessString* EngineGetProperty(void* engine, TessString* name) {
  std::string_view what = View(name);
  if (db::SameName(what, "EngineName")) return MakeString("Tessera");
  if (db::SameName(what, "Path")) return MakeString(Conn(engine)->path);
  if (db::SameName(what, "TableCount")) {
    return MakeString(std::to_string(Conn(engine)->db->tables().size()));
  }
  return nullptr;
}

void* EngineSelect(void* engine, TessString* sql) {
  db::Database& database = *Conn(engine)->db;
  return Wrap(database, database.Select(View(sql)));
}
void* EngineTableSchema(void* engine) {
  db::Database& database = *Conn(engine)->db;
  return Wrap(database, database.TableSchema());
}
void* EngineFieldSchema(void* engine, TessString* table) {
  db::Database& database = *Conn(engine)->db;
  return Wrap(database, database.FieldSchema(std::string(View(table))));
}

void* EngineConnect(TessObject* database) {
  auto* db = reinterpret_cast<TessDatabaseObject*>(database);
  if (db->base.header.cls && IsA(database, BuiltTessDatabaseClass()) && ConnectBuiltin(db, false)) {
    return db->base.engineData;
  }
  return nullptr;
}

void EngineClose(void* engine) {
  Connection* c = Conn(engine);
  c->db->Close();
  delete c;
}

const TessDBEngineDefinition kEngine = {
    1,
    "Tessera",
    &kCursor,
    EngineExecute,
    EngineInsertRecord,
    nullptr,  // updates go through SQL text
    EngineErrorCode,
    EngineErrorMessage,
    EngineCommit,
    EngineRollback,
    EngineGetProperty,
    EngineSelect,
    EngineTableSchema,
    EngineFieldSchema,
    EngineConnect,
    EngineClose,
};

}  // namespace

const TessDBEngineDefinition* BuiltinEngine() {
  return &kEngine;
}

bool ConnectBuiltin(TessDatabaseObject* db, bool create) {
  DatabaseObject* base = &db->base;
  if (!db->databaseFile) {
    SetOwnError(base, 1, "A Database file was not specified");
    return false;
  }
  files::Item* item = reinterpret_cast<FolderItemObject*>(db->databaseFile)->item;
  if (!item) {
    SetOwnError(base, db::kCannotOpenFileAt.code, "Unable to open the database file");
    return false;
  }
  if (base->engineData && base->engine && base->engine->close) {
    base->engine->close(base->engineData);
  }
  base->engineData = nullptr;
  uint32_t error = 0;
  std::unique_ptr<db::ByteStream> stream;
  if (create) {
    stream = item->Open(files::OpenMode::kCreate, &error);
  } else {
    stream = item->Open(files::OpenMode::kReadWrite, &error);
    if (!stream && item->Exists()) stream = item->Open(files::OpenMode::kRead, &error);
  }
  std::string path = item->Path();
  if (!stream) {
    Status s = db::Error(create ? db::kCannotCreateFileAt : db::kCannotOpenFileAt, {path});
    SetOwnError(base, s.code, s.message);
    return false;
  }
  Status status;
  auto journal = std::make_unique<ItemJournal>(JournalItem(*item));
  std::unique_ptr<db::Database> database =
      create ? db::Database::Create(std::move(stream), &status, std::move(journal))
             : db::Database::Open(std::move(stream), &status, std::move(journal));
  if (!database) {
    SetOwnError(base, status.code, status.message);
    return false;
  }
  base->engineData = new Connection{std::move(database), path};
  base->engine = &kEngine;
  base->closed = 0;
  SetOwnError(base, 0, {});
  return true;
}

}  // namespace tess::dbc
