// Message sequences of window creation, showing, activation, focus,
// hiding and destruction, compared whole.
#include <gtest/gtest.h>

#include "platform/message_log.h"

namespace tess::test {
namespace {

class WindowMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    Pump();
    MessageLog::Get().Clear();
  }
  void TearDown() override {
    for (HWND h : made_)
      if (IsWindow(h)) DestroyWindow(h);
    Pump();
    MessageLog::Get().Clear();
  }
  HWND Keep(HWND h) {
    made_.push_back(h);
    return h;
  }
  std::vector<HWND> made_;
};

TEST_F(WindowMessages, CreatingAHiddenTopLevelWindow) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW));
  ASSERT_TRUE(a);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_NCCREATE", "A WM_NCCALCSIZE", "A WM_CREATE", "A WM_SIZE", "A WM_MOVE"}));
  EXPECT_FALSE(IsWindowVisible(a));
}

TEST_F(WindowMessages, CreatingAVisibleWindowShowsAndActivatesIt) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_NCCREATE", "A WM_NCCALCSIZE", "A WM_CREATE", "A WM_SIZE", "A WM_MOVE",
                 "A WM_SHOWWINDOW 1", "A WM_WINDOWPOSCHANGING", "A WM_WINDOWPOSCHANGED",
                 "A WM_ACTIVATEAPP 1", "A WM_NCACTIVATE 1", "A WM_ACTIVATE 1", "A WM_SETFOCUS"}));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
}

TEST_F(WindowMessages, ChildCreationNotifiesTheParent) {
  HWND p = Keep(Make("P", WS_OVERLAPPEDWINDOW));
  MessageLog::Get().Clear();
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, p, 5, 5, 50, 20);
  ASSERT_TRUE(c);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"C WM_NCCREATE", "C WM_NCCALCSIZE", "C WM_CREATE", "C WM_SIZE", "C WM_MOVE",
                 "P WM_PARENTNOTIFY", "C WM_SHOWWINDOW 1", "C WM_WINDOWPOSCHANGING",
                 "C WM_WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetParent(c), p);
}

TEST_F(WindowMessages, ActivationMovesBetweenWindowsAndFocusFollows) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
  HWND b = Keep(Make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 50, 50));
  MessageLog::Get().Clear();
  SetActiveWindow(a);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"B WM_NCACTIVATE 0", "B WM_ACTIVATE 0", "A WM_NCACTIVATE 1", "A WM_ACTIVATE 1",
                 "B WM_KILLFOCUS", "A WM_SETFOCUS"}));
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(GetTopWindow(nullptr), a);
  (void)b;
}

TEST_F(WindowMessages, FocusChangesBetweenChildren) {
  HWND p = Keep(Make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
  HWND c1 = Make("C1", WS_CHILD | WS_VISIBLE, p, 0, 0, 20, 20);
  HWND c2 = Make("C2", WS_CHILD | WS_VISIBLE, p, 30, 0, 20, 20);
  MessageLog::Get().Clear();
  EXPECT_EQ(SetFocus(c1), p);
  EXPECT_EQ(SetFocus(c2), c1);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"P WM_KILLFOCUS", "C1 WM_SETFOCUS", "C1 WM_KILLFOCUS", "C2 WM_SETFOCUS"}));
  // Hiding the focused child gives the focus back to its parent.
  ShowWindow(c2, SW_HIDE);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"C2 WM_SHOWWINDOW 0", "C2 WM_WINDOWPOSCHANGING", "C2 WM_WINDOWPOSCHANGED",
                 "C2 WM_KILLFOCUS", "P WM_SETFOCUS"}));
  EXPECT_EQ(GetFocus(), p);
}

TEST_F(WindowMessages, DestroyingSendsDestroyParentFirstAndNcDestroyChildFirst) {
  HWND p = Make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, p, 0, 0, 20, 20);
  Make("G", WS_CHILD | WS_VISIBLE, c, 0, 0, 5, 5);
  MessageLog::Get().Clear();
  EXPECT_TRUE(DestroyWindow(p));
  EXPECT_EQ(
      MessageLog::Get().Take(),
      (Seq{"P WM_WINDOWPOSCHANGING", "P WM_WINDOWPOSCHANGED", "P WM_NCACTIVATE 0",
           "P WM_ACTIVATE 0", "P WM_ACTIVATEAPP 0", "P WM_KILLFOCUS", "P WM_DESTROY",
           "C WM_DESTROY", "G WM_DESTROY", "G WM_NCDESTROY", "C WM_NCDESTROY", "P WM_NCDESTROY"}));
  EXPECT_FALSE(IsWindow(p));
  EXPECT_FALSE(IsWindow(c));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowMessages, ClosingTheActiveWindowActivatesTheNextOne) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
  HWND b = Make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 40, 40);
  MessageLog::Get().Clear();
  SendMessage(b, WM_CLOSE, 0, 0);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"B WM_CLOSE", "B WM_WINDOWPOSCHANGING", "B WM_WINDOWPOSCHANGED",
                 "B WM_NCACTIVATE 0", "B WM_ACTIVATE 0", "A WM_NCACTIVATE 1", "A WM_ACTIVATE 1",
                 "B WM_KILLFOCUS", "A WM_SETFOCUS", "B WM_DESTROY", "B WM_NCDESTROY"}));
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(WindowMessages, OwnedWindowsAreDestroyedBeforeTheirOwner) {
  HWND owner = Make("O", WS_OVERLAPPEDWINDOW);
  Make("D", WS_POPUP | WS_CAPTION, owner);
  MessageLog::Get().Clear();
  DestroyWindow(owner);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"D WM_DESTROY", "D WM_NCDESTROY", "O WM_DESTROY", "O WM_NCDESTROY"}));
}

