// The multiple-document client: documents as children of "MDICLIENT",
// activation between them, maximizing with the frame's merged title,
// destruction, cascading and tiling. Sequences are compared whole; the
// client's own messages are not recorded.
#include <gtest/gtest.h>

#include <iterator>

#include "platform/message_log.h"
#include "platform/user/input.h"
#include "platform/user/mdi.h"

namespace tess::test {
namespace {

HWND g_client = nullptr;
constexpr int kF6 = 0x75;

LRESULT FrameProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  MessageLog::Get().Record(hwnd, msg, w, l);
  return DefFrameProc(hwnd, g_client, msg, w, l);
}

LRESULT DocumentProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  MessageLog::Get().Record(hwnd, msg, w, l);
  return DefMDIChildProc(hwnd, msg, w, l);
}

class Mdi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASS wc;
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = "TestFrame";
    RegisterClass(&wc);
    wc.lpfnWndProc = DocumentProc;
    wc.lpszClassName = "TestDocument";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClass(&wc);
  }
  void SetUp() override {
    frame_ = CreateWindowEx(0, "TestFrame", "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                            300, nullptr, nullptr, nullptr, nullptr);
    MessageLog::Get().Name(frame_, "F");
    CLIENTCREATESTRUCT ccs{nullptr, 100};
    g_client = CreateWindowEx(0, kMdiClientClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                              0, 0, 0, 0, frame_, nullptr, nullptr, &ccs);
    MessageLog::Get().Name(g_client, "C");
    RECT r;
    GetClientRect(frame_, &r);
    MoveWindow(g_client, 0, 0, r.right, r.bottom, TRUE);
    Pump();
    MessageLog::Get().Clear();
  }
  void TearDown() override {
    if (IsWindow(frame_)) DestroyWindow(frame_);
    g_client = nullptr;
    Pump();
    MessageLog::Get().Clear();
  }
  HWND Document(const std::string& name, DWORD style = WS_VISIBLE, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT) {
    HWND h =
        CreateMDIWindow("TestDocument", name.c_str(), style, x, y, cx, cy, g_client, nullptr, 0);
    MessageLog::Get().Name(h, name);
    return h;
  }
  HWND Active(BOOL* maximized = nullptr) {
    return reinterpret_cast<HWND>(
        SendMessage(g_client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(maximized)));
  }
  static RECT InClient(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, g_client, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  HWND frame_ = nullptr;
};

TEST_F(Mdi, DocumentsAreChildrenOfTheClientWithIdentifiersCountingUp) {
  HWND a = Document("A");
  HWND b = Document("B");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(GetParent(a), g_client);
  EXPECT_TRUE(IsChild(frame_, b));
  EXPECT_TRUE(GetWindowLong(a, GWL_EXSTYLE) & WS_EX_MDICHILD);
  EXPECT_EQ(GetWindowLong(a, GWL_ID), 100);
  EXPECT_EQ(GetWindowLong(b, GWL_ID), 101);
  // The default places cascade: the second starts one caption lower.
  RECT ra = InClient(a), rb = InClient(b);
  EXPECT_EQ(ra.left, 0);
  EXPECT_GT(rb.top, ra.top);
  EXPECT_EQ(rb.left - ra.left, rb.top - ra.top);
}

TEST_F(Mdi, CreatingAVisibleDocumentActivatesIt) {
  Document("A");
  MessageLog::Get().Clear();
  HWND b = Document("B");
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"B WM_NCCREATE", "B WM_NCCALCSIZE", "B WM_CREATE", "B WM_SIZE", "B WM_MOVE",
                 "B WM_SHOWWINDOW 1", "B WM_WINDOWPOSCHANGING", "B WM_WINDOWPOSCHANGED",
                 "A WM_NCACTIVATE 0", "A WM_MDIACTIVATE", "B WM_WINDOWPOSCHANGING",
                 "B WM_WINDOWPOSCHANGED", "B WM_NCACTIVATE 1", "B WM_MDIACTIVATE", "A WM_KILLFOCUS",
                 "B WM_SETFOCUS"}));
  EXPECT_EQ(Active(), b);
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(GetActiveWindow(), frame_);
}

