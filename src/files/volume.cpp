// The folder tree of a virtual volume and the stream over a file's content
// (entry header layout in volume_format.h, write orders in volume.h).
//
// Entry headers (type, parent, name) and folders' child lists are cached by
// idnum: the volume has one writer, this object, and every change goes
// through the caches.
#include "files/volume.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>

#include "base/byte_order.h"
#include "files/volume_format.h"
#include "files/volume_messages.h"

namespace tess::files {

using namespace volume;

namespace {

// Seconds from 1 January 1904 to 1 January 1970.
constexpr double kUnixEpochSeconds = 2082844800.0;

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Cut(std::string_view name) {
  return name.substr(0, std::min<size_t>(name.size(), kMaxName));
}

// The first 256 bytes of a new entry (and a folder's empty child count).
std::vector<uint8_t> EntryHeader(double length, uint32_t type, uint32_t parent, double now,
                                 std::string_view name, bool folder) {
  std::vector<uint8_t> h(folder ? kFirstChild : kEntryHeaderSize, 0);
  PutDouble(h.data() + kEhLength, length, false);
  put_le32(h.data() + kEhType, type);
  put_le32(h.data() + kEhParent, parent);
  PutDouble(h.data() + kEhCreated, now, false);
  PutDouble(h.data() + kEhModified, now, false);
  std::copy(name.begin(), name.end(), h.begin() + kEhName);
  return h;
}

}  // namespace

bool VolumeEntry::is_folder() const {
  return type == kFolderType;
}

double UtcTotalSeconds() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count() + kUnixEpochSeconds;
}

VHFS::VHFS(std::unique_ptr<VFSCore> core, VolumeClock clock)
    : core_(std::move(core)), clock_(clock ? std::move(clock) : VolumeClock(UtcTotalSeconds)) {}

VHFS::~VHFS() {
  while (!streams_.empty()) (*streams_.begin())->Close();
}

bool VHFS::Fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  error_ = FormatMessageV(format, args);
  va_end(args);
  return false;
}

bool VHFS::CoreFail() {
  error_ = core_->error();
  return false;
}

std::unique_ptr<VHFS> VHFS::Create(db::ByteStream* stream, bool owns, VolumeClock clock) {
  std::unique_ptr<VHFS> v(new VHFS(VFSCore::Create(stream, owns), std::move(clock)));
  if (!v->core_->is_open()) {
    v->CoreFail();
    return v;
  }
  uint32_t root = v->core_->CreateFile();
  if (root != kRootIdnum) {
    root ? v->Fail(kNoRoot) : v->CoreFail();
    return v;
  }
  auto h = EntryHeader(4.0, kFolderType, 0, v->Now(), "/", true);
  v->usable_ = v->WriteAt(root, 0, h.data(), h.size());
  return v;
}

std::unique_ptr<VHFS> VHFS::Open(db::ByteStream* stream, bool owns, VolumeClock clock) {
  std::unique_ptr<VHFS> v(new VHFS(VFSCore::Open(stream, owns), std::move(clock)));
  if (!v->core_->is_open()) {
    v->CoreFail();
    return v;
  }
  const Cached* root = v->Load(kRootIdnum);
  v->usable_ = root && root->type == kFolderType && root->parent == 0;
  if (!v->usable_) v->Fail(kNoRoot);
  return v;
}

std::unique_ptr<VHFS> VHFS::OnHostFile(std::unique_ptr<db::FileStream> stream, bool create,
                                       std::string* error, VolumeClock clock) {
  if (!stream) {
    *error = create ? kWriteFailed : kReadFailed;
    return nullptr;
  }
  auto v = create ? Create(stream.release(), true, std::move(clock))
                  : Open(stream.release(), true, std::move(clock));
  if (!v->usable()) {
    *error = v->error();
    return nullptr;
  }
  return v;
}

std::unique_ptr<VHFS> VHFS::CreateAt(const std::string& path, std::string* error,
                                     VolumeClock clock) {
  auto stream = db::FileStream::Open(path, db::FileStream::Mode::kCreate);
  return OnHostFile(std::move(stream), true, error, std::move(clock));
}

