// Graphics: the class, its drawing state and the entry points behind its
// members. Every operation saves the context, limits it to the Graphics'
// area, moves the context's origin to the owning control's offset, selects
// a pen, brush and font made from the Graphics' own state, draws, and puts
// the context back as it was; a context shared by several Graphics (a
// window's own context) thus never keeps one's state for another.
//
// Lines follow the language's rule: the end points are ordered so that
// x1 <= x2 and PenHeight one-pixel-high lines are drawn, the k-th from
// (x1, y1 + k) to (x2, y2 + k), each PenWidth wide, the end point included.
// Frames, ovals and round rectangles lie inside their rectangle, the pen
// covering PenWidth columns at the sides and PenHeight rows at the top and
// bottom. Text sizes are character heights in pixels; 0 is 12.
#include <algorithm>
#include <string>
#include <vector>

#include "graphics/classes.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/picture.h"
#include "graphics/shapes.h"
#include "runtime/array.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess::graphics {
namespace {

using namespace platform;

ClassObject* g_graphics = nullptr;

struct GraphicsFields {
  ObjectHeader header;
  GraphicsState* state;
};

GraphicsState& StateOf(TessObject* g) {
  if (!IsGraphics(g)) Raise(RuntimeError::kNilObject);
  return *reinterpret_cast<GraphicsFields*>(g)->state;
}

// Runs an entry's body on the state of `g`, raising into compiled code for
// a nil Graphics.
template <typename F>
auto WithState(TessObject* g, F&& body) {
  return AtEntry([&] { return body(StateOf(g)); });
}

// A drawing object deleted when it goes (after the context let go of it).
struct GdiHolder {
  HGDIOBJ object = nullptr;
  ~GdiHolder() {
    if (object) DeleteObject(object);
  }
};

COLORREF ColorOf(uint32_t color) {
  return color & 0xFFFFFF;
}

void SelectPen(Drawing& d, GdiHolder& pen, int width, int height, uint32_t color) {
  pen.object = CreatePenWH(PS_SOLID, width, height, ColorOf(color));
  SelectObject(d.dc(), pen.object);
}

void SelectBrush(Drawing& d, GdiHolder& brush, uint32_t color) {
  brush.object = CreateSolidBrush(ColorOf(color));
  SelectObject(d.dc(), brush.object);
}

// Frames (fill false) and fills of the rectangle, oval and round rectangle.
enum class Shape { kRect, kOval, kRound };

// The group a vector picture's Graphics records into; null when drawing
// goes to a context.
TessObject* Recording(const GraphicsState& s) {
  PictureData* p = PictureOf(s.vectorPicture);
  return p ? p->objects : nullptr;
}

Stroke StrokeOf(const GraphicsState& s, bool fill) {
  return Stroke{s.foreColor, s.penWidth, fill};
}

BoxKind BoxOf(Shape shape) {
  return shape == Shape::kRect   ? BoxKind::kRect
         : shape == Shape::kOval ? BoxKind::kOval
                                 : BoxKind::kRoundRect;
}

void DrawShape(GraphicsState& s, Shape shape, bool fill, int32_t x, int32_t y, int32_t w, int32_t h,
               int32_t ew = 0, int32_t eh = 0) {
  if (w <= 0 || h <= 0) return;
  if (TessObject* group = Recording(s)) {
    RecordBox(group, BoxOf(shape), StrokeOf(s, fill), x, y, w, h, ew, eh);
    return;
  }
  GdiHolder pen, brush;
  Drawing d(s);
  if (!d) return;
  if (fill) {
    SelectObject(d.dc(), GetStockObject(NULL_PEN));
    SelectBrush(d, brush, s.foreColor);
  } else {
    SelectPen(d, pen, s.penWidth, s.penHeight, s.foreColor);
    SelectObject(d.dc(), GetStockObject(NULL_BRUSH));
  }
  int64_t r = int64_t(x) + w, b = int64_t(y) + h;
  int right = int(std::min<int64_t>(r, INT32_MAX)), bottom = int(std::min<int64_t>(b, INT32_MAX));
  switch (shape) {
    case Shape::kRect:
      Rectangle(d.dc(), x, y, right, bottom);
      break;
    case Shape::kOval:
      Ellipse(d.dc(), x, y, right, bottom);
      break;
    case Shape::kRound:
      RoundRect(d.dc(), x, y, right, bottom, ew, eh);
      break;
  }
}

// The points of an Integer array: x, y pairs from index 1.
std::vector<POINT> PolygonPoints(TessArray* array) {
  std::vector<POINT> points;
  if (!array) return points;
  int32_t last = RuntimeUBound(array);
  for (int32_t i = 1; i + 1 <= last; i += 2)
    points.push_back(
        POINT{RuntimeDirectReadIntArray(array, i), RuntimeDirectReadIntArray(array, i + 1)});
  return points;
}

// Splits text into the lines DrawString draws: at line breaks, and when
// `wrap` > 0 after the last word that keeps a line within `wrap` pixels (a
// word wider than that stands alone on its line). Each word is measured
// once: the host's text widths are the sums of their characters' advances.
std::vector<std::string> WrapLines(HDC dc, std::string_view text, int32_t wrap) {
  std::vector<std::string> lines;
  auto width = [dc](std::string_view t) -> int64_t {
    SIZE size{};
    GetTextExtentPoint32(dc, t.data(), int(t.size()), &size);
    return size.cx;
  };
  const int64_t space = width(" ");
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    std::string_view para = text.substr(start, end == std::string_view::npos ? end : end - start);
    size_t lineStart = 0, lineEnd = 0;
    int64_t lineWidth = -1;  // no word on the line yet
    for (size_t at = 0; at <= para.size();) {
      size_t stop = std::min(para.find(' ', at), para.size());
      int64_t w = width(para.substr(at, stop - at));
      // Spaces never start a line of their own.
      if (lineWidth >= 0 && lineWidth + space + w > wrap && stop > at) {
        lines.emplace_back(para.substr(lineStart, lineEnd - lineStart));
        lineStart = at;
        lineWidth = w;
      } else {
        lineWidth = lineWidth < 0 ? w : lineWidth + space + w;
      }
      lineEnd = stop;
      at = stop + 1;
    }
    lines.emplace_back(para.substr(lineStart, lineEnd - lineStart));
    if (end == std::string_view::npos) break;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

// The text without line breaks, as DrawString shows it on one line.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text)
    if (c != '\r' && c != '\n') line += c;
  return line;
}

void ConstructGraphics(TessObject* object, ClassObject*) {
  reinterpret_cast<GraphicsFields*>(object)->state = new GraphicsState;
}

void DestructGraphics(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<GraphicsFields*>(object);
  if (f->state->endJob) f->state->endJob(*f->state);
  if (f->state->releaseDC && f->state->window && IsWindow(f->state->window))
    ReleaseDC(f->state->window, f->state->dc);
  delete f->state;
  f->state = nullptr;
}

#define GRAPHICS_INT(Name) (void*)&graphics##Name##Getter, (void*)&graphics##Name##Setter
const PropertyRecord kGraphicsProperties[] = {
    {0, "ForeColor", &kColorType, GRAPHICS_INT(ForeColor), 0},
    {0, "Width", &kIntegerType, (void*)&graphicsWidthGetter, nullptr, 0},
    {0, "Height", &kIntegerType, (void*)&graphicsHeightGetter, nullptr, 0},
    {0, "TextFont", &kStringType, GRAPHICS_INT(TextFont), 0},
    {0, "TextSize", &kIntegerType, GRAPHICS_INT(TextSize), 0},
    {0, "Copies", &kIntegerType, (void*)&graphicsCopiesGetter, nullptr, 0},
    {0, "FirstPage", &kIntegerType, (void*)&graphicsFirstPageGetter, nullptr, 0},
    {0, "LastPage", &kIntegerType, (void*)&graphicsLastPageGetter, nullptr, 0},
    {0, "Bold", &kBooleanType, GRAPHICS_INT(Bold), 0},
    {0, "Italic", &kBooleanType, GRAPHICS_INT(Italic), 0},
    {0, "Underline", &kBooleanType, GRAPHICS_INT(Underline), 0},
    {0, "PenWidth", &kIntegerType, GRAPHICS_INT(PenWidth), 0},
    {0, "PenHeight", &kIntegerType, GRAPHICS_INT(PenHeight), 0},
};
#undef GRAPHICS_INT

}  // namespace

