#include <gtest/gtest.h>

#include "runtime/class_registry.h"
#include "values/value_classes.h"

namespace tess {
namespace {

// The runtime builds the value classes only through the hook this layer
// installs; a class missing here would be missing from every application.
TEST(ValueClasses, BuildWithTheFrameworkThroughTheRuntimesHook) {
  InitFrameworkAndValueClasses();
  for (const char* name : {"Date", "Variant", "Dictionary", "Collection", "MemoryBlock",
                           "TextEncoding", "TextConverter"}) {
    EXPECT_NE(FindClassByName(name), nullptr) << name;
  }
  EXPECT_NE(FindClassByName("Application"), nullptr);
}

}  // namespace
}  // namespace tess
