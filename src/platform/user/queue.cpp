// Message queues, one per thread, and timers. A thread's messages come out
// in the platform's order of priority: messages sent from other threads
// (answered at once), posted messages, the quit message once no posted
// message is left, input, WM_PAINT for a window with something to paint,
// and WM_TIMER for the timer that fell due first. WM_PAINT and WM_TIMER are
// never stored: they are made when nothing else is waiting, so they never
// pile up. Anything that may create work for a queue bumps its signal
// count, and a waiting thread sleeps until the count moves or its next
// timer falls due, so no wake-up is lost.
//
// Posting and retrieving are the hot path (every mouse move and paint goes
// through here), so neither takes the global state lock: each thread keeps
// its queue and its recent window lookups at hand, and a post or a
// retrieval takes only the queue's own lock, once.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include "platform/user/descriptor_wait.h"
#include "platform/user/window_internal.h"

namespace tess::platform {

using namespace user;

namespace {

struct Timer {
  HWND hwnd;
  uintptr_t id;
  UINT elapse;
  TIMERPROC proc;
  DWORD due;
  Queue* queue;
};

std::vector<Timer>& Timers() {
  static std::vector<Timer> t;
  return t;
}
uintptr_t g_nextTimerId = 0x8000;

std::map<DWORD, std::unique_ptr<Queue>>& Queues() {
  static std::map<DWORD, std::unique_ptr<Queue>> q;
  return q;
}
// Queues live until the process ends, so each thread keeps its own at hand.
thread_local Queue* t_queue = nullptr;

bool Later(DWORD a, DWORD b) {
  return int32_t(a - b) > 0;
}

bool InRange(UINT msg, UINT first, UINT last) {
  return (first == 0 && last == 0) || (msg >= first && msg <= last);
}

// Waits on q.wake with `lock` held until `ready`, or at most `ms` when
// given; counted, so that wakers skip the notification when nobody waits.
template <typename Ready>
void WaitFor(Queue& q, std::unique_lock<QueueLock>& lock, Ready ready,
             std::optional<int32_t> ms = std::nullopt) {
  ++q.waiters;
  if (ms) {
    q.wake.wait_for(lock, std::chrono::milliseconds(*ms), ready);
  } else {
    q.wake.wait(lock, ready);
  }
  --q.waiters;
}

// Notifies the waiters of `q` if `anyone` was counted under its lock; a
// waiter sleeping in poll() on watched descriptors hears the event
// descriptor instead.
void NotifyIf(Queue& q, bool anyone) {
  if (!anyone) return;
  q.wake.notify_all();
  int fd = q.wakeFd.load(std::memory_order_acquire);
  if (fd >= 0) {
    uint64_t one = 1;
    ssize_t ignored = ::write(fd, &one, sizeof one);
    (void)ignored;
  }
}

// Waits in poll() on the watched descriptors of `q` and its event
// descriptor for at most `ms` (forever when negative), unless the signal
// count already moved from `seen`, then runs the callbacks of the ready
// watches. True when a callback ran.
bool WaitOnWatches(Queue& q, uint64_t seen, int32_t ms) {
  std::vector<Queue::Watch> watches;
  std::vector<pollfd> fds;
  {
    std::lock_guard lock(q.lock);
    if (ms != 0 && q.signals != seen) return false;
    watches = q.watches;
    fds.push_back(pollfd{q.wakeFd.load(std::memory_order_relaxed), POLLIN, 0});
    for (const Queue::Watch& w : watches) fds.push_back(pollfd{w.fd, w.events, 0});
    ++q.waiters;
  }
  int ready = ::poll(fds.data(), nfds_t(fds.size()), ms < 0 ? -1 : ms);
  {
    std::lock_guard lock(q.lock);
    --q.waiters;
  }
  if (ready <= 0) return false;
  if (fds[0].revents) {
    uint64_t count = 0;
    ssize_t ignored = ::read(fds[0].fd, &count, sizeof count);
    (void)ignored;
  }
  bool ran = false;
  for (size_t i = 0; i < watches.size(); ++i) {
    short revents = fds[i + 1].revents;
    if (!revents) continue;
    // An earlier callback may have dropped or replaced this watch.
    bool live;
    {
      std::lock_guard lock(q.lock);
      live = std::any_of(q.watches.begin(), q.watches.end(), [&](const Queue::Watch& w) {
        return w.fd == watches[i].fd && w.callback == watches[i].callback &&
               w.context == watches[i].context;
      });
    }
    if (!live) continue;
    watches[i].callback(watches[i].context, watches[i].fd, revents);
    ran = true;
  }
  return ran;
}

bool SignalsMoved(Queue& q, uint64_t seen) {
  std::lock_guard lock(q.lock);
  return q.signals != seen;
}

bool HasWatches(Queue& q) {
  std::lock_guard lock(q.lock);
  return !q.watches.empty();
}

bool ForWindow(HWND msgHwnd, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return msgHwnd == nullptr;
  return msgHwnd == filter || IsChild(filter, msgHwnd);
}

void AnswerSent(Queue& q) {
  for (;;) {
    SentMessage* s = nullptr;
    {
      std::lock_guard lock(q.lock);
      if (q.sent.empty()) return;
      s = q.sent.front();
      q.sent.pop_front();
    }
    LRESULT r = Call(Lookup(s->hwnd), s->msg, s->wParam, s->lParam);
    bool waiting;
    {
      std::lock_guard lock(q.lock);
      s->result = r;
      s->done = true;
      waiting = q.waiters > 0;
    }
    NotifyIf(q, waiting);
  }
}

// The first posted message in `from` that passes the filters, taken out of
// it when `remove` says so.
bool TakePosted(Queue& q, std::deque<MSG>& from, MSG* out, HWND filter, UINT first, UINT last,
                UINT remove) {
  for (auto it = from.begin(); it != from.end(); ++it) {
    if (!InRange(it->message, first, last) || !ForWindow(it->hwnd, filter)) continue;
    *out = *it;
    if (remove & PM_REMOVE) {
      if (it == from.begin()) {
        from.pop_front();
      } else {
        from.erase(it);
      }
      q.current = *out;
    }
    return true;
  }
  return false;
}

bool Fetch(MSG* out, HWND filter, UINT first, UINT last, UINT remove, bool wait) {
  Queue& q = CurrentQueue();
  for (;;) {
    uint64_t seen;
    {
      // The common case, a posted message and nothing sent, takes one lock.
      std::unique_lock lock(q.lock);
      seen = q.signals;
      if (!q.sent.empty()) {
        lock.unlock();
        AnswerSent(q);
        continue;
      }
      if (TakePosted(q, q.posted, out, filter, first, last, remove)) return true;
      if (q.quit && InRange(WM_QUIT, first, last)) {
        *out = MSG{nullptr, WM_QUIT, WPARAM(q.quitCode), 0, Now(), {}};
        if (remove & PM_REMOVE) q.quit = false;
        return true;
      }
    }
    ProcessRawInput(q);
    {
      std::unique_lock lock(q.lock);
      // Input taken just now may have posted messages (a menu's command):
      // they go before the input that came after it.
      if (!q.posted.empty() && q.signals != seen) continue;
      for (auto it = q.input.begin(); it != q.input.end(); ++it) {
        if (!InRange(it->message, first, last) || !ForWindow(it->hwnd, filter)) continue;
        *out = *it;
        if (remove & PM_REMOVE) {
          q.input.erase(it);
          q.current = *out;
          lock.unlock();
          NoteRetrieved(*out);
        }
        return true;
      }
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    if (InRange(WM_PAINT, first, last))
      if (Window* w = FindPaintWindow(q, filter)) {
        *out = MSG{w->handle, WM_PAINT, 0, 0, Now(), cursor};
        if (remove & PM_REMOVE) q.current = *out;
        return true;
      }
    DWORD now = Now();
    std::optional<DWORD> nextDue;
    if (InRange(WM_TIMER, first, last)) {
      std::lock_guard lock(StateLock());
      Timer* best = nullptr;
      for (Timer& t : Timers()) {
        if (t.queue != &q || !ForWindow(t.hwnd, filter)) continue;
        if (!Later(t.due, now) && (!best || Later(best->due, t.due))) best = &t;
        if (!nextDue || Later(*nextDue, t.due)) nextDue = t.due;
      }
      if (best) {
        *out =
            MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now, cursor};
        if (remove & PM_REMOVE) {
          best->due = now + best->elapse;
          q.current = *out;
        }
        return true;
      }
    }
    if (!wait) {
      // Ready descriptors post their notifications before the queue is
      // declared empty.
      if (HasWatches(q) && WaitOnWatches(q, seen, 0) && SignalsMoved(q, seen)) continue;
      return false;
    }
    // A presented desktop is shown, and its host input read, whenever the
    // thread runs out of work; it is then polled while the thread waits.
    std::shared_ptr<desktop::Presenter> presenter = CurrentPresenter();
    if (presenter && presenter->thread == q.threadId) {
      presenter->idle();
      int32_t poll = std::max(1, presenter->pollMs);
      if (!nextDue || int32_t(*nextDue - Now()) > poll) nextDue = Now() + DWORD(poll);
    }
    if (HasWatches(q)) {
      WaitOnWatches(q, seen, nextDue ? std::max<int32_t>(0, int32_t(*nextDue - Now())) : -1);
      continue;
    }
    std::unique_lock lock(q.lock);
    auto moved = [&] { return q.signals != seen; };
    if (nextDue) {
      WaitFor(q, lock, moved, std::max<int32_t>(0, int32_t(*nextDue - Now())));
    } else {
      WaitFor(q, lock, moved);
    }
  }
}

}  // namespace

namespace user {

bool WatchDescriptor(HWND hwnd, int fd, short events, DescriptorCallback callback, void* context) {
  Queue* q = &CurrentQueue();
  if (hwnd && !(q = QueueOfWindow(hwnd))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (q->wakeFd.load(std::memory_order_acquire) < 0 && events) {
    int made = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (made < 0) return false;
    int expected = -1;
    if (!q->wakeFd.compare_exchange_strong(expected, made)) ::close(made);
  }
  {
    std::lock_guard lock(q->lock);
    auto& watches = q->watches;
    watches.erase(std::remove_if(watches.begin(), watches.end(),
                                 [fd](const Queue::Watch& w) { return w.fd == fd; }),
                  watches.end());
    if (events) watches.push_back(Queue::Watch{fd, events, callback, context});
  }
  // A waiter already in poll() picks the new set up on its next round.
  Wake(*q);
  return true;
}

Queue& CurrentQueue() {
  if (t_queue) return *t_queue;
  DWORD threadId = GetCurrentThreadId();
  std::lock_guard lock(StateLock());
  auto& slot = Queues()[threadId];
  if (!slot) {
    slot = std::make_unique<Queue>();
    slot->threadId = threadId;
  }
  t_queue = slot.get();
  return *slot;
}

Queue* QueueOf(DWORD threadId) {
  std::lock_guard lock(StateLock());
  auto it = Queues().find(threadId);
  return it == Queues().end() ? nullptr : it->second.get();
}

void Wake(Queue& q) {
  bool waiting;
  {
    std::lock_guard lock(q.lock);
    ++q.signals;
    waiting = q.waiters > 0;
  }
  NotifyIf(q, waiting);
}

void WakeAll() {
  std::vector<Queue*> all;
  {
    std::lock_guard lock(StateLock());
    for (auto& [id, q] : Queues()) all.push_back(q.get());
  }
  for (Queue* q : all) Wake(*q);
}

namespace {
// Milliseconds on the host's tick clock, modulo 2^32: the monotonic clock
// as of the last scheduler tick (1 to 10 ms apart), as the platform's tick
// count advances with its timer interrupt. One clock serves the tick count,
// message times and timer expiry, so they always agree. Every message is
// stamped with it: the exact clock costs about as much as the rest of a
// post, the tick clock a fraction, and the arithmetic stays in 32 bits (a
// 64-bit division costs a 32-bit process a library call).
DWORD MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return DWORD(uint32_t(now.tv_sec) * 1000u + uint32_t(now.tv_nsec) / 1000000u);
}
}  // namespace

DWORD Now() {
  static const DWORD start = MonotonicMs();
  return MonotonicMs() - start;
}

void KillWindowTimers(Window* w) {
  std::lock_guard lock(StateLock());
  auto& t = Timers();
  t.erase(std::remove_if(t.begin(), t.end(), [w](const Timer& x) { return x.hwnd == w->handle; }),
          t.end());
}

}  // namespace user

DWORD GetTickCount() {
  return Now();
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Queue* queue = QueueOfWindow(hwnd);
  if (!queue && !Lookup(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  Queue& mine = CurrentQueue();
  // The desktop window has no queue; it answers whoever asks.
  if (!queue || queue == &mine) return Call(Lookup(hwnd), msg, wParam, lParam);
  // Another thread's window: its thread answers, and this one waits.
  Queue& target = *queue;
  SentMessage s{hwnd, msg, wParam, lParam};
  {
    std::lock_guard lock(target.lock);
    target.sent.push_back(&s);
  }
  Wake(target);
  std::unique_lock lock(target.lock);
  WaitFor(target, lock, [&] { return s.done; });
  return s.result;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Queue* q = nullptr;
  if (!hwnd) {
    q = &CurrentQueue();
  } else if (!(q = QueueOfWindow(hwnd))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!q) return 0;
  POINT p{};
  GetCursorPos(&p);
  MSG posted{hwnd, msg, wParam, lParam, Now(), p};
  bool waiting;
  {
    std::lock_guard lock(q->lock);
    q->posted.push_back(posted);
    ++q->signals;
    waiting = q->waiters > 0;
  }
  NotifyIf(*q, waiting);
  return 1;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  Queue* q = QueueOf(threadId);
  if (!q) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  {
    std::lock_guard lock(q->lock);
    q->posted.push_back(MSG{nullptr, msg, wParam, lParam, Now(), {}});
  }
  Wake(*q);
  return 1;
}

void PostQuitMessage(int exitCode) {
  Queue& q = CurrentQueue();
  {
    std::lock_guard lock(q.lock);
    q.quit = true;
    q.quitCode = exitCode;
  }
  Wake(q);
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT first, UINT last) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !Lookup(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  Fetch(msg, hwnd, first, last, PM_REMOVE, true);
  return msg->message == WM_QUIT ? 0 : 1;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  if (!msg) return 0;
  return Fetch(msg, hwnd, first, last, remove, false);
}

BOOL WaitMessage() {
  // Blocks until something can be retrieved, and leaves it in the queue.
  MSG m;
  Fetch(&m, nullptr, 0, 0, PM_NOREMOVE, true);
  return 1;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a timer procedure that a live timer names is called: a posted
    // WM_TIMER cannot make the queue jump to an arbitrary address.
    TIMERPROC proc = nullptr;
    {
      std::lock_guard lock(StateLock());
      for (const Timer& t : Timers())
        if (t.hwnd == msg->hwnd && t.id == msg->wParam &&
            reinterpret_cast<LPARAM>(t.proc) == msg->lParam)
          proc = t.proc;
    }
    if (proc) proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  Window* w = Lookup(msg->hwnd);
  if (!w) return 0;
  if (msg->message == WM_PAINT) w->beganPaint = false;
  LRESULT r = Call(w, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT && (w = Lookup(msg->hwnd)) && !w->beganPaint) {
    // A window procedure that did not paint must not be asked forever; one
    // that painted and then invalidated again asked for another round.
    w->update.Clear();
    w->erase = false;
    w->internalPaint = false;
  }
  return r;
}

DWORD GetMessageTime() {
  return CurrentQueue().current.time;
}

DWORD GetMessagePos() {
  const MSG& m = CurrentQueue().current;
  return DWORD(MAKELPARAM(m.pt.x, m.pt.y));
}

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapse, TIMERPROC proc) {
  Window* w = nullptr;
  if (hwnd && !(w = Lookup(hwnd))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
  Queue* q = w ? w->queue : &CurrentQueue();
  {
    std::lock_guard lock(StateLock());
    auto& timers = Timers();
    auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) {
      return t.hwnd == hwnd && t.id == id && (hwnd || t.queue == q);
    });
    if (it == timers.end()) {
      if (!hwnd && id == 0) id = g_nextTimerId++;
      timers.push_back(Timer{hwnd, id, elapse, proc, Now() + elapse, q});
    } else {
      *it = Timer{hwnd, id, elapse, proc, Now() + elapse, q};
    }
  }
  Wake(*q);
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, uintptr_t id) {
  std::lock_guard lock(StateLock());
  auto& timers = Timers();
  Queue* q = &CurrentQueue();
  auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) {
    return t.hwnd == hwnd && t.id == id && (hwnd || t.queue == q);
  });
  if (it == timers.end()) return 0;
  timers.erase(it);
  return 1;
}

}  // namespace tess::platform