Drawing::Drawing(const GraphicsState& s) {
  if (!s.dc || (s.window && !IsWindow(s.window))) return;
  dc_ = s.dc;
  saved_ = SaveDC(dc_);
  if (!saved_) return;
  IntersectClipRect(dc_, s.origin.x, s.origin.y, s.origin.x + s.width, s.origin.y + s.height);
  OffsetViewportOrgEx(dc_, s.origin.x, s.origin.y, nullptr);
}

bool GraphicsContextOf(TessObject* graphics, GraphicsContext* out) {
  const GraphicsState* s = GraphicsStateOf(graphics);
  if (!s || !s->dc || s->vectorPicture || (s->window && !IsWindow(s->window))) return false;
  *out = GraphicsContext{s->dc, s->origin, s->width, s->height};
  return true;
}

Drawing::~Drawing() {
  if (saved_) RestoreDC(dc_, saved_);
  if (font_) DeleteObject(font_);
}

HFONT CreateStateFont(const GraphicsState& s) {
  return CreateFont(-(s.textSize > 0 ? s.textSize : 12), 0, 0, 0, s.bold ? FW_BOLD : FW_NORMAL,
                    s.italic, s.underline, 0, 0, 0, 0, 0, 0,
                    MappedFontName(s.textFont.empty() ? "System" : s.textFont).c_str());
}

