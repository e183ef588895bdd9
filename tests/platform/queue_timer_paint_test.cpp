// The queue: send versus post, the quit message, thread messages, order
// under filters, handles seen from other threads, timers firing in due
// order with their identifiers, and the paint cycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/message_log.h"

namespace tess::test {
namespace {

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    Pump();
    MessageLog::Get().Clear();
    a_ = Make("A", WS_POPUP);
    MessageLog::Get().Clear();
  }
  void TearDown() override {
    if (IsWindow(a_)) DestroyWindow(a_);
    Pump();
    MessageLog::Get().Clear();
  }
  HWND a_ = nullptr;
};

TEST_F(Queue, SendRunsAtOncePostWaitsForTheLoop) {
  PostMessage(a_, WM_USER, 0, 0);
  SendMessage(a_, WM_USER + 1, 0, 0);
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_USER+1"}));
  PostMessage(a_, WM_USER + 2, 0, 0);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_USER", "A WM_USER+2"}));
}

TEST_F(Queue, PeekWithoutRemovingLeavesTheMessage) {
  PostMessage(a_, WM_USER, 7, 8);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(m.wParam, WPARAM(7));
  EXPECT_EQ(m.lParam, LPARAM(8));
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, FiltersByWindowAndRange) {
  HWND b = Make("B", WS_POPUP);
  PostMessage(a_, WM_USER, 0, 0);
  PostMessage(b, WM_USER + 1, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 1));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER + 1, WM_USER + 2, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a_);
  DestroyWindow(b);
}

TEST_F(Queue, FilteredRetrievalsKeepEveryOtherMessageInPostingOrder) {
  HWND b = Make("B", WS_POPUP);
  MessageLog::Get().Clear();
  PostMessage(a_, WM_USER, 1, 0);
  PostMessage(b, WM_USER + 1, 2, 0);
  PostMessage(a_, WM_USER + 2, 3, 0);
  PostMessage(b, WM_USER + 1, 4, 0);
  PostMessage(a_, WM_USER + 1, 5, 0);
  MSG m;
  std::vector<WPARAM> taken;
  while (PeekMessage(&m, b, 0, 0, PM_REMOVE)) taken.push_back(m.wParam);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 1, WM_USER + 2, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, WPARAM(3)) << "the first in range, left in place";
  while (PeekMessage(&m, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE)) taken.push_back(m.wParam);
  EXPECT_EQ(taken, (std::vector<WPARAM>{2, 4, 5}));
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_USER", "A WM_USER+2"}));
  DestroyWindow(b);
}

TEST_F(Queue, AWindowDestroyedOnItsThreadIsGoneForThreadsThatUsedIt) {
  std::atomic<HWND> made{nullptr};
  std::atomic<bool> used{false};
  std::thread owner([&] {
    made = Make("W", WS_POPUP);
    while (!used) std::this_thread::yield();
    DestroyWindow(made);
  });
  while (!made) std::this_thread::yield();
  HWND w = made;
  EXPECT_TRUE(IsWindow(w));
  EXPECT_TRUE(PostMessage(w, WM_USER, 0, 0));
  used = true;
  owner.join();
  SetLastError(0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(PostMessage(a_, WM_USER, 0, 0)) << "other windows are still found";
  Pump();
}

TEST_F(Queue, PostsFromManyThreadsArriveWholeAndInEachSendersOrder) {
  constexpr int kSenders = 4, kEach = 20000;
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      for (int i = 0; i < kEach; ++i) PostMessage(a_, WM_USER + 5, WPARAM(s), LPARAM(i));
    });
  }
  std::vector<LPARAM> next(kSenders, 0);
  int received = 0, outOfOrder = 0;
  MSG m;
  while (received < kSenders * kEach && GetMessage(&m, nullptr, WM_USER + 5, WM_USER + 5)) {
    if (m.lParam != next[m.wParam]) ++outOfOrder;
    next[m.wParam] = m.lParam + 1;
    ++received;
  }
  for (std::thread& t : senders) t.join();
  EXPECT_EQ(received, kSenders * kEach);
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER + 5, WM_USER + 5, PM_NOREMOVE));
}

TEST_F(Queue, APostFromAnotherThreadWakesASleepingLoop) {
  std::thread worker([&] {
    // Late enough that the loop is usually asleep by then.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessage(a_, WM_USER + 4, 0, 0);
  });
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, WM_USER + 4, WM_USER + 4));
  worker.join();
  EXPECT_EQ(m.message, UINT(WM_USER + 4));
}

TEST_F(Queue, MessageTimesComeFromTheTickCount) {
  DWORD before = GetTickCount();
  PostMessage(a_, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
  DWORD after = GetTickCount();
  EXPECT_LE(before, m.time);
  EXPECT_LE(m.time, after);
  EXPECT_EQ(GetMessageTime(), m.time);
}

TEST_F(Queue, QuitEndsTheLoopAfterPostedMessages) {
  PostMessage(a_, WM_USER, 0, 0);
  PostQuitMessage(3);
  PostMessage(a_, WM_USER + 1, 0, 0);
  MSG m;
  std::vector<UINT> seen;
  while (GetMessage(&m, nullptr, 0, 0)) {
    seen.push_back(m.message);
    DispatchMessage(&m);
  }
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER, WM_USER + 1}));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, WPARAM(3));
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));  // the quit message is taken once
}

