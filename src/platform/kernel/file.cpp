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
  size_t done = 0;
  auto* in = static_cast<const uint8_t*>(buffer);
  while (done < size) {
    ssize_t n = ::pwrite(fd_, in + done, size - done, off_t(position_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
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
