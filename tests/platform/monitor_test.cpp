// Monitors, keyboard layouts, created cursors and font families as the host
// layer answers them headless.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/user/winuser.h"

namespace tess::platform {
namespace {

struct Seen {
  std::vector<HMONITOR> monitors;
  std::vector<RECT> rects;
  int stopAfter = 100;
};

BOOL Collect(HMONITOR monitor, HDC, RECT* rect, LPARAM data) {
  auto* seen = reinterpret_cast<Seen*>(data);
  seen->monitors.push_back(monitor);
  seen->rects.push_back(*rect);
  return int(seen->monitors.size()) < seen->stopAfter;
}

TEST(Monitors, HeadlessTheDesktopIsTheOnePrimaryMonitor) {
  Seen seen;
  ASSERT_TRUE(EnumDisplayMonitors(nullptr, nullptr, &Collect, LPARAM(&seen)));
  ASSERT_EQ(seen.monitors.size(), 1u);
  RECT desktop{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  EXPECT_TRUE(EqualRect(&seen.rects[0], &desktop));
  MONITORINFO info;
  ASSERT_TRUE(GetMonitorInfo(seen.monitors[0], &info));
  EXPECT_TRUE(EqualRect(&info.rcMonitor, &desktop));
  EXPECT_EQ(info.dwFlags, DWORD(MONITORINFOF_PRIMARY));
  EXPECT_EQ(info.bitsPerPixel, 32u);

  // A clip shows the part inside it; one outside every monitor shows none.
  Seen clipped;
  RECT clip{10, 20, 50, 60};
  EnumDisplayMonitors(nullptr, &clip, &Collect, LPARAM(&clipped));
  ASSERT_EQ(clipped.rects.size(), 1u);
  EXPECT_TRUE(EqualRect(&clipped.rects[0], &clip));
  Seen none;
  RECT away{-500, -500, -400, -400};
  EnumDisplayMonitors(nullptr, &away, &Collect, LPARAM(&none));
  EXPECT_TRUE(none.monitors.empty());

  EXPECT_FALSE(GetMonitorInfo(nullptr, &info));
  EXPECT_FALSE(GetMonitorInfo(reinterpret_cast<HMONITOR>(uintptr_t(2)), &info));
  MONITORINFO small;
  small.cbSize = 8;
  EXPECT_FALSE(GetMonitorInfo(seen.monitors[0], &small));
  EXPECT_FALSE(EnumDisplayMonitors(nullptr, nullptr, nullptr, 0));
}

TEST(KeyboardLayouts, ActivatingRecordsTheLayout) {
  HKL us = GetKeyboardLayout(0);
  EXPECT_EQ(uintptr_t(us) & 0xFFFF, 0x0409u);
  HKL japanese = reinterpret_cast<HKL>(uintptr_t(0x04110411));
  EXPECT_EQ(ActivateKeyboardLayout(japanese, 0), us);
  EXPECT_EQ(GetKeyboardLayout(0), japanese);
  EXPECT_EQ(ActivateKeyboardLayout(nullptr, 0), nullptr);
  EXPECT_EQ(GetKeyboardLayout(0), japanese);
  ActivateKeyboardLayout(us, 0);
}

TEST(CreatedCursors, KeptUntilDestroyedAndBounded) {
  std::vector<uint8_t> planes(2 * 32, 0);
  HCURSOR cursor = CreateCursor(nullptr, 40, -3, 16, 32, planes.data(), planes.data());
  ASSERT_NE(cursor, nullptr);
  int width = 0, height = 0;
  POINT hot{};
  ASSERT_TRUE(GetCursorInfoBits(cursor, &width, &height, &hot));
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 32);
  EXPECT_EQ(hot.x, 15);  // hot spots are kept inside the cursor
  EXPECT_EQ(hot.y, 0);
  SetCursor(cursor);
  EXPECT_TRUE(DestroyCursor(cursor));
  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_FALSE(GetCursorInfoBits(cursor, &width, &height, &hot));
  EXPECT_FALSE(DestroyCursor(cursor));
  std::vector<uint8_t> big(size_t(64) * 512, 0);
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 512, 16, big.data(), big.data()), nullptr);
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 0, 16, big.data(), big.data()), nullptr);
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 16, 16, nullptr, big.data()), nullptr);
  HCURSOR arrow = LoadCursor(nullptr, reinterpret_cast<const char*>(32512));
  EXPECT_FALSE(GetCursorInfoBits(arrow, &width, &height, &hot));
}

int CollectName(const LOGFONT* lf, const TEXTMETRIC* tm, DWORD type, LPARAM data) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(data);
  names->push_back(lf->lfFaceName);
  EXPECT_GT(tm->tmHeight, 0);
  EXPECT_EQ(type, DWORD(TRUETYPE_FONTTYPE));
  return names->size() < 3 ? 1 : 0;
}

TEST(FontFamilies, EnumeratedOnceEachAndFilteredByName) {
  std::vector<std::string> names;
  EXPECT_EQ(EnumFontFamilies(nullptr, nullptr, &CollectName, LPARAM(&names)), 0);  // stopped
  EXPECT_EQ(names.size(), 3u);
  names.clear();
  EXPECT_EQ(EnumFontFamilies(nullptr, "times new roman", &CollectName, LPARAM(&names)), 1);
  EXPECT_EQ(names, std::vector<std::string>{"Times New Roman"});
  names.clear();
  EnumFontFamilies(nullptr, "No Such Font", &CollectName, LPARAM(&names));
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace tess::platform
