// Timing for benchmarks: the median of repeated runs, printed beside a
// reference measured in the same run so that only the ratio matters.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tess::bench {

template <typename F>
double MedianSeconds(int repetitions, F&& body) {
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    auto start = std::chrono::steady_clock::now();
    body();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline void PrintRatio(const char* what, double ours, const char* reference, double theirs) {
  std::printf("%-44s %9.3f ms   %-28s %9.3f ms   ratio %6.2f\n", what, ours * 1e3, reference,
              theirs * 1e3, ours / theirs);
}

}  // namespace tess::bench
