// Tokenizer and recursive-descent parser of the SQL dialect. The first error
// ends the statement with its code and message.
#include "db/sql.h"

namespace tess::db {
namespace {

bool IsSpace(char c) {
  return int8_t(c) <= 32;  // also every byte from 0x80 up
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool EndsWord(char c) {
  return IsSpace(c) || c == '(' || c == ')' || c == ',' || c == '<' || c == '=' || c == '>' ||
         c == '.';
}

}  // namespace

bool IsIdentifier(std::string_view name) {
  if (name.empty()) return false;
  if (!IsLetter(name[0]) && uint8_t(name[0]) < 129) return false;
  for (char c : name.substr(1)) {
    if (!IsLetter(c) && !IsDigit(c) && c != '#' && c != '_' && c != ' ' && uint8_t(c) < 129) {
      return false;
    }
  }
  return true;
}

std::string_view StripSemicolons(std::string_view sql) {
  while (!sql.empty() && (sql.back() == ';' || IsSpace(sql.back()))) sql.remove_suffix(1);
  return sql;
}

void Lexer::Reset(size_t mark) {
  std::string_view all_text = all();
  consumed_ = mark;
  rest_ = all_text.substr(mark);
}

Token Lexer::Peek() {
  size_t mark = Mark();
  Token t = Next();
  Reset(mark);
  return t;
}

Token Lexer::Next() {
  Token t;
  size_t skip = 0;
  while (skip < rest_.size() && IsSpace(rest_[skip])) ++skip;
  std::string_view s = rest_.substr(skip);
  size_t used = 0;
  if (s.empty()) {
  } else if (s[0] == '<' || s[0] == '>') {
    used = 1;
    if (s.size() > 1 && (s[1] == '=' || (s[0] == '<' && s[1] == '>'))) used = 2;
    t.text = s.substr(0, used);
  } else if (s[0] == '(' || s[0] == ')' || s[0] == ',' || s[0] == '.' || s[0] == '=') {
    used = 1;
    t.text = s.substr(0, 1);
  } else if (s[0] == '[') {
    size_t close = s.find(']', 1);
    t.bracketed = true;
    if (close == std::string_view::npos) {
      t.text = s.substr(1);
      used = s.size();
    } else {
      t.text = s.substr(1, close - 1);
      used = close + 1;
    }
  } else if (s[0] == '\'' || s[0] == '"') {
    char q = s[0];
    t.text.push_back(q);
    size_t i = 1;
    t.unterminated = true;
    while (i < s.size()) {
      if (s[i] == q) {
        if (i + 1 < s.size() && s[i + 1] == q) {
          t.text.push_back(q);
          i += 2;
          continue;
        }
        ++i;
        t.unterminated = false;
        break;
      }
      t.text.push_back(s[i++]);
    }
    t.text.push_back(q);
    used = i;
  } else if (IsDigit(s[0]) || s[0] == '-') {
    used = 1;
    while (used < s.size() && (IsDigit(s[used]) || s[used] == '.')) ++used;
    t.text = s.substr(0, used);
  } else {
    while (used < s.size() && !EndsWord(s[used])) ++used;
    t.text = s.substr(0, used);
  }
  rest_.remove_prefix(skip + used);
  consumed_ += skip + used;
  return t;
}

namespace {

class Parser {
 public:
  explicit Parser(std::string_view sql) : lex_(sql) {}

  Status status;

  bool Fail(const ErrorText& error, std::initializer_list<std::string_view> parts = {}) {
    if (status.ok()) status = Error(error, parts);
    return false;
  }
  bool Expect(std::string_view keyword, const ErrorText& error) {
    if (lex_.Next().Is(keyword)) return true;
    return Fail(error);
  }
  bool Name(std::string* out, const ErrorText& error) {
    Token t = lex_.Next();
    if (!IsIdentifier(t.text)) return Fail(error);
    *out = t.text;
    return true;
  }