std::unique_ptr<VHFS> VHFS::OpenAt(const std::string& path, bool writable, std::string* error,
                                   VolumeClock clock) {
  using Mode = db::FileStream::Mode;
  auto stream = db::FileStream::Open(path, writable ? Mode::kReadWrite : Mode::kRead);
  return OnHostFile(std::move(stream), false, error, std::move(clock));
}

bool VHFS::ReadAt(uint32_t idnum, uint64_t offset, void* buffer, size_t size) {
  int h = core_->OpenFile(idnum);
  if (h < 0) return CoreFail();
  size_t done = size;
  bool ok = core_->Seek(h, offset) && core_->Read(h, &done, buffer);
  core_->Close(h);
  return ok || CoreFail();
}

bool VHFS::WriteAt(uint32_t idnum, uint64_t offset, const void* buffer, size_t size) {
  int h = core_->OpenFile(idnum);
  if (h < 0) return CoreFail();
  bool ok = core_->Seek(h, offset) && core_->Write(h, buffer, size);
  core_->Close(h);
  return ok || CoreFail();
}

bool VHFS::WriteZeros(int handle, uint64_t from, uint64_t to) {
  static const uint8_t zeros[4096] = {};
  if (!core_->Seek(handle, kEntryHeaderSize + from)) return CoreFail();
  while (from < to) {
    size_t n = size_t(std::min<uint64_t>(sizeof zeros, to - from));
    if (!core_->Write(handle, zeros, n)) return CoreFail();
    from += n;
  }
  return true;
}

const VHFS::Cached* VHFS::Load(uint32_t idnum) {
  auto it = cache_.find(idnum);
  if (it != cache_.end()) return &it->second;
  if (!core_->Exists(idnum) || idnum < kRootIdnum) {
    Fail(kDamagedEntry, unsigned(idnum), "no such file");
    return nullptr;
  }
  if (core_->Capacity(idnum) < kEntryHeaderSize) {
    // A damaged chain has no capacity; let the core say what is wrong.
    int h = core_->OpenFile(idnum);
    if (h < 0) return CoreFail(), nullptr;
    core_->Close(h);
    Fail(kDamagedEntry, unsigned(idnum), "no room for its header");
    return nullptr;
  }
  uint8_t h[kEntryHeaderSize];
  if (!ReadAt(idnum, 0, h, sizeof h)) return nullptr;
  Cached c{std::string(reinterpret_cast<const char*>(h + kEhName),
                       std::find(h + kEhName, h + kEhName + kMaxName, 0) - (h + kEhName)),
           le32(h + kEhType), le32(h + kEhParent)};
  if (c.type == 0) return Fail(kDamagedEntry, unsigned(idnum), "no type code"), nullptr;
  if (c.name.empty()) return Fail(kDamagedEntry, unsigned(idnum), "no name"), nullptr;
  return &cache_.emplace(idnum, std::move(c)).first->second;
}

VolumeEntry VHFS::LoadEntry(uint32_t idnum) {
  if (!usable_) return Fail(kNotOpen), VolumeEntry{};
  const Cached* c = Load(idnum);
  if (!c) return {};
  return VolumeEntry{idnum, c->name, c->type};
}

VolumeEntry VHFS::Root() {
  return LoadEntry(kRootIdnum);
}

VolumeEntry VHFS::GetParent(const VolumeEntry& entry) {
  const Cached* c = Load(entry.idnum);
  if (!c || c->parent == 0) return {};
  return LoadEntry(c->parent);
}

bool VHFS::ReadLength(uint32_t idnum, double* length) {
  uint8_t b[8];
  if (!ReadAt(idnum, kEhLength, b, 8)) return false;
  *length = GetDouble(b, false);
  if (!WholeBelow(*length, double(core_->Capacity(idnum) - kEntryHeaderSize))) {
    return Fail(kDamagedEntry, unsigned(idnum), "length beyond its blocks");
  }
  return true;
}

bool VHFS::GetInfo(const VolumeEntry& entry, VolumeEntryInfo* info) {
  const Cached* c = Load(entry.idnum);
  if (!c) return false;
  uint8_t h[kEhName];
  if (!ReadAt(entry.idnum, 0, h, sizeof h) || !ReadLength(entry.idnum, &info->length)) {
    return false;
  }
  info->idnum = entry.idnum;
  info->name = c->name;
  info->type = c->type;
  info->created = GetDouble(h + kEhCreated, false);
  info->modified = GetDouble(h + kEhModified, false);
  return true;
}

