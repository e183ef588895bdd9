#include "image/runtime_main.h"

#include "image/loader.h"

namespace tess {

namespace {
std::string& StoredCommandLine() {
  static std::string line;
  return line;
}
}  // namespace

const std::string& CommandLine() {
  return StoredCommandLine();
}

std::string JoinCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!line.empty()) line += ' ';
    bool quote = arg.empty() || arg.find(' ') != std::string::npos;
    line += quote ? "\"" + arg + "\"" : arg;
  }
  return line;
}

int RuntimeMain(int argc, char** argv) {
  StoredCommandLine() = JoinCommandLine(argc, argv);
  image::LoadApplicationImage();
  return 0;
}

}  // namespace tess
