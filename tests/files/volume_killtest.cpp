// The writer and the checker of the volume kill loop
// (scripts/volume-kill-loop.sh).
//
//   volume_killtest init VOLUME LOG         a volume with folders d0..d4
//   volume_killtest write VOLUME LOG SEED   writes, deletes and moves files
//                                           until killed
//   volume_killtest check VOLUME LOG        every file the log says was
//                                           closed is there, whole, once
//
// The writer logs "closed N" after file fN's stream is closed, "deleting N"
// before a deletion and "deleted N" after it. A file's content follows from
// its number alone, so the checker needs nothing but the log.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "files/volume.h"
#include "platform/kernel/file.h"

using namespace tess;
using namespace tess::files;

namespace {

constexpr int kFolders = 5;

std::string Content(int n) {
  std::string s(size_t(uint64_t(n) * 7919 % 30000 + 1), '\0');
  for (size_t k = 0; k < s.size(); ++k) s[k] = char((uint64_t(n) * 31 + k * 7) & 0xFF);
  return s;
}

[[noreturn]] void Die(const std::string& why) {
  std::fprintf(stderr, "volume_killtest: %s\n", why.c_str());
  std::exit(1);
}

struct Log {
  std::set<int> closed, deleting, deleted;
  int next = 0;
};

Log ReadLog(const std::string& path) {
  std::string text;
  if (!platform::ReadWholeFile(path, &text)) Die("cannot read the log " + path);
  Log log;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) break;  // a line cut short by the kill
    std::string line = text.substr(at, end - at);
    at = end + 1;
    size_t space = line.find(' ');
    if (space == std::string::npos) Die("bad log line: " + line);
    int n = std::atoi(line.c_str() + space + 1);
    std::string word = line.substr(0, space);
    if (word == "closed") {
      log.closed.insert(n);
    } else if (word == "deleting") {
      log.deleting.insert(n);
    } else if (word == "deleted") {
      log.deleted.insert(n);
    } else if (word != "creating") {
      Die("bad log line: " + line);
    }
    log.next = std::max(log.next, n + 1);
  }
  return log;
}

std::unique_ptr<VHFS> OpenVolume(const std::string& path) {
  std::string error;
  auto v = VHFS::OpenAt(path, true, &error);
  if (!v) Die("the volume does not open: " + error);
  return v;
}

int Init(const std::string& volume, const std::string& log) {
  std::string error;
  auto v = VHFS::CreateAt(volume, &error);
  if (!v) Die(error);
  for (int i = 0; i < kFolders; ++i) {
    if (!v->CreateFolder(v->Root(), "d" + std::to_string(i))) Die(v->error());
  }
  if (!platform::File::Open(log, platform::File::Mode::kCreate)) Die("cannot create " + log);
  return 0;
}

