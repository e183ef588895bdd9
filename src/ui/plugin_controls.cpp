// Controls of plug-ins: each gets a native child window of the class
// "TSPluginControl" as its pane, made in the pane step like the standard
// controls, whose window procedure hands paint, mouse, keys, focus, size and
// enabling to the routines of the plug-in's control definition
// (tessera/plugin.h). Also the control and window services plug-ins reach
// through the entry lookup.
#include "ui/plugin_controls.h"

#include "graphics/graphics.h"
#include "platform/comctl/commctrl.h"
#include "platform/user/winuser.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/plugins.h"
#include "runtime/string_value.h"
#include "tessera/plugin.h"
#include "tessera/runtime.h"
#include "ui/instance_layout.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"

namespace tess::ui {
namespace {

using namespace platform;

constexpr const char* kPluginControlClass = "TSPluginControl";
// Window extra bytes: the control (not counted; the pane holds it), then
// whether a mouseDown kept the mouse.
constexpr int kControlSlot = 0;
constexpr int kTrackingSlot = 4;

const TessPluginControl* DefinitionOf(TessObject* control) {
  return control ? PluginControlOf(Header(control)->cls) : nullptr;
}

TessObject* SlotControl(HWND hwnd) {
  return reinterpret_cast<TessObject*>(uintptr_t(uint32_t(GetWindowLong(hwnd, kControlSlot))));
}

TessObject* ControlOfNative(HWND hwnd) {
  TessObject* control = SlotControl(hwnd);
  // Only while the control still has this window as its pane's.
  return control && NativeOf(control) == hwnd ? control : nullptr;
}

// The native window goes while its control is still held (by the window's
// list, or by the closing control itself), though a closing window has
// already taken it from the pane.
void Destroyed(HWND hwnd) {
  TessObject* control = SlotControl(hwnd);
  SetWindowLong(hwnd, kControlSlot, 0);
  const TessPluginControl* def = DefinitionOf(control);
  if (!def || !def->close) return;
  ObjectRef keep = ShareObject(control);
  def->close(control);
}

uint32_t BackgroundOf(TessObject* control) {
  WindowObject* w = WindowOfInstance(FieldsOf<ControlFields>(control)->window);
  return w && w->hasBackColor ? w->backColor & 0xFFFFFF : GetSysColor(COLOR_BTNFACE);
}

graphics::GraphicsTarget TargetOf(HWND hwnd, TessObject* control) {
  RECT client{};
  GetClientRect(hwnd, &client);
  graphics::GraphicsTarget t;
  t.window = hwnd;
  t.width = client.right;
  t.height = client.bottom;
  t.background = BackgroundOf(control);
  return t;
}

void Paint(HWND hwnd, TessObject* control, const TessPluginControl* def) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc) {
    graphics::GraphicsTarget t = TargetOf(hwnd, control);
    t.dc = dc;
    ObjectRef g = ObjectRef::Adopt(graphics::NewGraphics(t));
    // The window's background first, as under a canvas.
    RuntimeGraphicsClearRect(g.get(), 0, 0, t.width, t.height);
    if (def->paint) {
      ObjectRef keep = ShareObject(control);
      def->paint(control, g.get());
    }
    // A Graphics kept past paint draws nothing.
    graphics::DetachGraphics(g.get());
  }
  EndPaint(hwnd, &ps);
}

bool Enabled(TessObject* control) {
  return FieldsOf<RectControlFields>(control)->enabled;
}

LRESULT Mouse(HWND hwnd, UINT msg, LPARAM lParam, TessObject* control,
              const TessPluginControl* def) {
  int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  ObjectRef keep = ShareObject(control);
  bool tracking = GetWindowLong(hwnd, kTrackingSlot) != 0;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!Enabled(control)) return 0;
      if ((def->flags & TESS_CONTROL_ACCEPT_FOCUS) && GetFocus() != hwnd) SetFocus(hwnd);
      // Focus routines may have closed the window.
      if (NativeOf(control) != hwnd) return 0;
      if (def->mouseDown && (def->mouseDown(control, x, y) & 0xFF) && IsWindow(hwnd)) {
        SetWindowLong(hwnd, kTrackingSlot, 1);
        SetCapture(hwnd);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (tracking && def->mouseDrag) def->mouseDrag(control, x, y);
      return 0;
    case WM_LBUTTONUP:
      if (!tracking) return 0;
      SetWindowLong(hwnd, kTrackingSlot, 0);
      if (GetCapture() == hwnd) ReleaseCapture();
      if (def->mouseUp) def->mouseUp(control, x, y);
      return 0;
    default:
      return 0;
  }
}

