// The Database and TessDatabase classes: connection, statements, records,
// transactions, schemas and errors, each going to the engine's entry table
// and, where the engine leaves an entry empty, through SQL text instead.
#include <cstddef>
#include <string>

#include "db/classes/database_classes.h"
#include "db/classes/objects.h"
#include "db/classes/sql_text.h"
#include "files/folder_item.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::dbc {

namespace {

ClassObject* g_database = nullptr;
ClassObject* g_tessDatabase = nullptr;

// Not connected and cannot connect: the engine's own codes end at 2011.
constexpr int32_t kNotConnected = 2012;
constexpr const char* kNotConnectedText = "The database is not connected";

const TypeDescriptor kRecordSetType{0, "RecordSet", {}};
const TypeDescriptor kFolderItemType{0, "FolderItem", {}};

int32_t EngineErrorCode(DatabaseObject* db) {
  return db->engineData && db->engine && db->engine->errorCode
             ? db->engine->errorCode(db->engineData)
             : 0;
}

// A connected database's engine data, or null after setting the reason.
void* Engine(DatabaseObject* db) {
  return EnsureConnected(db) ? db->engineData : nullptr;
}

void Destruct(TessObject* object, ClassObject*) {
  auto* db = reinterpret_cast<DatabaseObject*>(object);
  if (db->engineData && db->engine && db->engine->close) db->engine->close(db->engineData);
  db->engineData = nullptr;
  for (TessString** s :
       {&db->host, &db->databaseName, &db->userName, &db->password, &db->errorMessage}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

void TessDatabaseConstruct(TessObject* object, ClassObject*) {
  reinterpret_cast<DatabaseObject*>(object)->engine = BuiltinEngine();
}

void TessDatabaseDestruct(TessObject* object, ClassObject*) {
  auto* db = reinterpret_cast<TessDatabaseObject*>(object);
  UnlockObject(db->databaseFile);
  db->databaseFile = nullptr;
}

// A RecordSet over what `run` gets from the connected engine.
template <typename Run>
TessObject* Select(DatabaseObject* db, Run run) {
  SetOwnError(db, 0, {});
  void* engine = Engine(db);
  if (!engine) return nullptr;
  void* cursor = run(db->engine, engine);
  return cursor ? WrapCursor(AsObject(&db->header), cursor, db->engine->cursor) : nullptr;
}

const ParameterRecord kSQL[] = {{"SQL", &kStringType, {}}};
const ParameterRecord kTable[] = {{"Table", &kStringType, {}}};
const ParameterRecord kInsert[] = {{"Table", &kStringType, {}}, {"Data", nullptr, {}}};
const ParameterRecord kName[] = {{"Name", &kStringType, {}}};

const PropertyRecord kProperties[] = {
    {0, "Error", &kBooleanType, (void*)&databaseErrorGetter, nullptr, 0},
    {0, "ErrorCode", &kIntegerType, (void*)&databaseErrorCodeGetter, nullptr, 0},
    {0, "ErrorMessage", &kStringType, (void*)&databaseErrorStringGetter, nullptr, 0},
    {0, "Host", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     offsetof(DatabaseObject, host)},
    {0, "DatabaseName", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     offsetof(DatabaseObject, databaseName)},
    {0, "UserName", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     offsetof(DatabaseObject, userName)},
    {0, "Password", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     offsetof(DatabaseObject, password)},
};

const MethodRecord kMethods[] = {
    Method("SQLSelect", &kRecordSetType, kSQL, 1, (void*)&databaseSQLSelect),
    Method("SQLExecute", nullptr, kSQL, 1, (void*)&databaseSQLExecute),
    Method("Commit", nullptr, nullptr, 0, (void*)&databaseCommit),
    Method("Rollback", nullptr, nullptr, 0, (void*)&databaseRollback),
    Method("Connect", &kBooleanType, nullptr, 0, (void*)&DatabaseConnect),
    Method("Close", nullptr, nullptr, 0, (void*)&databaseClose),
    Method("InsertRecord", nullptr, kInsert, 2, (void*)&databaseInsertRecord),
    Method("TableSchema", &kRecordSetType, nullptr, 0, (void*)&databaseTableSchema),
    Method("FieldSchema", &kRecordSetType, kTable, 1, (void*)&databaseFieldSchema),
    Method("GetProperty", &kStringType, kName, 1, (void*)&getDatabaseProperty),
};

const PropertyRecord kTessProperties[] = {
    {0, "DatabaseFile", &kFolderItemType, (void*)&TessDatabaseFolderItemGetter,
     (void*)&TessDatabaseFolderItemSetter, 0},
};

const MethodRecord kTessMethods[] = {
    Method("Connect", &kBooleanType, nullptr, 0, (void*)&TessDatabaseConnect),
    Method("CreateDatabaseFile", &kBooleanType, nullptr, 0, (void*)&TessDatabaseCreateDatabaseFile),
};

TessDatabaseObject* CheckedTess(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  if (!IsA(object, g_tessDatabase)) Raise(RuntimeError::kIllegalCast);
  return reinterpret_cast<TessDatabaseObject*>(object);
}

std::vector<TessDBColumnValue> RecordFields(TessObject* record) {
  std::vector<TessDBColumnValue> fields;
  if (!record) return fields;
  if (!IsA(record, DatabaseRecordClass())) Raise(RuntimeError::kIllegalCast);
  for (const RecordEntry& e : *reinterpret_cast<DatabaseRecordObject*>(record)->entries) {
    fields.push_back({-1, MakeString(e.name), MakeString(e.value), e.type, 0});
  }
  return fields;
}

void ReleaseFields(std::vector<TessDBColumnValue>* fields) {
  for (TessDBColumnValue& f : *fields) {
    UnlockString(f.name);
    UnlockString(f.value);
  }
}

}  // namespace

// Plug-ins and variants can hand the entry points any object: one of
// another class is refused as a failed cast rather than read as a database.
DatabaseObject* CheckedDatabase(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  if (!IsA(object, g_database)) Raise(RuntimeError::kIllegalCast);
  return reinterpret_cast<DatabaseObject*>(object);
}

void SetOwnError(DatabaseObject* db, int32_t code, std::string_view message) {
  db->errorCode = code;
  UnlockString(db->errorMessage);
  db->errorMessage = code ? MakeString(message) : nullptr;
}

bool EnsureConnected(DatabaseObject* db) {
  if (db->engineData) return true;
  if (!db->closed && db->engine && db->engine->connect) {
    SetOwnError(db, 0, {});
    void* data = db->engine->connect(AsObject(&db->header));
    if (data) {
      db->engineData = data;
      return true;
    }
    if (db->errorCode) return false;  // the engine said why
  }
  SetOwnError(db, kNotConnected, kNotConnectedText);
  return false;
}

void ExecuteSQL(DatabaseObject* db, std::string_view sql) {
  SetOwnError(db, 0, {});
  void* engine = Engine(db);
  if (!engine) return;
  if (!db->engine->execute) {
    SetOwnError(db, kNotConnected, "The database engine cannot execute statements");
    return;
  }
  StringRef text = StringRef::Adopt(MakeString(sql));
  db->engine->execute(engine, text.get());
}

void BuildDatabaseClasses() {
  FrameworkClassDef def{};
  def.name = "Database";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(DatabaseObject));
  def.destruct = Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_database = BuildFrameworkClass(def);

  FrameworkClassDef tess{};
  tess.name = "TessDatabase";
  tess.superclass = g_database;
  tess.instanceSize = int32_t(sizeof(TessDatabaseObject));
  tess.construct = TessDatabaseConstruct;
  tess.destruct = TessDatabaseDestruct;
  tess.properties = kTessProperties;
  tess.methods = kTessMethods;
  g_tessDatabase = BuildFrameworkClass(tess);
}

ClassObject* BuiltDatabaseClass() {
  return g_database;
}
ClassObject* BuiltTessDatabaseClass() {
  return g_tessDatabase;
}

}  // namespace tess::dbc

