// Image containers on disk: the bare image (four blocks, each a little-endian
// u32 length and its bytes: code, link stream, data, fix-ups), the five
// development files, and the runtime executable with the image appended at
// its end, the pool after the image, and the ".pickle" locator section's file
// bytes patched to {image offset, pool offset or 0xFFFFFFFF}.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "builder.h"
#include "elf32.h"

namespace tess::imagetool {

std::vector<uint8_t> SerializeImage(const Image& image);

// Reads four blocks from the start of `bytes`; `consumed` receives the image
// length. Throws Error when a block runs past the end.
Image ParseImage(std::span<const uint8_t> bytes, size_t* consumed = nullptr);

struct Locator {
  bool placeholder = true;  // "PICK": development mode
  uint32_t image = 0;
  uint32_t pool = 0;
};

// Throws Error when the executable has no ".pickle" section of at least
// 8 bytes in the file.
Locator ReadLocator(const ElfFile& runtime);

// The runtime's bytes with the image (and pool, when given) appended and the
// locator patched. Refuses a runtime that already carries an image.
std::vector<uint8_t> AttachImage(const ElfFile& runtime, const Image& image,
                                 const std::vector<uint8_t>* pool);

void WriteDevFiles(const std::filesystem::path& dir, const Image& image,
                   const std::vector<uint8_t>* pool);

std::vector<uint8_t> ReadFile(const std::filesystem::path& path);
// Writes through a temporary name and renames, so a failed build never
// leaves a half-written file where a complete one is expected.
void WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
               bool executable = false);

}  // namespace tess::imagetool
