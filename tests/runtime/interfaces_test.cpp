// The binding vocabulary's core: interface method lookup by name along the
// class chain, and the notification lists with their broadcasts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/user/message_box.h"
#include "runtime/class_registry.h"
#include "runtime/framework_classes.h"
#include "runtime/interfaces.h"
#include "runtime/notification_list.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

// What the receivers and providers below were asked, in order.
std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

// A receiver field names it in the log; a list field lets it change the list
// it is told from.
struct ProbeFields {
  ObjectHeader header;
  int32_t id;
  NotificationList* list;
  int32_t removeSelf, emptyList;
};

ProbeFields* P(TessObject* o) {
  return reinterpret_cast<ProbeFields*>(o);
}

int g_destroyed = 0;

extern "C" void ProbeDataChanged(TessObject* self) {
  Log().push_back("dataChanged " + std::to_string(P(self)->id));
  if (P(self)->removeSelf) RemoveReceiver(P(self)->list, self);
  if (P(self)->emptyList) RemoveAllReceivers(P(self)->list);
}
extern "C" void ProbePerformAction(TessObject* self) {
  Log().push_back("PerformAction " + std::to_string(P(self)->id));
}
extern "C" TessString* ProbeGetString(TessObject*) {
  return MakeString("base");
}
extern "C" TessString* DerivedGetString(TessObject*) {
  return MakeString("derived");
}

const MethodRecord kProbeMethods[] = {
    {"DATACHANGED", nullptr, nullptr, 0, {(void*)&ProbeDataChanged}, {}},
    {"performaction", nullptr, nullptr, 0, {(void*)&ProbePerformAction}, {}},
    {"getString", nullptr, nullptr, 0, {(void*)&ProbeGetString}, {}},
};
const MethodRecord kDerivedMethods[] = {
    {"getString", nullptr, nullptr, 0, {(void*)&DerivedGetString}, {}},
};

struct Classes {
  ClassObject* probe;        // both receivers and StringProvider
  ClassObject* inheriting;   // a subclass declaring nothing
  ClassObject* redeclaring;  // a subclass overriding getString and declaring it again
  ClassObject* plain;        // implements nothing
};

const Classes& TestClasses() {
  static Classes classes = [] {
    InitFrameworkClasses();
    Classes c{};
    FrameworkClassDef def{};
    def.name = "BindingProbe";
    def.superclass = RootClass();
    def.instanceSize = sizeof(ProbeFields);
    def.methods = kProbeMethods;
    def.destruct = [](TessObject*, ClassObject*) { ++g_destroyed; };
    c.probe = BuildFrameworkClass(def);
    DeclareInterfaces(c.probe, {Iface::kDataNotificationReceiver,
                                Iface::kActionNotificationReceiver, Iface::kStringProvider});
    FrameworkClassDef sub{};
    sub.name = "BindingProbeInheriting";
    sub.superclass = c.probe;
    sub.instanceSize = sizeof(ProbeFields);
    sub.methods = kDerivedMethods;
    c.inheriting = BuildFrameworkClass(sub);
    sub.name = "BindingProbeRedeclaring";
    c.redeclaring = BuildFrameworkClass(sub);
    DeclareInterfaces(c.redeclaring, {Iface::kStringProvider});
    FrameworkClassDef plain{};
    plain.name = "BindingPlain";
    plain.superclass = RootClass();
    plain.instanceSize = sizeof(ProbeFields);
    c.plain = BuildFrameworkClass(plain);
    return c;
  }();
  return classes;
}

ObjectRef New(ClassObject* cls, int32_t id) {
  ObjectRef o = ObjectRef::Adopt(CreateObject(cls));
  P(o.get())->id = id;
  return o;
}

std::string StringFrom(TessObject* o) {
  uint32_t result = 0;
  if (!CallInterface(o, Iface::kStringProvider, "GetString", {}, &result)) return "<skipped>";
  StringRef s = StringRef::Adopt(reinterpret_cast<TessString*>(uintptr_t(result)));
  return test::Text(s.get());
}