void Drawing::SelectFont(const GraphicsState& s) {
  font_ = CreateStateFont(s);
  SelectObject(dc_, font_);
}

MeasuringContext::MeasuringContext(const GraphicsState& s)
    : dc_(CreateCompatibleDC(nullptr)), font_(CreateStateFont(s)) {
  SelectObject(dc_, font_);
}

MeasuringContext::~MeasuringContext() {
  DeleteDC(dc_);
  DeleteObject(font_);
}

void InitGraphicsClass() {
  if (!g_graphics)
    g_graphics = BuildClass("Graphics", RootClass(), int32_t(sizeof(GraphicsFields)),
                            &ConstructGraphics, &DestructGraphics, kGraphicsProperties);
}

void InitGraphics() {
  InitGraphicsClass();
  InitPictureClasses();
  InitShapeClasses();
  InitPrinting();
}

bool IsGraphics(TessObject* object) {
  return object && g_graphics && IsA(object, g_graphics);
}

GraphicsState* GraphicsStateOf(TessObject* object) {
  return IsGraphics(object) ? reinterpret_cast<GraphicsFields*>(object)->state : nullptr;
}

TessObject* NewGraphics(const GraphicsTarget& target) {
  TessObject* g = CreateObject(g_graphics);
  RetargetGraphics(g, target);
  return g;
}

void RetargetGraphics(TessObject* graphics, const GraphicsTarget& target) {
  if (GraphicsState* s = GraphicsStateOf(graphics)) {
    static_cast<GraphicsTarget&>(*s) = target;
    s->width = std::max(0, target.width);
    s->height = std::max(0, target.height);
  }
}

void DetachGraphics(TessObject* graphics) {
  if (GraphicsState* s = GraphicsStateOf(graphics)) {
    if (s->endJob) s->endJob(*s);
    s->endJob = nullptr;
    s->nextPage = nullptr;
    if (s->releaseDC && s->window && IsWindow(s->window)) ReleaseDC(s->window, s->dc);
    s->releaseDC = false;
    s->dc = nullptr;
    s->window = nullptr;
    s->vectorPicture = nullptr;
  }
}

}  // namespace tess::graphics

using namespace tess;
using namespace tess::graphics;
using namespace tess::platform;

