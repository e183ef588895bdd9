// What the control classes share: telling the parent, the background brush
// the parent chooses, radio groups and class registration.
#pragma once

#include <vector>

#include "platform/user/winuser.h"

namespace tess::platform::comctl {

// WM_COMMAND to the parent with the control's identifier and `code`.
void NotifyParent(HWND control, UINT code);
// The brush the parent answers to WM_CTLCOLORBTN or WM_CTLCOLORSTATIC,
// which also sets the context's colours.
HBRUSH ControlBrush(HWND control, HDC dc, UINT message);
// The siblings of `control` in its group: from the nearest WS_GROUP child
// at or before it up to the next one, in creation order.
std::vector<HWND> GroupOf(HWND control);

bool RegisterButtonClass();
bool RegisterStaticClass();
bool RegisterComboClasses();
bool RegisterScrollBarClass();
bool RegisterTrackBarClass();
bool RegisterProgressClass();
bool RegisterTabClass();

}  // namespace tess::platform::comctl
