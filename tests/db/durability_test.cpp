// Crashes at every write, exact rollback, all-or-nothing statements, large
// values owned by one row, and the reuse of free space.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "base/byte_order.h"
#include "db/check.h"
#include "db/format.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

// A database file and its journal in memory, with a budget of writes: the
// write that spends the last unit fails (torn in half when `tear`), and so
// does every later one, which is what the disk holds after a crash there.
struct Disk {
  std::unique_ptr<MemoryStream> file = std::make_unique<MemoryStream>();
  std::unique_ptr<MemoryStream> journal;
  long budget = 0x7FFFFFFF;
  bool tear = false;

  // False when this write is the crash or comes after it; `n` is then what
  // reaches the disk.
  bool Spend(size_t* n) {
    if (budget <= 0) {
      *n = 0;
      return false;
    }
    if (--budget == 0) {
      *n = tear ? *n / 2 : 0;
      return false;
    }
    return true;
  }
};

class DiskStream : public ByteStream {
 public:
  DiskStream(Disk* disk, std::unique_ptr<MemoryStream>* target) : disk_(disk), target_(target) {}
  bool Read(void* b, size_t n, size_t* done) override { return (*target_)->Read(b, n, done); }
  bool Write(const void* b, size_t n) override {
    size_t part = n;
    if (disk_->Spend(&part)) return (*target_)->Write(b, n);
    if (part) (*target_)->Write(b, part);
    return false;
  }
  void Close() override {}
  bool AtEnd() override { return (*target_)->AtEnd(); }
  bool SetPosition(uint64_t p) override { return (*target_)->SetPosition(p); }
  uint64_t Length() override { return (*target_)->Length(); }
  bool SetLength(uint64_t n) override {
    size_t unused = 0;
    return disk_->Spend(&unused) && (*target_)->SetLength(n);
  }
  uint64_t Position() override { return (*target_)->Position(); }

 private:
  Disk* disk_;
  std::unique_ptr<MemoryStream>* target_;
};

class DiskJournal : public JournalStore {
 public:
  explicit DiskJournal(Disk* disk) : disk_(disk), stream_(disk, &disk->journal) {}
  ByteStream* Create() override {
    size_t unused = 0;
    if (!disk_->Spend(&unused)) return nullptr;
    disk_->journal = std::make_unique<MemoryStream>();
    return &stream_;
  }
  ByteStream* OpenExisting() override { return disk_->journal ? &stream_ : nullptr; }
  void Close() override {}
  bool Remove() override {
    size_t unused = 0;
    if (!disk_->Spend(&unused)) return false;
    disk_->journal.reset();
    return true;
  }

 private:
  Disk* disk_;
  DiskStream stream_;
};

std::unique_ptr<Database> OpenDisk(Disk* disk, Status* s) {
  return Database::Open(std::make_unique<DiskStream>(disk, &disk->file), s,
                        std::make_unique<DiskJournal>(disk));
}

// The disk as a crash left it, ready to open again.
Disk Copy(const Disk& d) {
  Disk c;
  c.file = std::make_unique<MemoryStream>(d.file->bytes());
  if (d.journal) c.journal = std::make_unique<MemoryStream>(d.journal->bytes());
  return c;
}

void Run(Database& db, const std::string& sql) {
  db.Execute(sql);
  ASSERT_EQ(db.ErrorCode(), 0) << sql << ": " << db.ErrorMessage();
}

std::vector<std::string> Contents(Database& db) {
  std::vector<std::string> out;
  for (const char* sql : {"select * from t", "select * from u"}) {
    auto c = db.Select(sql);
    if (!c) return {"no table: " + db.ErrorMessage()};
    auto rows = RowsOf(*c);
    out.insert(out.end(), rows.begin(), rows.end());
  }
  return out;
}

std::string Big(int id, char fill, size_t size) {
  std::string s(size, fill);
  s.replace(0, std::to_string(id).size(), std::to_string(id));
  return s;
}

