// Binders and bound parts on controls without a window: what bind stores
// and registers, the part names each control answers, and closing a
// control letting its binders and parts go.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_classes.h"
#include "platform/user/automation.h"
#include "runtime/class_registry.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/binding.h"
#include "ui/edit_field.h"
#include "ui/list_box.h"
#include "ui/media_controls.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

using test::S;
using test::Take;
using test::Text;

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    InitEditField();
    InitListBox();
    InitMediaControls();
  }
  static ObjectRef New(const char* cls) {
    ClassObject* c = FindClassByName(cls);
    EXPECT_TRUE(c) << cls;
    return ObjectRef::Adopt(c ? CreateObject(c) : nullptr);
  }
  static void Bind(TessObject* binder, TessObject* source, TessObject* dest) {
    EXPECT_TRUE(CallInterface(binder, Iface::kBindingInterface, "BIND", {Arg(source), Arg(dest)}));
  }
  static int DataReceivers(TessObject* notifier) {
    NotificationList* list = FindOwnerList(notifier, 0);
    return list ? CountReceivers(list) : 0;
  }
  static std::string FieldText(TessObject* field) {
    return Text(Take(editTextGetter(field, 0)).get());
  }
};

TEST_F(Binding, AStringBinderBoundAgainLeavesItsFirstSource) {
  ObjectRef first = New("CheckBox"), second = New("CheckBox"), field = New("EditField");
  ObjectRef binder = New("stringBinder");
  Bind(binder.get(), first.get(), field.get());
  // The binder and the field it shows the source in both follow the source.
  EXPECT_EQ(Header(first.get())->refCount, 3);
  EXPECT_EQ(DataReceivers(first.get()), 2);
  Bind(binder.get(), second.get(), field.get());
  EXPECT_EQ(DataReceivers(first.get()), 0);
  EXPECT_EQ(DataReceivers(second.get()), 2);
  EXPECT_EQ(Header(first.get())->refCount, 1) << "the binder let the first source go";
  EmptyOwnerLists(second.get());
  EXPECT_EQ(Header(binder.get())->refCount, 1);
}

TEST_F(Binding, ASourceThatProvidesNothingEmptiesAndEnablesTheDest) {
  ObjectRef source = New("CheckBox"), field = New("EditField");
  editTextSetter(field.get(), 0, S("before").get());
  controlEnabledSetter(field.get(), 0, 0);
  ObjectRef binder = New("stringBinder");
  Bind(binder.get(), source.get(), field.get());
  EXPECT_EQ(FieldText(field.get()), "");
  EXPECT_TRUE(controlEnabledGetter(field.get(), 0));
  EmptyOwnerLists(source.get());
}

TEST_F(Binding, AnEnablingBinderFollowsTheBooleanOfItsSource) {
  ObjectRef box = New("CheckBox"), button = New("PushButton"), plain = New("PushButton");
  ObjectRef binder = New("enablingBinder");
  checkBoxValueSetter(box.get(), 0, 1);
  Bind(binder.get(), box.get(), button.get());
  EXPECT_TRUE(controlEnabledGetter(button.get(), 0));
  // A source without getBoolean disables.
  ObjectRef other = New("enablingBinder");
  Bind(other.get(), plain.get(), button.get());
  EXPECT_FALSE(controlEnabledGetter(button.get(), 0));
  EmptyOwnerLists(box.get());
}

// One row per part name: the class of what comes back and its number.
struct PartCase {
  const char* owner;
  const char* name;
  const char* partClass;  // null: nil
  int32_t value;
};

TEST_F(Binding, ControlsAnswerTheirPartNamesInAnyLetterCase) {
  const PartCase cases[] = {
      {"CheckBox", "getCheckedAction", "Sys$CheckBoxAction", 1},
      {"CheckBox", "GETUNCHECKEDACTION", "Sys$CheckBoxAction", 0},
      {"CheckBox", "getChecked", nullptr, 0},
      {"RadioButton", "getcheckedaction", "Sys$RadioButtonAction", 1},
      {"Listbox", "gotFocusAction", "Sys$ListboxAction", 1},
      {"Listbox", "LostFocusAction", "Sys$ListboxAction", 0},
      {"Listbox", "getSelectionProvider", "listSelectionProvider", 0},
      {"Listbox", "COLUMNVALUEPROVIDER_3", "listColumnValueProvider", 3},
      {"Listbox", "columnValueProvider_", "listColumnValueProvider", 0},
      {"Listbox", "columnValueProvider", nullptr, 0},
      {"PopupMenu", "getRowTag", "sys$popupRowTag", 0},
      {"MoviePlayer", "getStopAction", "MoviePlayerAction", 0},
      {"MoviePlayer", "getPlayAction", "MoviePlayerAction", 1},
      {"EditField", "getCheckedAction", nullptr, 0},
  };
  for (const PartCase& c : cases) {
    SCOPED_TRACE(std::string(c.owner) + " " + c.name);
    ObjectRef owner = New(c.owner);
    uint32_t result = 0;
    CallInterface(owner.get(), Iface::kBindingPartInterface, "getBoundPart", {Arg(S(c.name).get())},
                  &result);
    ObjectRef part = ObjectRef::Adopt(reinterpret_cast<TessObject*>(uintptr_t(result)));
    if (!c.partClass) {
      EXPECT_EQ(part.get(), nullptr);
      continue;
    }
    ASSERT_NE(part.get(), nullptr);
    EXPECT_EQ(Text(Header(part.get())->cls->name), c.partClass);
    PartFields* p = PartOf(part.get(), Header(part.get())->cls);
    EXPECT_EQ(p->owner, owner.get());
    EXPECT_EQ(p->value, c.value);
    CloseBindings(owner.get());  // providers registered with their list
  }
}

