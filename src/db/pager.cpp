// Page cache, purge on load, and the begin / commit / rollback protocol.
#include "db/pager.h"

#include <cstring>

#include "base/byte_order.h"

namespace tess::db {

std::string CheckPageImage(const uint8_t* d, uint32_t page) {
  uint32_t type = be32(d + kPgType);
  if (type != kDirectoryPage && type != kDataPage && type != kIndexPage) return "bad page type";
  if (be32(d + kPgNumber) != page) return "page number does not match its place";
  size_t used = be16(d + kPgUsed);
  if (used > kEntryArea) return "used count beyond the entry area";
  const uint8_t* area = d + kPageHeaderSize;
  for (size_t off = 0; off < used;) {
    if (used - off < kEntryHeaderSize) return "entry header cut short";
    size_t len = be16(area + off);
    if (len < kEntryHeaderSize || len > used - off) return "entry length out of range";
    uint8_t state = area[off + kEnState];
    if (state != kLive && state != kDeleted) return "bad entry state";
    if (type == kIndexPage && len < kEntryHeaderSize + 4) return "link entry too short";
    off += len;
  }
  return {};
}

bool Pager::WriteHeaderWord(size_t offset, uint32_t value) {
  uint8_t b[4];
  put_be32(b, value);
  return stream_->WriteAt(offset, b, 4);
}

bool Pager::Format() {
  uint8_t h[kHeaderSize] = {};
  put_be32(h + kHdrMagic, kMagic);
  put_be32(h + kHdrVersion, kVersion);
  if (!stream_->SetLength(kHeaderSize) || !stream_->WriteAt(0, h, sizeof h)) return false;
  sequence_ = 1;
  next_record_ = 1;
  page_count_ = 0;
  return true;
}

bool Pager::Load(std::string* why) {
  uint8_t h[kHeaderSize];
  if (!stream_->ReadAt(0, h, sizeof h)) {
    *why = "the file is too short to be a database";
    return false;
  }
  if (be32(h + kHdrMagic) != kMagic || be32(h + kHdrVersion) != kVersion) {
    *why = "the file is not a database of this version";
    return false;
  }
  if (be32(h + kHdrInProgress) != 0) {
    *why = "the file holds an interrupted transaction";
    return false;
  }
  sequence_ = be32(h + kHdrSequence) + 1;
  next_record_ = be32(h + kHdrNextRecord);
  directory_root_ = be32(h + kHdrDirectoryRoot);
  uint64_t length = stream_->Length();
  uint64_t pages = length < kHeaderSize ? 0 : (length - kHeaderSize) / kPageSize;
  if (pages > 0xFFFFFFF0u) pages = 0xFFFFFFF0u;
  page_count_ = uint32_t(pages);
  if (directory_root_ >= page_count_) {
    *why = "the storage directory is missing";
    return false;
  }
  return true;
}

Pager::Page* Pager::Find(uint32_t page) {
  auto& chain = chains_[page % 32];
  size_t slot = page / 32;
  return slot < chain.size() ? chain[slot].get() : nullptr;
}

void Pager::Purge(Page* p) {
  uint8_t* area = p->data + kPageHeaderSize;
  size_t used = be16(p->data + kPgUsed);
  uint32_t tag = transaction_tag();
  size_t out = 0;
  bool removed = false;
  for (size_t off = 0; off < used;) {
    size_t len = be16(area + off);
    uint32_t txn = (uint32_t(area[off + 3]) << 16) | (uint32_t(area[off + 4]) << 8) | area[off + 5];
    // A deleted entry of any other transaction is final: its delete was
    // committed, or it is an insert that was rolled back (number 0).
    if (area[off + kEnState] == kDeleted && txn != tag) {
      removed = true;
    } else {
      if (out != off) std::memmove(area + out, area + off, len);
      out += len;
    }
    off += len;
  }
  if (!removed) return;
  std::memset(area + out, 0, used - out);
  put_be16(p->data + kPgUsed, uint16_t(out));
  // On a read-only file the purge stays in memory.
  MarkModified(p);
}

Pager::Page* Pager::Load(uint32_t page) {
  auto fresh = std::make_unique<Page>();
  fresh->number = page;
  if (!stream_->ReadAt(PageOffset(page), fresh->data, kPageSize) ||
      !CheckPageImage(fresh->data, page).empty()) {
    damaged_page_ = page;
    return nullptr;
  }
  auto& chain = chains_[page % 32];
  if (chain.size() <= page / 32) chain.resize(page / 32 + 1);
  Page* p = fresh.get();
  chain[page / 32] = std::move(fresh);
  if (be32(p->data + kPgType) == kDataPage) Purge(p);
  return p;
}

uint8_t* Pager::Get(uint32_t page) {
  if (page >= page_count_) return nullptr;
  Page* p = Find(page);
  if (!p) p = Load(page);
  return p ? p->data : nullptr;
}

bool Pager::Begin() {
  if (in_transaction_) return true;
  if (!WriteHeaderWord(kHdrSequence, sequence_) || !WriteHeaderWord(kHdrInProgress, 1) ||
      !WriteHeaderWord(kHdrNextRecord, next_record_) || !stream_->Flush()) {
    return false;
  }
  in_transaction_ = true;
  began_ = true;
  chain_head_ = kNoPage;
  return true;
}

bool Pager::MarkModified(Page* p) {
  if (!Begin()) return false;
  p->dirty = true;
  if (be32(p->data + kPgSequence) == sequence_) return true;
  put_be32(p->data + kPgSequence, sequence_);
  put_be32(p->data + kPgNextModified, chain_head_);
  chain_head_ = p->number;
  return true;
}

const std::vector<uint16_t>& Pager::EntryOffsets(uint32_t page) {
  static const std::vector<uint16_t> kNone;
  Page* p = Find(page);
  if (!p) return kNone;
  if (!p->offsets_valid) {
    p->offsets.clear();
    const uint8_t* area = p->data + kPageHeaderSize;
    size_t used = be16(p->data + kPgUsed);
    bool index = be32(p->data + kPgType) == kIndexPage;
    for (size_t off = 0; off < used; off += be16(area + off)) {
      if (!index || area[off + kEnState] == kLive) p->offsets.push_back(uint16_t(off));
    }
    p->offsets_valid = true;
  }
  return p->offsets;
}

uint8_t* Pager::GetForWrite(uint32_t page) {
  if (!Get(page)) return nullptr;
  Page* p = Find(page);
  p->offsets_valid = false;
  return MarkModified(p) ? p->data : nullptr;
}

uint32_t Pager::Allocate(uint32_t type) {
  if (page_count_ >= 0xFFFFFFF0u || !Begin()) return kNoPage;
  uint32_t number = page_count_++;
  auto fresh = std::make_unique<Page>();
  std::memset(fresh->data, 0, kPageSize);
  fresh->number = number;
  put_be32(fresh->data + kPgType, type);
  put_be32(fresh->data + kPgNumber, number);
  auto& chain = chains_[number % 32];
  if (chain.size() <= number / 32) chain.resize(number / 32 + 1);
  Page* p = fresh.get();
  chain[number / 32] = std::move(fresh);
  MarkModified(p);
  return number;
}

void Pager::set_directory_root(uint32_t page) {
  directory_root_ = page;
  WriteHeaderWord(kHdrDirectoryRoot, page);
}

bool Pager::WriteDirty() {
  bool ok = true;
  for (auto& chain : chains_) {
    for (auto& p : chain) {
      if (!p || !p->dirty) continue;
      if (stream_->WriteAt(PageOffset(p->number), p->data, kPageSize)) {
        p->dirty = false;
      } else {
        ok = false;
      }
    }
  }
  return ok;
}

bool Pager::Commit() {
  if (!in_transaction_) return WriteDirty();
  if (!WriteDirty() || !stream_->Flush() || !WriteHeaderWord(kHdrInProgress, 0) ||
      !WriteHeaderWord(kHdrNextRecord, next_record_) || !stream_->Flush()) {
    failed_ = true;
    return false;
  }
  ++sequence_;
  chain_head_ = kNoPage;
  in_transaction_ = false;
  return true;
}

bool Pager::Rollback() {
  if (!in_transaction_) return true;
  uint32_t tag = transaction_tag();
  uint32_t page = chain_head_;
  for (uint32_t steps = 0; page != kNoPage && steps < page_count_; ++steps) {
    Page* p = Find(page);
    if (!p) break;
    // Links are structure, not data: a split in this transaction may have
    // moved committed entries under a new link, so links keep their state.
    if (be32(p->data + kPgType) != kIndexPage) {
      uint8_t* area = p->data + kPageHeaderSize;
      size_t used = be16(p->data + kPgUsed);
      for (size_t off = 0; off < used; off += be16(area + off)) {
        uint8_t* e = area + off;
        uint32_t txn = (uint32_t(e[3]) << 16) | (uint32_t(e[4]) << 8) | e[5];
        if (txn != tag) continue;
        e[kEnState] = e[kEnState] == kDeleted ? kLive : kDeleted;
        e[3] = e[4] = e[5] = 0;
      }
    }
    page = be32(p->data + kPgNextModified);
  }
  if (!WriteDirty() || !WriteHeaderWord(kHdrInProgress, 0) || !stream_->Flush()) {
    failed_ = true;
    return false;
  }
  ++sequence_;
  chain_head_ = kNoPage;
  in_transaction_ = false;
  return true;
}

bool Pager::Close() {
  // A session that never wrote (a read-only file, say) leaves the file as
  // it found it.
  if (!began_) return true;
  bool ok = Commit();
  return WriteHeaderWord(kHdrNextRecord, next_record_) && stream_->Flush() && ok;
}

}  // namespace tess::db
