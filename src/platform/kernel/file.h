// Host files: an open file handle with a position, read-only or read-write.
// Paths are host paths here; drive letters and Windows names are resolved by
// the file system layer above (file_system.h).
//
// Sharing between handles, in this process or another, follows the platform
// the runtime was written for: a handle that writes and a handle that denies
// writing exclusive each other. Two open-file-description locks on bytes far
// past any real data carry it: the "writer" byte is held shared by every
// handle with write access, the "deny-write" byte by every handle that does
// not share writing. Opening tests the other byte and fails with EBUSY when
// someone holds it; the locks go with the descriptor. Handles opened without
// a sharing mode (the database's) take no part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tess::platform {

class File {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };

  // Opens `path`; nullptr when it cannot be opened. kCreate truncates.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode);

  // What other handles may do while this one is open.
  struct Sharing {
    bool write = false;  // others may write (readers are always allowed)
  };
  // Opens `path` taking part in sharing; kCreate makes the file when missing
  // and truncates it only once the sharing test passed. nullptr with the
  // host's errno in *error (EBUSY: a sharing violation, EISDIR: a folder).
  static std::unique_ptr<File> OpenShared(const std::string& path, Mode mode, Sharing sharing,
                                          int* error);
  // Whether a sharing handle that writes or denies writing has `path` open.
  static bool InUse(const std::string& path);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to `size` bytes at the current position; returns the count read.
  size_t Read(void* buffer, size_t size);
  // Reads exactly `size` bytes or fails (position then undefined).
  bool ReadExact(void* buffer, size_t size);
  bool Write(const void* buffer, size_t size);
  // Like Write; on failure *error gets the host's errno (ENOSPC: disk full).
  bool Write(const void* buffer, size_t size, int* error);
  bool Seek(uint64_t position);
  uint64_t Position() const { return position_; }
  // Size in bytes, or 0 when the host cannot tell.
  uint64_t Size() const;
  // Cuts or zero-extends the file to `size` bytes; the position is kept.
  bool SetSize(uint64_t size);
  // Makes written data durable (the data, not necessarily the metadata).
  bool Sync();

  // A new empty file in the host's temporary folder, open read-write; its
  // path goes to `path`. The caller deletes it with Remove.
  static std::unique_ptr<File> CreateTemp(std::string* path);
  // Deletes a file; false when it did not exist or could not be removed.
  static bool Remove(const std::string& path);
  static bool Exists(const std::string& path);

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_;
  uint64_t position_ = 0;
};

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* contents);

}  // namespace tess::platform
