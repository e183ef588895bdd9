#include "values/value_classes.h"

#include "values/date.h"
#include "values/memory_block.h"
#include "values/text_encoding.h"

namespace tess {

void InitValueClasses() {
  InitDateClass();
  InitMemoryBlockClass();
  InitTextEncodingClasses();
}

}  // namespace tess
