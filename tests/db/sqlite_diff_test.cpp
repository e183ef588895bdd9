// Differential tests against SQLite on generated data: inserts, WHERE with
// comparisons and LIKE, ORDER BY (SQLite given a collation with the same
// weight table) and the aggregates must return the same rows.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <variant>

#include "db/collation.h"
#include "db/record.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

using Value = std::variant<std::monostate, int64_t, double, std::string>;
using Row = std::vector<Value>;

bool Same(const Value& a, const Value& b) {
  auto number = [](const Value& v, double* out) {
    if (auto* i = std::get_if<int64_t>(&v)) return *out = double(*i), true;
    if (auto* d = std::get_if<double>(&v)) return *out = *d, true;
    return false;
  };
  double x, y;
  if (number(a, &x) && number(b, &y)) {
    return x == y || std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y));
  }
  return a == b;
}

std::string Show(const std::vector<Row>& rows) {
  std::string s;
  for (const Row& r : rows) {
    for (const Value& v : r) {
      if (auto* i = std::get_if<int64_t>(&v)) s += std::to_string(*i);
      if (auto* d = std::get_if<double>(&v)) s += std::to_string(*d);
      if (auto* t = std::get_if<std::string>(&v)) s += "'" + *t + "'";
      if (std::holds_alternative<std::monostate>(v)) s += "NULL";
      s += " ";
    }
    s += "\n";
  }
  return s;
}

class SqliteDiffTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    ASSERT_EQ(sqlite3_open(":memory:", &lite_), SQLITE_OK);
    sqlite3_create_collation(lite_, "TESS", SQLITE_UTF8, nullptr,
                             [](void*, int n1, const void* p1, int n2, const void* p2) {
                               return CompareCollated({static_cast<const char*>(p1), size_t(n1)},
                                                      {static_cast<const char*>(p2), size_t(n2)});
                             });
    Lite("PRAGMA case_sensitive_like = ON");
    Lite("CREATE TABLE t (id INTEGER, name TEXT, score REAL, qty INTEGER)");
    Exec(
        "create table t (id integer, name varchar(20), score double, qty smallint, "
        "primary key (id))");
    std::mt19937 rng(20261206);
    const char alphabet[] = "aAbBcC dDeE";
    for (int i = 0; i < 600; ++i) {
      int id = int((i * 7919) % 600);
      std::string name;
      size_t len = rng() % 5;
      for (size_t k = 0; k < len; ++k) name += alphabet[rng() % (sizeof alphabet - 1)];
      double score = double(int(rng() % 400) - 200) / 4;
      int qty = int(rng() % 21) - 10;
      char sql[200];
      std::snprintf(sql, sizeof sql,
                    "insert into t (id, name, score, qty) values (%d, '%s', %g, %d)", id,
                    name.c_str(), score, qty);
      Exec(sql);
      std::snprintf(sql, sizeof sql, "INSERT INTO t VALUES (%d, '%s', %.17g, %d)", id, name.c_str(),
                    score, qty);
      Lite(sql);
    }
  }
  void TearDown() override { sqlite3_close(lite_); }

  void Lite(const std::string& sql) {
    ASSERT_EQ(sqlite3_exec(lite_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sql << ": " << sqlite3_errmsg(lite_);
  }

  std::vector<Row> LiteRows(const std::string& sql) {
    std::vector<Row> rows;
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(lite_, sql.c_str(), -1, &st, nullptr), SQLITE_OK)
        << sql << ": " << sqlite3_errmsg(lite_);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
      Row r;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        switch (sqlite3_column_type(st, c)) {
          case SQLITE_INTEGER:
            r.emplace_back(int64_t(sqlite3_column_int64(st, c)));
            break;
          case SQLITE_FLOAT:
            r.emplace_back(sqlite3_column_double(st, c));
            break;
          case SQLITE_NULL:
            r.emplace_back(std::monostate());
            break;
          default:
            r.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                       size_t(sqlite3_column_bytes(st, c))));
        }
      }
      rows.push_back(r);
    }
    sqlite3_finalize(st);
    return rows;
  }

  std::vector<Row> OurRows(const std::string& sql) {
    std::vector<Row> rows;
    auto c = db_->Select(sql);
    EXPECT_TRUE(c) << sql << ": " << db_->ErrorMessage();
    while (c && c->MoveNext()) {
      Row r;
      for (size_t i = 0; i < c->ColumnCount(); ++i) {
        double d;
        uint8_t type = c->ValueType(i);
        if (type == kNull) {
          r.emplace_back(std::monostate());
        } else if (NativeNumber(type, c->NativeValue(i), &d)) {
          if (type == kSmallInt || type == kInteger) {
            r.emplace_back(int64_t(d));
          } else {
            r.emplace_back(d);
          }
        } else {
          r.emplace_back(std::string(c->NativeValue(i)));
        }
      }
      rows.push_back(r);
    }
    return rows;
  }

  void ExpectSame(const std::string& ours, const std::string& theirs) {
    std::vector<Row> a = OurRows(ours), b = LiteRows(theirs);
    bool same = a.size() == b.size();
    for (size_t i = 0; same && i < a.size(); ++i) {
      same = a[i].size() == b[i].size();
      for (size_t k = 0; same && k < a[i].size(); ++k) same = Same(a[i][k], b[i][k]);
    }
    EXPECT_TRUE(same) << ours << "\nours:\n" << Show(a) << "sqlite:\n" << Show(b);
  }

  sqlite3* lite_ = nullptr;
};