  // name or table.name
  bool ColumnReference(ColumnRef* out, const ErrorText& error) {
    Token t = lex_.Next();
    if (!IsIdentifier(t.text)) return Fail(error);
    out->table.clear();
    out->column = t.text;
    if (lex_.Peek().text == "." && !lex_.Peek().bracketed) {
      lex_.Next();
      Token c = lex_.Next();
      if (!IsIdentifier(c.text)) return Fail(error);
      out->table = t.text;
      out->column = c.text;
    }
    return true;
  }

  bool ColumnDefinition(Column* c) {
    if (!Name(&c->name, kInvalidColumnName)) return false;
    Token t = lex_.Next();
    if (t.Is("char") || t.Is("character") || t.Is("varchar")) {
      if (!Expect("(", kExpectingOpenParen)) return false;
      Token n = lex_.Next();
      bool digits = !n.text.empty() && !n.bracketed;
      for (char ch : n.text) digits = digits && IsDigit(ch);
      if (!digits) return Fail(kInvalidFieldConstraint);
      int32_t length = DecimalValue(n.text);
      c->type = kText;
      c->length = uint16_t(length > 0xFFFF ? 0xFFFF : length);
      if (!Expect(")", kExpectingCloseParen)) return false;
    } else if (t.Is("long")) {
      Token w = lex_.Next();
      if (w.Is("varchar")) {
        c->type = kLongText;
      } else if (w.Is("varbinary")) {
        c->type = kLongBinary;
      } else {
        return Fail(kExpectingFieldType);
      }
    } else {
      static const std::pair<const char*, uint8_t> kTypes[] = {
          {"smallint", kSmallInt},   {"integer", kInteger}, {"float", kFloat},
          {"double", kDouble},       {"date", kDate},       {"time", kTime},
          {"timestamp", kTimestamp}, {"boolean", kBoolean}};
      bool found = false;
      for (auto& [word, code] : kTypes) {
        if (t.Is(word)) {
          c->type = code;
          found = true;
        }
      }
      if (!found) return Fail(kExpectingFieldType);
    }
    if (lex_.Peek().Is("not")) {
      lex_.Next();
      if (!Expect("null", kExpectingNull)) return false;
      c->not_null = true;
    }
    return true;
  }

  bool CreateTable(CreateTableStatement* s) {
    if (!Expect("table", kExpectingTable)) return false;
    if (!Name(&s->table, kInvalidTableName)) return false;
    if (!Expect("(", kExpectingOpenParen)) return false;
    Token close = lex_.Peek();
    if (close.text == ")" && !close.bracketed) return Fail(kCreateTableNeedsColumn);
    while (true) {
      bool key_clause = lex_.Peek().Is("primary");
      if (key_clause) {
        lex_.Next();
        if (!Expect("key", kExpectingKey) || !Expect("(", kExpectingOpenParen)) {
          return false;
        }
        while (true) {
          std::string name;
          if (!Name(&name, kInvalidColumnName)) return false;
          int index = -1;
          for (size_t i = 0; i < s->columns.size(); ++i) {
            if (SameName(s->columns[i].name, name)) index = int(i);
          }
          if (index < 0) return Fail(kInvalidColumn);
          if (index + 1 > 255) return Fail(kTooManyColumns);
          s->key.push_back(index);
          Token sep = lex_.Next();
          if (sep.text == ")" && !sep.bracketed) break;
          if (sep.text != "," || sep.bracketed) return Fail(kExpectingCloseParen);
        }
      } else {
        Column c;
        if (!ColumnDefinition(&c)) return false;
        s->columns.push_back(c);
      }
      Token sep = lex_.Next();
      if (sep.text == ")" && !sep.bracketed) break;
      if (sep.text != "," || sep.bracketed)
        return Fail(key_clause ? kExpectingCommaOrCloseAfterKey
                               : kExpectingCommaOrCloseAfterColumn);
    }
    if (s->columns.empty()) return Fail(kCreateTableNeedsColumn);
    return true;
  }

