#include "values/number_format.h"

namespace tess {

std::string DigitString(double, bool, int) {
  return {};
}

std::string FormatPlain(double) {
  return {};
}

std::string FormatPicture(double, std::string_view, std::string_view, std::string_view) {
  return {};
}

}  // namespace tess
