#include "platform/kernel/library.h"

#include <dlfcn.h>

namespace tess::platform {

HMODULE LoadLibrary(const char* name) {
  // Bound now so that a missing dependency fails here, not at a call site.
  return static_cast<HMODULE>(::dlopen(name, RTLD_NOW | RTLD_LOCAL));
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return ::dlsym(module, name);
}

}  // namespace tess::platform
