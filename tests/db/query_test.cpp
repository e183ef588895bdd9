// Query execution: LIKE, ordering by collation, the external sort,
// aggregates and GROUP BY, column resolution across tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "base/byte_order.h"
#include "db/collation.h"
#include "db/rows.h"
#include "db/sort.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

TEST(Like, MatchesWholeValuesByteByByte) {
  struct Case {
    const char* value;
    const char* pattern;
    bool match;
  } cases[] = {
      {"a", "a%", true},
      {"abc", "a%", true},
      {"Abc", "a%", false},
      {"abc", "a_c", true},
      {"ac", "a_c", false},
      {"", "%", true},
      {"", "_", false},
      {"", "", true},
      {"a", "", false},
      {"abc", "%c", true},
      {"abcb", "%b", true},
      {"abc", "%b", false},
      {"a%c", "a%%c", true},
      {"xaaab", "%a%b", true},
      {"ab", "a%%%b", true},
      {"abc", "ABC", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "%a%a%a%a%a%a%a%a%a%a%b", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LikeMatch(c.value, c.pattern), c.match) << c.value << " LIKE " << c.pattern;
  }
}

TEST(Collation, UpperBeforeLowerBeforeAccentedBeforeNextLetter) {
  // Mac Roman: 0x80 is A-diaeresis, 0x87 a-acute.
  std::vector<std::string> words = {"B", "\x87", "ab", "a", "A", "\x80", "b", ""};
  std::sort(words.begin(), words.end(),
            [](const std::string& x, const std::string& y) { return CompareCollated(x, y) < 0; });
  EXPECT_EQ(words, (std::vector<std::string>{"", "A", "\x80", "a", "ab", "\x87", "B", "b"}));
}

class QueryTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Exec("create table p (id integer, name varchar(20), score double, primary key (id))");
    const char* rows[][3] = {{"1", "b", "2"}, {"2", "A", "1"},  {"3", "a", "4"},
                             {"4", "B", "2"}, {"5", "ab", "8"}, {"6", "a", "16"}};
    for (auto& r : rows) {
      ASSERT_TRUE(db_->InsertRecord("p", {{"id", r[0]}, {"name", r[1]}, {"score", r[2]}}));
    }
  }
};

TEST_F(QueryTest, WhereComparesByColumnType) {
  EXPECT_EQ(Rows("select id from p where name like 'a%'"),
            (std::vector<std::string>{"3", "5", "6"}));
  EXPECT_EQ(Rows("select id from p where name not like 'a%'"),
            (std::vector<std::string>{"1", "2", "4"}));
  EXPECT_EQ(Rows("select id from p where name < 'a'"), (std::vector<std::string>{"2", "4"}));
  EXPECT_EQ(Rows("select id from p where upper(name) = 'AB'"), std::vector<std::string>{"5"});
  EXPECT_EQ(Rows("select id from p where lower(name) = 'b'"), (std::vector<std::string>{"1", "4"}));
  EXPECT_EQ(Rows("select id from p where score >= 4.0 and id <> 6"),
            (std::vector<std::string>{"3", "5"}));
  EXPECT_EQ(Rows("select id from p where id > '4'"), (std::vector<std::string>{"5", "6"}));
  EXPECT_EQ(Rows("select id from p where score = id"), std::vector<std::string>{});
  EXPECT_EQ(Rows("select id from p where score < id"), (std::vector<std::string>{"2", "4"}));
}

TEST_F(QueryTest, DatesTimesAndBooleansCompareByValue) {
  Exec("create table e (d date, t time, f boolean)");
  Exec("insert into e (d, t, f) values ('2002-5-7', '9:05:00', 'true')");
  Exec("insert into e (d, t, f) values ('2002-12-1', '10:00:00', 'false')");
  EXPECT_EQ(Rows("select d from e where d > '2002-05-31'"), std::vector<std::string>{"2002-12-01"});
  EXPECT_EQ(Rows("select t from e where t < '10:0:0'"), std::vector<std::string>{"09:05:00"});
  EXPECT_EQ(Rows("select d from e where d = '2002/05/07'"), std::vector<std::string>{});
  EXPECT_EQ(Rows("select f from e where f = 'TRUE'"), std::vector<std::string>{"true"});
  EXPECT_EQ(Rows("select d from e order by d desc"),
            (std::vector<std::string>{"2002-12-01", "2002-05-07"}));
}

