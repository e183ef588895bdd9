// Object creation and destruction, type tests, dispatch, hooks and the
// debugging entry points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/user/message_box.h"
#include "runtime/debug_objects.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::Text;

std::vector<std::string>* g_log;

void Log(const std::string& what) {
  g_log->push_back(what);
}

// Classes built by hand: root <- Base <- Derived, and an interface.
struct Classes {
  StaticString baseName{"Base"}, derivedName{"Derived"}, interfaceName{"Printable"};
  ClassObject base{}, derived{}, anonymous{}, interface {};
  InterfaceEntry baseImplements{};
  void* interfaceTable[3] = {nullptr, reinterpret_cast<void*>(0x1111),
                             reinterpret_cast<void*>(0x2222)};
  void* methods[2] = {reinterpret_cast<void*>(0xA0), reinterpret_cast<void*>(0xA1)};

  Classes() {
    base.superclass = RootClass();
    base.name = baseName.get();
    base.instanceSize = 24;
    base.construct = [](TessObject* o, ClassObject* c) { Log("construct " + Text(c->name)); };
    base.destruct = [](TessObject* o, ClassObject* c) { Log("destruct " + Text(c->name)); };
    base.methodTable = methods;
    base.methodTableLength = 2;
    interface.name = interfaceName.get();
    interface.isInterface = 1;
    baseImplements = InterfaceEntry{nullptr, &interface, interfaceTable, 3};
    base.interfaces = &baseImplements;
    derived.superclass = &base;
    derived.name = derivedName.get();
    derived.instanceSize = 122;
    derived.construct = [](TessObject* o, ClassObject* c) { Log("construct " + Text(c->name)); };
    derived.destruct = [](TessObject* o, ClassObject* c) { Log("destruct " + Text(c->name)); };
    anonymous.superclass = &derived;
    anonymous.instanceSize = 122;
    ClassObject* table[] = {RootClass(), &base, &derived, &interface, &anonymous};
    SetClassTable(table);
  }
  ~Classes() { SetClassTable({}); }
};

class ObjectsTest : public testing::Test {
 protected:
  void SetUp() override { g_log = &log; }
  void TearDown() override { g_log = nullptr; }
  std::vector<std::string> log;
  Classes classes;
};

TEST_F(ObjectsTest, CreationZeroesFieldsAndConstructsFromTheRootDown) {
  size_t before = HeapBytesInUse();
  TessObject* o = CreateObject(&classes.derived);
  EXPECT_EQ(HeapBytesInUse() - before, 124u) << "instance size 122 allocates 124 bytes";
  EXPECT_EQ(Header(o)->refCount, 1);
  EXPECT_EQ(Header(o)->cls, &classes.derived);
  const auto* fields = reinterpret_cast<const uint8_t*>(o) + 16;
  for (int i = 0; i < 124 - 16; ++i) ASSERT_EQ(fields[i], 0) << i;
  EXPECT_EQ(log, (std::vector<std::string>{"construct Base", "construct Derived"}));
  log.clear();
  RuntimeUnlockObject(o);
  EXPECT_EQ(log, (std::vector<std::string>{"destruct Derived", "destruct Base"}));
  EXPECT_EQ(HeapBytesInUse(), before);
}

TEST_F(ObjectsTest, LockingDuringDestructionDoesNotDestroyTwice) {
  classes.derived.destruct = [](TessObject* o, ClassObject*) {
    Log("destruct Derived, count " + std::to_string(Header(o)->refCount));
    RuntimeLockObject(o);
    RuntimeUnlockObject(o);
  };
  TessObject* o = CreateObject(&classes.derived);
  RuntimeUnlockObject(o);
  EXPECT_EQ(log, (std::vector<std::string>{"construct Base", "construct Derived",
                                           "destruct Derived, count 1", "destruct Base"}));
}

TessObject* g_inner;

TEST_F(ObjectsTest, DestructionInsideDestructionWaitsForTheOuterOne) {
  classes.derived.destruct = [](TessObject*, ClassObject*) {
    Log("outer destruct begins");
    RuntimeUnlockObject(g_inner);  // deferred until this destruction ends
    Log("outer destruct ends");
  };
  classes.base.destruct = [](TessObject* o, ClassObject*) {
    Log(o == g_inner ? "inner destroyed" : "outer base destroyed");
  };
  g_inner = CreateObject(&classes.base);
  TessObject* outer = CreateObject(&classes.derived);
  log.clear();
  RuntimeUnlockObject(outer);
  EXPECT_EQ(log, (std::vector<std::string>{"outer destruct begins", "outer destruct ends",
                                           "outer base destroyed", "inner destroyed"}));
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), 0);
}

