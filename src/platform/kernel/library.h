// Host shared libraries loaded by name, and routines looked up in them.
#pragma once

namespace tess::platform {

struct LibraryModule;
using HMODULE = LibraryModule*;

// Loads a library by name; nullptr when it cannot be found or loaded.
HMODULE LoadLibrary(const char* name);
// Exact-name lookup of an exported routine; nullptr when absent.
void* GetProcAddress(HMODULE module, const char* name);

}  // namespace tess::platform
