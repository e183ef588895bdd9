// Text encodings: a Japanese sample with half-width katakana through every
// pair of UTF-8, UTF-16, Shift-JIS, EUC-JP and ISO-2022-JP (and 1252 where
// it can hold the text), the base table's code pages and which of them make
// converters, the tags of converted strings, and the guesser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "values/japanese.h"
#include "values/text_encoding.h"
#include "values/value_classes.h"

namespace tess {
namespace {

using test::S;
using test::Take;
using test::Text;

struct Named {
  const char* name;
  int32_t base, format;
};
const Named kUtf8{"UTF-8", 0x0100, 2};
const Named kUtf16{"UTF-16", 0x0100, 0};
const Named kShiftJis{"Shift-JIS", 0x0A01, 0};
const Named kEucJp{"EUC-JP", 0x0920, 0};
const Named kIso2022Jp{"ISO-2022-JP", 0x0820, 0};
const Named kWindowsLatin1{"1252", 0x0500, 0};

ObjectRef Converter(const Named& from, const Named& to) {
  ObjectRef source = ObjectRef::Adopt(getTextEncoding(from.base, 0, from.format));
  ObjectRef destination = ObjectRef::Adopt(getTextEncoding(to.base, 0, to.format));
  return ObjectRef::Adopt(getTextConverter(source.get(), destination.get()));
}

std::string Convert(const Named& from, const Named& to, const std::string& text,
                    uint32_t tag = kEncodingNone) {
  ObjectRef c = Converter(from, to);
  EXPECT_NE(c.get(), nullptr) << from.name << " to " << to.name;
  if (!c.get()) return {};
  StringRef in = S(text, tag);
  return Text(Take(textConverterConvert(c.get(), in.get())).get());
}

std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

// "日本語のテキスト、ﾊﾝｶｸｶﾅ" with an ASCII tail.
const std::string kSampleUtf8 =
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9"
    "\xE3\x83\x88\xE3\x80\x81\xEF\xBE\x8A\xEF\xBE\x9D\xEF\xBD\xB6\xEF\xBD\xB8\xEF\xBD\xB6"
    "\xEF\xBE\x85 ok";
const std::string kSampleShiftJis =
    "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x81\x41\xCA\xDD\xB6\xB8"
    "\xB6\xC5 ok";

class TextEncodingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    objects_ = RuntimeDebugObjectCount(nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(RuntimeDebugObjectCount(nullptr), objects_) << "live objects";
  }

