// Sorting one-dimensional arrays ascending. Applications can observe the
// order in which equal strings end up, so the algorithm is fixed: a
// quicksort with the middle element as pivot and a stack of pending ranges,
// finishing ranges of fewer than six elements with a selection pass. It is
// not stable. Numbers belong before the pivot when they are less or equal,
// strings when the case-sensitive locale comparison says less.
#include <cstring>
#include <utility>
#include <vector>

#include "runtime/array.h"
#include "runtime/string_value.h"

namespace tess {
namespace {

template <typename V>
struct Elements {
  uint8_t* storage;

  V At(int32_t i) const {
    V value;
    std::memcpy(&value, storage + size_t(i) * sizeof(V), sizeof value);
    return value;
  }
  void Swap(int32_t a, int32_t b) const {
    V first = At(a);
    V second = At(b);
    std::memcpy(storage + size_t(a) * sizeof(V), &second, sizeof second);
    std::memcpy(storage + size_t(b) * sizeof(V), &first, sizeof first);
  }
  // Whether element a belongs before element b.
  bool Before(int32_t a, int32_t b) const {
    if constexpr (std::is_same_v<V, TessString*>) {
      return CompareLocale(At(a), At(b), false) < 0;
    } else {
      return At(a) <= At(b);
    }
  }
};

template <typename V>
void Sort(GrowableList* list) {
  if (list->count < 2) return;
  const Elements<V> e{list->storage};
  std::vector<std::pair<int32_t, int32_t>> pending;
  int32_t lo = 0;
  int32_t hi = list->count - 1;
  for (;;) {
    while (hi - lo >= 5) {
      e.Swap(lo + (hi - lo) / 2, lo);
      int32_t i = lo + 1;
      for (int32_t j = lo + 1; j <= hi; ++j) {
        if (e.Before(j, lo)) {
          if (j > i) e.Swap(i, j);
          ++i;
        }
      }
      e.Swap(lo, i - 1);
      pending.emplace_back(i, hi);
      hi = i - 2;
    }
    // Fewer than six: move the largest of lo..r to r, r from hi down.
    for (int32_t r = hi; r > lo; --r) {
      int32_t m = lo;
      for (int32_t j = lo + 1; j <= r; ++j) {
        if (e.Before(m, j)) m = j;
      }
      e.Swap(m, r);
    }
    if (pending.empty()) return;
    std::tie(lo, hi) = pending.back();
    pending.pop_back();
  }
}

}  // namespace

void SortList(GrowableList* list, ElementType type) {
  switch (type) {
    case ElementType::kInt:
      return Sort<int32_t>(list);
    case ElementType::kSingle:
      return Sort<float>(list);
    case ElementType::kDouble:
      return Sort<double>(list);
    case ElementType::kString:
      return Sort<TessString*>(list);
    case ElementType::kObject:
      return;
  }
}

}  // namespace tess
