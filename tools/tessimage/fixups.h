// The data fix-up stream: encoding a set of relocation sites into skip and
// run words, and decoding a stream back into the steps the loader performs.
// The encoder is shared with the loader's tests and benchmarks.
//
// Encoding keeps these invariants: sites are visited in offset order with a
// cursor starting at 0; a gap becomes skip words of at most 4096 bytes each;
// consecutive 4-byte words with the same base become one run word of at most
// 512 words (code base as 0x46xx, the form class records use; data base as
// 0x42xx). The stream holds nothing else, so decoding it reproduces the sites.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tess::imagetool {

enum class FixupBase : uint8_t { kCode, kData };

struct FixupSite {
  uint32_t offset = 0;  // data-segment offset of the 32-bit word
  FixupBase base = FixupBase::kData;
  bool operator==(const FixupSite&) const = default;
};

// Sites may come in any order; overlapping sites throw Error.
std::vector<uint8_t> EncodeFixups(std::vector<FixupSite> sites);

struct FixupStep {
  enum Kind : uint8_t { kSkip, kRun, kIgnored } kind = kSkip;
  FixupBase base = FixupBase::kData;  // runs only
  uint32_t cursor = 0;                // data offset where the step starts
  uint32_t count = 0;                 // bytes skipped, or words relocated
  uint16_t word = 0;
};

// Interprets the stream exactly as the loader does (a trailing odd byte is
// ignored). A run reaching past `dataSize` throws Error: the loader would
// write outside the segment.
std::vector<FixupStep> DecodeFixups(std::span<const uint8_t> stream, uint32_t dataSize);

// The sites a decoded stream relocates, in order.
std::vector<FixupSite> SitesOf(const std::vector<FixupStep>& steps);

}  // namespace tess::imagetool
