#include <gtest/gtest.h>

#include "values/number_format.h"

namespace tess {
namespace {

TEST(NumberFormatEngine, Links) {
  (void)FormatPlain(1.0);
}

}  // namespace
}  // namespace tess
