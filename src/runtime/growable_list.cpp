// The growable list (see growable_list.h for its invariants).
#include "runtime/growable_list.h"

#include <algorithm>
#include <cstring>

#include "runtime/alerts.h"
#include "runtime/heap.h"
#include "runtime/raise.h"

namespace tess {

namespace {

// Larger lists cannot exist in a 32-bit address space; refusing them early
// keeps every byte count below inside size_t.
constexpr int64_t kMaxListBytes = 0x7FFFFFFF;

void Misuse(int line) {
  InternalAssertion(kFailedCheck, kSourceArray, line);
}

size_t Bytes(const GrowableList* list, int64_t elements) {
  return size_t(elements) * size_t(list->elementSize);
}

void Reserve(GrowableList* list, int64_t capacity) {
  if (capacity < 0 || capacity * list->elementSize > kMaxListBytes)
    Raise(RuntimeError::kOutOfMemory);
  if (capacity == 0) {
    FreeListStorage(list);
    return;
  }
  list->storage = static_cast<uint8_t*>(
      HeapResize(list->storage, Bytes(list, list->capacity), Bytes(list, capacity)));
  list->capacity = int32_t(capacity);
}

}  // namespace

void InitList(GrowableList* list, int32_t elementSize) {
  *list = GrowableList{nullptr, 0, 0, elementSize, kInitialGrowthStep};
}

void FreeListStorage(GrowableList* list) {
  HeapFree(list->storage, Bytes(list, list->capacity));
  list->storage = nullptr;
  list->count = 0;
  list->capacity = 0;
}

void ListInsert(GrowableList* list, int64_t p, const void* value) {
  if (p < 0 || p > list->count) return Misuse(__LINE__);
  if (list->count == list->capacity) {
    Reserve(list, int64_t(list->capacity) + list->growthStep);
    list->growthStep =
        list->growthStep * 2 > kMaxGrowthStep ? kMaxGrowthStep : list->growthStep * 2;
  }
  uint8_t* at = list->storage + Bytes(list, p);
  std::memmove(at + list->elementSize, at, Bytes(list, list->count - p));
  std::memcpy(at, value, size_t(list->elementSize));
  ++list->count;
}

void ListSetCount(GrowableList* list, int64_t n) {
  if (n < 0) return Misuse(__LINE__);
  int32_t old = list->count;
  Reserve(list, n);
  if (n > old) std::memset(list->storage + Bytes(list, old), 0, Bytes(list, n - old));
  list->count = int32_t(n);
}

void ListExtend(GrowableList* list, int64_t n, int64_t limit) {
  if (n < list->count || n > limit) return Misuse(__LINE__);
  if (n > list->capacity) {
    int64_t room = int64_t(list->capacity) + list->capacity / 2;
    Reserve(list, std::max(n, std::min(room, limit)));
  }
  // Reserve zeroed the new storage, and elements past the count are zero.
  list->count = int32_t(n);
}

void ListRemove(GrowableList* list, int64_t p) {
  if (p < 0 || p >= list->count) return Misuse(__LINE__);
  uint8_t* at = list->storage + Bytes(list, p);
  std::memmove(at, at + list->elementSize, Bytes(list, list->count - p - 1));
  --list->count;
  std::memset(list->storage + Bytes(list, list->count), 0, size_t(list->elementSize));
  list->growthStep = kInitialGrowthStep;
}

uint8_t* ListMisusedSlot() {
  Misuse(__LINE__);
  alignas(8) static uint8_t scratch[8];
  std::memset(scratch, 0, sizeof scratch);
  return scratch;
}

}  // namespace tess
