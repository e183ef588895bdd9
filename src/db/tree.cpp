// Storage trees: descent, ordered insertion with the three split cases, root
// push-down, deletion marks and ordered iteration.
#include "db/tree.h"

#include <cstring>

#include "base/byte_order.h"

namespace tess::db {
namespace {

constexpr size_t kMaxDepth = 48;

int CompareKeys(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c) return c;
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string_view LinkKey(const uint8_t* entry, size_t length) {
  return {reinterpret_cast<const char*>(entry) + kLinkKey, length - kLinkKey};
}

uint32_t LinkChild(const uint8_t* entry) {
  return be32(entry + kLinkChild);
}

}  // namespace

uint32_t EntryRef::record() const {
  return be32(data + kEnRecord);
}

uint32_t Tree::CreateRoot(Pager* pager, uint32_t type) {
  return pager->Allocate(type);
}

void Tree::EntryKey(const uint8_t* page, const uint8_t* entry, size_t length, std::string* key) {
  key->clear();
  if (be32(page + kPgType) == kIndexPage) {
    key->assign(LinkKey(entry, length));
  } else {
    key_of_(entry, length, key);
  }
}

std::string Tree::MakeEntry(std::string_view body) {
  std::string e(kEntryHeaderSize + body.size(), '\0');
  auto* p = reinterpret_cast<uint8_t*>(e.data());
  put_be16(p + kEnLength, uint16_t(e.size()));
  p[kEnState] = kLive;
  SetEntryTransaction(p, pager_->transaction_tag());
  put_be32(p + kEnRecord, pager_->NewRecordId());
  std::memcpy(p + kEntryHeaderSize, body.data(), body.size());
  return e;
}

bool Tree::Descend(std::string_view key, Bound bound, std::vector<TreeStep>* path) {
  path->clear();
  uint32_t page = root_;
  std::string k;
  while (true) {
    const uint8_t* d = pager_->Get(page);
    if (!d || path->size() >= kMaxDepth) {
      damaged_ = true;
      return false;
    }
    for (const TreeStep& s : *path) {
      if (s.page == page) {
        damaged_ = true;
        return false;
      }
    }
    const uint8_t* area = d + kPageHeaderSize;
    size_t used = be16(d + kPgUsed);
    bool index = be32(d + kPgType) == kIndexPage;
    // Entries are variable-length: take their offsets, then binary-search,
    // deriving only the keys the search looks at.
    const std::vector<uint16_t>& offsets_ = pager_->EntryOffsets(page);
    auto passes = [&](size_t i) {
      const uint8_t* e = area + offsets_[i];
      size_t len = be16(e + kEnLength);
      int c;
      if (index) {
        c = CompareKeys(LinkKey(e, len), key);
      } else {
        EntryKey(d, e, len, &k);
        c = CompareKeys(k, key);
      }
      return bound == Bound::kUpper ? c > 0 : c >= 0;
    };
    // The first link never bounds the search: it covers everything below
    // the second.
    size_t lo = index ? 1 : 0, hi = offsets_.size();
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      if (passes(mid)) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    if (!index) {
      path->push_back({page, lo < offsets_.size() ? offsets_[lo] : used});
      return true;
    }
    if (offsets_.empty()) {  // an index page without live links
      damaged_ = true;
      return false;
    }
    size_t chosen = offsets_[lo - 1];
    path->push_back({page, chosen});
    page = LinkChild(area + chosen);
  }
}

bool Tree::PushDownRoot(std::vector<TreeStep>& path) {
  uint8_t* r = pager_->GetForWrite(root_);
  if (!r) return false;
  uint32_t c = pager_->Allocate(be32(r + kPgType));
  uint8_t* cd = c == kNoPage ? nullptr : pager_->GetForWrite(c);
  if (!cd) return false;
  size_t used = be16(r + kPgUsed);
  std::memcpy(cd + kPageHeaderSize, r + kPageHeaderSize, used);
  put_be16(cd + kPgUsed, uint16_t(used));
  std::string key;
  if (used) EntryKey(cd, cd + kPageHeaderSize, be16(cd + kPageHeaderSize), &key);
  std::memset(r + kPageHeaderSize, 0, kEntryArea);
  put_be32(r + kPgType, kIndexPage);
  std::string body(4, '\0');
  put_be32(reinterpret_cast<uint8_t*>(body.data()), c);
  body += key;
  std::string link = MakeEntry(body);
  std::memcpy(r + kPageHeaderSize, link.data(), link.size());
  put_be16(r + kPgUsed, uint16_t(link.size()));
  path[0].page = c;
  path.insert(path.begin(), TreeStep{root_, 0});
  return true;
}

bool Tree::InsertLinkAfter(std::vector<TreeStep>& path, size_t level, uint32_t child,
                           std::string_view key) {
  TreeStep& parent = path[path.size() - 1 - level];
  const uint8_t* d = pager_->Get(parent.page);
  if (!d) return false;
  size_t link_offset = parent.offset;
  size_t after = link_offset + be16(d + kPageHeaderSize + link_offset);
  std::string body(4, '\0');
  put_be32(reinterpret_cast<uint8_t*>(body.data()), child);
  body += key;
  if (kEntryHeaderSize + body.size() > kEntryArea) return false;
  std::string link = MakeEntry(body);
  path[path.size() - 1 - level].offset = after;
  bool ok = Place(path, level, link);
  // Entries before the insertion offset stay where they were (a root
  // push-down keeps offsets too), so the split page's link is still here.
  path[path.size() - 1 - level].offset = link_offset;
  return ok;
}

bool Tree::Place(std::vector<TreeStep>& path, size_t level, std::string_view entry) {
  if (level >= path.size()) return false;
  uint32_t target = path[path.size() - 1 - level].page;
  const uint8_t* current = pager_->Get(target);
  if (!current) return false;
  size_t used = be16(current + kPgUsed);
  size_t len = entry.size();
  size_t offset = path[path.size() - 1 - level].offset;
  if (offset > used) return false;
  bool fits = used + len <= kEntryArea;
  // An entry that fits is the common case: the pager notes how to take it
  // out again rather than copying the page.
  uint8_t* p = fits ? pager_->GetForInsert(target, offset, len) : pager_->GetForWrite(target);
  if (!p) return false;
  uint8_t* area = p + kPageHeaderSize;
  if (fits) {
    std::memmove(area + offset + len, area + offset, used - offset);
    std::memcpy(area + offset, entry.data(), len);
    put_be16(p + kPgUsed, uint16_t(used + len));
    return true;
  }
  if (path.size() - 1 - level == 0) {
    if (!PushDownRoot(path)) return false;
    p = pager_->GetForWrite(path[path.size() - 1 - level].page);
    if (!p) return false;
    area = p + kPageHeaderSize;
  }
  uint32_t type = be32(p + kPgType);
  size_t tail = used - offset;
  auto fill = [&](uint32_t page, std::string_view a, const uint8_t* b, size_t blen) {
    uint8_t* n = pager_->GetForWrite(page);
    if (!n) return false;
    if (!a.empty()) std::memcpy(n + kPageHeaderSize, a.data(), a.size());
    if (blen) std::memcpy(n + kPageHeaderSize + a.size(), b, blen);
    put_be16(n + kPgUsed, uint16_t(a.size() + blen));
    return true;
  };
  std::string tail_key, entry_key;
  if (tail) EntryKey(p, area + offset, be16(area + offset), &tail_key);
  EntryKey(p, reinterpret_cast<const uint8_t*>(entry.data()), len, &entry_key);

  if (offset + len <= kEntryArea) {
    // The tail moves to a new page; the entry ends the old one.
    uint32_t n = pager_->Allocate(type);
    if (n == kNoPage || !fill(n, {}, area + offset, tail)) return false;
    std::memset(area + offset, 0, tail);
    std::memcpy(area + offset, entry.data(), len);
    put_be16(p + kPgUsed, uint16_t(offset + len));
    return InsertLinkAfter(path, level + 1, n, tail_key);
  }
  if (len + tail > kEntryArea) {
    // Neither fits with the other: the entry and the tail get a page each.
    uint32_t n1 = pager_->Allocate(type);
    uint32_t n2 = n1 == kNoPage ? kNoPage : pager_->Allocate(type);
    if (n2 == kNoPage || !fill(n1, entry, nullptr, 0) || !fill(n2, {}, area + offset, tail)) {
      return false;
    }
    std::memset(area + offset, 0, tail);
    put_be16(p + kPgUsed, uint16_t(offset));
    return InsertLinkAfter(path, level + 1, n2, tail_key) &&
           InsertLinkAfter(path, level + 1, n1, entry_key);
  }
  // The entry followed by the tail fill one new page.
  uint32_t n = pager_->Allocate(type);
  if (n == kNoPage || !fill(n, entry, area + offset, tail)) return false;
  std::memset(area + offset, 0, tail);
  put_be16(p + kPgUsed, uint16_t(offset));
  return InsertLinkAfter(path, level + 1, n, entry_key);
}

uint32_t Tree::Insert(std::string_view key, std::string_view body) {
  if (kEntryHeaderSize + body.size() > kEntryArea) return 0;
  std::vector<TreeStep> path;
  if (!Descend(key, Bound::kUpper, &path)) return 0;
  std::string entry = MakeEntry(body);
  uint32_t record = be32(reinterpret_cast<const uint8_t*>(entry.data()) + kEnRecord);
  return Place(path, 0, entry) ? record : 0;
}

uint32_t Tree::InsertUnique(std::string_view key, std::string_view body, bool* duplicate) {
  *duplicate = false;
  if (kEntryHeaderSize + body.size() > kEntryArea) return 0;
  std::vector<TreeStep> path;
  if (!Descend(key, Bound::kUpper, &path)) return 0;
  // Equal keys sit just before the insertion offset. Only when they reach
  // back to the start of the leaf can one hide in an earlier leaf.
  const uint8_t* d = pager_->Get(path.back().page);
  const std::vector<uint16_t>& offsets_ = pager_->EntryOffsets(path.back().page);
  size_t at = 0;
  while (at < offsets_.size() && offsets_[at] < path.back().offset) ++at;
  bool reached_start = true;
  std::string k;
  for (size_t i = at; i-- > 0;) {
    const uint8_t* e = d + kPageHeaderSize + offsets_[i];
    EntryKey(d, e, be16(e + kEnLength), &k);
    if (k != key) {
      reached_start = false;
      break;
    }
    if (e[kEnState] == kLive) {
      *duplicate = true;
      return 0;
    }
  }
  if (reached_start && path.back().page != root_ && Contains(key)) {
    *duplicate = true;
    return 0;
  }
  std::string entry = MakeEntry(body);
  uint32_t record = be32(reinterpret_cast<const uint8_t*>(entry.data()) + kEnRecord);
  return Place(path, 0, entry) ? record : 0;
}

TreeCursor Tree::Begin() {
  TreeCursor c;
  c.pager_ = pager_;
  c.stack_.push_back({root_, 0});
  return c;
}

TreeCursor Tree::Seek(std::string_view key) {
  TreeCursor c;
  c.pager_ = pager_;
  // Index steps of the path point at the link whose child is above them,
  // which is the cursor's own convention.
  if (!Descend(key, Bound::kLower, &c.stack_)) {
    c.stack_.clear();
    c.damaged_ = true;
  }
  return c;
}

bool Tree::Contains(std::string_view key) {
  TreeCursor c = Seek(key);
  EntryRef e;
  std::string k;
  while (c.Next(&e)) {
    key_of_(e.data, e.length, &k);
    return k == key;
  }
  return false;
}

bool Tree::Delete(const EntryRef& entry) {
  if (!pager_->Get(entry.page)) damaged_ = true;
  uint8_t* p = pager_->GetForWrite(entry.page);
  if (!p) return false;
  uint8_t* area = p + kPageHeaderSize;
  size_t used = be16(p + kPgUsed);
  size_t len = entry.offset + kEntryHeaderSize <= used ? be16(area + entry.offset + kEnLength) : 0;
  if (len < kEntryHeaderSize || len > used - entry.offset) {
    damaged_ = true;
    return false;
  }
  std::string key;
  if (used == len && entry.page != root_) EntryKey(p, area + entry.offset, len, &key);
  std::memmove(area + entry.offset, area + entry.offset + len, used - entry.offset - len);
  std::memset(area + used - len, 0, len);
  put_be16(p + kPgUsed, uint16_t(used - len));
  // An empty page that cannot be unlinked (equal keys over several pages)
  // stays in the tree, which is still sound.
  if (used == len && entry.page != root_) Unlink(entry.page, be32(p + kPgType), key);
  return true;
}

bool Tree::Replace(const EntryRef& entry, std::string_view body) {
  const uint8_t* d = pager_->Get(entry.page);
  if (!d) return false;
  size_t used = be16(d + kPgUsed);
  size_t old_len = entry.offset + kEntryHeaderSize <= used
                       ? be16(d + kPageHeaderSize + entry.offset + kEnLength)
                       : 0;
  size_t new_len = kEntryHeaderSize + body.size();
  if (old_len < kEntryHeaderSize || old_len > used - entry.offset ||
      used - old_len + new_len > kEntryArea) {
    return false;
  }
  uint8_t* p = pager_->GetForWrite(entry.page);
  if (!p) return false;
  uint8_t* area = p + kPageHeaderSize;
  uint8_t* at = area + entry.offset;
  std::memmove(at + new_len, at + old_len, used - entry.offset - old_len);
  if (new_len < old_len) std::memset(area + used - (old_len - new_len), 0, old_len - new_len);
  put_be16(at + kEnLength, uint16_t(new_len));
  at[kEnState] = kLive;
  SetEntryTransaction(at, pager_->transaction_tag());
  std::memcpy(at + kEntryHeaderSize, body.data(), body.size());
  put_be16(p + kPgUsed, uint16_t(used - old_len + new_len));
  return true;
}

bool Tree::Unlink(uint32_t page, uint32_t leaf_type, std::string_view key) {
  std::vector<TreeStep> path;
  if (!Descend(key, Bound::kUpper, &path) || path.back().page != page) {
    if (!Descend(key, Bound::kLower, &path) || path.back().page != page) return false;
  }
  for (size_t level = path.size() - 1; level-- > 0;) {
    uint32_t child = path[level + 1].page;
    uint8_t* d = pager_->GetForWrite(path[level].page);
    if (!d || !pager_->Free(child)) return false;
    uint8_t* area = d + kPageHeaderSize;
    size_t used = be16(d + kPgUsed);
    size_t at = path[level].offset;
    size_t len = be16(area + at + kEnLength);
    std::memmove(area + at, area + at + len, used - at - len);
    std::memset(area + used - len, 0, len);
    used -= len;
    put_be16(d + kPgUsed, uint16_t(used));
    bool links = false;
    for (size_t off = 0; off < used && !links; off += be16(area + off + kEnLength)) {
      links = area[off + kEnState] == kLive;
    }
    if (links) return true;
    if (path[level].page == root_) {
      // The storage is empty again: its root turns back into a leaf.
      std::memset(area, 0, kEntryArea);
      put_be16(d + kPgUsed, 0);
      put_be32(d + kPgType, leaf_type);
      return true;
    }
  }
  return true;
}

bool TreeCursor::Next(EntryRef* out) {
  while (!stack_.empty()) {
    TreeStep& top = stack_.back();
    const uint8_t* d = pager_->Get(top.page);
    if (!d) {
      damaged_ = true;
      stack_.clear();
      return false;
    }
    size_t used = be16(d + kPgUsed);
    const uint8_t* area = d + kPageHeaderSize;
    bool index = be32(d + kPgType) == kIndexPage;
    if (top.offset >= used) {
      stack_.pop_back();
      if (!stack_.empty()) {
        // Step the parent past the link just finished.
        const uint8_t* pd = pager_->Get(stack_.back().page);
        if (!pd) return false;
        stack_.back().offset += be16(pd + kPageHeaderSize + stack_.back().offset);
      }
      continue;
    }
    const uint8_t* e = area + top.offset;
    size_t len = be16(e + kEnLength);
    if (index) {
      if (e[kEnState] != kLive) {
        top.offset += len;
        continue;
      }
      uint32_t child = LinkChild(e);
      bool cycle = stack_.size() >= kMaxDepth;
      for (const TreeStep& s : stack_) cycle = cycle || s.page == child;
      if (entered_.size() < pager_->page_count()) entered_.resize(pager_->page_count());
      if (child < entered_.size()) {
        cycle = cycle || entered_[child];
        entered_[child] = true;
      }
      if (cycle) {
        damaged_ = true;
        stack_.clear();
        return false;
      }
      stack_.push_back({child, 0});
      continue;
    }
    uint32_t page = top.page;
    size_t offset = top.offset;
    top.offset += len;
    if (e[kEnState] != kLive) continue;
    out->page = page;
    out->offset = offset;
    out->data = e;
    out->length = len;
    return true;
  }
  return false;
}

}  // namespace tess::db
