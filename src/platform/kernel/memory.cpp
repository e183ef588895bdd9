#include "platform/kernel/memory.h"

#include <sys/mman.h>

namespace tess::platform {

namespace {
size_t Span(size_t size) {
  return size == 0 ? 1 : size;
}
}  // namespace

void* AllocateCodeMemory(size_t size) {
  void* p = ::mmap(nullptr, Span(size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void FreeCodeMemory(void* block, size_t size) {
  if (block) ::munmap(block, Span(size));
}

bool SetCodeWritable(void* block, size_t size) {
  return ::mprotect(block, Span(size), PROT_READ | PROT_WRITE) == 0;
}

bool SetCodeExecutable(void* block, size_t size) {
  return ::mprotect(block, Span(size), PROT_READ | PROT_EXEC) == 0;
}

}  // namespace tess::platform
