// Arrays: zero-based, optionally multi-dimensional arrays of integers,
// singles, doubles, strings and object references, built on growable lists.
//
// Shape: in an array of d dimensions the first-dimension list holds the
// elements when d = 1, and otherwise references to lists of the next
// dimension, down to the lists of dimension d, which hold the elements.
// Lists and elements are made lazily; whatever was never written reads as
// the element type's zero. Upper bounds live in their own slots, so a list
// may be shorter than its dimension's upper bound + 1, never longer.
//
// Ownership: a string element holds one string reference, an object element
// one object reference; storing locks the new value before the old one is
// dropped, and removing, cutting and disposing unlock what goes.
//
// Element size: a list starts with 4-byte elements; a double list switches
// to 8 bytes while it is still empty (compiled code never mixes the types
// of one array).
#pragma once

#include <cstdint>

#include "runtime/growable_list.h"
#include "tessera/types.h"

inline constexpr int32_t kMaxArrayDimensions = 20;

struct TessArray {
  tess::GrowableList list;
  int32_t dimensionCount;
  int32_t upperBounds[kMaxArrayDimensions];
  // The walk of a multi-dimensional access: the dimension the next index
  // refers to (0 when no access is in progress) and the list reached so far.
  int32_t accessLevel;
  tess::GrowableList* accessList;
};

namespace tess {

enum class ElementType { kInt, kSingle, kDouble, kString, kObject };

// Sorts the one-dimensional list ascending (see array_sort.cpp).
void SortList(GrowableList* list, ElementType type);

}  // namespace tess
