// The checker walks the raw pages (through the pager, so damaged pages are
// reported rather than read) and every storage tree; the dump reads the
// tables through ordinary queries.
#include "db/check.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "base/byte_order.h"
#include "db/collation.h"
#include "db/record.h"

namespace tess::db {
namespace {

class Checker {
 public:
  explicit Checker(Database& db) : db_(db), pager_(db.pager()) {}

  std::vector<std::string> problems;

  void Problem(const std::string& text) {
    if (problems.size() < 200) problems.push_back(text);
  }

  // Walks a storage: page types, entry states, link children, key order.
  void Walk(const std::string& storage, uint32_t root, uint32_t leaf_type, const KeyOf& key_of,
            bool strict) {
    std::string last;
    bool have_last = false;
    WalkPage(storage, root, leaf_type, key_of, strict, 0, &last, &have_last);
  }

  void WalkPage(const std::string& storage, uint32_t page, uint32_t leaf_type, const KeyOf& key_of,
                bool strict, int depth, std::string* last, bool* have_last) {
    std::string where = "storage " + storage + ", page " + std::to_string(page);
    if (depth > 40) return Problem(where + ": tree too deep");
    if (!seen_.insert(page).second) return Problem(where + ": page reached twice");
    const uint8_t* d = pager_.Get(page);
    if (!d) {
      return Problem(where + ": unreadable or damaged page" +
                     (page < pager_.page_count() ? " (" + RawProblem(page) + ")"
                                                 : std::string(" (beyond the end of the file)")));
    }
    uint32_t type = be32(d + kPgType);
    if (type != kIndexPage && type != leaf_type) Problem(where + ": wrong page type");
    const uint8_t* area = d + kPageHeaderSize;
    size_t used = be16(d + kPgUsed);
    bool first = true;
    std::string key;
    for (size_t off = 0; off < used; off += be16(area + off)) {
      const uint8_t* e = area + off;
      size_t len = be16(e + kEnLength);
      if (type == kIndexPage) {
        if (e[kEnState] != kLive) continue;
        std::string link_key(reinterpret_cast<const char*>(e) + kLinkKey, len - kLinkKey);
        // Every entry under a link (but the first link of a page) is at least
        // its key, and every entry before it at most.
        if (!first) {
          if (*have_last && link_key < *last)
            Problem(where + ": link key below the keys before it");
          *last = link_key;
          *have_last = true;
          from_link_ = true;
        }
        first = false;
        WalkPage(storage, be32(e + kEntryHeaderSize), leaf_type, key_of, strict, depth + 1, last,
                 have_last);
        continue;
      }
      key.clear();
      key_of(e, len, &key);
      if (*have_last && (key < *last || (strict && !from_link_ && key == *last))) {
        Problem(where + ": entries out of key order at offset " + std::to_string(off));
      }
      from_link_ = false;
      *last = key;
      *have_last = true;
      if (e[kEnState] == kLive && on_entry_) on_entry_(e, len, where);
    }
  }

  // Free pages: empty data pages, each on the list once and in no storage.
  void CheckFreeList(uint32_t head) {
    uint32_t steps = 0;
    for (uint32_t page = head; page != kNoPage; ++steps) {
      std::string where = "free page " + std::to_string(page);
      if (steps > pager_.page_count()) return Problem("free list loops");
      if (page >= pager_.page_count()) return Problem(where + " is beyond the end of the file");
      if (!seen_.insert(page).second) return Problem(where + " is also in use");
      const uint8_t* d = pager_.Get(page);
      if (!d) return Problem(where + " is damaged");
      if (be32(d + kPgType) != kDataPage || be16(d + kPgUsed) != 0) {
        return Problem(where + " is not empty");
      }
      page = be32(d + kFreeNext);
    }
  }

  std::string RawProblem(uint32_t page) {
    uint8_t buf[kPageSize];
    if (!db_.stream().ReadAt(PageOffset(page), buf, kPageSize)) return "cannot be read";
    std::string p = CheckPageImage(buf, page);
    return p.empty() ? "sound on disk" : p;
  }