Disk BaseDisk() {
  Disk disk;
  Status s;
  auto db = Database::Create(std::make_unique<DiskStream>(&disk, &disk.file), &s,
                             std::make_unique<DiskJournal>(&disk));
  EXPECT_TRUE(db) << s.message;
  Run(*db, "create table t (id integer, name varchar(40), v long varchar, primary key (id))");
  Run(*db, "create table u (n integer, pad varchar(200))");
  for (int i = 0; i < 300; ++i) {
    std::string v = i % 10 ? "small " + std::to_string(i) : Big(i, 'b', 5000);
    EXPECT_TRUE(db->InsertRecord(
        "t", {{"id", std::to_string(i * 7 % 300)}, {"name", "n" + std::to_string(i)}, {"v", v}}));
    if (i < 200) db->InsertRecord("u", {{"n", std::to_string(i)}, {"pad", std::string(150, 'p')}});
  }
  EXPECT_TRUE(db->Commit());
  db->Close();
  return disk;
}

struct Workload {
  const char* name;
  std::function<void(Database&)> run;
};

const Workload kWorkloads[] = {
    {"insert with splits",
     [](Database& db) {
       for (int i = 300; i < 600; ++i) {
         db.InsertRecord("t",
                         {{"id", std::to_string(i)}, {"name", "late"}, {"v", Big(i, 'c', 700)}});
       }
       db.Commit();
     }},
    {"update with large values",
     [](Database& db) {
       db.Execute("update t set v = '" + Big(1, 'u', 6000) + "' where id < 100");
       db.Execute("update t set name = 'renamed'");
       db.Commit();
     }},
    {"delete",
     [](Database& db) {
       db.Execute("delete from t where id > 50");
       db.Execute("delete from u");
       db.Commit();
     }},
    {"vacuum",
     [](Database& db) {
       db.Execute("delete from t where id > 20");
       db.Commit();
       db.Vacuum();
     }},
};

