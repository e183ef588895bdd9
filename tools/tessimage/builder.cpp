// Object-to-image linking: section placement, global symbol resolution,
// relocation processing and the encoding of link records and fix-ups.
// Segment offsets are kept below kMaxSegment so that every sum of an offset,
// an alignment pad and a section size fits comfortably in 32 bits.
#include "builder.h"

#include <elf.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <unordered_map>

#include "base/byte_order.h"
#include "elf32.h"
#include "error.h"
#include "image/format.h"

namespace tess::imagetool {
namespace {

constexpr uint64_t kMaxSegment = uint64_t(256) << 20;
constexpr uint32_t kMaxAlign = 4096;
constexpr uint8_t kCodePad = 0xCC;  // int3: stray execution of padding traps

// Where a section of an object ends up. kDropped sections are allocated in
// the object but have no place in the image (unwind tables, notes).
enum class Place : uint8_t { kNone, kCode, kData, kDropped };

struct Target {
  enum Kind : uint8_t { kUndefined, kCode, kData, kAbsolute, kOutside } kind = kUndefined;
  uint32_t value = 0;
  std::string outside;  // kOutside: the section that holds the symbol
};

struct Input {
  const ObjectFile* file;
  ElfFile elf;
  std::vector<Place> place;
  std::vector<uint32_t> base;  // segment offset of each placed section
};

struct GlobalDef {
  size_t object;
  uint32_t symbol;
  bool weak;
  Target target;
};

struct Common {
  uint32_t size = 0;
  uint32_t align = 1;
  size_t object = 0;
};

struct Patch {
  Segment segment;
  uint32_t offset;
  size_t object;
  uint32_t section;
};

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", v);
  return text;
}

const char* RelocationName(uint8_t type) {
  switch (type) {
    case R_386_GOT32:
      return "R_386_GOT32";
    case R_386_COPY:
      return "R_386_COPY";
    case R_386_GLOB_DAT:
      return "R_386_GLOB_DAT";
    case R_386_JMP_SLOT:
      return "R_386_JMP_SLOT";
    case R_386_RELATIVE:
      return "R_386_RELATIVE";
    case R_386_GOTOFF:
      return "R_386_GOTOFF";
    case R_386_GOTPC:
      return "R_386_GOTPC";
    case R_386_GOT32X:
      return "R_386_GOT32X";
    case R_386_16:
      return "R_386_16";
    case R_386_PC16:
      return "R_386_PC16";
    case R_386_8:
      return "R_386_8";
    case R_386_PC8:
      return "R_386_PC8";
    default:
      return type >= R_386_TLS_TPOFF && type <= R_386_TLS_DESC ? "thread-local" : "other";
  }
}

bool IsPic(uint8_t type) {
  return type == R_386_GOT32 || type == R_386_GOT32X || type == R_386_GOTOFF || type == R_386_GOTPC;
}

bool IsPcRelative(uint8_t type) {
  return type == R_386_PC32 || type == R_386_PLT32;
}

class Builder {
 public:
  Builder(const std::vector<ObjectFile>& objects, const BuildOptions& options) : options_(options) {
    inputs_.reserve(objects.size());
    for (const ObjectFile& f : objects) {
      inputs_.push_back(Input{&f, ElfFile(f.name, f.bytes), {}, {}});
      if (inputs_.back().elf.type() != ET_REL) {
        inputs_.back().elf.Fail("not a relocatable object (compile with -c)");
      }
    }
  }

  BuildResult Run() {
    if (inputs_.empty()) throw Error("no object files given");
    for (size_t o = 0; o < inputs_.size(); ++o) Classify(o);
    Layout();
    CollectGlobals();
    for (size_t o = 0; o < inputs_.size(); ++o) {
      const std::vector<ElfSection>& sections = inputs_[o].elf.sections();
      for (uint32_t s = 0; s < sections.size(); ++s) {
        if (sections[s].type == SHT_REL || sections[s].type == SHT_RELA) Relocate(o, s);
      }
    }
    CheckOverlaps();
    WriteHeader();
    if (!errors_.empty()) throw BuildError(errors_);

    BuildResult result;
    result.links = ThreadChains();
    result.image.link = EncodeLinkRecords(result.links);
    std::sort(fixups_.begin(), fixups_.end(),
              [](const FixupSite& a, const FixupSite& b) { return a.offset < b.offset; });
    result.image.fixups = EncodeFixups(fixups_);
    result.fixups = std::move(fixups_);
    result.symbols = Map();
    result.image.code = std::move(code_);
    result.image.data = std::move(data_);
    return result;
  }

