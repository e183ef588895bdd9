// Helpers for the value classes' static member records.
#pragma once

#include <cstdint>

#include "runtime/class_records.h"

namespace tess {

// A method record whose first entry is `code` and whose second entry (what
// an assignment to the member binds to) is `assign`, or null.
constexpr MethodRecord Method(const char* name, const TypeDescriptor* returnType,
                              const ParameterRecord* parameters, uint32_t count, void* code,
                              void* assign = nullptr) {
  return MethodRecord{name, returnType, parameters, count, {code}, {assign}};
}

}  // namespace tess
