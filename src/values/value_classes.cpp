#include "values/value_classes.h"

#include "values/date.h"

namespace tess {

void InitValueClasses() {
  InitDateClass();
}

}  // namespace tess