int Write(const std::string& volume, const std::string& log_path, unsigned seed) {
  Log log = ReadLog(log_path);
  std::vector<int> live;
  for (int n : log.closed) {
    if (!log.deleting.count(n)) live.push_back(n);
  }
  auto v = OpenVolume(volume);
  auto log_file = platform::File::Open(log_path, platform::File::Mode::kReadWrite);
  if (!log_file) Die("cannot open " + log_path);
  // A line cut short by a kill would run into the next one.
  std::string text;
  platform::ReadWholeFile(log_path, &text);
  size_t whole = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
  if (!log_file->SetSize(whole)) Die("cannot mend the log");
  log_file->Seek(whole);
  auto note = [&](const char* word, int n) {
    std::string line = std::string(word) + " " + std::to_string(n) + "\n";
    if (!log_file->Write(line.data(), line.size())) Die("cannot write the log");
  };
  std::vector<VolumeEntry> folders;
  for (int i = 0; i < kFolders; ++i) folders.push_back(v->Find(v->Root(), "d" + std::to_string(i)));
  auto find = [&](int n) {
    std::string name = "f" + std::to_string(n);
    for (auto& f : folders) {
      if (VolumeEntry e = v->Find(f, name)) return e;
    }
    return VolumeEntry{};
  };
  std::mt19937 random(seed);
  for (int n = log.next;; ++n) {
    unsigned op = random() % 10;
    if (live.size() > 120) op = 6;
    if (op < 6 || live.empty()) {
      note("creating", n);
      VolumeEntry e =
          v->CreateEntry(folders[size_t(n % kFolders)], "f" + std::to_string(n), 0x3F3F3F3F);
      if (!e) Die("create: " + v->error());
      auto s = v->OpenDataStream(e);
      std::string body = Content(n);
      for (size_t at = 0; at < body.size();) {
        size_t chunk = std::min<size_t>(body.size() - at, random() % 4096 + 1);
        if (!s->Write(body.data() + at, chunk)) Die("write: " + v->error());
        at += chunk;
      }
      s->Close();
      note("closed", n);
      live.push_back(n);
      continue;
    }
    size_t pick = random() % live.size();
    int victim = live[pick];
    VolumeEntry e = find(victim);
    if (!e) Die("lost f" + std::to_string(victim));
    if (op < 9) {
      note("deleting", victim);
      if (!v->DeleteEntry(e)) Die("delete: " + v->error());
      note("deleted", victim);
      live.erase(live.begin() + long(pick));
    } else if (!v->Move(e, folders[random() % kFolders])) {
      Die("move: " + v->error());
    }
  }
}

int Check(const std::string& volume, const std::string& log_path) {
  Log log = ReadLog(log_path);
  auto v = OpenVolume(volume);
  std::map<std::string, VolumeEntry> found;
  std::vector<VolumeEntry> folders{v->Root()};
  while (!folders.empty()) {
    VolumeEntry folder = folders.back();
    folders.pop_back();
    std::vector<VolumeEntry> children;
    if (!v->ListChildren(folder, &children)) Die("listing " + folder.name + ": " + v->error());
    for (auto& child : children) {
      if (child.is_folder()) {
        folders.push_back(child);
      } else if (!found.emplace(child.name, child).second) {
        Die(child.name + " is listed twice");
      }
    }
  }
  int intact = 0, interrupted = 0;
  for (auto& [name, entry] : found) {
    int n = std::atoi(name.c_str() + 1);
    auto s = v->OpenDataStream(entry);
    if (!s) Die(name + ": " + v->error());
    std::string body(size_t(s->Length()), '\0');
    size_t done = 0;
    if (!s->Read(body.data(), body.size(), &done) || done != body.size()) {
      Die(name + ": " + v->error());
    }
    if (log.deleted.count(n)) Die(name + " was deleted but is still there");
    if (log.closed.count(n)) {
      if (body != Content(n)) Die(name + " was closed but its content differs");
      ++intact;
    } else {
      ++interrupted;  // being written when the writer was killed
    }
  }
  int gone = 0;
  for (int n : log.closed) {
    bool there = found.count("f" + std::to_string(n)) > 0;
    if (!there && !log.deleting.count(n)) Die("f" + std::to_string(n) + " was closed but is gone");
    gone += !there;
  }
  VolumeReport report = v->Check();
  if (!report.damage.empty()) Die("damage: " + report.damage.front());
  std::printf("intact %d deleted %d unfinished %d leaked-blocks %u orphans %zu free-blocks %u\n",
              intact, gone, interrupted, report.leaked_blocks, report.orphans.size(),
              report.free_blocks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "init" && argc == 4) return Init(argv[2], argv[3]);
  if (mode == "write" && argc == 5) return Write(argv[2], argv[3], unsigned(std::atoi(argv[4])));
  if (mode == "check" && argc == 4) return Check(argv[2], argv[3]);
  std::fprintf(stderr, "usage: volume_killtest init|write|check VOLUME LOG [SEED]\n");
  return 2;
}