TEST(InterfaceClasses, AreFrameworkInterfacesWithNamedMethodsOnly) {
  ClassObject* notifier = InterfaceClass(Iface::kListDataNotificationReceiver);
  ASSERT_NE(notifier, nullptr);
  EXPECT_EQ(FindClassByName("LISTDATANOTIFICATIONRECEIVER"), notifier);
  EXPECT_TRUE(notifier->isInterface);
  std::vector<std::string> names;
  for (const MethodDescriptor* m = notifier->methods; m; m = m->next) {
    names.push_back(test::Text(m->name));
    EXPECT_EQ(m->entry[0], nullptr);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"listDataInsertedRow", "listDataRemovedRow",
                                             "listDataReload"}));
  // An interface has no instances.
  EXPECT_EQ(CreateInstance(test::S("tupleInterface").get()), nullptr);
}

TEST(InterfaceLookup, FindsTheMethodByNameInAnyLetterCase) {
  const Classes& c = TestClasses();
  ObjectRef probe = New(c.probe, 1);
  ClassObject* receiver = InterfaceClass(Iface::kDataNotificationReceiver);
  EXPECT_EQ(FindInterfaceMethod(probe.get(), receiver, "dataChanged"), (void*)&ProbeDataChanged);
  EXPECT_EQ(FindInterfaceMethod(probe.get(), receiver, "DataChanged"), (void*)&ProbeDataChanged);
  EXPECT_EQ(FindInterfaceMethod(probe.get(), receiver, "dataChange"), nullptr);
  EXPECT_EQ(FindInterfaceMethod(probe.get(), receiver, "PerformAction"), nullptr)
      << "a method of another interface";
  EXPECT_EQ(FindInterfaceMethod(nullptr, receiver, "dataChanged"), nullptr);
  EXPECT_EQ(StringFrom(probe.get()), "base");
}

TEST(InterfaceLookup, WalksTheClassChainAndSkipsWhatIsNotImplemented) {
  const Classes& c = TestClasses();
  ObjectRef inheriting = New(c.inheriting, 2), redeclaring = New(c.redeclaring, 3);
  ObjectRef plain = New(c.plain, 4);
  EXPECT_TRUE(Implements(inheriting.get(), Iface::kStringProvider));
  // The first implementing record on the chain answers: the superclass's,
  // linked to its own getString, unless the subclass declares it again.
  EXPECT_EQ(StringFrom(inheriting.get()), "base");
  EXPECT_EQ(StringFrom(redeclaring.get()), "derived");
  EXPECT_FALSE(Implements(plain.get(), Iface::kStringProvider));
  EXPECT_FALSE(Implements(nullptr, Iface::kStringProvider));
  EXPECT_EQ(StringFrom(plain.get()), "<skipped>");
  EXPECT_FALSE(Implements(plain.get(), c.probe)) << "not an interface";
}

TEST(InterfaceLookup, ASlotBeyondTheImplementingTableIsAnAssertion) {
  FrameworkClassDef def{};
  def.name = "BindingShortTable";
  def.superclass = RootClass();
  def.instanceSize = sizeof(ProbeFields);
  ClassObject* cls = BuildFrameworkClass(def);
  // A record whose table stops before the interface's second method.
  void* table[2] = {nullptr, (void*)&ProbeDataChanged};
  InterfaceEntry entry{nullptr, InterfaceClass(Iface::kListSelectionNotificationReceiver), table,
                       2};
  cls->interfaces = &entry;
  std::vector<std::string> boxes;
  platform::SetMessageBoxHook([&boxes](const platform::MessageBoxRequest& r) {
    boxes.push_back(r.text);
    return platform::IDOK;
  });
  ObjectRef o = New(cls, 5);
  ClassObject* receiver = InterfaceClass(Iface::kListSelectionNotificationReceiver);
  EXPECT_EQ(FindInterfaceMethod(o.get(), receiver, "selectionchanging"), (void*)&ProbeDataChanged);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(FindInterfaceMethod(o.get(), receiver, "selectionChanged"), nullptr);
  platform::SetMessageBoxHook(nullptr);
  cls->interfaces = nullptr;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(" interfaceUtil : 114"), std::string::npos) << boxes[0];
}

