// Rectangle, RoundRectangle, Oval and Line: drawn by the runtime through the
// host's drawing calls, each in a child window of class "TS_Shape" that
// lets every click through to its window (whose routing gives the shape
// its MouseDown, MouseDrag and MouseUp). Around an oval, a rounded corner
// or a slanted line the window's background shows, not the controls
// beneath: shapes are meant to lie on the window, not over other controls.
//
// Geometry: a Rectangle is filled with FillColor, its top and left borders
// BorderWidth wide in TopLeftColor, its bottom and right ones in
// BottomRightColor. An Oval or RoundRectangle is filled and outlined in
// BorderColor with the outline inside the rectangle; OvalWidth and
// OvalHeight are the corners' ellipse. A Line runs between its end points
// (window coordinates) BorderWidth wide; its rectangle is recomputed to
// hold them whenever one changes.
#include <algorithm>
#include <cstddef>

#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"

namespace tess::ui {

void InitShapeClasses();

namespace {

using namespace platform;

struct ShapeFields {
  RectControlFields rect;
  int32_t fillColor;
  int32_t borderColor;  // TopLeftColor of a Rectangle, LineColor of a Line
  int32_t bottomRightColor;
  int16_t borderWidth, ovalWidth, ovalHeight, reserved;
  int32_t x1, x2, y1, y2;  // a Line's end points
};
#if defined(__i386__)
static_assert(offsetof(ShapeFields, fillColor) == 80);
static_assert(offsetof(ShapeFields, x1) == 100);
static_assert(sizeof(ShapeFields) == 116);
#endif

enum Kind { kRectangle, kRoundRectangle, kOval, kLine, kKindCount };
ClassObject* g_classes[kKindCount] = {};

const char* const kShapeClass = "TS_Shape";

const char* const kMouseArgs = "X As Integer, Y As Integer";
EventRecord g_events[kKindCount][3] = {};

int KindOf(TessObject* o) {
  for (int k = 0; k < kKindCount; ++k)
    if (o && g_classes[k] && IsA(o, g_classes[k])) return k;
  return -1;
}
ShapeFields* F(TessObject* o) {
  return FieldsOf<ShapeFields>(o);
}

COLORREF Native(int32_t color) {
  uint32_t c = uint32_t(color);
  return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

void Solid(HDC dc, int l, int t, int r, int b, int32_t color) {
  if (l >= r || t >= b) return;
  HBRUSH brush = CreateSolidBrush(Native(color));
  RECT rc{l, t, r, b};
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

void Draw(HDC dc, TessObject* shape, const RECT& r) {
  ShapeFields* f = F(shape);
  int bw = std::max<int>(0, f->borderWidth);
  switch (KindOf(shape)) {
    case kRectangle:
      Solid(dc, r.left, r.top, r.right, r.bottom, f->fillColor);
      Solid(dc, r.left, r.top, r.right, r.top + bw, f->borderColor);
      Solid(dc, r.left, r.top, r.left + bw, r.bottom, f->borderColor);
      Solid(dc, r.left, r.bottom - bw, r.right, r.bottom, f->bottomRightColor);
      Solid(dc, r.right - bw, r.top + std::min(bw, r.bottom - r.top), r.right, r.bottom,
            f->bottomRightColor);
      return;
    case kRoundRectangle:
    case kOval: {
      HBRUSH brush = CreateSolidBrush(Native(f->fillColor));
      HPEN pen = bw ? CreatePen(PS_INSIDEFRAME, bw, Native(f->borderColor))
                    : reinterpret_cast<HPEN>(GetStockObject(NULL_PEN));
      HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
      if (KindOf(shape) == kOval)
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
      else
        RoundRect(dc, r.left, r.top, r.right, r.bottom, f->ovalWidth, f->ovalHeight);
      SelectObject(dc, ob);
      SelectObject(dc, op);
      DeleteObject(brush);
      if (bw) DeleteObject(pen);
      return;
    }
    case kLine: {
      if (!bw) return;
      HPEN pen = CreatePen(PS_SOLID, bw, Native(f->borderColor));
      HGDIOBJ op = SelectObject(dc, pen);
      int ox = f->rect.left - bw / 2, oy = f->rect.top - bw / 2;
      MoveToEx(dc, f->x1 - ox, f->y1 - oy, nullptr);
      LineTo(dc, f->x2 - ox, f->y2 - oy);
      SelectObject(dc, op);
      DeleteObject(pen);
      return;
    }
    default:
      return;
  }
}

LRESULT ShapeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      HWND parent = GetParent(hwnd);
      LRESULT brush = parent ? SendMessage(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(hwnd))
                             : 0;
      FillRect(dc, &r, brush ? reinterpret_cast<HBRUSH>(brush) : GetSysColorBrush(COLOR_BTNFACE));
      auto* pane = static_cast<Pane*>(GetProp(hwnd, "TS_Pane"));
      if (pane && pane->control) Draw(dc, pane->control, r);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

DWORD Style(TessObject*) {
  return 0;
}
const NativeKind kShapeKind{kShapeClass, &Style,  false,   nullptr,
                            nullptr,     nullptr, nullptr, nullptr};

void Refresh(TessObject* shape) {
  if (HWND native = NativeOf(shape)) InvalidateRect(native, nullptr, FALSE);
}

// The internal setters: store, then redraw.
void ColorSetter(TessObject* o, uint32_t offset, int32_t value) {
  if (KindOf(o) < 0) return;
  *reinterpret_cast<int32_t*>(reinterpret_cast<uint8_t*>(o) + offset) = value;
  Refresh(o);
}
void ShortSetter(TessObject* o, uint32_t offset, int32_t value) {
  if (KindOf(o) < 0) return;
  *reinterpret_cast<int16_t*>(reinterpret_cast<uint8_t*>(o) + offset) = int16_t(value);
  if (KindOf(o) == kLine) linePosSetter(o, 0, F(o)->x1);  // the rectangle grows with the width
  Refresh(o);
}

// A Line's end points by selector: 0 X1, 1 X2, 2 Y1, 3 Y2.
int32_t LineGetter(TessObject* o, uint32_t selector) {
  if (KindOf(o) != kLine || selector > 3) return 0;
  const int32_t* points[] = {&F(o)->x1, &F(o)->x2, &F(o)->y1, &F(o)->y2};
  return *points[selector];
}

#define AT(field) uint32_t(offsetof(ShapeFields, field))
const PropertyRecord kRectangleProperties[] = {
    {0, "FillColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(fillColor)},
    {0, "BorderWidth", &kIntegerType, (void*)&shortGetter, (void*)&ShortSetter, AT(borderWidth)},
    {0, "TopLeftColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(borderColor)},
    {0, "BottomRightColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter,
     AT(bottomRightColor)},
};
const PropertyRecord kOvalProperties[] = {
    {0, "FillColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(fillColor)},
    {0, "BorderWidth", &kIntegerType, (void*)&shortGetter, (void*)&ShortSetter, AT(borderWidth)},
    {0, "BorderColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(borderColor)},
};
const PropertyRecord kRoundProperties[] = {
    {0, "FillColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(fillColor)},
    {0, "BorderWidth", &kIntegerType, (void*)&shortGetter, (void*)&ShortSetter, AT(borderWidth)},
    {0, "BorderColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(borderColor)},
    {0, "OvalWidth", &kIntegerType, (void*)&shortGetter, (void*)&ShortSetter, AT(ovalWidth)},
    {0, "OvalHeight", &kIntegerType, (void*)&shortGetter, (void*)&ShortSetter, AT(ovalHeight)},
};
const PropertyRecord kLineProperties[] = {
    {0, "X1", &kIntegerType, (void*)&LineGetter, (void*)&linePosSetter, 0},
    {0, "X2", &kIntegerType, (void*)&LineGetter, (void*)&linePosSetter, 1},
    {0, "Y1", &kIntegerType, (void*)&LineGetter, (void*)&linePosSetter, 2},
    {0, "Y2", &kIntegerType, (void*)&LineGetter, (void*)&linePosSetter, 3},
    {0, "BorderWidth", &kIntegerType, (void*)&shortGetter, (void*)&ShortSetter, AT(borderWidth)},
    {0, "LineColor", &kColorType, (void*)&intGetter, (void*)&ColorSetter, AT(borderColor)},
};

void Construct(TessObject* o, ClassObject*) {
  ShapeFields* f = F(o);
  f->fillColor = 0xFFFFFF;
  f->borderWidth = 1;
  f->ovalWidth = f->ovalHeight = 10;
}

ClassObject* Build(const char* name, std::span<const PropertyRecord> properties,
                   std::span<EventRecord> events) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = RectControlClass();
  def.instanceSize = int32_t(sizeof(ShapeFields));
  def.construct = &Construct;
  def.properties = properties;
  def.events = events;
  ClassObject* cls = BuildFrameworkClass(def);
  SetNativeKind(cls, &kShapeKind);
  return cls;
}

}  // namespace

void InitShapeClasses() {
  if (g_classes[0]) return;
  WNDCLASS wc{};
  wc.lpfnWndProc = &ShapeProc;
  wc.lpszClassName = kShapeClass;
  RegisterClass(&wc);
  for (auto& events : g_events) {
    events[0] = {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr};
    events[1] = {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr};
    events[2] = {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr};
  }
  g_classes[kRectangle] = Build("Rectangle", kRectangleProperties, g_events[kRectangle]);
  g_classes[kRoundRectangle] = Build("RoundRectangle", kRoundProperties, g_events[kRoundRectangle]);
  g_classes[kOval] = Build("Oval", kOvalProperties, g_events[kOval]);
  g_classes[kLine] = Build("Line", kLineProperties, g_events[kLine]);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

// Selector 0 X1, 1 X2, 2 Y1, 3 Y2; the rectangle then holds both ends and
// the line's width.
void linePosSetter(TessObject* line, uint32_t selector, int32_t value) {
  if (KindOf(line) != kLine || selector > 3) return;
  ShapeFields* f = F(line);
  int32_t* points[] = {&f->x1, &f->x2, &f->y1, &f->y2};
  *points[selector] = value;
  int bw = std::max<int>(1, f->borderWidth);
  int32_t left = std::min(f->x1, f->x2) - bw / 2, top = std::min(f->y1, f->y2) - bw / 2;
  int32_t width = std::abs(f->x2 - f->x1) + bw, height = std::abs(f->y2 - f->y1) + bw;
  PlaceControl(line, left, top, width, height);
  Refresh(line);
}

}  // extern "C"
