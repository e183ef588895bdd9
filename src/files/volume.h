// VHFS: the folder tree of a virtual volume, over the block store. Every
// VFSCore file starts with a 256-byte entry header (type, parent, dates,
// name); folders keep their child list after it, files their content
// (layout in volume_format.h). VolumeStream is a byte stream over a file's
// content, the one way to read and write it.
//
// Names are compared without regard to ASCII letter case, as the platform's
// own file systems do; a folder never gets two entries of one name.
//
// Write orders, so that a process killed at any moment leaves every file
// closed before intact and every folder listable: an entry is complete
// before a folder lists it; a child's idnum is written before the count that
// makes it visible; a deleted entry leaves its folder before its blocks are
// freed; a moved entry joins its new folder, then names it as parent, then
// leaves the old one. A listing therefore skips an idnum it has shown
// already, a child that names another folder as its parent and a file
// deleted since: what an interrupted removal or move leaves, and harmless.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/stream.h"
#include "files/volume_core.h"

namespace tess::files {

// An entry as passed between operations; idnum 0 is the empty entry.
struct VolumeEntry {
  uint32_t idnum = 0;
  std::string name;
  uint32_t type = 0;
  explicit operator bool() const { return idnum != 0; }
  bool is_folder() const;
};

struct VolumeEntryInfo : VolumeEntry {
  double created = 0;  // seconds since 1 January 1904
  double modified = 0;
  double length = 0;  // bytes of content
};

// Now, as seconds since 1 January 1904 (a Date's TotalSeconds). The runtime
// passes local time; the default counts in UTC.
using VolumeClock = std::function<double()>;
double UtcTotalSeconds();

class VolumeStream;

class VHFS {
 public:
  // A new volume on `stream` (truncated) with an empty root folder.
  static std::unique_ptr<VHFS> Create(db::ByteStream* stream, bool owns, VolumeClock clock = {});
  // An existing volume; usable() tells success and error() why not.
  static std::unique_ptr<VHFS> Open(db::ByteStream* stream, bool owns, VolumeClock clock = {});
  // The same on a host file; nullptr (and *error) when the file cannot be
  // opened or is no volume.
  static std::unique_ptr<VHFS> CreateAt(const std::string& path, std::string* error,
                                        VolumeClock clock = {});
  static std::unique_ptr<VHFS> OpenAt(const std::string& path, bool writable, std::string* error,
                                      VolumeClock clock = {});
  // Closes the streams still open (writing their lengths) first.
  ~VHFS();
  VHFS(const VHFS&) = delete;
  VHFS& operator=(const VHFS&) = delete;

  bool usable() const { return usable_; }
  const std::string& error() const { return error_; }
  VFSCore& core() { return *core_; }

  VolumeEntry Root();
  VolumeEntry LoadEntry(uint32_t idnum);
  VolumeEntry GetParent(const VolumeEntry& entry);
  bool GetInfo(const VolumeEntry& entry, VolumeEntryInfo* info);
  // Writes the length and both dates. A new length of a file cuts it or
  // extends it with zeros; a folder's length cannot change.
  bool SetInfo(const VolumeEntryInfo& info);
  // Empty entry on failure: no such folder, empty name, type 0 or 'fold',
  // a name the folder holds already. Names are cut to 223 bytes.
  VolumeEntry CreateEntry(const VolumeEntry& parent, std::string_view name, uint32_t type);
  VolumeEntry CreateFolder(const VolumeEntry& parent, std::string_view name);
  // The folder's children. False when the folder's list is damaged or a
  // child cannot be loaded; the children that could be are still given.
  bool ListChildren(const VolumeEntry& folder, std::vector<VolumeEntry>* children);
  VolumeEntry Find(const VolumeEntry& folder, std::string_view name);
  // Refused for the root, a folder with children and a file that is open.
  bool DeleteEntry(const VolumeEntry& entry);
  bool Move(const VolumeEntry& entry, const VolumeEntry& folder);
  bool Rename(const VolumeEntry& entry, std::string_view name);
  bool SetType(const VolumeEntry& entry, uint32_t type);
  // Refused for folders and damaged files (a length beyond the file's
  // blocks).
  std::unique_ptr<VolumeStream> OpenDataStream(const VolumeEntry& entry);
  bool Flush() { return core_->Flush() || CoreFail(); }

