// Marker and trailer checking. Every read goes through At(), which answers
// "no byte" past the end, so a damaged image yields faults rather than reads
// outside the code.
#include "markers.h"

#include <cstdio>
#include <optional>
#include <set>

#include "base/byte_order.h"

namespace tess::imagetool {
namespace {

std::string Hex(uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
  return text;
}

class Checker {
 public:
  explicit Checker(std::span<const uint8_t> code) : code_(code) {}

  void Call(uint64_t r) {
    ++report_.calls;
    if (!Has(r, 3) || code_[r] != 0xEB || code_[r + 2] != 0x90) return;
    ++report_.marked;
    uint64_t p = r + 3;
    for (;;) {
      if (!Has(p, 2)) return Fault(r, "clean-up list runs past the code");
      const uint8_t kind = code_[p + 1];
      if (kind == 0) break;
      if (kind == 7) {
        p += 2;
      } else if (kind == 1 || kind == 2) {
        if (!Has(p, 4)) return Fault(r, "clean-up item runs past the code");
        p += 4;
      } else {
        return Fault(r, "clean-up item of kind " + std::to_string(kind) + " at " + Hex(p));
      }
    }
    const uint64_t after = p + 2;
    if (r + 2 + code_[r + 1] != after) {
      Fault(r, "marker jumps to " + Hex(r + 2 + code_[r + 1]) + ", the list ends at " + Hex(after));
    }
    uint64_t t = after;
    while (Has(t, 3) && !(code_[t] == 0xC9 && code_[t + 1] == 0xC3 && code_[t + 2] == 0x2F)) ++t;
    if (!Has(t, 3)) return Fault(r, "no trailer (C9 C3 2F) after the marker");
    if (trailers_.insert(t).second) Trailer(r, t);
  }

  MarkerReport Take() {
    report_.trailers = uint32_t(trailers_.size());
    return std::move(report_);
  }

 private:
  bool Has(uint64_t at, uint64_t n) const { return at <= code_.size() && code_.size() - at >= n; }

  void Fault(uint64_t r, const std::string& text) {
    report_.faults.push_back("call returning to " + Hex(r) + ": " + text);
  }

  void Trailer(uint64_t r, uint64_t t) {
    for (uint64_t q = t + 3;;) {
      if (!Has(q, 1)) return Fault(r, "trailer at " + Hex(t) + " is not ended by 00");
      const uint8_t kind = code_[q];
      if (kind == 0) return;
      if (kind == 5 || kind == 6) {
        q += 3;
      } else if (kind == 4 && Has(q, 7)) {
        const int64_t target = int64_t(q + 3) + int32_t(be32(&code_[q + 3]));
        if (target < 0 || uint64_t(target) >= code_.size()) {
          Fault(r, "handler at " + Hex(q) + " points outside the code");
        }
        q += 7;
      } else {
        return Fault(r, "trailer entry of kind " + std::to_string(kind) + " at " + Hex(q));
      }
    }
  }

  std::span<const uint8_t> code_;
  std::set<uint64_t> trailers_;
  MarkerReport report_;
};

}  // namespace

MarkerReport CheckMarkers(std::span<const uint8_t> code, const std::vector<uint32_t>& returns) {
  Checker checker(code);
  for (uint32_t r : returns) checker.Call(r);
  return checker.Take();
}

}  // namespace tess::imagetool
