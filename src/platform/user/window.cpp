// Window classes and windows: registration, creation and destruction with
// the messages a window procedure relies on, the parent/child/owner links,
// window words, named properties and window text.
//
// Creation sends WM_GETMINMAXINFO (framed top-level windows), WM_NCCREATE,
// WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, then WM_PARENTNOTIFY to the
// parent of a child, then shows the window if it asked to be visible.
// Destruction hides the window, destroys its owned windows, sends
// WM_DESTROY to the window and then to its children (parents first), and
// WM_NCDESTROY to the children and then to the window (children first);
// a window's menu bar is destroyed with it.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <thread>
#include <unordered_map>
#include <utility>

#include "platform/user/menu_internal.h"

namespace tess::platform {

using namespace user;

namespace user {
namespace {

std::unordered_map<uintptr_t, std::unique_ptr<Window>>& Table() {
  static std::unordered_map<uintptr_t, std::unique_ptr<Window>> t;
  return t;
}
uintptr_t g_nextHandle = 0x10000;

std::map<std::string, std::shared_ptr<WindowClass>>& Classes() {
  static std::map<std::string, std::shared_ptr<WindowClass>> c;
  return c;
}
ATOM g_nextAtom = 0xC000;

std::string Key(const char* name) {
  std::string k = name ? name : "";
  for (char& c : k)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return k;
}

LRESULT DesktopProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return DefWindowProc(hwnd, msg, w, l);
}

HWND NewHandle(std::unique_ptr<Window> w) {
  std::lock_guard lock(StateLock());
  HWND h = reinterpret_cast<HWND>(g_nextHandle);
  g_nextHandle += 4;
  w->handle = h;
  Table()[uintptr_t(h)] = std::move(w);
  return h;
}

int g_defaultSlot = 0;

// Every message looks its window up, often from the thread that owns it, so
// each thread keeps the handles it found last and answers them again without
// the state lock. Handles are never reused, so an entry stays right for as
// long as its window lives. Freeing any window moves the generation (under
// the state lock, before the window goes), which empties every thread's
// cache at its next lookup: a cached answer is exactly what the table gave
// when the generation was last seen unchanged. The queue is cached beside
// the window so that QueueOfWindow never reads a window another thread may
// be freeing.
std::atomic<uint32_t> g_freedGeneration{0};
constexpr size_t kCachedHandles = 8;
struct CachedHandle {
  uintptr_t handle;
  Window* window;
  Queue* queue;
};
struct HandleCache {
  uint32_t generation;
  CachedHandle entries[kCachedHandles];
};
thread_local HandleCache t_handles{};

CachedHandle& CacheSlot(uintptr_t handle) {
  return t_handles.entries[(handle >> 2) % kCachedHandles];
}

// The cached entry for `handle`, or null.
const CachedHandle* Cached(uintptr_t handle) {
  const CachedHandle& slot = CacheSlot(handle);
  if (handle && slot.handle == handle &&
      t_handles.generation == g_freedGeneration.load(std::memory_order_acquire))
    return &slot;
  return nullptr;
}

// Looks `handle` up in the table and caches what it finds; the state lock
// must be held.
Window* LookupLocked(uintptr_t handle) {
  uint32_t generation = g_freedGeneration.load(std::memory_order_relaxed);
  if (t_handles.generation != generation) t_handles = HandleCache{generation, {}};
  auto it = Table().find(handle);
  if (it == Table().end()) return nullptr;
  Window* w = it->second.get();
  CacheSlot(handle) = CachedHandle{handle, w, w->queue};
  return w;
}

}  // namespace

std::recursive_mutex& StateLock() {
  static std::recursive_mutex m;
  return m;
}

Window* Lookup(HWND hwnd) {
  if (!hwnd) return nullptr;  // thread messages: no handle is 0
  if (const CachedHandle* c = Cached(uintptr_t(hwnd))) return c->window;
  std::lock_guard lock(StateLock());
  return LookupLocked(uintptr_t(hwnd));
}

Queue* QueueOfWindow(HWND hwnd) {
  if (const CachedHandle* c = Cached(uintptr_t(hwnd)); c && c->queue) return c->queue;
  std::lock_guard lock(StateLock());
  Window* w = LookupLocked(uintptr_t(hwnd));
  return w ? w->queue : nullptr;
}

Window* Desktop() {
  static Window* desktop = [] {
    auto w = std::make_unique<Window>();
    w->desktop = true;
    w->style = WS_VISIBLE | WS_CLIPCHILDREN;
    w->proc = DesktopProc;
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    w->rect = w->client = {0, 0, cx, cy};
    auto cls = std::make_shared<WindowClass>();
    cls->name = "#32769";
    cls->background = reinterpret_cast<HBRUSH>(COLOR_BACKGROUND + 1);
    w->cls = cls;
    Window* raw = w.get();
    NewHandle(std::move(w));
    return raw;
  }();
  return desktop;
}

LRESULT Call(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w || !w->proc) return 0;
  return w->proc(w->handle, msg, wParam, lParam);
}

}  // namespace user

