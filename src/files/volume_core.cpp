// The block store of a virtual volume (format in volume_format.h).
//
// Invariants kept in memory after Open:
//  * blocks_ lists every block after the metadata block in file order; they
//    tile the file from 8 + metadata size to end_. A last block of 8192
//    bytes cut short by the end of the file is the trace of an append that
//    never finished: it is left out, and the next append writes over it.
//  * a file is the chain from its first block (sequence 0, the first one in
//    file order): each next position is the start of a block of the same
//    file whose sequence number is one more. A chain that breaks this is
//    damaged, its file refused, its blocks left as they are.
//  * reusable_ holds the free blocks of 256 to 16384 bytes; the lowest index
//    is the first fit.
//
// Order of writes, so that a process killed at any moment leaves every
// complete file readable: a new block's header is written before the
// previous block points to it; the idnum counter before the block that uses
// the idnum; a deleted file's first block is freed before the rest. What an
// interruption can leave behind is a block owned by nobody reachable, never
// a chain through freed or foreign blocks.
#include "files/volume_core.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "base/byte_order.h"
#include "db/stream.h"
#include "files/volume_format.h"
#include "files/volume_messages.h"

namespace tess::files {

using namespace volume;

VFSCore::VFSCore(db::ByteStream* stream, bool owns) : stream_(stream) {
  if (owns) owned_stream_.reset(stream);
}

VFSCore::~VFSCore() = default;

bool VFSCore::Fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  error_ = FormatMessageV(format, args);
  va_end(args);
  return false;
}

std::unique_ptr<VFSCore> VFSCore::Create(db::ByteStream* stream, bool owns) {
  std::unique_ptr<VFSCore> core(new VFSCore(stream, owns));
  if (!stream) {
    core->Fail(kWriteFailed);
    return core;
  }
  uint8_t h[44] = {};
  put_be32(h, kVolumeMagic);
  put_be32(h + 4, kFormatVersion);
  uint8_t* meta = h + kFirstBlock;
  put_be32(meta + kBhMagic, kBlockStart);
  put_be32(meta + kBhIdnum, kMetadataIdnum);
  put_be32(meta + kBhSequence, 0);
  PutDouble(meta + kBhSize, kMetadataSize, true);
  PutDouble(meta + kBhNext, 0, true);
  put_be32(meta + kBlockHeaderSize, kRootIdnum);
  // The metadata block's end mark follows its counter, at file offset 40.
  put_be32(h + 40, kBlockEnd);
  if (!stream->SetLength(0) || !stream->WriteAt(0, h, sizeof h)) {
    core->Fail(kWriteFailed);
    return core;
  }
  core->version_ = kFormatVersion;
  core->metadata_pos_ = kFirstBlock + kBlockHeaderSize;
  core->next_idnum_ = kRootIdnum;
  core->file_length_ = sizeof h;
  core->end_ = kFirstBlock + kMetadataSize;
  core->open_ = true;
  return core;
}

std::unique_ptr<VFSCore> VFSCore::Open(db::ByteStream* stream, bool owns) {
  std::unique_ptr<VFSCore> core(new VFSCore(stream, owns));
  VFSCore& c = *core;
  auto refuse = [&](const char* text) {
    if (text) c.Fail(text);
    c.owned_stream_.reset();
    c.stream_ = nullptr;
    return std::move(core);
  };
  if (!stream) return refuse(kBadMagic);
  c.file_length_ = stream->Length();
  uint8_t h[kBlockHeaderSize + 4];
  if (!stream->ReadAt(0, h, 4) || be32(h) != kVolumeMagic) return refuse(kBadMagic);
  if (!stream->ReadAt(4, h, 4) || be32(h) > kFormatVersion) return refuse(kTooAdvanced);
  c.version_ = be32(h);
  if (c.version_ == 0) return refuse(kUnknownVersion);
  c.big_doubles_ = c.version_ != 1;
  if (!stream->ReadAt(kFirstBlock, h, sizeof h)) return refuse(kBadMetadata);
  double size = GetDouble(h + kBhSize, c.big_doubles_);
  if (be32(h + kBhMagic) != kBlockStart || be32(h + kBhIdnum) != kMetadataIdnum ||
      !WholeBelow(size, kVolumeLimit - kFirstBlock) || size < kMetadataSize) {
    return refuse(kBadMetadata);
  }
  c.metadata_pos_ = kFirstBlock + kBlockHeaderSize;
  c.next_idnum_ = std::max(be32(h + kBlockHeaderSize), kRootIdnum);
  c.end_ = kFirstBlock + uint32_t(size);
  if (!c.LoadBlocks()) return refuse(nullptr);
  c.open_ = true;
  return core;
}

