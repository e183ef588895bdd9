#include "platform/kernel/memory.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

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

namespace tess::platform {

namespace {

// A pipe the kernel copies probed bytes into: writing from an unreadable
// address fails with EFAULT instead of faulting.
const int* ProbePipe() {
  static int fds[2] = {-1, -1};
  static std::once_flag once;
  std::call_once(once, [] {
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
  });
  return fds;
}

}  // namespace

void GetThreadStackBounds(uintptr_t* low, uintptr_t* high) {
  thread_local uintptr_t cachedLow = 0, cachedHigh = 0;
  if (cachedHigh == 0) {
    pthread_attr_t attr;
    void* base = nullptr;
    size_t size = 0;
    if (::pthread_getattr_np(::pthread_self(), &attr) == 0) {
      ::pthread_attr_getstack(&attr, &base, &size);
      ::pthread_attr_destroy(&attr);
    }
    cachedLow = reinterpret_cast<uintptr_t>(base);
    cachedHigh = cachedLow + size;
  }
  *low = cachedLow;
  *high = cachedHigh;
}

bool IsReadableMemory(const void* address, size_t size) {
  auto start = reinterpret_cast<uintptr_t>(address);
  if (start + size < start) return false;
  uintptr_t low, high;
  GetThreadStackBounds(&low, &high);
  if (start >= low && start + size <= high) return true;
  const int* fds = ProbePipe();
  if (fds[1] < 0) return false;
  ssize_t written = ::write(fds[1], address, size);
  if (written < 0) return errno != EFAULT;
  // Drain what the probe wrote so the pipe never fills.
  char sink[64];
  while (::read(fds[0], sink, sizeof sink) > 0) {
  }
  return size_t(written) == size;
}

}  // namespace tess::platform
