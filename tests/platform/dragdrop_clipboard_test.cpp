// Drag and drop between windows of the process and the clipboard's bitmap
// and named formats, at the level of messages and target notifications.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/message_log.h"
#include "platform/ole/dragdrop.h"
#include "platform/user/automation.h"
#include "platform/user/clipboard.h"

namespace tess::test {
namespace {

// Notes every notification as "Enter x,y", "Over x,y", "Leave", "Drop x,y".
class RecordingTarget : public IDropTarget {
 public:
  explicit RecordingTarget(DWORD answer) : answer_(answer) {}
  std::vector<std::string> log;
  std::string dropped;

  HRESULT DragEnter(IDataObject*, DWORD, POINT p, DWORD* effect) override {
    log.push_back("Enter " + At(p));
    *effect &= answer_;
    return S_OK;
  }
  HRESULT DragOver(DWORD, POINT p, DWORD* effect) override {
    log.push_back("Over " + At(p));
    *effect &= answer_;
    return S_OK;
  }
  HRESULT DragLeave() override {
    log.push_back("Leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, DWORD, POINT p, DWORD* effect) override {
    log.push_back("Drop " + At(p));
    STGMEDIUM m;
    if (data->GetData(FORMATETC{CF_TEXT}, &m) == S_OK) {
      dropped = static_cast<const char*>(GlobalLock(m.hGlobal));
      GlobalUnlock(m.hGlobal);
      ReleaseStgMedium(&m);
    }
    *effect &= answer_;
    return S_OK;
  }

 private:
  static std::string At(POINT p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
  DWORD answer_;
};

class TextData : public IDataObject {
 public:
  HRESULT GetData(const FORMATETC& f, STGMEDIUM* m) override {
    if (f.cfFormat != CF_TEXT) return DV_E_FORMATETC;
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = GlobalAlloc(GMEM_MOVEABLE, 6);
    std::memcpy(GlobalLock(m->hGlobal), "moved", 6);
    GlobalUnlock(m->hGlobal);
    return S_OK;
  }
  HRESULT QueryGetData(const FORMATETC& f) override {
    return f.cfFormat == CF_TEXT ? S_OK : S_FALSE;
  }
  std::vector<FORMATETC> EnumFormatEtc() override { return {FORMATETC{CF_TEXT}}; }
};

class ButtonSource : public IDropSource {
 public:
  HRESULT QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
  }
};

// The drag starts from the source window's button press, as a control's
// MouseDown starts one.
HRESULT g_result = E_NOTIMPL;
DWORD g_effect = 0xFFFF;
LRESULT StartingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  LRESULT r = RecordingProc(hwnd, msg, w, l);
  if (msg == WM_LBUTTONDOWN) {
    TextData data;
    ButtonSource source;
    g_result = DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &g_effect);
  }
  return r;
}

class DragDrop : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = Make("Source", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 100, 100);
    target_ = Make("Target", WS_POPUP | WS_VISIBLE, nullptr, 200, 0, 100, 100);
    child_ = Make("Child", WS_CHILD | WS_VISIBLE, target_, 10, 10, 40, 40);
    SetWindowLong(source_, GWL_WNDPROC, LONG(reinterpret_cast<intptr_t>(StartingProc)));
    automation::WaitIdle();
    MessageLog::Get().Take();
    g_result = E_NOTIMPL;
    g_effect = 0xFFFF;
  }
  void TearDown() override {
    for (HWND h : {child_, target_, source_})
      if (IsWindow(h)) DestroyWindow(h);
    automation::WaitIdle();
  }
  HWND source_, target_, child_;
};

