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

// A dialog's push button in the classic look: the default one framed in
// black, a pressed one sunk, the focused one with its focus ring.
void PaintPushButton(HDC dc, RECT r, const std::string& label, bool isDefault, bool down,
                     bool focused);

// What CommDlgExtendedError answers next on this thread.
void SetExtendedError(DWORD error);

}  // namespace tess::platform::comdlg
