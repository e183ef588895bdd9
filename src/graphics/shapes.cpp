// Object2D, its shape kinds and Group2D: instance layouts, classes, the
// entry points and drawing through a device context.
//
// Every shape has a transform: scaled by Scale and turned by Rotation
// (radians, clockwise on the screen) about its own origin, then moved to
// (X, Y). A group applies its own transform to everything it holds. Drawn
// outlines are polygons through the context, so a turned shape keeps its
// pixels exact to the host's polygon rules; unturned rectangles, ovals and
// round rectangles use the context's own shapes.
#include "graphics/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "graphics/classes.h"
#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess::graphics {
namespace {

using namespace platform;

enum class Kind : int32_t {
  kNone,
  kRect,
  kRoundRect,
  kOval,
  kArc,
  kCurve,
  kFigure,
  kString,
  kPixmap,
  kGroup
};

struct Object2DFields {
  ObjectHeader header;
  double x, y;
  double rotation, scale;
  double fill, border;  // percentages: 0 leaves the fill or the border out
  double borderWidth;
  int32_t fillColor, borderColor;
  Kind kind;
  int32_t reserved;
};

struct RectShapeFields {
  Object2DFields base;
  double width, height;
  double cornerWidth, cornerHeight;  // RoundRectShape
  double arcAngle, startAngle;       // ArcShape
};

struct CurveShapeFields {
  Object2DFields base;
  double x2, y2;
  double controlX[2], controlY[2];
  int32_t order;  // 0 a line, 1 quadratic (one control point), 2 cubic
  int32_t reserved;
};

// One piece of a figure: a line, quadratic or cubic curve between two points.
struct Segment {
  int order;
  double x1, y1, x2, y2, cx1, cy1, cx2, cy2;
};

struct FigureShapeFields {
  Object2DFields base;
  std::vector<Segment>* segments;
};

struct StringShapeFields {
  Object2DFields base;
  TessString* text;
  TessString* textFont;
  int32_t textSize;
  uint8_t bold, italic, reserved[2];
  int32_t horizontalAlignment;  // 0 or 2 centred on X, 1 left, 3 right
};

struct PixmapShapeFields {
  Object2DFields base;
  TessObject* image;
};

struct Group2DFields {
  Object2DFields base;
  std::vector<TessObject*>* items;  // counted
};

ClassObject* g_object2D = nullptr;
ClassObject* g_group = nullptr;

template <typename Fields>
Fields& As(TessObject* o) {
  return *reinterpret_cast<Fields*>(o);
}

Object2DFields& Base(TessObject* o) {
  return As<Object2DFields>(o);
}

Kind KindOf(TessObject* o) {
  return IsObject2D(o) ? Base(o).kind : Kind::kNone;
}

// Groups and figures nest at most this deep when drawn or hit-tested.
constexpr int kMaxDepth = 64;

struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  void Map(double x, double y, double* ox, double* oy) const {
    *ox = a * x + c * y + e;
    *oy = b * x + d * y + f;
  }
  // this after `inner`: first inner, then this.
  Affine After(const Affine& inner) const {
    return Affine{a * inner.a + c * inner.b,     b * inner.a + d * inner.b,
                  a * inner.c + c * inner.d,     b * inner.c + d * inner.d,
                  a * inner.e + c * inner.f + e, b * inner.e + d * inner.f + f};
  }
  bool Invert(Affine* out) const {
    double det = a * d - b * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
    *out =
        Affine{d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
    return true;
  }
  bool Upright() const { return b == 0 && c == 0 && a > 0 && d > 0; }
  double Magnitude() const { return std::sqrt(std::fabs(a * d - b * c)); }
};

Affine TransformOf(TessObject* o) {
  const Object2DFields& f = Base(o);
  double s = std::isfinite(f.scale) ? f.scale : 1;
  double r = std::isfinite(f.rotation) ? f.rotation : 0;
  double cs = std::cos(r) * s, sn = std::sin(r) * s;
  return Affine{cs, sn, -sn, cs, std::isfinite(f.x) ? f.x : 0, std::isfinite(f.y) ? f.y : 0};
}

using Points = std::vector<std::pair<double, double>>;

// Appends the flattened curve from p0 to p1 (p0 itself left out).
void Flatten(Points& out, int order, double x0, double y0, double x1, double y1, double cx1,
             double cy1, double cx2, double cy2) {
  const int steps = order == 0 ? 1 : 24;
  for (int i = 1; i <= steps; ++i) {
    double t = double(i) / steps, u = 1 - t;
    if (order == 1) {
      out.push_back(
          {u * u * x0 + 2 * u * t * cx1 + t * t * x1, u * u * y0 + 2 * u * t * cy1 + t * t * y1});
    } else if (order == 2) {
      out.push_back({u * u * u * x0 + 3 * u * u * t * cx1 + 3 * u * t * t * cx2 + t * t * t * x1,
                     u * u * u * y0 + 3 * u * u * t * cy1 + 3 * u * t * t * cy2 + t * t * t * y1});
    } else {
      out.push_back({x1, y1});
    }
  }
}

// The shape's outline in its own coordinates; `closed` tells whether it
// encloses an area.
Points Outline(TessObject* o, bool* closed) {
  Points pts;
  *closed = true;
  switch (Base(o).kind) {
    case Kind::kRect:
    case Kind::kRoundRect:
    case Kind::kOval:
    case Kind::kArc: {
      const RectShapeFields& r = As<RectShapeFields>(o);
      double hw = std::fabs(r.width) / 2, hh = std::fabs(r.height) / 2;
      Kind k = r.base.kind;
      if (k == Kind::kRect ||
          (k == Kind::kRoundRect && (r.cornerWidth <= 0 || r.cornerHeight <= 0))) {
        pts = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
      } else if (k == Kind::kRoundRect) {
        double rx = std::min(hw, r.cornerWidth / 2), ry = std::min(hh, r.cornerHeight / 2);
        const double cx[] = {hw - rx, -hw + rx, -hw + rx, hw - rx};
        const double cy[] = {-hh + ry, -hh + ry, hh - ry, hh - ry};
        for (int q = 0; q < 4; ++q)
          for (int i = 0; i <= 8; ++i) {
            double t = (q * 90 + i * 90.0 / 8 - 90) * M_PI / 180;
            pts.push_back({cx[q] + rx * std::cos(t), cy[q] + ry * std::sin(t)});
          }
      } else if (k == Kind::kOval) {
        for (int i = 0; i < 64; ++i) {
          double t = i * 2 * M_PI / 64;
          pts.push_back({hw * std::cos(t), hh * std::sin(t)});
        }
      } else {
        // A pie slice from StartAngle through ArcAngle (radians, clockwise).
        double start = std::isfinite(r.startAngle) ? r.startAngle : 0;
        double sweep = std::isfinite(r.arcAngle) ? std::clamp(r.arcAngle, -2 * M_PI, 2 * M_PI) : 0;
        pts.push_back({0, 0});
        for (int i = 0; i <= 48; ++i) {
          double t = start + sweep * i / 48;
          pts.push_back({hw * std::cos(t), hh * std::sin(t)});
        }
      }
      break;
    }
    case Kind::kCurve: {
      const CurveShapeFields& c = As<CurveShapeFields>(o);
      double x0 = c.base.x, y0 = c.base.y;
      pts.push_back({0, 0});
      Flatten(pts, std::clamp(c.order, 0, 2), 0, 0, c.x2 - x0, c.y2 - y0, c.controlX[0] - x0,
              c.controlY[0] - y0, c.controlX[1] - x0, c.controlY[1] - y0);
      *closed = false;
      break;
    }
    case Kind::kFigure: {
      const FigureShapeFields& f = As<FigureShapeFields>(o);
      for (const Segment& s : *f.segments) {
        if (pts.empty() || pts.back() != std::make_pair(s.x1, s.y1)) pts.push_back({s.x1, s.y1});
        Flatten(pts, s.order, s.x1, s.y1, s.x2, s.y2, s.cx1, s.cy1, s.cx2, s.cy2);
      }
      break;
    }
    default:
      *closed = false;
      break;
  }
  return pts;
}

int Clamped(double v) {
  if (!std::isfinite(v)) return 0;
  return int(std::lround(std::clamp(v, -1e9, 1e9)));
}

// Fills the shape with FillColor and frames it with BorderColor, each when
// its percentage is above 0; `shape(border)` draws the geometry with the
// pen and brush selected for that pass.
template <typename F>
void FillAndFrame(HDC dc, const Object2DFields& f, double magnitude, F&& shape) {
  if (f.fill > 0) {
    HBRUSH brush = CreateSolidBrush(COLORREF(f.fillColor) & 0xFFFFFF);
    int saved = SaveDC(dc);
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, brush);
    shape(false);
    RestoreDC(dc, saved);
    DeleteObject(brush);
  }
  if (f.border > 0 && f.borderWidth > 0) {
    int width = std::max(1, Clamped(f.borderWidth * magnitude));
    HPEN pen = CreatePen(PS_SOLID, width, COLORREF(f.borderColor) & 0xFFFFFF);
    int saved = SaveDC(dc);
    SelectObject(dc, pen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    shape(true);
    RestoreDC(dc, saved);
    DeleteObject(pen);
  }
}

void DrawOutline(HDC dc, const Object2DFields& f, const Affine& m, const Points& local,
                 bool closed) {
  if (local.size() < 2) return;
  std::vector<POINT> pts;
  pts.reserve(local.size());
  for (auto [x, y] : local) {
    double px, py;
    m.Map(x, y, &px, &py);
    pts.push_back(POINT{Clamped(px), Clamped(py)});
  }
  FillAndFrame(dc, f, m.Magnitude(), [&](bool border) {
    if (closed) {
      Polygon(dc, pts.data(), int(pts.size()));
    } else if (border) {
      // Open outlines end on their last point, as Graphics lines do.
      Polyline(dc, pts.data(), int(pts.size()));
      MoveToEx(dc, pts.back().x, pts.back().y, nullptr);
      LineTo(dc, pts.back().x + 1, pts.back().y);
    }
  });
}

// Rectangles, ovals and round rectangles that are not turned: the host's
// own shapes over the mapped bounds.
bool DrawUpright(HDC dc, TessObject* o, const Affine& m) {
  Kind k = Base(o).kind;
  if (!m.Upright() || (k != Kind::kRect && k != Kind::kOval && k != Kind::kRoundRect)) return false;
  const RectShapeFields& r = As<RectShapeFields>(o);
  double x0, y0, x1, y1;
  m.Map(-std::fabs(r.width) / 2, -std::fabs(r.height) / 2, &x0, &y0);
  m.Map(std::fabs(r.width) / 2, std::fabs(r.height) / 2, &x1, &y1);
  int l = Clamped(x0), t = Clamped(y0), rr = Clamped(x1), b = Clamped(y1);
  int ew = Clamped(r.cornerWidth * m.a), eh = Clamped(r.cornerHeight * m.d);
  FillAndFrame(dc, r.base, m.Magnitude(), [&](bool) {
    if (k == Kind::kRect)
      Rectangle(dc, l, t, rr, b);
    else if (k == Kind::kOval)
      Ellipse(dc, l, t, rr, b);
    else
      RoundRect(dc, l, t, rr, b, ew, eh);
  });
  return true;
}

void DrawStringShape(HDC dc, TessObject* o, const Affine& m) {
  const StringShapeFields& s = As<StringShapeFields>(o);
  if (Length(s.text) == 0 || s.base.fill <= 0) return;
  double px, py;
  m.Map(0, 0, &px, &py);
  int size = std::clamp(Clamped((s.textSize > 0 ? s.textSize : 12) * m.Magnitude()), 1, 4096);
  std::string face = MappedFontName(Length(s.textFont) ? std::string(View(s.textFont)) : "System");
  HFONT font = CreateFont(-size, 0, 0, 0, s.bold ? FW_BOLD : FW_NORMAL, s.italic, 0, 0, 0, 0, 0, 0,
                          0, face.c_str());
  int saved = SaveDC(dc);
  SelectObject(dc, font);
  SetTextColor(dc, COLORREF(s.base.fillColor) & 0xFFFFFF);
  SetBkMode(dc, TRANSPARENT);
  UINT align = s.horizontalAlignment == 1   ? TA_LEFT
               : s.horizontalAlignment == 3 ? TA_RIGHT
                                            : TA_CENTER;
  SetTextAlign(dc, align | TA_BASELINE);
  std::string_view text = View(s.text);
  TextOut(dc, Clamped(px), Clamped(py), text.data(), int(text.size()));
  RestoreDC(dc, saved);
  DeleteObject(font);
}

void DrawPixmap(HDC dc, TessObject* o, const Affine& m) {
  PictureData* p = PictureOf(As<PixmapShapeFields>(o).image);
  if (!p || p->width == 0 || p->height == 0) return;
  double x0, y0, x1, y1;
  // Turned pixmaps are drawn upright over their turned centre.
  double k = m.Magnitude();
  m.Map(0, 0, &x0, &y0);
  x1 = x0 + p->width * k / 2, y1 = y0 + p->height * k / 2;
  x0 -= p->width * k / 2, y0 -= p->height * k / 2;
  DrawPictureScaled(dc, As<PixmapShapeFields>(o).image, Clamped(x0), Clamped(y0),
                    Clamped(x1) - Clamped(x0), Clamped(y1) - Clamped(y0), 0, 0, p->width,
                    p->height);
}

void Draw(HDC dc, TessObject* o, const Affine& outer, int depth) {
  if (!IsObject2D(o) || depth > kMaxDepth) return;
  Affine m = outer.After(TransformOf(o));
  switch (Base(o).kind) {
    case Kind::kGroup:
      for (TessObject* item : *As<Group2DFields>(o).items) Draw(dc, item, m, depth + 1);
      return;
    case Kind::kString:
      DrawStringShape(dc, o, m);
      return;
    case Kind::kPixmap:
      DrawPixmap(dc, o, m);
      return;
    default:
      break;
  }
  if (DrawUpright(dc, o, m)) return;
  bool closed = false;
  Points local = Outline(o, &closed);
  DrawOutline(dc, Base(o), m, local, closed);
}

// Even-odd point in polygon.
bool Inside(const Points& pts, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
    auto [xi, yi] = pts[i];
    auto [xj, yj] = pts[j];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

bool NearPolyline(const Points& pts, double x, double y, double reach) {
  for (size_t i = 1; i < pts.size(); ++i) {
    auto [x0, y0] = pts[i - 1];
    auto [x1, y1] = pts[i];
    double dx = x1 - x0, dy = y1 - y0, len = dx * dx + dy * dy;
    double t = len > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len, 0.0, 1.0) : 0;
    double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
    if (ex * ex + ey * ey <= reach * reach) return true;
  }
  return false;
}

bool Contains(TessObject* o, const Affine& outer, double x, double y, int depth) {
  if (!IsObject2D(o) || depth > kMaxDepth) return false;
  Affine m = outer.After(TransformOf(o));
  if (Base(o).kind == Kind::kGroup) {
    for (TessObject* item : *As<Group2DFields>(o).items)
      if (Contains(item, m, x, y, depth + 1)) return true;
    return false;
  }
  Affine inverse;
  if (!m.Invert(&inverse)) return false;
  double lx, ly;
  inverse.Map(x, y, &lx, &ly);
  switch (Base(o).kind) {
    case Kind::kString: {
      const StringShapeFields& s = As<StringShapeFields>(o);
      int size = s.textSize > 0 ? s.textSize : 12;
      double w = double(Length(s.text)) * size * 0.6;
      return ly <= size * 0.25 && ly >= -size && std::fabs(lx) <= w;
    }
    case Kind::kPixmap: {
      PictureData* p = PictureOf(As<PixmapShapeFields>(o).image);
      return p && std::fabs(lx) <= p->width / 2.0 && std::fabs(ly) <= p->height / 2.0;
    }
    default:
      break;
  }
  bool closed = false;
  Points pts = Outline(o, &closed);
  if (pts.size() < 2) return false;
  if (closed && Inside(pts, lx, ly)) return true;
  double reach = std::max(1.0, Base(o).borderWidth / 2);
  if (!closed) return NearPolyline(pts, lx, ly, reach);
  return false;
}

// Whether `group` is `object` or holds it at any depth.
bool Holds(TessObject* object, TessObject* group, int depth = 0) {
  if (object == group) return true;
  if (KindOf(object) != Kind::kGroup || depth > kMaxDepth) return false;
  for (TessObject* item : *As<Group2DFields>(object).items)
    if (Holds(item, group, depth + 1)) return true;
  return false;
}

void ConstructObject2D(TessObject* o, ClassObject*) {
  Object2DFields& f = Base(o);
  f.scale = 1;
  f.fill = 100;
  f.border = 100;
  f.borderWidth = 1;
}

void ConstructRect(TessObject* o, ClassObject*) {
  RectShapeFields& r = As<RectShapeFields>(o);
  r.base.kind = Kind::kRect;
  r.base.border = 0;
  r.width = r.height = 100;
}
void ConstructRoundRect(TessObject* o, ClassObject*) {
  As<RectShapeFields>(o).base.kind = Kind::kRoundRect;
  As<RectShapeFields>(o).cornerWidth = As<RectShapeFields>(o).cornerHeight = 10;
}
void ConstructOval(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kOval;
}
void ConstructArc(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kArc;
  As<RectShapeFields>(o).arcAngle = M_PI / 2;
}
void ConstructCurve(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kCurve;
  Base(o).fill = 0;
}
void ConstructFigure(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kFigure;
  Base(o).border = 0;
  As<FigureShapeFields>(o).segments = new std::vector<Segment>;
}
void DestructFigure(TessObject* o, ClassObject*) {
  delete As<FigureShapeFields>(o).segments;
  As<FigureShapeFields>(o).segments = nullptr;
}
void ConstructString(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kString;
  Base(o).border = 0;
  As<StringShapeFields>(o).textSize = 12;
}
void DestructString(TessObject* o, ClassObject*) {
  StringShapeFields& s = As<StringShapeFields>(o);
  UnlockString(s.text);
  UnlockString(s.textFont);
  s.text = s.textFont = nullptr;
}
void ConstructPixmap(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kPixmap;
}
void DestructPixmap(TessObject* o, ClassObject*) {
  UnlockObject(As<PixmapShapeFields>(o).image);
  As<PixmapShapeFields>(o).image = nullptr;
}
void ConstructGroup(TessObject* o, ClassObject*) {
  Base(o).kind = Kind::kGroup;
  As<Group2DFields>(o).items = new std::vector<TessObject*>;
}
void DestructGroup(TessObject* o, ClassObject*) {
  std::vector<TessObject*>* items = As<Group2DFields>(o).items;
  As<Group2DFields>(o).items = nullptr;
  if (!items) return;
  for (TessObject* item : *items) UnlockObject(item);
  delete items;
}

std::vector<TessObject*>& Items(TessObject* group) {
  if (!group) Raise(RuntimeError::kNilObject);
  if (KindOf(group) != Kind::kGroup) Raise(RuntimeError::kIllegalCast);
  return *As<Group2DFields>(group).items;
}

// An item a group may take: a shape that does not hold the group.
void CheckItem(TessObject* group, TessObject* item) {
  if (!item) Raise(RuntimeError::kNilObject);
  if (!IsObject2D(item) || Holds(item, group)) Raise(RuntimeError::kIllegalCast);
}

CurveShapeFields& Curve(TessObject* o) {
  if (!o) Raise(RuntimeError::kNilObject);
  if (KindOf(o) != Kind::kCurve) Raise(RuntimeError::kIllegalCast);
  return As<CurveShapeFields>(o);
}

FigureShapeFields& Figure(TessObject* o) {
  if (!o) Raise(RuntimeError::kNilObject);
  if (KindOf(o) != Kind::kFigure) Raise(RuntimeError::kIllegalCast);
  return As<FigureShapeFields>(o);
}

int ControlIndex(int32_t index) {
  if (index < 0 || index > 1) Raise(RuntimeError::kOutOfBounds);
  return index;
}

#define OFFSET(type, field) uint32_t(offsetof(type, field))
#define DOUBLE(name, type, field) \
  { 0, name, &kDoubleType, (void*)&doubleGetter, (void*)&Object2DDoubleSetter, OFFSET(type, field) }
#define INT(name, type, field) \
  { 0, name, &kIntegerType, (void*)&intGetter, (void*)&intSetter, OFFSET(type, field) }

const TypeDescriptor kPictureType{0, "Picture", {}};
const TypeDescriptor kObject2DType{0, "Object2D", {}};

const PropertyRecord kObject2DProperties[] = {
    DOUBLE("X", Object2DFields, x),
    DOUBLE("Y", Object2DFields, y),
    DOUBLE("Rotation", Object2DFields, rotation),
    DOUBLE("Scale", Object2DFields, scale),
    DOUBLE("Fill", Object2DFields, fill),
    DOUBLE("Border", Object2DFields, border),
    DOUBLE("BorderWidth", Object2DFields, borderWidth),
    {0, "FillColor", &kColorType, (void*)&intGetter, (void*)&intSetter,
     OFFSET(Object2DFields, fillColor)},
    {0, "BorderColor", &kColorType, (void*)&intGetter, (void*)&intSetter,
     OFFSET(Object2DFields, borderColor)},
};
const PropertyRecord kRectProperties[] = {
    DOUBLE("Width", RectShapeFields, width),
    DOUBLE("Height", RectShapeFields, height),
};
const PropertyRecord kRoundRectProperties[] = {
    DOUBLE("CornerWidth", RectShapeFields, cornerWidth),
    DOUBLE("CornerHeight", RectShapeFields, cornerHeight),
};
const PropertyRecord kArcProperties[] = {
    DOUBLE("ArcAngle", RectShapeFields, arcAngle),
    {0, "StartAngle", &kDoubleType, (void*)&doubleGetter, (void*)&ArcStartAngleSetter,
     OFFSET(RectShapeFields, startAngle)},
};
const PropertyRecord kCurveProperties[] = {
    DOUBLE("X2", CurveShapeFields, x2),
    DOUBLE("Y2", CurveShapeFields, y2),
    {0, "Order", &kIntegerType, (void*)&intGetter, (void*)&CurveOrderSetter,
     OFFSET(CurveShapeFields, order)},
};
const PropertyRecord kStringProperties[] = {
    {0, "Text", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(StringShapeFields, text)},
    {0, "TextFont", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(StringShapeFields, textFont)},
    INT("TextSize", StringShapeFields, textSize),
    {0, "Bold", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     OFFSET(StringShapeFields, bold)},
    {0, "Italic", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     OFFSET(StringShapeFields, italic)},
    INT("HorizontalAlignment", StringShapeFields, horizontalAlignment),
};
const PropertyRecord kPixmapProperties[] = {
    {0, "Image", &kPictureType, (void*)&objGetter, (void*)&objSetter,
     OFFSET(PixmapShapeFields, image)},
};
const PropertyRecord kGroupProperties[] = {
    {0, "Count", &kIntegerType, (void*)&Group2DCount, nullptr, 0},
};
#undef DOUBLE
#undef INT
#undef OFFSET

const ParameterRecord kXYDouble[] = {{"X", &kDoubleType, {}}, {"Y", &kDoubleType, {}}};
const ParameterRecord kIndex[] = {{"Index", &kIntegerType, {}}};
const ParameterRecord kObject[] = {{"Obj", nullptr, {}}};
const ParameterRecord kIndexObject[] = {{"Index", &kIntegerType, {}}, {"Obj", nullptr, {}}};
const ParameterRecord kImage[] = {{"Image", nullptr, {}}};
const ParameterRecord kLine[] = {{"X1", &kDoubleType, {}},  {"Y1", &kDoubleType, {}},
                                 {"X2", &kDoubleType, {}},  {"Y2", &kDoubleType, {}},
                                 {"CX1", &kDoubleType, {}}, {"CY1", &kDoubleType, {}},
                                 {"CX2", &kDoubleType, {}}, {"CY2", &kDoubleType, {}}};

const MethodRecord kObject2DMethods[] = {
    {"Contains", &kBooleanType, kXYDouble, 2, {(void*)&RectShapeContains}, {}},
};
const MethodRecord kCurveMethods[] = {
    {"ControlX", &kDoubleType, kIndex, 1, {(void*)&CurveGetControlX}, {(void*)&CurveSetControlX}},
    {"ControlY", &kDoubleType, kIndex, 1, {(void*)&CurveGetControlY}, {(void*)&CurveSetControlY}},
};
const MethodRecord kFigureMethods[] = {
    {"AddLine", nullptr, kLine, 4, {(void*)&FigureShapeAddLine}, {}},
    {"AddQuad", nullptr, kLine, 6, {(void*)&FigureShapeAddQuad}, {}},
    {"AddCubic", nullptr, kLine, 8, {(void*)&FigureShapeAddCubic}, {}},
};
const MethodRecord kPixmapMethods[] = {
    {"Constructor", nullptr, kImage, 1, {(void*)&PixmapShapeImageCtor}, {}},
};
const MethodRecord kGroupMethods[] = {
    {"Append", nullptr, kObject, 1, {(void*)&Group2DAppend}, {}},
    {"Insert", nullptr, kIndexObject, 2, {(void*)&Group2DInsert}, {}},
    {"Item", &kObject2DType, kIndex, 1, {(void*)&Group2DGetItem}, {(void*)&Group2DSetItem}},
    {"Remove", nullptr, kObject, 1, {(void*)&Group2DRemoveByObject}, {}},
    {"RemoveAt", nullptr, kIndex, 1, {(void*)&Group2DRemoveByIndex}, {}},
};

}  // namespace

