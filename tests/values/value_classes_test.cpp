#include <gtest/gtest.h>

#include "runtime/framework_classes.h"

namespace tess {
namespace {

TEST(ValueClasses, BuildWithTheFramework) {
  InitFrameworkClasses();
}

}  // namespace
}  // namespace tess
