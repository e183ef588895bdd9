// Memory and file streams. The file stream is a thin layer over the host file;
// the memory stream grows its block on demand and fails for good once a growth
// is refused, so a half-written stream is never mistaken for a complete one.
#include "db/stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "platform/kernel/file.h"

namespace tess::db {

namespace {

uint64_t kill_at = 0;
uint64_t writes = 0;
bool kill_tears = false;

// True when this write is the one to die at; `count` is then cut in half
// for a torn write (the caller writes that much and dies).
bool KillHere(size_t* count) {
  if (!kill_at || ++writes < kill_at) return false;
  *count = kill_tears ? *count / 2 : 0;
  return true;
}

[[noreturn]] void Die() {
  std::_Exit(137);
}

}  // namespace

void SetFileWriteKill(uint64_t nth, bool tear) {
  kill_at = nth;
  kill_tears = tear;
  writes = 0;
}

bool ByteStream::ReadExact(void* buffer, size_t count) {
  size_t done = 0;
  return Read(buffer, count, &done) && done == count;
}

bool ByteStream::ReadAt(uint64_t position, void* buffer, size_t count) {
  return SetPosition(position) && ReadExact(buffer, count);
}

bool ByteStream::WriteAt(uint64_t position, const void* buffer, size_t count) {
  return SetPosition(position) && Write(buffer, count);
}

bool ByteStream::ReadU32(uint32_t* value) {
  uint8_t b[4];
  if (!ReadExact(b, 4)) return false;
  *value = swap_integers ? le32(b) : be32(b);
  return true;
}

bool ByteStream::WriteU32(uint32_t value) {
  uint8_t b[4];
  if (swap_integers) {
    put_le32(b, value);
  } else {
    put_be32(b, value);
  }
  return Write(b, 4);
}

bool MemoryStream::Read(void* buffer, size_t count, size_t* done) {
  *done = 0;
  if (closed_) return false;
  if (position_ >= bytes_.size()) return true;
  size_t n = size_t(std::min<uint64_t>(count, bytes_.size() - position_));
  if (n) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  *done = n;
  return true;
}

bool MemoryStream::Grow(uint64_t size) {
  if (size <= bytes_.size()) return true;
  if (size > limit_ || size > bytes_.max_size()) {
    error_ = true;
    return false;
  }
  bytes_.resize(size_t(size));
  return true;
}

bool MemoryStream::Write(const void* buffer, size_t count) {
  if (closed_ || error_) return false;
  if (count > limit_ || position_ > limit_ - count) {
    error_ = true;
    return false;
  }
  if (!Grow(position_ + count)) return false;
  if (count) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ += count;
  return true;
}

bool MemoryStream::SetPosition(uint64_t position) {
  if (closed_) return false;
  position_ = position;
  return true;
}

bool MemoryStream::SetLength(uint64_t length) {
  if (closed_ || error_) return false;
  if (length < bytes_.size()) {
    bytes_.resize(size_t(length));
  } else if (!Grow(length)) {
    return false;
  }
  position_ = length;
  return true;
}

FileStream::FileStream(std::unique_ptr<platform::File> file) : file_(std::move(file)) {}

FileStream::~FileStream() {
  Close();
}

std::unique_ptr<FileStream> FileStream::Open(const std::string& path, Mode mode) {
  using PM = platform::File::Mode;
  PM pm = mode == Mode::kRead ? PM::kRead : mode == Mode::kCreate ? PM::kCreate : PM::kReadWrite;
  auto file = platform::File::Open(path, pm);
  if (!file) return nullptr;
  auto s = std::unique_ptr<FileStream>(new FileStream(std::move(file)));
  s->read_only_ = mode == Mode::kRead;
  return s;
}

std::unique_ptr<FileStream> FileStream::CreateTemp() {
  std::string path;
  auto file = platform::File::CreateTemp(&path);
  if (!file) return nullptr;
  auto s = std::unique_ptr<FileStream>(new FileStream(std::move(file)));
  s->temp_path_ = path;
  return s;
}

bool FileStream::Read(void* buffer, size_t count, size_t* done) {
  *done = file_ ? file_->Read(buffer, count) : 0;
  return file_ != nullptr;
}

bool FileStream::Write(const void* buffer, size_t count) {
  if (!file_ || read_only_) return false;
  size_t part = count;
  if (KillHere(&part)) {
    if (part) file_->Write(buffer, part);
    Die();
  }
  return file_->Write(buffer, count);
}

void FileStream::Close() {
  file_.reset();
  if (!temp_path_.empty()) {
    platform::File::Remove(temp_path_);
    temp_path_.clear();
  }
}

bool FileStream::AtEnd() {
  return !file_ || file_->Position() >= file_->Size();
}

bool FileStream::SetPosition(uint64_t position) {
  return file_ && file_->Seek(position);
}

uint64_t FileStream::Length() {
  return file_ ? file_->Size() : 0;
}

bool FileStream::SetLength(uint64_t length) {
  size_t ignored = 0;
  if (file_ && !read_only_ && KillHere(&ignored)) Die();
  if (!file_ || read_only_ || !file_->SetSize(length)) return false;
  return file_->Seek(length);
}

uint64_t FileStream::Position() {
  return file_ ? file_->Position() : 0;
}

bool FileStream::Flush() {
  return file_ && (read_only_ || file_->Sync());
}

ByteStream* FileJournal::Create() {
  stream_ = FileStream::Open(path_, FileStream::Mode::kCreate);
  return stream_.get();
}

ByteStream* FileJournal::OpenExisting() {
  if (!platform::File::Exists(path_)) return nullptr;
  stream_ = FileStream::Open(path_, FileStream::Mode::kRead);
  return stream_.get();
}

bool FileJournal::Remove() {
  stream_.reset();
  return platform::File::Remove(path_) || !platform::File::Exists(path_);
}

ByteStream* MemoryJournal::Create() {
  stream_ = std::make_unique<MemoryStream>();
  return stream_.get();
}

ByteStream* MemoryJournal::OpenExisting() {
  if (stream_) stream_->SetPosition(0);
  return stream_.get();
}

bool MemoryJournal::Remove() {
  stream_.reset();
  return true;
}

}  // namespace tess::db
