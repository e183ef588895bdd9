// The class registry: framework classes from static records, application
// classes from image class records, interface linking, deferred member
// lookup and the command line split of start-up.
#include <gtest/gtest.h>

#include <vector>

#include "image/startup.h"
#include "platform/user/message_box.h"
#include "runtime/class_registry.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/image.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

uint32_t W(const void* p) {
  return uint32_t(reinterpret_cast<uintptr_t>(p));
}
uint32_t W(void (*f)()) {
  return uint32_t(reinterpret_cast<uintptr_t>(f));
}

TESS_STRING(kPrintable, "Printable");
TESS_STRING(kPrint, "Print");
TESS_STRING(kReport, "Report");
TESS_STRING(kDocument, "Document");
TESS_STRING(kApplication, "Application");
TESS_STRING(kTitle, "Title");
TESS_STRING(kBroken, "Broken");
TESS_STRING(kOpen, "Open");

void BasePrint() {}
void ReportPrint() {}
void ReportOpen() {}

// Class records as an image lays them out, built from words.
struct Records {
  // 0: Application (kind 1), 1: interface Printable, 2: Document implements
  // Printable through its own Print, 3: Report derives from Document and
  // overrides Print, 4: a class that inherits Print from Document.
  std::vector<uint32_t> app{1, W(&kApplication)};
  std::vector<uint32_t> printable{0,
                                  16,
                                  W(&kPrintable),
                                  uint32_t(-1),
                                  0,
                                  1,
                                  0,
                                  1,
                                  W(&kPrint),
                                  0,
                                  0,
                                  0,
                                  0,  // one method
                                  0,
                                  0,
                                  0,
                                  0};
  std::vector<uint32_t> document{
      0, 28, W(&kDocument), 0, 0,  0, 1,           1, 1,  W(&kPrint), 0, 0, W(&BasePrint), 0, 0,
      0, 2,  W(&kTitle),    1, 16, 0, W(&kBroken), 7, 20, 0,  // type 7 dropped
      0};
  std::vector<uint32_t> report{0,
                               28,
                               W(&kReport),
                               2,
                               0,
                               0,
                               1,
                               1,
                               1,
                               W(&kPrint),
                               0,
                               0,
                               W(&ReportPrint),
                               0,
                               1,
                               W(&kOpen),
                               W(&ReportOpen),
                               3,  // a hook
                               1,
                               W(&kOpen),
                               9,  // a declared event
                               0,
                               2,
                               W(&ReportPrint),
                               W(&BasePrint)};
  std::vector<uint32_t> inheriting{0, 28, 0, 2, 0, 0, 1, 1, 0, 0, 0, 0, 0};
  std::vector<uint32_t> descriptor;

  Records() {
    descriptor = {5,
                  W(app.data()),
                  W(printable.data()),
                  W(document.data()),
                  W(report.data()),
                  W(inheriting.data()),
                  0};
  }
};

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override { InitFrameworkClasses(); }
  void TearDown() override { SetClassTable({}); }
};

TEST_F(RegistryTest, ApplicationClassesAreBuiltAndLinked) {
  Records r;
  std::vector<ClassObject*> table =
      RegisterApplicationClasses(reinterpret_cast<const uint8_t*>(r.descriptor.data()), {});
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[0], ApplicationClass());
  ClassObject *document = table[2], *report = table[3], *inheriting = table[4];
  EXPECT_EQ(report->superclass, document);
  EXPECT_EQ(inheriting->name, nullptr);
  EXPECT_EQ(report->methodTableLength, 2u);
  EXPECT_EQ(report->methodTable[1], reinterpret_cast<void*>(&BasePrint));

  // Properties of unknown type codes are dropped; the class still registers.
  ASSERT_NE(document->properties, nullptr);
  EXPECT_EQ(test::Text(document->properties->name), "Title");
  EXPECT_EQ(document->properties->next, nullptr);
  EXPECT_EQ(document->properties->getter, reinterpret_cast<void*>(&stringGetter));

  // Interface tables: own method, overriding method, inherited method.
  struct Case {
    ClassObject* cls;
    void* expected;
  } cases[] = {{document, (void*)&BasePrint},
               {report, (void*)&ReportPrint},
               {inheriting, (void*)&BasePrint}};
  for (const Case& c : cases) {
    TessObject* o = CreateObject(c.cls);
    EXPECT_EQ(FindInterfaceVTableCode(o, 1, 1), c.expected);
    EXPECT_EQ(RuntimeObjectIsa(o, 1), 1);
    RuntimeUnlockObject(o);
  }
  EXPECT_EQ(report->hooks->eventNumber, 3);
  EXPECT_EQ(report->declaredEvents->number, 9);
}

