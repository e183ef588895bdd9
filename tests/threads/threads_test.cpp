// Thread, Semaphore and CriticalSection from the runtime's side: the stack
// size rule, Run events on host threads, shared strings and dictionaries
// under a CriticalSection, the binary semaphore, and the reference a running
// thread keeps on its object. Run handlers are plain cdecl functions hooked
// into a subclass of Thread, as compiled code's would be.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "files/file_classes.h"
#include "image/startup.h"
#include "platform/kernel/process.h"
#include "platform/kernel/thread.h"
#include "platform/user/message_box.h"
#include "runtime/class_registry.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "threads/threads.h"
#include "values/dictionary.h"

namespace tess {
namespace {

using test::S;
using test::Text;

class ThreadsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitFrameworkValueAndFileClasses();
    InitThreadClasses();
  }
  void TearDown() override { WaitForThreads(); }

  // A subclass of Thread whose Run event is handled by `run`.
  static ClassObject* ThreadWithRun(uint32_t (*run)(TessObject*)) {
    auto* hook = static_cast<HookDescriptor*>(AllocateInternalBlock(sizeof(HookDescriptor)));
    hook->name = MakeString("Run");
    hook->code = reinterpret_cast<void*>(run);
    auto* cls = static_cast<ClassObject*>(AllocateInternalBlock(sizeof(ClassObject)));
    cls->superclass = ThreadClass();
    cls->instanceSize = ThreadClass()->instanceSize;
    cls->hooks = hook;
    return cls;
  }
};

TEST_F(ThreadsTest, StackSizeReadsBackByItsRule) {
  struct Case {
    int32_t set;
    int32_t reads;
  };
  const Case cases[] = {{0, 925696}, {-1, 925696},   {INT32_MIN, 925696},
                        {1, 1},      {65536, 65536}, {0x200000, 0x200000}};
  ObjectRef thread = ObjectRef::Adopt(CreateObject(ThreadClass()));
  EXPECT_EQ(ThreadGetStackSize(thread.get(), 0), 925696) << "never set";
  EXPECT_EQ(threadID(thread.get()), 0) << "never started";
  for (const Case& c : cases) {
    ThreadSetStackSize(thread.get(), 0, c.set);
    EXPECT_EQ(ThreadGetStackSize(thread.get(), 0), c.reads) << c.set;
  }
}

// Many threads append to one string and one dictionary, each change made
// inside the critical section; nothing may be lost or doubled.
constexpr int kWriters = 8;
constexpr int kAppendsEach = 400;
TessString* g_shared = nullptr;
TessObject* g_section = nullptr;
TessObject* g_dictionary = nullptr;
std::atomic<int> g_nextKey{0};

uint32_t AppendUnderSection(TessObject*) {
  StringRef piece = S("ab");
  for (int i = 0; i < kAppendsEach; ++i) {
    criticalsection_enter(g_section);
    criticalsection_enter(g_section);  // re-entered by its owner
    TessString* old = g_shared;
    g_shared = RuntimeAddString(old, piece.get());
    RuntimeUnlockString(old);
    ObjectRef key = ObjectRef::Adopt(intToVariant(g_nextKey++));
    ObjectRef value = ObjectRef::Adopt(stringToVariant(g_shared));
    dictionaryValueSetter(g_dictionary, key.get(), value.get());
    criticalsection_leave(g_section);
    criticalsection_leave(g_section);
  }
  return 0;
}

