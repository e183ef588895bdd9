// Vector shapes: Object2D and its kinds (RectShape, RoundRectShape,
// OvalShape, ArcShape, CurveShape, FigureShape, StringShape, PixmapShape)
// and Group2D, which holds shapes and groups. How they are placed and drawn
// is written out in the README ("Vector shapes").
#pragma once

#include <cstdint>

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

// What a vector picture's Graphics draws becomes shapes appended to the
// picture's group: rectangles, ovals and round rectangles as their shapes
// (frames `pen` wide, fills without a border), lines as curves, polygons as
// figures, text as a left-aligned string shape on its baseline, pictures as
// pixmap shapes scaled to the destination width, objects as they are (in a
// group moved to x, y when that is not 0, 0).
struct Stroke {
  uint32_t color = 0;
  int32_t pen = 1;
  bool fill = false;
};
enum class BoxKind { kRect, kOval, kRoundRect };
void RecordBox(TessObject* group, BoxKind kind, const Stroke& stroke, double x, double y, double w,
               double h, double ew = 0, double eh = 0);
void RecordLine(TessObject* group, const Stroke& stroke, double x1, double y1, double x2,
                double y2);
void RecordPolygon(TessObject* group, const Stroke& stroke, const platform::POINT* points,
                   int count, bool closed);
void RecordText(TessObject* group, TessString* text, TessString* font, int32_t size, bool bold,
                bool italic, uint32_t color, double x, double y);
void RecordPicture(TessObject* group, TessObject* picture, double x, double y, double width);
void RecordObject(TessObject* group, TessObject* object, double x, double y);

}  // namespace tess::graphics
