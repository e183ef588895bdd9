// The windows subsystem as start-up and the run loop see it: registration of
// the framework and native window classes, and the window steps of each
// loop iteration. Start-up installs these into the run loop; the modal loop
// reaches back into the run loop through the event step it is given.
#pragma once

#include "tessera/types.h"

namespace tess::ui {

inline constexpr char kWindowClassName[] = "TSWindow";
inline constexpr char kPaneClassName[] = "TS_Pane";
inline constexpr char kCanvasPaneClassName[] = "TS_CanvasPane";

// Registers the Window, Control and RectControl classes and the native
// window classes; later calls do nothing.
void InitWindowing();

// One iteration of the run loop (fetch, dispatch, idle work), with its own
// recovery point; the modal loop calls it.
void SetEventStep(void (*step)());

// Runs events one at a time while the window `instance` is open and shown.
void RunModal(TessObject* instance);

// The run loop's window steps.
int OpenWindowCount();
bool MayAllWindowsClose();
void CloseAllWindows();
bool WantsPolling();
// A message offered to keyboard shortcuts before dispatch; true when taken.
bool OfferShortcut(const void* msg);

// The modifier mask of the last mouse or key event: 0x0100 command, 0x0200
// shift, 0x0800 option (Alt), 0x1000 control.
int CurrentModifiers();

}  // namespace tess::ui