bool VFSCore::LoadBlocks() {
  uint64_t pos = end_;
  while (pos < file_length_ && file_length_ - pos >= kBlockHeaderSize) {
    uint8_t h[kBlockHeaderSize];
    if (!stream_->ReadAt(pos, h, sizeof h)) return Fail(kReadFailed);
    double size = GetDouble(h + kBhSize, big_doubles_);
    double next = GetDouble(h + kBhNext, big_doubles_);
    if (be32(h + kBhMagic) != kBlockStart) {
      return Fail(kDamagedBlock, unsigned(pos), "no block mark");
    }
    if (!WholeBelow(size, kVolumeLimit) || size < kBlockOverhead || pos + size > kVolumeLimit) {
      return Fail(kDamagedBlock, unsigned(pos), "size out of range");
    }
    // Cut short by the end of the file: an append that never finished, if
    // it has the size appends give. Any other size is damage, and the next
    // append would cut off what follows it.
    if (pos + size > file_length_) {
      if (size == kNewBlockSize) break;
      return Fail(kDamagedBlock, unsigned(pos), "it runs past the end of the file");
    }
    if (!WholeBelow(next, kVolumeLimit)) {
      return Fail(kDamagedBlock, unsigned(pos), "next position out of range");
    }
    blocks_.push_back(Block{uint32_t(pos), uint32_t(size), be32(h + kBhIdnum),
                            be32(h + kBhSequence), uint32_t(next)});
    pos += uint64_t(size);
  }
  end_ = uint32_t(pos);
  for (uint32_t i = 0; i < blocks_.size(); ++i) {
    const Block& b = blocks_[i];
    if (b.idnum == 0) {
      Reusable(i);
      continue;
    }
    files_[b.idnum].owned.push_back(i);
    // A counter behind the files it numbered would hand out their idnums
    // again; hand out fresh ones instead.
    if (b.idnum >= next_idnum_) next_idnum_ = b.idnum == UINT32_MAX ? UINT32_MAX : b.idnum + 1;
  }
  for (auto& [idnum, chain] : files_) BuildChain(idnum, chain);
  return true;
}

void VFSCore::BuildChain(uint32_t idnum, Chain& chain) {
  chain.blocks.clear();
  chain.capacity = 0;
  chain.sound = false;
  auto head = std::find_if(chain.owned.begin(), chain.owned.end(),
                           [&](uint32_t i) { return blocks_[i].seq == 0; });
  // No first block: what is left of a file whose deletion was interrupted.
  if (head == chain.owned.end()) return;
  chain.blocks.push_back(*head);
  if (idnum == kMetadataIdnum) {
    chain.why = "a data block claims the metadata's idnum";
    return;
  }
  for (size_t steps = 0;; ++steps) {
    const Block& b = blocks_[chain.blocks.back()];
    chain.capacity += b.payload();
    if (b.next == 0) break;
    auto at = std::lower_bound(blocks_.begin(), blocks_.end(), b.next,
                               [](const Block& x, uint32_t pos) { return x.pos < pos; });
    if (at == blocks_.end() || at->pos != b.next) {
      chain.why = "a next position is not the start of a block";
      return;
    }
    if (at->idnum != idnum) {
      chain.why =
          at->idnum ? "the chain runs into another file" : "the chain runs into a free block";
      return;
    }
    if (at->seq != b.seq + 1 || steps > blocks_.size()) {
      chain.why = "the sequence numbers are out of order";
      return;
    }
    chain.blocks.push_back(uint32_t(at - blocks_.begin()));
  }
  chain.sound = true;
}

void VFSCore::Reusable(uint32_t index) {
  uint32_t size = blocks_[index].size;
  if (size >= kSmallestReusable && size <= kLargestReusable) reusable_.insert(index);
}

bool VFSCore::WriteHeader(const Block& b) {
  uint8_t h[kBlockHeaderSize];
  put_be32(h + kBhMagic, kBlockStart);
  put_be32(h + kBhIdnum, b.idnum);
  put_be32(h + kBhSequence, b.seq);
  PutDouble(h + kBhSize, b.size, big_doubles_);
  PutDouble(h + kBhNext, b.next, big_doubles_);
  return stream_->WriteAt(b.pos, h, sizeof h) || Fail(kWriteFailed);
}

