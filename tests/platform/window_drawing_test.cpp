// Drawing into windows: contexts limited to the window, to the update
// region while painting, to what children and siblings leave visible; the
// class background; the window's own context.
#include <gtest/gtest.h>

#include "platform/message_log.h"
#include "platform/user/desktop.h"

namespace tess::test {
namespace {

// Paints its whole client area black whatever it is asked to paint.
LRESULT Blackout(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg != WM_PAINT) return DefWindowProc(hwnd, msg, w, l);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT all{-1000, -1000, 1000, 1000};
  FillRect(dc, &all, GetStockObject(BLACK_BRUSH));
  EndPaint(hwnd, &ps);
  return 0;
}

class WindowDrawing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASS wc;
    wc.lpfnWndProc = Blackout;
    wc.lpszClassName = "Blackout";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClass(&wc);
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "OwnDC";
    RegisterClass(&wc);
  }
  void TearDown() override {
    for (HWND h : made_)
      if (IsWindow(h)) DestroyWindow(h);
    Pump();
  }
  HWND Create(const char* cls, DWORD style, HWND parent, int x, int y, int w, int h) {
    HWND hwnd = CreateWindowEx(0, cls, "", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    made_.push_back(hwnd);
    return hwnd;
  }
  // Client pixels of a window, as text: '#' black, '.' white, '-' other.
  static std::string Row(HWND hwnd, int y, int x0, int x1) {
    auto shot = desktop::CaptureWindow(hwnd);
    std::string s;
    for (int x = x0; x < x1; ++x) {
      COLORREF c = shot->Get(x, y);
      s += c == 0 ? '#' : c == 0xFFFFFF ? '.' : '-';
    }
    return s;
  }
  std::vector<HWND> made_;
};

TEST_F(WindowDrawing, PaintingIsLimitedToTheUpdateRegion) {
  HWND w = Create("Blackout", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 40, 10);
  Pump();
  // Erase to white, then let only columns 10..19 be painted black.
  HDC dc = GetDC(w);
  RECT all{0, 0, 40, 10};
  FillRect(dc, &all, GetStockObject(WHITE_BRUSH));
  ReleaseDC(w, dc);
  RECT part{10, 0, 20, 10};
  InvalidateRect(w, &part, FALSE);
  Pump();
  EXPECT_EQ(Row(w, 5, 0, 40), std::string(10, '.') + std::string(10, '#') + std::string(20, '.'));
}

TEST_F(WindowDrawing, ChildrenDrawOnlyInsideThemselvesAndTheirParent) {
  HWND p = Create("OwnDC", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, nullptr, 0, 0, 30, 10);
  HWND c = Create("Blackout", WS_CHILD | WS_VISIBLE, p, 20, 0, 20, 10);  // half outside
  Pump();
  EXPECT_EQ(Row(p, 5, 0, 30), std::string(20, '.') + std::string(10, '#'));
  // The parent clips its children: filling it leaves the child alone.
  HDC dc = GetDC(p);
  RECT all{0, 0, 30, 10};
  HBRUSH grey = CreateSolidBrush(0x808080);
  FillRect(dc, &all, grey);
  DeleteObject(grey);
  ReleaseDC(p, dc);
  EXPECT_EQ(Row(p, 5, 0, 30), std::string(20, '-') + std::string(10, '#'));
  (void)c;
}

TEST_F(WindowDrawing, OverlappingSiblingsThatClipSiblings) {
  HWND p = Create("OwnDC", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 30, 10);
  HWND top = Create("OwnDC", WS_CHILD | WS_VISIBLE, p, 0, 0, 10, 10);
  HWND under = Create("Blackout", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, p, 5, 0, 10, 10);
  Pump();
  // `top` was created first, so it is above `under`, which clips to it.
  EXPECT_EQ(GetWindow(p, GW_CHILD), top);
  EXPECT_EQ(Row(p, 5, 0, 20), std::string(10, '.') + std::string(5, '#') + std::string(5, '.'));
  (void)under;
}

