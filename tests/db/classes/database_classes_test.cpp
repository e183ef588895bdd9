// The database classes through their entry points: the built-in engine on
// files of drive D:, and a recording engine that fills only some entries, so
// that the generic roads through SQL text show.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "db/classes/database_classes.h"
#include "db/database.h"
#include "files/files_test_support.h"
#include "runtime/exceptions.h"
#include "tessera/database.h"
#include "values/date.h"

namespace tess::test {
namespace {

class DatabaseClassesTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    InitDatabaseClasses();
  }

  // A TessDatabase on D:\name, created.
  Obj Created(const std::string& name) {
    Obj db = Adopt(newTessDatabase());
    Obj file = Item("D:\\" + name);
    TessDatabaseFolderItemSetter(db.get(), 0, file.get());
    EXPECT_TRUE(TessDatabaseCreateDatabaseFile(db.get()));
    return db;
  }
  static void Exec(const Obj& db, const std::string& sql) {
    databaseSQLExecute(db.get(), S(sql).get());
  }
  static Obj Select(const Obj& db, const std::string& sql) {
    return Adopt(databaseSQLSelect(db.get(), S(sql).get()));
  }
  static int32_t Code(const Obj& db) { return databaseErrorCodeGetter(db.get(), 0); }
  static std::string Message(const Obj& db) {
    return Text(Take(databaseErrorStringGetter(db.get(), 0)).get());
  }
  static std::string Str(const Obj& rs, const std::string& column) {
    Obj f = Adopt(cursorGetFieldByName(rs.get(), S(column).get()));
    return Text(Take(cursorFieldStringValueGetter(f.get(), 0)).get());
  }
  static void SetStr(const Obj& rs, const std::string& column, const std::string& value) {
    Obj f = Adopt(cursorGetFieldByName(rs.get(), S(column).get()));
    cursorFieldStringValueSetter(f.get(), 0, S(value).get());
  }
  // Every row of a query, columns joined by "|".
  static std::vector<std::string> Rows(const Obj& db, const std::string& sql) {
    Obj rs = Select(db, sql);
    std::vector<std::string> rows;
    if (!rs.get()) return rows;
    int32_t n = cursorFieldCount(rs.get(), 0);
    for (cursorMoveNext(rs.get()); !cursorEOFGetter(rs.get(), 0); cursorMoveNext(rs.get())) {
      std::string row;
      for (int32_t i = 1; i <= n; ++i) {
        Obj f = Adopt(cursorGetFieldByIndex(rs.get(), i));
        row += (i > 1 ? "|" : "") + Text(Take(cursorFieldStringValueGetter(f.get(), 0)).get());
      }
      rows.push_back(row);
    }
    return rows;
  }
};

TEST_F(DatabaseClassesTest, ConnectWithoutFileSaysSo) {
  Obj db = Adopt(newTessDatabase());
  EXPECT_FALSE(TessDatabaseConnect(db.get()));
  EXPECT_EQ(Code(db), 1);
  EXPECT_EQ(Message(db), "A Database file was not specified");
  EXPECT_TRUE(databaseErrorGetter(db.get(), 0));
  EXPECT_FALSE(TessDatabaseCreateDatabaseFile(db.get()));
  EXPECT_EQ(Code(db), 1);
  EXPECT_FALSE(Select(db, "select * from t").get()) << "a query without a connection is nil";
}

