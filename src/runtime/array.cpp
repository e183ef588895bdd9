// The array object and its entry points: creation and dimensions, upper
// bounds, redimension, dispose, one-dimensional direct access, the
// multi-dimensional access walk, append, insert, remove and sort.
//
// Every index is checked against its dimension's upper bound before
// anything changes, so an OutOfBoundsException leaves the array as it was.
// Entries that walk into lists of the wrong shape (a two-index access on a
// one-dimensional array, a direct access on a matrix) raise the same
// exception rather than reading references as elements.
#include "runtime/array.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "runtime/alerts.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

static_assert(sizeof(void*) == 4, "sub-list references are 4-byte elements");

bool Present(const void* array, int line) {
  if (array) return true;
  InternalAssertion(kFailedCheck, kSourceCommonRuntime, line);
  return false;
}

void CheckIndex(int64_t index, int64_t upperBound) {
  if (index < 0 || index > upperBound) Raise(RuntimeError::kOutOfBounds);
}

// Elements a list of this upper bound holds when complete.
int64_t LengthFor(int32_t upperBound) {
  return upperBound < 0 ? 0 : int64_t(upperBound) + 1;
}

template <typename V>
constexpr ElementType TypeOf() {
  if constexpr (std::is_same_v<V, int32_t>) return ElementType::kInt;
  if constexpr (std::is_same_v<V, float>) return ElementType::kSingle;
  if constexpr (std::is_same_v<V, double>) return ElementType::kDouble;
  if constexpr (std::is_same_v<V, TessString*>) return ElementType::kString;
  if constexpr (std::is_same_v<V, TessObject*>) return ElementType::kObject;
}

int32_t SizeOf(ElementType type) {
  return type == ElementType::kDouble ? 8 : 4;
}

// A list takes the element size of the first type stored in it while empty.
bool FitElements(GrowableList* list, ElementType type) {
  int32_t size = SizeOf(type);
  if (list->elementSize == size) return true;
  if (list->count == 0) {
    FreeListStorage(list);
    list->elementSize = size;
    return true;
  }
  InternalAssertion(kFailedCheck, kSourceArray, __LINE__);
  return false;
}

void ReleaseElement(uint8_t* slot, ElementType type) {
  void* value;
  std::memcpy(&value, slot, sizeof value);
  std::memset(slot, 0, sizeof value);
  if (type == ElementType::kString) UnlockString(static_cast<TessString*>(value));
  if (type == ElementType::kObject) UnlockObject(static_cast<TessObject*>(value));
}

GrowableList* SubList(GrowableList* list, int64_t i) {
  GrowableList* sub;
  std::memcpy(&sub, ListAt(list, i), sizeof sub);
  return sub;
}

bool Owning(ElementType type) {
  return type == ElementType::kString || type == ElementType::kObject;
}

// Frees `list`'s contents: sub-lists (with their contents) while `depth`
// levels remain below it, elements at the last dimension.
void FreeContents(GrowableList* list, int32_t depth, ElementType type) {
  if (depth == 0 && !Owning(type)) return FreeListStorage(list);
  for (int32_t i = 0; i < list->count; ++i) {
    if (depth > 0) {
      GrowableList* sub = SubList(list, i);
      if (!sub) continue;
      FreeContents(sub, depth - 1, type);
      FreeInternalBlock(sub);
    } else {
      ReleaseElement(ListAt(list, i), type);
    }
  }
  FreeListStorage(list);
}

// Cuts `list` to `length` entries, releasing the tail.
void CutList(GrowableList* list, int64_t length, int32_t depth, ElementType type) {
  if (list->count <= length) return;
  for (int64_t i = length; i < list->count; ++i) {
    if (depth > 0) {
      GrowableList* sub = SubList(list, i);
      if (!sub) continue;
      FreeContents(sub, depth - 1, type);
      FreeInternalBlock(sub);
    } else {
      ReleaseElement(ListAt(list, i), type);
    }
  }
  ListSetCount(list, length);
}

