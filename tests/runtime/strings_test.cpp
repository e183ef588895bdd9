// String values and the language's string functions, case by case.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/kernel/codepage.h"
#include "platform/kernel/locale.h"
#include "runtime/heap.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::S;
using test::Take;
using test::Text;

class StringsTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetACP(1252);
    platform::SetUserLocale("en_US");
    heapBefore = HeapBytesInUse();
  }
  void TearDown() override { EXPECT_EQ(HeapBytesInUse(), heapBefore) << "a string leaked"; }
  size_t heapBefore = 0;
};

TEST_F(StringsTest, ValuesCarryALengthByteAndAFinalNul) {
  StringRef s = S("hello");
  EXPECT_EQ(s.get()->refCount, 1u);
  EXPECT_EQ(s.get()->bufferSize, 7u);
  EXPECT_EQ(s.get()->buffer[0], 5);
  EXPECT_EQ(s.get()->buffer[6], 0);
  EXPECT_STREQ(StringToCString(s.get()), "hello");
  EXPECT_EQ(StringToPString(s.get())[0], 5);
  StringRef longer = S(std::string(300, 'x'));
  EXPECT_EQ(longer.get()->buffer[0], 255) << "255 stands for 255 or more";
  EXPECT_EQ(S("").get(), nullptr) << "the empty string is null";
  EXPECT_STREQ(StringToCString(nullptr), "");
  EXPECT_EQ(StringToPString(nullptr)[0], 0);
}

TEST_F(StringsTest, WholeResultsAreTheVerySameString) {
  StringRef abc = S("abc");
  struct Case {
    const char* what;
    TessString* result;
  } cases[] = {
      {"Left 5", StringLeft(abc.get(), 5)},
      {"Left 3", StringLeft(abc.get(), 3)},
      {"Right 3", StringRight(abc.get(), 3)},
      {"Mid2 from 1", StringMid2(abc.get(), 1)},
      {"Mid2 from -4", StringMid2(abc.get(), -4)},
      {"Mid3 from 1 for 3", StringMid3(abc.get(), 1, 3)},
      {"Mid3 from 1 for 9", StringMid3(abc.get(), 1, 9)},
      {"Trim", runTrim(abc.get())},
      {"abc + empty", RuntimeAddString(abc.get(), nullptr)},
      {"empty + abc", RuntimeAddString(nullptr, abc.get())},
      {"Replace absent", StringReplace(abc.get(), S("x").get(), S("y").get())},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, abc.get()) << c.what;
  EXPECT_EQ(abc.get()->refCount, 1 + std::size(cases)) << "one reference per result";
  for (const Case& c : cases) RuntimeUnlockString(c.result);
}

TEST_F(StringsTest, SubstringsAtTheirBoundaries) {
  StringRef abc = S("abc"), abcdef = S("abcdef");
  struct Case {
    const char* what;
    TessString* result;
    const char* expected;
  } cases[] = {
      {"Left 0", StringLeft(abc.get(), 0), ""},
      {"Left -1", StringLeft(abc.get(), -1), ""},
      {"Left 2", StringLeft(abc.get(), 2), "ab"},
      {"Right -1", StringRight(abc.get(), -1), ""},
      {"Right 2", StringRight(abc.get(), 2), "bc"},
      {"Mid2 from 4", StringMid2(abc.get(), 4), ""},
      {"Mid2 from 2", StringMid2(abc.get(), 2), "bc"},
      {"Mid3 from 2 for 0", StringMid3(abc.get(), 2, 0), ""},
      {"Mid3 from 0 for 3", StringMid3(abcdef.get(), 0, 3), "ab"},
      {"Mid3 from -1 for 3", StringMid3(abcdef.get(), -1, 3), "a"},
      {"Mid3 from 5 for 9", StringMid3(abcdef.get(), 5, 9), "ef"},
      {"Mid3 from 7 for 1", StringMid3(abcdef.get(), 7, 1), ""},
      {"Mid3 from INT_MIN", StringMid3(abcdef.get(), INT32_MIN, INT32_MAX), ""},
      {"Left of empty", StringLeft(nullptr, 3), ""},
  };
  for (const Case& c : cases) {
    StringRef r = Take(c.result);
    EXPECT_EQ(Text(r.get()), c.expected) << c.what;
    if (!*c.expected) {
      EXPECT_EQ(r.get(), nullptr) << c.what << " must be null";
    }
  }
}