  bool AlterTable(AlterTableStatement* s) {
    if (!Expect("table", kExpectingTable)) return false;
    if (!Name(&s->table, kInvalidTableName)) return false;
    Token t = lex_.Next();
    if (t.Is("drop")) return Fail(kDropColumnUnsupported);
    if (!t.Is("add")) return Fail(kExpectedAdd);
    if (lex_.Peek().Is("column")) lex_.Next();
    return ColumnDefinition(&s->column);
  }

  std::optional<std::string> Value(const Token& t) {
    if (t.quoted()) return t.Unquoted();
    if (t.Is("null")) return std::nullopt;
    return t.text;
  }

  bool Update(UpdateStatement* s) {
    if (!Name(&s->table, kInvalidTableName)) return false;
    if (!Expect("set", kExpectingSet)) return false;
    while (true) {
      std::string name;
      if (!Name(&name, kInvalidColumnName)) return false;
      if (!Expect("=", kExpectingEquals)) return false;
      Token v = lex_.Next();
      if (v.empty()) return Fail(kMismatchedUpdateFields);
      s->assignments.emplace_back(name, Value(v));
      Token sep = lex_.Peek();
      if (sep.text == "," && !sep.bracketed) {
        lex_.Next();
        continue;
      }
      break;
    }
    return OptionalWhere(&s->where);
  }

  bool Delete(DeleteStatement* s) {
    if (!Expect("from", kExpectingFrom)) return false;
    if (!Name(&s->table, kInvalidTableName)) return false;
    return OptionalWhere(&s->where);
  }

  // `where` and a condition, or the end of the statement. Anything else is
  // refused: a misspelt WHERE must not turn a delete into "delete all".
  bool OptionalWhere(std::unique_ptr<Condition>* where) {
    Token t = lex_.Next();
    if (t.empty()) return true;
    if (!t.Is("where")) return Fail(kExpectingWhere);
    if (!Conditions(where)) return false;
    if (!lex_.Next().empty()) return Fail(kExpectingAndOr);
    return true;
  }

  bool Insert(InsertStatement* s) {
    if (!Expect("into", kExpectingInto)) return false;
    if (!Name(&s->table, kInvalidTableName)) return false;
    if (!Expect("(", kExpectingOpenParen)) return false;
    std::vector<std::string> names;
    while (true) {
      std::string name;
      if (!Name(&name, kInvalidColumnName)) return false;
      names.push_back(name);
      Token sep = lex_.Next();
      if (sep.text == ")" && !sep.bracketed) break;
      if (sep.text != "," || sep.bracketed) return Fail(kExpectingCloseParen);
    }
    if (!Expect("values", kExpectingValues)) return false;
    if (!Expect("(", kExpectingOpenParen)) return false;
    std::vector<std::optional<std::string>> values;
    while (true) {
      Token v = lex_.Next();
      if (v.empty()) return Fail(kExpectingCloseParen);
      values.push_back(Value(v));
      Token sep = lex_.Next();
      if (sep.text == ")" && !sep.bracketed) break;
      if (sep.text != "," || sep.bracketed) return Fail(kExpectingCloseParen);
    }
    if (values.size() != names.size()) return Fail(kMismatchedInsertColumns);
    for (size_t i = 0; i < names.size(); ++i) s->values.emplace_back(names[i], values[i]);
    return true;
  }

