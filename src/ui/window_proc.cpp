// The window and pane procedures: host messages turned into the events of
// windows and controls.
//
// Order of events the procedures guarantee:
// - activation: the window losing activation gets Deactivate before the one
//   gaining it gets Activate;
// - a click: the pane under the point (children before their container)
//   takes it; otherwise the window's MouseDown. MouseDown returning True
//   makes its receiver the mouse tracker: every later move is a MouseDrag
//   and the release exactly one MouseUp. False: no MouseDrag, no MouseUp.
// - mouse moves without a tracker: the window's MouseEnter on the first
//   move inside it, then MouseMove; a control's MouseExit before the next
//   one's MouseEnter, each followed by its MouseMove in its own coordinates;
// - a resize: every RectControl moved by the lock rules, then Resized;
// - a close: CancelClose (True keeps the window), each RectControl's Close in
//   list order, the window's Close, teardown.
// Nothing but the close request is delivered once a window is closing.
#include <cstring>
#include <string>

#include "platform/comctl/commctrl.h"
#include "platform/user/automation.h"
#include "platform/user/input.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "ui/canvas.h"
#include "ui/control_list.h"
#include "ui/mdi_frame.h"
#include "ui/menu_bar.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/window_proc.h"
#include "ui/windowing.h"

namespace tess::ui {
namespace {

using namespace platform;

constexpr int kCommandKey = 0x0100;
constexpr int kShiftKey = 0x0200;
constexpr int kOptionKey = 0x0800;
constexpr int kControlKey = 0x1000;
// The arrow cursor's resource number.
const char* const kArrowCursor = reinterpret_cast<const char*>(32512);

// The receiver of MouseDrag and MouseUp while a button is held: a window or a
// control instance (counted), in whose window the capture is.
struct Tracker {
  TessObject* receiver = nullptr;
  WindowObject* window = nullptr;
};

struct UiState {
  bool applicationActive = true;
  int modifiers = 0;
  Tracker tracker;
  WindowObject* underMouse = nullptr;
  void (*eventStep)() = nullptr;
};

UiState& State() {
  static UiState state;
  return state;
}

uint32_t Word(int32_t value) {
  return uint32_t(value);
}

int LiveModifiers() {
  int mask = 0;
  if (GetKeyState(VK_SHIFT) < 0) mask |= kShiftKey;
  if (GetKeyState(VK_CONTROL) < 0) mask |= kControlKey;
  if (GetKeyState(VK_MENU) < 0) mask |= kOptionKey;
  if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0) mask |= kCommandKey;
  return mask;
}

int MouseModifiers(WPARAM keys) {
  int mask = 0;
  if (keys & MK_SHIFT) mask |= kShiftKey;
  if (keys & MK_CONTROL) mask |= kControlKey;
  return mask;
}

WindowObject* FromHandle(HWND hwnd) {
  return reinterpret_cast<WindowObject*>(uintptr_t(uint32_t(GetWindowLong(hwnd, 0))));
}

POINT ControlOrigin(TessObject* control) {
  RectControlFields* r = FieldsOf<RectControlFields>(control);
  return POINT{r->left, r->top};
}

// Fires a mouse event with (X, Y) in the receiver's coordinates.
bool FireMouse(TessObject* receiver, const EventDescriptor* event, POINT inWindow,
               uint32_t* result = nullptr) {
  POINT p = inWindow;
  if (IsRectControl(receiver)) {
    POINT origin = ControlOrigin(receiver);
    p.x -= origin.x;
    p.y -= origin.y;
  }
  return FireEvent(receiver, event, {Word(p.x), Word(p.y)}, result);
}

const EventDescriptor* NamedEvent(TessObject* object, const char* name) {
  for (const ClassObject* c = Header(object)->cls; c; c = c->superclass)
    if (const EventDescriptor* e = FindEvent(c, name)) return e;
  return nullptr;
}

void EndTracking(POINT inWindow) {
  Tracker tracker = State().tracker;
  State().tracker = {};
  if (GetCapture()) ReleaseCapture();
  if (!tracker.receiver) return;
  ObjectRef receiver = ObjectRef::Adopt(tracker.receiver);
  const EventDescriptor* up = IsWindow(receiver.get()) ? EventOf(WindowEvent::kMouseUp)
                                                       : NamedEvent(receiver.get(), "MouseUp");
  if (up) FireMouse(receiver.get(), up, inWindow);
}

void StartTracking(WindowObject* window, TessObject* receiver) {
  LockObject(receiver);
  State().tracker = {receiver, window};
  SetCapture(window->hwnd);
}

void MouseDown(WindowObject* window, POINT p) {
  if (window->closing) return;
  if (Pane* pane = PaneAt(window, p)) {
    // The control's class decides; a control without a MouseDown handler
    // leaves the click to its native behaviour.
    TessObject* control = pane->control;
    ObjectRef keep = ShareObject(control);
    if (IsCanvas(control) && !FocusCanvasOnClick(window, pane)) return;
    const EventDescriptor* down = control ? NamedEvent(control, "MouseDown") : nullptr;
    uint32_t result = 0;
    if (down && FireMouse(control, down, p, &result) && (result & 0xFF) && !window->closing)
      StartTracking(window, control);
    return;
  }
  uint32_t result = 0;
  TessObject* instance = window->instance;
  if (!FireMouse(instance, EventOf(WindowEvent::kMouseDown), p, &result)) return;
  if (!(result & 0xFF) || window->closing) return;
  StartTracking(window, instance);
  // The handler may have ended tracking itself (a modal window opened).
  if (GetCapture() != window->hwnd && State().tracker.receiver) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(window->hwnd, &cursor);
    EndTracking(cursor);
  }
}

