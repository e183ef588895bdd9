// The print and page-setup dialogs answered by a script that their hook
// starts once they are shown: what each returns for the keys a user presses,
// the answers they refuse with a message, and the cancel paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/comdlg/commdlg.h"
#include "platform/user/automation.h"
#include "platform/user/message_box.h"

namespace tess::test {
namespace {

using namespace tess::platform;

std::string g_script;

UINT RunScriptHook(HWND, UINT msg, WPARAM, LPARAM) {
  std::string error;
  if (msg == WM_INITDIALOG && !automation::RunScript(g_script, &error)) ADD_FAILURE() << error;
  return 0;
}

class PrintDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      return DefaultButton(r.type);
    });
  }
  void TearDown() override { SetMessageBoxHook(nullptr); }

  // The print dialog over `mode` with `script` (a closing Esc keeps a
  // script that fails to answer from leaving it up).
  BOOL Print(const std::string& script, PRINTDLGA* pd) {
    g_script = script + "\nkey esc";
    pd->devMode = &mode_;
    pd->Flags |= PD_ENABLEHOOK;
    pd->lpfnPrintHook = RunScriptHook;
    return PrintDlg(pd);
  }
  BOOL PageSetup(const std::string& script, PAGESETUPDLGA* psd) {
    g_script = script + "\nkey esc";
    psd->devMode = &mode_;
    psd->Flags |= PSD_ENABLEPAGESETUPHOOK;
    psd->lpfnPageSetupHook = RunScriptHook;
    return PageSetupDlg(psd);
  }

  DEVMODE mode_;
  std::vector<std::string> boxes_;
};

// Tab stops of the print dialog from the printer's list box.
const char kToCopies[] = "key tab\nkey tab\nkey tab\nkey tab\nkey tab\n";

TEST_F(PrintDialogs, CopiesAndPageRangeComeBackInBothPlaces) {
  PRINTDLGA pd;
  ASSERT_TRUE(Print(std::string(kToCopies) + "type 3\nkey tab\nkey space\nkey enter", &pd));
  EXPECT_EQ(pd.nCopies, 3);
  EXPECT_EQ(mode_.dmCopies, 3);
  EXPECT_TRUE(pd.Flags & PD_COLLATE);
  EXPECT_FALSE(pd.Flags & PD_PAGENUMS);
  EXPECT_EQ(mode_.dmFromPage, 0);
  EXPECT_STREQ(mode_.dmDeviceName, DefaultPrinterName().c_str());

  // Typing a page number chooses "Pages".
  PRINTDLGA ranged;
  ASSERT_TRUE(Print("key tab\nkey tab\nkey tab\ntype 2\nkey tab\ntype 4\nkey enter", &ranged));
  EXPECT_TRUE(ranged.Flags & PD_PAGENUMS);
  EXPECT_EQ(ranged.nFromPage, 2);
  EXPECT_EQ(ranged.nToPage, 4);
  EXPECT_EQ(mode_.dmFromPage, 2);
  EXPECT_EQ(mode_.dmToPage, 4);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PrintDialogs, RefusesRangesAndCopiesThatCannotPrint) {
  const char* scripts[] = {
      "key tab\nkey tab\nkey tab\ntype 5\nkey tab\ntype 2\nkey enter",  // backwards
      "key tab\nkey tab\nkey tab\ntype 0\nkey tab\ntype 2\nkey enter",  // before the first
      "key tab\nkey tab\nkey tab\nkey tab\ntype 3\nkey enter",          // no first page
  };
  for (const char* script : scripts) {
    boxes_.clear();
    PRINTDLGA pd;
    pd.nMinPage = 1;
    pd.nMaxPage = 9;
    EXPECT_FALSE(Print(script, &pd)) << script;
    ASSERT_EQ(boxes_.size(), 1u) << script;
    EXPECT_NE(boxes_[0].find("page range"), std::string::npos);
  }
  boxes_.clear();
  PRINTDLGA pd;
  EXPECT_FALSE(Print(std::string(kToCopies) + "key backspace\nkey enter", &pd));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("copies"), std::string::npos);
  EXPECT_EQ(mode_.dmCopies, 1);  // unchanged by a cancelled dialog
}

TEST_F(PrintDialogs, CancelledByEscOrWithNothingToAnswer) {
  PRINTDLGA pd;
  EXPECT_FALSE(Print("", &pd));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  PRINTDLGA plain;  // no hook, no script, no display
  EXPECT_FALSE(PrintDlg(&plain));
  PAGESETUPDLGA psd;
  EXPECT_FALSE(PageSetupDlg(&psd));
  PRINTDLGA wrong;
  wrong.lStructSize = 4;
  EXPECT_FALSE(PrintDlg(&wrong));
  EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
}

TEST_F(PrintDialogs, ReturnsAPrinterContextWhenAsked) {
  PRINTDLGA pd;
  pd.Flags = PD_RETURNDC;
  ASSERT_TRUE(Print("key enter", &pd));
  ASSERT_TRUE(pd.hDC);
  EXPECT_EQ(GetDeviceCaps(pd.hDC, LOGPIXELSX), 72);
  EXPECT_TRUE(DeleteDC(pd.hDC));
}

TEST_F(PrintDialogs, PageSetupChoosesPaperOrientationAndMargins) {
  PAGESETUPDLGA psd;
  // Legal, landscape, a left margin of one and a half inches.
  ASSERT_TRUE(
      PageSetup("key down\nkey tab\nkey tab\nkey space\nkey tab\ntype 1.5\nkey enter", &psd));
  EXPECT_EQ(mode_.dmPaperSize, DMPAPER_LEGAL);
  EXPECT_EQ(mode_.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(mode_.dmMargin[0], 1500);
  EXPECT_EQ(psd.ptPaperSize.x, 14000);
  EXPECT_EQ(psd.ptPaperSize.y, 8500);
  EXPECT_EQ(psd.rtMargin.left, 1500);
  EXPECT_EQ(psd.rtMargin.bottom, 250);
  EXPECT_TRUE(boxes_.empty());

  // Margins that are not inches, or leave no paper, are refused.
  for (const char* margin : {"1.2345", "1..2", ".", "14"}) {
    boxes_.clear();
    DEVMODE before = mode_;
    PAGESETUPDLGA again;
    EXPECT_FALSE(
        PageSetup(std::string("key tab\nkey tab\nkey tab\ntype ") + margin + "\nkey enter", &again))
        << margin;
    EXPECT_EQ(boxes_.size(), 1u) << margin;
    EXPECT_EQ(mode_.dmMargin[0], before.dmMargin[0]) << margin;
  }
}

}  // namespace
}  // namespace tess::test
