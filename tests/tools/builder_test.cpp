// Linking fixture objects: call chains, data addresses in code, fix-ups, the
// data header, placement of .bss and COMMON, and resolution across objects.
// layout.s fixes every offset by hand; app.c checks the same on gcc output.
#include <tuple>

#include "tessimage/fixups.h"
#include "tessimage_test_support.h"

namespace tess::test {
namespace {

using imagetool::DecodeFixups;
using imagetool::DecodeLinkRecords;
using imagetool::FixupBase;
using imagetool::FixupSite;
using imagetool::FixupStep;
using imagetool::LinkRecord;
using Chain = std::map<std::string, std::vector<uint32_t>>;

TEST(BuilderChains, ThreadsEverySiteOfANameIntoOneChain) {
  const Chain expected = {{"RuntimeInit", {0x01, 0x0b}},
                          {"StringLeft", {0x06}},
                          {"!Xlibc.so.6!puts", {0x1f}},
                          {"!MApplication.Open", {0x24}}};
  EXPECT_EQ(Chains(Build({"layout.s"}).image), expected);
}

TEST(BuilderChains, EmitsOneRecordPerNameThenTheDataAddresses) {
  const BuildResult r = Build({"layout.s"});
  const std::vector<LinkRecord> expected = {
      {1, 0x01, "RuntimeInit"},        {1, 0x06, "StringLeft"}, {1, 0x1f, "!Xlibc.so.6!puts"},
      {1, 0x24, "!MApplication.Open"}, {2, 0x10, ""},           {2, 0x15, ""}};
  EXPECT_EQ(r.links, expected);
  EXPECT_EQ(DecodeLinkRecords(r.image.link).records, expected);
}

TEST(BuilderChains, OneChainSpansObjects) {
  EXPECT_EQ(Chains(Build({"layout.s", "other.s"}).image)["RuntimeInit"],
            (std::vector<uint32_t>{0x01, 0x0b, 0x31}));
}

TEST(BuilderChains, GccCallsKeepTheirNamesVerbatim) {
  // Names differing only in case stay apart; the loader matches them
  // case-insensitively. Helper is defined by helpers.c, so it is no record.
  std::map<std::string, size_t> counts;
  for (const auto& [name, sites] : Chains(Build({"app.c", "helpers.c"}).image)) {
    counts[name] = sites.size();
  }
  const std::map<std::string, size_t> expected = {{"!MApplication.Open", 1},
                                                  {"!Xlibc.so.6!puts", 2},
                                                  {"RuntimeInit", 2},
                                                  {"StringLeft", 3},
                                                  {"sTRINGlEFT", 1}};
  EXPECT_EQ(counts, expected);
}

TEST(BuilderCode, ResolvesCallsBetweenDefinedRoutines) {
  const BuildResult r = Build({"layout.s", "other.s"});
  EXPECT_EQ(Word(r.image.code, 0x1a), 0x29u - 0x1e);  // TessMain -> local_fn
  EXPECT_EQ(Word(r.image.code, 0x36), 0u - 0x3a);     // Other -> TessMain, across objects
}

TEST(BuilderCode, AlignsEachObjectsCodeWithInt3Padding) {
  const BuildResult r = Build({"layout.s", "other.s"});
  EXPECT_EQ(Symbol(r, "Other")->offset, 0x30u);
  for (uint32_t at = 0x2a; at < 0x30; ++at) EXPECT_EQ(r.image.code[at], 0xCC) << at;
  EXPECT_EQ(r.image.code.size(), 0x40u);
}

TEST(BuilderCode, DataAddressesInCodeHoldDataOffsets) {
  const BuildResult r = Build({"layout.s", "other.s"});
  EXPECT_EQ(Word(r.image.code, 0x10), Symbol(r, "words")->offset);
  EXPECT_EQ(Word(r.image.code, 0x15), Symbol(r, "words")->offset + 8);
  EXPECT_EQ(Word(r.image.code, 0x3b), Symbol(r, "buffer")->offset);
  EXPECT_EQ(r.links.back(), (LinkRecord{2, 0x3b, ""}));
}

TEST(BuilderData, FixupStreamCoversEveryAddressWord) {
  using S = FixupStep;
  const auto code = FixupBase::kCode;
  const auto data = FixupBase::kData;
  // kind, base (runs), cursor, count
  const std::vector<std::tuple<S::Kind, FixupBase, uint32_t, uint32_t>> expected = {
      {S::kRun, code, 0x0, 1},        // entry routine
      {S::kRun, data, 0x4, 1},        // descriptor
      {S::kSkip, data, 0x8, 8},       //
      {S::kRun, code, 0x10, 2},       // TessMain, local_fn
      {S::kRun, data, 0x18, 1},       // words
      {S::kSkip, data, 0x1c, 4},      //
      {S::kRun, data, 0x20, 1},       // TessApplication + 4
      {S::kSkip, data, 0x24, 4096},   // a 5000-byte gap takes two skips
      {S::kSkip, data, 0x1024, 904},  //
      {S::kRun, code, 0x13ac, 1},     // TessMain
      {S::kRun, data, 0x13b0, 512},   // 600 words take two runs
      {S::kRun, data, 0x1bb0, 88}};
  const BuildResult r = Build({"layout.s"});
  std::vector<std::tuple<S::Kind, FixupBase, uint32_t, uint32_t>> steps;
  for (const FixupStep& s : DecodeFixups(r.image.fixups, uint32_t(r.image.data.size()))) {
    steps.emplace_back(s.kind, s.kind == S::kRun ? s.base : data, s.cursor, s.count);
  }
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(imagetool::SitesOf(DecodeFixups(r.image.fixups, uint32_t(r.image.data.size()))),
            r.fixups);
}

TEST(BuilderData, AddressWordsHoldOffsetsWithinTheirSegment) {
  const BuildResult r = Build({"layout.s"});
  const std::vector<std::pair<uint32_t, uint32_t>> words = {{0x10, 0x00},     // TessMain
                                                            {0x14, 0x29},     // local_fn
                                                            {0x18, 0x10},     // words
                                                            {0x1c, 0x00},     // not an address
                                                            {0x20, 0x0c},     // TessApplication + 4
                                                            {0x13ac, 0x00},   // TessMain
                                                            {0x13b0, 0x10},   // first of the 600
                                                            {0x1d04, 0x10}};  // last of the 600
  for (const auto& [offset, value] : words) EXPECT_EQ(Word(r.image.data, offset), value) << offset;
}

TEST(BuilderData, HeaderHoldsEntryAndDescriptor) {
  struct Case {
    std::vector<std::string> sources;
    BuildOptions options;
    uint32_t entry;
    uint32_t descriptor;  // 0: none, and no fix-up
  };
  BuildOptions other;
  other.entry = "Other";
  BuildOptions buffer;
  buffer.descriptor = "buffer";
  buffer.descriptorRequired = true;
  const Case cases[] = {{{"layout.s"}, {}, 0x00, 0x08},
                        {{"layout.s", "other.s"}, other, 0x30, 0x08},
                        {{"layout.s"}, buffer, 0x00, 0x1d10},
                        {{"weak_a.s", "dup_b.s"}, {}, 0x00, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sources.front() + " entry " + c.options.entry);
    const BuildResult r = Build(c.sources, c.options);
    EXPECT_EQ(Word(r.image.data, 0), c.entry);
    EXPECT_EQ(Word(r.image.data, 4), c.descriptor);
    ASSERT_GE(r.fixups.size(), 1u);
    EXPECT_EQ(r.fixups[0], (FixupSite{0, FixupBase::kCode}));
    const bool descriptorFixup = r.fixups.size() > 1 && r.fixups[1].offset == 4;
    EXPECT_EQ(descriptorFixup, c.descriptor != 0);
  }
}

TEST(BuilderData, BssAndCommonFollowInitialisedData) {
  const BuildResult one = Build({"layout.s"});
  EXPECT_EQ(Symbol(one, "buffer")->offset, 0x1d10u);  // right after .data
  EXPECT_EQ(Symbol(one, "shared")->offset, 0x1d50u);
  EXPECT_EQ(Symbol(one, "shared")->size, 16u);
  EXPECT_EQ(one.image.data.size(), 0x1d60u);
  for (uint32_t at = 0x1d10; at < 0x1d60; ++at) EXPECT_EQ(one.image.data[at], 0) << at;

  // Two COMMON definitions merge into the larger size and alignment.
  const BuildResult two = Build({"layout.s", "other.s"});
  const imagetool::MapEntry* shared = Symbol(two, "shared");
  EXPECT_EQ(shared->size, 32u);
  EXPECT_EQ(shared->offset % 16, 0u);
  EXPECT_EQ(two.image.data.size(), shared->offset + 32);
  const uint32_t refs = Symbol(two, "other_refs")->offset;
  EXPECT_EQ(Word(two.image.data, refs), Symbol(two, "buffer")->offset + 4);
  EXPECT_EQ(Word(two.image.data, refs + 4), shared->offset);
  EXPECT_EQ(Word(two.image.data, refs + 8), Symbol(two, "Other")->offset);
}

TEST(BuilderSymbols, WeakDefinitionYieldsToAStrongOne) {
  const BuildResult r = Build({"weak_a.s", "dup_b.s"});
  const imagetool::MapEntry* hook = Symbol(r, "Hook");
  EXPECT_EQ(hook->object, "dup_b.s.o");
  EXPECT_EQ(Word(r.image.code, 1), hook->offset - 5);
  EXPECT_TRUE(Chains(r.image).empty());
}

TEST(BuilderC, EveryRelocatedWordStaysInsideItsSegment) {
  const BuildResult r = Build({"app.c", "helpers.c"});
  for (const FixupSite& s : r.fixups) {
    const size_t limit = s.base == FixupBase::kCode ? r.image.code.size() : r.image.data.size();
    EXPECT_LT(Word(r.image.data, s.offset), limit) << s.offset;
  }
  size_t dataAddresses = 0;
  for (const LinkRecord& l : r.links) {
    if (l.type != 2) continue;
    ++dataAddresses;
    EXPECT_LT(Word(r.image.code, l.offset), r.image.data.size()) << l.offset;
  }
  EXPECT_GT(dataAddresses, 0u);
  // The switch's jump table: five code addresses in read-only data.
  bool jumpTable = false;
  for (const FixupStep& s : DecodeFixups(r.image.fixups, uint32_t(r.image.data.size()))) {
    jumpTable |= s.kind == FixupStep::kRun && s.base == FixupBase::kCode && s.count == 5;
  }
  EXPECT_TRUE(jumpTable);
}

TEST(BuilderMap, ListsSymbolsBySegmentAndOffset) {
  EXPECT_EQ(imagetool::FormatMap(Build({"layout.s"}).symbols),
            "code 0x00000000        0 global TessMain  layout.s.o\n"
            "code 0x00000029        0 local  local_fn  layout.s.o\n"
            "data 0x00000008        0 global TessApplication  layout.s.o\n"
            "data 0x00000010        0 local  words  layout.s.o\n"
            "data 0x00001d10        0 global buffer  layout.s.o\n"
            "data 0x00001d50       16 global shared  layout.s.o\n");
}

}  // namespace
}  // namespace tess::test
