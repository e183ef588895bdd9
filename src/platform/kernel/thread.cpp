// Threads and the waitable objects over POSIX threads. Every waitable object
// is one KernelObject: a mutex and condition variable guard its state, and a
// wait sleeps on the condition until the object's kind says it is signalled.
// Thread ids are small numbers handed out in order, the first to the first
// thread that asks; a new thread's id is fixed before it starts so that its
// creator can return it.
#include "platform/kernel/thread.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace tess::platform {

enum class Kind { kThread, kSemaphore, kEvent, kMutex };

struct KernelObject {
  explicit KernelObject(Kind k) : kind(k) {}
  Kind kind;
  std::atomic<int> references{1};
  std::mutex lock;
  std::condition_variable changed;
  // Threads: finished, exit code. Semaphores: count, maximum. Events:
  // signalled, manual reset. Mutexes: owner thread id and recursion.
  bool signalled = false;
  bool manualReset = false;
  LONG count = 0;
  LONG maximum = 0;
  DWORD owner = 0;
  DWORD recursion = 0;
  DWORD exitCode = 0;
  // A named mutex also holds the lock file that other processes see.
  int lockFile = -1;
};

namespace {

// The object behind a handle, when it is one of `kind`.
KernelObject* As(HANDLE handle, Kind kind) {
  auto* object = static_cast<KernelObject*>(handle);
  return object && object->kind == kind ? object : nullptr;
}

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

void Release(KernelObject* object) {
  if (object->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (object->lockFile >= 0) ::close(object->lockFile);
  delete object;
}

struct ThreadStart {
  KernelObject* thread;
  LPTHREAD_START_ROUTINE start;
  void* parameter;
  DWORD id;
};

void* ThreadMain(void* argument) {
  ThreadStart begin = *static_cast<ThreadStart*>(argument);
  delete static_cast<ThreadStart*>(argument);
  t_threadId = begin.id;
  DWORD code = begin.start(begin.parameter);
  {
    std::lock_guard guard(begin.thread->lock);
    begin.thread->signalled = true;
    begin.thread->exitCode = code;
  }
  begin.thread->changed.notify_all();
  Release(begin.thread);
  return nullptr;
}

// Whether a wait on `object` may end now; takes the object when it does.
// Called with the object's lock held.
bool TryTake(KernelObject* object) {
  switch (object->kind) {
    case Kind::kThread:
      return object->signalled;
    case Kind::kSemaphore:
      if (object->count == 0) return false;
      --object->count;
      return true;
    case Kind::kEvent:
      if (!object->signalled) return false;
      if (!object->manualReset) object->signalled = false;
      return true;
    case Kind::kMutex:
      if (object->owner != 0 && object->owner != GetCurrentThreadId()) return false;
      object->owner = GetCurrentThreadId();
      ++object->recursion;
      return true;
  }
  return false;
}

// The lock file of a named mutex: one per name and user, in the runtime
// directory when there is one.
std::string LockFilePath(const char* name) {
  std::string folder;
  if (const char* runtime = ::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    folder = runtime;
  } else {
    folder = "/tmp";
  }
  std::string file = "tessera-mutex-" + std::to_string(::getuid()) + "-";
  for (const char* p = name; *p; ++p) {
    char c = *p;
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    file += plain ? c : '_';
  }
  return folder + "/" + file;
}

// A named mutex held by another process is polled: the lock file offers no
// wait with a time limit.
DWORD WaitForLockFile(KernelObject* object, DWORD milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (::flock(object->lockFile, LOCK_EX | LOCK_NB) == 0) return WAIT_OBJECT_0;
    if (milliseconds != INFINITE && std::chrono::steady_clock::now() >= deadline) {
      return WAIT_TIMEOUT;
    }
    Sleep(10);
  }
}

}  // namespace

DWORD GetCurrentThreadId() {
  if (!t_threadId) t_threadId = g_nextThreadId.fetch_add(1, std::memory_order_relaxed);
  return t_threadId;
}

