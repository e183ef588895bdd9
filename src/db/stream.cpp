// Memory and file streams. The file stream is a thin layer over the host file;
// the memory stream grows its block on demand and fails for good once a growth
// is refused, so a half-written stream is never mistaken for a complete one.
#include "db/stream.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
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

bool ByteStream::ReadU16(uint16_t* value) {
  uint8_t b[2];
  if (!ReadExact(b, 2)) return false;
  *value = swap_integers ? le16(b) : be16(b);
  return true;
}

bool ByteStream::WriteU16(uint16_t value) {
  uint8_t b[2];
  if (swap_integers) {
    put_le16(b, value);
  } else {
    put_be16(b, value);
  }
  return Write(b, 2);
}

bool ByteStream::ReadU64(uint64_t* value) {
  uint32_t first, second;
  if (!ReadU32(&first) || !ReadU32(&second)) return false;
  *value = swap_integers ? uint64_t(second) << 32 | first : uint64_t(first) << 32 | second;
  return true;
}

bool ByteStream::WriteU64(uint64_t value) {
  uint32_t high = uint32_t(value >> 32), low = uint32_t(value);
  return swap_integers ? WriteU32(low) && WriteU32(high) : WriteU32(high) && WriteU32(low);
}

bool ByteStream::ReadDouble(double* value) {
  bool saved = swap_integers;
  swap_integers = saved && swap_doubles_too;
  uint64_t bits;
  bool ok = ReadU64(&bits);
  swap_integers = saved;
  if (ok) std::memcpy(value, &bits, sizeof bits);
  return ok;
}

bool ByteStream::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bool saved = swap_integers;
  swap_integers = saved && swap_doubles_too;
  bool ok = WriteU64(bits);
  swap_integers = saved;
  return ok;
}

bool ByteStream::ReadCompact(int32_t* value) {
  uint8_t byte;
  if (!ReadExact(&byte, 1)) return false;
  bool negative = byte & 0x40;
  uint64_t magnitude = byte & 0x3F;
  int shift = 6;
  for (int more = byte & 0x80; more; more = byte & 0x80) {
    if (shift > 27 || !ReadExact(&byte, 1)) return false;
    magnitude |= uint64_t(byte & 0x7F) << shift;
    shift += 7;
  }
  if (magnitude > 0x80000000u) return false;
  uint32_t m = uint32_t(magnitude);
  *value = int32_t(negative ? 0u - m : m);
  return true;
}

bool ByteStream::WriteCompact(int32_t value) {
  bool negative = value < 0 && value != INT32_MIN;
  uint32_t m = value == INT32_MIN ? 0x80000000u : uint32_t(negative ? -value : value);
  uint8_t bytes[6];
  size_t n = 0;
  bytes[n++] = uint8_t((m & 0x3F) | (negative ? 0x40 : 0));
  m >>= 6;
  while (m) {
    bytes[n - 1] |= 0x80;
    bytes[n++] = uint8_t(m & 0x7F);
    m >>= 7;
  }
  return Write(bytes, n);
}

bool ByteStream::ReadCompactString(std::string* value) {
  int32_t length;
  if (!ReadCompact(&length)) return false;
  value->clear();
  if (length <= 0) return true;
  uint64_t end = Length(), at = Position();
  if (at > end || uint64_t(length) > end - at) return false;
  value->resize(size_t(length));
  return ReadExact(value->data(), value->size());
}

bool ByteStream::WriteCompactString(std::string_view value) {
  if (value.size() > size_t(INT32_MAX)) return false;
  return WriteCompact(int32_t(value.size())) && Write(value.data(), value.size());
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

bool ScrambledStream::Read(void* buffer, size_t count, size_t* done) {
  if (!inner_->Read(buffer, count, done)) return false;
  auto* bytes = static_cast<uint8_t*>(buffer);
  for (size_t i = 0; i < *done; ++i) {
    bytes[i] ^= uint8_t(state_);
    state_ ^= bytes[i];
  }
  return true;
}

bool ScrambledStream::Write(const void* buffer, size_t count) {
  auto* in = static_cast<const uint8_t*>(buffer);
  uint8_t chunk[4096];
  while (count > 0) {
    size_t n = std::min(count, sizeof chunk);
    for (size_t i = 0; i < n; ++i) {
      chunk[i] = in[i] ^ uint8_t(state_);
      state_ ^= in[i];
    }
    if (!inner_->Write(chunk, n)) return false;
    in += n;
    count -= n;
  }
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

std::unique_ptr<FileStream> FileStream::Adopt(std::unique_ptr<platform::File> file, bool readOnly) {
  if (!file) return nullptr;
  auto s = std::unique_ptr<FileStream>(new FileStream(std::move(file)));
  s->read_only_ = readOnly;
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
    if (part) file_->Write(buffer, part, &host_error_);
    Die();
  }
  return file_->Write(buffer, count, &host_error_);
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
  if (!file_ || read_only_) return false;
  size_t ignored = 0;
  if (KillHere(&ignored)) Die();
  if (!file_->SetSize(length)) {
    host_error_ = errno;
    return false;
  }
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
