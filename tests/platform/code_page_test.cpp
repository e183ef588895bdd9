// Code-page text: what a page cannot hold becomes the page's own "?", and
// locale comparison's direct path for ASCII text orders exactly as the
// converted path does, with and without case, and only where the page
// writes ASCII as its own bytes.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/locale.h"

namespace tess::platform {
namespace {

int Converted(uint32_t flags, const std::string& a, const std::string& b) {
  return CompareStringW(flags, MultiByteToWide(CP_ACP, a), MultiByteToWide(CP_ACP, b));
}

TEST(WideToMultiByte, WhatAPageCannotHoldBecomesItsQuestionMark) {
  EXPECT_EQ(WideToMultiByte(1252, u"\u65E5\u672C x"), "?? x");
  EXPECT_EQ(WideToMultiByte(932, u"\u0416\u65E5"), "\x84\x47\x93\xFA") << "both in 932";
  EXPECT_EQ(WideToMultiByte(932, u"\u0E01"), "?");
  EXPECT_EQ(WideToMultiByte(37, u"\u65E5A"), "\x6F\xC1") << "EBCDIC's own '?'";
  EXPECT_EQ(WideToMultiByte(CP_UTF8, u"\u65E5"), "\xE6\x97\xA5");
}

TEST(CompareStringA, AsciiTextOrdersAsTheConvertedText) {
  SetUserLocale("en_US");
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"a", "B"},        {"A", "a"},      {"abc", "ABC"}, {"a-b", "ab"},
      {"co-op", "coop"}, {"", "a"},       {"10", "9"},    {"Z", "a"},
      {"a b", "ab"},     {"x\ty", "x y"}, {"_", "-"},     {"item 2", "item 10"},
      {"same", "same"},
  };
  ASSERT_TRUE(IsAsciiCompatible());
  for (uint32_t flags : {0u, NORM_IGNORECASE}) {
    for (const auto& [a, b] : pairs) {
      EXPECT_EQ(CompareStringA(flags, a, b), Converted(flags, a, b)) << a << " / " << b;
      EXPECT_EQ(CompareStringA(flags, b, a), Converted(flags, b, a)) << b << " / " << a;
    }
  }
  EXPECT_EQ(CompareStringA(0, "A", "a"), CSTR_GREATER_THAN);
  EXPECT_EQ(CompareStringA(NORM_IGNORECASE, "A", "a"), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(0, "\xE9t\xE9", "ete"), CSTR_GREATER_THAN) << "converted path";
}

TEST(CompareStringA, EbcdicSystemPageIsNotAsciiCompatible) {
  uint32_t saved = GetACP();
  ASSERT_TRUE(SetACP(37));
  EXPECT_FALSE(IsAsciiCompatible());
  // "A" and "B" in code page 37 are 0xC1 and 0xC2; as ASCII bytes they
  // would be other characters.
  EXPECT_EQ(CompareStringA(0, "\xC1", "\xC2"), CSTR_LESS_THAN);
  ASSERT_TRUE(SetACP(932));
  EXPECT_TRUE(IsAsciiCompatible());
  ASSERT_TRUE(SetACP(saved));
}

}  // namespace
}  // namespace tess::platform