// Every write of each workload in turn is the last to reach the disk,
// whole or torn: open then recovers either the state before the workload's
// transaction or the one after it, checks clean, and hands out record
// identifiers that no existing entry has.
TEST(Durability, EveryWriteOfACommitLeavesTheOldOrTheNewState) {
  const Disk base = BaseDisk();
  Status s;
  for (const Workload& w : kWorkloads) {
    std::vector<std::vector<std::string>> states;
    {
      Disk d = Copy(base);
      auto db = OpenDisk(&d, &s);
      ASSERT_TRUE(db);
      states.push_back(Contents(*db));
      w.run(*db);
      states.push_back(Contents(*db));
      // The vacuum workload commits twice: its first commit is a state too.
    }
    if (std::string(w.name) == "vacuum") states.insert(states.begin() + 1, states.back());
    for (bool tear : {false, true}) {
      bool finished = false;
      for (long n = 1; !finished && n < 5000; ++n) {
        Disk d = Copy(base);
        d.tear = tear;
        {
          auto db = OpenDisk(&d, &s);
          ASSERT_TRUE(db);
          d.budget = n;
          w.run(*db);
          finished = d.budget > 0;
        }
        Disk after = Copy(d);
        auto db = OpenDisk(&after, &s);
        ASSERT_TRUE(db) << w.name << " write " << n << ": " << s.message;
        ASSERT_EQ(CheckDatabase(*db), std::vector<std::string>{}) << w.name << " write " << n;
        std::vector<std::string> now = Contents(*db);
        bool known = false;
        for (const auto& state : states) known = known || now == state;
        ASSERT_TRUE(known) << w.name << " write " << n << (tear ? " torn" : "");
        ASSERT_EQ(
            be32(reinterpret_cast<const uint8_t*>(after.file->bytes().data()) + kHdrInProgress),
            0u);
        // A fresh large value does not take an identifier already in use.
        ASSERT_TRUE(db->InsertRecord("t", {{"id", "100000"}, {"v", Big(9, 'z', 4500)}}));
        auto c = db->Select("select v from t where id < 100000");
        auto again = db->Select("select v from t where id = 100000");
        ASSERT_TRUE(c && again && again->MoveNext());
        EXPECT_EQ(again->Text(0), Big(9, 'z', 4500));
        while (c->MoveNext()) ASSERT_NE(c->Text(0), Big(9, 'z', 4500));
      }
      EXPECT_TRUE(finished) << w.name;
    }
  }
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DurabilityTest : public DbTest {
 protected:
  size_t FileSize() { return FileBytes(path_).size(); }
  size_t BlobEntries() {
    Tree blob(
        &db_->pager(), db_->catalog().blob_root(),
        [](const uint8_t* e, size_t, std::string* k) { AppendU32Key(be32(e + kEnRecord), k); });
    TreeCursor c = blob.Begin();
    EntryRef e;
    size_t n = 0;
    while (c.Next(&e)) ++n;
    return n;
  }
};

TEST_F(DurabilityTest, FlagWithoutJournalIsClearedOnOpen) {
  Exec("create table t (a integer)");
  Exec("insert into t (a) values (1)");
  db_->Close();
  std::vector<uint8_t> b = FileBytes(path_);
  put_be32(&b[kHdrInProgress], 1);
  tess::test::WriteFile(path_, b);
  Status s;
  db_ = Database::Open(path_, &s);
  ASSERT_TRUE(db_) << s.message;
  EXPECT_TRUE(db_->pager().recovered());
  EXPECT_EQ(be32(&FileBytes(path_)[kHdrInProgress]), 0u);
  EXPECT_EQ(Rows("select * from t"), std::vector<std::string>{"1"});
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
}

TEST_F(DurabilityTest, ReadsNeverSetTheFlagOrWrite) {
  Exec("create table t (id integer, primary key (id))");
  for (int i = 0; i < 500; ++i) Exec("insert into t (id) values (" + std::to_string(i) + ")");
  Exec("commit");
  Exec("delete from t where id > 10");
  Exec("commit");
  Reopen();
  std::vector<uint8_t> before = FileBytes(path_);
  EXPECT_EQ(Rows("select count(*) from t"), std::vector<std::string>{"11"});
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  EXPECT_EQ(be32(&FileBytes(path_)[kHdrInProgress]), 0u);
  EXPECT_FALSE(db_->pager().in_transaction());
  ASSERT_TRUE(db_->Close());
  EXPECT_EQ(FileBytes(path_), before);
}

TEST_F(DurabilityTest, RollbackIsExact) {
  Exec("create table t (id integer, v varchar(10), primary key (id))");
  Exec("insert into t (id, v) values (1, 'one')");
  Exec("insert into t (id, v) values (2, 'two')");
  Exec("commit");
  size_t size = FileSize();
  // Inserted and deleted in one transaction: the rollback does not bring
  // it back.
  Exec("insert into t (id, v) values (3, 'three')");
  Exec("delete from t where id = 3");
  Exec("rollback");
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"1\tone", "2\ttwo"}));
  // Two updates of one row, then a rollback: one row, in key order.
  Exec("update t set v = 'x' where id = 1");
  Exec("update t set v = 'y' where id = 1");
  Exec("update t set id = 5 where id = 2");
  Exec("rollback");
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"1\tone", "2\ttwo"}));
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  Exec("update t set v = 'z' where id = 2");
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"1\tone", "2\tz"}));
  // Many rows and a new table, rolled back: nothing of them stays, on disk
  // either.
  Exec("rollback");
  Exec("create table big (a varchar(100))");
  for (int i = 0; i < 2000; ++i)
    Exec("insert into big (a) values ('" + std::string(90, 'a') + "')");
  Exec("rollback");
  EXPECT_EQ(FileSize(), size);
  EXPECT_EQ(SelectError("select * from big"), "202: Invalid table big");
  Reopen();
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"1\tone", "2\ttwo"}));
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
}

