// DataControl in a window over a built-in database: the bar's buttons and
// keys moving through the rows with their events, the controls bound by
// DataSource and DataField following, and the actions of the bound parts
// writing the bound controls' texts back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/classes/database_classes.h"
#include "files/files_test_support.h"
#include "platform/user/automation.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/interfaces.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/data_control.h"
#include "ui/edit_field.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"

namespace tess::ui {
namespace {

namespace automation = platform::automation;
using test::Adopt;
using test::Obj;
using test::S;
using test::Take;
using test::Text;

std::vector<std::string> g_events;
bool g_keepRow = false;       // MoveNext and the rest answer True
int32_t g_refuse = -1;        // Validate refuses this action
bool g_insertItself = false;  // Insert answers True

uint32_t Record(const char* what) {
  g_events.push_back(what);
  return 0;
}
uint32_t OnMoveNext(TessObject*) {
  Record("MoveNext");
  return g_keepRow;
}
uint32_t OnMovePrevious(TessObject*) {
  Record("MovePrevious");
  return g_keepRow;
}
uint32_t OnMoveFirst(TessObject*) {
  Record("MoveFirst");
  return g_keepRow;
}
uint32_t OnMoveLast(TessObject*) {
  Record("MoveLast");
  return g_keepRow;
}
uint32_t OnReposition(TessObject*, int32_t row) {
  g_events.push_back("Reposition " + std::to_string(row));
  return 0;
}
uint32_t OnValidate(TessObject*, int32_t action) {
  g_events.push_back("Validate " + std::to_string(action));
  return action == g_refuse;
}
uint32_t OnInsert(TessObject*) {
  Record("Insert");
  return g_insertItself;
}
uint32_t OnUpdate(TessObject*) {
  return Record("Update");
}
uint32_t OnDelete(TessObject*) {
  return Record("Delete");
}

class DataControlTest : public test::FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    InitWindowing();
    InitEditField();
    InitDatabaseClasses();
    InitDataControl();
    window_.superclass = WindowClass();
    window_.instanceSize = kWindowInstanceSize;
    data_.superclass = FindClassByName("DataControl");
    ASSERT_TRUE(data_.superclass);
    data_.instanceSize = data_.superclass->instanceSize;
    for (size_t i = 0; i + 1 < std::size(hooks_); ++i) hooks_[i].next = &hooks_[i + 1];
    data_.hooks = &hooks_[0];
    table_ = {&window_, &data_, FindClassByName("EditField"), FindClassByName("CheckBox")};
    SetClassTable(table_);
    g_events.clear();
    g_keepRow = g_insertItself = false;
    g_refuse = -1;

    db_ = Adopt(newTessDatabase());
    TessDatabaseFolderItemSetter(db_.get(), 0, Item("D:\\pets.db").get());
    ASSERT_TRUE(TessDatabaseCreateDatabaseFile(db_.get()));
    for (const char* sql :
         {"create table pets (id integer, name varchar(20), vet boolean, primary key (id))",
          "insert into pets (id, name, vet) values (1, 'Ada', true)",
          "insert into pets (id, name, vet) values (2, 'Bo', false)",
          "insert into pets (id, name, vet) values (3, 'Cy', true)"})
      databaseSQLExecute(db_.get(), S(sql).get());
  }
  void TearDown() override {
    CloseAllWindows();
    automation::WaitIdle();
    SetClassTable({});
    FilesTest::TearDown();
  }

  static std::vector<PropertyPair> Bound(const char* name, const char* field, int top) {
    return {{"Name", name},         {"Index", "-2147483648"},
            {"Left", "10"},         {"Top", std::to_string(top)},
            {"Width", "120"},       {"Height", "20"},
            {"DataSource", "Pets"}, {"DataField", field}};
  }

