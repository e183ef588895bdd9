// The MemoryBlock framework class: typed access to raw bytes at byte offsets
// in a selectable byte order.
//
// A block either owns its bytes (made by the runtime; `size` > 0, freed with
// the object) or wraps bytes owned elsewhere (`size` 0, never freed). Every
// access to a block with a recorded size, read or write, stays inside
// [0, size): a value that would cross either end raises OutOfBoundsException.
// Offsets into wrapped blocks are the caller's responsibility.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/object_layout.h"

namespace tess {

struct MemoryBlockObject {
  ObjectHeader header;
  int32_t size;  // 0: wraps memory of unknown size
  uint8_t* data;
  uint8_t owned;
  uint8_t littleEndian;
};

#if defined(__i386__)
static_assert(offsetof(MemoryBlockObject, size) == 16);
static_assert(offsetof(MemoryBlockObject, data) == 20);
static_assert(offsetof(MemoryBlockObject, owned) == 24);
static_assert(offsetof(MemoryBlockObject, littleEndian) == 25);
#endif

void InitMemoryBlockClass();
ClassObject* MemoryBlockClass();

// True when this machine stores the low byte of a word first.
bool MachineIsLittleEndian();

// A new owned, zero-filled block (count 1), or null when size < 1 or the
// bytes cannot be allocated.
TessObject* NewMemoryBlock(int32_t size);
// A new block (count 1) wrapping `pointer` without owning it.
TessObject* WrapMemory(void* pointer);

inline MemoryBlockObject* AsMemoryBlock(TessObject* object) {
  return reinterpret_cast<MemoryBlockObject*>(object);
}

}  // namespace tess
