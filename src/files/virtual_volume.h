// The VirtualVolume framework class: a volume open on its host file, made by
// FolderItem's CreateVirtualVolume and OpenAsVirtualVolume and asked for by
// an item's VirtualVolume property. Its Root is a FolderItem for the root
// folder; the volume stays open while the object or any item or stream in
// it lives.
//
// A volume that cannot be made or opened gives nil, with the platform's
// error code in the FolderItem's LastErrorCode: ERROR_ACCESS_DENIED (5) for
// a locked file, ERROR_FILE_CORRUPT (1392) for a file that is no volume or
// a damaged one, ERROR_SHARING_VIOLATION (32) for a new volume over one
// that is open, else the host's code for its file.
#pragma once

#include <memory>

#include "runtime/object_layout.h"

namespace tess {

namespace files {
class OpenVolume;
}

struct VirtualVolumeObject {
  ObjectHeader header;
  std::shared_ptr<files::OpenVolume>* volume;  // owned; null: made without one
};

void InitVirtualVolumeClass();
ClassObject* VirtualVolumeClass();

// A VirtualVolume (count 1) for `volume`; null for null.
TessObject* NewVirtualVolume(std::shared_ptr<files::OpenVolume> volume);

}  // namespace tess
