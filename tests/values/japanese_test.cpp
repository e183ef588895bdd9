// The Japanese converters: known codes at the corners of the JIS table,
// every JIS code and every half-width katakana through each pair of
// encodings, ISO-2022-JP's escapes, malformed and truncated input (never read
// past, always giving well-formed output), and the guesser.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "values/japanese.h"

namespace tess::japanese {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += char(b);
  return s;
}

// Copies into a block of exactly the input's size, so a sanitizer sees any
// read past the end.
template <typename F>
auto Exact(F convert, const std::string& in) {
  std::vector<char> copy(in.begin(), in.end());
  return convert(std::string_view(copy.data(), copy.size()));
}

bool WellFormedShiftJis(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    auto b = uint8_t(s[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
    if (!lead || i + 1 >= s.size()) return false;
    auto t = uint8_t(s[++i]);
    if (t < 0x40 || t > 0xFC || t == 0x7F) return false;
  }
  return true;
}

bool WellFormedEucJp(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    auto b = uint8_t(s[i]);
    if (b < 0x80) continue;
    if (i + 1 >= s.size()) return false;
    auto t = uint8_t(s[++i]);
    if (b == 0x8E ? (t < 0xA1 || t > 0xDF) : (b < 0xA1 || b > 0xFE || t < 0xA1 || t > 0xFE)) {
      return false;
    }
  }
  return true;
}

TEST(JapaneseConverters, KnownCodes) {
  const struct {
    const char* what;
    std::string sjis, euc, jis;
  } cases[] = {
      {"first code", B({0x81, 0x40}), B({0xA1, 0xA1}),
       B({0x1B, '$', 'B', 0x21, 0x21, 0x1B, '(', 'B'})},
      {"hiragana a", B({0x82, 0xA0}), B({0xA4, 0xA2}),
       B({0x1B, '$', 'B', 0x24, 0x22, 0x1B, '(', 'B'})},
      {"trail 0x5C", B({0x95, 0x5C}), B({0xC9, 0xBD}),
       B({0x1B, '$', 'B', 0x49, 0x3D, 0x1B, '(', 'B'})},
      {"trail 0x80", B({0x81, 0x80}), B({0xA1, 0xE0}),
       B({0x1B, '$', 'B', 0x21, 0x60, 0x1B, '(', 'B'})},
      {"row 0x5E end", B({0x9F, 0xFC}), B({0xDE, 0xFE}),
       B({0x1B, '$', 'B', 0x5E, 0x7E, 0x1B, '(', 'B'})},
      {"row 0x5F start", B({0xE0, 0x40}), B({0xDF, 0xA1}),
       B({0x1B, '$', 'B', 0x5F, 0x21, 0x1B, '(', 'B'})},
      {"last code", B({0xEF, 0xFC}), B({0xFE, 0xFE}),
       B({0x1B, '$', 'B', 0x7E, 0x7E, 0x1B, '(', 'B'})},
      {"half-width katakana", B({0xB1, 0xDF}), B({0x8E, 0xB1, 0x8E, 0xDF}),
       B({0x1B, '(', 'I', 0x31, 0x5F, 0x1B, '(', 'B'})},
      {"mixed", "a" + B({0x82, 0xA0, 0xB1}) + "b", "a" + B({0xA4, 0xA2, 0x8E, 0xB1}) + "b",
       "a" + B({0x1B, '$', 'B', 0x24, 0x22, 0x1B, '(', 'I', 0x31, 0x1B, '(', 'B'}) + "b"},
      {"ASCII only", "plain\r\n", "plain\r\n", "plain\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShiftJisToEucJp(c.sjis), c.euc) << c.what;
    EXPECT_EQ(EucJpToShiftJis(c.euc), c.sjis) << c.what;
    EXPECT_EQ(ShiftJisToIso2022Jp(c.sjis), c.jis) << c.what;
    EXPECT_EQ(Iso2022JpToShiftJis(c.jis), c.sjis) << c.what;
  }
}

TEST(JapaneseConverters, EveryJisCodeAndKanaRoundTrips) {
  std::string euc;
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) euc += B({j1 | 0x80, j2 | 0x80});
  }
  for (int k = 0xA1; k <= 0xDF; ++k) euc += B({0x8E, k});
  std::string sjis = EucJpToShiftJis(euc);
  EXPECT_TRUE(WellFormedShiftJis(sjis));
  EXPECT_EQ(sjis.size(), 94u * 94u * 2 + 63u);
  EXPECT_EQ(ShiftJisToEucJp(sjis), euc);
  EXPECT_EQ(Iso2022JpToShiftJis(ShiftJisToIso2022Jp(sjis)), sjis);
}

