// Page cache, transactions, statements, the free list and the side journal.
//
// States (Pager::State) and how they change:
//   kReading --first change: header gets sequence and flag 1, flushed--> kWriting
//   kWriting --Commit: journal, pages, header flag 0, journal deleted--> kReading
//   kWriting --Rollback: cached changes dropped, header flag 0--> kReading
//   any      --a write of Commit or Rollback fails--> kFailed (changes refused;
//              whatever the file holds, the next open recovers it)
// A journal that cannot be written fails the commit but leaves kWriting:
// nothing of the file was touched and the changes are still there.
// A statement (BeginStatement .. EndStatement) is a savepoint inside either
// of the first two: for every page it changes it keeps a copy of the page
// as it found it or, for an entry that fit its page, where the entry went;
// RollbackStatement undoes them from the last to the first.
//
// Free pages: Free links a page to the head of the list, Allocate takes the
// head before it appends. The catalog stores a changed head (in the
// directory entry "sys$free") before each commit writes anything.
//
// Invariants:
// 1. The file's pages change only inside Commit, and only after the journal
//    holding their committed images is durable. Until then every change
//    lives in the cache, so a rollback drops cached pages and reads them
//    again: exact, whatever the transaction did.
// 2. In kReading no cached page is dirty; a cached page differs from the
//    file at most by deleted entries purged in memory (reads never write).
// 3. A journal whose every checksum holds may have been followed by page
//    writes: open plays it back (pages, length, header). One that does not
//    hold was never followed by any: open deletes it.
// 4. A header flag of 1 with no journal means no page was written: open
//    clears it.
// 5. committed_* mirror the file's header as of the last commit.
//
// Commit writes, in order: the journal (header, then one record per dirty
// page that exists in the committed file), flush; the dirty pages in page
// order; the header's sequence, flag 0, record counter and directory root in
// one write, flush; the journal is deleted (the commit point); a shrunk file
// is cut last, as pages past the end are unused either way.
//
// Journal (the database's path + "-journal"), big-endian:
//   0 magic "TDBJ" | 4 version 1 | 8 sequence number of the transaction |
//   12 page count of the committed file | 16 record count | 20 checksum of
//   bytes 0..19 and 24..87 | 24 the committed 64-byte file header |
//   88 records: page number (u32), the page's committed 8192 bytes,
//   checksum (u32) of both salted with the sequence number.
#include "db/pager.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"

namespace tess::db {
namespace {

constexpr uint32_t kJournalMagic = 0x5444424A;  // "TDBJ"
constexpr uint32_t kJournalVersion = 1;
constexpr size_t kJnSequence = 8;
constexpr size_t kJnPageCount = 12;
constexpr size_t kJnRecords = 16;
constexpr size_t kJnChecksum = 20;
constexpr size_t kJnHeader = 24;
constexpr size_t kJournalHeaderSize = kJnHeader + kHeaderSize;
constexpr size_t kRecordSize = 4 + kPageSize + 4;

uint32_t Checksum(uint32_t seed, const uint8_t* p, size_t n) {
  uint32_t h = seed ^ 0x811C9DC5u;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) h = (h ^ be32(p + i)) * 0x01000193u;
  for (; i < n; ++i) h = (h ^ p[i]) * 0x01000193u;
  return h;
}

uint32_t JournalHeaderChecksum(const uint8_t* h) {
  return Checksum(Checksum(0, h, kJnChecksum), h + kJnHeader, kHeaderSize);
}

}  // namespace

std::string CheckPageImage(const uint8_t* d, uint32_t page) {
  uint32_t type = be32(d + kPgType);
  if (type != kDirectoryPage && type != kDataPage && type != kIndexPage) return "bad page type";
  if (be32(d + kPgNumber) != page) return "page number does not match its place";
  size_t used = be16(d + kPgUsed);
  if (used > kEntryArea) return "used count beyond the entry area";
  const uint8_t* area = d + kPageHeaderSize;
  for (size_t off = 0; off < used;) {
    if (used - off < kEntryHeaderSize) return "entry header cut short";
    size_t len = be16(area + off + kEnLength);
    if (len < kEntryHeaderSize || len > used - off) return "entry length out of range";
    uint8_t state = area[off + kEnState];
    if (state != kLive && state != kDeleted) return "bad entry state";
    if (type == kIndexPage && len < kLinkKey) return "link entry too short";
    off += len;
  }
  return {};
}

