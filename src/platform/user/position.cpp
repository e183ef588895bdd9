// Where windows are: rectangles, the non-client insets of each style,
// coordinate conversion, z-order, SetWindowPos and the calls built on it
// (MoveWindow, ShowWindow, BringWindowToTop), and enabling.
//
// SetWindowPos sends WM_WINDOWPOSCHANGING, applies the change (the client
// area through WM_NCCALCSIZE when the size or frame changed), invalidates
// what became visible, sends WM_WINDOWPOSCHANGED (whose default handling
// sends WM_MOVE and WM_SIZE for what changed) and finally activates a
// top-level window unless told not to. Z-order changes made by activation
// send no messages of their own.
#include <algorithm>

#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace user {

POINT ClientOrigin(const Window* w) {
  POINT p{};
  for (; w && !w->desktop; w = w->parent) {
    p.x += w->client.left;
    p.y += w->client.top;
  }
  return p;
}

RECT ScreenRect(const Window* w) {
  if (!w || w->desktop) return w ? w->rect : RECT{};
  POINT o = ClientOrigin(w->parent);
  RECT r = w->rect;
  OffsetRect(&r, o.x, o.y);
  return r;
}

Window* TopLevelOf(Window* w) {
  while (w && w->parent && !w->parent->desktop) w = w->parent;
  return w;
}

RECT NonClientInsets(DWORD style, DWORD exStyle, bool menu) {
  int border = 0;
  if (style & WS_THICKFRAME)
    border = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    border = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    border = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) border += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE) border += GetSystemMetrics(SM_CXBORDER);
  RECT r{border, border, border, border};
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  if (menu) r.top += GetSystemMetrics(SM_CYMENU);
  return r;
}

void MoveToFront(Window* w) {
  Window* p = w->parent;
  if (!p) return;
  auto& sib = p->children;
  sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
  auto pos = sib.begin();
  if (w->topLevel() && !(w->exStyle & WS_EX_TOPMOST))
    while (pos != sib.end() && ((*pos)->exStyle & WS_EX_TOPMOST)) ++pos;
  sib.insert(pos, w);
  if (w->topLevel()) {
    // Owned windows stay in front of their owner.
    std::vector<Window*> owned;
    for (Window* t : sib)
      if (t->owner == w->handle) owned.push_back(t);
    for (Window* o : owned) MoveToFront(o);
  }
}

}  // namespace user

namespace {

void PlaceInZOrder(Window* w, HWND after) {
  Window* p = w->parent;
  auto& sib = p->children;
  if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
  if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
  if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    MoveToFront(w);
    return;
  }
  sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
  if (after == HWND_BOTTOM) {
    sib.push_back(w);
    return;
  }
  Window* a = Lookup(after);
  auto it = a ? std::find(sib.begin(), sib.end(), a) : sib.end();
  sib.insert(it == sib.end() ? sib.begin() : it + 1, w);
}

RECT ClientSize(const RECT& r) {
  return {0, 0, r.right - r.left, r.bottom - r.top};
}

}  // namespace

BOOL GetWindowRect(HWND hwnd, RECT* r) {
  Window* w = Lookup(hwnd);
  if (!w || !r) return 0;
  *r = ScreenRect(w);
  return 1;
}

BOOL GetClientRect(HWND hwnd, RECT* r) {
  Window* w = Lookup(hwnd);
  if (!w || !r) return 0;
  *r = ClientSize(w->client);
  return 1;
}

BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD exStyle) {
  if (!r) return 0;
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION;
  RECT in = NonClientInsets(style, exStyle, menu != 0);
  r->left -= in.left, r->top -= in.top, r->right += in.right, r->bottom += in.bottom;
  return 1;
}

