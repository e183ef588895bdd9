// Thread, Semaphore and CriticalSection: thin framework classes over the host
// layer's threads, semaphores and critical sections.
//
// Thread (36 bytes): {header, two runtime words, running mark, thread id,
// stack size}. The running mark is set by Run before the host thread is
// created and cleared by the thread's procedure once its Run event has
// returned, just before it lets go of the reference Run took, so a Run or a
// StackSize change that sees the mark clear never meets a thread still
// using the object. Semaphore (28 bytes): {header, semaphore handle, unused},
// a binary semaphore. CriticalSection (48 bytes): {header, critical section}.
#pragma once

#include <cstdint>

#include "runtime/object_layout.h"

namespace tess {

// The stack size a thread reports, and is given, when none is set.
inline constexpr int32_t kDefaultThreadStackSize = 0xE2000;

struct ThreadFields {
  ObjectHeader header;
  uint32_t runtime[2];
  uint32_t running;
  uint32_t threadId;
  int32_t stackSize;
};

// Builds and registers the three classes; later calls do nothing.
void InitThreadClasses();

ClassObject* ThreadClass();
ClassObject* SemaphoreClass();
ClassObject* CriticalSectionClass();

// Blocks until no thread started by threadRun is running (tests, shutdown).
void WaitForThreads();

}  // namespace tess