  // The window: the data control Pets over the table, the fields Id and
  // PetName and the check box Vet bound to it, and Loose bound to nothing.
  void Open(std::vector<PropertyPair> extra = {}) {
    std::vector<PropertyPair> data{{"Name", "Pets"},    {"Index", "-2147483648"}, {"Left", "10"},
                                   {"Top", "100"},      {"Width", "200"},         {"Height", "22"},
                                   {"Caption", "Pets"}, {"TableName", "pets"}};
    data.insert(data.end(), extra.begin(), extra.end());
    std::vector<PropertyPair> loose = Bound("Loose", "name", 76);
    loose[6].value = "Other";
    WindowLayout layout{0,
                        {{"Title", "W"},
                         {"Frame", "0"},
                         {"Left", "40"},
                         {"Top", "60"},
                         {"Width", "260"},
                         {"Height", "140"},
                         {"Visible", "True"}},
                        {ControlLayout{1, data}, ControlLayout{2, Bound("Id", "id", 4)},
                         ControlLayout{2, Bound("PetName", "name", 28)},
                         ControlLayout{3, Bound("Vet", "vet", 52)}, ControlLayout{2, loose}},
                        {}};
    block_ = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
    TessObject* out = nullptr;
    window_ref_ = ObjectRef::Adopt(RuntimeCreateWindow(block_.data(), &out));
    RuntimeUnlockObject(out);
    ASSERT_TRUE(window_ref_.get());
    automation::WaitIdle();
    dc_ = Control("Pets");
    DataControlDBSetter(dc_, 0, db_.get());
    DataControlRunQuery(dc_);
    automation::WaitIdle();
  }
  TessObject* Control(const char* name) {
    controls_.push_back(ObjectRef::Adopt(RuntimeControlFetch(window_ref_.get(), S(name).get())));
    return controls_.back().get();
  }
  // What the bound controls show: id, name, the check box.
  std::string Shown() {
    std::string out = Text(Take(editTextGetter(Control("Id"), 0)).get()) + " " +
                      Text(Take(editTextGetter(Control("PetName"), 0)).get());
    return out + (checkBoxValueGetter(Control("Vet"), 0) ? " [x]" : " [ ]");
  }
  void SetText(const char* control, const char* text) {
    editTextSetter(Control(control), 0, S(text).get());
  }
  // The table's rows in key order: "id name vet" each.
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    Obj rs = Adopt(databaseSQLSelect(db_.get(), S("select * from pets order by id").get()));
    for (cursorMoveNext(rs.get()); rs.get() && !cursorEOFGetter(rs.get(), 0);
         cursorMoveNext(rs.get())) {
      std::string row;
      for (int32_t i = 1; i <= cursorFieldCount(rs.get(), 0); ++i) {
        Obj field = Adopt(cursorGetFieldByIndex(rs.get(), i));
        row += (i > 1 ? " " : "") + Text(Take(cursorFieldStringValueGetter(field.get(), 0)).get());
      }
      out.push_back(row);
    }
    return out;
  }
  // A click on a part of the bar (control coordinates of its middle row).
  void Press(int32_t x) { Send(platform::WM_LBUTTONDOWN, x); }
  void Release(int32_t x) { Send(platform::WM_LBUTTONUP, x); }
  void Click(int32_t x) {
    Press(x);
    Release(x);
  }
  void Send(platform::UINT msg, int32_t x, int32_t y = 11) {
    platform::SendMessage(Bar(), msg, 0, platform::LPARAM(uint32_t(y) << 16 | uint32_t(x)));
  }
  void Key(platform::WPARAM key) { platform::SendMessage(Bar(), platform::WM_KEYDOWN, key, 0); }
  platform::HWND Bar() {
    return reinterpret_cast<platform::HWND>(uintptr_t(uint32_t(getterWinHWND(dc_, 0))));
  }
  void PerformPart(const char* part) {
    Obj action = Adopt(DataControlGetBoundPart(dc_, S(part).get()));
    ASSERT_TRUE(action.get()) << part;
    DataControlActionPerformAction(action.get());
  }

  // The bar is 200 wide and 22 high: buttons of 22 at 0, 22, 156 and 178.
  static constexpr int32_t kFirst = 11, kPrevious = 33, kCaption = 100, kNext = 167, kLast = 189;

  StaticString names_[9] = {
      StaticString("MoveNext"), StaticString("MovePrevious"), StaticString("MoveFirst"),
      StaticString("MoveLast"), StaticString("Reposition"),   StaticString("Validate"),
      StaticString("Insert"),   StaticString("Update"),       StaticString("Delete")};
  HookDescriptor hooks_[9] = {{nullptr, names_[0].get(), 0, (void*)&OnMoveNext},
                              {nullptr, names_[1].get(), 0, (void*)&OnMovePrevious},
                              {nullptr, names_[2].get(), 0, (void*)&OnMoveFirst},
                              {nullptr, names_[3].get(), 0, (void*)&OnMoveLast},
                              {nullptr, names_[4].get(), 0, (void*)&OnReposition},
                              {nullptr, names_[5].get(), 0, (void*)&OnValidate},
                              {nullptr, names_[6].get(), 0, (void*)&OnInsert},
                              {nullptr, names_[7].get(), 0, (void*)&OnUpdate},
                              {nullptr, names_[8].get(), 0, (void*)&OnDelete}};
  ClassObject window_{}, data_{};
  std::vector<ClassObject*> table_;
  std::vector<uint8_t> block_;
  ObjectRef window_ref_;
  std::vector<ObjectRef> controls_;
  Obj db_;
  TessObject* dc_ = nullptr;
};

