// Firing application events: the handler is found by the hook lookup and
// called as compiled code with the receiver first.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "tessera/types.h"

namespace tess {

// Fires an event on `target` by its descriptor; false when no handler. The
// handler's 32-bit result goes to `result`.
bool FireEvent(TessObject* target, const void* event, std::initializer_list<uint32_t> args,
               uint32_t* result = nullptr);

}  // namespace tess
