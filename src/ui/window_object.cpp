#include "ui/window_object.h"

#include <algorithm>

#include "graphics/graphics.h"
#include "runtime/alerts.h"
#include "runtime/assertions.h"
#include "runtime/events.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "ui/assertions.h"
#include "ui/binding.h"
#include "ui/control_list.h"
#include "ui/mdi_frame.h"
#include "ui/menu_bar.h"
#include "ui/timer.h"
#include "ui/window_class.h"
#include "ui/windowing.h"

namespace tess::ui {
namespace {

using namespace platform;

WindowObject* g_windows = nullptr;
std::vector<WindowObject*> g_dialogs;  // oldest first

struct FrameRow {
  uint8_t kind;
  int32_t placement;
};
// Frame 0..8 → frame kind and default placement.
constexpr FrameRow kFrames[] = {{8, 4}, {3, 2}, {2, 2}, {1, 0}, {4, 2},
                                {5, 2}, {6, 4}, {9, 0}, {10, 0}};

// Placements: the stored position, centred on the owner, centred on the main
// screen, centred on the owner's screen, staggered below the newest window.
enum Placement { kDefault = 0, kParent = 1, kMainScreen = 2, kParentScreen = 3, kStagger = 4 };
constexpr int kStaggerStep = 22;

void Unlink(WindowObject* window) {
  for (WindowObject** link = &g_windows; *link; link = &(*link)->next) {
    if (*link == window) {
      *link = window->next;
      break;
    }
  }
  g_dialogs.erase(std::remove(g_dialogs.begin(), g_dialogs.end(), window), g_dialogs.end());
}

RECT ScreenRect() {
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Centre(Rect16* r, const RECT& on) {
  int width = r->width(), height = r->height();
  int left = on.left + (on.right - on.left - width) / 2;
  int top = on.top + (on.bottom - on.top - height) / 3;
  r->left = int16_t(std::max(left, int(on.left)));
  r->top = int16_t(std::max(top, int(on.top)));
  r->right = int16_t(r->left + width);
  r->bottom = int16_t(r->top + height);
}

void Place(WindowFields* f, int32_t placement, HWND owner) {
  Rect16& r = f->current;
  switch (placement) {
    case kParent:
      if (WindowObject* o = WindowOf(owner)) {
        Centre(&r, ContentRect(o));
        break;
      }
      [[fallthrough]];
    case kMainScreen:
    case kParentScreen:
      Centre(&r, ScreenRect());
      break;
    case kStagger: {
      // Each document window a step below and right of the stored place for
      // every document window already open.
      int shift = 0;
      for (WindowObject* w = g_windows; w; w = w->next)
        if (!w->dialog && !w->closing) shift += kStaggerStep;
      r.left = int16_t(r.left + shift);
      r.right = int16_t(r.right + shift);
      r.top = int16_t(r.top + shift);
      r.bottom = int16_t(r.bottom + shift);
      break;
    }
    default:
      break;
  }
  // The caption and frame stay on the screen.
  int minTop = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  int minLeft = GetSystemMetrics(SM_CXFRAME);
  if (r.top < minTop) {
    r.bottom = int16_t(r.bottom + (minTop - r.top));
    r.top = int16_t(minTop);
  }
  if (r.left < minLeft) {
    r.right = int16_t(r.right + (minLeft - r.left));
    r.left = int16_t(minLeft);
  }
  f->lastSet = r;
}

Pane*& FirstChildLink(WindowObject* window, Pane* parent) {
  return parent ? parent->firstChild : window->root;
}

uint32_t g_paneGeneration = 1;

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Pane* Search(Pane* first, POINT p) {
  for (Pane* pane = first; pane; pane = pane->nextSibling) {
    if (!pane->visible || !pane->enabled || !Contains(pane->bounds, p)) continue;
    if (Pane* child = Search(pane->firstChild, p)) return child;
    return pane;
  }
  return nullptr;
}

bool IsAncestor(const Pane* ancestor, const Pane* pane) {
  for (const Pane* p = pane->parent; p; p = p->parent)
    if (p == ancestor) return true;
  return false;
}

// No other pane but its containers shares any point with `pane`.
bool Alone(const Pane* first, const Pane* pane) {
  for (const Pane* other = first; other; other = other->nextSibling) {
    if (other != pane && !IsAncestor(other, pane) && Overlap(other->bounds, pane->bounds))
      return false;
    if (!Alone(other->firstChild, pane)) return false;
  }
  return true;
}

}  // namespace

WindowObject* FirstWindow() {
  return g_windows;
}

int WindowCount() {
  int n = 0;
  for (WindowObject* w = g_windows; w; w = w->next) ++n;
  return n;
}

WindowObject* WindowAt(int index) {
  // Front to back: the host's z-order of top-level windows.
  struct Search {
    int remaining;
    WindowObject* found;
  } search{index, nullptr};
  if (index < 0) return nullptr;
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        // The multiple-document frame stands for its documents, in their order.
        std::vector<HWND> here = hwnd == MdiFrameHandle() ? MdiDocuments() : std::vector{hwnd};
        for (HWND h : here) {
          WindowObject* w = WindowOf(h);
          if (!w || w->closing || s->remaining-- > 0) continue;
          s->found = w;
          return 0;
        }
        return 1;
      },
      LPARAM(reinterpret_cast<uintptr_t>(&search)));
  return search.found;
}