using Strings = std::vector<std::string>;

TEST_F(DataControlTest, TheBarsButtonsAndKeysMoveTheBoundControlsThroughTheRows) {
  Open();
  EXPECT_EQ(DataControlRowCount(dc_), 3);
  EXPECT_EQ(Shown(), "1 Ada [x]");
  EXPECT_EQ(Text(Take(editTextGetter(Control("Loose"), 0)).get()), "") << "bound to another source";
  struct Step {
    const char* what;
    int32_t arg;
    Strings events;
    std::string shown;
  } steps[] = {
      {"next", kNext, {"MoveNext", "Reposition 2"}, "2 Bo [ ]"},
      {"last", kLast, {"MoveLast", "Reposition 3"}, "3 Cy [x]"},
      {"next at the end", kNext, {"MoveNext", "Reposition 3"}, "3 Cy [x]"},
      {"previous", kPrevious, {"MovePrevious", "Reposition 2"}, "2 Bo [ ]"},
      {"first", kFirst, {"MoveFirst", "Reposition 1"}, "1 Ada [x]"},
      {"the caption", kCaption, {}, "1 Ada [x]"},
  };
  for (const Step& s : steps) {
    g_events.clear();
    Click(s.arg);
    EXPECT_EQ(g_events, s.events) << s.what;
    EXPECT_EQ(Shown(), s.shown) << s.what;
    EXPECT_EQ(DataControlRow(dc_), std::stoi(s.shown)) << s.what;
  }

  // Let go elsewhere, a press does nothing; over its button again, it acts.
  g_events.clear();
  Press(kNext);
  Send(platform::WM_MOUSEMOVE, kCaption);
  Release(kCaption);
  EXPECT_EQ(g_events, Strings{});
  Press(kNext);
  Send(platform::WM_MOUSEMOVE, kCaption);
  Send(platform::WM_MOUSEMOVE, kNext);
  Release(kNext);
  EXPECT_EQ(g_events, (Strings{"MoveNext", "Reposition 2"}));

  struct KeyStep {
    platform::WPARAM key;
    const char* event;
    int32_t row;
  } keys[] = {{platform::VK_END, "MoveLast", 3},    {platform::VK_LEFT, "MovePrevious", 2},
              {platform::VK_HOME, "MoveFirst", 1},  {platform::VK_DOWN, "MoveNext", 2},
              {platform::VK_UP, "MovePrevious", 1}, {platform::VK_RIGHT, "MoveNext", 2}};
  for (const KeyStep& k : keys) {
    g_events.clear();
    Key(k.key);
    EXPECT_EQ(g_events, (Strings{k.event, "Reposition " + std::to_string(k.row)})) << k.event;
  }

  // A handler answering True keeps the row.
  g_keepRow = true;
  g_events.clear();
  Click(kFirst);
  EXPECT_EQ(g_events, Strings{"MoveFirst"});
  EXPECT_EQ(Shown(), "2 Bo [ ]");

  // Without ControlBind the bound controls stay as they are.
  g_keepRow = false;
  DataControlControlBindSetter(dc_, 0, 0);
  DataControlMoveTo(dc_, 3);
  EXPECT_EQ(Shown(), "2 Bo [ ]");
  DataControlMoveTo(dc_, 9);
  EXPECT_EQ(DataControlRow(dc_), 3) << "a row outside the rows is not taken";
  DataControlClearBoundControls(dc_);
  EXPECT_EQ(Shown(), "  [ ]");
}