TEST_F(DragDrop, FollowsThePointerAndDropsOnTheRegisteredAncestor) {
  RecordingTarget target(DROPEFFECT_COPY);
  ASSERT_EQ(RegisterDragDrop(target_, &target), S_OK);
  EXPECT_EQ(RegisterDragDrop(target_, &target), DRAGDROP_E_ALREADYREGISTERED);
  std::string error;
  ASSERT_TRUE(
      automation::RunScript("down 50 50\nmove 60 50\nmove 220 20\nmove 230 30\nup\n", &error))
      << error;
  EXPECT_EQ(g_result, DRAGDROP_S_DROP);
  EXPECT_EQ(g_effect, DWORD(DROPEFFECT_COPY));  // what the target chose of what was allowed
  // Over the child the parent's target answers; the button's release is
  // where the drop happens.
  EXPECT_EQ(target.log, (Seq{"Enter 220,20", "Over 230,30", "Drop 230,30"}));
  EXPECT_EQ(target.dropped, "moved");
  // After the press, the pointer and the release went to the drag, not to
  // the windows.
  bool pressed = false;
  for (const std::string& line : MessageLog::Get().Take()) {
    pressed = pressed || line.find("WM_LBUTTONDOWN") != std::string::npos;
    if (!pressed) continue;
    EXPECT_EQ(line.find("WM_MOUSEMOVE"), std::string::npos) << line;
    EXPECT_EQ(line.find("WM_LBUTTONUP"), std::string::npos) << line;
  }
  EXPECT_TRUE(pressed);
  EXPECT_EQ(RevokeDragDrop(target_), S_OK);
  EXPECT_EQ(RevokeDragDrop(target_), DRAGDROP_E_NOTREGISTERED);
}

TEST_F(DragDrop, EscapeAndRefusingTargetsCancel) {
  RecordingTarget refusing(DROPEFFECT_NONE);
  ASSERT_EQ(RegisterDragDrop(target_, &refusing), S_OK);
  std::string error;
  // A target that takes nothing gets no drop: it is left.
  ASSERT_TRUE(automation::RunScript("down 50 50\nmove 220 20\nup\n", &error)) << error;
  EXPECT_EQ(g_result, DRAGDROP_S_CANCEL);
  EXPECT_EQ(g_effect, DWORD(DROPEFFECT_NONE));
  EXPECT_EQ(refusing.log, (Seq{"Enter 220,20", "Leave"}));
  RevokeDragDrop(target_);

  RecordingTarget taking(DROPEFFECT_COPY);
  ASSERT_EQ(RegisterDragDrop(target_, &taking), S_OK);
  ASSERT_TRUE(automation::RunScript("down 50 50\nmove 220 20\nkey esc\nup\n", &error)) << error;
  EXPECT_EQ(g_result, DRAGDROP_S_CANCEL);
  EXPECT_EQ(taking.log, (Seq{"Enter 220,20", "Leave"}));
  // Leaving the target for a window without one leaves it.
  taking.log.clear();
  ASSERT_TRUE(automation::RunScript("down 50 50\nmove 220 20\nmove 50 150\nup\n", &error)) << error;
  EXPECT_EQ(g_result, DRAGDROP_S_CANCEL);
  EXPECT_EQ(taking.log, (Seq{"Enter 220,20", "Leave"}));
  RevokeDragDrop(target_);
}

TEST_F(DragDrop, TargetsOfDestroyedWindowsAreForgotten) {
  RecordingTarget target(DROPEFFECT_COPY);
  ASSERT_EQ(RegisterDragDrop(child_, &target), S_OK);
  POINT inside{220, 20};
  EXPECT_EQ(DropTargetAt(inside), &target);
  DestroyWindow(child_);
  EXPECT_EQ(DropTargetAt(inside), nullptr);
  EXPECT_EQ(RegisterDragDrop(nullptr, &target), E_INVALIDARG);
  TextData data;
  ButtonSource source;
  DWORD effect;
  EXPECT_EQ(DoDragDrop(nullptr, &source, DROPEFFECT_COPY, &effect), E_INVALIDARG);
  EXPECT_EQ(DoDragDrop(&data, nullptr, DROPEFFECT_COPY, &effect), E_INVALIDARG);
}

TEST(Clipboard, BitmapsAndNamedFormatsStandBesideText) {
  UINT named = RegisterClipboardFormat("Tessera Sample");
  EXPECT_GE(named, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("TESSERA SAMPLE"), named);
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  auto block = [](const std::string& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
  };
  const std::string dib(44, '\x07');
  SetClipboardData(CF_TEXT, block(std::string("text", 5)));
  SetClipboardData(CF_DIB, block(dib));
  SetClipboardData(named, block(std::string("named", 6)));
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
  EXPECT_TRUE(IsClipboardFormatAvailable(named));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL h = GetClipboardData(CF_DIB);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(h)), GlobalSize(h)), dib);
  GlobalUnlock(h);
  EXPECT_TRUE(EmptyClipboard());
  CloseClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
}

}  // namespace
}  // namespace tess::test
