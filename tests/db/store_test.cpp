// The file format, transactions, the catalog and the storage layer's checks.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "base/byte_order.h"
#include "db/check.h"
#include "db/format.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StoreTest : public DbTest {};

TEST_F(StoreTest, NewFileIsHeaderAndWholePagesWithTheCatalog) {
  std::vector<uint8_t> b = FileBytes(path_);
  ASSERT_GE(b.size(), kHeaderSize + kPageSize);
  EXPECT_EQ((b.size() - kHeaderSize) % kPageSize, 0u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 8),
            (std::vector<uint8_t>{0xFE, 0xED, 0xDB, 0xDB, 0, 0, 0, 1}));
  EXPECT_EQ(be32(&b[kHdrInProgress]), 0u);
  EXPECT_EQ(be32(&b[kHdrDirectoryRoot]), 0u);
  EXPECT_EQ(be32(&b[kHeaderSize]), kDirectoryPage);
  for (size_t i = 24; i < 64; ++i) EXPECT_EQ(b[i], 0) << i;
  // Page 0 is the directory; the three catalog storages follow.
  EXPECT_EQ(b.size(), kHeaderSize + 4 * kPageSize);
  std::vector<std::pair<std::string, uint32_t>> dir;
  ASSERT_TRUE(db_->catalog().Directory(&dir));
  EXPECT_EQ(dir, (std::vector<std::pair<std::string, uint32_t>>{
                     {"sys$blob", 3}, {"sys$fields", 2}, {"sys$tables", 1}}));
}

TEST_F(StoreTest, CreateTableChecksAndMessages) {
  struct Case {
    const char* sql;
    const char* error;
  } cases[] = {
      {"create table t (a integer)", "0: "},
      {"create table T (b integer)", "2000: Unable to create T because it already exists"},
      {"create table u (a integer, t timestamp)",
       "2002: Unable to create u because an unsupported column type was used"},
      {"alter table nope add c integer",
       "2003: Unable to add column c because table 'nope' doesn't exist"},
      {"alter table t add column c timestamp",
       "2002: Unable to add c because an unsupported  type was used"},
      {"alter table t add column c date not null", "0: "},
  };
  for (const Case& c : cases) EXPECT_EQ(ExecError(c.sql), c.error) << c.sql;
  // The refused table left nothing behind.
  EXPECT_EQ(Rows("select * from t"), std::vector<std::string>{});
  ASSERT_EQ(db_->tables().size(), 1u);
  EXPECT_EQ(db_->tables()[0].columns.size(), 2u);
}

TEST_F(StoreTest, InsertRowChecksAndMessages) {
  Exec(
      "create table t (id integer not null, d date, tm time, b boolean, s smallint, "
      "primary key (id))");
  struct Case {
    FieldValues values;
    const char* error;
  } cases[] = {
      {{{"id", "1"}, {"d", "2002-5-7"}}, "0: "},
      {{{"id", "2"}, {"d", "2002/05/07"}}, "2003: Invalid date format"},
      {{{"id", "3"}, {"tm", "10:30"}}, "2003: Invalid time format"},
      {{{"id", "4"}, {"nope", "1"}}, "2003: Unknown column nope"},
      {{{"d", "2002-01-01"}}, "2003: NotNull column violation"},
      {{{"id", std::nullopt}}, "2003: NotNull column violation"},
      {{{"id", "1"}}, "2005: Insert failed: primary key violation"},
      {{{"ID", "5"}, {"tm", " 23:59:58 "}, {"b", "TRUE"}, {"s", "-7"}}, "0: "},
      {{{"id", "6"}, {"b", "yes"}, {"d", "1999-12-31 10:00"}}, "0: "},
  };
  for (const Case& c : cases) {
    db_->InsertRecord("t", c.values);
    EXPECT_EQ(std::to_string(db_->ErrorCode()) + ": " + db_->ErrorMessage(), c.error)
        << c.values[0].first;
  }
  db_->InsertRecord("nope", {{"id", "1"}});
  EXPECT_EQ(db_->ErrorMessage(), "Unknown table nope");
  EXPECT_EQ(Rows("select * from t"),
            (std::vector<std::string>{"1\t2002-05-07\t\t\t", "5\t\t23:59:58\ttrue\t-7",
                                      "6\t1999-12-31\t\tfalse\t"}));
  // Dates are three big-endian 16-bit fields natively.
  auto c = db_->Select("select d from t where id = 1");
  ASSERT_TRUE(c && c->MoveNext());
  EXPECT_EQ(c->NativeValue(0), std::string("\x07\xD2\x00\x05\x00\x07", 6));
}