HANDLE CreateThread(const void* attributes, DWORD stackSize, LPTHREAD_START_ROUTINE start,
                    void* parameter, DWORD flags, DWORD* threadId) {
  if (attributes || flags || !start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  constexpr DWORD kGranularity = 0x10000;
  DWORD size = stackSize == 0 ? kDefaultThreadStackSize : stackSize;
  if (size > 0x7FFF0000u) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  size = (size + kGranularity - 1) / kGranularity * kGranularity;

  auto* thread = new KernelObject(Kind::kThread);
  thread->references = 2;  // the handle and the running thread
  DWORD id = g_nextThreadId.fetch_add(1, std::memory_order_relaxed);
  auto* begin = new ThreadStart{thread, start, parameter, id};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, size);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t host;
  int error = pthread_create(&host, &attr, &ThreadMain, begin);
  pthread_attr_destroy(&attr);
  if (error != 0) {
    delete begin;
    delete thread;
    SetLastError(error == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (threadId) *threadId = id;
  return thread;
}

void GetCurrentThreadStackLimits(uintptr_t* low, uintptr_t* high) {
  pthread_attr_t attr;
  void* base = nullptr;
  size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstack(&attr, &base, &size);
    pthread_attr_destroy(&attr);
  }
  *low = reinterpret_cast<uintptr_t>(base);
  *high = *low + size;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* code) {
  KernelObject* thread = As(handle, Kind::kThread);
  if (!thread) return FALSE;
  std::lock_guard guard(thread->lock);
  if (!thread->signalled) return FALSE;
  *code = thread->exitCode;
  return TRUE;
}

HANDLE CreateSemaphore(const void* attributes, LONG initial, LONG maximum, const char* name) {
  if (attributes || name || maximum < 1 || initial < 0 || initial > maximum) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* semaphore = new KernelObject(Kind::kSemaphore);
  semaphore->count = initial;
  semaphore->maximum = maximum;
  return semaphore;
}

BOOL ReleaseSemaphore(HANDLE handle, LONG count, LONG* previous) {
  KernelObject* semaphore = As(handle, Kind::kSemaphore);
  if (!semaphore || count < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard guard(semaphore->lock);
    if (count > semaphore->maximum - semaphore->count) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (previous) *previous = semaphore->count;
    semaphore->count += count;
  }
  semaphore->changed.notify_all();
  return TRUE;
}

HANDLE CreateEvent(const void* attributes, BOOL manualReset, BOOL initialState, const char* name) {
  if (attributes || name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* event = new KernelObject(Kind::kEvent);
  event->manualReset = manualReset != FALSE;
  event->signalled = initialState != FALSE;
  return event;
}

BOOL SetEvent(HANDLE handle) {
  KernelObject* event = As(handle, Kind::kEvent);
  if (!event) return FALSE;
  {
    std::lock_guard guard(event->lock);
    event->signalled = true;
  }
  event->changed.notify_all();
  return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
  KernelObject* event = As(handle, Kind::kEvent);
  if (!event) return FALSE;
  std::lock_guard guard(event->lock);
  event->signalled = false;
  return TRUE;
}

HANDLE CreateMutex(const void* attributes, BOOL initialOwner, const char* name) {
  if (attributes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* mutex = new KernelObject(Kind::kMutex);
  SetLastError(ERROR_SUCCESS);
  if (name) {
    mutex->lockFile = ::open(LockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (mutex->lockFile < 0) {
      delete mutex;
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    // Another process holding it is what "already exists" means across
    // processes; the handle then starts unowned.
    if (::flock(mutex->lockFile, LOCK_EX | LOCK_NB) != 0) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return mutex;
    }
    if (!initialOwner) ::flock(mutex->lockFile, LOCK_UN);
  }
  if (initialOwner) {
    mutex->owner = GetCurrentThreadId();
    mutex->recursion = 1;
  }
  return mutex;
}

BOOL ReleaseMutex(HANDLE handle) {
  KernelObject* mutex = As(handle, Kind::kMutex);
  if (!mutex) return FALSE;
  {
    std::lock_guard guard(mutex->lock);
    if (mutex->owner != GetCurrentThreadId()) return FALSE;
    if (--mutex->recursion > 0) return TRUE;
    mutex->owner = 0;
    if (mutex->lockFile >= 0) ::flock(mutex->lockFile, LOCK_UN);
  }
  mutex->changed.notify_all();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto* object = static_cast<KernelObject*>(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  object->references.fetch_add(1, std::memory_order_relaxed);
  DWORD result = WAIT_OBJECT_0;
  {
    std::unique_lock guard(object->lock);
    bool firstTake = object->kind == Kind::kMutex && object->owner == 0;
    if (milliseconds == INFINITE) {
      object->changed.wait(guard, [object] { return TryTake(object); });
    } else if (!object->changed.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                         [object] { return TryTake(object); })) {
      result = WAIT_TIMEOUT;
    }
    // Taking a named mutex inside the process also takes it from the others.
    if (result == WAIT_OBJECT_0 && firstTake && object->lockFile >= 0 && object->recursion == 1) {
      result = WaitForLockFile(object, milliseconds);
      if (result != WAIT_OBJECT_0) {
        object->owner = 0;
        object->recursion = 0;
      }
    }
  }
  Release(object);
  return result;
}

BOOL CloseHandle(HANDLE handle) {
  if (!handle) return FALSE;
  Release(static_cast<KernelObject*>(handle));
  return TRUE;
}

// Critical sections: a lock word (0 free, 1 held, 2 held with waiters) that
// waiters sleep on with a futex, the owner's token and the recursion count.
// The owner re-enters without an atomic operation; an uncontended Enter and
// Leave cost one atomic each. The futex only puts waiters to sleep: every
// hand-over goes through the lock word's acquire and release, which is also
// what ThreadSanitizer follows.
namespace {

struct Section {
  std::atomic<int32_t> state;
  std::atomic<uintptr_t> owner;
  uint32_t recursion;
};
static_assert(sizeof(Section) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(Section) <= alignof(CRITICAL_SECTION));

Section* SectionOf(CRITICAL_SECTION* section) {
  return reinterpret_cast<Section*>(section->opaque);
}

// A token unique to each live thread: the address of a thread-local byte.
uintptr_t ThreadToken() {
  static thread_local char token;
  return reinterpret_cast<uintptr_t>(&token);
}

void FutexWait(std::atomic<int32_t>* word, int32_t expected) {
  ::syscall(SYS_futex, reinterpret_cast<int32_t*>(word), FUTEX_WAIT_PRIVATE, expected, nullptr,
            nullptr, 0);
}
void FutexWakeOne(std::atomic<int32_t>* word) {
  ::syscall(SYS_futex, reinterpret_cast<int32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr,
            0);
}

void Take(Section* s, uintptr_t self) {
  int32_t seen = 0;
  if (!s->state.compare_exchange_strong(seen, 1, std::memory_order_acquire)) {
    if (seen != 2) seen = s->state.exchange(2, std::memory_order_acquire);
    while (seen != 0) {
      FutexWait(&s->state, 2);
      seen = s->state.exchange(2, std::memory_order_acquire);
    }
  }
  s->owner.store(self, std::memory_order_relaxed);
  s->recursion = 1;
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  new (section->opaque) Section{{0}, {0}, 0};
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  SectionOf(section)->~Section();
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
  Section* s = SectionOf(section);
  uintptr_t self = ThreadToken();
  if (s->owner.load(std::memory_order_relaxed) == self) {
    ++s->recursion;
    return;
  }
  Take(s, self);
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
  Section* s = SectionOf(section);
  uintptr_t self = ThreadToken();
  if (s->owner.load(std::memory_order_relaxed) == self) {
    ++s->recursion;
    return TRUE;
  }
  int32_t free = 0;
  if (!s->state.compare_exchange_strong(free, 1, std::memory_order_acquire)) return FALSE;
  s->owner.store(self, std::memory_order_relaxed);
  s->recursion = 1;
  return TRUE;
}

// Leaving a section the caller does not hold is the caller's fault, as on
// the platform; it is ignored rather than corrupting the owner's state.
void LeaveCriticalSection(CRITICAL_SECTION* section) {
  Section* s = SectionOf(section);
  if (s->owner.load(std::memory_order_relaxed) != ThreadToken()) return;
  if (--s->recursion > 0) return;
  s->owner.store(0, std::memory_order_relaxed);
  if (s->state.exchange(0, std::memory_order_release) == 2) FutexWakeOne(&s->state);
}

void Sleep(DWORD milliseconds) {
  timespec delay{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

}  // namespace tess::platform
