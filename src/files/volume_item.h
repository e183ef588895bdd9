// Items inside a virtual volume: the folder tree of volume.h behind the same
// item interface as the host's files, so FolderItem and its streams work on
// them unchanged.
//
// A volume item names its entry by the names from the volume's root, as a
// host item names a file by its path, so an item for an entry not made yet
// can be asked and created. Its path reads as the host file's path followed
// by "/" and those names ("D:\v.vol/docs/a.txt"; the root is "D:\v.vol/").
// The root has the name "/" and no parent.
//
// The volume stays open, its host file held, while any item, stream or
// VirtualVolume object refers into it; the last to go closes it. Opening a
// host file that is open as a volume already gives that same volume, so two
// engines never write one file.
//
// Failures come back as the platform's error codes, the engine's texts
// mapped onto them: damage anywhere (a file that is no volume, a block, a
// chain or a folder found damaged) is ERROR_FILE_CORRUPT (1392); a second
// writer of one file ERROR_SHARING_VIOLATION; a volume opened read-only
// refuses writes with ERROR_WRITE_PROTECT; a folder moved between volumes or
// to the host's files ERROR_NOT_SAME_DEVICE; locking, hiding and launching
// ERROR_NOT_SUPPORTED.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "files/item.h"

namespace tess::files {

class OpenVolume;

// A new volume in the file `host` names (created or truncated), or the one
// it holds; null with *error set when that cannot be. *message gets the
// engine's text of the failure, if any.
std::shared_ptr<OpenVolume> CreateVolumeOn(Item& host, uint32_t* error, std::string* message);
std::shared_ptr<OpenVolume> OpenVolumeOn(Item& host, uint32_t* error, std::string* message);

std::unique_ptr<Item> VolumeRoot(const std::shared_ptr<OpenVolume>& volume);
// The volume an item lies in; null for the host's items.
std::shared_ptr<OpenVolume> VolumeOf(const Item& item);

// Copies or moves `source` to `destination` (into it under the same name
// when it is a folder) where either lies in a volume: files by their bytes,
// and within one volume a move relinks the entry (folders too).
uint32_t TransferItem(Item& source, const Item& destination, bool move);

}  // namespace tess::files
