// The volume item: an open volume shared by reference, and the names from its
// root; every question resolves the names afresh, as a host item asks the
// file system with its path.
#include "files/volume_item.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "files/file_times.h"
#include "files/volume.h"
#include "files/volume_format.h"
#include "files/volume_messages.h"

namespace tess::files {

namespace pf = platform;

class OpenVolume {
 public:
  OpenVolume(std::unique_ptr<VHFS> engine, std::string path, std::string registryKey, bool canWrite)
      : fs(std::move(engine)),
        hostPath(std::move(path)),
        key(std::move(registryKey)),
        writable(canWrite) {}
  ~OpenVolume();

  // The error code of the engine's last failure.
  uint32_t Error() const;

  std::unique_ptr<VHFS> fs;
  const std::string hostPath;
  const std::string key;  // in the registry of open volumes
  const bool writable;
  std::set<uint32_t> writers;  // files open for writing
};

namespace {

// Open volumes by their host file's path, upper-cased: the host's names
// ignore case.
std::mutex g_openLock;
std::map<std::string, std::weak_ptr<OpenVolume>> g_open;

std::string KeyOf(const Item& host) {
  std::string key = host.Path();
  for (char& c : key) c = char(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

std::shared_ptr<OpenVolume> Registered(const std::string& key) {
  auto it = g_open.find(key);
  return it == g_open.end() ? nullptr : it->second.lock();
}

bool StartsWithFormat(const std::string& text, const char* format) {
  size_t fixed = std::strcspn(format, "%");
  return text.compare(0, fixed, format, fixed) == 0;
}

// The engine's text of a failure as the platform's code for it.
uint32_t CodeOf(const std::string& message) {
  namespace m = volume;
  struct Mapping {
    const char* text;
    uint32_t code;
  };
  static const Mapping kCodes[] = {
      {m::kNameTaken, pf::ERROR_ALREADY_EXISTS},
      {m::kFolderNotEmpty, pf::ERROR_DIR_NOT_EMPTY},
      {m::kFileInUse, pf::ERROR_SHARING_VIOLATION},
      {m::kVolumeFull, pf::ERROR_DISK_FULL},
      {m::kIdnumsUsedUp, pf::ERROR_DISK_FULL},
      {m::kWriteFailed, pf::ERROR_WRITE_PROTECT},
      {m::kBadName, pf::ERROR_INVALID_NAME},
      {m::kRootFixed, pf::ERROR_ACCESS_DENIED},
      {m::kIsFolder, pf::ERROR_ACCESS_DENIED},
      {m::kBadType, pf::ERROR_INVALID_PARAMETER},
      {m::kMoveIntoItself, pf::ERROR_INVALID_PARAMETER},
      {m::kBadLength, pf::ERROR_INVALID_PARAMETER},
      {m::kNotFolder, pf::ERROR_DIRECTORY},
      {m::kTooManyHandles, pf::ERROR_TOO_MANY_OPEN_FILES},
  };
  for (const Mapping& mapping : kCodes) {
    if (StartsWithFormat(message, mapping.text)) return mapping.code;
  }
  // What remains is damage: no volume, a bad block, chain, entry or folder.
  return pf::ERROR_FILE_CORRUPT;
}

// Names a volume entry may take: not empty, no separator, not "." or "..".
bool ValidName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// A file's content for FolderItem's streams. It holds the volume open, and
// a stream opened read-only or on a read-only volume refuses writes.
class ItemStream final : public db::ByteStream {
 public:
  ItemStream(std::shared_ptr<OpenVolume> volume, std::unique_ptr<VolumeStream> inner, bool writer)
      : volume_(std::move(volume)), inner_(std::move(inner)), writer_(writer) {
    if (writer_) volume_->writers.insert(inner_->idnum());
  }
  ~ItemStream() override { Close(); }

  bool Read(void* buffer, size_t count, size_t* done) override {
    return inner_->Read(buffer, count, done);
  }
  bool Write(const void* buffer, size_t count) override {
    return writer_ && inner_->Write(buffer, count);
  }
  void Close() override {
    if (writer_) volume_->writers.erase(inner_->idnum());
    writer_ = false;
    inner_->Close();
  }
  bool AtEnd() override { return inner_->AtEnd(); }
  bool SetPosition(uint64_t position) override { return inner_->SetPosition(position); }
  uint64_t Length() override { return inner_->Length(); }
  bool SetLength(uint64_t length) override { return writer_ && inner_->SetLength(length); }
  uint64_t Position() override { return inner_->Position(); }
  bool Flush() override { return inner_->Flush(); }
  int HostError() const override { return 0; }

 private:
  std::shared_ptr<OpenVolume> volume_;  // outlives inner_
  std::unique_ptr<VolumeStream> inner_;
  bool writer_;
};

class VolumeItem final : public Item {
 public:
  VolumeItem(std::shared_ptr<OpenVolume> volume, std::vector<std::string> names)
      : volume_(std::move(volume)), names_(std::move(names)) {}

  const std::shared_ptr<OpenVolume>& volume() const { return volume_; }

  std::unique_ptr<Item> Copy() const override { return std::make_unique<VolumeItem>(*this); }
  std::string Path() const override {
    std::string path = volume_->hostPath + "/";
    for (size_t i = 0; i < names_.size(); ++i) path += (i ? "/" : "") + names_[i];
    return path;
  }
  bool IsVolume() const override { return names_.empty(); }
  std::string Name() const override { return names_.empty() ? "/" : names_.back(); }

  bool Exists() override { return bool(Resolve()); }
  bool IsDirectory() override { return Resolve().is_folder(); }
  bool Info(pf::FileInfo* info) override {
    VolumeEntryInfo entry;
    if (!Stat(&entry)) return false;
    info->name = Name();
    info->attributes = entry.is_folder() ? pf::FILE_ATTRIBUTE_DIRECTORY : pf::FILE_ATTRIBUTE_NORMAL;
    info->size = uint64_t(entry.length);
    bool dated = FileTimeFromLocalSeconds(entry.created, &info->creation) &&
                 FileTimeFromLocalSeconds(entry.modified, &info->lastWrite);
    info->lastAccess = info->lastWrite;
    return dated;
  }
  bool IsReadable() override {
    VolumeEntry entry = Resolve();
    return entry && !entry.is_folder();
  }
  bool IsWriteable() override { return volume_->writable && IsReadable(); }

  uint32_t Rename(std::string_view name) override {
    if (names_.empty()) return pf::ERROR_ACCESS_DENIED;
    if (!ValidName(name)) return pf::ERROR_INVALID_NAME;
    VolumeEntry entry = Resolve();
    if (!entry) return Missing();
    if (!fs().Rename(entry, name)) return volume_->Error();
    names_.back() = std::string(name);
    return 0;
  }
  uint32_t SetLocked(bool locked) override {
    return locked ? uint32_t(pf::ERROR_NOT_SUPPORTED) : 0u;
  }
  uint32_t SetVisible(bool visible) override {
    return visible ? 0u : uint32_t(pf::ERROR_NOT_SUPPORTED);
  }
  uint32_t SetTimes(const pf::FILETIME* creation, const pf::FILETIME* modification) override {
    VolumeEntryInfo info;
    if (!Stat(&info)) return Missing();
    std::optional<double> c, m;
    if (creation && !(c = LocalSeconds(*creation))) return pf::ERROR_INVALID_PARAMETER;
    if (modification && !(m = LocalSeconds(*modification))) return pf::ERROR_INVALID_PARAMETER;
    info.created = c.value_or(info.created);
    info.modified = m.value_or(info.modified);
    return fs().SetInfo(info) ? 0 : volume_->Error();
  }

  uint32_t List(std::vector<std::string>* names) override {
    names->clear();
    VolumeEntry folder = Resolve();
    if (!folder) return Missing();
    if (!folder.is_folder()) return pf::ERROR_DIRECTORY;
    std::vector<VolumeEntry> children;
    bool whole = fs().ListChildren(folder, &children);
    for (VolumeEntry& child : children) names->push_back(std::move(child.name));
    return whole ? 0 : volume_->Error();
  }
  std::unique_ptr<Item> Child(std::string_view name) const override {
    if (!ValidName(name)) return nullptr;
    std::vector<std::string> names = names_;
    names.emplace_back(name);
    return std::make_unique<VolumeItem>(volume_, std::move(names));
  }
  std::unique_ptr<Item> Parent() const override {
    if (names_.empty()) return nullptr;
    return std::make_unique<VolumeItem>(volume_,
                                        std::vector<std::string>(names_.begin(), names_.end() - 1));
  }
  std::unique_ptr<Item> SpecialFolder(uint32_t) const override { return nullptr; }

  std::unique_ptr<db::ByteStream> Open(OpenMode mode, uint32_t* error) override {
    *error = 0;
    bool writer = mode != OpenMode::kRead;
    if (writer && !volume_->writable) {
      *error = pf::ERROR_WRITE_PROTECT;
      return nullptr;
    }
    VolumeEntry entry = Resolve();
    if (!entry && (mode == OpenMode::kCreate || mode == OpenMode::kAppend)) {
      VolumeEntry folder = ResolveParent();
      if (!folder) {
        *error = pf::ERROR_PATH_NOT_FOUND;
        return nullptr;
      }
      entry = fs().CreateEntry(folder, names_.back(), volume::kNewFileType);
      if (!entry) *error = volume_->Error();
    } else if (!entry) {
      *error = Missing();
    } else if (entry.is_folder()) {
      *error = pf::ERROR_ACCESS_DENIED;
    } else if (writer && volume_->writers.count(entry.idnum)) {
      *error = pf::ERROR_SHARING_VIOLATION;
    }
    if (*error) return nullptr;
    std::unique_ptr<VolumeStream> stream = fs().OpenDataStream(entry);
    bool placed = stream && (mode != OpenMode::kCreate || stream->SetLength(0)) &&
                  (mode != OpenMode::kAppend || stream->SetPosition(stream->Length()));
    if (!placed) {
      *error = volume_->Error();
      return nullptr;
    }
    return std::make_unique<ItemStream>(volume_, std::move(stream), writer);
  }

  uint32_t CreateAsFolder() override {
    if (!volume_->writable) return pf::ERROR_WRITE_PROTECT;
    if (Resolve()) return pf::ERROR_ALREADY_EXISTS;
    VolumeEntry folder = ResolveParent();
    if (!folder) return pf::ERROR_PATH_NOT_FOUND;
    return fs().CreateFolder(folder, names_.back()) ? 0 : volume_->Error();
  }
  uint32_t Delete() override {
    if (names_.empty()) return pf::ERROR_ACCESS_DENIED;
    VolumeEntry entry = Resolve();
    if (!entry) return Missing();
    return fs().DeleteEntry(entry) ? 0 : volume_->Error();
  }
  uint32_t CopyTo(const Item& destination) override {
    return TransferItem(*this, destination, false);
  }
  uint32_t MoveTo(const Item& destination) override {
    return TransferItem(*this, destination, true);
  }
  uint32_t Launch(bool) override { return pf::ERROR_NOT_SUPPORTED; }

  // Codes are stored as the number whose big-endian bytes spell them.
  std::string MacType() const override {
    VolumeEntry entry = Resolve();
    if (!entry) return macType;
    std::string code(4, ' ');
    for (int i = 0; i < 4; ++i) code[size_t(i)] = char(entry.type >> (24 - 8 * i));
    return code;
  }
  uint32_t SetMacType(std::string_view type) override {
    macType = std::string(type);
    VolumeEntry entry = Resolve();
    if (!entry) return 0;  // kept for the file the item may yet make
    if (entry.is_folder()) return pf::ERROR_ACCESS_DENIED;
    if (type.size() != 4) return pf::ERROR_INVALID_PARAMETER;
    uint32_t code = 0;
    for (char c : type) code = code << 8 | uint8_t(c);
    return fs().SetType(entry, code) ? 0 : volume_->Error();
  }

  // Within one volume: the entry joins the destination's folder under the
  // destination's name. The rename goes first when the folder holds the old
  // name, else last; a failed second step undoes the first.
  uint32_t Relink(const VolumeItem& target) {
    VolumeEntry entry = Resolve();
    if (!entry) return Missing();
    if (names_.empty()) return pf::ERROR_ACCESS_DENIED;
    if (target.Resolve()) return pf::ERROR_ALREADY_EXISTS;
    VolumeEntry folder = target.ResolveParent();
    if (!folder) return pf::ERROR_PATH_NOT_FOUND;
    VolumeEntry from = ResolveParent();
    const std::string& name = target.names_.back();
    bool renameFirst = entry.name != name && fs().Find(folder, entry.name);
    if (renameFirst && !fs().Rename(entry, name)) return volume_->Error();
    if (!fs().Move(entry, folder)) {
      uint32_t error = volume_->Error();
      if (renameFirst) fs().Rename(entry, entry.name);
      return error;
    }
    if (!renameFirst && entry.name != name && !fs().Rename(entry, name)) {
      uint32_t error = volume_->Error();
      fs().Move(entry, from);
      return error;
    }
    names_ = target.names_;
    return 0;
  }

  VolumeEntry Resolve() const { return Walk(names_.size()); }
  VolumeEntry ResolveParent() const {
    if (names_.empty()) return {};
    VolumeEntry folder = Walk(names_.size() - 1);
    return folder.is_folder() ? folder : VolumeEntry{};
  }

 private:
  VHFS& fs() const { return *volume_->fs; }

  // The entry of the first `count` names, or the empty entry.
  VolumeEntry Walk(size_t count) const {
    VolumeEntry entry = fs().Root();
    for (size_t i = 0; i < count && entry; ++i) {
      if (!entry.is_folder()) return {};
      entry = fs().Find(entry, names_[i]);
    }
    return entry;
  }
  bool Stat(VolumeEntryInfo* info) const {
    VolumeEntry entry = Resolve();
    return entry && fs().GetInfo(entry, info);
  }
  // Why the entry cannot be found: its folder is missing, or it is.
  uint32_t Missing() const {
    return names_.size() > 1 && !ResolveParent() ? pf::ERROR_PATH_NOT_FOUND
                                                 : pf::ERROR_FILE_NOT_FOUND;
  }

  std::shared_ptr<OpenVolume> volume_;
  std::vector<std::string> names_;  // from the root
};

const VolumeItem* AsVolumeItem(const Item& item) {
  return dynamic_cast<const VolumeItem*>(&item);
}

// Copies the bytes of `source` into `target`, created or truncated.
uint32_t CopyBytes(Item& source, Item& target) {
  uint32_t error = 0;
  std::unique_ptr<db::ByteStream> in = source.Open(OpenMode::kRead, &error);
  if (!in) return error;
  std::unique_ptr<db::ByteStream> out = target.Open(OpenMode::kCreate, &error);
  if (!out) return error;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    size_t done = 0;
    if (!in->Read(buffer.data(), buffer.size(), &done)) return pf::ERROR_FILE_CORRUPT;
    if (done == 0) break;
    if (!out->Write(buffer.data(), done)) {
      int host = out->HostError();
      return host ? pf::ERROR_DISK_FULL : pf::ERROR_WRITE_PROTECT;
    }
  }
  if (!out->Flush()) return pf::ERROR_WRITE_PROTECT;
  out->Close();
  return 0;
}

std::shared_ptr<OpenVolume> Attach(Item& host, bool create, uint32_t* error, std::string* message) {
  std::lock_guard<std::mutex> hold(g_openLock);
  std::string key = KeyOf(host);
  if (std::shared_ptr<OpenVolume> open = Registered(key)) {
    // A new volume over an open one would pull the file from under it.
    if (create) {
      *error = pf::ERROR_SHARING_VIOLATION;
      return nullptr;
    }
    *error = 0;
    return open;
  }
  bool writable = true;
  std::unique_ptr<db::ByteStream> stream =
      host.Open(create ? OpenMode::kCreate : OpenMode::kReadWrite, error);
  if (!stream && !create && *error == pf::ERROR_ACCESS_DENIED) {
    // A locked volume file opens to be read.
    stream = host.Open(OpenMode::kRead, error);
    writable = false;
  }
  if (!stream) return nullptr;
  VolumeClock clock = LocalSecondsNow;
  std::unique_ptr<VHFS> fs = create ? VHFS::Create(stream.release(), true, clock)
                                    : VHFS::Open(stream.release(), true, clock);
  if (!fs->usable()) {
    *message = fs->error();
    *error = CodeOf(fs->error());
    return nullptr;
  }
  *error = 0;
  auto volume = std::make_shared<OpenVolume>(std::move(fs), host.Path(), key, writable);
  g_open[key] = volume;
  return volume;
}

}  // namespace

OpenVolume::~OpenVolume() {
  std::lock_guard<std::mutex> hold(g_openLock);
  auto it = g_open.find(key);
  if (it != g_open.end() && it->second.expired()) g_open.erase(it);
}

uint32_t OpenVolume::Error() const {
  return CodeOf(fs->error());
}

std::shared_ptr<OpenVolume> CreateVolumeOn(Item& host, uint32_t* error, std::string* message) {
  return Attach(host, true, error, message);
}

std::shared_ptr<OpenVolume> OpenVolumeOn(Item& host, uint32_t* error, std::string* message) {
  return Attach(host, false, error, message);
}

std::unique_ptr<Item> VolumeRoot(const std::shared_ptr<OpenVolume>& volume) {
  return volume ? std::make_unique<VolumeItem>(volume, std::vector<std::string>{}) : nullptr;
}

std::shared_ptr<OpenVolume> VolumeOf(const Item& item) {
  const VolumeItem* v = AsVolumeItem(item);
  return v ? v->volume() : nullptr;
}

uint32_t TransferItem(Item& source, const Item& destination, bool move) {
  std::unique_ptr<Item> target = destination.Copy();
  if (target->IsDirectory()) target = destination.Child(source.Name());
  if (!target) return pf::ERROR_INVALID_NAME;
  auto* from = dynamic_cast<VolumeItem*>(&source);
  auto* to = dynamic_cast<VolumeItem*>(target.get());
  bool sameVolume = from && to && from->volume() == to->volume();
  if (move && sameVolume) return from->Relink(*to);
  if (!source.Exists()) return pf::ERROR_FILE_NOT_FOUND;
  if (source.IsDirectory()) return move ? pf::ERROR_NOT_SAME_DEVICE : pf::ERROR_ACCESS_DENIED;
  // Copying a file of a volume onto itself would truncate it first.
  if (sameVolume && from->Resolve().idnum == to->Resolve().idnum) {
    return pf::ERROR_SHARING_VIOLATION;
  }
  if (uint32_t error = CopyBytes(source, *target)) return error;
  return move ? source.Delete() : 0;
}

}  // namespace tess::files
