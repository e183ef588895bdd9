// Window, Control and RectControl: their records and accessors. Before a
// window is open its accessors only store (layouts apply their pairs then);
// once it is open they also act on the native window.
#include "ui/window_class.h"

#include "runtime/class_registry.h"
#include "runtime/control_hooks.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/control_list.h"
#include "ui/instance_layout.h"
#include "ui/menu_bar.h"
#include "ui/window_object.h"

namespace tess::ui {
namespace {

using platform::RECT;

ClassObject* g_window = nullptr;
ClassObject* g_control = nullptr;
ClassObject* g_rectControl = nullptr;

const TypeDescriptor kPictureType{0, "Picture", {}};
const TypeDescriptor kMouseCursorType{0, "MouseCursor", {}};
const TypeDescriptor kWindowType{0, "Window", {}};
const TypeDescriptor kControlType{0, "Control", {}};

EventRecord g_windowEvents[] = {
    {0, "Layout", nullptr, nullptr, 0, nullptr},
    {0, "Open", nullptr, nullptr, 0, nullptr},
    {0, "Close", nullptr, nullptr, 0, nullptr},
    {0, "CancelClose", nullptr, "Boolean", 0, nullptr},
    {0, "KeyDown", "Key As String", "Boolean", 401, nullptr},
    {0, "MouseMove", "X As Integer, Y As Integer", nullptr, 503, nullptr},
    {0, "MouseEnter", nullptr, nullptr, 504, nullptr},
    {0, "MouseExit", nullptr, nullptr, 505, nullptr},
    {0, "Paint", "g As Graphics", nullptr, 0, nullptr},
    {0, "MouseDown", "X As Integer, Y As Integer", "Boolean", 501, nullptr},
    {0, "MouseDrag", "X As Integer, Y As Integer", nullptr, 506, nullptr},
    {0, "MouseUp", "X As Integer, Y As Integer", nullptr, 502, nullptr},
    {0, "EnableMenuItems", nullptr, nullptr, 0, nullptr},
    {0, "Resized", nullptr, nullptr, 0, nullptr},
    {0, "Moved", nullptr, nullptr, 0, nullptr},
    {0, "DropObject", "obj As DragItem", nullptr, 0, nullptr},
    {0, "Activate", nullptr, nullptr, 0, nullptr},
    {0, "Deactivate", nullptr, nullptr, 0, nullptr},
};

EventRecord g_controlEvents[] = {
    {0, "CreatePane", nullptr, nullptr, 0, nullptr},
    {0, "Open", nullptr, nullptr, 0, nullptr},
    {0, "Close", nullptr, nullptr, 0, nullptr},
    {0, "DropObject", "obj As DragItem", nullptr, 0, nullptr},
    {0, "Layout", nullptr, nullptr, 0, nullptr},
};

EventRecord g_rectControlEvents[] = {
    {0, "MouseMove", "X As Integer, Y As Integer", nullptr, 503, nullptr},
    {0, "MouseEnter", nullptr, nullptr, 504, nullptr},
    {0, "MouseExit", nullptr, nullptr, 505, nullptr},
};

#define OFFSET(type, field) uint32_t(offsetof(type, field))

const PropertyRecord kWindowProperties[] = {
    {0, "Visible", &kBooleanType, (void*)&WindowVisibleGetter, (void*)&WindowVisibleSetter, 0},
    {0, "Left", &kIntegerType, (void*)&windowPosGetter, (void*)&windowPosSetter, 0},
    {0, "Top", &kIntegerType, (void*)&windowPosGetter, (void*)&windowPosSetter, 1},
    {0, "Width", &kIntegerType, (void*)&windowPosGetter, (void*)&windowPosSetter, 2},
    {0, "Height", &kIntegerType, (void*)&windowPosGetter, (void*)&windowPosSetter, 3},
    {0, "Placement", &kIntegerType, (void*)&windowPlacementGetter, (void*)&windowPlacementSetter,
     0},
    {0, "Title", &kStringType, (void*)&windowTitleGetter, (void*)&windowTitleSetter, 0},
    {0, "FullScreen", &kBooleanType, (void*)&windowFullScreenGetter, (void*)&windowFullScreenSetter,
     0},
    {0, "MenuBarVisible", &kBooleanType, (void*)&windowMenusVisibleGetter,
     (void*)&windowMenusVisibleSetter, 0},
    {0, "CloseBox", &kBooleanType, (void*)&windowCloseBoxGetter, (void*)&windowCloseBoxSetter, 0},
    {0, "GrowIcon", &kBooleanType, (void*)&windowGrowIconGetter, (void*)&windowGrowIconSetter, 0},
    {0, "ZoomIcon", &kBooleanType, (void*)&windowZoomIconGetter, (void*)&windowZoomIconSetter, 0},
    {0, "Frame", &kIntegerType, (void*)&windowFrameGetter, (void*)&windowFrameSetter, 0},
    {0, "Backdrop", &kPictureType, (void*)&windowBackdropGetter, (void*)&windowBackdropSetter, 0},
    {0, "HasBackColor", &kBooleanType, (void*)&windowHasBackColorGetter,
     (void*)&windowHasBackColorSetter, 0},
    {0, "BackColor", &kColorType, (void*)&windowBackColorGetter, (void*)&windowBackColorSetter, 0},
    {0, "BalloonHelp", &kStringType, (void*)&stringGetter, (void*)&windowBalloonHelpSetter,
     OFFSET(WindowFields, balloonHelp)},
    {0, "MinWidth", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter,
     OFFSET(WindowFields, minWidth)},
    {0, "MinHeight", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter,
     OFFSET(WindowFields, minHeight)},
    {0, "MaxWidth", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter,
     OFFSET(WindowFields, maxWidth)},
    {0, "MaxHeight", &kIntegerType, (void*)&shortGetter, (void*)&shortSetter,
     OFFSET(WindowFields, maxHeight)},
    {0, "MacProcId", &kIntegerType, (void*)&intGetter, (void*)&intSetter,
     OFFSET(WindowFields, macProcId)},
    {0, "MouseCursor", &kMouseCursorType, (void*)&objGetter, (void*)&formMouseCursorSetter,
     OFFSET(WindowFields, mouseCursor)},
    {0, "ControlCount", &kIntegerType, (void*)&windowControlCountGetter, nullptr, 0},
    {0, "FloaterProcess", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(WindowFields, floaterProcess)},
    {0, "MouseX", &kIntegerType, (void*)&windowMouseXGetter, nullptr, 0},
    {0, "MouseY", &kIntegerType, (void*)&windowMouseYGetter, nullptr, 1},
    {0, "MacWindowPtr", &kIntegerType, (void*)&windowWindowPtrGetter, nullptr, 0},
    {0, "WinHWND", &kIntegerType, (void*)&windowHWNDGetter, nullptr, 0},
};

const PropertyRecord kControlProperties[] = {
    {0, "Name", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(ControlFields, name)},
    {0, "Index", &kIntegerType, (void*)&intGetter, (void*)&intSetter, OFFSET(ControlFields, index)},
    {0, "HelpTag", &kStringType, (void*)&stringGetter, (void*)&controlHelpTagSetter,
     OFFSET(ControlFields, helpTag)},
    {0, "BalloonHelp", &kStringType, (void*)&stringGetter, (void*)&controlBalloonHelpSetter,
     OFFSET(ControlFields, balloonHelp)},
    {0, "DisabledBalloonHelp", &kStringType, (void*)&stringGetter,
     (void*)&controlDisabledBalloonHelpSetter, OFFSET(ControlFields, disabledBalloonHelp)},
    {0, "TabPanelIndex", &kIntegerType, (void*)&intGetter, (void*)&ControlTabPanelIndexSetter,
     OFFSET(ControlFields, tabPanelIndex)},
    {0, "MouseCursor", &kMouseCursorType, (void*)&objGetter, (void*)&controlMouseCursorSetter,
     OFFSET(ControlFields, mouseCursor)},
    {0, "MouseX", &kIntegerType, (void*)&controlMouseXGetter, nullptr, 0},
    {0, "MouseY", &kIntegerType, (void*)&controlMouseYGetter, nullptr, 1},
    {0, "Window", &kWindowType, (void*)&controlWindowGetter, nullptr, 0},
    {0, "Handle", &kIntegerType, (void*)&controlMacControlHandleGetter, nullptr, 0},
};

const PropertyRecord kRectControlProperties[] = {
    {0, "Visible", &kBooleanType, (void*)&controlVisibleGetter, (void*)&ControlVisibleSetter, 0},
    {0, "Left", &kIntegerType, (void*)&ctlPosGetter, (void*)&ctlPosSetter, 0},
    {0, "Top", &kIntegerType, (void*)&ctlPosGetter, (void*)&ctlPosSetter, 1},
    {0, "Width", &kIntegerType, (void*)&ctlPosGetter, (void*)&ctlPosSetter, 2},
    {0, "Height", &kIntegerType, (void*)&ctlPosGetter, (void*)&ctlPosSetter, 3},
    {0, "Enabled", &kBooleanType, (void*)&controlEnabledGetter, (void*)&controlEnabledSetter, 0},
    {0, "Active", &kBooleanType, (void*)&controlActiveGetter, nullptr, 0},
    {0, "AutoDeactivate", &kBooleanType, (void*)&controlAutoDeactivateGetter,
     (void*)&controlAutoDeactivateSetter, 0},
    {0, "LockLeft", &kBooleanType, (void*)&controlLockLeftGetter, (void*)&controlLockLeftSetter, 0},
    {0, "LockTop", &kBooleanType, (void*)&controlLockTopGetter, (void*)&controlLockTopSetter, 0},
    {0, "LockRight", &kBooleanType, (void*)&controlLockRightGetter, (void*)&controlLockRightSetter,
     0},
    {0, "LockBottom", &kBooleanType, (void*)&controlLockBottomGetter,
     (void*)&controlLockBottomSetter, 0},
    {0, "Parent", &kControlType, (void*)&ControlParentGetter, (void*)&ControlParentSetter, 0},
};

#undef OFFSET

void ReleaseString(TessString*& field) {
  UnlockString(field);
  field = nullptr;
}
void ReleaseObject(TessObject*& field) {
  UnlockObject(field);
  field = nullptr;
}

void DestructWindow(TessObject* object, ClassObject*) {
  WindowFields* w = FieldsOf<WindowFields>(object);
  if (w->window) DestroyWindowObject(w->window);
  for (size_t i = 0; w->controls && i < w->controls->size(); ++i)
    if (IsControl(w->controls->at(i)))
      FieldsOf<ControlFields>(w->controls->at(i))->window = nullptr;
  delete w->controls;
  w->controls = nullptr;
  ReleaseString(w->title);
  ReleaseString(w->balloonHelp);
  ReleaseString(w->floaterProcess);
  ReleaseObject(w->backdrop);
  ReleaseObject(w->mouseCursor);
}

void ConstructWindow(TessObject* object, ClassObject*) {
  WindowFields* w = FieldsOf<WindowFields>(object);
  w->controls = new ControlList;
  w->backColor = 0xFFFFFF;
  w->visible = 1;
  w->closeBox = 1;
}

void ConstructControl(TessObject* object, ClassObject*) {
  FieldsOf<ControlFields>(object)->index = kNotInArray;
}

void DestructControl(TessObject* object, ClassObject*) {
  ControlFields* c = FieldsOf<ControlFields>(object);
  if (c->pane) {
    DetachPane(c->pane);
    delete c->pane;
    c->pane = nullptr;
  }
  ReleaseString(c->name);
  ReleaseString(c->helpTag);
  ReleaseString(c->balloonHelp);
  ReleaseString(c->disabledBalloonHelp);
  ReleaseObject(c->mouseCursor);
}

void ConstructRectControl(TessObject* object, ClassObject*) {
  RectControlFields* r = FieldsOf<RectControlFields>(object);
  r->visible = 1;
  r->enabled = 1;
  r->autoDeactivate = 1;
}

void InvalidateShown(TessObject* object) {
  if (!object) return;
  if (IsWindow(object)) {
    if (WindowObject* w = FieldsOf<WindowFields>(object)->window)
      platform::InvalidateRect(w->hwnd, nullptr, 1);
  } else if (IsControl(object)) {
    RuntimeControlRefresh(object);
  } else if (IsMenuItem(object)) {
    RefreshMenuItem(object);
  }
}

uint32_t NativeHandleOf(TessObject* object) {
  if (IsWindow(object)) {
    WindowObject* w = FieldsOf<WindowFields>(object)->window;
    return w ? uint32_t(reinterpret_cast<uintptr_t>(w->hwnd)) : 0;
  }
  if (IsControl(object)) {
    Pane* pane = FieldsOf<ControlFields>(object)->pane;
    if (!pane) return 0;
    if (pane->native) return uint32_t(reinterpret_cast<uintptr_t>(pane->native));
    return pane->window ? uint32_t(reinterpret_cast<uintptr_t>(pane->window->hwnd)) : 0;
  }
  return 0;
}

}  // namespace

void InitWindowClasses() {
  if (g_window) return;
  FrameworkClassDef window{};
  window.name = "Window";
  window.superclass = RootClass();
  window.instanceSize = kWindowInstanceSize;
  window.construct = &ConstructWindow;
  window.destruct = &DestructWindow;
  window.properties = kWindowProperties;
  window.events = g_windowEvents;
  g_window = BuildFrameworkClass(window);

  FrameworkClassDef control{};
  control.name = "Control";
  control.superclass = RootClass();
  control.instanceSize = kControlInstanceSize;
  control.construct = &ConstructControl;
  control.destruct = &DestructControl;
  control.properties = kControlProperties;
  control.events = g_controlEvents;
  g_control = BuildFrameworkClass(control);

  FrameworkClassDef rect{};
  rect.name = "RectControl";
  rect.superclass = g_control;
  rect.instanceSize = kRectControlInstanceSize;
  rect.construct = &ConstructRectControl;
  rect.properties = kRectControlProperties;
  rect.events = g_rectControlEvents;
  g_rectControl = BuildFrameworkClass(rect);

  SetControlHooks({&InvalidateShown, &NativeHandleOf});
}

ClassObject* WindowClass() {
  return g_window;
}
ClassObject* ControlClass() {
  return g_control;
}
ClassObject* RectControlClass() {
  return g_rectControl;
}

const EventDescriptor* EventOf(WindowEvent event) {
  return static_cast<const EventDescriptor*>(g_windowEvents[int(event)].descriptor);
}

const EventDescriptor* EventOf(ControlEvent event) {
  int i = int(event);
  if (i < int(std::size(g_controlEvents)))
    return static_cast<const EventDescriptor*>(g_controlEvents[i].descriptor);
  return static_cast<const EventDescriptor*>(
      g_rectControlEvents[i - int(std::size(g_controlEvents))].descriptor);
}

bool IsWindow(TessObject* object) {
  return object && g_window && IsA(object, g_window);
}
bool IsControl(TessObject* object) {
  return object && g_control && IsA(object, g_control);
}
bool IsRectControl(TessObject* object) {
  return object && g_rectControl && IsA(object, g_rectControl);
}

}  // namespace tess::ui
