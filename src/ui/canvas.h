// The Canvas control and the window's repaint. Canvases have no native
// window: they draw into their window's context, through a Graphics whose
// origin is the canvas's top-left corner and whose area is the canvas.
//
// Order of one repaint: the background (the erase step), the window's
// Backdrop at its top-left corner, then every visible pane the runtime
// draws, containers before what they hold and in list order (a canvas: its
// Backdrop, then its Paint), and last the window's Paint, whose Graphics
// draws around those panes.
#pragma once

#include "platform/gdi/wingdi.h"
#include "tessera/types.h"
#include "ui/window_object.h"

namespace tess::ui {

void InitCanvasClass();
bool IsCanvas(TessObject* object);

// Focus and keys. A click on a canvas that accepts the focus gives it the
// focus (LostFocus on the canvas that had it first, then GotFocus); false
// when the window closed meanwhile. A key typed while a canvas has the focus
// goes to its KeyDown first (Tab only with AcceptTabs); true when KeyDown
// consumed it.
bool FocusCanvasOnClick(WindowObject* window, Pane* pane);
bool OfferKeyToCanvas(WindowObject* window, int code);

// WM_PAINT of a window: the whole repaint above, between BeginPaint and
// EndPaint.
void PaintWindow(WindowObject* window);

}  // namespace tess::ui
