// Invalidation and painting. Each window keeps an update region in client
// coordinates and an erase flag; WM_PAINT is made for a visible window
// whose region is not empty. BeginPaint takes the region (validating it),
// erases through WM_ERASEBKGND when asked, and returns a context clipped to
// it. Top-level windows draw into their own backing surface (frame and
// client); the desktop composes the backings. Every window context is
// limited to the window's visible part: its own area within all its
// ancestors' client areas, less overlapping siblings above it when it clips
// siblings and less its children when it clips children.
#include <algorithm>
#include <functional>

#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace user {
gdi::Surface* DesktopSurface();

namespace {

RECT ClientSize(const RECT& r) {
  return {0, 0, r.right - r.left, r.bottom - r.top};
}

bool ChainVisible(const Window* w) {
  for (; w && !w->desktop; w = w->parent)
    if (!w->visible()) return false;
  return true;
}

// The pixels a context of w may touch, in its top-level backing's
// coordinates; `base` receives where its logical (0, 0) lies.
gdi::Region VisibleRegion(Window* w, bool whole, POINT* base) {
  Window* top = TopLevelOf(w);
  RECT tr = ScreenRect(top);
  POINT co = ClientOrigin(w);
  RECT wr = ScreenRect(w);
  POINT origin =
      whole ? POINT{wr.left - tr.left, wr.top - tr.top} : POINT{co.x - tr.left, co.y - tr.top};
  if (base) *base = origin;
  gdi::Region reg;
  if (!ChainVisible(w)) return reg;
  RECT own = whole ? RECT{0, 0, wr.right - wr.left, wr.bottom - wr.top} : ClientSize(w->client);
  OffsetRect(&own, origin.x, origin.y);
  reg.Add(own);
  for (Window* c = w; c != top; c = c->parent) {
    Window* p = c->parent;
    POINT po = ClientOrigin(p);
    po.x -= tr.left, po.y -= tr.top;
    RECT pc = ClientSize(p->client);
    OffsetRect(&pc, po.x, po.y);
    reg.Intersect(pc);
    if (c->style & WS_CLIPSIBLINGS)
      for (Window* s : p->children) {
        if (s == c) break;
        if (!s->visible()) continue;
        RECT sr = s->rect;
        OffsetRect(&sr, po.x, po.y);
        reg.Subtract(sr);
      }
  }
  if (w->style & WS_CLIPCHILDREN) {
    POINT o{co.x - tr.left, co.y - tr.top};
    for (Window* ch : w->children) {
      if (!ch->visible()) continue;
      RECT cr = ch->rect;
      OffsetRect(&cr, o.x, o.y);
      reg.Subtract(cr);
    }
  }
  return reg;
}

void Refresh(Window* w, Window::DcEntry& e) {
  Window* top = TopLevelOf(w);
  POINT base{};
  gdi::Region vis = VisibleRegion(w, e.whole, &base);
  if (e.painting) {
    gdi::Region area = e.paintArea;
    area.Offset(base.x, base.y);
    vis.Intersect(area);
  }
  e.dc->surface = top->backing.get();
  e.dc->base = base;
  e.dc->visible = vis;
}

void RefreshTree(Window* w) {
  for (auto& e : w->dcs) Refresh(w, e);
  for (Window* c : w->children) RefreshTree(c);
}

HDC MakeDC(Window* w, bool whole, const gdi::Region* paintArea) {
  bool own = (w->cls->style & CS_OWNDC) && !whole;
  if (own && w->ownDC) {
    for (auto& e : w->dcs)
      if (e.dc == w->ownDC) {
        e.painting = paintArea != nullptr;
        if (paintArea) e.paintArea = *paintArea;
        Refresh(w, e);
      }
    return w->ownDC;
  }
  HDC dc = gdi::CreateSurfaceDC(nullptr, {}, {}, w->handle);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  Window::DcEntry e{dc, whole, paintArea != nullptr, paintArea ? *paintArea : gdi::Region()};
  Refresh(w, e);
  w->dcs.push_back(e);
  if (own) w->ownDC = dc;
  return dc;
}

bool Matches(Window* w, HWND filter) {
  return !filter || w->handle == filter || IsChild(filter, w->handle);
}

Window* FindIn(Window* w, Queue& q, HWND filter) {
  if (!w->visible() || (w->style & WS_MINIMIZE)) return nullptr;
  if (w->queue == &q && (!w->update.Empty() || w->internalPaint) && Matches(w, filter)) return w;
  for (Window* c : w->children)
    if (Window* found = FindIn(c, q, filter)) return found;
  return nullptr;
}

}  // namespace

void InvalidateWindow(Window* w, const RECT* clientRect, bool erase, bool allChildren) {
  if (w->desktop) {
    for (Window* t : w->children) InvalidateWindow(t, nullptr, erase, true);
    return;
  }
  RECT cr = ClientSize(w->client);
  gdi::Region add(cr);
  if (clientRect) add.Intersect(*clientRect);
  if (add.Empty()) return;
  w->update.Add(add);
  if (erase) w->erase = true;
  if (w->queue) Wake(*w->queue);
  if (!allChildren && (w->style & WS_CLIPCHILDREN)) return;
  for (Window* c : w->children) {
    if (!c->visible()) continue;
    gdi::Region part = add;
    part.Intersect(c->rect);
    if (part.Empty()) continue;
    RECT b = part.Bounds();
    OffsetRect(&b, -c->client.left, -c->client.top);
    InvalidateWindow(c, &b, erase, allChildren);
  }
}

