// Host file additions used by the database: set size, sync, temporary files,
// removal.
#include "platform/kernel/file.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tess::platform {
namespace {

TEST(File, SetSizeCutsAndZeroExtendsKeepingThePosition) {
  test::TempDir dir;
  auto f = File::Open(dir.File("a"), File::Mode::kCreate);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->Write("abcdef", 6));
  ASSERT_TRUE(f->SetSize(3));
  EXPECT_EQ(f->Size(), 3u);
  EXPECT_EQ(f->Position(), 6u);
  ASSERT_TRUE(f->SetSize(5));
  ASSERT_TRUE(f->Seek(0));
  char buf[8] = {};
  EXPECT_EQ(f->Read(buf, 8), 5u);
  EXPECT_EQ(std::string(buf, 5), std::string("abc\0\0", 5));
  EXPECT_TRUE(f->Sync());
}

TEST(File, TemporaryFilesAreFreshAndRemovable) {
  std::string p1, p2;
  auto a = File::CreateTemp(&p1);
  auto b = File::CreateTemp(&p2);
  ASSERT_TRUE(a && b);
  EXPECT_NE(p1, p2);
  EXPECT_EQ(a->Size(), 0u);
  EXPECT_TRUE(File::Exists(p1));
  EXPECT_TRUE(File::Remove(p1));
  EXPECT_FALSE(File::Exists(p1));
  EXPECT_FALSE(File::Remove(p1));
  EXPECT_TRUE(File::Remove(p2));
}

}  // namespace
}  // namespace tess::platform
