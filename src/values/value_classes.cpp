#include "values/value_classes.h"

#include "runtime/framework_classes.h"
#include "values/date.h"
#include "values/dictionary.h"
#include "values/memory_block.h"
#include "values/text_encoding.h"
#include "values/variant.h"

namespace tess {

void InitValueClasses() {
  InitDateClass();
  InitVariantClass();
  InitDictionaryClass();
  InitCollectionClass();
  InitMemoryBlockClass();
  InitTextEncodingClasses();
}

void InitFrameworkAndValueClasses() {
  SetFrameworkClassHook(&InitValueClasses);
  InitFrameworkClasses();
}

}  // namespace tess