long VFSCore::Allocate(uint32_t idnum, uint32_t seq) {
  if (!reusable_.empty()) {
    uint32_t index = *reusable_.begin();
    Block b = blocks_[index];
    b.idnum = idnum;
    b.seq = seq;
    b.next = 0;
    if (!WriteHeader(b)) return -1;
    reusable_.erase(reusable_.begin());
    blocks_[index] = b;
    return long(index);
  }
  if (uint64_t(end_) + kNewBlockSize > kVolumeLimit) {
    Fail(kVolumeFull);
    return -1;
  }
  // Whatever lies past the last whole block is a torn append; drop it so
  // that the new block is the file's end.
  if (file_length_ > end_ && !stream_->SetLength(end_)) {
    Fail(kWriteFailed);
    return -1;
  }
  Block b{end_, kNewBlockSize, idnum, seq, 0};
  std::vector<uint8_t> image(kNewBlockSize, 0);
  put_be32(image.data() + kBhMagic, kBlockStart);
  put_be32(image.data() + kBhIdnum, idnum);
  put_be32(image.data() + kBhSequence, seq);
  PutDouble(image.data() + kBhSize, kNewBlockSize, big_doubles_);
  put_be32(image.data() + kNewBlockSize - kTrailerSize, kBlockEnd);
  if (!stream_->WriteAt(end_, image.data(), image.size())) {
    file_length_ = stream_->Length();
    Fail(kWriteFailed);
    return -1;
  }
  blocks_.push_back(b);
  end_ += kNewBlockSize;
  file_length_ = std::max<uint64_t>(file_length_, end_);
  return long(blocks_.size() - 1);
}

uint32_t VFSCore::CreateFile() {
  if (!open_) return Fail(kNotOpen), 0;
  if (next_idnum_ == UINT32_MAX) return Fail(kIdnumsUsedUp), 0;
  uint32_t idnum = next_idnum_;
  uint8_t counter[4];
  put_be32(counter, idnum + 1);
  if (!stream_->WriteAt(metadata_pos_, counter, 4)) return Fail(kWriteFailed), 0;
  next_idnum_ = idnum + 1;
  long index = Allocate(idnum, 0);
  if (index < 0) return 0;
  Chain& chain = files_[idnum];
  chain.owned = {uint32_t(index)};
  chain.blocks = {uint32_t(index)};
  chain.capacity = blocks_[size_t(index)].payload();
  chain.sound = true;
  return idnum;
}

bool VFSCore::Exists(uint32_t idnum) const {
  auto it = files_.find(idnum);
  return open_ && idnum > kMetadataIdnum && it != files_.end() && !it->second.blocks.empty();
}

bool VFSCore::InUse(uint32_t idnum) const {
  auto it = open_counts_.find(idnum);
  return it != open_counts_.end() && it->second > 0;
}

uint64_t VFSCore::Capacity(uint32_t idnum) const {
  auto it = files_.find(idnum);
  return Exists(idnum) && it->second.sound ? it->second.capacity : 0;
}

bool VFSCore::DeleteFile(uint32_t idnum) {
  if (!open_) return Fail(kNotOpen);
  if (!Exists(idnum)) return Fail(kNoSuchFile, unsigned(idnum));
  if (InUse(idnum)) return Fail(kFileInUse, unsigned(idnum));
  Chain& chain = files_[idnum];
  // The first block goes first: once it is free the file is gone, and an
  // interruption leaves only unreachable blocks.
  std::vector<uint32_t> order = chain.blocks;
  for (uint32_t i : chain.owned) {
    if (std::find(order.begin(), order.end(), i) == order.end()) order.push_back(i);
  }
  uint8_t zero[4] = {};
  for (uint32_t i : order) {
    if (!stream_->WriteAt(blocks_[i].pos + kBhIdnum, zero, 4)) {
      chain.owned.erase(std::remove_if(chain.owned.begin(), chain.owned.end(),
                                       [&](uint32_t j) { return blocks_[j].idnum == 0; }),
                        chain.owned.end());
      BuildChain(idnum, chain);
      return Fail(kWriteFailed);
    }
    blocks_[i].idnum = 0;
    Reusable(i);
  }
  files_.erase(idnum);
  return true;
}

int VFSCore::OpenFile(uint32_t idnum) {
  if (!open_) return Fail(kNotOpen), -1;
  if (!Exists(idnum)) return Fail(kNoSuchFile, unsigned(idnum)), -1;
  const Chain& chain = files_[idnum];
  if (!chain.sound) return Fail(kDamagedChain, unsigned(idnum), chain.why.c_str()), -1;
  if (handles_used_ >= kMaxHandles) return Fail(kTooManyHandles), -1;
  size_t slot = handles_.size();
  for (size_t i = handles_.size(); i-- > 0;) {
    if (!handles_[i].used) {
      slot = i;
      break;
    }
  }
  if (slot == handles_.size()) {
    if (handles_.size() == handles_.capacity()) handles_.reserve(handles_.size() + 16);
    handles_.emplace_back();
  }
  handles_[slot] = Handle{true, idnum, 0, 0, 0};
  ++handles_used_;
  ++open_counts_[idnum];
  return int(slot);
}

VFSCore::Handle* VFSCore::Live(int handle) {
  if (handle < 0 || size_t(handle) >= handles_.size() || !handles_[size_t(handle)].used) {
    Fail(kBadHandle);
    return nullptr;
  }
  return &handles_[size_t(handle)];
}

