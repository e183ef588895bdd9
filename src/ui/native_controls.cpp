// Native child windows for control panes. The child is subclassed so that
// the control's MouseDown runs before the child's own click handling (True
// makes the control the mouse tracker and the child never sees the click),
// and so that focus changes reach GotFocus and LostFocus.
#include "ui/native_controls.h"

#include <map>
#include <tuple>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "ui/binding.h"
#include "ui/control_list.h"
#include "ui/timer.h"
#include "ui/window_class.h"

namespace tess::ui {

void InitButtonClasses();
void InitPopupClass();
void InitValueControlClasses();
void InitPanelClasses();
void InitContextualMenuClass();
void InitShapeClasses();

namespace {

using namespace platform;

constexpr int kFirstControlId = 1000;

std::vector<std::pair<ClassObject*, const NativeKind*>>& Kinds() {
  static std::vector<std::pair<ClassObject*, const NativeKind*>> kinds;
  return kinds;
}

const char* const kPaneProp = "TS_Pane";

Pane* PaneOfNative(HWND hwnd) {
  return static_cast<Pane*>(GetProp(hwnd, kPaneProp));
}

LRESULT CallHost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<WNDPROC>(GetProp(hwnd, "TS_HostProc"));
  return proc ? CallWindowProc(proc, hwnd, msg, wParam, lParam)
              : DefWindowProc(hwnd, msg, wParam, lParam);
}

bool HasHandler(TessObject* control, const char* name) {
  for (const ClassObject* c = Header(control)->cls; c; c = c->superclass)
    if (const EventDescriptor* e = FindEvent(c, name)) return FindHook(control, e) != nullptr;
  return false;
}

LRESULT SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Pane* pane = PaneOfNative(hwnd);
  if (!pane || !pane->control || !pane->window) return CallHost(hwnd, msg, wParam, lParam);
  TessObject* control = pane->control;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      if (!HasHandler(control, "MouseDown")) break;
      // The window's own click routing fires MouseDown on this pane; a
      // handler answering True leaves the capture with the window.
      HWND parent = pane->window->hwnd;
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      MapWindowPoints(hwnd, parent, &p, 1);
      ObjectRef keep = ShareObject(control);
      SendMessage(parent, msg, wParam, MAKELPARAM(p.x, p.y));
      if (GetCapture() == parent || !IsWindow(hwnd) || msg == WM_RBUTTONDOWN) return 0;
      break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      LRESULT r = CallHost(hwnd, msg, wParam, lParam);
      if (const NativeKind* kind = NativeKindOf(control); kind && kind->focus)
        kind->focus(control, msg == WM_SETFOCUS);
      return r;
    }
    case WM_NCDESTROY: {
      LRESULT r = CallHost(hwnd, msg, wParam, lParam);
      RemoveProp(hwnd, kPaneProp);
      RemoveProp(hwnd, "TS_HostProc");
      if (pane->native == hwnd) pane->native = nullptr;
      return r;
    }
    default:
      break;
  }
  return CallHost(hwnd, msg, wParam, lParam);
}

bool IsContainerPane(const Pane* pane) {
  if (!pane->control || !pane->native) return false;
  const NativeKind* kind = NativeKindOf(pane->control);
  return kind && kind->container;
}

