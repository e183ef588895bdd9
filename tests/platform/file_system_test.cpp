// Drive-letter paths over host folders: the drive map, path rules, case-
// insensitive lookup, attributes and times, sharing, every failure's last
// error, volumes, special folders and the shell.
#include "platform/kernel/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/kernel/shell.h"
#include "test_support.h"

namespace tess::platform {
namespace {

namespace fs = std::filesystem;

// Drive D: mapped onto a fresh folder, C: onto another; XDG folders inside.
class FileSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string drives = "D=" + dir_.path().string() + ";C=" + c_.path().string();
    ::setenv("TESSERA_DRIVES", drives.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (c_.path() / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (c_.path() / "config").c_str(), 1);
    ::setenv("TESSERA_OPENER", "record", 1);
    ReloadDriveMap();
  }
  void TearDown() override {
    ::unsetenv("TESSERA_DRIVES");
    ReloadDriveMap();
  }
  std::string Host(const std::string& relative) const { return dir_.File(relative); }
  void Touch(const std::string& relative, const std::string& text = "") const {
    std::ofstream(Host(relative)) << text;
  }

  test::TempDir dir_, c_;
};

TEST_F(FileSystem, DrivesComeFromTheSetting) {
  EXPECT_EQ(DriveRoot('d'), dir_.path().string());
  EXPECT_EQ(DriveRoot('C'), c_.path().string());
  EXPECT_EQ(DriveRoot('Z'), "/");
  EXPECT_EQ(DriveRoot('Q'), "");
  EXPECT_EQ(GetLogicalDrives(), DWORD(1 << 2 | 1 << 3 | 1 << 25));
  EXPECT_EQ(GetLogicalDriveStrings(), (std::vector<std::string>{"C:\\", "D:\\", "Z:\\"}));
  EXPECT_EQ(PathOfHost(Host("a/b")), "D:\\a\\b");
  EXPECT_EQ(PathOfHost(dir_.path().string()), "D:\\");
  EXPECT_EQ(PathOfHost("/usr/bin"), "Z:\\usr\\bin");

  ::setenv("TESSERA_DRIVES", "Z=", 1);
  ReloadDriveMap();
  EXPECT_EQ(DriveRoot('Z'), "");
  EXPECT_EQ(PathOfHost("/usr/bin"), "");
  std::string host;
  EXPECT_FALSE(HostPathOf("Z:\\usr", &host));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileSystem, FullPathsFollowThePlatformRules) {
  struct Case {
    const char* path;
    const char* full;  // null: refused
    DWORD error;
  };
  const std::string longName(256, 'x');
  const Case cases[] = {
      {"D:/a/b", "D:\\a\\b", 0},
      {"d:\\a\\\\b\\", "D:\\a\\b", 0},
      {"D:\\a\\.\\b\\..\\c", "D:\\a\\c", 0},
      {"D:\\..\\..\\x", "D:\\x", 0},
      {"D:\\a\\..\\..\\..\\b", "D:\\b", 0},
      {"D:\\name. .", "D:\\name", 0},
      {"\\\\?\\D:\\long", "D:\\long", 0},
      {"D:\\COM0", "D:\\COM0", 0},
      {"D:\\CONSOLE", "D:\\CONSOLE", 0},
      {"D:\\a<b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a>b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a:b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a\"b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a|b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a?b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a*b", nullptr, ERROR_INVALID_NAME},
      {"D:\\a\tb", nullptr, ERROR_INVALID_NAME},
      {"D:\\CON", nullptr, ERROR_INVALID_NAME},
      {"D:\\dir\\prn.txt", nullptr, ERROR_INVALID_NAME},
      {"D:\\Aux", nullptr, ERROR_INVALID_NAME},
      {"D:\\nul .log", nullptr, ERROR_INVALID_NAME},
      {"D:\\COM1", nullptr, ERROR_INVALID_NAME},
      {"D:\\lpt9", nullptr, ERROR_INVALID_NAME},
      {"\\\\server\\share", nullptr, ERROR_BAD_NETPATH},
      {"1:\\x", nullptr, ERROR_INVALID_NAME},
      {"", nullptr, ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    std::string full;
    SetLastError(0);
    bool ok = GetFullPathName(c.path, &full);
    if (c.full) {
      EXPECT_TRUE(ok) << c.path;
      EXPECT_EQ(full, c.full) << c.path;
    } else {
      EXPECT_FALSE(ok) << c.path;
      EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
  }
  std::string full;
  EXPECT_FALSE(GetFullPathName("D:\\" + longName, &full));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(FileSystem, RelativePathsStartFromTheCurrentDirectory) {
  fs::create_directories(Host("work"));
  std::string saved = fs::current_path().string();
  fs::current_path(Host("work"));
  std::string full;
  EXPECT_EQ(GetCurrentDirectory(), "D:\\work");
  ASSERT_TRUE(GetFullPathName("x\\y", &full));
  EXPECT_EQ(full, "D:\\work\\x\\y");
  ASSERT_TRUE(GetFullPathName("d:x", &full));
  EXPECT_EQ(full, "D:\\work\\x");
  ASSERT_TRUE(GetFullPathName("\\top", &full));
  EXPECT_EQ(full, "D:\\top");
  ASSERT_TRUE(GetFullPathName("C:x", &full));
  EXPECT_EQ(full, "C:\\x");
  fs::current_path(saved);
}

TEST_F(FileSystem, NamesAreFoundWithoutRegardToCase) {
  fs::create_directories(Host("Folder/Sub"));
  Touch("Folder/Sub/Read Me.TXT", "x");
  Touch("Folder/abc");
  Touch("Folder/ABC");
  std::string host;
  ASSERT_TRUE(HostPathOf("D:\\FOLDER\\sub\\read me.txt", &host));
  EXPECT_EQ(host, Host("Folder/Sub/Read Me.TXT"));
  ASSERT_TRUE(HostPathOf("D:\\folder\\abc", &host));
  EXPECT_EQ(host, Host("Folder/abc")) << "the exact spelling wins";
  ASSERT_TRUE(HostPathOf("D:\\folder\\Abc", &host));
  EXPECT_EQ(host, Host("Folder/ABC")) << "else the first in byte order";
  ASSERT_TRUE(HostPathOf("D:\\FOLDER\\NewName.Txt", &host));
  EXPECT_EQ(host, Host("Folder/NewName.Txt")) << "a new name keeps its case";
  EXPECT_FALSE(HostPathOf("D:\\nothere\\x", &host));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

  auto f = CreateFile("D:\\folder\\SUB\\New.Bin", GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_TRUE(f);
  EXPECT_TRUE(fs::exists(Host("Folder/Sub/New.Bin")));
}

TEST_F(FileSystem, NonAsciiNamesMatchWithoutRegardToCase) {
  Touch("\xc3\x89t\xc3\xa9.txt");  // "Été.txt" on the host, UTF-8
  std::string host;
  ASSERT_TRUE(HostPathOf("D:\\\xe9T\xc9.TXT", &host));  // "éTÉ.TXT" in code page 1252
  EXPECT_EQ(host, Host("\xc3\x89t\xc3\xa9.txt"));
  std::vector<FileInfo> entries;
  ASSERT_TRUE(ListDirectory("D:\\", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "\xc9t\xe9.txt");
}

TEST_F(FileSystem, LongPathsWork) {
  std::string path = "D:";
  for (int i = 0; i < 12; ++i) {
    path += "\\" + std::string(40, char('a' + i));
    ASSERT_TRUE(CreateDirectory(path)) << GetLastError();
  }
  ASSERT_GT(path.size(), 260u);
  auto f = CreateFile(path + "\\file", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->Write("abc", 3));
  f.reset();
  FileInfo info;
  ASSERT_TRUE(GetFileInformation(path + "\\FILE", &info));
  EXPECT_EQ(info.size, 3u);
}

TEST_F(FileSystem, AttributesReadOnlyHiddenAndDirectory) {
  Touch("f", "data");
  Touch(".dot");
  fs::create_directories(Host("dir"));
  EXPECT_EQ(GetFileAttributes("D:\\f"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributes("D:\\dir"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributes("D:\\.dot"), DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributes("D:\\missing"), DWORD(INVALID_FILE_ATTRIBUTES));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

  ASSERT_TRUE(SetFileAttributes("D:\\F", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributes("D:\\f"), DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
  // Refused for every caller, root included.
  EXPECT_FALSE(CreateFile("D:\\f", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CreateFile("D:\\f", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteFile("D:\\f"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CreateFile("D:\\f", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(SetFileAttributes("D:\\f", 0));
  EXPECT_TRUE(DeleteFile("D:\\f"));

  Touch("g");
  if (SetFileAttributes("D:\\g", FILE_ATTRIBUTE_HIDDEN)) {
    EXPECT_EQ(GetFileAttributes("D:\\g"), DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributes("D:\\g", 0));
    EXPECT_EQ(GetFileAttributes("D:\\g"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
  } else {
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
  }
  EXPECT_FALSE(SetFileAttributes("D:\\.dot", 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(FileSystem, TimesAndSizesBeyondTwoGigabytes) {
  Touch("t");
  SYSTEMTIME when{2001, 2, 0, 3, 4, 5, 6, 0};
  FILETIME stamp, created;
  ASSERT_TRUE(SystemTimeToFileTime(&when, &stamp));
  when.wYear = 1999;
  ASSERT_TRUE(SystemTimeToFileTime(&when, &created));
  ASSERT_TRUE(SetFileTime("D:\\T", nullptr, nullptr, &stamp));
  FileInfo info;
  ASSERT_TRUE(GetFileInformation("D:\\t", &info));
  EXPECT_EQ(FileTimeToQuad(info.lastWrite), FileTimeToQuad(stamp));
  if (SetFileTime("D:\\t", &created, nullptr, nullptr)) {
    ASSERT_TRUE(GetFileInformation("D:\\t", &info));
    EXPECT_EQ(FileTimeToQuad(info.creation), FileTimeToQuad(created));
  }

  auto f = CreateFile("D:\\big", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_TRUE(f);
  const uint64_t size = (uint64_t(3) << 30) + 5;  // sparse
  ASSERT_TRUE(f->SetSize(size));
  f.reset();
  ASSERT_TRUE(GetFileInformation("D:\\big", &info));
  EXPECT_EQ(info.size, size);
}

TEST_F(FileSystem, EveryFailureSaysWhy) {
  Touch("file", "x");
  Touch("other", "y");
  fs::create_directories(Host("full/inner"));
  struct Case {
    const char* what;
    std::function<bool()> call;
    DWORD error;
  };
  auto opens = [](const char* path, DWORD access, DWORD disposition) {
    return [=] { return bool(CreateFile(path, access, FILE_SHARE_READ, disposition)); };
  };
  const Case cases[] = {
      {"open missing", opens("D:\\none", GENERIC_READ, OPEN_EXISTING), ERROR_FILE_NOT_FOUND},
      {"open in a missing folder", opens("D:\\no\\x", GENERIC_READ, OPEN_EXISTING),
       ERROR_PATH_NOT_FOUND},
      {"create new over a file", opens("D:\\file", GENERIC_WRITE, CREATE_NEW), ERROR_FILE_EXISTS},
      {"open a folder", opens("D:\\full", GENERIC_READ, OPEN_EXISTING), ERROR_ACCESS_DENIED},
      {"bad name", opens("D:\\a?", GENERIC_READ, OPEN_EXISTING), ERROR_INVALID_NAME},
      {"unmapped drive", opens("Q:\\x", GENERIC_READ, OPEN_EXISTING), ERROR_PATH_NOT_FOUND},
      {"folder exists", [] { return CreateDirectory("D:\\full"); }, ERROR_ALREADY_EXISTS},
      {"folder in a missing folder", [] { return CreateDirectory("D:\\no\\x"); },
       ERROR_PATH_NOT_FOUND},
      {"remove a full folder", [] { return RemoveDirectory("D:\\full"); }, ERROR_DIR_NOT_EMPTY},
      {"remove a file as folder", [] { return RemoveDirectory("D:\\file"); }, ERROR_DIRECTORY},
      {"delete missing", [] { return DeleteFile("D:\\none"); }, ERROR_FILE_NOT_FOUND},
      {"delete a folder", [] { return DeleteFile("D:\\full"); }, ERROR_ACCESS_DENIED},
      {"move onto a file", [] { return MoveFile("D:\\file", "D:\\other"); }, ERROR_ALREADY_EXISTS},
      {"move missing", [] { return MoveFile("D:\\none", "D:\\x"); }, ERROR_FILE_NOT_FOUND},
      {"copy onto a file", [] { return CopyFile("D:\\file", "D:\\other", true); },
       ERROR_FILE_EXISTS},
      {"copy missing", [] { return CopyFile("D:\\none", "D:\\x", false); }, ERROR_FILE_NOT_FOUND},
      {"list a file",
       [] {
         std::vector<FileInfo> e;
         return ListDirectory("D:\\file", &e);
       },
       ERROR_DIRECTORY},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }

  // A full disk: the host's /dev/full through Z:.
  auto full =
      CreateFile("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (full) {
    int error = 0;
    EXPECT_FALSE(full->Write("x", 1, &error));
    EXPECT_EQ(ErrorFromErrno(error), DWORD(ERROR_DISK_FULL));
  }
}

TEST_F(FileSystem, MovesCopiesAndChangesOfCase) {
  Touch("a", "hello");
  ASSERT_TRUE(CopyFile("D:\\A", "D:\\b", true));
  EXPECT_EQ(fs::file_size(Host("b")), 5u);
  ASSERT_TRUE(MoveFile("D:\\a", "D:\\A"));
  EXPECT_TRUE(fs::exists(Host("A")));
  EXPECT_FALSE(fs::exists(Host("a")));
  fs::create_directories(Host("d"));
  ASSERT_TRUE(MoveFile("D:\\b", "D:\\D\\c"));
  EXPECT_TRUE(fs::exists(Host("d/c")));
  ASSERT_TRUE(RemoveDirectory("D:\\nothing") == false);
  ASSERT_TRUE(DeleteFile("D:\\d\\C"));
  ASSERT_TRUE(RemoveDirectory("D:\\D"));
}

TEST_F(FileSystem, ASecondWriterIsRefused) {
  Touch("s", "x");
  DWORD rw = GENERIC_READ | GENERIC_WRITE;
  auto writer = CreateFile("D:\\s", rw, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_TRUE(writer);
  EXPECT_FALSE(CreateFile("D:\\s", rw, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(CreateFile("D:\\S", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
      << "a reader that does not share writing";
  EXPECT_TRUE(CreateFile("D:\\s", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  EXPECT_FALSE(DeleteFile("D:\\s"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));

  // Another process is refused too, and may write once the handle closes.
  auto tryInChild = [&] {
    pid_t pid = ::fork();
    if (pid == 0) {
      bool ok = bool(CreateFile("D:\\s", rw, FILE_SHARE_READ, OPEN_EXISTING));
      ::_exit(ok ? 0 : int(GetLastError() & 0x7F));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(tryInChild(), int(ERROR_SHARING_VIOLATION));
  writer.reset();
  EXPECT_EQ(tryInChild(), 0);

  // Readers that share reading only exclude writers, not each other.
  auto r1 = CreateFile("D:\\s", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  auto r2 = CreateFile("D:\\s", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_TRUE(r1 && r2);
  EXPECT_FALSE(CreateFile("D:\\s", rw, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
}

TEST_F(FileSystem, CreatingTruncatesOnlyAfterTheSharingTest) {
  Touch("keep", "precious");
  auto reader = CreateFile("D:\\keep", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_TRUE(reader);
  EXPECT_FALSE(CreateFile("D:\\keep", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(fs::file_size(Host("keep")), 8u);
}

TEST_F(FileSystem, VolumesTemporaryFilesAndSpecialFolders) {
  uint64_t freeBytes = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(GetDiskFreeSpaceEx("D:\\", &freeBytes, &total, &totalFree));
  EXPECT_GT(total, 0u);
  EXPECT_LE(freeBytes, total);

  std::string temp;
  ASSERT_TRUE(GetTempFileName("D:\\", "tstlong", &temp));
  EXPECT_EQ(temp.substr(0, 6), "D:\\tst");
  EXPECT_EQ(temp.substr(temp.size() - 4), ".tmp");
  std::string other;
  ASSERT_TRUE(GetTempFileName("D:\\", "tst", &other));
  EXPECT_NE(temp, other);
  EXPECT_EQ(GetFileAttributes(temp), DWORD(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetWindowsDirectory(), "C:\\Windows");
  EXPECT_EQ(GetFileAttributes("C:\\WINDOWS\\system32"), DWORD(FILE_ATTRIBUTE_DIRECTORY));

  std::string path;
  ASSERT_TRUE(SHGetSpecialFolderPath(CSIDL_BITBUCKET, &path));
  EXPECT_EQ(path, "C:\\data\\Trash\\files");
  ASSERT_TRUE(SHGetSpecialFolderPath(CSIDL_STARTUP, &path));
  EXPECT_EQ(path, "C:\\config\\autostart");
  ::setenv("XDG_DESKTOP_DIR", Host("Desk").c_str(), 1);
  ASSERT_TRUE(SHGetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, &path));
  EXPECT_EQ(path, "D:\\Desk");
  ::unsetenv("XDG_DESKTOP_DIR");
  fs::create_directories(c_.path() / "config");
  std::ofstream(c_.path() / "config/user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"" << Host("Docs") << "\"\n";
  ASSERT_TRUE(SHGetSpecialFolderPath(CSIDL_PERSONAL, &path));
  EXPECT_EQ(path, "D:\\Docs");
  EXPECT_FALSE(SHGetSpecialFolderPath(CSIDL_CONTROLS, &path));
}

TEST_F(FileSystem, TheShellRecordsWhatItWouldOpenWhenHeadless) {
  Touch("doc.txt");
  size_t before = RecordedShellRequests().size();
  EXPECT_GT(ShellExecute("D:\\DOC.TXT", true), 32);
  EXPECT_GT(ShellExecute("https://example.com/a?b", false), 32);
  EXPECT_EQ(ShellExecute("D:\\missing.txt", true), SE_ERR_FNF);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  std::vector<ShellRequest> got = RecordedShellRequests();
  ASSERT_EQ(got.size(), before + 2);
  EXPECT_EQ(got[before], (ShellRequest{Host("doc.txt"), true}));
  EXPECT_EQ(got[before + 1], (ShellRequest{"https://example.com/a?b", false}));
}

}  // namespace
}  // namespace tess::platform