 private:
  void Refuse(size_t o, uint32_t section, const std::string& text) {
    errors_.push_back(inputs_[o].file->name + ": section " + inputs_[o].elf.section(section).name +
                      ": " + text);
  }

  void Refuse(size_t o, uint32_t section, uint32_t offset, const std::string& symbol,
              const std::string& text) {
    errors_.push_back(inputs_[o].file->name + ": section " + inputs_[o].elf.section(section).name +
                      " at " + Hex(offset) + ", symbol '" + symbol + "': " + text);
  }

  void Classify(size_t o) {
    Input& in = inputs_[o];
    const std::vector<ElfSection>& sections = in.elf.sections();
    in.place.assign(sections.size(), Place::kNone);
    in.base.assign(sections.size(), 0);
    for (uint32_t s = 0; s < sections.size(); ++s) {
      const ElfSection& sec = sections[s];
      if (!(sec.flags & SHF_ALLOC) || sec.type == SHT_GROUP) continue;
      in.place[s] = Place::kDropped;
      if (sec.name == ".eh_frame" || sec.type == SHT_NOTE || sec.name.starts_with(".note")) {
        continue;
      }
      if (sec.flags & SHF_TLS) {
        Refuse(o, s, "thread-local storage is not supported");
      } else if (sec.type == SHT_INIT_ARRAY || sec.type == SHT_FINI_ARRAY ||
                 sec.type == SHT_PREINIT_ARRAY || sec.name.starts_with(".ctors") ||
                 sec.name.starts_with(".dtors")) {
        Refuse(o, s, "static constructors and destructors are not supported");
      } else if (sec.type != SHT_PROGBITS && sec.type != SHT_NOBITS) {
        Refuse(o, s, "unsupported allocated section type " + Hex(sec.type));
      } else {
        in.place[s] = (sec.flags & SHF_EXECINSTR) ? Place::kCode : Place::kData;
      }
    }
  }

  void PlaceSection(size_t o, uint32_t s, std::vector<uint8_t>& segment, uint8_t pad) {
    Input& in = inputs_[o];
    const ElfSection& sec = in.elf.section(s);
    uint32_t align = std::max<uint32_t>(sec.addralign, 1);
    if ((align & (align - 1)) != 0 || align > kMaxAlign) {
      Refuse(o, s, "unsupported alignment " + std::to_string(sec.addralign));
      align = 1;
    }
    const uint64_t start = (uint64_t(segment.size()) + align - 1) & ~uint64_t(align - 1);
    if (start + sec.size > kMaxSegment) in.elf.Fail("section " + sec.name + " is too large");
    segment.resize(start, pad);
    in.base[s] = uint32_t(start);
    std::span<const uint8_t> bytes = in.elf.SectionBytes(s);
    segment.insert(segment.end(), bytes.begin(), bytes.end());
    segment.resize(start + sec.size, 0);  // SHT_NOBITS
  }

  void Layout() {
    data_.assign(image::kDataHeaderSize, 0);
    for (size_t o = 0; o < inputs_.size(); ++o) {
      for (uint32_t s = 0; s < inputs_[o].place.size(); ++s) {
        if (inputs_[o].place[s] == Place::kCode) PlaceSection(o, s, code_, kCodePad);
      }
    }
    for (size_t o = 0; o < inputs_.size(); ++o) {
      for (uint32_t s = 0; s < inputs_[o].place.size(); ++s) {
        if (inputs_[o].place[s] == Place::kData) PlaceSection(o, s, data_, 0);
      }
    }
  }

  Target SectionTarget(size_t o, const ElfSymbol& sym) const {
    const Input& in = inputs_[o];
    if (sym.shndx == SHN_ABS) return {Target::kAbsolute, sym.value, {}};
    if (sym.shndx >= SHN_LORESERVE)
      return {Target::kOutside, 0, "special section " + Hex(sym.shndx)};
    const ElfSection& sec = in.elf.section(sym.shndx);
    const Place place = in.place[sym.shndx];
    if (place != Place::kCode && place != Place::kData) return {Target::kOutside, 0, sec.name};
    if (sym.value > sec.size) {
      in.elf.Fail("symbol '" + sym.name + "' lies beyond the end of section " + sec.name);
    }
    return {
        place == Place::kCode ? Target::kCode : Target::kData, in.base[sym.shndx] + sym.value, {}};
  }

