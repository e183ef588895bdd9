// Plug-in database engines: their registration and the wrapping of their
// handles in Database and RecordSet objects. A registered engine is used
// exactly as the built-in one is: the classes know only the entry tables.
#include <vector>

#include "db/catalog.h"
#include "db/classes/database_classes.h"
#include "db/classes/objects.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess::dbc {

namespace {

std::vector<const TessDBEngineDefinition*>& Engines() {
  static std::vector<const TessDBEngineDefinition*> engines;
  return engines;
}

std::vector<const TessDBCursorDefinition*>& Cursors() {
  static std::vector<const TessDBCursorDefinition*> cursors;
  return cursors;
}

template <typename T>
void Remember(std::vector<const T*>& list, const T* definition) {
  if (!definition || definition->version < 1) return;
  for (const T* known : list) {
    if (known == definition) return;
  }
  list.push_back(definition);
}

TessString* Parameter(TessObject* database, TessString* DatabaseObject::*field) {
  return Share(CheckedDatabase(database)->*field);
}

}  // namespace

void RegisterEngine(const TessDBEngineDefinition* engine) {
  Remember(Engines(), engine);
  if (engine) Remember(Cursors(), engine->cursor);
}

const TessDBEngineDefinition* FindEngine(std::string_view name) {
  for (const TessDBEngineDefinition* e : Engines()) {
    if (e->name && db::SameName(e->name, name)) return e;
  }
  return nullptr;
}

}  // namespace tess::dbc

using tess::AtEntry;
using tess::dbc::CheckedDatabase;
using tess::dbc::DatabaseObject;

extern "C" {

void PluginRegisterDBEngine(const TessDBEngineDefinition* engine) {
  AtEntry([&] { tess::dbc::RegisterEngine(engine); });
}

void PluginRegisterDBCursor(const TessDBCursorDefinition* cursor) {
  AtEntry([&] { tess::dbc::Remember(tess::dbc::Cursors(), cursor); });
}

TessObject* TessdbDatabaseFromDBDatabase(void* engineData, const TessDBEngineDefinition* engine) {
  return AtEntry([&]() -> TessObject* {
    if (!engine) return nullptr;
    TessObject* object = tess::CreateObject(tess::DatabaseClass());
    auto* db = reinterpret_cast<DatabaseObject*>(object);
    db->engine = engine;
    db->engineData = engineData;
    return object;
  });
}

void TessConstructDBDatabase(TessObject* database, void* engineData,
                             const TessDBEngineDefinition* engine) {
  AtEntry([&] {
    DatabaseObject* db = CheckedDatabase(database);
    if (!tess::IsA(database, tess::DatabaseClass())) tess::Raise(tess::RuntimeError::kIllegalCast);
    if (db->engineData && db->engine && db->engine->close && db->engineData != engineData) {
      db->engine->close(db->engineData);
    }
    db->engine = engine;
    db->engineData = engine ? engineData : nullptr;
    db->closed = 0;
  });
}

void* TessGetDBFromTessdbDatabase(TessObject* database, const TessDBEngineDefinition* engine) {
  return AtEntry([&]() -> void* {
    if (!database) return nullptr;
    DatabaseObject* db = CheckedDatabase(database);
    return engine && db->engine == engine ? db->engineData : nullptr;
  });
}

TessObject* TessdbCursorFromDBCursor(TessObject* database, void* cursorData,
                                     const TessDBCursorDefinition* cursor) {
  return AtEntry([&] { return tess::dbc::WrapCursor(database, cursorData, cursor); });
}

TessString* TessGetDBHost(TessObject* database) {
  return AtEntry([&] { return tess::dbc::Parameter(database, &DatabaseObject::host); });
}

TessString* TessGetDBDatabaseName(TessObject* database) {
  return AtEntry([&] { return tess::dbc::Parameter(database, &DatabaseObject::databaseName); });
}

TessString* TessGetDBUserName(TessObject* database) {
  return AtEntry([&] { return tess::dbc::Parameter(database, &DatabaseObject::userName); });
}

TessString* TessGetDBPassword(TessObject* database) {
  return AtEntry([&] { return tess::dbc::Parameter(database, &DatabaseObject::password); });
}

}  // extern "C"
