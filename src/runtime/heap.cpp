#include "runtime/heap.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "platform/kernel/process.h"
#include "runtime/alerts.h"

namespace tess {

namespace {
// The host allocator does its own locking; the count is the heap's only
// shared state, kept atomic so it never needs a lock of its own.
std::atomic<size_t> g_bytesInUse{0};
}  // namespace

void OutOfMemory() {
  ShowRuntimeMessage("This application has run out of memory and must quit now.");
  platform::ExitProcess(0);
}

void* HeapTryAllocate(size_t size) {
  void* block = std::calloc(1, size == 0 ? 1 : size);
  if (block) g_bytesInUse.fetch_add(size, std::memory_order_relaxed);
  return block;
}

void* HeapAllocate(size_t size) {
  void* block = HeapTryAllocate(size);
  if (!block) OutOfMemory();
  return block;
}

void HeapFree(void* block, size_t size) {
  if (!block) return;
  std::free(block);
  g_bytesInUse.fetch_sub(size, std::memory_order_relaxed);
}

void* HeapResize(void* block, size_t oldSize, size_t newSize) {
  if (!block) return HeapAllocate(newSize);
  void* moved = std::realloc(block, newSize == 0 ? 1 : newSize);
  if (!moved) OutOfMemory();
  if (newSize > oldSize) std::memset(static_cast<uint8_t*>(moved) + oldSize, 0, newSize - oldSize);
  g_bytesInUse.fetch_add(newSize, std::memory_order_relaxed);
  g_bytesInUse.fetch_sub(oldSize, std::memory_order_relaxed);
  return moved;
}

size_t HeapBytesInUse() {
  return g_bytesInUse.load(std::memory_order_relaxed);
}

void* AllocateInternalBlock(size_t size) {
  if (size > SIZE_MAX - 8) OutOfMemory();
  auto* block = static_cast<uint8_t*>(HeapAllocate(size + 8));
  put_le32(block, uint32_t(size));
  put_le32(block + 4, kBlockGuard);
  return block + 8;
}

void FreeInternalBlock(void* block) {
  if (!block) return;
  uint8_t* start = static_cast<uint8_t*>(block) - 8;
  if (le32(start + 4) != kBlockGuard) {
    InternalAssertion(kBlockGuardDamaged);
    return;
  }
  put_le32(start + 4, kFreedGuard);
  HeapFree(start, size_t(le32(start)) + 8);
}

}  // namespace tess
