// The dialect: tokens, statement grammar and every parser message.
#include <gtest/gtest.h>

#include "db/sql.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

std::vector<std::string> Tokens(std::string_view text) {
  Lexer lex(text);
  std::vector<std::string> out;
  for (Token t = lex.Next(); !t.empty(); t = lex.Next()) {
    out.push_back(t.bracketed ? "[" + t.text + "]" : t.text);
  }
  return out;
}

TEST(SqlTokens, SplitLikeTheDialect) {
  struct Case {
    const char* text;
    std::vector<std::string> tokens;
  } cases[] = {
      {"select a,b from t where x<=1 and y<>2 or z>=-3.5",
       {"select", "a", ",", "b", "from", "t", "where", "x", "<=", "1", "and", "y", "<>", "2", "or",
        "z", ">=", "-3.5"}},
      {"[Order Date] Order Date", {"[Order Date]", "Order", "Date"}},
      {"'It''s' \"say \"\"hi\"\"\"", {"'It's'", "\"say \"hi\"\""}},
      {"'abc", {"'abc'"}},
      {"[unclosed name", {"[unclosed name]"}},
      {"count(*) t.* a<b>c=d",
       {"count", "(", "*", ")", "t", ".", "*", "a", "<", "b", ">", "c", "=", "d"}},
      {"\x80\xff x\xe9y", {"x", "y"}},
      {"12.5.6abc -", {"12.5.6", "abc", "-"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(SqlTokens, IdentifierTest) {
  EXPECT_TRUE(IsIdentifier("Order Date"));
  EXPECT_TRUE(IsIdentifier("a_1#"));
  EXPECT_TRUE(IsIdentifier("\x81x"));
  EXPECT_FALSE(IsIdentifier(""));
  EXPECT_FALSE(IsIdentifier("1a"));
  EXPECT_FALSE(IsIdentifier("_a"));
  EXPECT_FALSE(IsIdentifier("a-b"));
}

class SqlTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Exec("create table t (a integer, b varchar(10), c integer)");
    Exec("create table u (a integer, d varchar(10))");
  }
};

TEST_F(SqlTest, ExecuteMessages) {
  struct Case {
    const char* sql;
    const char* error;
  } cases[] = {
      {"vacuum", "0: "},
      {"drop table t", "2007: Dropping tables from this database is not currently supported."},
      {"alter table t drop c", "2008: Dropping columns is not supported for this database"},
      {"alter table t modify c", "200: Expected 'ADD'"},
      {"create table x a integer)", "200: Expecting '('"},
      {"create table x (a integer b integer)", "200: Expecting ',' or ')'"},
      {"create table x (a integer, primary key (a) b)", "201: Expecting ',' or ')'"},
      {"create table x (1a integer)", "201: Invalid column name"},
      {"create table x (a char(x))", "201: Invalid field constraint"},
      {"create table x (a char(10)", "200: Expecting ',' or ')'"},
      {"create table x (a char(10 b)", "200: Expecting ')'"},
      {"create table x (a text)", "200: Expecting field type"},
      {"create table x (a long text)", "200: Expecting field type"},
      {"create table x (a integer not nul)", "200: Expecting 'NULL'"},
      {"create table x (a integer, primary (a))", "200: Expecting 'KEY'"},
      {"create table x (a integer, primary key a)", "200: Expecting '('"},
      {"create table x (a integer, primary key (b))", "201: Invalid column"},
      {"create table x (a integer, primary key (1))", "201: Invalid column name"},
      {"create table x (primary key (a))", "201: Invalid column"},
      {"create table x ()", "206: CREATE TABLE requires at least one column defined"},
      {"update t b = 1", "200: Expecting 'SET'"},
      {"update t set 1 = 2", "201: Invalid column name"},
      {"update t set b 2", "200: Expecting '='"},
      {"update t set b =", "208: Mismatched update fields"},
      {"update t set zz = 1", "208: The column zz does not exist in table t"},
      {"delete t", "200: Expecting 'FROM'"},
      {"insert t (a) values (1)", "200: Expecting 'INTO'"},
      {"insert into 1t (a) values (1)", "201: Invalid table name"},
      {"insert into t a values (1)", "200: Expecting '('"},
      {"insert into t (a, 2) values (1)", "201: Invalid column name"},
      {"insert into t (a b) values (1)", "200: Expecting ')'"},
      {"insert into t (a) (1)", "200: Expecting 'VALUES'"},
      {"insert into t (a) values 1", "200: Expecting '('"},
      {"insert into t (a) values (1 2)", "200: Expecting ')'"},
      {"insert into t (a, b) values (1)", "208: Mismatched INSERT columns"},
      {"insert into t (a) values (1, 2)", "208: Mismatched INSERT columns"},
      {"insert into t (zz) values (1)", "2003: Unknown column zz"},
      {"insert into nope (a) values (1)", "2003: Unknown table nope"},
      {"delete from t where b like abc", "201: Quotes expected after LIKE operation"},
      {"delete from t where b is 1", "201: Invalid operator 1"},
      {"delete from t where b not = 'x'", "201: Invalid operator ="},
      {"delete from t where b ! 'x'", "201: Invalid operator !"},
      {"delete from t where 1 = 1", "201: Invalid column/table identifier"},
      {"delete from t where upper b = 'x'", "200: Expected '('"},
      {"delete from t where upper(b = 'x'", "200: Expected ')'"},
      {"delete from t where zz = 1", "206: Unknown column: zz"},
      {"delete from nope", "202: Invalid table nope"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExecError(c.sql), c.error) << c.sql;
}

TEST_F(SqlTest, SelectMessages) {
  struct Case {
    const char* sql;
    const char* error;
  } cases[] = {
      {"selec a from t", "200: Expected 'SELECT'"},
      {"select a b from t", "200: Expecting ','"},
      {"select 1 from t", "201: Invalid column/table name"},
      {"select t.1 from t", "201: Invalid column name"},
      {"select count(a) from t", "201: Only COUNT(*) supported"},
      {"select count(* from t", "200: Expected ')'"},
      {"select foo(a) from t", "201: Unsupported SELECT function"},
      {"select a from 1t", "201: Invalid table name"},
      {"select a from t u", "200: Expecting ','"},
      {"select a from t order a", "200: Expecting 'BY'"},
      {"select a from t order by 'x'", "201: Invalid ORDER BY column"},
      {"select a from t order by 2", "201: Invalid column index"},
      {"select a from t group a", "200: Expecting 'BY'"},
      {"select a from t group by 1", "201: Invalid GROUP BY column"},
      {"select a from t group by a, b", "201: Only single GROUP BY columns currently supported"},
      {"select a from t order by a group by a",
       "201: ORDER BY can't be used in conjunction with GROUP BY"},
      {"select a from nope", "202: Invalid table nope"},
      {"select nope.* from t", "202: Invalid table nope"},
      {"select zz from t", "206: Unknown column: zz"},
      {"select t.d from t, u", "206: Unknown column: t.d"},
      {"select a from t, u", "205: Ambiguous column reference: a"},
      {"select b from t, u where a = 1", "205: Ambiguous column reference: a"},
      {"select a from t where name like abc", "201: Quotes expected after LIKE operation"},
  };
  for (const Case& c : cases) EXPECT_EQ(SelectError(c.sql), c.error) << c.sql;
}

TEST_F(SqlTest, AcceptedForms) {
  Exec("create table [Odd Names] ([Order Date] date, [select] integer, primary key ([select]))");
  Exec("insert into [odd names] ([ORDER DATE], [select]) values ('2002-5-7', 1);;;");
  Exec("insert into t (a, b, c) values (1, 'It''s', -2)");
  Exec("insert into t (a, b, c) values (2, \"say \"\"hi\"\"\", NULL)");
  Exec("insert into t (a, b) values (3, 'abc')");
  // An unterminated literal runs to the end, closing parenthesis included.
  EXPECT_EQ(ExecError("insert into t (a, b) values (4, 'abc)"), "200: Expecting ')'");
  EXPECT_EQ(Rows("select [Order Date], [select] from [Odd Names]"),
            std::vector<std::string>{"2002-05-07\t1"});
  EXPECT_EQ(Rows("SELECT T.B, t.c FROM t WHERE c IS NOT NULL;"),
            std::vector<std::string>{"It's\t-2"});
  EXPECT_EQ(Rows("select b from t where c is null"),
            (std::vector<std::string>{"say \"hi\"", "abc"}));
  EXPECT_EQ(Rows("select t.* from t where a >= 3"), std::vector<std::string>{"3\tabc\t"});
  Exec("commit;");
  Exec("rollback");
}

TEST_F(SqlTest, AndOrGroupToTheRight) {
  for (int a = 0; a < 2; ++a) {
    for (int c = 0; c < 2; ++c) {
      Exec("insert into t (a, b, c) values (" + std::to_string(a) + ", 'x', " + std::to_string(c) +
           ")");
    }
  }
  // a = 1 and (b = 'y' or c = 1), not (a = 1 and b = 'y') or c = 1.
  EXPECT_EQ(Rows("select a, c from t where a = 1 and b = 'y' or c = 1"),
            std::vector<std::string>{"1\t1"});
  EXPECT_EQ(Rows("select a, c from t where c = 1 or b = 'y' and a = 1"),
            (std::vector<std::string>{"0\t1", "1\t1"}));
}

std::string Repeat(std::string_view piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

// Chains as long as a statement allows, in every statement with a WHERE,
// and nesting the dialect does not accept: answers, never a stack overflow.
TEST_F(SqlTest, LongConditionChainsAndDeepNesting) {
  constexpr int kTerms = 100000;
  for (int a = 0; a < 4; ++a) {
    Exec("insert into t (a, b, c) values (" + std::to_string(a) + ", 'x', 0)");
  }
  std::string ands = "c = 0" + Repeat(" and a < 3", kTerms - 1);
  std::string ors = "a = 9" + Repeat(" or a = 9", kTerms - 2) + " or a = 2";
  // Right grouping across the chain: false or (... or (a = 2 and a = 3)).
  std::string mixed = Repeat("a = 9 or ", kTerms - 2) + "a = 2 and a = 3";
  EXPECT_EQ(Rows("select a from t where " + ands), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(Rows("select a from t where " + ors), std::vector<std::string>{"2"});
  EXPECT_EQ(Rows("select a from t where " + mixed), std::vector<std::string>{});
  Exec("update t set b = 'y' where " + ors);
  EXPECT_EQ(Rows("select a from t where b = 'y'"), std::vector<std::string>{"2"});
  Exec("delete from t where " + ands);
  EXPECT_EQ(Rows("select a from t"), std::vector<std::string>{"3"});

  std::string nested = Repeat("(", kTerms) + "a = 1" + Repeat(")", kTerms);
  EXPECT_EQ(SelectError("select a from t where " + nested), "201: Invalid column/table identifier");
  EXPECT_EQ(ExecError("delete from t where upper" + nested),
            "201: Invalid column/table identifier");
  EXPECT_EQ(ExecError("delete from t where " + ands + " and"),
            "201: Invalid column/table identifier");
}

}  // namespace
}  // namespace tess::db::test
