/* Database engines and their cursors, as the runtime's Database and RecordSet
   classes drive them. The built-in single-file engine fills these tables like
   any plug-in engine would; a plug-in registers its own with
   PluginRegisterDBEngine and PluginRegisterDBCursor and wraps its connection
   and cursor handles in runtime objects with TessdbDatabaseFromDBDatabase
   (or TessConstructDBDatabase) and TessdbCursorFromDBCursor.

   Every entry may be null. The runtime then does without it: execute is the
   road every missing transaction, insert and update entry falls back on,
   through SQL text (see the comments below). Calls use the image calling
   convention (cdecl). Strings an entry returns carry one reference for the
   runtime; strings it is given are borrowed for the call. */
#ifndef TESSERA_DATABASE_H
#define TESSERA_DATABASE_H

#include "tessera/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Column type codes. */
enum {
  kTessDBNull = 0,
  kTessDBSmallInt = 2,
  kTessDBInteger = 3,
  kTessDBBytes = 4,
  kTessDBText = 5,
  kTessDBFloat = 6,
  kTessDBDouble = 7,
  kTessDBDate = 8,
  kTessDBTime = 9,
  kTessDBTimestamp = 10,
  kTessDBBoolean = 12,
  kTessDBOtherBytes = 14,
  kTessDBLongText = 15,
  kTessDBLongBinary = 16
};

/* One column's value by name (a DatabaseRecord's entries, in the order they
   were set) or by index (a cursor's edited fields). The value is text: the
   decimal or 7-significant-digit form of numbers, "yyyy-MM-dd",
   "HH:mm:ss" or both for dates and times, "true"/"false", and every byte of
   a binary value. */
typedef struct TessDBColumnValue {
  int32_t column;   /* edited fields: the column index from 0; records: -1 */
  TessString* name; /* records: the column name; edited fields: nil */
  TessString* value;
  int32_t type;   /* column type code of the value */
  int32_t isNull; /* 1: the value is Nil (SQL NULL) */
} TessDBColumnValue;

/* Native column values as getColumnValue delivers them: smallint 16-bit,
   integer 32-bit, float and double IEEE, all little-endian; date and time
   three big-endian 16-bit fields (year, month, day / hour, minute, second),
   timestamp six; boolean one byte; text and binary their bytes. */

struct TessDBCursorDefinition {
  uint32_t version; /* 1 */
  void (*close)(void* cursor);
  int32_t (*columnCount)(void* cursor);
  TessString* (*columnName)(void* cursor, int32_t column);
  int32_t (*columnType)(void* cursor, int32_t column);
  /* -1 when the cursor cannot tell. */
  int32_t (*recordCount)(void* cursor);
  /* Moves: 1 when a row is current afterwards. A new cursor stands before
     its first row. A cursor without movePrevious, moveFirst or moveLast only
     goes forward. */
  int32_t (*moveNext)(void* cursor);
  int32_t (*movePrevious)(void* cursor);
  int32_t (*moveFirst)(void* cursor);
  int32_t (*moveLast)(void* cursor);
  /* The current row's value of `column`: 1 with the bytes, the type code (0
     for null) and the byte length; the bytes stay valid until
     releaseColumnValue or the next move. */
  int32_t (*getColumnValue)(void* cursor, int32_t column, const void** bytes, int32_t* type,
                            int32_t* length);
  void (*releaseColumnValue)(void* cursor, int32_t column, const void* bytes);
  /* For the generic update and delete: the column's "table!column" name and
     the text of a WHERE condition that selects the current row; 0 when the
     column cannot be written back. */
  int32_t (*columnUpdateInfo)(void* cursor, int32_t column, TessString** qualifiedName,
                              TessString** selection);
  /* Writes the edited fields of the current row itself; 1 when done. */
  int32_t (*update)(void* cursor, const TessDBColumnValue* fields, int32_t count);
  void (*beginEdit)(void* cursor);
  /* Deletes the current row itself; without it the runtime executes
     "DELETE FROM [table] WHERE selection" from column 0's update info. */
  int32_t (*deleteRecord)(void* cursor);
};

struct TessDBEngineDefinition {
  uint32_t version; /* 1 */
  const char* name; /* the engine's name, as TessGetDBDatabaseName's peers see it */
  const TessDBCursorDefinition* cursor; /* the cursors select and the schemas return */
  /* The table proper, in its order. */
  void (*execute)(void* engine, TessString* sql);
  /* Without it: "insert into T(a,b) values (v,'w')" through execute. */
  void (*insertRecord)(void* engine, TessString* table, const TessDBColumnValue* fields,
                       int32_t count);
  /* A cursor's edited fields when its own update entry is missing; 1 when
     done. Without either: UPDATE statements through execute. */
  int32_t (*updateFields)(void* engine, void* cursor, const TessDBColumnValue* fields,
                          int32_t count);
  int32_t (*errorCode)(void* engine);
  TessString* (*errorMessage)(void* engine);
  /* Without them: "commit" and "rollback" through execute. */
  void (*commit)(void* engine);
  void (*rollback)(void* engine);
  /* Named facts about the connection (the built-in engine answers
     "EngineName", "TableCount", "Path"); nil when unknown. */
  TessString* (*getProperty)(void* engine, TessString* name);
  /* Cursors over a SELECT and the schemas (see the Database class); 0 with
     the engine's error set on failure. */
  void* (*select)(void* engine, TessString* sql);
  void* (*tableSchema)(void* engine);
  void* (*fieldSchema)(void* engine, TessString* table);
  /* Lazy connection: the engine data for the database object's Host,
     DatabaseName, UserName and Password (read with the TessGetDB* calls),
     or 0 with the error left in the object (TessDatabaseSetError). */
  void* (*connect)(TessObject* database);
  void (*close)(void* engine);
};

#ifdef __cplusplus
}
#endif

#endif
