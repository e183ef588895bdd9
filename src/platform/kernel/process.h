// The running process: its module file, resources, debugger output and exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tess::platform {

// Full path of the running executable (empty when the host cannot tell).
std::string GetModuleFileName();

// Resources of the running module, by type name and integer id. The
// executable declares them in a table (its resource script) and installs the
// table first thing in its main routine.
struct ModuleResource {
  const char* type;
  int id;
  const volatile uint8_t* data;
  size_t size;
};
void SetModuleResources(std::span<const ModuleResource> resources);
// False when the module has no such resource.
bool FindResource(const char* type, int id, const volatile uint8_t** data, size_t* size);

// Text for a debugger; the host has none, so it goes to standard error.
void OutputDebugString(const char* text);

// Gives the rest of the calling thread's time slice to another ready thread.
void SwitchToThread();

// Routines run once when the process ends through ExitProcess or by
// returning from main (open files flushed, say), last added first.
void AddExitRoutine(void (*routine)());

// Ends the process at once with `code`, after the exit routines and
// flushing standard streams.
[[noreturn]] void ExitProcess(int code);
// Ends the process after reporting `text`, when an orderly exit failed.
[[noreturn]] void FatalAppExit(const char* text);

}  // namespace tess::platform
