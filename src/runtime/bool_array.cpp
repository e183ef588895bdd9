// Fast boolean arrays: one resizable block, a 32-bit element count followed
// by one byte (0 or 1) per element. Resizing may move the block, so every
// entry that changes the count returns the block's address for the caller
// to keep. The count is never negative: an upper bound below −1 makes an
// empty array, and a count that would not fit the address space raises
// OutOfMemoryException instead of wrapping.
#include <cstring>

#include "runtime/alerts.h"
#include "runtime/exceptions.h"
#include "runtime/heap.h"
#include "runtime/raise.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

constexpr int64_t kMaxElements = 0x7FFFFFF0;

int32_t Count(const TessBoolArray* array) {
  int32_t count;
  std::memcpy(&count, array, sizeof count);
  return count;
}

uint8_t* Elements(TessBoolArray* array) {
  return reinterpret_cast<uint8_t*>(array) + 4;
}

bool Present(const TessBoolArray* array, int line) {
  if (array) return true;
  InternalAssertion(kFailedCheck, kSourceCommonRuntime, line);
  return false;
}

void CheckIndex(int64_t index, int64_t last) {
  if (index < 0 || index > last) Raise(RuntimeError::kOutOfBounds);
}

int64_t CountFor(int32_t upperBound) {
  return upperBound < 0 ? 0 : int64_t(upperBound) + 1;
}

// The block resized to `count` elements, new ones false.
TessBoolArray* Resize(TessBoolArray* array, int64_t count) {
  if (count > kMaxElements) Raise(RuntimeError::kOutOfMemory);
  size_t old = array ? size_t(Count(array)) + 4 : 0;
  auto* resized = static_cast<TessBoolArray*>(HeapResize(array, old, size_t(count) + 4));
  int32_t stored = int32_t(count);
  std::memcpy(resized, &stored, sizeof stored);
  return resized;
}

TessBoolArray* InsertAt(TessBoolArray* array, int32_t index, int32_t value) {
  int32_t count = Count(array);
  CheckIndex(index, count);
  TessBoolArray* grown = Resize(array, int64_t(count) + 1);
  uint8_t* elements = Elements(grown);
  std::memmove(elements + index + 1, elements + index, size_t(count - index));
  elements[index] = value ? 1 : 0;
  return grown;
}

}  // namespace
}  // namespace tess

extern "C" {

TessBoolArray* RuntimeCreateFastBooleanArray(int32_t upperBound) {
  return tess::AtEntry([&] { return tess::Resize(nullptr, tess::CountFor(upperBound)); });
}

int32_t RuntimeFastArrayUBound(TessBoolArray* array) {
  if (!tess::Present(array, __LINE__)) return -1;
  return tess::Count(array) - 1;
}

int32_t RuntimeFastArrayUBound2Param(TessBoolArray* array, int32_t dimension) {
  if (!tess::Present(array, __LINE__)) return -1;
  return tess::AtEntry([&] {
    if (dimension == -1) return 1;
    if (dimension != 1) tess::Raise(tess::RuntimeError::kOutOfBounds);
    return tess::Count(array) - 1;
  });
}

TessBoolArray* RuntimeRedimFastBoolArray(TessBoolArray* array, int32_t upperBound) {
  if (!tess::Present(array, __LINE__)) return array;
  return tess::AtEntry([&] { return tess::Resize(array, tess::CountFor(upperBound)); });
}

int32_t RuntimeFastReadBoolArray(TessBoolArray* array, int32_t index) {
  if (!tess::Present(array, __LINE__)) return 0;
  return tess::AtEntry([&] {
    tess::CheckIndex(index, int64_t(tess::Count(array)) - 1);
    return int32_t(tess::Elements(array)[index]);
  });
}

void RuntimeFastWriteBoolArray(TessBoolArray* array, int32_t index, int32_t value) {
  if (!tess::Present(array, __LINE__)) return;
  tess::AtEntry([&] {
    tess::CheckIndex(index, int64_t(tess::Count(array)) - 1);
    tess::Elements(array)[index] = value ? 1 : 0;
  });
}

TessBoolArray* RuntimeFastBooleanArrayInsert(TessBoolArray* array, int32_t index, int32_t value) {
  if (!tess::Present(array, __LINE__)) return array;
  return tess::AtEntry([&] { return tess::InsertAt(array, index, value); });
}

TessBoolArray* RuntimeFastBooleanArrayAppend(TessBoolArray* array, int32_t value) {
  if (!tess::Present(array, __LINE__)) return array;
  return tess::AtEntry([&] { return tess::InsertAt(array, tess::Count(array), value); });
}

TessBoolArray* RuntimeFastBooleanArrayRemove(TessBoolArray* array, int32_t index) {
  if (!tess::Present(array, __LINE__)) return array;
  return tess::AtEntry([&] {
    int32_t count = tess::Count(array);
    tess::CheckIndex(index, int64_t(count) - 1);
    uint8_t* elements = tess::Elements(array);
    std::memmove(elements + index, elements + index + 1, size_t(count - index - 1));
    return tess::Resize(array, count - 1);
  });
}

void RuntimeDisposeFastBooleanArray(TessBoolArray* array) {
  if (array) tess::HeapFree(array, size_t(tess::Count(array)) + 4);
}

}  // extern "C"
