// Character-aware functions and the string functions on a double-byte system
// code page (Shift-JIS), plus UTF-8 and UTF-16 tagged strings.
#include <gtest/gtest.h>

#include "platform/kernel/codepage.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::S;
using test::Take;
using test::Text;

// "日本語" and "ｱｲ" (half-width katakana, one byte each) in Shift-JIS.
constexpr char kNihongo[] = "\x93\xFA\x96\x7B\x8C\xEA";
constexpr char kHalfWidth[] = "\xB1\xB2";

class DoubleByteTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::SetACP(932)); }
  void TearDown() override { platform::SetACP(1252); }
};

TEST_F(DoubleByteTest, CountsAndSlicesWholeCharacters) {
  StringRef s = S(std::string("a") + kNihongo + kHalfWidth);  // a 日 本 語 ｱ ｲ
  EXPECT_EQ(StringLen(s.get()), 9);
  EXPECT_EQ(StringDBCSLen(s.get()), 6);
  EXPECT_EQ(Text(Take(StringDBCSLeft(s.get(), 2)).get()), "a\x93\xFA");
  EXPECT_EQ(Text(Take(StringDBCSRight(s.get(), 3)).get()), "\x8C\xEA\xB1\xB2");
  EXPECT_EQ(Text(Take(StringDBCSMid2(s.get(), 3)).get()), "\x96\x7B\x8C\xEA\xB1\xB2");
  EXPECT_EQ(Text(Take(StringDBCSMid3(s.get(), 0, 3)).get()), "a\x93\xFA");
  EXPECT_EQ(Take(StringDBCSMid3(s.get(), 7, 1)).get(), nullptr);
  TessString* whole = StringDBCSLeft(s.get(), 6);
  EXPECT_EQ(whole, s.get());
  RuntimeUnlockString(whole);
  EXPECT_EQ(StringDBCSAsc(S(kNihongo).get()), 0x93FA);
  EXPECT_EQ(StringDBCSAsc(S(kHalfWidth).get()), 0xB1);
  EXPECT_EQ(Text(Take(StringDBCSChr(0x93FA)).get()), "\x93\xFA");
  EXPECT_EQ(Take(StringDBCSChr(65)).get()->encoding, kEncodingAsciiTag);
}

TEST_F(DoubleByteTest, SearchesStepWholeCharacters) {
  // The trail byte 0x5C of "\" is "表" (0x95 0x5C): a bytewise search for "\"
  // must not find it inside the character.
  StringRef s = S("\x95\x5C\x5C");
  EXPECT_EQ(StringInStr(1, s.get(), S("\\").get()), 3);
  EXPECT_EQ(StringDBCSInStr(1, s.get(), S("\\").get()), 2) << "a character position";
  EXPECT_EQ(StringInStr(1, S(std::string("ab") + kNihongo).get(), S("B").get()), 2);
  EXPECT_EQ(StringDBCSInStr(2, S(std::string(kNihongo) + "x").get(), S("X").get()), 4);
  EXPECT_EQ(StringCountFields(S("\x95\x5C,\x95\x5C").get(), S("\\").get()), 1);
  EXPECT_EQ(Text(Take(StringReplaceAll(S("a\x95\x5C"
                                         "a")
                                           .get(),
                                       S("A").get(), S("bb").get()))
                     .get()),
            "bb\x95\x5C"
            "bb");
}

TEST_F(DoubleByteTest, TrimsAndCasesCharacterByCharacter) {
  // U+3000, the ideographic space, is 0x81 0x40 in Shift-JIS.
  StringRef s = S("\x81\x40 x\x81\x40");
  EXPECT_EQ(Text(Take(runTrim(s.get())).get()), "x");
  EXPECT_EQ(Text(Take(StringUCase(S(std::string("ab") + kNihongo).get())).get()),
            std::string("AB") + kNihongo);
  EXPECT_EQ(Text(Take(StringTitleCase(S("ab cd").get())).get()), "Ab Cd");
}

TEST(TaggedStrings, Utf8AndUtf16CountTheirOwnCharacters) {
  StringRef utf8 = S("a\xC3\xA9\xE2\x82\xAC", kEncodingUtf8);  // a é €
  EXPECT_EQ(StringDBCSLen(utf8.get()), 3);
  EXPECT_EQ(Text(Take(StringDBCSMid3(utf8.get(), 2, 1)).get()), "\xC3\xA9");
  EXPECT_EQ(Text(Take(StringDBCSRight(utf8.get(), 1)).get()), "\xE2\x82\xAC");
  StringRef utf16 = S(std::string("a\0b\0c\0", 6), kEncodingUtf16);
  EXPECT_EQ(StringDBCSLen(utf16.get()), 3);
  EXPECT_EQ(Text(Take(StringDBCSMid3(utf16.get(), 2, 1)).get()), std::string("b\0", 2));
  EXPECT_EQ(Text(Take(StringDBCSLeft(utf16.get(), 2)).get()), std::string("a\0b\0", 4));
}

}  // namespace
}  // namespace tess
