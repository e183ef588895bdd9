// The window system's two hot paths, each as a ratio against the plainest
// code doing the same work in the same run:
//  - posted messages through PostMessage, PeekMessage and DispatchMessage
//    against a deque of the same MSG records popped and called directly;
//  - filled rectangles through FillRect on a 32-bit memory context against
//    filling the same rows with std::fill (what memset does for 32 bits).
//
// Usage: ui_bench [messages] [rectangles]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "platform/user/winuser.h"

using namespace tess::platform;

namespace {

volatile uint32_t g_sink = 0;

LRESULT CountingProc(HWND, UINT msg, WPARAM w, LPARAM) {
  g_sink = g_sink + msg + uint32_t(w);
  return 0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  int messages = argc > 1 ? std::atoi(argv[1]) : 1000000;
  int rects = argc > 2 ? std::atoi(argv[2]) : 20000;

  WNDCLASS wc;
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "Bench";
  RegisterClass(&wc);
  HWND hwnd =
      CreateWindowEx(0, "Bench", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);

  // Posted messages, in batches so the queue stays short as in real use.
  const int batch = 100;
  auto start = std::chrono::steady_clock::now();
  MSG m;
  for (int done = 0; done < messages; done += batch) {
    for (int i = 0; i < batch; ++i) PostMessage(hwnd, WM_USER, WPARAM(i), 0);
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }
  double queued = Seconds(start);

  std::deque<MSG> plain;
  WNDPROC proc = CountingProc;
  start = std::chrono::steady_clock::now();
  for (int done = 0; done < messages; done += batch) {
    for (int i = 0; i < batch; ++i) plain.push_back(MSG{hwnd, WM_USER, WPARAM(i), 0, 0, {}});
    while (!plain.empty()) {
      MSG p = plain.front();
      plain.pop_front();
      proc(p.hwnd, p.message, p.wParam, p.lParam);
    }
  }
  double direct = Seconds(start);
  std::printf("messages:   %.0f/s through the queue, %.0f/s plain; ratio %.1f\n", messages / queued,
              messages / direct, queued / direct);

  // Filled rectangles of 200 x 150 on a 640 x 480 bitmap.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(640, 480, 1, 32, nullptr);
  SelectObject(dc, bmp);
  HBRUSH brush = CreateSolidBrush(0x336699);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < rects; ++i) {
    int x = (i * 37) % 440, y = (i * 53) % 330;
    RECT r{x, y, x + 200, y + 150};
    FillRect(dc, &r, brush);
  }
  double filled = Seconds(start);
  std::vector<uint32_t> pixels(640 * 480);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < rects; ++i) {
    int x = (i * 37) % 440, y = (i * 53) % 330;
    for (int row = y; row < y + 150; ++row)
      std::fill_n(pixels.data() + row * 640 + x, 200, uint32_t(0x336699 + (i & 1)));
  }
  double raw = Seconds(start);
  g_sink = g_sink + pixels[12345];
  std::printf("rectangles: %.0f/s through FillRect, %.0f/s plain fill; ratio %.2f\n",
              rects / filled, rects / raw, filled / raw);
  DeleteDC(dc);
  DeleteObject(bmp);
  DeleteObject(brush);
  DestroyWindow(hwnd);
  return 0;
}