TEST_F(DatabaseClassesTest, InsertSelectWalkEditUpdateRollbackReopen) {
  Obj db = Created("shop.db");
  Exec(db,
       "create table items (id integer, name varchar(40), price double, added date, "
       "fresh boolean, primary key (id))");
  ASSERT_EQ(Code(db), 0) << Message(db);
  Obj rec = Adopt(CreateInstance(S("DatabaseRecord").get()));
  ASSERT_TRUE(rec.get());
  setDatabaseRecordIntegerColumn(rec.get(), S("id").get(), 1);
  setDatabaseRecordColumn(rec.get(), S("name").get(), S("O'Brien's tea").get());
  setDatabaseRecordDoubleColumn(rec.get(), S("price").get(), 2.5);
  Obj date = Adopt(NewDate(0));  // 1 January 1904
  setDatabaseRecordDateColumn(rec.get(), S("added").get(), date.get());
  SetDatabaseRecordBooleanColumn(rec.get(), S("fresh").get(), 1);
  databaseInsertRecord(db.get(), S("items").get(), rec.get());
  ASSERT_EQ(Code(db), 0) << Message(db);
  Exec(db,
       "insert into items (id, name, price, added, fresh) values (2, 'Coffee', 3.25, "
       "'2024-02-29', false)");
  databaseCommit(db.get());
  EXPECT_EQ(Rows(db, "select * from items order by id"),
            (std::vector<std::string>{"1|O'Brien's tea|2.5|1904-01-01|true",
                                      "2|Coffee|3.25|2024-02-29|false"}));

  Obj rs = Select(db, "select id, name, price from items order by id");
  ASSERT_TRUE(rs.get());
  EXPECT_TRUE(cursorBOFGetter(rs.get(), 0)) << "a new set stands before its first row";
  EXPECT_EQ(RecordSetRecordCount(rs.get(), 0), 2);
  cursorMoveNext(rs.get());
  SetStr(rs, "name", "ignored");  // not in edit mode
  EXPECT_EQ(Str(rs, "name"), "O'Brien's tea");
  cursorEdit(rs.get());
  SetStr(rs, "name", "Green 'tea'");
  Obj price = Adopt(cursorGetFieldByName(rs.get(), S("PRICE").get()));
  cursorFieldDoubleValueSetter(price.get(), 0, 2.75);
  EXPECT_EQ(Str(rs, "name"), "Green 'tea'") << "the recorded value reads first";
  cursorUpdate(rs.get());
  EXPECT_EQ(Code(db), 0) << Message(db);
  EXPECT_EQ(Str(rs, "name"), "Green 'tea'") << "the row reads what was written";
  EXPECT_EQ(cursorFieldDoubleValueGetter(price.get(), 0), 2.75);
  cursorMoveNext(rs.get());
  EXPECT_EQ(Str(rs, "name"), "Coffee");
  cursorMoveNext(rs.get());
  EXPECT_TRUE(cursorEOFGetter(rs.get(), 0));
  CursorMovePrev(rs.get());
  EXPECT_EQ(Str(rs, "id"), "2");
  CursorMoveFirst(rs.get());
  EXPECT_EQ(Str(rs, "id"), "1");
  CursorMoveLast(rs.get());
  EXPECT_EQ(Str(rs, "id"), "2");
  databaseCommit(db.get());

  Exec(db, "delete from items where id = 2");
  EXPECT_EQ(Rows(db, "select id from items").size(), 1u);
  databaseRollback(db.get());
  EXPECT_EQ(Rows(db, "select id from items").size(), 2u) << "rolled back";

  databaseClose(db.get());
  EXPECT_FALSE(Select(db, "select * from items").get()) << "closed";
  Exec(db, "delete from items");
  EXPECT_EQ(Code(db), 2012);
  EXPECT_EQ(Message(db), "The database is not connected");

  Obj again = Adopt(openTessDatabase(Adopt(TessDatabaseFolderItemGetter(db.get(), 0)).get()));
  ASSERT_TRUE(again.get());
  EXPECT_EQ(Rows(again, "select * from items order by id"),
            (std::vector<std::string>{"1|Green 'tea'|2.75|1904-01-01|true",
                                      "2|Coffee|3.25|2024-02-29|false"}));
}

TEST_F(DatabaseClassesTest, BadStatementReachesErrorCodeAndMessage) {
  Obj db = Created("errors.db");
  Exec(db, "create tabel t (a integer)");
  EXPECT_EQ(Code(db), 200);
  EXPECT_TRUE(databaseErrorGetter(db.get(), 0));
  EXPECT_EQ(Message(db), "Expecting 'TABLE'");
  EXPECT_FALSE(Select(db, "select * from nowhere").get());
  EXPECT_EQ(Code(db), 202);
  EXPECT_EQ(Message(db), "Invalid table nowhere");
  Exec(db, "create table t (a integer)");
  EXPECT_EQ(Code(db), 0) << "each statement clears the error";
  EXPECT_FALSE(databaseErrorGetter(db.get(), 0));
}

