// Instance layouts of the database classes and what their parts share.
// Compiled code reads none of these fields directly: every member goes
// through an entry point, so only the header's size is fixed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/object_layout.h"
#include "tessera/database.h"

namespace tess {
struct DatabasePictureHooks;
}

namespace tess::dbc {

struct DatabaseObject {
  ObjectHeader header;
  void* engineData;  // 0: not connected
  const TessDBEngineDefinition* engine;
  TessString* host;  // connection parameters, read by lazy connection
  TessString* databaseName;
  TessString* userName;
  TessString* password;
  int32_t errorCode;  // the database's own error
  TessString* errorMessage;
  uint8_t closed;  // explicitly closed: no lazy connection until Connect
};

struct TessDatabaseObject {
  DatabaseObject base;
  TessObject* databaseFile;  // FolderItem
  uint32_t itemWords[2];     // a project item's two words
};

struct Edit {
  int32_t column;
  std::optional<std::string> value;  // nullopt: Nil
};

struct RecordSetObject {
  ObjectHeader header;
  void* cursorData;  // 0 once closed
  TessObject* database;
  const TessDBCursorDefinition* cursor;
  uint8_t bof;
  uint8_t eof;
  uint8_t editing;
  // Edited fields; after a successful update they stay as the row's values
  // until the cursor moves, so the row reads what was written.
  std::vector<Edit>* edits;
  // The row (from 0) GetRow last stood on, or -1 once anything else moved
  // the set: a list reading rows in order walks the set once.
  int32_t provided;
};

struct DatabaseFieldObject {
  ObjectHeader header;
  TessObject* recordSet;
  int32_t column;  // from 0
};

struct RecordEntry {
  std::string name;
  std::string value;
  int type;
};

struct DatabaseRecordObject {
  ObjectHeader header;
  std::vector<RecordEntry>* entries;
};

// The database's own error; code 0 clears it.
void SetOwnError(DatabaseObject* db, int32_t code, std::string_view message);
// Connects lazily; false (with the reason in the error) when it cannot.
bool EnsureConnected(DatabaseObject* db);
// Executes SQL as databaseSQLExecute does (own error cleared first).
void ExecuteSQL(DatabaseObject* db, std::string_view sql);
// A RecordSet (count 1) over engine cursor data; null for null data.
TessObject* WrapCursor(TessObject* database, void* cursorData, const TessDBCursorDefinition* def);

DatabaseObject* CheckedDatabase(TessObject* object);

// Classes built by the parts, for the builders in database_classes.cpp.
void BuildDatabaseClasses();
void BuildRecordSetClasses();
void BuildRecordClass();
void BuildQueryClass();

// The current row of a RecordSet as DatabaseRecord entries: each column's
// name, text and type; empty when the set has no current row.
std::vector<RecordEntry> RowOf(TessObject* recordSet);
// A new DatabaseRecord (count 1) holding `entries`.
TessObject* MakeRecord(const std::vector<RecordEntry>& entries);
// `sql` with each "?" outside quoted text replaced by `parameter` as a
// quoted SQL text.
std::string WithParameter(std::string_view sql, std::string_view parameter);
ClassObject* BuiltDatabaseClass();
ClassObject* BuiltTessDatabaseClass();

const DatabasePictureHooks& PictureHooks();

// The built-in engine's tables.
const TessDBEngineDefinition* BuiltinEngine();
// Opens or creates the database file of a TessDatabase and makes it the
// object's engine data; false with the object's error set otherwise.
bool ConnectBuiltin(TessDatabaseObject* db, bool create);

}  // namespace tess::dbc
