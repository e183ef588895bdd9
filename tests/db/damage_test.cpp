// Streams, and damaged or hostile files: a clear error, nothing written
// outside the file's own bytes, no crash.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "base/byte_order.h"
#include "db/check.h"
#include "db/format.h"
#include "db_test_support.h"

namespace tess::db::test {
namespace {

TEST(MemoryStream, ReadsWritesAndRefusesToGrowPastItsLimit) {
  MemoryStream s;
  ASSERT_TRUE(s.WriteAt(4, "abc", 3));
  EXPECT_EQ(s.bytes(), std::string("\0\0\0\0abc", 7));
  char buf[8];
  size_t done;
  ASSERT_TRUE(s.SetPosition(5));
  ASSERT_TRUE(s.Read(buf, 8, &done));
  EXPECT_EQ(std::string(buf, done), "bc");
  EXPECT_TRUE(s.AtEnd());
  ASSERT_TRUE(s.SetLength(2));
  EXPECT_EQ(s.Position(), 2u);
  EXPECT_EQ(s.Length(), 2u);
  s.swap_integers = true;
  ASSERT_TRUE(s.WriteU32(0x01020304));
  EXPECT_EQ(s.bytes().substr(2), "\x04\x03\x02\x01");
  s.set_limit(8);
  EXPECT_FALSE(s.Write("12345", 5));
  EXPECT_TRUE(s.error());
  EXPECT_FALSE(s.Write("1", 1));  // refused for good
  EXPECT_EQ(s.Length(), 6u);
}

TEST(FileStream, SetLengthAndTemporaryFiles) {
  tess::test::TempDir dir;
  auto f = FileStream::Open(dir.File("f"), FileStream::Mode::kCreate);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->Write("hello", 5));
  ASSERT_TRUE(f->SetLength(2));
  EXPECT_EQ(f->Length(), 2u);
  EXPECT_TRUE(f->Flush());
  f.reset();
  auto r = FileStream::Open(dir.File("f"), FileStream::Mode::kRead);
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->Write("x", 1));
  EXPECT_FALSE(r->SetLength(0));
  EXPECT_FALSE(FileStream::Open(dir.File("missing"), FileStream::Mode::kReadWrite));
}

TEST(ReadOnlyFile, OpensQueriesAndClosesWithoutWriting) {
  tess::test::TempDir dir;
  std::string path = dir.File("ro.db");
  Status s;
  {
    auto db = Database::Create(path, &s);
    ASSERT_TRUE(db);
    db->Execute("create table t (a integer)");
    db->Execute("insert into t (a) values (1)");
    db->Execute("delete from t where a = 1");
    db->Execute("insert into t (a) values (2)");
  }
  auto stream = FileStream::Open(path, FileStream::Mode::kRead);
  ASSERT_TRUE(stream);
  auto db = Database::Open(std::move(stream), &s);
  ASSERT_TRUE(db);
  auto c = db->Select("select a from t");
  ASSERT_TRUE(c);
  EXPECT_EQ(RowsOf(*c), std::vector<std::string>{"2"});
  db->Execute("insert into t (a) values (3)");
  EXPECT_NE(db->ErrorCode(), 0);
  EXPECT_TRUE(db->Close());
}

class DamageTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Exec("create table t (id integer, v varchar(100), primary key (id))");
    for (int i = 0; i < 800; ++i) {
      Exec("insert into t (id, v) values (" + std::to_string(i) + ", '" + std::string(60, 'v') +
           "')");
    }
    ASSERT_TRUE(db_->Close());
    db_.reset();
    std::ifstream in(path_, std::ios::binary);
    image_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Opens the image with `change` applied; nullptr with `status` when refused.
  std::unique_ptr<Database> OpenChanged(const std::function<void(std::string&)>& change) {
    std::string bytes = image_;
    change(bytes);
    status_ = {};
    auto db = Database::Open(std::make_unique<MemoryStream>(bytes), &status_);
    if (db) db->set_temp_streams([] { return std::make_unique<MemoryStream>(); });
    return db;
  }
  uint8_t* Byte(std::string& s, size_t at) { return reinterpret_cast<uint8_t*>(&s[at]); }

  std::string image_;
  Status status_;
};

