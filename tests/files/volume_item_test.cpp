// FolderItems inside a virtual volume: a volume made and reopened through
// FolderItem, folders and files in it, text and binary streams over its
// files, copies and moves within it and across to the host's files, and the
// codes refusals and damaged volume files leave in LastErrorCode.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/files_test_support.h"
#include "files/folder_item.h"
#include "values/date.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using test::Obj;
using test::S;
using test::Take;
using test::Text;

class VolumeItems : public test::FilesTest {
 protected:
  static Obj Child(const Obj& item, const std::string& name) {
    return test::Adopt(FolderChild(item.get(), S(name).get()));
  }
  static Obj Root(const Obj& volume) { return test::Adopt(VirtVolRootGetter(volume.get(), 0)); }
  static void WriteText(const Obj& item, const std::string& text) {
    Obj out = test::Adopt(FolderItemCreateTextFile(item.get()));
    ASSERT_TRUE(out.get()) << LastError(item);
    TextOutputStreamWrite(out.get(), S(text).get());
    TextOutputStreamClose(out.get());
  }
  static std::string ReadText(const Obj& item) {
    Obj in = test::Adopt(FolderItemOpenTextFile(item.get()));
    if (!in.get()) return "<nil " + std::to_string(LastError(item)) + ">";
    return Text(Take(TextInputStreamReadAll(in.get())).get());
  }
  // A new volume in D:\name, with its root.
  Obj NewVolume(const std::string& name) {
    Obj host = Item("D:\\" + name);
    Obj volume = test::Adopt(FolderItemCreateVirtualVolume(host.get()));
    EXPECT_TRUE(volume.get()) << LastError(host);
    return volume;
  }
};

TEST_F(VolumeItems, FoldersAndFilesLiveInTheVolume) {
  Obj volume = NewVolume("v.vol");
  ASSERT_TRUE(volume.get());
  EXPECT_EQ(fs::file_size(Host("v.vol")), 48u + 8192u);
  Obj root = Root(volume);
  EXPECT_EQ(Name(root), "/");
  EXPECT_EQ(Path(root), "D:\\v.vol/");
  EXPECT_EQ(fileDirectoryGetter(root.get(), 0), 1);
  EXPECT_EQ(folderParentGetter(root.get(), 0), nullptr);
  EXPECT_EQ(fileCountGetter(root.get(), 0), 0);

  Obj docs = Child(root, "docs");
  EXPECT_EQ(fileExistsGetter(docs.get(), 0), 0);
  FolderItemCreateAsFolder(docs.get());
  EXPECT_EQ(LastError(docs), 0);
  EXPECT_EQ(fileDirectoryGetter(docs.get(), 0), 1);
  FolderItemCreateAsFolder(docs.get());
  EXPECT_EQ(LastError(docs), int32_t(pf::ERROR_ALREADY_EXISTS));

  Obj notes = Child(docs, "Notes.txt");
  WriteText(notes, "one\rtwo\r");
  EXPECT_EQ(Path(notes), "D:\\v.vol/docs/Notes.txt");
  EXPECT_EQ(fileSizeGetter(notes.get(), 0), 8);
  EXPECT_EQ(fileDirectoryGetter(notes.get(), 0), 0);
  Obj sameOtherCase = Child(Child(root, "DOCS"), "notes.TXT");
  EXPECT_EQ(ReadText(sameOtherCase), "one\rtwo\r");

  Obj up = test::Adopt(folderParentGetter(notes.get(), 0));
  EXPECT_EQ(Name(up), "docs");
  Obj top = test::Adopt(folderParentGetter(up.get(), 0));
  EXPECT_EQ(Name(top), "/");
  EXPECT_EQ(fileCountGetter(docs.get(), 0), 1);
  Obj first = test::Adopt(FolderItemItem(docs.get(), 1));
  EXPECT_EQ(Name(first), "Notes.txt");
  EXPECT_EQ(FolderItemItem(docs.get(), 2), nullptr);

  Obj inside = test::Adopt(folderVirtVolGetter(notes.get(), 0));
  EXPECT_TRUE(inside.get());
  Obj host = Item("D:\\v.vol");
  EXPECT_EQ(folderVirtVolGetter(host.get(), 0), nullptr);

  // Refusals: a folder not empty, the root, a name with a separator, a
  // file in a folder that is not there, a second writer.
  FolderItemDelete(docs.get());
  EXPECT_EQ(LastError(docs), int32_t(pf::ERROR_DIR_NOT_EMPTY));
  FolderItemDelete(root.get());
  EXPECT_EQ(LastError(root), int32_t(pf::ERROR_ACCESS_DENIED));
  EXPECT_EQ(Child(root, "a/b").get(), nullptr);
  EXPECT_EQ(LastError(root), int32_t(pf::ERROR_INVALID_NAME));
  Obj orphan = Child(Child(root, "nowhere"), "x.txt");
  EXPECT_EQ(FolderItemCreateTextFile(orphan.get()), nullptr);
  EXPECT_EQ(LastError(orphan), int32_t(pf::ERROR_PATH_NOT_FOUND));
  Obj writer = test::Adopt(FolderItemAppendTextFile(notes.get()));
  ASSERT_TRUE(writer.get());
  EXPECT_EQ(FolderItemCreateTextFile(notes.get()), nullptr);
  EXPECT_EQ(LastError(notes), int32_t(pf::ERROR_SHARING_VIOLATION));
  FolderItemDelete(notes.get());
  EXPECT_EQ(LastError(notes), int32_t(pf::ERROR_SHARING_VIOLATION));
  TextOutputStreamWrite(writer.get(), S("three").get());
  TextOutputStreamClose(writer.get());
  EXPECT_EQ(ReadText(notes), "one\rtwo\rthree");

  fileNameSetter(notes.get(), 0, S("renamed.txt").get());
  EXPECT_EQ(LastError(notes), 0);
  EXPECT_EQ(Name(test::Adopt(FolderItemItem(docs.get(), 1))), "renamed.txt");
  FolderItemDelete(notes.get());
  EXPECT_EQ(LastError(notes), 0);
  EXPECT_EQ(fileExistsGetter(notes.get(), 0), 0);
  FolderItemDelete(docs.get());
  EXPECT_EQ(LastError(docs), 0);
  EXPECT_EQ(fileCountGetter(root.get(), 0), 0);
}

