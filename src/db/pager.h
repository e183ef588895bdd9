// The page cache, transactions, statements and the free list of one database
// file. pager.cpp states the states, the invariants and the write order.
//
// A page that fails its structural checks on load is never handed out: Get
// returns nullptr and `damaged_page()` names it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/format.h"
#include "db/stream.h"

namespace tess::db {

class Pager {
 public:
  enum class State {
    kReading,  // no transaction: the cache holds committed pages only
    kWriting,  // a transaction is open: header flag set, changes in memory
    kFailed,   // a write to the file failed; changes are refused
  };

  Pager(ByteStream* stream, JournalStore* journal) : stream_(stream), journal_(journal) {}
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // Writes the header of a new file into an empty stream.
  bool Format();
  // Recovers an interrupted transaction if there is one, then reads and
  // checks the header; false with `why` set when the file is refused.
  bool Load(std::string* why);

  // The page's bytes, or nullptr when it is out of range, unreadable or
  // damaged. Valid until a rollback drops the page.
  uint8_t* Get(uint32_t page);
  // As Get, and marks the page modified in the current transaction.
  uint8_t* GetForWrite(uint32_t page);
  // As GetForWrite, for a caller that only inserts `length` bytes at
  // `offset` of the entry area (moving what follows up), all of which fit.
  uint8_t* GetForInsert(uint32_t page, size_t offset, size_t length);
  // Offsets of a loaded page's entries in its entry area (live links only
  // on index pages), kept until the page is next fetched for writing.
  const std::vector<uint16_t>& EntryOffsets(uint32_t page);
  // A new, empty page of `type`, modified in the current transaction: the
  // head of the free list, else a page appended to the file.
  uint32_t Allocate(uint32_t type);
  // Puts a page no storage refers to any more on the free list.
  bool Free(uint32_t page);

  uint32_t NewRecordId() { return next_record_++; }
  uint32_t PeekRecordId() const { return next_record_; }
  bool Commit();
  bool Rollback();
  // Commits; the stream stays open.
  bool Close();

  // A statement's changes apply whole or not at all: RollbackStatement puts
  // back every page, counter and the free list as BeginStatement found them.
  void BeginStatement();
  void EndStatement();
  void RollbackStatement();

  // Replaces the whole file by `image` (a database file's bytes) as one
  // transaction; the file shrinks when the image is shorter. Needs no
  // transaction open.
  bool ReplaceAll(const std::string& image);

  // The free list's head as stored in the directory, given at open.
  void set_free_head(uint32_t page);
  uint32_t free_head() const { return free_head_; }
  // Stores a changed free-list head (in the directory) before a commit.
  void set_free_head_writer(std::function<bool(uint32_t)> writer) {
    free_head_writer_ = std::move(writer);
  }

  State state() const { return state_; }
  uint32_t sequence() const { return sequence_; }
  uint32_t transaction_tag() const { return sequence_ & 0xFFFFFF; }
  bool in_transaction() const { return state_ == State::kWriting; }
  uint32_t page_count() const { return page_count_; }
  uint32_t directory_root() const { return directory_root_; }
  void set_directory_root(uint32_t page) { directory_root_ = page; }
  uint32_t damaged_page() const { return damaged_page_; }
  bool failed() const { return state_ == State::kFailed; }
  // Set when open found an interrupted transaction and undid it.
  bool recovered() const { return recovered_; }

 private:
  struct Page {
    uint8_t data[kPageSize];
    uint32_t number = 0;
    bool dirty = false;
    bool offsets_valid = false;
    uint32_t saved_in = 0;  // the statement that holds a copy of this page
    std::vector<uint16_t> offsets;
  };
  // How to undo one change of a statement: a copy of the whole page, or
  // (kInserted) the place of an inserted run of bytes and the header fields
  // it changed. Undone from the last to the first.
  static constexpr size_t kInserted = ~size_t(0);
  struct SavedPage {
    Page* page;
    bool dirty;
    size_t buffer;  // index into statement_buffers_, or kInserted
    uint16_t offset = 0, length = 0, used = 0;
    uint8_t fields[8] = {};  // page sequence and next-modified
  };
  struct Statement {
    bool active = false;
    uint32_t number = 0;
    uint32_t page_count = 0, next_record = 0, chain_head = kNoPage, free_head = kNoPage;
    bool free_dirty = false;
    std::vector<SavedPage> saved;
    size_t copies = 0;  // buffers in use
  };

  Page* Find(uint32_t page);
  Page* Place(std::unique_ptr<Page> page);
  void Drop(uint32_t page);
  Page* Load(uint32_t page);
  bool ReadPage(Page* page);
  bool Begin();
  bool MarkModified(Page* page, bool save = true);
  void SaveForStatement(Page* page);
  void Purge(Page* page);
  bool WriteHeaderFields(uint32_t flag);
  bool WriteJournal(const std::vector<Page*>& dirty);
  bool Recover(std::string* why);
  void Fail();

  ByteStream* stream_;
  JournalStore* journal_;
  // chains_[n % 32][n / 32]: the chain of pages with the same remainder,
  // indexed directly so that a lookup does not walk it.
  std::vector<std::unique_ptr<Page>> chains_[32];
  State state_ = State::kReading;
  uint32_t page_count_ = 0;
  uint32_t chain_head_ = kNoPage;
  uint32_t sequence_ = 1;
  uint32_t next_record_ = 1;
  uint32_t directory_root_ = 0;
  uint32_t free_head_ = kNoPage;
  bool free_dirty_ = false;
  std::function<bool(uint32_t)> free_head_writer_;
  // The header and list head as last committed, for rollback and journal.
  uint8_t committed_header_[kHeaderSize] = {};
  uint32_t committed_page_count_ = 0;
  uint32_t committed_free_head_ = kNoPage;
  Statement statement_;
  std::vector<std::unique_ptr<uint8_t[]>> statement_buffers_;
  uint32_t damaged_page_ = kNoPage;
  bool recovered_ = false;
};

// Structural check of one page image: type, number, used count and entry
// lengths. Empty string when sound, else what is wrong.
std::string CheckPageImage(const uint8_t* data, uint32_t page);

}  // namespace tess::db
