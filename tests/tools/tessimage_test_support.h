// Fixture objects for the image builder's tests (compiled by the build from
// tests/tools/fixtures and listed in a generated file), and helpers that
// read a built image back the way the loader will.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "tessimage/builder.h"
#include "tessimage/error.h"
#include "tessimage/image_file.h"
#include "tessimage/link_records.h"
#include "test_support.h"

namespace tess::test {

using imagetool::BuildOptions;
using imagetool::BuildResult;
using imagetool::ObjectFile;

// `source` is a fixture's source file name, e.g. "layout.s"; the object is
// named after it ("layout.s.o") in messages.
inline ObjectFile Fixture(const std::string& source) {
  std::ifstream list(TESSIMAGE_FIXTURES);
  for (std::string path; std::getline(list, path);) {
    const std::string name = source + ".o";
    if (path.size() > name.size() && path.ends_with("/" + name)) {
      return {name, imagetool::ReadFile(path)};
    }
  }
  ADD_FAILURE() << "no fixture object for " << source;
  return {source, {}};
}

inline BuildResult Build(const std::vector<std::string>& sources,
                         const BuildOptions& options = {}) {
  std::vector<ObjectFile> objects;
  for (const std::string& s : sources) objects.push_back(Fixture(s));
  return imagetool::BuildImage(objects, options);
}

// The refusal messages of a build that must fail.
inline std::vector<std::string> Refusals(const std::vector<ObjectFile>& objects,
                                         const BuildOptions& options = {}) {
  try {
    imagetool::BuildImage(objects, options);
  } catch (const imagetool::BuildError& e) {
    return e.messages();
  }
  ADD_FAILURE() << "build succeeded";
  return {};
}

// Call sites per name, found by walking each record's chain.
inline std::map<std::string, std::vector<uint32_t>> Chains(const imagetool::Image& image) {
  std::map<std::string, std::vector<uint32_t>> chains;
  for (const imagetool::LinkRecord& r : imagetool::DecodeLinkRecords(image.link).records) {
    if (r.type == 1) chains[r.name] = imagetool::WalkCallChain(image.code, r.offset);
  }
  return chains;
}

inline const imagetool::MapEntry* Symbol(const BuildResult& result, const std::string& name) {
  for (const imagetool::MapEntry& e : result.symbols) {
    if (e.name == name) return &e;
  }
  ADD_FAILURE() << "no symbol " << name;
  static const imagetool::MapEntry none{};
  return &none;
}

inline uint32_t Word(const std::vector<uint8_t>& segment, uint32_t offset) {
  EXPECT_LE(offset + 4, segment.size());
  return offset + 4 <= segment.size() ? le32(segment.data() + offset) : 0;
}

}  // namespace tess::test
