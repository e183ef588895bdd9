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
#include <string_view>

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
  // The host's errno of the last failed write or length change, 0 if none.
  virtual int HostError() const { return 0; }

  // Byte order of the helpers: false = big-endian (the database's order).
  bool swap_integers = false;
  bool swap_doubles_too = false;

  bool ReadExact(void* buffer, size_t count);
  bool ReadAt(uint64_t position, void* buffer, size_t count);
  bool WriteAt(uint64_t position, const void* buffer, size_t count);
  bool ReadU16(uint16_t* value);
  bool WriteU16(uint16_t value);
  bool ReadU32(uint32_t* value);
  bool WriteU32(uint32_t value);
  bool ReadU64(uint64_t* value);
  bool WriteU64(uint64_t value);
  // Doubles follow swap_integers only when swap_doubles_too is set, and are
  // big-endian otherwise.
  bool ReadDouble(double* value);
  bool WriteDouble(double value);

  // Compact integers of the runtime's data files. For v, m = |v| (the most
  // negative value written as the magnitude 0x80000000 with no sign); the
  // first byte holds m's low 6 bits, bit 6 the sign and bit 7 "more"; each
  // further byte the next 7 bits and bit 7 "more". So 0 is 00, -1 is 41 and
  // 100 is A4 01. Reading refuses (false) a sixth byte: no 32-bit value
  // needs one, so a damaged stream cannot run on.
  bool ReadCompact(int32_t* value);
  bool WriteCompact(int32_t value);
  // A compact length n, then n bytes; n <= 0 reads as the empty string. A
  // length beyond the stream's end is refused before anything is allocated.
  bool ReadCompactString(std::string* value);
  bool WriteCompactString(std::string_view value);
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

// Scrambling of the runtime's own data files, over another stream: each
// byte written is XORed with the low byte of the 32-bit state, and the
// state is then XORed with the plain byte; reading undoes it the same way,
// so the state runs over the plain bytes in both directions. The state
// follows the bytes in the order they pass: whoever moves the position
// sets the state that belongs there.
class ScrambledStream final : public ByteStream {
 public:
  ScrambledStream(std::unique_ptr<ByteStream> inner, uint32_t state)
      : inner_(std::move(inner)), state_(state) {}
  bool Read(void* buffer, size_t count, size_t* done) override;
  bool Write(const void* buffer, size_t count) override;
  void Close() override { inner_->Close(); }
  bool AtEnd() override { return inner_->AtEnd(); }
  bool SetPosition(uint64_t position) override { return inner_->SetPosition(position); }
  uint64_t Length() override { return inner_->Length(); }
  bool SetLength(uint64_t length) override { return inner_->SetLength(length); }
  uint64_t Position() override { return inner_->Position(); }
  bool Flush() override { return inner_->Flush(); }
  int HostError() const override { return inner_->HostError(); }

  uint32_t state() const { return state_; }
  void set_state(uint32_t state) { state_ = state; }

 private:
  std::unique_ptr<ByteStream> inner_;
  uint32_t state_;
};

class FileStream final : public ByteStream {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };
  // nullptr when the file cannot be opened.
  static std::unique_ptr<FileStream> Open(const std::string& path, Mode mode);
  // A temporary file, deleted when the stream is destroyed.
  static std::unique_ptr<FileStream> CreateTemp();
  // A stream over a file opened elsewhere (with sharing, say); writes are
  // refused when `readOnly`.
  static std::unique_ptr<FileStream> Adopt(std::unique_ptr<platform::File> file, bool readOnly);
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
  int HostError() const override { return host_error_; }
  bool read_only() const { return read_only_; }

 private:
  explicit FileStream(std::unique_ptr<platform::File> file);
  std::unique_ptr<platform::File> file_;
  std::string temp_path_;
  bool read_only_ = false;
  int host_error_ = 0;
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