bool VHFS::SetInfo(const VolumeEntryInfo& info) {
  const Cached* c = Load(info.idnum);
  double length;
  if (!c || !ReadLength(info.idnum, &length)) return false;
  if (info.length != length) {
    if (c->type == kFolderType) return Fail(kBadLength);
    if (!WholeBelow(info.length, kVolumeLimit - kEntryHeaderSize)) return Fail(kBadLength);
    // Bytes an open stream has written count, though their length is not
    // stored yet.
    uint64_t current = uint64_t(length);
    for (VolumeStream* s : streams_) {
      if (s->idnum_ == info.idnum) current = std::max(current, s->Length());
    }
    if (!Resize(info.idnum, current, uint64_t(info.length))) return false;
  }
  uint8_t dates[16];
  PutDouble(dates, info.created, false);
  PutDouble(dates + 8, info.modified, false);
  return WriteAt(info.idnum, kEhCreated, dates, sizeof dates);
}

bool VHFS::Resize(uint32_t idnum, uint64_t from, uint64_t to) {
  if (to > from) {
    int h = core_->OpenFile(idnum);
    if (h < 0) return CoreFail();
    bool ok = WriteZeros(h, from, to);
    core_->Close(h);
    if (!ok) return false;
  }
  uint8_t b[8];
  PutDouble(b, double(to), false);
  if (!WriteAt(idnum, kEhLength, b, 8)) return false;
  for (VolumeStream* s : streams_) {
    if (s->idnum_ == idnum) {
      s->stored_ = to;
      s->mark_ = std::min(s->mark_, to);
    }
  }
  return true;
}

const std::vector<uint32_t>* VHFS::ChildList(uint32_t folder) {
  auto known = lists_.find(folder);
  if (known != lists_.end()) return &known->second;
  const Cached* c = Load(folder);
  if (!c) return nullptr;
  if (c->type != kFolderType) return Fail(kNotFolder), nullptr;
  uint8_t h[kFirstChild];
  double length;
  if (!ReadLength(folder, &length) || !ReadAt(folder, 0, h, sizeof h)) return nullptr;
  uint32_t count = le32(h + kChildCount);
  if (length < 4 || count > (length - 4) / 4) {
    Fail(kDamagedFolder, unsigned(folder), "child count beyond its length");
    return nullptr;
  }
  std::vector<uint8_t> raw(size_t(count) * 4);
  if (count && !ReadAt(folder, kFirstChild, raw.data(), raw.size())) return nullptr;
  std::vector<uint32_t> ids(count);
  for (uint32_t i = 0; i < count; ++i) ids[i] = le32(raw.data() + 4 * i);
  return &(lists_[folder] = std::move(ids));
}

bool VHFS::ListChildren(const VolumeEntry& folder, std::vector<VolumeEntry>* children) {
  children->clear();
  if (!usable_) return Fail(kNotOpen);
  const std::vector<uint32_t>* ids = ChildList(folder.idnum);
  if (!ids) return false;
  std::set<uint32_t> seen;
  std::string first_damage;
  for (uint32_t id : *ids) {
    if (!seen.insert(id).second) continue;
    // A file deleted since: the slot a move cut short left behind.
    if (id > kRootIdnum && id < core_->next_idnum() && !core_->Exists(id)) continue;
    const Cached* c = nullptr;
    if (id <= kRootIdnum || id == folder.idnum) {
      Fail(kDamagedFolder, unsigned(folder.idnum), "it lists itself or the root");
    } else {
      c = Load(id);
    }
    if (!c) {
      if (first_damage.empty()) first_damage = error_;
      continue;
    }
    // Listed here but naming another folder: an interrupted move.
    if (c->parent != folder.idnum) continue;
    children->push_back(VolumeEntry{id, c->name, c->type});
  }
  if (!first_damage.empty()) {
    error_ = first_damage;
    return false;
  }
  return true;
}

