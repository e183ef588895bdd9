// The framework classes that carry the windows' application-visible
// surface: Window, Control (base of every control) and RectControl (a
// control with a rectangle), with their property tables and events.
#pragma once

#include "runtime/object_layout.h"

namespace tess::ui {

// Builds and registers the classes once.
void InitWindowClasses();

ClassObject* WindowClass();
ClassObject* ControlClass();
ClassObject* RectControlClass();

// Window events, in table order.
enum class WindowEvent {
  kLayout,
  kOpen,
  kClose,
  kCancelClose,
  kKeyDown,
  kMouseMove,
  kMouseEnter,
  kMouseExit,
  kPaint,
  kMouseDown,
  kMouseDrag,
  kMouseUp,
  kEnableMenuItems,
  kResized,
  kMoved,
  kDropObject,
  kActivate,
  kDeactivate,
};
const EventDescriptor* EventOf(WindowEvent event);

// Control and RectControl events, in table order.
enum class ControlEvent {
  kCreatePane,
  kOpen,
  kClose,
  kDropObject,
  kLayout,
  kMouseMove,
  kMouseEnter,
  kMouseExit,
};
const EventDescriptor* EventOf(ControlEvent event);

bool IsWindow(TessObject* object);
bool IsControl(TessObject* object);
bool IsRectControl(TessObject* object);

}  // namespace tess::ui
