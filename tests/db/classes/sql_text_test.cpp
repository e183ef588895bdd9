// The SQL text of the generic insert, update and delete, compared whole.
#include "db/classes/sql_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "db/format.h"

namespace tess::dbc {
namespace {

TEST(InsertStatementTest, NumbersBareEverythingElseQuotedNoSpaces) {
  EXPECT_EQ(InsertStatement("People", {{"id", "5", db::kInteger}, {"name", "O'Brien", db::kText}}),
            "insert into People(id,name) values (5,'O''Brien')");
  EXPECT_EQ(InsertStatement("t", {{"a", "1.5", db::kDouble},
                                  {"b", "7", db::kSmallInt},
                                  {"c", "true", db::kBoolean},
                                  {"d", "2024-02-29 10:11:12", db::kTimestamp},
                                  {"e", "", db::kText}}),
            "insert into t(a,b,c,d,e) values (1.5,'7','true','2024-02-29 10:11:12','')");
}

TEST(UpdateStatementsTest, OneStatementPerTableAndRow) {
  struct Case {
    const char* what;
    std::vector<ColumnUpdate> updates;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"two columns of one row",
       {{"People!name", "id=5", "Ann"}, {"People!age", "id=5", "41"}},
       {"UPDATE [People] SET [name] = 'Ann', [age] = '41' WHERE id=5"}},
      {"a nil value",
       {{"People!name", "id=5", std::nullopt}},
       {"UPDATE [People] SET [name] = NULL WHERE id=5"}},
      {"quotes doubled, a name with spaces",
       {{"Order Lines!unit price", "line='A''1'", "it's"}},
       {"UPDATE [Order Lines] SET [unit price] = 'it''s' WHERE line='A''1'"}},
      {"two tables",
       {{"a!x", "k=1", "1"}, {"b!y", "k=2", "2"}, {"A!z", "k=1", "3"}},
       {"UPDATE [a] SET [x] = '1', [z] = '3' WHERE k=1", "UPDATE [b] SET [y] = '2' WHERE k=2"}},
      {"one table, two selections",
       {{"a!x", "k=1", "1"}, {"a!x", "k=2", "2"}},
       {"UPDATE [a] SET [x] = '1' WHERE k=1", "UPDATE [a] SET [x] = '2' WHERE k=2"}},
      {"the first '!' splits", {{"t!a!b", "k=1", ""}}, {"UPDATE [t] SET [a!b] = '' WHERE k=1"}},
      {"no table: left out", {{"plain", "k=1", "v"}}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(UpdateStatements(c.updates), c.expected) << c.what;
}

TEST(DeleteStatementTest, TableOfTheQualifiedName) {
  EXPECT_EQ(DeleteStatement("My Table!col", "id=3"), "DELETE FROM [My Table] WHERE id=3");
  EXPECT_EQ(DeleteStatement("col", "id=3"), "");
}

std::string Native16(int16_t v) {
  return std::string(reinterpret_cast<const char*>(&v), 2);
}
std::string Native32(int32_t v) {
  return std::string(reinterpret_cast<const char*>(&v), 4);
}
std::string NativeDouble(double v) {
  return std::string(reinterpret_cast<const char*>(&v), 8);
}

TEST(RowSelectionTest, KeyColumnsInOrderNumbersBareTextQuoted) {
  const char date[] = {0x07, char(0xE8), 0, 2, 0, 29};
  EXPECT_EQ(RowSelection({{"id", db::kInteger, Native32(-12)}}), "id=-12");
  EXPECT_EQ(RowSelection({{"a", db::kSmallInt, Native16(7)},
                          {"b", db::kText, "O'Neil"},
                          {"c", db::kDouble, NativeDouble(3.14159265)},
                          {"d", db::kDate, std::string(date, 6)}}),
            "a=7 and b='O''Neil' and c=3.141593 and d='2024-02-29'");
  EXPECT_EQ(RowSelection({}), std::nullopt) << "no key names no row";
  EXPECT_EQ(RowSelection({{"id", db::kNull, ""}}), std::nullopt) << "a null key names no row";
}

}  // namespace
}  // namespace tess::dbc
