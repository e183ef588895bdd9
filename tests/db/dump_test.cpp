// .dump replays exactly: every number keeps its bits and text keeps every
// byte, through a second database built from the dump alone.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "db/check.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

class DumpTest : public DbTest {
 protected:
  // The dump replayed into a fresh file, then that file's own dump.
  std::vector<std::string> Replay(const std::vector<std::string>& dump) {
    Status s;
    auto copy = Database::Create(dir_.File("copy.db"), &s);
    EXPECT_TRUE(copy) << s.message;
    if (!copy) return {};
    for (const std::string& statement : dump) {
      copy->Execute(statement);
      EXPECT_EQ(copy->ErrorCode(), 0) << statement << ": " << copy->ErrorMessage();
    }
    bool ok = false;
    auto again = DumpDatabase(*copy, &ok);
    EXPECT_TRUE(ok);
    native_ = NativeRows(*copy, "select * from t");
    return again;
  }
  static std::vector<std::string> NativeRows(Database& db, const std::string& sql) {
    std::vector<std::string> rows;
    auto c = db.Select(sql);
    EXPECT_TRUE(c) << db.ErrorMessage();
    while (c && c->MoveNext()) {
      std::string row;
      for (size_t i = 0; i < c->ColumnCount(); ++i) {
        row += char(c->ValueType(i));
        row += std::to_string(c->NativeValue(i).size()) + ":";
        row += c->NativeValue(i);
      }
      rows.push_back(row);
    }
    return rows;
  }
  std::vector<std::string> native_;
};

TEST_F(DumpTest, NumbersKeepTheirBits) {
  Exec("create table t (id integer, d double, f float, primary key (id))");
  std::mt19937_64 random(7);
  for (int i = 0; i < 600; ++i) {
    uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, 8);
    float f;
    uint32_t fbits = uint32_t(bits >> 17);
    std::memcpy(&f, &fbits, 4);
    // Spread over every magnitude, subnormals included; NaN payloads are not kept.
    if (d != d) d = double(i) / 7;
    if (f != f) f = float(i) / 3;
    char text[80];
    std::snprintf(text, sizeof text, "'%.17g', '%.9g'", d, double(f));
    Exec("insert into t (id, d, f) values (" + std::to_string(i) + ", " + text + ")");
  }
  bool ok = false;
  auto dump = DumpDatabase(*db_, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Replay(dump), dump);
  EXPECT_EQ(native_, NativeRows(*db_, "select * from t"));
}

TEST_F(DumpTest, TextKeepsEveryByte) {
  Exec("create table t (id integer, v varchar(255), l long varchar)");
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  ASSERT_TRUE(db_->InsertRecord("t", {{"id", "1"}, {"v", all}, {"l", all + all}}));
  ASSERT_TRUE(
      db_->InsertRecord("t", {{"id", "2"}, {"v", "'\"[]"}, {"l", std::string(9000, '\n')}}));
  ASSERT_TRUE(db_->InsertRecord("t", {{"id", "3"}, {"v", ""}, {"l", std::nullopt}}));
  bool ok = false;
  auto dump = DumpDatabase(*db_, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Replay(dump), dump);
  EXPECT_EQ(native_, NativeRows(*db_, "select * from t"));
}

}  // namespace
}  // namespace tess::db::test