TEST_F(DatabaseClassesTest, FieldTypesAndTheirTexts) {
  Obj db = Created("types.db");
  Exec(db,
       "create table v (s smallint, i integer, f float, d double, dt date, t time, "
       "b boolean, x varchar(10), bin long varbinary)");
  Exec(db,
       "insert into v (s, i, f, d, dt, t, b, x, bin) values (-3, 2147483647, 0.1, 1234567.891, "
       "'2023-12-31', "
       "'23:59:58', true, 'text', 'a')");
  ASSERT_EQ(Code(db), 0) << Message(db);
  Exec(db, "insert into v (s) values (1)");
  Obj rs = Select(db, "select * from v");
  cursorMoveNext(rs.get());
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"s", "-3"},          {"i", "2147483647"}, {"f", "0.1"},  {"d", "1.234568e+006"},
      {"dt", "2023-12-31"}, {"t", "23:59:58"},   {"b", "true"}, {"x", "text"},
      {"bin", "a"}};
  for (const auto& [column, text] : texts) EXPECT_EQ(Str(rs, column), text) << column;
  std::vector<int32_t> types;
  for (int32_t i = 1; i <= 9; ++i) types.push_back(RecordSetColumnType(rs.get(), i));
  EXPECT_EQ(types, (std::vector<int32_t>{2, 3, 6, 7, 8, 9, 12, 5, 16}));
  Obj d = Adopt(cursorGetFieldByName(rs.get(), S("dt").get()));
  Obj date = Adopt(cursorFieldDateValueGetter(d.get(), 0));
  ASSERT_TRUE(date.get());
  EXPECT_EQ(dateFieldGetter(date.get(), 0), 2023);
  EXPECT_EQ(dateFieldGetter(date.get(), 2), 31);
  Obj i = Adopt(cursorGetFieldByName(rs.get(), S("i").get()));
  EXPECT_EQ(cursorFieldIntegerValueGetter(i.get(), 0), 2147483647);
  Obj v = Adopt(CursorFieldValueGetter(i.get(), 0));
  EXPECT_EQ(VarType(v.get()), 2);
  Obj b = Adopt(cursorGetFieldByName(rs.get(), S("b").get()));
  EXPECT_TRUE(CursorFieldBooleanValueGetter(b.get(), 0));
  cursorMoveNext(rs.get());
  EXPECT_EQ(Str(rs, "i"), "") << "null";
  EXPECT_FALSE(Adopt(CursorFieldValueGetter(i.get(), 0)).get()) << "null is a nil variant";
  EXPECT_FALSE(Adopt(cursorFieldDateValueGetter(d.get(), 0)).get());
}

TEST_F(DatabaseClassesTest, BinaryValuesKeepEveryByte) {
  Obj db = Created("bytes.db");
  Exec(db, "create table b (id integer, data long varbinary, primary key (id))");
  const std::string bytes("\0\1'\xff\0", 5);
  Obj rec = Adopt(CreateInstance(S("DatabaseRecord").get()));
  setDatabaseRecordIntegerColumn(rec.get(), S("id").get(), 1);
  SetDatabaseRecordBlobColumn(rec.get(), S("data").get(), S(bytes).get());
  EXPECT_EQ(Text(Take(GetDatabaseRecordBlobColumn(rec.get(), S("data").get())).get()), bytes);
  databaseInsertRecord(db.get(), S("b").get(), rec.get());
  ASSERT_EQ(Code(db), 0) << Message(db);
  Obj rs = Select(db, "select * from b");
  cursorMoveNext(rs.get());
  Obj data = Adopt(cursorGetFieldByName(rs.get(), S("data").get()));
  EXPECT_EQ(Text(Take(cursorFieldNativeValueGetter(data.get(), 0)).get()), bytes);
  EXPECT_EQ(Str(rs, "data"), bytes);
  const std::string other("x\0y", 3);
  cursorEdit(rs.get());
  SetStr(rs, "data", other);
  cursorUpdate(rs.get());
  EXPECT_EQ(Code(db), 0) << Message(db);
  Obj again = Select(db, "select data from b");
  cursorMoveNext(again.get());
  EXPECT_EQ(Str(again, "data"), other) << "written back through SQL text";
}

