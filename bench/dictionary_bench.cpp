// Dictionary with String keys against std::unordered_map with a
// case-insensitive hash and comparison: a million inserts, then a million
// lookups of the same keys. Both sides start from the same texts; the
// dictionary's keys are Variants boxed beforehand, as compiled code holds
// them.
//
// Usage: dictionary_bench [repetitions]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"
#include "values/dictionary.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

constexpr int32_t kCount = 1000000;
volatile int64_t g_sink;

struct FoldedHash {
  size_t operator()(const std::string& s) const {
    size_t h = 0;
    for (char c : s) h = h * 31 + size_t(c >= 'a' && c <= 'z' ? c - 32 : c);
    return h;
  }
};
struct FoldedEqual {
  bool operator()(const std::string& a, const std::string& b) const {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
             return up(x) == up(y);
           });
  }
};

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  tess::InitFrameworkClasses();
  std::vector<std::string> texts;
  std::vector<TessObject*> keys;
  for (int32_t i = 0; i < kCount; ++i) {
    texts.push_back("key" + std::to_string(uint32_t(i) * 2654435761u));
    TessString* s = TessBuildString(texts.back().data(), int32_t(texts.back().size()));
    keys.push_back(stringToVariant(s));
    TessUnlockString(s);
  }
  TessObject* value = intToVariant(1);

  double ours = MedianSeconds(repetitions, [&] {
    TessObject* d = tess::CreateObject(tess::DictionaryClass());
    for (TessObject* k : keys) dictionaryValueSetter(d, k, value);
    int64_t found = 0;
    for (TessObject* k : keys) found += dictionaryHasKey(d, k);
    g_sink = found;
    tess::UnlockObject(d);
  });
  double theirs = MedianSeconds(repetitions, [&] {
    std::unordered_map<std::string, int32_t, FoldedHash, FoldedEqual> map;
    for (const std::string& t : texts) map[t] = 1;
    int64_t found = 0;
    for (const std::string& t : texts) found += int64_t(map.count(t));
    g_sink = found;
  });
  PrintRatio("1,000,000 string-key inserts and lookups", ours, "std::unordered_map", theirs);
  for (TessObject* k : keys) tess::UnlockObject(k);
  tess::UnlockObject(value);
  return 0;
}