bool Pager::WriteHeaderFields(uint32_t flag) {
  uint8_t b[16];
  put_be32(b, sequence_);
  put_be32(b + 4, flag);
  put_be32(b + 8, next_record_);
  put_be32(b + 12, directory_root_);
  return stream_->WriteAt(kHdrSequence, b, sizeof b);
}

void Pager::Fail() {
  state_ = State::kFailed;
  journal_->Close();
}

bool Pager::Format() {
  uint8_t h[kHeaderSize] = {};
  put_be32(h + kHdrMagic, kMagic);
  put_be32(h + kHdrVersion, kVersion);
  if (!stream_->SetLength(kHeaderSize) || !stream_->WriteAt(0, h, sizeof h)) return false;
  journal_->Remove();
  std::memcpy(committed_header_, h, sizeof h);
  sequence_ = 1;
  next_record_ = 1;
  page_count_ = committed_page_count_ = 0;
  return true;
}

bool Pager::Recover(std::string* why) {
  ByteStream* j = journal_->OpenExisting();
  if (!j) return true;
  uint8_t h[kJournalHeaderSize];
  bool sound = j->ReadAt(0, h, sizeof h) && be32(h) == kJournalMagic &&
               be32(h + 4) == kJournalVersion && be32(h + kJnChecksum) == JournalHeaderChecksum(h);
  uint8_t file_header[kHeaderSize];
  if (sound && (!stream_->ReadAt(0, file_header, kHeaderSize) ||
                be32(file_header + kHdrSequence) != be32(h + kJnSequence))) {
    sound = false;  // another file's journal, or one whose transaction never began here
  }
  uint32_t seq = sound ? be32(h + kJnSequence) : 0;
  uint32_t records = sound ? be32(h + kJnRecords) : 0;
  std::vector<uint8_t> rec(kRecordSize);
  // Every record must hold before any is played back (invariant 3).
  for (uint32_t i = 0; sound && i < records; ++i) {
    sound = j->ReadAt(kJournalHeaderSize + uint64_t(i) * kRecordSize, rec.data(), kRecordSize) &&
            be32(rec.data() + 4 + kPageSize) == Checksum(seq, rec.data(), 4 + kPageSize);
  }
  if (sound) {
    for (uint32_t i = 0; i < records; ++i) {
      if (!j->ReadAt(kJournalHeaderSize + uint64_t(i) * kRecordSize, rec.data(), kRecordSize) ||
          !stream_->WriteAt(PageOffset(be32(rec.data())), rec.data() + 4, kPageSize)) {
        *why = "the file holds an interrupted transaction and cannot be written to undo it";
        journal_->Close();
        return false;
      }
    }
    if (!stream_->SetLength(PageOffset(be32(h + kJnPageCount))) ||
        !stream_->WriteAt(0, h + kJnHeader, kHeaderSize) || !stream_->Flush()) {
      *why = "the file holds an interrupted transaction and cannot be written to undo it";
      journal_->Close();
      return false;
    }
  }
  if (!journal_->Remove()) {
    *why = "the journal of an interrupted transaction cannot be deleted";
    return false;
  }
  recovered_ = true;
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
  if (!Recover(why) || !stream_->ReadAt(0, h, sizeof h)) return false;
  sequence_ = be32(h + kHdrSequence) + 1;
  next_record_ = be32(h + kHdrNextRecord);
  directory_root_ = be32(h + kHdrDirectoryRoot);
  if (be32(h + kHdrInProgress) != 0) {
    // Invariant 4: nothing was written. On a read-only file the flag stays
    // and the committed state is read as it is.
    put_be32(h + kHdrInProgress, 0);
    if (stream_->WriteAt(kHdrInProgress, h + kHdrInProgress, 4)) stream_->Flush();
    recovered_ = true;
  }
  std::memcpy(committed_header_, h, sizeof h);
  uint64_t length = stream_->Length();
  uint64_t pages = length < kHeaderSize ? 0 : (length - kHeaderSize) / kPageSize;
  if (pages > 0xFFFFFFF0u) pages = 0xFFFFFFF0u;
  page_count_ = committed_page_count_ = uint32_t(pages);
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

Pager::Page* Pager::Place(std::unique_ptr<Page> fresh) {
  auto& chain = chains_[fresh->number % 32];
  if (chain.size() <= fresh->number / 32) chain.resize(fresh->number / 32 + 1);
  Page* p = fresh.get();
  chain[fresh->number / 32] = std::move(fresh);
  return p;
}

void Pager::Drop(uint32_t page) {
  auto& chain = chains_[page % 32];
  if (page / 32 < chain.size()) chain[page / 32].reset();
}

void Pager::Purge(Page* p) {
  uint8_t* area = p->data + kPageHeaderSize;
  size_t used = be16(p->data + kPgUsed);
  uint32_t tag = transaction_tag();
  size_t out = 0;
  for (size_t off = 0; off < used;) {
    size_t len = be16(area + off + kEnLength);
    // A deleted entry of any other transaction is final: its delete was
    // committed, or it is an insert that was rolled back (number 0).
    if (area[off + kEnState] != kDeleted || EntryTransaction(area + off) == tag) {
      if (out != off) std::memmove(area + out, area + off, len);
      out += len;
    }
    off += len;
  }
  if (out == used) return;
  std::memset(area + out, 0, used - out);
  put_be16(p->data + kPgUsed, uint16_t(out));
  // The purge stays in memory until the page is next changed (invariant 2).
}

bool Pager::ReadPage(Page* p) {
  p->offsets_valid = false;
  p->dirty = false;
  if (!stream_->ReadAt(PageOffset(p->number), p->data, kPageSize) ||
      !CheckPageImage(p->data, p->number).empty()) {
    damaged_page_ = p->number;
    return false;
  }
  if (be32(p->data + kPgType) == kDataPage) Purge(p);
  return true;
}

Pager::Page* Pager::Load(uint32_t page) {
  auto fresh = std::make_unique<Page>();
  fresh->number = page;
  if (!ReadPage(fresh.get())) return nullptr;
  return Place(std::move(fresh));
}

uint8_t* Pager::Get(uint32_t page) {
  if (page >= page_count_) return nullptr;
  Page* p = Find(page);
  if (!p) p = Load(page);
  return p ? p->data : nullptr;
}

bool Pager::Begin() {
  if (state_ == State::kWriting) return true;
  if (state_ == State::kFailed) return false;
  if (!WriteHeaderFields(1) || !stream_->Flush()) return false;
  state_ = State::kWriting;
  chain_head_ = kNoPage;
  return true;
}

void Pager::SaveForStatement(Page* p) {
  if (!statement_.active || p->saved_in == statement_.number ||
      p->number >= statement_.page_count) {
    return;  // pages appended in the statement are simply dropped
  }
  size_t index = statement_.copies++;
  if (index == statement_buffers_.size()) {
    statement_buffers_.push_back(std::make_unique<uint8_t[]>(kPageSize));
  }
  std::memcpy(statement_buffers_[index].get(), p->data, kPageSize);
  statement_.saved.push_back({p, p->dirty, index});
  p->saved_in = statement_.number;
}

bool Pager::MarkModified(Page* p, bool save) {
  if (!Begin()) return false;
  if (save) SaveForStatement(p);
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
    for (size_t off = 0; off < used; off += be16(area + off + kEnLength)) {
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

uint8_t* Pager::GetForInsert(uint32_t page, size_t offset, size_t length) {
  if (!Get(page)) return nullptr;
  Page* p = Find(page);
  if (state_ != State::kWriting && !Begin()) return nullptr;
  if (p->offsets_valid) {
    // The entries from `offset` on move up; the new one (live) takes its
    // place. Cheaper than walking the page again at the next descent.
    auto at = std::lower_bound(p->offsets.begin(), p->offsets.end(), uint16_t(offset));
    for (auto i = at; i != p->offsets.end(); ++i) *i = uint16_t(*i + length);
    p->offsets.insert(at, uint16_t(offset));
  }
  if (statement_.active && p->saved_in != statement_.number && page < statement_.page_count) {
    SavedPage s{p, p->dirty, kInserted};
    s.offset = uint16_t(offset);
    s.length = uint16_t(length);
    s.used = be16(p->data + kPgUsed);
    std::memcpy(s.fields, p->data + kPgSequence, sizeof s.fields);
    statement_.saved.push_back(s);
  }
  return MarkModified(p, false) ? p->data : nullptr;
}

uint32_t Pager::Allocate(uint32_t type) {
  uint32_t number = kNoPage;
  uint8_t* d = nullptr;
  if (free_head_ < page_count_) {
    d = GetForWrite(free_head_);
    // A free page is an empty data page; anything else means the list is
    // damaged, and it is not used again.
    if (d && be32(d + kPgType) == kDataPage && be16(d + kPgUsed) == 0) {
      number = free_head_;
      free_head_ = be32(d + kFreeNext);
    } else {
      free_head_ = kNoPage;
      d = nullptr;
    }
    free_dirty_ = true;
  }
  if (!d) {
    if (page_count_ >= 0xFFFFFFF0u || !Begin()) return kNoPage;
    number = page_count_++;
    auto fresh = std::make_unique<Page>();
    std::memset(fresh->data, 0, kPageSize);
    fresh->number = number;
    Page* p = Place(std::move(fresh));
    if (!MarkModified(p)) return kNoPage;
    d = p->data;
  }
  std::memset(d + kPageHeaderSize, 0, kEntryArea);
  put_be32(d + kPgType, type);
  put_be32(d + kPgNumber, number);
  put_be16(d + kPgUsed, 0);
  return number;
}

bool Pager::Free(uint32_t page) {
  uint8_t* d = GetForWrite(page);
  if (!d) return false;
  std::memset(d + kPageHeaderSize, 0, kEntryArea);
  put_be32(d + kPgType, kDataPage);
  put_be16(d + kPgUsed, 0);
  put_be32(d + kFreeNext, free_head_);
  free_head_ = page;
  free_dirty_ = true;
  return true;
}

void Pager::set_free_head(uint32_t page) {
  free_head_ = committed_free_head_ = page;
  free_dirty_ = false;
}

void Pager::BeginStatement() {
  if (statement_.active) return;
  statement_.active = true;
  ++statement_.number;
  statement_.page_count = page_count_;
  statement_.next_record = next_record_;
  statement_.chain_head = chain_head_;
  statement_.free_head = free_head_;
  statement_.free_dirty = free_dirty_;
  statement_.saved.clear();
  statement_.copies = 0;
}

void Pager::EndStatement() {
  statement_.active = false;
  statement_.saved.clear();
}

void Pager::RollbackStatement() {
  if (!statement_.active) return;
  for (auto s = statement_.saved.rbegin(); s != statement_.saved.rend(); ++s) {
    uint8_t* d = s->page->data;
    if (s->buffer != kInserted) {
      std::memcpy(d, statement_buffers_[s->buffer].get(), kPageSize);
    } else {
      uint8_t* area = d + kPageHeaderSize;
      std::memmove(area + s->offset, area + s->offset + s->length, s->used - s->offset);
      std::memset(area + s->used, 0, s->length);
      put_be16(d + kPgUsed, s->used);
      std::memcpy(d + kPgSequence, s->fields, sizeof s->fields);
    }
    s->page->dirty = s->dirty;
    s->page->offsets_valid = false;
  }
  for (uint32_t n = statement_.page_count; n < page_count_; ++n) Drop(n);
  page_count_ = statement_.page_count;
  next_record_ = statement_.next_record;
  chain_head_ = statement_.chain_head;
  free_head_ = statement_.free_head;
  free_dirty_ = statement_.free_dirty;
  EndStatement();
}

bool Pager::WriteJournal(const std::vector<Page*>& dirty) {
  ByteStream* j = journal_->Create();
  if (!j) return false;
  uint8_t h[kJournalHeaderSize] = {};
  uint32_t records = 0;
  for (Page* p : dirty) records += p->number < committed_page_count_;
  put_be32(h, kJournalMagic);
  put_be32(h + 4, kJournalVersion);
  put_be32(h + kJnSequence, sequence_);
  put_be32(h + kJnPageCount, committed_page_count_);
  put_be32(h + kJnRecords, records);
  std::memcpy(h + kJnHeader, committed_header_, kHeaderSize);
  put_be32(h + kJnChecksum, JournalHeaderChecksum(h));
  if (!j->WriteAt(0, h, sizeof h)) return false;
  std::vector<uint8_t> rec(kRecordSize);
  for (Page* p : dirty) {
    if (p->number >= committed_page_count_) continue;
    put_be32(rec.data(), p->number);
    if (!stream_->ReadAt(PageOffset(p->number), rec.data() + 4, kPageSize)) return false;
    put_be32(rec.data() + 4 + kPageSize, Checksum(sequence_, rec.data(), 4 + kPageSize));
    if (!j->Write(rec.data(), rec.size())) return false;
  }
  return j->Flush();
}

bool Pager::Commit() {
  if (state_ == State::kFailed) return false;
  if (state_ == State::kReading) return true;
  // Storing the list head may change pages, and so the head; it settles
  // once the directory entry exists.
  for (int round = 0; free_dirty_ && free_head_writer_ && round < 4; ++round) {
    free_dirty_ = false;
    if (!free_head_writer_(free_head_)) return false;
  }
  std::vector<Page*> dirty;
  for (auto& chain : chains_) {
    for (auto& p : chain) {
      if (p && p->dirty) dirty.push_back(p.get());
    }
  }
  std::sort(dirty.begin(), dirty.end(), [](Page* a, Page* b) { return a->number < b->number; });
  bool shrink = page_count_ < committed_page_count_;
  if (!dirty.empty() || shrink) {
    if (!WriteJournal(dirty)) {
      // Nothing of the file was touched; the transaction stays open.
      journal_->Remove();
      return false;
    }
    for (Page* p : dirty) {
      if (!stream_->WriteAt(PageOffset(p->number), p->data, kPageSize)) {
        Fail();
        return false;
      }
    }
  }
  if (!WriteHeaderFields(0) || !stream_->Flush()) {
    Fail();
    return false;
  }
  if ((!dirty.empty() || shrink) && !journal_->Remove()) {
    Fail();
    return false;
  }
  if (shrink) stream_->SetLength(PageOffset(page_count_));
  for (Page* p : dirty) p->dirty = false;
  put_be32(committed_header_ + kHdrSequence, sequence_);
  put_be32(committed_header_ + kHdrInProgress, 0);
  put_be32(committed_header_ + kHdrNextRecord, next_record_);
  put_be32(committed_header_ + kHdrDirectoryRoot, directory_root_);
  committed_page_count_ = page_count_;
  committed_free_head_ = free_head_;
  ++sequence_;
  chain_head_ = kNoPage;
  state_ = State::kReading;
  return true;
}

bool Pager::Rollback() {
  if (state_ != State::kWriting) return state_ == State::kReading;
  EndStatement();
  // Invariant 1: the file still holds the committed pages.
  for (auto& chain : chains_) {
    for (auto& p : chain) {
      if (!p || !p->dirty) continue;
      if (p->number >= committed_page_count_ || !ReadPage(p.get())) p.reset();
    }
  }
  page_count_ = committed_page_count_;
  next_record_ = be32(committed_header_ + kHdrNextRecord);
  directory_root_ = be32(committed_header_ + kHdrDirectoryRoot);
  free_head_ = committed_free_head_;
  free_dirty_ = false;
  chain_head_ = kNoPage;
  if (!WriteHeaderFields(0) || !stream_->Flush()) {
    Fail();
    return false;
  }
  put_be32(committed_header_ + kHdrSequence, sequence_);
  ++sequence_;
  state_ = State::kReading;
  return true;
}

bool Pager::ReplaceAll(const std::string& image) {
  if (state_ != State::kReading || image.size() < kHeaderSize + kPageSize ||
      (image.size() - kHeaderSize) % kPageSize) {
    return false;
  }
  if (!Begin()) return false;
  auto* bytes = reinterpret_cast<const uint8_t*>(image.data());
  uint32_t count = uint32_t((image.size() - kHeaderSize) / kPageSize);
  for (uint32_t n = count; n < page_count_; ++n) Drop(n);
  for (uint32_t n = 0; n < count; ++n) {
    Page* p = Find(n);
    if (!p) {
      auto fresh = std::make_unique<Page>();
      fresh->number = n;
      p = Place(std::move(fresh));
    }
    std::memcpy(p->data, bytes + PageOffset(n), kPageSize);
    p->offsets_valid = false;
    MarkModified(p);
  }
  page_count_ = count;
  next_record_ = be32(bytes + kHdrNextRecord);
  directory_root_ = be32(bytes + kHdrDirectoryRoot);
  free_head_ = kNoPage;
  free_dirty_ = false;
  return Commit();
}

bool Pager::Close() {
  bool ok = state_ != State::kFailed && Commit();
  journal_->Close();
  return ok;
}

}  // namespace tess::db