ATOM RegisterClass(const WNDCLASS* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc || wc->cbClsExtra < 0 ||
      wc->cbWndExtra < 0 || wc->cbClsExtra > 40000 || wc->cbWndExtra > 40000) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(StateLock());
  std::string key = Key(wc->lpszClassName);
  if (Classes().count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = std::make_shared<WindowClass>();
  cls->name = wc->lpszClassName;
  cls->style = wc->style;
  cls->proc = wc->lpfnWndProc;
  cls->instance = wc->hInstance;
  cls->icon = wc->hIcon;
  cls->cursor = wc->hCursor;
  cls->background = wc->hbrBackground;
  cls->classExtra.assign(size_t(wc->cbClsExtra), 0);
  cls->windowExtra = wc->cbWndExtra;
  cls->atom = g_nextAtom++;
  Classes()[key] = cls;
  return cls->atom;
}

BOOL UnregisterClass(const char* name, HINSTANCE) {
  std::lock_guard lock(StateLock());
  auto it = Classes().find(Key(name));
  if (it == Classes().end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return 0;
  }
  // Windows of the class keep it alive through their shared reference.
  Classes().erase(it);
  return 1;
}

BOOL GetClassInfo(HINSTANCE, const char* name, WNDCLASS* out) {
  std::lock_guard lock(StateLock());
  auto it = Classes().find(Key(name));
  if (it == Classes().end() || !out) return 0;
  const WindowClass& c = *it->second;
  out->style = c.style;
  out->lpfnWndProc = c.proc;
  out->cbClsExtra = int(c.classExtra.size());
  out->cbWndExtra = c.windowExtra;
  out->hInstance = c.instance;
  out->hIcon = c.icon;
  out->hCursor = c.cursor;
  out->hbrBackground = c.background;
  out->lpszClassName = c.name.c_str();
  return 1;
}

int GetClassName(HWND hwnd, char* name, int size) {
  Window* w = Lookup(hwnd);
  if (!w || !name || size <= 0) return 0;
  int n = std::min<int>(size - 1, int(w->cls->name.size()));
  std::memcpy(name, w->cls->name.data(), size_t(n));
  name[n] = '\0';
  return n;
}

