// Layouts that compiled code shares with the runtime: the object header, the
// class object and the runtime descriptors hanging off it. Compiled code
// reads these words directly, so every offset is proven below.
//
// Object: {i32 refCount, class, previous live object, next live object},
// instance fields from offset 16; the instance size is rounded up to 4 and
// every byte after the header starts at zero.
//
// Runtime descriptors are internal blocks (see heap.h) chained through their
// first word; lists built "at the front" are newest first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tessera/types.h"

namespace tess {

struct ClassObject;

struct ObjectHeader {
  int32_t refCount;
  ClassObject* cls;
  ObjectHeader* previous;  // towards the newest object; null at the head
  ObjectHeader* next;
};

// Construction and destruction routines get (object, the class they belong to).
using ClassRoutine = void (*)(TessObject* object, ClassObject* cls);

struct TypeDescriptor;

struct PropertyDescriptor {
  PropertyDescriptor* next;
  TessString* name;
  const TypeDescriptor* type;
  uint32_t flags;
  void* getter;
  void* setter;
  uint32_t parameter;  // generic accessors: byte offset of the value
};

struct MethodDescriptor {
  MethodDescriptor* next;
  TessString* name;
  uint32_t record[4];  // name, return type, parameter records, parameter count
  uint32_t flags;      // kInterfaceMethod marks a method of an interface
  uint32_t interfaceSlot;
  void* entry[10];        // first entry block; entry[0] is the code address
  void* secondEntry[10];  // second entry block
};

struct EventDescriptor {
  EventDescriptor* next;
  TessString* name;
  const char* parameters;  // declaration text or null
  const char* returnType;  // type name or null
};

// Events an application class declares for its subclasses to handle.
struct DeclaredEvent {
  DeclaredEvent* next;
  TessString* name;
  int32_t number;
  uint32_t reserved;
};

struct HookDescriptor {
  HookDescriptor* next;
  TessString* name;
  int32_t eventNumber;
  void* code;
};

struct InterfaceEntry {
  InterfaceEntry* next;
  ClassObject* interface;
  void** methodTable;  // slot 0 unused; interface methods from slot 1
  uint32_t methodTableLength;
};

struct ClassObject {
  ClassObject* superclass;
  void** methodTable;
  uint32_t methodTableLength;
  TessString* name;  // null for anonymous classes
  int32_t instanceSize;
  PropertyDescriptor* properties;
  MethodDescriptor* methods;
  EventDescriptor* events;
  HookDescriptor* hooks;
  DeclaredEvent* declaredEvents;
  InterfaceEntry* interfaces;
  uint8_t isInterface;
  ClassRoutine construct;
  ClassRoutine destruct;
  // Runtime-only fields, after everything compiled code may read.
  uint8_t isFramework;
  uint32_t linkGeneration;
  ClassObject* nextClass;  // the list of all classes
};

#if defined(__i386__)
static_assert(sizeof(ObjectHeader) == 16);
static_assert(offsetof(ObjectHeader, cls) == 4);
static_assert(offsetof(ObjectHeader, previous) == 8);
static_assert(offsetof(ObjectHeader, next) == 12);
static_assert(offsetof(ClassObject, methodTable) == 4);
static_assert(offsetof(ClassObject, methodTableLength) == 8);
static_assert(offsetof(ClassObject, name) == 12);
static_assert(offsetof(ClassObject, instanceSize) == 16);
static_assert(offsetof(ClassObject, properties) == 20);
static_assert(offsetof(ClassObject, methods) == 24);
static_assert(offsetof(ClassObject, events) == 28);
static_assert(offsetof(ClassObject, hooks) == 32);
static_assert(offsetof(ClassObject, declaredEvents) == 36);
static_assert(offsetof(ClassObject, interfaces) == 40);
static_assert(offsetof(ClassObject, isInterface) == 44);
static_assert(offsetof(ClassObject, construct) == 48);
static_assert(offsetof(ClassObject, destruct) == 52);
static_assert(sizeof(PropertyDescriptor) == 28);
static_assert(sizeof(MethodDescriptor) == 4 * (2 + 4 + 2 + 20));
static_assert(sizeof(EventDescriptor) == 16);
static_assert(sizeof(HookDescriptor) == 16);
static_assert(sizeof(DeclaredEvent) == 16);
static_assert(sizeof(InterfaceEntry) == 16);
#endif

inline ObjectHeader* Header(TessObject* object) {
  return reinterpret_cast<ObjectHeader*>(object);
}
inline TessObject* AsObject(ObjectHeader* header) {
  return reinterpret_cast<TessObject*>(header);
}

}  // namespace tess
