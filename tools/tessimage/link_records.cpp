// Link record stream encoding, decoding and call-chain walking.
#include "link_records.h"

#include <unordered_set>

#include "base/byte_order.h"
#include "error.h"
#include "image/format.h"

namespace tess::imagetool {

std::vector<uint8_t> EncodeLinkRecords(const std::vector<LinkRecord>& records) {
  std::vector<uint8_t> out;
  for (const LinkRecord& r : records) {
    uint8_t word[4];
    put_le32(word, r.offset);
    out.push_back(r.type);
    out.insert(out.end(), word, word + 4);
    if (r.type == image::kRecordNamedCall) {
      if (r.name.size() > image::kMaxNameLength) throw Error("link name too long: " + r.name);
      out.push_back(uint8_t(r.name.size()));
      out.insert(out.end(), r.name.begin(), r.name.end());
    }
  }
  return out;
}

LinkStream DecodeLinkRecords(std::span<const uint8_t> stream) {
  LinkStream out;
  size_t at = 0;
  while (at < stream.size()) {
    const uint8_t type = stream[at];
    if (type != image::kRecordNamedCall && type != image::kRecordDataAddress) {
      ++out.unknownBytes;
      ++at;
      continue;
    }
    const size_t fixed = type == image::kRecordNamedCall ? 6 : 5;
    if (stream.size() - at < fixed) {
      throw Error("link record at stream offset " + std::to_string(at) + " is cut off");
    }
    LinkRecord r;
    r.type = type;
    r.offset = le32(stream.data() + at + 1);
    if (type == image::kRecordNamedCall) {
      const size_t n = stream[at + 5];
      if (stream.size() - at - fixed < n) {
        throw Error("name of link record at stream offset " + std::to_string(at) + " is cut off");
      }
      r.name.assign(reinterpret_cast<const char*>(stream.data()) + at + fixed, n);
      at += n;
    }
    at += fixed;
    out.records.push_back(std::move(r));
  }
  return out;
}

std::vector<uint32_t> WalkCallChain(std::span<const uint8_t> code, uint32_t head) {
  std::vector<uint32_t> sites;
  std::unordered_set<uint32_t> seen;
  for (uint32_t at = head; at != 0;) {
    if (at < 1 || at > code.size() || code.size() - at < 4) {
      throw Error("call chain leaves the code segment at offset " + std::to_string(at));
    }
    if (code[at - 1] != image::kCallOpcode) {
      throw Error("call chain site at offset " + std::to_string(at) + " is not a call");
    }
    if (!seen.insert(at).second) {
      throw Error("call chain loops back to offset " + std::to_string(at));
    }
    sites.push_back(at);
    at = le32(code.data() + at);
  }
  return sites;
}

}  // namespace tess::imagetool
