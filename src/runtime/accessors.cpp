// Generic property accessors: a property record names one of these with the
// byte offset of its value inside the object as the parameter. Getters of
// strings and objects hand back a new reference; setters keep one. The
// invalidating setters also redraw what shows the object when the value
// changed.
#include <cstring>

#include "runtime/control_hooks.h"
#include "runtime/numeric_conversions.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace {

using tess::ControlHooks;

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

ControlHooks g_hooks;

void Invalidate(TessObject* object) {
  if (g_hooks.invalidate) g_hooks.invalidate(object);
}

}  // namespace

namespace tess {
void SetControlHooks(const ControlHooks& hooks) {
  g_hooks = hooks;
}
const ControlHooks& CurrentControlHooks() {
  return g_hooks;
}
}  // namespace tess

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

void stringInvalidateSetter(TessObject* object, uint32_t offset, TessString* value) {
  bool changed = *Field<TessString*>(object, offset) != value;
  stringSetter(object, offset, value);
  if (changed) Invalidate(object);
}

void intInvalidateSetter(TessObject* object, uint32_t offset, int32_t value) {
  if (Load<int32_t>(object, offset) == value) return;
  intSetter(object, offset, value);
  Invalidate(object);
}

void boolInvalidateSetter(TessObject* object, uint32_t offset, int32_t value) {
  int32_t old = boolGetter(object, offset);
  boolSetter(object, offset, value);
  if (boolGetter(object, offset) != old) Invalidate(object);
}

void objInvalidateSetter(TessObject* object, uint32_t offset, TessObject* value) {
  if (*Field<TessObject*>(object, offset) == value) return;
  objSetter(object, offset, value);
  Invalidate(object);
}

// A fraction stored, a percentage seen: 0.25 in the object reads as 25.
double doublePercentGetter(TessObject* object, uint32_t offset) {
  return tess::AsDouble(Load<double>(object, offset) * 100.0);
}
void doublePercentSetter(TessObject* object, uint32_t offset, double value) {
  Store(object, offset, value / 100.0);
}

int32_t getterWinHWND(TessObject* object, uint32_t /*parameter*/) {
  return g_hooks.nativeHandle && object ? int32_t(g_hooks.nativeHandle(object)) : 0;
}

}  // extern "C"