WindowObject* WindowOf(HWND hwnd) {
  for (WindowObject* w = g_windows; w; w = w->next)
    if (w->hwnd == hwnd) return w;
  return nullptr;
}

WindowObject* WindowOfInstance(TessObject* instance) {
  return instance && IsWindow(instance) ? FieldsOf<WindowFields>(instance)->window : nullptr;
}

bool FrameKindOf(int32_t frame, uint8_t* kind, int32_t* placement) {
  if (frame < 0 || frame >= int32_t(std::size(kFrames))) return false;
  *kind = kFrames[frame].kind;
  *placement = kFrames[frame].placement;
  return true;
}

bool StyleOfFrameKind(uint8_t kind, FrameStyle* s) {
  constexpr DWORD kFloatingEx = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
  // Frame kind → native style, extended style, whether GrowIcon may add a
  // sizing border, whether the window goes on the dialog stack.
  static const FrameStyle kStyles[] = {
      {WS_CAPTION, 0, true, false},                               // 0 document
      {WS_POPUP | WS_CAPTION, kFloatingEx, true, false},          // 1 floating
      {WS_POPUP | WS_DLGFRAME, 0, false, true},                   // 2
      {WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, false, true},  // 3 movable modal
      {WS_POPUP | WS_BORDER, 0, false, true},                     // 4
      {WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, false, true},      // 5
      {WS_CAPTION, 0, false, false},                              // 6
      {WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE, false,
       true},                                                     // 7
      {WS_CAPTION, 0, true, false},                               // 8 document
      {WS_POPUP | WS_CAPTION, kFloatingEx, true, false},          // 9 floating
      {WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, false, true},  // 10 movable modal
  };
  if (kind >= std::size(kStyles)) return false;
  *s = kStyles[kind];
  return true;
}

WindowObject* TopDialog() {
  for (auto it = g_dialogs.rbegin(); it != g_dialogs.rend(); ++it)
    if (!(*it)->closing && IsWindowVisible((*it)->hwnd)) return *it;
  return nullptr;
}

RECT ContentRect(const WindowObject* window) {
  RECT r{};
  GetClientRect(window->hwnd, &r);
  POINT origin{0, 0};
  ClientToScreen(window->hwnd, &origin);
  OffsetRect(&r, origin.x, origin.y);
  return r;
}

