// Rectangle arithmetic shared by the window system and drawing. Empty
// rectangles (no width or no height) intersect nothing.
#include <algorithm>

#include "platform/windef.h"

namespace tess::platform {

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return 0;
  *r = {left, top, right, bottom};
  return 1;
}

BOOL SetRectEmpty(RECT* r) {
  return SetRect(r, 0, 0, 0, 0);
}

BOOL IsRectEmpty(const RECT* r) {
  return !r || r->left >= r->right || r->top >= r->bottom;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return 0;
  r->left += dx, r->right += dx, r->top += dy, r->bottom += dy;
  return 1;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return 0;
  r->left -= dx, r->right += dx, r->top -= dy, r->bottom += dy;
  return 1;
}

BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return 0;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    *out = {};
    return 0;
  }
  *out = r;
  return 1;
}

BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return 0;
  if (IsRectEmpty(a))
    *out = IsRectEmpty(b) ? RECT{} : *b;
  else if (IsRectEmpty(b))
    *out = *a;
  else
    *out = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
            std::max(a->bottom, b->bottom)};
  return !IsRectEmpty(out);
}

BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && *a == *b;
}

}  // namespace tess::platform