TEST_F(QueryTest, OrderByCollationAndKeys) {
  EXPECT_EQ(Rows("select name from p order by name"),
            (std::vector<std::string>{"A", "a", "a", "ab", "B", "b"}));
  EXPECT_EQ(Rows("select name, id from p order by name desc, id"),
            (std::vector<std::string>{"b\t1", "B\t4", "ab\t5", "a\t3", "a\t6", "A\t2"}));
  EXPECT_EQ(Rows("select name, id from p order by 1, 2 desc"),
            (std::vector<std::string>{"A\t2", "a\t6", "a\t3", "ab\t5", "B\t4", "b\t1"}));
  // A sort column outside the select list travels hidden.
  EXPECT_EQ(Rows("select id from p order by score desc, name"),
            (std::vector<std::string>{"6", "5", "3", "4", "1", "2"}));
}

TEST_F(QueryTest, AggregatesAndGroups) {
  EXPECT_EQ(Rows("select count(*), sum(score), min(score), max(id), avg(score) from p"),
            std::vector<std::string>{"6\t33\t1\t6\t5.5"});
  EXPECT_EQ(Rows("select name, count(*), avg(score) from p group by name"),
            (std::vector<std::string>{"A\t1\t1", "a\t2\t10", "ab\t1\t8", "B\t1\t2", "b\t1\t2"}));
  EXPECT_EQ(Rows("select count(*) from p where id > 100"), std::vector<std::string>{});
  Exec("create table m (v integer)");
  EXPECT_EQ(Rows("select count(*) from m"), std::vector<std::string>{});
  for (const char* v : {"1", "2", "4"}) Exec(std::string("insert into m (v) values (") + v + ")");
  auto c = db_->Select("select avg(v) from m");
  ASSERT_TRUE(c && c->MoveNext());
  EXPECT_EQ(c->ValueType(0), kDouble);
  double mean = ((0 * 0.0 + 1) / 1 * 1 + 2) / 2;
  mean = (2 * mean + 4) / 3;
  double got;
  ASSERT_TRUE(NativeNumber(kDouble, c->NativeValue(0), &got));
  EXPECT_EQ(got, mean);
  EXPECT_EQ(c->Text(0), "2.333333");
  // A null between values neither counts toward nor drags the mean.
  Exec("insert into m (v) values (NULL)");
  EXPECT_EQ(Rows("select avg(v), count(*) from m"), std::vector<std::string>{"2.333333\t4"});
}

TEST_F(QueryTest, CrossProductAndQualifiedNames) {
  Exec("create table q (id integer, tag varchar(5))");
  Exec("insert into q (id, tag) values (1, 'x')");
  Exec("insert into q (id, tag) values (5, 'y')");
  EXPECT_EQ(Rows("select p.name, tag from p, q where p.id = q.id"),
            (std::vector<std::string>{"b\tx", "ab\ty"}));
  EXPECT_EQ(Rows("select count(*) from p, q"), std::vector<std::string>{"12"});
  EXPECT_EQ(SelectError("select id from p, q"), "205: Ambiguous column reference: id");
}

