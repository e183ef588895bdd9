// Host files over POSIX descriptors, with explicit positions (pread/pwrite) so
// that a handle shared by readers never depends on a hidden descriptor offset.
#include "platform/kernel/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tess::platform {

std::unique_ptr<File> File::Open(const std::string& path, Mode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY;
      break;
    case Mode::kReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::kCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<File>(new File(fd));
}

namespace {

// The sharing bytes: far past any file's data, below the largest offset.
constexpr off_t kWriterByte = off_t(0x7FFFFFFFFFFFFF00LL);
constexpr off_t kDenyWriteByte = kWriterByte + 1;

// Open-file-description locks conflict between descriptors of one process
// too; where the host lacks them, process locks still keep other processes
// out.
bool Lock(int fd, off_t byte, short type, bool test, bool* held) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
#ifdef F_OFD_SETLK
  int r = ::fcntl(fd, test ? F_OFD_GETLK : F_OFD_SETLK, &fl);
  if (r != 0 && errno == EINVAL) {
    fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    r = ::fcntl(fd, test ? F_GETLK : F_SETLK, &fl);
  }
#else
  int r = ::fcntl(fd, test ? F_GETLK : F_SETLK, &fl);
#endif
  if (test && r == 0) *held = fl.l_type != F_UNLCK;
  return r == 0;
}

// Takes this handle's sharing locks, then checks that nobody holds the byte
// that excludes it.
bool TakeSharing(int fd, bool writes, bool deniesWrite) {
  if (writes && !Lock(fd, kWriterByte, F_RDLCK, false, nullptr)) return false;
  if (deniesWrite && !Lock(fd, kDenyWriteByte, F_RDLCK, false, nullptr)) return false;
  bool held = false;
  if (writes && (!Lock(fd, kDenyWriteByte, F_WRLCK, true, &held) || held)) return false;
  if (deniesWrite && (!Lock(fd, kWriterByte, F_WRLCK, true, &held) || held)) return false;
  return true;
}

}  // namespace

std::unique_ptr<File> File::OpenShared(const std::string& path, Mode mode, Sharing sharing,
                                       int* error) {
  int flags = O_CLOEXEC | (mode == Mode::kRead ? O_RDONLY : O_RDWR);
  if (mode == Mode::kCreate) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    *error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    return nullptr;
  }
  bool writes = mode != Mode::kRead;
  if (!TakeSharing(fd, writes, !sharing.write)) {
    *error = EBUSY;
    ::close(fd);
    return nullptr;
  }
  if (mode == Mode::kCreate && st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
    *error = errno;
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<File>(new File(fd));
}

bool File::InUse(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool writer = false, denier = false;
  Lock(fd, kWriterByte, F_WRLCK, true, &writer);
  Lock(fd, kDenyWriteByte, F_WRLCK, true, &denier);
  ::close(fd);
  return writer || denier;
}

File::~File() {
  ::close(fd_);
}

size_t File::Read(void* buffer, size_t size) {
  size_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < size) {
    ssize_t n = ::pread(fd_, out + done, size - done, off_t(position_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
    position_ += uint64_t(n);
  }
  return done;
}

bool File::ReadExact(void* buffer, size_t size) {
  return Read(buffer, size) == size;
}

bool File::Write(const void* buffer, size_t size) {
  int ignored;
  return Write(buffer, size, &ignored);
}

bool File::Write(const void* buffer, size_t size, int* error) {
  size_t done = 0;
  auto* in = static_cast<const uint8_t*>(buffer);
  while (done < size) {
    ssize_t n = ::pwrite(fd_, in + done, size - done, off_t(position_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n == 0 ? ENOSPC : errno;
      return false;
    }
    done += size_t(n);
    position_ += uint64_t(n);
  }
  return true;
}

bool File::Seek(uint64_t position) {
  position_ = position;
  return true;
}

uint64_t File::Size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return 0;
  return uint64_t(st.st_size);
}

bool File::SetSize(uint64_t size) {
  int r;
  do {
    r = ::ftruncate(fd_, off_t(size));
  } while (r != 0 && errno == EINTR);
  return r == 0;
}

bool File::Sync() {
  return ::fdatasync(fd_) == 0;
}

std::unique_ptr<File> File::CreateTemp(std::string* path) {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/tessera-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  *path = name.data();
  return std::unique_ptr<File>(new File(fd));
}

bool File::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool File::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  auto file = File::Open(path, File::Mode::kRead);
  if (!file) return false;
  uint64_t size = file->Size();
  if (size > uint64_t(SIZE_MAX / 2)) return false;
  contents->resize(size_t(size));
  return file->ReadExact(contents->data(), contents->size());
}

}  // namespace tess::platform
