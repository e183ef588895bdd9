// The Address Book's start-up to its first painted window, as a ratio
// against loading and linking the same image alone.
//
// The start-up is the whole process: the runtime executable starting, its
// image read, linked and fixed up, the framework classes built, the database
// reopened, the window made, laid out and painted, then closed at once by a
// script that only waits for it to be idle. The reference reads the image
// out of the same executable and links and fixes it up in this process.
//
// Usage: startup_bench [repetitions] [application]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "image/loader.h"
#include "platform/kernel/file.h"
#include "tessimage/elf32.h"
#include "tessimage/image_file.h"

namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
  fs::path app = argc > 2 ? fs::path(argv[2]) : fs::path(TESS_SAMPLE_APPLICATION);
  if (!fs::exists(app)) {
    std::fprintf(stderr, "startup_bench: build %s first\n", app.c_str());
    return 1;
  }

  // A copy of its own, so the bench's database never touches the user's.
  fs::path dir = fs::temp_directory_path() / ("startup_bench." + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path copy = dir / "addressbook";
  fs::copy_file(app, copy, fs::copy_options::overwrite_existing);
  fs::permissions(copy, fs::perms::owner_exec, fs::perm_options::add);
  std::ofstream(dir / "idle.script") << "idle\n";
  std::string command = "cd " + Quoted(dir) + " && TESSERA_SCRIPT=idle.script " +
                        "TESSERA_DESKTOP_SIZE=640x420 " + Quoted(TESS_RUN32) + " ./addressbook" +
                        " > /dev/null 2> /dev/null";

  tess::imagetool::ElfFile elf(copy.string(), tess::imagetool::ReadFile(copy));
  uint32_t offset = tess::imagetool::ReadLocator(elf).image;

  // Once to create the database, so every timed run reopens it.
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "startup_bench: the application failed: %s\n", command.c_str());
    return 1;
  }
  double startup = tess::bench::MedianSeconds(repetitions, [&] {
    if (std::system(command.c_str()) != 0) std::exit(1);
  });
  size_t sink = 0;
  double link = tess::bench::MedianSeconds(repetitions, [&] {
    auto file = tess::platform::File::Open(copy.string(), tess::platform::File::Mode::kRead);
    tess::image::ImageBlocks blocks;
    std::vector<tess::image::DeferredReference> deferred;
    std::string message;
    bool ok = file && tess::image::ReadAppendedImage(*file, offset, &blocks, &message) &&
              tess::image::LinkStream(blocks.segments, blocks.linkStream.data(),
                                      blocks.linkStream.size(), &deferred, &message) &&
              tess::image::ApplyFixups(blocks.segments, blocks.fixups.data(), blocks.fixups.size(),
                                       &message);
    if (!ok) {
      std::fprintf(stderr, "startup_bench: %s\n", message.c_str());
      std::exit(1);
    }
    sink += blocks.segments.codeSize;
  });
  fs::remove_all(dir);
  tess::bench::PrintRatio("start-up to the first painted window", startup,
                          "load and link the image", link);
  return sink == 0;
}
