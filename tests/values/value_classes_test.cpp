#include <gtest/gtest.h>

#include "values/value_classes.h"

namespace tess {
namespace {

TEST(ValueClasses, BuildWithTheFramework) {
  InitFrameworkAndValueClasses();
}

}  // namespace
}  // namespace tess
