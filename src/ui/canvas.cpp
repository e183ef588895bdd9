// Canvas: the class, its Graphics and scrolling, and the window repaint
// that draws canvases and fires the windows' Paint (see canvas.h).
#include "ui/canvas.h"

#include <algorithm>
#include <vector>

#include "graphics/graphics.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/control_list.h"
#include "ui/instance_layout.h"
#include "ui/window_class.h"

namespace tess::ui {
namespace {

using namespace platform;

struct CanvasFields {
  RectControlFields rect;
  TessObject* backdrop;  // counted
  uint8_t acceptFocus, acceptTabs, useFocusRing, reserved;
};

ClassObject* g_canvas = nullptr;

const TypeDescriptor kGraphicsType{0, "Graphics", {}};
const TypeDescriptor kPictureType{0, "Picture", {}};

EventRecord g_canvasEvents[] = {
    {0, "Paint", "g As Graphics", nullptr, 0, nullptr},
    {0, "GotFocus", nullptr, nullptr, 0, nullptr},
    {0, "LostFocus", nullptr, nullptr, 0, nullptr},
    {0, "KeyDown", "Key As String", "Boolean", 401, nullptr},
    {0, "MouseDown", "X As Integer, Y As Integer", "Boolean", 501, nullptr},
    {0, "MouseDrag", "X As Integer, Y As Integer", nullptr, 506, nullptr},
    {0, "MouseUp", "X As Integer, Y As Integer", nullptr, 502, nullptr},
};

#define OFFSET(field) uint32_t(offsetof(CanvasFields, field))
const PropertyRecord kCanvasProperties[] = {
    {0, "Graphics", &kGraphicsType, (void*)&canvasGraphicsGetter, nullptr, 0},
    {0, "Backdrop", &kPictureType, (void*)&objGetter, (void*)&canvasBackdropSetter,
     OFFSET(backdrop)},
    {0, "AcceptFocus", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, OFFSET(acceptFocus)},
    {0, "AcceptTabs", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter, OFFSET(acceptTabs)},
    {0, "UseFocusRing", &kBooleanType, (void*)&boolGetter, (void*)&boolInvalidateSetter,
     OFFSET(useFocusRing)},
};
#undef OFFSET

void DestructCanvas(TessObject* object, ClassObject*) {
  CanvasFields* c = FieldsOf<CanvasFields>(object);
  UnlockObject(c->backdrop);
  c->backdrop = nullptr;
}

void ConstructCanvas(TessObject* object, ClassObject*) {
  FieldsOf<CanvasFields>(object)->useFocusRing = 1;
}

uint32_t Word(TessObject* object) {
  return uint32_t(reinterpret_cast<uintptr_t>(object));
}

// What ClearRect fills with in a window: its back colour or the face colour.
uint32_t Background(const WindowObject* window) {
  return window->hasBackColor ? window->backColor & 0xFFFFFF : GetSysColor(COLOR_BTNFACE);
}

graphics::GraphicsTarget CanvasTarget(const Pane* pane, HDC dc) {
  graphics::GraphicsTarget t;
  t.dc = dc;
  t.window = pane->window->hwnd;
  t.origin = POINT{pane->bounds.left, pane->bounds.top};
  t.width = pane->bounds.right - pane->bounds.left;
  t.height = pane->bounds.bottom - pane->bounds.top;
  t.background = Background(pane->window);
  return t;
}

// The canvas's events by their place in its table: 0 Paint, 1 GotFocus,
// 2 LostFocus, 3 KeyDown.
const EventDescriptor* CanvasEvent(int index) {
  return static_cast<const EventDescriptor*>(g_canvasEvents[index].descriptor);
}

void PaintCanvas(Pane* pane, HDC dc) {
  CanvasFields* c = FieldsOf<CanvasFields>(pane->control);
  if (c->backdrop) {
    int saved = SaveDC(dc);
    IntersectClipRect(dc, pane->bounds.left, pane->bounds.top, pane->bounds.right,
                      pane->bounds.bottom);
    graphics::DrawPictureAt(dc, c->backdrop, pane->bounds.left, pane->bounds.top);
    RestoreDC(dc, saved);
  }
  TessObject* control = pane->control;  // the caller holds a reference
  ObjectRef g = ObjectRef::Adopt(graphics::NewGraphics(CanvasTarget(pane, dc)));
  FireEvent(control, CanvasEvent(0), {Word(g.get())});
  // A Graphics kept past its Paint draws nothing: the canvas may have moved.
  graphics::DetachGraphics(g.get());
  // Paint may have closed the canvas, and its pane with it.
  if (FieldsOf<ControlFields>(control)->pane != pane) return;
  if (pane->window && pane->window->focusedCanvas == pane && c->useFocusRing) {
    // The focus ring: two pixels of the selection colour inside the edge.
    RECT ring = pane->bounds;
    for (int i = 0; i < 2; ++i, InflateRect(&ring, -1, -1))
      FrameRect(dc, &ring, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
}

// Panes the runtime draws, containers first; true for those that draw
// their own area (the window's Paint goes around them).
bool DrawsItself(const Pane* pane) {
  return pane->visible && !pane->native && pane->control && IsCanvas(pane->control);
}

// The canvases to paint, containers before what they hold, each held by a
// reference: a Paint that closes controls cannot free a pane still listed.
void CollectCanvases(Pane* first, std::vector<ObjectRef>* out) {
  for (Pane* pane = first; pane; pane = pane->nextSibling) {
    if (!pane->visible) continue;
    if (DrawsItself(pane)) out->push_back(ShareObject(pane->control));
    CollectCanvases(pane->firstChild, out);
  }
}

void PaintPanes(WindowObject* window, HDC dc) {
  std::vector<ObjectRef> canvases;
  CollectCanvases(window->root, &canvases);
  for (const ObjectRef& canvas : canvases) {
    if (window->closing) return;
    Pane* pane = FieldsOf<ControlFields>(canvas.get())->pane;
    if (pane && pane->window == window && DrawsItself(pane)) PaintCanvas(pane, dc);
  }
}

void ExcludePanes(const Pane* first, HDC dc) {
  for (const Pane* pane = first; pane; pane = pane->nextSibling) {
    if (DrawsItself(pane))
      ExcludeClipRect(dc, pane->bounds.left, pane->bounds.top, pane->bounds.right,
                      pane->bounds.bottom);
    ExcludePanes(pane->firstChild, dc);
  }
}

Pane* CanvasPane(TessObject* canvas) {
  if (!canvas) Raise(RuntimeError::kNilObject);
  if (!IsCanvas(canvas)) Raise(RuntimeError::kIllegalCast);
  Pane* pane = FieldsOf<ControlFields>(canvas)->pane;
  return pane && pane->window && !pane->window->closing ? pane : nullptr;
}

// A context for a Graphics made outside a repaint: the window's own one
// where its class keeps one (it lives as long as the window), otherwise one
// that the Graphics gives back when it goes.
void TakeContext(HWND hwnd, graphics::GraphicsTarget* t) {
  t->dc = GetDC(hwnd);
  t->releaseDC = !(GetClassLong(hwnd, GCL_STYLE) & CS_OWNDC);
}

}  // namespace

void InitCanvasClass() {
  if (g_canvas) return;
  // The Graphics its Paint hands out.
  graphics::InitGraphics();
  FrameworkClassDef def{};
  def.name = "Canvas";
  def.superclass = RectControlClass();
  def.instanceSize = int32_t(sizeof(CanvasFields));
  def.construct = &ConstructCanvas;
  def.destruct = &DestructCanvas;
  def.properties = kCanvasProperties;
  def.events = g_canvasEvents;
  g_canvas = BuildFrameworkClass(def);
}

bool IsCanvas(TessObject* object) {
  return object && g_canvas && IsA(object, g_canvas);
}

bool FocusCanvasOnClick(WindowObject* window, Pane* pane) {
  CanvasFields* c = FieldsOf<CanvasFields>(pane->control);
  if (!c->acceptFocus || window->focusedCanvas == pane) return !window->closing;
  Pane* previous = window->focusedCanvas;
  window->focusedCanvas = pane;
  // Keys go to the window, which hands them to the canvas.
  SetFocus(window->hwnd);
  if (previous && previous->control) {
    ObjectRef keep = ShareObject(previous->control);
    FireEvent(previous->control, CanvasEvent(2), {});
    if (c->useFocusRing) RuntimeControlRefresh(previous->control);
  }
  if (!window->closing && window->focusedCanvas == pane) {
    FireEvent(pane->control, CanvasEvent(1), {});
    if (c->useFocusRing) RuntimeControlRefresh(pane->control);
  }
  return !window->closing;
}

bool OfferKeyToCanvas(WindowObject* window, int code) {
  Pane* pane = window->focusedCanvas;
  if (!pane || !pane->control || !pane->visible || !pane->enabled) return false;
  CanvasFields* c = FieldsOf<CanvasFields>(pane->control);
  if (code == '\t' && !c->acceptTabs) return false;
  ObjectRef keep = ShareObject(pane->control);
  char ch = char(code);
  StringRef key = StringRef::Adopt(MakeString(std::string_view(&ch, 1)));
  uint32_t result = 0;
  FireEvent(pane->control, CanvasEvent(3), {uint32_t(reinterpret_cast<uintptr_t>(key.get()))},
            &result);
  return result & 0xFF;
}

void PaintWindow(WindowObject* window) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(window->hwnd, &ps);
  if (dc && !window->closing) {
    ObjectRef keep = ShareObject(window->instance);
    WindowFields* f = FieldsOf<WindowFields>(window->instance);
    if (f->backdrop) graphics::DrawPictureAt(dc, f->backdrop, 0, 0);
    PaintPanes(window, dc);
    if (!window->closing) {
      RECT client{};
      GetClientRect(window->hwnd, &client);
      int saved = SaveDC(dc);
      ExcludePanes(window->root, dc);
      graphics::GraphicsTarget t;
      t.dc = dc;
      t.window = window->hwnd;
      t.width = client.right;
      t.height = client.bottom;
      t.background = Background(window);
      ObjectRef g = ObjectRef::Adopt(graphics::NewGraphics(t));
      FireEvent(window->instance, EventOf(WindowEvent::kPaint), {Word(g.get())});
      graphics::DetachGraphics(g.get());
      RestoreDC(dc, saved);
    }
  }
  EndPaint(window->hwnd, &ps);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
using namespace tess::platform;

extern "C" {

TessObject* windowGraphicsGetter(TessObject* window, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    if (!window) Raise(RuntimeError::kNilObject);
    WindowObject* w = IsWindow(window) ? FieldsOf<WindowFields>(window)->window : nullptr;
    if (!w || w->closing) return nullptr;
    RECT client{};
    GetClientRect(w->hwnd, &client);
    graphics::GraphicsTarget t;
    t.window = w->hwnd;
    TakeContext(w->hwnd, &t);
    t.width = client.right;
    t.height = client.bottom;
    t.background = Background(w);
    return graphics::NewGraphics(t);
  });
}

TessObject* canvasGraphicsGetter(TessObject* canvas, uint32_t) {
  return AtEntry([&]() -> TessObject* {
    Pane* pane = CanvasPane(canvas);
    if (!pane) return nullptr;
    graphics::GraphicsTarget t = CanvasTarget(pane, nullptr);
    TakeContext(pane->window->hwnd, &t);
    return graphics::NewGraphics(t);
  });
}

void canvasBackdropSetter(TessObject* canvas, uint32_t, TessObject* picture) {
  AtEntry([&] {
    CanvasPane(canvas);
    if (picture && !graphics::IsPicture(picture)) Raise(RuntimeError::kIllegalCast);
    CanvasFields* c = FieldsOf<CanvasFields>(canvas);
    if (c->backdrop == picture) return;
    LockObject(picture);
    UnlockObject(c->backdrop);
    c->backdrop = picture;
    RuntimeControlRefresh(canvas);
  });
}

void canvasScroll(TessObject* canvas, int32_t dx, int32_t dy, int32_t left, int32_t top,
                  int32_t width, int32_t height, int32_t scrollControls) {
  AtEntry([&] {
    Pane* pane = CanvasPane(canvas);
    if (!pane || (dx == 0 && dy == 0)) return;
    int32_t cw = pane->bounds.right - pane->bounds.left;
    int32_t ch = pane->bounds.bottom - pane->bounds.top;
    if (width == -10000) width = cw - left;
    if (height == -10000) height = ch - top;
    // The rectangle in window coordinates, kept inside the canvas.
    RECT r{
        std::max(pane->bounds.left, pane->bounds.left + left),
        std::max(pane->bounds.top, pane->bounds.top + top),
        int32_t(std::min<int64_t>(pane->bounds.right, int64_t(pane->bounds.left) + left + width)),
        int32_t(std::min<int64_t>(pane->bounds.bottom, int64_t(pane->bounds.top) + top + height))};
    if (r.left >= r.right || r.top >= r.bottom) return;
    HWND hwnd = pane->window->hwnd;
    graphics::GraphicsTarget context;
    TakeContext(hwnd, &context);
    HDC dc = context.dc;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    BitBlt(dc, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, dc, r.left, r.top,
           SRCCOPY);
    RestoreDC(dc, saved);
    if (context.releaseDC) ReleaseDC(hwnd, dc);
    // The strips the move uncovered are painted afresh.
    int64_t w = r.right - r.left, h = r.bottom - r.top;
    if (dx != 0) {
      int32_t strip = int32_t(std::min<int64_t>(std::llabs(int64_t(dx)), w));
      RECT s = dx > 0 ? RECT{r.left, r.top, r.left + strip, r.bottom}
                      : RECT{r.right - strip, r.top, r.right, r.bottom};
      InvalidateRect(hwnd, &s, 1);
    }
    if (dy != 0) {
      int32_t strip = int32_t(std::min<int64_t>(std::llabs(int64_t(dy)), h));
      RECT s = dy > 0 ? RECT{r.left, r.top, r.right, r.top + strip}
                      : RECT{r.left, r.bottom - strip, r.right, r.bottom};
      InvalidateRect(hwnd, &s, 1);
    }
    if (!(scrollControls & 0xFF)) return;
    WindowFields* f = FieldsOf<WindowFields>(pane->window->instance);
    for (size_t i = 0; f->controls && i < f->controls->size(); ++i) {
      TessObject* control = f->controls->at(i);
      if (control == canvas || !IsRectControl(control)) continue;
      RectControlFields* rc = FieldsOf<RectControlFields>(control);
      if (rc->left >= r.left && rc->top >= r.top && rc->left + rc->width <= r.right &&
          rc->top + rc->height <= r.bottom)
        PlaceControl(control, rc->left + dx, rc->top + dy, rc->width, rc->height);
    }
  });
}

}  // extern "C"
