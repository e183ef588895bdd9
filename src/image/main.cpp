// The runtime executable: its resources and its main routine.
#include <cstdint>

#include "image/format.h"
#include "image/runtime_main.h"
#include "platform/kernel/process.h"

namespace {

// The locator: {image offset, pool offset}, little-endian. The image builder
// patches these bytes in its copy of this executable; the placeholder "PICK"
// selects development mode. Volatile so the compiler never folds the
// placeholder into the code that reads it.
__attribute__((section(".pickle"), used,
               aligned(4))) volatile const uint8_t g_locator[tess::image::kLocatorSize] = {
    'P', 'I', 'C', 'K', 0xFF, 0xFF, 0xFF, 0xFF};

const tess::platform::ModuleResource kResources[] = {
    {tess::image::kLocatorResourceType, tess::image::kLocatorResourceId, g_locator,
     sizeof g_locator},
};

}  // namespace

int main(int argc, char** argv) {
  tess::platform::SetModuleResources(kResources);
  return tess::RuntimeMain(argc, argv);
}
