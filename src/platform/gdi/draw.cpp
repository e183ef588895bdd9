// Shapes: lines, rectangles, rounded rectangles, ellipses, polygons, single
// pixels and pattern fills. Everything is reduced to horizontal spans in
// device coordinates, clipped by the context's effective clip, so no shape
// can write outside its surface whatever the coordinates. Frames lie inside
// their rectangle: a pen w wide and h high covers w columns at the left and
// right edges and h rows at the top and bottom. Ellipses are computed one
// row at a time from the row's distance to the centre, which makes them
// exactly symmetric about both axes.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi/gdi_internal.h"

namespace tess::platform {

using namespace gdi;

namespace {

// A context ready to draw: its clip and its logical-to-device offset.
struct Target {
  DeviceContext* dc = nullptr;
  Region clip;
  int dx = 0, dy = 0;
  Pen* pen = nullptr;
  Brush* brush = nullptr;

  bool Open(HDC h) {
    if (!IsLiveDC(h) || !h->surface) return false;
    dc = h;
    clip = EffectiveClip(*h);
    dx = h->base.x + h->state.viewport.x;
    dy = h->base.y + h->state.viewport.y;
    pen = As<Pen>(h->state.pen, GdiKind::Pen);
    brush = As<Brush>(h->state.brush, GdiKind::Brush);
    return true;
  }
  bool HasPen() const { return pen && pen->style != PS_NULL; }
  bool HasBrush() const { return brush && !brush->hollow; }
  // Device-coordinate fill, clipped.
  void Fill(int64_t l, int64_t t, int64_t r, int64_t b, COLORREF c) {
    auto sat = [](int64_t v) { return LONG(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
    FillDeviceRect(*dc, clip, RECT{sat(l), sat(t), sat(r), sat(b)}, c);
  }
  void Span(int64_t y, int64_t x0, int64_t x1, COLORREF c) { Fill(x0, y, x1 + 1, y + 1, c); }
};

// Coordinates from callers are clamped so that the arithmetic below cannot
// overflow; anything that far out is clipped away anyway.
int64_t Clamp(int64_t v) {
  return std::clamp<int64_t>(v, -(1 << 24), 1 << 24);
}

// A line from (x0, y0) towards (x1, y1), the end point excluded, each point
// drawn with the pen's nib (dash patterns apply to one-pixel pens). Step i
// along the major axis puts the minor axis at i * minor / major rounded half
// up, which is what an error-term walk gives, but lets the walk start and
// stop at the clip box: a line across the whole coordinate range costs no
// more than one across the surface.
void Line(Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  if (!t.HasPen()) return;
  const Pen& p = *t.pen;
  x0 = Clamp(x0 + t.dx), y0 = Clamp(y0 + t.dy), x1 = Clamp(x1 + t.dx), y1 = Clamp(y1 + t.dy);
  int64_t adx = std::llabs(x1 - x0), ady = std::llabs(y1 - y0);
  int64_t n = std::max(adx, ady);
  if (n == 0 || t.clip.Empty()) return;
  int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  bool xMajor = adx >= ady;
  int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  RECT box = t.clip.Bounds();
  // Steps whose major coordinate can reach the box, the nib included.
  int64_t start = xMajor ? x0 : y0;
  int s = xMajor ? sx : sy;
  int64_t lo = (xMajor ? box.left - p.width : box.top - p.height) + 1;
  int64_t hi = xMajor ? box.right : box.bottom;
  int64_t first = s > 0 ? lo - start : start - hi + 1;
  int64_t last = s > 0 ? hi - start : start - lo + 1;
  first = std::max<int64_t>(0, first), last = std::min(n, last);
  int on = p.style == PS_DASH ? 18 : 3, cycle = p.style == PS_DASH ? 24 : 6;
  bool patterned = (p.style == PS_DASH || p.style == PS_DOT) && p.width == 1 && p.height == 1;
  for (int64_t i = first; i < last; ++i) {
    if (patterned && i % cycle >= on) continue;
    int64_t m = (2 * i * minor + major) / (2 * major);
    int64_t x = xMajor ? x0 + sx * i : x0 + sx * m;
    int64_t y = xMajor ? y0 + sy * m : y0 + sy * i;
    t.Fill(x, y, x + p.width, y + p.height, p.color);
  }
}

// The pixels of row y inside the rounded rectangle [l, r) x [t, b) whose
// corners are quarter ellipses ew wide and eh high; false if none.
bool RowSpan(int64_t l, int64_t t, int64_t r, int64_t b, int64_t ew, int64_t eh, int64_t y,
             int64_t* x0, int64_t* x1) {
  int64_t w = r - l, h = b - t;
  if (w <= 0 || h <= 0 || y < t || y >= b) return false;
  ew = std::min(ew, w), eh = std::min(eh, h);
  int64_t j = std::min(y - t, b - 1 - y);
  int64_t k = 0;
  double rx = ew / 2.0, ry = eh / 2.0;
  if (ew > 0 && eh > 0 && j + 0.5 < ry) {
    double d = (ry - (j + 0.5)) / ry;
    double inset = rx - rx * std::sqrt(std::max(0.0, 1 - d * d));
    k = std::min<int64_t>(int64_t(std::floor(inset + 0.5)), (w - 1) / 2);
  }
  *x0 = l + k;
  *x1 = r - 1 - k;
  return true;
}

// Fills the interior with the brush and the ring between the outer shape
// and the shape inset by the pen with the pen, row by row.
void RoundShape(Target& t, int64_t l, int64_t tp, int64_t r, int64_t b, int64_t ew, int64_t eh) {
  l = Clamp(l + t.dx), r = Clamp(r + t.dx), tp = Clamp(tp + t.dy), b = Clamp(b + t.dy);
  if (l > r) std::swap(l, r);
  if (tp > b) std::swap(tp, b);
  int64_t pw = t.HasPen() ? t.pen->width : 0, ph = t.HasPen() ? t.pen->height : 0;
  RECT box = t.clip.Bounds();
  int64_t y0 = std::max<int64_t>(tp, box.top), y1 = std::min<int64_t>(b, box.bottom);
  for (int64_t y = y0; y < y1; ++y) {
    int64_t a0, a1, i0 = 1, i1 = 0;
    if (!RowSpan(l, tp, r, b, ew, eh, y, &a0, &a1)) continue;
    bool inner = RowSpan(l + pw, tp + ph, r - pw, b - ph, std::max<int64_t>(0, ew - 2 * pw),
                         std::max<int64_t>(0, eh - 2 * ph), y, &i0, &i1);
    if (!inner) {
      if (pw > 0)
        t.Span(y, a0, a1, t.pen->color);
      else if (t.HasBrush())
        t.Span(y, a0, a1, t.brush->color);
      continue;
    }
    if (t.HasBrush()) t.Span(y, i0, i1, t.brush->color);
    if (pw > 0) {
      if (i0 > a0) t.Span(y, a0, i0 - 1, t.pen->color);
      if (a1 > i1) t.Span(y, i1 + 1, a1, t.pen->color);
    }
  }
}

struct Edge {
  double x0, y0, x1, y1;
  int dir;
};

void FillPolygon(Target& t, const POINT* pts, int n, COLORREF color, int mode) {
  std::vector<Edge> edges;
  double top = 1e18, bottom = -1e18;
  for (int i = 0; i < n; ++i) {
    const POINT& a = pts[i];
    const POINT& b = pts[(i + 1) % n];
    double ax = double(Clamp(int64_t(a.x) + t.dx)), ay = double(Clamp(int64_t(a.y) + t.dy));
    double bx = double(Clamp(int64_t(b.x) + t.dx)), by = double(Clamp(int64_t(b.y) + t.dy));
    top = std::min({top, ay, by});
    bottom = std::max({bottom, ay, by});
    if (ay == by) continue;
    if (ay < by)
      edges.push_back({ax, ay, bx, by, 1});
    else
      edges.push_back({bx, by, ax, ay, -1});
  }
  RECT box = t.clip.Bounds();
  int64_t y0 = std::max<int64_t>(int64_t(std::floor(top)), box.top);
  int64_t y1 = std::min<int64_t>(int64_t(std::ceil(bottom)), box.bottom);
  std::vector<std::pair<double, int>> xs;
  for (int64_t y = y0; y < y1; ++y) {
    double yc = double(y) + 0.5;
    xs.clear();
    for (const Edge& e : edges)
      if (yc >= e.y0 && yc < e.y1)
        xs.push_back({e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir});
    std::sort(xs.begin(), xs.end());
    int winding = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += mode == WINDING ? xs[i].second : 1;
      bool inside = mode == WINDING ? winding != 0 : (winding & 1) != 0;
      if (!inside) continue;
      int64_t a = int64_t(std::ceil(xs[i].first - 0.5)),
              b = int64_t(std::ceil(xs[i + 1].first - 0.5));
      if (a < b) t.Span(y, a, b - 1, color);
    }
  }
}

}  // namespace

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  if (!IsLiveDC(dc)) return 0;
  if (old) *old = dc->state.current;
  dc->state.current = {x, y};
  return 1;
}

BOOL LineTo(HDC dc, int x, int y) {
  Target t;
  if (!t.Open(dc)) return 0;
  Line(t, dc->state.current.x, dc->state.current.y, x, y);
  dc->state.current = {x, y};
  return 1;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  Target t;
  if (!t.Open(dc) || !points || count < 2) return 0;
  for (int i = 0; i + 1 < count; ++i)
    Line(t, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y);
  return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  return RoundRect(dc, left, top, right, bottom, 0, 0);
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) {
  Target t;
  if (!t.Open(dc)) return 0;
  RoundShape(t, left, top, right, bottom, std::max(0, width), std::max(0, height));
  return 1;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  Target t;
  if (!t.Open(dc)) return 0;
  int64_t w = std::llabs(int64_t(right) - left), h = std::llabs(int64_t(bottom) - top);
  RoundShape(t, left, top, right, bottom, w, h);
  return 1;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  Target t;
  if (!t.Open(dc) || !points || count < 2) return 0;
  if (t.HasBrush() && count > 2) FillPolygon(t, points, count, t.brush->color, dc->state.fillMode);
  for (int i = 0; i < count; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    Line(t, a.x, a.y, b.x, b.y);
  }
  return 1;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  Target t;
  if (!t.Open(dc)) return CLR_INVALID;
  int64_t px = int64_t(x) + t.dx, py = int64_t(y) + t.dy;
  if (!t.clip.Contains(int(Clamp(px)), int(Clamp(py)))) return CLR_INVALID;
  dc->surface->Set(int(px), int(py), color & 0xFFFFFF);
  return dc->surface->Quantize(color & 0xFFFFFF);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Target t;
  if (!t.Open(dc)) return CLR_INVALID;
  int64_t px = int64_t(x) + t.dx, py = int64_t(y) + t.dy;
  if (!t.clip.Contains(int(Clamp(px)), int(Clamp(py)))) return CLR_INVALID;
  return dc->surface->Get(int(px), int(py));
}

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  Target t;
  auto* b = As<Brush>(brush, GdiKind::Brush);
  if (!r || !b || !t.Open(dc)) return 0;
  if (!b->hollow)
    t.Fill(int64_t(r->left) + t.dx, int64_t(r->top) + t.dy, int64_t(r->right) + t.dx,
           int64_t(r->bottom) + t.dy, b->color);
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush) {
  Target t;
  auto* b = As<Brush>(brush, GdiKind::Brush);
  if (!r || !b || !t.Open(dc)) return 0;
  if (r->left >= r->right || r->top >= r->bottom || b->hollow) return 1;
  int64_t l = int64_t(r->left) + t.dx, tp = int64_t(r->top) + t.dy;
  int64_t rr = int64_t(r->right) + t.dx, bt = int64_t(r->bottom) + t.dy;
  t.Fill(l, tp, rr, tp + 1, b->color);
  t.Fill(l, bt - 1, rr, bt, b->color);
  t.Fill(l, tp, l + 1, bt, b->color);
  t.Fill(rr - 1, tp, rr, bt, b->color);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* r) {
  if (!r) return 0;
  auto extent = [](int64_t v) { return int(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  return PatBlt(dc, r->left, r->top, extent(int64_t(r->right) - r->left),
                extent(int64_t(r->bottom) - r->top), DSTINVERT);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  Target t;
  if (!t.Open(dc)) return 0;
  int64_t l = int64_t(x) + t.dx, tp = int64_t(y) + t.dy;
  int64_t r = l + width, b = tp + height;
  if (l > r) std::swap(l, r);
  if (tp > b) std::swap(tp, b);
  COLORREF brush = t.HasBrush() ? t.brush->color : 0;
  int saved = dc->state.rop2;
  switch (rop) {
    case PATCOPY:
      if (t.HasBrush()) t.Fill(l, tp, r, b, brush);
      break;
    case BLACKNESS:
      t.Fill(l, tp, r, b, 0);
      break;
    case WHITENESS:
      t.Fill(l, tp, r, b, 0xFFFFFF);
      break;
    case DSTINVERT:
      dc->state.rop2 = R2_NOT;
      t.Fill(l, tp, r, b, 0);
      break;
    case PATINVERT:
      dc->state.rop2 = R2_XORPEN;
      t.Fill(l, tp, r, b, brush);
      break;
    default:
      return 0;
  }
  dc->state.rop2 = saved;
  return 1;
}

}  // namespace tess::platform
