// The byte streams the builder writes and the dump reads: fix-up words, link
// records and call chains, and the big-endian resource pool.
#include <random>

#include "tessimage/error.h"
#include "tessimage/fixups.h"
#include "tessimage/pool.h"
#include "tessimage_test_support.h"

namespace tess::test {
namespace {

using imagetool::DecodeFixups;
using imagetool::EncodeFixups;
using imagetool::Error;
using imagetool::FixupBase;
using imagetool::FixupSite;
using imagetool::FixupStep;
using imagetool::LinkRecord;

std::vector<uint16_t> Words(const std::vector<uint8_t>& stream) {
  std::vector<uint16_t> words;
  for (size_t i = 0; i + 1 < stream.size(); i += 2) words.push_back(le16(&stream[i]));
  return words;
}

std::vector<FixupSite> Consecutive(uint32_t from, uint32_t count, FixupBase base) {
  std::vector<FixupSite> sites;
  for (uint32_t i = 0; i < count; ++i) sites.push_back({from + 4 * i, base});
  return sites;
}

TEST(FixupEncoding, SkipsAndRunsStayWithinTheirWordRanges) {
  constexpr auto C = FixupBase::kCode;
  constexpr auto D = FixupBase::kData;
  struct Row {
    const char* what;
    std::vector<FixupSite> sites;
    std::vector<uint16_t> words;
  };
  std::vector<FixupSite> mixed = Consecutive(0, 3, C);
  mixed.push_back({12, D});
  const Row rows[] = {
      {"nothing", {}, {}},
      {"code word at 0", {{0, C}}, {0x4600}},
      {"data word at 0", {{0, D}}, {0x4200}},
      {"short gap", {{4, D}}, {0x8003, 0x4200}},
      {"gap of exactly 4096", {{4096, D}}, {0x8FFF, 0x4200}},
      {"gap of 4097", {{4097, C}}, {0x8FFF, 0x8000, 0x4600}},
      {"gap of 3 * 4096 + 4", {{3 * 4096 + 4, D}}, {0x8FFF, 0x8FFF, 0x8FFF, 0x8003, 0x4200}},
      {"unaligned words", {{2, D}, {6, D}}, {0x8001, 0x4201}},
      {"gap between words", {{0, D}, {8, D}}, {0x4200, 0x8003, 0x4200}},
      {"base change splits a run", mixed, {0x4602, 0x4200}},
      {"512 words", Consecutive(0, 512, D), {0x43FF}},
      {"513 words", Consecutive(0, 513, D), {0x43FF, 0x4200}},
      {"1100 code words", Consecutive(8, 1100, C), {0x8007, 0x47FF, 0x47FF, 0x464B}},
      {"any order", {{8, D}, {0, C}, {4, C}}, {0x4601, 0x4200}},
  };
  for (const Row& r : rows) EXPECT_EQ(Words(EncodeFixups(r.sites)), r.words) << r.what;
}

TEST(FixupEncoding, DecodingReproducesRandomSiteSets) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<FixupSite> sites;
    uint32_t at = 0;
    const int count = int(random() % 700);
    for (int i = 0; i < count; ++i) {
      // Mostly adjacent words, now and then a gap of up to 3 pages.
      at += random() % 4 == 0 ? 4 + random() % 12000 : 4;
      sites.push_back({at, random() % 3 == 0 ? FixupBase::kCode : FixupBase::kData});
    }
    const std::vector<uint8_t> stream = EncodeFixups(sites);
    EXPECT_EQ(imagetool::SitesOf(DecodeFixups(stream, at + 4)), sites) << round;
  }
}

TEST(FixupEncoding, RefusesOverlappingSites) {
  EXPECT_THROW(EncodeFixups({{0, FixupBase::kData}, {2, FixupBase::kCode}}), Error);
  EXPECT_THROW(EncodeFixups({{4, FixupBase::kData}, {4, FixupBase::kData}}), Error);
}

TEST(FixupDecoding, FollowsTheLoadersReading) {
  std::vector<uint8_t> stream;
  for (uint16_t w : {0x4000, 0x4400, 0x8002, 0x4201, 0x45FF, 0x47FF}) AppendLe16(stream, w);
  stream.push_back(0x42);  // odd trailing byte: ignored
  const std::vector<FixupStep> steps = DecodeFixups(stream, 4 + 3 + 8 + 2048);
  ASSERT_EQ(steps.size(), 6u);
  EXPECT_EQ(steps[0].kind, FixupStep::kRun);  // 0x40xx: code base too
  EXPECT_EQ(steps[0].base, FixupBase::kCode);
  EXPECT_EQ(steps[1].kind, FixupStep::kIgnored);
  EXPECT_EQ(steps[3].cursor, 7u);
  EXPECT_EQ(steps[3].base, FixupBase::kData);
  EXPECT_EQ(steps[3].count, 2u);
  EXPECT_EQ(steps[4].kind, FixupStep::kIgnored);
  EXPECT_EQ(steps[5].count, 512u);
  EXPECT_THROW(DecodeFixups(stream, 4 + 3 + 8 + 2047), Error);  // last run reaches past
}