TEST_F(DatabaseClassesTest, BadInputGivesErrorsNotCrashes) {
  Put("damaged.db", std::string(9000, 'x'));
  Obj db = Adopt(newTessDatabase());
  TessDatabaseFolderItemSetter(db.get(), 0, Item("D:\\damaged.db").get());
  EXPECT_FALSE(TessDatabaseConnect(db.get()));
  EXPECT_EQ(Code(db), 2009);
  EXPECT_EQ(Message(db).rfind("Unable to open the database file", 0), 0u) << Message(db);

  TessDatabaseFolderItemSetter(db.get(), 0, Item("D:\\missing.db").get());
  EXPECT_FALSE(TessDatabaseConnect(db.get()));
  EXPECT_EQ(Code(db), 2009);
  EXPECT_EQ(Message(db), "Unable to open the database file D:\\missing.db");

  // A file another writer holds.
  Obj made = Created("held.db");
  databaseClose(made.get());
  Obj held = Item("D:\\held.db");
  Obj writer = Adopt(FolderItemOpenBinaryFile(held.get(), 1));
  ASSERT_TRUE(writer.get());
  EXPECT_FALSE(TessDatabaseConnect(made.get()));
  EXPECT_EQ(Code(made), 2009);
  BinaryStreamClose(writer.get());
  EXPECT_TRUE(TessDatabaseConnect(made.get()));

  Exec(made, "create table t (a integer)");
  Exec(made, "insert into t (a) values (1)");
  Obj rs = Select(made, "select a from t");
  EXPECT_EQ(RaisedBy([&] { cursorGetFieldByIndex(rs.get(), 2); }), Exceptions().outOfBounds);
  EXPECT_EQ(RaisedBy([&] { cursorGetFieldByIndex(rs.get(), 0); }), Exceptions().outOfBounds);
  EXPECT_EQ(RaisedBy([&] { RecordSetColumnType(rs.get(), 5); }), Exceptions().outOfBounds);
  EXPECT_FALSE(Adopt(cursorGetFieldByName(rs.get(), S("nope").get())).get());
  EXPECT_EQ(RaisedBy([] { databaseSQLExecute(nullptr, nullptr); }), Exceptions().nilObject);
  Obj loose = Adopt(CreateInstance(S("DatabaseField").get()));
  EXPECT_EQ(RaisedBy([&] { cursorFieldStringValueGetter(loose.get(), 0); }), Exceptions().nilObject)
      << "a field without its set";
  Obj bare = Adopt(CreateInstance(S("RecordSet").get()));
  cursorMoveNext(bare.get());
  cursorEdit(bare.get());
  cursorUpdate(bare.get());
  EXPECT_EQ(cursorFieldCount(bare.get(), 0), 0) << "a set without a cursor";
  // Objects of other classes are refused as failed casts, never read as
  // databases, sets or fields.
  Obj record = Adopt(CreateInstance(S("DatabaseRecord").get()));
  EXPECT_EQ(RaisedBy([&] { databaseSQLExecute(record.get(), S("select 1").get()); }),
            Exceptions().illegalCast);
  EXPECT_EQ(RaisedBy([&] { cursorMoveNext(record.get()); }), Exceptions().illegalCast);
  EXPECT_EQ(RaisedBy([&] { cursorFieldStringValueGetter(rs.get(), 0); }), Exceptions().illegalCast);
  Obj plain = Adopt(CreateInstance(S("Database").get()));
  Exec(plain, "create table t (a integer)");
  EXPECT_EQ(Code(plain), 2012) << "a database without an engine";
  cursorClose(rs.get());
  cursorMoveNext(rs.get());
  EXPECT_EQ(cursorFieldCount(rs.get(), 0), 0) << "a closed set has nothing";
}

