// The SQL text through which the database classes reach an engine that
// leaves an entry empty: inserts of a DatabaseRecord, the writing back of a
// RecordSet's edited fields, deletes of its current row, and the row
// selection the built-in engine hands out for them. Plain text in, plain
// text out, so every rule is tested without an engine.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::dbc {

// "'" + text with each "'" doubled + "'".
std::string Quoted(std::string_view text);

struct NamedValue {
  std::string name;
  std::string value;
  int type = 5;
};

// "insert into T(a,b) values (5,'O''Brien')": integer (3) and double (7)
// values unquoted, every other value quoted.
std::string InsertStatement(std::string_view table, const std::vector<NamedValue>& values);

// An edited field as the cursor's update info describes it: "table!column",
// the text selecting its row, and the new value (nullopt: Nil).
struct ColumnUpdate {
  std::string qualifiedName;
  std::string selection;
  std::optional<std::string> value;
};

// One "UPDATE [T] SET [a] = 'x', [b] = NULL WHERE sel" per table (names
// compared without case) and row selection, in the order each group first
// appears. A qualified name without "!" names no table and is left out.
std::vector<std::string> UpdateStatements(const std::vector<ColumnUpdate>& updates);

// "DELETE FROM [T] WHERE sel" for the table of a qualified name; empty when
// the name has no "!".
std::string DeleteStatement(std::string_view qualifiedName, std::string_view selection);

// One key column of the current row for the built-in engine's selection.
struct KeyValue {
  std::string column;
  int type = 0;        // column type code; 0 for null
  std::string native;  // the native value bytes
};

// "a=5 and b='x'": numbers in decimal (floating ones with 7 significant
// digits), everything else quoted. Nullopt when there is no key or a key
// value is null: such a row cannot be named.
std::optional<std::string> RowSelection(const std::vector<KeyValue>& key);

}  // namespace tess::dbc