  void CollectGlobals() {
    std::map<std::string, Common> commons;
    std::vector<std::string> commonOrder;
    for (size_t o = 0; o < inputs_.size(); ++o) {
      const std::vector<ElfSymbol>& symbols = inputs_[o].elf.symbols();
      for (uint32_t k = 1; k < symbols.size(); ++k) {
        const ElfSymbol& sym = symbols[k];
        if (sym.bind == STB_LOCAL || sym.shndx == SHN_UNDEF || sym.name.empty()) continue;
        if (sym.shndx == SHN_COMMON) {
          auto [it, added] = commons.try_emplace(sym.name, Common{sym.size, 1, o});
          if (added) commonOrder.push_back(sym.name);
          it->second.size = std::max(it->second.size, sym.size);
          it->second.align = std::max(it->second.align, sym.value);
          continue;
        }
        const bool weak = sym.bind == STB_WEAK;
        GlobalDef def{o, k, weak, SectionTarget(o, sym)};
        auto [it, added] = globals_.try_emplace(sym.name, def);
        if (added) continue;
        if (!it->second.weak && !weak) {
          errors_.push_back(inputs_[o].file->name + ": symbol '" + sym.name +
                            "': duplicate definition (also defined in " +
                            inputs_[it->second.object].file->name + ")");
        } else if (it->second.weak && !weak) {
          it->second = def;
        }
      }
    }
    // COMMON symbols yield to a real definition, as with any linker.
    for (const std::string& name : commonOrder) {
      if (globals_.count(name)) continue;
      const Common& c = commons[name];
      uint32_t align = std::max<uint32_t>(c.align, 1);
      if ((align & (align - 1)) != 0 || align > kMaxAlign || c.size > kMaxSegment) {
        inputs_[c.object].elf.Fail("common symbol '" + name + "' has a bad size or alignment");
      }
      const uint64_t start = (uint64_t(data_.size()) + align - 1) & ~uint64_t(align - 1);
      if (start + c.size > kMaxSegment) throw Error("data segment too large");
      data_.resize(start + c.size, 0);
      globals_.emplace(name, GlobalDef{c.object, 0, false, {Target::kData, uint32_t(start), {}}});
      commonMap_.push_back(
          {name, inputs_[c.object].file->name, Segment::kData, uint32_t(start), c.size, true});
    }
  }

  Target Resolve(size_t o, uint32_t k) const {
    const ElfSymbol& sym = inputs_[o].elf.symbols()[k];
    if (sym.bind != STB_LOCAL && !sym.name.empty()) {
      auto it = globals_.find(sym.name);
      if (it != globals_.end()) return it->second.target;
      return {Target::kUndefined, 0, {}};
    }
    if (sym.shndx == SHN_UNDEF) return {Target::kUndefined, 0, {}};
    return SectionTarget(o, sym);
  }

  std::string SymbolName(size_t o, uint32_t k) const {
    const ElfSymbol& sym = inputs_[o].elf.symbols()[k];
    if (sym.type == STT_SECTION && sym.shndx < inputs_[o].elf.sections().size()) {
      return inputs_[o].elf.section(sym.shndx).name;
    }
    return sym.name.empty() ? "(unnamed)" : sym.name;
  }

