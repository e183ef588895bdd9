// Links ELF32 i386 relocatable objects into an application image.
//
// Layout: the code segment is every executable allocated section of every
// object, in command-line order, aligned and padded with int3. The data
// segment starts with the 8-byte header (entry routine address fixed up with
// the code base, application descriptor address fixed up with the data base
// or 0), then every other allocated section in the same order (.bss as
// zeros), then COMMON symbols. Notes and .eh_frame are left out; a reference
// into them is refused.
//
// Relocations: a PC-relative call to an undefined symbol becomes a named call
// site threaded into that name's chain (name kept verbatim: runtime link-table
// name, "!X" library routine or "!" deferred member); PC-relative references
// inside the code are resolved here; absolute references from code to data
// become data-address records; absolute references in data become fix-up
// sites. Everything else is refused with a message naming object, section
// and symbol; all refusals of a build are reported together.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fixups.h"
#include "link_records.h"

namespace tess::imagetool {

struct ObjectFile {
  std::string name;  // shown in messages
  std::vector<uint8_t> bytes;
};

struct Image {
  std::vector<uint8_t> code;
  std::vector<uint8_t> link;
  std::vector<uint8_t> data;
  std::vector<uint8_t> fixups;
};

inline constexpr char kDefaultEntry[] = "TessMain";
inline constexpr char kDefaultDescriptor[] = "TessApplication";

struct BuildOptions {
  std::string entry = kDefaultEntry;
  std::string descriptor = kDefaultDescriptor;
  // A descriptor named by the user must exist; the default one may be absent
  // (header word 1 is then 0 and carries no fix-up).
  bool descriptorRequired = false;
};

enum class Segment : uint8_t { kCode, kData, kAbsolute };

struct MapEntry {
  std::string name;
  std::string object;
  Segment segment = Segment::kCode;
  uint32_t offset = 0;
  uint32_t size = 0;
  bool global = false;
};

struct BuildResult {
  Image image;
  std::vector<LinkRecord> links;  // what image.link encodes
  std::vector<FixupSite> fixups;  // what image.fixups encodes, by offset
  std::vector<MapEntry> symbols;  // by segment, then offset
};

// Throws BuildError listing every refusal, or Error for a malformed object.
BuildResult BuildImage(const std::vector<ObjectFile>& objects, const BuildOptions& options);

// One line per symbol: segment, offset, size, binding, name, object.
std::string FormatMap(const std::vector<MapEntry>& symbols);

}  // namespace tess::imagetool
