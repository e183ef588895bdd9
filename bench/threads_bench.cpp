// Threads and critical sections against the C++ library's own: a Thread
// object started with Run and waited for against std::thread created and
// joined, the host layer's CreateThread against the same, a million
// CriticalSection Enter/Leave pairs against std::recursive_mutex, and what
// switching the runtime to its threaded mode costs object and string
// reference counts (measured before and after the first thread starts).
//
// Usage: threads_bench [repetitions]
#include <cstdlib>
#include <mutex>
#include <thread>

#include "bench_support.h"
#include "files/file_classes.h"
#include "platform/kernel/thread.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "threads/threads.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

volatile uint32_t g_sink;

uint32_t Touch(TessObject*) {
  g_sink = g_sink + 1;
  return 0;
}

tess::ClassObject* ThreadClassWithRun() {
  static tess::ClassObject* cls = [] {
    auto* hook = static_cast<tess::HookDescriptor*>(
        tess::AllocateInternalBlock(sizeof(tess::HookDescriptor)));
    hook->name = tess::MakeString("Run");
    hook->code = reinterpret_cast<void*>(&Touch);
    auto* c =
        static_cast<tess::ClassObject*>(tess::AllocateInternalBlock(sizeof(tess::ClassObject)));
    c->superclass = tess::ThreadClass();
    c->instanceSize = tess::ThreadClass()->instanceSize;
    c->hooks = hook;
    return c;
  }();
  return cls;
}

void ThreadsAgainstStdThread(int repetitions) {
  constexpr int kThreads = 200;
  double ours = MedianSeconds(repetitions, [] {
    for (int i = 0; i < kThreads; ++i) {
      TessObject* thread = tess::CreateObject(ThreadClassWithRun());
      threadRun(thread);
      tess::WaitForThreads();
      RuntimeUnlockObject(thread);
    }
  });
  double host = MedianSeconds(repetitions, [] {
    for (int i = 0; i < kThreads; ++i) {
      tess::platform::HANDLE thread = tess::platform::CreateThread(
          nullptr, 0,
          [](void*) -> tess::platform::DWORD {
            g_sink = g_sink + 1;
            return 0;
          },
          nullptr, 0, nullptr);
      tess::platform::WaitForSingleObject(thread, tess::platform::INFINITE);
      tess::platform::CloseHandle(thread);
    }
  });
  double theirs = MedianSeconds(repetitions, [] {
    for (int i = 0; i < kThreads; ++i) {
      std::thread thread([] { g_sink = g_sink + 1; });
      thread.join();
    }
  });
  PrintRatio("200 Thread.Run, each waited for", ours, "std::thread + join", theirs);
  PrintRatio("200 CreateThread + WaitForSingleObject", host, "std::thread + join", theirs);
}

void CriticalSectionAgainstRecursiveMutex(int repetitions) {
  constexpr int kPairs = 1000000;
  TessObject* section = tess::CreateObject(tess::CriticalSectionClass());
  double ours = MedianSeconds(repetitions, [section] {
    for (int i = 0; i < kPairs; ++i) {
      criticalsection_enter(section);
      criticalsection_leave(section);
    }
  });
  std::recursive_mutex mutex;
  double theirs = MedianSeconds(repetitions, [&mutex] {
    for (int i = 0; i < kPairs; ++i) {
      mutex.lock();
      mutex.unlock();
    }
  });
  tess::platform::CRITICAL_SECTION host;
  tess::platform::InitializeCriticalSection(&host);
  double hostSeconds = MedianSeconds(repetitions, [&host] {
    for (int i = 0; i < kPairs; ++i) {
      tess::platform::EnterCriticalSection(&host);
      tess::platform::LeaveCriticalSection(&host);
    }
  });
  tess::platform::DeleteCriticalSection(&host);
  RuntimeUnlockObject(section);
  PrintRatio("1,000,000 CriticalSection Enter + Leave", ours, "std::recursive_mutex", theirs);
  PrintRatio("1,000,000 host Enter/LeaveCriticalSection", hostSeconds, "std::recursive_mutex",
             theirs);
}

// Object and string lock/unlock pairs, the operations threaded mode makes
// atomic; call once before and once after the first thread.
double CountChanges(int repetitions) {
  constexpr int kPairs = 1000000;
  tess::ClassObject cls{};
  cls.superclass = tess::RootClass();
  cls.instanceSize = 20;
  TessObject* object = tess::CreateObject(&cls);
  TessString* text = tess::MakeString("shared");
  double seconds = MedianSeconds(repetitions, [object, text] {
    for (int i = 0; i < kPairs; ++i) {
      RuntimeLockObject(object);
      RuntimeUnlockObject(object);
      RuntimeLockString(text);
      RuntimeUnlockString(text);
    }
  });
  RuntimeUnlockObject(object);
  RuntimeUnlockString(text);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  tess::InitFrameworkValueAndFileClasses();
  tess::InitThreadClasses();
  double single = CountChanges(repetitions);
  CriticalSectionAgainstRecursiveMutex(repetitions);
  ThreadsAgainstStdThread(repetitions);
  double threaded = CountChanges(repetitions);
  PrintRatio("1,000,000 object + string lock/unlock", threaded, "the same before any thread",
             single);
  return 0;
}
