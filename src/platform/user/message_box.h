// Modal message boxes. Headless (the default) the box is written to standard
// error and answered from TESSERA_MSGBOX_ANSWER: a comma-separated list of
// button names (ok, cancel, abort, retry, ignore, yes, no), one per box in
// order; a box with no answer left, or whose answer it does not offer, takes
// its default button, as pressing Enter would.
#pragma once

#include <functional>
#include <string>

namespace tess::platform {

struct HWND__;
using HWND = HWND__*;

// Button sets, icons and default button, combined with |.
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_ABORTRETRYIGNORE = 0x2,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5,
  MB_TYPEMASK = 0xF,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_ICONMASK = 0xF0,
  MB_DEFBUTTON1 = 0x000,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
  MB_DEFMASK = 0xF00,
};

// Buttons pressed.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type);

// Tests replace the headless answer with their own, and see every box.
struct MessageBoxRequest {
  std::string text;
  std::string caption;
  unsigned type;
};
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The buttons a box type offers, in order, and its default one.
int DefaultButton(unsigned type);
const char* ButtonName(int id);

}  // namespace tess::platform