TEST(JapaneseConverters, Iso2022JpEscapes) {
  const std::string kanji = B({0x24, 0x22});  // hiragana a
  const std::string a = B({0x82, 0xA0});
  const struct {
    const char* what;
    std::string jis, sjis;
  } cases[] = {
      {"ESC $ @", "\x1B$@" + kanji, a},
      {"ESC K", "\x1BK" + kanji, a},
      {"ESC ( J", "\x1B$B" + kanji + "\x1B(Jx", a + "x"},
      {"ESC ( I", "\x1B(I" + B({0x31, 0x5F}) + "\x1B(B1", B({0xB1, 0xDF}) + "1"},
      {"line breaks inside double-byte text", "\x1B$B" + kanji + "\r\n" + kanji, a + "\r\n" + a},
      {"odd byte in double-byte text", "\x1B$B" + kanji + B({0x24}), a + "?"},
      {"double-byte code split by a control", "\x1B$B" + B({0x24, 0x0A, 0x22}), "?\n?"},
      {"unknown escape kept as text", "\x1Bxy", "\x1Bxy"},
      {"ESC at the end", "ab\x1B", "ab"},
      {"ESC ( at the end", "ab\x1B(", "ab"},
      {"ESC $ at the end", "ab\x1B$", "ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Exact(Iso2022JpToShiftJis, c.jis), c.sjis) << c.what;
  }
}

TEST(JapaneseConverters, MalformedInputGivesQuestionMarks) {
  const struct {
    const char* what;
    std::string in, out;
    std::string (*convert)(std::string_view);
  } cases[] = {
      {"Shift-JIS lead at the end", "a" + B({0x82}), "a?", ShiftJisToEucJp},
      {"Shift-JIS bad trail", B({0x82, 0x20}), "? ", ShiftJisToEucJp},
      {"Shift-JIS lone 0x80, 0xA0, 0xFD", B({0x80, 0xA0, 0xFD}), "???", ShiftJisToEucJp},
      {"Shift-JIS user-defined row", B({0xF0, 0x40}), "?", ShiftJisToEucJp},
      {"Shift-JIS user-defined row to JIS", B({0xF0, 0x40}), "?", ShiftJisToIso2022Jp},
      {"Shift-JIS lead at the end to JIS", B({0x82}), "?", ShiftJisToIso2022Jp},
      {"EUC-JP lead at the end", "a" + B({0xA4}), "a?", EucJpToShiftJis},
      {"EUC-JP SS2 at the end", B({0x8E}), "?", EucJpToShiftJis},
      {"EUC-JP SS2 with a non-kana", B({0x8E, 0xE0}), "??", EucJpToShiftJis},
      {"EUC-JP JIS X 0212", B({0x8F, 0xB0, 0xA1}), "?", EucJpToShiftJis},
      {"EUC-JP SS3 truncated", B({0x8F, 0xB0}), "??", EucJpToShiftJis},
      {"EUC-JP stray bytes", B({0x80, 0xFF}), "??", EucJpToShiftJis},
  };
  for (const auto& c : cases) EXPECT_EQ(Exact(c.convert, c.in), c.out) << c.what;
}

// Every short string over the bytes that matter, through every converter:
// nothing reads past the input, and what comes out is well formed.
TEST(JapaneseConverters, ShortInputsOfTroublesomeBytes) {
  const uint8_t alphabet[] = {0x1B, '(',  '$',  'I',  'K',  'B',  0x0A, 0x21, 0x5F,
                              0x7E, 0x7F, 0x80, 0x81, 0x8E, 0x8F, 0x9F, 0xA0, 0xA1,
                              0xDF, 0xE0, 0xEF, 0xF0, 0xFC, 0xFE, 0xFF, 0x40};
  std::vector<std::string> inputs = {""};
  for (int length = 1; length <= 3; ++length) {
    std::vector<std::string> longer;
    for (const std::string& s : inputs) {
      if (s.size() + 1 != size_t(length)) continue;
      for (uint8_t b : alphabet) longer.push_back(s + char(b));
    }
    inputs.insert(inputs.end(), longer.begin(), longer.end());
  }
  for (const std::string& in : inputs) {
    EXPECT_TRUE(WellFormedShiftJis(Exact(EucJpToShiftJis, in)));
    EXPECT_TRUE(WellFormedShiftJis(Exact(Iso2022JpToShiftJis, in)));
    EXPECT_TRUE(WellFormedEucJp(Exact(ShiftJisToEucJp, in)));
    std::string jis = Exact(ShiftJisToIso2022Jp, in);
    for (char c : jis) EXPECT_LT(uint8_t(c), 0x80) << "ISO-2022-JP is 7-bit";
    (void)Exact(GuessEncoding, in);
  }
}

TEST(JapaneseGuess, EachEncodingOfASample) {
  // "日本語のテキスト、ﾊﾝｶｸｶﾅ" in Shift-JIS.
  const std::string sjis =
      B({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x82, 0xCC, 0x83, 0x65, 0x83, 0x4C,
         0x83, 0x58, 0x83, 0x67, 0x81, 0x41, 0xCA, 0xDD, 0xB6, 0xB8, 0xB6, 0xC5});
  // "日本語ﾃｷｽﾄ": EUC-JP that also reads as valid Shift-JIS.
  const std::string ambiguous = B({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0xC3, 0xB7, 0xBD, 0xC4});
  const struct {
    const char* what;
    std::string bytes;
    Guess expected;
  } cases[] = {
      {"Shift-JIS", sjis, Guess::kShiftJis},
      {"EUC-JP", ShiftJisToEucJp(sjis), Guess::kEucJp},
      {"ISO-2022-JP", ShiftJisToIso2022Jp(sjis), Guess::kIso2022Jp},
      {"EUC-JP readable as Shift-JIS", ShiftJisToEucJp(ambiguous), Guess::kEucJp},
      {"EUC-JP hiragana only", B({0xA4, 0xA2, 0xA4, 0xA4, 0xA4, 0xA6}), Guess::kEucJp},
      {"Shift-JIS kanji and kana", ambiguous, Guess::kShiftJis},
      {"ASCII", "plain text", Guess::kUnknown},
      {"empty", "", Guess::kUnknown},
      {"neither", B({0x80, 0xFF}), Guess::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(GuessEncoding(c.bytes), c.expected) << c.what;
}

}  // namespace
}  // namespace tess::japanese
