// The block store on its own: handles, seeks within chains, idnums.
#include <gtest/gtest.h>

#include "files/volume_core.h"
#include "files/volume_format.h"
#include "files/volume_messages.h"
#include "volume_test_support.h"

namespace tess::files::test {
namespace {

using namespace volume;

TEST(VolumeCore, HandlesSeekWithinTheChainOnly) {
  db::MemoryStream s;
  auto core = VFSCore::Create(&s, false);
  uint32_t id = core->CreateFile();
  ASSERT_EQ(id, 2u);
  int h = core->OpenFile(id);
  ASSERT_GE(h, 0);
  std::string data(8156 + 100, 'x');
  ASSERT_TRUE(core->Write(h, data.data(), data.size()));
  EXPECT_EQ(core->Capacity(id), 2u * 8156);
  // The whole chain is reachable, its end included; one more is not.
  EXPECT_TRUE(core->Seek(h, 2 * 8156));
  EXPECT_FALSE(core->Seek(h, 2 * 8156 + 1));
  EXPECT_EQ(core->error(), kSeekBeyondChain);
  ASSERT_TRUE(core->Seek(h, 8150));
  char buf[20000];
  size_t n = 12;
  ASSERT_TRUE(core->Read(h, &n, buf));
  EXPECT_EQ(core->Position(h), 8162u);
  n = sizeof buf;
  EXPECT_FALSE(core->Read(h, &n, buf));
  EXPECT_EQ(n, 2u * 8156 - 8162);
  EXPECT_EQ(core->error(), kChainEnds);
  // A second handle on the same file sees the same bytes.
  int h2 = core->OpenFile(id);
  ASSERT_TRUE(core->Seek(h2, 8155));
  n = 2;
  ASSERT_TRUE(core->Read(h2, &n, buf));
  EXPECT_EQ(std::string(buf, 2), "xx");
  EXPECT_FALSE(core->DeleteFile(id));
  core->Close(h);
  core->Close(h2);
  core->Close(h2);
  EXPECT_EQ(core->error(), kBadHandle);
  EXPECT_TRUE(core->DeleteFile(id));
  EXPECT_EQ(core->OpenFile(id), -1);
  EXPECT_EQ(core->error(), "The volume has no file 2.");
  // Idnums are never handed out twice, even when blocks are.
  EXPECT_EQ(core->CreateFile(), 3u);
}

TEST(VolumeCore, RefusesTheMetadataIdnumAndTooManyHandles) {
  db::MemoryStream s;
  auto core = VFSCore::Create(&s, false);
  EXPECT_EQ(core->OpenFile(0), -1);
  EXPECT_EQ(core->OpenFile(1), -1);
  EXPECT_FALSE(core->DeleteFile(1));
  uint32_t id = core->CreateFile();
  std::vector<int> handles;
  for (uint32_t i = 0; i < kMaxHandles; ++i) handles.push_back(core->OpenFile(id));
  EXPECT_EQ(handles.back(), int(kMaxHandles) - 1);
  EXPECT_EQ(core->OpenFile(id), -1);
  EXPECT_EQ(core->error(), kTooManyHandles);
  // A freed slot is handed out again: the highest free one.
  core->Close(5);
  core->Close(9);
  EXPECT_EQ(core->OpenFile(id), 9);
}

TEST(VolumeCore, AClosedVolumeFailsHarmlessly) {
  db::MemoryStream s("not a volume");
  auto core = VFSCore::Open(&s, false);
  EXPECT_FALSE(core->is_open());
  EXPECT_EQ(core->error(), kBadMagic);
  EXPECT_EQ(core->CreateFile(), 0u);
  EXPECT_EQ(core->OpenFile(2), -1);
  EXPECT_FALSE(core->DeleteFile(2));
  EXPECT_FALSE(core->Seek(0, 0));
  EXPECT_EQ(s.bytes(), "not a volume");
  EXPECT_FALSE(VFSCore::Open(nullptr, false)->is_open());
}

}  // namespace
}  // namespace tess::files::test