TEST_F(RegistryTest, UnresolvableClassReferencesLeaveEmptyEntries) {
  std::vector<uint32_t> missing{1, W(&kBroken)};
  std::vector<uint32_t> descriptor{1, W(missing.data()), 0};
  int boxes = 0;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest&) {
    ++boxes;
    return platform::IDOK;
  });
  auto table = RegisterApplicationClasses(reinterpret_cast<const uint8_t*>(descriptor.data()), {});
  platform::SetMessageBoxHook(nullptr);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0], nullptr);
  EXPECT_EQ(boxes, 1);
}

TEST_F(RegistryTest, DeferredMembersResolveByKindAndName) {
  ClassObject* exception = FindClassByName("runtimeexception");
  ASSERT_NE(exception, nullptr);
  EXPECT_EQ(DeferredMemberLookup("GRuntimeException.message"), (void*)&stringGetter);
  EXPECT_EQ(DeferredMemberLookup("SRuntimeException.Message"), (void*)&stringSetter);
  EXPECT_EQ(DeferredMemberLookup("GRuntimeException.Nothing"), nullptr);
  EXPECT_EQ(DeferredMemberLookup("GNilObjectException.Message"), nullptr)
      << "properties are searched in the class itself only";
  std::vector<std::string> texts;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& b) {
    texts.push_back(b.text);
    return platform::IDOK;
  });
  testing::internal::CaptureStderr();
  EXPECT_EQ(DeferredMemberLookup("MNoSuchClass.Run"), nullptr);
  std::string debugOutput = testing::internal::GetCapturedStderr();
  EXPECT_EQ(DeferredMemberLookup("XRuntimeException.Message"), nullptr);
  platform::SetMessageBoxHook(nullptr);
  EXPECT_EQ(debugOutput, "Unable to load class: NoSuchClass\n");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[0].find(" RuntimeMain : 507"), std::string::npos);
  EXPECT_NE(texts[1].find(" RuntimeMain : 558"), std::string::npos);
}

TEST_F(RegistryTest, FrameworkClassesCarryTheirRecords) {
  ClassObject* end = FindClassByName("EndException");
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->superclass, FindClassByName("RuntimeException"));
  EXPECT_EQ(end->instanceSize, 28);
  const EventDescriptor* openDocument = ApplicationEvent(AppEvent::kOpenDocument);
  EXPECT_EQ(test::Text(openDocument->name), "OpenDocument");
  EXPECT_STREQ(openDocument->parameters, "item As FolderItem");
  EXPECT_EQ(FindEvent(ApplicationClass(), "unhandledexception"),
            ApplicationEvent(AppEvent::kUnhandledException));
}

TEST(CommandLine, SplitsQuotedAndPlainArguments) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"\"C:\\My Files\\a.txt\" b.txt", {"C:\\My Files\\a.txt", "b.txt"}},
      {"one  two", {"one", "two"}},
      {"\"unterminated path", {"unterminated path"}},
      {"\"a\"x b", {"a", "b"}},  // the character after the closing quote is skipped
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

}  // namespace
}  // namespace tess
