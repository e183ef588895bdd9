// Drive-letter paths over host folders (see file_system.h for the rules).
// Everything inside works on UTF-8 host names; paths come in and go out in
// the system code page.
#include "platform/kernel/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/kernel/codepage.h"

namespace tess::platform {

namespace {

constexpr size_t kMaxName = 255;
constexpr size_t kMaxHostPath = 4095;
constexpr const char* kAttribXattr = "user.tessera.attrib";
constexpr const char* kCreatedXattr = "user.tessera.created";

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return uint8_t(c) < 0x80; });
}

std::string ToHost(std::string_view acp) {
  return IsAscii(acp) ? std::string(acp) : ConvertMultiByte(CP_ACP, CP_UTF8, acp);
}

std::string FromHost(std::string_view utf8) {
  return IsAscii(utf8) ? std::string(utf8) : ConvertMultiByte(CP_UTF8, CP_ACP, utf8);
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Upper(x) == Upper(y); });
  }
  std::u16string wa = MultiByteToWide(CP_UTF8, a), wb = MultiByteToWide(CP_UTF8, b);
  UErrorCode status = U_ZERO_ERROR;
  int r = u_strCaseCompare(reinterpret_cast<const UChar*>(wa.data()), int32_t(wa.size()),
                           reinterpret_cast<const UChar*>(wb.data()), int32_t(wb.size()),
                           U_FOLD_CASE_DEFAULT, &status);
  return U_SUCCESS(status) && r == 0;
}

// ---- The drive map

struct DriveMap {
  std::mutex lock;
  bool loaded = false;
  std::string roots[26];
};

DriveMap& Drives() {
  static DriveMap map;
  return map;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/tmp";
}

std::string TrimSlash(std::string root) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

void LoadDrives(DriveMap& map) {
  for (auto& r : map.roots) r.clear();
  map.roots['C' - 'A'] = XdgDataHome() + "/tessera/drive_c";
  map.roots['Z' - 'A'] = "/";
  if (const char* setting = std::getenv("TESSERA_DRIVES")) {
    std::string_view rest(setting);
    while (!rest.empty()) {
      size_t end = rest.find(';');
      std::string_view entry = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      if (entry.size() < 2 || entry[1] != '=') continue;
      char letter = Upper(entry[0]);
      if (letter < 'A' || letter > 'Z') continue;
      std::string root(entry.substr(2));
      if (!root.empty() && root[0] != '/') continue;
      if (!root.empty()) MakeHostFolders(root);
      map.roots[letter - 'A'] = TrimSlash(root);
    }
  }
  const std::string& c = map.roots['C' - 'A'];
  if (!c.empty()) {
    MakeHostFolders(c + "/Windows/System32");
    MakeHostFolders(c + "/Windows/Fonts");
  }
  map.loaded = true;
}

// ---- Names

bool IsReservedName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& ch : base) ch = Upper(ch);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

bool HasBadCharacter(std::string_view name) {
  for (char ch : name) {
    if (uint8_t(ch) < 32 || std::strchr("<>:\"|?*", ch)) return true;
  }
  return false;
}

struct Parsed {
  char drive = 0;
  std::vector<std::string> names;  // system code page
};

bool SplitInto(std::string_view text, std::vector<std::string>* names) {
  size_t i = 0;
  while (i <= text.size()) {
    size_t end = text.find('\\', i);
    if (end == std::string_view::npos) end = text.size();
    std::string name(text.substr(i, end - i));
    i = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names->empty()) names->pop_back();
      continue;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.empty()) continue;
    if (HasBadCharacter(name) || IsReservedName(name)) return Fail(ERROR_INVALID_NAME);
    if (ToHost(name).size() > kMaxName) return Fail(ERROR_FILENAME_EXCED_RANGE);
    names->push_back(std::move(name));
  }
  return true;
}

std::string Join(char drive, const std::vector<std::string>& names) {
  std::string out{drive, ':', '\\'};
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += '\\';
    out += names[i];
  }
  return out;
}

