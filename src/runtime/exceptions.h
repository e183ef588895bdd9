// Raising language exceptions, across compiled frames and the runtime's own.
//
// Compiled frames are walked by hand: call markers after calls that may
// raise, clean-up lists, frame trailers with handlers and locals. Runtime
// (C++) frames are never walked over with live state in them. Two
// boundaries keep it so:
//  * An entry point whose C++ code raises throws a LanguageException; C++
//    unwinding runs destructors and releases locks up to the entry point,
//    which then raises into compiled code from its own, now empty, frame.
//  * Where the runtime calls compiled code (events, routines, the image's
//    entry), CallCompiled sets a barrier. A walk that reaches a barrier
//    without finding a handler jumps back to it, and the barrier rethrows
//    as a LanguageException in its C++ caller.
// The run loop catches what reaches it and runs the unhandled path.
//
// References: a raise owns one reference to the exception for as long as it
// travels (a LanguageException holds it); storing the exception into a
// handler's slot takes a second one, which the handler's trailer releases;
// the raise's own reference is dropped once the handler has the exception.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "runtime/object_layout.h"

namespace tess {

class LanguageException {
 public:
  // Takes over one reference to `exception`.
  explicit LanguageException(TessObject* exception, bool unhandled = false)
      : exception_(exception), unhandled_(unhandled) {}
  LanguageException(LanguageException&& other) noexcept;
  LanguageException(const LanguageException&) = delete;
  ~LanguageException();
  TessObject* exception() const { return exception_; }
  // The walk already ended without a handler: no compiled handler may take it.
  bool unhandled() const { return unhandled_; }
  TessObject* Release();

 private:
  TessObject* exception_;
  bool unhandled_;
};

// Throws a new exception of `cls` from runtime code (inside an entry point).
[[noreturn]] void ThrowNew(ClassObject* cls, const char* message = nullptr);

// Raises `exception` (one reference adopted) into compiled code from the
// caller's frame; does not return.
[[noreturn]] void RaiseIntoCompiledCode(TessObject* exception, bool unhandled);

// Runs `body` as an entry point: a LanguageException thrown inside is raised
// into the compiled caller once every C++ frame of the body has unwound.
template <typename F>
auto AtEntry(F&& body) -> decltype(body()) {
  TessObject* raised = nullptr;
  bool unhandled = false;
  try {
    return body();
  } catch (LanguageException& e) {
    unhandled = e.unhandled();
    raised = e.Release();
  }
  RaiseIntoCompiledCode(raised, unhandled);
}

// Calls compiled code at `code` with 32-bit arguments (cdecl) and returns
// EAX. A raise that finds no handler in the compiled frames above this call
// comes back out of it as a LanguageException.
uint32_t CallCompiled(const void* code, std::span<const uint32_t> args);
inline uint32_t CallCompiled(const void* code, std::initializer_list<uint32_t> args) {
  return CallCompiled(code, std::span<const uint32_t>(args.begin(), args.size()));
}

// The per-thread stack limit below which RuntimeStackCheck raises.
void SetStackLimit(uintptr_t limit);
uintptr_t StackLimit();
// Sets the limit `size` bytes below the caller's stack position, keeping
// 16 KB for the raise itself.
void InitStackChecker(uint32_t size);

// Where raises go once no compiled handler or barrier takes them: installed
// by start-up (fires UnhandledException, shows the message, ends the run).
using UnhandledHandler = void (*)(LanguageException& e);
void SetUnhandledHandler(UnhandledHandler handler);
void HandleUnhandled(LanguageException& e);

// The code segment of compiled code: return addresses inside it are compiled
// frames, everything else is runtime or platform code.
void SetCompiledCodeRange(const uint8_t* start, uint32_t size);

// The framework exception classes, set once they are built.
struct ExceptionClasses {
  ClassObject* runtimeException;
  ClassObject* nilObject;
  ClassObject* illegalCast;
  ClassObject* outOfBounds;
  ClassObject* outOfMemory;
  ClassObject* keyNotFound;
  ClassObject* typeMismatch;
  ClassObject* stackOverflow;
  ClassObject* end;
};
ExceptionClasses& Exceptions();

}  // namespace tess