TEST_F(Mdi, ActivatingADocumentTellsBothWithTheSamePair) {
  HWND a = Document("A");
  HWND b = Document("B");
  MessageLog::Get().Clear();
  SendMessage(g_client, WM_MDIACTIVATE, WPARAM(a), 0);
  LPARAM toA = reinterpret_cast<LPARAM>(a);
  EXPECT_TRUE(MessageLog::Get().Expect({
      {"B", WM_NCACTIVATE, kSent | kWParam, 0},
      {"B", WM_MDIACTIVATE, kSent | kWParam | kLParam, WPARAM(b), toA},
      {"A", WM_WINDOWPOSCHANGING},
      {"A", WM_WINDOWPOSCHANGED},
      {"A", WM_NCACTIVATE, kSent | kWParam, 1},
      {"A", WM_MDIACTIVATE, kSent | kWParam | kLParam, WPARAM(b), toA},
      {"B", WM_KILLFOCUS},
      {"A", WM_SETFOCUS},
  }));
  EXPECT_EQ(Active(), a);
  EXPECT_EQ(GetTopWindow(g_client), a);
  // Activating the active one again sends nothing.
  SendMessage(g_client, WM_MDIACTIVATE, WPARAM(a), 0);
  EXPECT_EQ(MessageLog::Get().Take(), Seq{});
}

TEST_F(Mdi, BringingADocumentToTheTopActivatesIt) {
  HWND a = Document("A");
  HWND b = Document("B");
  BringWindowToTop(a);
  EXPECT_EQ(Active(), a);
  // Placing it without activation leaves the active one alone.
  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(Active(), a);
}

TEST_F(Mdi, MaximizingMergesTheTitleAndPassesToTheNextActiveDocument) {
  HWND a = Document("A");
  HWND b = Document("B");
  SendMessage(g_client, WM_MDIMAXIMIZE, WPARAM(b), 0);
  BOOL maximized = FALSE;
  EXPECT_EQ(Active(&maximized), b);
  EXPECT_TRUE(maximized);
  EXPECT_EQ(GetWindowTextString(frame_), "Frame - [B]");
  RECT area, rb = InClient(b);
  GetClientRect(g_client, &area);
  EXPECT_EQ(rb.right - rb.left, area.right);
  EXPECT_EQ(rb.bottom - rb.top, area.bottom);
  // Renaming the maximized document or the frame keeps the two together.
  SetWindowText(b, "Report");
  EXPECT_EQ(GetWindowTextString(frame_), "Frame - [Report]");
  SetWindowText(frame_, "App");
  EXPECT_EQ(GetWindowTextString(frame_), "App - [Report]");
  // The next document activated takes the maximized state over.
  SendMessage(g_client, WM_MDIACTIVATE, WPARAM(a), 0);
  EXPECT_TRUE(IsZoomed(a));
  EXPECT_FALSE(IsZoomed(b));
  EXPECT_EQ(GetWindowTextString(frame_), "App - [A]");
  SendMessage(g_client, WM_MDIRESTORE, WPARAM(a), 0);
  EXPECT_FALSE(IsZoomed(a));
  EXPECT_EQ(Active(&maximized), a);
  EXPECT_FALSE(maximized);
  EXPECT_EQ(GetWindowTextString(frame_), "App");
}

TEST_F(Mdi, ANewDocumentIsMaximizedWhileAnotherIs) {
  HWND a = Document("A");
  SendMessage(g_client, WM_MDIMAXIMIZE, WPARAM(a), 0);
  HWND b = Document("B");
  EXPECT_TRUE(IsZoomed(b));
  EXPECT_FALSE(IsZoomed(a));
  EXPECT_EQ(GetWindowTextString(frame_), "Frame - [B]");
}