TEST(LinkRecords, EncodeToTheRecordLayout) {
  const std::vector<uint8_t> expected = {1, 0x34, 0x12, 0, 0, 3, 'A', 'b', 'C',  // named call
                                         2, 0x10, 0,    0, 0};                   // data address
  EXPECT_EQ(imagetool::EncodeLinkRecords({{1, 0x1234, "AbC"}, {2, 0x10, ""}}), expected);
  EXPECT_THROW(imagetool::EncodeLinkRecords({{1, 1, std::string(256, 'x')}}), Error);
}

TEST(LinkRecords, DecodingSkipsUnknownBytesAndRefusesCutRecords) {
  const std::vector<uint8_t> stream = {7, 1, 5, 0, 0, 0, 2, 'o', 'k', 0, 2, 9, 0, 0, 0};
  const imagetool::LinkStream decoded = imagetool::DecodeLinkRecords(stream);
  EXPECT_EQ(decoded.records, (std::vector<LinkRecord>{{1, 5, "ok"}, {2, 9, ""}}));
  EXPECT_EQ(decoded.unknownBytes, 2u);
  for (size_t cut : {2, 6, 7, 11, 14}) {
    EXPECT_THROW(imagetool::DecodeLinkRecords(std::span(stream).first(cut)), Error) << cut;
  }
}

TEST(CallChains, WalkingChecksEveryStep) {
  // Calls with fields at 1, 6 and 11.
  auto code = [](uint32_t a, uint32_t b, uint32_t c) {
    std::vector<uint8_t> v;
    for (uint32_t next : {a, b, c}) {
      v.push_back(0xE8);
      AppendLe32(v, next);
    }
    return v;
  };
  EXPECT_EQ(imagetool::WalkCallChain(code(11, 0, 6), 1), (std::vector<uint32_t>{1, 11, 6}));
  EXPECT_TRUE(imagetool::WalkCallChain(code(0, 0, 0), 0).empty());
  const struct {
    std::vector<uint8_t> code;
    uint32_t head;
    const char* message;
  } bad[] = {
      {code(6, 1, 0), 1, "call chain loops back to offset 1"},
      {code(6, 6, 0), 1, "call chain loops back to offset 6"},
      {code(12, 0, 0), 1, "call chain leaves the code segment at offset 12"},
      {code(0, 0, 0), 0xFFFFFFFF, "leaves the code segment"},
      {code(3, 0, 0), 1, "call chain site at offset 3 is not a call"},
  };
  for (const auto& b : bad) {
    try {
      imagetool::WalkCallChain(b.code, b.head);
      ADD_FAILURE() << b.message;
    } catch (const Error& e) {
      EXPECT_PRED_FORMAT2(testing::IsSubstring, b.message, e.what());
    }
  }
}

TEST(Pool, CountAndOffsetsAreBigEndian) {
  const std::vector<uint8_t> pool = imagetool::BuildPool({{'a', 'b'}, {}, {'x', 'y', 'z'}});
  const std::vector<uint8_t> expected = {0, 0, 0, 3, 0, 0,   0,   0,   0,   0,  0,
                                         2, 0, 0, 0, 2, 'a', 'b', 'x', 'y', 'z'};
  EXPECT_EQ(pool, expected);
  const std::vector<imagetool::PoolItem> items = imagetool::ReadPool(pool);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].size, 2u);
  EXPECT_EQ(items[1].size, 0u);
  EXPECT_EQ(items[2].offset, 2u);
  EXPECT_EQ(items[2].size, 3u);
  EXPECT_EQ(imagetool::BuildPool({}), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(Pool, ReadingRefusesTablesPastTheEnd) {
  std::vector<uint8_t> tooMany;
  AppendBe32(tooMany, 0x40000000);
  std::vector<uint8_t> farItem;
  AppendBe32(farItem, 1);
  AppendBe32(farItem, 5);
  farItem.push_back(0);
  for (const auto& pool : {std::vector<uint8_t>{0, 0}, tooMany, farItem}) {
    EXPECT_THROW(imagetool::ReadPool(pool), Error);
  }
}

}  // namespace
}  // namespace tess::test