TEST_F(DurabilityTest, FailedStatementsApplyNothing) {
  Exec("create table t (id integer, v long varchar, primary key (id))");
  Exec("insert into t (id, v) values (1, 'a')");
  Exec("commit");
  size_t blobs = BlobEntries();
  uint32_t pages = db_->pager().page_count();
  struct Case {
    std::string sql;
    int code;
  } cases[] = {
      // The column name does not fit a catalog row: nothing of the table stays.
      {"create table bad (a integer, [" + std::string(9000, 'n') + "] integer)", 2001},
      // A key violation found after the large value was written.
      {"insert into t (id, v) values (1, '" + std::string(9000, 'v') + "')", 2005},
      // Rows updated before the violating one are put back with their values.
      {"update t set id = 1, v = '" + std::string(5000, 'w') + "'", 2005},
  };
  Exec("insert into t (id, v) values (2, 'b')");
  for (const Case& c : cases) {
    db_->Execute(c.sql);
    EXPECT_EQ(db_->ErrorCode(), c.code) << c.sql.substr(0, 40) << ": " << db_->ErrorMessage();
  }
  EXPECT_EQ(db_->tables().size(), 1u);
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"1\ta", "2\tb"}));
  EXPECT_EQ(BlobEntries(), blobs + 1);
  Exec("commit");
  Reopen();
  EXPECT_EQ(db_->tables().size(), 1u);
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"1\ta", "2\tb"}));
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  EXPECT_LE(db_->pager().page_count(), pages + 1);
}

TEST_F(DurabilityTest, UpdatedRowsKeepTheirPlaceWhenTheyFit) {
  Exec("create table n (a integer, b varchar(8000))");
  for (int i = 1; i <= 3; ++i) {
    Exec("insert into n (a, b) values (" + std::to_string(i) + ", 'v" + std::to_string(i) + "')");
  }
  Exec("update n set b = 'longer' where a = 2");
  EXPECT_EQ(Rows("select * from n"), (std::vector<std::string>{"1\tv1", "2\tlonger", "3\tv3"}));
  // A row that outgrows its page moves to the end of a table without a key.
  Exec("update n set b = '" + std::string(8120, 'w') + "' where a = 1");
  EXPECT_EQ(Rows("select a from n"), (std::vector<std::string>{"2", "3", "1"}));
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
}

TEST_F(DurabilityTest, LargeValuesAreOwnedByOneRow) {
  Exec("create table t (id integer, v long varbinary, primary key (id))");
  for (int i = 0; i < 20; ++i) Exec("insert into t (id) values (" + std::to_string(i) + ")");
  size_t empty = BlobEntries();
  std::string value = Big(7, 'q', 9000);  // three chunks and an index each
  Exec("update t set v = '" + value + "' where id < 10");
  EXPECT_EQ(BlobEntries(), empty + 10 * 4);
  Exec("delete from t where id = 3");
  EXPECT_EQ(BlobEntries(), empty + 9 * 4);
  EXPECT_EQ(Rows("select count(*) from t where v = '" + value + "'"),
            std::vector<std::string>{"9"});
  Exec("update t set v = 'short' where id < 5");
  EXPECT_EQ(BlobEntries(), empty + 4 + 5 * 4);
  Exec("delete from t");
  EXPECT_EQ(BlobEntries(), empty);
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
}

TEST_F(DurabilityTest, SharedValuesOfOlderFilesStayReadable) {
  Exec("create table t (id integer, v long varchar, primary key (id))");
  // Written the way an older engine wrote an UPDATE: one value, many rows.
  uint32_t ref;
  ASSERT_TRUE(db_->catalog().WriteBlob("shared", &ref));
  const TableInfo& t = *db_->catalog().FindTable("t");
  for (int i = 1; i <= 3; ++i) {
    std::string id(4, '\0'), r(4, '\0');
    put_be32(reinterpret_cast<uint8_t*>(id.data()), uint32_t(i));
    put_be32(reinterpret_cast<uint8_t*>(r.data()), ref);
    std::string body;
    ASSERT_TRUE(EncodeRow(t.types, {id, r}, &body));
    ASSERT_TRUE(db_->catalog().InsertEncoded(t, body).ok());
  }
  Exec("delete from t where id = 1");
  Exec("update t set v = 'own' where id = 2");
  EXPECT_EQ(Rows("select * from t"), (std::vector<std::string>{"2\town", "3\tshared"}));
  Exec("delete from t where id = 3");
  EXPECT_EQ(BlobEntries(), 1u);
}

