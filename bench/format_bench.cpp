// StringFormat with a grouped two-decimal picture against the C library's
// plain "%.2f" of the same values (no grouping, no locale lookup).
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "platform/kernel/locale.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

int main() {
  constexpr int kCount = 1000000;
  std::vector<double> values(kCount);
  // Magnitudes from cents to millions, with both signs.
  unsigned seed = 12345;
  for (double& v : values) {
    seed = seed * 1103515245u + 12345u;
    v = double(seed % 1000000000u) / 100.0 * ((seed >> 31) ? -1 : 1);
  }
  tess::platform::SetUserLocale("en_US");
  tess::StringRef picture = tess::StringRef::Adopt(tess::MakeString("#,##0.00"));

  size_t sink = 0;
  double ours = tess::bench::MedianSeconds(5, [&] {
    for (double v : values) {
      TessString* s = StringFormat(v, picture.get());
      sink += size_t(tess::Length(s));
      tess::UnlockString(s);
    }
  });
  double theirs = tess::bench::MedianSeconds(5, [&] {
    char text[64];
    for (double v : values) sink += size_t(std::snprintf(text, sizeof text, "%.2f", v));
  });
  tess::bench::PrintRatio("StringFormat '#,##0.00' x1e6", ours, "snprintf \"%.2f\" x1e6", theirs);
  return sink == 0;
}