uint32_t VHFS::Lookup(uint32_t folder, std::string_view name, uint32_t except) {
  const std::vector<uint32_t>* ids = ChildList(folder);
  if (!ids) return 0;
  for (uint32_t id : *ids) {
    if (id == except || id <= kRootIdnum || id == folder) continue;
    // A damaged child cannot be found by its name, so it does not keep the
    // name taken; one that names another folder belongs there.
    const Cached* c = Load(id);
    if (c && c->parent == folder && SameName(c->name, name)) return id;
  }
  return 0;
}

VolumeEntry VHFS::Find(const VolumeEntry& folder, std::string_view name) {
  if (!usable_) return Fail(kNotOpen), VolumeEntry{};
  uint32_t id = Lookup(folder.idnum, Cut(name), 0);
  return id ? LoadEntry(id) : VolumeEntry{};
}

bool VHFS::NameFree(uint32_t folder, std::string_view name, uint32_t except) {
  // A folder whose list is damaged takes nothing more.
  if (!ChildList(folder)) return false;
  if (Lookup(folder, name, except)) return Fail(kNameTaken, std::string(name).c_str());
  return true;
}

VolumeEntry VHFS::MakeEntry(const VolumeEntry& parent, std::string_view name, uint32_t type) {
  bool folder = type == kFolderType;
  name = Cut(name);
  if (!usable_) return Fail(kNotOpen), VolumeEntry{};
  if (name.empty()) return Fail(kBadName), VolumeEntry{};
  const Cached* p = Load(parent.idnum);
  if (!p) return {};
  if (p->type != kFolderType) return Fail(kNotFolder), VolumeEntry{};
  if (!NameFree(parent.idnum, name, 0)) return {};
  uint32_t id = core_->CreateFile();
  if (!id) return CoreFail(), VolumeEntry{};
  auto h = EntryHeader(folder ? 4.0 : 0.0, type, parent.idnum, Now(), name, folder);
  if (!WriteAt(id, 0, h.data(), h.size()) || !AddChild(id, parent.idnum)) {
    std::string why = error_;
    core_->DeleteFile(id);
    error_ = why;
    return {};
  }
  cache_[id] = Cached{std::string(name), type, parent.idnum};
  return VolumeEntry{id, std::string(name), type};
}

VolumeEntry VHFS::CreateEntry(const VolumeEntry& parent, std::string_view name, uint32_t type) {
  if (type == 0 || type == kFolderType) return Fail(kBadType), VolumeEntry{};
  return MakeEntry(parent, name, type);
}

VolumeEntry VHFS::CreateFolder(const VolumeEntry& parent, std::string_view name) {
  return MakeEntry(parent, name, kFolderType);
}

bool VHFS::AddChild(uint32_t child, uint32_t folder) {
  const std::vector<uint32_t>* known = ChildList(folder);
  if (!known) return false;
  std::vector<uint32_t> ids = *known;
  uint32_t n = uint32_t(ids.size());
  uint8_t b[8];
  put_le32(b, child);
  // Until the count is written, what the disk says is unsure.
  lists_.erase(folder);
  if (!WriteAt(folder, kFirstChild + 4ull * n, b, 4)) return false;
  PutDouble(b, 4.0 * (n + 1) + 4, false);
  if (!WriteAt(folder, kEhLength, b, 8)) return false;
  put_le32(b, n + 1);
  if (!WriteAt(folder, kChildCount, b, 4)) return false;
  ids.push_back(child);
  lists_[folder] = std::move(ids);
  return true;
}

bool VHFS::RemoveChild(uint32_t child, uint32_t folder) {
  const std::vector<uint32_t>* known = ChildList(folder);
  if (!known) return false;
  std::vector<uint32_t> ids = *known;
  if (std::find(ids.begin(), ids.end(), child) == ids.end()) {
    return Fail(kDamagedFolder, unsigned(folder), "the child is not listed");
  }
  // The last idnum takes the child's slot, then the count drops: a stop in
  // between lists the last one twice, which listings skip.
  uint8_t b[4];
  lists_.erase(folder);
  for (size_t i = ids.size(); i-- > 0;) {
    if (ids[i] != child) continue;
    if (i + 1 != ids.size()) {
      put_le32(b, ids.back());
      if (!WriteAt(folder, kFirstChild + 4ull * i, b, 4)) return false;
      ids[i] = ids.back();
    }
    ids.pop_back();
  }
  put_le32(b, uint32_t(ids.size()));
  if (!WriteAt(folder, kChildCount, b, 4)) return false;
  lists_[folder] = std::move(ids);
  return true;
}

