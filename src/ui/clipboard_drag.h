// The Clipboard and DragItem classes and the drops between the windows and
// controls of the application.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tessera/types.h"

namespace tess::ui {

// Registers Clipboard and DragItem; later calls do nothing.
void InitClipboardAndDrag();
void InitClipboardClass();
void InitDragItemClass();

// A bitmap picture as a device-independent bitmap (40-byte header, 32-bit
// rows bottom-up); empty for nil or a vector picture.
std::vector<uint8_t> DibFromPicture(TessObject* picture);
// A new picture from a 24- or 32-bit uncompressed DIB; nil when the bytes
// are not one or claim more than they hold.
TessObject* PictureFromDib(const uint8_t* bytes, size_t size);

}  // namespace tess::ui
