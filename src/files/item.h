// What a FolderItem names: an item of some file system, asked and changed
// through one interface. The host's file system (host_item.h) is the one
// there is; a file inside a virtual volume is another implementation of the
// same interface, so the FolderItem class and its streams never learn where
// the bytes live.
//
// Failures come back as the platform's last-error codes (0 for success), so
// every implementation reports missing files, refusals, sharing violations,
// full disks and bad names alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/stream.h"
#include "platform/kernel/file_system.h"

namespace tess::files {

enum class OpenMode {
  kRead,       // existing only; others may read, not write
  kReadWrite,  // existing only; others may read
  kCreate,     // created or truncated; others may read
  kAppend,     // as kReadWrite, made when missing, positioned at the end
};

// Four-character codes of the special folders of an item's volume.
inline constexpr uint32_t kFolderDesktop = 0x6465736B;    // 'desk'
inline constexpr uint32_t kFolderTrash = 0x7472736B;      // 'trsh'
inline constexpr uint32_t kFolderEmpty = 0x656D7074;      // 'empt'
inline constexpr uint32_t kFolderTemporary = 0x74656D70;  // 'temp'

class Item {
 public:
  virtual ~Item() = default;
  virtual std::unique_ptr<Item> Copy() const = 0;

  // The full path, never ending in a separator (a volume reads "C:").
  virtual std::string Path() const = 0;
  virtual bool IsVolume() const = 0;
  // The last component; for a volume the volume part.
  virtual std::string Name() const = 0;

  virtual bool Exists() = 0;
  virtual bool IsDirectory() = 0;
  // False when the item cannot be asked (missing, say).
  virtual bool Info(platform::FileInfo* info) = 0;
  virtual bool IsReadable() = 0;
  virtual bool IsWriteable() = 0;

  virtual uint32_t Rename(std::string_view name) = 0;
  virtual uint32_t SetLocked(bool locked) = 0;
  virtual uint32_t SetVisible(bool visible) = 0;
  // Null stamps are left alone.
  virtual uint32_t SetTimes(const platform::FILETIME* creation,
                            const platform::FILETIME* modification) = 0;

  // The entries' names other than "." and "..".
  virtual uint32_t List(std::vector<std::string>* names) = 0;
  // Null when no item can be made for the name.
  virtual std::unique_ptr<Item> Child(std::string_view name) const = 0;
  // Null for a volume.
  virtual std::unique_ptr<Item> Parent() const = 0;
  virtual std::unique_ptr<Item> SpecialFolder(uint32_t code) const = 0;

  // Null with *error set when the item cannot be opened so.
  virtual std::unique_ptr<db::ByteStream> Open(OpenMode mode, uint32_t* error) = 0;
  virtual uint32_t CreateAsFolder() = 0;
  virtual uint32_t Delete() = 0;
  virtual uint32_t CopyTo(const Item& destination) = 0;
  virtual uint32_t MoveTo(const Item& destination) = 0;
  virtual uint32_t Launch(bool activate) = 0;

  // The four-character file type. Kept for the program where the file
  // system has none (the host's); a volume stores it with the entry.
  virtual std::string MacType() const { return macType; }
  virtual uint32_t SetMacType(std::string_view type) {
    macType = std::string(type);
    return 0;
  }

  // Kept for the program; no file-system effect.
  std::string macType, macCreator;
  bool extensionVisible = true;
};

// The read-only attribute, false when the item cannot be asked.
inline bool IsLocked(Item& item) {
  platform::FileInfo info;
  return item.Info(&info) && (info.attributes & platform::FILE_ATTRIBUTE_READONLY);
}

}  // namespace tess::files
