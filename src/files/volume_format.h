// The virtual volume file format: a folder tree kept inside one host file.
//
// File:     0 magic "VFSv" (be32) | 4 format version (be32; 2 written, 1 and 2
//           read) | 8 blocks, back to back.
// Block:    0 "BlkS" (be32) | 4 idnum of the owning file (be32; 0 = free) |
//           8 sequence number in the owner's chain (be32; 0 = first) |
//           12 block size including header and trailer (double) |
//           20 absolute position of the chain's next block (double; 0 = last)
//           | 28 unused | 32 payload | size - 4 "BlkE" (be32).
// Doubles of the block layer are big-endian in version 2 and little-endian in
// version 1. Positions and sizes are whole numbers below 2^31.
// Metadata: the block at 8 (idnum 1, size 40) holds at its offset 28 the next
//           idnum to hand out (be32, 2 when new); a new volume is 44 bytes,
//           and the first data block starts at 48 (8 + the metadata size).
//
// The payload of every file (its "stream") starts with a 256-byte entry
// header whose fields are little-endian:
//           0 data length (double) | 8 type code (le32: 'fold' is stored as
//           the bytes "dlof") | 12 parent folder's idnum (le32; 0 for the
//           root) | 16 creation date | 24 modification date (doubles, seconds
//           since 1 January 1904) | 32 name (224 bytes, zero-padded, at most
//           223 stored) | 256 content.
// Folder content: 256 child count (le32), 260 child idnums (le32 each).
// The root folder is idnum 2, named "/".
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_order.h"

namespace tess::files::volume {

inline constexpr uint32_t kVolumeMagic = 0x56465376;  // "VFSv"
inline constexpr uint32_t kFormatVersion = 2;
inline constexpr uint32_t kBlockStart = 0x426C6B53;  // "BlkS"
inline constexpr uint32_t kBlockEnd = 0x426C6B45;    // "BlkE"

inline constexpr uint32_t kFirstBlock = 8;
inline constexpr size_t kBlockHeaderSize = 28;
inline constexpr uint32_t kPayloadOffset = 32;
inline constexpr uint32_t kTrailerSize = 4;
inline constexpr uint32_t kBlockOverhead = kPayloadOffset + kTrailerSize;
inline constexpr uint32_t kMetadataSize = 40;
inline constexpr uint32_t kNewBlockSize = 8192;
inline constexpr uint32_t kSmallestReusable = 256;
inline constexpr uint32_t kLargestReusable = 16384;
// Stream positions are signed 32-bit on the platform the format comes from.
inline constexpr uint32_t kVolumeLimit = 0x7FFFFFFF;

// Block header field offsets.
inline constexpr size_t kBhMagic = 0;
inline constexpr size_t kBhIdnum = 4;
inline constexpr size_t kBhSequence = 8;
inline constexpr size_t kBhSize = 12;
inline constexpr size_t kBhNext = 20;

inline constexpr uint32_t kMetadataIdnum = 1;
inline constexpr uint32_t kRootIdnum = 2;
inline constexpr uint32_t kMaxHandles = 32767;

// Entry header field offsets (within a file's stream).
inline constexpr uint32_t kEhLength = 0;
inline constexpr uint32_t kEhType = 8;
inline constexpr uint32_t kEhParent = 12;
inline constexpr uint32_t kEhCreated = 16;
inline constexpr uint32_t kEhModified = 24;
inline constexpr uint32_t kEhName = 32;
inline constexpr uint32_t kNameField = 224;
inline constexpr uint32_t kMaxName = kNameField - 1;
inline constexpr uint32_t kEntryHeaderSize = 256;
inline constexpr uint32_t kChildCount = kEntryHeaderSize;
inline constexpr uint32_t kFirstChild = kEntryHeaderSize + 4;

inline constexpr uint32_t kFolderType = 0x666F6C64;   // 'fold'
inline constexpr uint32_t kNewFileType = 0x3F3F3F3F;  // '????'
inline constexpr uint32_t kTempType = 0x74656D70;     // 'temp'

inline uint64_t DoubleBits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return bits;
}
inline double BitsDouble(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

inline double GetDouble(const uint8_t* p, bool big_endian) {
  uint64_t bits =
      big_endian ? uint64_t(be32(p)) << 32 | be32(p + 4) : uint64_t(le32(p + 4)) << 32 | le32(p);
  return BitsDouble(bits);
}
inline void PutDouble(uint8_t* p, double value, bool big_endian) {
  uint64_t bits = DoubleBits(value);
  if (big_endian) {
    put_be32(p, uint32_t(bits >> 32));
    put_be32(p + 4, uint32_t(bits));
  } else {
    put_le32(p, uint32_t(bits));
    put_le32(p + 4, uint32_t(bits >> 32));
  }
}

// A stored position or size is usable only as a whole number within the
// volume's reach; NaN, infinities, fractions and negatives are damage.
inline bool WholeBelow(double value, double limit) {
  return std::isfinite(value) && value >= 0 && value <= limit && value == std::floor(value);
}

}  // namespace tess::files::volume
