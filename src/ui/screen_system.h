// The desktop as applications see it: Screen objects, the System object,
// the Keyboard object, mouse cursors (with project item kind 9), the
// classic colours, installed fonts, the mouse and the colour dialog.
#pragma once

#include <cstdint>
#include <span>

#include "tessera/types.h"

namespace tess::ui {

// Registers Screen, Sys$System, Sys$Keyboard and MouseCursor and the
// builder of cursor project items; later calls do nothing.
void InitScreenAndSystem();

// Project item kind 9: {u32 kind, u32 byte count, u16 hot spot x, u16 hot
// spot y, a picture file (BMP, PNG, JPEG or GIF) of at most 256 x 256}.
// Pixels with alpha below 128 are transparent, the others black or white
// by their brightness. Nil for anything else.
TessObject* BuildCursorFromItem(std::span<const uint8_t> item);

// The two halves InitScreenAndSystem calls: Screen and Sys$System
// (screen_system.cpp), Sys$Keyboard and MouseCursor (keyboard_cursor.cpp).
void InitScreenAndSystemObjects();
void InitKeyboardAndCursors();

// Windows key code for a classic key code (AsyncKeyDown's), 0 if none.
int VirtualKeyForKeyCode(int32_t keyCode);

}  // namespace tess::ui
