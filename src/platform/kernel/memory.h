// Memory for machine code: allocated writable, switched to executable once
// patched, and back to writable for later patches (never both at once).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tess::platform {

// Zero-filled, readable and writable; nullptr on failure. A size of 0 still
// gives a valid (empty) block.
void* AllocateCodeMemory(size_t size);
void FreeCodeMemory(void* block, size_t size);
bool SetCodeWritable(void* block, size_t size);
bool SetCodeExecutable(void* block, size_t size);

}  // namespace tess::platform

namespace tess::platform {

// Whether `size` bytes at `address` can be read, without touching them: the
// check a walk over a possibly damaged stack makes before each read.
bool IsReadableMemory(const void* address, size_t size);

// The calling thread's stack: [low, high).
void GetThreadStackBounds(uintptr_t* low, uintptr_t* high);

}  // namespace tess::platform
