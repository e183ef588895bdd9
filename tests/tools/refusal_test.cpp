// What the builder refuses: every unsupported construct in one build (each
// message naming object, section, offset and symbol), clashing definitions,
// missing entry points, and malformed or hostile object files, which must
// give an Error and never a crash or a read outside the file.
#include <elf.h>

#include <functional>

#include "tessimage/elf32.h"
#include "tessimage/error.h"
#include "tessimage_test_support.h"

namespace tess::test {
namespace {

using imagetool::BuildError;
using imagetool::ElfFile;
using imagetool::Error;

TEST(BuilderRefusals, ReportsEveryRefusedConstructTogether) {
  struct Row {
    const char* section;
    uint32_t offset;
    std::string symbol;
    const char* problem;
  };
  const Row rows[] = {
      {".text.pc_into_data", 1, ".data", "PC-relative reference into data"},
      {".text.tail_jump", 1, "Elsewhere",
       "undefined routine reached by something other than a 5-byte call (a tail-call jmp? "
       "compile with -fno-optimize-sibling-calls)"},
      {".text.odd_addend", 1, "Elsewhere",
       "call with addend 0 (only calls to the routine itself can be linked)"},
      {".text.code_address", 1, "TessMain",
       "absolute address of code in code (images cannot relocate code addresses inside code; "
       "call it or take the address in data)"},
      {".text.undefined_address", 1, "Missing", "absolute reference to an undefined symbol"},
      {".text.note_address", 1, ".note.tessera",
       "refers to .note.tessera, which is not part of the image"},
      {".text.gotoff", 2, ".data",
       "unsupported relocation type 9 (R_386_GOTOFF); compile with -fno-pic"},
      {".text.long_name", 1, std::string(40, 'L') + "...", "name longer than 255 bytes"},
      {".data.undefined", 0, "MissingData", "data refers to an undefined symbol"},
      {".data.pc_relative", 0, "Elsewhere", "PC-relative reference in data"},
      {".data.short", 0, ".data", "unsupported relocation type 20 (R_386_16)"},
  };
  std::vector<std::string> expected;
  for (const Row& r : rows) {
    expected.push_back("refusals.s.o: section " + std::string(r.section) + " at 0x" +
                       std::to_string(r.offset) + ", symbol '" + r.symbol + "': " + r.problem);
  }
  EXPECT_EQ(Refusals({Fixture("refusals.s")}), expected);
}

TEST(BuilderRefusals, DuplicateGlobalsAndMissingEntry) {
  EXPECT_EQ(Refusals({Fixture("dup_a.s"), Fixture("dup_b.s")}),
            (std::vector<std::string>{
                "dup_b.s.o: symbol 'Shared': duplicate definition (also defined in dup_a.s.o)",
                "entry routine 'TessMain' is not defined by any object"}));
}

TEST(BuilderRefusals, EntryAndDescriptorMustExistInTheirSegments) {
  struct Row {
    const char* entry;
    const char* descriptor;  // nullptr: the default, which may be absent
    const char* message;
  };
  const Row rows[] = {
      {"TessApplication", nullptr, "entry routine 'TessApplication' is not in the code"},
      {"TessMain", "TessMain", "application descriptor 'TessMain' is not in the data"},
      {"TessMain", "Nowhere", "application descriptor 'Nowhere' is not defined by any object"},
      {"Nowhere", nullptr, "entry routine 'Nowhere' is not defined by any object"},
  };
  for (const Row& r : rows) {
    BuildOptions options;
    options.entry = r.entry;
    if (r.descriptor) {
      options.descriptor = r.descriptor;
      options.descriptorRequired = true;
    }
    EXPECT_EQ(Refusals({Fixture("layout.s")}, options), std::vector<std::string>{r.message});
  }
}

// Field offsets of the ELF32 section header and symbol entries.
constexpr uint32_t kShName = 0, kShType = 4, kShOffset = 16, kShSize = 20, kShLink = 24,
                   kShInfo = 28, kShAlign = 32;
constexpr uint32_t kStValue = 4, kStShndx = 14;

// A fixture object open for surgery.
struct Surgery {
  std::vector<uint8_t> bytes = Fixture("app.c").bytes;