TEST_F(DatabaseClassesTest, ReadOnlyFileReadsButRefusesWrites) {
  Obj db = Created("locked.db");
  Exec(db, "create table t (a integer)");
  Exec(db, "insert into t (a) values (1)");
  databaseClose(db.get());
  Obj file = Adopt(TessDatabaseFolderItemGetter(db.get(), 0));
  fileLockedSetter(file.get(), 0, 1);
  EXPECT_FALSE(TessDatabaseCreateDatabaseFile(db.get()));
  EXPECT_EQ(Code(db), 2009);
  EXPECT_EQ(Message(db), "Unable to create the database file D:\\locked.db");
  ASSERT_TRUE(TessDatabaseConnect(db.get()));
  EXPECT_EQ(Rows(db, "select a from t"), std::vector<std::string>{"1"});
  Exec(db, "insert into t (a) values (2)");
  EXPECT_EQ(Code(db), 2009);
  EXPECT_EQ(Message(db), "Unable to write the database file");
  databaseClose(db.get());
  fileLockedSetter(file.get(), 0, 0);
  ASSERT_TRUE(TessDatabaseConnect(db.get()));
  EXPECT_EQ(Rows(db, "select a from t"), std::vector<std::string>{"1"}) << "nothing written";
}

TEST_F(DatabaseClassesTest, UpdateWithoutKeyIsRefusedAndSaysSo) {
  Obj db = Created("nokey.db");
  Exec(db, "create table t (a integer, b varchar(10))");
  Exec(db, "insert into t (a, b) values (1, 'x')");
  Obj rs = Select(db, "select * from t");
  cursorMoveNext(rs.get());
  cursorEdit(rs.get());
  SetStr(rs, "b", "y");
  cursorUpdate(rs.get());
  EXPECT_EQ(Code(db), 2013);
  EXPECT_EQ(Rows(db, "select b from t"), std::vector<std::string>{"x"});
  EXPECT_EQ(Str(rs, "b"), "x") << "a failed update forgets its values";
}

TEST_F(DatabaseClassesTest, SchemasAndDeletes) {
  Obj db = Created("schema.db");
  Exec(db, "create table people (id integer not null, name varchar(20), primary key (id))");
  Exec(db, "insert into people (id, name) values (1, 'a')");
  Exec(db, "insert into people (id, name) values (2, 'b')");
  Obj tables = Adopt(databaseTableSchema(db.get()));
  ASSERT_TRUE(tables.get());
  cursorMoveNext(tables.get());
  EXPECT_EQ(Str(tables, "TableName"), "people");
  Obj fields = Adopt(databaseFieldSchema(db.get(), S("people").get()));
  ASSERT_TRUE(fields.get());
  EXPECT_EQ(cursorFieldCount(fields.get(), 0), 5);
  cursorMoveNext(fields.get());
  EXPECT_EQ(Str(fields, "ColumnName"), "id");
  EXPECT_EQ(Str(fields, "IsPrimary"), "true");
  Obj rs = Select(db, "select * from people where id = 2");
  cursorMoveNext(rs.get());
  cursorDeleteRecord(rs.get());
  EXPECT_EQ(Code(db), 0) << Message(db);
  EXPECT_EQ(Rows(db, "select name from people"), std::vector<std::string>{"a"});
  EXPECT_EQ(Text(Take(getDatabaseProperty(db.get(), S("TableCount").get())).get()), "1");
}

// ---- A recording engine: execute, errors and a cursor with update info;
// no insert, update, commit or rollback entries of its own.

std::vector<std::string>& Executed() {
  static std::vector<std::string> executed;
  return executed;
}

struct FakeCursor {
  int position = -1;
  bool closed = false;
};
const char* const kFakeColumns[] = {"id", "name", "price", "note", "born", "ok", "at"};
const int32_t kFakeTypes[] = {3, 5, 7, 5, 8, 12, 9};
constexpr int32_t kFakeCount = 7;

