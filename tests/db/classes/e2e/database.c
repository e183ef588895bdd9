/* The database classes from compiled code: a database file made next to the
   image, a table created, rows inserted with a DatabaseRecord and with
   SQLExecute, selected and walked, one edited and updated through the
   RecordSet, a delete rolled back, a bad statement's error read, the
   database closed and reopened, and the project's database item used
   without an explicit Connect. tessdb reads the file afterwards. */
#include "../../../image/e2e/startup/say.h"

extern TessString kFile;

/* The project database item's name: its bytes, as the item record points
   at them. */
char kItemName[] = "e2e_db.tdb";

static TessString* str(const char* text) {
  return TessBuildString(text, (int32_t)host_strlen(text));
}

static void print(const char* label, TessString* s) {
  host_write(1, label, host_strlen(label));
  say(StringToCString(s));
  RuntimeUnlockString(s);
}

static void number(const char* label, int32_t n) {
  print(label, StringStr((double)n));
}

static void exec(TessObject* db, const char* sql) {
  TessString* s = str(sql);
  databaseSQLExecute(db, s);
  RuntimeUnlockString(s);
  if (databaseErrorGetter(db, 0)) {
    number("error ", databaseErrorCodeGetter(db, 0));
    print("message ", databaseErrorStringGetter(db, 0));
  }
}

static TessObject* field(TessObject* rs, const char* name) {
  TessString* s = str(name);
  TessObject* f = cursorGetFieldByName(rs, s);
  RuntimeUnlockString(s);
  return f;
}

/* Every row of a query, fields joined by " | ". */
static void walk(TessObject* db, const char* sql) {
  TessString* s = str(sql);
  TessObject* rs = databaseSQLSelect(db, s);
  int32_t i, n;
  RuntimeUnlockString(s);
  if (!rs) {
    number("no record set: error ", databaseErrorCodeGetter(db, 0));
    print("message ", databaseErrorStringGetter(db, 0));
    return;
  }
  n = cursorFieldCount(rs, 0);
  number("rows ", RecordSetRecordCount(rs, 0));
  for (cursorMoveNext(rs); !cursorEOFGetter(rs, 0); cursorMoveNext(rs)) {
    for (i = 1; i <= n; ++i) {
      TessObject* f = cursorGetFieldByIndex(rs, i);
      TessString* v = cursorFieldStringValueGetter(f, 0);
      host_write(1, i > 1 ? " | " : "  ", i > 1 ? 3 : 2);
      host_write(1, StringToCString(v), host_strlen(StringToCString(v)));
      RuntimeUnlockString(v);
      RuntimeUnlockObject(f);
    }
    host_write(1, "\n", 1);
  }
  RuntimeUnlockObject(rs);
}

static void put(TessObject* record, const char* name, const char* value) {
  TessString *n = str(name), *v = str(value);
  setDatabaseRecordColumn(record, n, v);
  RuntimeUnlockString(n);
  RuntimeUnlockString(v);
}

void TessMain(void) {
  TessObject *file, *db, *record, *rs, *f, *again, *item;
  TessString *s, *table;
  int32_t objects;
  RuntimeInit(TessApplication);
  objects = RuntimeDebugObjectCount(0);

  file = RuntimeGetFolderItem(&kFile);
  db = newTessDatabase();
  number("connect without a file ", TessDatabaseConnect(db));
  print("message ", databaseErrorStringGetter(db, 0));
  TessDatabaseFolderItemSetter(db, 0, file);
  number("created ", TessDatabaseCreateDatabaseFile(db));
  exec(db, "create table people (id integer, name varchar(40), score double, born date, "
           "primary key (id))");

  record = CreateInstance(s = str("DatabaseRecord"));
  RuntimeUnlockString(s);
  setDatabaseRecordIntegerColumn(record, s = str("id"), 1);
  RuntimeUnlockString(s);
  put(record, "name", "O'Brien");
  setDatabaseRecordDoubleColumn(record, s = str("score"), 2.5);
  RuntimeUnlockString(s);
  put(record, "born", "1980-05-17");
  databaseInsertRecord(db, table = str("people"), record);
  put(record, "id", "3");
  put(record, "name", "Third");
  databaseInsertRecord(db, table, record);
  RuntimeUnlockString(table);
  RuntimeUnlockObject(record);
  exec(db, "insert into people (id, name, score, born) values (2, 'Smith', 0.1, '2001-12-31')");
  databaseCommit(db);
  walk(db, "select * from people order by id");

  rs = databaseSQLSelect(db, s = str("select id, name from people where id = 2"));
  RuntimeUnlockString(s);
  cursorMoveNext(rs);
  cursorEdit(rs);
  f = field(rs, "name");
  cursorFieldStringValueSetter(f, 0, s = str("Smith, \"Jr\" 'the 2nd'"));
  RuntimeUnlockString(s);
  cursorUpdate(rs);
  print("updated ", cursorFieldStringValueGetter(f, 0));
  RuntimeUnlockObject(f);
  RuntimeUnlockObject(rs);
  databaseCommit(db);

  exec(db, "delete from people where id = 3");
  walk(db, "select id from people");
  databaseRollback(db);
  walk(db, "select id from people");

  exec(db, "create tabel oops (a integer)");
  exec(db, "insert into nowhere (a) values (1)");
  exec(db, "insert into people (id, name) values (1, 'again')");
  databaseClose(db);
  exec(db, "delete from people");

  again = openTessDatabase(file);
  walk(again, "select name, score, born from people order by name");
  databaseClose(again);
  RuntimeUnlockObject(again);

  item = RuntimeProjectObject(1);
  walk(item, "select count(*) from people");
  RuntimeUnlockObject(item);

  RuntimeUnlockObject(db);
  RuntimeUnlockObject(file);
  number("objects left ", RuntimeDebugObjectCount(0) - objects);
}
