// Fuzz target: a damaged virtual volume. The input patches a valid volume
// image (patch_image.h), which is then opened, walked, read, changed and
// opened again. Opening may refuse the volume and operations may report
// damage, always with a message; nothing may crash, hang or trip a
// sanitizer, and a volume without damage must stay without damage.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "files/volume.h"
#include "patch_image.h"

using namespace tess::files;

namespace {

double Clock() {
  return 3e9;
}

void Store(VHFS& v, const VolumeEntry& folder, const std::string& name, size_t size) {
  VolumeEntry e = v.CreateEntry(folder, name, 0x3F3F3F3F);
  if (!e) return;
  auto s = v.OpenDataStream(e);
  if (!s) return;
  std::string body(size, char('a' + size % 26));
  s->Write(body.data(), body.size());
}

const std::string& BaseImage() {
  static const std::string image = [] {
    tess::db::MemoryStream stream;
    auto v = VHFS::Create(&stream, false, Clock);
    VolumeEntry docs = v->CreateFolder(v->Root(), "Docs");
    VolumeEntry deep = v->CreateFolder(docs, "Deep");
    Store(*v, v->Root(), "big", 20000);
    Store(*v, docs, "one", 10);
    Store(*v, docs, "gone", 9000);
    Store(*v, deep, "two", 300);
    v->DeleteEntry(v->Find(docs, "gone"));
    Store(*v, deep, "three", 5);
    v.reset();
    return stream.bytes();
  }();
  return image;
}

void Require(bool ok, const VHFS& v) {
  if (!ok && v.error().empty()) std::abort();
}

// Lists every folder and reads every file it reaches, at most `budget`
// entries; returns the entries seen.
std::vector<VolumeEntry> Walk(VHFS& v, size_t budget) {
  std::vector<VolumeEntry> seen;
  std::vector<VolumeEntry> folders{v.Root()};
  while (!folders.empty() && seen.size() < budget) {
    VolumeEntry folder = folders.back();
    folders.pop_back();
    std::vector<VolumeEntry> children;
    Require(v.ListChildren(folder, &children), v);
    for (auto& child : children) {
      seen.push_back(child);
      VolumeEntryInfo info;
      Require(v.GetInfo(child, &info), v);
      if (child.is_folder()) {
        folders.push_back(child);
        continue;
      }
      auto s = v.OpenDataStream(child);
      Require(s != nullptr, v);
      if (!s) continue;
      std::vector<uint8_t> buffer(size_t(s->Length()));
      size_t done = 0;
      Require(s->Read(buffer.data(), buffer.size(), &done), v);
      if (done != buffer.size() && v.error().empty()) std::abort();
    }
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image = BaseImage();
  tess::fuzz::PatchImage(image, data, size);
  tess::db::MemoryStream stream(image);
  stream.set_limit(uint64_t(image.size()) + 256 * 1024);
  auto v = VHFS::Open(&stream, false, Clock);
  if (!v->usable()) {
    if (v->error().empty()) std::abort();
    return 0;
  }
  std::vector<VolumeEntry> seen = Walk(*v, 200);
  // A volume without damage stays so through every change below.
  bool sound = v->Check().damage.empty();
  // Change what was found: every operation either works or says why.
  VolumeEntry root = v->Root();
  VolumeEntry made = v->CreateFolder(root, "made");
  Require(bool(made), *v);
  Store(*v, root, "new", 12000);
  uint8_t salt = size ? data[size - 1] : 0;
  for (size_t i = 0; i < seen.size() && i < 8; ++i) {
    const VolumeEntry& e = seen[i];
    switch ((salt + i) % 4) {
      case 0:
        Require(v->DeleteEntry(e), *v);
        break;
      case 1:
        if (made) Require(v->Move(e, made), *v);
        break;
      case 2:
        Require(v->Rename(e, "renamed" + std::to_string(i)), *v);
        break;
      default:
        if (auto s = v->OpenDataStream(e)) {
          s->SetLength(s->Length() / 2);
          s->Write("tail", 4);
        }
    }
  }
  v.reset();
  // What the engine wrote opens again.
  tess::db::MemoryStream again(stream.bytes());
  auto w = VHFS::Open(&again, false, Clock);
  if (!w->usable()) {
    if (w->error().empty() || (sound && !stream.error())) std::abort();
    return 0;
  }
  Walk(*w, 200);
  if (sound && !stream.error() && !w->Check().damage.empty()) std::abort();
  return 0;
}