TEST_F(WindowDrawing, OwnContextKeepsItsObjectsAcrossUses) {
  HWND w = Create("OwnDC", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 10, 10);
  HDC a = GetDC(w);
  HPEN pen = CreatePen(PS_SOLID, 1, 0xFF0000);
  SelectObject(a, pen);
  ReleaseDC(w, a);
  HDC b = GetDC(w);
  EXPECT_EQ(a, b);
  EXPECT_EQ(GetCurrentObject(b, OBJ_PEN), pen);
  SelectObject(b, GetStockObject(BLACK_PEN));
  ReleaseDC(w, b);
  DestroyWindow(w);
  EXPECT_TRUE(DeleteObject(pen));
  // The context went with its window.
  EXPECT_EQ(LineTo(b, 1, 1), 0);
}

TEST_F(WindowDrawing, HiddenWindowsDrawNothingAndDestroyedContextsFail) {
  HWND w = Create("OwnDC", WS_POPUP, nullptr, 0, 0, 10, 10);
  HDC dc = GetDC(w);
  RECT clip;
  EXPECT_EQ(GetClipBox(dc, &clip), NULLREGION);
  ReleaseDC(w, dc);
  HWND v = Create("Blackout", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 10, 10);
  HDC kept = GetDC(v);
  DestroyWindow(v);
  RECT r{0, 0, 5, 5};
  EXPECT_EQ(FillRect(kept, &r, GetStockObject(BLACK_BRUSH)), 0);
  EXPECT_EQ(ReleaseDC(v, kept), 0);
}

}  // namespace
}  // namespace tess::test

namespace tess::test {
namespace {

TEST_F(WindowDrawing, CaretIsDrawnInvertedOnTheDesktopOnlyWhileShown) {
  HWND w = CreateWindowEx(0, "OwnDC", "", WS_POPUP | WS_VISIBLE, 10, 10, 40, 20, nullptr, nullptr,
                          nullptr, nullptr);
  ASSERT_TRUE(w);
  Pump();
  HDC dc = GetDC(w);
  RECT all{0, 0, 40, 20};
  FillRect(dc, &all, GetStockObject(WHITE_BRUSH));
  ReleaseDC(w, dc);
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 12));
  SetCaretPos(5, 3);
  EXPECT_EQ(desktop::Compose().Get(15, 13), 0xFFFFFFu);  // created hidden
  ShowCaret(w);
  const gdi::Surface& s = desktop::Compose();
  EXPECT_EQ(s.Get(15, 13), 0u);
  EXPECT_EQ(s.Get(16, 24), 0u);
  EXPECT_EQ(s.Get(17, 13), 0xFFFFFFu);
  EXPECT_EQ(s.Get(15, 25), 0xFFFFFFu);
  HideCaret(w);
  EXPECT_EQ(desktop::Compose().Get(15, 13), 0xFFFFFFu);
  ShowCaret(w);
  DestroyWindow(w);  // takes the caret with it
  EXPECT_FALSE(DestroyCaret());
}

TEST_F(WindowDrawing, TextExtentsPerCharacterAndOpaqueClippedOutput) {
  HWND w = CreateWindowEx(0, "OwnDC", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 20, nullptr, nullptr,
                          nullptr, nullptr);
  ASSERT_TRUE(w);
  HDC dc = GetDC(w);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  int fit = 0, dx[3] = {};
  SIZE size;
  ASSERT_TRUE(GetTextExtentExPoint(dc, "abc", 3, 1000, &fit, dx, &size));
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(dx[2], size.cx);
  EXPECT_LT(dx[0], dx[1]);
  ASSERT_TRUE(GetTextExtentExPoint(dc, "abc", 3, dx[1], &fit, nullptr, nullptr));
  EXPECT_EQ(fit, 2);
  SetBkColor(dc, 0x0000FF);
  RECT r{0, 0, 10, 20};
  ExtTextOut(dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWW", 4, nullptr);
  auto shot = desktop::CaptureWindow(w);
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->Get(0, 19), 0x0000FFu);
  EXPECT_NE(shot->Get(15, 5), 0u);  // clipped: nothing drawn past the rectangle
  ReleaseDC(w, dc);
  DestroyWindow(w);
}

}  // namespace
}  // namespace tess::test
