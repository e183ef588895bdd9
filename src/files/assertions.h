// The file layer's sources of internal assertions (codes in
// runtime/assertions.h).
#pragma once

#include "runtime/assertions.h"

namespace tess::files {

// A FolderItemDialog shown without a kind: the base class used directly.
inline constexpr char kSourceFolderItemDialog[] = "FolderItemDialog";
inline constexpr AssertionSite kDialogWithoutKind{kFailedCheck, kSourceFolderItemDialog, 1};

}  // namespace tess::files
