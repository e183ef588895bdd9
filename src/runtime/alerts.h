// What the runtime says to the user outside application code: the runtime
// message box (behind RuntimeMsgBox and the loader's failures) and the
// internal assertion dialog that reports broken consistency checks.
#pragma once

#include <string>
#include <string_view>

#include "runtime/assertions.h"

namespace tess {

// Shows `text` with an OK button, captioned with the application title.
void ShowRuntimeMessage(std::string_view text);

// The application title used as the runtime message box caption.
void SetApplicationTitle(std::string title);

// Reports a failed internal check (the codes, sources and fixed sites are
// named in assertions.h). OK continues after the check; Cancel ends the
// process with exit code 0. `source` may be null.
void InternalAssertion(AssertionCode code, const char* source, int line);
inline void InternalAssertion(const AssertionSite& site) {
  InternalAssertion(site.code, site.source, site.line);
}

// The assertion dialog text, formatted into the dialog's 256-byte buffer.
std::string FormatAssertion(int number, const char* file, int line);

}  // namespace tess
