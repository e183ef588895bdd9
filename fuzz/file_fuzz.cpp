// Fuzz target: a damaged database file. The input patches a valid database
// image (records of u32 offset, u8 length, bytes; a leading byte may cut the
// image short), which is then opened and queried, changed, rolled back,
// committed and checked. Opening may refuse the file and queries may report
// damage; nothing may crash, hang or trip a sanitizer.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "db/check.h"
#include "db/database.h"
#include "patch_image.h"

using namespace tess::db;

namespace {

const std::string& BaseImage() {
  static const std::string image = [] {
    Status s;
    auto stream = std::make_unique<MemoryStream>();
    MemoryStream* raw = stream.get();
    auto db = Database::Create(std::move(stream), &s);
    db->Execute("create table t (a integer, b varchar(40), c double, primary key (a))");
    db->Execute("create table u (a integer, e long varbinary, d date)");
    for (int i = 0; i < 400; ++i) {
      std::string n = std::to_string((i * 37) % 400);
      db->Execute("insert into t (a, b, c) values (" + n + ", 'row " + n + " padding padding', " +
                  n + ".5)");
    }
    db->Execute("insert into u (a, e, d) values (1, '" + std::string(9000, 'q') + "', '2002-5-7')");
    db->Execute("commit");
    db->Execute("delete from t where a < 20");
    db->Execute("commit");
    db->Close();
    return raw->bytes();
  }();
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image = BaseImage();
  tess::fuzz::PatchImage(image, data, size);
  Status s;
  auto db = Database::Open(std::make_unique<MemoryStream>(image), &s);
  if (!db) {
    if (s.code == 0 || s.message.empty()) std::abort();
    return 0;
  }
  db->set_temp_streams([] { return std::make_unique<MemoryStream>(); });
  const char* queries[] = {"select * from t",
                           "select * from u",
                           "select b, a from t order by b desc",
                           "select count(*), avg(c) from t group by b",
                           "select * from t where a = 77",
                           "select e from u where e like 'q%'"};
  for (const char* q : queries) {
    auto c = db->Select(q);
    while (c && c->MoveNext()) {
      for (size_t i = 0; i < c->ColumnCount(); ++i) c->Text(i);
    }
  }
  CheckDatabase(*db);
  db->Execute("insert into t (a, b, c) values (1000, 'new', 1)");
  db->Execute("update t set b = 'changed' where a > 300");
  db->Execute("delete from t where a = 50");
  if (data[size > 1 ? 1 : 0] & 1) {
    db->Execute("rollback");
  } else {
    db->Execute("commit");
  }
  db->Select("select count(*) from t");
  db->Close();
  return 0;
}
