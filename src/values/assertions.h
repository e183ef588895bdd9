// The sources the value types' internal assertions report (the codes are
// the runtime's, runtime/assertions.h).
#pragma once

#include "runtime/assertions.h"

namespace tess {

// A machine byte order that is neither little- nor big-endian.
inline constexpr char kSourceMemoryBlock[] = "MemoryBlock";
// A dictionary entry missing from the chain it hashes to.
inline constexpr char kSourceDictionary[] = "Dictionary";

}  // namespace tess
