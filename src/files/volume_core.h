// VFSCore: the block store of a virtual volume. It turns one host file into
// numbered, growable byte sequences (files, each known by its idnum), each a
// chain of blocks (the layout is in volume_format.h).
//
// Opening scans every block header once and keeps a map of blocks and chains
// in memory, so allocation (first fit from the start of the file, a block
// reused whole), lookups and seeks never rescan the file; the bytes written
// are those of the block-by-block algorithm. The map assumes one writer: the
// process that holds the volume open.
//
// Every operation fails harmlessly (false, 0 or -1, with error() saying why)
// when the volume is not open, on damage, or when the host refuses a write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace tess::db {
class ByteStream;
}

namespace tess::files {

// What a structural check of a volume found (VFSCore::Check).
struct VolumeReport {
  std::vector<std::string> damage;  // one line per damaged file or folder
  uint32_t files = 0;               // files with a sound chain
  uint32_t free_blocks = 0;
  uint32_t leaked_blocks = 0;  // owned blocks no sound chain reaches
  std::vector<uint32_t> orphans;
};

class VFSCore {
 public:
  // Truncates `stream` and writes an empty volume; is_open() tells success.
  // With `owns`, the volume destroys the stream when it is destroyed.
  static std::unique_ptr<VFSCore> Create(db::ByteStream* stream, bool owns);
  // Validates the header, the metadata block and every block header. On
  // failure the volume stays closed (and an owned stream is destroyed).
  static std::unique_ptr<VFSCore> Open(db::ByteStream* stream, bool owns);
  ~VFSCore();
  VFSCore(const VFSCore&) = delete;
  VFSCore& operator=(const VFSCore&) = delete;

  bool is_open() const { return open_; }
  const std::string& error() const { return error_; }
  uint32_t version() const { return version_; }
  // The idnum the next file gets; every idnum below it was handed out.
  uint32_t next_idnum() const { return next_idnum_; }

  // A new file with one block; its idnum, or 0. Idnums are never reused.
  uint32_t CreateFile();
  // Frees every block of the file; refused while a handle refers to it.
  bool DeleteFile(uint32_t idnum);
  bool Exists(uint32_t idnum) const;
  // A handle at logical position 0, or -1 (no such file, damaged chain).
  int OpenFile(uint32_t idnum);
  void Close(int handle);
  // Moves within the file's blocks: any position up to the end of the last
  // block (the end itself included, for appending). Never extends.
  bool Seek(int handle, uint64_t position);
  uint64_t Position(int handle) const;
  // `*length` in: bytes wanted; out: bytes read. False when the chain ends
  // first.
  bool Read(int handle, size_t* length, void* buffer);
  // Writes at the handle's position, adding blocks as needed.
  bool Write(int handle, const void* buffer, size_t length);

  // Payload bytes the file's blocks hold; 0 for no such file.
  uint64_t Capacity(uint32_t idnum) const;
  bool InUse(uint32_t idnum) const;
  bool Flush();
  // Sound chains, free and leaked blocks, damaged chains. `reachable`, when
  // given, lists the files the folder tree reaches; the others are orphans.
  VolumeReport Check(const std::vector<uint32_t>* reachable = nullptr) const;

 private:
  struct Block {
    uint32_t pos;
    uint32_t size;
    uint32_t idnum;
    uint32_t seq;
    uint32_t next;
    uint32_t payload() const { return size - 36; }
  };
  struct Chain {
    std::vector<uint32_t> blocks;  // indexes into blocks_, in chain order
    std::vector<uint32_t> owned;   // every block whose header names the file
    uint64_t capacity = 0;
    bool sound = false;
    std::string why;
  };
  struct Handle {
    bool used = false;
    uint32_t idnum = 0;
    size_t link = 0;      // index into the chain's blocks
    uint32_t offset = 0;  // payload offset inside that block
    uint64_t position = 0;
  };

  VFSCore(db::ByteStream* stream, bool owns);
  bool Fail(const char* format, ...);
  bool WriteHeader(const Block& b);
  bool LoadBlocks();
  void BuildChain(uint32_t idnum, Chain& chain);
  // A block owned by `idnum` at `seq`: a reused free one or a new one at
  // the end. Index into blocks_, or -1.
  long Allocate(uint32_t idnum, uint32_t seq);
  Handle* Live(int handle);
  const Handle* Live(int handle) const;
  void Reusable(uint32_t index);

  db::ByteStream* stream_;
  std::unique_ptr<db::ByteStream> owned_stream_;
  bool open_ = false;
  bool big_doubles_ = true;
  uint32_t version_ = 0;
  std::string error_;
  uint32_t metadata_pos_ = 0;
  uint32_t next_idnum_ = 2;
  uint64_t file_length_ = 0;
  uint32_t end_ = 0;  // where the next appended block goes
  std::vector<Block> blocks_;
  std::set<uint32_t> reusable_;  // free blocks of reusable size, by index
  std::unordered_map<uint32_t, Chain> files_;
  std::vector<Handle> handles_;
  size_t handles_used_ = 0;
  std::unordered_map<uint32_t, int> open_counts_;
};

}  // namespace tess::files
