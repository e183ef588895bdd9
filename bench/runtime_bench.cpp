// Object and string operations against the plain C++ way of doing the same
// work: object create+release against malloc+free of the same size,
// StringInStrB against memmem, StringReplaceAll against a std::string loop,
// and locale comparison (StringStrCompare) against ICU's collator called on
// the same bytes directly.
//
// Usage: runtime_bench [repetitions]
#include <unicode/ucol.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

volatile uintptr_t g_sink;

void ObjectsAgainstMalloc(int repetitions) {
  constexpr int kCount = 200000;
  tess::ClassObject cls{};
  cls.superclass = tess::RootClass();
  cls.instanceSize = 40;
  double ours = MedianSeconds(repetitions, [&] {
    for (int i = 0; i < kCount; ++i) {
      TessObject* o = tess::CreateObject(&cls);
      g_sink = g_sink + uintptr_t(o);
      RuntimeUnlockObject(o);
    }
  });
  double theirs = MedianSeconds(repetitions, [&] {
    for (int i = 0; i < kCount; ++i) {
      void* p = std::calloc(1, 40);
      g_sink = g_sink + uintptr_t(p);
      std::free(p);
    }
  });
  PrintRatio("200,000 objects created and released", ours, "calloc+free", theirs);
}

std::string Text(size_t size) {
  std::string text;
  text.reserve(size + 64);
  unsigned seed = 7;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    text += "lorem ipsum dolor sit amet "[seed % 27];
  }
  return text;
}

void InStrBAgainstMemmem(int repetitions) {
  std::string text = Text(1 << 20);
  text += "needle in the haystack";
  tess::StringRef hay = tess::StringRef::Adopt(tess::MakeString(text));
  tess::StringRef needle = tess::StringRef::Adopt(tess::MakeString("needle in the"));
  double ours = MedianSeconds(
      repetitions, [&] { g_sink = uintptr_t(StringInStrB(1, hay.get(), needle.get())); });
  double theirs = MedianSeconds(repetitions, [&] {
    g_sink = uintptr_t(::memmem(text.data(), text.size(), "needle in the", 13));
  });
  PrintRatio("StringInStrB over 1 MB", ours, "memmem", theirs);
}

void ReplaceAllAgainstStdString(int repetitions) {
  std::string text = Text(1 << 20);
  tess::StringRef source = tess::StringRef::Adopt(tess::MakeString(text));
  tess::StringRef find = tess::StringRef::Adopt(tess::MakeString("dolor"));
  tess::StringRef with = tess::StringRef::Adopt(tess::MakeString("pain!"));
  double ours = MedianSeconds(repetitions, [&] {
    TessString* r = StringReplaceAll(source.get(), find.get(), with.get());
    g_sink = uintptr_t(r);
    RuntimeUnlockString(r);
  });
  double theirs = MedianSeconds(repetitions, [&] {
    // The straightforward loop, case-sensitive (so it does less work).
    std::string out;
    size_t from = 0;
    for (size_t at = text.find("dolor"); at != std::string::npos; at = text.find("dolor", from)) {
      out.append(text, from, at - from);
      out += "pain!";
      from = at + 5;
    }
    out.append(text, from, std::string::npos);
    g_sink = out.size();
  });
  PrintRatio("StringReplaceAll over 1 MB", ours, "std::string find/append loop", theirs);
}

void LocaleCompareAgainstIcu(int repetitions) {
  std::vector<tess::StringRef> texts;
  for (int i = 0; i < 1000; ++i) {
    texts.push_back(tess::StringRef::Adopt(tess::MakeString("Name " + std::to_string(i * 7919))));
  }
  double ours = MedianSeconds(repetitions, [&] {
    int sum = 0;
    for (int k = 0; k < 100; ++k) {
      for (size_t i = 1; i < texts.size(); ++i) {
        sum += StringStrCompare(texts[i - 1].get(), texts[i].get(), 1);
      }
    }
    g_sink = uintptr_t(sum);
  });
  UErrorCode error = U_ZERO_ERROR;
  UCollator* collator = ucol_open("", &error);
  double theirs = MedianSeconds(repetitions, [&] {
    int sum = 0;
    for (int k = 0; k < 100; ++k) {
      for (size_t i = 1; i < texts.size(); ++i) {
        std::string_view a = tess::View(texts[i - 1].get()), b = tess::View(texts[i].get());
        sum += ucol_strcollUTF8(collator, a.data(), int32_t(a.size()), b.data(), int32_t(b.size()),
                                &error);
      }
    }
    g_sink = uintptr_t(sum);
  });
  ucol_close(collator);
  PrintRatio("100,000 locale comparisons", ours, "ucol_strcollUTF8", theirs);
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  ObjectsAgainstMalloc(repetitions);
  InStrBAgainstMemmem(repetitions);
  ReplaceAllAgainstStdString(repetitions);
  LocaleCompareAgainstIcu(repetitions);
  return 0;
}
