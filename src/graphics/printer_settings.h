// The settings of a PrinterSetup and their stored form, the setup string an
// application keeps to print the same way later:
//
//   TESSPRINT 1;printer=NAME;paper=1;width=2159;length=2794;orientation=1;
//   copies=1;collate=1;from=0;to=0;xres=72;yres=72;maxxres=72;maxyres=72;
//   margins=250,250,250,250
//
// (one line). Sizes are tenths of a millimetre, margins thousandths of an
// inch, resolutions dots per inch; in the printer's name `%`, `;`, `=` and
// control characters are written as %XX. Every field but the first is
// optional (missing ones keep their defaults); an unknown or repeated field,
// a number out of range or settings that cannot print refuse the string.
#pragma once

#include <string>
#include <string_view>

#include "platform/winspool/winspool.h"

namespace tess::graphics {

struct PrintSettings {
  platform::DEVMODE mode;
  // The highest resolutions the application allows (MaxHorizontalResolution).
  int maxXRes = 72, maxYRes = 72;
};

std::string FormatSetupString(const PrintSettings& settings);
// False, with `error` saying why, when `text` is not a setup string that
// prints; `settings` is then unchanged.
bool ParseSetupString(std::string_view text, PrintSettings* settings, std::string* error);

}  // namespace tess::graphics