TEST_F(StoreTest, RowTooLongIsRefused) {
  Exec("create table t (a varchar(9000))");
  // Entry header 10 + field count 2 + null bitmap 1 + text slot 4.
  db_->InsertRecord("t", {{"a", std::string(8174 - 17, 'x')}});
  EXPECT_EQ(db_->ErrorCode(), 0);
  db_->InsertRecord("t", {{"a", std::string(8175 - 17, 'x')}});
  EXPECT_EQ(db_->ErrorCode(), 2006);
  EXPECT_EQ(db_->ErrorMessage(), "Insert failed: data too long");
  EXPECT_EQ(Rows("select count(*) from t"), std::vector<std::string>{"1"});
}

TEST_F(StoreTest, LargeValueIsChunkedWithOneIndex) {
  Exec("create table t (id integer, v long varbinary)");
  std::string value(9000, '\0');
  for (size_t i = 0; i < value.size(); ++i) value[i] = char(i * 7);
  uint32_t before = db_->pager().PeekRecordId();
  ASSERT_TRUE(db_->InsertRecord("t", {{"id", "1"}, {"v", value}}));
  // Chunks of 4000, 4000 and 1000 bytes, one index entry, then the row.
  std::vector<size_t> sizes;
  Tree blob(&db_->pager(), db_->catalog().blob_root(),
            [](const uint8_t* e, size_t, std::string* k) { AppendU32Key(be32(e + 6), k); });
  TreeCursor c = blob.Begin();
  EntryRef e;
  std::vector<char> tags;
  while (c.Next(&e)) {
    if (e.record() < before) continue;
    tags.push_back(e.body()[0]);
    sizes.push_back(e.body().size() - 1);
  }
  EXPECT_EQ(tags, (std::vector<char>{'C', 'C', 'C', 'X'}));
  EXPECT_EQ(sizes, (std::vector<size_t>{4000, 4000, 1000, 24}));
  auto cur = db_->Select("select v from t");
  ASSERT_TRUE(cur && cur->MoveNext());
  EXPECT_EQ(cur->NativeValue(0), value);
}

TEST_F(StoreTest, VeryLargeValueChainsIndexes) {
  Exec("create table t (v long varchar)");
  std::string value(4000 * 1203 + 17, 'a');
  for (size_t i = 0; i < value.size(); i += 997) value[i] = char('A' + i % 26);
  ASSERT_TRUE(db_->InsertRecord("t", {{"v", value}}));
  Reopen();
  auto cur = db_->Select("select v from t");
  ASSERT_TRUE(cur && cur->MoveNext());
  EXPECT_TRUE(cur->NativeValue(0) == value);
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
}

TEST_F(StoreTest, RollbackHidesRowsAndClearsTheFlag) {
  Exec("create table t (a integer)");
  Exec("insert into t (a) values (1)");
  Exec("commit");
  for (int i = 2; i < 3000; ++i) Exec("insert into t (a) values (" + std::to_string(i) + ")");
  Exec("delete from t where a = 1");
  EXPECT_EQ(be32(&FileBytes(path_)[kHdrInProgress]), 1u);
  Exec("rollback");
  EXPECT_EQ(be32(&FileBytes(path_)[kHdrInProgress]), 0u);
  EXPECT_EQ(Rows("select * from t"), std::vector<std::string>{"1"});
  Reopen();
  EXPECT_EQ(Rows("select * from t"), std::vector<std::string>{"1"});
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  // Tables created in a rolled-back transaction are gone, the rest stays.
  Exec("create table u (a integer)");
  Exec("rollback");
  EXPECT_EQ(SelectError("select * from u"), "202: Invalid table u");
  EXPECT_EQ(Rows("select count(*) from t"), std::vector<std::string>{"1"});
}

