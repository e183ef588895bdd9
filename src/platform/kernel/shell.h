// The shell's services: special folders and opening documents and URLs.
//
// Special folders map onto the desktop's XDG folders (user-dirs.dirs and the
// XDG_*_HOME variables): the desktop and documents folders, fonts in
// $XDG_DATA_HOME/fonts, the recycle bin in $XDG_DATA_HOME/Trash/files,
// start-up items in $XDG_CONFIG_HOME/autostart, the start menu's programs in
// $XDG_DATA_HOME/applications, application data in $XDG_CONFIG_HOME. The
// control panel has no folder. Folders are made when missing.
//
// ShellExecute hands the document or URL to the desktop's opener
// (TESSERA_OPENER, default "xdg-open"). Without a display (neither DISPLAY
// nor WAYLAND_DISPLAY), or with TESSERA_OPENER=record, the request is only
// recorded and reported on standard error as "[shell open: TARGET]" (with
// " (background)" when not to be activated), so tests can see it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::platform {

enum : int {
  CSIDL_PROGRAMS = 2,
  CSIDL_CONTROLS = 3,
  CSIDL_PERSONAL = 5,
  CSIDL_STARTUP = 7,
  CSIDL_BITBUCKET = 10,
  CSIDL_DESKTOPDIRECTORY = 16,
  CSIDL_FONTS = 20,
  CSIDL_APPDATA = 26,
};

// The folder's full path in the drive map; false when it has none.
bool SHGetSpecialFolderPath(int csidl, std::string* path);

// Results of ShellExecute: above 32 is success.
enum : intptr_t { SE_ERR_FNF = 2, SE_ERR_NOASSOC = 31, kShellSuccess = 42 };

struct ShellRequest {
  std::string target;  // host path or URL
  bool activate;
  bool operator==(const ShellRequest&) const = default;
};

// Opens `target`: a URL (anything with "scheme:" of two or more letters) as
// it is, otherwise a path, which must exist.
intptr_t ShellExecute(std::string_view target, bool activate);
// The requests recorded so far (headless), oldest first.
std::vector<ShellRequest> RecordedShellRequests();

}  // namespace tess::platform
