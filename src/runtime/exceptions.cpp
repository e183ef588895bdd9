#include "runtime/exceptions.h"

#include <csetjmp>
#include <cstring>

#include "base/byte_order.h"
#include "platform/kernel/memory.h"
#include "platform/kernel/process.h"
#include "runtime/alerts.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

extern "C" {
// exception_stubs.S
[[noreturn]] void tessJumpToHandler(uintptr_t frameBase, uintptr_t code);
#if defined(__SANITIZE_ADDRESS__)
// Forgets the instrumentation of the frames a jump abandons.
void __asan_handle_no_return();
#endif
uint32_t tessCallWords(const void* code, const uint32_t* words, uint32_t count);
}

namespace tess {

namespace {

constexpr uint32_t kMaxFrameGap = 0x1000;
constexpr uint8_t kShortJump = 0xEB, kNop = 0x90;
constexpr uint8_t kItemEnd = 0, kItemString = 1, kItemObject = 2, kItemInHandler = 7;
constexpr uint8_t kTrailerEnd = 0, kTrailerHandler = 4, kTrailerString = 5, kTrailerObject = 6;
constexpr uint32_t kMessageOffset = 24;

struct Barrier {
  std::jmp_buf jump;
  uintptr_t frame;
  Barrier* outer;
  TessObject* volatile exception;
  volatile bool unhandled;
};

thread_local Barrier* t_innermost = nullptr;
thread_local uintptr_t t_stackLimit = 0;
const uint8_t* g_codeStart = nullptr;
uint32_t g_codeSize = 0;
UnhandledHandler g_unhandled = nullptr;
ExceptionClasses g_exceptions{};

bool InCode(uintptr_t address, uint32_t size) {
  auto start = reinterpret_cast<uintptr_t>(g_codeStart);
  return g_codeStart && address >= start && address - start <= g_codeSize &&
         size <= g_codeSize - (address - start);
}

uint32_t Word(uintptr_t address) {
  return le32(reinterpret_cast<const uint8_t*>(address));
}
uint8_t Byte(uintptr_t address) {
  return *reinterpret_cast<const uint8_t*>(address);
}

// Releases a string or object in a slot and clears it. A destruction routine
// that raises while the walk releases locals cannot take part in this raise;
// its exception is dropped.
void ReleaseSlot(uintptr_t slot, bool isObject) {
  if (!platform::IsReadableMemory(reinterpret_cast<void*>(slot), 4)) return;
  auto* cell = reinterpret_cast<void**>(slot);
  void* value = *cell;
  *cell = nullptr;
  try {
    if (isObject) {
      UnlockObject(static_cast<TessObject*>(value));
    } else {
      UnlockString(static_cast<TessString*>(value));
    }
  } catch (LanguageException&) {
  }
}

[[noreturn]] void JumpToBarrier(Barrier* barrier, TessObject* exception, bool unhandled) {
  barrier->exception = exception;
  barrier->unhandled = unhandled;
  std::longjmp(barrier->jump, 1);
}

// Processes the compiled frame whose call returns to `r`: the call's
// clean-up list against the callee's argument area (f + 8), then the
// routine's trailer against its frame base `c`. Jumps into a handler that
// takes the exception; returns when none does.
void ProcessCompiledFrame(TessObject* exception, uintptr_t f, uintptr_t c, uintptr_t r) {
  bool insideHandler = false;
  uintptr_t p = r + 3;
  for (;;) {
    if (!InCode(p, 2)) return;
    uint8_t kind = Byte(p + 1);
    if (kind == kItemEnd) {
      p += 2;
      break;
    }
    if (kind == kItemString || kind == kItemObject) {
      if (!InCode(p, 4)) return;
      ReleaseSlot(f + 8 + Byte(p + 3), kind == kItemObject);
      p += 4;
    } else if (kind == kItemInHandler) {
      insideHandler = true;
      p += 2;
    } else {
      InternalAssertion(kUnknownCleanupItem);
      p += 2;
    }
  }

  // The routine's trailer follows its one "leave; ret" (C9 C3 2F).
  uintptr_t end = reinterpret_cast<uintptr_t>(g_codeStart) + g_codeSize;
  uintptr_t q = p;
  while (q + 3 <= end && !(Byte(q) == 0xC9 && Byte(q + 1) == 0xC3 && Byte(q + 2) == 0x2F)) ++q;
  if (q + 3 > end) return;
  q += 3;
  auto* slot = reinterpret_cast<TessObject**>(c - 4);
  while (q < end) {
    uint8_t kind = Byte(q);
    if (kind == kTrailerEnd) break;
    const auto* at = reinterpret_cast<const uint8_t*>(q);
    if (kind == kTrailerHandler) {
      if (q + 7 > end) break;
      int16_t classIndex = int16_t(be16(at + 1));
      uintptr_t code = (q + 3) + uintptr_t(int32_t(be32(at + 3)));
      q += 7;
      if (insideHandler || !IsA(exception, ClassAt(classIndex))) continue;
      LockObject(exception);
      *slot = exception;
      // The handler's slot holds the exception now; the raise lets go.
      UnlockObject(exception);
#if defined(__SANITIZE_ADDRESS__)
      __asan_handle_no_return();
#endif
      tessJumpToHandler(c, code);
    } else if (kind == kTrailerString || kind == kTrailerObject) {
      if (q + 3 > end) break;
      ReleaseSlot(c + uintptr_t(int32_t(int16_t(be16(at + 1)))), kind == kTrailerObject);
      q += 3;
    } else {
      q += 1;
    }
  }
  if (platform::IsReadableMemory(slot, 4)) *slot = nullptr;
}

// Walks the frames from `f` upward. Runs no destructors of its own and
// leaves by a jump: into a handler, back to a barrier, or into the
// unhandled path.
[[noreturn]] void Walk(TessObject* exception, uintptr_t f, bool unhandled) {
  while (!unhandled) {
    if (!platform::IsReadableMemory(reinterpret_cast<void*>(f), 12)) break;
    uintptr_t c = Word(f), r = Word(f + 4);
    if (Barrier* b = t_innermost; b && c >= b->frame) JumpToBarrier(b, exception, false);
    if (InCode(r, 3) && Byte(r) == kShortJump && Byte(r + 2) == kNop) {
      ProcessCompiledFrame(exception, f, c, r);
    }
    if (c == 0 || c < f || c - f > kMaxFrameGap) break;
    f = c;
  }
  if (Barrier* b = t_innermost) JumpToBarrier(b, exception, true);
  LanguageException e(exception, true);
  HandleUnhandled(e);
  platform::ExitProcess(0);
}

TessObject* NewException(ClassObject* cls, const char* message) {
  TessObject* e = CreateObject(cls);
  if (message) {
    *reinterpret_cast<TessString**>(reinterpret_cast<uint8_t*>(e) + kMessageOffset) =
        MakeString(message);
  }
  return e;
}

}  // namespace

LanguageException::LanguageException(LanguageException&& other) noexcept
    : exception_(other.exception_), unhandled_(other.unhandled_) {
  other.exception_ = nullptr;
}

LanguageException::~LanguageException() {
  if (!exception_) return;
  try {
    UnlockObject(exception_);
  } catch (LanguageException&) {
    // An exception raised while destroying an exception has nowhere to go.
  }
}

TessObject* LanguageException::Release() {
  TessObject* e = exception_;
  exception_ = nullptr;
  return e;
}

void ThrowNew(ClassObject* cls, const char* message) {
  throw LanguageException(NewException(cls, message));
}

__attribute__((noinline)) void RaiseIntoCompiledCode(TessObject* exception, bool unhandled) {
  Walk(exception, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)), unhandled);
}