TEST_F(StringsTest, SearchingIgnoresCaseOnlyInInStr) {
  StringRef abc = S("abc"), ABC = S("ABC"), bc = S("bc");
  EXPECT_EQ(StringInStr(1, nullptr, bc.get()), 0);
  EXPECT_EQ(StringInStr(5, abc.get(), nullptr), 5) << "an empty find returns the start";
  EXPECT_EQ(StringInStr(1, ABC.get(), bc.get()), 2);
  EXPECT_EQ(StringInStrB(1, ABC.get(), bc.get()), 0);
  EXPECT_EQ(StringInStrB(1, abc.get(), bc.get()), 2);
  EXPECT_EQ(StringInStr(3, abc.get(), bc.get()), 0);
  EXPECT_EQ(StringInStr(-7, abc.get(), bc.get()), 2);
  EXPECT_EQ(StringInStr(4, abc.get(), S("c").get()), 0);
  EXPECT_EQ(StringInStr(1, S("\xC4rger").get(), S("\xE4RG").get()), 1)
      << "case tables of the code page, not just ASCII";
}

TEST_F(StringsTest, InStrBUsesBoyerMooreOnLongTextsWithTheSameAnswers) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "abcab" + std::to_string(i % 7);
  text += "needle-here";
  StringRef hay = S(text);
  // Positions found by a plain scan agree with the Boyer-Moore path.
  for (const char* find : {"needle-here", "abcab3", "b6abc", "dle-h", "missing!"}) {
    size_t expected = text.find(find);
    for (int32_t start : {1, 2, 40, 2000}) {
      size_t from = expected == std::string::npos ? expected : text.find(find, size_t(start - 1));
      int32_t want = from == std::string::npos ? 0 : int32_t(from) + 1;
      EXPECT_EQ(StringInStrB(start, hay.get(), S(find).get()), want) << find << " from " << start;
    }
  }
}

