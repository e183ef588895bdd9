// The modal loop the common dialogs share: a real window of the desktop whose
// loop also continues the automation script, so a script answers a dialog as
// a user would. With no display, no script being run and no hook, nothing
// could ever answer it: it is cancelled at once and says so on standard
// error.
#pragma once

#include <functional>
#include <string>

#include "platform/comdlg/commdlg.h"

namespace tess::platform::comdlg {

struct ModalRequest {
  const char* className = nullptr;  // registered on first use, with `proc`
  WNDPROC proc = nullptr;
  std::string title;
  int width = 0, height = 0;  // client area
  HWND owner = nullptr;
  int x = -1, y = -1;  // -1: centred on the owner or the screen
  LPOFNHOOKPROC hook = nullptr;
  LPARAM hookParam = 0;
  void* data = nullptr;          // window long 0 while the dialog is up
  std::function<bool()> done;    // answered (or cancelled)
  std::function<void()> cancel;  // cancels the dialog
};

// Shows the dialog and runs its loop until `done`; false (after `cancel`)
// when the window could not be made.
bool RunModal(const ModalRequest& request);

// A button held down with the mouse: drawn pressed while the mouse is over
// it, pressed when it is let go over it.
struct ButtonPress {
  int part = -1;  // the part held, -1: none
  bool over = false;

  bool Down(int which) const { return part == which && over; }
  void Press(HWND hwnd, int which);
  // The mouse moved onto `at` (-1: no part): repaints when that changes.
  void Move(HWND hwnd, int at);
  // The mouse was let go over `at`: the part to act on, or -1.
  int Release(HWND hwnd, int at);
};

// What CommDlgExtendedError answers next on this thread.
void SetExtendedError(DWORD error);

}  // namespace tess::platform::comdlg