// Containers go beneath every other child, the outermost lowest, so the
// controls they hold are in front of them.
void SinkContainers(WindowObject* window) {
  ControlList* controls = FieldsOf<WindowFields>(window->instance)->controls;
  if (!controls) return;
  for (size_t i = controls->size(); i-- > 0;) {
    TessObject* c = controls->at(i);
    if (!IsRectControl(c)) continue;
    Pane* pane = FieldsOf<ControlFields>(c)->pane;
    if (pane && IsContainerPane(pane))
      SetWindowPos(pane->native, HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

Pane* PaneOfChild(WindowObject* window, HWND child) {
  Pane* pane = child ? PaneOfNative(child) : nullptr;
  return pane && pane->window == window ? pane : nullptr;
}

}  // namespace

void SetNativeKind(ClassObject* cls, const NativeKind* kind) {
  Kinds().push_back({cls, kind});
}

const NativeKind* NativeKindOf(TessObject* control) {
  if (!control) return nullptr;
  for (const ClassObject* c = Header(control)->cls; c; c = c->superclass)
    for (const auto& [cls, kind] : Kinds())
      if (cls == c) return kind;
  return nullptr;
}

bool InOpenWindow(TessObject* control) {
  if (!IsControl(control)) return false;
  WindowObject* w = WindowOfInstance(FieldsOf<ControlFields>(control)->window);
  return w && !w->closing;
}

HWND NativeOf(TessObject* control) {
  if (!IsControl(control)) return nullptr;
  Pane* pane = FieldsOf<ControlFields>(control)->pane;
  return pane ? pane->native : nullptr;
}

int NativeIdOf(TessObject* control) {
  TessObject* window = IsControl(control) ? FieldsOf<ControlFields>(control)->window : nullptr;
  ControlList* controls = IsWindow(window) ? FieldsOf<WindowFields>(window)->controls : nullptr;
  return kFirstControlId + int(controls ? controls->PositionOf(control) : 0);
}

void MakeNativeControl(WindowObject* window, TessObject* control) {
  const NativeKind* kind = NativeKindOf(control);
  Pane* pane = FieldsOf<ControlFields>(control)->pane;
  if (!kind || !pane || pane->native || !window || window->closing) return;
  int id = NativeIdOf(control);
  const RECT& b = pane->bounds;
  HWND hwnd = CreateWindowEx(0, kind->hostClass, "", WS_CHILD | kind->style(control), b.left, b.top,
                             b.right - b.left, b.bottom - b.top, window->hwnd,
                             reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  if (!hwnd) return;
  SetProp(hwnd, kPaneProp, pane);
  SetProp(hwnd, "TS_HostProc", reinterpret_cast<HANDLE>(GetWindowLong(hwnd, GWL_WNDPROC)));
  SetWindowLong(hwnd, GWL_WNDPROC, LONG(reinterpret_cast<uintptr_t>(&SubclassProc)));
  pane->native = hwnd;
  if (kind->created) kind->created(control, hwnd);
  SinkContainers(window);
  ShowWindow(hwnd, SW_SHOWNA);
}

bool ReflectControlMessage(WindowObject* window, UINT msg, WPARAM wParam, LPARAM lParam,
                           LRESULT* result) {
  switch (msg) {
    case WM_COMMAND: {
      Pane* pane = PaneOfChild(window, reinterpret_cast<HWND>(lParam));
      if (!pane || !pane->control || window->closing) return false;
      const NativeKind* kind = NativeKindOf(pane->control);
      if (!kind || !kind->command) return false;
      ObjectRef keep = ShareObject(pane->control);
      kind->command(pane->control, UINT(HIWORD(wParam)));
      *result = 0;
      return true;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      Pane* pane = header ? PaneOfChild(window, header->hwndFrom) : nullptr;
      if (!pane || !pane->control || window->closing) return false;
      const NativeKind* kind = NativeKindOf(pane->control);
      if (!kind || !kind->command) return false;
      ObjectRef keep = ShareObject(pane->control);
      kind->command(pane->control, header->code);
      *result = 0;
      return true;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      Pane* pane = PaneOfChild(window, reinterpret_cast<HWND>(lParam));
      if (!pane || !pane->control || window->closing) return false;
      const NativeKind* kind = NativeKindOf(pane->control);
      if (!kind || !kind->scroll) return false;
      ObjectRef keep = ShareObject(pane->control);
      kind->scroll(pane->control, LOWORD(wParam), int16_t(HIWORD(wParam)));
      *result = 0;
      return true;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      Pane* pane = PaneOfChild(window, reinterpret_cast<HWND>(lParam));
      if (!pane || !pane->control) return false;
      HDC dc = reinterpret_cast<HDC>(wParam);
      const NativeKind* kind = NativeKindOf(pane->control);
      if (kind && kind->textColor) {
        uint32_t rgb = uint32_t(kind->textColor(pane->control));
        SetTextColor(dc, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
      } else {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      }
      // Controls show the window's background colour around them.
      static std::map<uint32_t, HBRUSH> brushes;
      if (!window->hasBackColor) {
        *result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
      }
      uint32_t rgb = window->backColor;
      HBRUSH& brush = brushes[rgb];
      if (!brush) brush = CreateSolidBrush(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
      *result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default:
      return false;
  }
}

bool OfferControlKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  HWND focus = GetFocus();
  if (!focus) return false;
  HWND top = GetAncestor(focus, GA_ROOT);
  WindowObject* window = WindowOf(top);
  if (!window || window->closing) return false;
  MSG copy = msg;
  if (IsDialogMessage(window->hwnd, &copy)) return true;
  if (msg.message != WM_SYSKEYDOWN || GetKeyState(VK_CONTROL) < 0) return false;
  // Alt with a label's mnemonic (buttons took theirs above) goes to the
  // label's class as a click would.
  char key = char(msg.wParam);
  ControlList* controls = FieldsOf<WindowFields>(window->instance)->controls;
  for (size_t i = 0; controls && i < controls->size(); ++i) {
    TessObject* c = controls->at(i);
    HWND native = NativeOf(c);
    const NativeKind* kind = NativeKindOf(c);
    if (!native || !kind || !kind->command || !IsWindowVisible(native) ||
        !(SendMessage(native, WM_GETDLGCODE, 0, 0) & DLGC_STATIC) || MnemonicOf(native) != key)
      continue;
    ObjectRef keep = ShareObject(c);
    kind->command(c, STN_CLICKED);
    return true;
  }
  return false;
}

HFONT ControlFont(TessString* name, int32_t size, bool bold, bool italic, bool underline) {
  std::string face(View(name));
  face = face.empty() ? std::string("MS Sans Serif") : NativeFontName(face);
  if (size <= 0) size = 8;
  static std::map<std::tuple<std::string, int32_t, int>, HFONT> fonts;
  HFONT& font = fonts[{face, size, (bold ? 1 : 0) | (italic ? 2 : 0) | (underline ? 4 : 0)}];
  if (!font)
    font = CreateFont(-(size * 96 + 36) / 72, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic,
                      underline, 0, 0, 0, 0, 0, 0, face.c_str());
  return font;
}

void ApplyControlFont(TessObject* control, TessString* name, int32_t size, bool bold, bool italic,
                      bool underline) {
  if (HWND native = NativeOf(control))
    SendMessage(native, WM_SETFONT,
                reinterpret_cast<WPARAM>(ControlFont(name, size, bold, italic, underline)), 1);
}

void InitStandardControls() {
  static bool done = false;
  if (done) return;
  done = true;
  InitCommonControls();
  InitButtonClasses();
  InitPopupClass();
  InitValueControlClasses();
  InitPanelClasses();
  InitContextualMenuClass();
  InitShapeClasses();
  InitTimerClass();
  InitBinders();
}

}  // namespace tess::ui
