// The file system as the runtime's platform shows it: drive-letter paths,
// either separator, names matched without regard to case, the platform's
// reserved names, attributes, file times and volumes, over the host's
// folders.
//
// Drives: each letter maps onto a host folder. By default C: is a per-user
// folder made on first use ($XDG_DATA_HOME/tessera/drive_c, holding
// Windows, Windows\System32 and Windows\Fonts) and Z: is the host's root.
// TESSERA_DRIVES changes the map: "D=/mnt/data;C=/srv/c", a letter with an
// empty folder ("Z=") removing the drive.
//
// Names: every call takes a path in the system code page; `\` and `/` both
// separate; "." and ".." are resolved textually, ".." stopping at the drive's
// root; trailing dots and spaces of a name are dropped; a leading "\\?\" is
// accepted. Refused with ERROR_INVALID_NAME: the characters < > : " | ? * and
// 0-31 in a name, and the device names CON, PRN, AUX, NUL, COM1-COM9 and
// LPT1-LPT9 (with any extension). A name over 255 bytes or a host path over
// 4095 gives ERROR_FILENAME_EXCED_RANGE. Relative paths start from the
// current directory (the host's, seen through the map). Each existing name
// is found as spelled when it exists, else as the first name of its folder,
// in byte order, equal without regard to case; a name being created keeps
// the case it was given.
//
// Attributes: read-only is a file without any write permission bit, and is
// honoured for every caller (root included): writing, deleting and renaming
// such a file is refused with ERROR_ACCESS_DENIED. Hidden is a name starting
// with "." or the bit kept in the extended attribute "user.tessera.attrib";
// a file system without extended attributes refuses to hide with
// ERROR_NOT_SUPPORTED. Creation times are the host's birth times, or what
// SetFileTime stored in "user.tessera.created".
//
// Every call that fails sets the thread's last error (GetLastError); none
// fails without saying why.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/file.h"
#include "platform/kernel/time.h"
#include "platform/windef.h"

namespace tess::platform {

enum : DWORD {
  FILE_ATTRIBUTE_READONLY = 0x01,
  FILE_ATTRIBUTE_HIDDEN = 0x02,
  FILE_ATTRIBUTE_DIRECTORY = 0x10,
  FILE_ATTRIBUTE_ARCHIVE = 0x20,
  FILE_ATTRIBUTE_NORMAL = 0x80,
  INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF,
};

// Drives.
// The host folder of drive `letter` (either case), empty when not mapped.
std::string DriveRoot(char letter);
// Bit 0 for A:, bit 25 for Z:.
DWORD GetLogicalDrives();
// "C:\", "Z:\", ... for every mapped drive, in letter order.
std::vector<std::string> GetLogicalDriveStrings();
// Re-reads TESSERA_DRIVES and XDG_DATA_HOME (tests change them).
void ReloadDriveMap();

// Paths.
// The full, canonical path ("C:\a\b", "C:\" for a root); false with
// ERROR_INVALID_NAME, ERROR_INVALID_DRIVE, ERROR_BAD_NETPATH or
// ERROR_FILENAME_EXCED_RANGE.
bool GetFullPathName(std::string_view path, std::string* full);
// The host path a path names, existing names matched without regard to case.
// Every folder on the way must exist (else ERROR_PATH_NOT_FOUND); the last
// name need not.
bool HostPathOf(std::string_view path, std::string* host);
// A host path seen through the drive map (the longest matching root wins),
// in the system code page; empty when no drive reaches it.
std::string PathOfHost(std::string_view host);
// The current directory as a full path.
std::string GetCurrentDirectory();

// Information.
struct FileInfo {
  std::string name;  // the name as stored, in the system code page
  DWORD attributes = 0;
  uint64_t size = 0;
  FILETIME creation{}, lastAccess{}, lastWrite{};
};
DWORD GetFileAttributes(std::string_view path);
// Only the read-only and hidden bits change.
bool SetFileAttributes(std::string_view path, DWORD attributes);
bool GetFileInformation(std::string_view path, FileInfo* info);
// Null stamps are left alone.
bool SetFileTime(std::string_view path, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite);
// The entries of a folder without "." and "..", in the host's order.
bool ListDirectory(std::string_view path, std::vector<FileInfo>* entries);

// Changes.
bool CreateDirectory(std::string_view path);
bool RemoveDirectory(std::string_view path);
bool DeleteFile(std::string_view path);
// Fails with ERROR_ALREADY_EXISTS when `to` exists (a change of case only is
// a rename of the same file).
bool MoveFile(std::string_view from, std::string_view to);
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);

// Opening.
enum : DWORD {
  GENERIC_READ = 0x80000000,
  GENERIC_WRITE = 0x40000000,
  FILE_SHARE_READ = 1,
  FILE_SHARE_WRITE = 2,
  CREATE_NEW = 1,
  CREATE_ALWAYS = 2,
  OPEN_EXISTING = 3,
  OPEN_ALWAYS = 4,
};
// nullptr with the last error set: ERROR_SHARING_VIOLATION when another
// handle excludes this one, ERROR_ACCESS_DENIED for a read-only file opened
// to write or a folder, ERROR_FILE_EXISTS for CREATE_NEW.
std::unique_ptr<File> CreateFile(std::string_view path, DWORD access, DWORD share,
                                 DWORD disposition);
// The last error for a host errno (ENOSPC: ERROR_DISK_FULL, ...).
DWORD ErrorFromErrno(int error);

// Volumes and special places.
bool GetDiskFreeSpaceEx(std::string_view path, uint64_t* freeToCaller, uint64_t* total,
                        uint64_t* totalFree);
// The temporary folder with its final backslash ($TMPDIR, else /tmp).
std::string GetTempPath();
// Makes a new empty file "<prefix><hex>.tmp" in `folder`; its path to *path.
bool GetTempFileName(std::string_view folder, std::string_view prefix, std::string* path);
// C:\Windows and C:\Windows\System32 (made on first use).
std::string GetWindowsDirectory();
std::string GetSystemDirectory();

// Host-side helpers shared with the shell: the XDG base folders ($HOME/.local/
// share and $HOME/.config unless set) and making a host folder with its
// parents.
std::string XdgDataHome();
std::string XdgConfigHome();
void MakeHostFolders(const std::string& host);

}  // namespace tess::platform
