// The page cache and transactions of one database file.
//
// Pages are cached for the life of the open database in 32 hash chains
// (chain = page number mod 32) and never evicted; a cached page is written
// back only at commit, rollback and close. The first modification of a
// transaction writes the header's sequence number, sets its in-progress flag
// and flushes, so an interrupted transaction leaves a file that open refuses.
// Each page modified in a transaction carries that transaction's sequence
// number and links to the previously modified page (the modified chain);
// rollback walks that chain.
//
// A page that fails its structural checks on load is never handed out: Get
// returns nullptr and `damaged_page()` names it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/format.h"
#include "db/stream.h"

namespace tess::db {

class Pager {
 public:
  explicit Pager(ByteStream* stream) : stream_(stream) {}
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // Writes the header of a new file into an empty stream.
  bool Format();
  // Reads and checks the header; false with `why` set when the file is refused.
  bool Load(std::string* why);

  // The page's bytes, or nullptr when it is out of range, unreadable or
  // damaged. Valid for the life of the pager.
  uint8_t* Get(uint32_t page);
  // As Get, and marks the page modified in the current transaction.
  uint8_t* GetForWrite(uint32_t page);
  // Offsets of a loaded page's entries in its entry area (live links only
  // on index pages), kept until the page is next fetched for writing.
  const std::vector<uint16_t>& EntryOffsets(uint32_t page);
  // Appends a new, empty page of `type`, modified in the current transaction.
  uint32_t Allocate(uint32_t type);

  uint32_t NewRecordId() { return next_record_++; }
  uint32_t PeekRecordId() const { return next_record_; }
  bool Commit();
  bool Rollback();
  // Commits and writes the header's record counter; the stream stays open.
  bool Close();

  uint32_t sequence() const { return sequence_; }
  uint32_t transaction_tag() const { return sequence_ & 0xFFFFFF; }
  bool in_transaction() const { return in_transaction_; }
  uint32_t page_count() const { return page_count_; }
  uint32_t directory_root() const { return directory_root_; }
  void set_directory_root(uint32_t page);
  uint32_t damaged_page() const { return damaged_page_; }
  bool failed() const { return failed_; }

 private:
  struct Page {
    uint8_t data[kPageSize];
    uint32_t number = 0;
    bool dirty = false;
    bool offsets_valid = false;
    std::vector<uint16_t> offsets;
  };
  Page* Find(uint32_t page);
  Page* Load(uint32_t page);
  bool Begin();
  bool MarkModified(Page* page);
  void Purge(Page* page);
  bool WriteDirty();
  bool WriteHeaderWord(size_t offset, uint32_t value);

  ByteStream* stream_;
  // chains_[n % 32][n / 32]: the chain of pages with the same remainder,
  // indexed directly so that a lookup does not walk it.
  std::vector<std::unique_ptr<Page>> chains_[32];
  uint32_t page_count_ = 0;
  uint32_t chain_head_ = kNoPage;
  bool in_transaction_ = false;
  bool began_ = false;  // a transaction was begun in this session
  uint32_t sequence_ = 1;
  uint32_t next_record_ = 1;
  uint32_t directory_root_ = 0;
  uint32_t damaged_page_ = kNoPage;
  bool failed_ = false;
};

// Structural check of one page image: type, number, used count and entry
// lengths. Empty string when sound, else what is wrong.
std::string CheckPageImage(const uint8_t* data, uint32_t page);

}  // namespace tess::db
