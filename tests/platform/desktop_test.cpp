// The composed desktop: two overlapping captioned windows, one painting
// shapes and text, compared pixel for pixel with a reference picture.
// Regenerate the reference (and look at it before committing it) with
//   TESSERA_UPDATE_REFERENCE=1 build/run32 build/tests/platform/platform_desktop_test
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/message_log.h"
#include "platform/reference_picture.h"
#include "platform/user/desktop.h"
#include "platform/user/mdi.h"

namespace tess::test {
namespace {

// The desktop's size is fixed on first use; this program wants a small one.
const bool kSized = [] {
  setenv("TESSERA_DESKTOP_SIZE", "400x300", 1);
  return true;
}();

LRESULT ShapesProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg != WM_PAINT) return DefWindowProc(hwnd, msg, w, l);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HPEN pen = CreatePenWH(PS_SOLID, 2, 2, RGB(128, 0, 0));
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, yellow);
  Rectangle(dc, 10, 10, 70, 50);
  Ellipse(dc, 80, 10, 150, 60);
  RoundRect(dc, 160, 10, 220, 60, 16, 16);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  const POINT tri[] = {{20, 120}, {60, 70}, {100, 120}};
  Polygon(dc, tri, 3);
  MoveToEx(dc, 110, 70, nullptr);
  LineTo(dc, 220, 120);
  HFONT font = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  HFONT bold = CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 1, 0, 0, 0, 0, 0, 0, "Times New Roman");
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 160));
  TextOut(dc, 10, 130, "Hello, Tessera", 14);
  SelectObject(dc, bold);
  TextOut(dc, 130, 130, "Bold text", 9);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(yellow);
  DeleteObject(font);
  DeleteObject(bold);
  EndPaint(hwnd, &ps);
  return 0;
}

TEST(Desktop, TwoOverlappingCaptionedWindowsMatchTheReference) {
  ASSERT_TRUE(kSized);
  WNDCLASS wc;
  wc.lpfnWndProc = ShapesProc;
  wc.lpszClassName = "Shapes";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  ASSERT_TRUE(RegisterClass(&wc));
  HWND back = Make("Back", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 20, 20, 220, 150);
  SetWindowText(back, "Notes");
  HWND front = CreateWindowEx(0, "Shapes", "Shapes and text", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120,
                              90, 250, 190, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(front);
  Pump();
  const gdi::Surface& screen = desktop::Compose();
  EXPECT_EQ(screen.width(), 400);
  EXPECT_TRUE(MatchesReference(screen, "desktop.png"));

  // The window capture is the window as it appears on the desktop.
  auto shot = desktop::CaptureWindow(front);
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->width(), 250);
  EXPECT_EQ(shot->Get(10, 10), screen.Get(130, 100));
  DestroyWindow(front);
  DestroyWindow(back);
}

HWND g_mdiClient = nullptr;

LRESULT MdiFrameProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return DefFrameProc(hwnd, g_mdiClient, msg, w, l);
}

// A frame with two documents: the front one active (its caption lit), the
// one behind inactive, both clipped to the client's application-workspace
// background.
TEST(Desktop, AFrameWithTwoDocumentsMatchesTheReference) {
  WNDCLASS wc;
  wc.lpfnWndProc = MdiFrameProc;
  wc.lpszClassName = "MdiFrame";
  ASSERT_TRUE(RegisterClass(&wc));
  wc.lpfnWndProc = DefMDIChildProc;
  wc.lpszClassName = "MdiDocument";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  ASSERT_TRUE(RegisterClass(&wc));
  HWND frame = CreateWindowEx(0, "MdiFrame", "Editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                              320, 240, nullptr, nullptr, nullptr, nullptr);
  CLIENTCREATESTRUCT ccs{nullptr, 1};
  RECT area;
  GetClientRect(frame, &area);
  HWND client = g_mdiClient = CreateWindowEx(
      WS_EX_CLIENTEDGE, kMdiClientClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
      area.right, area.bottom, frame, nullptr, nullptr, &ccs);
  ASSERT_TRUE(client);
  HWND first =
      CreateMDIWindow("MdiDocument", "Letter", WS_VISIBLE, 10, 10, 180, 120, client, nullptr, 0);
  HWND second =
      CreateMDIWindow("MdiDocument", "Invoice", WS_VISIBLE, 120, 60, 200, 130, client, nullptr, 0);
  ASSERT_TRUE(first && second);
  Pump();
  auto shot = desktop::CaptureWindow(frame);
  ASSERT_TRUE(shot);
  EXPECT_TRUE(MatchesReference(*shot, "mdi_frame.png"));
  DestroyWindow(frame);
}

}  // namespace
}  // namespace tess::test