  uint32_t Section(const std::string& name) const {
    const ElfFile elf("app", bytes);
    const uint32_t index = elf.FindSection(name).value();
    return le32(bytes.data() + 32) + 40 * index;
  }
  void SetSection(const std::string& name, uint32_t field, uint32_t value) {
    put_le32(&bytes[Section(name) + field], value);
  }
  uint32_t SectionData(const std::string& name) const {
    return le32(bytes.data() + Section(name) + kShOffset);
  }
  uint32_t SymbolEntry(const std::string& name) const {
    const ElfFile elf("app", bytes);
    for (uint32_t k = 0; k < elf.symbols().size(); ++k) {
      if (elf.symbols()[k].name == name) return SectionData(".symtab") + 16 * k;
    }
    ADD_FAILURE() << "no symbol " << name;
    return 0;
  }
};

std::string BuildMessage(const std::vector<uint8_t>& bytes) {
  try {
    imagetool::BuildImage({{"app.c.o", bytes}}, {});
  } catch (const Error& e) {
    return e.what();
  }
  return "(built)";
}

TEST(BuilderMalformed, RefusesDamagedObjectsWithAReason) {
  struct Row {
    const char* what;
    std::function<void(Surgery&)> damage;
    const char* message;
  };
  const Row rows[] = {
      {"cut inside the header", [](Surgery& s) { s.bytes.resize(40); }, "not an ELF file"},
      {"64-bit class", [](Surgery& s) { s.bytes[EI_CLASS] = ELFCLASS64; },
       "not a little-endian 32-bit ELF file"},
      {"x86-64 machine", [](Surgery& s) { put_le16(&s.bytes[18], EM_X86_64); },
       "not an i386 ELF file"},
      {"linked executable", [](Surgery& s) { put_le16(&s.bytes[16], ET_EXEC); },
       "not a relocatable object"},
      {"section table past the end", [](Surgery& s) { put_le32(&s.bytes[32], 0xFFFFFF00); },
       "section header table lies outside the file"},
      {"section count past the end", [](Surgery& s) { put_le16(&s.bytes[48], 0xFFFF); },
       "section header table lies outside the file"},
      {"short section entries", [](Surgery& s) { put_le16(&s.bytes[46], 8); },
       "section header entries are too small"},
      {"name table index", [](Surgery& s) { put_le16(&s.bytes[50], 200); },
       "bad section name string table index"},
      {"section data past the end",
       [](Surgery& s) { s.SetSection(".text", kShOffset, 0xFFFFFF00); }, "lies outside the file"},
      {"section size wrapping", [](Surgery& s) { s.SetSection(".symtab", kShSize, 0xFFFFFFF0); },
       "lies outside the file"},
      {"section name offset", [](Surgery& s) { s.SetSection(".text", kShName, 0x7FFFFFFF); },
       "string offset 2147483647 out of range"},
      {"unterminated names",
       [](Surgery& s) {
         const uint32_t end =
             s.SectionData(".strtab") + le32(&s.bytes[s.Section(".strtab") + kShSize]);
         s.bytes[end - 1] = 'x';
       },
       "unterminated string in .strtab"},
      {"symbol table size",
       [](Surgery& s) {
         s.SetSection(".symtab", kShSize, le32(&s.bytes[s.Section(".symtab") + kShSize]) - 1);
       },
       "symbol table size is not a multiple of 16"},
      {"symbol in a missing section",
       [](Surgery& s) { put_le16(&s.bytes[s.SymbolEntry("TessMain") + kStShndx], 300); },
       "symbol 'TessMain' names section 300, which does not exist"},
      {"symbol beyond its section",
       [](Surgery& s) { put_le32(&s.bytes[s.SymbolEntry("TessMain") + kStValue], 0x10000); },
       "symbol 'TessMain' lies beyond the end of section .text"},
      {"relocation of a missing symbol",
       [](Surgery& s) { put_le32(&s.bytes[s.SectionData(".rel.text") + 4], 0xFFFFFF01); },
       "names symbol 16777215, which does not exist"},
      {"relocation past its section",
       [](Surgery& s) { put_le32(&s.bytes[s.SectionData(".rel.text")], 0xFFFFFFF0); },
       "relocation lies outside the section's contents"},
      {"relocations of a missing section",
       [](Surgery& s) { s.SetSection(".rel.text", kShInfo, 99); }, ".rel.text applies to nothing"},
      {"relocations without the symbol table",
       [](Surgery& s) { s.SetSection(".rel.text", kShLink, 1); },
       ".rel.text does not use the symbol table"},
      {"RELA relocations", [](Surgery& s) { s.SetSection(".rel.text", kShType, SHT_RELA); },
       "RELA relocations are not supported"},
      {"huge .bss", [](Surgery& s) { s.SetSection(".bss", kShSize, 0xFFFFFFF0); },
       "section .bss is too large"},
      {"odd alignment", [](Surgery& s) { s.SetSection(".data", kShAlign, 3); },
       "section .data: unsupported alignment 3"},
  };
  for (const Row& r : rows) {
    Surgery s;
    r.damage(s);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, r.message, BuildMessage(s.bytes)) << r.what;
  }
}

TEST(BuilderMalformed, SurvivesEveryTruncationAndByteFlip) {
  const std::vector<uint8_t> good = Fixture("app.c").bytes;
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW(imagetool::BuildImage({{"cut", {good.begin(), good.begin() + n}}}, {}), Error)
        << n;
  }
  for (size_t at = 0; at < good.size(); ++at) {
    for (uint8_t flip : {0xFF, 0x80, 0x01}) {
      std::vector<uint8_t> bad = good;
      bad[at] ^= flip;
      try {
        imagetool::BuildImage({{"flipped", bad}}, {});
      } catch (const Error&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << "byte " << at << " ^ " << int(flip) << ": " << e.what();
      }
    }
  }
}

}  // namespace
}  // namespace tess::test
