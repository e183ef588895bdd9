#include "threads/threads.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "platform/kernel/process.h"
#include "platform/kernel/thread.h"
#include "runtime/alerts.h"
#include "runtime/class_registry.h"
#include "runtime/concurrency.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

// Where a nil thread is reported, as compiled code's callers know it.
constexpr char kSourceApplication[] = "application";
constexpr AssertionSite kStackSizeOfNil{kFailedCheck, kSourceApplication, 3627};
constexpr AssertionSite kSetStackSizeOfNil{kFailedCheck, kSourceApplication, 3648};

// Room kept below a thread's stack limit for the raise of its overflow.
constexpr uintptr_t kStackReserve = 32 * 1024;

struct SemaphoreFields {
  ObjectHeader header;
  platform::HANDLE semaphore;
  uint32_t unused[2];
};

struct CriticalSectionFields {
  ObjectHeader header;
  platform::CRITICAL_SECTION section;
  uint8_t unused[8];
};

static_assert(offsetof(ThreadFields, running) == 24);
static_assert(offsetof(ThreadFields, threadId) == 28);
static_assert(offsetof(ThreadFields, stackSize) == 32);
static_assert(sizeof(ThreadFields) == 36);
static_assert(offsetof(SemaphoreFields, semaphore) == 16);
static_assert(sizeof(SemaphoreFields) == 28);
static_assert(sizeof(CriticalSectionFields) == 48);

ClassObject* g_thread = nullptr;
ClassObject* g_semaphore = nullptr;
ClassObject* g_criticalSection = nullptr;

// Threads started by threadRun and not finished yet.
struct Running {
  std::mutex lock;
  std::condition_variable none;
  int count = 0;
};
Running& RunningThreads() {
  static Running running;
  return running;
}

EventRecord g_threadEvents[] = {
    {0, "Run", nullptr, nullptr, 0, nullptr},
};

const PropertyRecord kThreadProperties[] = {
    {0, "StackSize", &kIntegerType, (void*)&ThreadGetStackSize, (void*)&ThreadSetStackSize, 0},
};

MethodRecord Method(const char* name, const TypeDescriptor* returnType, void* code) {
  return MethodRecord{name, returnType, nullptr, 0, {code}, {}};
}

const MethodRecord kThreadMethods[] = {
    Method("Run", nullptr, (void*)&threadRun),
    Method("ThreadID", &kIntegerType, (void*)&threadID),
};
const MethodRecord kSemaphoreMethods[] = {
    Method("Signal", nullptr, (void*)&semaphore_signal),
    Method("Release", nullptr, (void*)&semaphore_release),
};
const MethodRecord kCriticalSectionMethods[] = {
    Method("Enter", nullptr, (void*)&criticalsection_enter),
    Method("Leave", nullptr, (void*)&criticalsection_leave),
};

ThreadFields* ThreadOf(TessObject* o) {
  return reinterpret_cast<ThreadFields*>(o);
}

std::atomic_ref<uint32_t> RunningMark(TessObject* thread) {
  return std::atomic_ref<uint32_t>(ThreadOf(thread)->running);
}

template <typename Fields>
Fields* Checked(TessObject* o) {
  if (!o) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<Fields*>(o);
}

void SetThreadStackLimit() {
  uintptr_t low = 0, high = 0;
  platform::GetCurrentThreadStackLimits(&low, &high);
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  uintptr_t limit = low + kStackReserve;
  SetStackLimit(limit < here ? limit : here);
}

void Finished() {
  Running& r = RunningThreads();
  std::lock_guard guard(r.lock);
  if (--r.count == 0) r.none.notify_all();
}

// The thread's own procedure: its stack check, the Run event, then the
// reference threadRun took is let go.
platform::DWORD ThreadProcedure(void* parameter) {
  auto* thread = static_cast<TessObject*>(parameter);
  MarkWorkerThread();
  SetThreadStackLimit();
  try {
    FireEvent(thread, g_threadEvents[0].descriptor, {});
  } catch (LanguageException& e) {
    HandleUnhandled(e);
  }
  RunningMark(thread).store(0, std::memory_order_release);
  try {
    UnlockObject(thread);
  } catch (LanguageException& e) {
    HandleUnhandled(e);
  }
  Finished();
  return 0;
}

void StartThread(TessObject* thread) {
  ThreadFields* t = Checked<ThreadFields>(thread);
  uint32_t idle = 0;
  if (!RunningMark(thread).compare_exchange_strong(idle, 1, std::memory_order_acq_rel)) return;
  BeginThreaded();
  LockObject(thread);
  {
    Running& r = RunningThreads();
    std::lock_guard guard(r.lock);
    ++r.count;
  }
  platform::DWORD id = 0;
  platform::HANDLE handle =
      platform::CreateThread(nullptr, platform::DWORD(t->stackSize < 0 ? 0 : t->stackSize),
                             &ThreadProcedure, thread, 0, &id);
  if (!handle) {
    // The host refused: nothing runs, so nothing may stay marked or held.
    platform::OutputDebugString("Thread.Run: the host could not start a thread\n");
    RunningMark(thread).store(0, std::memory_order_release);
    Finished();
    UnlockObject(thread);
    return;
  }
  t->threadId = id;
  platform::CloseHandle(handle);
}

