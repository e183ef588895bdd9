// The common dialogs the runtime uses from the platform's dialog library:
// the colour dialog so far.
#pragma once

#include "platform/user/winuser.h"
#include "platform/windef.h"

namespace tess::platform {

// The colour dialog, in the classic look: the 48 basic colours in a grid,
// the chosen colour's sample, OK and Cancel. A click picks a colour, a
// double click picks it and answers OK; arrows move the pick, Enter
// answers OK, Escape and the close box Cancel. Headless, a running script
// answers it ("color RRGGBB" or "color cancel"); with neither a script nor
// a presented desktop there is nobody to ask and the answer is Cancel.
enum : DWORD { CC_RGBINIT = 0x1 };
struct CHOOSECOLOR {
  DWORD lStructSize = sizeof(CHOOSECOLOR);
  HWND hwndOwner = nullptr;
  COLORREF rgbResult = 0;            // in: the first pick with CC_RGBINIT; out: the answer
  COLORREF* lpCustColors = nullptr;  // 16 custom colours, kept as given
  DWORD Flags = 0;
  const char* title = nullptr;  // the caption; "Color" when null
};
// TRUE when answered with OK (rgbResult holds the colour), FALSE otherwise.
BOOL ChooseColor(CHOOSECOLOR* request);

}  // namespace tess::platform