WindowObject* OpenWindow(TessObject* instance) {
  WindowFields* f = FieldsOf<WindowFields>(instance);
  uint8_t kind = 0;
  int32_t placement = 0;
  FrameStyle style{};
  if (!FrameKindOf(f->frame, &kind, &placement) ||
      !StyleOfFrameKind(kind = KindInMdiFrame(kind), &style)) {
    InternalAssertion(kFailedCheck, kSourceWindow, __LINE__);
    return nullptr;
  }
  if (f->placement != 0) placement = f->placement;

  DWORD windowStyle = style.style | WS_CLIPCHILDREN;
  bool grow = style.growAllowed && f->growIcon;
  if (grow) windowStyle |= WS_THICKFRAME;
  if (f->closeBox) windowStyle |= WS_SYSMENU;
  if (f->zoomIcon) windowStyle |= WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

  HWND owner = nullptr;
  if (windowStyle & WS_POPUP) {
    WindowObject* top = TopDialog();
    owner = top ? top->hwnd : MdiFrameHandle();
  }
  Place(f, placement, owner);

  auto* window = new WindowObject;
  window->instance = instance;
  window->frameKind = kind;
  window->growAllowed = grow;
  window->floating = kind == 1 || kind == 9;
  window->dialog = style.dialog;
  window->hasBackColor = f->hasBackColor;
  window->backColor = uint32_t(f->backColor) & 0xFFFFFF;

  bool document = kind == 0 || kind == 8;
  bool menuBar = WouldTakeMenuBar(document);
  RECT frame{f->current.left, f->current.top, f->current.right, f->current.bottom};
  AdjustWindowRectEx(&frame, windowStyle, menuBar, style.exStyle);
  std::string title(View(f->title));
  // With a multiple-document frame, document windows are its children.
  HWND hwnd =
      document && MdiFrameHandle()
          ? CreateMdiDocument(title.c_str(), windowStyle, &f->current)
          : CreateWindowEx(style.exStyle, kWindowClassName, title.c_str(), windowStyle, frame.left,
                           frame.top, frame.right - frame.left, frame.bottom - frame.top, owner,
                           menuBar ? MenuBarHandle() : nullptr, nullptr, window);
  if (!hwnd) {
    delete window;
    return nullptr;
  }
  window->hwnd = hwnd;
  SetWindowLong(hwnd, 0, LONG(reinterpret_cast<uintptr_t>(window)));
  if (menuBar) TookMenuBar(hwnd);
  LockObject(instance);
  f->window = window;
  window->next = g_windows;
  g_windows = window;
  if (window->dialog) g_dialogs.push_back(window);
  return window;
}

bool RequestClose(WindowObject* window, bool ask) {
  if (!window || window->closing) return true;
  TessObject* instance = window->instance;
  ObjectRef keep = ShareObject(instance);
  if (ask) {
    uint32_t cancel = 0;
    if (FireEvent(instance, EventOf(WindowEvent::kCancelClose), {}, &cancel) && (cancel & 0xFF))
      return false;
  }
  if (FieldsOf<WindowFields>(instance)->window != window) return true;  // closed meanwhile
  window->closing = true;
  ControlList* controls = FieldsOf<WindowFields>(instance)->controls;
  for (size_t i = 0; controls && i < controls->size(); ++i) {
    TessObject* control = controls->at(i);
    if (!IsRectControl(control)) continue;
    Pane* pane = FieldsOf<ControlFields>(control)->pane;
    if (pane && pane->native && GetFocus() == pane->native) SetFocus(window->hwnd);
    FireEvent(control, EventOf(ControlEvent::kClose), {});
  }
  FireEvent(instance, EventOf(WindowEvent::kClose), {});
  DestroyWindowObject(window);
  return true;
}