extern "C" {

void RuntimeGraphicsDrawLine(TessObject* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  WithState(g, [&](GraphicsState& s) {
    if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
    if (TessObject* group = Recording(s)) {
      RecordLine(group, StrokeOf(s, false), x1, y1, x2, y2);
      return;
    }
    GdiHolder pen, brush;
    Drawing d(s);
    if (!d) return;
    SelectPen(d, pen, s.penWidth, 1, s.foreColor);
    SelectBrush(d, brush, s.foreColor);
    for (int32_t k = 0; k < s.penHeight; ++k) {
      MoveToEx(d.dc(), x1, y1 + k, nullptr);
      LineTo(d.dc(), x2, y2 + k);
      // The end point, which LineTo leaves out.
      RECT end{x2, y2 + k, x2 + s.penWidth, y2 + k + 1};
      FillRect(d.dc(), &end, brush.object);
    }
  });
}

void RuntimeGraphicsClearRect(TessObject* g, int32_t x, int32_t y, int32_t width, int32_t height) {
  WithState(g, [&](GraphicsState& s) {
    uint32_t fore = s.foreColor;
    s.foreColor = s.background;
    DrawShape(s, Shape::kRect, true, x, y, width, height);
    s.foreColor = fore;
  });
}

void RuntimeGraphicsDrawRect(TessObject* g, int32_t x, int32_t y, int32_t width, int32_t height) {
  WithState(g, [&](GraphicsState& s) { DrawShape(s, Shape::kRect, false, x, y, width, height); });
}

void RuntimeGraphicsFillRect(TessObject* g, int32_t x, int32_t y, int32_t width, int32_t height) {
  WithState(g, [&](GraphicsState& s) { DrawShape(s, Shape::kRect, true, x, y, width, height); });
}

void RuntimeGraphicsDrawOval(TessObject* g, int32_t x, int32_t y, int32_t width, int32_t height) {
  WithState(g, [&](GraphicsState& s) { DrawShape(s, Shape::kOval, false, x, y, width, height); });
}

void RuntimeGraphicsFillOval(TessObject* g, int32_t x, int32_t y, int32_t width, int32_t height) {
  WithState(g, [&](GraphicsState& s) { DrawShape(s, Shape::kOval, true, x, y, width, height); });
}

void RuntimeGraphicsDrawRoundRect(TessObject* g, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t ovalWidth, int32_t ovalHeight) {
  WithState(g, [&](GraphicsState& s) {
    DrawShape(s, Shape::kRound, false, x, y, width, height, ovalWidth, ovalHeight);
  });
}

void RuntimeGraphicsFillRoundRect(TessObject* g, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t ovalWidth, int32_t ovalHeight) {
  WithState(g, [&](GraphicsState& s) {
    DrawShape(s, Shape::kRound, true, x, y, width, height, ovalWidth, ovalHeight);
  });
}

void RuntimeGraphicsDrawString(TessObject* g, TessString* text, int32_t x, int32_t y,
                               int32_t wrapWidth) {
  WithState(g, [&](GraphicsState& s) {
    if (Length(text) == 0) return;
    if (TessObject* group = Recording(s)) {
      StringRef font = StringRef::Adopt(MakeString(s.textFont));
      RecordText(group, text, font.get(), s.textSize > 0 ? s.textSize : 12, s.bold, s.italic,
                 s.foreColor, x, y);
      return;
    }
    Drawing d(s);
    if (!d) return;
    d.SelectFont(s);
    HDC dc = d.dc();
    SetTextColor(dc, ColorOf(s.foreColor));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    if (wrapWidth <= 0) {
      std::string line = OneLine(View(text));
      IntersectClipRect(dc, x, y - tm.tmAscent, 30000, y + tm.tmDescent);
      TextOut(dc, x, y, line.data(), int(line.size()));
    } else {
      IntersectClipRect(dc, x, y - tm.tmAscent,
                        int(std::min<int64_t>(int64_t(x) + wrapWidth, INT32_MAX)), 32767);
      int64_t baseline = y;
      for (const std::string& line : WrapLines(dc, View(text), wrapWidth)) {
        if (baseline - tm.tmAscent > 32767) break;
        TextOut(dc, x, int(baseline), line.data(), int(line.size()));
        baseline += tm.tmHeight;
      }
    }
  });
}

int32_t RuntimeGraphicsStringWidth(TessObject* g, TessString* text) {
  return WithState(g, [&](GraphicsState& s) -> int32_t {
    if (Length(text) == 0) return 0;
    MeasuringContext m(s);
    std::string line = OneLine(View(text));
    SIZE size{};
    GetTextExtentPoint32(m.dc(), line.data(), int(line.size()), &size);
    return size.cx;
  });
}

int32_t RuntimeGraphicsStringHeight(TessObject* g, TessString* text, int32_t wrapWidth) {
  return WithState(g, [&](GraphicsState& s) -> int32_t {
    if (Length(text) == 0) return 0;
    MeasuringContext m(s);
    TEXTMETRIC tm{};
    GetTextMetrics(m.dc(), &tm);
    size_t lines = wrapWidth > 0 ? WrapLines(m.dc(), View(text), wrapWidth).size() : 1;
    return int32_t(std::min<int64_t>(int64_t(lines) * tm.tmHeight, INT32_MAX));
  });
}

int32_t RuntimeGraphicsTextHeight(TessObject* g) {
  return WithState(g, [&](GraphicsState& s) -> int32_t {
    MeasuringContext m(s);
    TEXTMETRIC tm{};
    GetTextMetrics(m.dc(), &tm);
    return tm.tmHeight;
  });
}

int32_t RuntimeGraphicsTextAscent(TessObject* g) {
  return WithState(g, [&](GraphicsState& s) -> int32_t {
    MeasuringContext m(s);
    TEXTMETRIC tm{};
    GetTextMetrics(m.dc(), &tm);
    return tm.tmAscent;
  });
}

void RuntimeGraphicsDrawPicture(TessObject* g, TessObject* picture, int32_t x, int32_t y,
                                int32_t width, int32_t height, int32_t sx, int32_t sy, int32_t sw,
                                int32_t sh) {
  WithState(g, [&](GraphicsState& s) {
    PictureData* p = PictureOf(picture);
    if (!p) Raise(RuntimeError::kNilObject);
    // -10000 stands for the default: the whole picture at its own size.
    auto or_ = [](int32_t v, int32_t fallback) { return v == -10000 ? fallback : v; };
    sx = or_(sx, 0), sy = or_(sy, 0);
    sw = or_(sw, p->width - sx), sh = or_(sh, p->height - sy);
    width = or_(width, sw), height = or_(height, sh);
    if (TessObject* group = Recording(s)) {
      RecordPicture(group, picture, x, y, width);
      return;
    }
    Drawing d(s);
    if (!d) return;
    DrawPictureScaled(d.dc(), picture, x, y, width, height, sx, sy, sw, sh);
  });
}

void RuntimeGraphicsDrawObject(TessObject* g, TessObject* object) {
  RuntimeGraphicsDrawObjectXY(g, object, 0, 0);
}

void RuntimeGraphicsDrawObjectXY(TessObject* g, TessObject* object, int32_t x, int32_t y) {
  WithState(g, [&](GraphicsState& s) {
    if (!object) Raise(RuntimeError::kNilObject);
    if (TessObject* group = Recording(s)) {
      RecordObject(group, object, x, y);
      return;
    }
    Drawing d(s);
    if (!d) return;
    DrawShapeObject(d.dc(), object, x, y);
  });
}

void graphicsDrawPolygon(TessObject* g, TessArray* points) {
  WithState(g, [&](GraphicsState& s) {
    std::vector<POINT> pts = PolygonPoints(points);
    if (pts.size() < 2) return;
    bool closed = RuntimeUBound(points) > 2;
    if (TessObject* group = Recording(s)) {
      RecordPolygon(group, StrokeOf(s, false), pts.data(), int(pts.size()), closed);
      return;
    }
    GdiHolder pen;
    Drawing d(s);
    if (!d) return;
    SelectPen(d, pen, s.penWidth, s.penHeight, s.foreColor);
    SelectObject(d.dc(), GetStockObject(NULL_BRUSH));
    if (closed)
      Polygon(d.dc(), pts.data(), int(pts.size()));
    else
      Polyline(d.dc(), pts.data(), int(pts.size()));
  });
}

void graphicsFillPolygon(TessObject* g, TessArray* points) {
  WithState(g, [&](GraphicsState& s) {
    std::vector<POINT> pts = PolygonPoints(points);
    if (pts.size() < 3) return;
    if (TessObject* group = Recording(s)) {
      RecordPolygon(group, StrokeOf(s, true), pts.data(), int(pts.size()), true);
      return;
    }
    GdiHolder brush;
    Drawing d(s);
    if (!d) return;
    SelectObject(d.dc(), GetStockObject(NULL_PEN));
    SelectBrush(d, brush, s.foreColor);
    Polygon(d.dc(), pts.data(), int(pts.size()));
  });
}

int32_t graphicsPixelGetter(TessObject* g, int32_t x, int32_t y) {
  return WithState(g, [&](GraphicsState& s) -> int32_t {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return 0;
    Drawing d(s);
    if (!d) return 0;
    COLORREF c = GetPixel(d.dc(), x, y);
    return c == CLR_INVALID ? 0 : int32_t(c);
  });
}

void graphicsPixelSetter(TessObject* g, int32_t x, int32_t y, int32_t color) {
  WithState(g, [&](GraphicsState& s) {
    if (TessObject* group = Recording(s)) {
      RecordBox(group, BoxKind::kRect, Stroke{ColorOf(uint32_t(color)), 1, true}, x, y, 1, 1);
      return;
    }
    Drawing d(s);
    if (d) SetPixel(d.dc(), x, y, ColorOf(uint32_t(color)));
  });
}

static void DrawSystemIcon(TessObject* g, int32_t x, int32_t y, const char* icon) {
  WithState(g, [&](GraphicsState& s) {
    Drawing d(s);
    if (d) DrawIcon(d.dc(), x, y, LoadIcon(nullptr, icon));
  });
}

void graphicsDrawStopIcon(TessObject* g, int32_t x, int32_t y) {
  DrawSystemIcon(g, x, y, IDI_HAND);
}
void graphicsDrawNoteIcon(TessObject* g, int32_t x, int32_t y) {
  DrawSystemIcon(g, x, y, IDI_ASTERISK);
}
void graphicsDrawCautionIcon(TessObject* g, int32_t x, int32_t y) {
  DrawSystemIcon(g, x, y, IDI_EXCLAMATION);
}

void RuntimeGraphicsNextPage(TessObject* g) {
  // Only a printer page has a next page; everything else stays as it is.
  WithState(g, [](GraphicsState& s) {
    if (s.nextPage) s.nextPage(s);
  });
}

int32_t graphicsForeColorGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return int32_t(s.foreColor); });
}
void graphicsForeColorSetter(TessObject* g, uint32_t, int32_t value) {
  WithState(g, [&](GraphicsState& s) { s.foreColor = uint32_t(value) & 0xFFFFFF; });
}
int32_t graphicsWidthGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.width; });
}
int32_t graphicsHeightGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.height; });
}
TessString* graphicsTextFontGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return MakeString(s.textFont); });
}
void graphicsTextFontSetter(TessObject* g, uint32_t, TessString* value) {
  WithState(g, [&](GraphicsState& s) { s.textFont = std::string(View(value)); });
}
int32_t graphicsTextSizeGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.textSize; });
}
void graphicsTextSizeSetter(TessObject* g, uint32_t, int32_t value) {
  // Sizes beyond what a surface can show are held to it.
  WithState(g, [&](GraphicsState& s) { s.textSize = std::clamp(value, 0, 4096); });
}
int32_t graphicsCopiesGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.copies; });
}
int32_t graphicsFirstPageGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.firstPage; });
}
int32_t graphicsLastPageGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.lastPage; });
}
int32_t graphicsBoldGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return int32_t(s.bold); });
}
void graphicsBoldSetter(TessObject* g, uint32_t, int32_t value) {
  WithState(g, [&](GraphicsState& s) { s.bold = (value & 0xFF) != 0; });
}
int32_t graphicsItalicGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return int32_t(s.italic); });
}
void graphicsItalicSetter(TessObject* g, uint32_t, int32_t value) {
  WithState(g, [&](GraphicsState& s) { s.italic = (value & 0xFF) != 0; });
}
int32_t graphicsUnderlineGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return int32_t(s.underline); });
}
void graphicsUnderlineSetter(TessObject* g, uint32_t, int32_t value) {
  WithState(g, [&](GraphicsState& s) { s.underline = (value & 0xFF) != 0; });
}
int32_t graphicsPenWidthGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.penWidth; });
}
void graphicsPenWidthSetter(TessObject* g, uint32_t, int32_t value) {
  // A pen is at least one pixel; hostile widths are held to a surface's size.
  WithState(g, [&](GraphicsState& s) { s.penWidth = std::clamp(value, 1, 32767); });
}
int32_t graphicsPenHeightGetter(TessObject* g, uint32_t) {
  return WithState(g, [](GraphicsState& s) { return s.penHeight; });
}
void graphicsPenHeightSetter(TessObject* g, uint32_t, int32_t value) {
  WithState(g, [&](GraphicsState& s) { s.penHeight = std::clamp(value, 1, 32767); });
}

}  // extern "C"