int32_t EffectiveStackSize(int32_t size) {
  return size <= 0 ? kDefaultThreadStackSize : size;
}

ClassObject* ThreadAlreadyRunning() {
  static ClassObject* cls = FindClassByName("ThreadAlreadyRunningException");
  return cls;
}

}  // namespace

void InitThreadClasses() {
  if (g_thread) return;
  FrameworkClassDef thread{};
  thread.name = "Thread";
  thread.instanceSize = sizeof(ThreadFields);
  thread.properties = kThreadProperties;
  thread.methods = kThreadMethods;
  thread.events = g_threadEvents;
  g_thread = BuildFrameworkClass(thread);

  FrameworkClassDef semaphore{};
  semaphore.name = "Semaphore";
  semaphore.instanceSize = sizeof(SemaphoreFields);
  semaphore.construct = [](TessObject* o, ClassObject*) {
    reinterpret_cast<SemaphoreFields*>(o)->semaphore =
        platform::CreateSemaphore(nullptr, 1, 1, nullptr);
  };
  semaphore.destruct = [](TessObject* o, ClassObject*) {
    auto* s = reinterpret_cast<SemaphoreFields*>(o);
    platform::CloseHandle(s->semaphore);
    s->semaphore = nullptr;
  };
  semaphore.methods = kSemaphoreMethods;
  g_semaphore = BuildFrameworkClass(semaphore);

  FrameworkClassDef section{};
  section.name = "CriticalSection";
  section.instanceSize = sizeof(CriticalSectionFields);
  section.construct = [](TessObject* o, ClassObject*) {
    platform::InitializeCriticalSection(&reinterpret_cast<CriticalSectionFields*>(o)->section);
  };
  section.destruct = [](TessObject* o, ClassObject*) {
    platform::DeleteCriticalSection(&reinterpret_cast<CriticalSectionFields*>(o)->section);
  };
  section.methods = kCriticalSectionMethods;
  g_criticalSection = BuildFrameworkClass(section);
}

ClassObject* ThreadClass() {
  return g_thread;
}
ClassObject* SemaphoreClass() {
  return g_semaphore;
}
ClassObject* CriticalSectionClass() {
  return g_criticalSection;
}

void WaitForThreads() {
  Running& r = RunningThreads();
  std::unique_lock guard(r.lock);
  r.none.wait(guard, [&r] { return r.count == 0; });
}

}  // namespace tess

using tess::AtEntry;

extern "C" {

void threadRun(TessObject* thread) {
  AtEntry([thread] { tess::StartThread(thread); });
}

int32_t threadID(TessObject* thread) {
  return AtEntry([thread] { return int32_t(tess::Checked<tess::ThreadFields>(thread)->threadId); });
}

int32_t ThreadGetStackSize(TessObject* thread, uint32_t) {
  if (!thread) {
    tess::InternalAssertion(tess::kStackSizeOfNil);
    return 0;
  }
  return tess::EffectiveStackSize(tess::ThreadOf(thread)->stackSize);
}

void ThreadSetStackSize(TessObject* thread, uint32_t, int32_t size) {
  if (!thread) {
    tess::InternalAssertion(tess::kSetStackSizeOfNil);
    return;
  }
  AtEntry([thread, size] {
    if (tess::RunningMark(thread).load(std::memory_order_acquire) != 0) {
      tess::ThrowNew(tess::ThreadAlreadyRunning());
    }
    tess::ThreadOf(thread)->stackSize = tess::EffectiveStackSize(size);
  });
}

void semaphore_signal(TessObject* semaphore) {
  AtEntry([semaphore] {
    auto* s = tess::Checked<tess::SemaphoreFields>(semaphore);
    tess::platform::WaitForSingleObject(s->semaphore, tess::platform::INFINITE);
  });
}

void semaphore_release(TessObject* semaphore) {
  AtEntry([semaphore] {
    auto* s = tess::Checked<tess::SemaphoreFields>(semaphore);
    tess::platform::ReleaseSemaphore(s->semaphore, 1, nullptr);
  });
}

void criticalsection_enter(TessObject* section) {
  AtEntry([section] {
    tess::platform::EnterCriticalSection(
        &tess::Checked<tess::CriticalSectionFields>(section)->section);
  });
}

void criticalsection_leave(TessObject* section) {
  AtEntry([section] {
    tess::platform::LeaveCriticalSection(
        &tess::Checked<tess::CriticalSectionFields>(section)->section);
  });
}

}  // extern "C"