TEST_F(Mdi, DestroyingTheActiveDocumentActivatesTheOneBehind) {
  HWND a = Document("A");
  HWND b = Document("B");
  MessageLog::Get().Clear();
  SendMessage(g_client, WM_MDIDESTROY, WPARAM(b), 0);
  EXPECT_EQ(MessageLog::Get().Take(),
            (Seq{"B WM_NCACTIVATE 0", "B WM_MDIACTIVATE", "A WM_WINDOWPOSCHANGING",
                 "A WM_WINDOWPOSCHANGED", "A WM_NCACTIVATE 1", "A WM_MDIACTIVATE", "B WM_KILLFOCUS",
                 "A WM_SETFOCUS", "B WM_WINDOWPOSCHANGING", "B WM_WINDOWPOSCHANGED", "B WM_DESTROY",
                 "B WM_NCDESTROY"}));
  EXPECT_FALSE(IsWindow(b));
  EXPECT_EQ(Active(), a);
  // Closing the last one through its close box leaves no active document.
  SendMessage(a, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(Active(), nullptr);
  EXPECT_TRUE(IsWindow(g_client));
}

TEST_F(Mdi, NextCyclesThroughTheDocuments) {
  HWND a = Document("A");
  HWND b = Document("B");
  HWND c = Document("C3");
  EXPECT_EQ(Active(), c);
  SendMessage(g_client, WM_MDINEXT, 0, 0);
  EXPECT_EQ(Active(), b);
  SendMessage(g_client, WM_MDINEXT, 0, 0);
  EXPECT_EQ(Active(), a);
  SendMessage(g_client, WM_MDINEXT, 0, 0);
  EXPECT_EQ(Active(), c);
  SendMessage(g_client, WM_MDINEXT, 0, 1);
  EXPECT_EQ(Active(), a);
}

TEST_F(Mdi, CascadeAndTileArrangeTheVisibleDocuments) {
  HWND a = Document("A", WS_VISIBLE, 5, 5, 50, 50);
  HWND b = Document("B", WS_VISIBLE, 30, 30, 50, 50);
  HWND hidden = Document("H", 0, 0, 0, 40, 40);
  RECT area;
  GetClientRect(g_client, &area);
  SendMessage(g_client, WM_MDITILE, MDITILE_VERTICAL, 0);
  struct Row {
    HWND h;
    RECT r;
  };
  const Row tiled[] = {
      {b, {0, 0, area.right, area.bottom / 2}},
      {a, {0, area.bottom / 2, area.right, area.bottom}},
  };
  for (const Row& row : tiled) {
    RECT r = InClient(row.h);
    EXPECT_TRUE(EqualRect(&r, &row.r))
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  SendMessage(g_client, WM_MDITILE, MDITILE_HORIZONTAL, 0);
  RECT rb = InClient(b);
  EXPECT_EQ(rb.right, area.right / 2);
  EXPECT_EQ(rb.bottom, area.bottom);
  SendMessage(g_client, WM_MDICASCADE, 0, 0);
  RECT ra = InClient(a);
  rb = InClient(b);
  EXPECT_EQ(ra.left, 0);
  EXPECT_EQ(rb.left, rb.top);
  EXPECT_GT(rb.left, 0);
  EXPECT_EQ(GetTopWindow(g_client), b);
  RECT rh = InClient(hidden);
  EXPECT_EQ(rh.right - rh.left, 40);
}

TEST_F(Mdi, ResizingTheFrameResizesTheClient) {
  MoveWindow(frame_, 0, 0, 300, 200, TRUE);
  RECT fc, cc;
  GetClientRect(frame_, &fc);
  GetClientRect(g_client, &cc);
  EXPECT_TRUE(EqualRect(&fc, &cc));
}

TEST_F(Mdi, ControlF6AndControlF4WorkThroughTheAccelerator) {
  HWND a = Document("A");
  HWND b = Document("B");
  MSG m{b, WM_KEYDOWN, kF6, 0};
  EXPECT_FALSE(TranslateMDISysAccel(g_client, &m));  // Control is up
  // Keys as the user presses them, each offered to the accelerator first.
  auto press = [](std::initializer_list<int> keys) {
    for (int vk : keys) input::Key(vk, true);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) input::Key(*it, false);
    MSG msg;
    int taken = 0;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (TranslateMDISysAccel(g_client, &msg)) {
        ++taken;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    return taken;
  };
  EXPECT_EQ(press({VK_CONTROL, kF6}), 1);
  EXPECT_EQ(Active(), a);
  EXPECT_EQ(press({VK_CONTROL, VK_SHIFT, kF6}), 1);
  EXPECT_EQ(Active(), b);
  EXPECT_EQ(press({VK_CONTROL, VK_F4}), 1);
  EXPECT_FALSE(IsWindow(b));
  EXPECT_EQ(Active(), a);
  EXPECT_EQ(press({kF6}), 0);
}

}  // namespace
}  // namespace tess::test
