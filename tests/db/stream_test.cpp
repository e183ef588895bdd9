// The internal streams' typed helpers: byte orders of 16-, 32- and 64-bit
// values and doubles, and the compact integers and strings of the runtime's
// data files, damaged input included.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "db/stream.h"

namespace tess::db {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(char(v));
  return s;
}

TEST(ByteStream, ValuesInBothByteOrders) {
  for (bool little : {false, true}) {
    MemoryStream m;
    m.swap_integers = little;
    ASSERT_TRUE(m.WriteU16(0x0102));
    ASSERT_TRUE(m.WriteU32(0x03040506));
    ASSERT_TRUE(m.WriteU64(0x0708090A0B0C0D0EULL));
    std::string big = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
    std::string small = Bytes({2, 1, 6, 5, 4, 3, 14, 13, 12, 11, 10, 9, 8, 7});
    EXPECT_EQ(m.bytes(), little ? small : big);
    ASSERT_TRUE(m.SetPosition(0));
    uint16_t a;
    uint32_t b;
    uint64_t c;
    ASSERT_TRUE(m.ReadU16(&a) && m.ReadU32(&b) && m.ReadU64(&c));
    EXPECT_EQ(a, 0x0102);
    EXPECT_EQ(b, 0x03040506u);
    EXPECT_EQ(c, 0x0708090A0B0C0D0EULL);
    EXPECT_FALSE(m.ReadU16(&a)) << "nothing left";
  }
}

TEST(ByteStream, DoublesSwapOnlyWhenToldToo) {
  struct Case {
    bool integers, doublesToo;
    std::string bytes;
  } cases[] = {
      {false, false, Bytes({0x3F, 0xF8, 0, 0, 0, 0, 0, 0})},
      {true, false, Bytes({0x3F, 0xF8, 0, 0, 0, 0, 0, 0})},
      {true, true, Bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x3F})},
  };
  for (const Case& c : cases) {
    MemoryStream m;
    m.swap_integers = c.integers;
    m.swap_doubles_too = c.doublesToo;
    ASSERT_TRUE(m.WriteDouble(1.5));
    EXPECT_EQ(m.bytes(), c.bytes);
    m.SetPosition(0);
    double d = 0;
    ASSERT_TRUE(m.ReadDouble(&d));
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(m.swap_integers, c.integers) << "restored";
  }
}

TEST(ByteStream, CompactIntegers) {
  struct Case {
    int32_t value;
    std::string bytes;
  } cases[] = {
      {0, Bytes({0})},
      {-1, Bytes({65})},
      {100, Bytes({164, 1})},
      {63, Bytes({63})},
      {64, Bytes({128, 1})},
      {-64, Bytes({192, 1})},
      {INT32_MAX, Bytes({0xBF, 0xFF, 0xFF, 0xFF, 0x0F})},
      {INT32_MIN, Bytes({0x80, 0x80, 0x80, 0x80, 0x10})},
  };
  for (const Case& c : cases) {
    MemoryStream m;
    ASSERT_TRUE(m.WriteCompact(c.value));
    EXPECT_EQ(m.bytes(), c.bytes) << c.value;
    m.SetPosition(0);
    int32_t back = 7;
    ASSERT_TRUE(m.ReadCompact(&back)) << c.value;
    EXPECT_EQ(back, c.value);
  }
}

TEST(ByteStream, DamagedCompactInputIsRefused) {
  const std::string damaged[] = {
      Bytes({0x80}),                                // more announced, nothing follows
      Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}),  // a sixth byte
      Bytes({0x80, 0x80, 0x80, 0x80, 0x11}),        // beyond 0x80000000
      std::string(100000, '\xff'),                  // an endless run stops early
  };
  for (const std::string& bytes : damaged) {
    MemoryStream m(bytes);
    int32_t value;
    EXPECT_FALSE(m.ReadCompact(&value)) << bytes.size();
    EXPECT_LE(m.Position(), 6u);
  }
}

TEST(ByteStream, CompactStrings) {
  MemoryStream m;
  ASSERT_TRUE(m.WriteCompactString("hello"));
  ASSERT_TRUE(m.WriteCompactString(""));
  EXPECT_EQ(m.bytes(), Bytes({5, 'h', 'e', 'l', 'l', 'o', 0}));
  m.SetPosition(0);
  std::string s;
  ASSERT_TRUE(m.ReadCompactString(&s));
  EXPECT_EQ(s, "hello");
  ASSERT_TRUE(m.ReadCompactString(&s));
  EXPECT_EQ(s, "");

  MemoryStream negative(Bytes({0x45, 'x'}));  // -5 reads as empty
  ASSERT_TRUE(negative.ReadCompactString(&s));
  EXPECT_EQ(s, "");
  MemoryStream huge(Bytes({0xBF, 0xFF, 0xFF, 0xFF, 0x0F, 'x'}));
  EXPECT_FALSE(huge.ReadCompactString(&s)) << "longer than what is left";
}

TEST(ByteStream, ScramblingRunsTheStateOverThePlainBytes) {
  auto inner = std::make_unique<MemoryStream>();
  MemoryStream* raw = inner.get();
  ScrambledStream s(std::move(inner), 0x12345678);
  ASSERT_TRUE(s.Write("\x01\x02\x03", 3));
  // 01^78=79, state 78^01=79; 02^79=7B, state 79^02=7B; 03^7B=78, state 78.
  EXPECT_EQ(raw->bytes(), Bytes({0x79, 0x7B, 0x78}));
  EXPECT_EQ(s.state(), 0x12345678u);

  s.SetPosition(0);
  s.set_state(0x12345678);
  char plain[3];
  size_t done = 0;
  ASSERT_TRUE(s.Read(plain, 3, &done));
  EXPECT_EQ(std::string(plain, done), "\x01\x02\x03");

  // Longer than one scrambling chunk, through the typed helpers.
  ScrambledStream big(std::make_unique<MemoryStream>(), 7);
  for (int32_t i = -5000; i < 5000; ++i) ASSERT_TRUE(big.WriteCompact(i));
  ASSERT_TRUE(big.WriteCompactString(std::string(10000, 'q')));
  big.SetPosition(0);
  big.set_state(7);
  for (int32_t i = -5000; i < 5000; ++i) {
    int32_t v;
    ASSERT_TRUE(big.ReadCompact(&v));
    ASSERT_EQ(v, i);
  }
  std::string text;
  ASSERT_TRUE(big.ReadCompactString(&text));
  EXPECT_EQ(text, std::string(10000, 'q'));
}

}  // namespace
}  // namespace tess::db
