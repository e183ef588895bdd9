// Static records from which framework class objects are built, shared in
// layout with plug-ins and compiled code: type descriptors, property, method
// and event records. The registry turns them into runtime descriptors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tess {

struct TypeDescriptor {
  uint32_t zero;
  const char* name;  // "String", "Integer", "Boolean", "Single", "Double", "Color"
  void* conversions[4];
};

struct PropertyRecord {
  uint32_t flags;
  const char* name;
  const TypeDescriptor* type;
  void* getter;        // called with (object, parameter)
  void* setter;        // called with (object, parameter, value)
  uint32_t parameter;  // generic accessors: byte offset of the value
};

// A method parameter: name and type (null for an object or Variant type);
// the remaining words are the compiler's.
struct ParameterRecord {
  const char* name;
  const TypeDescriptor* type;
  uint32_t reserved[5];
};

struct MethodRecord {
  const char* name;
  const TypeDescriptor* returnType;  // null: a subroutine
  const void* parameters;            // 28-byte parameter records
  uint32_t parameterCount;
  void* entry[10];        // entry[0]: the method's code
  void* secondEntry[10];  // what deferred "W" references bind to
};

struct EventRecord {
  uint32_t flags;
  const char* name;
  const char* parameters;  // declaration text or null
  const char* returnType;  // type name or null
  uint32_t reserved;
  void* descriptor;  // the runtime event descriptor, filled in at start-up
};

#if defined(__i386__)
static_assert(sizeof(TypeDescriptor) == 24);
static_assert(sizeof(PropertyRecord) == 24);
static_assert(sizeof(ParameterRecord) == 28);
static_assert(sizeof(MethodRecord) == 96);
static_assert(sizeof(EventRecord) == 24);
static_assert(offsetof(EventRecord, descriptor) == 20);
#endif

// The built-in value types.
extern const TypeDescriptor kStringType, kIntegerType, kBooleanType, kSingleType, kDoubleType,
    kColorType;

}  // namespace tess
