// Driving the window system from code or from a script, as a user would:
// pointer, buttons, keys, text, waiting until everything pending has been
// handled, and screenshots. Tests use it, and the runtime runs the script
// named by the TESSERA_SCRIPT setting to drive an application headless.
//
// Script format, one command a line ('#' starts a comment):
//   move X Y                  move the pointer
//   click X Y [left|right|middle]
//   doubleclick X Y
//   down X Y [button]         press a button there (and hold it)
//   up [button]               release it where the pointer is
//   wheel DELTA               turn the wheel (120 a notch, positive away)
//   key NAME[+NAME...]        press keys together: ctrl+s, alt+f4, enter, a
//   type TEXT                 type the rest of the line (\n, \t, \\ escapes)
//   idle                      handle everything pending
//   screenshot FILE           the whole desktop as PNG
//   screenshot-window FILE TITLE   one top-level window, found by its title
//   menu TITLE>ITEM[>ITEM...] choose from the menu bar of the active window
//                             (or the frontmost with a bar) by item texts,
//                             clicking as a user would; "&" and the shortcut
//                             text after a tab are not part of the text, and
//                             an ellipsis character matches three dots
//   wait-window TITLE         handle messages until a top-level window with
//                             that title exists (at most ten seconds)
//   color RRGGBB | cancel     answer the open colour dialog with that colour
//                             (hexadecimal, as the language writes &hRRGGBB)
//                             or with Cancel
// Every command is followed by an implicit idle. A modal loop (a pop-up
// menu being tracked) goes on with the script from inside it.
#pragma once

#include <functional>
#include <string>

#include <vector>

#include "platform/user/input.h"
#include "platform/user/winuser.h"
#include "platform/windef.h"

namespace tess::platform::automation {

// Host dialogs a script answers: the dialog's window class, and the message
// the script sends it (wParam IDOK or IDCANCEL, lParam the value chosen).
inline constexpr char kColorDialogClass[] = "#ColorDialog";
inline constexpr UINT kAnswerDialogMessage = 0xBF00;  // in the WM_APP range

void MoveMouse(int x, int y);
void Click(int x, int y, input::Button button = input::kLeft);
void DoubleClick(int x, int y);
// Presses keys together (modifiers first) and releases them in reverse.
// Names as in scripts; false for an unknown name (nothing is pressed then).
bool PressKeys(const std::string& chord);
void Type(const std::string& text);
// Handles messages and input until none is left; false if that did not
// settle (a window that keeps making work), after a generous bound.
bool WaitIdle();
bool Screenshot(const std::string& path);
bool ScreenshotWindow(const std::string& title, const std::string& path);

// Chooses an item of a window's menu bar by its path of texts ("File",
// "Open..."), as a user would with the mouse; false with `error` set when
// an item is missing, disabled or not shown.
bool ChooseMenu(HWND hwnd, const std::vector<std::string>& path, std::string* error);
// Handles messages until a top-level window has this title, at most
// `timeoutMs` milliseconds; the window, or nullptr.
HWND WaitForWindow(const std::string& title, unsigned timeoutMs);

// Runs a script; on failure `error` says "line N: what".
bool RunScript(const std::string& text, std::string* error);
bool RunScriptFile(const std::string& path, std::string* error);
// Runs the script TESSERA_SCRIPT names; true when there is none.
bool RunScriptFromSetting(std::string* error);
bool HasScriptSetting();

// What the application's loop does with a message before dispatching it
// (its keyboard shortcuts): true when it took the message. The loops that
// handle messages while a script runs apply it too, so scripted keys reach
// the shortcuts as typed keys do.
void SetDispatchFilter(bool (*filter)(const MSG& msg));

// For modal loops that run out of work: runs the next command of the
// script being run, if any, handling messages after it only until `over`
// answers true (the loop's reason to wait has gone). False when there is
// no command left to run.
bool ContinueScript(const std::function<bool()>& over);
// Whether a script is being run on this thread.
bool ScriptRunning();

}  // namespace tess::platform::automation
