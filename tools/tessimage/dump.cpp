// Image description: the decoding is done by the same readers the tests use
// (link_records, fixups, pool), so a dump shows what the loader will see.
#include "dump.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "elf32.h"
#include "error.h"
#include "image/format.h"
#include "image_file.h"
#include "link_records.h"
#include "markers.h"
#include "pool.h"
#include "records_dump.h"

namespace tess::imagetool {
namespace fs = std::filesystem;

namespace {

std::string Format(const char* format, auto... args) {
  char line[256];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

std::string Plural(uint32_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

bool IsElf(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(),
                                          "\x7f"
                                          "ELF",
                                          4) == 0;
}

}  // namespace

std::string DescribeImage(const Image& image, const std::vector<uint8_t>* pool) {
  std::string out;
  out += Format("code segment: %zu bytes\n", image.code.size());
  out += Format("link stream: %zu bytes\n", image.link.size());
  out += Format("data segment: %zu bytes\n", image.data.size());
  out += Format("fix-up stream: %zu bytes\n", image.fixups.size());

  const LinkStream links = DecodeLinkRecords(image.link);
  uint32_t dataAddresses = 0;
  std::vector<uint32_t> returns;
  out += "link records:\n";
  for (const LinkRecord& r : links.records) {
    if (r.type == image::kRecordDataAddress) {
      if (r.offset > image.code.size() || image.code.size() - r.offset < 4) {
        throw Error(Format("data-address record points outside the code (offset 0x%x)", r.offset));
      }
      ++dataAddresses;
      continue;
    }
    try {
      const std::vector<uint32_t> sites = WalkCallChain(image.code, r.offset);
      for (uint32_t site : sites) returns.push_back(site + 4);
      out += "  call " + r.name + ": " + Plural(uint32_t(sites.size()), "site") + "\n";
    } catch (const Error& e) {
      throw Error("link record '" + r.name + "': " + e.what());
    }
  }
  out += "  data addresses in code: " + std::to_string(dataAddresses) + "\n";
  const MarkerReport markers = CheckMarkers(image.code, returns);
  out += Format("  call markers: %u of %s, %s\n", markers.marked,
                Plural(markers.calls, "named call site").c_str(),
                Plural(markers.trailers, "trailer").c_str());
  for (const std::string& f : markers.faults) out += "    fault: " + f + "\n";
  if (links.unknownBytes) out += "  skipped bytes: " + std::to_string(links.unknownBytes) + "\n";

  out += "fix-ups:\n";
  for (const FixupStep& s : DecodeFixups(image.fixups, uint32_t(image.data.size()))) {
    switch (s.kind) {
      case FixupStep::kSkip:
        out += Format("  skip %u\n", s.count);
        break;
      case FixupStep::kRun:
        out += Format("  %s-base run of %s at offset 0x%x\n",
                      s.base == FixupBase::kCode ? "code" : "data", Plural(s.count, "word").c_str(),
                      s.cursor);
        break;
      case FixupStep::kIgnored:
        out += Format("  ignored word 0x%04x\n", s.word);
        break;
    }
  }

  out += DescribeRecords(image);

  if (!pool) {
    out += "pool: none\n";
    return out;
  }
  const std::vector<PoolItem> items = ReadPool(*pool);
  out += "pool: " + Plural(uint32_t(items.size()), "item") + "\n";
  for (size_t i = 0; i < items.size(); ++i) {
    out += Format("  item %zu: offset 0x%x, %s\n", i + 1, items[i].offset,
                  Plural(items[i].size, "byte").c_str());
  }
  return out;
}

namespace {

std::string WithWindows(std::string out, const Image& image, const std::vector<uint32_t>& windows) {
  for (uint32_t offset : windows) out += DescribeWindowLayout(image, offset);
  return out;
}

}  // namespace

std::string DumpPath(const fs::path& path, const std::vector<uint32_t>& windows) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    for (const char* name :
         {image::kDevCodeFile, image::kDevDataFile, image::kDevLinkFile, image::kDevFixupFile}) {
      if (!fs::exists(path / name, ec)) throw Error((path / name).string() + ": missing");
    }
    Image image{ReadFile(path / image::kDevCodeFile), ReadFile(path / image::kDevLinkFile),
                ReadFile(path / image::kDevDataFile), ReadFile(path / image::kDevFixupFile)};
    std::vector<uint8_t> pool;
    const bool hasPool = fs::exists(path / image::kDevPoolFile, ec);
    if (hasPool) pool = ReadFile(path / image::kDevPoolFile);
    return WithWindows(
        path.string() + ": development files\n" + DescribeImage(image, hasPool ? &pool : nullptr),
        image, windows);
  }

  std::vector<uint8_t> bytes = ReadFile(path);
  if (!IsElf(bytes)) {
    size_t consumed = 0;
    Image image = ParseImage(bytes, &consumed);
    std::string out = path.string() + ": bare image\n";
    if (consumed != bytes.size()) {
      out += Format("trailing bytes after the image: %zu\n", bytes.size() - consumed);
    }
    return WithWindows(out + DescribeImage(image, nullptr), image, windows);
  }

  const ElfFile exe(path.string(), std::move(bytes));
  const Locator loc = ReadLocator(exe);
  if (loc.placeholder) {
    return path.string() + ": runtime with the placeholder locator (development mode); " +
           "no image appended\n";
  }
  const std::vector<uint8_t>& file = exe.bytes();
  if (loc.image >= file.size()) exe.Fail(Format("image offset 0x%x lies past the end", loc.image));
  std::span<const uint8_t> rest = std::span<const uint8_t>(file).subspan(loc.image);
  size_t consumed = 0;
  Image image = ParseImage(rest, &consumed);
  std::string out = path.string() + Format(": runtime with an image at offset 0x%x", loc.image);
  std::vector<uint8_t> pool;
  if (loc.pool != image::kNoPool) {
    if (loc.pool >= file.size()) exe.Fail(Format("pool offset 0x%x lies past the end", loc.pool));
    pool.assign(file.begin() + loc.pool, file.end());
    out += Format(", pool at offset 0x%x", loc.pool);
  }
  out += "\n";
  return WithWindows(out + DescribeImage(image, loc.pool != image::kNoPool ? &pool : nullptr),
                     image, windows);
}

}  // namespace tess::imagetool
