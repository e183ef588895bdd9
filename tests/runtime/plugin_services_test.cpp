// Runtime services plug-ins look up: constants read as the language writes
// them, the Windows character set of a string's encoding, a class's members
// by position (its own first, then its superclasses'), and the instance
// size of a plug-in class kept at least its superclass's.
#include <gtest/gtest.h>

#include <string>

#include "platform/user/message_box.h"
#include "runtime/class_registry.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "runtime/plugins.h"
#include "runtime/string_value.h"
#include "tessera/plugin.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

TEST(PluginServicesTest, ConstantsReadAsTheLanguageWritesThem) {
  struct Case {
    const char* text;
    int32_t type;
    int32_t integer;
    double number;
    const char* string;
  };
  const Case cases[] = {
      {"42", TESS_CONSTANT_INTEGER, 42, 42, nullptr},
      {" -7 ", TESS_CONSTANT_INTEGER, -7, -7, nullptr},
      {"+3", TESS_CONSTANT_INTEGER, 3, 3, nullptr},
      {"2147483648", TESS_CONSTANT_DOUBLE, 0, 2147483648.0, nullptr},
      {"2.5", TESS_CONSTANT_DOUBLE, 0, 2.5, nullptr},
      {"1e3", TESS_CONSTANT_DOUBLE, 0, 1000, nullptr},
      {".5", TESS_CONSTANT_DOUBLE, 0, 0.5, nullptr},
      {"&hFF", TESS_CONSTANT_INTEGER, 255, 255, nullptr},
      {"&hFFFFFFFF", TESS_CONSTANT_INTEGER, -1, -1, nullptr},
      {"&o17", TESS_CONSTANT_INTEGER, 15, 15, nullptr},
      {"&b101", TESS_CONSTANT_INTEGER, 5, 5, nullptr},
      {"&cFF8000", TESS_CONSTANT_COLOR, 0xFF8000, 0xFF8000, nullptr},
      {"true", TESS_CONSTANT_BOOLEAN, 1, 1, nullptr},
      {"False", TESS_CONSTANT_BOOLEAN, 0, 0, nullptr},
      {"\"say \"\"hi\"\"\"", TESS_CONSTANT_STRING, 0, 0, "say \"hi\""},
      {"\"\"", TESS_CONSTANT_STRING, 0, 0, ""},
      // Not constants.
      {"", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"abc", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"12abc", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"&h", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"&h1FFFFFFFF", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"&o8", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"&b102", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"&c1000000", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"&x12", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"\"open", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"\"a\" b", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"1e999", TESS_CONSTANT_NONE, 0, 0, nullptr},
      {"-", TESS_CONSTANT_NONE, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TessConstantValue v;
    EXPECT_EQ(PluginInterpretConstantValue(c.text, &v), c.type);
    EXPECT_EQ(v.type, c.type);
    if (c.type == TESS_CONSTANT_NONE) continue;
    if (c.type != TESS_CONSTANT_DOUBLE) {
      EXPECT_EQ(v.integer, c.integer);
    }
    if (c.type != TESS_CONSTANT_STRING) {
      EXPECT_DOUBLE_EQ(v.number, c.number);
    }
    if (c.string) {
      EXPECT_EQ(View(v.text), c.string);
      UnlockString(v.text);
    } else {
      EXPECT_EQ(v.text, nullptr);
    }
  }
  TessConstantValue v;
  EXPECT_EQ(PluginInterpretConstantValue(nullptr, &v), TESS_CONSTANT_NONE);
  EXPECT_EQ(PluginInterpretConstantValue("1", nullptr), TESS_CONSTANT_NONE);
}

TEST(PluginServicesTest, CharsetsFollowTheEncoding) {
  struct Case {
    uint32_t encoding;
    int32_t charset;
  };
  const Case cases[] = {
      {kEncodingNone, 0}, {kEncodingAsciiTag, 0},
      {kEncodingUtf8, 1}, {kEncodingUtf16, 1},
      {0x0500, 0},        {0x0600, 0},
      {0x0501, 238},      {0x0502, 204},
      {0x0503, 161},      {0x0504, 162},
      {0x0505, 177},      {0x0506, 178},
      {0x0507, 186},      {0x0508, 163},
      {0x0A01, 128},      {0x0420, 128},
      {0x0920, 128},      {0x0421, 134},
      {0x0422, 129},      {0x0423, 136},
      {0x041D, 222},      {0x0100, 1},
      {0x7777, 1},
  };
  for (const Case& c : cases) {
    StringRef s = StringRef::Adopt(MakeString("x", c.encoding));
    EXPECT_EQ(TessGetWin32Charset(s.get()), c.charset) << std::hex << c.encoding;
  }
  EXPECT_EQ(TessGetWin32Charset(nullptr), 0) << "the empty string";
}

int32_t ReadLevel(TessObject*, uint32_t) {
  return 0;
}
void Poke(TessObject*) {}

const TessPluginProperty kProperties[] = {
    {"Level As Integer", (void*)&ReadLevel, nullptr, 20},
    {"Note As String", nullptr, nullptr, 24},
};
const TessPluginMethod kMethods[] = {{(void*)&Poke, nullptr, "Poke"}};
// Claims fewer bytes than its superclass has.
const TessPluginClass kGauge = {"Gauge", "RuntimeException", 8, nullptr, nullptr, kProperties,
                                2,       kMethods,           1, nullptr, 0,       nullptr,
                                0};

class PluginClassServicesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitFrameworkClasses(); }
  void SetUp() override {
    ResetPluginsForTest();
    platform::SetMessageBoxHook([](const platform::MessageBoxRequest&) { return platform::IDOK; });
    BeginPlugin("C:\\gauge.dll", nullptr);
    PluginRegisterClass(&kGauge);
    EndPlugin();
    LinkPluginClasses();
  }
  void TearDown() override {
    platform::SetMessageBoxHook(nullptr);
    ResetPluginsForTest();
  }
};

