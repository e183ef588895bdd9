// Regions as lists of disjoint rectangles: update regions, visible regions
// of windows and clip regions of device contexts. The rectangles never
// overlap and none is empty; that is what every operation keeps.
#pragma once

#include <vector>

#include "platform/windef.h"

namespace tess::platform::gdi {

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r) { Add(r); }

  bool Empty() const { return rects_.empty(); }
  const std::vector<RECT>& rects() const { return rects_; }
  RECT Bounds() const;
  bool Contains(int x, int y) const;

  void Clear() { rects_.clear(); }
  void Add(const RECT& r);
  void Add(const Region& other);
  void Subtract(const RECT& r);
  void Subtract(const Region& other);
  void Intersect(const RECT& r);
  void Intersect(const Region& other);
  void Offset(int dx, int dy);

  // The same pixels, whatever the split into rectangles.
  bool SameArea(const Region& other) const;

 private:
  std::vector<RECT> rects_;
};

}  // namespace tess::platform::gdi