void InitShapeClasses() {
  if (g_object2D) return;
  g_object2D = BuildClass("Object2D", RootClass(), int32_t(sizeof(Object2DFields)),
                          &ConstructObject2D, nullptr, kObject2DProperties, kObject2DMethods);
  ClassObject* rect = BuildClass("RectShape", g_object2D, int32_t(sizeof(RectShapeFields)),
                                 &ConstructRect, nullptr, kRectProperties);
  BuildClass("RoundRectShape", rect, int32_t(sizeof(RectShapeFields)), &ConstructRoundRect, nullptr,
             kRoundRectProperties);
  ClassObject* oval =
      BuildClass("OvalShape", rect, int32_t(sizeof(RectShapeFields)), &ConstructOval, nullptr, {});
  BuildClass("ArcShape", oval, int32_t(sizeof(RectShapeFields)), &ConstructArc, nullptr,
             kArcProperties);
  BuildClass("CurveShape", g_object2D, int32_t(sizeof(CurveShapeFields)), &ConstructCurve, nullptr,
             kCurveProperties, kCurveMethods);
  BuildClass("FigureShape", g_object2D, int32_t(sizeof(FigureShapeFields)), &ConstructFigure,
             &DestructFigure, {}, kFigureMethods);
  BuildClass("StringShape", g_object2D, int32_t(sizeof(StringShapeFields)), &ConstructString,
             &DestructString, kStringProperties);
  BuildClass("PixmapShape", g_object2D, int32_t(sizeof(PixmapShapeFields)), &ConstructPixmap,
             &DestructPixmap, kPixmapProperties, kPixmapMethods);
  g_group = BuildClass("Group2D", g_object2D, int32_t(sizeof(Group2DFields)), &ConstructGroup,
                       &DestructGroup, kGroupProperties, kGroupMethods);
}

