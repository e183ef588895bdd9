// A storage: the tree of pages under one root page. Leaf pages (data or
// directory pages) hold records; index pages hold links to child pages.
//
// Entries are kept in key order. Keys are byte strings compared with memcmp;
// a KeyOf function derives a leaf entry's key from its bytes, and a link
// stores its child's key after the child page number. The root page number of
// a storage never changes: when the root must split, its contents move to a
// new page of the same type and the root becomes an index page above it.
//
// Splits happen at the insertion offset (never in the middle): the tail of
// the page and/or the new entry go to new pages whose links are inserted
// right after the split page's link in the parent, which may split in turn.
// Entries before the insertion offset never move, except when the root's
// contents move down one level.
//
// Deleting removes the entry from its page at once (a rollback drops the
// cached pages, so nothing needs the deleted bytes). A page left empty is
// unlinked from its parent and put on the free list; an index page left
// without links follows it; a root left without links becomes an empty leaf.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/format.h"
#include "db/pager.h"

namespace tess::db {

// Appends the key of a leaf entry (full entry bytes, header included).
using KeyOf = std::function<void(const uint8_t* entry, size_t length, std::string* key)>;

// One step of a path from the root: a page and an offset in its entry area.
struct TreeStep {
  uint32_t page;
  size_t offset;
};

// The entry at a cursor position: its page and offset, and its bytes.
struct EntryRef {
  uint32_t page = kNoPage;
  size_t offset = 0;
  const uint8_t* data = nullptr;
  size_t length = 0;
  uint32_t record() const;
  std::string_view body() const {
    return {reinterpret_cast<const char*>(data) + kEntryHeaderSize, length - kEntryHeaderSize};
  }
};

class Tree;

// Visits the live leaf entries of a storage in key order. Invalidated by any
// insertion into the storage (deleting entries is fine).
class TreeCursor {
 public:
  // False at the end, or when a damaged page stops the walk (then `damaged`).
  bool Next(EntryRef* entry);
  bool damaged() const { return damaged_; }

 private:
  friend class Tree;
  Pager* pager_ = nullptr;
  std::vector<TreeStep> stack_;
  // Pages entered so far: a damaged file may link one page from several
  // places, which would otherwise repeat (and multiply) the walk.
  std::vector<bool> entered_;
  bool damaged_ = false;
};

class Tree {
 public:
  Tree(Pager* pager, uint32_t root, KeyOf key_of)
      : pager_(pager), root_(root), key_of_(std::move(key_of)) {}

  // Creates a new storage with an empty root of `type`; kNoPage on failure.
  static uint32_t CreateRoot(Pager* pager, uint32_t type);

  // Inserts a live entry with a new record identifier after every entry of
  // equal key. Returns the identifier, or 0 on failure (`damaged` set when a
  // damaged page was the cause).
  uint32_t Insert(std::string_view key, std::string_view body);
  // As Insert, refusing (with `duplicate` set) when a live entry with an
  // equal key exists; one descent in the common case.
  uint32_t InsertUnique(std::string_view key, std::string_view body, bool* duplicate);
  // A cursor at the first entry whose key is not below `key`.
  TreeCursor Seek(std::string_view key);
  TreeCursor Begin();
  // True when a live entry with exactly this key exists.
  bool Contains(std::string_view key);
  // Puts `body` in place of the entry's, keeping its record identifier and
  // place, when its page has room; false (nothing changed) otherwise. The
  // caller keeps the key the same.
  bool Replace(const EntryRef& entry, std::string_view body);
  // Removes the entry. Entries after it in its page move down, so several
  // deletions from one cursor's walk go from the last to the first.
  bool Delete(const EntryRef& entry);
  bool damaged() const { return damaged_; }

 private:
  enum class Bound { kLower, kUpper };
  bool Descend(std::string_view key, Bound bound, std::vector<TreeStep>* path);
  bool Place(std::vector<TreeStep>& path, size_t level, std::string_view entry);
  bool PushDownRoot(std::vector<TreeStep>& path);
  bool InsertLinkAfter(std::vector<TreeStep>& path, size_t level, uint32_t child,
                       std::string_view key);
  void EntryKey(const uint8_t* page, const uint8_t* entry, size_t length, std::string* key);
  std::string MakeEntry(std::string_view body);
  bool Unlink(uint32_t page, uint32_t leaf_type, std::string_view key);

  Pager* pager_;
  uint32_t root_;
  KeyOf key_of_;
  bool damaged_ = false;
};

}  // namespace tess::db
