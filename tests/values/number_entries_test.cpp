#include <gtest/gtest.h>

#include "platform/kernel/locale.h"
#include "runtime/heap.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::S;
using test::Take;
using test::Text;

class NumberEntriesTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetUserLocale("en_US");
    heapBefore = HeapBytesInUse();
  }
  void TearDown() override {
    platform::SetUserLocale("en_US");
    EXPECT_EQ(HeapBytesInUse(), heapBefore) << "a string leaked";
  }
  size_t heapBefore = 0;
};

TEST_F(NumberEntriesTest, FormatReadsTheLocaleOnEveryCall) {
  auto picture = S("#,##0.00");
  EXPECT_EQ(Text(Take(StringFormat(1234567.891, picture.get())).get()), "1,234,567.89");
  platform::SetUserLocale("de_DE");
  EXPECT_EQ(Text(Take(StringFormat(1234567.891, picture.get())).get()), "1.234.567,89");
  platform::SetUserLocale("en_US");
  EXPECT_EQ(Text(Take(StringFormat(-1234567.891, picture.get())).get()), "1,234,567.89");
}

TEST_F(NumberEntriesTest, StrIgnoresTheLocaleAndCStrUsesIt) {
  platform::SetUserLocale("de_DE");
  EXPECT_EQ(Text(Take(StringStr(1.5)).get()), "1.5");
  EXPECT_EQ(Text(Take(runCStr(1.5)).get()), "1,5");
  EXPECT_EQ(Text(Take(runCStr(1234567.0)).get()), "1,234567e+006");
  EXPECT_EQ(Text(Take(runCStr(42.0)).get()), "42");
  platform::SetUserLocale("en_US");
  EXPECT_EQ(Text(Take(runCStr(1.5)).get()), "1.5");
}

TEST_F(NumberEntriesTest, ResultsAreAsciiTaggedStrings) {
  StringRef text = Take(StringStr(-0.0));
  EXPECT_EQ(Text(text.get()), "0");
  EXPECT_EQ(Encoding(text.get()), kEncodingAsciiTag);
  // A nil picture is the empty picture, which has no places.
  EXPECT_EQ(Take(StringFormat(5, nullptr)).get(), nullptr);
}

}  // namespace
}  // namespace tess
