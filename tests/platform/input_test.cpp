// Input turned into messages: mouse routing, activation by click, capture,
// double clicks, the wheel, keys and characters, key state, and frame
// dragging and sizing.
#include <gtest/gtest.h>

#include <thread>

#include "platform/message_log.h"
#include "platform/user/input.h"

namespace tess::test {
namespace {

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    Pump();
    MessageLog::Get().Clear();
  }
  void TearDown() override {
    for (HWND h : made_)
      if (IsWindow(h)) DestroyWindow(h);
    if (GetCapture()) ReleaseCapture();
    input::MouseMove(1000, 700);
    Pump();
    MessageLog::Get().Clear();
  }
  HWND Keep(HWND h) {
    made_.push_back(h);
    return h;
  }
  std::vector<HWND> made_;
};

void Click(int x, int y) {
  input::MouseMove(x, y);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
}

TEST_F(Input, ClickingAnInactiveWindowActivatesItThenClicks) {
  HWND a = Keep(Make("A", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100));
  HWND b = Keep(Make("B", WS_POPUP | WS_VISIBLE, nullptr, 200, 0, 100, 100));
  Pump();
  MessageLog::Get().Clear();
  Click(20, 30);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_MOUSEMOVE", "A WM_MOUSEACTIVATE", "B WM_NCACTIVATE 0", "B WM_ACTIVATE 0",
                 "A WM_NCACTIVATE 1", "A WM_ACTIVATE 2", "B WM_KILLFOCUS", "A WM_SETFOCUS",
                 "A WM_LBUTTONDOWN", "A WM_LBUTTONUP"}));
  EXPECT_EQ(GetActiveWindow(), a);
  (void)b;
}

LPARAM g_lastPoint;
LRESULT PointProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) g_lastPoint = l;
  return RecordingProc(hwnd, msg, w, l);
}

TEST_F(Input, ClicksGoToTheDeepestEnabledChildInItsCoordinates) {
  HWND p = Keep(Make("P", WS_POPUP | WS_VISIBLE | WS_BORDER, nullptr, 10, 10, 200, 200));
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, p, 20, 30, 50, 50);
  SetWindowLong(c, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(PointProc)));
  Pump();
  MessageLog::Get().Clear();
  Click(10 + 1 + 20 + 5, 10 + 1 + 30 + 6);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"C WM_MOUSEMOVE", "C WM_LBUTTONDOWN", "C WM_LBUTTONUP"}));
  EXPECT_EQ(g_lastPoint, MAKELPARAM(5, 6));
  EnableWindow(c, FALSE);
  MessageLog::Get().Clear();
  Click(10 + 1 + 20 + 7, 10 + 1 + 30 + 6);
  Pump();
  // A disabled child's clicks go to its parent.
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"P WM_MOUSEMOVE", "P WM_LBUTTONDOWN", "P WM_LBUTTONUP"}));
}

TEST_F(Input, CaptureRedirectsMouseMessages) {
  HWND a = Keep(Make("A", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100));
  Keep(Make("B", WS_POPUP | WS_VISIBLE, nullptr, 300, 0, 100, 100));
  SetActiveWindow(a);
  Pump();
  SetCapture(a);
  MessageLog::Get().Clear();
  SetWindowLong(a, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(PointProc)));
  input::MouseMove(350, 50);  // over B, but A holds the capture
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_MOUSEMOVE"}));
  EXPECT_EQ(g_lastPoint, MAKELPARAM(350, 50));
  ReleaseCapture();
  input::MouseMove(351, 50);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"A WM_CAPTURECHANGED", "B WM_MOUSEMOVE"}));
}