// Walks from `list` (at dimension index `at`) to every list of dimension
// index `level` and cuts it to `length`.
void CutLevel(GrowableList* list, int32_t at, int32_t level, int32_t dimensions, int64_t length,
              ElementType type) {
  if (at == level) return CutList(list, length, dimensions - 1 - at, type);
  for (int32_t i = 0; i < list->count; ++i) {
    if (GrowableList* sub = SubList(list, i))
      CutLevel(sub, at + 1, level, dimensions, length, type);
  }
}

// A one-dimensional list made exactly upper bound + 1 long.
void MakeComplete(TessArray* array, ElementType type) {
  int64_t length = LengthFor(array->upperBounds[0]);
  // A list already complete keeps its spare capacity, so a run of appends
  // grows by the growth step instead of reallocating every time.
  if (array->list.count > length) {
    CutList(&array->list, length, 0, type);
  } else if (array->list.count < length) {
    ListSetCount(&array->list, length);
  }
}

template <typename V>
V Load(uint8_t* slot) {
  V value;
  std::memcpy(&value, slot, sizeof value);
  if constexpr (std::is_same_v<V, TessString*>) LockString(value);
  if constexpr (std::is_same_v<V, TessObject*>) LockObject(value);
  return value;
}

template <typename V>
void Store(uint8_t* slot, V value) {
  V old;
  std::memcpy(&old, slot, sizeof old);
  if constexpr (std::is_same_v<V, TessString*>) LockString(value);
  if constexpr (std::is_same_v<V, TessObject*>) LockObject(value);
  std::memcpy(slot, &value, sizeof value);
  if constexpr (std::is_same_v<V, TessString*>) UnlockString(old);
  if constexpr (std::is_same_v<V, TessObject*>) UnlockObject(old);
}

// Reads element i of a last-dimension list; what was never stored is zero.
template <typename V>
V LoadElement(GrowableList* list, int64_t i) {
  if (!list || i >= list->count) return V{};
  if (list->elementSize != SizeOf(TypeOf<V>())) {
    InternalAssertion(kFailedCheck, kSourceArray, __LINE__);
    return V{};
  }
  return Load<V>(ListAt(list, i));
}

bool OneDimensional(TessArray* array) {
  if (array->dimensionCount != 1) Raise(RuntimeError::kOutOfBounds);
  return true;
}

// The fast paths below handle the common case of each entry, an element
// already stored, inline and without a call; everything else (nil arrays,
// wrong shapes, indices outside the bounds or past the stored elements,
// growth) goes to the general code after them, which raises. Each fast
// path checks the index against the upper bound itself, not only against
// the stored count, so no invariant between the two is trusted for bounds.

// Whether `list` (possibly none) is a list of `V`s holding a stored element
// `index` inside its dimension's upper bound `upperBound`.
template <typename V>
[[gnu::always_inline]] inline bool Holds(const GrowableList* list, int32_t index,
                                         int32_t upperBound) {
  return list && uint32_t(index) < uint32_t(list->count) && index <= upperBound &&
         list->elementSize == int32_t(sizeof(V));
}

// The slot of an element `Holds` found.
template <typename V>
[[gnu::always_inline]] inline uint8_t* SlotOf(const GrowableList* list, int32_t index) {
  return list->storage + size_t(index) * sizeof(V);
}

template <typename V>
[[gnu::always_inline]] inline bool DirectHolds(const TessArray* array, int32_t index) {
  return array && array->dimensionCount == 1 &&
         Holds<V>(&array->list, index, array->upperBounds[0]);
}

