#include "db/classes/sql_text.h"

#include "db/catalog.h"
#include "db/record.h"

namespace tess::dbc {

std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string InsertStatement(std::string_view table, const std::vector<NamedValue>& values) {
  std::string names, texts;
  for (const NamedValue& v : values) {
    if (!names.empty()) {
      names += ',';
      texts += ',';
    }
    names += v.name;
    texts += v.type == 3 || v.type == 7 ? v.value : Quoted(v.value);
  }
  return "insert into " + std::string(table) + "(" + names + ") values (" + texts + ")";
}

namespace {

bool SplitQualified(std::string_view qualified, std::string_view* table, std::string_view* column) {
  size_t bang = qualified.find('!');
  if (bang == std::string_view::npos) return false;
  *table = qualified.substr(0, bang);
  *column = qualified.substr(bang + 1);
  return true;
}

}  // namespace

std::vector<std::string> UpdateStatements(const std::vector<ColumnUpdate>& updates) {
  struct Group {
    std::string table, selection, assignments;
  };
  std::vector<Group> groups;
  for (const ColumnUpdate& u : updates) {
    std::string_view table, column;
    if (!SplitQualified(u.qualifiedName, &table, &column)) continue;
    std::string assignment = "[" + std::string(column) + "] = ";
    assignment += u.value ? Quoted(*u.value) : std::string("NULL");
    Group* group = nullptr;
    for (Group& g : groups) {
      if (db::SameName(g.table, table) && g.selection == u.selection) group = &g;
    }
    if (!group) {
      groups.push_back({std::string(table), u.selection, {}});
      group = &groups.back();
    } else {
      group->assignments += ", ";
    }
    group->assignments += assignment;
  }
  std::vector<std::string> statements;
  for (const Group& g : groups) {
    statements.push_back("UPDATE [" + g.table + "] SET " + g.assignments + " WHERE " + g.selection);
  }
  return statements;
}

std::string DeleteStatement(std::string_view qualifiedName, std::string_view selection) {
  std::string_view table, column;
  if (!SplitQualified(qualifiedName, &table, &column)) return {};
  return "DELETE FROM [" + std::string(table) + "] WHERE " + std::string(selection);
}

std::optional<std::string> RowSelection(const std::vector<KeyValue>& key) {
  if (key.empty()) return std::nullopt;
  std::string text;
  for (const KeyValue& k : key) {
    if (k.type == db::kNull) return std::nullopt;
    if (!text.empty()) text += " and ";
    text += k.column + "=";
    bool number = k.type == db::kSmallInt || k.type == db::kInteger || k.type == db::kFloat ||
                  k.type == db::kDouble;
    std::string value = db::NativeText(uint8_t(k.type), k.native);
    text += number ? value : Quoted(value);
  }
  return text;
}

}  // namespace tess::dbc
