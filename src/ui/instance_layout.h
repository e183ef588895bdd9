// The fields of Window, Control and RectControl instances after the 16-byte
// object header. Application subclasses add their own fields after these, so
// the sizes are part of what compiled code relies on; the offsets are proven
// below. Accessors read and write only through these names.
//
// Rectangles are four signed 16-bit values in the order top, left, bottom,
// right. Object and string fields hold one reference each, except the
// control's window, which is not counted: the window owns its controls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/object_layout.h"

namespace tess::ui {

struct WindowObject;
struct Pane;
class ControlList;

struct Rect16 {
  int16_t top, left, bottom, right;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  // What the shared position accessors read: selector 0 left, 1 top,
  // 2 width, 3 height; 0 for any other.
  int part(uint32_t selector) const {
    switch (selector) {
      case 0:
        return left;
      case 1:
        return top;
      case 2:
        return width();
      case 3:
        return height();
      default:
        return 0;
    }
  }
};

struct WindowFields {
  ObjectHeader header;
  WindowObject* window;  // the open window; null before it is built and after it closed
  Rect16 lastSet;        // as the application last set it
  Rect16 current;        // the current content rectangle, screen coordinates
  int16_t minWidth, minHeight, maxWidth, maxHeight;
  int32_t frame;
  int32_t placement;
  TessString* title;
  TessString* balloonHelp;
  TessString* floaterProcess;
  TessObject* backdrop;
  TessObject* mouseCursor;
  int32_t backColor;
  int32_t macProcId;
  uint8_t visible, fullScreen, menuBarVisible, closeBox, growIcon, zoomIcon, hasBackColor;
  uint8_t reserved;
  ControlList* controls;  // the window's control instances, in layout order
};

struct ControlFields {
  ObjectHeader header;
  Pane* pane;
  TessObject* window;  // the containing Window instance (not counted)
  TessString* name;
  int32_t index;  // control-array index; kNotInArray when the control is alone
  TessString* helpTag;
  TessString* balloonHelp;
  TessString* disabledBalloonHelp;
  int32_t tabPanelIndex;
  TessObject* mouseCursor;
};

struct RectControlFields {
  ControlFields control;
  int32_t left, top, width, height;  // window coordinates
  uint8_t visible, enabled, autoDeactivate, lockLeft, lockTop, lockRight, lockBottom, active;
  TessObject* parent;  // the container control (not counted)
};

inline constexpr int32_t kNotInArray = INT32_MIN;

inline constexpr int32_t kWindowInstanceSize = sizeof(WindowFields);
inline constexpr int32_t kControlInstanceSize = sizeof(ControlFields);
inline constexpr int32_t kRectControlInstanceSize = sizeof(RectControlFields);

template <typename Fields>
Fields* FieldsOf(TessObject* object) {
  return reinterpret_cast<Fields*>(object);
}

#if defined(__i386__)
static_assert(offsetof(WindowFields, window) == 16);
static_assert(offsetof(WindowFields, lastSet) == 20);
static_assert(offsetof(WindowFields, current) == 28);
static_assert(offsetof(WindowFields, minWidth) == 36);
static_assert(offsetof(WindowFields, maxHeight) == 42);
static_assert(offsetof(WindowFields, frame) == 44);
static_assert(offsetof(WindowFields, placement) == 48);
static_assert(offsetof(WindowFields, title) == 52);
static_assert(offsetof(WindowFields, backColor) == 72);
static_assert(offsetof(WindowFields, visible) == 80);
static_assert(offsetof(WindowFields, hasBackColor) == 86);
static_assert(offsetof(WindowFields, controls) == 88);
static_assert(kWindowInstanceSize == 92);
static_assert(offsetof(ControlFields, pane) == 16);
static_assert(offsetof(ControlFields, name) == 24);
static_assert(offsetof(ControlFields, index) == 28);
static_assert(offsetof(ControlFields, tabPanelIndex) == 44);
static_assert(kControlInstanceSize == 52);
static_assert(offsetof(RectControlFields, left) == 52);
static_assert(offsetof(RectControlFields, visible) == 68);
static_assert(offsetof(RectControlFields, lockBottom) == 74);
static_assert(offsetof(RectControlFields, parent) == 76);
static_assert(kRectControlInstanceSize == 80);
#endif

}  // namespace tess::ui