TEST_F(QueryTest, CursorMovesAndReportsColumns) {
  auto c = db_->Select("select id, name from p where id < 3");
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->Bof());
  EXPECT_EQ(c->ColumnCount(), 2u);
  EXPECT_EQ(c->ColumnName(1), "name");
  EXPECT_EQ(c->ColumnTable(1), "p");
  EXPECT_EQ(c->ColumnType(0), kInteger);
  EXPECT_EQ(c->RecordCount(), 2u);
  EXPECT_TRUE(c->MoveLast());
  EXPECT_EQ(c->Text(0), "2");
  EXPECT_EQ(c->NativeValue(0), std::string("\x02\0\0\0", 4));
  EXPECT_FALSE(c->MoveNext());
  EXPECT_TRUE(c->Eof());
  EXPECT_TRUE(c->MovePrevious());
  EXPECT_TRUE(c->MovePrevious());
  EXPECT_EQ(c->Text(1), "b");
  EXPECT_FALSE(c->MovePrevious());
  EXPECT_TRUE(c->Bof());
  EXPECT_EQ(c->ValueType(0), 0);
  auto schema = db_->FieldSchema("P");
  ASSERT_TRUE(schema);
  EXPECT_EQ(RowsOf(*schema),
            (std::vector<std::string>{"id\t3\ttrue\tfalse\t0", "name\t5\tfalse\tfalse\t20",
                                      "score\t7\tfalse\tfalse\t0"}));
  auto tables = db_->TableSchema();
  EXPECT_EQ(RowsOf(*tables), std::vector<std::string>{"p"});
}

TEST_F(QueryTest, SortLargerThanTheRunBudgetSpillsAndMatches) {
  Exec("create table big (id integer, name varchar(200))");
  std::vector<std::string> expect;
  for (int i = 0; i < 5000; ++i) {
    std::string name(150, char('a' + (i * 37) % 26));
    name += std::to_string((i * 7919) % 5000);
    ASSERT_TRUE(db_->InsertRecord("big", {{"id", std::to_string(i)}, {"name", name}}));
  }
  int streams = 0;
  tess::test::TempDir temp;
  db_->set_temp_streams([&]() -> std::unique_ptr<ByteStream> {
    ++streams;
    setenv("TMPDIR", temp.path().c_str(), 1);
    auto f = FileStream::CreateTemp();
    unsetenv("TMPDIR");
    return f;
  });
  std::vector<std::string> spilled = Rows("select name, id from big order by name desc, id");
  EXPECT_GE(streams, 2);
  // The cursor is gone, and with it every temporary file.
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
  ASSERT_EQ(spilled.size(), 5000u);
  {
    // Read backwards, from the middle on: the merge is written out first.
    auto c = db_->Select("select name, id from big order by name desc, id");
    ASSERT_TRUE(c);
    for (int i = 0; i < 2500; ++i) ASSERT_TRUE(c->MoveNext());
    std::vector<std::string> backwards;
    while (c->MovePrevious()) backwards.push_back(c->Text(0) + "\t" + c->Text(1));
    std::vector<std::string> first_half(spilled.begin(), spilled.begin() + 2499);
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, first_half);
    EXPECT_FALSE(c->failed());
  }
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
  // The same order as sorting in memory with the same comparison.
  Sorter in_memory({{0, true}, {1, false}}, 2, nullptr, size_t(1) << 30);
  auto c = db_->Select("select name, id from big");
  std::string row;
  while (c->MoveNext()) {
    row.clear();
    AppendValue(&row, c->ValueType(0), c->NativeValue(0));
    AppendValue(&row, c->ValueType(1), c->NativeValue(1));
    ASSERT_TRUE(in_memory.Add(row));
  }
  auto sorted = in_memory.Finish();
  EXPECT_EQ(in_memory.spills(), 0u);
  std::vector<std::string> expected;
  for (size_t i = 0; i < sorted->size(); ++i) {
    std::string_view r;
    ASSERT_TRUE(sorted->Row(i, &r));
    std::vector<ValueRef> v;
    ASSERT_TRUE(SplitRow(r, &v));
    expected.push_back(std::string(v[0].bytes) + "\t" + NativeText(v[1].type, v[1].bytes));
  }
  EXPECT_EQ(spilled, expected);
}