TEST_F(DataControlTest, WithoutRowsTheButtonsDoNothing) {
  databaseSQLExecute(db_.get(), S("delete from pets").get());
  Open();
  EXPECT_EQ(DataControlRowCount(dc_), 0);
  g_events.clear();
  for (int32_t x : {kFirst, kPrevious, kNext, kLast}) Click(x);
  Key(platform::VK_RIGHT);
  DataControlMoveNext(dc_);
  EXPECT_EQ(g_events, Strings{});
  EXPECT_EQ(Shown(), "  [ ]");
  EXPECT_EQ(DataControlRecordLockedGetter(dc_, 0), 1);
}

TEST_F(DataControlTest, BoundPartsInsertUpdateAndDeleteWhatTheBoundControlsHold) {
  Open();
  // New record: no current row, the bound controls empty.
  g_events.clear();
  PerformPart("getNewRecordAction");
  EXPECT_EQ(g_events, Strings{"Reposition 0"});
  EXPECT_EQ(Shown(), "  [ ]");
  EXPECT_EQ(DataControlRow(dc_), 0);
  EXPECT_EQ(Adopt(DataControlGetField(dc_, S("name").get())).get(), nullptr);

  SetText("Id", "4");
  SetText("PetName", "O'Dee");
  checkBoxValueSetter(Control("Vet"), 0, 1);
  g_events.clear();
  PerformPart("GETADDNEWACTION");
  EXPECT_EQ(g_events, (Strings{"Validate 0", "Insert", "Reposition 4"}));
  EXPECT_EQ(Rows(), (Strings{"1 Ada true", "2 Bo false", "3 Cy true", "4 O'Dee true"}));
  EXPECT_EQ(Shown(), "4 O'Dee [x]");

  DataControlMoveTo(dc_, 2);
  SetText("PetName", "Bob");
  g_events.clear();
  PerformPart("getUpdateAction");
  EXPECT_EQ(g_events, (Strings{"Validate 1", "Update"}));
  EXPECT_EQ(Rows()[1], "2 Bob false");

  g_events.clear();
  PerformPart("getDeleteAction");
  EXPECT_EQ(g_events, (Strings{"Validate 2", "Reposition 2", "Delete"}));
  EXPECT_EQ(Rows(), (Strings{"1 Ada true", "3 Cy true", "4 O'Dee true"}));
  EXPECT_EQ(Shown(), "3 Cy [x]") << "the row that took the deleted one's place";

  // Validate refusing leaves the table as it was.
  g_refuse = 2;
  g_events.clear();
  DataControlDeleteRecord(dc_);
  EXPECT_EQ(g_events, Strings{"Validate 2"});
  EXPECT_EQ(Rows().size(), 3u);

  // Insert answering True: the application wrote the row itself.
  g_insertItself = true;
  SetText("Id", "9");
  DataControlAddNewRecord(dc_);
  EXPECT_EQ(Rows().size(), 3u);

  // Read-only: the row is locked and nothing is written.
  DataControlReadOnlySetter(dc_, 0, 1);
  EXPECT_EQ(DataControlRecordLockedGetter(dc_, 0), 1);
  g_events.clear();
  SetText("PetName", "Zed");
  DataControlUpdateRecord(dc_);
  g_insertItself = false;
  DataControlAddNewRecord(dc_);
  EXPECT_EQ(g_events, Strings{});
  EXPECT_EQ(Rows(), (Strings{"1 Ada true", "3 Cy true", "4 O'Dee true"}));
}