TEST_F(Input, DoubleClicksNeedTheClassStyleAndNearbyPresses) {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "DoubleClicker";
  static ATOM atom = RegisterClass(&wc);
  ASSERT_TRUE(atom);
  HWND d = Keep(CreateWindowEx(0, "DoubleClicker", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr));
  MessageLog::Get().Name(d, "D");
  HWND s = Keep(Make("S", WS_POPUP | WS_VISIBLE, nullptr, 100, 0, 50, 50));
  SetActiveWindow(d);
  Pump();
  MessageLog::Get().Clear();
  Click(10, 10);
  Click(10, 10);
  Click(110, 10);
  Click(110, 10);
  SetActiveWindow(s);
  Pump();
  Seq log = MessageLog::Get().Take();
  Seq buttons;
  for (auto& e : log)
    if (e.find("BUTTON") != std::string::npos) buttons.push_back(e);
  EXPECT_EQ(buttons,
            (Seq{"D WM_LBUTTONDOWN", "D WM_LBUTTONUP", "D WM_LBUTTONDBLCLK", "D WM_LBUTTONUP",
                 "S WM_LBUTTONDOWN", "S WM_LBUTTONUP", "S WM_LBUTTONDOWN", "S WM_LBUTTONUP"}));
}

TEST_F(Input, KeysGoToTheFocusAndTranslateToCharacters) {
  HWND a = Keep(Make("A", WS_POPUP | WS_VISIBLE));
  SetFocus(a);
  Pump();
  MessageLog::Get().Clear();
  input::Type("a!");
  MSG m;
  std::vector<WPARAM> chars;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_CHAR) chars.push_back(m.wParam);
    if (m.message == WM_KEYDOWN && m.wParam == '1') {
      EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', '!'}));
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_KEYDOWN", "A WM_CHAR", "A WM_KEYUP", "A WM_KEYDOWN", "A WM_KEYDOWN",
                 "A WM_CHAR", "A WM_KEYUP", "A WM_KEYUP"}));
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
}

TEST_F(Input, AltMakesSystemKeysAndAltF4Closes) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Pump();
  MessageLog::Get().Clear();
  input::Key(VK_MENU, true);
  input::Key(VK_F4, true);
  input::Key(VK_F4, false);
  input::Key(VK_MENU, false);
  Pump();
  Seq log = MessageLog::Get().Take();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "A WM_SYSKEYDOWN");
  EXPECT_EQ(log[1], "A WM_SYSKEYDOWN");
  EXPECT_EQ(log[2], "A WM_SYSCOMMAND");
  EXPECT_EQ(log[3], "A WM_CLOSE");
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(Input, NonAsciiCharactersTravelAsPackets) {
  HWND a = Keep(Make("A", WS_POPUP | WS_VISIBLE));
  SetFocus(a);
  Pump();
  input::Type("\xC3\xA9");  // e acute
  MSG m;
  std::vector<WPARAM> chars;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_CHAR) chars.push_back(m.wParam);
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EXPECT_EQ(chars, (std::vector<WPARAM>{0xE9}));
}

TEST_F(Input, WheelGoesToTheFocusAndUpToItsParent) {
  HWND p = Keep(Make("P", WS_POPUP | WS_VISIBLE));
  HWND c = Make("C", WS_CHILD | WS_VISIBLE, p, 0, 0, 10, 10);
  SetFocus(c);
  Pump();
  MessageLog::Get().Clear();
  input::Wheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(MessageLog::Get().Take(), (Seq{"C WM_MOUSEWHEEL", "P WM_MOUSEWHEEL"}));
}

TEST_F(Input, DraggingTheCaptionMovesAndTheBorderSizes) {
  HWND a = Keep(Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 200, 150));
  Pump();
  MessageLog::Get().Clear();
  input::MouseMove(150, 110);  // on the caption
  input::MouseButton(input::kLeft, true);
  input::MouseMove(170, 130);
  input::MouseButton(input::kLeft, false);
  Pump();
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{120, 120, 320, 270}));
  Seq log = MessageLog::Get().Take();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "A WM_NCMOUSEMOVE");
  EXPECT_EQ(log.back(), "A WM_EXITSIZEMOVE");
  input::MouseMove(319, 200);  // the right border
  input::MouseButton(input::kLeft, true);
  input::MouseMove(339, 200);
  input::MouseButton(input::kLeft, false);
  Pump();
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{120, 120, 340, 270}));
  Seq sizing = MessageLog::Get().Take();
  EXPECT_NE(std::find(sizing.begin(), sizing.end(), "A WM_SIZING"), sizing.end());
}