// Whether `list` of `V`s has room for element `index` inside its dimension's
// upper bound `upperBound` without growing its storage; when so, the count
// is made at least `count` (at most the capacity). Elements past the count
// are zero, so this is the extension the general code would make. (Direct
// writes keep to stored elements: their fast path is the tighter one, and
// their slow path extends by 16 at a time.)
template <typename V>
[[gnu::always_inline]] inline bool Roomy(GrowableList* list, int32_t index, int32_t upperBound,
                                         int64_t count) {
  if (!list || uint32_t(index) >= uint32_t(list->capacity) || index > upperBound ||
      list->elementSize != int32_t(sizeof(V)))
    return false;
  if (index < list->count) return true;
  if (count > list->capacity) return false;
  list->count = int32_t(count);
  return true;
}

// A direct write past the count extends the list to min(index + 16, upper
// bound + 1) elements.
int64_t DirectCount(int32_t index, int32_t upperBound) {
  return std::min(int64_t(index) + 16, int64_t(upperBound) + 1);
}

template <typename V>
[[gnu::noinline]] V DirectReadSlow(TessArray* array, int32_t index) {
  if (!Present(array, __LINE__)) return V{};
  return AtEntry([&] {
    OneDimensional(array);
    CheckIndex(index, array->upperBounds[0]);
    return LoadElement<V>(&array->list, index);
  });
}

template <typename V>
[[gnu::always_inline]] inline V DirectRead(TessArray* array, int32_t index) {
  if (DirectHolds<V>(array, index)) return Load<V>(SlotOf<V>(&array->list, index));
  return DirectReadSlow<V>(array, index);
}

template <typename V>
[[gnu::noinline]] void DirectWriteSlow(TessArray* array, int32_t index, V value) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    OneDimensional(array);
    CheckIndex(index, array->upperBounds[0]);
    GrowableList* list = &array->list;
    if (!FitElements(list, TypeOf<V>())) return;
    // Past the stored count the list grows by up to 16 elements, not to the
    // whole upper bound, so sparse writes stay cheap; its storage grows
    // geometrically up to the whole bound, so filling it front to back
    // does not reallocate every 16 elements.
    if (index >= list->count)
      ListExtend(list, DirectCount(index, array->upperBounds[0]), LengthFor(array->upperBounds[0]));
    Store<V>(ListAt(list, index), value);
  });
}

template <typename V>
[[gnu::always_inline]] inline void DirectWrite(TessArray* array, int32_t index, V value) {
  if (DirectHolds<V>(array, index)) return Store<V>(SlotOf<V>(&array->list, index), value);
  DirectWriteSlow<V>(array, index, value);
}

// The sub-list at i of `list` (a list of a dimension with this upper
// bound), made when `create` and missing.
GrowableList* Step(GrowableList* list, int32_t i, int32_t upperBound, bool create) {
  if (i < list->count) {
    if (GrowableList* sub = SubList(list, i)) return sub;
  }
  if (!create) return nullptr;
  if (list->elementSize != 4) {
    InternalAssertion(kFailedCheck, kSourceArray, __LINE__);
    return nullptr;
  }
  // Rows made one after another extend the list one entry at a time; its
  // storage grows geometrically up to the whole dimension.
  if (i >= list->count) ListExtend(list, int64_t(i) + 1, LengthFor(upperBound));
  auto* sub = static_cast<GrowableList*>(AllocateInternalBlock(sizeof(GrowableList)));
  InitList(sub, 4);
  std::memcpy(ListAt(list, i), &sub, sizeof sub);
  return sub;
}

// The stored sub-list at `index` of `list`, or null when the general code
// must decide (the sub-list is missing or the index is outside the bounds).
[[gnu::always_inline]] inline GrowableList* StoredSubList(const GrowableList* list, int32_t index,
                                                          int32_t upperBound) {
  if (!Holds<GrowableList*>(list, index, upperBound)) return nullptr;
  GrowableList* sub;
  std::memcpy(&sub, SlotOf<GrowableList*>(list, index), sizeof sub);
  return sub;
}