TEST_F(DataControlTest, PartsAreMadeByNameAndHoldTheirControl) {
  Open();
  int32_t before = Header(dc_)->refCount;
  Obj part = Adopt(DataControlGetBoundPart(dc_, S("getUpdateAction").get()));
  ASSERT_TRUE(part.get());
  EXPECT_EQ(View(Header(part.get())->cls->name), "DataControlAction");
  EXPECT_EQ(Header(dc_)->refCount, before + 1);
  for (const char* unknown : {"getUpdate", "getUpdateActions", "", "getCheckedAction"})
    EXPECT_EQ(Adopt(DataControlGetBoundPart(dc_, S(unknown).get())).get(), nullptr) << unknown;
  part = Obj();
  EXPECT_EQ(Header(dc_)->refCount, before);

  // A part outlives the window: its control has no bound controls left and
  // deleting still acts on the control's own rows.
  Obj remove = Adopt(DataControlGetBoundPart(dc_, S("getDeleteAction").get()));
  ObjectRef keep = ShareObject(dc_);
  controls_.clear();
  CloseAllWindows();
  automation::WaitIdle();
  window_ref_ = ObjectRef();
  g_events.clear();
  DataControlActionPerformAction(remove.get());
  EXPECT_EQ(g_events, (Strings{"Validate 2", "Reposition 1", "Delete"}));
  EXPECT_EQ(Rows(), (Strings{"2 Bo false", "3 Cy true"}));
  DataControlClearBoundControls(dc_);
  DataControlNewRecord(dc_);
}

TEST_F(DataControlTest, TheControlAndItsPartsAnswerThroughTheirInterfaces) {
  Open();
  auto text = [&](int32_t column) {
    uint32_t s = 0;
    EXPECT_TRUE(CallInterface(dc_, Iface::kTupleInterface, "getIndString", {uint32_t(column)}, &s));
    return Text(Take(reinterpret_cast<TessString*>(uintptr_t(s))).get());
  };
  uint32_t count = 0;
  ASSERT_TRUE(CallInterface(dc_, Iface::kTupleInterface, "FieldCount", {}, &count));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(text(0), "1");
  EXPECT_EQ(text(1), "Ada");
  EXPECT_EQ(text(3), "") << "past the columns";
  EXPECT_EQ(text(-1), "");

  uint32_t raw = 0;
  ASSERT_TRUE(CallInterface(dc_, Iface::kBindingPartInterface, "getBoundPart",
                            {Arg(S("getDeleteAction").get())}, &raw));
  Obj part = Adopt(reinterpret_cast<TessObject*>(uintptr_t(raw)));
  ASSERT_TRUE(Implements(part.get(), Iface::kActionNotificationReceiver));
  EXPECT_TRUE(CallInterface(part.get(), Iface::kActionNotificationReceiver, "PerformAction"));
  EXPECT_EQ(Rows(), (Strings{"2 Bo false", "3 Cy true"}));
  EXPECT_EQ(text(1), "Bo");

  DataControlNewRecord(dc_);
  EXPECT_EQ(text(1), "") << "no current row";
  EXPECT_FALSE(Implements(dc_, Iface::kListDataProvider));
}

