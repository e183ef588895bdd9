// The growable list: the runtime's internal container of 4- or 8-byte
// elements stored contiguously, used by arrays and other runtime records.
//
// Invariants: 0 <= count <= capacity; storage is null exactly when capacity
// is 0; elements past count are zero. Inserting into a full list adds the
// growth step to the capacity, and the step doubles (at most 4096) after each
// growth so long runs of appends stay amortised; any removal resets it to 16.
// Setting the count resizes the storage to exactly that many elements.
// Positions outside the list are a failed assertion ("array"), never a write
// outside the storage. A size no 32-bit process can hold raises
// OutOfMemoryException (so callers run inside an entry point).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tess {

struct GrowableList {
  uint8_t* storage;
  int32_t count;
  int32_t capacity;
  int32_t elementSize;
  int32_t growthStep;
};

inline constexpr int32_t kInitialGrowthStep = 16;
inline constexpr int32_t kMaxGrowthStep = 4096;

void InitList(GrowableList* list, int32_t elementSize);
// Frees the storage (not the elements' referents); the list is empty after.
void FreeListStorage(GrowableList* list);

// Inserts `value` (elementSize bytes) at 0 <= p <= count.
void ListInsert(GrowableList* list, int64_t p, const void* value);
// Resizes to exactly n elements; new ones are zero.
void ListSetCount(GrowableList* list, int64_t n);
// Extends to count <= n <= limit elements, new ones zero. The storage grows
// by half again (never past `limit`), so a run of extensions reallocates a
// logarithmic number of times instead of once per call.
void ListExtend(GrowableList* list, int64_t n, int64_t limit);
// Removes the element at 0 <= p < count.
void ListRemove(GrowableList* list, int64_t p);
// A zeroed scratch slot, after the assertion for a position outside a list.
uint8_t* ListMisusedSlot();

// The element at 0 <= p < count; on misuse a zeroed scratch slot after the
// assertion, so a caller's read or write stays harmless. Inline: every
// element access of the runtime goes through here.
inline uint8_t* ListAt(GrowableList* list, int64_t p) {
  if (p >= 0 && p < list->count) [[likely]]
    return list->storage + size_t(p) * size_t(list->elementSize);
  return ListMisusedSlot();
}

}  // namespace tess