// The sort's order is the row comparison's, whatever shortcuts it takes:
// rows of numbers (ties, nulls, -0, NaN, infinities), text, mixed types,
// descending keys, in memory and spilled, against a plain stable sort.
TEST(Sorter, OrdersLikeTheRowComparison) {
  std::mt19937 random(3);
  auto number = [&](uint8_t type) {
    static const double kSpecial[] = {0.0, -0.0, 1.5, -1.5, 1e300, -1e-300, NAN, INFINITY};
    double d = random() % 4 ? double(int(random() % 7) - 3) : kSpecial[random() % 8];
    uint8_t b[8];
    if (type == kInteger) {
      put_le32(b, uint32_t(int32_t(random() % 5) - 2));
      return std::string(reinterpret_cast<char*>(b), 4);
    }
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    put_le32(b, uint32_t(bits));
    put_le32(b + 4, uint32_t(bits >> 32));
    return std::string(reinterpret_cast<char*>(b), 8);
  };
  struct Case {
    std::vector<uint8_t> types;  // per column; 0 mixes integers and doubles
    std::vector<SortKey> keys;
  } cases[] = {
      {{kInteger, kDouble}, {{0, false}}},
      {{kInteger, kDouble, kInteger}, {{2, true}, {0, false}}},
      {{kDouble, kText, kInteger}, {{0, true}}},
      {{kText, kInteger}, {{1, false}, {0, true}}},
      {{0, kDouble}, {{0, false}}},
      {{kDouble, kDouble, kDouble, kDouble}, {{3, false}, {3, true}}},
  };
  for (const Case& c : cases) {
    for (size_t budget : {size_t(1) << 30, size_t(3000)}) {
      Sorter sorter(
          c.keys, c.types.size(), [] { return std::make_unique<MemoryStream>(); }, budget);
      std::vector<std::string> rows;
      for (int i = 0; i < 3000; ++i) {
        std::string row;
        for (uint8_t type : c.types) {
          if (random() % 6 == 0) {
            AppendValue(&row, kNull, {});
          } else if (type == kText) {
            AppendValue(&row, kText, std::string(random() % 3, char("aAbB"[random() % 4])));
          } else {
            uint8_t t = type ? type : uint8_t(random() % 2 ? kInteger : kDouble);
            AppendValue(&row, t, number(t));
          }
        }
        rows.push_back(row);
        ASSERT_TRUE(sorter.Add(row));
      }
      std::stable_sort(rows.begin(), rows.end(), [&](const std::string& a, const std::string& b) {
        std::vector<ValueRef> x, y;
        SplitRow(a, &x);
        SplitRow(b, &y);
        return CompareRows(x.data(), y.data(), c.types.size(), c.keys) < 0;
      });
      auto sorted = sorter.Finish();
      ASSERT_TRUE(sorted);
      EXPECT_EQ(budget<10000, sorter.spills()> 0);
      std::vector<std::string> got;
      for (size_t i = 0; i < sorted->size(); ++i) {
        std::string_view r;
        ASSERT_TRUE(sorted->Row(i, &r));
        got.emplace_back(r);
      }
      EXPECT_TRUE(got == rows) << "case with " << c.types.size() << " columns, budget " << budget;
    }
  }
}

TEST(Sorter, TemporaryStreamsAreReleasedAndFailuresReported) {
  int live = 0, made = 0;
  struct Counted : MemoryStream {
    explicit Counted(int* n) : n_(n) { ++*n_; }
    ~Counted() override { --*n_; }
    int* n_;
  };
  {
    Sorter s(
        {{0, false}}, 1,
        [&]() -> std::unique_ptr<ByteStream> {
          ++made;
          return std::make_unique<Counted>(&live);
        },
        1000);
    std::string row;
    for (int i = 0; i < 1000; ++i) {
      row.clear();
      uint8_t b[4] = {uint8_t(i * 13), uint8_t(i * 7), 0, 0};
      AppendValue(&row, kInteger, {reinterpret_cast<char*>(b), 4});
      ASSERT_TRUE(s.Add(row));
    }
    auto rows = s.Finish();
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->size(), 1000u);
    EXPECT_GT(made, 4);
    EXPECT_EQ(live, 2);  // only the final pair is still held
  }
  EXPECT_EQ(live, 0);
  Sorter failing(
      {{0, false}}, 1, []() { return nullptr; }, 10);
  std::string row;
  AppendValue(&row, kText, "0123456789abc");
  EXPECT_TRUE(failing.Add(row));
  EXPECT_FALSE(failing.Add(row));
  EXPECT_FALSE(failing.Finish());
}

}  // namespace
}  // namespace tess::db::test