TEST_F(PluginClassServicesTest, MembersByPositionOwnFirst) {
  ClassObject* super = FindClassByName("RuntimeException");
  ASSERT_NE(super, nullptr);
  int32_t superProperties = 0, superMethods = 0;
  for (const ClassObject* c = super; c; c = c->superclass) {
    for (const PropertyDescriptor* p = c->properties; p; p = p->next) ++superProperties;
    for (const MethodDescriptor* m = c->methods; m; m = m->next) ++superMethods;
  }

  EXPECT_EQ(TessCountClassProperties("gauge"), 2 + superProperties);
  EXPECT_EQ(TessCountClassMethods("Gauge"), 1 + superMethods);
  EXPECT_EQ(TessCountClassMethods("NoSuchClass"), 0);
  EXPECT_EQ(TessCountClassProperties(nullptr), 0);

  TessClassPropertyInfo info;
  ASSERT_EQ(TessGetClassProperty("Gauge", 0, &info), 1);
  EXPECT_EQ(View(info.name), "Level");
  EXPECT_EQ(info.getter, (void*)&ReadLevel);
  EXPECT_EQ(info.setter, nullptr) << "read-only";
  EXPECT_EQ(info.parameter, 20u);
  UnlockString(info.name);
  ASSERT_EQ(TessGetClassProperty("Gauge", 1, &info), 1);
  EXPECT_EQ(View(info.name), "Note");
  EXPECT_EQ(info.getter, (void*)&stringGetter) << "stored: the generic accessors";
  UnlockString(info.name);
  EXPECT_EQ(TessGetClassProperty("Gauge", 2 + superProperties, &info), 0);
  EXPECT_EQ(info.name, nullptr);
  EXPECT_EQ(TessGetClassProperty("Gauge", -1, &info), 0);
  EXPECT_EQ(TessGetClassProperty("Gauge", 0, nullptr), 0);

  TessString* name = nullptr;
  EXPECT_EQ(TessGetClassMethod("Gauge", 0, &name), (void*)&Poke);
  EXPECT_EQ(View(name), "Poke");
  UnlockString(name);
  EXPECT_EQ(TessGetClassMethod("Gauge", 1 + superMethods, &name), nullptr);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(TessGetClassMethod("Gauge", 0, nullptr), (void*)&Poke);
}

TEST_F(PluginClassServicesTest, InstancesAreNeverSmallerThanTheirSuperclass) {
  ClassObject* gauge = FindClassByName("Gauge");
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->instanceSize, FindClassByName("RuntimeException")->instanceSize);
}

}  // namespace
}  // namespace tess
