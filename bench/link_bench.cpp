// Loading and linking a large image, as a ratio against only reading the same
// bytes from the file. The image has 1,000 distinct link names and 100,000
// call sites spread over them, plus a data segment with fix-up runs.
//
// Usage: link_bench [repetitions]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "bench_support.h"
#include "image/link_table.h"
#include "image/loader.h"
#include "platform/kernel/file.h"
#include "test_support.h"

namespace {

constexpr uint32_t kNames = 1000;
constexpr uint32_t kSites = 100000;
constexpr uint32_t kDataWords = 50000;

// Distinct spellings of one link-table name: the lookup compares without
// regard to case, so each spelling is its own record and still binds.
std::string Spelling(uint32_t n) {
  std::string name = "RuntimeMsgBox";
  for (size_t i = 0; i < name.size() && i < 32; ++i) {
    if (n & (1u << i)) name[i] = char(name[i] ^ 0x20);
  }
  return name;
}

void AppendBlock(std::vector<uint8_t>& out, const std::vector<uint8_t>& block) {
  tess::test::AppendLe32(out, uint32_t(block.size()));
  out.insert(out.end(), block.begin(), block.end());
}

std::vector<uint8_t> GenerateImage() {
  std::vector<uint8_t> code(size_t(kSites) * 5 + 1, 0xC3);
  std::vector<uint32_t> head(kNames, 0);
  // Sites are threaded from the end so each chain runs forward.
  for (uint32_t s = kSites; s-- > 0;) {
    uint32_t field = s * 5 + 1;
    uint32_t name = s % kNames;
    code[field - 1] = 0xE8;
    tess::put_le32(&code[field], head[name]);
    head[name] = field;
  }
  std::vector<uint8_t> links;
  for (uint32_t n = 0; n < kNames; ++n) {
    std::string name = Spelling(n);
    links.push_back(1);
    tess::test::AppendLe32(links, head[n]);
    links.push_back(uint8_t(name.size()));
    links.insert(links.end(), name.begin(), name.end());
  }
  std::vector<uint8_t> data(size_t(kDataWords) * 4, 0);
  std::vector<uint8_t> fixups;
  for (uint32_t w = 0; w < kDataWords; w += 512) {
    uint32_t run = std::min<uint32_t>(512, kDataWords - w);
    tess::test::AppendLe16(fixups, uint16_t((w / 512 % 2 ? 0x4200 : 0x4600) | (run - 1)));
  }
  std::vector<uint8_t> image;
  AppendBlock(image, code);
  AppendBlock(image, links);
  AppendBlock(image, data);
  AppendBlock(image, fixups);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  tess::test::TempDir dir;
  std::string path = dir.File("image.bin");
  tess::test::WriteFile(path, GenerateImage());

  size_t sink = 0;
  double read = tess::bench::MedianSeconds(repetitions, [&] {
    std::string bytes;
    tess::platform::ReadWholeFile(path, &bytes);
    sink += bytes.size();
  });
  double load = tess::bench::MedianSeconds(repetitions, [&] {
    auto file = tess::platform::File::Open(path, tess::platform::File::Mode::kRead);
    tess::image::ImageBlocks blocks;
    std::vector<tess::image::DeferredReference> deferred;
    std::string message;
    bool ok = tess::image::ReadAppendedImage(*file, 0, &blocks, &message) &&
              tess::image::LinkStream(blocks.segments, blocks.linkStream.data(),
                                      blocks.linkStream.size(), &deferred, &message) &&
              tess::image::ApplyFixups(blocks.segments, blocks.fixups.data(), blocks.fixups.size(),
                                       &message);
    if (!ok) {
      std::fprintf(stderr, "link_bench: %s\n", message.c_str());
      std::exit(1);
    }
    sink += blocks.segments.codeSize;
  });
  std::printf("image: %u names, %u call sites, %u data words; link table of %zu records\n", kNames,
              kSites, kDataWords, tess::image::LinkTableRecords().size());
  std::printf("read file:        %8.3f ms (median of %d)\n", read * 1e3, repetitions);
  std::printf("load+link+fix-up: %8.3f ms\n", load * 1e3);
  std::printf("ratio load/read:  %8.2f\n", load / read);
  return sink == 0;
}