void FakeExecute(void*, TessString* sql) {
  Executed().push_back(Text(sql));
}
int32_t FakeErrorCode(void*) {
  return Executed().empty() || Executed().back() != "bad" ? 0 : 77;
}
TessString* FakeErrorMessage(void*) {
  return MakeString(FakeErrorCode(nullptr) ? "fake failure" : "");
}
void FakeCursorClose(void* c) {
  static_cast<FakeCursor*>(c)->closed = true;
}
int32_t FakeColumnCount(void*) {
  return kFakeCount;
}
TessString* FakeColumnName(void*, int32_t column) {
  return column >= 0 && column < kFakeCount ? MakeString(kFakeColumns[column]) : nullptr;
}
int32_t FakeColumnType(void*, int32_t column) {
  return column >= 0 && column < kFakeCount ? kFakeTypes[column] : 0;
}
int32_t FakeMoveNext(void* c) {
  auto* f = static_cast<FakeCursor*>(c);
  f->position = f->position < 1 ? f->position + 1 : 2;
  return f->position < 2;
}
int32_t FakeGetValue(void* c, int32_t column, const void** bytes, int32_t* type, int32_t* length) {
  static int32_t ids[2] = {10, 11};
  static double prices[2] = {1.5, 2.5};
  auto* f = static_cast<FakeCursor*>(c);
  if (f->position < 0 || f->position > 1) return 0;
  *type = kFakeTypes[column];
  switch (column) {
    case 0:
      *bytes = &ids[f->position], *length = 4;
      return 1;
    case 1:
      *bytes = "Ann", *length = 3;
      return 1;
    case 2:
      *bytes = &prices[f->position], *length = 8;
      return 1;
    default:
      *type = 0, *length = 0;
      return 1;
  }
}
// Columns 0-2 belong to "Main Table", column 3 to "notes".
int32_t FakeUpdateInfo(void* c, int32_t column, TessString** name, TessString** selection) {
  auto* f = static_cast<FakeCursor*>(c);
  std::string row = "id=" + std::to_string(10 + f->position);
  if (column == 3) {
    *name = MakeString("notes!note text");
    *selection = MakeString("ref=" + std::to_string(10 + f->position));
    return 1;
  }
  *name = MakeString(std::string("Main Table!") + kFakeColumns[column]);
  *selection = MakeString(row);
  return 1;
}

const TessDBCursorDefinition kFakeCursor = {1,
                                            FakeCursorClose,
                                            FakeColumnCount,
                                            FakeColumnName,
                                            FakeColumnType,
                                            nullptr,
                                            FakeMoveNext,
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            FakeGetValue,
                                            nullptr,
                                            FakeUpdateInfo,
                                            nullptr,
                                            nullptr,
                                            nullptr};

FakeCursor g_cursor;
void* FakeSelect(void*, TessString* sql) {
  Executed().push_back("select: " + Text(sql));
  g_cursor = FakeCursor{};
  return &g_cursor;
}
int g_connection = 0;
void* FakeConnect(TessObject* database) {
  std::string host = Text(Take(TessGetDBHost(database)).get());
  if (host != "server") {
    TessDatabaseSetError(database, 5, S("no such host").get());
    return nullptr;
  }
  return &g_connection;
}

const TessDBEngineDefinition kFakeEngine = {
    1,       "Fake",  &kFakeCursor, FakeExecute, nullptr, nullptr, FakeErrorCode, FakeErrorMessage,
    nullptr, nullptr, nullptr,      FakeSelect,  nullptr, nullptr, FakeConnect,   nullptr};

class PluginEngineTest : public DatabaseClassesTest {
 protected:
  void SetUp() override {
    DatabaseClassesTest::SetUp();
    Executed().clear();
    PluginRegisterDBEngine(&kFakeEngine);
    db_ = Adopt(CreateInstance(S("Database").get()));
    TessConstructDBDatabase(db_.get(), nullptr, &kFakeEngine);
    stringSetter(db_.get(), 24, S("server").get());  // Host
  }
  Obj db_;
};