TEST_F(ThreadsTest, WritersUnderACriticalSectionLoseNothing) {
  ObjectRef section = ObjectRef::Adopt(CreateObject(CriticalSectionClass()));
  ObjectRef dictionary = ObjectRef::Adopt(CreateObject(DictionaryClass()));
  g_section = section.get();
  g_dictionary = dictionary.get();
  g_shared = nullptr;
  ClassObject* writer = ThreadWithRun(&AppendUnderSection);
  size_t before = HeapBytesInUse();
  {
    std::vector<ObjectRef> threads;
    for (int i = 0; i < kWriters; ++i) {
      threads.push_back(ObjectRef::Adopt(CreateObject(writer)));
      threadRun(threads.back().get());
    }
    WaitForThreads();
  }
  EXPECT_EQ(Length(g_shared), 2 * kWriters * kAppendsEach);
  EXPECT_EQ(dictionaryCount(g_dictionary, 0), kWriters * kAppendsEach);
  // Each value is the string as it stood after its own append.
  std::vector<bool> seen(size_t(kWriters * kAppendsEach) + 1, false);
  for (int i = 0; i < kWriters * kAppendsEach; ++i) {
    ObjectRef key = ObjectRef::Adopt(intToVariant(i));
    ObjectRef value = ObjectRef::Adopt(dictionaryValueGetter(g_dictionary, key.get()));
    StringRef text = StringRef::Adopt(variantToString(value.get()));
    size_t appends = size_t(Length(text.get()) / 2);
    EXPECT_FALSE(seen[appends]) << "two values of the same length";
    seen[appends] = true;
  }
  dictionaryRemoveAll(g_dictionary);
  RuntimeUnlockString(g_shared);
  g_shared = nullptr;
  EXPECT_EQ(HeapBytesInUse(), before) << "the threads' objects were all released";
}

// Without any lock of the application's: threads create and release objects
// of their own and take and drop references to one shared object. The live
// list and every count must come out exact.
TessObject* g_sharedObject = nullptr;
ClassObject* g_plainClass = nullptr;
std::atomic<bool> g_churnGo{false};
uint32_t ChurnObjects(TessObject*) {
  while (!g_churnGo) platform::SwitchToThread();  // all start together
  for (int i = 0; i < 200000; ++i) {
    TessObject* own = CreateObject(g_plainClass);
    for (int k = 0; k < 8; ++k) {
      RuntimeLockObject(g_sharedObject);
      RuntimeUnlockObject(g_sharedObject);
    }
    RuntimeUnlockObject(own);
  }
  return 0;
}

TEST_F(ThreadsTest, CountsAndTheLiveListStayExactWithoutApplicationLocks) {
  static ClassObject plain = [] {
    ClassObject c{};
    c.superclass = RootClass();
    c.instanceSize = 24;
    return c;
  }();
  g_plainClass = &plain;
  ObjectRef shared = ObjectRef::Adopt(CreateObject(&plain));
  g_sharedObject = shared.get();
  ClassObject* churner = ThreadWithRun(&ChurnObjects);
  int32_t objects = RuntimeDebugObjectCount(nullptr);
  size_t bytes = HeapBytesInUse();
  g_churnGo = false;
  for (int i = 0; i < 3; ++i) {
    ObjectRef thread = ObjectRef::Adopt(CreateObject(churner));
    threadRun(thread.get());
  }
  g_churnGo = true;
  ChurnObjects(nullptr);  // the main thread takes part too
  WaitForThreads();
  EXPECT_EQ(Header(shared.get())->refCount, 1);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), objects);
  EXPECT_EQ(HeapBytesInUse(), bytes);
}

// A running thread keeps its object: dropping the last outside reference
// while Run is in progress destroys it only once Run has returned.
platform::HANDLE g_go = nullptr;
std::atomic<int> g_runsFinished{0};
uint32_t WaitForGo(TessObject*) {
  platform::WaitForSingleObject(g_go, platform::INFINITE);
  ++g_runsFinished;
  return 0;
}

TEST_F(ThreadsTest, RunningThreadKeepsItsObjectAndRefusesAStackSize) {
  g_go = platform::CreateEvent(nullptr, platform::TRUE, platform::FALSE, nullptr);
  g_runsFinished = 0;
  int32_t objects = RuntimeDebugObjectCount(nullptr);
  TessObject* thread = CreateObject(ThreadWithRun(&WaitForGo));
  threadRun(thread);
  int32_t id = threadID(thread);
  EXPECT_NE(id, 0);
  threadRun(thread);  // already running: nothing
  EXPECT_EQ(threadID(thread), id);
  const ClassObject* raised = test::RaisedBy([thread] { ThreadSetStackSize(thread, 0, 4096); });
  ASSERT_NE(raised, nullptr);
  EXPECT_EQ(Text(raised->name), "ThreadAlreadyRunningException");
  EXPECT_EQ(ThreadGetStackSize(thread, 0), 925696) << "unchanged";
  UnlockObject(thread);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), objects + 1) << "the thread holds it";
  platform::SetEvent(g_go);
  WaitForThreads();
  EXPECT_EQ(g_runsFinished, 1);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), objects);
  platform::CloseHandle(g_go);
}

