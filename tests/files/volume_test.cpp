// The folder tree and the content streams of a virtual volume: what the
// operations do, what they refuse, and what survives reopening.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "files/volume_format.h"
#include "files/volume_messages.h"
#include "test_support.h"
#include "volume_test_support.h"

namespace tess::files::test {
namespace {

using namespace volume;

std::vector<std::string> Names(VHFS& v, const VolumeEntry& folder) {
  std::vector<VolumeEntry> children;
  EXPECT_TRUE(v.ListChildren(folder, &children)) << v.error();
  std::vector<std::string> names;
  for (auto& c : children) names.push_back(c.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Volume, FoldersHoldTheirEntriesAndParentsAreFound) {
  MemoryVolume v;
  VolumeEntry root = v->Root();
  EXPECT_EQ(root.name, "/");
  EXPECT_TRUE(root.is_folder());
  VolumeEntry a = v->CreateFolder(root, "a");
  VolumeEntry b = v->CreateFolder(a, "b");
  VolumeEntry f = v.Store(b, "f.txt", "hello");
  ASSERT_TRUE(a && b && f);
  EXPECT_EQ(Names(*v.vol, root), std::vector<std::string>{"a"});
  EXPECT_EQ(Names(*v.vol, b), std::vector<std::string>{"f.txt"});
  EXPECT_EQ(v->GetParent(f).idnum, b.idnum);
  EXPECT_EQ(v->GetParent(a).idnum, root.idnum);
  EXPECT_FALSE(v->GetParent(root));
  EXPECT_EQ(v->Find(b, "F.TXT").idnum, f.idnum);
  EXPECT_FALSE(v->Find(b, "g.txt"));
}

TEST(Volume, RefusesWhatWouldBreakTheTreeAndSaysWhy) {
  MemoryVolume v;
  VolumeEntry root = v->Root();
  VolumeEntry a = v->CreateFolder(root, "a");
  VolumeEntry b = v->CreateFolder(a, "b");
  VolumeEntry f = v.Store(a, "f", "x");
  struct Case {
    std::function<bool()> op;
    std::string error;
  };
  const Case cases[] = {
      {[&] { return bool(v->CreateEntry(root, "", 0x3F3F3F3F)); }, kBadName},
      {[&] { return bool(v->CreateEntry(root, "x", 0)); }, kBadType},
      {[&] { return bool(v->CreateEntry(root, "x", kFolderType)); }, kBadType},
      {[&] { return bool(v->CreateFolder(root, "A")); },
       "The folder already holds an entry named \"A\"."},
      {[&] { return bool(v->CreateEntry(f, "x", 1)); }, kNotFolder},
      {[&] { return v->DeleteEntry(root); }, kRootFixed},
      {[&] { return v->DeleteEntry(a); }, kFolderNotEmpty},
      {[&] { return v->Move(a, a); }, kMoveIntoItself},
      {[&] { return v->Move(a, b); }, kMoveIntoItself},
      {[&] { return v->Move(root, a); }, kRootFixed},
      {[&] { return v->Rename(f, "B"); }, "The folder already holds an entry named \"B\"."},
      {[&] { return v->Rename(f, ""); }, kBadName},
      {[&] { return v->SetType(a, 1); }, kBadType},
      {[&] { return v->SetType(f, kFolderType); }, kBadType},
      {[&] { return v->SetType(f, 0); }, kBadType},
      {[&] { return v->OpenDataStream(a) != nullptr; }, kIsFolder},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_FALSE(cases[i].op()) << "case " << i;
    EXPECT_EQ(v->error(), cases[i].error) << "case " << i;
  }
  EXPECT_EQ(Names(*v.vol, root), std::vector<std::string>{"a"});
  EXPECT_EQ(Names(*v.vol, a), (std::vector<std::string>{"b", "f"}));
  EXPECT_TRUE(v->Check().damage.empty());
}

TEST(Volume, MoveRenameAndDeleteKeepEveryListingRight) {
  MemoryVolume v;
  VolumeEntry root = v->Root();
  VolumeEntry a = v->CreateFolder(root, "a");
  VolumeEntry b = v->CreateFolder(root, "b");
  std::vector<VolumeEntry> files;
  for (int i = 0; i < 5; ++i) files.push_back(v.Store(a, ("f" + std::to_string(i)).c_str(), "x"));
  ASSERT_TRUE(v->Move(files[1], b));
  ASSERT_TRUE(v->Rename(files[3], "renamed"));
  ASSERT_TRUE(v->DeleteEntry(files[0]));
  EXPECT_EQ(Names(*v.vol, a), (std::vector<std::string>{"f2", "f4", "renamed"}));
  EXPECT_EQ(Names(*v.vol, b), std::vector<std::string>{"f1"});
  EXPECT_EQ(v->GetParent(files[1]).idnum, b.idnum);
  ASSERT_TRUE(v->Move(a, b));
  EXPECT_EQ(Names(*v.vol, root), std::vector<std::string>{"b"});
  EXPECT_EQ(Names(*v.vol, b), (std::vector<std::string>{"a", "f1"}));
  ASSERT_TRUE(v->SetType(files[2], 0x54455854));
  EXPECT_EQ(v->LoadEntry(files[2].idnum).type, 0x54455854u);
  EXPECT_TRUE(v->Check().damage.empty());
  EXPECT_TRUE(v->Check().orphans.empty());
}

TEST(VolumeStream, ReadsBackWritesBeforeCloseAndStoresTheLengthOnClose) {
  MemoryVolume v;
  VolumeEntry f = v->CreateEntry(v->Root(), "f", 0x3F3F3F3F);
  auto s = v->OpenDataStream(f);
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->Write("abcdef", 6));
  EXPECT_EQ(s->Length(), 6u);
  ASSERT_TRUE(s->SetPosition(2));
  char buf[16];
  size_t done;
  ASSERT_TRUE(s->Read(buf, sizeof buf, &done));
  EXPECT_EQ(std::string(buf, done), "cdef");
  EXPECT_TRUE(s->AtEnd());
  VolumeEntryInfo info;
  ASSERT_TRUE(v->GetInfo(f, &info));
  EXPECT_EQ(info.length, 0.0);  // not yet closed
  s->Close();
  ASSERT_TRUE(v->GetInfo(f, &info));
  EXPECT_EQ(info.length, 6.0);
  EXPECT_EQ(info.created, kNow);
  EXPECT_FALSE(s->Write("x", 1));
}

TEST(VolumeStream, CutsExtendsWithZerosAndFillsGaps) {
  MemoryVolume v;
  VolumeEntry f = v.Store(v->Root(), "f", std::string(10000, 'q'));
  auto s = v->OpenDataStream(f);
  ASSERT_TRUE(s->SetLength(3));
  EXPECT_EQ(s->Position(), 3u);
  ASSERT_TRUE(s->SetLength(6));
  // Within the blocks but past the end: the gap reads as zeros.
  ASSERT_TRUE(s->SetPosition(8));
  ASSERT_TRUE(s->Write("z", 1));
  s->Close();
  EXPECT_EQ(v.Content(f), std::string("qqq\0\0\0\0\0z", 9));
  // Closing after a cut keeps the cut.
  s = v->OpenDataStream(f);
  ASSERT_TRUE(s->SetPosition(9));
  ASSERT_TRUE(s->SetLength(2));
  s.reset();
  EXPECT_EQ(v.Content(f), "qq");
}

TEST(VolumeStream, SeeksOnlyWithinTheBlocksAndReadsOnlyTheStoredBytes) {
  MemoryVolume v;
  VolumeEntry f = v.Store(v->Root(), "f", std::string(8156 - 256, 'q'));
  auto s = v->OpenDataStream(f);
  // The file fills its one block: its end is a position, one past is not.
  EXPECT_TRUE(s->SetPosition(8156 - 256));
  EXPECT_FALSE(s->SetPosition(8156 - 256 + 1));
  EXPECT_EQ(v->error(), kSeekBeyondChain);
  ASSERT_TRUE(s->SetPosition(8156 - 256));
  ASSERT_TRUE(s->Write("end", 3));
  ASSERT_TRUE(s->SetPosition(100));
  char buf[64];
  size_t done;
  ASSERT_TRUE(s->SetPosition(8156 - 256 - 1));
  ASSERT_TRUE(s->Read(buf, sizeof buf, &done));
  EXPECT_EQ(std::string(buf, done), "qend");
  EXPECT_EQ(v.Content(f).size(), 0u + 8156 - 256);  // the other stream is not closed yet
}

TEST(Volume, AnOpenFileCannotBeDeletedAndDestroyingTheVolumeClosesIt) {
  auto volume = std::make_unique<MemoryVolume>();
  VolumeEntry f = (*volume)->CreateEntry((*volume)->Root(), "f", 0x3F3F3F3F);
  auto s = (*volume)->OpenDataStream(f);
  ASSERT_TRUE(s->Write("kept", 4));
  EXPECT_FALSE((*volume)->DeleteEntry(f));
  EXPECT_EQ((*volume)->error(), "File 3 of the volume is open.");
  volume->vol.reset();
  EXPECT_FALSE(s->Write("x", 1));
  MemoryVolume again(Bytes(volume->stream.bytes().begin(), volume->stream.bytes().end()));
  EXPECT_EQ(again.Content(again->Find(again->Root(), "f")), "kept");
}

TEST(Volume, InfoSetsDatesAndLengths) {
  MemoryVolume v;
  VolumeEntry f = v.Store(v->Root(), "f", "abcdef");
  VolumeEntryInfo info;
  ASSERT_TRUE(v->GetInfo(f, &info));
  info.created = 100;
  info.modified = 200;
  info.length = 8;
  ASSERT_TRUE(v->SetInfo(info));
  VolumeEntryInfo after;
  ASSERT_TRUE(v->GetInfo(f, &after));
  EXPECT_EQ(after.created, 100);
  EXPECT_EQ(after.modified, 200);
  EXPECT_EQ(v.Content(f), std::string("abcdef\0\0", 8));
  // Growing a file that an open stream has written to keeps those bytes.
  auto s = v->OpenDataStream(f);
  ASSERT_TRUE(s->SetPosition(8));
  ASSERT_TRUE(s->Write("gh", 2));
  info.length = 12;
  ASSERT_TRUE(v->SetInfo(info));
  s.reset();
  EXPECT_EQ(v.Content(f), std::string("abcdef\0\0gh\0\0", 12));
  info.length = 1e12;
  EXPECT_FALSE(v->SetInfo(info));
  EXPECT_EQ(v->error(), kBadLength);
  VolumeEntryInfo root;
  ASSERT_TRUE(v->GetInfo(v->Root(), &root));
  root.length = 0;
  EXPECT_FALSE(v->SetInfo(root));
}

TEST(Volume, SurvivesReopeningFromAHostFile) {
  tess::test::TempDir dir;
  std::string path = dir.File("disk.vol");
  std::string error;
  {
    auto v = VHFS::CreateAt(path, &error);
    ASSERT_TRUE(v) << error;
    VolumeEntry docs = v->CreateFolder(v->Root(), "Docs");
    for (int i = 0; i < 30; ++i) {
      VolumeEntry e = v->CreateEntry(docs, "n" + std::to_string(i), 0x3F3F3F3F);
      auto s = v->OpenDataStream(e);
      std::string body(size_t(i) * 997, char('A' + i % 26));
      ASSERT_TRUE(s->Write(body.data(), body.size()));
    }
  }
  auto v = VHFS::OpenAt(path, false, &error);
  ASSERT_TRUE(v) << error;
  VolumeEntry docs = v->Find(v->Root(), "docs");
  std::vector<VolumeEntry> children;
  ASSERT_TRUE(v->ListChildren(docs, &children));
  EXPECT_EQ(children.size(), 30u);
  VolumeEntry n29 = v->Find(docs, "n29");
  auto s = v->OpenDataStream(n29);
  ASSERT_TRUE(s);
  std::string body(size_t(s->Length()), '\0');
  size_t done;
  ASSERT_TRUE(s->Read(body.data(), body.size(), &done));
  EXPECT_EQ(body, std::string(29 * 997, char('A' + 29 % 26)));
  // Opened read-only: nothing may change.
  EXPECT_FALSE(v->CreateFolder(v->Root(), "x"));
  EXPECT_FALSE(s->Write("x", 1));
  EXPECT_TRUE(v->Check().damage.empty());
  EXPECT_FALSE(VHFS::OpenAt(dir.File("missing"), false, &error));
}

// What an interrupted write leaves behind is tolerated: a block cut short at
// the end, an idnum listed twice, a child that names another folder.
TEST(Volume, ToleratesWhatAnInterruptionLeaves) {
  MemoryVolume v;
  VolumeEntry a = v->CreateFolder(v->Root(), "a");
  VolumeEntry b = v->CreateFolder(v->Root(), "b");
  VolumeEntry f = v.Store(a, "f", "data");
  VolumeEntry g = v.Store(a, "g", "more");
  Bytes image = Of(v.stream);
  // Folder a (block at 8240): count 3, with g listed twice.
  Put(image, 8240 + 32 + 256, Bytes{3, 0, 0, 0});
  Put(image, 8240 + 32 + 268, Bytes{uint8_t(g.idnum), 0, 0, 0});
  Put(image, 8240 + 32, Bytes{0, 0, 0, 0, 0, 0, 0x30, 0x40});  // length 16.0
  // Folder b also lists f, whose parent is still a (a move cut short).
  Put(image, 16432 + 32 + 256, Bytes{1, 0, 0, 0, uint8_t(f.idnum), 0, 0, 0});
  Put(image, 16432 + 32, Bytes{0, 0, 0, 0, 0, 0, 0x20, 0x40});  // length 8.0
  // An appended block that got only its first bytes.
  Bytes torn(3000, 0x55);
  Put(torn, 0, BlockHeader(0, 0, 8192.0, 0.0));
  image.insert(image.end(), torn.begin(), torn.end());

  MemoryVolume w(image);
  ASSERT_TRUE(w->usable()) << w->error();
  EXPECT_EQ(Names(*w.vol, a), (std::vector<std::string>{"f", "g"}));
  EXPECT_EQ(Names(*w.vol, b), std::vector<std::string>{});
  EXPECT_TRUE(w->DeleteEntry(g));
  EXPECT_EQ(Names(*w.vol, a), std::vector<std::string>{"f"});
  // g's block is reused, then the torn block is written over, whole.
  VolumeEntry h = w.Store(b, "h", std::string(10000, 'h'));
  ASSERT_TRUE(h);
  EXPECT_EQ(w.stream.bytes().size(), image.size() - 3000 + 8192);
  EXPECT_EQ(w.Content(h), std::string(10000, 'h'));
  // Once f is deleted, b's leftover slot names a file that is gone.
  ASSERT_TRUE(w->DeleteEntry(f));
  EXPECT_EQ(Names(*w.vol, b), std::vector<std::string>{"h"});
  EXPECT_TRUE(w->Check().damage.empty());
}

}  // namespace
}  // namespace tess::files::test
