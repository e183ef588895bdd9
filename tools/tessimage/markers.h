// Checks the call markers and frame trailers of an image's code the way the
// unwinder reads them, for the dump: a call whose return address holds
// EB nn 90 is marked; its clean-up items must be kinds 1, 2 and 7 ended by
// kind 0, the marker's jump must land right after the end item, and the first
// C9 C3 2F after the list must open a trailer of entries 4, 5 and 6 ended by
// 00 inside the code, whose handlers point into the code. Reading is
// bounds-checked throughout; faults are reported, never thrown.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tess::imagetool {

struct MarkerReport {
  uint32_t calls = 0;     // return addresses looked at
  uint32_t marked = 0;    // of them, those with a marker
  uint32_t trailers = 0;  // distinct trailers reached
  std::vector<std::string> faults;
};

// `returns` are code offsets of return addresses (call site field + 4).
MarkerReport CheckMarkers(std::span<const uint8_t> code, const std::vector<uint32_t>& returns);

}  // namespace tess::imagetool
