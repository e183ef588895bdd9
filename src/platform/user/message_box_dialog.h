// The message box as a real dialog, for when the desktop is presented on a
// display: a modal window with the text, an icon and the buttons, answered
// with the mouse or the keyboard. Headless runs never show it.
#pragma once

#include <string>
#include <vector>

#include "platform/user/message_box.h"

namespace tess::platform::user {

// The button pressed, or 0 when no desktop is presented (the caller then
// answers headless).
int PresentedMessageBox(HWND owner, const MessageBoxRequest& request,
                        const std::vector<int>& buttons, int defaultButton);

}  // namespace tess::platform::user