LONG GetClassLong(HWND hwnd, int index) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  WindowClass& c = *w->cls;
  switch (index) {
    case GCL_HBRBACKGROUND:
      return LONG(reinterpret_cast<intptr_t>(c.background));
    case GCL_HCURSOR:
      return LONG(reinterpret_cast<intptr_t>(c.cursor));
    case GCL_STYLE:
      return LONG(c.style);
    case GCL_WNDPROC:
      return LONG(reinterpret_cast<intptr_t>(c.proc));
    default:
      if (index >= 0 && size_t(index) + 4 <= c.classExtra.size()) {
        LONG v;
        std::memcpy(&v, c.classExtra.data() + index, 4);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG SetClassLong(HWND hwnd, int index, LONG value) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  WindowClass& c = *w->cls;
  LONG old = GetClassLong(hwnd, index);
  switch (index) {
    case GCL_HBRBACKGROUND:
      c.background = reinterpret_cast<HBRUSH>(intptr_t(value));
      break;
    case GCL_HCURSOR:
      c.cursor = reinterpret_cast<HCURSOR>(intptr_t(value));
      break;
    case GCL_STYLE:
      c.style = UINT(value);
      break;
    case GCL_WNDPROC:
      c.proc = reinterpret_cast<WNDPROC>(intptr_t(value));
      break;
    default:
      if (index >= 0 && size_t(index) + 4 <= c.classExtra.size()) {
        std::memcpy(c.classExtra.data() + index, &value, 4);
        break;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return old;
}

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parentHandle, HMENU menu,
                    HINSTANCE instance, void* param) {
  // The system's own classes exist before the first window.
  static const bool systemClasses = RegisterMdiClientClass();
  (void)systemClasses;
  std::shared_ptr<WindowClass> cls;
  {
    std::lock_guard lock(StateLock());
    auto it = Classes().find(Key(className));
    if (it != Classes().end()) cls = it->second;
  }
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  // The first window decides whether the desktop is also shown on a display.
  static const bool presented = desktop::PresentIfAsked();
  (void)presented;
  Window* parent = Desktop();
  HWND owner = nullptr;
  if (parentHandle && parentHandle != Desktop()->handle) {
    Window* given = Lookup(parentHandle);
    if (!given) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (style & WS_CHILD)
      parent = given;
    else
      owner = TopLevelOf(given)->handle;
  } else if (style & WS_CHILD) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  // A top-level window's menu argument is its bar: a menu on no other window.
  Menu* bar = nullptr;
  if (!(style & WS_CHILD) && menu) {
    bar = LookupMenu(menu);
    if (!bar || bar->parent || bar->window) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return nullptr;
    }
  }
  // Overlapped windows always have a caption, and keep to their own area.
  if (!(style & (WS_CHILD | WS_POPUP))) {
    style |= WS_CAPTION | WS_CLIPSIBLINGS;
    exStyle |= WS_EX_WINDOWEDGE;
  }
  if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME) ||
      (exStyle & WS_EX_DLGMODALFRAME))
    exStyle |= WS_EX_WINDOWEDGE;

  auto win = std::make_unique<Window>();
  Window* w = win.get();
  w->cls = cls;
  w->proc = cls->proc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->text = windowName ? windowName : "";
  w->parent = parent;
  w->owner = owner;
  w->instance = instance;
  w->id = (style & WS_CHILD) ? LONG(reinterpret_cast<intptr_t>(menu)) : 0;
  w->extra.assign(size_t(cls->windowExtra), 0);
  w->queue = &CurrentQueue();
  if (!(style & WS_CHILD)) {
    // Unspecified positions cascade; unspecified sizes take most of the screen.
    int slot = g_defaultSlot;
    if (x == CW_USEDEFAULT) {
      g_defaultSlot = (g_defaultSlot + 1) % 10;
      x = 20 + 26 * slot, y = 20 + 26 * slot;
    }
    if (width == CW_USEDEFAULT) {
      width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
      height = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
    }
  } else {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
  }
  // Sizes are kept within what 16-bit coordinates in messages can carry.
  width = std::clamp(width, 0, 32767);
  height = std::clamp(height, 0, 32767);
  x = std::clamp(x, -32768, 32767);
  y = std::clamp(y, -32768, 32767);
  HWND hwnd = NewHandle(std::move(win));
  if (bar) {
    w->menu = menu;
    bar->window = hwnd;
  }
  if (w->topLevel()) {
    // Top-level windows start in front of the other non-topmost ones.
    auto& sib = parent->children;
    auto pos = sib.begin();
    if (!(exStyle & WS_EX_TOPMOST))
      while (pos != sib.end() && ((*pos)->exStyle & WS_EX_TOPMOST)) ++pos;
    sib.insert(pos, w);
  } else {
    parent->children.push_back(w);
  }

  CREATESTRUCT cs{param, instance, menu,        parentHandle, height,    width,
                  y,     x,        LONG(style), windowName,   className, exStyle};
  if (w->topLevel() && ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD)))) {
    MINMAXINFO mmi{};
    mmi.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    mmi.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = {32767, 32767};
    Call(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    width = std::clamp<int>(width, 0, mmi.ptMaxTrackSize.x);
    height = std::clamp<int>(height, 0, mmi.ptMaxTrackSize.y);
  }
  w->rect = {x, y, x + width, y + height};
  w->client = w->rect;
  if (w->topLevel()) ResizeBacking(w);
  if (!Call(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!Lookup(hwnd)) return nullptr;
  RECT client = w->rect;
  Call(w, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&client));
  if (!Lookup(hwnd)) return nullptr;
  w->client = client;
  if (Call(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!Lookup(hwnd)) return nullptr;
  Call(w, WM_SIZE, SIZE_RESTORED,
       MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  if (!(w = Lookup(hwnd))) return nullptr;
  Call(w, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
  if (!(w = Lookup(hwnd))) return nullptr;
  // The parent as it is now: handlers may have moved or destroyed things.
  if (w->child() && !(exStyle & WS_EX_NOPARENTNOTIFY) && !w->parent->desktop)
    Call(w->parent, WM_PARENTNOTIFY, MAKELPARAM(WM_CREATE, w->id), reinterpret_cast<LPARAM>(hwnd));
  if ((style & WS_VISIBLE) && Lookup(hwnd)) {
    ShowWindow(hwnd, (style & WS_MAXIMIZE)   ? SW_MAXIMIZE
                     : (style & WS_MINIMIZE) ? SW_MINIMIZE
                                             : SW_SHOW);
  }
  return Lookup(hwnd) ? hwnd : nullptr;
}

namespace {

// Both walks go by handle: a handler may destroy an ancestor meanwhile,
// which takes this whole tree with it.
void SendDestroy(HWND h) {
  Window* w = Lookup(h);
  if (!w) return;
  if (!w->destroySent) {
    w->destroySent = true;
    Call(w, WM_DESTROY, 0, 0);
    if (!(w = Lookup(h))) return;
  }
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) SendDestroy(k);
}

void FreeTree(HWND h) {
  Window* w = Lookup(h);
  if (!w) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) FreeTree(k);
  if (!(w = Lookup(h))) return;
  Call(w, WM_NCDESTROY, 0, 0);
  if (!(w = Lookup(h))) return;
  KillWindowTimers(w);
  ReleaseWindowDCs(w);
  EndMenuOf(h, true);
  // The bar goes with its window.
  if (HMENU bar = std::exchange(w->menu, nullptr)) DestroyMenu(bar);
  if (HMENU system = std::exchange(w->systemMenu, nullptr)) DestroyMenu(system);
  ForgetWindow(w);
  ForgetCaret(w->handle);
  if (w->parent) {
    auto& sib = w->parent->children;
    sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
  }
  std::lock_guard lock(StateLock());
  g_freedGeneration.fetch_add(1, std::memory_order_release);
  Table().erase(uintptr_t(h));
}

}  // namespace

BOOL DestroyWindow(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // Only the window's own thread may destroy it, as on the platform.
  if (w->queue && w->queue != &CurrentQueue()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (w->destroying) return 1;
  // The whole tree is marked first: a handler destroying one of these
  // windows again while the teardown runs finds it already going.
  std::function<void(Window*)> mark = [&](Window* x) {
    x->destroying = true;
    for (Window* c : x->children) mark(c);
  };
  mark(w);
  if (w->child() && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
    Call(w->parent, WM_PARENTNOTIFY, MAKELPARAM(WM_DESTROY, w->id), reinterpret_cast<LPARAM>(hwnd));
  if (!Lookup(hwnd)) return 1;
  if (w->visible())
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                     (w->topLevel() ? 0u : UINT(SWP_NOACTIVATE)));
  if (!Lookup(hwnd)) return 1;
  // Owned windows go before their owner.
  std::vector<HWND> owned;
  for (Window* t : Desktop()->children)
    if (t->owner == hwnd) owned.push_back(t->handle);
  for (HWND o : owned) DestroyWindow(o);
  if (!(w = Lookup(hwnd))) return 1;
  LoseFocusWithin(w);
  if (GetCapture() && (GetCapture() == hwnd || IsChild(hwnd, GetCapture()))) ReleaseCapture();
  SendDestroy(hwnd);
  FreeTree(hwnd);
  return 1;
}

BOOL IsWindow(HWND hwnd) {
  Window* w = Lookup(hwnd);
  return w != nullptr;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Window* w = Lookup(hwnd);
  Window* p = Lookup(parent);
  if (!w || !p) return 0;
  for (Window* a = w; a->child() && a->parent; a = a->parent)
    if (a->parent == p) return 1;
  return 0;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  for (; w && !w->desktop; w = w->parent)
    if (!w->visible()) return 0;
  return 1;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = Lookup(hwnd);
  return w && !(w->style & WS_DISABLED);
}

BOOL IsIconic(HWND hwnd) {
  Window* w = Lookup(hwnd);
  return w && (w->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = Lookup(hwnd);
  return w && (w->style & WS_MAXIMIZE);
}

HWND GetParent(HWND hwnd) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) return nullptr;
  if (w->child()) return w->parent->handle;
  // As on the platform: a popup answers its owner.
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND hwnd, HWND parentHandle) {
  Window* w = Lookup(hwnd);
  Window* p = parentHandle ? Lookup(parentHandle) : Desktop();
  if (!w || !p || w->desktop) return nullptr;
  // A window cannot go under itself or its own descendants, whatever their
  // styles: the parent chain must stay a tree.
  for (Window* a = p; a; a = a->parent)
    if (a == w) return nullptr;
  bool wasVisible = w->visible();
  if (wasVisible) {
    ShowWindow(hwnd, SW_HIDE);
    // Hiding ran handlers: both windows must still be there, and the
    // move must still keep the tree a tree.
    w = Lookup(hwnd);
    p = parentHandle ? Lookup(parentHandle) : Desktop();
    if (!w || !p) return nullptr;
    for (Window* a = p; a; a = a->parent)
      if (a == w) return nullptr;
  }
  Window* old = w->parent;
  HWND oldHandle = old->handle;
  auto& sib = old->children;
  sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
  w->parent = p;
  p->children.insert(p->children.begin(), w);
  if (p->desktop && !w->backing) ResizeBacking(w);
  if (!p->desktop) w->backing.reset();
  RefreshDCs(TopLevelOf(w));
  if (wasVisible) ShowWindow(hwnd, SW_SHOWNA);
  return oldHandle;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = Lookup(hwnd);
  if (!w || w->desktop) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent->handle;
    case GA_ROOT:
      return TopLevelOf(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = TopLevelOf(w);
      while (Window* o = Lookup(r->owner)) r = o;
      return r->handle;
    }
    default:
      return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = Lookup(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (cmd == GW_OWNER) return w->owner;
  if (!w->parent) return nullptr;
  auto& sib = w->parent->children;
  auto it = std::find(sib.begin(), sib.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST:
      return sib.front()->handle;
    case GW_HWNDLAST:
      return sib.back()->handle;
    case GW_HWNDNEXT:
      return it + 1 < sib.end() ? (*(it + 1))->handle : nullptr;
    case GW_HWNDPREV:
      return it > sib.begin() ? (*(it - 1))->handle : nullptr;
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  Window* w = hwnd ? Lookup(hwnd) : Desktop();
  return w && !w->children.empty() ? w->children.front()->handle : nullptr;
}

HWND GetDesktopWindow() {
  return Desktop()->handle;
}

HWND FindWindow(const char* className, const char* windowName) {
  for (Window* t : Desktop()->children) {
    if (className && Key(className) != Key(t->cls->name.c_str())) continue;
    if (windowName && t->text != windowName) continue;
    return t->handle;
  }
  return nullptr;
}

namespace {
// Handles first, so callbacks may create or destroy windows as they go.
void CollectTree(Window* w, std::vector<HWND>& out) {
  for (Window* c : w->children) {
    out.push_back(c->handle);
    CollectTree(c, out);
  }
}
}  // namespace

BOOL EnumWindows(WNDENUMPROC proc, LPARAM data) {
  if (!proc) return 0;
  std::vector<HWND> tops;
  for (Window* t : Desktop()->children) tops.push_back(t->handle);
  for (HWND h : tops)
    if (IsWindow(h) && !proc(h, data)) return 0;
  return 1;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM data) {
  Window* p = Lookup(parent);
  if (!p || !proc) return 0;
  std::vector<HWND> all;
  CollectTree(p, all);
  for (HWND h : all)
    if (IsWindow(h) && !proc(h, data)) return 0;
  return 1;
}

LONG GetWindowLong(HWND hwnd, int index) {
  Window* w = Lookup(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_WNDPROC:
      return LONG(reinterpret_cast<intptr_t>(w->proc));
    case GWL_HINSTANCE:
      return LONG(reinterpret_cast<intptr_t>(w->instance));
    case GWL_HWNDPARENT:
      return LONG(reinterpret_cast<intptr_t>(GetParent(hwnd)));
    case GWL_ID:
      return w->id;
    case GWL_STYLE:
      return LONG(w->style);
    case GWL_EXSTYLE:
      return LONG(w->exStyle);
    case GWL_USERDATA:
      return w->userData;
    default:
      if (index >= 0 && size_t(index) + 4 <= w->extra.size()) {
        LONG v;
        std::memcpy(&v, w->extra.data() + index, 4);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  Window* w = Lookup(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG old = GetWindowLong(hwnd, index);
  switch (index) {
    case GWL_WNDPROC:
      w->proc = reinterpret_cast<WNDPROC>(intptr_t(value));
      break;
    case GWL_HINSTANCE:
      w->instance = reinterpret_cast<HINSTANCE>(intptr_t(value));
      break;
    case GWL_HWNDPARENT:
      if (w->topLevel()) w->owner = reinterpret_cast<HWND>(intptr_t(value));
      break;
    case GWL_ID:
      w->id = value;
      break;
    case GWL_USERDATA:
      w->userData = value;
      break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{DWORD(old), DWORD(value)};
      Call(w, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      if (!Lookup(hwnd)) return old;
      if (index == GWL_STYLE) {
        // Visibility and the child bit change only through their own calls.
        w->style = (ss.styleNew & ~(WS_VISIBLE | WS_CHILD)) | (w->style & (WS_VISIBLE | WS_CHILD));
      } else {
        w->exStyle = ss.styleNew;
      }
      Call(w, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    default:
      if (index >= 0 && size_t(index) + 4 <= w->extra.size()) {
        std::memcpy(w->extra.data() + index, &value, 4);
        break;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return old;
}

BOOL SetProp(HWND hwnd, const char* name, HANDLE data) {
  Window* w = Lookup(hwnd);
  if (!w || !name) return 0;
  std::string key = Key(name);
  for (auto& p : w->props)
    if (p.first == key) {
      p.second = data;
      return 1;
    }
  w->props.emplace_back(key, data);
  return 1;
}

HANDLE GetProp(HWND hwnd, const char* name) {
  Window* w = Lookup(hwnd);
  if (!w || !name) return nullptr;
  std::string key = Key(name);
  for (auto& p : w->props)
    if (p.first == key) return p.second;
  return nullptr;
}

HANDLE RemoveProp(HWND hwnd, const char* name) {
  Window* w = Lookup(hwnd);
  if (!w || !name) return nullptr;
  std::string key = Key(name);
  for (auto it = w->props.begin(); it != w->props.end(); ++it)
    if (it->first == key) {
      HANDLE d = it->second;
      w->props.erase(it);
      return d;
    }
  return nullptr;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  return BOOL(SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

int GetWindowText(HWND hwnd, char* text, int size) {
  if (!Lookup(hwnd) || !text || size <= 0) return 0;
  return int(SendMessage(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLength(HWND hwnd) {
  if (!Lookup(hwnd)) return 0;
  return int(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

std::string GetWindowTextString(HWND hwnd) {
  int n = GetWindowTextLength(hwnd);
  std::string s(size_t(n) + 1, '\0');
  int got = GetWindowText(hwnd, s.data(), n + 1);
  s.resize(size_t(std::max(0, got)));
  return s;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process) {
  Window* w = Lookup(hwnd);
  if (!w) return 0;
  if (process) *process = 1;
  return w->queue ? w->queue->threadId : 0;
}

}  // namespace tess::platform