TEST_F(Queue, MessagesToADestroyedWindowAreDropped) {
  PostMessage(a_, WM_USER, 0, 0);
  DestroyWindow(a_);
  MessageLog::Get().Clear();
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), Seq{});
}

TEST_F(Queue, OtherThreadsPostAndSend) {
  DWORD mainThread = GetCurrentThreadId();
  std::thread worker([&] {
    // Sent from another thread: answered by the window's thread while it
    // waits for messages, before anything posted afterwards.
    LRESULT r = SendMessage(a_, WM_USER + 1, 0, 0);
    PostMessage(a_, WM_USER, 1, 0);
    PostThreadMessage(mainThread, WM_USER + 3, WPARAM(r + 10), 0);
  });
  MSG m;
  std::vector<UINT> threadMessages;
  while (threadMessages.empty() && GetMessage(&m, nullptr, 0, 0)) {
    if (!m.hwnd) {
      threadMessages.push_back(m.message);
      EXPECT_EQ(m.wParam, WPARAM(10));
    }
    DispatchMessage(&m);
  }
  worker.join();
  EXPECT_EQ(threadMessages, (std::vector<UINT>{WM_USER + 3}));
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_USER+1", "A WM_USER"}));
}

TEST_F(Queue, WaitMessageBlocksUntilSomethingArrivesAndLeavesIt) {
  std::thread worker([&] { PostMessage(a_, WM_USER, 0, 0); });
  WaitMessage();
  worker.join();
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
}

std::vector<uintptr_t> g_procTimers;
void TimerCallback(HWND, UINT, uintptr_t id, DWORD) {
  g_procTimers.push_back(id);
}

TEST_F(Queue, TimersFireInDueOrderWithTheirIdentifiers) {
  SetTimer(a_, 1, 60, nullptr);
  SetTimer(a_, 2, 20, nullptr);
  SetTimer(a_, 3, 40, nullptr);
  // Each timer's first firing comes in due order, however late the thread
  // gets to them; a quick timer may fire again before a slow one's first.
  MSG m;
  std::vector<WPARAM> firsts;
  while (firsts.size() < 3 && GetMessage(&m, nullptr, 0, 0)) {
    if (m.message == WM_TIMER) {
      EXPECT_EQ(m.hwnd, a_);
      EXPECT_TRUE(m.wParam >= 1 && m.wParam <= 3) << m.wParam;
      if (std::find(firsts.begin(), firsts.end(), m.wParam) == firsts.end())
        firsts.push_back(m.wParam);
    }
    DispatchMessage(&m);
  }
  EXPECT_EQ(firsts, (std::vector<WPARAM>{2, 3, 1}));
  Seq log = MessageLog::Get().Take();
  EXPECT_EQ(log.front(), "A WM_TIMER 2");
  EXPECT_EQ(log.back(), "A WM_TIMER 1");
  EXPECT_TRUE(KillTimer(a_, 1));
  EXPECT_TRUE(KillTimer(a_, 2));
  EXPECT_TRUE(KillTimer(a_, 3));
  EXPECT_FALSE(KillTimer(a_, 3));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(Queue, ThreadTimersCallTheirProcedure) {
  g_procTimers.clear();
  uintptr_t id = SetTimer(nullptr, 0, 10, TimerCallback);
  ASSERT_NE(id, 0u);
  MSG m;
  while (g_procTimers.empty() && GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(g_procTimers, (std::vector<uintptr_t>{id}));
  KillTimer(nullptr, id);
  // A posted WM_TIMER naming a procedure of no live timer calls nothing.
  PostMessage(nullptr, WM_TIMER, id, reinterpret_cast<LPARAM>(TimerCallback));
  Pump();
  EXPECT_EQ(g_procTimers.size(), 1u);
}

TEST_F(Queue, DestroyingAWindowKillsItsTimers) {
  SetTimer(a_, 9, 10, nullptr);
  DestroyWindow(a_);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

// Painting.
std::vector<RECT> g_painted;
std::vector<BOOL> g_erased;
LRESULT PaintingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  MessageLog::Get().Record(hwnd, msg, w, l);
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    g_painted.push_back(ps.rcPaint);
    g_erased.push_back(ps.fErase);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProc(hwnd, msg, w, l);
}

class Paint : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = [] {
      WNDCLASS wc;
      wc.lpfnWndProc = PaintingProc;
      wc.lpszClassName = "Painter";
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    w_ = CreateWindowEx(0, "Painter", "P", WS_POPUP | WS_VISIBLE, 10, 10, 100, 80, nullptr, nullptr,
                        nullptr, nullptr);
    MessageLog::Get().Name(w_, "P");
    Pump();
    MessageLog::Get().Clear();
    g_painted.clear();
    g_erased.clear();
  }
  void TearDown() override {
    DestroyWindow(w_);
    Pump();
  }
  HWND w_;
};

TEST_F(Paint, ShowingPaintsTheWholeClientOnce) {
  HWND b = CreateWindowEx(0, "Painter", "Q", WS_POPUP | WS_VISIBLE, 0, 0, 30, 20, nullptr, nullptr,
                          nullptr, nullptr);
  MessageLog::Get().Name(b, "Q");
  MessageLog::Get().Clear();
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"Q WM_PAINT", "Q WM_ERASEBKGND"}));
  EXPECT_EQ(g_painted, (std::vector<RECT>{{0, 0, 30, 20}}));
  EXPECT_EQ(g_erased, (std::vector<BOOL>{0}));  // erased by the class brush
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), Seq{});  // nothing more to paint
  DestroyWindow(b);
}

