// The data fix-up stream: skips, code-base and data-base runs, ignored words,
// and runs that would reach past the data segment.
#include <gtest/gtest.h>

#include "image/image_test_support.h"

namespace tess::image {
namespace {

using test::AppendLe16;
using test::GuardedSegments;

uint32_t CodeBase(const GuardedSegments& g) {
  return uint32_t(uintptr_t(g.seg.code));
}
uint32_t DataBase(const GuardedSegments& g) {
  return uint32_t(uintptr_t(g.seg.data));
}

// Fills every data word with its own offset, so a relocated word shows which
// base was added and where.
void Number(GuardedSegments& g) {
  for (uint32_t off = 0; off + 4 <= g.seg.dataSize; off += 4) g.SetDataWord(off, off);
}

bool Apply(GuardedSegments& g, const std::vector<uint8_t>& words, std::string* message) {
  return ApplyFixups(g.seg, words.data(), words.size(), message);
}

TEST(Fixups, SkipsAddUpAndRunsRelocateFromTheCursor) {
  GuardedSegments g(8, 8192);
  Number(g);
  std::vector<uint8_t> s;
  AppendLe16(s, 0x8FFF);  // 4,096 bytes
  AppendLe16(s, 0x8003);  // then 4 more
  AppendLe16(s, 0x4001);  // two words + code base at 4100
  AppendLe16(s, 0x4200);  // one word + data base at 4108
  AppendLe16(s, 0x4600);  // one word + code base at 4112
  std::string message;
  ASSERT_TRUE(Apply(g, s, &message)) << message;
  EXPECT_EQ(g.DataWord(4096), 4096u);
  EXPECT_EQ(g.DataWord(4100), 4100u + CodeBase(g));
  EXPECT_EQ(g.DataWord(4104), 4104u + CodeBase(g));
  EXPECT_EQ(g.DataWord(4108), 4108u + DataBase(g));
  EXPECT_EQ(g.DataWord(4112), 4112u + CodeBase(g));
  EXPECT_EQ(g.DataWord(4116), 4116u);
  EXPECT_TRUE(g.GuardsIntact());
}

TEST(Fixups, LongestRunsRelocateFiveHundredTwelveWords) {
  for (uint16_t word : {uint16_t(0x41FF), uint16_t(0x43FF), uint16_t(0x47FF)}) {
    GuardedSegments g(4, 512 * 4 + 4);
    Number(g);
    std::vector<uint8_t> s;
    AppendLe16(s, word);
    std::string message;
    ASSERT_TRUE(Apply(g, s, &message)) << message;
    uint32_t base = word == 0x43FF ? DataBase(g) : CodeBase(g);
    EXPECT_EQ(g.DataWord(0), base);
    EXPECT_EQ(g.DataWord(511 * 4), 511 * 4 + base);
    EXPECT_EQ(g.DataWord(512 * 4), 512u * 4) << "the run stops after 512 words";
  }
}

TEST(Fixups, OtherWordsAndATrailingOddByteAreIgnored) {
  GuardedSegments g(4, 16);
  Number(g);
  std::vector<uint8_t> s;
  for (uint16_t ignored : {0x4400, 0x45FF, 0x0000, 0x7FFF, 0x9000, 0xFFFF}) AppendLe16(s, ignored);
  AppendLe16(s, 0x8003);
  AppendLe16(s, 0x4200);
  s.push_back(0x42);  // half a word
  std::string message;
  ASSERT_TRUE(Apply(g, s, &message)) << message;
  EXPECT_EQ(g.DataWord(0), 0u);
  EXPECT_EQ(g.DataWord(4), 4u + DataBase(g)) << "ignored words leave the cursor alone";
  EXPECT_EQ(g.DataWord(8), 8u);
}

TEST(Fixups, RunsPastTheEndOfTheDataAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint16_t> words;
  } cases[] = {
      {"run longer than the segment", {0x41FF}},
      {"skip then a run over the end", {0x800D, 0x4000}},
      {"skips far beyond the end", {0x8FFF, 0x8FFF, 0x4200}},
  };
  for (const Case& c : cases) {
    GuardedSegments g(4, 16);
    std::vector<uint8_t> s;
    for (uint16_t w : c.words) AppendLe16(s, w);
    std::string message;
    EXPECT_FALSE(Apply(g, s, &message)) << c.what;
    EXPECT_NE(message.find("reaches past the end of the data segment"), std::string::npos)
        << message;
    EXPECT_TRUE(g.GuardsIntact()) << c.what;
  }
  // Skipping past the end is harmless while nothing is relocated there.
  GuardedSegments g(4, 16);
  std::vector<uint8_t> s;
  AppendLe16(s, 0x8FFF);
  std::string message;
  EXPECT_TRUE(Apply(g, s, &message));
}

}  // namespace
}  // namespace tess::image
