// Whether runtime code may run on more than one thread at a time.
//
// The runtime starts single-threaded, and its shared state (object reference
// counts, the live-object list) is then touched with plain reads and writes.
// Before the first thread other than the main one runs runtime code, the
// layer that starts it calls BeginThreaded: from then on, for the rest of the
// process, counts change atomically and the live-object list is locked. The
// switch happens on the starting thread before the new thread exists, so
// every thread sees it; a single-threaded application never pays for it.
#pragma once

#include <atomic>

namespace tess {

namespace detail {
extern std::atomic<bool> g_threaded;
}

inline bool Threaded() {
  return detail::g_threaded.load(std::memory_order_relaxed);
}

// Called before starting a thread that may run runtime code; idempotent.
void BeginThreaded();

// Threads started for the application (Thread.Run) mark themselves; the run
// loop's background work, which belongs to the main thread, skips them.
namespace detail {
extern thread_local bool t_worker;
}
inline void MarkWorkerThread() {
  detail::t_worker = true;
}
inline bool OnWorkerThread() {
  return detail::t_worker;
}

}  // namespace tess
