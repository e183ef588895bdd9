// Debugging support: enumerating live objects, the memory summary, and the
// single debugger-support object.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tessera/types.h"

namespace tess {

// The summary lines: "<bytes> used in heap1", "<n> objects", then one class
// name per live object, newest first.
void DumpObjects(const std::function<void(std::string_view line)>& write);

// Where debugDumpObjects writes for a given text output object; installed by
// the streams. Without one (or for nil) lines go to the debugger output.
using DumpWriter = void (*)(TessObject* output, std::string_view line);
void SetDumpWriter(DumpWriter writer);

}  // namespace tess