  bool Comparison(Condition* c) {
    Token first = lex_.Peek();
    if (first.Is("upper") || first.Is("lower")) {
      lex_.Next();
      c->function = first.Is("upper") ? kFnUpper : kFnLower;
      if (!Expect("(", kExpectedOpenParen)) return false;
      if (!ColumnReference(&c->column, kInvalidColumnTableIdentifier)) return false;
      if (!Expect(")", kExpectedCloseParen)) return false;
    } else if (!ColumnReference(&c->column, kInvalidColumnTableIdentifier)) {
      return false;
    }
    Token op = lex_.Next();
    static const std::pair<const char*, uint8_t> kOps[] = {
        {"=", kOpEq}, {"<", kOpLt}, {">", kOpGt}, {"<=", kOpLe}, {">=", kOpGe}, {"<>", kOpNe}};
    bool found = false;
    for (auto& [text, code] : kOps) {
      if (!op.bracketed && op.text == text) {
        c->op = code;
        found = true;
      }
    }
    if (!found) {
      if (op.Is("like")) {
        c->op = kOpLike;
      } else if (op.Is("not")) {
        Token like = lex_.Next();
        if (!like.Is("like")) return Fail(kInvalidOperator, {like.text});
        c->op = kOpNotLike;
      } else if (op.Is("is")) {
        Token t = lex_.Next();
        if (t.Is("null")) {
          c->op = kOpIsNull;
        } else if (t.Is("not") && lex_.Peek().Is("null")) {
          lex_.Next();
          c->op = kOpIsNotNull;
        } else {
          return Fail(kInvalidOperator, {t.text});
        }
        return true;
      } else {
        return Fail(kInvalidOperator, {op.text});
      }
    }
    Token right = lex_.Peek();
    if (c->op == kOpLike || c->op == kOpNotLike) {
      if (!right.quoted()) return Fail(kQuotesExpectedAfterLike);
    }
    if (right.quoted()) {
      lex_.Next();
      c->literal = right.Unquoted();
    } else if (IsIdentifier(right.text)) {
      if (!ColumnReference(&c->right_column, kInvalidColumnTableIdentifier)) return false;
      c->right_is_column = true;
    } else if (!right.empty()) {
      lex_.Next();
      c->literal = right.text;
    } else {
      return Fail(kInvalidColumnTableIdentifier);
    }
    return true;
  }

  // comparison [(and | or) conditions], grouping to the right. Built as a
  // loop down the right spine: a chain of any length costs no stack.
  bool Conditions(std::unique_ptr<Condition>* out) {
    std::unique_ptr<Condition>* slot = out;
    while (true) {
      auto c = std::make_unique<Condition>();
      if (!Comparison(c.get())) return false;
      Token join = lex_.Peek();
      if (!join.Is("and") && !join.Is("or")) {
        *slot = std::move(c);
        return true;
      }
      lex_.Next();
      auto node = std::make_unique<Condition>();
      node->node = join.Is("and") ? kNodeAnd : kNodeOr;
      node->left = std::move(c);
      *slot = std::move(node);
      slot = &(*slot)->right;
    }
  }

  bool SelectItemAt(SelectStatement* s) {
    Token t = lex_.Next();
    SelectItem item;
    if (t.text == "*" && !t.bracketed) {
      item.kind = SelectItem::Kind::kAll;
      s->items.push_back(item);
      return true;
    }
    Token after = lex_.Peek();
    if (after.text == "(" && !after.bracketed && !t.bracketed) {
      lex_.Next();
      static const std::pair<const char*, uint8_t> kFns[] = {{"count", kAggCount},
                                                             {"avg", kAggAvg},
                                                             {"sum", kAggSum},
                                                             {"min", kAggMin},
                                                             {"max", kAggMax}};
      for (auto& [word, code] : kFns) {
        if (t.Is(word)) item.function = code;
      }
      if (item.function == kAggNone) return Fail(kUnsupportedSelectFunction);
      item.kind = SelectItem::Kind::kAggregate;
      if (item.function == kAggCount) {
        Token star = lex_.Next();
        if (star.text != "*" || star.bracketed) return Fail(kOnlyCountStar);
        item.label = "count(*)";
      } else {
        if (!ColumnReference(&item.column, kInvalidColumnTableName)) return false;
        std::string fn = t.text;
        for (char& ch : fn) ch = char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
        item.label = fn + "(" + (item.column.table.empty() ? "" : item.column.table + ".") +
                     item.column.column + ")";
      }
      if (!Expect(")", kExpectedCloseParen)) return false;
      s->items.push_back(item);
      return true;
    }
    if (!IsIdentifier(t.text)) return Fail(kInvalidColumnTableName);
    item.column.column = t.text;
    if (after.text == "." && !after.bracketed) {
      lex_.Next();
      Token c = lex_.Next();
      item.column.table = t.text;
      if (c.text == "*" && !c.bracketed) {
        item.kind = SelectItem::Kind::kTableAll;
        item.column.column.clear();
      } else if (!IsIdentifier(c.text)) {
        return Fail(kInvalidColumnName);
      } else {
        item.column.column = c.text;
      }
    }
    s->items.push_back(item);
    return true;
  }

