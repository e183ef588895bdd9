// Host threads and waitable objects: thread ids and exit codes, stack sizes,
// semaphore counts, manual and auto-reset events, mutex recursion, named
// mutexes seen from a second handle, and re-entrant critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/kernel/thread.h"

namespace tess::platform {
namespace {

struct Seen {
  DWORD id = 0;
  uintptr_t low = 0, high = 0;
};

DWORD Report(void* parameter) {
  auto* seen = static_cast<Seen*>(parameter);
  seen->id = GetCurrentThreadId();
  GetCurrentThreadStackLimits(&seen->low, &seen->high);
  return 7;
}

TEST(KernelThreads, ThreadRunsWithItsIdStackAndExitCode) {
  struct Case {
    DWORD asked;
    DWORD atLeast;
  };
  for (const Case& c :
       {Case{0, kDefaultThreadStackSize}, Case{1, 0x10000}, Case{0x300000, 0x300000}}) {
    Seen seen;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, c.asked, &Report, &seen, 0, &id);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(seen.id, id);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_GE(seen.high - seen.low, c.atLeast) << c.asked;
    EXPECT_TRUE(CloseHandle(thread));
  }
  EXPECT_EQ(CreateThread(nullptr, 0, &Report, nullptr, 4, nullptr), nullptr) << "flags";
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(KernelThreads, SemaphoreCountsBetweenZeroAndItsMaximum) {
  HANDLE s = CreateSemaphore(nullptr, 1, 2, nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
  LONG previous = -1;
  EXPECT_TRUE(ReleaseSemaphore(s, 2, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_FALSE(ReleaseSemaphore(s, 1, nullptr)) << "past the maximum";
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
  EXPECT_EQ(CreateSemaphore(nullptr, 2, 1, nullptr), nullptr);
  CloseHandle(s);
}

TEST(KernelThreads, EventsResetByHandOrByTheWait) {
  HANDLE manual = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE automatic = CreateEvent(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  SetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0) << "stays signalled";
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT) << "one waiter per SetEvent";
  CloseHandle(manual);
  CloseHandle(automatic);
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
}

// Four threads bump a plain counter inside a critical section entered twice.
CRITICAL_SECTION g_section;
int g_counter = 0;
DWORD Bump(void*) {
  for (int i = 0; i < 20000; ++i) {
    EnterCriticalSection(&g_section);
    EnterCriticalSection(&g_section);
    ++g_counter;
    LeaveCriticalSection(&g_section);
    LeaveCriticalSection(&g_section);
  }
  return 0;
}

TEST(KernelThreads, CriticalSectionIsReentrantAndExclusive) {
  InitializeCriticalSection(&g_section);
  g_counter = 0;
  std::vector<HANDLE> threads;
  for (int i = 0; i < 4; ++i)
    threads.push_back(CreateThread(nullptr, 0, &Bump, nullptr, 0, nullptr));
  for (HANDLE t : threads) {
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    CloseHandle(t);
  }
  EXPECT_EQ(g_counter, 80000);
  EXPECT_TRUE(TryEnterCriticalSection(&g_section));
  LeaveCriticalSection(&g_section);
  DeleteCriticalSection(&g_section);
}

DWORD TryMutex(void* parameter) {
  return WaitForSingleObject(static_cast<HANDLE>(parameter), 0);
}

TEST(KernelThreads, MutexBelongsToOneThreadAtATime) {
  HANDLE m = CreateMutex(nullptr, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0) << "its owner enters again";
  HANDLE other = CreateThread(nullptr, 0, &TryMutex, m, 0, nullptr);
  WaitForSingleObject(other, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(other, &code);
  EXPECT_EQ(code, WAIT_TIMEOUT);
  CloseHandle(other);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m)) << "no longer owned";
  CloseHandle(m);
}

TEST(KernelThreads, NamedMutexIsSeenFromASecondHandle) {
  const char* name = "TESSERA TEST MUTEX";
  HANDLE first = CreateMutex(nullptr, TRUE, name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  HANDLE second = CreateMutex(nullptr, TRUE, name);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitForSingleObject(second, 30), WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_EQ(WaitForSingleObject(second, 2000), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(second));
  CloseHandle(first);
  CloseHandle(second);
}

}  // namespace
}  // namespace tess::platform