TEST_F(StringsTest, ReplaceAndFields) {
  struct Case {
    const char* what;
    TessString* result;
    const char* expected;
  } cases[] = {
      {"ReplaceAll does not search inserted text",
       StringReplaceAll(S("aaa").get(), S("a").get(), S("aa").get()), "aaaaaa"},
      {"Replace ignores case", StringReplace(S("Hello").get(), S("L").get(), S("x").get()),
       "Hexlo"},
      {"ReplaceAll ignores case", StringReplaceAll(S("a-A-b").get(), S("a").get(), S("<>").get()),
       "<>-<>-b"},
      {"ReplaceAll to nothing", StringReplaceAll(S("xyx").get(), S("x").get(), nullptr), "y"},
      {"ReplaceAll everything", StringReplaceAll(S("xx").get(), S("x").get(), nullptr), ""},
      {"NthField empty middle", StringNthField(S("a,,b").get(), S(",").get(), 2), ""},
      {"NthField last", StringNthField(S("a,,b").get(), S(",").get(), 3), "b"},
      {"NthField past the end", StringNthField(S("a,b").get(), S(",").get(), 3), ""},
      {"NthField with a cased separator", StringNthField(S("oneXtwoxthree").get(), S("x").get(), 3),
       "three"},
      {"NthField bytewise", StringNthField(S("1::2::3").get(), S("::").get(), 2), "2"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(Take(c.result).get()), c.expected) << c.what;
  EXPECT_EQ(StringCountFields(nullptr, S(",").get()), 0);
  EXPECT_EQ(StringCountFields(S("a").get(), nullptr), 1);
  EXPECT_EQ(StringCountFields(S("a,,b").get(), S(",").get()), 3);
  EXPECT_EQ(StringCountFields(S("aXbxc").get(), S("x").get()), 3);
  EXPECT_EQ(StringCountFields(S("aaaa").get(), S("aa").get()), 3) << "occurrences do not overlap";
}

TEST_F(StringsTest, CaseTrimAndTitle) {
  struct Case {
    const char* what;
    TessString* result;
    const char* expected;
  } cases[] = {
      {"UCase", StringUCase(S("stra\xDF \xE9t\xE9").get()), "STRA\xDF \xC9T\xC9"},
      {"LCase", StringLCase(S("ABC \xC0").get()), "abc \xE0"},
      {"LTrim", runLTrim(S(" \t\r\n x ").get()), "x "},
      {"RTrim", runRTrim(S(" x \v\f").get()), " x"},
      {"Trim of blanks", runTrim(S(" \t ").get()), ""},
      {"TitleCase", StringTitleCase(S("hELLO wORLD-wide  o'neil").get()),
       "Hello World-wide  O'neil"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(Take(c.result).get()), c.expected) << c.what;
}

TEST_F(StringsTest, NumbersFromAndToText) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"&hFF", 255},
      {"&HfF", 255},
      {"&b102", 2},
      {"&x1", 0},
      {"&o17", 15},
      {"&hFFFFFFFF", 4294967295.0},
      {"  12.5abc", 12.5},
      {"abc", 0},
      {"-3e2x", -300},
      {"1e", 1},
      {".5", 0.5},
      {"0x10", 0},
      {"inf", 0},
      {"", 0},
      {"&", 0},
      {"+5", 5},
      {"5.", 5},
      {"-0.25e+1", -2.5},
      // beyond a double: infinity or zero with the sign, as strtod gives
      {"1e400", HUGE_VAL},
      {"-1e400", -HUGE_VAL},
      {"1e-400", 0},
      {"0.0001e-320", 0},
      {"4.9e-324", 4.9e-324},
      {"1234567890123456789012345678901234567890", 1.2345678901234568e39},
  };
  for (const Case& c : cases) EXPECT_EQ(StringVal(S(c.text).get()), c.value) << c.text;
  EXPECT_EQ(Text(Take(RuntimeHex(-1)).get()), "FFFFFFFF");
  EXPECT_EQ(Text(Take(RuntimeHex(255)).get()), "FF");
  EXPECT_EQ(Text(Take(RuntimeOct(8)).get()), "10");
  EXPECT_EQ(Text(Take(RuntimeBin(0)).get()), "0");
  EXPECT_EQ(Text(Take(RuntimeBin(5)).get()), "101");
  EXPECT_EQ(runCDbl(S("1,234.5").get()), 1234.5);
  platform::SetUserLocale("de_DE");
  EXPECT_EQ(runCDbl(S("1.234,5").get()), 1234.5);
}

TEST_F(StringsTest, CharactersCodesAndOSTypes) {
  StringRef a = Take(StringChr(65)), high = Take(StringChr(200)), wrapped = Take(StringChr(-191));
  EXPECT_EQ(Text(a.get()), "A");
  EXPECT_EQ(a.get()->encoding, kEncodingAsciiTag);
  EXPECT_EQ(high.get()->encoding, kEncodingNone);
  EXPECT_EQ(Text(wrapped.get()), "A") << "n mod 256";
  EXPECT_EQ(Length(Take(StringChr(0)).get()), 1);
  EXPECT_EQ(StringAsc(S("\xE9t\xE9").get()), 0xE9);
  EXPECT_EQ(StringAsc(nullptr), 0);
  EXPECT_EQ(StringToOSType(nullptr), 0x3F3F3F3Fu);
  EXPECT_EQ(StringToOSType(S("TEXT").get()), 0x54584554u);
  EXPECT_EQ(StringToOSType(S("ab").get()), 0x00006261u) << "missing bytes are zero";
  EXPECT_EQ(StringToOSType(S("abcdef").get()), 0x64636261u);
}

