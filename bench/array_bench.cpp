// Arrays against std::vector doing the same work: filling a dimensioned
// array front to back with direct writes, growing one by appends, reading
// it back, and sorting integers (std::sort as the reference).
//
// Usage: array_bench [repetitions]
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "tessera/runtime.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

constexpr int32_t kCount = 200000;
volatile int64_t g_sink;

int32_t Value(int32_t i) {
  return int32_t((uint32_t(i) * 2654435761u) >> 8);
}

void DirectWrites(int repetitions) {
  double ours = MedianSeconds(repetitions, [] {
    TessArray* a = RuntimeCreateArray();
    RuntimeArrayCreateAddIndex(a, 0, kCount - 1);
    for (int32_t i = 0; i < kCount; ++i) RuntimeDirectWriteIntArray(a, i, i);
    int64_t sum = 0;
    for (int32_t i = 0; i < kCount; ++i) sum += RuntimeDirectReadIntArray(a, i);
    g_sink = sum;
    RuntimeDisposeIntArray(a);
  });
  double theirs = MedianSeconds(repetitions, [] {
    std::vector<int32_t> v(kCount);
    for (int32_t i = 0; i < kCount; ++i) v[size_t(i)] = i;
    int64_t sum = 0;
    for (int32_t i = 0; i < kCount; ++i) sum += v.at(size_t(i));
    g_sink = sum;
  });
  PrintRatio("200,000 direct writes and reads", ours, "std::vector", theirs);
}

void Appends(int repetitions) {
  double ours = MedianSeconds(repetitions, [] {
    TessArray* a = RuntimeCreateArray();
    RuntimeArrayCreateAddIndex(a, 0, -1);
    for (int32_t i = 0; i < kCount; ++i) RuntimeIntArrayAppend(a, i);
    g_sink = RuntimeUBound(a);
    RuntimeDisposeIntArray(a);
  });
  double theirs = MedianSeconds(repetitions, [] {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < kCount; ++i) v.push_back(i);
    g_sink = int64_t(v.size());
  });
  PrintRatio("200,000 appends", ours, "push_back", theirs);
}

void Sorts(int repetitions) {
  double ours = MedianSeconds(repetitions, [] {
    TessArray* a = RuntimeCreateArray();
    RuntimeArrayCreateAddIndex(a, 0, kCount - 1);
    for (int32_t i = 0; i < kCount; ++i) RuntimeDirectWriteIntArray(a, i, Value(i));
    RuntimeIntArraySort(a);
    g_sink = RuntimeDirectReadIntArray(a, kCount / 2);
    RuntimeDisposeIntArray(a);
  });
  double theirs = MedianSeconds(repetitions, [] {
    std::vector<int32_t> v(kCount);
    for (int32_t i = 0; i < kCount; ++i) v[size_t(i)] = Value(i);
    std::sort(v.begin(), v.end());
    g_sink = v[kCount / 2];
  });
  PrintRatio("200,000 integers filled and sorted", ours, "std::sort", theirs);
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  DirectWrites(repetitions);
  Appends(repetitions);
  Sorts(repetitions);
  return 0;
}
