// The link record stream: writing it, reading it back, and walking the call
// chains it heads. A chain threads E8 call sites through their displacement
// fields (each holds the code offset of the next site's field, 0 ends it), so
// a chain can only be followed inside the code segment; the walker checks
// every step and refuses loops, which a malformed image could otherwise use
// to hang whoever reads it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tess::imagetool {

struct LinkRecord {
  uint8_t type = 0;     // image::kRecordNamedCall or image::kRecordDataAddress
  uint32_t offset = 0;  // named call: chain head; data address: code offset
  std::string name;     // named call only, at most 255 bytes
  bool operator==(const LinkRecord&) const = default;
};

std::vector<uint8_t> EncodeLinkRecords(const std::vector<LinkRecord>& records);

struct LinkStream {
  std::vector<LinkRecord> records;
  uint32_t unknownBytes = 0;  // bytes of other types, which the loader skips
};

// Throws Error on a record cut off by the end of the stream.
LinkStream DecodeLinkRecords(std::span<const uint8_t> stream);

// Displacement-field offsets of the sites of one chain, in chain order.
// Throws Error when a site lies outside the code, is not preceded by E8, or
// the chain loops.
std::vector<uint32_t> WalkCallChain(std::span<const uint8_t> code, uint32_t head);

}  // namespace tess::imagetool
