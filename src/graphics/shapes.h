// Vector shapes: Object2D and its kinds (RectShape, RoundRectShape,
// OvalShape, ArcShape, CurveShape, FigureShape, StringShape, PixmapShape)
// and Group2D, which holds shapes and groups. How they are placed and drawn
// is written out in the README ("Vector shapes").
#pragma once

#include "platform/gdi/wingdi.h"
#include "tessera/types.h"

namespace tess::graphics {

void InitShapeClasses();

// A new empty Group2D (one reference).
TessObject* NewGroup2D();
bool IsObject2D(TessObject* object);

// Where drawn shapes land: a point (px, py) of the drawing's coordinates
// goes to (x + sx * px, y + sy * py) of the context.
struct Placement {
  double x = 0, y = 0, sx = 1, sy = 1;
};
void DrawShapeObjectPlaced(platform::HDC dc, TessObject* object, const Placement& placement);
inline void DrawShapeObject(platform::HDC dc, TessObject* object, int x, int y) {
  DrawShapeObjectPlaced(dc, object, Placement{double(x), double(y), 1, 1});
}

}  // namespace tess::graphics
