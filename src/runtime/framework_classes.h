// The framework classes of the object runtime: Object, Application, the
// exception classes and the FolderItem that start-up hands to OpenDocument.
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
ClassObject* FolderItemClass();

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
// FolderItem: the path string.
inline constexpr uint32_t kFolderItemPathOffset = 16;

// A FolderItem holding `path`, count 1.
TessObject* NewFolderItem(std::string_view path);

}  // namespace tess