TEST_F(VolumeItems, StreamsAndDatesReadBackAfterReopening) {
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  {
    Obj volume = NewVolume("data.vol");
    Obj root = Root(volume);
    Obj bin = Child(root, "numbers.bin");
    Obj out = test::Adopt(FolderItemCreateBinaryFile(bin.get(), S("BINA").get()));
    ASSERT_TRUE(out.get());
    BinaryStreamWriteLong(out.get(), -2);
    BinaryStreamWriteDouble(out.get(), 2.5);
    BinaryStreamClose(out.get());
    WriteText(Child(root, "t.txt"), "kept");

    Obj date = test::Adopt(NewDate(3'100'000'000.0));  // summer 2002
    folderSetModified(bin.get(), 0, date.get());
    EXPECT_EQ(LastError(bin), 0);
  }
  // Every item and the volume object are gone: the file is closed.
  Obj host = Item("D:\\data.vol");
  Obj volume = test::Adopt(FolderItemOpenAsVirtualVolume(host.get()));
  ASSERT_TRUE(volume.get()) << LastError(host);
  Obj root = Root(volume);
  EXPECT_EQ(fileCountGetter(root.get(), 0), 2);
  Obj bin = Child(root, "numbers.bin");
  EXPECT_EQ(fileSizeGetter(bin.get(), 0), 12);
  Obj modified = test::Adopt(folderGetModified(bin.get(), 0));
  ASSERT_TRUE(modified.get());
  EXPECT_EQ(DateTotalSeconds(modified.get()), 3'100'000'000.0);
  Obj in = test::Adopt(FolderItemOpenBinaryFile(bin.get(), 0));
  ASSERT_TRUE(in.get());
  EXPECT_EQ(BinaryStreamGetLength(in.get(), 0), 12);
  EXPECT_EQ(BinaryStreamReadLong(in.get()), -2);
  EXPECT_EQ(BinaryStreamReadDouble(in.get()), 2.5);
  // Opened to be read, the stream refuses writes: the file keeps its bytes.
  BinaryStreamSetPosition(in.get(), 0, 0);
  BinaryStreamWriteLong(in.get(), 7);
  BinaryStreamClose(in.get());
  Obj reread = test::Adopt(FolderItemOpenBinaryFile(bin.get(), 0));
  EXPECT_EQ(BinaryStreamReadLong(reread.get()), -2);
  EXPECT_EQ(ReadText(Child(root, "t.txt")), "kept");
  // Types are stored with the entries.
  EXPECT_EQ(Text(Take(fileMacTypeGetter(bin.get(), 0)).get()), "BINA");
  EXPECT_EQ(Text(Take(fileMacTypeGetter(Child(root, "t.txt").get(), 0)).get()), "text");
  EXPECT_EQ(Text(Take(fileMacTypeGetter(root.get(), 0)).get()), "fold");
  fileMacTypeSetter(bin.get(), 0, S("DATA").get());
  EXPECT_EQ(LastError(bin), 0);
  EXPECT_EQ(Text(Take(fileMacTypeGetter(Child(root, "numbers.bin").get(), 0)).get()), "DATA");
  fileMacTypeSetter(root.get(), 0, S("ABCD").get());
  EXPECT_EQ(LastError(root), int32_t(pf::ERROR_ACCESS_DENIED));

  // Opened again while open, it is the same volume; a new one over it is
  // refused rather than pulling the file away.
  Obj again = test::Adopt(FolderItemOpenAsVirtualVolume(host.get()));
  EXPECT_EQ(fileCountGetter(Root(again).get(), 0), 2);
  EXPECT_EQ(FolderItemCreateVirtualVolume(host.get()), nullptr);
  EXPECT_EQ(LastError(host), int32_t(pf::ERROR_SHARING_VIOLATION));
  ::setenv("TZ", "UTC0", 1);
}

TEST_F(VolumeItems, CopiesAndMovesWithinAndAcross) {
  Obj volume = NewVolume("m.vol");
  Obj root = Root(volume);
  Obj box = Child(root, "box");
  FolderItemCreateAsFolder(box.get());
  Obj a = Child(root, "a.txt");
  WriteText(a, "alpha");

  FolderItemCopyFileTo(a.get(), box.get());
  EXPECT_EQ(LastError(a), 0);
  EXPECT_EQ(ReadText(Child(box, "a.txt")), "alpha");
  FolderItemCopyFileTo(a.get(), a.get());
  EXPECT_EQ(LastError(a), int32_t(pf::ERROR_SHARING_VIOLATION)) << "onto itself";
  EXPECT_EQ(ReadText(a), "alpha");

  // Within the volume a move relinks, under a new name if one is given.
  Obj moved = Child(box, "b.txt");
  FolderItemMoveFileTo(a.get(), moved.get());
  EXPECT_EQ(LastError(a), 0);
  EXPECT_EQ(Path(a), "D:\\m.vol/box/b.txt");
  EXPECT_EQ(fileExistsGetter(Child(root, "a.txt").get(), 0), 0);
  EXPECT_EQ(fileCountGetter(box.get(), 0), 2);
  FolderItemMoveFileTo(box.get(), Child(box, "inner").get());
  EXPECT_EQ(LastError(box), int32_t(pf::ERROR_INVALID_PARAMETER)) << "into itself";

  // Out to the host's files and back in, by their bytes.
  Obj hostFolder = Item("D:\\out");
  FolderItemCreateAsFolder(hostFolder.get());
  FolderItemCopyFileTo(moved.get(), hostFolder.get());
  EXPECT_EQ(LastError(moved), 0);
  EXPECT_EQ(Get("out/b.txt"), "alpha");
  Put("in.txt", "from the host");
  Obj hostFile = Item("D:\\in.txt");
  FolderItemMoveFileTo(hostFile.get(), root.get());
  EXPECT_EQ(LastError(hostFile), 0);
  EXPECT_FALSE(fs::exists(Host("in.txt")));
  EXPECT_EQ(ReadText(Child(root, "in.txt")), "from the host");
  FolderItemMoveFileTo(box.get(), hostFolder.get());
  EXPECT_EQ(LastError(box), int32_t(pf::ERROR_NOT_SAME_DEVICE));
  FolderItemCopyFileTo(box.get(), hostFolder.get());
  EXPECT_EQ(LastError(box), int32_t(pf::ERROR_ACCESS_DENIED));

  // Neutral answers: no lock, no hiding, no launching.
  fileLockedSetter(moved.get(), 0, 1);
  EXPECT_EQ(LastError(moved), int32_t(pf::ERROR_NOT_SUPPORTED));
  EXPECT_EQ(fileLockedGetter(moved.get(), 0), 0);
  EXPECT_EQ(fileVisibleGetter(moved.get(), 0), 1);
  FolderItemLaunch(moved.get(), 1);
  EXPECT_EQ(LastError(moved), int32_t(pf::ERROR_NOT_SUPPORTED));
}

TEST_F(VolumeItems, FilesThatAreNoVolumeAreRefused) {
  {
    Obj volume = NewVolume("good.vol");
    WriteText(Child(Root(volume), "x.txt"), "x");
  }
  std::string good = Get("good.vol");
  struct Case {
    const char* name;
    std::string bytes;
    int32_t error;
  } cases[] = {
      {"empty.vol", "", int32_t(pf::ERROR_FILE_CORRUPT)},
      {"text.vol", "just some text", int32_t(pf::ERROR_FILE_CORRUPT)},
      {"v3.vol", std::string("VFSv\0\0\0\3", 8) + good.substr(8), int32_t(pf::ERROR_FILE_CORRUPT)},
      {"meta.vol", good.substr(0, 12) + "XXXX" + good.substr(16), int32_t(pf::ERROR_FILE_CORRUPT)},
      {"cut.vol", good.substr(0, 60), int32_t(pf::ERROR_FILE_CORRUPT)},
      {"missing.vol", "", int32_t(pf::ERROR_FILE_NOT_FOUND)},
  };
  for (const Case& c : cases) {
    if (std::string(c.name) != "missing.vol") Put(c.name, c.bytes);
    Obj host = Item(std::string("D:\\") + c.name);
    EXPECT_EQ(FolderItemOpenAsVirtualVolume(host.get()), nullptr) << c.name;
    EXPECT_EQ(LastError(host), c.error) << c.name;
    if (!c.bytes.empty()) {
      EXPECT_EQ(Get(c.name), c.bytes) << c.name << " left as it was";
    }
  }

  // Damage found after opening: the child count of the folder in the block
  // after the root's, beyond its list.
  {
    Obj volume = NewVolume("hurt.vol");
    Obj docs = Child(Root(volume), "docs");
    FolderItemCreateAsFolder(docs.get());
    WriteText(Child(docs, "in.txt"), "in");
  }
  std::string hurt = Get("hurt.vol");
  size_t count = 48 + 8192 + 32 + 256;
  ASSERT_GT(hurt.size(), count + 4);
  hurt.replace(count, 4, "\xff\xff\xff\x7f");
  Put("hurt.vol", hurt);
  {
    Obj host = Item("D:\\hurt.vol");
    Obj volume = test::Adopt(FolderItemOpenAsVirtualVolume(host.get()));
    ASSERT_TRUE(volume.get()) << LastError(host);
    Obj docs = Child(Root(volume), "docs");
    EXPECT_EQ(fileDirectoryGetter(docs.get(), 0), 1);
    EXPECT_EQ(fileCountGetter(docs.get(), 0), 0);
    EXPECT_EQ(LastError(docs), int32_t(pf::ERROR_FILE_CORRUPT));
  }

  // A locked volume file opens to be read.
  Obj goodFile = Item("D:\\good.vol");
  fileLockedSetter(goodFile.get(), 0, 1);
  {
    Obj volume = test::Adopt(FolderItemOpenAsVirtualVolume(goodFile.get()));
    ASSERT_TRUE(volume.get()) << LastError(goodFile);
    Obj x = Child(Root(volume), "x.txt");
    EXPECT_EQ(ReadText(x), "x");
    EXPECT_EQ(FolderItemAppendTextFile(x.get()), nullptr);
    EXPECT_EQ(LastError(x), int32_t(pf::ERROR_WRITE_PROTECT));
    EXPECT_EQ(FolderItemIsCurrentlyWriteable(x.get(), 0), 0);
  }
  fileLockedSetter(goodFile.get(), 0, 0);
  EXPECT_EQ(Get("good.vol"), good);

  Put("locked.vol", "");
  Obj locked = Item("D:\\locked.vol");
  fileLockedSetter(locked.get(), 0, 1);
  EXPECT_EQ(FolderItemCreateVirtualVolume(locked.get()), nullptr);
  EXPECT_EQ(LastError(locked), int32_t(pf::ERROR_ACCESS_DENIED));
  fileLockedSetter(locked.get(), 0, 0);
}

}  // namespace
}  // namespace tess