  void Run() {
    uint8_t h[kHeaderSize];
    if (!db_.stream().ReadAt(0, h, kHeaderSize)) return Problem("header cannot be read");
    uint64_t length = db_.stream().Length();
    if ((length - kHeaderSize) % kPageSize) Problem("file length is not a whole number of pages");
    for (size_t i = 24; i < kHeaderSize; ++i) {
      if (h[i]) {
        Problem("header bytes 24..63 are not zero");
        break;
      }
    }
    Catalog& cat = db_.catalog();
    KeyOf dir_key = [](const uint8_t* e, size_t len, std::string* key) {
      std::string_view b(reinterpret_cast<const char*>(e) + kEntryHeaderSize,
                         len - kEntryHeaderSize);
      size_t n = b.size() >= 8 ? be32(reinterpret_cast<const uint8_t*>(b.data()) + 4) : 0;
      *key = Catalog::DirectoryKey(b.size() >= 8 ? b.substr(8, std::min(n, b.size() - 8)) : "");
    };
    std::map<std::string, uint32_t> directory;
    on_entry_ = [&](const uint8_t* e, size_t len, const std::string& where) {
      if (len < kDirName || be32(e + kDirNameLength) > len - kDirName) {
        return Problem(where + ": malformed directory entry");
      }
      std::string name(reinterpret_cast<const char*>(e) + kDirName, be32(e + kDirNameLength));
      if (!directory.emplace(name, be32(e + kDirRoot)).second)
        Problem("storage " + name + " listed twice");
    };
    Walk("directory", pager_.directory_root(), kDirectoryPage, dir_key, true);
    KeyOf record_key = [](const uint8_t* e, size_t, std::string* key) {
      AppendU32Key(be32(e + kEnRecord), key);
    };
    for (const char* name : {"sys$tables", "sys$fields", "sys$blob"}) {
      if (!directory.count(name)) Problem(std::string("catalog storage ") + name + " is missing");
    }
    std::set<uint32_t> table_ids;
    for (const TableInfo& t : cat.tables()) {
      table_ids.insert(t.id);
      if (t.columns.empty()) Problem("table " + t.name + " has no columns");
      for (const Column& c : t.columns) {
        if (!IsStorableType(c.type))
          Problem("table " + t.name + ": column " + c.name + " has type " + std::to_string(c.type));
      }
      const TableInfo* table = &t;
      on_entry_ = [&, table](const uint8_t* e, size_t len, const std::string& where) {
        RowView row;
        std::string_view body(reinterpret_cast<const char*>(e) + kEntryHeaderSize,
                              len - kEntryHeaderSize);
        if (!row.Parse(body, table->types))
          return Problem(where + ": row does not match its columns");
        for (size_t c = 0; c < table->types.size(); ++c) {
          FieldView f = row.Field(c);
          if (IsLargeType(table->types[c]) && f.type != kNull) {
            std::string data;
            if (!cat.ReadBlob(be32(f.data), &data)) Problem(where + ": large value cannot be read");
          }
        }
      };
      KeyOf key =
          t.key.empty() ? record_key : KeyOf([table](const uint8_t* e, size_t len, std::string* k) {
            RowView row;
            std::string_view body(reinterpret_cast<const char*>(e) + kEntryHeaderSize,
                                  len - kEntryHeaderSize);
            if (!row.Parse(body, table->types)) return;
            for (int c : table->key) AppendStoredKey(row.Field(size_t(c)), k);
          });
      Walk(t.name, t.root, kDataPage, key, !t.key.empty());
    }
    on_entry_ = nullptr;
    if (directory.count("sys$tables"))
      Walk(
          "sys$tables", directory["sys$tables"], kDataPage,
          [](const uint8_t* e, size_t len, std::string* k) {
            RowView row;
            if (row.Parse(
                    {reinterpret_cast<const char*>(e) + kEntryHeaderSize, len - kEntryHeaderSize},
                    Catalog::TablesTypes()))
              AppendStoredKey(row.Field(1), k);
          },
          false);
    std::set<uint32_t> field_tables;
    on_entry_ = [&](const uint8_t* e, size_t len, const std::string& where) {
      RowView row;
      if (!row.Parse({reinterpret_cast<const char*>(e) + kEntryHeaderSize, len - kEntryHeaderSize},
                     Catalog::FieldsTypes()) ||
          row.Field(0).type == kNull) {
        return Problem(where + ": malformed field row");
      }
      uint32_t id = be32(row.Field(0).data);
      if (!table_ids.count(id))
        Problem(where + ": field row of unknown table " + std::to_string(id));
    };
    if (directory.count("sys$fields"))
      Walk(
          "sys$fields", directory["sys$fields"], kDataPage,
          [](const uint8_t* e, size_t len, std::string* k) {
            RowView row;
            if (row.Parse(
                    {reinterpret_cast<const char*>(e) + kEntryHeaderSize, len - kEntryHeaderSize},
                    Catalog::FieldsTypes()))
              AppendStoredKey(row.Field(0), k);
          },
          false);
    on_entry_ = [&](const uint8_t* e, size_t len, const std::string& where) {
      uint8_t tag = len > kEntryHeaderSize ? e[kEntryHeaderSize] : 0;
      if (tag != 'C' && tag != 'X') Problem(where + ": large-value entry of unknown kind");
      if (tag == 'X' && (len - kEntryHeaderSize - 1) % 8)
        Problem(where + ": malformed chunk index");
    };
    if (directory.count("sys$blob"))
      Walk("sys$blob", directory["sys$blob"], kDataPage, record_key, true);
    on_entry_ = nullptr;
    for (const auto& [name, root] : directory) {
      if (name == kFreeListName) {
        CheckFreeList(root);
        continue;
      }
      bool known = name == "sys$tables" || name == "sys$fields" || name == "sys$blob";
      for (const TableInfo& t : cat.tables()) known = known || name == std::to_string(t.id);
      // Storages of rolled-back tables stay behind, empty; only report ones
      // that hold live rows.
      if (!known && root < pager_.page_count() && !seen_.count(root)) {
        Walk(name, root, kDataPage, record_key, false);
      }
    }
    if (pager_.damaged_page() != kNoPage && problems.empty()) {
      Problem("page " + std::to_string(pager_.damaged_page()) + " is damaged");
    }
  }