void DestroyWindowObject(WindowObject* window) {
  window->closing = true;
  Unlink(window);
  TessObject* instance = window->instance;
  WindowFields* f = FieldsOf<WindowFields>(instance);
  if (f->window == window) f->window = nullptr;
  for (size_t i = 0; f->controls && i < f->controls->size(); ++i) {
    if (!IsControl(f->controls->at(i))) {
      StopTimer(f->controls->at(i));  // a window's timers stop with it
      continue;
    }
    CloseBindings(f->controls->at(i));
    ControlFields* c = FieldsOf<ControlFields>(f->controls->at(i));
    c->window = nullptr;  // a control kept by the application outlives its window
    if (!c->pane) continue;
    c->pane->window = nullptr;
    c->pane->native = nullptr;  // destroyed with the window below
  }
  window->root = nullptr;
  ReleaseMenuBar(window->hwnd);  // the bar outlives the window that shows it
  if (IsWindow(window->hwnd) && !DestroyMdiDocument(window->hwnd)) DestroyWindow(window->hwnd);
  delete window;
  // The window's controls keep the window only through this list.
  if (f->controls) f->controls->Clear();
  UnlockObject(instance);
}

Pane* EnsurePane(WindowObject* window, TessObject* control) {
  RectControlFields* r = FieldsOf<RectControlFields>(control);
  if (r->control.pane) return r->control.pane;
  auto* pane = new Pane;
  pane->control = control;
  pane->bounds = RECT{r->left, r->top, r->left + r->width, r->top + r->height};
  r->control.pane = pane;
  AttachPane(window, pane, r->parent ? FieldsOf<ControlFields>(r->parent)->pane : nullptr);
  return pane;
}

void AttachPane(WindowObject* window, Pane* pane, Pane* container) {
  PanesChanged();
  pane->window = window;
  pane->parent = container;
  pane->nextSibling = nullptr;
  Pane** link = &FirstChildLink(window, container);
  while (*link) link = &(*link)->nextSibling;
  *link = pane;
}

void DetachPane(Pane* pane) {
  WindowObject* window = pane->window;
  if (!window) return;
  PanesChanged();
  if (window->hovered == pane) window->hovered = nullptr;
  if (window->focusedCanvas == pane) window->focusedCanvas = nullptr;
  for (Pane** link = &FirstChildLink(window, pane->parent); *link; link = &(*link)->nextSibling) {
    if (*link != pane) continue;
    *link = pane->nextSibling;
    break;
  }
  // Children move up to the detached pane's container.
  while (Pane* child = pane->firstChild) {
    pane->firstChild = child->nextSibling;
    AttachPane(window, child, pane->parent);
  }
  pane->window = nullptr;
  pane->parent = nullptr;
  pane->nextSibling = nullptr;
}

void PanesChanged() {
  ++g_paneGeneration;
}

Pane* PaneAt(WindowObject* window, POINT point) {
  // Mouse moves mostly stay over one control: answer again without a search
  // while nothing else could be under the point.
  Pane* last = window->lastHit;
  if (last && window->lastHitGeneration == g_paneGeneration && Contains(last->bounds, point))
    return last;
  Pane* hit = Search(window->root, point);
  window->lastHit = nullptr;
  if (hit && !hit->firstChild && Alone(window->root, hit)) {
    window->lastHit = hit;
    window->lastHitGeneration = g_paneGeneration;
  }
  return hit;
}

void PlaceControl(TessObject* control, int32_t left, int32_t top, int32_t width, int32_t height) {
  RectControlFields* r = FieldsOf<RectControlFields>(control);
  r->left = left;
  r->top = top;
  r->width = width;
  r->height = height;
  Pane* pane = r->control.pane;
  if (!pane) return;
  RECT old = pane->bounds;
  pane->bounds = RECT{left, top, left + width, top + height};
  PanesChanged();
  if (pane->native) {
    MoveWindow(pane->native, left, top, width, height, 1);
  } else if (pane->window) {
    InvalidateRect(pane->window->hwnd, &old, 1);
    InvalidateRect(pane->window->hwnd, &pane->bounds, 1);
  }
}

std::string NativeFontName(const std::string& stored) {
  return graphics::MappedFontName(stored);
}

}  // namespace tess::ui
