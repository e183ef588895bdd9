// The FolderItem framework class: a file, folder or volume, named by an
// item (item.h) that the object owns.
//
// Failures: where the class defines the outcome (nil from the openers, 0 or
// False from a missing file's properties) that is it; besides, every
// operation leaves the platform's error code of what went wrong in the
// item's LastErrorCode, and 0 after a success, so no refusal (missing file,
// permission, sharing, disk full, bad name) passes for success. An item
// made from a bad name is nil from the functions and an empty FolderItem
// (every property 0, False or nil) from the constructors, with
// LastErrorCode 123 (ERROR_INVALID_NAME).
//
// An item may name an entry inside a virtual volume (volume_item.h); the
// members then answer from the volume, with the codes listed there.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "files/item.h"
#include "runtime/object_layout.h"

namespace tess {

struct FolderItemObject {
  ObjectHeader header;
  files::Item* item;  // owned; null: made without one
  int32_t lastError;  // LastErrorCode
};

#if defined(__i386__)
static_assert(offsetof(FolderItemObject, item) == 16);
static_assert(offsetof(FolderItemObject, lastError) == 20);
#endif

void InitFolderItemClass();
ClassObject* FolderItemClass();

// A FolderItem (count 1) for `item`; null for null.
TessObject* NewFolderItem(std::unique_ptr<files::Item> item);
// A FolderItem (count 1) for a document named on the command line: a host
// path, or one relative to the current directory.
TessObject* NewFolderItem(std::string_view documentPath);

// Whole-file access for the members that decode or encode a file at once
// (pictures, sounds, movies), through the item so they work inside virtual
// volumes too. False with the FolderItem's LastErrorCode set: the item's
// code, or 8 (not enough memory) for a file larger than `limit`.
bool ReadWholeItem(TessObject* folderItem, uint64_t limit, std::vector<uint8_t>* bytes);
bool WriteWholeItem(TessObject* folderItem, std::span<const uint8_t> bytes);

}  // namespace tess