LRESULT PluginControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    Destroyed(hwnd);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  TessObject* control = ControlOfNative(hwnd);
  const TessPluginControl* def = DefinitionOf(control);
  if (!def) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, control, def);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // paint covers the whole area
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      return Mouse(hwnd, msg, lParam, control, def);
    case WM_CAPTURECHANGED:
      SetWindowLong(hwnd, kTrackingSlot, 0);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS |
             ((def->flags & TESS_CONTROL_ACCEPT_TABS) ? DLGC_WANTTAB : 0);
    case WM_CHAR: {
      ObjectRef keep = ShareObject(control);
      if (Enabled(control) && def->keyDown && (def->keyDown(control, int32_t(wParam)) & 0xFF))
        return 0;
      break;
    }
    case WM_SIZE:
      if (def->resized) {
        ObjectRef keep = ShareObject(control);
        def->resized(control, LOWORD(lParam), HIWORD(lParam));
      }
      return 0;
    case WM_ENABLE:
      if (def->enable) {
        ObjectRef keep = ShareObject(control);
        def->enable(control, wParam ? 1 : 0);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

DWORD Style(TessObject* control) {
  const TessPluginControl* def = DefinitionOf(control);
  return def && (def->flags & TESS_CONTROL_ACCEPT_FOCUS) ? DWORD(WS_TABSTOP) : 0;
}

void Created(TessObject* control, HWND native) {
  SetWindowLong(native, kControlSlot, LONG(reinterpret_cast<uintptr_t>(control)));
  const TessPluginControl* def = DefinitionOf(control);
  if (def && def->open) {
    ObjectRef keep = ShareObject(control);
    def->open(control);
  }
}

void Focus(TessObject* control, bool gained) {
  const TessPluginControl* def = DefinitionOf(control);
  if (!def || !def->focus) return;
  ObjectRef keep = ShareObject(control);
  def->focus(control, gained ? 1 : 0);
}

const NativeKind kPluginKind = {
    kPluginControlClass, &Style, false, &Created, nullptr, &Focus, nullptr, nullptr,
};

// The control a service was asked about, when it is a RectControl with a
// pane in an open window.
Pane* LivePane(TessObject* control) {
  if (!IsRectControl(control)) return nullptr;
  Pane* pane = FieldsOf<ControlFields>(control)->pane;
  return pane && pane->window && !pane->window->closing ? pane : nullptr;
}

}  // namespace

void InitPluginControls() {
  static bool registered = false;
  if (!registered) {
    registered = true;
    WNDCLASS wc{};
    wc.lpfnWndProc = &PluginControlProc;
    wc.cbWndExtra = 8;
    wc.lpszClassName = kPluginControlClass;
    RegisterClass(&wc);
  }
  for (ClassObject* cls : PluginControlClasses()) SetNativeKind(cls, &kPluginKind);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
using namespace tess::platform;

extern "C" {

uint32_t TessGetControlHandle(TessObject* control) {
  return uint32_t(reinterpret_cast<uintptr_t>(NativeOf(control)));
}

uint32_t TessGetWindowHandle(TessObject* window) {
  WindowObject* w = IsWindow(window) ? WindowOfInstance(window) : nullptr;
  return w ? uint32_t(reinterpret_cast<uintptr_t>(w->hwnd)) : 0;
}

void TessInvalidateControl(TessObject* control) {
  if (HWND native = NativeOf(control)) {
    InvalidateRect(native, nullptr, 1);
  } else if (LivePane(control)) {
    RuntimeControlRefresh(control);
  }
}

void TessInvalidateControlRect(TessObject* control, int32_t left, int32_t top, int32_t right,
                               int32_t bottom) {
  if (left >= right || top >= bottom) return;
  if (HWND native = NativeOf(control)) {
    RECT r{left, top, right, bottom};
    InvalidateRect(native, &r, 1);
  } else if (LivePane(control)) {
    RuntimeControlRefreshRect(control, left, top, right - left, bottom - top);
  }
}

TessObject* TessGetControlGraphics(TessObject* control) {
  return AtEntry([control]() -> TessObject* {
    HWND native = NativeOf(control);
    if (!native || !LivePane(control)) return nullptr;
    graphics::GraphicsTarget t = TargetOf(native, control);
    t.dc = GetDC(native);
    t.releaseDC = true;
    return graphics::NewGraphics(t);
  });
}

int32_t TessGetControlFocus(TessObject* control) {
  HWND native = NativeOf(control);
  return native && GetFocus() == native ? 1 : 0;
}

void TessSetControlFocus(TessObject* control) {
  if (HWND native = NativeOf(control); native && LivePane(control)) SetFocus(native);
}

TessObject* TessGetControlParent(TessObject* control) {
  if (!IsControl(control)) return nullptr;
  TessObject* parent =
      IsRectControl(control) ? FieldsOf<RectControlFields>(control)->parent : nullptr;
  if (!parent) parent = FieldsOf<ControlFields>(control)->window;
  LockObject(parent);
  return parent;
}

int32_t TessGetControlEnabled(TessObject* control) {
  return IsRectControl(control) && FieldsOf<RectControlFields>(control)->enabled ? 1 : 0;
}

int32_t PluginGetControlBounds(TessObject* control, void* out) {
  auto* bounds = static_cast<TessRect*>(out);
  if (!bounds || !IsRectControl(control)) return 0;
  RectControlFields* r = FieldsOf<RectControlFields>(control);
  bounds->left = r->left;
  bounds->top = r->top;
  bounds->right = r->left + r->width;
  bounds->bottom = r->top + r->height;
  return 1;
}

TessString* PluginDefaultControlFont(void) {
  return MakeString("System");
}

int32_t PluginDefaultControlFontSize(void) {
  return 0;
}

TessString* PluginDefaultControlCaption(TessObject* control) {
  if (!control) return nullptr;
  if (IsControl(control)) {
    TessString* name = FieldsOf<ControlFields>(control)->name;
    if (Length(name) > 0) return Share(name);
  }
  return Share(Header(control)->cls->name);
}

}  // extern "C"
