// Host shared libraries loaded by name, and routines looked up in them.
// Some of the platform's own libraries are built in: their names load this
// layer's implementation ("wsock32.dll": winsock/winsock.h).
#pragma once

namespace tess::platform {

struct LibraryModule;
using HMODULE = LibraryModule*;

// Loads a library by name; nullptr when it cannot be found or loaded.
HMODULE LoadLibrary(const char* name);
// Exact-name lookup of an exported routine; nullptr when absent.
void* GetProcAddress(HMODULE module, const char* name);
// Lets go of a loaded library (a built-in one stays).
bool FreeLibrary(HMODULE module);

}  // namespace tess::platform
