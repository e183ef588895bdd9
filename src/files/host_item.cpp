// The host item: a full path, and every question answered by the file
// system layer with that path.
#include "files/host_item.h"

#include "platform/kernel/process.h"
#include "platform/kernel/shell.h"

namespace tess::files {

namespace pf = platform;

namespace {

bool IsRelative(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return false;
  return path.empty() || (path[0] != '\\' && path[0] != '/');
}

class HostItem final : public Item {
 public:
  explicit HostItem(std::string full) : path_(std::move(full)) {
    if (path_.size() == 3 && path_[1] == ':') path_.pop_back();  // "C:\" -> "C:"
  }

  std::unique_ptr<Item> Copy() const override { return std::make_unique<HostItem>(*this); }
  std::string Path() const override { return path_; }
  bool IsVolume() const override { return path_.size() == 2; }
  std::string Name() const override {
    return IsVolume() ? path_ : path_.substr(path_.rfind('\\') + 1);
  }

  bool Exists() override {
    if (pf::GetFileAttributes(Query()) != pf::INVALID_FILE_ATTRIBUTES) return true;
    return IsVolume() && !pf::DriveRoot(path_[0]).empty();
  }
  bool IsDirectory() override {
    if (IsVolume()) return true;
    DWORD a = pf::GetFileAttributes(path_);
    return a != pf::INVALID_FILE_ATTRIBUTES && (a & pf::FILE_ATTRIBUTE_DIRECTORY);
  }
  bool Info(pf::FileInfo* info) override { return pf::GetFileInformation(Query(), info); }

  bool IsReadable() override {
    auto file = pf::CreateFile(path_, pf::GENERIC_READ, pf::FILE_SHARE_READ, pf::OPEN_EXISTING);
    if (!file) return false;
    char byte;
    file->Read(&byte, 1);  // an empty file counts as readable
    return true;
  }
  bool IsWriteable() override {
    auto file = pf::CreateFile(path_, pf::GENERIC_WRITE, pf::FILE_SHARE_READ, pf::OPEN_EXISTING);
    if (file) return true;
    return pf::GetLastError() == pf::ERROR_SHARING_VIOLATION && openedForWriting_;
  }

  uint32_t Rename(std::string_view name) override {
    if (IsVolume()) return pf::ERROR_ACCESS_DENIED;
    std::string target = path_.substr(0, path_.rfind('\\') + 1) + std::string(name);
    std::string full;
    if (name.empty() || name.find_first_of("\\/") != std::string_view::npos ||
        !pf::GetFullPathName(target, &full)) {
      return pf::ERROR_INVALID_NAME;
    }
    if (!pf::MoveFile(path_, full)) return pf::GetLastError();
    path_ = full;
    return 0;
  }
  uint32_t SetLocked(bool locked) override {
    DWORD a = pf::GetFileAttributes(Query());
    if (a == pf::INVALID_FILE_ATTRIBUTES) return pf::GetLastError();
    a = locked ? a | pf::FILE_ATTRIBUTE_READONLY : a & ~DWORD(pf::FILE_ATTRIBUTE_READONLY);
    return pf::SetFileAttributes(Query(), a) ? 0 : pf::GetLastError();
  }
  uint32_t SetVisible(bool visible) override {
    DWORD a = pf::GetFileAttributes(Query());
    if (a == pf::INVALID_FILE_ATTRIBUTES) return pf::GetLastError();
    a = visible ? a & ~DWORD(pf::FILE_ATTRIBUTE_HIDDEN) : a | pf::FILE_ATTRIBUTE_HIDDEN;
    return pf::SetFileAttributes(Query(), a) ? 0 : pf::GetLastError();
  }
  uint32_t SetTimes(const pf::FILETIME* creation, const pf::FILETIME* modification) override {
    return pf::SetFileTime(Query(), creation, nullptr, modification) ? 0 : pf::GetLastError();
  }

