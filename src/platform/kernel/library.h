// Host shared libraries loaded by name, and routines looked up in them.
// Some of the platform's own libraries are built in: their names load this
// layer's implementation ("wsock32.dll": winsock/winsock.h).
//
// A heavy host library that only some applications need (the synthesizer,
// sound files, PDF pages, the X display) is loaded when a feature first
// needs it, so that a process that never uses the feature does not map and
// relocate it, and everything it pulls in, at start. Its routines are
// listed once and become a table of typed pointers named as the routines:
//
//   #define SNDFILE_ROUTINES(R) R(sf_open_virtual) R(sf_close)
//   struct Sndfile {
//     static constexpr const char* kLibrary = "libsndfile.so.1";
//     TESS_HOST_ROUTINES(SNDFILE_ROUTINES)
//   };
//   if (const Sndfile* sf = HostRoutines<Sndfile>()) sf->sf_close(file);
//
// The table is had whole or not at all: a missing library or routine leaves
// the feature on its own failure path, never with a null pointer to call.
#pragma once

#include <type_traits>

namespace tess::platform {

struct LibraryModule;
using HMODULE = LibraryModule*;

// Loads a library by name; nullptr when it cannot be found or loaded.
HMODULE LoadLibrary(const char* name);
// Exact-name lookup of an exported routine; nullptr when absent.
void* GetProcAddress(HMODULE module, const char* name);
// Lets go of a loaded library (a built-in one stays).
bool FreeLibrary(HMODULE module);

// Fills `table` from `library`: true with every routine found; false, with
// every pointer null and the library let go, when the library or any one of
// the routines is missing.
template <typename Table>
bool FetchRoutines(const char* library, Table* table) {
  *table = Table{};
  HMODULE module = LoadLibrary(library);
  if (!module) return false;
  bool complete = true;
  table->FetchEach([&](auto& slot, const char* name) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(GetProcAddress(module, name));
    complete = complete && slot;
  });
  if (!complete) {
    *table = Table{};
    FreeLibrary(module);
  }
  return complete;
}

// The routines of `Table::kLibrary`, loaded by the first call from whichever
// thread makes it, and kept for the rest of the process; nullptr when they
// cannot be had, then and ever after (a library is tried once).
template <typename Table>
const Table* HostRoutines() {
  static Table table;
  static const bool loaded = FetchRoutines(Table::kLibrary, &table);
  return loaded ? &table : nullptr;
}

}  // namespace tess::platform

// One pointer per routine of LIST, typed as the routine's declaration in the
// library's header, and FetchEach, which names each to a fetch. The exported
// name is the routine's name after macro expansion, as headers that rename
// their routines per version mean it.
#define TESS_HOST_ROUTINES(LIST)   \
  LIST(TESS_HOST_ROUTINE_POINTER_) \
  template <typename Fetch>        \
  void FetchEach(Fetch&& fetch) {  \
    LIST(TESS_HOST_ROUTINE_FETCH_) \
  }
#define TESS_HOST_ROUTINE_POINTER_(routine) decltype(&::routine) routine = nullptr;
#define TESS_HOST_ROUTINE_FETCH_(routine) fetch(routine, TESS_HOST_ROUTINE_NAME_(routine));
#define TESS_HOST_ROUTINE_NAME_(routine) TESS_HOST_ROUTINE_TEXT_(routine)
#define TESS_HOST_ROUTINE_TEXT_(routine) #routine
