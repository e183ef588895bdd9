// Locale comparison of code-page text: the direct path for ASCII text must
// order exactly as the converted path does, with and without case, and the
// code pages whose low half is not ASCII must not take it.
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