TEST_F(SqliteDiffTest, InsertedRowsRoundTrip) {
  ExpectSame("select * from t", "SELECT * FROM t ORDER BY id");
}

TEST_F(SqliteDiffTest, WhereComparisonsAndLike) {
  std::mt19937 rng(7);
  const char* ops[] = {"=", "<", ">", "<=", ">=", "<>"};
  const char* patterns[] = {"a%", "%B%", "_", "__%", "%", "a_c", "%e", "%a%a%", ""};
  const char alphabet[] = "aAbBcC dDeE";
  for (int q = 0; q < 120; ++q) {
    std::string ours, theirs, closing;
    int terms = 1 + int(rng() % 3);
    for (int t = 0; t < terms; ++t) {
      std::string term;
      switch (rng() % 5) {
        case 0:
          term = std::string("qty ") + ops[rng() % 6] + " " + std::to_string(int(rng() % 21) - 10);
          break;
        case 1:
          term = std::string("score ") + ops[rng() % 6] + " " +
                 std::to_string(double(int(rng() % 400) - 200) / 4);
          break;
        case 2:
          term = std::string("id ") + ops[rng() % 6] + " " + std::to_string(rng() % 600);
          break;
        case 3: {
          std::string lit;
          for (size_t k = rng() % 4; k > 0; --k) lit += alphabet[rng() % (sizeof alphabet - 1)];
          term = std::string("name ") + ops[rng() % 6] + " '" + lit + "'";
          break;
        }
        default:
          term = std::string("name ") + (rng() % 3 ? "like" : "not like") + " '" +
                 patterns[rng() % 9] + "'";
      }
      if (t) {
        const char* join = rng() % 2 ? " and " : " or ";
        ours += join;
        theirs += join;
        theirs += "(";
        closing += ")";
      }
      ours += term;
      theirs += term;
    }
    ExpectSame("select id, name, qty from t where " + ours,
               "SELECT id, name, qty FROM t WHERE " + theirs + closing + " ORDER BY id");
  }
}

TEST_F(SqliteDiffTest, OrderByWithTheCollation) {
  ExpectSame("select name, id from t order by name",
             "SELECT name, id FROM t ORDER BY name COLLATE TESS, id");
  ExpectSame("select name, qty, id from t order by name desc, qty",
             "SELECT name, qty, id FROM t ORDER BY name COLLATE TESS DESC, qty, id");
  ExpectSame("select score, id from t order by score desc",
             "SELECT score, id FROM t ORDER BY score DESC, id");
  ExpectSame("select qty, id from t where qty < 3 order by qty, id desc",
             "SELECT qty, id FROM t WHERE qty < 3 ORDER BY qty, id DESC");
  ExpectSame("select qty, score, name from t where qty > 0 order by qty desc, 2",
             "SELECT qty, score, name FROM t WHERE qty > 0 ORDER BY qty DESC, score, "
             "name COLLATE TESS");
}

TEST_F(SqliteDiffTest, Aggregates) {
  ExpectSame("select count(*), sum(score), avg(score), min(qty), max(qty) from t",
             "SELECT count(*), sum(score), avg(score), min(qty), max(qty) FROM t");
  ExpectSame("select count(*), avg(qty), sum(qty) from t where name like 'a%'",
             "SELECT count(*), avg(qty), sum(qty) FROM t WHERE name LIKE 'a%'");
  ExpectSame(
      "select name, count(*), sum(qty), avg(score), min(score), max(id) from t group by name",
      "SELECT name, count(*), sum(qty), avg(score), min(score), max(id) FROM t "
      "GROUP BY name ORDER BY name COLLATE TESS");
  ExpectSame("select qty, count(*), avg(score) from t where score > 0 group by qty",
             "SELECT qty, count(*), avg(score) FROM t WHERE score > 0 GROUP BY qty ORDER BY qty");
}

}  // namespace
}  // namespace tess::db::test