 private:
  int32_t objects_ = 0;
};

TEST_F(TextEncodingTest, JapaneseSampleRoundTripsBetweenEveryPair) {
  const std::string sample[] = {
      kSampleUtf8,
      Utf16Bytes(u"日本語のテキスト、ﾊﾝｶｸｶﾅ ok"),
      kSampleShiftJis,
      japanese::ShiftJisToEucJp(kSampleShiftJis),
      japanese::ShiftJisToIso2022Jp(kSampleShiftJis),
  };
  const Named* encodings[] = {&kUtf8, &kUtf16, &kShiftJis, &kEucJp, &kIso2022Jp};
  for (size_t from = 0; from < 5; ++from) {
    for (size_t to = 0; to < 5; ++to) {
      EXPECT_EQ(Convert(*encodings[from], *encodings[to], sample[from]), sample[to])
          << encodings[from]->name << " to " << encodings[to]->name;
    }
  }
}

TEST_F(TextEncodingTest, OutputThreeTimesTheInputIsWhole) {
  // Each half-width katakana byte becomes three UTF-8 bytes.
  const std::string kana(20000, '\xB1');
  std::string utf8;
  for (int i = 0; i < 20000; ++i) utf8 += "\xEF\xBD\xB1";
  EXPECT_EQ(Convert(kShiftJis, kUtf8, kana), utf8);
  EXPECT_EQ(Convert(kUtf8, kShiftJis, utf8), kana);
  EXPECT_EQ(Convert(kIso2022Jp, kUtf8, japanese::ShiftJisToIso2022Jp(kana)), utf8);
}

TEST_F(TextEncodingTest, WindowsLatin1WhereItCanHoldTheText) {
  const std::string latin1 = "caf\xE9 \xF7 \x80";  // café ÷ €
  const std::string utf8 = "caf\xC3\xA9 \xC3\xB7 \xE2\x82\xAC";
  EXPECT_EQ(Convert(kWindowsLatin1, kUtf8, latin1), utf8);
  EXPECT_EQ(Convert(kUtf8, kWindowsLatin1, utf8), latin1);
  EXPECT_EQ(Convert(kWindowsLatin1, kUtf16, latin1), Utf16Bytes(u"café ÷ €"));
  EXPECT_EQ(Convert(kUtf16, kWindowsLatin1, Utf16Bytes(u"café ÷ €")), latin1);
  EXPECT_EQ(Convert(kWindowsLatin1, kShiftJis, "plain ASCII"), "plain ASCII");
  EXPECT_EQ(Convert(kEucJp, kWindowsLatin1, "plain ASCII"), "plain ASCII");
  std::string lossy = Convert(kShiftJis, kWindowsLatin1, kSampleShiftJis);
  EXPECT_EQ(lossy, std::string(15, '?') + " ok") << "what 1252 cannot hold becomes '?'";
}

TEST_F(TextEncodingTest, ConvertersExistOnlyForUsableCodePages) {
  const struct {
    const char* what;
    int32_t fromBase, fromFormat, toBase, toFormat;
    bool made;
  } cases[] = {
      {"1252 to UTF-8", 0x0500, 0, 0x0100, 2, true},
      {"UTF-7 to UTF-16", 0x0101, 1, 0x0103, 0, true},
      {"EBCDIC 37 to 1252", 0x0C01, 0, 0x0500, 0, true},
      {"OEM 437 to 866", 0x0400, 0, 0x041B, 0, true},
      {"Shift-JIS to EUC-JP", 0x0420, 0, 0x0920, 0, true},
      {"unlisted base", 0x7777, 0, 0x0500, 0, false},
      {"Unicode format 3", 0x0100, 3, 0x0500, 0, false},
      {"Mac Japanese has no converter here", 0x0001, 0, 0x0500, 0, false},
      {"Mac Icelandic", 0x0025, 0, 0x0100, 2, false},
      {"Johab", 0x0510, 0, 0x0100, 2, false},
      {"the same unusable page", 0x0001, 0, 0x0001, 0, true},
  };
  for (const auto& c : cases) {
    ObjectRef from = ObjectRef::Adopt(getTextEncoding(c.fromBase, 0, c.fromFormat));
    ObjectRef to = ObjectRef::Adopt(getTextEncoding(c.toBase, 0, c.toFormat));
    ObjectRef converter = ObjectRef::Adopt(getTextConverter(from.get(), to.get()));
    EXPECT_EQ(converter.get() != nullptr, c.made) << c.what;
  }
  ObjectRef encoding = ObjectRef::Adopt(getTextEncoding(0x0500, 0, 0));
  EXPECT_EQ(getTextConverter(nullptr, encoding.get()), nullptr);
  EXPECT_EQ(getTextConverter(encoding.get(), nullptr), nullptr);
}

TEST_F(TextEncodingTest, BaseTableAndEncodingFields) {
  const struct {
    uint32_t base, format, codePage;
  } cases[] = {
      {0x0000, 0, 10000}, {0x0023, 0, 10081}, {0x0100, 0, 1200},   {0x0101, 1, 65000},
      {0x0103, 2, 65001}, {0x0100, 3, 0},     {0x0206, 0, 708},    {0x041D, 0, 874},
      {0x0420, 0, 932},   {0x0423, 0, 950},   {0x0508, 0, 1258},   {0x0510, 0, 1361},
      {0x0600, 0, 1252},  {0x0631, 0, 936},   {0x0820, 0, 900001}, {0x0920, 0, 900000},
      {0x0A01, 0, 932},   {0x0C02, 0, 37},    {0x0A02, 0, 0},      {0x0402, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CodePageFor(c.base, c.format), c.codePage) << std::hex << c.base;
  }
  ObjectRef e = ObjectRef::Adopt(getTextEncoding(0x0100, 7, 2));
  EXPECT_EQ(textEncodingBaseGetter(e.get(), 0), 0x0100);
  EXPECT_EQ(textEncodingVariantGetter(e.get(), 0), 7);
  EXPECT_EQ(textEncodingFormatGetter(e.get(), 0), 2);
  EXPECT_EQ(textEncodingInternetName(e.get(), 0), nullptr);
  StringRef name = S("Shift_JIS");
  EXPECT_EQ(getInternetTextEncoding(name.get()), nullptr);
  EXPECT_EQ(getFontTextEncoding(name.get()), nullptr);
}

TEST_F(TextEncodingTest, ConvertedStringsCarryTheDestinationsTag) {
  const struct {
    const Named* to;
    uint32_t tag;
  } cases[] = {
      {&kUtf8, kEncodingUtf8}, {&kUtf16, kEncodingUtf16}, {&kShiftJis, 0x0A01},
      {&kEucJp, 0x0920},       {&kIso2022Jp, 0x0820},     {&kWindowsLatin1, 0x0500},
  };
  for (const auto& c : cases) {
    ObjectRef converter = Converter(kShiftJis, *c.to);
    StringRef in = S("abc");
    StringRef out = Take(textConverterConvert(converter.get(), in.get()));
    EXPECT_EQ(Encoding(out.get()), c.tag) << c.to->name;
  }
  EXPECT_EQ(EncodingTagFor(0x0000, 0, 0), kEncodingNone) << "Mac Roman";
  EXPECT_EQ(EncodingTagFor(0x0001, 0, 0), kEncodingNone) << "Mac Japanese is not ASCII";
  EXPECT_EQ(EncodingTagFor(0x0101, 0, 1), 0x04000101u) << "UTF-7";

  // The same code page: the string itself when tagged already, else a copy.
  ObjectRef same = Converter(kShiftJis, kShiftJis);
  StringRef tagged = S("abc", 0x0A01);
  StringRef back = Take(textConverterConvert(same.get(), tagged.get()));
  EXPECT_EQ(back.get(), tagged.get());
  StringRef untagged = S("abc");
  StringRef copy = Take(textConverterConvert(same.get(), untagged.get()));
  EXPECT_NE(copy.get(), untagged.get());
  EXPECT_EQ(Encoding(copy.get()), 0x0A01u);
  EXPECT_EQ(Text(copy.get()), "abc");

  EXPECT_EQ(textConverterConvert(same.get(), nullptr), nullptr) << "empty stays empty";
  textConverterClear(same.get());
}

TEST_F(TextEncodingTest, GuessesEachJapaneseEncoding) {
  const struct {
    const char* what;
    std::string bytes;
    int32_t base;  // 0: nil
  } cases[] = {
      {"Shift-JIS", kSampleShiftJis, 0x0A01},
      {"EUC-JP", japanese::ShiftJisToEucJp(kSampleShiftJis), 0x0920},
      {"ISO-2022-JP", japanese::ShiftJisToIso2022Jp(kSampleShiftJis), 0x0820},
      {"ASCII", "no way to tell", 0},
  };
  for (const auto& c : cases) {
    StringRef s = S(c.bytes);
    ObjectRef guess = ObjectRef::Adopt(guessJapaneseEncoding(s.get()));
    if (c.base == 0) {
      EXPECT_EQ(guess.get(), nullptr) << c.what;
      continue;
    }
    ASSERT_NE(guess.get(), nullptr) << c.what;
    EXPECT_TRUE(IsA(guess.get(), TextEncodingClass()));
    EXPECT_EQ(textEncodingBaseGetter(guess.get(), 0), c.base) << c.what;
    EXPECT_EQ(textEncodingVariantGetter(guess.get(), 0), 0);
    EXPECT_EQ(textEncodingFormatGetter(guess.get(), 0), 0);
  }
}

}  // namespace
}  // namespace tess
