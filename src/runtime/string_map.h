// The name map: string keys compared as internal names (case-insensitive
// through the fold table), 32-bit values, 256 hash buckets, and iteration in
// insertion order by iterators that survive removal of any entry.
//
// Hash: h = (h * 4) ^ c over the key's folded bytes; bucket = h % 256; the
// full hash is compared before the keys.
#pragma once

#include <cstdint>

#include "tessera/types.h"

namespace tess {

class StringMap {
 public:
  struct Entry {
    Entry* nextInBucket;
    Entry* nextInOrder;
    uint32_t hash;
    TessString* key;  // one reference owned by the map
    uint32_t value;
  };

  // Walks the entries in insertion order. An iterator holds the entry it
  // returns next; removing that entry moves it on to the entry's successor.
  class Iterator {
   public:
    explicit Iterator(StringMap& map);
    ~Iterator();
    Iterator(const Iterator&) = delete;
    Iterator& operator=(const Iterator&) = delete;
    bool Next(TessString** key, uint32_t* value);

   private:
    friend class StringMap;
    StringMap* map_;
    bool started_ = false;
    Entry* current_ = nullptr;
    Iterator* nextIterator_ = nullptr;
  };

  StringMap() = default;
  ~StringMap();
  StringMap(const StringMap&) = delete;
  StringMap& operator=(const StringMap&) = delete;

  // Replaces the value of an existing key, else appends a new entry.
  void Set(TessString* key, uint32_t value);
  bool Lookup(const TessString* key, uint32_t* value) const;
  bool Remove(const TessString* key);
  void Clear();
  uint32_t Count() const { return count_; }

  static uint32_t Hash(const TessString* key);

 private:
  Entry* Find(const TessString* key, uint32_t hash) const;
  void DetachIterators(Entry* entry);

  Entry* buckets_[256] = {};
  Entry* head_ = nullptr;
  Entry* tail_ = nullptr;
  Iterator* iterators_ = nullptr;
  uint32_t count_ = 0;
};

}  // namespace tess
