// Plug-in registrations as the runtime keeps them: method declarations and
// their reports, the interface versions of PluginRegisterMethod, classes,
// interfaces, extensions and controls with their superclasses linked by
// name, events fired through GetEventInstance, data sources, and the
// deferred references that reach plug-in members.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/user/message_box.h"
#include "runtime/class_registry.h"
#include "runtime/framework_classes.h"
#include "runtime/heap.h"
#include "runtime/objects.h"
#include "runtime/plugin_declarations.h"
#include "runtime/plugins.h"
#include "runtime/runtime_test_support.h"
#include "tessera/plugin.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

using test::Text;

class PluginsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitFrameworkClasses(); }
  void SetUp() override {
    ResetPluginsForTest();
    platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& r) {
      reports_.push_back(r.text);
      return platform::IDOK;
    });
    BeginPlugin("C:\\test.dll", nullptr);
  }
  void TearDown() override {
    EndPlugin();
    platform::SetMessageBoxHook(nullptr);
    ResetPluginsForTest();
  }
  std::vector<std::string> reports_;
};

TEST_F(PluginsTest, DeclarationsReadOrReportTheirFault) {
  struct Case {
    const char* text;
    const char* error;  // empty: reads
  };
  const Case cases[] = {
      {"Beep", ""},
      {"Twice(n As Integer) As Integer", ""},
      {"Pair(ByVal a As String, ByRef b As double)", ""},
      {"Fill(list() As Integer, c As Color)", ""},
      {"Fault(e As RuntimeException) As Boolean", ""},
      {"(n As Integer)", "Invalid plugin method format: (n As Integer)"},
      {"Sum(a, b As Integer)", "Invalid plugin method format: Sum(a, b As Integer)"},
      {"Sum(a Integer)", "Invalid plugin method format: Sum(a Integer)"},
      {"Sum(a As Widget)", "Unknown type \"Widget\" in plugin method Sum(a As Widget)"},
      {"Sum() As Gadget", "Unknown type \"Gadget\" in plugin method Sum() As Gadget"},
      {"Sum() As (", "Invalid return type: Sum() As ("},
      {"Sum() As", "Invalid return type: Sum() As"},
      {"Open(f As DatabaseCursor)",
       "Unknown type \"DatabaseCursor\" in plugin method "
       "Open(f As DatabaseCursor)"},  // no RecordSet built here
  };
  for (const Case& c : cases) {
    Declaration d;
    std::string error;
    bool read = ParseDeclaration(c.text, &d, &error);
    EXPECT_EQ(read, *c.error == 0) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  Declaration d;
  std::string error;
  ASSERT_TRUE(ParseDeclaration("Pair(ByVal a As String, b() As Double) As color", &d, &error));
  EXPECT_EQ(d.name, "Pair");
  EXPECT_EQ(d.parameters, "ByVal a As String, b() As Double");
  ASSERT_EQ(d.parameterTypes.size(), 2u);
  EXPECT_EQ(d.parameterTypes[1].builtIn, &kDoubleType);
  EXPECT_EQ(d.returnType.builtIn, &kColorType);
}

int32_t First(int32_t n) {
  return n + 1;
}
int32_t Second(int32_t n) {
  return n + 2;
}

TEST_F(PluginsTest, MethodsFollowThePluginsInterfaceVersion) {
  static const TessPluginExport exports[] = {
      {0, (void*)&Second, "second"}, {0, (void*)&First, "first"}, {0, nullptr, nullptr}};
  static const TessPluginMethodV1 byExport{1, "ViaExport(n As Integer) As Integer"};
  static const TessPluginMethodV1 pastExports{2, "Missing"};
  static const TessPluginMethod direct{(void*)&First, (void*)&Second, "Direct(n As Integer)"};
  static const TessPluginMethod ignored{(void*)&First, nullptr, "Ignored"};
  static const TessPluginMethod unknown{(void*)&First, nullptr, "Bad(w As Widget)"};

  RegisterPluginExports(exports);  // version 1 until stated otherwise
  PluginRegisterMethod(&byExport);
  PluginRegisterMethod(&pastExports);
  RegisterPluginVersion(2);
  PluginRegisterMethod(&ignored);
  RegisterPluginVersion(0);
  PluginRegisterMethod(&ignored);
  RegisterPluginVersion(3);
  PluginRegisterMethod(&direct);
  PluginRegisterMethod(&unknown);

  EXPECT_EQ(DeferredMemberLookup("MViaExport"), (void*)&First);
  EXPECT_EQ(DeferredMemberLookup("MDIRECT"), (void*)&First) << "names ignore case";
  EXPECT_EQ(DeferredMemberLookup("WDirect"), (void*)&Second);
  EXPECT_EQ(DeferredMemberLookup("MIgnored"), nullptr);
  EXPECT_EQ(DeferredMemberLookup("MBad"), nullptr);
  EXPECT_EQ(reports_, (std::vector<std::string>{
                          "Invalid plugin method format: Missing",
                          "Unknown type \"Widget\" in plugin method Bad(w As Widget)"}));
  EXPECT_EQ(CurrentPlugin()->exportTable, exports);
}

// A class with stored and routine properties, a method and an event, an
// interface it implements, and an extension of a framework class.
int32_t g_constructed = 0;
void Construct(TessObject* self) {
  ++g_constructed;
  reinterpret_cast<int32_t*>(self)[4] = 5;
}
int32_t Doubled(TessObject* self, uint32_t) {
  return reinterpret_cast<int32_t*>(self)[4] * 2;
}
void Poke(TessObject*) {}
int32_t g_handled = 0;
uint32_t Handler(TessObject*, int32_t value) {
  g_handled = value;
  return 1;
}

const TessPluginProperty kProperties[] = {
    {"Value As Integer", nullptr, nullptr, 16},
    {"Doubled As Integer", (void*)&Doubled, nullptr, 0},
    {"Broken As Widget", nullptr, nullptr, 20},
};
const TessPluginMethod kMethods[] = {{(void*)&Poke, nullptr, "Poke"}};
const TessPluginEvent kEvents[] = {{"Changed(value As Integer) As Boolean"}};
const TessPluginMethod kInterfaceMethods[] = {{nullptr, nullptr, "Poke"}};
const TessPluginClass kPokable = {"Pokable",         nullptr, 0,       nullptr, nullptr, nullptr, 0,
                                  kInterfaceMethods, 1,       nullptr, 0,       nullptr, 0};
const char* const kImplements[] = {"Pokable", "Unheard"};
const TessPluginClass kGadget = {
    "Gadget", "", 24, &Construct, nullptr, kProperties, 3, kMethods, 1, kEvents, 1, kImplements, 2};
const TessPluginClass kOrphan = {"Orphan", "Nowhere", 16,      nullptr, nullptr, nullptr, 0,
                                 nullptr,  0,         nullptr, 0,       nullptr, 0};
const TessPluginClass kExtension = {
    "RuntimeException", nullptr, 0,       nullptr, nullptr, nullptr, 0,
    kMethods,           1,       nullptr, 0,       nullptr, 0};
// A control with its class's name and size alone.
TessPluginControl BareControl(const char* name, uint32_t size) {
  TessPluginControl control{};
  control.cls.name = name;
  control.cls.instanceSize = size;
  return control;
}
const TessPluginControl kDial = BareControl("Dial", 80);

TEST_F(PluginsTest, ClassesLinkByNameAndFireTheirEvents) {
  PluginRegisterInterface(&kPokable);
  PluginRegisterClass(&kGadget);
  PluginRegisterClass(&kOrphan);
  PluginRegisterClassExtension(&kExtension);
  PluginRegisterControl(&kDial);
  EndPlugin();
  LinkPluginClasses();
  EXPECT_EQ(reports_, (std::vector<std::string>{
                          "Unknown type \"Widget\" in plugin method Broken As Widget",
                          "Couldn't find Gadget interface : Unheard",
                          "Couldn't find Orphan superclass: Nowhere",
                          "Couldn't find Dial superclass: RectControl",  // no window layer here
                      }));

  ClassObject* gadget = FindClassByName("gadget");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(FindClassByName("Pokable")->isInterface, 1);
  EXPECT_NE(FindClassByName("Dial"), nullptr) << "controls are classes too";
  EXPECT_EQ(DeferredMemberLookup("MGadget.Poke"), (void*)&Poke);
  EXPECT_EQ(DeferredMemberLookup("GGadget.Value"), (void*)&intGetter);
  EXPECT_EQ(DeferredMemberLookup("GGadget.Doubled"), (void*)&Doubled);
  EXPECT_EQ(DeferredMemberLookup("SGadget.Doubled"), nullptr) << "read-only";
  EXPECT_EQ(DeferredMemberLookup("MRuntimeException.Poke"), (void*)&Poke) << "extended";

  g_constructed = 0;
  ObjectRef object = ObjectRef::Adopt(PluginNewInstance("Gadget"));
  ASSERT_NE(object.get(), nullptr);
  EXPECT_EQ(g_constructed, 1);
  EXPECT_EQ(intGetter(object.get(), 16), 5);
  EXPECT_TRUE(IsA(object.get(), FindClassByName("Pokable")));
  EXPECT_EQ(FindInterfaceVTableCode(object.get(), 1, -1), nullptr);
  EXPECT_EQ(PluginNewInstance("Pokable"), nullptr) << "interfaces have no instances";

  EXPECT_EQ(GetEventInstance(object.get(), &kEvents[0]), nullptr) << "no handler yet";
  // An application subclass handling the event.
  auto* hook = static_cast<HookDescriptor*>(AllocateInternalBlock(sizeof(HookDescriptor)));
  hook->name = MakeString("Changed");
  hook->code = reinterpret_cast<void*>(&Handler);
  auto* sub = static_cast<ClassObject*>(AllocateInternalBlock(sizeof(ClassObject)));
  sub->superclass = gadget;
  sub->instanceSize = 24;
  sub->hooks = hook;
  ObjectRef handled = ObjectRef::Adopt(CreateObject(sub));
  auto* code = reinterpret_cast<uint32_t (*)(TessObject*, int32_t)>(
      GetEventInstance(handled.get(), &kEvents[0]));
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(code(handled.get(), 9), 1u);
  EXPECT_EQ(g_handled, 9);
}

TessObject* MakeNothing() {
  return nullptr;
}

TEST_F(PluginsTest, DataSourcesAndServices) {
  static const TessPluginDataSource source{"Rows", &MakeNothing};
  RegisterDataSource(&source);
  DesignAddDataSource(&source);
  EXPECT_EQ(FindDataSource("rows"), &MakeNothing);
  EXPECT_EQ(FindDataSource("Columns"), nullptr);
  EXPECT_EQ(TessinRuntime(), 1);
  EXPECT_NE(TessGetTSVersion(), 0);
  EXPECT_EQ(PluginNewInstance("NoSuchClass"), nullptr);
  EXPECT_EQ(PluginNewInstance(nullptr), nullptr);
}

}  // namespace
}  // namespace tess
