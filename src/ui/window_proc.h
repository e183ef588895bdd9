// The message handling the window procedures share: the TSWindow procedure
// and the multiple-document child procedure both turn host messages into the
// same window events, and differ only in the default procedure they pass the
// rest to.
#pragma once

#include "platform/user/winuser.h"
#include "ui/window_object.h"

namespace tess::ui {

// The window object kept in slot 0 of a TSWindow or TS_MDICHILD window.
WindowObject* WindowFromHandle(HWND hwnd);

// Handles `msg` for `window`; true with the answer in `result`, false when the
// caller's default procedure should have it.
bool HandleWindowMessage(WindowObject* window, HWND hwnd, platform::UINT msg,
                         platform::WPARAM wParam, platform::LPARAM lParam,
                         platform::LRESULT* result);

// The text KeyDown receives for a key that types no character (arrows,
// Delete, Home, End, Page Up and Down): its classic code; 0 for others.
int KeyDownCode(platform::WPARAM vk);

}  // namespace tess::ui