bool VHFS::DeleteEntry(const VolumeEntry& entry) {
  if (!usable_) return Fail(kNotOpen);
  const Cached* c = Load(entry.idnum);
  if (!c) return false;
  if (entry.idnum == kRootIdnum) return Fail(kRootFixed);
  if (c->type == kFolderType) {
    std::vector<VolumeEntry> children;
    if (!ListChildren(entry, &children)) return false;
    if (!children.empty()) return Fail(kFolderNotEmpty);
  }
  if (core_->InUse(entry.idnum)) return Fail(kFileInUse, unsigned(entry.idnum));
  uint32_t parent = c->parent;
  if (!RemoveChild(entry.idnum, parent)) return false;
  cache_.erase(entry.idnum);
  lists_.erase(entry.idnum);
  return core_->DeleteFile(entry.idnum) || CoreFail();
}

bool VHFS::Move(const VolumeEntry& entry, const VolumeEntry& folder) {
  if (!usable_) return Fail(kNotOpen);
  const Cached* c = Load(entry.idnum);
  if (!c) return false;
  if (entry.idnum == kRootIdnum) return Fail(kRootFixed);
  uint32_t old_parent = c->parent;
  std::string name = c->name;
  bool is_folder = c->type == kFolderType;
  const Cached* f = Load(folder.idnum);
  if (!f) return false;
  if (f->type != kFolderType) return Fail(kNotFolder);
  if (folder.idnum == old_parent) return true;
  if (is_folder) {
    // Into itself or below itself would cut the subtree off the root.
    uint32_t up = folder.idnum;
    for (size_t steps = 0; up != 0 && steps <= cache_.size() + 1; ++steps) {
      if (up == entry.idnum) return Fail(kMoveIntoItself);
      const Cached* u = Load(up);
      if (!u) return false;
      up = u->parent;
    }
  }
  if (!NameFree(folder.idnum, name, entry.idnum)) return false;
  uint8_t b[4];
  put_le32(b, folder.idnum);
  if (!AddChild(entry.idnum, folder.idnum) || !WriteAt(entry.idnum, kEhParent, b, 4)) {
    return false;
  }
  cache_[entry.idnum].parent = folder.idnum;
  return RemoveChild(entry.idnum, old_parent);
}

bool VHFS::Rename(const VolumeEntry& entry, std::string_view name) {
  if (!usable_) return Fail(kNotOpen);
  name = Cut(name);
  if (name.empty()) return Fail(kBadName);
  const Cached* c = Load(entry.idnum);
  if (!c) return false;
  if (c->parent != 0 && !NameFree(c->parent, name, entry.idnum)) return false;
  uint8_t field[kNameField] = {};
  std::copy(name.begin(), name.end(), field);
  if (!WriteAt(entry.idnum, kEhName, field, sizeof field)) return false;
  cache_[entry.idnum].name = std::string(name);
  return true;
}

bool VHFS::SetType(const VolumeEntry& entry, uint32_t type) {
  if (!usable_) return Fail(kNotOpen);
  const Cached* c = Load(entry.idnum);
  if (!c) return false;
  if (c->type == kFolderType || type == 0 || type == kFolderType) return Fail(kBadType);
  uint8_t b[4];
  put_le32(b, type);
  if (!WriteAt(entry.idnum, kEhType, b, 4)) return false;
  cache_[entry.idnum].type = type;
  return true;
}

std::unique_ptr<VolumeStream> VHFS::OpenDataStream(const VolumeEntry& entry) {
  if (!usable_) return Fail(kNotOpen), nullptr;
  const Cached* c = Load(entry.idnum);
  if (!c) return nullptr;
  if (c->type == kFolderType) return Fail(kIsFolder), nullptr;
  double length;
  if (!ReadLength(entry.idnum, &length)) return nullptr;
  int h = core_->OpenFile(entry.idnum);
  if (h < 0) return CoreFail(), nullptr;
  std::unique_ptr<VolumeStream> s(new VolumeStream(this, entry.idnum, h, uint64_t(length)));
  streams_.insert(s.get());
  return s;
}