[[gnu::noinline]] void StartAccessSlow(TessArray* array, int32_t index, bool create) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    if (array->dimensionCount < 2) Raise(RuntimeError::kOutOfBounds);
    CheckIndex(index, array->upperBounds[0]);
    array->accessLevel = 1;
    array->accessList = Step(&array->list, index, array->upperBounds[0], create);
  });
}

[[gnu::always_inline]] inline void StartAccess(TessArray* array, int32_t index, bool create) {
  if (array && array->dimensionCount >= 2) {
    if (GrowableList* sub = StoredSubList(&array->list, index, array->upperBounds[0])) {
      array->accessLevel = 1;
      array->accessList = sub;
      return;
    }
  }
  StartAccessSlow(array, index, create);
}

[[gnu::noinline]] void AddAccessIndexSlow(TessArray* array, int32_t index, bool create) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    int32_t level = array->accessLevel;
    if (level < 1 || level >= array->dimensionCount - 1) Raise(RuntimeError::kOutOfBounds);
    // Every index is checked, even where the walk has left the stored lists.
    CheckIndex(index, array->upperBounds[level]);
    if (array->accessList) {
      array->accessList = Step(array->accessList, index, array->upperBounds[level], create);
    } else if (create) {
      InternalAssertion(kFailedCheck, kSourceCommonRuntime, __LINE__);
    }
    array->accessLevel = level + 1;
  });
}

[[gnu::always_inline]] inline void AddAccessIndex(TessArray* array, int32_t index, bool create) {
  if (array && array->accessList) {
    int32_t level = array->accessLevel;
    if (level >= 1 && level < array->dimensionCount - 1) {
      if (GrowableList* sub = StoredSubList(array->accessList, index, array->upperBounds[level])) {
        array->accessLevel = level + 1;
        array->accessList = sub;
        return;
      }
    }
  }
  AddAccessIndexSlow(array, index, create);
}

// The list a walk standing at the last dimension reached, when it holds a
// stored element `index` (or, for a write, has room for it: the list is
// extended to index + 1 entries); the walk then ends. Otherwise null, and
// the general code must decide.
template <typename V, bool kWrite>
[[gnu::always_inline]] inline GrowableList* WalkReaches(TessArray* array, int32_t index) {
  if (!array) return nullptr;
  int32_t level = array->accessLevel;
  GrowableList* list = array->accessList;
  if (level < 1 || level != array->dimensionCount - 1) return nullptr;
  int32_t upperBound = array->upperBounds[level];
  if (kWrite ? !Roomy<V>(list, index, upperBound, int64_t(index) + 1)
             : !Holds<V>(list, index, upperBound))
    return nullptr;
  array->accessLevel = 0;
  array->accessList = nullptr;
  return list;
}

// Ends the walk and returns the list it reached, or raises when the walk
// does not stand at the last dimension or `index` is outside it.
GrowableList* FinishAccess(TessArray* array, int32_t index) {
  int32_t level = array->accessLevel;
  GrowableList* list = array->accessList;
  array->accessLevel = 0;
  array->accessList = nullptr;
  if (level < 1 || level != array->dimensionCount - 1) Raise(RuntimeError::kOutOfBounds);
  CheckIndex(index, array->upperBounds[level]);
  return list;
}

template <typename V>
[[gnu::noinline]] V AccessReadSlow(TessArray* array, int32_t index) {
  if (!Present(array, __LINE__)) return V{};
  return AtEntry([&] { return LoadElement<V>(FinishAccess(array, index), index); });
}

template <typename V>
[[gnu::always_inline]] inline V AccessRead(TessArray* array, int32_t index) {
  if (GrowableList* list = WalkReaches<V, false>(array, index))
    return Load<V>(SlotOf<V>(list, index));
  return AccessReadSlow<V>(array, index);
}

