#include "values/value_classes.h"

#include "values/date.h"
#include "values/memory_block.h"

namespace tess {

void InitValueClasses() {
  InitDateClass();
  InitMemoryBlockClass();
}

}  // namespace tess
