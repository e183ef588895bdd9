// Generic property accessors: a property record names one of these with the
// byte offset of its value inside the object as the parameter. Getters of
// strings and objects hand back a new reference; setters keep one.
#include <cstring>

#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace {

template <typename T>
T* Field(TessObject* object, uint32_t offset) {
  return reinterpret_cast<T*>(reinterpret_cast<uint8_t*>(object) + offset);
}

template <typename T>
T Load(TessObject* object, uint32_t offset) {
  T value;
  std::memcpy(&value, Field<uint8_t>(object, offset), sizeof value);
  return value;
}

template <typename T>
void Store(TessObject* object, uint32_t offset, T value) {
  std::memcpy(Field<uint8_t>(object, offset), &value, sizeof value);
}

}  // namespace

extern "C" {

TessString* stringGetter(TessObject* object, uint32_t offset) {
  return tess::Share(*Field<TessString*>(object, offset));
}

void stringSetter(TessObject* object, uint32_t offset, TessString* value) {
  TessString** field = Field<TessString*>(object, offset);
  RuntimeLockUnlockStrings(value, *field);
  *field = value;
}

int32_t intGetter(TessObject* object, uint32_t offset) {
  return Load<int32_t>(object, offset);
}
void intSetter(TessObject* object, uint32_t offset, int32_t value) {
  Store(object, offset, value);
}

float singleGetter(TessObject* object, uint32_t offset) {
  return Load<float>(object, offset);
}
void singleSetter(TessObject* object, uint32_t offset, float value) {
  Store(object, offset, value);
}

double doubleGetter(TessObject* object, uint32_t offset) {
  return Load<double>(object, offset);
}
void doubleSetter(TessObject* object, uint32_t offset, double value) {
  Store(object, offset, value);
}

int32_t boolGetter(TessObject* object, uint32_t offset) {
  return Load<uint8_t>(object, offset) ? 1 : 0;
}
void boolSetter(TessObject* object, uint32_t offset, int32_t value) {
  Store<uint8_t>(object, offset, (value & 0xFF) ? 1 : 0);
}

int32_t shortGetter(TessObject* object, uint32_t offset) {
  return Load<int16_t>(object, offset);
}
void shortSetter(TessObject* object, uint32_t offset, int32_t value) {
  Store<int16_t>(object, offset, int16_t(value));
}

TessObject* objGetter(TessObject* object, uint32_t offset) {
  TessObject* value = *Field<TessObject*>(object, offset);
  tess::LockObject(value);
  return value;
}

void objSetter(TessObject* object, uint32_t offset, TessObject* value) {
  TessObject** field = Field<TessObject*>(object, offset);
  if (value == *field) return;
  tess::LockObject(value);
  tess::UnlockObject(*field);
  *field = value;
}

}  // extern "C"
