// The run loop without windows, idle work and background work.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/startup.h"
#include "platform/user/winuser.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

std::vector<std::string> g_log;
int g_periodic = 0;

TEST(RunLoop, WithNoWindowOpenOneIterationRunsIdleWorkThenEnds) {
  g_log.clear();
  AddPendingCall([](void* c) { g_log.push_back(static_cast<const char*>(c)); },
                 const_cast<char*>("first added"));
  AddPendingCall([](void* c) { g_log.push_back(static_cast<const char*>(c)); },
                 const_cast<char*>("second added"));
  AddPeriodicService([] { g_log.push_back("periodic"); });
  RuntimeRun();
  EXPECT_EQ(g_log, (std::vector<std::string>{"second added", "first added", "periodic"}))
      << "pending calls run from the last to the first, then the periodic step";
}

TEST(RunLoop, BackgroundWorkRunsAtMostOncePerTick) {
  AddPeriodicService([] { ++g_periodic; });
  uint32_t first = platform::GetTickCount(), calls = 0;
  while (platform::GetTickCount() - first < 3) {
    RuntimeBackgroundTask();
    ++calls;
  }
  uint32_t last = platform::GetTickCount();
  EXPECT_GE(g_periodic, 1);
  EXPECT_LE(uint32_t(g_periodic), last - first + 1) << "one run per distinct tick at most";
  EXPECT_GT(calls, uint32_t(g_periodic)) << "most calls return at once";
}

}  // namespace
}  // namespace tess