TessObject* NewGroup2D() {
  return CreateObject(g_group);
}

bool IsObject2D(TessObject* object) {
  return object && g_object2D && IsA(object, g_object2D);
}

void DrawShapeObjectPlaced(HDC dc, TessObject* object, const Placement& p) {
  Draw(dc, object, Affine{p.sx, 0, 0, p.sy, p.x, p.y}, 0);
}

namespace {

ClassObject* ShapeClass(const char* name) {
  return FindClassByName(name);
}

// A new shape of `cls` appended to `group`; the group holds the one reference.
TessObject* Append(TessObject* group, const char* cls) {
  if (KindOf(group) != Kind::kGroup) return nullptr;
  TessObject* shape = CreateObject(ShapeClass(cls));
  As<Group2DFields>(group).items->push_back(shape);
  return shape;
}

void Paint(Object2DFields& f, const Stroke& stroke) {
  if (stroke.fill) {
    f.fill = 100, f.border = 0;
    f.fillColor = int32_t(stroke.color);
  } else {
    f.fill = 0, f.border = 100;
    f.borderColor = int32_t(stroke.color);
    f.borderWidth = stroke.pen;
  }
}

}  // namespace

void RecordBox(TessObject* group, BoxKind kind, const Stroke& stroke, double x, double y, double w,
               double h, double ew, double eh) {
  const char* cls = kind == BoxKind::kRect   ? "RectShape"
                    : kind == BoxKind::kOval ? "OvalShape"
                                             : "RoundRectShape";
  TessObject* shape = Append(group, cls);
  if (!shape) return;
  RectShapeFields& r = As<RectShapeFields>(shape);
  Paint(r.base, stroke);
  r.base.x = x + w / 2, r.base.y = y + h / 2;
  r.width = w, r.height = h;
  r.cornerWidth = ew, r.cornerHeight = eh;
}