__attribute__((noinline)) uint32_t CallCompiled(const void* code, std::span<const uint32_t> args) {
  Barrier barrier;
  barrier.frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  barrier.outer = t_innermost;
  barrier.exception = nullptr;
  barrier.unhandled = false;
  t_innermost = &barrier;
  if (setjmp(barrier.jump) == 0) {
    uint32_t result = tessCallWords(code, args.data(), uint32_t(args.size()));
    t_innermost = barrier.outer;
    return result;
  }
  t_innermost = barrier.outer;
  throw LanguageException(barrier.exception, barrier.unhandled);
}

void SetStackLimit(uintptr_t limit) {
  t_stackLimit = limit;
}
uintptr_t StackLimit() {
  return t_stackLimit;
}

__attribute__((noinline)) void InitStackChecker(uint32_t size) {
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  uint32_t reach = size > 16384 ? size - 16384 : 0;
  t_stackLimit = here > reach ? here - reach : 0;
}

void SetUnhandledHandler(UnhandledHandler handler) {
  g_unhandled = handler;
}

void HandleUnhandled(LanguageException& e) {
  if (g_unhandled) {
    g_unhandled(e);
    return;
  }
  ShowRuntimeMessage("An exception was not handled.");
  platform::ExitProcess(0);
}

void SetCompiledCodeRange(const uint8_t* start, uint32_t size) {
  g_codeStart = start;
  g_codeSize = size;
}

ExceptionClasses& Exceptions() {
  return g_exceptions;
}

}  // namespace tess

extern "C" {

__attribute__((noinline)) void RuntimeRaiseException(TessObject* exception) {
  if (!exception)
    exception = tess::NewException(tess::g_exceptions.nilObject, nullptr);
  else
    tess::LockObject(exception);
  tess::Walk(exception, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)), false);
}

__attribute__((noinline)) void RuntimeReraiseException(TessObject* exception) {
  if (!exception)
    exception = tess::NewException(tess::g_exceptions.nilObject, nullptr);
  else
    tess::LockObject(exception);
  tess::Walk(exception, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)), false);
}

__attribute__((noinline)) void RuntimeNilObject() {
  TessObject* e = tess::NewException(tess::g_exceptions.nilObject, nullptr);
  tess::Walk(e, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)), false);
}

__attribute__((noinline)) void RuntimeStackCheck() {
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (here >= tess::t_stackLimit) return;
  TessObject* e = tess::NewException(tess::g_exceptions.stackOverflow, nullptr);
  tess::Walk(e, here, false);
}

void TessInitStackChecker(uint32_t size) {
  tess::InitStackChecker(size);
}
uintptr_t TessGetStackLimit() {
  return tess::t_stackLimit;
}
void TessSetStackLimit(uintptr_t limit) {
  tess::t_stackLimit = limit;
}

}  // extern "C"