bool Parse(std::string_view path, Parsed* out) {
  std::string s(path);
  std::replace(s.begin(), s.end(), '/', '\\');
  if (s.compare(0, 4, "\\\\?\\") == 0) s.erase(0, 4);
  if (s.empty()) return Fail(ERROR_INVALID_NAME);
  if (s.compare(0, 2, "\\\\") == 0) return Fail(ERROR_BAD_NETPATH);
  std::string start;
  std::string_view rest;
  if (s.size() >= 2 && s[1] == ':') {
    char letter = Upper(s[0]);
    if (letter < 'A' || letter > 'Z') return Fail(ERROR_INVALID_NAME);
    out->drive = letter;
    rest = std::string_view(s).substr(2);
    if (rest.empty() || rest[0] != '\\') {
      std::string cwd = GetCurrentDirectory();
      if (Upper(cwd[0]) == letter) start = cwd.substr(2);
    }
  } else {
    std::string cwd = GetCurrentDirectory();
    out->drive = cwd[0];
    rest = s;
    if (s[0] != '\\') start = cwd.substr(2);
  }
  return SplitInto(start, &out->names) && SplitInto(rest, &out->names);
}

// ---- Host paths

// The entry of host folder `folder` naming `name`: itself when it exists,
// else the byte-wise first entry equal without regard to case; empty when
// none.
std::string FindEntry(const std::string& folder, const std::string& name) {
  std::string exact = folder == "/" ? "/" + name : folder + "/" + name;
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) return name;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string best;
  while (dirent* e = ::readdir(dir)) {
    std::string_view entry(e->d_name);
    if (entry == "." || entry == "..") continue;
    if (EqualNoCase(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  ::closedir(dir);
  return best;
}

bool IsFolder(const std::string& host) {
  struct stat st;
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Host(std::string_view path, std::string* host, std::string* full = nullptr) {
  Parsed p;
  if (!Parse(path, &p)) return false;
  std::string current = DriveRoot(p.drive);
  if (current.empty()) return Fail(ERROR_PATH_NOT_FOUND);
  for (size_t i = 0; i < p.names.size(); ++i) {
    std::string name = ToHost(p.names[i]);
    if (!IsFolder(current)) return Fail(ERROR_PATH_NOT_FOUND);
    std::string found = FindEntry(current, name);
    bool last = i + 1 == p.names.size();
    if (found.empty() && !last) return Fail(ERROR_PATH_NOT_FOUND);
    current = (current == "/" ? "" : current) + "/" + (found.empty() ? name : found);
    if (current.size() > kMaxHostPath) return Fail(ERROR_FILENAME_EXCED_RANGE);
  }
  *host = current;
  if (full) *full = Join(p.drive, p.names);
  return true;
}

FILETIME Stamp(int64_t seconds, int64_t nanoseconds) {
  int64_t ticks =
      seconds * int64_t(kFileTimeTicksPerSecond) + nanoseconds / 100 + int64_t(kFileTimeUnixEpoch);
  return QuadToFileTime(uint64_t(std::max<int64_t>(ticks, 0)));
}

timespec Timespec(const FILETIME& t) {
  int64_t ticks = int64_t(FileTimeToQuad(t)) - int64_t(kFileTimeUnixEpoch);
  int64_t seconds = ticks / int64_t(kFileTimeTicksPerSecond);
  int64_t rest = ticks % int64_t(kFileTimeTicksPerSecond);
  if (rest < 0) {
    rest += kFileTimeTicksPerSecond;
    --seconds;
  }
  return timespec{time_t(seconds), long(rest * 100)};
}

DWORD StoredAttributes(const std::string& host) {
  char value[16] = {};
  ssize_t n = ::getxattr(host.c_str(), kAttribXattr, value, sizeof value - 1);
  return n > 0 ? DWORD(std::strtoul(value, nullptr, 10)) : 0;
}

bool Describe(const std::string& host, std::string_view name, FileInfo* info) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  info->name = FromHost(name);
  DWORD a = 0;
  if (S_ISDIR(st.st_mode)) {
    a |= FILE_ATTRIBUTE_DIRECTORY;
  } else {
    a |= FILE_ATTRIBUTE_ARCHIVE;
    info->size = uint64_t(st.st_size);
  }
  if (!(st.st_mode & 0222)) a |= FILE_ATTRIBUTE_READONLY;
  if ((!name.empty() && name[0] == '.') || (StoredAttributes(host) & FILE_ATTRIBUTE_HIDDEN)) {
    a |= FILE_ATTRIBUTE_HIDDEN;
  }
  info->attributes = a;
  info->lastWrite = Stamp(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  info->lastAccess = Stamp(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  char created[32] = {};
  if (::getxattr(host.c_str(), kCreatedXattr, created, sizeof created - 1) > 0) {
    info->creation = QuadToFileTime(std::strtoull(created, nullptr, 10));
    return true;
  }
  struct statx sx;
  if (::statx(AT_FDCWD, host.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME)) {
    info->creation = Stamp(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
  } else {
    // No birth time: the older of the change and modification times.
    info->creation = st.st_ctim.tv_sec < st.st_mtim.tv_sec
                         ? Stamp(st.st_ctim.tv_sec, st.st_ctim.tv_nsec)
                         : info->lastWrite;
  }
  return true;
}

std::string BaseName(const std::string& host) {
  size_t slash = host.rfind('/');
  return slash == std::string::npos ? host : host.substr(slash + 1);
}

bool ReadOnly(const std::string& host) {
  struct stat st;
  return ::stat(host.c_str(), &st) == 0 && !(st.st_mode & 0222);
}

bool CopyHostFile(const std::string& from, const std::string& to) {
  int error = 0;
  auto in = File::OpenShared(from, File::Mode::kRead, File::Sharing{false}, &error);
  if (!in) return Fail(error == EBUSY ? ERROR_SHARING_VIOLATION : ErrorFromErrno(error));
  auto out = File::OpenShared(to, File::Mode::kCreate, File::Sharing{false}, &error);
  if (!out) return Fail(error == EBUSY ? ERROR_SHARING_VIOLATION : ErrorFromErrno(error));
  std::vector<char> buffer(1 << 16);
  for (;;) {
    size_t n = in->Read(buffer.data(), buffer.size());
    if (n == 0) break;
    if (!out->Write(buffer.data(), n, &error)) {
      out.reset();
      ::unlink(to.c_str());
      return Fail(ErrorFromErrno(error));
    }
  }
  struct stat st;
  if (::stat(from.c_str(), &st) == 0) {
    timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times, 0);
    ::chmod(to.c_str(), st.st_mode & 07777);
  }
  return true;
}

}  // namespace

// ---- Drives

std::string DriveRoot(char letter) {
  letter = Upper(letter);
  if (letter < 'A' || letter > 'Z') return {};
  DriveMap& map = Drives();
  std::lock_guard<std::mutex> guard(map.lock);
  if (!map.loaded) LoadDrives(map);
  return map.roots[letter - 'A'];
}

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (char c = 'A'; c <= 'Z'; ++c) {
    if (!DriveRoot(c).empty()) mask |= DWORD(1) << (c - 'A');
  }
  return mask;
}

std::vector<std::string> GetLogicalDriveStrings() {
  std::vector<std::string> out;
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (mask & (DWORD(1) << i)) out.push_back(std::string{char('A' + i), ':', '\\'});
  }
  return out;
}

void ReloadDriveMap() {
  DriveMap& map = Drives();
  std::lock_guard<std::mutex> guard(map.lock);
  LoadDrives(map);
}

// ---- Paths

bool GetFullPathName(std::string_view path, std::string* full) {
  Parsed p;
  if (!Parse(path, &p)) return false;
  *full = Join(p.drive, p.names);
  return true;
}

bool HostPathOf(std::string_view path, std::string* host) {
  return Host(path, host);
}

std::string PathOfHost(std::string_view host) {
  int best = -1;
  size_t bestLength = 0;
  for (int i = 0; i < 26; ++i) {
    std::string root = DriveRoot(char('A' + i));
    if (root.empty()) continue;
    bool inside = root == "/" ? !host.empty() && host[0] == '/'
                              : host.substr(0, root.size()) == root &&
                                    (host.size() == root.size() || host[root.size()] == '/');
    size_t length = root == "/" ? 0 : root.size();
    if (inside && (best < 0 || length > bestLength)) {
      best = i;
      bestLength = length;
    }
  }
  if (best < 0) return {};
  std::string rest(host.substr(bestLength));
  std::replace(rest.begin(), rest.end(), '/', '\\');
  while (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  return std::string{char('A' + best), ':', '\\'} + FromHost(rest);
}

std::string GetCurrentDirectory() {
  char buffer[kMaxHostPath + 1];
  std::string path = ::getcwd(buffer, sizeof buffer) ? PathOfHost(buffer) : std::string();
  return path.empty() ? "C:\\" : path;
}

// ---- Information

DWORD GetFileAttributes(std::string_view path) {
  FileInfo info;
  return GetFileInformation(path, &info) ? info.attributes : INVALID_FILE_ATTRIBUTES;
}

bool GetFileInformation(std::string_view path, FileInfo* info) {
  std::string host;
  if (!Host(path, &host)) return false;
  return Describe(host, BaseName(host), info);
}

bool SetFileAttributes(std::string_view path, DWORD attributes) {
  std::string host;
  if (!Host(path, &host)) return false;
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  mode_t mode = st.st_mode & 07777;
  mode = attributes & FILE_ATTRIBUTE_READONLY ? mode & ~mode_t(0222) : mode | S_IWUSR;
  if (mode != (st.st_mode & 07777) && ::chmod(host.c_str(), mode) != 0) {
    return Fail(ErrorFromErrno(errno));
  }
  bool hide = attributes & FILE_ATTRIBUTE_HIDDEN;
  bool dotName = BaseName(host)[0] == '.';
  if (dotName) return hide || Fail(ERROR_ACCESS_DENIED);
  bool hidden = StoredAttributes(host) & FILE_ATTRIBUTE_HIDDEN;
  if (hide == hidden) return true;
  int r = hide ? ::setxattr(host.c_str(), kAttribXattr, "2", 1, 0)
               : ::removexattr(host.c_str(), kAttribXattr);
  if (r != 0) return Fail(errno == ENOTSUP ? ERROR_NOT_SUPPORTED : ErrorFromErrno(errno));
  return true;
}

bool SetFileTime(std::string_view path, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite) {
  std::string host;
  if (!Host(path, &host)) return false;
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  if (!S_ISDIR(st.st_mode) && ReadOnly(host)) return Fail(ERROR_ACCESS_DENIED);
  if (lastAccess || lastWrite) {
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (lastAccess) times[0] = Timespec(*lastAccess);
    if (lastWrite) times[1] = Timespec(*lastWrite);
    if (::utimensat(AT_FDCWD, host.c_str(), times, 0) != 0) return Fail(ErrorFromErrno(errno));
  }
  if (creation) {
    std::string text = std::to_string(FileTimeToQuad(*creation));
    if (::setxattr(host.c_str(), kCreatedXattr, text.data(), text.size(), 0) != 0) {
      return Fail(errno == ENOTSUP ? ERROR_NOT_SUPPORTED : ErrorFromErrno(errno));
    }
  }
  return true;
}

bool ListDirectory(std::string_view path, std::vector<FileInfo>* entries) {
  std::string host;
  if (!Host(path, &host)) return false;
  DIR* dir = ::opendir(host.c_str());
  if (!dir) return Fail(errno == ENOTDIR ? ERROR_DIRECTORY : ErrorFromErrno(errno));
  entries->clear();
  while (dirent* e = ::readdir(dir)) {
    std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    FileInfo info;
    std::string child = (host == "/" ? "" : host) + "/" + std::string(name);
    if (Describe(child, name, &info)) entries->push_back(std::move(info));
  }
  ::closedir(dir);
  SetLastError(ERROR_SUCCESS);
  return true;
}

// ---- Changes

bool CreateDirectory(std::string_view path) {
  std::string host;
  if (!Host(path, &host)) return false;
  if (::mkdir(host.c_str(), 0777) != 0) {
    return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno));
  }
  return true;
}

