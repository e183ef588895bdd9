// The database file format. A file is a 64-byte header followed by 8192-byte
// pages; every multi-byte integer is big-endian (read and written through
// base/byte_order.h, never by casting).
//
// Header:  0 magic 0xFEEDDBDB | 4 version 1 | 8 transaction sequence number |
//          12 transaction-in-progress flag | 16 next record identifier |
//          20 root page of the storage directory | 24..63 zero.
// Page n:  at 64 + 8192 n. 0 type | 4 page number | 8 sequence number of the
//          last transaction that modified it | 12 next page in that
//          transaction's modified chain (0xFFFFFFFF ends it) | 16 bytes used
//          in the entry area (u16) | 18 entry area (8174 bytes).
// Entry:   0 length including itself (u16, 10..8174) | 2 state 'A' or 'D' |
//          3 transaction number (24 bits; 0 after a rollback) | 6 record
//          identifier | 10 body.
//
// Free pages (not part of any storage) are data pages with no entries whose
// entry area starts with the next free page (u32, 0xFFFFFFFF ends the list).
// The list's head is the root field of the storage directory entry
// "sys$free", so a reader that knows nothing of it sees an empty storage.
//
// Index page entries are links: body = child page (u32) + the child's key
// (the key bytes of the first entry it received when the split made it). The
// first link of an index page covers everything below the second link, so its
// key is never consulted when descending.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tess::db {

inline constexpr uint32_t kMagic = 0xFEEDDBDB;
inline constexpr uint32_t kVersion = 1;
inline constexpr size_t kHeaderSize = 64;
inline constexpr size_t kPageSize = 8192;
inline constexpr size_t kPageHeaderSize = 18;
inline constexpr size_t kEntryArea = kPageSize - kPageHeaderSize;  // 8174
inline constexpr size_t kEntryHeaderSize = 10;
inline constexpr uint32_t kNoPage = 0xFFFFFFFF;
static_assert(kEntryArea == 8174);

// Header field offsets.
inline constexpr size_t kHdrMagic = 0;
inline constexpr size_t kHdrVersion = 4;
inline constexpr size_t kHdrSequence = 8;
inline constexpr size_t kHdrInProgress = 12;
inline constexpr size_t kHdrNextRecord = 16;
inline constexpr size_t kHdrDirectoryRoot = 20;

// Page types.
inline constexpr uint32_t kDirectoryPage = 0xBEEF0002;
inline constexpr uint32_t kDataPage = 0xBEEF0003;
inline constexpr uint32_t kIndexPage = 0x0001BEEF;

// Page header field offsets.
inline constexpr size_t kPgType = 0;
inline constexpr size_t kPgNumber = 4;
inline constexpr size_t kPgSequence = 8;
inline constexpr size_t kPgNextModified = 12;
inline constexpr size_t kPgUsed = 16;

// Entry field offsets and states.
inline constexpr size_t kEnLength = 0;
inline constexpr size_t kEnState = 2;
inline constexpr size_t kEnTransaction = 3;
inline constexpr size_t kEnRecord = 6;
// Bodies of link entries (index pages) and storage directory entries.
inline constexpr size_t kLinkChild = kEntryHeaderSize;
inline constexpr size_t kLinkKey = kEntryHeaderSize + 4;
inline constexpr size_t kDirRoot = kEntryHeaderSize;
inline constexpr size_t kDirNameLength = kEntryHeaderSize + 4;
inline constexpr size_t kDirName = kEntryHeaderSize + 8;
inline constexpr uint8_t kLive = 'A';
inline constexpr uint8_t kDeleted = 'D';

// The 24-bit transaction field of an entry.
inline uint32_t EntryTransaction(const uint8_t* entry) {
  const uint8_t* t = entry + kEnTransaction;
  return (uint32_t(t[0]) << 16) | (uint32_t(t[1]) << 8) | t[2];
}
inline void SetEntryTransaction(uint8_t* entry, uint32_t tag) {
  uint8_t* t = entry + kEnTransaction;
  t[0] = uint8_t(tag >> 16);
  t[1] = uint8_t(tag >> 8);
  t[2] = uint8_t(tag);
}

// Free pages: the next free page sits at the start of the entry area.
inline constexpr size_t kFreeNext = kPageHeaderSize;
inline constexpr char kFreeListName[] = "sys$free";

inline constexpr uint64_t PageOffset(uint32_t page) {
  return kHeaderSize + uint64_t(kPageSize) * page;
}

// Column type codes shared by the catalog, the SQL dialect and cursors.
enum TypeCode : uint8_t {
  kNull = 0,
  kSmallInt = 2,
  kInteger = 3,
  kBinary = 4,
  kText = 5,
  kFloat = 6,
  kDouble = 7,
  kDate = 8,
  kTime = 9,
  kTimestamp = 10,
  kBoolean = 12,
  kBlob = 14,
  kLongText = 15,
  kLongBinary = 16,
};

inline constexpr bool IsStorableType(int type) {
  switch (type) {
    case kSmallInt:
    case kInteger:
    case kText:
    case kFloat:
    case kDouble:
    case kDate:
    case kTime:
    case kBoolean:
    case kBlob:
    case kLongText:
    case kLongBinary:
      return true;
    default:
      return false;
  }
}

inline constexpr bool IsLargeType(int type) {
  return type == kBlob || type == kLongText || type == kLongBinary;
}

// Large values: chunk size and pairs per chunk index.
inline constexpr size_t kBlobChunk = 4000;
inline constexpr size_t kBlobIndexPairs = 500;

}  // namespace tess::db
