// The framework classes of the value types, built with the other framework
// classes at start-up.
#pragma once

namespace tess {

// Builds and registers every value class; called once, before classes are
// linked.
void InitValueClasses();

// Builds the framework classes with the value classes among them: the
// runtime below reaches them through its class hook. Later calls do nothing.
void InitFrameworkAndValueClasses();

}  // namespace tess
