// The window system's own records: classes, windows and per-thread queues,
// and the helpers its files share. Handles are numbers that are never
// reused, looked up in one table, so a handle kept after its window was
// destroyed (in a posted message, say) finds nothing rather than a stranger.
// Window and client rectangles are kept in the parent's client coordinates;
// top-level windows are children of the desktop window, whose client area
// is the screen.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/process.h"
#include "platform/user/desktop.h"
#include "platform/user/winuser.h"

namespace tess::platform::user {

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::vector<uint8_t> classExtra;
  int windowExtra = 0;
  ATOM atom = 0;
};

struct Queue;

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  std::string text;
  Window* parent = nullptr;       // the desktop for top-level windows
  HWND owner = nullptr;           // top-level windows only
  std::vector<Window*> children;  // front to back
  RECT rect{}, client{};          // in the parent's client coordinates
  RECT restore{};                 // rectangle before minimise or maximise
  LONG id = 0;                    // child identifier (the menu argument)
  HMENU menu = nullptr;           // top-level windows: the menu bar
  HMENU systemMenu = nullptr;     // made by GetSystemMenu
  HINSTANCE instance = nullptr;
  LONG userData = 0;
  std::vector<uint8_t> extra;
  std::vector<std::pair<std::string, HANDLE>> props;
  Queue* queue = nullptr;
  gdi::Region update;  // client coordinates
  bool erase = false;
  bool internalPaint = false;
  bool destroying = false;
  bool destroySent = false;
  bool desktop = false;
  std::unique_ptr<gdi::Surface> backing;  // top-level windows: the whole window
  // Live contexts drawing on this window; their visible parts are
  // recomputed whenever the window tree moves.
  struct DcEntry {
    HDC dc;
    bool whole;             // the whole window, frame included
    bool painting;          // between BeginPaint and EndPaint
    gdi::Region paintArea;  // client coordinates, while painting
  };
  std::vector<DcEntry> dcs;
  HDC ownDC = nullptr;
  int paintDepth = 0;       // nested BeginPaint on an own context
  bool beganPaint = false;  // BeginPaint ran during the current WM_PAINT

  bool visible() const { return style & WS_VISIBLE; }
  bool child() const { return style & WS_CHILD; }
  bool topLevel() const { return parent && parent->desktop; }
};

// A message sent from another thread, answered by the receiving thread.
struct SentMessage {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

// The lock of a queue. Every post and every retrieval takes it, each time
// for a handful of instructions (a record into or out of a deque), so it is
// one atomic exchange to take and a store to release, where a mutex costs
// a library call and two locked operations each way. Mutual exclusion is
// the same; a thread that finds it taken spins briefly and then yields its
// time slice until the holder is done, rather than sleeping in the kernel.
// No holder waits for work while holding it (that goes through `wake`,
// which releases it); the longest hold is a retrieval filtered by window,
// which asks the state lock whether a window is a child of the filter.
class QueueLock {
 public:
  void lock() {
    while (held_.exchange(true, std::memory_order_acquire)) {
      for (int spins = 0; held_.load(std::memory_order_relaxed);) {
        if (spins < kSpins) {
          ++spins;
        } else {
          SwitchToThread();
        }
      }
    }
  }
  bool try_lock() { return !held_.exchange(true, std::memory_order_acquire); }
  void unlock() { held_.store(false, std::memory_order_release); }

 private:
  static constexpr int kSpins = 100;
  std::atomic<bool> held_{false};
};

struct Queue {
  DWORD threadId = 0;
  QueueLock lock;
  std::condition_variable_any wake;
  std::deque<MSG> posted;
  std::deque<MSG> input;
  std::deque<SentMessage*> sent;
  uint64_t signals = 0;  // bumped whenever there may be new work
  int waiters = 0;       // threads waiting on `wake`; nobody to notify when 0
  bool quit = false;
  int quitCode = 0;
  MSG current{};  // the last message retrieved (time and position)
  // Host descriptors the thread's wait also watches (descriptor_wait.h),
  // and the event descriptor that wakes a waiter sleeping in poll(); made
  // with the first watch.
  struct Watch {
    int fd;
    short events;
    void (*callback)(void*, int, short);
    void* context;
  };
  std::vector<Watch> watches;
  std::atomic<int> wakeFd{-1};
};

// The global state lock: window structures are touched by their own thread
// only, but handle lookups, queues and timers are shared.
std::recursive_mutex& StateLock();

Window* Lookup(HWND hwnd);
// The queue of a window, read under the state lock: safe from any thread
// even while the window is being destroyed on its own.
Queue* QueueOfWindow(HWND hwnd);
Window* Desktop();
Queue& CurrentQueue();
Queue* QueueOf(DWORD threadId);
void Wake(Queue& q);
void WakeAll();

// Geometry helpers (position.cpp).
POINT ClientOrigin(const Window* w);  // screen coordinates of client (0, 0)
RECT ScreenRect(const Window* w);     // window rectangle on the screen
Window* TopLevelOf(Window* w);
RECT NonClientInsets(DWORD style, DWORD exStyle, bool menu);
void MoveToFront(Window* w);
// Calls the window procedure: the one road of every message into a window.
LRESULT Call(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);

// Painting helpers (paint.cpp).
void InvalidateWindow(Window* w, const RECT* clientRect, bool erase, bool children);
void ExposeInParent(Window* w, const RECT& rectInParent);
void RefreshDCs(Window* topLevel);
void ReleaseWindowDCs(Window* w);
void ResizeBacking(Window* w);
Window* FindPaintWindow(Queue& q, HWND filter);

// Activation and focus (focus.cpp).
void ActivateOtherThan(Window* w);
void LoseFocusWithin(Window* w);
void ForgetWindow(Window* w);

// Timers (queue.cpp).
void KillWindowTimers(Window* w);
// Milliseconds on the window system's clock.
DWORD Now();

// Input (input.cpp): converts waiting raw input into queued messages.
void ProcessRawInput(Queue& q);
void NoteRetrieved(const MSG& msg);
bool HasRawInput();

// The caret (caret.cpp): drawn on the composed desktop, forgotten with its window.
void DrawCaret(gdi::Surface& screen);
void ForgetCaret(HWND hwnd);

// The presenter showing the desktop, if any (desktop.cpp).
std::shared_ptr<desktop::Presenter>& CurrentPresenter();

// The multiple-document client (mdi.cpp): its class, registered with the
// first window, and whether a window is the active document of its client.
bool RegisterMdiClientClass();
bool IsActiveMdiChild(HWND hwnd);

// The class background as a brush (a real brush or a colour index + 1).
HBRUSH ResolveBrush(HBRUSH brush);

}  // namespace tess::platform::user
