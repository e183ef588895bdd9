// Entry points of windows and controls: showing, hiding, closing and modal
// windows, the Window and RectControl accessors, and the control list.
// Accessors take the property record's parameter after the object (the
// position accessors' selector: 0 Left, 1 Top, 2 Width, 3 Height).
#include <algorithm>

#include "platform/user/winuser.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/control_list.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"

namespace tess::ui {
namespace {

using namespace platform;

WindowFields* WindowFieldsOf(TessObject* window) {
  return IsWindow(window) ? FieldsOf<WindowFields>(window) : nullptr;
}
RectControlFields* RectFieldsOf(TessObject* control) {
  return IsRectControl(control) ? FieldsOf<RectControlFields>(control) : nullptr;
}
WindowObject* OpenOf(TessObject* window) {
  WindowFields* f = WindowFieldsOf(window);
  return f && f->window && !f->window->closing ? f->window : nullptr;
}

int32_t Bool(uint8_t value) {
  return value ? 1 : 0;
}

// Moves the open window so that its content takes `r` (screen coordinates).
void MoveContent(WindowObject* w, const Rect16& r) {
  RECT frame{r.left, r.top, r.right, r.bottom};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLong(w->hwnd, GWL_STYLE)), false,
                     DWORD(GetWindowLong(w->hwnd, GWL_EXSTYLE)));
  // A document of the multiple-document frame is placed in its client.
  if (GetWindowLong(w->hwnd, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(nullptr, GetParent(w->hwnd), reinterpret_cast<POINT*>(&frame), 2);
  SetWindowPos(w->hwnd, nullptr, frame.left, frame.top, frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Show(TessObject* window, HWND owner) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  f->visible = 1;
  WindowObject* w = OpenOf(window);
  if (!w) return;
  if (owner) SetWindowLong(w->hwnd, GWL_HWNDPARENT, LONG(reinterpret_cast<uintptr_t>(owner)));
  ShowWindow(w->hwnd, SW_SHOW);
  BringWindowToTop(w->hwnd);
  SetActiveWindow(w->hwnd);
}

int32_t GetBoolField(TessObject* window, uint8_t WindowFields::*field) {
  WindowFields* f = WindowFieldsOf(window);
  return f ? Bool(f->*field) : 0;
}

void SetBoolField(TessObject* window, uint8_t WindowFields::*field, int32_t value) {
  if (WindowFields* f = WindowFieldsOf(window)) f->*field = (value & 0xFF) ? 1 : 0;
}

void SetControlString(TessObject* control, TessString* ControlFields::*field, TessString* value) {
  if (!IsControl(control)) return;
  TessString*& slot = FieldsOf<ControlFields>(control)->*field;
  RuntimeLockUnlockStrings(value, slot);
  slot = value;
}

// The mouse position in a window's content coordinates.
POINT MouseIn(HWND hwnd) {
  POINT p{};
  GetCursorPos(&p);
  if (hwnd) ScreenToClient(hwnd, &p);
  return p;
}

}  // namespace
}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

void RuntimeShowWindow(TessObject* window) {
  Show(window, nullptr);
}

void RuntimeShowWithinWindow(TessObject* window, TessObject* owner) {
  WindowObject* o = OpenOf(owner);
  Show(window, o ? o->hwnd : nullptr);
}

void RuntimeHideWindow(TessObject* window) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  f->visible = 0;
  if (WindowObject* w = OpenOf(window)) ShowWindow(w->hwnd, SW_HIDE);
}

void RuntimeCloseWindow(TessObject* window) {
  tess::AtEntry([window] {
    if (WindowObject* w = OpenOf(window)) RequestClose(w, IsWindowVisible(w->hwnd));
  });
}

void RuntimeShowModal(TessObject* window) {
  tess::AtEntry([window] {
    Show(window, nullptr);
    RunModal(window);
  });
}

void RuntimeShowModalWithinWindow(TessObject* window, TessObject* owner) {
  tess::AtEntry([window, owner] {
    WindowObject* o = OpenOf(owner);
    Show(window, o ? o->hwnd : nullptr);
    RunModal(window);
  });
}