  void Relocate(size_t o, uint32_t relSection) {
    Input& in = inputs_[o];
    const uint32_t s = in.elf.section(relSection).info;
    if (s >= in.place.size()) in.elf.Fail(in.elf.section(relSection).name + " applies to nothing");
    const Place place = in.place[s];
    if (place != Place::kCode && place != Place::kData) return;
    if (in.elf.section(relSection).type == SHT_RELA) {
      Refuse(o, s, "RELA relocations are not supported (assemble for i386 with --32)");
      return;
    }
    const ElfSection& sec = in.elf.section(s);
    std::span<const uint8_t> bytes = in.elf.SectionBytes(s);
    const bool inCode = place == Place::kCode;
    std::vector<uint8_t>& segment = inCode ? code_ : data_;
    for (const ElfRelocation& r : in.elf.Relocations(relSection)) {
      if (r.type == R_386_NONE) continue;
      const std::string name = SymbolName(o, r.symbol);
      if (r.type != R_386_32 && !IsPcRelative(r.type)) {
        Refuse(o, s, r.offset, name,
               "unsupported relocation type " + std::to_string(r.type) + " (" +
                   RelocationName(r.type) + ")" + (IsPic(r.type) ? "; compile with -fno-pic" : ""));
        continue;
      }
      if (sec.type == SHT_NOBITS || r.offset > bytes.size() || bytes.size() - r.offset < 4) {
        Refuse(o, s, r.offset, name, "relocation lies outside the section's contents");
        continue;
      }
      const uint32_t addend = le32(bytes.data() + r.offset);
      const uint32_t at = in.base[s] + r.offset;
      const Target t = Resolve(o, r.symbol);
      auto refuse = [&](const std::string& text) { Refuse(o, s, r.offset, name, text); };
      if (t.kind == Target::kOutside) {
        refuse("refers to " + t.outside + ", which is not part of the image");
        continue;
      }
      patches_.push_back({inCode ? Segment::kCode : Segment::kData, at, o, s});
      if (!inCode && IsPcRelative(r.type)) {
        refuse("PC-relative reference in data");
      } else if (!inCode) {  // R_386_32 in data
        if (t.kind == Target::kUndefined) {
          refuse("data refers to an undefined symbol");
          continue;
        }
        put_le32(&segment[at], t.value + addend);
        if (t.kind != Target::kAbsolute) {
          fixups_.push_back({at, t.kind == Target::kCode ? FixupBase::kCode : FixupBase::kData});
        }
      } else if (IsPcRelative(r.type)) {
        switch (t.kind) {
          case Target::kUndefined:
            AddCallSite(o, s, r.offset, name, addend, at);
            break;
          case Target::kCode:
            put_le32(&segment[at], t.value + addend - at);
            break;
          case Target::kData:
            refuse("PC-relative reference into data");
            break;
          default:
            refuse("PC-relative reference to an absolute symbol");
            break;
        }
      } else {  // R_386_32 in code
        switch (t.kind) {
          case Target::kData:
            put_le32(&segment[at], t.value + addend);
            dataAddresses_.push_back(at);
            break;
          case Target::kAbsolute:
            put_le32(&segment[at], t.value + addend);
            break;
          case Target::kCode:
            refuse(
                "absolute address of code in code (images cannot relocate code addresses "
                "inside code; call it or take the address in data)");
            break;
          default:
            refuse("absolute reference to an undefined symbol");
            break;
        }
      }
    }
  }

  void AddCallSite(size_t o, uint32_t s, uint32_t offset, const std::string& name, uint32_t addend,
                   uint32_t at) {
    std::span<const uint8_t> bytes = inputs_[o].elf.SectionBytes(s);
    if (offset == 0 || bytes[offset - 1] != image::kCallOpcode) {
      Refuse(o, s, offset, name,
             "undefined routine reached by something other than a 5-byte call (a tail-call jmp? "
             "compile with -fno-optimize-sibling-calls)");
    } else if (int32_t(addend) != -4) {
      Refuse(o, s, offset, name,
             "call with addend " + std::to_string(int32_t(addend)) +
                 " (only calls to the routine itself can be linked)");
    } else if (name.size() > image::kMaxNameLength) {
      Refuse(o, s, offset, name.substr(0, 40) + "...",
             "name longer than " + std::to_string(image::kMaxNameLength) + " bytes");
    } else {
      auto [it, added] = calls_.try_emplace(name);
      it->second.push_back(at);
    }
  }

  void CheckOverlaps() {
    std::sort(patches_.begin(), patches_.end(), [](const Patch& a, const Patch& b) {
      return std::tie(a.segment, a.offset) < std::tie(b.segment, b.offset);
    });
    for (size_t i = 1; i < patches_.size(); ++i) {
      const Patch& a = patches_[i - 1];
      const Patch& b = patches_[i];
      if (a.segment == b.segment && b.offset - a.offset < 4) {
        Refuse(b.object, b.section,
               "relocations overlap at " + Hex(b.offset - inputs_[b.object].base[b.section]));
      }
    }
  }

