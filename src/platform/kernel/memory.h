// Memory for machine code: allocated writable, switched to executable once
// patched, and back to writable for later patches (never both at once).
#pragma once

#include <cstddef>

namespace tess::platform {

// Zero-filled, readable and writable; nullptr on failure. A size of 0 still
// gives a valid (empty) block.
void* AllocateCodeMemory(size_t size);
void FreeCodeMemory(void* block, size_t size);
bool SetCodeWritable(void* block, size_t size);
bool SetCodeExecutable(void* block, size_t size);

}  // namespace tess::platform