template <typename V>
[[gnu::noinline]] void AccessWriteSlow(TessArray* array, int32_t index, V value) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    int32_t level = array->accessLevel;
    GrowableList* list = FinishAccess(array, index);
    if (!list) return InternalAssertion(kFailedCheck, kSourceCommonRuntime, __LINE__);
    if (!FitElements(list, TypeOf<V>())) return;
    // As for rows: a row filled front to back reallocates rarely.
    if (index >= list->count)
      ListExtend(list, int64_t(index) + 1, LengthFor(array->upperBounds[level]));
    Store<V>(ListAt(list, index), value);
  });
}

template <typename V>
[[gnu::always_inline]] inline void AccessWrite(TessArray* array, int32_t index, V value) {
  if (GrowableList* list = WalkReaches<V, true>(array, index))
    return Store<V>(SlotOf<V>(list, index), value);
  AccessWriteSlow<V>(array, index, value);
}

template <typename V>
[[gnu::noinline]] void Insert(TessArray* array, int32_t index, V value, bool append) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    OneDimensional(array);
    int64_t length = LengthFor(array->upperBounds[0]);
    if (append) {
      index = int32_t(length < INT32_MAX ? length : INT32_MAX);
    } else {
      CheckIndex(index, length);
    }
    if (length >= INT32_MAX) Raise(RuntimeError::kOutOfMemory);
    if (!FitElements(&array->list, TypeOf<V>())) return;
    MakeComplete(array, TypeOf<V>());
    V stored{};
    ListInsert(&array->list, index, &stored);
    Store<V>(ListAt(&array->list, index), value);
    array->upperBounds[0] = int32_t(length);
  });
}

// An append to a complete one-dimensional list with room left: the new
// element goes into the zeroed slot past the count.
template <typename V>
[[gnu::always_inline]] inline void Append(TessArray* array, V value) {
  if (array && array->dimensionCount == 1) {
    GrowableList& list = array->list;
    int32_t upperBound = array->upperBounds[0];
    if (upperBound >= -1 && upperBound < INT32_MAX - 1 && list.count == upperBound + 1 &&
        list.count < list.capacity && list.elementSize == int32_t(sizeof(V))) {
      uint8_t* slot = list.storage + size_t(list.count) * sizeof(V);
      std::memset(slot, 0, sizeof(V));
      Store<V>(slot, value);
      ++list.count;
      array->upperBounds[0] = upperBound + 1;
      return;
    }
  }
  Insert(array, 0, value, true);
}

void Remove(TessArray* array, int32_t index, ElementType type) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    OneDimensional(array);
    CheckIndex(index, array->upperBounds[0]);
    GrowableList* list = &array->list;
    if (index < list->count) {
      // Taken out first, released after: a destructor that looks at the
      // array sees it already without the element.
      uint8_t removed[8] = {};
      std::memcpy(removed, ListAt(list, index), size_t(list->elementSize));
      ListRemove(list, index);
      ReleaseElement(removed, type);
    }
    --array->upperBounds[0];
  });
}

void Redim(TessArray* array, int32_t level, int32_t upperBound, ElementType type) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    if (level < 0 || level >= array->dimensionCount) Raise(RuntimeError::kOutOfBounds);
    array->accessLevel = 0;
    array->accessList = nullptr;
    array->upperBounds[level] = upperBound;
    CutLevel(&array->list, 0, level, array->dimensionCount, LengthFor(upperBound), type);
  });
}

void Dispose(TessArray* array, ElementType type) {
  if (!array) return;
  FreeContents(&array->list, array->dimensionCount - 1, type);
  FreeInternalBlock(array);
}

template <typename V>
void Sort(TessArray* array) {
  if (!Present(array, __LINE__)) return;
  AtEntry([&] {
    OneDimensional(array);
    if (!FitElements(&array->list, TypeOf<V>())) return;
    MakeComplete(array, TypeOf<V>());
    SortList(&array->list, TypeOf<V>());
  });
}

}  // namespace
}  // namespace tess

using tess::ElementType;

