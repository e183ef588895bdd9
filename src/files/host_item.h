// Items of the host's file system, named by drive-letter paths.
//
// Making an item from a path: a relative path is taken from the
// application's folder (the running executable's folder seen through the
// drive map) when asked to, else from the current directory; the path is
// then made full and canonical by the file system's rules (either
// separator, "." and "..", never above the drive's root), and a bad name
// makes no item. "C:" and "C:\" name the volume and are stored as "C:".
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "files/item.h"

namespace tess::files {

// Null with *error set (ERROR_INVALID_NAME, ...) when no item can be made.
std::unique_ptr<Item> MakeHostItem(std::string_view path, bool fromApplicationFolder,
                                   uint32_t* error);

// The running executable's folder, as a full path.
std::string ApplicationFolder();

}  // namespace tess::files
