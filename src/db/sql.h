// The SQL dialect: tokens and parsed statements.
//
// The tokenizer works on the rest of the statement text. A bracketed name
// keeps a flag so that it is never taken for a keyword; string literals keep
// their quotes (doubled quotes inside reduced to one) so that the grammar can
// tell them from bare tokens. Backtracking restores a saved position rather
// than re-inserting the token's text, which would split bracketed names
// containing spaces.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "db/catalog.h"
#include "db/record.h"

namespace tess::db {

struct Token {
  std::string text;
  bool bracketed = false;
  bool unterminated = false;  // a literal that ran to the end of the text
  bool empty() const { return text.empty() && !bracketed; }
  bool Is(std::string_view keyword) const { return !bracketed && SameName(text, keyword); }
  bool quoted() const { return !bracketed && !text.empty() && (text[0] == '\'' || text[0] == '"'); }
  // The literal without its quotes.
  std::string Unquoted() const { return text.size() >= 2 ? text.substr(1, text.size() - 2) : ""; }
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : rest_(text) {}
  Token Next();
  Token Peek();
  size_t Mark() const { return consumed_; }
  void Reset(size_t mark);

 private:
  std::string_view all() const { return {rest_.data() - consumed_, rest_.size() + consumed_}; }
  std::string_view rest_;
  size_t consumed_ = 0;
};

// Names: non-empty; a letter or a byte >= 129 first; then letters, digits,
// '#', '_', spaces and bytes >= 129.
bool IsIdentifier(std::string_view name);

struct ColumnRef {
  std::string table;  // empty when unqualified
  std::string column;
};

enum CompareOp : uint8_t {
  kOpEq = 0,
  kOpLt = 1,
  kOpGt = 2,
  kOpLe = 3,
  kOpGe = 4,
  kOpNe = 5,
  kOpLike = 6,
  kOpNotLike = 7,
  kOpIsNull = 8,
  kOpIsNotNull = 9,
};
enum ColumnFunction : uint8_t { kFnNone = 0, kFnUpper = 2, kFnLower = 3 };
inline constexpr uint8_t kNodeAnd = 0x40;
inline constexpr uint8_t kNodeOr = 0x41;
inline constexpr uint8_t kNodeCompare = 0;

// A condition tree is as deep as its statement has terms, so its nodes are
// freed without recursion: the children are detached onto a list first.
template <typename Node>
void FreeChildren(Node* node) {
  if (!node->left && !node->right) return;
  std::vector<std::unique_ptr<Node>> pending;
  auto detach = [&pending](Node* n) {
    if (n->left) pending.push_back(std::move(n->left));
    if (n->right) pending.push_back(std::move(n->right));
  };
  detach(node);
  while (!pending.empty()) {
    std::unique_ptr<Node> n = std::move(pending.back());
    pending.pop_back();
    detach(n.get());
  }
}

// Inner nodes have a comparison on the left and the rest of the chain on the
// right (and / or group to the right with equal precedence).
struct Condition {
  Condition() = default;
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;
  ~Condition() { FreeChildren(this); }

  uint8_t node = kNodeCompare;  // kNodeAnd / kNodeOr join `left` and `right`
  std::unique_ptr<Condition> left, right;
  ColumnRef column;
  uint8_t function = kFnNone;
  uint8_t op = kOpEq;
  bool right_is_column = false;
  std::string literal;
  ColumnRef right_column;
};

enum AggregateFunction : uint8_t {
  kAggNone = 0,
  kAggCount = 1,
  kAggAvg = 2,
  kAggSum = 3,
  kAggMin = 4,
  kAggMax = 5
};

struct SelectItem {
  enum class Kind { kColumn, kAll, kTableAll, kAggregate } kind = Kind::kColumn;
  ColumnRef column;  // kTableAll: column.table; count(*): empty
  uint8_t function = kAggNone;
  std::string label;  // result column name of an aggregate
};

struct OrderKey {
  int position = 0;  // 1-based select-list position, 0 when by column
  ColumnRef column;
  bool descending = false;
};

struct SelectStatement {
  std::vector<SelectItem> items;
  std::vector<std::string> tables;
  std::unique_ptr<Condition> where;
  std::vector<OrderKey> order;
  std::optional<ColumnRef> group;
};

struct CreateTableStatement {
  std::string table;
  std::vector<Column> columns;
  std::vector<int> key;
};

struct AlterTableStatement {
  std::string table;
  Column column;
};

struct UpdateStatement {
  std::string table;
  std::vector<std::pair<std::string, std::optional<std::string>>> assignments;
  std::unique_ptr<Condition> where;
};

struct DeleteStatement {
  std::string table;
  std::unique_ptr<Condition> where;
};

struct InsertStatement {
  std::string table;
  std::vector<std::pair<std::string, std::optional<std::string>>> values;
};

struct CommitStatement {};
struct RollbackStatement {};
struct Ignored {};  // an unrecognised first word: nothing to do

using Statement =
    std::variant<Ignored, CommitStatement, RollbackStatement, CreateTableStatement,
                 AlterTableStatement, UpdateStatement, DeleteStatement, InsertStatement>;

// Parses a statement for execute (trailing ';' already stripped).
Status ParseStatement(std::string_view sql, Statement* out);
Status ParseSelect(std::string_view sql, SelectStatement* out);
// Strips every trailing ';' (and the blanks around them).
std::string_view StripSemicolons(std::string_view sql);

}  // namespace tess::db