  bool Select(SelectStatement* s) {
    if (!lex_.Next().Is("select")) return Fail(kExpectedSelect);
    while (true) {
      if (!SelectItemAt(s)) return false;
      Token sep = lex_.Next();
      if (sep.Is("from")) break;
      if (sep.text != "," || sep.bracketed) return Fail(kExpectingComma);
    }
    while (true) {
      std::string table;
      if (!Name(&table, kInvalidTableName)) return false;
      s->tables.push_back(table);
      Token sep = lex_.Peek();
      if (sep.empty() || sep.Is("where") || sep.Is("order") || sep.Is("group")) break;
      lex_.Next();
      if (sep.text != "," || sep.bracketed) return Fail(kExpectingComma);
    }
    Token t = lex_.Next();
    if (t.Is("where")) {
      if (!Conditions(&s->where)) return false;
      t = lex_.Next();
    }
    if (t.Is("order")) {
      if (!Expect("by", kExpectingBy)) return false;
      while (true) {
        OrderKey key;
        Token k = lex_.Peek();
        if (!k.bracketed && !k.text.empty() && IsDigit(k.text[0])) {
          lex_.Next();
          key.position = DecimalValue(k.text);
          if (key.position < 1) return Fail(kInvalidColumnIndex);
        } else if (!ColumnReference(&key.column, kInvalidOrderByColumn)) {
          return false;
        }
        Token dir = lex_.Peek();
        if (dir.Is("asc") || dir.Is("desc")) {
          lex_.Next();
          key.descending = dir.Is("desc");
        }
        s->order.push_back(key);
        Token sep = lex_.Peek();
        if (sep.text != "," || sep.bracketed) break;
        lex_.Next();
      }
      t = lex_.Next();
      if (t.Is("group")) return Fail(kOrderByWithGroupBy);
    }
    if (t.Is("group")) {
      if (!Expect("by", kExpectingBy)) return false;
      ColumnRef g;
      if (!ColumnReference(&g, kInvalidGroupByColumn)) return false;
      s->group = g;
      t = lex_.Next();
      if (t.text == "," && !t.bracketed) {
        return Fail(kOnlySingleGroupBy);
      }
      if (t.Is("order")) return Fail(kOrderByWithGroupBy);
    }
    if (!t.empty()) return Fail(kExpectingAndOr);
    return true;
  }

  bool Dispatch(Statement* out) {
    Token first = lex_.Next();
    if (first.Is("commit")) {
      *out = CommitStatement{};
    } else if (first.Is("rollback")) {
      *out = RollbackStatement{};
    } else if (first.Is("create")) {
      CreateTableStatement s;
      if (!CreateTable(&s)) return false;
      *out = std::move(s);
    } else if (first.Is("alter")) {
      AlterTableStatement s;
      if (!AlterTable(&s)) return false;
      *out = std::move(s);
    } else if (first.Is("update")) {
      UpdateStatement s;
      if (!Update(&s)) return false;
      *out = std::move(s);
    } else if (first.Is("delete")) {
      DeleteStatement s;
      if (!Delete(&s)) return false;
      *out = std::move(s);
    } else if (first.Is("insert")) {
      InsertStatement s;
      if (!Insert(&s)) return false;
      *out = std::move(s);
    } else if (first.Is("drop")) {
      return Fail(kDropTableUnsupported);
    } else {
      *out = Ignored{};
    }
    return true;
  }

 private:
  Lexer lex_;
};

}  // namespace

Status ParseStatement(std::string_view sql, Statement* out) {
  Parser p(StripSemicolons(sql));
  p.Dispatch(out);
  return p.status;
}

Status ParseSelect(std::string_view sql, SelectStatement* out) {
  Parser p(StripSemicolons(sql));
  p.Select(out);
  return p.status;
}

}  // namespace tess::db
