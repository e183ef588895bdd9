// The colour dialog driven by scripts: answered by the script's command,
// by keys, cancelled, and left unanswered; and its look.
#include <gtest/gtest.h>
#include <algorithm>

#include <memory>
#include <string>

#include "platform/comdlg/commdlg.h"
#include "platform/user/automation.h"
#include "platform/user/desktop.h"
#include "platform/user/winuser.h"
#include "reference_picture.h"

namespace tess::platform {
namespace {

// The owner's frame, as the fixture makes it.
constexpr RECT kOwner{10, 10, 210, 160};

struct Asked {
  COLORREF initial = 0;
  BOOL answered = -1;
  COLORREF result = 0;
};
Asked* g_asked = nullptr;

constexpr UINT kAsk = WM_APP + 1;

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kAsk) return DefWindowProc(hwnd, msg, wParam, lParam);
  CHOOSECOLOR request;
  request.hwndOwner = hwnd;
  request.Flags = CC_RGBINIT;
  request.rgbResult = g_asked->initial;
  request.title = "Pick a colour";
  g_asked->answered = ChooseColor(&request);
  g_asked->result = request.rgbResult;
  return 0;
}

class ColorDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      WNDCLASS wc;
      wc.lpfnWndProc = OwnerProc;
      wc.lpszClassName = "ColorDialogOwner";
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    owner_ = CreateWindowEx(0, "ColorDialogOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            kOwner.left, kOwner.top, kOwner.right - kOwner.left,
                            kOwner.bottom - kOwner.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override { DestroyWindow(owner_); }

  // Asks from inside a dispatched message, as an application does, while
  // the script runs; the script's lines after the first answer the dialog.
  Asked Ask(COLORREF initial, const std::string& answer, std::string* error = nullptr) {
    Asked asked;
    asked.initial = initial;
    g_asked = &asked;
    PostMessage(owner_, kAsk, 0, 0);
    std::string why;
    bool ran = automation::RunScript("idle\n" + answer, &why);
    if (error) *error = why;
    EXPECT_TRUE(ran || error) << why;
    g_asked = nullptr;
    EXPECT_EQ(FindWindow(automation::kColorDialogClass, nullptr), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    return asked;
  }
  HWND owner_ = nullptr;
};

TEST_F(ColorDialog, AnsweredByScriptKeysOrCancel) {
  const struct {
    const char* name;
    COLORREF initial;
    const char* answer;
    BOOL answered;
    COLORREF result;
  } kCases[] = {
      {"script colour", 0xFF0000, "color 336699", TRUE, 0x336699},
      {"script cancel", 0xFF0000, "color cancel", FALSE, 0xFF0000},
      {"arrow then enter", 0xFF0000, "key right\nkey enter", TRUE, 0xFFFF00},
      {"arrow down wraps", 0xFFFFFF, "key down\nkey enter", TRUE, 0xFF80FF},
      {"escape", 0x00FF00, "key right\nkey esc", FALSE, 0x00FF00},
      {"tab to cancel", 0x000000, "key tab\nkey enter", FALSE, 0x000000},
      {"script ends unanswered", 0x808080, "idle", FALSE, 0x808080},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Asked asked = Ask(c.initial, c.answer);
    EXPECT_EQ(asked.answered, c.answered);
    EXPECT_EQ(asked.result, c.result);
  }
}

// Where a point of the dialog's client area is on the desktop: the dialog
// is centred on its owner, kept on the screen, its client area 236 x 195
// (the layout color_dialog.png shows).
POINT OnDesktop(int x, int y) {
  RECT frame{0, 0, 236, 195};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
  int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
  return {std::max<int>(0, (kOwner.left + kOwner.right - fw) / 2) - frame.left + x,
          std::max<int>(0, (kOwner.top + kOwner.bottom - fh) / 2) - frame.top + y};
}

std::string Click(const char* how, int x, int y) {
  POINT p = OnDesktop(x, y);
  return std::string(how) + " " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
}

// The centre of basic colour `index`, and of the OK and Cancel buttons.
std::string Swatch(const char* how, int index) {
  return Click(how, 8 + index % 8 * 28 + 12, 26 + index / 8 * 22 + 9);
}
const std::string kOk = Click("click", 126, 175), kCancel = Click("click", 196, 175);

TEST_F(ColorDialog, AnsweredWithTheMouse) {
  const struct {
    const char* name;
    std::string answer;
    BOOL answered;
    COLORREF result;
  } kCases[] = {
      {"double click", Swatch("doubleclick", 12), TRUE, 0x00FFFF},
      {"click then OK", Swatch("click", 25) + kOk, TRUE, 0xFF8000},
      {"click then Cancel", Swatch("click", 25) + kCancel, FALSE, 0x123456},
      {"press OK, leave, release",
       Click("down", 126, 175) + Click("move", 20, 20) + "up\n" + kCancel, FALSE, 0x123456},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Asked asked = Ask(0x123456, c.answer);
    EXPECT_EQ(asked.answered, c.answered);
    EXPECT_EQ(asked.result, c.result);
  }
}

TEST_F(ColorDialog, RefusesAnswersItCannotRead) {
  std::string error;
  Asked asked = Ask(0, "color 12345\ncolor cancel", &error);
  EXPECT_EQ(error, "line 2: color needs RRGGBB or cancel");
  EXPECT_EQ(asked.answered, FALSE);
  EXPECT_FALSE(automation::RunScript("color 112233", &error));
  EXPECT_EQ(error, "line 1: no colour dialog is open");
}

TEST_F(ColorDialog, ClassicLook) {
  Asked asked = Ask(0x0000FF, "screenshot-window color_dialog.png Pick a colour\ncolor cancel");
  EXPECT_EQ(asked.answered, FALSE);
  auto picture = gdi::ReadPng("color_dialog.png");
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(test::MatchesReference(*picture, "color_dialog.png"));
}

}  // namespace
}  // namespace tess::platform
