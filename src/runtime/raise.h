// The one road by which the object runtime raises language exceptions into
// compiled code. Raising needs the unwinder over compiled frames; until it
// is installed the failure is reported through the internal assertion, so no
// failed cast or nil dereference passes silently.
#pragma once

namespace tess {

enum class RuntimeError { kNilObject, kIllegalCast };

// Installed by the exception machinery; returns only when nothing catches.
using Raiser = void (*)(RuntimeError error);
void SetRaiser(Raiser raiser);

void Raise(RuntimeError error);

}  // namespace tess
