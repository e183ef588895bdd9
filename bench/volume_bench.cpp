// Writing 10,000 small files into a virtual volume and reading them back,
// against the same files in folders of the host file system (through the
// same host file layer), measured in the same run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "files/volume.h"
#include "platform/kernel/file.h"
#include "test_support.h"

using namespace tess;
using namespace tess::files;

namespace {

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;

std::string Body(int i) {
  return std::string(size_t(100 + (i * 37) % 1900), char('a' + i % 26));
}

std::string Name(int i) {
  return "file" + std::to_string(i) + ".txt";
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "volume_bench: %s failed\n", what);
    std::exit(1);
  }
}

void WriteVolume(const std::string& path) {
  std::string error;
  auto v = VHFS::CreateAt(path, &error);
  Check(v != nullptr, "creating the volume");
  for (int f = 0; f < kFolders; ++f) {
    VolumeEntry folder = v->CreateFolder(v->Root(), "folder" + std::to_string(f));
    Check(bool(folder), "creating a folder");
    for (int i = f * kPerFolder; i < (f + 1) * kPerFolder; ++i) {
      VolumeEntry e = v->CreateEntry(folder, Name(i), 0x3F3F3F3F);
      auto s = v->OpenDataStream(e);
      std::string body = Body(i);
      Check(s && s->Write(body.data(), body.size()), "writing a file");
    }
  }
}

void ReadVolume(const std::string& path) {
  std::string error;
  auto v = VHFS::OpenAt(path, false, &error);
  Check(v != nullptr, "opening the volume");
  std::string buffer;
  for (int f = 0; f < kFolders; ++f) {
    VolumeEntry folder = v->Find(v->Root(), "folder" + std::to_string(f));
    for (int i = f * kPerFolder; i < (f + 1) * kPerFolder; ++i) {
      auto s = v->OpenDataStream(v->Find(folder, Name(i)));
      Check(s != nullptr, "opening a file");
      buffer.resize(size_t(s->Length()));
      size_t done = 0;
      Check(s->Read(buffer.data(), buffer.size(), &done) && buffer == Body(i), "reading a file");
    }
  }
}

void WriteHost(const std::filesystem::path& root) {
  for (int f = 0; f < kFolders; ++f) {
    std::filesystem::path folder = root / ("folder" + std::to_string(f));
    std::filesystem::create_directory(folder);
    for (int i = f * kPerFolder; i < (f + 1) * kPerFolder; ++i) {
      auto file = platform::File::Open((folder / Name(i)).string(), platform::File::Mode::kCreate);
      std::string body = Body(i);
      Check(file && file->Write(body.data(), body.size()), "writing a host file");
    }
  }
}

void ReadHost(const std::filesystem::path& root) {
  std::string buffer;
  for (int f = 0; f < kFolders; ++f) {
    std::filesystem::path folder = root / ("folder" + std::to_string(f));
    for (int i = f * kPerFolder; i < (f + 1) * kPerFolder; ++i) {
      auto file = platform::File::Open((folder / Name(i)).string(), platform::File::Mode::kRead);
      Check(file != nullptr, "opening a host file");
      buffer.resize(size_t(file->Size()));
      Check(file->ReadExact(buffer.data(), buffer.size()) && buffer == Body(i),
            "reading a host file");
    }
  }
}

}  // namespace

int main() {
  // Folders made up front and removed at the end, outside the timings.
  std::vector<std::unique_ptr<test::TempDir>> dirs;
  for (int i = 0; i < 6; ++i) dirs.push_back(std::make_unique<test::TempDir>());
  int round = 0;
  double volume_write =
      bench::MedianSeconds(3, [&] { WriteVolume(dirs[size_t(round++)]->File("bench.vol")); });
  double host_write = bench::MedianSeconds(3, [&] { WriteHost(dirs[size_t(round++)]->path()); });
  test::TempDir volume_dir, host_dir;
  std::string volume = volume_dir.File("bench.vol");
  WriteVolume(volume);
  WriteHost(host_dir.path());
  double volume_read = bench::MedianSeconds(5, [&] { ReadVolume(volume); });
  double host_read = bench::MedianSeconds(5, [&] { ReadHost(host_dir.path()); });
  std::printf("%d small files in %d folders (100 to 2000 bytes each)\n", kFolders * kPerFolder,
              kFolders);
  bench::PrintRatio("volume: create and write", volume_write, "host file system", host_write);
  bench::PrintRatio("volume: open, find and read back", volume_read, "host file system", host_read);
  bench::PrintRatio("volume: both", volume_write + volume_read, "host file system",
                    host_write + host_read);
  std::printf("volume file: %llu bytes\n",
              static_cast<unsigned long long>(std::filesystem::file_size(volume)));
  return 0;
}
