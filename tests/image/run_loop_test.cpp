// The run loop without windows, idle work, background work and the loop's
// recovery. Each test brings up its own runtime: CTest runs them one per process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/startup.h"
#include "platform/user/winuser.h"
#include "runtime/exceptions.h"
#include "runtime/object_layout.h"
#include "runtime/string_value.h"
#include "tessera/image.h"
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

namespace tess {
namespace {

TESS_STRING(kApplicationName, "Application");
TESS_STRING(kAppName, "App");
TESS_STRING(kUnhandledName, "UnhandledException");

std::vector<std::string> g_events;

int32_t AbsorbUnhandled(TessObject* app, TessObject* error) {
  g_events.push_back("UnhandledException " + std::string(View(Header(error)->cls->name)));
  return 1;
}

uint32_t W(const void* p) {
  return uint32_t(reinterpret_cast<uintptr_t>(p));
}

TEST(RunLoop, AnAbsorbedExceptionAbandonsTheIterationAndTheLoopGoesOn) {
  std::vector<uint32_t> framework{1, W(&kApplicationName)};
  std::vector<uint32_t> app{0,
                            20,
                            W(&kAppName),
                            0,
                            0,
                            0,
                            0,
                            0,
                            1,
                            W(&kUnhandledName),
                            W(reinterpret_cast<void*>(&AbsorbUnhandled)),
                            0,
                            0,
                            0,
                            0};
  std::vector<uint32_t> descriptor{2, W(framework.data()), W(app.data()), 0};
  RuntimeInit(descriptor.data());
  AddPendingCall(
      [](void*) {
        g_events.push_back("pending call raises");
        ThrowNew(Exceptions().nilObject);
      },
      nullptr);
  AddPeriodicService([] { g_events.push_back("periodic"); });
  RuntimeRun();
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"pending call raises",
                                      "UnhandledException NilObjectException", "periodic"}))
      << "the first iteration stops at the raise; the next one runs to the end";
}

}  // namespace
}  // namespace tess