// Offers a move to the panes under the point: MouseExit for the control
// left, MouseEnter for the one entered, MouseMove for the one under it.
void RouteMove(WindowObject* window, POINT p) {
  Pane* pane = PaneAt(window, p);
  if (pane != window->hovered) {
    Pane* left = window->hovered;
    window->hovered = pane;
    if (left && left->control) FireEvent(left->control, EventOf(ControlEvent::kMouseExit), {});
    if (pane && pane->control) FireEvent(pane->control, EventOf(ControlEvent::kMouseEnter), {});
  }
  if (pane && pane->control && IsRectControl(pane->control))
    FireMouse(pane->control, EventOf(ControlEvent::kMouseMove), p);
}

void MouseMove(WindowObject* window, POINT p) {
  UiState& s = State();
  if (s.tracker.receiver) {
    ObjectRef receiver = ShareObject(s.tracker.receiver);
    const EventDescriptor* drag = IsWindow(receiver.get())
                                      ? EventOf(WindowEvent::kMouseDrag)
                                      : NamedEvent(receiver.get(), "MouseDrag");
    if (drag) FireMouse(receiver.get(), drag, p);
    return;
  }
  if (window->closing) return;
  if (s.underMouse != window) {
    WindowObject* left = s.underMouse;
    s.underMouse = window;
    if (left && !left->closing) {
      left->mouseInside = false;
      FireEvent(left->instance, EventOf(WindowEvent::kMouseExit), {});
    }
  }
  ObjectRef keep = ShareObject(window->instance);
  if (!window->mouseInside) {
    window->mouseInside = true;
    FireEvent(window->instance, EventOf(WindowEvent::kMouseEnter), {});
  }
  if (window->closing) return;
  RouteMove(window, p);
  if (!window->closing) FireMouse(window->instance, EventOf(WindowEvent::kMouseMove), p);
}

void LeaveWindow(WindowObject* window) {
  UiState& s = State();
  if (s.underMouse != window) return;
  s.underMouse = nullptr;
  if (window->hovered) {
    Pane* left = window->hovered;
    window->hovered = nullptr;
    if (left->control) FireEvent(left->control, EventOf(ControlEvent::kMouseExit), {});
  }
  if (window->mouseInside && !window->closing) {
    window->mouseInside = false;
    FireEvent(window->instance, EventOf(WindowEvent::kMouseExit), {});
  }
}

