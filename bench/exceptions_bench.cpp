// Raising and catching across ten compiled frames, against a C++ throw and
// catch across ten frames.
//
// Usage: exceptions_bench [repetitions]
#include <cstdlib>
#include <stdexcept>

#include "bench_support.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"

extern "C" {
extern const uint8_t bench_code_start[], bench_code_end[];
int bench_raise_and_catch();
}

namespace {

volatile int g_sink;

__attribute__((noinline)) void Throwing(int depth) {
  if (depth == 0) throw std::runtime_error("nil");
  Throwing(depth - 1);
  g_sink = g_sink + 1;  // keeps the calls from becoming a loop
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  constexpr int kRaises = 20000;
  tess::InitFrameworkClasses();
  tess::ClassObject* table[] = {tess::Exceptions().runtimeException};
  tess::SetClassTable(table);
  tess::SetCompiledCodeRange(bench_code_start, uint32_t(bench_code_end - bench_code_start));

  double ours = tess::bench::MedianSeconds(repetitions, [] {
    for (int i = 0; i < kRaises; ++i) g_sink = g_sink + bench_raise_and_catch();
  });
  double theirs = tess::bench::MedianSeconds(repetitions, [] {
    for (int i = 0; i < kRaises; ++i) {
      try {
        Throwing(9);
      } catch (const std::runtime_error&) {
        g_sink = g_sink + 1;
      }
    }
  });
  tess::bench::PrintRatio("20,000 raises caught 10 compiled frames up", ours,
                          "C++ throw/catch, 10 frames", theirs);
  return g_sink == 0;
}
