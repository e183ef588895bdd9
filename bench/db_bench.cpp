// Database engine against SQLite, same data, same run, both native, both on
// files that are made durable at commit (both: a rollback journal, synced
// before the file's pages are written and the file synced after; SQLite with
// synchronous=FULL). Prints each workload as our time divided by SQLite's,
// and after the workloads that rewrite the table both files' sizes.
//
//   build-native/bench/db_bench [ROWS]
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "db/collation.h"
#include "db/database.h"
#include "test_support.h"

namespace {

using tess::db::Database;

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "db_bench: %s failed\n", what);
    std::exit(1);
  }
}

void Lite(sqlite3* db, const std::string& sql) {
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK, sql.c_str());
}

// Steps through every row and touches every column, as a caller would.
size_t LiteQuery(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st;
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK, sql.c_str());
  size_t rows = 0, bytes = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++rows;
    for (int c = 0; c < sqlite3_column_count(st); ++c) bytes += size_t(sqlite3_column_bytes(st, c));
  }
  sqlite3_finalize(st);
  return rows + (bytes & 0);
}

size_t OurQuery(Database& db, const std::string& sql) {
  auto c = db.Select(sql);
  Check(c != nullptr, sql.c_str());
  size_t rows = 0, bytes = 0;
  while (c->MoveNext()) {
    ++rows;
    for (size_t i = 0; i < c->ColumnCount(); ++i) bytes += c->NativeValue(i).size();
  }
  return rows + (bytes & 0);
}

}  // namespace

int main(int argc, char** argv) {
  int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  tess::test::TempDir dir;
  std::mt19937 rng(42);
  std::vector<int> ids(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) ids[size_t(i)] = i;
  std::shuffle(ids.begin(), ids.end(), rng);
  struct Row {
    std::string id, name, grp, score;
  };
  std::vector<Row> rows;
  const char letters[] = "aAbBcCdDeEfFgGhH";
  for (int i = 0; i < n; ++i) {
    std::string name;
    for (int k = 0; k < 12; ++k) name += letters[rng() % 16];
    rows.push_back({std::to_string(ids[size_t(i)]), name, std::to_string(rng() % 50),
                    std::to_string(double(rng() % 100000) / 100)});
  }

  tess::db::Status status;
  auto ours = Database::Create(dir.File("ours.db"), &status);
  Check(ours != nullptr, "create");
  ours->Execute(
      "create table t (id integer, name varchar(20), grp integer, score double, "
      "primary key (id))");
  Check(ours->Commit(), "commit");
  sqlite3* lite;
  Check(sqlite3_open(dir.File("lite.db").c_str(), &lite) == SQLITE_OK, "sqlite open");
  Lite(lite, "PRAGMA journal_mode = TRUNCATE");
  Lite(lite, "PRAGMA synchronous = FULL");
  sqlite3_create_collation(lite, "TESS", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* p1, int n2, const void* p2) {
                             return tess::db::CompareCollated(
                                 {static_cast<const char*>(p1), size_t(n1)},
                                 {static_cast<const char*>(p2), size_t(n2)});
                           });
  Lite(lite, "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, grp INTEGER, score REAL)");

  struct Result {
    const char* name;
    double ours, lite;
    uintmax_t our_size = 0, lite_size = 0;
  };
  std::vector<Result> results;

  auto our_insert = [&] {
    for (const Row& r : rows) {
      Check(ours->InsertRecord(
                "t", {{"id", r.id}, {"name", r.name}, {"grp", r.grp}, {"score", r.score}}),
            "insert");
    }
  };
  auto lite_insert = [&] {
    sqlite3_stmt* st;
    sqlite3_prepare_v2(lite, "INSERT INTO t VALUES (?, ?, ?, ?)", -1, &st, nullptr);
    for (const Row& r : rows) {
      sqlite3_bind_int(st, 1, std::atoi(r.id.c_str()));
      sqlite3_bind_text(st, 2, r.name.c_str(), int(r.name.size()), SQLITE_STATIC);
      sqlite3_bind_int(st, 3, std::atoi(r.grp.c_str()));
      sqlite3_bind_double(st, 4, std::atof(r.score.c_str()));
      Check(sqlite3_step(st) == SQLITE_DONE, "sqlite insert");
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
  };
  auto sizes = [&](Result r) {
    r.our_size = std::filesystem::file_size(dir.File("ours.db"));
    r.lite_size = std::filesystem::file_size(dir.File("lite.db"));
    return r;
  };

  double o = Seconds([&] {
    our_insert();
    Check(ours->Commit(), "commit");
  });
  double l = Seconds([&] {
    Lite(lite, "BEGIN");
    lite_insert();
    Lite(lite, "COMMIT");
  });
  results.push_back(sizes({"bulk insert in one transaction", o, l}));

  std::vector<std::string> keys;
  for (int i = 0; i < 10000; ++i) keys.push_back(std::to_string(rng() % unsigned(n)));
  size_t a = 0, b = 0;
  o = Seconds([&] {
    for (const auto& k : keys) a += OurQuery(*ours, "select * from t where id = " + k);
  });
  l = Seconds([&] {
    for (const auto& k : keys) b += LiteQuery(lite, "SELECT * FROM t WHERE id = " + k);
  });
  Check(a == b, "lookups agree");
  results.push_back({"10,000 primary-key lookups", o, l});

  o = Seconds([&] { a = OurQuery(*ours, "select * from t where grp = 7"); });
  l = Seconds([&] { b = LiteQuery(lite, "SELECT * FROM t WHERE grp = 7"); });
  Check(a == b, "scan agrees");
  results.push_back({"full scan, WHERE on a non-key column", o, l});

  o = Seconds([&] { a = OurQuery(*ours, "select id, name from t order by name"); });
  l = Seconds(
      [&] { b = LiteQuery(lite, "SELECT id, name FROM t ORDER BY name COLLATE TESS, id"); });
  Check(a == b, "sort agrees");
  results.push_back({"ORDER BY a text column", o, l});

  o = Seconds([&] { a = OurQuery(*ours, "select grp, avg(score) from t group by grp"); });
  l = Seconds([&] { b = LiteQuery(lite, "SELECT grp, avg(score) FROM t GROUP BY grp"); });
  Check(a == b, "groups agree");
  results.push_back({"GROUP BY with avg", o, l});

  o = Seconds([&] {
    ours->Execute("delete from t");
    Check(ours->ErrorCode() == 0, "delete");
    our_insert();
    Check(ours->Commit(), "commit");
  });
  l = Seconds([&] {
    Lite(lite, "BEGIN");
    Lite(lite, "DELETE FROM t");
    lite_insert();
    Lite(lite, "COMMIT");
  });
  results.push_back(sizes({"delete all and reinsert, one transaction", o, l}));

  o = Seconds([&] {
    ours->Execute("update t set name = 'an updated name'");
    Check(ours->ErrorCode() == 0 && ours->Commit(), "update");
  });
  l = Seconds([&] { Lite(lite, "UPDATE t SET name = 'an updated name'"); });
  results.push_back(sizes({"update every row", o, l}));

  sqlite3_close(lite);
  ours->Close();
  std::printf("%d rows; ratio = our time / SQLite's time (goal: 1.0 or below)\n", n);
  for (const Result& r : results) {
    std::printf("%-42s %6.2f   (ours %.3f s, SQLite %.3f s)", r.name, r.ours / r.lite, r.ours,
                r.lite);
    if (r.our_size) {
      std::printf("   file %.2f MB, SQLite's %.2f MB", double(r.our_size) / 1e6,
                  double(r.lite_size) / 1e6);
    }
    std::printf("\n");
  }
  return 0;
}