// Lock rules, then Resized.
void Resized(WindowObject* window) {
  WindowFields* f = FieldsOf<WindowFields>(window->instance);
  RECT now = ContentRect(window);
  int dw = (now.right - now.left) - f->current.width();
  int dh = (now.bottom - now.top) - f->current.height();
  f->current = Rect16{int16_t(now.top), int16_t(now.left), int16_t(now.bottom), int16_t(now.right)};
  if (window->closing) return;
  ObjectRef keep = ShareObject(window->instance);
  for (size_t i = 0; f->controls && i < f->controls->size(); ++i) {
    TessObject* control = f->controls->at(i);
    if (!IsRectControl(control)) continue;
    RectControlFields* r = FieldsOf<RectControlFields>(control);
    if (!r->lockRight && !r->lockBottom) continue;
    int32_t left = r->left, top = r->top, right = r->left + r->width, bottom = r->top + r->height;
    if (r->lockRight) {
      right += dw;
      if (!r->lockLeft) left += dw;
    }
    if (r->lockBottom) {
      bottom += dh;
      if (!r->lockTop) top += dh;
    }
    PlaceControl(control, left, top, right - left, bottom - top);
  }
  if (!window->closing && window->opened)
    FireEvent(window->instance, EventOf(WindowEvent::kResized), {});
}

void Moved(WindowObject* window) {
  WindowFields* f = FieldsOf<WindowFields>(window->instance);
  RECT now = ContentRect(window);
  f->current = Rect16{int16_t(now.top), int16_t(now.left), int16_t(now.bottom), int16_t(now.right)};
  if (!window->closing && window->opened)
    FireEvent(window->instance, EventOf(WindowEvent::kMoved), {});
}

// Keeps the client size within MinWidth..MaxWidth and MinHeight..MaxHeight
// while a border is dragged; the opposite edge stays.
void ClampSizing(WindowObject* window, UINT edge, RECT* r) {
  WindowFields* f = FieldsOf<WindowFields>(window->instance);
  if (!f->minWidth && !f->minHeight && !f->maxWidth && !f->maxHeight) return;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLong(window->hwnd, GWL_STYLE)), false,
                     DWORD(GetWindowLong(window->hwnd, GWL_EXSTYLE)));
  int extraW = frame.right - frame.left, extraH = frame.bottom - frame.top;
  auto clamp = [](int value, int lo, int hi) {
    if (hi > 0 && value > hi) value = hi;
    if (value < lo) value = lo;
    return value;
  };
  int width = clamp(r->right - r->left - extraW, f->minWidth, f->maxWidth) + extraW;
  int height = clamp(r->bottom - r->top - extraH, f->minHeight, f->maxHeight) + extraH;
  bool leftEdge = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
  bool topEdge = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
  if (leftEdge)
    r->left = r->right - width;
  else
    r->right = r->left + width;
  if (topEdge)
    r->top = r->bottom - height;
  else
    r->bottom = r->top + height;
}

bool KeyDown(WindowObject* window, int code) {
  if (window->closing) return false;
  if (OfferKeyToCanvas(window, code)) return true;
  char c = char(code);
  StringRef key = StringRef::Adopt(MakeString(std::string_view(&c, 1)));
  uint32_t result = 0;
  FireEvent(window->instance, EventOf(WindowEvent::kKeyDown),
            {uint32_t(reinterpret_cast<uintptr_t>(key.get()))}, &result);
  return result & 0xFF;
}

