#include "platform/kernel/library.h"

#include <dlfcn.h>
#include <strings.h>

#include <iterator>

#include "platform/winsock/winsock.h"

namespace tess::platform {

namespace {

struct BuiltinLibrary {
  const char* name;  // matched without letter case, with or without ".dll"
  void* (*lookup)(const char* routine);
};

const BuiltinLibrary kBuiltins[] = {
    {"wsock32", &winsock::ProcAddress},
};

const BuiltinLibrary* Builtin(HMODULE module) {
  auto* b = reinterpret_cast<const BuiltinLibrary*>(module);
  return b >= std::begin(kBuiltins) && b < std::end(kBuiltins) ? b : nullptr;
}

bool NameMatches(const char* builtin, const char* name) {
  size_t n = std::char_traits<char>::length(builtin);
  return ::strncasecmp(builtin, name, n) == 0 &&
         (name[n] == '\0' || ::strcasecmp(name + n, ".dll") == 0);
}

}  // namespace

HMODULE LoadLibrary(const char* name) {
  if (!name) return nullptr;
  for (const BuiltinLibrary& b : kBuiltins)
    if (NameMatches(b.name, name))
      return reinterpret_cast<HMODULE>(const_cast<BuiltinLibrary*>(&b));
  // Bound now so that a missing dependency fails here, not at a call site.
  return static_cast<HMODULE>(::dlopen(name, RTLD_NOW | RTLD_LOCAL));
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  if (const BuiltinLibrary* b = Builtin(module)) return b->lookup(name);
  return ::dlsym(module, name);
}

bool FreeLibrary(HMODULE module) {
  if (!module) return false;
  if (Builtin(module)) return true;
  return ::dlclose(module) == 0;
}

}  // namespace tess::platform
