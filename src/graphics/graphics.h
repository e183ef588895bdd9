// The drawing context handed to Paint events and returned by the Graphics
// properties of windows, canvases and pictures, and what the window layer
// needs of pictures and vector shapes to draw them.
//
// A Graphics draws through one device context: a window's (its own
// context, so it stays valid while the window lives), a picture's memory
// context, or a printer page's. It adds its origin (the offset of the
// owning control inside the context) to every coordinate and draws only
// inside its area, so an application always draws in the control's own
// coordinates and never outside the control.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi/wingdi.h"
#include "platform/user/winuser.h"
#include "tessera/types.h"

namespace tess::graphics {

struct GraphicsTarget {
  platform::HDC dc = nullptr;
  // A window context: drawing stops once this window is gone.
  platform::HWND window = nullptr;
  // The control's offset inside the context, added to every coordinate.
  platform::POINT origin{};
  // Width and height of the drawing area, which starts at the origin.
  int32_t width = 0, height = 0;
  // What ClearRect fills with: the target's background.
  uint32_t background = 0xFFFFFF;
  // A vector picture (not counted): what is drawn becomes its shapes.
  TessObject* vectorPicture = nullptr;
  // The context came from GetDC for this Graphics alone: released with it.
  bool releaseDC = false;
};

// Builds the Graphics, Picture, RGBSurface and vector shape classes once.
void InitGraphics();

// A new Graphics over `target` (one reference for the caller).
TessObject* NewGraphics(const GraphicsTarget& target);
// Moves an existing Graphics to another area of its context (a control
// that moved) without losing its pen, font and colour.
void RetargetGraphics(TessObject* graphics, const GraphicsTarget& target);
// Ends drawing through a Graphics: later operations do nothing.
void DetachGraphics(TessObject* graphics);
bool IsGraphics(TessObject* object);

// The context a Graphics draws into, with its origin and area, for drawing
// the layers above do themselves (styled text): they add the origin and
// stay inside the area as the Graphics would. False for anything else, a
// Graphics whose target is gone, or one recording a vector picture.
struct GraphicsContext {
  platform::HDC dc = nullptr;
  platform::POINT origin{};
  int32_t width = 0, height = 0;
};
bool GraphicsContextOf(TessObject* graphics, GraphicsContext* out);

// Pictures as the window layer draws them (backdrops): the whole picture
// with its top-left corner at (x, y) of `dc`, the mask and Transparent
// honoured. Nothing for nil or an object that is not a picture.
bool IsPicture(TessObject* object);
void DrawPictureAt(platform::HDC dc, TessObject* picture, int32_t x, int32_t y);

// The font names of the authoring platform mapped to installed fonts.
std::string MappedFontName(const std::string& stored);

}  // namespace tess::graphics
