// The buffered stream and the registry of open streams.
#include "files/buffered_stream.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/kernel/file_system.h"
#include "platform/kernel/process.h"

namespace tess::files {

namespace {

// The open-file registry ("DataFileCleaner"): every open stream, flushed and
// closed when the process quits.
struct Registry {
  std::mutex lock;
  std::set<BufferedStream*> open;
  bool installed = false;
};

Registry& Open() {
  static Registry* registry = new Registry;  // outlives static destruction
  return *registry;
}

}  // namespace

BufferedStream::BufferedStream(std::unique_ptr<db::ByteStream> inner) : inner_(std::move(inner)) {
  swap_integers = inner_ ? inner_->swap_integers : false;
  position_ = inner_ ? inner_->Position() : 0;
  Registry& r = Open();
  std::lock_guard<std::mutex> guard(r.lock);
  r.open.insert(this);
  if (!r.installed) {
    r.installed = true;
    platform::AddExitRoutine(&CloseAllOpenStreams);
  }
}

BufferedStream::~BufferedStream() {
  Close();
}

void BufferedStream::FailFromInner() {
  int host = inner_->HostError();
  if (!error_) error_ = host ? platform::ErrorFromErrno(host) : platform::ERROR_ACCESS_DENIED;
}

bool BufferedStream::WriteBack() {
  if (!dirty_) return error_ == 0 || !inner_;
  dirty_ = false;
  size_t count = used_;
  used_ = 0;
  if (!inner_->SetPosition(start_) || !inner_->Write(buffer_.data(), count)) {
    FailFromInner();
    return false;
  }
  return true;
}

bool BufferedStream::Read(void* buffer, size_t count, size_t* done) {
  *done = 0;
  if (!inner_) return false;
  if (dirty_ && !WriteBack()) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (position_ >= start_ && position_ < start_ + used_) {
      size_t offset = size_t(position_ - start_);
      size_t n = std::min(count, used_ - offset);
      std::memcpy(out, buffer_.data() + offset, n);
      out += n;
      count -= n;
      *done += n;
      position_ += n;
      continue;
    }
    if (!inner_->SetPosition(position_)) return false;
    size_t got = 0;
    if (count >= kBufferSize) {
      // Large reads go straight through.
      if (!inner_->Read(out, count, &got)) return false;
      *done += got;
      position_ += got;
      return true;
    }
    buffer_.resize(kBufferSize);
    start_ = position_;
    used_ = 0;
    if (!inner_->Read(buffer_.data(), kBufferSize, &got)) return false;
    used_ = got;
    if (got == 0) break;
  }
  return true;
}

bool BufferedStream::Write(const void* buffer, size_t count) {
  if (!inner_ || error_) return false;
  if (!dirty_) used_ = 0;  // drop bytes read ahead
  if (dirty_ && position_ != start_ + used_ && !WriteBack()) return false;
  if (count >= kBufferSize) {
    if (!WriteBack() && error_) return false;
    if (!inner_->SetPosition(position_) || !inner_->Write(buffer, count)) {
      FailFromInner();
      return false;
    }
    position_ += count;
    return true;
  }
  if (buffer_.size() < kBufferSize) buffer_.resize(kBufferSize);
  auto* in = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    if (!dirty_) {
      start_ = position_;
      used_ = 0;
      dirty_ = true;
    }
    size_t n = std::min(count, kBufferSize - used_);
    std::memcpy(buffer_.data() + used_, in, n);
    used_ += n;
    in += n;
    count -= n;
    position_ += n;
    if (used_ == kBufferSize && !WriteBack()) return false;
  }
  return true;
}

void BufferedStream::Close() {
  {
    Registry& r = Open();
    std::lock_guard<std::mutex> guard(r.lock);
    r.open.erase(this);
  }
  if (!inner_) return;
  WriteBack();
  inner_->Close();
  inner_.reset();
  buffer_.clear();
  buffer_.shrink_to_fit();
  used_ = 0;
}

bool BufferedStream::AtEnd() {
  if (!inner_) return true;
  // Bytes read ahead and not yet taken answer without asking the host.
  if (!dirty_ && position_ >= start_ && position_ < start_ + used_) return false;
  return position_ >= Length();
}

bool BufferedStream::SetPosition(uint64_t position) {
  if (!inner_) return false;
  position_ = position;
  return true;
}

uint64_t BufferedStream::Length() {
  if (!inner_) return 0;
  uint64_t length = inner_->Length();
  return dirty_ ? std::max(length, start_ + used_) : length;
}

bool BufferedStream::SetLength(uint64_t length) {
  if (!inner_ || error_) return false;
  if (!WriteBack()) return false;
  used_ = 0;
  if (!inner_->SetLength(length)) {
    FailFromInner();
    return false;
  }
  position_ = length;
  return true;
}

bool BufferedStream::Flush() {
  return inner_ && WriteBack() && inner_->Flush();
}

void CloseAllOpenStreams() {
  Registry& r = Open();
  for (;;) {
    BufferedStream* stream;
    {
      std::lock_guard<std::mutex> guard(r.lock);
      if (r.open.empty()) return;
      stream = *r.open.begin();
    }
    stream->Close();
  }
}

}  // namespace tess::files
