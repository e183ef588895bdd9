// Helpers for database tests: a database in a temporary folder, statements
// that must succeed, and query results as whole lists of tab-joined rows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "test_support.h"

namespace tess::db::test {

inline std::vector<std::string> RowsOf(Cursor& c) {
  std::vector<std::string> rows;
  while (c.MoveNext()) {
    std::string r;
    for (size_t i = 0; i < c.ColumnCount(); ++i) r += (i ? "\t" : "") + c.Text(i);
    rows.push_back(r);
  }
  return rows;
}

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("test.db");
    Status s;
    db_ = Database::Create(path_, &s);
    ASSERT_TRUE(db_) << s.message;
  }
  void Exec(const std::string& sql) {
    db_->Execute(sql);
    ASSERT_EQ(db_->ErrorCode(), 0) << sql << ": " << db_->ErrorMessage();
  }
  // "code: message" of a statement expected to fail.
  std::string ExecError(const std::string& sql) {
    db_->Execute(sql);
    return std::to_string(db_->ErrorCode()) + ": " + db_->ErrorMessage();
  }
  std::string SelectError(const std::string& sql) {
    auto c = db_->Select(sql);
    EXPECT_FALSE(c) << sql;
    return std::to_string(db_->ErrorCode()) + ": " + db_->ErrorMessage();
  }
  std::vector<std::string> Rows(const std::string& sql) {
    auto c = db_->Select(sql);
    EXPECT_TRUE(c) << sql << ": " << db_->ErrorMessage();
    if (!c) return {};
    return RowsOf(*c);
  }
  void Reopen() {
    ASSERT_TRUE(db_->Close());
    db_.reset();
    Status s;
    db_ = Database::Open(path_, &s);
    ASSERT_TRUE(db_) << s.message;
  }

  tess::test::TempDir dir_;
  std::string path_;
  std::unique_ptr<Database> db_;
};

}  // namespace tess::db::test
