// The font names of the authoring platform, mapped to the installed fonts
// that serve them.
#include <utility>

#include "graphics/graphics.h"

namespace tess::graphics {

std::string MappedFontName(const std::string& stored) {
  static const std::pair<const char*, const char*> kFonts[] = {
      {"System", "MS Sans Serif"},      {"SmallSystem", "MS Sans Serif"},
      {"Application", "MS Sans Serif"}, {"Geneva", "MS Sans Serif"},
      {"Courier", "Courier New"},       {"Times", "Times New Roman"},
      {"Helvetica", "Arial"},           {"Osaka", "MS UI Gothic"},
  };
  for (const auto& [from, to] : kFonts)
    if (stored == from) return to;
  return stored;
}

}  // namespace tess::graphics
