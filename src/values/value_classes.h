// The framework classes of the value types, built with the other framework
// classes at start-up.
#pragma once

namespace tess {

// Builds and registers every value class; called once, before classes are
// linked.
void InitValueClasses();

}  // namespace tess