TEST_F(Input, TheCloseButtonClosesWhenReleasedOverIt) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 200, 150);
  Pump();
  RECT r;
  GetWindowRect(a, &r);
  POINT close{r.right - 4 - 2 - 8, r.top + 4 + 2 + 7};
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(close.x, close.y)), HTCLOSE);
  input::MouseMove(close.x, close.y);
  input::MouseButton(input::kLeft, true);
  input::MouseMove(close.x - 100, close.y);  // slid off: nothing happens
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_TRUE(IsWindow(a));
  Click(close.x, close.y);
  Pump();
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(Input, BeepsAreRecorded) {
  input::TakeBeeps();
  MessageBeep(0x30);
  MessageBeep(0);
  EXPECT_EQ(input::TakeBeeps(), (std::vector<UINT>{0x30, 0}));
}

}  // namespace
}  // namespace tess::test

namespace tess::test {
namespace {

LRESULT ClampingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_SIZING) {
    // The size clamp of the runtime: the dragged edge stops at 250 wide.
    auto* r = reinterpret_cast<RECT*>(l);
    if (r->right - r->left > 250) r->right = r->left + 250;
    return 1;
  }
  return RecordingProc(hwnd, msg, w, l);
}

TEST(Sizing, TheSizingMessageCanClampTheDraggedEdge) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 200, 150);
  SetWindowLong(a, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(ClampingProc)));
  Pump();
  input::MouseMove(299, 200);  // the right border
  input::MouseButton(input::kLeft, true);
  input::MouseMove(400, 200);
  input::MouseButton(input::kLeft, false);
  Pump();
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{100, 100, 350, 250}));
  DestroyWindow(a);
}

TEST(ApplicationActivation, AnotherApplicationTakesAndGivesBackActivation) {
  HWND a = Make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND b = Make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 30, 30);
  SetActiveWindow(a);
  Pump();
  MessageLog::Get().Clear();
  input::ApplicationActivation(false);
  Pump();
  EXPECT_EQ(GetActiveWindow(), nullptr);
  input::ApplicationActivation(true);
  Pump();
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"A WM_NCACTIVATE 0", "A WM_ACTIVATE 0", "A WM_ACTIVATEAPP 0", "B WM_ACTIVATEAPP 0",
                 "A WM_KILLFOCUS", "A WM_ACTIVATEAPP 1", "B WM_ACTIVATEAPP 1", "A WM_NCACTIVATE 1",
                 "A WM_ACTIVATE 1", "A WM_SETFOCUS"}));
  std::vector<HWND> seen;
  EnumWindows(
      [](HWND h, LPARAM l) {
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{a, b}));
  DestroyWindow(a);
  DestroyWindow(b);
  Pump();
}

}  // namespace
}  // namespace tess::test

namespace tess::test {
namespace {

TEST(Modal, ClickingADisabledOwnerBeepsAndBringsItsDialogForward) {
  HWND owner = Make("O", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 0, 300, 200);
  HWND dialog = Make("D", WS_POPUP | WS_CAPTION | WS_VISIBLE, owner, 400, 0, 100, 100);
  EnableWindow(owner, FALSE);
  SetActiveWindow(owner);  // the owner in front, as after another application
  Pump();
  input::TakeBeeps();
  MessageLog::Get().Clear();
  input::MouseMove(50, 50);
  input::MouseButton(input::kLeft, true);
  input::MouseButton(input::kLeft, false);
  Pump();
  EXPECT_EQ(input::TakeBeeps(), (std::vector<UINT>{0}));
  EXPECT_EQ(GetActiveWindow(), dialog);
  for (const std::string& e : MessageLog::Get().Take())
    EXPECT_EQ(e.find("BUTTON"), std::string::npos) << e;
  DestroyWindow(owner);
}

TEST(Threads, OnlyTheOwningThreadDestroysAWindow) {
  HWND a = Make("A", WS_POPUP);
  BOOL destroyed = TRUE;
  DWORD error = 0;
  std::thread other([&] {
    destroyed = DestroyWindow(a);
    error = GetLastError();
  });
  other.join();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(DestroyWindow(a));
}

}  // namespace
}  // namespace tess::test
