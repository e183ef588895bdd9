// File streams against the C and C++ libraries, on 100 MB generated in a
// temporary folder (removed afterwards):
//  * reading a text file line by line through TextInputStream against
//    std::getline on an std::ifstream;
//  * writing and reading 100 MB through BinaryStream (64 KB strings, then
//    4-byte WriteLong/ReadLong) against fwrite/fread of the same pieces.
// The file system's cache is warm for both sides: each reads a file the
// other has just read.
//
// Usage: stream_bench [megabytes] [repetitions] [text|binary]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "platform/kernel/file_system.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "test_support.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;
namespace pf = tess::platform;

volatile int64_t g_sink;

TessObject* Item(const std::string& hostPath) {
  tess::StringRef path = tess::StringRef::Adopt(tess::MakeString(pf::PathOfHost(hostPath)));
  return RuntimeGetFolderItem(path.get());
}

// Opens the host file through a FolderItem with `open`, hands the stream to
// `body`, then closes it with `close` and gives both objects back.
template <typename Open, typename Body>
void WithStream(const std::string& hostPath, Open open, void (*close)(TessObject*), Body body) {
  TessObject* item = Item(hostPath);
  TessObject* stream = open(item);
  body(stream);
  close(stream);
  RuntimeUnlockObject(stream);
  RuntimeUnlockObject(item);
}

TessObject* CreateBinary(TessObject* item) {
  return FolderItemCreateBinaryFile(item, nullptr);
}
TessObject* OpenBinary(TessObject* item) {
  return FolderItemOpenBinaryFile(item, 0);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::string only = argc > 3 ? argv[3] : "";
  const int64_t bytes = megabytes << 20;
  tess::InitFrameworkClasses();
  tess::test::TempDir dir;
  const std::string text = dir.File("lines.txt"), binary = dir.File("data.bin");
  {
    std::ofstream out(text, std::ios::binary);
    std::string line;
    for (int64_t written = 0, n = 0; written < bytes; ++n) {
      line = "line " + std::to_string(n) + " of some text of middling length, " +
             std::string(size_t(n % 60), 'x') + "\r\n";
      out << line;
      written += int64_t(line.size());
    }
  }
  std::printf("%lld MB, median of %d runs\n", (long long)megabytes, repetitions);

  double ours = 0, theirs = 0;
  if (only != "binary") {
    ours = MedianSeconds(repetitions, [&] {
      WithStream(text, FolderItemOpenTextFile, TextInputStreamClose, [](TessObject* in) {
        int64_t total = 0;
        while (!TextInputStreamEOF(in, 0)) {
          TessString* line = TextInputStreamReadLine(in);
          total += tess::Length(line);
          tess::UnlockString(line);
        }
        g_sink = total;
      });
    });
    theirs = MedianSeconds(repetitions, [&] {
      std::ifstream in(text, std::ios::binary);
      std::string line;
      int64_t total = 0;
      while (std::getline(in, line)) total += int64_t(line.size()) - 1;  // less its CR
      g_sink = total;
    });
    PrintRatio("TextInputStream.ReadLine", ours, "std::getline", theirs);
  }
  if (only == "text") return 0;

  const std::string chunkText(64 * 1024, 'b');
  tess::StringRef chunk = tess::StringRef::Adopt(tess::MakeString(chunkText));
  const int64_t chunks = bytes / int64_t(chunkText.size());
  ours = MedianSeconds(repetitions, [&] {
    WithStream(binary, CreateBinary, BinaryStreamClose, [&](TessObject* b) {
      for (int64_t i = 0; i < chunks; ++i) BinaryStreamWrite(b, chunk.get());
    });
  });
  theirs = MedianSeconds(repetitions, [&] {
    FILE* f = std::fopen(binary.c_str(), "wb");
    for (int64_t i = 0; i < chunks; ++i) std::fwrite(chunkText.data(), 1, chunkText.size(), f);
    std::fclose(f);
  });
  PrintRatio("BinaryStream.Write 64 KB", ours, "fwrite 64 KB", theirs);

  ours = MedianSeconds(repetitions, [&] {
    WithStream(binary, OpenBinary, BinaryStreamClose, [&](TessObject* b) {
      int64_t total = 0;
      while (TessString* s = BinaryStreamRead(b, int32_t(chunkText.size()))) {
        total += tess::Length(s);
        tess::UnlockString(s);
      }
      g_sink = total;
    });
  });
  theirs = MedianSeconds(repetitions, [&] {
    FILE* f = std::fopen(binary.c_str(), "rb");
    std::string buffer(chunkText.size(), '\0');
    int64_t total = 0;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) total += int64_t(n);
    std::fclose(f);
    g_sink = total;
  });
  PrintRatio("BinaryStream.Read 64 KB", ours, "fread 64 KB", theirs);

  const int64_t longs = bytes / 4;
  ours = MedianSeconds(repetitions, [&] {
    WithStream(binary, CreateBinary, BinaryStreamClose, [&](TessObject* b) {
      for (int64_t i = 0; i < longs; ++i) BinaryStreamWriteLong(b, int32_t(i));
    });
  });
  theirs = MedianSeconds(repetitions, [&] {
    FILE* f = std::fopen(binary.c_str(), "wb");
    for (int64_t i = 0; i < longs; ++i) {
      uint32_t v = __builtin_bswap32(uint32_t(i));
      std::fwrite(&v, 4, 1, f);
    }
    std::fclose(f);
  });
  PrintRatio("BinaryStream.WriteLong", ours, "fwrite 4 bytes", theirs);

  ours = MedianSeconds(repetitions, [&] {
    WithStream(binary, OpenBinary, BinaryStreamClose, [&](TessObject* b) {
      int64_t total = 0;
      for (int64_t i = 0; i < longs; ++i) total += BinaryStreamReadLong(b);
      g_sink = total;
    });
  });
  theirs = MedianSeconds(repetitions, [&] {
    FILE* f = std::fopen(binary.c_str(), "rb");
    int64_t total = 0;
    uint32_t v;
    for (int64_t i = 0; i < longs && std::fread(&v, 4, 1, f) == 1; ++i) {
      total += int32_t(__builtin_bswap32(v));
    }
    std::fclose(f);
    g_sink = total;
  });
  PrintRatio("BinaryStream.ReadLong", ours, "fread 4 bytes", theirs);
  return 0;
}