TEST_F(PluginEngineTest, ConnectsLazilyThroughTheEngine) {
  Obj other = Adopt(CreateInstance(S("Database").get()));
  TessConstructDBDatabase(other.get(), nullptr, &kFakeEngine);
  EXPECT_FALSE(DatabaseConnect(other.get()));
  EXPECT_EQ(Code(other), 5);
  EXPECT_EQ(Message(other), "no such host");
  Exec(db_, "create table x (a integer)");
  EXPECT_EQ(TessGetDBFromTessdbDatabase(db_.get(), &kFakeEngine), &g_connection);
  EXPECT_EQ(Executed(), std::vector<std::string>{"create table x (a integer)"});
  Exec(db_, "bad");
  EXPECT_EQ(Code(db_), 77);
  EXPECT_EQ(Message(db_), "fake failure");
}

TEST_F(PluginEngineTest, HandlesWrapInObjects) {
  Obj wrapped = Adopt(TessdbDatabaseFromDBDatabase(&g_connection, &kFakeEngine));
  ASSERT_TRUE(wrapped.get());
  Exec(wrapped, "delete from t");
  EXPECT_EQ(Executed(), std::vector<std::string>{"delete from t"});
  FakeCursor cursor;
  Obj rs = Adopt(TessdbCursorFromDBCursor(wrapped.get(), &cursor, &kFakeCursor));
  ASSERT_TRUE(rs.get());
  EXPECT_EQ(RecordSetRecordCount(rs.get(), 0), -1) << "the cursor cannot tell";
  EXPECT_FALSE(cursorEOFGetter(rs.get(), 0));
  std::vector<std::string> ids;
  for (cursorMoveNext(rs.get()); !cursorEOFGetter(rs.get(), 0); cursorMoveNext(rs.get())) {
    ids.push_back(Str(rs, "id"));
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"10", "11"}));
  rs = Obj();
  EXPECT_TRUE(cursor.closed) << "the set closes its cursor when it goes";
  const TessDBEngineDefinition other = kFakeEngine;
  EXPECT_EQ(TessGetDBFromTessdbDatabase(wrapped.get(), &other), nullptr) << "another engine's";
}

TEST_F(PluginEngineTest, EmptyTablesAreSafe) {
  static const TessDBEngineDefinition empty = [] {
    TessDBEngineDefinition e{};
    e.version = 1;
    e.name = "Empty";
    return e;
  }();
  static const TessDBCursorDefinition none = [] {
    TessDBCursorDefinition c{};
    c.version = 1;
    return c;
  }();
  int handle = 0;
  Obj db = Adopt(TessdbDatabaseFromDBDatabase(&handle, &empty));
  Exec(db, "delete from t");
  EXPECT_EQ(Code(db), 2012);
  EXPECT_EQ(Message(db), "The database engine cannot execute statements");
  databaseCommit(db.get());
  EXPECT_EQ(Code(db), 2012) << "commit falls back on execute";
  Obj rec = Adopt(CreateInstance(S("DatabaseRecord").get()));
  databaseInsertRecord(db.get(), S("t").get(), rec.get());
  EXPECT_EQ(Code(db), 2012);
  EXPECT_FALSE(Select(db, "select * from t").get());
  EXPECT_FALSE(Adopt(databaseTableSchema(db.get())).get());
  EXPECT_FALSE(Take(getDatabaseProperty(db.get(), S("x").get())).get());
  Obj rs = Adopt(TessdbCursorFromDBCursor(db.get(), &handle, &none));
  ASSERT_TRUE(rs.get());
  cursorMoveNext(rs.get());
  CursorMoveLast(rs.get());
  EXPECT_EQ(cursorFieldCount(rs.get(), 0), 0);
  EXPECT_EQ(RecordSetRecordCount(rs.get(), 0), -1);
  EXPECT_EQ(RaisedBy([&] { cursorGetFieldByIndex(rs.get(), 1); }), Exceptions().outOfBounds);
  cursorEdit(rs.get());
  cursorUpdate(rs.get());
  cursorDeleteRecord(rs.get());
  databaseClose(db.get());
  EXPECT_FALSE(TessGetDBFromTessdbDatabase(db.get(), &empty));
}