TEST_F(WindowMessages, ApplicationDeactivationAndReactivation) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
  // B, hidden, is created in front of A: every top-level window hears of
  // the application's activation, in z-order.
  Keep(Make("B", WS_OVERLAPPEDWINDOW, nullptr, 30, 30));
  MessageLog::Get().Clear();
  SetActiveWindow(nullptr);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_NCACTIVATE 0", "A WM_ACTIVATE 0", "B WM_ACTIVATEAPP 0", "A WM_ACTIVATEAPP 0",
                 "A WM_KILLFOCUS"}));
  SetActiveWindow(a);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"B WM_ACTIVATEAPP 1", "A WM_ACTIVATEAPP 1", "A WM_NCACTIVATE 1", "A WM_ACTIVATE 1",
                 "A WM_SETFOCUS"}));
}

TEST_F(WindowMessages, MovingAndSizingReportOnlyWhatChanged) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW, nullptr, 10, 10, 200, 150));
  MessageLog::Get().Clear();
  MoveWindow(a, 20, 30, 200, 150, TRUE);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_WINDOWPOSCHANGING", "A WM_WINDOWPOSCHANGED", "A WM_MOVE"}));
  MoveWindow(a, 20, 30, 250, 150, TRUE);
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_WINDOWPOSCHANGING", "A WM_NCCALCSIZE",
                                           "A WM_WINDOWPOSCHANGED", "A WM_SIZE"}));
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{20, 30, 270, 180}));
}

TEST_F(WindowMessages, StyleChangesAreAnnounced) {
  HWND a = Keep(Make("A", WS_POPUP));
  MessageLog::Get().Clear();
  SetWindowLong(a, GWL_STYLE, LONG(WS_POPUP | WS_BORDER));
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_STYLECHANGING", "A WM_STYLECHANGED"}));
  EXPECT_EQ(DWORD(GetWindowLong(a, GWL_STYLE)), WS_POPUP | WS_BORDER);
}

TEST_F(WindowMessages, DisablingSendsEnableAndDropsFocus) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, a, 0, 0, 20, 20);
  SetFocus(c);
  MessageLog::Get().Clear();
  EXPECT_FALSE(EnableWindow(c, FALSE));
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"C WM_KILLFOCUS", "C WM_ENABLE"}));
  EXPECT_FALSE(IsWindowEnabled(c));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(c, TRUE));
}

// Structure: words, properties, text, relations, rectangles.
TEST_F(WindowMessages, WindowWordsPropertiesAndText) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW));
  EXPECT_EQ(SetWindowLong(a, 0, 0x12345678), 0);
  EXPECT_EQ(GetWindowLong(a, 0), 0x12345678);
  EXPECT_EQ(SetWindowLong(a, 4, 7), 0);
  SetLastError(0);
  EXPECT_EQ(GetWindowLong(a, 6), 0);  // past the extra bytes
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLong(a, -100), 0);
  int value = 5;
  EXPECT_TRUE(SetProp(a, "TSInstance", &value));
  EXPECT_EQ(GetProp(a, "tsinstance"), &value);
  EXPECT_EQ(RemoveProp(a, "TSINSTANCE"), &value);
  EXPECT_EQ(GetProp(a, "TSInstance"), nullptr);
  SetWindowText(a, "Hello");
  char buf[4];
  EXPECT_EQ(GetWindowText(a, buf, sizeof buf), 3);
  EXPECT_STREQ(buf, "Hel");
  EXPECT_EQ(GetWindowTextLength(a), 5);
  EXPECT_EQ(GetWindowTextString(a), "Hello");
}

