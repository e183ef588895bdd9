// Reference pictures of the host layer: a surface compared pixel for pixel
// with a PNG under tests/data/platform, or written there when
// TESSERA_UPDATE_REFERENCE is set (look at it before committing it).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gdi/png.h"

namespace tess::test {

inline std::string ReferencePath(const std::string& name) {
  const char* root = std::getenv("TESSERA_SOURCE_DIR");
  return std::string(root ? root : ".") + "/tests/data/platform/" + name;
}

// Whether the surface matches; on a difference the actual picture is left
// in the working directory as NAME-actual.png.
inline ::testing::AssertionResult MatchesReference(const platform::gdi::Surface& s,
                                                   const std::string& name) {
  std::string path = ReferencePath(name);
  if (std::getenv("TESSERA_UPDATE_REFERENCE")) {
    if (!platform::gdi::WritePng(s, path))
      return ::testing::AssertionFailure() << "cannot write " << path;
    return ::testing::AssertionSuccess() << "written";
  }
  auto expected = platform::gdi::ReadPng(path);
  if (!expected) return ::testing::AssertionFailure() << "cannot read " << path;
  if (expected->width() != s.width() || expected->height() != s.height())
    return ::testing::AssertionFailure() << path << " has another size";
  int differing = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) differing += expected->Get(x, y) != s.Get(x, y);
  if (!differing) return ::testing::AssertionSuccess();
  std::string actual = name.substr(0, name.rfind('.')) + "-actual.png";
  platform::gdi::WritePng(s, actual);
  return ::testing::AssertionFailure()
         << differing << " pixels differ from " << path << "; see " << actual;
}

}  // namespace tess::test