void RecordLine(TessObject* group, const Stroke& stroke, double x1, double y1, double x2,
                double y2) {
  TessObject* shape = Append(group, "CurveShape");
  if (!shape) return;
  CurveShapeFields& c = As<CurveShapeFields>(shape);
  Paint(c.base, stroke);
  c.base.x = x1, c.base.y = y1, c.x2 = x2, c.y2 = y2;
}

void RecordPolygon(TessObject* group, const Stroke& stroke, const POINT* points, int count,
                   bool closed) {
  TessObject* shape = Append(group, "FigureShape");
  if (!shape || count < 2) return;
  FigureShapeFields& f = As<FigureShapeFields>(shape);
  Paint(f.base, stroke);
  for (int i = 0; i + 1 < count + (closed ? 1 : 0); ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    f.segments->push_back(
        Segment{0, double(a.x), double(a.y), double(b.x), double(b.y), 0, 0, 0, 0});
  }
}

void RecordText(TessObject* group, TessString* text, TessString* font, int32_t size, bool bold,
                bool italic, uint32_t color, double x, double y) {
  TessObject* shape = Append(group, "StringShape");
  if (!shape) return;
  StringShapeFields& s = As<StringShapeFields>(shape);
  s.base.fillColor = int32_t(color);
  s.base.x = x, s.base.y = y;
  LockString(text);
  s.text = text;
  LockString(font);
  s.textFont = font;
  s.textSize = size;
  s.bold = bold, s.italic = italic;
  s.horizontalAlignment = 1;
}