TEST_F(DurabilityTest, FreeSpaceIsReusedAndVacuumShrinksTheFile) {
  Exec("create table t (id integer, name varchar(40), primary key (id))");
  Exec("create table n (pad varchar(300))");
  auto fill = [&] {
    for (int i = 0; i < 3000; ++i) {
      ASSERT_TRUE(db_->InsertRecord(
          "t", {{"id", std::to_string(i * 7919 % 3000)}, {"name", "name " + std::to_string(i)}}));
      ASSERT_TRUE(db_->InsertRecord("n", {{"pad", std::string(250, 'p')}}));
    }
  };
  fill();
  Exec("commit");
  size_t full = FileSize();
  // Delete everything and insert it again in one transaction.
  Exec("delete from t");
  Exec("delete from n");
  fill();
  Exec("commit");
  EXPECT_LE(FileSize(), full + full / 10);
  // Update every row.
  Exec("update t set name = 'another name'");
  Exec("update n set pad = '" + std::string(260, 'q') + "'");
  Exec("commit");
  EXPECT_LE(FileSize(), full + full / 5);
  // Pages emptied in one transaction serve the next, after a reopen too.
  Exec("delete from n");
  Exec("commit");
  Reopen();
  EXPECT_NE(db_->pager().free_head(), kNoPage);
  size_t before = FileSize();
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(db_->InsertRecord("n", {{"pad", "again"}}));
  Exec("commit");
  EXPECT_EQ(FileSize(), before);
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  // The compaction keeps every row and leaves no free page.
  std::vector<std::string> rows = Rows("select * from t");
  Exec("delete from t where id >= 100");
  ASSERT_TRUE(db_->Vacuum()) << db_->ErrorMessage();
  EXPECT_LT(FileSize(), before / 4);
  EXPECT_EQ(db_->pager().free_head(), kNoPage);
  Reopen();
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  rows.resize(100);
  EXPECT_EQ(Rows("select * from t"), rows);
  EXPECT_EQ(Rows("select count(*) from n"), std::vector<std::string>{"3000"});
}

// A file of the engine before the journal: deleted entries left in pages, a
// value shared by rows, a rolled-back table's storage.
TEST_F(DurabilityTest, ClassicFilesOpenUnchangedAndStayReadable) {
  const char* source = std::getenv("TESSERA_SOURCE_DIR");
  ASSERT_TRUE(source);
  std::vector<uint8_t> classic = FileBytes(std::string(source) + "/tests/data/db/classic.db");
  ASSERT_EQ(classic.size(), kHeaderSize + 6 * kPageSize);
  db_->Close();
  tess::test::WriteFile(path_, classic);
  Status s;
  db_ = Database::Open(path_, &s);
  ASSERT_TRUE(db_) << s.message;
  EXPECT_FALSE(db_->pager().recovered());
  std::string shared;
  for (int i = 0; i < 800; ++i) shared += "shared ";
  std::vector<std::string> rows;
  for (int i = 1; i <= 25; ++i) {
    std::string id = std::to_string(i);
    rows.push_back(id + "\tname " + id + "\t" + (i < 10 ? shared : "value " + id));
  }
  EXPECT_EQ(Rows("select * from t"), rows);
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  ASSERT_TRUE(db_->Close());
  EXPECT_EQ(FileBytes(path_), classic);
  // Changes keep the value while any row names it.
  Reopen();
  Exec("delete from t where id < 5");
  Exec("update t set v = 'own' where id = 5");
  Exec("commit");
  Reopen();
  rows.erase(rows.begin(), rows.begin() + 4);
  rows[0] = "5\tname 5\town";
  EXPECT_EQ(Rows("select * from t"), rows);
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
  ASSERT_TRUE(db_->Vacuum());
  Reopen();
  EXPECT_EQ(Rows("select * from t"), rows);
  EXPECT_EQ(CheckDatabase(*db_), std::vector<std::string>{});
}

}  // namespace
}  // namespace tess::db::test