TEST_F(Paint, OnlyTheInvalidAreaIsPaintedAndAreasMerge) {
  RECT r1{10, 10, 20, 20}, r2{30, 5, 40, 15};
  InvalidateRect(w_, &r1, FALSE);
  InvalidateRect(w_, &r2, FALSE);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"P WM_PAINT"}));  // one paint, no erase asked
  EXPECT_EQ(g_painted, (std::vector<RECT>{{10, 5, 40, 20}}));
  RECT outside{200, 200, 300, 300};
  InvalidateRect(w_, &outside, TRUE);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), Seq{});
}

TEST_F(Paint, ValidatedAreasAreNotPainted) {
  InvalidateRect(w_, nullptr, TRUE);
  ValidateRect(w_, nullptr);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), Seq{});
  RECT r{0, 0, 50, 50}, half{0, 0, 50, 25};
  InvalidateRect(w_, &r, TRUE);
  ValidateRect(w_, &half);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(w_, &update, FALSE));
  EXPECT_EQ(update, (RECT{0, 25, 50, 50}));
  UpdateWindow(w_);
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"P WM_PAINT", "P WM_ERASEBKGND"}));
}

TEST_F(Paint, PaintComesAfterPostedMessagesAndTimersLast) {
  InvalidateRect(w_, nullptr, FALSE);
  SetTimer(w_, 5, 10, nullptr);
  PostMessage(w_, WM_USER, 0, 0);
  MSG m;
  std::vector<UINT> order;
  while (order.size() < 3 && GetMessage(&m, nullptr, 0, 0)) {
    order.push_back(m.message);
    DispatchMessage(&m);
  }
  KillTimer(w_, 5);
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
}

TEST_F(Paint, AProcedureThatDoesNotPaintIsNotAskedAgain) {
  HWND a = Make("A", WS_POPUP | WS_VISIBLE);  // DefWindowProc validates
  Pump();
  InvalidateRect(a, nullptr, FALSE);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  // Dispatch to a procedure that ignores WM_PAINT still validates.
  SetWindowLong(
      a, GWL_WNDPROC,
      LONG(reinterpret_cast<intptr_t>(+[](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; })));
  DispatchMessage(&m);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  SetWindowLong(a, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(RecordingProc)));
  DestroyWindow(a);
}

int g_framesLeft = 0;
LRESULT AnimatingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    g_painted.push_back(ps.rcPaint);
    // Asks for the next frame from inside the paint.
    if (--g_framesLeft > 0) InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
  }
  return DefWindowProc(hwnd, msg, w, l);
}

TEST_F(Paint, InvalidatingAfterPaintingAsksForAnotherRound) {
  SetWindowLong(w_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(AnimatingProc)));
  g_framesLeft = 3;
  InvalidateRect(w_, nullptr, FALSE);
  Pump();
  EXPECT_EQ(g_painted.size(), 3u);
  SetWindowLong(w_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(PaintingProc)));
}

TEST_F(Paint, ChildrenArePaintedAfterTheirParent) {
  HWND c = CreateWindowEx(0, "Painter", "C", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, w_, nullptr,
                          nullptr, nullptr);
  MessageLog::Get().Name(c, "C");
  Pump();
  MessageLog::Get().Clear();
  g_painted.clear();
  RECT r{0, 0, 10, 10};
  InvalidateRect(w_, &r, FALSE);
  Pump();
  // The parent does not clip its children, so the overlapped part of the
  // child is invalid too, in the child's own coordinates.
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"P WM_PAINT", "C WM_PAINT"}));
  EXPECT_EQ(g_painted, (std::vector<RECT>{{0, 0, 10, 10}, {0, 0, 5, 5}}));
}

TEST_F(Paint, GrowingRepaintsOnlyTheNewStripsUnlessTheClassAsksForAll) {
  SetWindowPos(w_, nullptr, 0, 0, 120, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  EXPECT_EQ(g_painted, (std::vector<RECT>{{100, 0, 120, 80}}));
}

}  // namespace
}  // namespace tess::test
