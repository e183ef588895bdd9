// Arrays against std::vector doing the same work: filling a dimensioned
// array front to back with direct writes, and a two-dimensional one through
// the access walk, growing one by appends, reading them back, and sorting
// integers (std::sort as the reference). Also the
// memory a sort needs beyond the array: every C++ allocation is counted, and
// the peak while sorting is printed against the array's own bytes.
//
// Usage: array_bench [repetitions]
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "bench_support.h"
#include "runtime/framework_classes.h"
#include "runtime/heap.h"
#include "tessera/runtime.h"

namespace {
std::atomic<size_t> g_allocated{0};
std::atomic<size_t> g_peak{0};
}  // namespace

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  size_t now = g_allocated += malloc_usable_size(p);
  size_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
// The replaced operator new above allocates with malloc.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
  if (!p) return;
  g_allocated -= malloc_usable_size(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  operator delete(p);
}

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

constexpr int32_t kCount = 200000;
constexpr int32_t kSortCount = 1000000;
constexpr int32_t kStringSortCount = 100000;
volatile int64_t g_sink;

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

// A(i, j) through the walk compiled code makes: start, then the last index.
void TwoIndexWrites(int repetitions) {
  constexpr int32_t kRows = 400, kColumns = kCount / kRows;
  double ours = MedianSeconds(repetitions, [] {
    TessArray* a = RuntimeCreateArray();
    RuntimeArrayCreateAddIndex(a, 0, kRows - 1);
    RuntimeArrayCreateAddIndex(a, 0, kColumns - 1);
    for (int32_t i = 0; i < kRows; ++i) {
      for (int32_t j = 0; j < kColumns; ++j) {
        RuntimeArrayStartWriteAccess(a, i);
        RuntimeWriteIntArray(a, j, i + j);
      }
    }
    int64_t sum = 0;
    for (int32_t i = 0; i < kRows; ++i) {
      for (int32_t j = 0; j < kColumns; ++j) {
        RuntimeArrayStartReadAccess(a, i);
        sum += RuntimeReadIntArray(a, j);
      }
    }
    g_sink = sum;
    RuntimeDisposeIntArray(a);
  });
  double theirs = MedianSeconds(repetitions, [] {
    std::vector<std::vector<int32_t>> v(kRows, std::vector<int32_t>(kColumns));
    for (int32_t i = 0; i < kRows; ++i) {
      for (int32_t j = 0; j < kColumns; ++j) v.at(size_t(i)).at(size_t(j)) = i + j;
    }
    int64_t sum = 0;
    for (int32_t i = 0; i < kRows; ++i) {
      for (int32_t j = 0; j < kColumns; ++j) sum += v.at(size_t(i)).at(size_t(j));
    }
    g_sink = sum;
  });
  PrintRatio("200,000 two-index writes and reads", ours, "vector of vectors", theirs);
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

// Only the sorts are timed; each run refills the same random values.
void Sorts(int repetitions) {
  std::vector<int32_t> values(kSortCount);
  for (int32_t& v : values) v = int32_t(std::rand());
  TessArray* a = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(a, 0, kSortCount - 1);
  std::vector<double> ours, theirs;
  for (int r = 0; r < repetitions; ++r) {
    for (int32_t i = 0; i < kSortCount; ++i) RuntimeDirectWriteIntArray(a, i, values[size_t(i)]);
    ours.push_back(MedianSeconds(1, [&] { RuntimeIntArraySort(a); }));
    std::vector<int32_t> v = values;
    theirs.push_back(MedianSeconds(1, [&] { std::sort(v.begin(), v.end()); }));
    g_sink = v[kSortCount / 2] + RuntimeDirectReadIntArray(a, kSortCount / 2);
  }
  RuntimeDisposeIntArray(a);
  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  PrintRatio("1,000,000 random integers sorted", ours[ours.size() / 2], "std::sort",
             theirs[theirs.size() / 2]);
}

// Peak bytes allocated while `sort` runs, beyond what was allocated before.
template <typename F>
size_t PeakDuring(F&& sort) {
  size_t heapBefore = tess::HeapBytesInUse();
  size_t before = g_allocated.load();
  g_peak = before;
  sort();
  if (tess::HeapBytesInUse() != heapBefore) std::printf("  (the runtime heap changed)\n");
  return g_peak.load() - before;
}

void SortMemory() {
  TessArray* ints = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(ints, 0, kSortCount - 1);
  for (int32_t i = 0; i < kSortCount; ++i) RuntimeDirectWriteIntArray(ints, i, std::rand());
  size_t extra = PeakDuring([&] { RuntimeIntArraySort(ints); });
  std::printf("%-44s %9zu bytes beyond the array's %zu (%.4f)\n",
              "1,000,000 integers: sort's peak memory", extra, size_t(kSortCount) * 4,
              double(extra) / (size_t(kSortCount) * 4));
  RuntimeDisposeIntArray(ints);

  TessArray* strings = RuntimeCreateArray();
  RuntimeArrayCreateAddIndex(strings, 0, kStringSortCount - 1);
  for (int32_t i = 0; i < kStringSortCount; ++i) {
    std::string text = "item " + std::to_string(std::rand());
    TessString* s = TessBuildString(text.data(), int32_t(text.size()));
    RuntimeDirectWriteStringArray(strings, i, s);
    TessUnlockString(s);
  }
  extra = PeakDuring([&] { RuntimeStringArraySort(strings); });
  std::printf("%-44s %9zu bytes beyond the array's %zu (%.4f)\n",
              "100,000 strings: sort's peak memory", extra, size_t(kStringSortCount) * 4,
              double(extra) / (size_t(kStringSortCount) * 4));
  RuntimeDisposeStringArray(strings);
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  DirectWrites(repetitions);
  TwoIndexWrites(repetitions);
  Appends(repetitions);
  Sorts(repetitions);
  tess::InitFrameworkClasses();
  SortMemory();
  return 0;
}
