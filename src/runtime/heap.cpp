#include "runtime/heap.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/byte_order.h"
#include "image/alerts.h"
#include "platform/kernel/process.h"

namespace tess {

namespace {
std::mutex g_heapLock;
size_t g_bytesInUse = 0;
}  // namespace

void OutOfMemory() {
  ShowRuntimeMessage("This application has run out of memory and must quit now.");
  platform::ExitProcess(0);
}

void* HeapAllocate(size_t size) {
  void* block = std::calloc(1, size == 0 ? 1 : size);
  if (!block) OutOfMemory();
  std::lock_guard<std::mutex> guard(g_heapLock);
  g_bytesInUse += size;
  return block;
}

void HeapFree(void* block, size_t size) {
  if (!block) return;
  std::free(block);
  std::lock_guard<std::mutex> guard(g_heapLock);
  g_bytesInUse -= size;
}

size_t HeapBytesInUse() {
  std::lock_guard<std::mutex> guard(g_heapLock);
  return g_bytesInUse;
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
    InternalAssertion(131, 4, "dump", 68);
    return;
  }
  put_le32(start + 4, kFreedGuard);
  HeapFree(start, size_t(le32(start)) + 8);
}

}  // namespace tess
