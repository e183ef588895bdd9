// Controls whose pane is a native child window of the host's standard
// control classes: the class of each kind, making the child in the pane
// step, notifications reflected from the window back to the control,
// fonts, and the keyboard navigation of a window holding such controls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/user/winuser.h"
#include "runtime/object_layout.h"
#include "ui/window_object.h"

namespace tess::ui {

struct NativeKind {
  const char* hostClass;  // "BUTTON", "STATIC", ...
  // The style of a new child (WS_CHILD is added); `control` is fully set.
  platform::DWORD (*style)(TessObject* control);
  bool container;  // holds other controls: kept beneath them
  // After the child is made: text, check state, font.
  void (*created)(TessObject* control, HWND native);
  // WM_COMMAND from the child, with its notification code.
  void (*command)(TessObject* control, platform::UINT code);
  // The child gained (true) or lost the focus.
  void (*focus)(TessObject* control, bool gained);
  // The text colour (0x00RRGGBB) it asks for, when it has one.
  int32_t (*textColor)(TessObject* control);
  // WM_HSCROLL or WM_VSCROLL from the child: the code and the position
  // that travels with it.
  void (*scroll)(TessObject* control, platform::UINT code, int32_t position);
};

// Declares `cls` (and its subclasses) to have panes of `kind`.
void SetNativeKind(ClassObject* cls, const NativeKind* kind);
const NativeKind* NativeKindOf(TessObject* control);

// The identifier a control's native child is made with: from its place in
// the window's list.
int NativeIdOf(TessObject* control);

// Makes the native child of `control`'s pane when its class has a kind.
void MakeNativeControl(WindowObject* window, TessObject* control);

// Whether the control's window is open and not closing: events of the
// control are delivered only then.
bool InOpenWindow(TessObject* control);

// The native child of a control, or null (no pane yet, or no child).
HWND NativeOf(TessObject* control);

// A message of a window that concerns one of its native controls:
// notifications and colour requests. True with the answer in `result`.
bool ReflectControlMessage(WindowObject* window, platform::UINT msg, platform::WPARAM wParam,
                           platform::LPARAM lParam, platform::LRESULT* result);

// Tab, arrows, Enter and Esc for the window holding the focus; true when used.
bool OfferControlKey(const platform::MSG& msg);

// A native font for the stored font settings (kept for the process's life).
platform::HFONT ControlFont(TessString* name, int32_t size, bool bold, bool italic, bool underline);

// Whether every tab or page panel holding the control shows the page the
// control is on.
bool OnShownPages(TessObject* control);

// Shows the controls on their panels' current pages and hides the rest
// (tab and page panels).
void ApplyPages(WindowObject* window);

// The lines of `text` (CR, LF or CR LF between them), at most `most`.
std::vector<std::string> SplitLines(std::string_view text, size_t most);

// Gives the control's native child, when it has one, the font of these
// settings.
void ApplyControlFont(TessObject* control, TessString* name, int32_t size, bool bold, bool italic,
                      bool underline);

// Registers the standard control classes with the host and the runtime.
void InitStandardControls();

}  // namespace tess::ui
