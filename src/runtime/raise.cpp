#include "runtime/raise.h"

#include "platform/kernel/process.h"
#include "runtime/alerts.h"
#include "runtime/exceptions.h"

namespace tess {

void Raise(RuntimeError error) {
  const ExceptionClasses& e = Exceptions();
  ClassObject* cls = nullptr;
  switch (error) {
    case RuntimeError::kNilObject:
      cls = e.nilObject;
      break;
    case RuntimeError::kIllegalCast:
      cls = e.illegalCast;
      break;
    case RuntimeError::kOutOfBounds:
      cls = e.outOfBounds;
      break;
    case RuntimeError::kOutOfMemory:
      cls = e.outOfMemory;
      break;
    case RuntimeError::kKeyNotFound:
      cls = e.keyNotFound;
      break;
    case RuntimeError::kTypeMismatch:
      cls = e.typeMismatch;
      break;
    case RuntimeError::kStackOverflow:
      cls = e.stackOverflow;
      break;
    case RuntimeError::kEnd:
      cls = e.end;
      break;
  }
  if (cls) ThrowNew(cls);
  InternalAssertion(kFailedCheck, kSourceObjects, kRaiseWithoutClassesLine + int(error));
  platform::ExitProcess(0);
}

}  // namespace tess
