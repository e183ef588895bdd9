// The common file dialogs driven as a user would, by keys and clicks from a
// script that the dialog's hook starts once it is shown: what each returns,
// the prompts it raises, the buffer and filter rules, and the cancel paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/comdlg/commdlg.h"
#include "platform/kernel/file_system.h"
#include "platform/user/automation.h"
#include "platform/user/message_box.h"
#include "test_support.h"

namespace tess::test {
namespace {

using namespace tess::platform;

std::string g_script;
std::string g_scriptError;

UINT RunScriptHook(HWND, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG && !automation::RunScript(g_script, &g_scriptError))
    ADD_FAILURE() << g_scriptError;
  return 0;
}

struct Answer {
  BOOL chosen = FALSE;
  std::string path;
  DWORD error = 0;
  OPENFILENAMEA ofn;
};

class FileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TESSERA_DRIVES", ("D=" + dir_.path().string()).c_str(), 1);
    ReloadDriveMap();
    for (const char* name : {"alpha.txt", "beta.txt", "gamma.log", "Report.doc"}) Put(name);
    std::filesystem::create_directory(dir_.path() / "sub");
    Put("sub/inner.txt");
    SetMessageBoxHook([this](const MessageBoxRequest& r) {
      boxes_.push_back(r.text);
      int answer = answers_.empty() ? DefaultButton(r.type) : answers_.front();
      if (!answers_.empty()) answers_.erase(answers_.begin());
      return answer;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    ::unsetenv("TESSERA_DRIVES");
    ReloadDriveMap();
  }
  void Put(const std::string& name) { std::ofstream(dir_.File(name)) << name; }

  // Shows the dialog and runs `script` in it; a closing Esc keeps a script
  // that fails to answer from leaving the dialog up.
  Answer Show(bool save, const std::string& script, DWORD flags = 0, const char* name = "",
              DWORD bufferSize = 256) {
    g_script = script + "\nkey esc";
    Answer a;
    std::vector<char> buffer(std::max<DWORD>(bufferSize, 1));
    std::snprintf(buffer.data(), buffer.size(), "%s", name);
    a.ofn.lpstrFilter = "Text (*.txt)\0*.txt\0Logs (*.log)\0*.log\0All Files (*.*)\0*.*\0";
    a.ofn.lpstrFile = buffer.data();
    a.ofn.nMaxFile = bufferSize;
    a.ofn.lpstrInitialDir = "D:\\";
    a.ofn.lpstrDefExt = "txt";
    a.ofn.Flags = flags | OFN_ENABLEHOOK;
    a.ofn.lpfnHook = RunScriptHook;
    a.chosen = save ? GetSaveFileName(&a.ofn) : GetOpenFileName(&a.ofn);
    a.error = CommDlgExtendedError();
    if (a.chosen) a.path = buffer.data();
    a.ofn.lpstrFile = nullptr;
    return a;
  }

  TempDir dir_;
  std::vector<std::string> boxes_;
  std::vector<int> answers_;
};

TEST_F(FileDialog, TypedNamesResolveAgainstTheFolderShown) {
  Answer a = Show(false, "type beta.txt\nkey enter", OFN_FILEMUSTEXIST);
  ASSERT_TRUE(a.chosen);
  EXPECT_EQ(a.path, "D:\\beta.txt");
  EXPECT_EQ(a.ofn.nFileOffset, 3);
  EXPECT_EQ(a.ofn.nFileExtension, 8);
  EXPECT_EQ(a.ofn.nFilterIndex, 1u);

  // A folder typed is entered; a name after it is found there, and comes
  // back as it was typed.
  a = Show(false, "type sub\nkey enter\ntype INNER.TXT\nkey enter", OFN_FILEMUSTEXIST);
  ASSERT_TRUE(a.chosen);
  EXPECT_EQ(a.path, "D:\\sub\\INNER.TXT");

  // A full path wins over the folder shown.
  a = Show(false, "type D:\\\\sub\\\\inner.txt\nkey enter", OFN_FILEMUSTEXIST);
  EXPECT_EQ(a.path, "D:\\sub\\inner.txt");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(FileDialog, TheListIsFilteredAndWalkedByKeys) {
  // Tab to the list: its first entry is the folder, then the text files in
  // order; the log file is not shown under the first filter.
  Answer a = Show(false, "key tab\nkey down\nkey down\nkey enter", OFN_FILEMUSTEXIST);
  ASSERT_TRUE(a.chosen);
  EXPECT_EQ(a.path, "D:\\beta.txt");

  // The second filter shows only the log file.
  a = Show(false, "key tab\nkey tab\nkey down\nkey shift+tab\nkey down\nkey enter");
  ASSERT_TRUE(a.chosen);
  EXPECT_EQ(a.path, "D:\\gamma.log");
  EXPECT_EQ(a.ofn.nFilterIndex, 2u);

  // A pattern typed into the name field becomes the filter.
  a = Show(false, "type *.doc\nkey enter\nkey tab\nkey end\nkey enter");
  EXPECT_EQ(a.path, "D:\\Report.doc");

  // Enter on the folder opens it; Backspace goes back up with it selected.
  a = Show(false, "key tab\nkey home\nkey enter\nkey backspace\nkey enter\nkey down\nkey enter");
  EXPECT_EQ(a.path, "D:\\sub\\inner.txt");
}

TEST_F(FileDialog, OpenRefusesAMissingFileAndSaveAsksBeforeReplacing) {
  Answer a = Show(false, "type missing.txt\nkey enter\nkey esc", OFN_FILEMUSTEXIST);
  EXPECT_FALSE(a.chosen);
  EXPECT_EQ(a.error, 0u);  // a cancel, not a failure
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], "missing.txt\nFile not found.\nCheck the file name and try again.");