void RecordPicture(TessObject* group, TessObject* picture, double x, double y, double width) {
  PictureData* p = PictureOf(picture);
  if (!p || p->width == 0) return;
  TessObject* shape = Append(group, "PixmapShape");
  if (!shape) return;
  PixmapShapeFields& f = As<PixmapShapeFields>(shape);
  LockObject(picture);
  f.image = picture;
  f.base.scale = width / p->width;
  f.base.x = x + width / 2, f.base.y = y + p->height * f.base.scale / 2;
}

void RecordObject(TessObject* group, TessObject* object, double x, double y) {
  if (KindOf(group) != Kind::kGroup || !IsObject2D(object) || Holds(object, group)) return;
  if (x == 0 && y == 0) {
    LockObject(object);
    As<Group2DFields>(group).items->push_back(object);
    return;
  }
  TessObject* moved = Append(group, "Group2D");
  Base(moved).x = x, Base(moved).y = y;
  LockObject(object);
  As<Group2DFields>(moved).items->push_back(object);
}

}  // namespace tess::graphics

using namespace tess;
using namespace tess::graphics;

extern "C" {

void Object2DDoubleSetter(TessObject* object, uint32_t offset, double value) {
  // Values that cannot be drawn (infinities, not-a-number) read back as 0.
  doubleSetter(object, offset, std::isfinite(value) ? value : 0);
}

void ArcStartAngleSetter(TessObject* object, uint32_t offset, double value) {
  // Kept within one turn, so that a growing angle never loses precision.
  double v = std::isfinite(value) ? std::remainder(value, 2 * M_PI) : 0;
  doubleSetter(object, offset, v);
}

int32_t RectShapeContains(TessObject* shape, double x, double y) {
  return AtEntry([&] {
    if (!shape) Raise(RuntimeError::kNilObject);
    return int32_t(Contains(shape, Affine{}, x, y, 0));
  });
}

void CurveOrderSetter(TessObject* curve, uint32_t, int32_t order) {
  AtEntry([&] { Curve(curve).order = std::clamp(order, 0, 2); });
}

double CurveGetControlX(TessObject* curve, int32_t index) {
  return AtEntry([&] { return Curve(curve).controlX[ControlIndex(index)]; });
}
double CurveGetControlY(TessObject* curve, int32_t index) {
  return AtEntry([&] { return Curve(curve).controlY[ControlIndex(index)]; });
}
void CurveSetControlX(TessObject* curve, int32_t index, double value) {
  AtEntry([&] { Curve(curve).controlX[ControlIndex(index)] = std::isfinite(value) ? value : 0; });
}
void CurveSetControlY(TessObject* curve, int32_t index, double value) {
  AtEntry([&] { Curve(curve).controlY[ControlIndex(index)] = std::isfinite(value) ? value : 0; });
}

void FigureShapeAddLine(TessObject* figure, double x1, double y1, double x2, double y2) {
  AtEntry([&] { Figure(figure).segments->push_back(Segment{0, x1, y1, x2, y2, 0, 0, 0, 0}); });
}
void FigureShapeAddQuad(TessObject* figure, double x1, double y1, double x2, double y2, double cx,
                        double cy) {
  AtEntry([&] { Figure(figure).segments->push_back(Segment{1, x1, y1, x2, y2, cx, cy, 0, 0}); });
}
void FigureShapeAddCubic(TessObject* figure, double x1, double y1, double x2, double y2, double cx1,
                         double cy1, double cx2, double cy2) {
  AtEntry([&] {
    Figure(figure).segments->push_back(Segment{2, x1, y1, x2, y2, cx1, cy1, cx2, cy2});
  });
}

void PixmapShapeImageCtor(TessObject* shape, TessObject* image) {
  AtEntry([&] {
    if (!shape) Raise(RuntimeError::kNilObject);
    if (KindOf(shape) != Kind::kPixmap || (image && !IsPicture(image)))
      Raise(RuntimeError::kIllegalCast);
    PixmapShapeFields& p = As<PixmapShapeFields>(shape);
    LockObject(image);
    UnlockObject(p.image);
    p.image = image;
  });
}

int32_t Group2DCount(TessObject* group, uint32_t) {
  return AtEntry([&] { return int32_t(Items(group).size()); });
}

void Group2DAppend(TessObject* group, TessObject* item) {
  AtEntry([&] {
    std::vector<TessObject*>& items = Items(group);
    CheckItem(group, item);
    LockObject(item);
    items.push_back(item);
  });
}

void Group2DInsert(TessObject* group, int32_t index, TessObject* item) {
  AtEntry([&] {
    std::vector<TessObject*>& items = Items(group);
    if (index < 0 || size_t(index) > items.size()) Raise(RuntimeError::kOutOfBounds);
    CheckItem(group, item);
    LockObject(item);
    items.insert(items.begin() + index, item);
  });
}

TessObject* Group2DGetItem(TessObject* group, int32_t index) {
  return AtEntry([&] {
    std::vector<TessObject*>& items = Items(group);
    if (index < 0 || size_t(index) >= items.size()) Raise(RuntimeError::kOutOfBounds);
    LockObject(items[size_t(index)]);
    return items[size_t(index)];
  });
}

void Group2DSetItem(TessObject* group, int32_t index, TessObject* item) {
  AtEntry([&] {
    std::vector<TessObject*>& items = Items(group);
    if (index < 0 || size_t(index) >= items.size()) Raise(RuntimeError::kOutOfBounds);
    CheckItem(group, item);
    LockObject(item);
    UnlockObject(std::exchange(items[size_t(index)], item));
  });
}

void Group2DRemoveByObject(TessObject* group, TessObject* item) {
  AtEntry([&] {
    std::vector<TessObject*>& items = Items(group);
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end()) return;
    items.erase(it);
    UnlockObject(item);
  });
}

void Group2DRemoveByIndex(TessObject* group, int32_t index) {
  AtEntry([&] {
    std::vector<TessObject*>& items = Items(group);
    if (index < 0 || size_t(index) >= items.size()) Raise(RuntimeError::kOutOfBounds);
    TessObject* item = items[size_t(index)];
    items.erase(items.begin() + index);
    UnlockObject(item);
  });
}

}  // extern "C"
