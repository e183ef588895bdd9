// Raising across the runtime's own frames: destructors run and locks are
// released before a raise reaches compiled code, barriers turn walks back
// into throws, and the stack limit belongs to each thread.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

std::mutex g_lock;
bool g_destructorRan = false;

struct Cleanup {
  ~Cleanup() { g_destructorRan = true; }
};

// An entry point whose runtime code raises while holding a lock and an
// object with a destructor.
__attribute__((noinline)) void EntryThatRaises() {
  AtEntry([] {
    std::lock_guard<std::mutex> held(g_lock);
    Cleanup cleanup;
    ThrowNew(Exceptions().outOfBounds, "index 7");
  });
}

// Stands in for compiled code calling the entry point.
void CompiledCaller() {
  EntryThatRaises();
}

TEST(Raising, CrossesRuntimeFramesWithDestructorsRunAndLocksReleased) {
  InitFrameworkClasses();
  g_destructorRan = false;
  int32_t liveBefore = RuntimeDebugObjectCount(nullptr);
  try {
    CallCompiled(reinterpret_cast<const void*>(&CompiledCaller), {});
    ADD_FAILURE() << "nothing was raised";
  } catch (LanguageException& e) {
    EXPECT_EQ(Header(e.exception())->cls, Exceptions().outOfBounds);
    EXPECT_FALSE(e.unhandled()) << "no walk ended: the barrier took it back";
    TessString* message = stringGetter(e.exception(), 24);
    EXPECT_STREQ(StringToCString(message), "index 7");
    RuntimeUnlockString(message);
  }
  EXPECT_TRUE(g_destructorRan);
  EXPECT_TRUE(g_lock.try_lock()) << "the lock was released by unwinding";
  g_lock.unlock();
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), liveBefore) << "the raise's reference was dropped";
}

void InnerCompiled() {
  RuntimeNilObject();
}

__attribute__((noinline)) void EntryCallingCompiledCode() {
  AtEntry([] { CallCompiled(reinterpret_cast<const void*>(&InnerCompiled), {}); });
}

void OuterCompiled() {
  EntryCallingCompiledCode();
}

TEST(Raising, NestedBarriersHandTheRaiseOutwards) {
  InitFrameworkClasses();
  int32_t liveBefore = RuntimeDebugObjectCount(nullptr);
  try {
    CallCompiled(reinterpret_cast<const void*>(&OuterCompiled), {});
    ADD_FAILURE() << "nothing was raised";
  } catch (LanguageException& e) {
    EXPECT_EQ(Header(e.exception())->cls, Exceptions().nilObject);
  }
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), liveBefore);
}

TEST(StackLimit, BelongsToEachThread) {
  TessSetStackLimit(0x1234);
  uintptr_t seenByOther = 1;
  std::thread other([&] {
    seenByOther = TessGetStackLimit();
    TessInitStackChecker(64 * 1024);
  });
  other.join();
  EXPECT_EQ(seenByOther, 0u);
  EXPECT_EQ(TessGetStackLimit(), 0x1234u) << "another thread's checker leaves this one alone";
  TessInitStackChecker(0xE2000);
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  EXPECT_LT(TessGetStackLimit(), here);
  EXPECT_GT(TessGetStackLimit(), here - 0xE2000);
  TessSetStackLimit(0);
}

}  // namespace
}  // namespace tess