TEST_F(DamageTest, HeaderProblemsAreRefusedWithAReason) {
  struct Case {
    std::function<void(std::string&)> change;
    const char* message;
  } cases[] = {
      {[](std::string& s) { s.resize(30); }, "the file is too short to be a database"},
      {[&](std::string& s) { s[0] = 0; }, "the file is not a database of this version"},
      {[&](std::string& s) { put_be32(Byte(s, 4), 2); },
       "the file is not a database of this version"},
      {[&](std::string& s) { put_be32(Byte(s, kHdrDirectoryRoot), 99999); },
       "the storage directory is missing"},
      {[&](std::string& s) { put_be32(Byte(s, kHeaderSize), 0x12345678); },
       "the storage directory is damaged"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(OpenChanged(c.change));
    EXPECT_EQ(status_.code, 2009);
    EXPECT_EQ(status_.message, std::string("Unable to open the database file: ") + c.message);
  }
}

TEST_F(DamageTest, DamagedPagesReportedByQueriesAndTheChecker) {
  Status s;
  auto probe = Database::Open(std::make_unique<MemoryStream>(image_), &s);
  ASSERT_TRUE(probe);
  uint32_t root = probe->tables()[0].root;
  uint32_t pages = probe->pager().page_count();
  probe.reset();
  // Every data page, in turn, with a bad entry length: a catalog page makes
  // open refuse the file, a table page makes queries over it fail.
  int refused = 0, failed = 0;
  for (uint32_t page = 0; page < pages; ++page) {
    auto db = OpenChanged([&](std::string& b) {
      size_t at = PageOffset(page) + kPageHeaderSize;
      if (be32(Byte(b, PageOffset(page))) == kDataPage && page != root) put_be16(Byte(b, at), 3);
    });
    if (!db) {
      EXPECT_EQ(status_.code, 2009);
      ++refused;
      continue;
    }
    auto c = db->Select("select count(*) from t");
    std::vector<std::string> problems = CheckDatabase(*db);
    if (c) {
      EXPECT_EQ(RowsOf(*c), std::vector<std::string>{"800"}) << page;
      continue;
    }
    ++failed;
    EXPECT_EQ(db->ErrorCode(), 2010);
    EXPECT_EQ(db->ErrorMessage(), "The database file is damaged");
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("entry length out of range"), std::string::npos) << problems[0];
    db->Execute("insert into t (id, v) values (5000, 'x')");
    db->Execute("delete from t where id = 3");
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(failed, 5);
}

TEST_F(DamageTest, KeyDisorderAndLinkLoopsAreFound) {
  // Swap the first two rows' keys in the first data page of the table.
  Status s;
  auto probe = Database::Open(std::make_unique<MemoryStream>(image_), &s);
  ASSERT_TRUE(probe);
  std::vector<std::string> clean = CheckDatabase(*probe);
  EXPECT_EQ(clean, std::vector<std::string>{});
  uint32_t root = probe->tables()[0].root;
  probe.reset();
  auto db = OpenChanged([&](std::string& b) {
    // The root is an index page now; point its second link back at itself.
    size_t area = PageOffset(root) + kPageHeaderSize;
    ASSERT_EQ(be32(Byte(b, PageOffset(root))), kIndexPage);
    size_t second = area + be16(Byte(b, area));
    put_be32(Byte(b, second + kEntryHeaderSize), root);
  });
  ASSERT_TRUE(db);
  EXPECT_FALSE(db->Select("select * from t"));
  EXPECT_EQ(db->ErrorCode(), 2010);
  std::vector<std::string> problems = CheckDatabase(*db);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("page reached twice"), std::string::npos) << problems[0];
}

}  // namespace
}  // namespace tess::db::test
