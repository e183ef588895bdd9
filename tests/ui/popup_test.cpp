// PopupMenu rows without a window: edits, the selection following them,
// rows from InitialValue, and bad indexes and counts refused with the
// language's exceptions, leaving the rows as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_classes.h"
#include "platform/comctl/commctrl.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

class Popups : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    ClassObject* cls = FindClassByName("PopupMenu");
    ASSERT_TRUE(cls);
    popup_ = ObjectRef::Adopt(CreateObject(cls));
  }
  TessObject* p() { return popup_.get(); }
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    for (int32_t i = 0; i < RuntimePopupCountGetter(p(), 0); ++i)
      out.push_back(Text(Take(RuntimePopupGetRow(p(), i)).get()));
    return out;
  }
  void SetInitialValue(const std::string& text) {
    const PropertyDescriptor* prop = nullptr;
    for (const PropertyDescriptor* d = Header(p())->cls->properties; d; d = d->next)
      if (View(d->name) == "InitialValue") prop = d;
    ASSERT_TRUE(prop);
    StringRef s = S(text);
    reinterpret_cast<void (*)(TessObject*, uint32_t, TessString*)>(prop->setter)(
        p(), prop->parameter, s.get());
  }
  ObjectRef popup_;
};

using Strings = std::vector<std::string>;

TEST_F(Popups, RowsFollowEditsAndTheSelectionFollowsItsRow) {
  RuntimePopupAddRow(p(), S("b").get());
  RuntimePopupAddSeparator(p());
  RuntimePopupAddRow(p(), S("c").get());
  RuntimePopupInsertRow(p(), 0, S("a").get());
  RuntimePopupInsertRow(p(), 4, S("d").get());  // at the end
  EXPECT_EQ(Rows(), (Strings{"a", "b", "", "c", "d"}));
  EXPECT_EQ(RuntimePopupSelectionGetter(p(), 0), -1);
  RuntimePopupSelectionSetter(p(), 0, 3);
  EXPECT_EQ(Text(Take(popupTextGetter(p(), 0)).get()), "c");
  RuntimePopupRemoveRow(p(), 0);
  EXPECT_EQ(RuntimePopupSelectionGetter(p(), 0), 2);  // still "c"
  RuntimePopupSetRow(p(), 0, S("B").get());
  EXPECT_EQ(Rows(), (Strings{"B", "", "c", "d"}));
  RuntimePopupRemoveRow(p(), 2);
  EXPECT_EQ(RuntimePopupSelectionGetter(p(), 0), -1);  // its row went
  EXPECT_EQ(Take(popupTextGetter(p(), 0)).get(), nullptr);
  RuntimePopupEmpty(p());
  EXPECT_EQ(RuntimePopupCountGetter(p(), 0), 0);
}

TEST_F(Popups, RowTagsBelongToTheirRows) {
  RuntimePopupAddRow(p(), S("a").get());
  RuntimePopupAddRow(p(), S("b").get());
  ObjectRef tag = ObjectRef::Adopt(CreateObject(RootClass()));
  RuntimePopupSetRowTag(p(), 1, tag.get());
  EXPECT_EQ(Header(tag.get())->refCount, 2);
  RuntimePopupInsertRow(p(), 0, S("z").get());
  ObjectRef got = ObjectRef::Adopt(RuntimePopupGetRowTag(p(), 2));
  EXPECT_EQ(got.get(), tag.get());
  got = ObjectRef();
  RuntimePopupRemoveRow(p(), 2);
  EXPECT_EQ(Header(tag.get())->refCount, 1);
}

TEST_F(Popups, InitialValueGivesOneRowALine) {
  SetInitialValue("Red\rGreen\nBlue\r\nCyan");
  EXPECT_EQ(Rows(), (Strings{"Red", "Green", "Blue", "Cyan"}));
}

TEST_F(Popups, BadIndexesRaiseAndChangeNothing) {
  RuntimePopupAddRow(p(), S("a").get());
  RuntimePopupAddSeparator(p());
  RuntimePopupSelectionSetter(p(), 0, 0);
  const ClassObject* outOfBounds = Exceptions().outOfBounds;
  struct Case {
    const char* what;
    std::function<void()> body;
  } cases[] = {
      {"get -1", [&] { Take(RuntimePopupGetRow(p(), -1)); }},
      {"get 2", [&] { Take(RuntimePopupGetRow(p(), 2)); }},
      {"remove 2", [&] { RuntimePopupRemoveRow(p(), 2); }},
      {"remove min", [&] { RuntimePopupRemoveRow(p(), INT32_MIN); }},
      {"insert 3", [&] { RuntimePopupInsertRow(p(), 3, S("x").get()); }},
      {"insert -1", [&] { RuntimePopupInsertRow(p(), -1, S("x").get()); }},
      {"set 2", [&] { RuntimePopupSetRow(p(), 2, S("x").get()); }},
      {"select 2", [&] { RuntimePopupSelectionSetter(p(), 0, 2); }},
      {"select -2", [&] { RuntimePopupSelectionSetter(p(), 0, -2); }},
      {"select the separator", [&] { RuntimePopupSelectionSetter(p(), 0, 1); }},
      {"tag 5", [&] { RuntimePopupSetRowTag(p(), 5, nullptr); }},
  };
  for (const Case& c : cases) EXPECT_EQ(RaisedBy(c.body), outOfBounds) << c.what;
  EXPECT_EQ(Rows(), (Strings{"a", ""}));
  EXPECT_EQ(RuntimePopupSelectionGetter(p(), 0), 0);
  EXPECT_EQ(RaisedBy([] { RuntimePopupAddRow(nullptr, nullptr); }), Exceptions().nilObject);
}

TEST_F(Popups, AHostileRowCountIsRefusedAtTheLimit) {
  // A layout's rows stop at the limit; a row more from code raises.
  SetInitialValue(std::string(size_t(platform::kComboMaxRows) + 10, '\n'));
  EXPECT_EQ(RuntimePopupCountGetter(p(), 0), platform::kComboMaxRows);
  EXPECT_EQ(RaisedBy([&] { RuntimePopupAddRow(p(), S("one too many").get()); }),
            Exceptions().outOfMemory);
  EXPECT_EQ(RuntimePopupCountGetter(p(), 0), platform::kComboMaxRows);
  RuntimePopupEmpty(p());
  EXPECT_EQ(RuntimePopupCountGetter(p(), 0), 0);
}

}  // namespace
}  // namespace tess::ui
