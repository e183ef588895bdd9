// The runtime heap: every object, string and internal record comes from here,
// and the bytes handed out are counted for RuntimeDebugMemoryUsed. It is
// safe from any thread and never takes the string lock. Running out of memory ends the process with
// a message: callers never see a null block.
//
// Internal blocks carry an 8-byte prefix {u32 size, u32 guard 0xDEADBEEF};
// freeing checks the guard and overwrites it with 0xDEADDEAD, so a double
// free or a stray pointer is reported instead of corrupting the heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tess {

inline constexpr uint32_t kBlockGuard = 0xDEADBEEF;
inline constexpr uint32_t kFreedGuard = 0xDEADDEAD;

// Zero-filled block of `size` bytes; `size` must be given again to free it.
void* HeapAllocate(size_t size);
// Zero-filled block of `size` bytes, or null when the host has none to give:
// for callers that report running out of memory themselves.
void* HeapTryAllocate(size_t size);
void HeapFree(void* block, size_t size);
// Moves `block` (null for none) to a block of `newSize` bytes, keeping the
// first min(oldSize, newSize) bytes and zeroing the rest.
void* HeapResize(void* block, size_t oldSize, size_t newSize);
// Bytes currently handed out.
size_t HeapBytesInUse();

// Internal records with the size-and-guard prefix.
void* AllocateInternalBlock(size_t size);
void FreeInternalBlock(void* block);

// Shows the out-of-memory message and ends the process.
[[noreturn]] void OutOfMemory();

}  // namespace tess
