// Fix-up stream encoder and decoder; see fixups.h for the word forms.
#include "fixups.h"

#include <algorithm>
#include <string>

#include "base/byte_order.h"
#include "error.h"
#include "image/format.h"

namespace tess::imagetool {
namespace {

void PutWord(std::vector<uint8_t>& out, uint16_t word) {
  out.resize(out.size() + 2);
  put_le16(out.data() + out.size() - 2, word);
}

uint16_t RunWord(FixupBase base) {
  return base == FixupBase::kCode ? image::kFixupCodeRunAlt : image::kFixupDataRun;
}

}  // namespace

std::vector<uint8_t> EncodeFixups(std::vector<FixupSite> sites) {
  std::sort(sites.begin(), sites.end(),
            [](const FixupSite& a, const FixupSite& b) { return a.offset < b.offset; });
  std::vector<uint8_t> out;
  uint64_t cursor = 0;
  size_t i = 0;
  while (i < sites.size()) {
    if (sites[i].offset < cursor) {
      throw Error("overlapping fix-up sites at data offset " + std::to_string(sites[i].offset));
    }
    for (uint64_t gap = sites[i].offset - cursor; gap > 0;) {
      const uint32_t n = uint32_t(std::min<uint64_t>(gap, image::kMaxSkip));
      PutWord(out, uint16_t(image::kFixupSkip | (n - 1)));
      gap -= n;
    }
    size_t n = 1;
    while (i + n < sites.size() && n < image::kMaxRunWords && sites[i + n].base == sites[i].base &&
           sites[i + n].offset == uint64_t(sites[i].offset) + 4 * n) {
      ++n;
    }
    PutWord(out, uint16_t(RunWord(sites[i].base) | (n - 1)));
    cursor = uint64_t(sites[i].offset) + 4 * n;
    i += n;
  }
  return out;
}

std::vector<FixupStep> DecodeFixups(std::span<const uint8_t> stream, uint32_t dataSize) {
  std::vector<FixupStep> steps;
  uint64_t cursor = 0;
  for (size_t at = 0; at + 2 <= stream.size(); at += 2) {
    const uint16_t word = le16(stream.data() + at);
    FixupStep step;
    step.word = word;
    step.cursor = uint32_t(std::min<uint64_t>(cursor, UINT32_MAX));
    if ((word & 0xF000) == image::kFixupSkip) {
      step.kind = FixupStep::kSkip;
      step.count = (word & image::kFixupSkipMask) + 1u;
      cursor += step.count;
    } else if ((word & 0xFC00) == image::kFixupCodeRun ||
               (word & 0xFE00) == image::kFixupCodeRunAlt) {
      // 0x4000-0x43FF: bit 9 selects the data base; 0x4600-0x47FF: code base.
      step.kind = FixupStep::kRun;
      step.base = (word & 0xFE00) == image::kFixupDataRun ? FixupBase::kData : FixupBase::kCode;
      step.count = (word & image::kFixupRunMask) + 1u;
      if (cursor + 4 * step.count > dataSize) {
        throw Error("fix-up run at data offset " + std::to_string(cursor) +
                    " reaches past the data segment (" + std::to_string(dataSize) + " bytes)");
      }
      cursor += 4 * step.count;
    } else {
      step.kind = FixupStep::kIgnored;
    }
    steps.push_back(step);
  }
  return steps;
}

std::vector<FixupSite> SitesOf(const std::vector<FixupStep>& steps) {
  std::vector<FixupSite> sites;
  for (const FixupStep& s : steps) {
    if (s.kind != FixupStep::kRun) continue;
    for (uint32_t w = 0; w < s.count; ++w) sites.push_back({s.cursor + 4 * w, s.base});
  }
  return sites;
}

}  // namespace tess::imagetool