void ExposeInParent(Window* w, const RECT& rectInParent) {
  Window* p = w->parent;
  if (!p || p->desktop) return;
  InvalidateWindow(p, &rectInParent, true, false);
}

void RefreshDCs(Window* top) {
  if (top && !top->desktop) RefreshTree(top);
}

void ReleaseWindowDCs(Window* w) {
  for (auto& e : w->dcs) gdi::DestroySurfaceDC(e.dc);
  w->dcs.clear();
  w->ownDC = nullptr;
}

void ResizeBacking(Window* w) {
  int cx = std::max<int>(1, w->rect.right - w->rect.left);
  int cy = std::max<int>(1, w->rect.bottom - w->rect.top);
  if (w->backing && w->backing->width() == cx && w->backing->height() == cy) return;
  auto fresh = gdi::Surface::Create(cx, cy, 32);
  if (!fresh) return;  // sizes are clamped before this; keep the old one if memory runs out
  fresh->Fill(GetSysColor(COLOR_BTNFACE));
  if (w->backing) {
    int mx = std::min(cx, w->backing->width()), my = std::min(cy, w->backing->height());
    for (int y = 0; y < my; ++y) std::copy_n(w->backing->row(y), size_t(mx) * 4, fresh->row(y));
  }
  w->backing = std::move(fresh);
  RefreshTree(w);
}

Window* FindPaintWindow(Queue& q, HWND filter) {
  for (Window* t : Desktop()->children)
    if (Window* w = FindIn(t, q, filter)) return w;
  return nullptr;
}

HBRUSH ResolveBrush(HBRUSH brush) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= uintptr_t(COLOR_MAX) + 1) return GetSysColorBrush(int(v - 1));
  return brush;
}

}  // namespace user

BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN region, UINT flags) {
  Window* w = hwnd ? Lookup(hwnd) : Desktop();
  if (!w) return 0;
  RECT box;
  const RECT* area = r;
  if (region && GetRgnBox(region, &box) != RGN_ERROR) area = &box;
  if (flags & RDW_INVALIDATE) {
    InvalidateWindow(w, area, (flags & RDW_ERASE) != 0, (flags & RDW_ALLCHILDREN) != 0);
  }
  if (flags & RDW_INTERNALPAINT) {
    w->internalPaint = true;
    if (w->queue) Wake(*w->queue);
  }
  if (flags & RDW_VALIDATE) {
    if (area)
      w->update.Subtract(*area);
    else
      w->update.Clear();
    if (w->update.Empty()) w->erase = false;
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(hwnd);
  return 1;
}

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
  return RedrawWindow(hwnd, r, nullptr, RDW_INVALIDATE | (erase ? UINT(RDW_ERASE) : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* r) {
  return RedrawWindow(hwnd, r, nullptr, RDW_VALIDATE);
}

BOOL GetUpdateRect(HWND hwnd, RECT* r, BOOL) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  RECT b = w->update.Bounds();
  if (r) *r = b;
  return !w->update.Empty();
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  // Children too, parents first, as the queue would.
  std::vector<HWND> order;
  std::function<void(Window*)> collect = [&](Window* x) {
    order.push_back(x->handle);
    for (Window* c : x->children) collect(c);
  };
  collect(w);
  for (HWND h : order) {
    Window* x = Lookup(h);
    if (x && ChainVisible(x) && (!x->update.Empty() || x->internalPaint)) {
      MSG m{h, WM_PAINT, 0, 0, Now(), {}};
      DispatchMessage(&m);
    }
  }
  return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = Lookup(hwnd);
  if (!w || !ps) return nullptr;
  gdi::Region area = w->update;
  area.Intersect(ClientSize(w->client));
  bool erase = w->erase;
  w->beganPaint = true;
  w->update.Clear();
  w->erase = false;
  w->internalPaint = false;
  HDC dc = MakeDC(w, false, &area);
  ps->hdc = dc;
  ps->rcPaint = area.Bounds();
  ps->fErase = erase ? !SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) : 0;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return 0;
  return ReleaseDC(hwnd, ps->hdc);
}

HDC GetDC(HWND hwnd) {
  if (!hwnd) {
    gdi::Surface* s = DesktopSurface();
    gdi::Region all(RECT{0, 0, s->width(), s->height()});
    return gdi::CreateSurfaceDC(s, {}, all, nullptr);
  }
  Window* w = Lookup(hwnd);
  if (!w) return nullptr;
  if (w->desktop) return GetDC(nullptr);
  return MakeDC(w, false, nullptr);
}

HDC GetWindowDC(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) return GetDC(nullptr);
  return MakeDC(w, true, nullptr);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  if (!gdi::IsLiveDC(dc)) return 0;
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) {
    if (dc->window) return 0;
    gdi::DestroySurfaceDC(dc);
    return 1;
  }
  for (auto it = w->dcs.begin(); it != w->dcs.end(); ++it) {
    if (it->dc != dc) continue;
    if (dc == w->ownDC) {
      // The window's own context lives on; only the paint clip goes.
      it->painting = false;
      it->paintArea.Clear();
      Refresh(w, *it);
      return 1;
    }
    gdi::DestroySurfaceDC(dc);
    w->dcs.erase(it);
    return 1;
  }
  return 0;
}

}  // namespace tess::platform