  uint32_t List(std::vector<std::string>* names) override {
    std::vector<pf::FileInfo> entries;
    if (!pf::ListDirectory(Query(), &entries)) return pf::GetLastError();
    names->clear();
    for (auto& e : entries) names->push_back(std::move(e.name));
    return 0;
  }
  std::unique_ptr<Item> Child(std::string_view name) const override {
    std::string full;
    if (!pf::GetFullPathName(path_ + "\\" + std::string(name), &full)) return nullptr;
    return std::make_unique<HostItem>(full);
  }
  std::unique_ptr<Item> Parent() const override {
    if (IsVolume()) return nullptr;
    return std::make_unique<HostItem>(path_.substr(0, path_.rfind('\\')));
  }
  std::unique_ptr<Item> SpecialFolder(uint32_t code) const override {
    std::string path;
    switch (code) {
      case kFolderDesktop:
        if (!pf::SHGetSpecialFolderPath(pf::CSIDL_DESKTOPDIRECTORY, &path)) return nullptr;
        break;
      case kFolderTrash:
      case kFolderEmpty:
        if (!pf::SHGetSpecialFolderPath(pf::CSIDL_BITBUCKET, &path)) return nullptr;
        break;
      case kFolderTemporary:
        path = pf::GetTempPath();
        path.pop_back();
        break;
      default:
        return nullptr;
    }
    return std::make_unique<HostItem>(path);
  }

  std::unique_ptr<db::ByteStream> Open(OpenMode mode, uint32_t* error) override {
    DWORD rw = pf::GENERIC_READ | pf::GENERIC_WRITE;
    std::unique_ptr<pf::File> file;
    switch (mode) {
      case OpenMode::kRead:
        file = pf::CreateFile(path_, pf::GENERIC_READ, pf::FILE_SHARE_READ, pf::OPEN_EXISTING);
        break;
      case OpenMode::kReadWrite:
        file = pf::CreateFile(path_, rw, pf::FILE_SHARE_READ, pf::OPEN_EXISTING);
        break;
      case OpenMode::kCreate:
        file = pf::CreateFile(path_, rw, pf::FILE_SHARE_READ, pf::CREATE_ALWAYS);
        break;
      case OpenMode::kAppend:
        file = pf::CreateFile(path_, rw, pf::FILE_SHARE_READ, pf::OPEN_ALWAYS);
        if (file) file->Seek(file->Size());
        break;
    }
    if (!file) {
      *error = pf::GetLastError();
      return nullptr;
    }
    *error = 0;
    if (mode != OpenMode::kRead) openedForWriting_ = true;
    return db::FileStream::Adopt(std::move(file), mode == OpenMode::kRead);
  }

  uint32_t CreateAsFolder() override { return pf::CreateDirectory(path_) ? 0 : pf::GetLastError(); }
  uint32_t Delete() override {
    bool ok = IsDirectory() ? pf::RemoveDirectory(path_) : pf::DeleteFile(path_);
    return ok ? 0 : pf::GetLastError();
  }
  uint32_t CopyTo(const Item& destination) override {
    std::string target = Target(destination);
    return pf::CopyFile(path_, target, false) ? 0 : pf::GetLastError();
  }
  uint32_t MoveTo(const Item& destination) override {
    std::string target = Target(destination);
    if (!pf::MoveFile(path_, target)) return pf::GetLastError();
    pf::GetFullPathName(target, &path_);
    return 0;
  }
  uint32_t Launch(bool activate) override {
    return pf::ShellExecute(path_, activate) > 32 ? 0 : pf::GetLastError();
  }

 private:
  using DWORD = pf::DWORD;

  // What the file system is asked with: a volume as its root.
  std::string Query() const { return IsVolume() ? path_ + "\\" : path_; }

  // Into a folder under the same name, else onto the destination itself.
  std::string Target(const Item& destination) const {
    std::string target = destination.Path();
    DWORD a = pf::GetFileAttributes(destination.IsVolume() ? target + "\\" : target);
    bool folder = destination.IsVolume() ||
                  (a != pf::INVALID_FILE_ATTRIBUTES && (a & pf::FILE_ATTRIBUTE_DIRECTORY));
    return folder ? target + "\\" + Name() : target;
  }

  std::string path_;
  bool openedForWriting_ = false;
};

}  // namespace

std::string ApplicationFolder() {
  std::string exe = pf::GetModuleFileName();
  std::string folder = pf::PathOfHost(exe.substr(0, exe.rfind('/')));
  return folder.empty() ? pf::GetCurrentDirectory() : folder;
}

std::unique_ptr<Item> MakeHostItem(std::string_view path, bool fromApplicationFolder,
                                   uint32_t* error) {
  std::string text(path);
  if (fromApplicationFolder && IsRelative(text)) text = ApplicationFolder() + "\\" + text;
  std::string full;
  if (!pf::GetFullPathName(text, &full)) {
    *error = pf::GetLastError();
    return nullptr;
  }
  *error = 0;
  return std::make_unique<HostItem>(full);
}

}  // namespace tess::files
