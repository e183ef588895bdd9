// Collection: values in order, each with an optional text key, searched from
// the front. Elements are objects of the internal class "CollectionElement".
#include <cstring>
#include <utility>

#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/growable_list.h"
#include "runtime/heap.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/dictionary.h"

namespace tess {

namespace {

constexpr uint32_t kListOffset = 16;
constexpr uint32_t kElementKeyOffset = 16;
constexpr uint32_t kElementValueOffset = 20;

ClassObject* g_collection = nullptr;
ClassObject* g_element = nullptr;

template <typename T>
T& At(TessObject* object, uint32_t offset) {
  return *reinterpret_cast<T*>(reinterpret_cast<uint8_t*>(object) + offset);
}

GrowableList*& ListOf(TessObject* collection) {
  return At<GrowableList*>(collection, kListOffset);
}

TessObject* Checked(TessObject* collection) {
  if (!collection) Raise(RuntimeError::kNilObject);
  return collection;
}

int32_t Count(TessObject* collection) {
  GrowableList* list = ListOf(collection);
  return list ? list->count : 0;
}

TessObject* ElementAt(TessObject* collection, int32_t position) {
  TessObject* element;
  std::memcpy(&element, ListAt(ListOf(collection), position), sizeof element);
  return element;
}

// 0-based position of the first element whose key matches, or -1.
int32_t FindKey(TessObject* collection, TessString* key) {
  for (int32_t i = 0, n = Count(collection); i < n; ++i) {
    TessString* own = At<TessString*>(ElementAt(collection, i), kElementKeyOffset);
    if (CompareNames(View(own), View(key)) == 0) return i;
  }
  return -1;
}

// The element leaves the list before it is released, so a destructor run by
// the release sees a consistent collection.
void RemoveAt(TessObject* collection, int32_t position) {
  TessObject* element = ElementAt(collection, position);
  ListRemove(ListOf(collection), position);
  UnlockObject(element);
}

int32_t CheckedPosition(TessObject* collection, int32_t index) {
  if (index < 1 || index > Count(collection)) Raise(RuntimeError::kOutOfBounds);
  return index - 1;
}

TessObject* ValueOf(TessObject* element) {
  TessObject* value = At<TessObject*>(element, kElementValueOffset);
  LockObject(value);
  return value;
}

const ParameterRecord kAddParameters[] = {{"value", nullptr, {}}, {"key", &kStringType, {}}};
const ParameterRecord kIndexParameter[] = {{"index", &kIntegerType, {}}};
const ParameterRecord kKeyParameter[] = {{"key", &kStringType, {}}};

const PropertyRecord kCollectionProperties[] = {
    {0, "Count", &kIntegerType, (void*)&collectionCount, nullptr, 0},
};

const MethodRecord kCollectionMethods[] = {
    {"Add", nullptr, kAddParameters, 2, {(void*)&collectionAdd}, {}},
    {"Item", nullptr, kIndexParameter, 1, {(void*)&collectionIdxItem}, {}},
    {"Item", nullptr, kKeyParameter, 1, {(void*)&collectionItem}, {}},
    {"Remove", nullptr, kIndexParameter, 1, {(void*)&collectionIdxRemove}, {}},
    {"Remove", nullptr, kKeyParameter, 1, {(void*)&collectionKeyRemove}, {}},
};

}  // namespace

void InitCollectionClass() {
  if (g_collection) return;
  FrameworkClassDef elementDef{};
  elementDef.name = "CollectionElement";
  elementDef.superclass = RootClass();
  elementDef.instanceSize = 24;
  elementDef.destruct = [](TessObject* o, ClassObject*) {
    UnlockString(std::exchange(At<TessString*>(o, kElementKeyOffset), nullptr));
    UnlockObject(std::exchange(At<TessObject*>(o, kElementValueOffset), nullptr));
  };
  g_element = BuildFrameworkClass(elementDef);

  FrameworkClassDef def{};
  def.name = "Collection";
  def.superclass = RootClass();
  def.instanceSize = 20;
  def.destruct = [](TessObject* o, ClassObject*) {
    GrowableList* list = std::exchange(ListOf(o), nullptr);
    if (!list) return;
    for (int32_t i = 0; i < list->count; ++i) {
      TessObject* element;
      std::memcpy(&element, ListAt(list, i), sizeof element);
      UnlockObject(element);
    }
    FreeListStorage(list);
    FreeInternalBlock(list);
  };
  def.properties = kCollectionProperties;
  def.methods = kCollectionMethods;
  g_collection = BuildFrameworkClass(def);
}

ClassObject* CollectionClass() {
  return g_collection;
}

}  // namespace tess

using namespace tess;

int32_t collectionCount(TessObject* collection, uint32_t) {
  return AtEntry([&] { return Count(Checked(collection)); });
}

void collectionAdd(TessObject* collection, TessObject* value, TessString* key) {
  AtEntry([&] {
    GrowableList*& list = ListOf(Checked(collection));
    if (!list) {
      list = static_cast<GrowableList*>(AllocateInternalBlock(sizeof(GrowableList)));
      InitList(list, sizeof(TessObject*));
    }
    TessObject* element = CreateObject(g_element);
    LockString(key);
    LockObject(value);
    At<TessString*>(element, kElementKeyOffset) = key;
    At<TessObject*>(element, kElementValueOffset) = value;
    try {
      ListInsert(list, list->count, &element);
    } catch (...) {
      UnlockObject(element);
      throw;
    }
  });
}

TessObject* collectionIdxItem(TessObject* collection, int32_t index) {
  return AtEntry([&] {
    int32_t position = CheckedPosition(Checked(collection), index);
    return ValueOf(ElementAt(collection, position));
  });
}

TessObject* collectionItem(TessObject* collection, TessString* key) {
  return AtEntry([&]() -> TessObject* {
    int32_t position = FindKey(Checked(collection), key);
    return position < 0 ? nullptr : ValueOf(ElementAt(collection, position));
  });
}

void collectionIdxRemove(TessObject* collection, int32_t index) {
  AtEntry([&] { RemoveAt(collection, CheckedPosition(Checked(collection), index)); });
}

void collectionKeyRemove(TessObject* collection, TessString* key) {
  AtEntry([&] {
    int32_t position = FindKey(Checked(collection), key);
    if (position >= 0) RemoveAt(collection, position);
  });
}
