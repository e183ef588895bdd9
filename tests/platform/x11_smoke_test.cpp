// The desktop shown on a real X server: a virtual one (Xvfb) started for
// this program, which skips when Xvfb is not installed. A message box
// raised before any window exists is shown there and answers the keyboard;
// a window with a menu bar follows it, and its menu opens; the display's
// two screens are the monitors.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_log.h"
#include "platform/user/automation.h"
#include "platform/user/window_internal.h"
#include "platform/virtual_server.h"

namespace tess::test {
namespace {

TEST(X11Desktop, AMessageBoxBeforeAnyWindowIsShownThereAndAnswered) {
  std::string xvfb = FindOnPath("Xvfb");
  if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualServer server;
  ASSERT_TRUE(server.StartForDesktop(xvfb));
  unsetenv("TESSERA_MSGBOX_ANSWER");

  // Keys typed ahead reach the box once it has the focus: Tab moves from
  // Yes to No. Answered headless, the box would take its default, Yes.
  for (int vk : {VK_TAB, VK_RETURN}) {
    input::Key(vk, true);
    input::Key(vk, false);
  }
  EXPECT_EQ(MessageBox(nullptr, "Shown before any window", "Smoke", MB_YESNO), IDNO);
  ASSERT_TRUE(user::CurrentPresenter()) << "the desktop is not presented";

  HMENU bar = CreateMenu(), file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 1, "&Quit");
  AppendMenuA(bar, MF_POPUP, UINT_PTR(file), "&File");
  HWND w = CreateWindowEx(0, TestClass(), "Smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                          200, nullptr, bar, nullptr, nullptr);
  ASSERT_TRUE(w);
  automation::WaitIdle();
  ASSERT_TRUE(automation::PressKeys("alt+f"));
  automation::WaitIdle();
  EXPECT_TRUE(FindWindow("#32768", nullptr));
  EndMenu();
  DestroyWindow(w);
  automation::WaitIdle();

  // Presented, each screen of the display is a monitor: the first holds the
  // desktop, the second stands to its right at the display's size.
  std::vector<MONITORINFO> monitors;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR m, HDC, RECT*, LPARAM data) -> BOOL {
        MONITORINFO info;
        GetMonitorInfo(m, &info);
        reinterpret_cast<std::vector<MONITORINFO>*>(data)->push_back(info);
        return TRUE;
      },
      LPARAM(&monitors));
  ASSERT_EQ(monitors.size(), 2u);
  RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT second{desktop.right, 0, desktop.right + 640, 480};
  EXPECT_TRUE(EqualRect(&monitors[0].rcMonitor, &desktop));
  EXPECT_TRUE(EqualRect(&monitors[1].rcMonitor, &second));
  EXPECT_EQ(monitors[0].dwFlags, DWORD(MONITORINFOF_PRIMARY));
  EXPECT_EQ(monitors[1].dwFlags, 0u);
  EXPECT_EQ(monitors[0].bitsPerPixel, 24u);
  EXPECT_EQ(monitors[1].bitsPerPixel, 24u);
}

}  // namespace
}  // namespace tess::test