  // Damaged files and folders, leaked blocks and files no folder reaches.
  VolumeReport Check();

 private:
  friend class VolumeStream;
  struct Cached {
    std::string name;
    uint32_t type;
    uint32_t parent;
  };

  VHFS(std::unique_ptr<VFSCore> core, VolumeClock clock);
  static std::unique_ptr<VHFS> OnHostFile(std::unique_ptr<db::FileStream> stream, bool create,
                                          std::string* error, VolumeClock clock);
  bool Fail(const char* format, ...);
  bool CoreFail();
  double Now() const { return clock_(); }
  bool ReadAt(uint32_t idnum, uint64_t offset, void* buffer, size_t size);
  bool WriteAt(uint32_t idnum, uint64_t offset, const void* buffer, size_t size);
  bool WriteZeros(int handle, uint64_t from, uint64_t to);
  const Cached* Load(uint32_t idnum);
  bool ReadLength(uint32_t idnum, double* length);
  VolumeEntry MakeEntry(const VolumeEntry& parent, std::string_view name, uint32_t type);
  // The folder's child idnums as stored (cached); nullptr when damaged.
  const std::vector<uint32_t>* ChildList(uint32_t folder);
  // The child of `folder` named `name` other than `except`, or 0.
  uint32_t Lookup(uint32_t folder, std::string_view name, uint32_t except);
  bool AddChild(uint32_t child, uint32_t folder);
  bool RemoveChild(uint32_t child, uint32_t folder);
  bool NameFree(uint32_t folder, std::string_view name, uint32_t except);
  // Cuts or zero-extends a file's content from `from` to `to` bytes.
  bool Resize(uint32_t idnum, uint64_t from, uint64_t to);

  std::unique_ptr<VFSCore> core_;
  VolumeClock clock_;
  bool usable_ = false;
  std::string error_;
  std::unordered_map<uint32_t, Cached> cache_;
  std::unordered_map<uint32_t, std::vector<uint32_t>> lists_;
  std::set<VolumeStream*> streams_;
};

// A file's content as a byte stream. Reading stops at the content's length;
// what was written reads back before the stream is closed; the length on
// disk grows when the stream is closed or flushed, so a file interrupted
// while being written keeps its previous length. Writing past the end fills
// the gap with zeros. Positions are limited to the file's blocks: seeking
// never extends the file (writing and SetLength do).
class VolumeStream final : public db::ByteStream {
 public:
  ~VolumeStream() override;
  bool Read(void* buffer, size_t count, size_t* done) override;
  bool Write(const void* buffer, size_t count) override;
  // Writes the length (and the modification date when written to), then
  // lets go of the file.
  void Close() override;
  bool AtEnd() override { return Length() <= position_; }
  bool SetPosition(uint64_t position) override;
  uint64_t Length() override { return closed_ ? 0 : std::max(stored_, mark_); }
  bool SetLength(uint64_t length) override;
  uint64_t Position() override { return position_; }
  bool Flush() override;
  uint32_t idnum() const { return idnum_; }

 private:
  friend class VHFS;
  VolumeStream(VHFS* volume, uint32_t idnum, int handle, uint64_t length);
  bool StoreLength(uint64_t length);

  VHFS* volume_;
  uint32_t idnum_;
  int handle_;
  uint64_t stored_;    // the length on disk
  uint64_t mark_ = 0;  // the furthest byte written
  uint64_t position_ = 0;
  bool written_ = false;
  bool closed_ = false;
};

}  // namespace tess::files