const VFSCore::Handle* VFSCore::Live(int handle) const {
  return const_cast<VFSCore*>(this)->Live(handle);
}

void VFSCore::Close(int handle) {
  Handle* h = Live(handle);
  if (!h) return;
  --open_counts_[h->idnum];
  *h = Handle{};
  --handles_used_;
}

uint64_t VFSCore::Position(int handle) const {
  const Handle* h = Live(handle);
  return h ? h->position : 0;
}

bool VFSCore::Seek(int handle, uint64_t position) {
  Handle* h = Live(handle);
  if (!h) return false;
  if (position == h->position) return true;
  const Chain& chain = files_[h->idnum];
  if (position > chain.capacity) return Fail(kSeekBeyondChain);
  if (position < h->position - h->offset) *h = Handle{true, h->idnum, 0, 0, 0};
  for (;;) {
    uint64_t start = h->position - h->offset;
    uint64_t end = start + blocks_[chain.blocks[h->link]].payload();
    if (position < end || (position == end && h->link + 1 == chain.blocks.size())) {
      h->offset = uint32_t(position - start);
      h->position = position;
      return true;
    }
    ++h->link;
    h->offset = 0;
    h->position = end;
  }
}

bool VFSCore::Read(int handle, size_t* length, void* buffer) {
  size_t wanted = *length;
  *length = 0;
  Handle* h = Live(handle);
  if (!h) return false;
  const Chain& chain = files_[h->idnum];
  auto* out = static_cast<uint8_t*>(buffer);
  while (*length < wanted) {
    const Block& b = blocks_[chain.blocks[h->link]];
    uint32_t room = b.payload() - h->offset;
    if (room == 0) {
      if (h->link + 1 == chain.blocks.size()) return Fail(kChainEnds);
      ++h->link;
      h->offset = 0;
      continue;
    }
    size_t n = std::min<size_t>(room, wanted - *length);
    if (!stream_->ReadAt(uint64_t(b.pos) + kPayloadOffset + h->offset, out + *length, n)) {
      return Fail(kReadFailed);
    }
    *length += n;
    h->offset += uint32_t(n);
    h->position += n;
  }
  return true;
}

bool VFSCore::Write(int handle, const void* buffer, size_t length) {
  Handle* h = Live(handle);
  if (!h) return false;
  uint32_t idnum = h->idnum;
  const auto* in = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    Chain& chain = files_[idnum];
    uint32_t current = chain.blocks[h->link];
    uint32_t room = blocks_[current].payload() - h->offset;
    if (room == 0) {
      if (h->link + 1 == chain.blocks.size()) {
        long added = Allocate(idnum, blocks_[current].seq + 1);
        if (added < 0) return false;
        // The new block exists before anything points to it.
        chain.owned.push_back(uint32_t(added));
        blocks_[current].next = blocks_[size_t(added)].pos;
        if (!WriteHeader(blocks_[current])) {
          blocks_[current].next = 0;
          return false;
        }
        chain.blocks.push_back(uint32_t(added));
        chain.capacity += blocks_[size_t(added)].payload();
      }
      ++h->link;
      h->offset = 0;
      continue;
    }
    size_t n = std::min<size_t>(room, length - done);
    if (!stream_->WriteAt(uint64_t(blocks_[current].pos) + kPayloadOffset + h->offset, in + done,
                          n)) {
      return Fail(kWriteFailed);
    }
    done += n;
    h->offset += uint32_t(n);
    h->position += n;
  }
  return true;
}

bool VFSCore::Flush() {
  return open_ && (stream_->Flush() || Fail(kWriteFailed));
}

VolumeReport VFSCore::Check(const std::vector<uint32_t>* reachable) const {
  VolumeReport report;
  for (const Block& b : blocks_) report.free_blocks += b.idnum == 0;
  std::vector<uint32_t> present;
  for (const auto& [idnum, chain] : files_) {
    if (chain.blocks.empty()) {
      report.leaked_blocks += uint32_t(chain.owned.size());
      continue;
    }
    present.push_back(idnum);
    if (!chain.sound) {
      report.damage.push_back(FormatMessage(kDamagedChain, unsigned(idnum), chain.why.c_str()));
      continue;
    }
    ++report.files;
    report.leaked_blocks += uint32_t(chain.owned.size() - chain.blocks.size());
  }
  if (reachable) {
    std::vector<uint32_t> known = *reachable;
    std::sort(known.begin(), known.end());
    std::sort(present.begin(), present.end());
    for (uint32_t idnum : present) {
      if (!std::binary_search(known.begin(), known.end(), idnum)) report.orphans.push_back(idnum);
    }
  }
  return report;
}

}  // namespace tess::files