using tess::AtEntry;
using tess::MakeString;
using tess::View;
using tess::dbc::CheckedDatabase;
using tess::dbc::DatabaseObject;

extern "C" {

TessObject* databaseSQLSelect(TessObject* database, TessString* sql) {
  return AtEntry([&] {
    return tess::dbc::Select(CheckedDatabase(database), [&](auto* engine, void* data) {
      return engine->select ? engine->select(data, sql) : nullptr;
    });
  });
}

TessObject* databaseTableSchema(TessObject* database) {
  return AtEntry([&] {
    return tess::dbc::Select(CheckedDatabase(database), [&](auto* engine, void* data) {
      return engine->tableSchema ? engine->tableSchema(data) : nullptr;
    });
  });
}

TessObject* databaseFieldSchema(TessObject* database, TessString* table) {
  return AtEntry([&] {
    return tess::dbc::Select(CheckedDatabase(database), [&](auto* engine, void* data) {
      return engine->fieldSchema ? engine->fieldSchema(data, table) : nullptr;
    });
  });
}

void databaseSQLExecute(TessObject* database, TessString* sql) {
  AtEntry([&] { tess::dbc::ExecuteSQL(CheckedDatabase(database), View(sql)); });
}

// Commit and rollback: the engine's entry, else the statement through execute.
static void Transaction(TessObject* database, bool commit) {
  DatabaseObject* db = CheckedDatabase(database);
  tess::dbc::SetOwnError(db, 0, {});
  void* engine = tess::dbc::Engine(db);
  if (!engine) return;
  void (*entry)(void*) = commit ? db->engine->commit : db->engine->rollback;
  if (entry) {
    entry(engine);
  } else {
    tess::dbc::ExecuteSQL(db, commit ? "commit" : "rollback");
  }
}

void databaseCommit(TessObject* database) {
  AtEntry([&] { Transaction(database, true); });
}

void databaseRollback(TessObject* database) {
  AtEntry([&] { Transaction(database, false); });
}

int32_t DatabaseConnect(TessObject* database) {
  return AtEntry([&] {
    DatabaseObject* db = CheckedDatabase(database);
    db->closed = 0;
    return tess::dbc::EnsureConnected(db) ? 1 : 0;
  });
}

void databaseClose(TessObject* database) {
  AtEntry([&] {
    DatabaseObject* db = CheckedDatabase(database);
    if (db->engineData && db->engine && db->engine->close) db->engine->close(db->engineData);
    db->engineData = nullptr;
    db->closed = 1;
  });
}

void databaseInsertRecord(TessObject* database, TessString* table, TessObject* record) {
  AtEntry([&] {
    DatabaseObject* db = CheckedDatabase(database);
    std::vector<TessDBColumnValue> fields = tess::dbc::RecordFields(record);
    struct Release {
      std::vector<TessDBColumnValue>* f;
      ~Release() { tess::dbc::ReleaseFields(f); }
    } release{&fields};
    tess::dbc::SetOwnError(db, 0, {});
    void* engine = tess::dbc::Engine(db);
    if (!engine) return;
    if (db->engine->insertRecord) {
      db->engine->insertRecord(engine, table, fields.data(), int32_t(fields.size()));
      return;
    }
    std::vector<tess::dbc::NamedValue> values;
    for (const TessDBColumnValue& f : fields) {
      values.push_back({std::string(View(f.name)), std::string(View(f.value)), f.type});
    }
    tess::dbc::ExecuteSQL(db, tess::dbc::InsertStatement(View(table), values));
  });
}

TessString* getDatabaseProperty(TessObject* database, TessString* name) {
  return AtEntry([&]() -> TessString* {
    DatabaseObject* db = CheckedDatabase(database);
    void* engine = tess::dbc::Engine(db);
    return engine && db->engine->getProperty ? db->engine->getProperty(engine, name) : nullptr;
  });
}

int32_t databaseErrorGetter(TessObject* database, uint32_t) {
  return AtEntry([&] {
    DatabaseObject* db = CheckedDatabase(database);
    return db->errorCode != 0 || tess::dbc::EngineErrorCode(db) != 0 ? 1 : 0;
  });
}

int32_t databaseErrorCodeGetter(TessObject* database, uint32_t) {
  return AtEntry([&] {
    DatabaseObject* db = CheckedDatabase(database);
    return db->errorCode ? db->errorCode : tess::dbc::EngineErrorCode(db);
  });
}

TessString* databaseErrorStringGetter(TessObject* database, uint32_t) {
  return AtEntry([&]() -> TessString* {
    DatabaseObject* db = CheckedDatabase(database);
    if (db->errorCode) return tess::Share(db->errorMessage);
    if (db->engineData && db->engine && db->engine->errorMessage) {
      return db->engine->errorMessage(db->engineData);
    }
    return nullptr;
  });
}

void TessDatabaseSetError(TessObject* database, int32_t code, TessString* message) {
  AtEntry([&] { tess::dbc::SetOwnError(CheckedDatabase(database), code, View(message)); });
}

TessObject* newTessDatabase(void) {
  return AtEntry([] { return tess::CreateObject(tess::dbc::g_tessDatabase); });
}

TessObject* openTessDatabase(TessObject* file) {
  return AtEntry([&]() -> TessObject* {
    if (!file) return nullptr;
    tess::ObjectRef db = tess::ObjectRef::Adopt(tess::CreateObject(tess::dbc::g_tessDatabase));
    auto* t = reinterpret_cast<tess::dbc::TessDatabaseObject*>(db.get());
    tess::LockObject(file);
    t->databaseFile = file;
    return tess::dbc::ConnectBuiltin(t, false) ? db.Release() : nullptr;
  });
}

TessObject* TessDatabaseFolderItemGetter(TessObject* database, uint32_t) {
  return AtEntry([&] {
    TessObject* file = tess::dbc::CheckedTess(database)->databaseFile;
    tess::LockObject(file);
    return file;
  });
}

void TessDatabaseFolderItemSetter(TessObject* database, uint32_t, TessObject* file) {
  AtEntry([&] {
    tess::dbc::TessDatabaseObject* db = tess::dbc::CheckedTess(database);
    if (file && !tess::IsA(file, tess::FolderItemClass())) {
      tess::Raise(tess::RuntimeError::kIllegalCast);
    }
    tess::LockObject(file);
    tess::UnlockObject(db->databaseFile);
    db->databaseFile = file;
  });
}

int32_t TessDatabaseConnect(TessObject* database) {
  return AtEntry(
      [&] { return tess::dbc::ConnectBuiltin(tess::dbc::CheckedTess(database), false) ? 1 : 0; });
}

int32_t TessDatabaseCreateDatabaseFile(TessObject* database) {
  return AtEntry(
      [&] { return tess::dbc::ConnectBuiltin(tess::dbc::CheckedTess(database), true) ? 1 : 0; });
}

}  // extern "C"