extern "C" {

TessArray* RuntimeCreateArray(void) {
  auto* array = static_cast<TessArray*>(tess::AllocateInternalBlock(sizeof(TessArray)));
  tess::InitList(&array->list, 4);
  return array;
}

void RuntimeArrayCreateAddIndex(TessArray* array, int32_t lower, int32_t upper) {
  if (!tess::Present(array, __LINE__)) return;
  // A further dimension would turn stored elements into list references;
  // more than the slots hold would write past them.
  if (array->dimensionCount >= kMaxArrayDimensions ||
      (array->dimensionCount > 0 && array->list.count > 0)) {
    return tess::InternalAssertion(tess::kFailedCheck, tess::kSourceCommonRuntime, __LINE__);
  }
  int64_t bound = int64_t(upper) - lower;
  if (bound > INT32_MAX) bound = INT32_MAX;
  if (bound < INT32_MIN) bound = INT32_MIN;
  array->upperBounds[array->dimensionCount++] = int32_t(bound);
}

int32_t RuntimeUBound(TessArray* array) {
  if (!tess::Present(array, __LINE__)) return -1;
  return array->dimensionCount > 0 ? array->upperBounds[0] : -1;
}

int32_t RuntimeUBound2Param(TessArray* array, int32_t dimension) {
  if (!tess::Present(array, __LINE__)) return -1;
  return tess::AtEntry([&] {
    if (dimension == -1) return array->dimensionCount;
    if (dimension < 1 || dimension > array->dimensionCount)
      tess::Raise(tess::RuntimeError::kOutOfBounds);
    return array->upperBounds[dimension - 1];
  });
}

void RuntimeRedimIntArrayLevel(TessArray* array, int32_t level, int32_t upperBound) {
  tess::Redim(array, level, upperBound, ElementType::kInt);
}
void RuntimeRedimStringArrayLevel(TessArray* array, int32_t level, int32_t upperBound) {
  tess::Redim(array, level, upperBound, ElementType::kString);
}
void RuntimeRedimObjectArrayLevel(TessArray* array, int32_t level, int32_t upperBound) {
  tess::Redim(array, level, upperBound, ElementType::kObject);
}

void RuntimeDisposeIntArray(TessArray* array) {
  tess::Dispose(array, ElementType::kInt);
}
void RuntimeDisposeStringArray(TessArray* array) {
  tess::Dispose(array, ElementType::kString);
}
void RuntimeDisposeObjectArray(TessArray* array) {
  tess::Dispose(array, ElementType::kObject);
}

int32_t RuntimeDirectReadIntArray(TessArray* array, int32_t index) {
  return tess::DirectRead<int32_t>(array, index);
}
float RuntimeDirectReadSingleArray(TessArray* array, int32_t index) {
  return tess::DirectRead<float>(array, index);
}
double RuntimeDirectReadDoubleArray(TessArray* array, int32_t index) {
  return tess::DirectRead<double>(array, index);
}
TessString* RuntimeDirectReadStringArray(TessArray* array, int32_t index) {
  return tess::DirectRead<TessString*>(array, index);
}
TessObject* RuntimeDirectReadObjectArray(TessArray* array, int32_t index) {
  return tess::DirectRead<TessObject*>(array, index);
}

void RuntimeDirectWriteIntArray(TessArray* array, int32_t index, int32_t value) {
  tess::DirectWrite(array, index, value);
}
void RuntimeDirectWriteSingleArray(TessArray* array, int32_t index, float value) {
  tess::DirectWrite(array, index, value);
}
void RuntimeDirectWriteDoubleArray(TessArray* array, int32_t index, double value) {
  tess::DirectWrite(array, index, value);
}
void RuntimeDirectWriteStringArray(TessArray* array, int32_t index, TessString* value) {
  tess::DirectWrite(array, index, value);
}
void RuntimeDirectWriteObjectArray(TessArray* array, int32_t index, TessObject* value) {
  tess::DirectWrite(array, index, value);
}

void RuntimeArrayStartReadAccess(TessArray* array, int32_t index) {
  tess::StartAccess(array, index, false);
}
void RuntimeArrayStartWriteAccess(TessArray* array, int32_t index) {
  tess::StartAccess(array, index, true);
}
void RuntimeArrayAddReadIndex(TessArray* array, int32_t index) {
  tess::AddAccessIndex(array, index, false);
}
void RuntimeArrayAddWriteIndex(TessArray* array, int32_t index) {
  tess::AddAccessIndex(array, index, true);
}

int32_t RuntimeReadIntArray(TessArray* array, int32_t index) {
  return tess::AccessRead<int32_t>(array, index);
}
float RuntimeReadSingleArray(TessArray* array, int32_t index) {
  return tess::AccessRead<float>(array, index);
}
double RuntimeReadDoubleArray(TessArray* array, int32_t index) {
  return tess::AccessRead<double>(array, index);
}
TessString* RuntimeReadStringArray(TessArray* array, int32_t index) {
  return tess::AccessRead<TessString*>(array, index);
}
TessObject* RuntimeReadObjectArray(TessArray* array, int32_t index) {
  return tess::AccessRead<TessObject*>(array, index);
}

void RuntimeWriteIntArray(TessArray* array, int32_t index, int32_t value) {
  tess::AccessWrite(array, index, value);
}
void RuntimeWriteSingleArray(TessArray* array, int32_t index, float value) {
  tess::AccessWrite(array, index, value);
}
void RuntimeWriteDoubleArray(TessArray* array, int32_t index, double value) {
  tess::AccessWrite(array, index, value);
}
void RuntimeWriteStringArray(TessArray* array, int32_t index, TessString* value) {
  tess::AccessWrite(array, index, value);
}
void RuntimeWriteObjectArray(TessArray* array, int32_t index, TessObject* value) {
  tess::AccessWrite(array, index, value);
}

void RuntimeIntArrayAppend(TessArray* array, int32_t value) {
  tess::Append(array, value);
}
void RuntimeSingleArrayAppend(TessArray* array, float value) {
  tess::Append(array, value);
}
void RuntimeDoubleArrayAppend(TessArray* array, double value) {
  tess::Append(array, value);
}
void RuntimeStringArrayAppend(TessArray* array, TessString* value) {
  tess::Append(array, value);
}
void RuntimeObjectArrayAppend(TessArray* array, TessObject* value) {
  tess::Append(array, value);
}

void RuntimeIntArrayInsert(TessArray* array, int32_t index, int32_t value) {
  tess::Insert(array, index, value, false);
}
void RuntimeSingleArrayInsert(TessArray* array, int32_t index, float value) {
  tess::Insert(array, index, value, false);
}
void RuntimeDoubleArrayInsert(TessArray* array, int32_t index, double value) {
  tess::Insert(array, index, value, false);
}
void RuntimeStringArrayInsert(TessArray* array, int32_t index, TessString* value) {
  tess::Insert(array, index, value, false);
}
void RuntimeObjectArrayInsert(TessArray* array, int32_t index, TessObject* value) {
  tess::Insert(array, index, value, false);
}

void RuntimeIntArrayRemove(TessArray* array, int32_t index) {
  tess::Remove(array, index, ElementType::kInt);
}
void RuntimeStringArrayRemove(TessArray* array, int32_t index) {
  tess::Remove(array, index, ElementType::kString);
}
void RuntimeObjectArrayRemove(TessArray* array, int32_t index) {
  tess::Remove(array, index, ElementType::kObject);
}

void RuntimeIntArraySort(TessArray* array) {
  tess::Sort<int32_t>(array);
}
void RuntimeSingleArraySort(TessArray* array) {
  tess::Sort<float>(array);
}
void RuntimeDoubleArraySort(TessArray* array) {
  tess::Sort<double>(array);
}
void RuntimeStringArraySort(TessArray* array) {
  tess::Sort<TessString*>(array);
}

}  // extern "C"
