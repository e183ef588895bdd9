// Scripts and the programmatic automation interface.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/gdi/png.h"
#include "platform/message_log.h"
#include "platform/reference_picture.h"
#include "platform/user/automation.h"
#include "platform/user/desktop.h"
#include "platform/user/input.h"
#include "test_support.h"

namespace tess::test {
namespace {

std::string g_typed;
LRESULT TypingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_CHAR) g_typed += char(w);
  if (msg == WM_LBUTTONDOWN) g_typed += "<click>";
  if (msg == WM_RBUTTONUP) g_typed += "<menu>";
  if (msg == WM_KEYDOWN && w == 'S' && GetKeyState(VK_CONTROL) < 0) g_typed += "<save>";
  return RecordingProc(hwnd, msg, w, l);
}

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    g_typed.clear();
    w_ = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 0, 300, 200);
    SetWindowText(w_, "Target");
    SetWindowLong(w_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(TypingProc)));
    automation::WaitIdle();
  }
  void TearDown() override {
    if (IsWindow(w_)) DestroyWindow(w_);
    automation::WaitIdle();
  }
  HWND w_;
};

TEST_F(Automation, ScriptsClickTypeAndPressChords) {
  std::string error;
  ASSERT_TRUE(
      automation::RunScript("# a comment\n"
                            "click 50 60\n"
                            "type Hi there\\n\n"
                            "key ctrl+s\n"
                            "down 60 60 right\n"
                            "up right\n",
                            &error))
      << error;
  // Control with a letter makes the control character, as on the platform.
  EXPECT_EQ(g_typed, "<click>Hi there\r<save>\x13<menu>");
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
}

TEST_F(Automation, ScriptErrorsNameTheLine) {
  struct Row {
    const char* script;
    const char* error;
  };
  const Row rows[] = {
      {"idle\nfly 1 2\n", "line 2: unknown command 'fly'"},
      {"click 10\n", "line 1: click needs X and Y"},
      {"click 1 2 thumb\n", "line 1: unknown button 'thumb'"},
      {"key ctrl+nosuchkey\n", "line 1: unknown key 'ctrl+nosuchkey'"},
      {"\n\nscreenshot-window out.png No Such Window\n",
       "line 3: no window 'No Such Window' or cannot write out.png"},
  };
  for (const Row& row : rows) {
    std::string error;
    EXPECT_FALSE(automation::RunScript(row.script, &error)) << row.script;
    EXPECT_EQ(error, row.error);
  }
  std::string error;
  EXPECT_FALSE(automation::RunScriptFile("/no/such/script", &error));
  EXPECT_EQ(error, "cannot read /no/such/script");
}

// A window made later, by a posted message, is waited for by its title.
LRESULT MakesAWindowLater(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER) Make("Report", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 40, 40, 100, 80);
  return RecordingProc(hwnd, msg, w, l);
}

TEST_F(Automation, WaitWindowWaitsForATitle) {
  SetWindowLong(w_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(MakesAWindowLater)));
  PostMessage(w_, WM_USER, 0, 0);
  std::string error;
  EXPECT_TRUE(automation::RunScript("wait-window Report\nwait-window Target\n", &error)) << error;
  HWND later = FindWindow(nullptr, "Report");
  ASSERT_TRUE(later);
  DestroyWindow(later);
  EXPECT_EQ(automation::WaitForWindow("No Such Window", 30), nullptr);
  EXPECT_FALSE(automation::RunScript("wait-window\n", &error));
  EXPECT_EQ(error, "line 1: wait-window needs a title");
}

TEST_F(Automation, ScreenshotsFromAScriptFile) {
  TempDir dir;
  std::string script = dir.File("run.txt");
  std::ofstream(script) << "screenshot " << dir.File("desk.png") << "\n"
                        << "screenshot-window " << dir.File("win.png") << " Target\n";
  setenv("TESSERA_SCRIPT", script.c_str(), 1);
  std::string error;
  EXPECT_TRUE(automation::RunScriptFromSetting(&error)) << error;
  unsetenv("TESSERA_SCRIPT");
  auto desk = gdi::ReadPng(dir.File("desk.png"));
  auto win = gdi::ReadPng(dir.File("win.png"));
  ASSERT_TRUE(desk && win);
  EXPECT_EQ(desk->width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(win->width(), 300);
  EXPECT_EQ(win->height(), 200);
  EXPECT_EQ(win->Get(150, 100), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(win->Get(150, 10), desk->Get(150, 10));  // the caption, as on the desktop
}

}  // namespace
}  // namespace tess::test

namespace tess::test {
namespace {

// With a presenter, a message box is a real dialog answered by input. The
// test's presenter plays the user: it sees the dialog, then presses keys.
TEST(PresentedMessageBox, AnswersTheKeyboardAndTheMouse) {
  unsetenv("TESSERA_MSGBOX_ANSWER");
  HWND owner = Make("Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 0, 300, 200);
  automation::WaitIdle();
  struct Step {
    std::vector<int> keys;
    bool click;
    unsigned type;
    int expected;
  };
  const Step steps[] = {
      {{VK_RETURN}, false, MB_YESNO | MB_ICONQUESTION, IDYES},
      {{VK_TAB, VK_RETURN}, false, MB_YESNO, IDNO},
      {{VK_ESCAPE}, false, MB_OKCANCEL | MB_DEFBUTTON1, IDCANCEL},
      {{}, true, MB_OK | MB_ICONSTOP, IDOK},
  };
  for (const Step& step : steps) {
    auto presenter = std::make_shared<desktop::Presenter>();
    int calls = 0;
    bool ownerDisabled = false;
    presenter->idle = [&] {
      if (calls++) return;
      HWND dlg = GetActiveWindow();
      ownerDisabled = !IsWindowEnabled(owner);
      if (step.click) {
        // The only button sits centred at the bottom of the dialog.
        RECT r;
        GetWindowRect(dlg, &r);
        automation::Click((r.left + r.right) / 2, r.bottom - 3 - 12 - 11);
      }
      for (int vk : step.keys) {
        input::Key(vk, true);
        input::Key(vk, false);
      }
    };
    desktop::SetPresenter(presenter);
    int answer = MessageBox(owner, "Save the changes to this document?", "Tessera", step.type);
    desktop::SetPresenter(nullptr);
    EXPECT_EQ(answer, step.expected) << step.type;
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
  }
  DestroyWindow(owner);
}

// The box's buttons are the standard push buttons: the default one framed
// and holding the focus ring.
TEST(PresentedMessageBox, LooksLikeAnyDialog) {
  unsetenv("TESSERA_MSGBOX_ANSWER");
  auto presenter = std::make_shared<desktop::Presenter>();
  std::unique_ptr<gdi::Surface> picture;
  int calls = 0;
  presenter->idle = [&] {
    if (calls++) return;
    picture = desktop::CaptureWindow(GetActiveWindow());
    input::Key(VK_ESCAPE, true);
    input::Key(VK_ESCAPE, false);
  };
  desktop::SetPresenter(presenter);
  int answer = MessageBox(nullptr, "Save the changes to this document?", "Tessera",
                          MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
  desktop::SetPresenter(nullptr);
  EXPECT_EQ(answer, IDCANCEL);
  ASSERT_TRUE(picture);
  EXPECT_TRUE(MatchesReference(*picture, "message_box_buttons.png"));
}

}  // namespace
}  // namespace tess::test