int32_t getWindowCount() {
  return OpenWindowCount();
}

TessObject* getWindow(int32_t index) {
  WindowObject* w = WindowAt(index);
  if (!w) return nullptr;
  LockObject(w->instance);
  return w->instance;
}

TessObject* windowControl(TessObject* window, int32_t index) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f || !f->controls || index < 0 || size_t(index) >= f->controls->size()) return nullptr;
  TessObject* control = f->controls->at(size_t(index));
  LockObject(control);
  return control;
}

void WindowAddControl(TessObject* window, TessObject* control) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f || !f->controls || !IsControl(control)) return;
  ControlFields* c = FieldsOf<ControlFields>(control);
  c->window = window;
  f->controls->Add(control, View(c->name), c->index);
}

int32_t windowControlCountGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  return f && f->controls ? int32_t(f->controls->size()) : 0;
}

int32_t WindowVisibleGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return 0;
  if (WindowObject* w = OpenOf(window)) return IsWindowVisible(w->hwnd) ? 1 : 0;
  return Bool(f->visible);
}

void WindowVisibleSetter(TessObject* window, uint32_t, int32_t value) {
  if (value & 0xFF)
    RuntimeShowWindow(window);
  else
    RuntimeHideWindow(window);
}

int32_t windowPosGetter(TessObject* window, uint32_t selector) {
  WindowFields* f = WindowFieldsOf(window);
  return f ? f->current.part(selector) : 0;
}

void windowPosSetter(TessObject* window, uint32_t selector, int32_t value) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  Rect16 r = f->current;
  int16_t v = int16_t(std::clamp(value, -32768, 32767));
  switch (selector) {
    case 0:
      r.right = int16_t(v + r.width());
      r.left = v;
      break;
    case 1:
      r.bottom = int16_t(v + r.height());
      r.top = v;
      break;
    case 2:
      r.right = int16_t(r.left + std::max<int16_t>(v, 0));
      break;
    case 3:
      r.bottom = int16_t(r.top + std::max<int16_t>(v, 0));
      break;
    default:
      return;
  }
  f->lastSet = r;
  if (WindowObject* w = OpenOf(window)) {
    MoveContent(w, r);  // WM_SIZE and WM_MOVE bring `current` up to date
  } else {
    f->current = r;
  }
}

int32_t windowPlacementGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  return f ? f->placement : 0;
}
void windowPlacementSetter(TessObject* window, uint32_t, int32_t value) {
  if (WindowFields* f = WindowFieldsOf(window)) f->placement = value;
}

TessString* windowTitleGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  return f ? Share(f->title) : nullptr;
}

void windowTitleSetter(TessObject* window, uint32_t, TessString* title) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  RuntimeLockUnlockStrings(title, f->title);
  f->title = title;
  if (WindowObject* w = OpenOf(window)) SetWindowText(w->hwnd, std::string(View(title)).c_str());
}

int32_t windowFullScreenGetter(TessObject* window, uint32_t) {
  return GetBoolField(window, &WindowFields::fullScreen);
}

void windowFullScreenSetter(TessObject* window, uint32_t, int32_t value) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  bool full = value & 0xFF;
  if (full == bool(f->fullScreen)) return;
  f->fullScreen = full;
  WindowObject* w = OpenOf(window);
  if (!w) return;
  Rect16 r = f->lastSet;
  if (full)
    r = Rect16{0, 0, int16_t(GetSystemMetrics(SM_CYSCREEN)),
               int16_t(GetSystemMetrics(SM_CXSCREEN))};
  MoveContent(w, r);
}

int32_t windowMenusVisibleGetter(TessObject* window, uint32_t) {
  return GetBoolField(window, &WindowFields::menuBarVisible);
}
void windowMenusVisibleSetter(TessObject* window, uint32_t, int32_t value) {
  SetBoolField(window, &WindowFields::menuBarVisible, value);
}

