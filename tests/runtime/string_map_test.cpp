// The name map: case-insensitive keys through the fold table, insertion
// order, and iterators that survive removal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/runtime_test_support.h"
#include "runtime/string_map.h"

namespace tess {
namespace {

using test::S;
using test::Text;

std::vector<std::string> Walk(StringMap::Iterator& it) {
  std::vector<std::string> seen;
  TessString* key;
  uint32_t value;
  while (it.Next(&key, &value)) seen.push_back(Text(key) + "=" + std::to_string(value));
  return seen;
}

TEST(StringMap, KeysMatchThroughTheFoldTableAndKeepInsertionOrder) {
  size_t before = HeapBytesInUse();
  {
    StringMap map;
    map.Set(S("Width").get(), 1);
    map.Set(S("height").get(), 2);
    map.Set(S("WIDTH").get(), 3);  // replaces, keeps its place
    map.Set(S("caf\x8E").get(), 4);
    uint32_t value = 0;
    EXPECT_TRUE(map.Lookup(S("wIdTh").get(), &value));
    EXPECT_EQ(value, 3u);
    EXPECT_TRUE(map.Lookup(S("CAF\x83").get(), &value)) << "Mac Roman e-acute folds to E-acute";
    EXPECT_EQ(value, 4u);
    EXPECT_FALSE(map.Lookup(S("wid").get(), &value));
    EXPECT_FALSE(map.Lookup(nullptr, &value));
    StringMap::Iterator it(map);
    EXPECT_EQ(Walk(it), (std::vector<std::string>{"Width=3", "height=2", "caf\x8E=4"}));
    EXPECT_EQ(map.Count(), 3u);
  }
  EXPECT_EQ(HeapBytesInUse(), before) << "the map releases its keys";
}

TEST(StringMap, RemovingTheEntryAnIteratorStandsOnMovesItOn) {
  StringMap map;
  for (uint32_t i = 0; i < 5; ++i) map.Set(S("k" + std::to_string(i)).get(), i);
  StringMap::Iterator it(map);
  TessString* key;
  uint32_t value;
  ASSERT_TRUE(it.Next(&key, &value));  // k0; the iterator now stands on k1
  EXPECT_TRUE(map.Remove(S("K1").get()));
  EXPECT_TRUE(map.Remove(S("k0").get()));
  EXPECT_FALSE(map.Remove(S("k0").get()));
  EXPECT_EQ(Walk(it), (std::vector<std::string>{"k2=2", "k3=3", "k4=4"}));
  map.Remove(S("k4").get());
  map.Set(S("k5").get(), 5);
  StringMap::Iterator again(map);
  EXPECT_EQ(Walk(again), (std::vector<std::string>{"k2=2", "k3=3", "k5=5"})) << "tail kept right";
  map.Clear();
  StringMap::Iterator empty(map);
  EXPECT_TRUE(Walk(empty).empty());
}

TEST(StringMap, CollidingHashesStayApart) {
  // h = (h * 4) ^ c: "AE" and "@A" share the hash 0x141 (bucket 0x41).
  EXPECT_EQ(StringMap::Hash(S("AE").get()), StringMap::Hash(S("@A").get()));
  StringMap map;
  map.Set(S("AE").get(), 1);
  map.Set(S("@a").get(), 2);
  uint32_t value;
  ASSERT_TRUE(map.Lookup(S("ae").get(), &value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(map.Lookup(S("@A").get(), &value));
  EXPECT_EQ(value, 2u);
}

TEST(NameFold, ComparesFoldedBytesAndShorterFirst) {
  EXPECT_EQ(CompareNames("abc", "ABC"), 0);
  EXPECT_EQ(CompareNames("ab", "abc"), -1);
  EXPECT_EQ(CompareNames("b", "A"), 1);
  EXPECT_EQ(kNameFold[0xF5], 0x49);
  EXPECT_EQ(kNameFold[0xE9], 0xE9) << "upper-case letters stay";
}

}  // namespace
}  // namespace tess