BOOL AdjustWindowRect(RECT* r, DWORD style, BOOL menu) {
  return AdjustWindowRectEx(r, style, menu, 0);
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
  Window* w = Lookup(hwnd);
  if (!w || !p) return 0;
  POINT o = ClientOrigin(w);
  p->x += o.x, p->y += o.y;
  return 1;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
  Window* w = Lookup(hwnd);
  if (!w || !p) return 0;
  POINT o = ClientOrigin(w);
  p->x -= o.x, p->y -= o.y;
  return 1;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Window* a = from ? Lookup(from) : Desktop();
  Window* b = to ? Lookup(to) : Desktop();
  if (!a || !b || (!points && count)) return 0;
  POINT oa = ClientOrigin(a), ob = ClientOrigin(b);
  int dx = oa.x - ob.x, dy = oa.y - ob.y;
  for (UINT i = 0; i < count; ++i) points[i].x += dx, points[i].y += dy;
  return MAKELPARAM(dx, dy);
}

HWND WindowFromPoint(POINT p) {
  for (Window* t : Desktop()->children) {
    if (!t->visible() || (t->style & WS_MINIMIZE)) continue;
    RECT r = ScreenRect(t);
    if (!PtInRect(&r, p)) continue;
    Window* hit = t;
    for (bool deeper = true; deeper;) {
      deeper = false;
      POINT o = ClientOrigin(hit);
      POINT local{p.x - o.x, p.y - o.y};
      RECT client = ClientSize(hit->client);
      if (!PtInRect(&client, local)) break;
      for (Window* c : hit->children) {
        if (!c->visible() || (c->style & WS_DISABLED) || !PtInRect(&c->rect, local)) continue;
        hit = c;
        deeper = true;
        break;
      }
    }
    return hit->handle;
  }
  return Desktop()->handle;
}

