// The one road by which runtime code raises the language's own exceptions:
// a new exception object of the error's framework class, thrown as a
// LanguageException for the enclosing entry point to raise into compiled
// code. Before the exception classes exist a failure is reported through
// the internal assertion instead, so none passes silently.
#pragma once

namespace tess {

enum class RuntimeError {
  kNilObject,
  kIllegalCast,
  kOutOfBounds,
  kOutOfMemory,
  kKeyNotFound,
  kTypeMismatch,
  kStackOverflow,
  kEnd,
};

[[noreturn]] void Raise(RuntimeError error);

}  // namespace tess