int32_t windowCloseBoxGetter(TessObject* window, uint32_t) {
  return GetBoolField(window, &WindowFields::closeBox);
}
void windowCloseBoxSetter(TessObject* window, uint32_t, int32_t value) {
  SetBoolField(window, &WindowFields::closeBox, value);
}
int32_t windowGrowIconGetter(TessObject* window, uint32_t) {
  return GetBoolField(window, &WindowFields::growIcon);
}
void windowGrowIconSetter(TessObject* window, uint32_t, int32_t value) {
  SetBoolField(window, &WindowFields::growIcon, value);
}
int32_t windowZoomIconGetter(TessObject* window, uint32_t) {
  return GetBoolField(window, &WindowFields::zoomIcon);
}
void windowZoomIconSetter(TessObject* window, uint32_t, int32_t value) {
  SetBoolField(window, &WindowFields::zoomIcon, value);
}

int32_t windowFrameGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  return f ? f->frame : 0;
}
// The frame kind of an open window stays; the value applies when it opens.
void windowFrameSetter(TessObject* window, uint32_t, int32_t value) {
  if (WindowFields* f = WindowFieldsOf(window)) f->frame = value;
}

TessObject* windowBackdropGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return nullptr;
  LockObject(f->backdrop);
  return f->backdrop;
}
void windowBackdropSetter(TessObject* window, uint32_t, TessObject* picture) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f || f->backdrop == picture) return;
  LockObject(picture);
  UnlockObject(f->backdrop);
  f->backdrop = picture;
  if (WindowObject* w = OpenOf(window)) InvalidateRect(w->hwnd, nullptr, 1);
}

int32_t windowHasBackColorGetter(TessObject* window, uint32_t) {
  return GetBoolField(window, &WindowFields::hasBackColor);
}
void windowHasBackColorSetter(TessObject* window, uint32_t, int32_t value) {
  SetBoolField(window, &WindowFields::hasBackColor, value);
  if (WindowObject* w = OpenOf(window)) {
    w->hasBackColor = FieldsOf<WindowFields>(window)->hasBackColor;
    InvalidateRect(w->hwnd, nullptr, 1);
  }
}
int32_t windowBackColorGetter(TessObject* window, uint32_t) {
  WindowFields* f = WindowFieldsOf(window);
  return f ? f->backColor : 0;
}
void windowBackColorSetter(TessObject* window, uint32_t, int32_t color) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  f->backColor = color;
  if (WindowObject* w = OpenOf(window)) {
    w->backColor = uint32_t(color) & 0xFFFFFF;
    InvalidateRect(w->hwnd, nullptr, 1);
  }
}

void windowBalloonHelpSetter(TessObject* window, uint32_t, TessString* text) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f) return;
  RuntimeLockUnlockStrings(text, f->balloonHelp);
  f->balloonHelp = text;
}

void formMouseCursorSetter(TessObject* window, uint32_t, TessObject* cursor) {
  WindowFields* f = WindowFieldsOf(window);
  if (!f || f->mouseCursor == cursor) return;
  LockObject(cursor);
  UnlockObject(f->mouseCursor);
  f->mouseCursor = cursor;
}

int32_t windowMouseXGetter(TessObject* window, uint32_t) {
  WindowObject* w = OpenOf(window);
  return w ? MouseIn(w->hwnd).x : 0;
}
int32_t windowMouseYGetter(TessObject* window, uint32_t) {
  WindowObject* w = OpenOf(window);
  return w ? MouseIn(w->hwnd).y : 0;
}

int32_t windowHWNDGetter(TessObject* window, uint32_t) {
  WindowObject* w = OpenOf(window);
  return w ? int32_t(reinterpret_cast<uintptr_t>(w->hwnd)) : 0;
}
// There is no Macintosh window record on this platform.
int32_t windowWindowPtrGetter(TessObject*, uint32_t) {
  return 0;
}

void WindowForceUpdateFrontBuffer(TessObject*) {}

void formRefresh(TessObject* window) {
  if (WindowObject* w = OpenOf(window)) InvalidateRect(w->hwnd, nullptr, 1);
}

void formRefreshRect(TessObject* window, int32_t left, int32_t top, int32_t width, int32_t height) {
  WindowObject* w = OpenOf(window);
  if (!w) return;
  RECT r{left, top, left + width, top + height};
  InvalidateRect(w->hwnd, &r, 1);
}

