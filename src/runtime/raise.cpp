#include "runtime/raise.h"

#include "image/alerts.h"

namespace tess {

namespace {
Raiser g_raiser = nullptr;
}  // namespace

void SetRaiser(Raiser raiser) {
  g_raiser = raiser;
}

void Raise(RuntimeError error) {
  if (g_raiser) {
    g_raiser(error);
    return;
  }
  InternalAssertion(131, 4, "objects", error == RuntimeError::kIllegalCast ? 601 : 602);
}

}  // namespace tess
