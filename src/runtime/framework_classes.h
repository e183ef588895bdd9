// The framework classes of the object runtime: Object, Application and the
// exception classes; the value, file and stream classes are built with them.
#pragma once

#include <string_view>

#include "runtime/object_layout.h"

namespace tess {

// Builds and registers the classes once; later calls do nothing.
void InitFrameworkClasses();

// Builds the framework classes of the layers above the runtime (the value
// types). Installed by those layers before the first InitFrameworkClasses,
// which calls it after its own classes and before linking them all.
void SetFrameworkClassHook(void (*build)());

ClassObject* ApplicationClass();

// The Application events, in their declared order.
enum class AppEvent {
  kOpen,
  kClose,
  kEnableMenuItems,
  kNewDocument,
  kOpenDocument,
  kHandleAppleEvent,
  kActivate,
  kDeactivate,
  kUnhandledException,
};
const EventDescriptor* ApplicationEvent(AppEvent event);

// Application object fields after the header.
inline constexpr uint32_t kQuitInProgressOffset = 16;

}  // namespace tess