TEST_F(ObjectsTest, UnlockingABadCountAssertsAndChangesNothing) {
  std::vector<platform::MessageBoxRequest> boxes;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& r) {
    boxes.push_back(r);
    return platform::IDOK;
  });
  TessObject* o = CreateObject(&classes.base);
  for (int32_t bad : {0, -1, int32_t(0xD0000001u)}) {
    Header(o)->refCount = bad;
    RuntimeUnlockObject(o);
    EXPECT_EQ(Header(o)->refCount, bad);
  }
  RuntimeUnlockObject(nullptr);
  RuntimeLockObject(nullptr);
  platform::SetMessageBoxHook(nullptr);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_NE(boxes[0].text.find(" objects : 316"), std::string::npos);
  Header(o)->refCount = 1;
  RuntimeUnlockObject(o);
}

TEST_F(ObjectsTest, TypeTestsFollowTheChainAndInheritedInterfaces) {
  TessObject* d = CreateObject(&classes.derived);
  TessObject* b = CreateObject(&classes.base);
  struct Case {
    TessObject* object;
    int32_t classIndex;
    int32_t expected;
  } cases[] = {
      {d, 0, 1}, {d, 1, 1}, {d, 2, 1},       {d, 3, 1},  // interface through Base
      {b, 2, 0}, {b, 3, 1}, {nullptr, 0, 0}, {nullptr, 1, 0}, {d, 99, 0}, {d, -1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RuntimeObjectIsa(c.object, c.classIndex), c.expected) << (c.object == d ? "Derived"
                                                                        : c.object    ? "Base"
                                                                                      : "nil")
                                                                    << " isa " << c.classIndex;
  }
  RuntimeCheckCast(nullptr, 2);  // nil always casts
  RuntimeCheckCast(d, 1);
  RuntimeUnlockObject(d);
  RuntimeUnlockObject(b);
}

TessObject* g_castee;
int32_t g_castIndex;

// Stands in for compiled code: the cast is made from inside a call through
// the barrier, which hands a raise back as a LanguageException.
void CastFromCompiledCode() {
  RuntimeCheckCast(g_castee, g_castIndex);
}

TEST_F(ObjectsTest, FailedCastsRaiseIllegalCastException) {
  InitFrameworkClasses();
  g_castee = CreateObject(&classes.base);
  g_castIndex = 1;
  EXPECT_NO_THROW(CallCompiled(reinterpret_cast<const void*>(&CastFromCompiledCode), {}))
      << "a valid cast returns";
  g_castIndex = 2;
  try {
    CallCompiled(reinterpret_cast<const void*>(&CastFromCompiledCode), {});
    ADD_FAILURE() << "the cast did not raise";
  } catch (LanguageException& e) {
    EXPECT_EQ(Header(e.exception())->cls, Exceptions().illegalCast);
    EXPECT_EQ(Header(e.exception())->refCount, 1) << "only the raise holds it";
  }
  RuntimeUnlockObject(g_castee);
}

TEST_F(ObjectsTest, MethodAndInterfaceTablesAreFoundThroughTheChain) {
  TessObject* d = CreateObject(&classes.derived);
  classes.derived.methodTable = classes.methods;
  classes.derived.methodTableLength = 2;
  EXPECT_EQ(FindVTableCode(d, 1), reinterpret_cast<void*>(0xA1));
  EXPECT_EQ(FindVTableCode(d, 2), nullptr) << "slots past the table find nothing";
  EXPECT_EQ(FindInterfaceVTableCode(d, 2, 3), reinterpret_cast<void*>(0x2222));
  EXPECT_EQ(FindInterfaceVTableCode(d, 1, 1), nullptr) << "Base is not an interface of Derived";
  EXPECT_EQ(FindInterfaceVTableCode(nullptr, 1, 3), nullptr);
  RuntimeUnlockObject(d);
}

