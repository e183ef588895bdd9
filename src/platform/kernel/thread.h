// Threads and synchronisation objects, shaped like the platform's own:
// CreateThread, WaitForSingleObject, semaphores, events, mutexes (named ones
// shared between processes) and critical sections.
//
// A HANDLE names one waitable kernel object and is closed once with
// CloseHandle. A thread handle is signalled when its procedure has
// returned; closing it does not stop the thread. Critical sections live in
// the caller's memory (an object's fields) and are re-entrant; the other
// objects are reference-counted so that a wait in progress keeps its object
// alive across a CloseHandle on another thread.
#pragma once

#include <cstdint>

#include "platform/windef.h"

namespace tess::platform {

// Any kernel object, as on the platform; the kind is checked on use.
using HANDLE = void*;

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// The stack a thread gets when its creator asks for 0 bytes.
inline constexpr DWORD kDefaultThreadStackSize = 0x100000;

using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);

// Starts `start(parameter)` on a new thread with at least `stackSize` bytes
// of stack (0: the default; sizes are rounded up to 64 KB). `attributes`
// and `flags` must be null and 0. The new thread's id goes to *threadId
// when given. Null on failure (GetLastError says why).
HANDLE CreateThread(const void* attributes, DWORD stackSize, LPTHREAD_START_ROUTINE start,
                    void* parameter, DWORD flags, DWORD* threadId);
DWORD GetCurrentThreadId();
// The lowest and highest addresses of the calling thread's stack.
void GetCurrentThreadStackLimits(uintptr_t* low, uintptr_t* high);
// The exit code of a finished thread; false while it runs.
BOOL GetExitCodeThread(HANDLE thread, DWORD* code);

// Semaphores: a count between 0 and `maximum`; a wait takes one.
HANDLE CreateSemaphore(const void* attributes, LONG initial, LONG maximum, const char* name);
// False (and nothing changed) when the count would pass the maximum.
BOOL ReleaseSemaphore(HANDLE semaphore, LONG count, LONG* previous);

// Events: manual-reset events stay signalled until reset; auto-reset events
// let one waiter through per SetEvent.
HANDLE CreateEvent(const void* attributes, BOOL manualReset, BOOL initialState, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Mutexes. A named mutex is shared with every process of the same user that
// names it; when it existed already the handle is returned unowned and
// GetLastError() is ERROR_ALREADY_EXISTS.
HANDLE CreateMutex(const void* attributes, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);

// WAIT_OBJECT_0 once the object is signalled (and taken, for semaphores,
// auto-reset events and mutexes), WAIT_TIMEOUT after `milliseconds`,
// WAIT_FAILED for a null handle.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

// A re-entrant lock in the caller's memory, as large as on the platform
// (24 bytes in the 32-bit build).
struct alignas(sizeof(void*)) CRITICAL_SECTION {
  uint8_t opaque[sizeof(void*) == 4 ? 24 : 40];
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

void Sleep(DWORD milliseconds);

}  // namespace tess::platform
