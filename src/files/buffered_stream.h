// The byte stream under the language's file streams: one buffer over an
// internal stream (a host file, or a file inside a virtual volume), so small
// typed reads and writes do not each cost a host call.
//
// The buffer holds either bytes read ahead or bytes not yet written, never
// both. Written bytes reach the stream below when the buffer fills, before
// any read, seek or length change, on Flush and on Close, and, for every
// stream still open, when the process quits (the open-file registry, the
// "DataFileCleaner", flushes and closes them then). A failed write is kept
// as the stream's error: `error()` is the platform's last-error code of the
// first failure (ERROR_DISK_FULL, ...), and later writes are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "db/stream.h"

namespace tess::files {

class BufferedStream final : public db::ByteStream {
 public:
  static constexpr size_t kBufferSize = 64 * 1024;

  // `inner` is owned; the stream joins the open-file registry.
  explicit BufferedStream(std::unique_ptr<db::ByteStream> inner);
  ~BufferedStream() override;
  BufferedStream(const BufferedStream&) = delete;
  BufferedStream& operator=(const BufferedStream&) = delete;

  bool Read(void* buffer, size_t count, size_t* done) override;
  bool Write(const void* buffer, size_t count) override;
  void Close() override;
  bool AtEnd() override;
  bool SetPosition(uint64_t position) override;
  uint64_t Length() override;
  bool SetLength(uint64_t length) override;
  uint64_t Position() override { return position_; }
  bool Flush() override;

  bool open() const { return inner_ != nullptr; }
  uint32_t error() const { return error_; }

 private:
  bool WriteBack();
  void FailFromInner();

  std::unique_ptr<db::ByteStream> inner_;
  std::vector<uint8_t> buffer_;
  uint64_t start_ = 0;  // stream offset of buffer_[0]
  size_t used_ = 0;     // valid bytes in the buffer
  bool dirty_ = false;  // the buffer holds unwritten bytes
  uint64_t position_ = 0;
  uint32_t error_ = 0;
};

// Flushes and closes every open BufferedStream (at quit; also installed as
// an exit routine of the process).
void CloseAllOpenStreams();

}  // namespace tess::files
