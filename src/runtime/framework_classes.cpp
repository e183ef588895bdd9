#include "runtime/framework_classes.h"

#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

constexpr uint32_t kMessageOffset = 24;

ClassObject* g_application = nullptr;
void (*g_classHook)() = nullptr;

EventRecord g_applicationEvents[] = {
    {0, "Open", nullptr, nullptr, 0, nullptr},
    {0, "Close", nullptr, nullptr, 0, nullptr},
    {8, "EnableMenuItems", nullptr, nullptr, 0, nullptr},
    {8, "NewDocument", nullptr, nullptr, 0, nullptr},
    {8, "OpenDocument", "item As FolderItem", nullptr, 0, nullptr},
    {8, "HandleAppleEvent", "event As AppleEvent, eventClass As String, eventID As String",
     "Boolean", 0, nullptr},
    {8, "Activate", nullptr, nullptr, 0, nullptr},
    {8, "Deactivate", nullptr, nullptr, 0, nullptr},
    {8, "UnhandledException", "error As RuntimeException", "Boolean", 0, nullptr},
};

const PropertyRecord kExceptionProperties[] = {
    {0, "Message", &kStringType, (void*)&stringGetter, (void*)&stringSetter, kMessageOffset},
};

void ReleaseStringField(TessObject* object, uint32_t offset) {
  auto** field = reinterpret_cast<TessString**>(reinterpret_cast<uint8_t*>(object) + offset);
  UnlockString(*field);
  *field = nullptr;
}

ClassObject* ExceptionClass(const char* name, ClassObject* superclass) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = superclass;
  def.instanceSize = 28;
  if (!superclass || superclass == RootClass()) {
    def.destruct = [](TessObject* o, ClassObject*) { ReleaseStringField(o, kMessageOffset); };
    def.properties = kExceptionProperties;
  }
  return BuildFrameworkClass(def);
}

}  // namespace

void InitFrameworkClasses() {
  if (g_application) return;
  RegisterExistingClass(RootClass());

  FrameworkClassDef app{};
  app.name = "Application";
  app.superclass = RootClass();
  app.instanceSize = 20;
  app.events = g_applicationEvents;
  g_application = BuildFrameworkClass(app);

  ExceptionClasses& e = Exceptions();
  e.runtimeException = ExceptionClass("RuntimeException", RootClass());
  e.nilObject = ExceptionClass("NilObjectException", e.runtimeException);
  e.illegalCast = ExceptionClass("IllegalCastException", e.runtimeException);
  e.outOfBounds = ExceptionClass("OutOfBoundsException", e.runtimeException);
  e.outOfMemory = ExceptionClass("OutOfMemoryException", e.runtimeException);
  e.keyNotFound = ExceptionClass("KeyNotFoundException", e.runtimeException);
  e.typeMismatch = ExceptionClass("typeMismatchException", e.runtimeException);
  e.stackOverflow = ExceptionClass("stackOverflowException", e.runtimeException);
  e.end = ExceptionClass("EndException", e.runtimeException);
  for (const char* name : {"InvalidParentException", "NoOpenTransportException",
                           "ThreadAlreadyRunningException", "UnsupportedFormatException"}) {
    ExceptionClass(name, e.runtimeException);
  }
  InitInterfaceClasses();
  if (g_classHook) g_classHook();
  LinkClasses();
}

void SetFrameworkClassHook(void (*build)()) {
  g_classHook = build;
}

ClassObject* ApplicationClass() {
  return g_application;
}

const EventDescriptor* ApplicationEvent(AppEvent event) {
  return static_cast<const EventDescriptor*>(g_applicationEvents[int(event)].descriptor);
}

}  // namespace tess