TEST_F(ObjectsTest, HookLookupHonoursTheDefiningClassAndShadowing) {
  StaticString openName("Open"), otherOpen("OPEN");
  EventDescriptor open{nullptr, openName.get(), nullptr, nullptr};
  EventDescriptor redeclared{nullptr, otherOpen.get(), nullptr, nullptr};
  HookDescriptor baseHook{nullptr, openName.get(), 7, reinterpret_cast<void*>(0xB0)};
  HookDescriptor derivedHook{nullptr, otherOpen.get(), 7, reinterpret_cast<void*>(0xD0)};
  HookDescriptor anonHook{nullptr, openName.get(), 9, reinterpret_cast<void*>(0xE0)};
  ClassObject* root = RootClass();
  root->events = &open;  // the root defines Open
  classes.base.hooks = &baseHook;
  classes.derived.hooks = &derivedHook;
  classes.anonymous.hooks = &anonHook;
  TessObject* a = CreateObject(&classes.anonymous);

  // The handler closest to the defining class wins.
  EXPECT_EQ(FindHook(a, &open), reinterpret_cast<void*>(0xB0));
  // A class that declares another event of the same name hides what lies below it.
  classes.derived.events = &redeclared;
  EXPECT_EQ(FindHook(a, &open), reinterpret_cast<void*>(0xB0));
  EXPECT_EQ(FindHook(a, &redeclared), reinterpret_cast<void*>(0xE0));
  classes.base.hooks = nullptr;
  classes.derived.hooks = nullptr;
  EXPECT_EQ(FindHook(a, &open), nullptr) << "hooks below the redeclaring class are forgotten";
  classes.derived.hooks = &derivedHook;
  // By event number, the first hook from the object's class up.
  EXPECT_EQ(RuntimeFindHookCode(a, 7), reinterpret_cast<void*>(0xD0));
  EXPECT_EQ(RuntimeFindHookCode(a, 9), reinterpret_cast<void*>(0xE0));
  EXPECT_EQ(RuntimeFindHookCode(a, 8), nullptr);
  EXPECT_EQ(RuntimeFindHookCode(nullptr, 7), nullptr);
  root->events = nullptr;
  RuntimeUnlockObject(a);
}

TEST_F(ObjectsTest, DebugEntryPointsEnumerateLiveObjectsNewestFirst) {
  TessObject* first = CreateObject(&classes.base);
  TessObject* second = CreateObject(&classes.anonymous);
  TessObject* third = CreateObject(&classes.derived);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), 3);
  EXPECT_EQ(RuntimeDebugObjectCount(third), 2);
  EXPECT_EQ(Text(test::Take(RuntimeDebugObjectClass(third, 0)).get()), "Derived")
      << "the anonymous class reports its nearest named ancestor";
  EXPECT_EQ(Text(test::Take(RuntimeDebugObjectClass(third, 1)).get()), "Base");
  EXPECT_EQ(RuntimeDebugObjectClass(third, 2), nullptr);
  int32_t id = RuntimeDebugObjectID(nullptr, 2);
  EXPECT_EQ(uint32_t(id), uint32_t(uintptr_t(first)) ^ 0x15C7A3u);
  EXPECT_EQ(RuntimeDebugObjectID(nullptr, 2), id) << "IDs are stable";
  EXPECT_EQ(RuntimeDebugObjectID(nullptr, 3), 0);
  RuntimeLockObject(second);
  EXPECT_EQ(RuntimeDebugObjectRefs(third, 0), 2);
  EXPECT_EQ(RuntimeDebugObjectRefs(third, 5), 0);

  std::vector<std::string> lines;
  DumpObjects([&](std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(lines, (std::vector<std::string>{std::to_string(HeapBytesInUse()) + " used in heap1",
                                             "3 objects", "Derived", "Derived", "Base"}));
  ClassObject nameless{};
  nameless.instanceSize = 16;
  TessObject* orphan = CreateObject(&nameless);
  lines.clear();
  DumpObjects([&](std::string_view line) { lines.emplace_back(line); });
  EXPECT_EQ(lines[2], "<Unnamed object class>");

  for (TessObject* o : {first, second, second, third, orphan}) RuntimeUnlockObject(o);
  EXPECT_EQ(RuntimeDebugObjectCount(nullptr), 0);
}

TEST(DebugInstance, IsOneObjectThatSurvivesItsCallersReleases) {
  TessObject* a = RuntimeDebugInstance();
  RuntimeUnlockObject(a);
  TessObject* b = RuntimeDebugInstance();
  EXPECT_EQ(a, b);
  EXPECT_EQ(Header(b)->refCount, 2);
  RuntimeUnlockObject(b);
}

TEST(InternalBlocks, DamagedGuardsAreReportedNotFreed) {
  std::vector<std::string> texts;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& r) {
    texts.push_back(r.text);
    return platform::IDOK;
  });
  size_t before = HeapBytesInUse();
  auto* block = static_cast<uint8_t*>(AllocateInternalBlock(40));
  EXPECT_EQ(HeapBytesInUse() - before, 48u);
  block[-1] ^= 0xFF;  // damage the guard
  FreeInternalBlock(block);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(" dump : 68"), std::string::npos);
  block[-1] ^= 0xFF;
  FreeInternalBlock(block);
  EXPECT_EQ(HeapBytesInUse(), before);
  platform::SetMessageBoxHook(nullptr);
}

}  // namespace
}  // namespace tess
