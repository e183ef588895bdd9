// Text conversion through TextConverter against ICU converting the same
// bytes directly: 10 MB of Shift-JIS (kanji, kana, half-width katakana,
// ASCII and line breaks) to UTF-8, and the EUC-JP route through the
// runtime's own converter against ICU's EUC-JP converter.
//
// Usage: encoding_bench [repetitions]
#include <unicode/ucnv.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench_support.h"
#include "runtime/framework_classes.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

constexpr size_t kBytes = 10 * 1024 * 1024;

// "日本語のテキスト、ﾊﾝｶｸｶﾅ and ASCII" + CR LF, repeated.
std::string ShiftJisText() {
  const std::string line =
      "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x81\x41\xCA\xDD\xB6"
      "\xB8\xB6\xC5 and ASCII\r\n";
  std::string text;
  text.reserve(kBytes + line.size());
  while (text.size() < kBytes) text += line;
  return text;
}

std::string IcuConvert(const char* to, const char* from, const std::string& text) {
  size_t capacity = text.size() * 3 + 16;
  std::unique_ptr<char[]> out(new char[capacity]);
  UErrorCode error = U_ZERO_ERROR;
  int32_t n = ucnv_convert(to, from, out.get(), int32_t(capacity), text.data(),
                           int32_t(text.size()), &error);
  if (U_FAILURE(error)) {
    std::fprintf(stderr, "ICU: %s\n", u_errorName(error));
    std::exit(1);
  }
  return std::string(out.get(), size_t(n));
}

void Compare(const char* what, int32_t toBase, int32_t toFormat, const char* icuName,
             const std::string& sjis, int repetitions) {
  TessObject* from = getTextEncoding(0x0A01, 0, 0);
  TessObject* to = getTextEncoding(toBase, 0, toFormat);
  TessObject* converter = getTextConverter(from, to);
  TessString* source = tess::MakeString(sjis);
  std::string ours;
  double oursTime = MedianSeconds(repetitions, [&] {
    TessString* out = textConverterConvert(converter, source);
    ours.assign(tess::View(out));
    RuntimeUnlockString(out);
  });
  std::string theirs;
  double theirsTime =
      MedianSeconds(repetitions, [&] { theirs = IcuConvert(icuName, "windows-932", sjis); });
  if (ours != theirs) {
    std::fprintf(stderr, "%s: results differ\n", what);
    std::exit(1);
  }
  PrintRatio(what, oursTime, "ICU ucnv_convert", theirsTime);
  RuntimeUnlockString(source);
  RuntimeUnlockObject(converter);
  RuntimeUnlockObject(to);
  RuntimeUnlockObject(from);
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::atoi(argv[1]) : 5;
  tess::InitFrameworkClasses();
  std::string sjis = ShiftJisText();
  Compare("10 MB Shift-JIS to UTF-8", 0x0100, 2, "UTF-8", sjis, repetitions);
  Compare("10 MB Shift-JIS to EUC-JP", 0x0920, 0, "EUC-JP", sjis, repetitions);
  return 0;
}