void EraseBackground(WindowObject* window, HDC dc) {
  RECT client{};
  GetClientRect(window->hwnd, &client);
  if (window->hasBackColor) {
    uint32_t rgb = window->backColor;
    HBRUSH brush = CreateSolidBrush(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
  } else {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  }
}

POINT ClientPoint(LPARAM lParam) {
  return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

bool Answer(LRESULT* result, LRESULT value) {
  *result = value;
  return true;
}

}  // namespace

bool HandleWindowMessage(WindowObject* window, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                         LRESULT* result) {
  UiState& s = State();
  if (ReflectControlMessage(window, msg, wParam, lParam, result)) return true;
  switch (msg) {
    case WM_MOVE:
      if (s.applicationActive) Moved(window);
      return Answer(result, 0);
    case WM_SIZE:
      if (s.applicationActive && wParam != SIZE_MINIMIZED) Resized(window);
      return Answer(result, 0);
    case WM_ACTIVATE:
    case WM_MDIACTIVATE: {
      // A document of the multiple-document frame is told through
      // WM_MDIACTIVATE, whose lParam is the document being activated.
      bool active = msg == WM_MDIACTIVATE ? reinterpret_cast<HWND>(lParam) == hwnd
                                          : LOWORD(wParam) != WA_INACTIVE;
      window->active = active;
      if (!window->closing)
        FireEvent(window->instance,
                  EventOf(active ? WindowEvent::kActivate : WindowEvent::kDeactivate), {});
      if (!window->closing) RunEnablingPass();
      return Answer(result, 0);
    }
    case WM_INITMENU:
      RunEnablingPass();
      return Answer(result, 0);
    case WM_COMMAND:
      if (lParam == 0) {  // a menu command or an accelerator
        DispatchMenuCommand(LOWORD(wParam));
        return Answer(result, 0);
      }
      break;
    case WM_ACTIVATEAPP:
      s.applicationActive = wParam != 0;
      for (WindowObject* w = FirstWindow(); w; w = w->next) {
        if (!w->floating || !IsWindowVisible(w->hwnd)) continue;
        SetWindowPos(w->hwnd, s.applicationActive ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      return Answer(result, 0);
    case WM_CLOSE:
      RequestClose(window);
      return Answer(result, 0);
    case WM_ERASEBKGND:
      EraseBackground(window, reinterpret_cast<HDC>(wParam));
      return Answer(result, 1);
    case WM_PAINT:
      PaintWindow(window);
      return Answer(result, 0);
    case WM_MOUSEACTIVATE:
      if (WindowObject* top = TopDialog(); top && top != window) {
        MessageBeep(0);
        return Answer(result, MA_NOACTIVATEANDEAT);
      }
      return Answer(result, MA_ACTIVATE);
    case WM_SIZING:
      ClampSizing(window, UINT(wParam), reinterpret_cast<RECT*>(lParam));
      return Answer(result, 1);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      s.modifiers = MouseModifiers(wParam);
      MouseDown(window, ClientPoint(lParam));
      return Answer(result, 0);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      s.modifiers = MouseModifiers(wParam);
      if (s.tracker.receiver) EndTracking(ClientPoint(lParam));
      return Answer(result, 0);
    case WM_MOUSEMOVE:
      s.modifiers = MouseModifiers(wParam);
      MouseMove(window, ClientPoint(lParam));
      return Answer(result, 0);
    case WM_NCMOUSEMOVE:
      LeaveWindow(window);
      break;
    case WM_CAPTURECHANGED:
      if (s.tracker.window == window && reinterpret_cast<HWND>(lParam) != hwnd &&
          s.tracker.receiver) {
        Tracker lost = s.tracker;
        s.tracker = {};
        UnlockObject(lost.receiver);
      }
      return Answer(result, 0);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      s.modifiers = LiveModifiers();
      if (int code = KeyDownCode(wParam)) KeyDown(window, code);
      break;
    case WM_CHAR:
      s.modifiers = LiveModifiers();
      KeyDown(window, int(wParam & 0xFF));
      return Answer(result, 0);
    case WM_DESTROY:
      if (s.underMouse == window) s.underMouse = nullptr;
      if (s.tracker.window == window) {
        Tracker lost = s.tracker;
        s.tracker = {};
        UnlockObject(lost.receiver);
      }
      break;
    default:
      break;
  }
  return false;
}

WindowObject* WindowFromHandle(HWND hwnd) {
  return FromHandle(hwnd);
}

// The text KeyDown receives: the character, or the classic codes of the
// keys that type none.
int KeyDownCode(WPARAM vk) {
  switch (vk) {
    case VK_LEFT:
      return 28;
    case VK_RIGHT:
      return 29;
    case VK_UP:
      return 30;
    case VK_DOWN:
      return 31;
    case VK_DELETE:
      return 127;
    case VK_HOME:
      return 1;
    case VK_END:
      return 4;
    case VK_PRIOR:
      return 11;
    case VK_NEXT:
      return 12;
    default:
      return 0;
  }
}

namespace {

LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowObject* window = FromHandle(hwnd);
  LRESULT result = 0;
  if (window && HandleWindowMessage(window, hwnd, msg, wParam, lParam, &result)) return result;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Panes without a native control of their own draw in their window; those
// with one get this procedure for the native child's container.
LRESULT PaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* pane = reinterpret_cast<Pane*>(uintptr_t(uint32_t(GetWindowLong(hwnd, 0))));
  if (!pane || !pane->window) return DefWindowProc(hwnd, msg, wParam, lParam);
  WindowObject* window = pane->window;
  auto toWindow = [&](LPARAM l) {
    POINT p = ClientPoint(l);
    p.x += pane->bounds.left;
    p.y += pane->bounds.top;
    return p;
  };
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      State().modifiers = MouseModifiers(wParam);
      MouseDown(window, toWindow(lParam));
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(window, toWindow(lParam));
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (State().tracker.receiver) EndTracking(toWindow(lParam));
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void InitWindowing() {
  static bool done = false;
  if (done) return;
  done = true;
  InitWindowClasses();
  InitMenuClasses();
  InitCanvasClass();
  WNDCLASS wc{};
  wc.style = CS_OWNDC | CS_DBLCLKS;
  wc.lpfnWndProc = &WindowProc;
  wc.cbWndExtra = 4;
  wc.hCursor = LoadCursor(nullptr, kArrowCursor);
  wc.lpszClassName = kWindowClassName;
  RegisterClass(&wc);
  WNDCLASS pane{};
  pane.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  pane.lpfnWndProc = &PaneProc;
  pane.cbWndExtra = 4;
  pane.hCursor = LoadCursor(nullptr, kArrowCursor);
  pane.lpszClassName = kPaneClassName;
  RegisterClass(&pane);
  pane.lpszClassName = kCanvasPaneClassName;
  RegisterClass(&pane);
  InitMdiClasses();
  InitStandardControls();
}

void SetEventStep(void (*step)()) {
  State().eventStep = step;
}

int OpenWindowCount() {
  int n = 0;
  for (WindowObject* w = FirstWindow(); w; w = w->next)
    if (!w->closing) ++n;
  return n;
}

bool MayAllWindowsClose() {
  for (WindowObject* w = FirstWindow(); w; w = w->next) {
    if (w->closing) continue;
    uint32_t cancel = 0;
    if (FireEvent(w->instance, EventOf(WindowEvent::kCancelClose), {}, &cancel) && (cancel & 0xFF))
      return false;
  }
  return true;
}

void CloseAllWindows() {
  while (WindowObject* w = FirstWindow()) RequestClose(w, false);
  CloseMdiFrame();
}

bool WantsPolling() {
  return State().tracker.receiver != nullptr;
}

bool OfferShortcut(const void* msg) {
  const MSG& m = *static_cast<const MSG*>(msg);
  return OfferMenuShortcut(m) || OfferMdiAccelerator(m) || OfferControlKey(m);
}

int CurrentModifiers() {
  return State().modifiers;
}

// The modal loop: one event at a time while the window exists and is shown.
// A script driving the application is suspended below this loop: when no
// message waits, its next command runs here, until the window is gone. A
// script that ends with the window still open leaves it to the user.
void RunModal(TessObject* instance) {
  ObjectRef keep = ShareObject(instance);
  auto over = [instance] {
    WindowObject* w = FieldsOf<WindowFields>(instance)->window;
    return !w || w->closing || !IsWindowVisible(w->hwnd);
  };
  // The keyboard starts in the dialog's first control, as on the platform,
  // unless its Open already put it somewhere inside.
  if (WindowObject* w = FieldsOf<WindowFields>(instance)->window; w && !over()) {
    HWND focus = GetFocus();
    if (!focus || focus == w->hwnd || !IsChild(w->hwnd, focus))
      if (HWND first = GetNextDlgTabItem(w->hwnd, nullptr, FALSE)) SetFocus(first);
  }
  while (!over() && State().eventStep) {
    MSG pending{};
    if (automation::ScriptRunning() && !PeekMessage(&pending, nullptr, 0, 0, PM_NOREMOVE) &&
        !input::Pending()) {
      if (automation::ContinueScript(over)) continue;
      return;
    }
    State().eventStep();
  }
}

}  // namespace tess::ui