bool RemoveDirectory(std::string_view path) {
  std::string host;
  if (!Host(path, &host)) return false;
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
  if (ReadOnly(host)) return Fail(ERROR_ACCESS_DENIED);
  if (::rmdir(host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
  return true;
}

bool DeleteFile(std::string_view path) {
  std::string host;
  if (!Host(path, &host)) return false;
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  if (S_ISDIR(st.st_mode) || ReadOnly(host)) return Fail(ERROR_ACCESS_DENIED);
  if (File::InUse(host)) return Fail(ERROR_SHARING_VIOLATION);
  if (::unlink(host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
  return true;
}

bool MoveFile(std::string_view from, std::string_view to) {
  std::string source, target;
  if (!Host(from, &source) || !Host(to, &target)) return false;
  struct stat a, b;
  if (::lstat(source.c_str(), &a) != 0) return Fail(ErrorFromErrno(errno));
  if (::lstat(target.c_str(), &b) == 0) {
    if (a.st_dev != b.st_dev || a.st_ino != b.st_ino) return Fail(ERROR_ALREADY_EXISTS);
    // The same file under another case: a rename to the name as given.
    Parsed p;
    if (!Parse(to, &p) || p.names.empty()) return Fail(ERROR_ACCESS_DENIED);
    target = target.substr(0, target.rfind('/') + 1) + ToHost(p.names.back());
  }
  if (!S_ISDIR(a.st_mode) && File::InUse(source)) return Fail(ERROR_SHARING_VIOLATION);
  if (::rename(source.c_str(), target.c_str()) == 0) return true;
  if (errno != EXDEV) return Fail(ErrorFromErrno(errno));
  if (S_ISDIR(a.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE);
  if (!CopyHostFile(source, target)) return false;
  ::unlink(source.c_str());
  return true;
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  std::string source, target;
  if (!Host(from, &source) || !Host(to, &target)) return false;
  struct stat st;
  if (::stat(source.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  struct stat existing;
  if (::stat(target.c_str(), &existing) == 0) {
    if (failIfExists) return Fail(ERROR_FILE_EXISTS);
    if (S_ISDIR(existing.st_mode) || ReadOnly(target)) return Fail(ERROR_ACCESS_DENIED);
    if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
      return Fail(ERROR_SHARING_VIOLATION);
    }
  }
  return CopyHostFile(source, target);
}

// ---- Opening

std::unique_ptr<File> CreateFile(std::string_view path, DWORD access, DWORD share,
                                 DWORD disposition) {
  std::string host;
  if (!Host(path, &host)) return nullptr;
  bool writes = access & GENERIC_WRITE;
  struct stat st;
  bool exists = ::stat(host.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (exists && disposition == CREATE_NEW) {
    SetLastError(ERROR_FILE_EXISTS);
    return nullptr;
  }
  if (!exists && disposition == OPEN_EXISTING) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (exists && (writes || disposition == CREATE_ALWAYS) && ReadOnly(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  File::Mode mode = !writes                        ? File::Mode::kRead
                    : disposition == CREATE_ALWAYS ? File::Mode::kCreate
                                                   : File::Mode::kReadWrite;
  if (!exists) {
    int fd = ::open(host.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      SetLastError(ErrorFromErrno(errno));
      return nullptr;
    }
    if (fd >= 0) ::close(fd);
  }
  int error = 0;
  auto file = File::OpenShared(host, mode, File::Sharing{(share & FILE_SHARE_WRITE) != 0}, &error);
  if (!file) {
    SetLastError(error == EBUSY ? ERROR_SHARING_VIOLATION : ErrorFromErrno(error));
    return nullptr;
  }
  SetLastError(exists && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return file;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EISDIR:
    case EACCES:
    case EPERM:
    default:
      return ERROR_ACCESS_DENIED;
  }
}

// ---- Volumes and special places

bool GetDiskFreeSpaceEx(std::string_view path, uint64_t* freeToCaller, uint64_t* total,
                        uint64_t* totalFree) {
  std::string host;
  if (!Host(path, &host)) return false;
  struct statvfs vs;
  if (::statvfs(host.c_str(), &vs) != 0) return Fail(ErrorFromErrno(errno));
  if (freeToCaller) *freeToCaller = uint64_t(vs.f_bavail) * vs.f_frsize;
  if (total) *total = uint64_t(vs.f_blocks) * vs.f_frsize;
  if (totalFree) *totalFree = uint64_t(vs.f_bfree) * vs.f_frsize;
  return true;
}

std::string GetTempPath() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = PathOfHost(TrimSlash(dir && *dir ? dir : "/tmp"));
  if (path.empty()) path = GetWindowsDirectory();
  if (path.back() != '\\') path += '\\';
  return path;
}

bool GetTempFileName(std::string_view folder, std::string_view prefix, std::string* path) {
  static unsigned counter = unsigned(::getpid()) * 7919u + unsigned(std::time(nullptr));
  std::string stem(prefix.substr(0, 3));
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", ++counter & 0xFFFF);
    std::string candidate = std::string(folder);
    if (!candidate.empty() && candidate.back() != '\\' && candidate.back() != '/')
      candidate += '\\';
    candidate += stem + hex + ".tmp";
    if (CreateFile(candidate, GENERIC_WRITE, 0, CREATE_NEW)) {
      return GetFullPathName(candidate, path);
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return Fail(ERROR_FILE_EXISTS);
}

std::string GetWindowsDirectory() {
  std::string host;
  if (Host("C:\\Windows", &host)) MakeHostFolders(host);
  return "C:\\Windows";
}

std::string XdgDataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  return data && *data ? data : HomeFolder() + "/.local/share";
}

std::string XdgConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  return config && *config ? config : HomeFolder() + "/.config";
}

void MakeHostFolders(const std::string& host) {
  for (size_t i = 1; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '/') ::mkdir(host.substr(0, i).c_str(), 0755);
  }
}

std::string GetSystemDirectory() {
  std::string host;
  if (Host("C:\\Windows\\System32", &host)) MakeHostFolders(host);
  return "C:\\Windows\\System32";
}

}  // namespace tess::platform
