// The runtime message box, the internal assertion dialog and the headless
// message box answers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/user/message_box.h"
#include "runtime/alerts.h"
#include "tessera/image.h"

namespace tess {
namespace {

using platform::MessageBoxRequest;

// Records every box and answers with `answer`.
class BoxRecorder {
 public:
  explicit BoxRecorder(int answer) {
    platform::SetMessageBoxHook([this, answer](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return answer;
    });
  }
  ~BoxRecorder() { platform::SetMessageBoxHook(nullptr); }
  std::vector<MessageBoxRequest> boxes;
};

TEST(Assertion, TextIsFormattedAsTheDialogShowsIt) {
  EXPECT_EQ(FormatAssertion(4, "objects", 316),
            "Failed Assertion: 4\nPress OK to Continue\nPress Cancel to Quit.\n\n"
            "Please report what caused this error\nalong with the information below.\n\n"
            " objects : 316");
  EXPECT_EQ(FormatAssertion(65535, nullptr, 0).substr(0, 21), "Failed Assertion: -1\n")
      << "the number is shown as a 16-bit signed value";
  std::string longName(400, 'x');
  EXPECT_EQ(FormatAssertion(1, longName.c_str(), 1).size(), 255u)
      << "the dialog buffer is 256 bytes";
}

TEST(Assertion, OkContinuesWithAStopBoxWhoseDefaultIsCancel) {
  BoxRecorder recorder(platform::IDOK);
  InternalAssertion(kDeferredClassUnknown);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  const MessageBoxRequest& box = recorder.boxes[0];
  EXPECT_EQ(box.caption, "");
  EXPECT_EQ(box.type & platform::MB_TYPEMASK, unsigned(platform::MB_OKCANCEL));
  EXPECT_EQ(box.type & platform::MB_ICONMASK, unsigned(platform::MB_ICONSTOP));
  EXPECT_EQ(platform::DefaultButton(box.type), platform::IDCANCEL);
  EXPECT_NE(box.text.find(" RuntimeMain : 507"), std::string::npos);
}

TEST(AssertionDeathTest, CancelEndsTheProcessWithExitCodeZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        BoxRecorder recorder(platform::IDCANCEL);
        InternalAssertion(kClassRecordUnusable);
        std::exit(7);  // not reached
      },
      testing::ExitedWithCode(0), "");
}

TESS_STRING(kGreeting, "Hello");

TEST(RuntimeMsgBox, ShowsTheStringTextWithAnOkButton) {
  BoxRecorder recorder(platform::IDOK);
  RuntimeMsgBox(&kGreeting);
  RuntimeMsgBox(nullptr);  // the empty string
  ASSERT_EQ(recorder.boxes.size(), 2u);
  EXPECT_EQ(recorder.boxes[0].text, "Hello");
  EXPECT_EQ(recorder.boxes[0].type & platform::MB_TYPEMASK, unsigned(platform::MB_OK));
  EXPECT_EQ(recorder.boxes[1].text, "");
}

TEST(HeadlessMessageBox, AnswersComeFromTheScriptThenTheDefaultButton) {
  ::setenv("TESSERA_MSGBOX_ANSWER", "no,Retry,bogus", 1);
  testing::internal::CaptureStderr();
  int first = platform::MessageBox(nullptr, "Save?", "Doc", platform::MB_YESNOCANCEL);
  int second = platform::MessageBox(nullptr, "Again?", "",
                                    platform::MB_RETRYCANCEL | platform::MB_DEFBUTTON2);
  int third = platform::MessageBox(nullptr, "Unknown answer", "", platform::MB_OKCANCEL);
  int fourth = platform::MessageBox(nullptr, "Script used up", "",
                                    platform::MB_YESNO | platform::MB_DEFBUTTON2);
  int fifth = platform::MessageBox(nullptr, "Not offered", "", platform::MB_OK);
  std::string out = testing::internal::GetCapturedStderr();
  ::unsetenv("TESSERA_MSGBOX_ANSWER");
  EXPECT_EQ(first, platform::IDNO);
  EXPECT_EQ(second, platform::IDRETRY);
  EXPECT_EQ(third, platform::IDOK);
  EXPECT_EQ(fourth, platform::IDNO);
  EXPECT_EQ(fifth, platform::IDOK);
  EXPECT_NE(out.find("[message box: Doc]\nSave?\n[buttons: Yes No Cancel; pressed: No]\n"),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace tess