VolumeReport VHFS::Check() {
  std::vector<uint32_t> reached;
  std::vector<std::string> damage;
  if (usable_) {
    std::vector<uint32_t> folders{kRootIdnum};
    std::set<uint32_t> seen{kRootIdnum};
    reached.push_back(kRootIdnum);
    while (!folders.empty()) {
      uint32_t folder = folders.back();
      folders.pop_back();
      std::vector<VolumeEntry> children;
      if (!ListChildren(VolumeEntry{folder, {}, kFolderType}, &children)) damage.push_back(error_);
      for (auto& child : children) {
        if (!seen.insert(child.idnum).second) continue;
        reached.push_back(child.idnum);
        double length;
        if (!ReadLength(child.idnum, &length)) damage.push_back(error_);
        if (child.is_folder()) folders.push_back(child.idnum);
      }
    }
  }
  VolumeReport report = core_->Check(&reached);
  report.damage.insert(report.damage.end(), damage.begin(), damage.end());
  return report;
}

VolumeStream::VolumeStream(VHFS* volume, uint32_t idnum, int handle, uint64_t length)
    : volume_(volume), idnum_(idnum), handle_(handle), stored_(length) {}

VolumeStream::~VolumeStream() {
  Close();
}

bool VolumeStream::Read(void* buffer, size_t count, size_t* done) {
  *done = 0;
  if (closed_) return false;
  uint64_t length = Length();
  if (position_ >= length) return true;
  size_t n = size_t(std::min<uint64_t>(count, length - position_));
  VFSCore& core = *volume_->core_;
  if (!core.Seek(handle_, kEntryHeaderSize + position_)) return volume_->CoreFail();
  size_t got = n;
  bool ok = core.Read(handle_, &got, buffer);
  position_ += got;
  *done = got;
  return ok || volume_->CoreFail();
}

bool VolumeStream::Write(const void* buffer, size_t count) {
  if (closed_) return false;
  if (count > kVolumeLimit || position_ + count > kVolumeLimit - kEntryHeaderSize) {
    return volume_->Fail(kBadLength);
  }
  uint64_t length = Length();
  if (position_ > length && !volume_->WriteZeros(handle_, length, position_)) return false;
  VFSCore& core = *volume_->core_;
  if (!core.Seek(handle_, kEntryHeaderSize + position_)) return volume_->CoreFail();
  uint64_t start = core.Position(handle_);
  bool ok = core.Write(handle_, buffer, count);
  position_ += core.Position(handle_) - start;
  mark_ = std::max(mark_, position_);
  written_ = true;
  return ok || volume_->CoreFail();
}

bool VolumeStream::SetPosition(uint64_t position) {
  if (closed_) return false;
  if (position > kVolumeLimit) return volume_->Fail(kSeekBeyondChain);
  if (!volume_->core_->Seek(handle_, kEntryHeaderSize + position)) return volume_->CoreFail();
  position_ = position;
  return true;
}

bool VolumeStream::StoreLength(uint64_t length) {
  uint8_t b[8];
  PutDouble(b, double(length), false);
  VFSCore& core = *volume_->core_;
  if (!core.Seek(handle_, kEhLength) || !core.Write(handle_, b, 8)) return volume_->CoreFail();
  stored_ = length;
  return true;
}

bool VolumeStream::SetLength(uint64_t length) {
  if (closed_) return false;
  if (length > kVolumeLimit - kEntryHeaderSize) return volume_->Fail(kBadLength);
  uint64_t current = Length();
  if (length > current && !volume_->WriteZeros(handle_, current, length)) return false;
  if (!StoreLength(length)) return false;
  mark_ = length;
  position_ = length;
  written_ = true;
  return true;
}

bool VolumeStream::Flush() {
  if (closed_) return false;
  if (mark_ > stored_ && !StoreLength(mark_)) return false;
  return volume_->Flush();
}

void VolumeStream::Close() {
  if (closed_) return;
  if (mark_ > stored_) StoreLength(mark_);
  if (written_) {
    uint8_t b[8];
    PutDouble(b, volume_->Now(), false);
    VFSCore& core = *volume_->core_;
    if (core.Seek(handle_, kEhModified)) core.Write(handle_, b, 8);
  }
  volume_->core_->Close(handle_);
  volume_->streams_.erase(this);
  closed_ = true;
}

}  // namespace tess::files
