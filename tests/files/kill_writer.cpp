// The writer of the kill loop (scripts/kill-loop-text.sh): writes text files
// through TextOutputStream one after another, and after each Close appends
// its number to a journal. Killed at any moment, every file the journal
// names must be whole. With --check it verifies a folder instead.
//
// Usage: kill_writer FOLDER [--check]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "files/file_classes.h"
#include "platform/kernel/file_system.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace {

std::string Line(int file, int line) {
  return "file " + std::to_string(file) + " line " + std::to_string(line) + " " +
         std::string(size_t((file * 7 + line) % 50), 'z');
}

int LineCount(int file) {
  return 200 + (file * 37) % 3000;
}

std::string Expected(int file) {
  std::string all;
  for (int j = 0; j < LineCount(file); ++j) all += Line(file, j) + "\r\n";
  return all;
}

std::string Name(const std::string& folder, int file) {
  return folder + "/f" + std::to_string(file) + ".txt";
}

int Check(const std::string& folder) {
  std::ifstream journal(folder + "/journal");
  int file, checked = 0, bad = 0;
  while (journal >> file) {
    std::ifstream in(Name(folder, file), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    if (s.str() != Expected(file)) {
      std::printf("DAMAGED f%d.txt: %zu bytes, expected %zu\n", file, s.str().size(),
                  Expected(file).size());
      ++bad;
    }
    ++checked;
  }
  std::printf("%d closed files checked, %d damaged\n", checked, bad);
  return bad ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string folder = argv[1];
  if (argc > 2 && std::strcmp(argv[2], "--check") == 0) return Check(folder);
  tess::InitFrameworkValueAndFileClasses();
  int journal = ::open((folder + "/journal").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  int start = 0;
  {
    std::ifstream in(folder + "/journal");
    int n;
    while (in >> n) start = n + 1;
  }
  for (int file = start;; ++file) {
    tess::StringRef path =
        tess::StringRef::Adopt(tess::MakeString(tess::platform::PathOfHost(Name(folder, file))));
    TessObject* item = RuntimeGetFolderItem(path.get());
    TessObject* out = FolderItemCreateTextFile(item);
    if (!out) return 3;
    for (int j = 0; j < LineCount(file); ++j) {
      tess::StringRef line = tess::StringRef::Adopt(tess::MakeString(Line(file, j)));
      TextOutputStreamWriteLine(out, line.get());
    }
    TextOutputStreamClose(out);
    RuntimeUnlockObject(out);
    RuntimeUnlockObject(item);
    std::string entry = std::to_string(file) + "\n";
    if (::write(journal, entry.data(), entry.size()) != ssize_t(entry.size())) return 4;
  }
}
