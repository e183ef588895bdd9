#include "values/date.h"

namespace tess {

void InitDateClass() {
}

ClassObject* DateClass() {
  return nullptr;
}

TessObject* NewDate(double) {
  return nullptr;
}

double DateTotalSeconds(TessObject*) {
  return 0;
}

std::string DateText(TessObject*) {
  return {};
}

TessObject* ParseDateText(std::string_view) {
  return nullptr;
}

}  // namespace tess