TEST_F(StoreTest, SplitsThousandsOfRowsAndFindsEverythingAfterReopen) {
  Exec("create table k (id integer, name varchar(40), primary key (name, id))");
  Exec("create table n (id integer, pad varchar(300))");
  std::vector<std::string> expect;
  std::string pad(250, 'p');
  // Keys arrive out of order so splits hit the middle, the front and the end.
  for (int i = 0; i < 6000; ++i) {
    int id = (i * 7919) % 6000;
    char name[32];
    std::snprintf(name, sizeof name, "n%05d", (id * 31) % 6000);
    ASSERT_TRUE(db_->InsertRecord("k", {{"id", std::to_string(id)}, {"name", name}}));
    ASSERT_TRUE(db_->InsertRecord("n", {{"id", std::to_string(i)}, {"pad", pad}}));
  }
  Exec("commit");
  Reopen();
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  std::vector<std::string> rows = Rows("select name, id from k");
  ASSERT_EQ(rows.size(), 6000u);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
  EXPECT_EQ(Rows("select id from k where name = 'n00031'"), std::vector<std::string>{"1"});
  std::vector<std::string> ids = Rows("select id from n");
  ASSERT_EQ(ids.size(), 6000u);
  for (int i = 0; i < 6000; ++i) ASSERT_EQ(ids[size_t(i)], std::to_string(i));
  db_->InsertRecord("k", {{"id", "1"}, {"name", "n00031"}});
  EXPECT_EQ(db_->ErrorCode(), 2005);
  // Some page of each table is an index page now.
  EXPECT_GT(db_->pager().page_count(), 200u);
}

TEST_F(StoreTest, EntriesTooBigForTheirNeighboursGetPagesOfTheirOwn) {
  Exec("create table t (k varchar(10), v varchar(8000), primary key (k))");
  // Big rows inserted between others exercise both sides of every split.
  const char* keys[] = {"m", "c", "x", "a", "e", "d", "z", "b", "y", "f"};
  for (int round = 0; round < 3; ++round) {
    for (const char* k : keys) {
      std::string key = std::string(k) + std::to_string(round);
      size_t size = 4000 + (key[0] * 131 + round * 977) % 4100;
      ASSERT_TRUE(db_->InsertRecord("t", {{"k", key}, {"v", std::string(size, key[0])}}))
          << db_->ErrorMessage();
    }
  }
  Reopen();
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  std::vector<std::string> rows = Rows("select k from t");
  ASSERT_EQ(rows.size(), 30u);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
}

TEST_F(StoreTest, UpdateAndDeleteKeepKeysUnique) {
  Exec("create table t (id integer, v varchar(10), primary key (id))");
  for (int i = 1; i <= 5; ++i) {
    Exec("insert into t (id, v) values (" + std::to_string(i) + ", 'v" + std::to_string(i) + "')");
  }
  EXPECT_EQ(ExecError("update t set id = 1 where id = 2"),
            "2005: Insert failed: primary key violation");
  EXPECT_EQ(ExecError("update t set id = 9"), "2005: Insert failed: primary key violation");
  Exec("update t set id = 6 where id = 5");
  Exec("update t set v = 'same' where id > 3");
  EXPECT_EQ(ExecError("update t set nope = 1"), "208: The column nope does not exist in table t");
  EXPECT_EQ(ExecError("update t set v = 1 wher id = 1"), "200: Expecting 'WHERE'");
  Exec("delete from t where v = 'v1' or id = 2");
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"3\tv3", "4\tsame", "6\tsame"}));
  Exec("commit");
  Reopen();
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"3\tv3", "4\tsame", "6\tsame"}));
  Exec("delete from t;;");
  EXPECT_EQ(Rows("select * from t"), std::vector<std::string>{});
}

}  // namespace
}  // namespace tess::db::test
