#include "runtime/events.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "runtime/alerts.h"
#include "runtime/assertions.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"

namespace tess {

bool FireEvent(TessObject* target, const void* event, std::initializer_list<uint32_t> args,
               uint32_t* result) {
  void* code = FindHook(target, static_cast<const EventDescriptor*>(event));
  if (!code) return false;
  // Events carry a handful of arguments: no allocation per event.
  uint32_t words[16];
  if (args.size() >= std::size(words)) {
    InternalAssertion(kFailedCheck, kSourceRuntimeMain, __LINE__);
    return false;
  }
  words[0] = uint32_t(reinterpret_cast<uintptr_t>(target));
  std::copy(args.begin(), args.end(), words + 1);
  uint32_t value = CallCompiled(code, std::span<const uint32_t>(words, args.size() + 1));
  if (result) *result = value;
  return true;
}

}  // namespace tess
