// The caret: one per thread of input, a solid block drawn inverted on the
// composed desktop (not into the window), so showing, hiding and moving it
// never disturbs what the window painted. It blinks only on a presented
// desktop; headless it is steadily on, so screenshots are repeatable.
#include <algorithm>

#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace {

struct Caret {
  HWND hwnd = nullptr;
  int width = 0, height = 0;
  POINT pos{};
  int hidden = 1;  // created hidden: ShowCaret makes it visible
} g_caret;

}  // namespace

namespace user {

void ForgetCaret(HWND hwnd) {
  if (g_caret.hwnd == hwnd) g_caret = Caret{};
}

void DrawCaret(gdi::Surface& screen) {
  Window* w = Lookup(g_caret.hwnd);
  if (!w || g_caret.hidden > 0 || !IsWindowVisible(w->handle)) return;
  if (CurrentPresenter() && (Now() / GetCaretBlinkTime()) % 2) return;
  POINT o = ClientOrigin(w);
  RECT client{o.x, o.y, o.x + w->client.right - w->client.left,
              o.y + w->client.bottom - w->client.top};
  RECT r{o.x + g_caret.pos.x, o.y + g_caret.pos.y, o.x + g_caret.pos.x + g_caret.width,
         o.y + g_caret.pos.y + g_caret.height};
  RECT screenRect{0, 0, screen.width(), screen.height()};
  if (!IntersectRect(&r, &r, &client) || !IntersectRect(&r, &r, &screenRect)) return;
  // Only where the caret's own window is the one showing.
  POINT mid{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  HWND shown = WindowFromPoint(mid);
  if (shown != w->handle && !IsChild(w->handle, shown)) return;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) screen.Set(x, y, ~screen.Get(x, y) & 0xFFFFFF);
}

}  // namespace user

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
  if (!Lookup(hwnd)) return 0;
  g_caret = Caret{hwnd,
                  width > 0 ? std::min(width, 4096) : GetSystemMetrics(SM_CXBORDER),
                  height > 0 ? std::min(height, 4096) : GetSystemMetrics(SM_CYBORDER),
                  {},
                  1};
  return 1;
}

BOOL DestroyCaret() {
  if (!g_caret.hwnd) return 0;
  g_caret = Caret{};
  return 1;
}

BOOL ShowCaret(HWND hwnd) {
  if (!g_caret.hwnd || (hwnd && hwnd != g_caret.hwnd) || g_caret.hidden == 0) return 0;
  --g_caret.hidden;
  return 1;
}

BOOL HideCaret(HWND hwnd) {
  if (!g_caret.hwnd || (hwnd && hwnd != g_caret.hwnd)) return 0;
  ++g_caret.hidden;
  return 1;
}

BOOL SetCaretPos(int x, int y) {
  if (!g_caret.hwnd) return 0;
  g_caret.pos = {x, y};
  return 1;
}

BOOL GetCaretPos(POINT* p) {
  if (!p) return 0;
  *p = g_caret.pos;
  return 1;
}

UINT GetCaretBlinkTime() {
  return 530;
}

}  // namespace tess::platform
