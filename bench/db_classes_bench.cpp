// The database classes against SQLite, both 32-bit, same data, same run:
// walking 100,000 rows through a RecordSet reading three fields each
// (through the entry points compiled code calls) against SQLite's step loop
// reading the same columns, and inserting 100,000 rows with InsertRecord
// against SQLite's prepared insert, each in one transaction committed at the
// end. Prints our time divided by SQLite's.
//
//   build/run32 build/bench/db_classes_bench [ROWS]
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "db/classes/database_classes.h"
#include "files/file_classes.h"
#include "platform/kernel/file_system.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "test_support.h"

namespace {

using tess::MakeString;
using tess::ObjectRef;
using tess::StringRef;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "db_classes_bench: %s failed\n", what);
    std::exit(1);
  }
}

StringRef S(const std::string& text) {
  return StringRef::Adopt(MakeString(text));
}

void Lite(sqlite3* db, const char* sql) {
  Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql);
}

const char* const kCreate =
    "create table t (id integer, name varchar(40), score double, primary key (id))";

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  tess::test::TempDir dir;
  std::string drives = "D=" + dir.path().string();
  ::setenv("TESSERA_DRIVES", drives.c_str(), 1);
  tess::platform::ReloadDriveMap();
  tess::InitFrameworkValueAndFileClasses();
  tess::InitDatabaseClasses();

  int round = 0;
  // ---- Insert
  double ours = tess::bench::MedianSeconds(3, [&] {
    ObjectRef db = ObjectRef::Adopt(newTessDatabase());
    ObjectRef file =
        ObjectRef::Adopt(RuntimeGetFolderItem(S("D:\\ours" + std::to_string(round++)).get()));
    TessDatabaseFolderItemSetter(db.get(), 0, file.get());
    Check(TessDatabaseCreateDatabaseFile(db.get()), "create");
    databaseSQLExecute(db.get(), S(kCreate).get());
    StringRef table = S("t"), id = S("id"), name = S("name"), score = S("score");
    ObjectRef record = ObjectRef::Adopt(CreateInstance(S("DatabaseRecord").get()));
    for (int i = 0; i < rows; ++i) {
      setDatabaseRecordIntegerColumn(record.get(), id.get(), i);
      setDatabaseRecordColumn(record.get(), name.get(), S("name " + std::to_string(i)).get());
      setDatabaseRecordDoubleColumn(record.get(), score.get(), i * 0.5);
      databaseInsertRecord(db.get(), table.get(), record.get());
    }
    databaseCommit(db.get());
    Check(databaseErrorCodeGetter(db.get(), 0) == 0, "insert");
  });
  int liteRound = 0;
  double theirs = tess::bench::MedianSeconds(3, [&] {
    sqlite3* db;
    std::string path = dir.File("lite" + std::to_string(liteRound++));
    Check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "open");
    Lite(db, "pragma synchronous=full");
    Lite(db, kCreate);
    Lite(db, "begin");
    sqlite3_stmt* st;
    Check(sqlite3_prepare_v2(db, "insert into t values (?, ?, ?)", -1, &st, nullptr) == SQLITE_OK,
          "prepare");
    for (int i = 0; i < rows; ++i) {
      std::string name = "name " + std::to_string(i);
      sqlite3_bind_int(st, 1, i);
      sqlite3_bind_text(st, 2, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
      sqlite3_bind_double(st, 3, i * 0.5);
      Check(sqlite3_step(st) == SQLITE_DONE, "step");
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    Lite(db, "commit");
    sqlite3_close(db);
  });
  std::string label = "InsertRecord " + std::to_string(rows) + " rows";
  tess::bench::PrintRatio(label.c_str(), ours, "SQLite prepared insert", theirs);

  // ---- Walk
  ObjectRef db = ObjectRef::Adopt(newTessDatabase());
  ObjectRef file = ObjectRef::Adopt(RuntimeGetFolderItem(S("D:\\ours0").get()));
  TessDatabaseFolderItemSetter(db.get(), 0, file.get());
  Check(TessDatabaseConnect(db.get()), "connect");
  long long sum = 0;
  ours = tess::bench::MedianSeconds(5, [&] {
    ObjectRef rs =
        ObjectRef::Adopt(databaseSQLSelect(db.get(), S("select id, name, score from t").get()));
    Check(rs.get() != nullptr, "select");
    ObjectRef id = ObjectRef::Adopt(cursorGetFieldByIndex(rs.get(), 1));
    ObjectRef name = ObjectRef::Adopt(cursorGetFieldByIndex(rs.get(), 2));
    ObjectRef score = ObjectRef::Adopt(cursorGetFieldByIndex(rs.get(), 3));
    for (cursorMoveNext(rs.get()); !cursorEOFGetter(rs.get(), 0); cursorMoveNext(rs.get())) {
      sum += cursorFieldIntegerValueGetter(id.get(), 0);
      StringRef text = StringRef::Adopt(cursorFieldStringValueGetter(name.get(), 0));
      sum += tess::Length(text.get());
      sum += (long long)cursorFieldDoubleValueGetter(score.get(), 0);
    }
  });
  sqlite3* lite;
  Check(sqlite3_open(dir.File("lite0").c_str(), &lite) == SQLITE_OK, "open");
  theirs = tess::bench::MedianSeconds(5, [&] {
    sqlite3_stmt* st;
    Check(sqlite3_prepare_v2(lite, "select id, name, score from t", -1, &st, nullptr) == SQLITE_OK,
          "prepare");
    while (sqlite3_step(st) == SQLITE_ROW) {
      sum += sqlite3_column_int(st, 0);
      sum += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                         size_t(sqlite3_column_bytes(st, 1)))
                 .size();
      sum += (long long)sqlite3_column_double(st, 2);
    }
    sqlite3_finalize(st);
  });
  sqlite3_close(lite);
  label = "RecordSet walk " + std::to_string(rows) + " rows";
  tess::bench::PrintRatio(label.c_str(), ours, "SQLite step loop", theirs);
  std::printf("(checksum %lld)\n", sum);
  ::unsetenv("TESSERA_DRIVES");
  return 0;
}
