// Desktop composition, window captures and screenshots; see desktop.h.
#include "platform/user/desktop.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gdi/png.h"
#include "platform/user/classic_look.h"
#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace user {
int PressedFrameButton(HWND hwnd);

gdi::Surface* DesktopSurface() {
  static std::unique_ptr<gdi::Surface> s =
      gdi::Surface::Create(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 32);
  return s.get();
}

std::shared_ptr<desktop::Presenter>& CurrentPresenter() {
  static std::shared_ptr<desktop::Presenter> p;
  return p;
}

}  // namespace user

namespace {

bool HasFrame(const Window* w) {
  return (w->style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) ||
         (w->exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME)) ||
         HasMenuBar(w);
}

// Frames of w and its visible descendants, drawn into the top-level backing.
void DrawFrames(Window* w, bool active) {
  if (!w->visible()) return;
  if (HasFrame(w)) {
    HDC dc = GetWindowDC(w->handle);
    // Of the children only the active document of a multiple-document
    // client shows an active caption, and only while its frame is active.
    bool lit = w->topLevel() ? active : active && IsActiveMdiChild(w->handle);
    DrawNonClient(w, dc, lit, PressedFrameButton(w->handle));
    ReleaseDC(w->handle, dc);
  }
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) DrawFrames(*it, active);
}

void Blit(const gdi::Surface& from, gdi::Surface& to, int x, int y) {
  int x0 = std::max(0, x), x1 = std::min(to.width(), x + from.width());
  int y0 = std::max(0, y), y1 = std::min(to.height(), y + from.height());
  if (x0 >= x1) return;
  for (int ty = y0; ty < y1; ++ty)
    std::memcpy(to.row(ty) + size_t(x0) * 4, from.row(ty - y) + size_t(x0 - x) * 4,
                size_t(x1 - x0) * 4);
}

}  // namespace

namespace desktop {

const gdi::Surface& Compose() {
  gdi::Surface& screen = *DesktopSurface();
  screen.Fill(GetSysColor(COLOR_BACKGROUND));
  auto& tops = Desktop()->children;
  HWND active = GetActiveWindow();
  std::vector<HWND> order;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) order.push_back((*it)->handle);
  for (HWND h : order) {
    Window* t = Lookup(h);
    if (!t || !t->visible() || !t->backing) continue;
    DrawFrames(t, h == active);
    Blit(*t->backing, screen, t->rect.left, t->rect.top);
  }
  DrawCaret(screen);
  return screen;
}

std::unique_ptr<gdi::Surface> CaptureWindow(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) return nullptr;
  Compose();
  Window* top = TopLevelOf(w);
  RECT tr = ScreenRect(top), wr = ScreenRect(w);
  int cx = std::max<int>(1, wr.right - wr.left), cy = std::max<int>(1, wr.bottom - wr.top);
  auto out = gdi::Surface::Create(cx, cy, 32);
  if (!out || !top->backing) return nullptr;
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x)
      out->Set(x, y, top->backing->Get(wr.left - tr.left + x, wr.top - tr.top + y));
  return out;
}

bool SaveScreenshot(const std::string& path) {
  return gdi::WritePng(Compose(), path);
}

bool SaveWindowScreenshot(HWND hwnd, const std::string& path) {
  auto s = CaptureWindow(hwnd);
  return s && gdi::WritePng(*s, path);
}

void SetPresenter(std::shared_ptr<Presenter> presenter) {
  if (presenter) presenter->thread = GetCurrentThreadId();
  CurrentPresenter() = std::move(presenter);
}

}  // namespace desktop
}  // namespace tess::platform