TEST_F(StringsTest, ConcatenationCombinesEncodings) {
  struct Case {
    uint32_t a, b, expected;
  } cases[] = {
      {1, 1, 1},           {1, 2, 2},         {2, 1, 2}, {1, 0x100, 0},  {0x100, 1, 0},
      {1, 0xFFFF, 0xFFFF}, {0x600, 1, 0x600}, {0, 1, 0}, {2, 0xFFFF, 0}, {3, 3, 3},
  };
  for (const Case& c : cases) {
    StringRef r = Take(RuntimeAddString(S("x", c.a).get(), S("y", c.b).get()));
    EXPECT_EQ(r.get()->encoding, c.expected) << std::hex << c.a << " + " << c.b;
    EXPECT_EQ(Text(r.get()), "xy");
  }
}

TEST_F(StringsTest, Comparisons) {
  StringRef abc = S("abc"), ABC = S("ABC"), a = S("a"), ab = S("ab"), b = S("b");
  EXPECT_EQ(RuntimeStringCompare(abc.get(), ABC.get()), 0);
  EXPECT_EQ(RuntimeStringCompare(abc.get(), abc.get()), 0);
  EXPECT_EQ(RuntimeStringCompare(a.get(), b.get()), -1);
  EXPECT_EQ(RuntimeStringCompare(ab.get(), a.get()), 1);
  EXPECT_EQ(RuntimeStringCompare(nullptr, a.get()), -1);
  EXPECT_EQ(RuntimeStringCompare(S("\xE9").get(), S("e").get()), 1) << "accents still count";
  EXPECT_EQ(StringStrCompare(abc.get(), ABC.get(), 0), 1);
  EXPECT_EQ(StringStrCompare(a.get(), ab.get(), 0), -1);
  EXPECT_EQ(StringStrCompare(nullptr, nullptr, 0), 0);
  EXPECT_EQ(StringStrCompare(S("\x80").get(), a.get(), 0), 1) << "bytes compare unsigned";
  EXPECT_EQ(StringStrCompare(abc.get(), ABC.get(), 1), -1) << "locale order: a before A";
  EXPECT_EQ(StringStrCompare(ABC.get(), S("abd").get(), 1), -1);
}

TEST_F(StringsTest, LockUnlockAndAssignment) {
  StringRef s = S("value");
  RuntimeLockString(s.get());
  EXPECT_EQ(s.get()->refCount, 2u);
  RuntimeLockUnlockStrings(s.get(), s.get());
  EXPECT_EQ(s.get()->refCount, 2u) << "assigning a string to itself changes nothing";
  StringRef other = S("other");
  RuntimeLockUnlockStrings(other.get(), s.get());
  EXPECT_EQ(other.get()->refCount, 2u);
  EXPECT_EQ(s.get()->refCount, 1u);
  RuntimeUnlockString(other.get());
  RuntimeLockString(nullptr);
  RuntimeUnlockString(nullptr);
}

TEST_F(StringsTest, PluginStringServices) {
  StringRef built = Take(TessBuildString("a\0b", 3));
  EXPECT_EQ(Length(built.get()), 3);
  EXPECT_EQ(built.get()->encoding, kEncodingNone);
  EXPECT_EQ(TessBuildString("x", 0), nullptr);
  EXPECT_EQ(TessGetStringEncoding(nullptr), kEncodingAsciiTag);
  TessSetStringEncoding(built.get(), kEncodingUtf8);
  EXPECT_EQ(TessGetStringEncoding(built.get()), kEncodingUtf8);
  TessSetStringEncoding(nullptr, kEncodingUtf8);
  EXPECT_STREQ(StringGetCString(S("c").get()), "c");
}

TEST_F(StringsTest, WritingACharacterCopiesASharedString) {
  StringRef original = S("abc");
  TessString* shared = Share(original.get());
  uint8_t* c = WritableChar(&shared, 1);
  *c = 'X';
  EXPECT_NE(shared, original.get());
  EXPECT_EQ(Text(shared), "aXc");
  EXPECT_EQ(Text(original.get()), "abc");
  UnlockString(shared);
}

TEST_F(StringsTest, WideConversionsGoThroughTheSystemCodePage) {
  StringRef s = Take(StringFromWide(u"caf\u00e9"));
  EXPECT_EQ(Text(s.get()), "caf\xE9");
  EXPECT_EQ(WideCopy(s.get()), u"caf\u00e9");
}

}  // namespace
}  // namespace tess