void formSetFocus(TessObject* window) {
  if (WindowObject* w = OpenOf(window)) SetFocus(w->hwnd);
}

/* Controls */

int32_t controlVisibleGetter(TessObject* control, uint32_t) {
  RectControlFields* r = RectFieldsOf(control);
  return r ? Bool(r->visible) : 0;
}

void ControlVisibleSetter(TessObject* control, uint32_t, int32_t value) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r) return;
  r->visible = (value & 0xFF) ? 1 : 0;
  Pane* pane = r->control.pane;
  if (!pane) return;
  pane->visible = r->visible && OnShownPages(control);  // and on its panel's page
  PanesChanged();
  if (pane->native) ShowWindow(pane->native, pane->visible ? SW_SHOW : SW_HIDE);
  if (pane->window) InvalidateRect(pane->window->hwnd, &pane->bounds, 1);
}

int32_t controlEnabledGetter(TessObject* control, uint32_t) {
  RectControlFields* r = RectFieldsOf(control);
  return r ? Bool(r->enabled) : 0;
}

void controlEnabledSetter(TessObject* control, uint32_t, int32_t value) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r) return;
  r->enabled = (value & 0xFF) ? 1 : 0;
  Pane* pane = r->control.pane;
  if (!pane) return;
  pane->enabled = r->enabled;
  PanesChanged();
  if (pane->native) EnableWindow(pane->native, r->enabled);
  if (pane->window) InvalidateRect(pane->window->hwnd, &pane->bounds, 1);
}

int32_t ctlPosGetter(TessObject* control, uint32_t selector) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r) return 0;
  switch (selector) {
    case 0:
      return r->left;
    case 1:
      return r->top;
    case 2:
      return r->width;
    case 3:
      return r->height;
    default:
      return 0;
  }
}

void ctlPosSetter(TessObject* control, uint32_t selector, int32_t value) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r || selector > 3) return;
  int32_t v[4] = {r->left, r->top, r->width, r->height};
  v[selector] = selector >= 2 ? std::max(value, 0) : value;
  PlaceControl(control, v[0], v[1], v[2], v[3]);
}

int32_t controlActiveGetter(TessObject* control, uint32_t) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r) return 0;
  WindowObject* w = OpenOf(r->control.window);
  return w && w->active ? 1 : 0;
}

#define TESS_CONTROL_FLAG(getter, setter, field)                                         \
  int32_t getter(TessObject* control, uint32_t) {                                        \
    RectControlFields* r = RectFieldsOf(control);                                        \
    return r ? Bool(r->field) : 0;                                                       \
  }                                                                                      \
  void setter(TessObject* control, uint32_t, int32_t value) {                            \
    if (RectControlFields* r = RectFieldsOf(control)) r->field = (value & 0xFF) ? 1 : 0; \
  }
TESS_CONTROL_FLAG(controlAutoDeactivateGetter, controlAutoDeactivateSetter, autoDeactivate)
TESS_CONTROL_FLAG(controlLockLeftGetter, controlLockLeftSetter, lockLeft)
TESS_CONTROL_FLAG(controlLockTopGetter, controlLockTopSetter, lockTop)
TESS_CONTROL_FLAG(controlLockRightGetter, controlLockRightSetter, lockRight)
TESS_CONTROL_FLAG(controlLockBottomGetter, controlLockBottomSetter, lockBottom)
#undef TESS_CONTROL_FLAG

void controlHelpTagSetter(TessObject* control, uint32_t, TessString* text) {
  SetControlString(control, &ControlFields::helpTag, text);
}
void controlBalloonHelpSetter(TessObject* control, uint32_t, TessString* text) {
  SetControlString(control, &ControlFields::balloonHelp, text);
}
void controlDisabledBalloonHelpSetter(TessObject* control, uint32_t, TessString* text) {
  SetControlString(control, &ControlFields::disabledBalloonHelp, text);
}