  void WriteHeader() {
    auto entry = globals_.find(options_.entry);
    if (entry == globals_.end() || entry->second.target.kind != Target::kCode) {
      errors_.push_back(
          "entry routine '" + options_.entry +
          (entry == globals_.end() ? "' is not defined by any object" : "' is not in the code"));
    } else {
      put_le32(&data_[image::kDataEntryOffset], entry->second.target.value);
      fixups_.push_back({image::kDataEntryOffset, FixupBase::kCode});
    }
    auto desc = globals_.find(options_.descriptor);
    if (desc == globals_.end()) {
      if (options_.descriptorRequired) {
        errors_.push_back("application descriptor '" + options_.descriptor +
                          "' is not defined by any object");
      }
    } else if (desc->second.target.kind != Target::kData) {
      errors_.push_back("application descriptor '" + options_.descriptor + "' is not in the data");
    } else {
      put_le32(&data_[image::kDataDescriptorOffset], desc->second.target.value);
      fixups_.push_back({image::kDataDescriptorOffset, FixupBase::kData});
    }
  }

  // Threads each name's sites in offset order; records follow their heads.
  std::vector<LinkRecord> ThreadChains() {
    std::vector<LinkRecord> records;
    for (auto& [name, sites] : calls_) {
      std::sort(sites.begin(), sites.end());
      for (size_t i = 0; i < sites.size(); ++i) {
        put_le32(&code_[sites[i]], i + 1 < sites.size() ? sites[i + 1] : 0);
      }
      records.push_back({image::kRecordNamedCall, sites.front(), name});
    }
    std::sort(records.begin(), records.end(),
              [](const LinkRecord& a, const LinkRecord& b) { return a.offset < b.offset; });
    std::sort(dataAddresses_.begin(), dataAddresses_.end());
    for (uint32_t at : dataAddresses_) records.push_back({image::kRecordDataAddress, at, {}});
    return records;
  }

  std::vector<MapEntry> Map() const {
    std::vector<MapEntry> out = commonMap_;
    for (size_t o = 0; o < inputs_.size(); ++o) {
      const std::vector<ElfSymbol>& symbols = inputs_[o].elf.symbols();
      for (uint32_t k = 1; k < symbols.size(); ++k) {
        const ElfSymbol& sym = symbols[k];
        if (sym.name.empty() || sym.type == STT_SECTION || sym.type == STT_FILE ||
            sym.shndx == SHN_UNDEF || sym.shndx == SHN_COMMON) {
          continue;
        }
        const bool global = sym.bind != STB_LOCAL;
        if (global) {
          auto it = globals_.find(sym.name);
          if (it == globals_.end() || it->second.object != o || it->second.symbol != k) continue;
        }
        const Target t = SectionTarget(o, sym);
        if (t.kind == Target::kOutside) continue;
        const Segment seg = t.kind == Target::kCode   ? Segment::kCode
                            : t.kind == Target::kData ? Segment::kData
                                                      : Segment::kAbsolute;
        out.push_back({sym.name, inputs_[o].file->name, seg, t.value, sym.size, global});
      }
    }
    std::sort(out.begin(), out.end(), [](const MapEntry& a, const MapEntry& b) {
      return std::tie(a.segment, a.offset, a.name) < std::tie(b.segment, b.offset, b.name);
    });
    return out;
  }

  const BuildOptions& options_;
  std::vector<Input> inputs_;
  std::vector<uint8_t> code_;
  std::vector<uint8_t> data_;
  std::unordered_map<std::string, GlobalDef> globals_;
  std::vector<MapEntry> commonMap_;
  std::map<std::string, std::vector<uint32_t>> calls_;
  std::vector<uint32_t> dataAddresses_;
  std::vector<FixupSite> fixups_;
  std::vector<Patch> patches_;
  std::vector<std::string> errors_;
};

}  // namespace

BuildResult BuildImage(const std::vector<ObjectFile>& objects, const BuildOptions& options) {
  return Builder(objects, options).Run();
}

std::string FormatMap(const std::vector<MapEntry>& symbols) {
  std::string out;
  for (const MapEntry& e : symbols) {
    const char* seg = e.segment == Segment::kCode   ? "code"
                      : e.segment == Segment::kData ? "data"
                                                    : "abs ";
    char line[64];
    std::snprintf(line, sizeof line, "%s 0x%08x %8u %s ", seg, e.offset, e.size,
                  e.global ? "global" : "local ");
    out += line + e.name + "  " + e.object + "\n";
  }
  return out;
}

}  // namespace tess::imagetool
