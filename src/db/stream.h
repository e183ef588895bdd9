// Internal byte streams: the one interface through which the database reads
// and writes its file and its temporary sort runs. A file stream goes through
// the host layer; a memory stream keeps its bytes in a growable block.
//
// Invariants: positions and lengths are byte offsets from the start; reading
// past the end delivers fewer bytes (never an error by itself); writing past
// the end extends the stream. The swap flags only steer the 16/32/64-bit
// helpers below, which always read and write the stream's stated byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tess::platform {
class File;
}

namespace tess::db {

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Reads up to `count` bytes; `*done` gets the count read. False on a host
  // failure (a short read at the end is still success).
  virtual bool Read(void* buffer, size_t count, size_t* done) = 0;
  virtual bool Write(const void* buffer, size_t count) = 0;
  virtual void Close() = 0;
  virtual bool AtEnd() = 0;
  virtual bool SetPosition(uint64_t position) = 0;
  virtual uint64_t Length() = 0;
  // Cuts or extends the stream; the position moves to the new length.
  virtual bool SetLength(uint64_t length) = 0;
  virtual uint64_t Position() = 0;
  // Makes written bytes durable where the medium can.
  virtual bool Flush() { return true; }

  // Byte order of the helpers: false = big-endian (the database's order).
  bool swap_integers = false;
  bool swap_doubles_too = false;

  bool ReadExact(void* buffer, size_t count);
  bool ReadAt(uint64_t position, void* buffer, size_t count);
  bool WriteAt(uint64_t position, const void* buffer, size_t count);
  bool ReadU32(uint32_t* value);
  bool WriteU32(uint32_t value);
};

class MemoryStream : public ByteStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Read(void* buffer, size_t count, size_t* done) override;
  bool Write(const void* buffer, size_t count) override;
  void Close() override { closed_ = true; }
  bool AtEnd() override { return position_ >= bytes_.size(); }
  bool SetPosition(uint64_t position) override;
  uint64_t Length() override { return bytes_.size(); }
  bool SetLength(uint64_t length) override;
  uint64_t Position() override { return position_; }

  const std::string& bytes() const { return bytes_; }
  // Set when the block could not grow; later writes are refused.
  bool error() const { return error_; }
  // Refuse to grow beyond `limit` bytes (models a block that cannot grow).
  void set_limit(uint64_t limit) { limit_ = limit; }

 private:
  bool Grow(uint64_t size);
  std::string bytes_;
  uint64_t position_ = 0;
  uint64_t limit_ = uint64_t(1) << 40;
  bool error_ = false;
  bool closed_ = false;
};

class FileStream final : public ByteStream {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };
  // nullptr when the file cannot be opened.
  static std::unique_ptr<FileStream> Open(const std::string& path, Mode mode);
  // A temporary file, deleted when the stream is destroyed.
  static std::unique_ptr<FileStream> CreateTemp();
  ~FileStream() override;

  bool Read(void* buffer, size_t count, size_t* done) override;
  bool Write(const void* buffer, size_t count) override;
  void Close() override;
  bool AtEnd() override;
  bool SetPosition(uint64_t position) override;
  uint64_t Length() override;
  bool SetLength(uint64_t length) override;
  uint64_t Position() override;
  bool Flush() override;
  bool read_only() const { return read_only_; }

 private:
  explicit FileStream(std::unique_ptr<platform::File> file);
  std::unique_ptr<platform::File> file_;
  std::string temp_path_;
  bool read_only_ = false;
};

// Where a database keeps its side journal (see pager.cpp): a file beside the
// database, or a block of memory for databases on memory streams. The store
// owns the stream it hands out, until Close or Remove.
class JournalStore {
 public:
  virtual ~JournalStore() = default;
  // A new, empty journal; nullptr when it cannot be made.
  virtual ByteStream* Create() = 0;
  // The journal left behind, or nullptr when there is none.
  virtual ByteStream* OpenExisting() = 0;
  virtual void Close() = 0;
  // Closes and deletes the journal; true when none is left.
  virtual bool Remove() = 0;
};

class FileJournal final : public JournalStore {
 public:
  explicit FileJournal(std::string path) : path_(std::move(path)) {}
  ByteStream* Create() override;
  ByteStream* OpenExisting() override;
  void Close() override { stream_.reset(); }
  bool Remove() override;

 private:
  std::string path_;
  std::unique_ptr<FileStream> stream_;
};

class MemoryJournal final : public JournalStore {
 public:
  ByteStream* Create() override;
  ByteStream* OpenExisting() override;
  void Close() override {}
  bool Remove() override;
  // The journal's bytes, for tests that model a crash.
  std::unique_ptr<MemoryStream>& stream() { return stream_; }

 private:
  std::unique_ptr<MemoryStream> stream_;
};

// Crash tests: the Nth write or length change of any file stream (counted
// from 1) ends the process at once, before it happens or, when `tear` is
// set, after only the first half of its bytes. 0 turns it off.
void SetFileWriteKill(uint64_t nth, bool tear);

}  // namespace tess::db