 private:
  Database& db_;
  Pager& pager_;
  std::set<uint32_t> seen_;
  bool from_link_ = false;
  std::function<void(const uint8_t*, size_t, const std::string&)> on_entry_;
};

std::string Quote(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out + "'";
}

// A number as the dialect reads it back to the same bits. The tokenizer
// takes digits, '-' and '.', so finite values are written in positional
// notation, with the fewest digits that convert back; the storage converts
// through a double, so a float whose shortest digits would round differently
// on the way is written with its double's digits. Infinities and NaN only
// reach a row through a quoted literal, and go back the same way.
std::string NumberLiteral(uint8_t type, double d) {
  if (std::isnan(d)) return std::signbit(d) ? "'-nan'" : "'nan'";
  if (std::isinf(d)) return d < 0 ? "'-inf'" : "'inf'";
  // The longest: "-", 309 integer digits, or "0." and 324 places and a digit.
  char buf[400];
  char* end = buf;
  if (type == kFloat) {
    float f = float(d);
    end = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::fixed).ptr;
    double back = 0;
    std::from_chars(buf, end, back);
    // Compared as stored bits: x87 registers would otherwise skip the
    // rounding to float.
    float again = float(back);
    if (std::memcmp(&again, &f, sizeof f) == 0) return std::string(buf, end);
  }
  end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed).ptr;
  return std::string(buf, end);
}

const char* TypeName(uint8_t type) {
  switch (type) {
    case kSmallInt:
      return "smallint";
    case kInteger:
      return "integer";
    case kFloat:
      return "float";
    case kDouble:
      return "double";
    case kDate:
      return "date";
    case kTime:
      return "time";
    case kBoolean:
      return "boolean";
    case kLongText:
      return "long varchar";
    case kLongBinary:
    case kBlob:
      return "long varbinary";
    default:
      return "varchar";
  }
}

}  // namespace

std::vector<std::string> CheckDatabase(Database& db) {
  Checker c(db);
  c.Run();
  return c.problems;
}

std::vector<std::string> DumpDatabase(Database& db, bool* ok) {
  std::vector<std::string> out;
  *ok = true;
  for (const TableInfo& t : db.tables()) {
    std::string create = "create table [" + t.name + "] (";
    for (size_t c = 0; c < t.columns.size(); ++c) {
      const Column& col = t.columns[c];
      if (c) create += ", ";
      create += "[" + col.name + "] " + TypeName(col.type);
      if (col.type == kText) create += "(" + std::to_string(col.length) + ")";
      if (col.not_null) create += " not null";
    }
    if (!t.key.empty()) {
      create += ", primary key (";
      for (size_t k = 0; k < t.key.size(); ++k) {
        create += (k ? ", [" : "[") + t.columns[size_t(t.key[k])].name + "]";
      }
      create += ")";
    }
    out.push_back(create + ")");
    auto cursor = db.Select("select * from [" + t.name + "]");
    if (!cursor) {
      *ok = false;
      continue;
    }
    std::string names;
    for (size_t c = 0; c < t.columns.size(); ++c)
      names += (c ? ", [" : "[") + t.columns[c].name + "]";
    while (cursor->MoveNext()) {
      std::string values;
      for (size_t c = 0; c < cursor->ColumnCount(); ++c) {
        if (c) values += ", ";
        uint8_t type = cursor->ValueType(c);
        double d;
        if (type == kNull) {
          values += "NULL";
        } else if (type == kFloat || type == kDouble) {
          NativeNumber(type, cursor->NativeValue(c), &d);
          values += NumberLiteral(type, d);
        } else if (type == kSmallInt || type == kInteger) {
          values += cursor->Text(c);
        } else if (type == kText || IsLargeType(type)) {
          values += Quote(cursor->NativeValue(c));
        } else {
          values += Quote(cursor->Text(c));
        }
      }
      out.push_back("insert into [" + t.name + "] (" + names + ") values (" + values + ")");
    }
    if (cursor->failed()) *ok = false;
  }
  out.push_back("commit");
  return out;
}

}  // namespace tess::db
