// What the generic accessors need from the window layer, which sits above
// the object runtime: it installs these hooks when it starts. Until then an
// invalidating setter only stores and a native handle reads as 0.
#pragma once

#include <cstdint>

#include "tessera/types.h"

namespace tess {

struct ControlHooks {
  // Redraws the window or control that shows `object`, if any.
  void (*invalidate)(TessObject* object) = nullptr;
  // The native handle of the window or control `object` is; 0 for none.
  uint32_t (*nativeHandle)(TessObject* object) = nullptr;
};

void SetControlHooks(const ControlHooks& hooks);
const ControlHooks& CurrentControlHooks();

}  // namespace tess