HWND ChildWindowFromPoint(HWND parent, POINT p) {
  Window* w = Lookup(parent);
  if (!w) return nullptr;
  for (Window* c : w->children)
    if (PtInRect(&c->rect, p)) return c->handle;
  RECT client = ClientSize(w->client);
  return PtInRect(&client, p) ? parent : nullptr;
}

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) return 0;
  if ((flags & SWP_SHOWWINDOW) && w->visible()) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !w->visible()) flags &= ~SWP_HIDEWINDOW;
  // A child placed without SWP_NOACTIVATE is told afterwards, so that a
  // document of a multiple-document client can become the active one.
  bool childActivate = w->child() && !(flags & SWP_NOACTIVATE);
  if (w->child()) flags |= SWP_NOACTIVATE;
  WINDOWPOS wp{hwnd, after, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) wp.x = w->rect.left, wp.y = w->rect.top;
  if (flags & SWP_NOSIZE)
    wp.cx = w->rect.right - w->rect.left, wp.cy = w->rect.bottom - w->rect.top;
  Call(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  if (!Lookup(hwnd)) return 0;
  flags = wp.flags;
  wp.cx = std::clamp(wp.cx, 0, 32767);
  wp.cy = std::clamp(wp.cy, 0, 32767);
  wp.x = std::clamp(wp.x, -32768, 32767);
  wp.y = std::clamp(wp.y, -32768, 32767);

  RECT oldRect = w->rect, oldClient = w->client;
  bool wasVisible = w->visible();
  RECT newRect{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  bool sized = (newRect.right - newRect.left != oldRect.right - oldRect.left) ||
               (newRect.bottom - newRect.top != oldRect.bottom - oldRect.top);
  bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  w->rect = newRect;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    RECT client = newRect;
    Call(w, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&client));
    if (!Lookup(hwnd)) return 0;
    w->client = client;
  } else {
    OffsetRect(&w->client, newRect.left - oldRect.left, newRect.top - oldRect.top);
  }
  if (!(flags & SWP_NOZORDER)) PlaceInZOrder(w, wp.hwndInsertAfter);
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;

  if (w->topLevel() && sized) ResizeBacking(w);
  bool clientSized = ClientSize(w->client) != ClientSize(oldClient);
  bool clientMoved = w->client.left != oldClient.left || w->client.top != oldClient.top;
  if (!(flags & SWP_NOREDRAW)) {
    if (flags & SWP_SHOWWINDOW) {
      InvalidateWindow(w, nullptr, true, true);
    } else if (flags & SWP_HIDEWINDOW) {
      if (!w->topLevel()) ExposeInParent(w, oldRect);
    } else if (w->visible() && (sized || moved || (flags & SWP_FRAMECHANGED))) {
      if (!w->topLevel()) {
        ExposeInParent(w, oldRect);
        InvalidateWindow(w, nullptr, true, true);
      } else if (clientSized) {
        UINT cs = w->cls->style;
        RECT now = ClientSize(w->client), before = ClientSize(oldClient);
        bool all = ((cs & CS_HREDRAW) && now.right != before.right) ||
                   ((cs & CS_VREDRAW) && now.bottom != before.bottom) || (flags & SWP_FRAMECHANGED);
        if (all) {
          InvalidateWindow(w, nullptr, true, true);
        } else {
          gdi::Region exposed(now);
          exposed.Subtract(before);
          for (const RECT& r : exposed.rects()) InvalidateWindow(w, &r, true, true);
        }
      }
    }
  }
  RefreshDCs(TopLevelOf(w));
  if (wasVisible != w->visible() || sized || moved) {
    // Anything the window had marked but can no longer show is dropped.
    w->update.Intersect(ClientSize(w->client));
  }
  WINDOWPOS done = wp;
  done.flags = flags | (clientSized ? 0u : UINT(SWP_NOCLIENTSIZE)) |
               (clientMoved ? 0u : UINT(SWP_NOCLIENTMOVE));
  Call(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  if (!Lookup(hwnd)) return 1;
  if (flags & SWP_HIDEWINDOW) {
    if (w->topLevel() && GetActiveWindow() == hwnd)
      ActivateOtherThan(w);
    else
      LoseFocusWithin(w);
  } else if (!(flags & SWP_NOACTIVATE) && w->topLevel() && w->visible() &&
             !(w->style & WS_MINIMIZE)) {
    SetActiveWindow(hwnd);
  } else if (childActivate && w->visible()) {
    Call(w, WM_CHILDACTIVATE, 0, 0);
  }
  return 1;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) return 0;
  bool wasVisible = w->visible();
  UINT swp = SWP_NOSIZE | SWP_NOMOVE;
  if (w->child()) swp |= SWP_NOZORDER | SWP_NOACTIVATE;
  RECT target{};
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return 0;
      Call(w, WM_SHOWWINDOW, 0, 0);
      if (!Lookup(hwnd)) return 1;
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, swp | SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
      return 1;
    case SW_MAXIMIZE:
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: {
      bool max = cmd == SW_MAXIMIZE;
      if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->restore = w->rect;
      w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
      w->style |= max ? WS_MAXIMIZE : WS_MINIMIZE;
      if (max) {
        target = w->topLevel() ? Desktop()->rect : ClientSize(w->parent->client);
      } else {
        int h = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME);
        int bottom = w->topLevel() ? Desktop()->rect.bottom
                                   : w->parent->client.bottom - w->parent->client.top;
        target = {0, bottom - h, 160, bottom};
      }
      swp &= ~(SWP_NOSIZE | SWP_NOMOVE);
      swp |= SWP_FRAMECHANGED;
      if (cmd != SW_MAXIMIZE) swp |= SWP_NOACTIVATE;
      break;
    }
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        target = w->restore;
        swp &= ~(SWP_NOSIZE | SWP_NOMOVE);
        swp |= SWP_FRAMECHANGED;
        break;
      }
      [[fallthrough]];
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      if (wasVisible) return 1;
      if (cmd == SW_SHOWNA || cmd == SW_SHOWNOACTIVATE) swp |= SWP_NOACTIVATE;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
  if (!wasVisible) {
    Call(w, WM_SHOWWINDOW, 1, 0);
    if (!Lookup(hwnd)) return 0;
  }
  SetWindowPos(hwnd, HWND_TOP, target.left, target.top, target.right - target.left,
               target.bottom - target.top, swp | SWP_SHOWWINDOW);
  if (Lookup(hwnd) && (w->style & WS_MINIMIZE) && GetActiveWindow() == hwnd) ActivateOtherThan(w);
  return wasVisible;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  bool wasDisabled = w->style & WS_DISABLED;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  Call(w, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

}  // namespace tess::platform
