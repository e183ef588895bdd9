#include "image/loader.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/byte_order.h"
#include "image/format.h"
#include "image/link_table.h"
#include "image/messages.h"
#include "image/startup.h"
#include "platform/kernel/library.h"
#include "platform/kernel/memory.h"
#include "platform/kernel/process.h"
#include "runtime/alerts.h"
#include "runtime/exceptions.h"

namespace tess::image {

namespace {

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// Bytes of the code segment already taken by a call site or a data address.
// Two records that claim one byte mean overlapping or looping chains. One
// flag byte per code byte keeps the walk's memory access beside the code's.
class SiteClaims {
 public:
  explicit SiteClaims(uint32_t codeSize) : taken_(codeSize, 0) {}
  // False when any byte of [offset, offset + size) is claimed already.
  bool Claim(uint32_t offset, uint32_t size) {
    uint8_t* flags = taken_.data() + offset;
    uint8_t any = 0;
    for (uint32_t i = 0; i < size; ++i) any |= flags[i];
    if (any) return false;
    std::memset(flags, 1, size);
    return true;
  }

 private:
  std::vector<uint8_t> taken_;
};

// Walks the chain from `head`; with a target, patches each site after reading
// the next offset from it. Without one, only checks the chain.
bool WalkChain(const Segments& seg, uint32_t head, const void* target, std::string_view name,
               SiteClaims& claims, std::string* message) {
  for (uint32_t site = head; site != 0;) {
    if (seg.codeSize < 5 || site < 1 || site > seg.codeSize - 4) {
      *message = DamagedImageMessage("a call site of " + std::string(name) + " at " + Hex(site) +
                                     " lies outside the code segment");
      return false;
    }
    if (seg.code[site - 1] != kCallOpcode) {
      *message = DamagedImageMessage("the call site of " + std::string(name) + " at " + Hex(site) +
                                     " is not a call");
      return false;
    }
    if (!claims.Claim(site - 1, 5)) {
      *message = DamagedImageMessage("the call sites of " + std::string(name) + " overlap at " +
                                     Hex(site));
      return false;
    }
    uint8_t* field = seg.code + site;
    uint32_t next = le32(field);
    if (target) {
      put_le32(field, uint32_t(reinterpret_cast<uintptr_t>(target) -
                               (reinterpret_cast<uintptr_t>(field) + 4)));
    }
    site = next;
  }
  return true;
}

struct LoadedLibrary {
  std::string name;
  platform::HMODULE module;  // null when loading failed
};

// Libraries loaded for "!X" names, newest first, never unloaded.
std::vector<LoadedLibrary>& Libraries() {
  static std::vector<LoadedLibrary> libraries;
  return libraries;
}

platform::HMODULE FindOrLoadLibrary(const std::string& name) {
  auto& libraries = Libraries();
  for (const LoadedLibrary& library : libraries) {
    if (EqualsIgnoringCase(library.name, name)) return library.module;
  }
  platform::HMODULE module = platform::LoadLibrary(name.c_str());
  libraries.insert(libraries.begin(), LoadedLibrary{name, module});
  return module;
}

std::string RuntimeModuleName() {
  std::string path = platform::GetModuleFileName();
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool BindLibraryRoutine(const Segments& seg, uint32_t head, std::string_view name,
                        SiteClaims& claims, std::string* message) {
  std::string_view rest = name.substr(2);
  size_t bang = rest.find('!');
  std::string library(rest.substr(0, bang));
  std::string routine(bang == std::string_view::npos ? std::string_view() : rest.substr(bang + 1));
  platform::HMODULE module = FindOrLoadLibrary(library);
  if (!module) {
    *message = MissingLibraryMessage(library);
    return false;
  }
  void* address = platform::GetProcAddress(module, routine.c_str());
  if (!address) {
    *message = MissingRoutineMessage(routine, library);
    return false;
  }
  return WalkChain(seg, head, address, name, claims, message);
}

struct LoaderState {
  Segments segments;
  Locator locator;
  bool developmentPool = false;
  std::vector<DeferredReference> deferred;
  DeferredMemberLookup lookup = nullptr;
  std::unique_ptr<platform::File> pool;
  bool poolOpened = false;
};

LoaderState& State() {
  static LoaderState state;
  return state;
}

}  // namespace

Locator ParseLocator(const volatile uint8_t* data, size_t size) {
  Locator locator;
  if (!data || size < kLocatorSize) return locator;
  uint8_t bytes[kLocatorSize];
  for (size_t i = 0; i < kLocatorSize; ++i) bytes[i] = data[i];
  if (std::memcmp(bytes, kPlaceholder, sizeof kPlaceholder) == 0) return locator;
  locator.imageOffset = le32(bytes);
  locator.poolOffset = le32(bytes + 4);
  locator.development = locator.imageOffset == 0;
  return locator;
}

ImageBlocks::ImageBlocks(ImageBlocks&& other) noexcept {
  *this = std::move(other);
}

ImageBlocks& ImageBlocks::operator=(ImageBlocks&& other) noexcept {
  if (this != &other) {
    Free();
    segments = std::exchange(other.segments, Segments{});
    linkStream = std::move(other.linkStream);
    fixups = std::move(other.fixups);
  }
  return *this;
}

ImageBlocks::~ImageBlocks() {
  Free();
}

void ImageBlocks::Free() {
  platform::FreeCodeMemory(segments.code, segments.codeSize);
  delete[] segments.data;
  segments = Segments{};
}

Segments ImageBlocks::Release() {
  return std::exchange(segments, Segments{});
}

namespace {

constexpr const char* kBlockNames[4] = {"code segment", "link record stream", "data segment",
                                        "data fix-up stream"};

// Allocates the block of the given order (0..3, file order) and returns where
// its bytes go.
uint8_t* AllocateBlock(ImageBlocks* blocks, int order, uint32_t size) {
  switch (order) {
    case 0:
      blocks->segments.code = static_cast<uint8_t*>(platform::AllocateCodeMemory(size));
      if (blocks->segments.code) blocks->segments.codeSize = size;
      return blocks->segments.code;
    case 1:
      blocks->linkStream.resize(size);
      return blocks->linkStream.data();
    case 2:
      blocks->segments.data = new (std::nothrow) uint8_t[size == 0 ? 1 : size]();
      if (blocks->segments.data) blocks->segments.dataSize = size;
      return blocks->segments.data;
    default:
      blocks->fixups.resize(size);
      return blocks->fixups.data();
  }
}

}  // namespace

bool ReadAppendedImage(platform::File& file, uint64_t offset, ImageBlocks* blocks,
                       std::string* message) {
  uint64_t end = file.Size();
  if (offset > end) {
    *message = DamagedImageMessage("the image starts beyond the end of the file");
    return false;
  }
  file.Seek(offset);
  for (int order = 0; order < 4; ++order) {
    uint8_t lengthBytes[4];
    if (end - file.Position() < 4 || !file.ReadExact(lengthBytes, 4)) {
      *message = DamagedImageMessage(std::string("the file ends before the length of the ") +
                                     kBlockNames[order]);
      return false;
    }
    uint32_t length = le32(lengthBytes);
    if (length > end - file.Position()) {
      *message = DamagedImageMessage(std::string("the ") + kBlockNames[order] + " claims " +
                                     std::to_string(length) + " bytes but only " +
                                     std::to_string(end - file.Position()) + " remain");
      return false;
    }
    uint8_t* bytes = AllocateBlock(blocks, order, length);
    if (!bytes && length > 0) {
      *message = DamagedImageMessage(std::string("no memory for the ") + kBlockNames[order]);
      return false;
    }
    if (!file.ReadExact(bytes, length)) {
      *message = DamagedImageMessage(std::string("the ") + kBlockNames[order] + " cannot be read");
      return false;
    }
  }
  return true;
}

bool ReadDevelopmentImage(const std::string& directory, ImageBlocks* blocks, std::string* message) {
  // Read in the development order; AllocateBlock takes the file-order index.
  struct DevFile {
    const char* name;
    int order;
  };
  constexpr DevFile kFiles[] = {
      {kDevCodeFile, 0}, {kDevDataFile, 2}, {kDevLinkFile, 1}, {kDevFixupFile, 3}};
  for (const DevFile& dev : kFiles) {
    std::string path = directory.empty() ? dev.name : directory + "/" + dev.name;
    auto file = platform::File::Open(path, platform::File::Mode::kRead);
    if (!file) {
      *message = UnreadableFileMessage(dev.name);
      return false;
    }
    uint64_t size = file->Size();
    if (size > 0xFFFFFFFFu) {
      *message = DamagedImageMessage(std::string(dev.name) + " is larger than 4 GB");
      return false;
    }
    uint8_t* bytes = AllocateBlock(blocks, dev.order, uint32_t(size));
    if ((!bytes && size > 0) || !file->ReadExact(bytes, size_t(size))) {
      *message = UnreadableFileMessage(dev.name);
      return false;
    }
  }
  return true;
}

bool PatchChain(const Segments& segments, uint32_t head, const void* target, std::string_view name,
                std::string* message) {
  SiteClaims claims(segments.codeSize);
  return WalkChain(segments, head, target, name, claims, message);
}

bool LinkStream(const Segments& seg, const uint8_t* stream, size_t length,
                std::vector<DeferredReference>* deferred, std::string* message) {
  SiteClaims claims(seg.codeSize);
  size_t pos = 0;
  while (pos < length) {
    uint8_t type = stream[pos++];
    if (type == kRecordDataAddress) {
      if (length - pos < 4) {
        *message = DamagedImageMessage("a data address record is cut short");
        return false;
      }
      uint32_t offset = le32(stream + pos);
      pos += 4;
      if (seg.codeSize < 4 || offset > seg.codeSize - 4 || !claims.Claim(offset, 4)) {
        *message = DamagedImageMessage("the data address at " + Hex(offset) +
                                       " lies outside the code segment or overlaps a call site");
        return false;
      }
      uint8_t* word = seg.code + offset;
      put_le32(word, le32(word) + uint32_t(reinterpret_cast<uintptr_t>(seg.data)));
      continue;
    }
    if (type != kRecordNamedCall) continue;  // unknown types are one byte long

    if (length - pos < 5 || length - pos - 5 < stream[pos + 4]) {
      *message = DamagedImageMessage("a named call record is cut short");
      return false;
    }
    uint32_t head = le32(stream + pos);
    size_t nameLength = stream[pos + 4];
    std::string_view name(reinterpret_cast<const char*>(stream + pos + 5), nameLength);
    pos += 5 + nameLength;

    if (name.size() >= 2 && name[0] == '!' && name[1] == 'X') {
      if (!BindLibraryRoutine(seg, head, name, claims, message)) return false;
    } else if (name.size() >= 2 && name[0] == '!') {
      // Bound once the class registry exists; checked now so that a damaged
      // chain refuses the image before anything runs.
      if (!WalkChain(seg, head, nullptr, name, claims, message)) return false;
      deferred->push_back(DeferredReference{std::string(name.substr(1)), head});
    } else {
      const LinkRecord* record = FindLinkRecord(name);
      if (!record) {
        // Without sites nothing is left unbound, so the image may run; with
        // sites it would jump into chain offsets.
        if (head == 0) continue;
        *message = MissingRoutineMessage(name, RuntimeModuleName());
        return false;
      }
      if (!WalkChain(seg, head, record->entry, name, claims, message)) return false;
    }
  }
  return true;
}

bool ApplyFixups(const Segments& seg, const uint8_t* stream, size_t length, std::string* message) {
  uint64_t cursor = 0;
  for (size_t i = 0; i + 1 < length; i += 2) {
    uint16_t word = le16(stream + i);
    if (word >= kFixupSkip && word <= (kFixupSkip | kFixupSkipMask)) {
      cursor += (word & kFixupSkipMask) + 1u;
      continue;
    }
    uintptr_t base;
    uint16_t form = word & ~kFixupRunMask;
    if (form == kFixupCodeRun || form == kFixupCodeRunAlt) {
      base = reinterpret_cast<uintptr_t>(seg.code);
    } else if (form == kFixupDataRun) {
      base = reinterpret_cast<uintptr_t>(seg.data);
    } else {
      continue;  // not a fix-up word
    }
    uint32_t words = (word & kFixupRunMask) + 1u;
    if (cursor + 4u * words > seg.dataSize) {
      *message = DamagedImageMessage("a data fix-up at " + Hex(uint32_t(cursor)) +
                                     " reaches past the end of the data segment");
      return false;
    }
    for (uint32_t w = 0; w < words; ++w, cursor += 4) {
      uint8_t* p = seg.data + cursor;
      put_le32(p, le32(p) + uint32_t(base));
    }
  }
  return true;
}

void SetDeferredMemberLookup(DeferredMemberLookup lookup) {
  State().lookup = lookup;
}

bool LocateItemInPool(platform::File& file, uint64_t poolOffset, int index, uint64_t* offset) {
  if (index < 1) return false;
  uint8_t word[4];
  file.Seek(poolOffset);
  if (!file.ReadExact(word, 4)) return false;
  uint32_t count = be32(word);
  if (uint32_t(index) > count) return false;
  file.Seek(poolOffset + 4 + 4 * uint64_t(index - 1));
  if (!file.ReadExact(word, 4)) return false;
  uint64_t position = poolOffset + 4 + 4 * uint64_t(count) + be32(word);
  // An item that would start past the end of the file is not there.
  if (position > file.Size()) return false;
  *offset = position;
  return true;
}

// --- Process-wide loader ---

const Segments& LoadedSegments() {
  return State().segments;
}

bool LinkCodeSegment(const uint8_t* stream, uint32_t length, std::string* message) {
  return LinkStream(State().segments, stream, length, &State().deferred, message);
}

bool ApplyDataFixups(const uint8_t* stream, uint32_t length, std::string* message) {
  return ApplyFixups(State().segments, stream, length, message);
}

void ResolveDeferredReferences() {
  LoaderState& state = State();
  if (state.deferred.empty()) return;
  const Segments& seg = state.segments;
  platform::SetCodeWritable(seg.code, seg.codeSize);
  while (!state.deferred.empty()) {
    DeferredReference reference = std::move(state.deferred.back());
    state.deferred.pop_back();
    void* address = state.lookup ? state.lookup(reference.name) : nullptr;
    std::string message;
    if (address && !PatchChain(seg, reference.chainHead, address, reference.name, &message)) {
      InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
    }
  }
  platform::SetCodeExecutable(seg.code, seg.codeSize);
}

bool LocatePoolItem(int index, platform::File** file, uint64_t* offset) {
  LoaderState& state = State();
  if (index < 1) return false;
  if (!state.poolOpened) {
    state.poolOpened = true;
    if (state.locator.development) {
      state.pool = platform::File::Open(kDevPoolFile, platform::File::Mode::kRead);
    } else if (state.locator.poolOffset != kNoPool) {
      state.pool = platform::File::Open(platform::GetModuleFileName(), platform::File::Mode::kRead);
    }
  }
  if (!state.pool) return false;
  uint64_t poolOffset = state.locator.development ? 0 : state.locator.poolOffset;
  if (!LocateItemInPool(*state.pool, poolOffset, index, offset)) return false;
  *file = state.pool.get();
  return true;
}

bool LoadApplicationImage() {
  LoaderState& state = State();
  const volatile uint8_t* resource = nullptr;
  size_t resourceSize = 0;
  platform::FindResource(kLocatorResourceType, kLocatorResourceId, &resource, &resourceSize);
  state.locator = ParseLocator(resource, resourceSize);

  ImageBlocks blocks;
  std::string message;
  bool read;
  if (state.locator.development) {
    read = ReadDevelopmentImage("", &blocks, &message);
  } else {
    auto file = platform::File::Open(platform::GetModuleFileName(), platform::File::Mode::kRead);
    read = file ? ReadAppendedImage(*file, state.locator.imageOffset, &blocks, &message) : false;
    if (!file) message = UnreadableFileMessage(platform::GetModuleFileName());
  }
  if (!read) {
    ShowRuntimeMessage(message);
    return false;
  }

  state.segments = blocks.segments;
  if (!LinkCodeSegment(blocks.linkStream.data(), uint32_t(blocks.linkStream.size()), &message) ||
      !ApplyDataFixups(blocks.fixups.data(), uint32_t(blocks.fixups.size()), &message)) {
    state.segments = Segments{};
    ShowRuntimeMessage(message);
    return false;
  }
  std::vector<uint8_t>().swap(blocks.fixups);
  std::vector<uint8_t>().swap(blocks.linkStream);

  const Segments& seg = state.segments;
  uintptr_t entry = seg.dataSize >= 4 ? le32(seg.data + kDataEntryOffset) : 0;
  uintptr_t codeStart = reinterpret_cast<uintptr_t>(seg.code);
  if (entry < codeStart || entry >= codeStart + seg.codeSize) {
    state.segments = Segments{};
    ShowRuntimeMessage(DamagedImageMessage("the entry routine lies outside the code segment"));
    return false;
  }
  blocks.Release();
  platform::SetCodeExecutable(seg.code, seg.codeSize);
  SetCompiledCodeRange(seg.code, seg.codeSize);
  InstallUnhandledPath();
  try {
    CallCompiled(reinterpret_cast<const void*>(entry), {});
  } catch (LanguageException& e) {
    HandleUnhandled(e);
  }
  return true;
}

}  // namespace tess::image