TEST_F(PluginEngineTest, TransactionsAndInsertsGoThroughSQLText) {
  databaseCommit(db_.get());
  databaseRollback(db_.get());
  Obj rec = Adopt(CreateInstance(S("DatabaseRecord").get()));
  setDatabaseRecordIntegerColumn(rec.get(), S("id").get(), 5);
  setDatabaseRecordColumn(rec.get(), S("name").get(), S("O'Brien").get());
  setDatabaseRecordDoubleColumn(rec.get(), S("price").get(), 0.1);
  SetDatabaseRecordBooleanColumn(rec.get(), S("ok").get(), 0);
  setDatabaseRecordColumn(rec.get(), S("NAME").get(), S("O'Brien").get());  // same column
  databaseInsertRecord(db_.get(), S("People").get(), rec.get());
  EXPECT_EQ(Executed(),
            (std::vector<std::string>{
                "commit", "rollback",
                "insert into People(id,name,price,ok) values (5,'O''Brien',0.1,'false')"}));
}

TEST_F(PluginEngineTest, CursorUpdateSQLWhole) {
  Obj rs = Select(db_, "select * from t");
  ASSERT_TRUE(rs.get());
  cursorMoveNext(rs.get());
  cursorMoveNext(rs.get());
  EXPECT_EQ(Str(rs, "id"), "11");
  EXPECT_EQ(Str(rs, "price"), "2.5");
  Executed().clear();
  cursorEdit(rs.get());
  SetStr(rs, "name", "Bo's");
  Obj price = Adopt(cursorGetFieldByIndex(rs.get(), 3));
  cursorFieldDoubleValueSetter(price.get(), 0, 0.1);
  Obj note = Adopt(cursorGetFieldByName(rs.get(), S("note").get()));
  CursorFieldValueSetter(note.get(), 0, nullptr);
  SetStr(rs, "name", "Bea's");  // replaces the earlier value
  Obj id = Adopt(cursorGetFieldByName(rs.get(), S("id").get()));
  cursorFieldIntegerValueSetter(id.get(), 0, -12);
  Obj date = Adopt(NewDate(3'791'700'672.0));  // 2024-02-25 10:11:12
  Obj born = Adopt(cursorGetFieldByName(rs.get(), S("born").get()));
  cursorFieldDateValueSetter(born.get(), 0, date.get());
  Obj at = Adopt(cursorGetFieldByName(rs.get(), S("at").get()));
  cursorFieldDateValueSetter(at.get(), 0, date.get());
  Obj ok = Adopt(cursorGetFieldByName(rs.get(), S("ok").get()));
  CursorFieldBooleanValueSetter(ok.get(), 0, 1);
  EXPECT_EQ(Str(rs, "born"), "2024-02-25");
  EXPECT_EQ(cursorFieldIntegerValueGetter(id.get(), 0), -12);
  cursorUpdate(rs.get());
  EXPECT_EQ(Executed(), (std::vector<std::string>{
                            "UPDATE [Main Table] SET [name] = 'Bea''s', [price] = '0.1', [id] = "
                            "'-12', [born] = '2024-02-25', [at] = '10:11:12', [ok] = 'true' "
                            "WHERE id=11",
                            "UPDATE [notes] SET [note text] = NULL WHERE ref=11"}));
  Executed().clear();
  cursorUpdate(rs.get());
  EXPECT_TRUE(Executed().empty()) << "update outside edit mode does nothing";
  cursorDeleteRecord(rs.get());
  EXPECT_EQ(Executed(), std::vector<std::string>{"DELETE FROM [Main Table] WHERE id=11"});
  CursorMovePrev(rs.get());
  EXPECT_EQ(Str(rs, "id"), "11") << "a forward-only cursor stays";
}

}  // namespace
}  // namespace tess::test