TEST_F(WindowMessages, ClientAreaAndNonClientMetrics) {
  struct Row {
    DWORD style, exStyle;
    RECT client;  // for a 200 x 150 window at (10, 10)
  };
  const Row rows[] = {
      {WS_OVERLAPPEDWINDOW, 0, {0, 0, 192, 123}},                   // sizing border 4, caption 19
      {WS_POPUP | WS_CAPTION, 0, {0, 0, 194, 125}},                 // dialog frame 3
      {WS_POPUP | WS_BORDER, 0, {0, 0, 198, 148}},                  // border 1
      {WS_POPUP, WS_EX_CLIENTEDGE, {0, 0, 196, 146}},               // edge 2
      {WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, {0, 0, 194, 128}},  // small caption 16
  };
  for (const Row& row : rows) {
    HWND a = Make("A", row.style, nullptr, 10, 10, 200, 150, row.exStyle);
    RECT client, window;
    GetClientRect(a, &client);
    GetWindowRect(a, &window);
    EXPECT_EQ(client, row.client) << std::hex << row.style;
    RECT adjusted = client;
    POINT origin{0, 0};
    ClientToScreen(a, &origin);
    OffsetRect(&adjusted, origin.x, origin.y);
    AdjustWindowRectEx(&adjusted, row.style, FALSE, row.exStyle);
    EXPECT_EQ(adjusted, window);
    DestroyWindow(a);
  }
}

TEST_F(WindowMessages, CoordinatesConvertThroughNestedChildren) {
  HWND p = Keep(Make("P", WS_POPUP | WS_BORDER, nullptr, 100, 50, 300, 200));
  HWND c = Make("C", WS_CHILD | WS_BORDER, p, 10, 20, 100, 80);
  POINT pt{0, 0};
  ClientToScreen(c, &pt);
  EXPECT_EQ(pt, (POINT{100 + 1 + 10 + 1, 50 + 1 + 20 + 1}));
  ScreenToClient(p, &pt);
  EXPECT_EQ(pt, (POINT{11, 21}));
  POINT q{5, 5};
  MapWindowPoints(c, p, &q, 1);
  EXPECT_EQ(q, (POINT{16, 26}));
}

TEST_F(WindowMessages, ZOrderAndTopmost) {
  HWND a = Keep(Make("A", WS_POPUP | WS_VISIBLE));
  HWND b = Keep(Make("B", WS_POPUP | WS_VISIBLE));
  HWND t = Keep(Make("T", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 10, 10, WS_EX_TOPMOST));
  EXPECT_EQ(GetTopWindow(nullptr), t);
  SetActiveWindow(a);
  // Activation brings a window to the top, but not above topmost ones.
  EXPECT_EQ(GetWindow(t, GW_HWNDNEXT), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
}

TEST_F(WindowMessages, BadHandlesAndClassesFailCleanly) {
  HWND bogus = reinterpret_cast<HWND>(0x1234);
  EXPECT_FALSE(IsWindow(bogus));
  EXPECT_FALSE(DestroyWindow(bogus));
  EXPECT_EQ(SendMessage(bogus, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PostMessage(bogus, WM_USER, 0, 0));
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_EQ(
      CreateWindowEx(0, TestClass(), "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  HWND a = Make("A", WS_POPUP);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(SetWindowText(a, "x"));
  WNDCLASS again;
  again.lpfnWndProc = RecordingProc;
  again.lpszClassName = "testwindow";
  EXPECT_EQ(RegisterClass(&again), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
}

// A window that refuses creation is gone, and its creator gets nothing.
LRESULT Refuse(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  MessageLog::Get().Record(hwnd, msg, w, l);
  if (msg == WM_CREATE) return -1;
  return DefWindowProc(hwnd, msg, w, l);
}

TEST_F(WindowMessages, CreateReturningMinusOneDestroysTheWindow) {
  WNDCLASS wc;
  wc.lpfnWndProc = Refuse;
  wc.lpszClassName = "Refuser";
  RegisterClass(&wc);
  HWND h =
      CreateWindowEx(0, "Refuser", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"? WM_NCCREATE", "? WM_NCCALCSIZE", "? WM_CREATE",
                                           "? WM_DESTROY", "? WM_NCDESTROY"}));
}

}  // namespace
}  // namespace tess::test

namespace tess::test {
namespace {

TEST(Reparenting, MovesAWindowButNeverUnderItself) {
  HWND a = Make("A", WS_POPUP);
  HWND b = Make("B", WS_POPUP);
  HWND c = Make("C", WS_CHILD, b, 0, 0, 10, 10);
  EXPECT_EQ(SetParent(b, a), GetDesktopWindow());
  EXPECT_EQ(SetParent(a, c), nullptr);  // c is under b, which is now under a
  EXPECT_EQ(SetParent(a, a), nullptr);
  EXPECT_EQ(GetAncestor(c, GA_ROOT), a);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(c));
}

}  // namespace
}  // namespace tess::test
