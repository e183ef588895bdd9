// The runtime's side of an open window: the window object linked both ways
// with the application's Window instance, the pane tree of its controls, the
// list of all windows (newest first), the dialog stack and the frame-kind
// tables that choose native styles.
//
// Invariants: a window object is in the window list from creation until its
// teardown finishes; `closing` is set when teardown begins and from then on
// no mouse, resize or paint event is delivered; the instance holds one
// reference while the window object exists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/user/winuser.h"
#include "ui/instance_layout.h"

namespace tess::ui {

using platform::HWND;
using platform::RECT;

// The drops a window or control takes: flavor kind names ("TEXT", "PICT",
// or a named type) and file types.
struct DropAcceptance {
  std::vector<std::string> kinds;
  std::vector<std::string> fileTypes;
};

// A control's place in the window: bounds relative to the window content.
struct Pane {
  RECT bounds{};
  bool visible = true;
  bool enabled = true;
  Pane* parent = nullptr;
  Pane* firstChild = nullptr;
  Pane* nextSibling = nullptr;
  HWND native = nullptr;  // the control's native window, when it has one
  TessObject* control = nullptr;
  WindowObject* window = nullptr;
  int32_t tabPanelIndex = 0;
  DropAcceptance drops;
};

struct WindowObject {
  HWND hwnd = nullptr;
  TessObject* instance = nullptr;  // one reference
  uint8_t frameKind = 0;
  bool growAllowed = false;
  bool hasBackColor = false;
  uint32_t backColor = 0xFFFFFF;
  bool active = false;
  bool floating = false;
  bool dialog = false;
  bool closing = false;
  bool opened = false;  // Open has fired: moves and resizes are events now
  bool mouseInside = false;
  WindowObject* next = nullptr;
  Pane* root = nullptr;  // first top-level pane; siblings follow
  Pane* hovered = nullptr;
  Pane* focusedCanvas = nullptr;  // the canvas that has the keyboard focus, if any
  // The last hit of PaneAt when it can answer again without a search: a
  // pane without children that no other pane of the window overlaps, valid
  // while the pane tree is as it was (PaneGeneration).
  Pane* lastHit = nullptr;
  uint32_t lastHitGeneration = 0;
  DropAcceptance drops;
};

// The window list, newest first.
WindowObject* FirstWindow();
int WindowCount();
WindowObject* WindowAt(int index);  // front to back; null outside the list
WindowObject* WindowOf(HWND hwnd);
WindowObject* WindowOfInstance(TessObject* instance);

// The frame kind and default placement of a Frame value (0..8); false for
// any other value.
bool FrameKindOf(int32_t frame, uint8_t* kind, int32_t* placement);
struct FrameStyle {
  platform::DWORD style;
  platform::DWORD exStyle;
  bool growAllowed;  // whether GrowIcon may add a sizing border
  bool dialog;       // pushed on the dialog stack
};
// False for an unknown frame kind.
bool StyleOfFrameKind(uint8_t kind, FrameStyle* style);

// Creates the native window for `instance` (whose fields are already set),
// links it into the window list and, for dialog kinds, the dialog stack.
// Null when the frame kind is unknown or the native window failed.
WindowObject* OpenWindow(TessObject* instance);

// The close request: CancelClose may refuse (false); otherwise the controls'
// and the window's Close fire and the window is torn down. `ask` false
// skips CancelClose (the window is going regardless).
bool RequestClose(WindowObject* window, bool ask = true);
// Tears the window down without asking or firing events.
void DestroyWindowObject(WindowObject* window);

// The newest visible window of the dialog stack, else null.
WindowObject* TopDialog();

// The content rectangle of a window in screen coordinates.
RECT ContentRect(const WindowObject* window);

// Pane tree maintenance. Whatever changes where panes are, or whether they
// are shown or enabled, calls PanesChanged.
void PanesChanged();
void AttachPane(WindowObject* window, Pane* pane, Pane* container);
// Gives a RectControl of `window` its pane at its rectangle, in its
// container's, unless it has one; the control's pane either way.
Pane* EnsurePane(WindowObject* window, TessObject* control);

// The state a control's own window was made with (CreateWindowEx's last
// argument), kept in its first window long: stored when WM_NCCREATE comes,
// read at every message after.
template <typename State>
State* WindowState(HWND hwnd, platform::UINT msg = 0, platform::LPARAM lParam = 0) {
  if (msg == platform::WM_NCCREATE) {
    auto* cs = reinterpret_cast<platform::CREATESTRUCT*>(lParam);
    platform::SetWindowLong(hwnd, 0,
                            platform::LONG(reinterpret_cast<uintptr_t>(cs->lpCreateParams)));
  }
  return reinterpret_cast<State*>(uintptr_t(uint32_t(platform::GetWindowLong(hwnd, 0))));
}
void DetachPane(Pane* pane);
// The first visible and enabled pane containing `point` (window coordinates),
// children before their container; null when none.
Pane* PaneAt(WindowObject* window, platform::POINT point);

// Applies a rectangle (window coordinates) to a control instance and its pane.
void PlaceControl(TessObject* control, int32_t left, int32_t top, int32_t width, int32_t height);

// The font names of the authoring platform mapped to native fonts.
std::string NativeFontName(const std::string& stored);

}  // namespace tess::ui
