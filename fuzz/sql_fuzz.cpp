// Fuzz target: SQL text through the parser and, when it parses, through
// execution against a small in-memory database. Anything may fail; nothing
// may crash or trip a sanitizer, and a failure must carry a code and message.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "db/check.h"
#include "db/database.h"
#include "db/sql.h"

using namespace tess::db;

namespace {

std::unique_ptr<Database> Fresh() {
  Status s;
  auto db = Database::Create(std::make_unique<MemoryStream>(), &s);
  db->set_temp_streams([] { return std::make_unique<MemoryStream>(); });
  db->Execute("create table t (a integer, b varchar(10), c double, d date, primary key (a))");
  db->Execute("create table u (a integer, e long varchar, f boolean, g time)");
  db->Execute("insert into t (a, b, c, d) values (1, 'x', 1.5, '2002-5-7')");
  db->Execute("insert into t (a, b, c, d) values (2, 'Y''z', -3, '1999-12-31')");
  db->Execute("insert into u (a, e, f, g) values (1, 'long', 'true', '10:00:00')");
  return db;
}

void Expect(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string sql(reinterpret_cast<const char*>(data), size);
  SelectStatement select;
  Statement statement;
  ParseSelect(sql, &select);
  ParseStatement(sql, &statement);
  auto db = Fresh();
  auto cursor = db->Select(sql);
  if (cursor) {
    while (cursor->MoveNext()) {
      for (size_t i = 0; i < cursor->ColumnCount(); ++i) cursor->Text(i);
    }
    cursor->MovePrevious();
  } else {
    Expect(db->ErrorCode() != 0 && !db->ErrorMessage().empty());
  }
  db->Execute(sql);
  Expect(db->ErrorCode() == 0 || !db->ErrorMessage().empty());
  auto all = db->Select("select * from t, u");
  Expect(all != nullptr);
  // Whatever the statement left, its dump replays to the same dump.
  bool whole = true;
  for (const TableInfo& t : db->tables()) whole = whole && !t.columns.empty();
  bool ok = false;
  std::vector<std::string> dump = DumpDatabase(*db, &ok);
  if (whole && ok) {
    Status s;
    auto copy = Database::Create(std::make_unique<MemoryStream>(), &s);
    for (const std::string& line : dump) {
      copy->Execute(line);
      Expect(copy->ErrorCode() == 0);
    }
    Expect(DumpDatabase(*copy, &ok) == dump && ok);
  }
  db->Execute("rollback");
  return 0;
}
