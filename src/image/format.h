// The application image format, shared by the loader and the image builder.
//
// An image is four blocks, each a little-endian u32 length and its bytes:
//   code segment | link record stream | data segment | data fix-up stream
// Development mode reads the same blocks from four loose files instead.
//
// Link records (one type byte, then fields, all little-endian):
//   1  u32 chain head, u8 name length n, n name bytes    named call chain
//   2  u32 code offset of a word holding a data offset  data address in code
//   *  nothing (the byte is skipped)
// A chain threads E8 call sites through their displacement fields: each field
// holds the code offset of the next site's field, 0 ends the chain.
//
// Name forms: "!X" library "!" routine (host shared library); "!" kind
// member-path (deferred member reference, kinds M W G S); anything else is a
// runtime link-table name.
//
// Data fix-up words (little-endian u16, applied with a cursor from the data
// base): 0x8000-0x8FFF skip (w & 0xFFF) + 1 bytes; 0x4000-0x41FF and
// 0x4600-0x47FF add the code base to (w & 0x1FF) + 1 words; 0x4200-0x43FF add
// the data base to them; any other word is ignored.
//
// Resource pool: big-endian u32 count N, N big-endian u32 offsets, item data;
// item i (1-based) starts at pool + 4 + 4N + offsets[i - 1].
#pragma once

#include <cstdint>

namespace tess::image {

inline constexpr uint8_t kRecordNamedCall = 1;
inline constexpr uint8_t kRecordDataAddress = 2;
inline constexpr uint8_t kCallOpcode = 0xE8;
inline constexpr uint32_t kMaxNameLength = 255;

inline constexpr uint16_t kFixupSkip = 0x8000;        // ..0x8FFF
inline constexpr uint16_t kFixupSkipMask = 0x0FFF;    // skip = (w & mask) + 1
inline constexpr uint16_t kFixupCodeRun = 0x4000;     // ..0x41FF
inline constexpr uint16_t kFixupDataRun = 0x4200;     // ..0x43FF
inline constexpr uint16_t kFixupCodeRunAlt = 0x4600;  // ..0x47FF, what class records use
inline constexpr uint16_t kFixupRunMask = 0x01FF;     // words = (w & mask) + 1
inline constexpr uint32_t kMaxSkip = 4096;
inline constexpr uint32_t kMaxRunWords = 512;

// Data segment header: the entry routine and the application descriptor.
inline constexpr uint32_t kDataEntryOffset = 0;
inline constexpr uint32_t kDataDescriptorOffset = 4;
inline constexpr uint32_t kDataHeaderSize = 8;

// String constants in the data segment: u32 refCount (1), u32 address of the
// length-prefixed text, u32 buffer size, u32 length, u32 encoding.
inline constexpr uint32_t kStringConstantSize = 20;
inline constexpr uint32_t kEncodingAscii = 0x0600;
inline constexpr uint32_t kEncodingUnknown = 0xFFFF;

// Locator: two little-endian words {image offset, pool offset}. In the
// runtime executable it lives in an ELF section of this name, which the image
// builder patches; "PICK" in its first four bytes selects development mode.
inline constexpr char kLocatorSection[] = ".pickle";
inline constexpr uint32_t kLocatorSize = 8;
inline constexpr uint32_t kNoPool = 0xFFFFFFFF;
inline constexpr char kPlaceholder[4] = {'P', 'I', 'C', 'K'};
// The module resource through which the loader finds the locator.
inline constexpr char kLocatorResourceType[] = "PICKLE";
inline constexpr int kLocatorResourceId = 101;

// Development mode files, in the current directory.
inline constexpr char kDevCodeFile[] = "code1.dat";
inline constexpr char kDevDataFile[] = "data1.dat";
inline constexpr char kDevLinkFile[] = "code2.dat";
inline constexpr char kDevFixupFile[] = "data2.dat";
inline constexpr char kDevPoolFile[] = "data3.dat";

// Deferred member reference kinds, after the leading "!".
inline constexpr char kDeferredMethod = 'M';
inline constexpr char kDeferredMethodAlt = 'W';
inline constexpr char kDeferredGetter = 'G';
inline constexpr char kDeferredSetter = 'S';

}  // namespace tess::image
