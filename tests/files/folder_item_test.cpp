// FolderItem: making items from paths, volumes, what a missing file reads
// as, folder entries, renames, attributes, dates, copies and moves, the
// folder getters, and the error code every refusal leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <filesystem>

#include "files/files_test_support.h"
#include "files/folder_item.h"
#include "files/host_item.h"
#include "platform/kernel/shell.h"
#include "values/date.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using test::Obj;
using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

class FolderItems : public test::FilesTest {};

TEST_F(FolderItems, PathsAreMadeFullAndVolumesKnown) {
  struct Case {
    const char* path;
    const char* full;
    const char* name;
    bool directory;
  } cases[] = {
      {"C:", "C:", "C:", true},
      {"C:\\", "C:", "C:", true},
      {"d:/a/b/", "D:\\a\\b", "b", false},
      {"D:\\a\\..\\..\\c.txt", "D:\\c.txt", "c.txt", false},
  };
  for (const Case& c : cases) {
    Obj item = Item(c.path);
    ASSERT_TRUE(item.get()) << c.path;
    EXPECT_EQ(Path(item), c.full) << c.path;
    EXPECT_EQ(Name(item), c.name) << c.path;
    EXPECT_EQ(fileDirectoryGetter(item.get(), 0), c.directory) << c.path;
  }
  Obj bare = Item("bare.txt");
  EXPECT_EQ(Path(bare), files::ApplicationFolder() + "\\bare.txt");
  EXPECT_EQ(Item("D:\\CON").get(), nullptr);
  EXPECT_EQ(Item("D:\\a|b").get(), nullptr);
  EXPECT_EQ(test::Adopt(FolderItemFromPath(S("D:\\x").get())).get() != nullptr, true);

  Obj made = test::Adopt(CreateObject(FolderItemClass()));
  FolderItemPathCtor(made.get(), S("D:\\a?").get());
  EXPECT_EQ(LastError(made), int32_t(pf::ERROR_INVALID_NAME));
  EXPECT_EQ(fileAbsolutePathGetter(made.get(), 0), nullptr);
  EXPECT_EQ(fileExistsGetter(made.get(), 0), 0);
  EXPECT_EQ(test::Adopt(FolderItemOpenTextFile(made.get())).get(), nullptr);
  FolderItemPathCtor(made.get(), S("D:\\ok").get());
  EXPECT_EQ(Path(made), "D:\\ok");
  Obj copy = test::Adopt(CreateObject(FolderItemClass()));
  FolderItemCopyCtor(copy.get(), made.get());
  EXPECT_EQ(Path(copy), "D:\\ok");
  EXPECT_EQ(RaisedBy([&] { FolderItemCopyCtor(copy.get(), nullptr); }), Exceptions().nilObject);
  EXPECT_EQ(RaisedBy([] { fileExistsGetter(nullptr, 0); }), Exceptions().nilObject);
}

