// The window system's two hot paths, each as a ratio against the plainest
// code doing the same work in the same run:
//  - posted messages through PostMessage, PeekMessage and DispatchMessage
//    against a deque of the same MSG records popped and called directly,
//    timed in short alternating samples of 10,000 messages and compared by
//    their medians, so that other load on a shared machine falls on both
//    sides alike and a preempted sample does not decide the ratio;
//  - filled rectangles through FillRect on a 32-bit memory context against
//    filling the same rows with std::fill (what memset does for 32 bits),
//    the median of several rounds of each.
//
// Usage: ui_bench [messages] [rectangles] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "bench_support.h"
#include "platform/user/winuser.h"

using namespace tess::platform;
using tess::bench::MedianSeconds;

namespace {

volatile uint32_t g_sink = 0;

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Creation needs the default answers (WM_NCCREATE must say yes).
LRESULT CountingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg != WM_USER) return DefWindowProc(hwnd, msg, w, l);
  g_sink = g_sink + msg + uint32_t(w);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int messages = argc > 1 ? std::atoi(argv[1]) : 1000000;
  int rects = argc > 2 ? std::atoi(argv[2]) : 20000;
  int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

  WNDCLASS wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "Bench";
  RegisterClass(&wc);
  HWND hwnd =
      CreateWindowEx(0, "Bench", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "ui_bench: no window to post to\n");
    return 1;
  }

  // Posted messages, in batches so the queue stays short as in real use.
  const int batch = 100, sample = 10000;
  std::deque<MSG> plain;
  WNDPROC proc = CountingProc;
  std::vector<double> queuedTimes, plainTimes;
  for (int done = 0; done < messages; done += sample) {
    queuedTimes.push_back(MedianSeconds(1, [&] {
      MSG m;
      for (int sent = 0; sent < sample; sent += batch) {
        for (int i = 0; i < batch; ++i) PostMessage(hwnd, WM_USER, WPARAM(i), 0);
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
      }
    }));
    plainTimes.push_back(MedianSeconds(1, [&] {
      for (int sent = 0; sent < sample; sent += batch) {
        for (int i = 0; i < batch; ++i) plain.push_back(MSG{hwnd, WM_USER, WPARAM(i), 0, 0, {}});
        while (!plain.empty()) {
          MSG p = plain.front();
          plain.pop_front();
          proc(p.hwnd, p.message, p.wParam, p.lParam);
        }
      }
    }));
  }
  double queued = Median(queuedTimes), direct = Median(plainTimes);
  std::printf("messages:   %.0f/s through the queue, %.0f/s plain; ratio %.1f\n", sample / queued,
              sample / direct, queued / direct);

  // Filled rectangles of 200 x 150 on a 640 x 480 bitmap.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(640, 480, 1, 32, nullptr);
  SelectObject(dc, bmp);
  HBRUSH brush = CreateSolidBrush(0x336699);
  double filled = MedianSeconds(rounds, [&] {
    for (int i = 0; i < rects; ++i) {
      int x = (i * 37) % 440, y = (i * 53) % 330;
      RECT r{x, y, x + 200, y + 150};
      FillRect(dc, &r, brush);
    }
  });
  std::vector<uint32_t> pixels(640 * 480);
  double raw = MedianSeconds(rounds, [&] {
    for (int i = 0; i < rects; ++i) {
      int x = (i * 37) % 440, y = (i * 53) % 330;
      for (int row = y; row < y + 150; ++row)
        std::fill_n(pixels.data() + row * 640 + x, 200, uint32_t(0x336699 + (i & 1)));
    }
  });
  g_sink = g_sink + pixels[12345];
  std::printf("rectangles: %.0f/s through FillRect, %.0f/s plain fill; ratio %.2f\n",
              rects / filled, rects / raw, filled / raw);
  DeleteDC(dc);
  DeleteObject(bmp);
  DeleteObject(brush);
  DestroyWindow(hwnd);
  return 0;
}
