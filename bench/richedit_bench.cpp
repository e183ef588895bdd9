// The rich-edit control against the plainest code doing the same work:
//  - typing into a multi-line, word-wrapping control one key at a time
//    (WM_CHAR through SendMessage, the parent receiving EN_CHANGE and
//    EN_SELCHANGE for each), against appending the same characters to a
//    std::string; the time per key is taken when the text holds 1,000
//    characters and when it holds 100,000 (200 keys typed and taken back
//    with Backspace, the median of 7 rounds), so a cost that grows with the
//    text shows as a growing ratio. Once as lines of words ended by Return, once
//    as one paragraph of words that only wrapping breaks;
//  - a styled document of about 1 MB read from its file and written to a
//    file as rich text, against reading the file's bytes.
//
// Usage: richedit_bench [keys]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/richedit/richedit.h"
#include "platform/richedit/rtf.h"
#include "platform/user/winuser.h"

using namespace tess::platform;
using namespace tess::platform::richedit;
using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

namespace {

volatile size_t g_sink = 0;

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND || msg == WM_NOTIFY) {
    g_sink = g_sink + msg;
    return 0;
  }
  return DefWindowProc(hwnd, msg, w, l);
}

// The n-th character typed: words of 3 to 9 letters, a Return after about
// 70 characters when `lines`.
char32_t Typed(size_t n, bool lines) {
  if (lines && n % 71 == 70) return U'\r';
  size_t word = (n * 2654435761u) % 7 + 3;
  return n % (word + 1) == word ? U' ' : char32_t(U'a' + n % 26);
}

struct Typing {
  double first = 0, last = 0;  // seconds per key
};

// Seconds per key of 200 keys typed at the end of a text of `size`
// characters: the median of 7 rounds, each taken back with Backspace.
double PerKeyAt(HWND edit, size_t size, bool lines) {
  constexpr size_t kBatch = 200;
  std::vector<double> rounds;
  for (int round = 0; round < 7; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (size_t n = size; n < size + kBatch; ++n) SendMessage(edit, WM_CHAR, Typed(n, lines), 0);
    rounds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    for (size_t n = 0; n < kBatch; ++n) SendMessage(edit, WM_CHAR, '\b', 0);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[rounds.size() / 2] / double(kBatch);
}

Typing TypeInto(size_t keys, bool lines) {
  HWND parent = CreateWindowEx(0, "RichEditBenchParent", "", WS_POPUP, 0, 0, 500, 400, nullptr,
                               nullptr, nullptr, nullptr);
  HWND edit =
      CreateWindowEx(0, kRichEditClass, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL, 0, 0,
                     480, 380, parent, nullptr, nullptr, nullptr);
  SendMessage(edit, EM_EXLIMITTEXT, 0, LPARAM(keys + 1000));
  SendMessage(edit, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE | ENM_KEYEVENTS);
  SetFocus(edit);
  Typing t;
  size_t early = std::min<size_t>(1000, keys);
  for (size_t n = 0; n < early; ++n) SendMessage(edit, WM_CHAR, Typed(n, lines), 0);
  t.first = PerKeyAt(edit, early, lines);
  for (size_t n = early; n < keys; ++n) SendMessage(edit, WM_CHAR, Typed(n, lines), 0);
  t.last = PerKeyAt(edit, keys, lines);
  if (size_t(GetWindowTextLength(edit)) != keys) std::printf("typing lost characters!\n");
  DestroyWindow(parent);
  return t;
}

double AppendToString(size_t keys, bool lines) {
  return MedianSeconds(5,
                       [&] {
                         std::u32string s;
                         for (size_t n = 0; n < keys; ++n) s.push_back(Typed(n, lines));
                         g_sink = g_sink + s.size();
                       }) /
         double(keys);
}

std::string StyledDocument() {
  using namespace tess::richedit;
  TextModel model;
  std::u32string text;
  for (size_t n = 0; text.size() < 420000; ++n) text.push_back(Typed(n, true));
  model.Replace(0, 0, text, 0);
  CharFormat f;
  for (size_t pos = 0, k = 0; pos < text.size(); pos += 23, ++k) {
    f.bold = k % 3 == 0;
    f.italic = k % 5 == 1;
    f.underline = k % 7 == 2;
    f.color = uint32_t(k % 4) * 0x3F0000;
    f.twips = 200 + int32_t(k % 4) * 40;
    f.face = k % 2 ? "Arial" : "Times New Roman";
    model.SetFormat(pos, 11, kSetAll, f);
  }
  for (size_t pos = 0, k = 0; pos < text.size(); pos += 500, ++k)
    model.SetAlignment(pos, 0, Align(k % 3 + 1));
  return WriteRtf(model, 0, model.Length());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

int main(int argc, char** argv) {
  size_t keys = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  LoadRichEditLibrary();
  WNDCLASS wc{};
  wc.lpfnWndProc = ParentProc;
  wc.lpszClassName = "RichEditBenchParent";
  RegisterClass(&wc);

  for (bool lines : {true, false}) {
    Typing t = TypeInto(keys, lines);
    double reference = AppendToString(keys, lines);
    std::printf("%s\n", lines ? "typing lines of words:" : "typing one wrapped paragraph:");
    // Per key in microseconds: the milliseconds of PrintRatio would show zeros.
    std::printf("  per key at 1,000 characters %8.3f us   at %zu characters %8.3f us\n",
                t.first * 1e6, keys, t.last * 1e6);
    std::printf("  std::string append per key %7.4f us   ratio at 1,000 %6.1f, at the end %6.1f\n",
                reference * 1e6, t.first / reference, t.last / reference);
  }

  std::string rtf = StyledDocument();
  std::string path = "/tmp/richedit_bench.rtf";
  {
    std::ofstream out(path, std::ios::binary);
    out << rtf;
  }
  std::printf("styled document: %zu bytes of rich text\n", rtf.size());
  double bytes = MedianSeconds(5, [&] { g_sink = g_sink + ReadFile(path).size(); });
  double read = MedianSeconds(5, [&] {
    tess::richedit::TextModel model;
    size_t inserted = 0;
    tess::richedit::ReadRtf(ReadFile(path), model, 0, 0, tess::richedit::CharFormat{}, &inserted,
                            nullptr);
    g_sink = g_sink + inserted;
  });
  tess::richedit::TextModel model;
  tess::richedit::ReadRtf(rtf, model, 0, 0, tess::richedit::CharFormat{}, nullptr, nullptr);
  double write = MedianSeconds(5, [&] {
    std::ofstream out(path, std::ios::binary);
    out << tess::richedit::WriteRtf(model, 0, model.Length());
  });
  PrintRatio("RTF read (file to document)", read, "reading the file's bytes", bytes);
  PrintRatio("RTF write (document to file)", write, "reading the file's bytes", bytes);
  std::remove(path.c_str());
  return 0;
}
