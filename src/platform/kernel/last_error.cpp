// The calling thread's last error, set by calls that fail with a plain
// result value.
#include "platform/windef.h"

namespace tess::platform {

namespace {
thread_local DWORD g_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
  return g_lastError;
}
void SetLastError(DWORD error) {
  g_lastError = error;
}

}  // namespace tess::platform
