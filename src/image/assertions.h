// The internal assertions of loading and starting the image (the codes and
// the shared sources are the runtime's, runtime/assertions.h).
#pragma once

#include "runtime/assertions.h"

namespace tess {

// RuntimeNewObject given a class index outside the class table.
inline constexpr AssertionSite kClassIndexOutOfRange{kFailedCheck, kSourceRuntimeMain, 1309};
// A project item of a kind outside 1 to 10.
inline constexpr AssertionSite kUnknownProjectItem{kProjectItemCheck, nullptr, 0};

}  // namespace tess