TEST_F(DataControlTest, TheBarGivesItsButtonsTheHeightUnlessTooNarrow) {
  Obj c = Adopt(CreateObject(data_.superclass));
  struct Case {
    int32_t width, height;
    std::vector<std::pair<int32_t, int>> hits;  // x (at mid-height), the part
  } cases[] = {
      {200,
       22,
       {{0, kFirstButton},
        {21, kFirstButton},
        {22, kPreviousButton},
        {43, kPreviousButton},
        {44, DataControlPart::kCaption},
        {155, DataControlPart::kCaption},
        {156, kNextButton},
        {178, kLastButton},
        {199, kLastButton},
        {200, -1},
        {-1, -1}}},
      // Too narrow for four buttons of its height and a caption: a fifth
      // of the width each.
      {50,
       22,
       {{9, kFirstButton},
        {10, kPreviousButton},
        {20, DataControlPart::kCaption},
        {29, DataControlPart::kCaption},
        {30, kNextButton},
        {40, kLastButton},
        {49, kLastButton}}},
      {0, 22, {{0, -1}}},
  };
  for (const Case& k : cases) {
    ctlPosSetter(c.get(), 2, k.width);
    ctlPosSetter(c.get(), 3, k.height);
    for (auto [x, part] : k.hits)
      EXPECT_EQ(DataControlPartAt(c.get(), x, k.height / 2), part) << k.width << " at " << x;
    EXPECT_EQ(DataControlPartAt(c.get(), 5, k.height), -1) << "below the bar";
  }
}

TEST_F(DataControlTest, EntriesLeaveOtherObjectsAlone) {
  Obj other = Adopt(CreateObject(RootClass()));
  TessObject* o = other.get();
  DataControlMoveNext(o);
  DataControlRunQuery(o);
  DataControlAddNewRecord(o);
  DataControlCaptionSetter(o, 20, S("x").get());
  DataControlAttributeSetter(o, 0, 1);
  DataControlActionPerformAction(o);
  DataControlActionDestructor(o);
  EXPECT_EQ(DataControlRowCount(o), 0);
  EXPECT_EQ(DataControlGetBoundPart(o, S("getUpdateAction").get()), nullptr);
  EXPECT_EQ(DataControlDBGetter(o, 0), nullptr);
  EXPECT_EQ(DataControlGetCursor(o), nullptr);
}

TEST_F(DataControlTest, QueriesTakeSQLQueryOverTheTableAndTheCursorIsShared) {
  Open({{"SQLQuery", "select name from pets where id > 1"}});
  EXPECT_EQ(DataControlRowCount(dc_), 2);
  EXPECT_EQ(DataControlFieldCount(dc_), 1);
  EXPECT_EQ(Shown(), " Bo [ ]") << "columns the query lacks show empty";
  Obj cursor = Adopt(DataControlGetCursor(dc_));
  ASSERT_TRUE(cursor.get());
  Obj field = Adopt(cursorGetFieldByIndex(cursor.get(), 1));
  EXPECT_EQ(Text(Take(cursorFieldStringValueGetter(field.get(), 0)).get()), "Bo");
  EXPECT_EQ(DataControlGetConstant(dc_, 2), 2);
  Obj db = Adopt(DataControlDBGetter(dc_, 0));
  EXPECT_EQ(db.get(), db_.get());
  // Anything but a database is refused; nil clears it.
  DataControlDBSetter(dc_, 0, Item("D:\\pets.db").get());
  EXPECT_EQ(Adopt(DataControlDBGetter(dc_, 0)).get(), db_.get());
  DataControlDBSetter(dc_, 0, nullptr);
  DataControlRunQuery(dc_);
  EXPECT_EQ(DataControlRowCount(dc_), 0);
  EXPECT_EQ(Adopt(DataControlGetCursor(dc_)).get(), nullptr);
}

}  // namespace
}  // namespace tess::ui
