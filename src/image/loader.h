// Loading and linking the application image (block layout in image/format.h).
//
// The loader reads the four blocks, binds every named call chain to the
// runtime link table or a host library routine, queues deferred member
// references, applies the data fix-ups and calls the entry routine. Every
// offset it is given is checked against its segment: a malformed image is
// refused with a message and never causes a write outside a segment or an
// endless chain walk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/file.h"

namespace tess::image {

// Where the image comes from, as the locator resource says.
struct Locator {
  bool development = true;  // read the loose .dat files
  uint32_t imageOffset = 0;
  uint32_t poolOffset = 0xFFFFFFFF;
};
// `data` may be null (no resource); fewer than 8 bytes count as no resource.
Locator ParseLocator(const volatile uint8_t* data, size_t size);

// The two segments that stay for the life of the process.
struct Segments {
  uint8_t* code = nullptr;
  uint32_t codeSize = 0;
  uint8_t* data = nullptr;
  uint32_t dataSize = 0;
};

// The four blocks as read, owning their memory until released to the process.
struct ImageBlocks {
  ImageBlocks() = default;
  ImageBlocks(ImageBlocks&&) noexcept;
  ImageBlocks& operator=(ImageBlocks&&) noexcept;
  ~ImageBlocks();

  Segments segments;  // code is host code memory, data a heap block
  std::vector<uint8_t> linkStream;
  std::vector<uint8_t> fixups;

  // The segments now belong to the process and are never freed.
  Segments Release();

 private:
  void Free();
};

bool ReadAppendedImage(platform::File& file, uint64_t offset, ImageBlocks* blocks,
                       std::string* message);
// Reads code1.dat, data1.dat, code2.dat and data2.dat from `directory`.
bool ReadDevelopmentImage(const std::string& directory, ImageBlocks* blocks, std::string* message);

// A member reference bound once the class registry exists: the name without
// its leading "!" (kind letter, then the member path) and its chain head.
struct DeferredReference {
  std::string name;
  uint32_t chainHead;
};

// Binds the link record stream into `segments`. Host libraries loaded for
// "!X" names go to the process-wide library list; deferred references are
// appended to `deferred` and later resolved newest first. On failure sets `message` (the text the
// user sees) and returns false; sites already patched stay patched, which is harmless since the
// image does not start.
bool LinkStream(const Segments& segments, const uint8_t* stream, size_t length,
                std::vector<DeferredReference>* deferred, std::string* message);

// Applies the fix-up words to the data segment. False, with `message` set,
// when a run would reach past the end of the segment.
bool ApplyFixups(const Segments& segments, const uint8_t* stream, size_t length,
                 std::string* message);

// Points every site of a chain at `target`. False when the chain leaves the
// code segment, a site is not a call, or the chain loops.
bool PatchChain(const Segments& segments, uint32_t head, const void* target, std::string_view name,
                std::string* message);

// Resolves a deferred member name ("M" + "Class.Member" and so on) to code;
// installed by the class registry. Null, or a null answer, leaves the sites
// unpatched (the registry reports the failure itself).
using DeferredMemberLookup = void* (*)(std::string_view name);
void SetDeferredMemberLookup(DeferredMemberLookup lookup);

// Looks up pool item `index` (1-based) in a pool at `poolOffset` of `file`.
bool LocateItemInPool(platform::File& file, uint64_t poolOffset, int index, uint64_t* offset);

// --- Process-wide loader, as the main routine and the runtime use it ---

// Loads, links and runs the image; true when the entry routine returned.
bool LoadApplicationImage();
bool LinkCodeSegment(const uint8_t* stream, uint32_t length, std::string* message);
bool ApplyDataFixups(const uint8_t* stream, uint32_t length, std::string* message);
void ResolveDeferredReferences();
// The open pool file and the absolute position of item `index`.
bool LocatePoolItem(int index, platform::File** file, uint64_t* offset);
// The segments of the loaded image (empty before loading).
const Segments& LoadedSegments();

}  // namespace tess::image