void ControlTabPanelIndexSetter(TessObject* control, uint32_t, int32_t index) {
  if (!IsControl(control)) return;
  ControlFields* c = FieldsOf<ControlFields>(control);
  c->tabPanelIndex = index;
  if (c->pane) c->pane->tabPanelIndex = index;
  if (c->pane) ApplyPages(c->pane->window);  // it may have moved to another page
}

void controlMouseCursorSetter(TessObject* control, uint32_t, TessObject* cursor) {
  if (!IsControl(control)) return;
  ControlFields* c = FieldsOf<ControlFields>(control);
  if (c->mouseCursor == cursor) return;
  LockObject(cursor);
  UnlockObject(c->mouseCursor);
  c->mouseCursor = cursor;
}

int32_t controlMouseXGetter(TessObject* control, uint32_t) {
  RectControlFields* r = RectFieldsOf(control);
  WindowObject* w = r ? OpenOf(r->control.window) : nullptr;
  return w ? MouseIn(w->hwnd).x - r->left : 0;
}
int32_t controlMouseYGetter(TessObject* control, uint32_t) {
  RectControlFields* r = RectFieldsOf(control);
  WindowObject* w = r ? OpenOf(r->control.window) : nullptr;
  return w ? MouseIn(w->hwnd).y - r->top : 0;
}

TessObject* controlWindowGetter(TessObject* control, uint32_t) {
  if (!IsControl(control)) return nullptr;
  TessObject* window = FieldsOf<ControlFields>(control)->window;
  LockObject(window);
  return window;
}

int32_t controlMacControlHandleGetter(TessObject* control, uint32_t parameter) {
  return getterWinHWND(control, parameter);
}

TessObject* ControlParentGetter(TessObject* control, uint32_t) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r) return nullptr;
  LockObject(r->parent);
  return r->parent;
}

// Moves the control into another container of the same window (nil: the
// window itself).
void ControlParentSetter(TessObject* control, uint32_t, TessObject* parent) {
  RectControlFields* r = RectFieldsOf(control);
  if (!r || parent == control) return;
  if (parent &&
      (!IsRectControl(parent) || FieldsOf<ControlFields>(parent)->window != r->control.window))
    return;
  r->parent = parent;
  Pane* pane = r->control.pane;
  if (!pane || !pane->window) return;
  WindowObject* window = pane->window;
  DetachPane(pane);
  AttachPane(window, pane, parent ? FieldsOf<ControlFields>(parent)->pane : nullptr);
}

void ControlClose(TessObject* control) {
  tess::AtEntry([control] {
    if (!IsControl(control)) return;
    ObjectRef keep = ShareObject(control);
    ControlFields* c = FieldsOf<ControlFields>(control);
    FireEvent(control, EventOf(ControlEvent::kClose), {});
    CloseBindings(control);
    if (c->pane) {
      if (c->pane->native) DestroyWindow(c->pane->native);
      if (c->pane->window) InvalidateRect(c->pane->window->hwnd, &c->pane->bounds, 1);
      DetachPane(c->pane);
      delete c->pane;
      c->pane = nullptr;
    }
    if (WindowFields* f = WindowFieldsOf(c->window)) f->controls->Remove(control);
    c->window = nullptr;
  });
}

void RuntimeControlRefresh(TessObject* control) {
  if (!IsControl(control)) return;
  Pane* pane = FieldsOf<ControlFields>(control)->pane;
  if (!pane) return;
  if (pane->native)
    InvalidateRect(pane->native, nullptr, 1);
  else if (pane->window)
    InvalidateRect(pane->window->hwnd, &pane->bounds, 1);
}

void RuntimeControlRefreshRect(TessObject* control, int32_t left, int32_t top, int32_t width,
                               int32_t height) {
  if (!IsControl(control)) return;
  Pane* pane = FieldsOf<ControlFields>(control)->pane;
  if (!pane) return;
  RECT r{left, top, left + width, top + height};
  if (pane->native) {
    InvalidateRect(pane->native, &r, 1);
  } else if (pane->window) {
    OffsetRect(&r, pane->bounds.left, pane->bounds.top);
    InvalidateRect(pane->window->hwnd, &r, 1);
  }
}

}  // extern "C"