  boxes_.clear();
  answers_ = {IDNO, IDYES};
  a = Show(true, "type alpha\nkey enter\nkey enter", OFN_OVERWRITEPROMPT);
  ASSERT_TRUE(a.chosen);
  EXPECT_EQ(a.path, "D:\\alpha.txt");  // the default extension added
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0], "alpha.txt already exists.\nDo you want to replace it?");

  // A new name needs no question; a folder that is not there is refused.
  boxes_.clear();
  a = Show(true, "type nowhere\\\\new.txt\nkey enter\nkey esc", OFN_PATHMUSTEXIST);
  EXPECT_FALSE(a.chosen);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("Path does not exist."), std::string::npos);
  a = Show(true, "type new\nkey enter", OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
  EXPECT_EQ(a.path, "D:\\new.txt");
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(FileDialog, ThePathMustFitTheCallersBuffer) {
  Answer a = Show(false, "type beta.txt\nkey enter", 0, "", 8);
  EXPECT_FALSE(a.chosen);
  EXPECT_EQ(a.error, DWORD(FNERR_BUFFERTOOSMALL));

  OPENFILENAMEA bad;
  bad.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileName(&bad));
  EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
}

TEST_F(FileDialog, TheMouseChoosesAndTheButtonsAnswer) {
  auto hook = [](HWND dialog, UINT msg, WPARAM, LPARAM) -> UINT {
    if (msg != WM_INITDIALOG) return 0;
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    // Double-click the folder (the first row), click its file, press Open.
    automation::DoubleClick(origin.x + 40, origin.y + 41 + 8);
    automation::Click(origin.x + 40, origin.y + 41 + 8);
    automation::Click(origin.x + 390, origin.y + 225);
    automation::WaitIdle();
    // Closes a dialog the clicks failed to answer; dropped with the window
    // once they did.
    PostMessage(dialog, WM_CLOSE, 0, 0);
    return 0;
  };
  g_script.clear();
  char path[256] = "";
  OPENFILENAMEA ofn;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrInitialDir = "D:\\";
  ofn.Flags = OFN_ENABLEHOOK;
  ofn.lpfnHook = hook;
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_STREQ(path, "D:\\sub\\inner.txt");
}

TEST_F(FileDialog, TheFolderChooserAnswersWithAFolder) {
  g_script = "key tab\nkey home\nkey enter\nkey esc";
  char name[MAX_PATH] = "";
  BROWSEINFOA info;
  info.pszInitialDir = "D:\\";
  info.pszDisplayName = name;
  info.lpszTitle = "Choose where the reports go:";
  info.lpfnHook = RunScriptHook;
  ITEMIDLIST* list = SHBrowseForFolder(&info);
  ASSERT_NE(list, nullptr);
  char path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDList(list, path));
  EXPECT_STREQ(path, "D:\\sub");
  EXPECT_STREQ(name, "sub");
  CoTaskMemFree(list);

  g_script = "key esc";
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
}

TEST_F(FileDialog, NothingToAnswerItCancelsAtOnce) {
  // No display, no script being run, no hook: the dialog could never be
  // answered, so it is not shown at all.
  char path[256] = "";
  OPENFILENAMEA ofn;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[Open: cancelled: no display and no script to answer it]\n");
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

}  // namespace
}  // namespace tess::test
