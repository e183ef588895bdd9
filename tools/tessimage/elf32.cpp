// ELF32 reading with every file-supplied number range-checked in 64-bit
// arithmetic before it indexes the buffer. Fields are read little-endian
// through base/byte_order.h; the file's structures are never cast.
#include "elf32.h"

#include <elf.h>

#include "base/byte_order.h"
#include "error.h"

namespace tess::imagetool {
namespace {

constexpr uint32_t kHeaderSize = 52;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSymbolSize = 16;
constexpr uint32_t kRelSize = 8;

bool Fits(uint64_t offset, uint64_t size, uint64_t total) {
  return offset <= total && size <= total - offset;
}

}  // namespace

ElfFile::ElfFile(std::string name, std::vector<uint8_t> bytes)
    : name_(std::move(name)), bytes_(std::move(bytes)) {
  const uint8_t* b = bytes_.data();
  if (bytes_.size() < kHeaderSize || b[0] != ELFMAG0 || b[1] != ELFMAG1 || b[2] != ELFMAG2 ||
      b[3] != ELFMAG3) {
    Fail("not an ELF file");
  }
  if (b[EI_CLASS] != ELFCLASS32 || b[EI_DATA] != ELFDATA2LSB) {
    Fail("not a little-endian 32-bit ELF file (build with -m32)");
  }
  type_ = le16(b + 16);
  if (le16(b + 18) != EM_386) Fail("not an i386 ELF file (build with -m32)");
  const uint32_t shoff = le32(b + 32);
  const uint16_t shentsize = le16(b + 46);
  const uint32_t shnum = le16(b + 48);
  const uint32_t shstrndx = le16(b + 50);
  if (shnum == 0) {
    if (shoff != 0) Fail("extended section numbering is not supported");
    return;
  }
  if (shentsize < kSectionHeaderSize) Fail("section header entries are too small");
  if (!Fits(shoff, uint64_t(shnum) * shentsize, bytes_.size())) {
    Fail("section header table lies outside the file");
  }
  sections_.resize(shnum);
  std::vector<uint32_t> names(shnum);
  for (uint32_t i = 0; i < shnum; ++i) {
    const uint8_t* h = b + shoff + uint64_t(i) * shentsize;
    ElfSection& s = sections_[i];
    names[i] = le32(h);
    s.type = le32(h + 4);
    s.flags = le32(h + 8);
    s.offset = le32(h + 16);
    s.size = le32(h + 20);
    s.link = le32(h + 24);
    s.info = le32(h + 28);
    s.addralign = le32(h + 32);
    s.entsize = le32(h + 36);
    if (s.type != SHT_NOBITS && s.type != SHT_NULL && !Fits(s.offset, s.size, bytes_.size())) {
      Fail("section " + std::to_string(i) + " lies outside the file");
    }
  }
  if (shstrndx >= shnum || sections_[shstrndx].type != SHT_STRTAB) {
    Fail("bad section name string table index");
  }
  for (uint32_t i = 0; i < shnum; ++i) sections_[i].name = StringAt(shstrndx, names[i]);
  ReadSymbols();
}

const ElfSection& ElfFile::section(uint32_t index) const {
  if (index >= sections_.size()) Fail("section index " + std::to_string(index) + " out of range");
  return sections_[index];
}

std::span<const uint8_t> ElfFile::SectionBytes(uint32_t index) const {
  const ElfSection& s = section(index);
  if (s.type == SHT_NOBITS || s.type == SHT_NULL) return {};
  return std::span<const uint8_t>(bytes_).subspan(s.offset, s.size);
}

std::optional<uint32_t> ElfFile::FindSection(std::string_view name) const {
  for (uint32_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].name == name) return i;
  }
  return std::nullopt;
}

void ElfFile::Fail(const std::string& message) const {
  throw Error(name_ + ": " + message);
}

std::string ElfFile::StringAt(uint32_t strtab, uint32_t offset) const {
  const ElfSection& s = section(strtab);
  if (s.type != SHT_STRTAB) Fail("string table index " + std::to_string(strtab) + " is not one");
  std::span<const uint8_t> text = SectionBytes(strtab);
  if (offset >= text.size()) Fail("string offset " + std::to_string(offset) + " out of range");
  size_t end = offset;
  while (end < text.size() && text[end] != 0) ++end;
  if (end == text.size()) Fail("unterminated string in " + s.name);
  return std::string(reinterpret_cast<const char*>(text.data()) + offset, end - offset);
}

void ElfFile::ReadSymbols() {
  for (uint32_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].type != SHT_SYMTAB) continue;
    if (symtab_ != 0) Fail("more than one symbol table");
    symtab_ = i;
  }
  if (symtab_ == 0) return;
  const ElfSection& s = sections_[symtab_];
  if (s.size % kSymbolSize != 0) Fail("symbol table size is not a multiple of 16");
  std::span<const uint8_t> table = SectionBytes(symtab_);
  symbols_.resize(s.size / kSymbolSize);
  for (size_t i = 0; i < symbols_.size(); ++i) {
    const uint8_t* e = table.data() + i * kSymbolSize;
    ElfSymbol& sym = symbols_[i];
    const uint32_t name = le32(e);
    sym.value = le32(e + 4);
    sym.size = le32(e + 8);
    sym.bind = ELF32_ST_BIND(e[12]);
    sym.type = ELF32_ST_TYPE(e[12]);
    sym.shndx = le16(e + 14);
    if (name != 0) sym.name = StringAt(s.link, name);
    if (sym.shndx == SHN_XINDEX) Fail("extended section indexes are not supported");
    if (sym.shndx != SHN_UNDEF && sym.shndx < SHN_LORESERVE && sym.shndx >= sections_.size()) {
      Fail("symbol '" + sym.name + "' names section " + std::to_string(sym.shndx) +
           ", which does not exist");
    }
  }
}

std::vector<ElfRelocation> ElfFile::Relocations(uint32_t index) const {
  const ElfSection& s = section(index);
  if (s.type != SHT_REL) Fail("section " + s.name + " is not a REL section");
  if (s.size % kRelSize != 0) Fail("size of " + s.name + " is not a multiple of 8");
  if (s.link != symtab_ || symtab_ == 0) Fail(s.name + " does not use the symbol table");
  std::span<const uint8_t> table = SectionBytes(index);
  std::vector<ElfRelocation> out(s.size / kRelSize);
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t* e = table.data() + i * kRelSize;
    out[i].offset = le32(e);
    const uint32_t info = le32(e + 4);
    out[i].symbol = ELF32_R_SYM(info);
    out[i].type = uint8_t(ELF32_R_TYPE(info));
    if (out[i].symbol >= symbols_.size()) {
      Fail(s.name + ": relocation " + std::to_string(i) + " names symbol " +
           std::to_string(out[i].symbol) + ", which does not exist");
    }
  }
  return out;
}

}  // namespace tess::imagetool