TEST_F(FolderItems, AMissingFileReadsAsNothing) {
  Obj item = Item("D:\\missing.txt");
  EXPECT_EQ(fileExistsGetter(item.get(), 0), 0);
  EXPECT_EQ(fileSizeGetter(item.get(), 0), 0);
  EXPECT_EQ(fileDirectoryGetter(item.get(), 0), 0);
  EXPECT_EQ(fileLockedGetter(item.get(), 0), 0);
  EXPECT_EQ(fileVisibleGetter(item.get(), 0), 1);
  EXPECT_EQ(fileAliasGetter(item.get(), 0), 0);
  EXPECT_EQ(fileRFSizeGetter(item.get(), 0), 0);
  EXPECT_EQ(FolderItemIsCurrentlyReadable(item.get(), 0), 0);
  EXPECT_EQ(FolderItemIsCurrentlyWriteable(item.get(), 0), 0);
  EXPECT_EQ(test::Adopt(folderGetModified(item.get(), 0)).get(), nullptr);
  EXPECT_EQ(test::Adopt(FolderItemOpenTextFile(item.get())).get(), nullptr);
  EXPECT_EQ(LastError(item), int32_t(pf::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(test::Adopt(FolderItemOpenBinaryFile(item.get(), 1)).get(), nullptr);
  EXPECT_EQ(LastError(item), int32_t(pf::ERROR_FILE_NOT_FOUND));
}

TEST_F(FolderItems, EntriesOfAFolder) {
  fs::create_directories(Host("dir/sub"));
  Put("dir/one", "1");
  Put("dir/two", "22");
  Obj dir = Item("D:\\DIR");
  EXPECT_EQ(fileCountGetter(dir.get(), 0), 3);
  EXPECT_EQ(test::Adopt(FolderItemItem(dir.get(), 0)).get(), nullptr);
  EXPECT_EQ(test::Adopt(FolderItemItem(dir.get(), 4)).get(), nullptr);
  std::vector<std::string> names;
  for (int i = 1; i <= 3; ++i) {
    Obj entry = test::Adopt(FolderItemTrueItem(dir.get(), i));
    ASSERT_TRUE(entry.get());
    EXPECT_EQ(Path(entry), "D:\\DIR\\" + Name(entry));
    names.push_back(Name(entry));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one", "sub", "two"}));

  Obj child = test::Adopt(FolderChild(dir.get(), S("two").get()));
  EXPECT_EQ(fileSizeGetter(child.get(), 0), 2);
  Obj parent = test::Adopt(folderParentGetter(child.get(), 0));
  EXPECT_EQ(Path(parent), "D:\\DIR");
  Obj top = test::Adopt(folderParentGetter(parent.get(), 0));
  EXPECT_EQ(Path(top), "D:");
  EXPECT_EQ(test::Adopt(folderParentGetter(top.get(), 0)).get(), nullptr)
      << "a volume has no parent, so a walk upward ends";
  EXPECT_EQ(test::Adopt(FolderTrueChild(dir.get(), S("a*").get())).get(), nullptr);
  EXPECT_EQ(LastError(dir), int32_t(pf::ERROR_INVALID_NAME));

  Obj file = Item("D:\\dir\\one");
  EXPECT_EQ(fileCountGetter(file.get(), 0), 0);
  EXPECT_EQ(LastError(file), int32_t(pf::ERROR_DIRECTORY));
}

TEST_F(FolderItems, RenamingLockingAndHiding) {
  Put("old.txt", "x");
  Put("taken.txt", "y");
  Obj item = Item("D:\\old.txt");
  fileNameSetter(item.get(), 0, S("taken.txt").get());
  EXPECT_EQ(LastError(item), int32_t(pf::ERROR_ALREADY_EXISTS));
  EXPECT_EQ(Name(item), "old.txt");
  fileNameSetter(item.get(), 0, S("bad|name").get());
  EXPECT_EQ(LastError(item), int32_t(pf::ERROR_INVALID_NAME));
  fileNameSetter(item.get(), 0, S("New.txt").get());
  EXPECT_EQ(LastError(item), 0);
  EXPECT_EQ(Path(item), "D:\\New.txt");
  EXPECT_TRUE(fs::exists(Host("New.txt")));

  fileLockedSetter(item.get(), 0, 1);
  EXPECT_EQ(fileLockedGetter(item.get(), 0), 1);
  EXPECT_EQ(test::Adopt(FolderItemCreateTextFile(item.get())).get(), nullptr);
  EXPECT_EQ(LastError(item), int32_t(pf::ERROR_ACCESS_DENIED));
  EXPECT_EQ(test::Adopt(FolderItemAppendTextFile(item.get())).get(), nullptr);
  EXPECT_EQ(test::Adopt(FolderItemCreateBinaryFile(item.get(), nullptr)).get(), nullptr);
  EXPECT_EQ(FolderItemIsCurrentlyWriteable(item.get(), 0), 0);
  EXPECT_EQ(FolderItemIsCurrentlyReadable(item.get(), 0), 1);
  FolderItemDelete(item.get());
  EXPECT_EQ(LastError(item), int32_t(pf::ERROR_ACCESS_DENIED));
  fileLockedSetter(item.get(), 0, 0);
  EXPECT_EQ(FolderItemIsCurrentlyWriteable(item.get(), 0), 1);

  fileVisibleSetter(item.get(), 0, 0);
  if (LastError(item) == 0) {
    EXPECT_EQ(fileVisibleGetter(item.get(), 0), 0);
    fileVisibleSetter(item.get(), 0, 1);
    EXPECT_EQ(fileVisibleGetter(item.get(), 0), 1);
  } else {
    EXPECT_EQ(LastError(item), int32_t(pf::ERROR_NOT_SUPPORTED));
  }
  Obj missing = Item("D:\\nope");
  fileLockedSetter(missing.get(), 0, 1);
  EXPECT_EQ(LastError(missing), int32_t(pf::ERROR_FILE_NOT_FOUND));

  fileMacTypeSetter(item.get(), 0, S("TEXT").get());
  EXPECT_EQ(Text(Take(fileMacTypeGetter(item.get(), 0)).get()), "TEXT");
  FileExtensionVisibleSetter(item.get(), 0, 0);
  EXPECT_EQ(FileExtensionVisibleGetter(item.get(), 0), 0);
}

TEST_F(FolderItems, DatesRoundTripThroughTheFile) {
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  Put("dated", "d");
  Obj item = Item("D:\\dated");
  for (double seconds : {3'000'000'000.0, 3'100'000'000.0}) {  // winter 1999, summer 2002
    Obj date = test::Adopt(NewDate(seconds));
    folderSetModified(item.get(), 0, date.get());
    EXPECT_EQ(LastError(item), 0);
    Obj back = test::Adopt(folderGetModified(item.get(), 0));
    ASSERT_TRUE(back.get());
    EXPECT_EQ(DateTotalSeconds(back.get()), seconds);
    folderSetCreation(item.get(), 0, date.get());
    if (LastError(item) == 0) {
      Obj created = test::Adopt(folderGetCreation(item.get(), 0));
      EXPECT_EQ(DateTotalSeconds(created.get()), seconds);
    }
  }
  EXPECT_EQ(RaisedBy([&] { folderSetModified(item.get(), 0, nullptr); }), Exceptions().nilObject);
  ::setenv("TZ", "UTC0", 1);
}

TEST_F(FolderItems, CopiesMovesFoldersAndDeletions) {
  Put("src.txt", "payload");
  fs::create_directories(Host("into"));
  Obj src = Item("D:\\src.txt");
  Obj into = Item("D:\\into");
  FolderItemCopyFileTo(src.get(), into.get());
  EXPECT_EQ(LastError(src), 0);
  EXPECT_EQ(Get("into/src.txt"), "payload");
  Obj named = Item("D:\\copy.txt");
  FolderItemCopyFileTo(src.get(), named.get());
  EXPECT_EQ(Get("copy.txt"), "payload");
  FolderItemMoveFileTo(named.get(), into.get());
  EXPECT_EQ(LastError(named), 0);
  EXPECT_EQ(Path(named), "D:\\into\\copy.txt");
  EXPECT_FALSE(fs::exists(Host("copy.txt")));
  FolderItemMoveFileTo(src.get(), into.get());
  EXPECT_EQ(LastError(src), int32_t(pf::ERROR_ALREADY_EXISTS));

  Obj folder = Item("D:\\made");
  FolderItemCreateAsFolder(folder.get());
  EXPECT_EQ(LastError(folder), 0);
  EXPECT_EQ(fileDirectoryGetter(folder.get(), 0), 1);
  FolderItemCreateAsFolder(folder.get());
  EXPECT_EQ(LastError(folder), int32_t(pf::ERROR_ALREADY_EXISTS));
  FolderItemDelete(into.get());
  EXPECT_EQ(LastError(into), int32_t(pf::ERROR_DIR_NOT_EMPTY));
  FolderItemDelete(folder.get());
  EXPECT_EQ(LastError(folder), 0);
  EXPECT_EQ(fileExistsGetter(folder.get(), 0), 0);
  FolderItemDelete(folder.get());
  EXPECT_EQ(LastError(folder), int32_t(pf::ERROR_FILE_NOT_FOUND));

  Obj open = Item("D:\\src.txt");
  Obj writer = test::Adopt(FolderItemAppendTextFile(open.get()));
  FolderItemDelete(open.get());
  EXPECT_EQ(LastError(open), int32_t(pf::ERROR_SHARING_VIOLATION)) << "in use";
  EXPECT_TRUE(fs::exists(Host("src.txt")));
}

TEST_F(FolderItems, LaunchGoesToTheOpener) {
  Put("doc.txt", "");
  size_t before = pf::RecordedShellRequests().size();
  Obj doc = Item("D:\\doc.txt");
  FolderItemLaunch(doc.get(), 0);
  EXPECT_EQ(LastError(doc), 0);
  Obj missing = Item("D:\\gone.txt");
  FolderItemLaunch(missing.get(), 1);
  EXPECT_EQ(LastError(missing), int32_t(pf::ERROR_FILE_NOT_FOUND));
  RuntimeShowURL(S("http://example.com/").get());
  auto got = pf::RecordedShellRequests();
  ASSERT_EQ(got.size(), before + 2);
  EXPECT_EQ(got[before], (pf::ShellRequest{Host("doc.txt"), false}));
  EXPECT_EQ(got[before + 1], (pf::ShellRequest{"http://example.com/", true}));
}

TEST_F(FolderItems, VolumesAndSpecialFolders) {
  EXPECT_EQ(getVolumeCount(), std::popcount(pf::GetLogicalDrives()));
  Obj first = test::Adopt(getVolume(0));
  EXPECT_EQ(Name(first), "C:");
  EXPECT_EQ(fileExistsGetter(first.get(), 0), 1);
  Obj second = test::Adopt(getVolume(1));
  EXPECT_EQ(Name(second), "D:");
  EXPECT_EQ(test::Adopt(getVolume(3)).get(), nullptr);

  Obj temp = test::Adopt(getTemporaryFolderItem());
  ASSERT_TRUE(temp.get());
  EXPECT_EQ(fileExistsGetter(temp.get(), 0), 1);
  EXPECT_EQ(Name(temp).substr(0, 3), "tst");
  Obj tempFolder = test::Adopt(getTemporaryItemsFolder());
  EXPECT_EQ(Path(tempFolder) + "\\", pf::GetTempPath());
  EXPECT_EQ(
      Text(Take(fileAbsolutePathGetter(test::Adopt(folderParentGetter(temp.get(), 0)).get(), 0))
               .get()),
      Path(tempFolder));
  FolderItemDelete(temp.get());

  EXPECT_EQ(Path(test::Adopt(getTrashFolder())), "C:\\data\\Trash\\files");
  EXPECT_EQ(Path(test::Adopt(getFontsFolder())), "C:\\data\\fonts");
  EXPECT_EQ(Path(test::Adopt(getStartupItemsFolder())), "C:\\config\\autostart");
  EXPECT_EQ(Path(test::Adopt(getAppleMenuFolder())), "C:\\data\\applications");
  EXPECT_EQ(Path(test::Adopt(getPreferencesFolder())), "C:\\Windows");
  EXPECT_EQ(Path(test::Adopt(getApplicationSupportFolder())), "C:\\Windows");
  EXPECT_EQ(Path(test::Adopt(getSystemFolder())), "C:\\Windows\\System32");
  EXPECT_EQ(Path(test::Adopt(getExtensionsFolder())), "C:\\Windows\\System32");
  EXPECT_EQ(test::Adopt(getShutdownItemsFolder()).get(), nullptr);
  EXPECT_EQ(test::Adopt(getControlPanelsFolder()).get(), nullptr);
  ::setenv("XDG_DESKTOP_DIR", Host("Desk").c_str(), 1);
  ::setenv("XDG_DOCUMENTS_DIR", Host("Docs").c_str(), 1);
  EXPECT_EQ(Path(test::Adopt(getDesktopFolder())), "D:\\Desk");
  EXPECT_EQ(Path(test::Adopt(GetDocumentsFolder())), "D:\\Docs");
  Obj any = Item("D:\\x");
  EXPECT_EQ(Path(test::Adopt(folderFindFolder(any.get(), files::kFolderDesktop))), "D:\\Desk");
  EXPECT_EQ(Path(test::Adopt(folderFindFolder(any.get(), files::kFolderTrash))),
            "C:\\data\\Trash\\files");
  EXPECT_EQ(test::Adopt(folderFindFolder(any.get(), 0x78787878)).get(), nullptr);
  ::unsetenv("XDG_DESKTOP_DIR");
  ::unsetenv("XDG_DOCUMENTS_DIR");
}

}  // namespace
}  // namespace tess
