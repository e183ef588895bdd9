// Region arithmetic on disjoint rectangle lists; see region.h.
#include "platform/gdi/region.h"

#include <algorithm>

namespace tess::platform::gdi {

namespace {

bool Valid(const RECT& r) {
  return r.left < r.right && r.top < r.bottom;
}

// Appends the parts of a that lie outside b (at most four rectangles).
void Minus(const RECT& a, const RECT& b, std::vector<RECT>& out) {
  if (b.left >= a.right || b.right <= a.left || b.top >= a.bottom || b.bottom <= a.top) {
    out.push_back(a);
    return;
  }
  if (b.top > a.top) out.push_back({a.left, a.top, a.right, b.top});
  if (b.bottom < a.bottom) out.push_back({a.left, b.bottom, a.right, a.bottom});
  LONG top = std::max(a.top, b.top), bottom = std::min(a.bottom, b.bottom);
  if (b.left > a.left) out.push_back({a.left, top, b.left, bottom});
  if (b.right < a.right) out.push_back({b.right, top, a.right, bottom});
}

}  // namespace

RECT Region::Bounds() const {
  if (rects_.empty()) return {};
  RECT b = rects_[0];
  for (const RECT& r : rects_) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

bool Region::Contains(int x, int y) const {
  for (const RECT& r : rects_)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

void Region::Add(const RECT& r) {
  if (!Valid(r)) return;
  std::vector<RECT> pieces{r}, next;
  for (const RECT& e : rects_) {
    next.clear();
    for (const RECT& p : pieces) Minus(p, e, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void Region::Add(const Region& other) {
  for (const RECT& r : other.rects_) Add(r);
}

void Region::Subtract(const RECT& r) {
  if (!Valid(r)) return;
  std::vector<RECT> out;
  for (const RECT& e : rects_) Minus(e, r, out);
  rects_.swap(out);
}

void Region::Subtract(const Region& other) {
  for (const RECT& r : other.rects_) Subtract(r);
}

void Region::Intersect(const RECT& clip) {
  std::vector<RECT> out;
  for (const RECT& e : rects_) {
    RECT r{std::max(e.left, clip.left), std::max(e.top, clip.top), std::min(e.right, clip.right),
           std::min(e.bottom, clip.bottom)};
    if (Valid(r)) out.push_back(r);
  }
  rects_.swap(out);
}

void Region::Intersect(const Region& other) {
  std::vector<RECT> out;
  for (const RECT& a : rects_)
    for (const RECT& b : other.rects_) {
      RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
      if (Valid(r)) out.push_back(r);
    }
  rects_.swap(out);
}

void Region::Offset(int dx, int dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

bool Region::SameArea(const Region& other) const {
  Region a = *this;
  a.Subtract(other);
  Region b = other;
  b.Subtract(*this);
  return a.Empty() && b.Empty();
}

}  // namespace tess::platform::gdi
