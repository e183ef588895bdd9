#include "runtime/string_map.h"

#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/string_value.h"

namespace tess {

uint32_t StringMap::Hash(const TessString* key) {
  uint32_t h = 0;
  // Hashing through the same fold table the keys are compared with keeps
  // keys that compare equal in one bucket (upper-casing ASCII alone would
  // split names that differ only in an accented letter's case).
  for (char ch : View(key)) h = (h * 4) ^ kNameFold[uint8_t(ch)];
  return h;
}

StringMap::~StringMap() {
  Clear();
  for (Iterator* it = iterators_; it; it = it->nextIterator_) it->map_ = nullptr;
}

StringMap::Entry* StringMap::Find(const TessString* key, uint32_t hash) const {
  for (Entry* e = buckets_[hash % 256]; e; e = e->nextInBucket) {
    if (e->hash == hash && SameName(View(e->key), View(key))) return e;
  }
  return nullptr;
}

void StringMap::Set(TessString* key, uint32_t value) {
  uint32_t hash = Hash(key);
  if (Entry* e = Find(key, hash)) {
    e->value = value;
    return;
  }
  auto* e = static_cast<Entry*>(AllocateInternalBlock(sizeof(Entry)));
  *e = Entry{buckets_[hash % 256], nullptr, hash, Share(key), value};
  buckets_[hash % 256] = e;
  (tail_ ? tail_->nextInOrder : head_) = e;
  tail_ = e;
  ++count_;
}

bool StringMap::Lookup(const TessString* key, uint32_t* value) const {
  Entry* e = Find(key, Hash(key));
  if (e && value) *value = e->value;
  return e != nullptr;
}

void StringMap::DetachIterators(Entry* entry) {
  for (Iterator* it = iterators_; it; it = it->nextIterator_) {
    if (it->current_ == entry) it->current_ = entry->nextInOrder;
  }
}

bool StringMap::Remove(const TessString* key) {
  uint32_t hash = Hash(key);
  Entry* e = Find(key, hash);
  if (!e) return false;
  for (Entry** link = &buckets_[hash % 256]; *link; link = &(*link)->nextInBucket) {
    if (*link == e) {
      *link = e->nextInBucket;
      break;
    }
  }
  Entry* previous = nullptr;
  for (Entry* p = head_; p != e; p = p->nextInOrder) previous = p;
  (previous ? previous->nextInOrder : head_) = e->nextInOrder;
  if (tail_ == e) tail_ = previous;
  DetachIterators(e);
  UnlockString(e->key);
  FreeInternalBlock(e);
  --count_;
  return true;
}

void StringMap::Clear() {
  for (Entry* e = head_; e;) {
    Entry* next = e->nextInOrder;
    DetachIterators(e);
    UnlockString(e->key);
    FreeInternalBlock(e);
    e = next;
  }
  for (Entry*& bucket : buckets_) bucket = nullptr;
  head_ = tail_ = nullptr;
  count_ = 0;
}

StringMap::Iterator::Iterator(StringMap& map) : map_(&map), nextIterator_(map.iterators_) {
  map.iterators_ = this;
}

StringMap::Iterator::~Iterator() {
  if (!map_) return;
  for (Iterator** link = &map_->iterators_; *link; link = &(*link)->nextIterator_) {
    if (*link == this) {
      *link = nextIterator_;
      break;
    }
  }
}

bool StringMap::Iterator::Next(TessString** key, uint32_t* value) {
  if (!map_) return false;
  if (!started_) {
    started_ = true;
    current_ = map_->head_;
  }
  if (!current_) return false;
  if (key) *key = current_->key;
  if (value) *value = current_->value;
  current_ = current_->nextInOrder;
  return true;
}

}  // namespace tess