TEST_F(ThreadsTest, ThreadStartsAgainAfterRunReturns) {
  g_go = platform::CreateEvent(nullptr, platform::TRUE, platform::TRUE, nullptr);
  g_runsFinished = 0;
  ObjectRef thread = ObjectRef::Adopt(CreateObject(ThreadWithRun(&WaitForGo)));
  threadRun(thread.get());
  WaitForThreads();
  int32_t first = threadID(thread.get());
  ThreadSetStackSize(thread.get(), 0, 0x40000);  // allowed again once Run returned
  threadRun(thread.get());
  WaitForThreads();
  EXPECT_EQ(g_runsFinished, 2);
  EXPECT_NE(threadID(thread.get()), first) << "each start is a new host thread";
  platform::CloseHandle(g_go);
}

// Signal twice without Release: the second caller waits for a Release.
TessObject* g_semaphore = nullptr;
std::atomic<int> g_signalled{0};
uint32_t SignalOnce(TessObject*) {
  semaphore_signal(g_semaphore);
  ++g_signalled;
  return 0;
}

TEST_F(ThreadsTest, SecondSignalWaitsForARelease) {
  ObjectRef semaphore = ObjectRef::Adopt(CreateObject(SemaphoreClass()));
  g_semaphore = semaphore.get();
  g_signalled = 0;
  semaphore_signal(g_semaphore);
  ObjectRef thread = ObjectRef::Adopt(CreateObject(ThreadWithRun(&SignalOnce)));
  threadRun(thread.get());
  platform::Sleep(50);
  EXPECT_EQ(g_signalled, 0) << "the second Signal went through without a Release";
  semaphore_release(g_semaphore);
  WaitForThreads();
  EXPECT_EQ(g_signalled, 1);
  semaphore_release(g_semaphore);
  semaphore_signal(g_semaphore);  // free again: does not block
  semaphore_release(g_semaphore);
}

// Compiled loops call RuntimeBackgroundTask; on a Thread it must not run the
// main thread's idle work.
std::atomic<int> g_periodic{0};
uint32_t CallBackgroundTask(TessObject*) {
  RuntimeBackgroundTask();
  return 0;
}

TEST_F(ThreadsTest, BackgroundWorkStaysOnTheMainThread) {
  AddPeriodicService([] { ++g_periodic; });
  ObjectRef thread = ObjectRef::Adopt(CreateObject(ThreadWithRun(&CallBackgroundTask)));
  threadRun(thread.get());
  WaitForThreads();
  EXPECT_EQ(g_periodic, 0);
  RuntimeBackgroundTask();
  EXPECT_EQ(g_periodic, 1);
}

TEST_F(ThreadsTest, NilThreadStackSizeIsAnInternalAssertion) {
  std::vector<std::string> boxes;
  platform::SetMessageBoxHook([&boxes](const platform::MessageBoxRequest& r) {
    boxes.push_back(r.text);
    return platform::IDOK;
  });
  EXPECT_EQ(ThreadGetStackSize(nullptr, 0), 0);
  ThreadSetStackSize(nullptr, 0, 4096);
  platform::SetMessageBoxHook(nullptr);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("application : 3627"), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[1].find("application : 3648"), std::string::npos) << boxes[1];
}

TEST_F(ThreadsTest, NilReceiversRaiseNilObjectException) {
  for (auto body : {+[] { threadRun(nullptr); }, +[] { semaphore_signal(nullptr); },
                    +[] { criticalsection_enter(nullptr); }, +[] { (void)threadID(nullptr); }}) {
    const ClassObject* raised = test::RaisedBy(body);
    ASSERT_NE(raised, nullptr);
    EXPECT_EQ(Text(raised->name), "NilObjectException");
  }
}

}  // namespace
}  // namespace tess
