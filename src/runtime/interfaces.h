// The binding vocabulary: the framework interface classes through which
// controls, data objects and binders talk to each other, and the calls made
// through them.
//
// An interface is a framework class with `isInterface` set whose methods
// carry only names. A framework class declares what it implements with
// DeclareInterfaces after BuildFrameworkClass; each implementation is the
// class's own method of the same name (letter case ignored), found on the
// class chain when the interface record is linked, so declaring an
// interface whose methods the class lacks is an internal assertion.
//
// Every call is looked up by name when it is made: the method's slot comes
// from the interface's method list (names folded through the runtime's name
// table), the code from the first implementing record on the object's class
// chain. A missing interface or method is not an error: the call is skipped.
// Implementations are called as compiled code (cdecl, the object first), so
// application classes that implement an interface take part as well.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "runtime/object_layout.h"

namespace tess {

// The interfaces, in the order they are built. Their method names follow
// each entry; they are the contract of every call made through them.
enum class Iface {
  kStringProvider,                     // getString() As String
  kStringInterface,                    // setString(Str As String)
  kListInterface,                      // BindList(data As listDataProvider)
  kBooleanProvider,                    // getBoolean() As Boolean, setBoolean(value)
  kActionSource,                       // add/removeActionNotificationReceiver(receiver)
  kActionNotificationReceiver,         // PerformAction()
  kDataAvailableProvider,              // dataAvailable() As Boolean
  kDataNotifier,                       // add/removeDataNotificationReceiver(receiver)
  kDataNotificationReceiver,           // dataChanged()
  kListSelectionNotifier,              // add/removeListSelectionNotificationReceiver(receiver)
  kListSelectionNotificationReceiver,  // selectionChanging(), selectionChanged()
  kBindingInterface,                   // bind(source, dest)
  kBindingPartInterface,               // getBoundPart(Str As String) As Object
  kListDataProvider,                   // GetCount() As Integer, GetRow(v) As tupleInterface
  kListDataNotifier,                   // add/removeListDataNotificationReceiver(receiver)
  kListDataNotificationReceiver,       // listDataInsertedRow(v), listDataRemovedRow(v),
                                       // listDataReload()
  kTupleInterface,                     // FieldCount() As Integer, getIndString(v) As String
  kCount,
};

// Builds and registers the interface classes once (later calls do nothing).
// Start-up builds them with the runtime's own classes, before the layers
// above build the classes that implement them.
void InitInterfaceClasses();

// The interface class (built on first use).
ClassObject* InterfaceClass(Iface which);

// Adds implemented-interface records to `cls`, a framework class built with
// all the methods the interfaces name, and links them at once.
void DeclareInterfaces(ClassObject* cls, std::initializer_list<Iface> interfaces);

// True when a class on the object's chain implements `interface` (nil: false).
bool Implements(TessObject* object, const ClassObject* interface);
inline bool Implements(TessObject* object, Iface which) {
  return Implements(object, InterfaceClass(which));
}

// The code of `method` (any letter case) of `interface` as the object's
// class chain implements it; null when the interface has no such method or
// the object does not implement the interface. A slot beyond the
// implementing record's table is an internal assertion, then null.
void* FindInterfaceMethod(TessObject* object, const ClassObject* interface,
                          std::string_view method);

// Calls `method` of `which` on `object` with the object first and `args`
// after it; false when the call was skipped. The 32-bit result (a string or
// object reference the caller then owns, a Boolean, an Integer) goes to
// `result` when given. Raises from the implementation pass through.
bool CallInterface(TessObject* object, Iface which, std::string_view method,
                   std::initializer_list<uint32_t> args = {}, uint32_t* result = nullptr);

// Arguments for CallInterface.
inline uint32_t Arg(const void* reference) {
  return uint32_t(reinterpret_cast<uintptr_t>(reference));
}

}  // namespace tess
