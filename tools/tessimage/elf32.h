// Bounds-checked reader for little-endian ELF32 i386 files: relocatable
// objects (sections, symbols, REL/RELA relocation entries) and the section
// headers of executables. Every offset, size and index taken from the file is
// checked before it is used; anything out of range throws Error naming the
// file, so hostile input never reads outside the buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::imagetool {

struct ElfSection {
  std::string name;
  uint32_t type = 0;
  uint32_t flags = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
  uint32_t link = 0;
  uint32_t info = 0;
  uint32_t addralign = 0;
  uint32_t entsize = 0;
};

struct ElfSymbol {
  std::string name;
  uint32_t value = 0;
  uint32_t size = 0;
  uint8_t bind = 0;
  uint8_t type = 0;
  uint16_t shndx = 0;
};

struct ElfRelocation {
  uint32_t offset = 0;
  uint32_t symbol = 0;
  uint8_t type = 0;
};

class ElfFile {
 public:
  // Validates the file header and every section header. `name` is used in
  // messages only.
  ElfFile(std::string name, std::vector<uint8_t> bytes);

  const std::string& name() const { return name_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  uint16_t type() const { return type_; }
  const std::vector<ElfSection>& sections() const { return sections_; }
  const ElfSection& section(uint32_t index) const;

  // File bytes of a section; empty for SHT_NOBITS and SHT_NULL.
  std::span<const uint8_t> SectionBytes(uint32_t index) const;
  std::optional<uint32_t> FindSection(std::string_view name) const;

  // The symbol table (entry 0 included); empty when the file has none.
  // Symbol names and section indexes are checked.
  const std::vector<ElfSymbol>& symbols() const { return symbols_; }

  // Entries of a SHT_REL section; symbol indexes are checked against the
  // symbol table. SHT_RELA sections are not decoded: the builder refuses them.
  std::vector<ElfRelocation> Relocations(uint32_t section) const;

  // "file: message" as an Error, for callers that find a fault in the file.
  [[noreturn]] void Fail(const std::string& message) const;

 private:
  std::string StringAt(uint32_t strtab, uint32_t offset) const;
  void ReadSymbols();

  std::string name_;
  std::vector<uint8_t> bytes_;
  uint16_t type_ = 0;
  std::vector<ElfSection> sections_;
  std::vector<ElfSymbol> symbols_;
  uint32_t symtab_ = 0;
};

}  // namespace tess::imagetool