TEST_F(Binding, ClosingAListLetsItsPartsAndTheirBindersGo) {
  ObjectRef list = New("Listbox"), field = New("EditField");
  RuntimeListAddRow(list.get(), S("Ada").get());
  listSetCell(list.get(), 0, 1, S("Lovelace").get());
  ObjectRef column =
      ObjectRef::Adopt(listGetBoundPart(list.get(), S("columnValueProvider_1").get()));
  {
    // Held only by the lists it registers with, as a layout's binder is.
    ObjectRef binder = New("stringBinder");
    Bind(binder.get(), column.get(), field.get());
  }
  EXPECT_EQ(FieldText(field.get()), "");
  EXPECT_FALSE(controlEnabledGetter(field.get(), 0)) << "no row selected: not available";
  listSelectionSetter(list.get(), 0, 0);
  EXPECT_EQ(FieldText(field.get()), "Lovelace");
  EXPECT_TRUE(controlEnabledGetter(field.get(), 0));
  // The part locks the list; the list's selection receivers hold the part,
  // the part's receivers the binder and the field, the binder the part.
  EXPECT_GT(Header(list.get())->refCount, 1);
  CloseBindings(list.get());
  CloseBindings(field.get());
  column = ObjectRef();
  EXPECT_EQ(Header(list.get())->refCount, 1);
  EXPECT_EQ(Header(field.get())->refCount, 1);
}

// Bindings of a layout record: the first control the source, the second the
// dest; a binding whose first control is missing is skipped, while one whose
// part is unknown binds nil.
TEST_F(Binding, ALayoutBindsItsControlsAndSkipsAMissingSource) {
  std::vector<ClassObject*> table = {FindClassByName("Window"), FindClassByName("CheckBox"),
                                     FindClassByName("PushButton"),
                                     FindClassByName("enablingBinder")};
  SetClassTable(table);
  using Pairs = std::vector<PropertyPair>;
  auto control = [](const std::string& name, int top) {
    return Pairs{{"Name", name},  {"Index", "-2147483648"},
                 {"Left", "10"},  {"Top", std::to_string(top)},
                 {"Width", "80"}, {"Height", "20"}};
  };
  WindowLayout layout{
      0,
      {{"Title", "Bound"}, {"Frame", "0"}, {"Visible", "True"}},
      {{1, control("Box", 10)},
       {2, control("Bound", 40)},
       {2, control("Untouched", 70)},
       {2, control("NilSource", 100)}},
      {{0, "", 1, "", 3, "", ""}, {9, "", 2, "", 3, "", ""}, {0, "noSuchPart", 3, "", 3, "", ""}}};
  std::vector<uint8_t> block = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
  TessObject* out = nullptr;
  ObjectRef window = ObjectRef::Adopt(RuntimeCreateWindow(block.data(), &out));
  RuntimeUnlockObject(out);
  ASSERT_TRUE(window.get());
  auto enabled = [&](const char* name) {
    ObjectRef c = ObjectRef::Adopt(RuntimeControlReference(window.get(), S(name).get()));
    return controlEnabledGetter(c.get(), 0) != 0;
  };
  EXPECT_FALSE(enabled("Bound")) << "the box is not checked";
  EXPECT_TRUE(enabled("Untouched"));
  EXPECT_FALSE(enabled("NilSource")) << "a nil source enables nothing";
  ObjectRef box = ObjectRef::Adopt(RuntimeControlReference(window.get(), S("Box").get()));
  checkBoxValueSetter(box.get(), 0, 1);
  EXPECT_TRUE(enabled("Bound"));
  EXPECT_EQ(DataReceivers(box.get()), 1);
  CloseAllWindows();
  platform::automation::WaitIdle();
  EXPECT_EQ(DataReceivers(box.get()), 0) << "closing emptied the box's list";
  SetClassTable({});
}

}  // namespace
}  // namespace tess::ui
