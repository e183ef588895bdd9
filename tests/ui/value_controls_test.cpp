// The value rules of scroll bars, sliders, progress bars and tab panels,
// on instances without a window: clamping, the shared accessor pair, and
// indexes refused with OutOfBoundsException.
#include <gtest/gtest.h>

#include <string>

#include "files/file_classes.h"
#include "platform/user/automation.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/instance_layout.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

class ValueControls : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
  }
  static ObjectRef Make(const char* cls) {
    ClassObject* c = FindClassByName(cls);
    EXPECT_TRUE(c) << cls;
    return ObjectRef::Adopt(c ? CreateObject(c) : nullptr);
  }
  static void SetString(TessObject* o, const char* property, const std::string& text) {
    for (const PropertyDescriptor* d = Header(o)->cls->properties; d; d = d->next)
      if (View(d->name) == property) {
        StringRef s = S(text);
        reinterpret_cast<void (*)(TessObject*, uint32_t, TessString*)>(d->setter)(o, d->parameter,
                                                                                  s.get());
        return;
      }
    ADD_FAILURE() << "no property " << property;
  }
};

TEST_F(ValueControls, ScrollBarsAndSlidersKeepValueWithinTheirRange) {
  enum { kMin, kValue, kMax, kLine, kPage };
  for (const char* cls : {"ScrollBar", "Slider"}) {
    ObjectRef o = Make(cls);
    TessObject* s = o.get();
    EXPECT_EQ(scrollerPropGetter(s, kMax), 100) << cls;
    struct Step {
      int selector, set;
      int min, value, max;
    } steps[] = {
        {kValue, 150, 0, 100, 100},                           // above the range
        {kValue, -5, 0, 0, 100},                              // below it
        {kValue, 40, 0, 40, 100},   {kMin, 50, 50, 50, 100},  // the value follows the range
        {kMax, 20, 50, 50, 50},  // a maximum below the minimum is raised to it
        {kMax, 80, 50, 50, 80},     {kMin, -10, -10, 50, 80}, {kValue, INT32_MIN, -10, -10, 80},
    };
    for (const Step& st : steps) {
      scrollerPropSetter(s, uint32_t(st.selector), st.set);
      EXPECT_EQ(scrollerPropGetter(s, kMin), st.min) << cls << " " << st.selector << "=" << st.set;
      EXPECT_EQ(scrollerPropGetter(s, kValue), st.value) << cls;
      EXPECT_EQ(scrollerPropGetter(s, kMax), st.max) << cls;
    }
    scrollerPropSetter(s, kLine, 0);
    scrollerPropSetter(s, kPage, -3);
    EXPECT_EQ(scrollerPropGetter(s, kLine), 1);
    EXPECT_EQ(scrollerPropGetter(s, kPage), 1);
    scrollerPropSetter(s, 9, 7);  // no such property: nothing happens
    EXPECT_EQ(scrollerPropGetter(s, 9), 0);
  }
  ObjectRef bar = Make("ProgressBar");
  progressValueSetter(bar.get(), 0, 250);
  EXPECT_EQ(progressValueGetter(bar.get(), 0), 100);
  progressMaximumSetter(bar.get(), 0, 40);
  EXPECT_EQ(progressValueGetter(bar.get(), 0), 40);
  progressMaximumSetter(bar.get(), 0, -1);
  EXPECT_EQ(progressMaximumGetter(bar.get(), 0), 0);
  // Accessors given another kind of object do nothing.
  scrollerPropSetter(bar.get(), kValue, 3);
  EXPECT_EQ(scrollerPropGetter(bar.get(), kValue), 0);
}

TEST_F(ValueControls, TabCaptionsComeFromTheDefinitionAndRefuseBadIndexes) {
  ObjectRef o = Make("TabPanel");
  TessObject* t = o.get();
  SetString(t, "TabDefinition", "One\r\nTwo\nThree");
  EXPECT_EQ(Text(Take(tabPanelCaptionGetter(t, 2)).get()), "Three");
  tabPanelCaptionSetter(t, 1, S("Deux").get());
  EXPECT_EQ(Text(Take(tabPanelCaptionGetter(t, 1)).get()), "Deux");
  EXPECT_EQ(tabPanelValueGetter(t, 0), 0);
  const ClassObject* outOfBounds = Exceptions().outOfBounds;
  EXPECT_EQ(RaisedBy([&] { Take(tabPanelCaptionGetter(t, 3)); }), outOfBounds);
  EXPECT_EQ(RaisedBy([&] { Take(tabPanelCaptionGetter(t, -1)); }), outOfBounds);
  EXPECT_EQ(RaisedBy([&] { tabPanelCaptionSetter(t, 7, S("x").get()); }), outOfBounds);
  // Not shown yet: the value is kept for the layout, unchecked.
  tabPanelValueSetter(t, 0, 2);
  EXPECT_EQ(tabPanelValueGetter(t, 0), 2);
  ObjectRef p = Make("PagePanel");
  PagePanelValueSetter(p.get(), 0, 1);
  EXPECT_EQ(PagePanelValueGetter(p.get(), 0), 1);
}

// A control on another page stays hidden whatever its own Visible says,
// and shows once moved to the current page.
TEST_F(ValueControls, OnlyTheCurrentPagesControlsShow) {
  std::vector<ClassObject*> table{WindowClass(), FindClassByName("TabPanel"),
                                  FindClassByName("CheckBox")};
  SetClassTable(table);
  WindowLayout layout{0,
                      {{"Title", "Pages"}, {"Visible", "True"}},
                      {{1,
                        {{"Name", "Tabs"},
                         {"Left", "0"},
                         {"Top", "0"},
                         {"Width", "200"},
                         {"Height", "100"},
                         {"TabDefinition", "A\rB"}}},
                       {2,
                        {{"Name", "Later"},
                         {"Left", "10"},
                         {"Top", "30"},
                         {"Width", "100"},
                         {"Height", "20"},
                         {"TabPanelIndex", "1"}}}},
                      {}};
  std::vector<uint8_t> block = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
  TessObject* out = nullptr;
  ObjectRef window = ObjectRef::Adopt(RuntimeCreateWindow(block.data(), &out));
  ASSERT_TRUE(window.get());
  RuntimeUnlockObject(out);
  ObjectRef later = ObjectRef::Adopt(RuntimeControlReference(window.get(), S("Later").get()));
  ObjectRef tabs = ObjectRef::Adopt(RuntimeControlReference(window.get(), S("Tabs").get()));
  auto shown = [&] {
    Pane* pane = FieldsOf<ControlFields>(later.get())->pane;
    return pane && pane->native && platform::IsWindowVisible(pane->native);
  };
  EXPECT_FALSE(shown());
  ControlVisibleSetter(later.get(), 0, 1);
  EXPECT_FALSE(shown());
  tabPanelValueSetter(tabs.get(), 0, 1);
  EXPECT_TRUE(shown());
  ControlTabPanelIndexSetter(later.get(), 0, 0);
  EXPECT_FALSE(shown());
  EXPECT_EQ(RaisedBy([&] { tabPanelValueSetter(tabs.get(), 0, 2); }), Exceptions().outOfBounds);
  RuntimeCloseWindow(window.get());
  platform::automation::WaitIdle();
  SetClassTable({});
}

}  // namespace
}  // namespace tess::ui
