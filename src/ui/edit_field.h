// EditField: the text-entry control, a RectControl over the host's
// rich-edit control. Its instance stores every property so that a layout's
// pairs apply before the control exists and a field the application keeps
// reads back after its window closed; once the pane exists the accessors
// forward to the native control, which then holds the text and selection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/user/winuser.h"
#include "ui/instance_layout.h"

namespace tess::ui {

struct EditPane;

struct EditFieldFields {
  RectControlFields rect;
  TessString* text;  // while there is no native control
  TessString* textFont;
  TessString* dataSource;
  TessString* dataField;
  int32_t textSize;
  int32_t textColor, backColor;
  int32_t limitText;  // 0: no limit
  int32_t selStart, selLength;
  int32_t alignment;  // 0 default, 1 left, 2 centre, 3 right
  uint8_t border, multiLine, readOnly, password, styled, acceptTabs, scrollBarHorizontal,
      scrollBarVertical, bold, italic, underline, liveUpdate, useFocusRing, reserved[3];
  EditPane* edit;  // the native side, while the pane exists
};

inline constexpr int32_t kEditFieldInstanceSize = sizeof(EditFieldFields);

#if defined(__i386__)
static_assert(offsetof(EditFieldFields, text) == 80);
static_assert(offsetof(EditFieldFields, textSize) == 96);
static_assert(offsetof(EditFieldFields, alignment) == 120);
static_assert(offsetof(EditFieldFields, border) == 124);
static_assert(offsetof(EditFieldFields, edit) == 140);
static_assert(kEditFieldInstanceSize == 144);
#endif

// The pane state: the container window (the pane's native window), the
// rich-edit control inside it, and what the field keeps while it is shown.
struct EditPane {
  TessObject* field = nullptr;  // not counted: the field owns the pane
  platform::HWND container = nullptr;
  platform::HWND control = nullptr;
  bool password = false;
  char32_t mask = 0;
  bool tracking = false;  // MouseDown returned True: MouseUp is owed
  int quiet = 0;          // >0 while the field changes itself: no events
};

// Registers the EditField class and its pane window class; later calls do
// nothing.
void InitEditField();
bool IsEditField(TessObject* object);
EditFieldFields* EditFieldOf(TessObject* object);  // null for anything else

// The edit field whose control has the keyboard focus, or null.
TessObject* FocusedEditField();

// Loading and saving the field's text: a file beginning "{\rtf" loads as
// rich text, anything else as plain text; saving writes rich text. False
// when the field has no control (it is stored then as plain text).
bool LoadFieldText(TessObject* field, const std::string& bytes);
std::string SaveFieldText(TessObject* field);

}  // namespace tess::ui