class NotificationListTest : public testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    g_destroyed = 0;
  }
  void TearDown() override { RemoveAllReceivers(&list); }
  NotificationList list = nullptr;
};

TEST_F(NotificationListTest, ReceiversHearNewestFirstAndTwiceWhenAddedTwice) {
  const Classes& c = TestClasses();
  ObjectRef a = New(c.probe, 1), b = New(c.probe, 2);
  AddReceiver(&list, a.get());
  AddReceiver(&list, b.get());
  AddReceiver(&list, a.get());
  EXPECT_EQ(Header(a.get())->refCount, 3) << "each node locks its receiver";
  BroadcastDataChanged(&list);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dataChanged 1", "dataChanged 2", "dataChanged 1"}));
  RemoveReceiver(&list, a.get());
  EXPECT_EQ(CountReceivers(&list), 2);
  EXPECT_EQ(Header(a.get())->refCount, 2);
  Log().clear();
  BroadcastPerformAction(&list);
  EXPECT_EQ(Log(), (std::vector<std::string>{"PerformAction 2", "PerformAction 1"}))
      << "the first node of a receiver goes, the older stays";
  RemoveReceiver(&list, New(c.probe, 9).get());  // absent: ignored
  EXPECT_EQ(CountReceivers(&list), 2);
}

TEST_F(NotificationListTest, ReceiversWithoutTheMethodAreSkipped) {
  const Classes& c = TestClasses();
  ObjectRef plain = New(c.plain, 1), probe = New(c.probe, 2);
  AddReceiver(&list, probe.get());
  AddReceiver(&list, plain.get());
  AddReceiver(&list, nullptr);
  EXPECT_EQ(CountReceivers(&list), 2) << "nil is not added";
  BroadcastDataChanged(&list);
  BroadcastListDataReload(&list);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dataChanged 2"}));
}

TEST_F(NotificationListTest, TheListKeepsReceiversTheirOwnersLetGo) {
  const Classes& c = TestClasses();
  {
    ObjectRef a = New(c.probe, 1), b = New(c.probe, 2);
    AddReceiver(&list, a.get());
    AddReceiver(&list, b.get());
  }
  EXPECT_EQ(g_destroyed, 0);
  BroadcastDataChanged(&list);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dataChanged 2", "dataChanged 1"}));
  RemoveAllReceivers(&list);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(g_destroyed, 2) << "closing the owner lets them go";
}

TEST_F(NotificationListTest, ReceiversThatChangeTheListWhileToldAreSafe) {
  const Classes& c = TestClasses();
  ObjectRef a = New(c.probe, 1), b = New(c.probe, 2), d = New(c.probe, 3);
  AddReceiver(&list, a.get());
  AddReceiver(&list, b.get());
  AddReceiver(&list, d.get());
  P(d.get())->list = &list;
  P(d.get())->removeSelf = 1;
  BroadcastDataChanged(&list);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dataChanged 3", "dataChanged 2", "dataChanged 1"}));
  EXPECT_EQ(CountReceivers(&list), 2);
  // One that empties the list (its window closing) stops the rest.
  Log().clear();
  P(b.get())->list = &list;
  P(b.get())->emptyList = 1;
  a = ObjectRef();
  BroadcastDataChanged(&list);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dataChanged 2"}));
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(g_destroyed, 1) << "the receiver only the list held went with it";
}

}  // namespace
}  // namespace tess
