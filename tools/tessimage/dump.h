// Human-readable description of a built image, for people and for tests.
// Everything read is bounds-checked and call chains are walked with loop
// detection, so a malformed image yields an Error, never a crash or a hang.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "builder.h"

namespace tess::imagetool {

// Block sizes, link records with their call-site counts, the call markers
// and trailers those sites reach (with any faults), fix-up steps, the
// descriptor's classes and items, and pool items. `pool` may be null.
std::string DescribeImage(const Image& image, const std::vector<uint8_t>* pool);

// `path` is a runtime executable with an appended image, a directory of
// development files, or a bare image file. `windows` are data offsets of
// window layout blocks to list after the rest.
std::string DumpPath(const std::filesystem::path& path, const std::vector<uint32_t>& windows = {});

}  // namespace tess::imagetool
