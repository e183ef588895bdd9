// ListBox without a window: the row model, width expressions and column
// layout, sorting with and without CompareRows, folders, moving rows and the
// entry points' handling of indexes out of range.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "files/file_classes.h"
#include "platform/user/automation.h"
#include "platform/user/input.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/instance_layout.h"
#include "ui/list_box.h"
#include "ui/list_model.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

using test::S;
using test::Take;
using test::Text;

class ListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    InitListBox();
    list_ = ObjectRef::Adopt(CreateObject(FindClassByName("Listbox")));
    ASSERT_TRUE(list_.get());
  }
  TessObject* L() { return list_.get(); }
  void Add(const char* text) { RuntimeListAddRow(L(), S(text).get()); }
  std::vector<std::string> Column(int32_t column) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < listCountGetter(L(), 0); ++i)
      out.push_back(Text(Take(listGetCell(L(), i, column)).get()));
    return out;
  }
  // The message of what `body` raised, or "" when it raised nothing.
  static std::string RaisedMessage(std::function<void()> body) {
    test::PendingBody() = std::move(body);
    try {
      CallCompiled(reinterpret_cast<const void*>(&test::RunPendingBody), {});
    } catch (LanguageException& e) {
      for (const ClassObject* c = Header(e.exception())->cls; c; c = c->superclass)
        for (const PropertyDescriptor* d = c->properties; d; d = d->next)
          if (View(d->name) == "Message")
            return Text(Take(reinterpret_cast<TessString* (*)(TessObject*, uint32_t)>(d->getter)(
                                 e.exception(), d->parameter))
                            .get());
      return "?";
    }
    return "";
  }
  ObjectRef list_;
};

TEST(ListWidths, ExpressionsLayOutColumns) {
  struct Case {
    std::vector<std::string> expressions;
    int32_t width;
    std::vector<int32_t> widths;
  } cases[] = {
      {{"50", "*", "2*"}, 350, {50, 100, 200}},
      {{"25%", "*"}, 400, {100, 300}},
      {{"", ""}, 101, {51, 50}},        // empty is factor 1; the last takes the rest
      {{"abc", "*"}, 300, {150, 150}},  // an error takes an equal share of what remains
      {{"-20", "*"}, 100, {0, 100}},    // negative counts as 0
      {{"1.5*", "0.5*"}, 200, {150, 50}},
      {{"30", "40"}, 300, {30, 40}},
  };
  for (const Case& c : cases) {
    ListModel m;
    m.SetColumnCount(int32_t(c.expressions.size()));
    for (size_t i = 0; i < c.expressions.size(); ++i) m.columns[i].expression[0] = c.expressions[i];
    m.LayoutColumns(c.width);
    std::vector<int32_t> got;
    for (const ListColumnInfo& col : m.columns) got.push_back(col.actual[0]);
    EXPECT_EQ(got, c.widths) << c.expressions[0] << " on " << c.width;
  }
}

TEST(ListWidths, MinimumAndMaximumBoundTheWidth) {
  ListModel m;
  m.SetColumnCount(2);
  m.columns[0].expression[0] = "10";
  m.columns[0].expression[1] = "40";  // minimum
  m.columns[1].expression[0] = "*";
  m.columns[1].expression[2] = "50%";  // maximum
  m.LayoutColumns(200);
  EXPECT_EQ(m.columns[0].actual[0], 40);
  EXPECT_EQ(m.columns[1].actual[0], 100);
  m.columns[1].expression[2] = "-1";  // no maximum
  m.LayoutColumns(200);
  EXPECT_EQ(m.columns[1].actual[2], -1);
  EXPECT_EQ(m.columns[1].actual[0], 190);
}

// Widths as the layout leaves them.
std::vector<int32_t> Widths(const ListModel& m) {
  std::vector<int32_t> out;
  for (const ListColumnInfo& c : m.columns) out.push_back(c.actual[0]);
  return out;
}

ListModel Columns(std::vector<std::string> expressions, int32_t width) {
  ListModel m;
  m.SetColumnCount(int32_t(expressions.size()));
  for (size_t i = 0; i < expressions.size(); ++i) m.columns[i].expression[0] = expressions[i];
  m.LayoutColumns(width);
  return m;
}

TEST(ListWidths, ADraggedColumnBecomesAbsoluteAndTheRelativeOnesShareTheRest) {
  struct Case {
    std::vector<std::string> expressions;
    int32_t width;
    int32_t column, dragged;
    std::vector<int32_t> widths;
  } cases[] = {
      {{"*", "50", "70"}, 330, 1, 80, {180, 80, 70}},       // the relative column gives way
      {{"*", "50", "70"}, 330, 2, 300, {0, 50, 300}},       // ...down to nothing, then wider
      {{"*", "2*"}, 300, 0, 60, {60, 240}},                 // the resized one leaves the stars
      {{"100", "100"}, 300, 0, 2, {kMinColumnWidth, 100}},  // never below the minimum
      {{"100", "100"}, 300, 1, -50, {100, kMinColumnWidth}},
      {{"25%", "*"}, 400, 0, 1 << 30, {1 << 20, 0}},  // held far from overflow
  };
  for (const Case& c : cases) {
    ListModel m = Columns(c.expressions, c.width);
    int32_t took = m.ResizeColumn(c.column, c.dragged, c.width);
    EXPECT_EQ(Widths(m), c.widths) << c.expressions[0] << " column " << c.column;
    EXPECT_EQ(took, c.widths[size_t(c.column)]);
    // The expression is the application's still; the width stays through
    // later layouts, as at another list width.
    EXPECT_EQ(m.columns[size_t(c.column)].expression[0], c.expressions[size_t(c.column)]);
    m.LayoutColumns(c.width + 100);
    EXPECT_EQ(m.columns[size_t(c.column)].actual[0], c.widths[size_t(c.column)]);
  }
}

TEST(ListWidths, DraggedWidthsKeepMinimumAndMaximumAndGoWhenNotResizable) {
  ListModel m = Columns({"50", "*"}, 200);
  m.columns[0].expression[1] = "40";
  m.columns[0].expression[2] = "90";
  m.LayoutColumns(200);
  EXPECT_EQ(m.ResizeColumn(0, 20, 200), 40);
  EXPECT_EQ(m.ResizeColumn(0, 150, 200), 90);
  EXPECT_EQ(Widths(m), (std::vector<int32_t>{90, 110}));
  // With the list's columns no longer resizable the expressions rule again.
  m.LayoutColumns(200, false);
  EXPECT_EQ(Widths(m), (std::vector<int32_t>{50, 150}));
  m.LayoutColumns(200);
  m.columns[0].resizable = false;
  m.LayoutColumns(200);
  EXPECT_EQ(Widths(m), (std::vector<int32_t>{50, 150}));
  EXPECT_EQ(m.ResizeColumn(5, 10, 200), 0);
}

TEST(ListWidths, BordersAreFoundWithinTheSlop) {
  ListModel m = Columns({"50", "0", "60", "40"}, 300);  // borders at 50, 50, 110, 150
  m.columns[3].resizable = false;
  struct Case {
    int32_t x, left, column;
  } cases[] = {
      {50, 0, 1},                // of two borders in one place the right one
      {50 - kBorderSlop, 0, 1},  // the slop either side
      {50 + kBorderSlop, 0, 1},
      {50 + kBorderSlop + 1, 0, -1},
      {80, 0, -1},  // inside a column
      {109, 0, 2},
      {150, 0, -1},  // not user-resizable
      {80, -30, 2},  // scrolled 30 pixels: the third border is at 80
      {0, 0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(m.BorderAt(c.x, c.left), c.column) << c.x << " " << c.left;
}

TEST(ListRows, FoldersTakeTheirChildrenAlong) {
  ListModel m;
  m.Append(S("a").get(), true);
  m.Append(S("z").get(), false);
  m.BeginExpand(0);
  m.Append(S("a2").get(), false);
  m.Append(S("a1").get(), true);
  m.EndExpand();
  ASSERT_EQ(m.Count(), 4);
  EXPECT_EQ(Text(Take(m.Text(1, 0)).get()), "a2");
  EXPECT_EQ(m.Row(2)->depth, 1);
  EXPECT_EQ(m.EndOfChildren(0), 3);
  // Sorting descending keeps children beneath their folder.
  m.Sort(0, true, nullptr);
  std::vector<std::string> order;
  for (int32_t i = 0; i < m.Count(); ++i) order.push_back(Text(Take(m.Text(i, 0)).get()));
  EXPECT_EQ(order, (std::vector<std::string>{"z", "a", "a2", "a1"}));
  // Moving the folder moves its children.
  EXPECT_EQ(m.MoveRow(1, 0), 0);
  EXPECT_EQ(Text(Take(m.Text(3, 0)).get()), "z");
  EXPECT_EQ(m.Collapse(0), 2);
  EXPECT_EQ(m.Count(), 2);
  EXPECT_FALSE(m.Row(0)->expanded);
  EXPECT_TRUE(m.Remove(0));
  EXPECT_FALSE(m.Remove(5));
  EXPECT_EQ(m.Count(), 1);
}

TEST(ListRows, CompareRowsDecidesFirst) {
  struct Case {
    bool descending;
    std::optional<int32_t> answer;  // what CompareRows gives every pair
    std::vector<std::string> expected;
  } cases[] = {
      {false, std::nullopt, {"apple", "Banana", "cherry"}},  // case ignored
      {true, std::nullopt, {"cherry", "Banana", "apple"}},
      {false, 0, {"cherry", "apple", "Banana"}},  // equal: order kept
      {true, 0, {"cherry", "Banana", "apple"}},   // descending 0: the text decides
  };
  for (const Case& c : cases) {
    ListModel m;
    for (const char* t : {"cherry", "apple", "Banana"}) m.Append(S(t).get(), false);
    m.Sort(0, c.descending, [&](int32_t, int32_t) { return c.answer; });
    std::vector<std::string> got;
    for (int32_t i = 0; i < m.Count(); ++i) got.push_back(Text(Take(m.Text(i, 0)).get()));
    EXPECT_EQ(got, c.expected) << c.descending;
  }
  // A handler ordering by length, ascending, then reversed by direction.
  ListModel m;
  for (const char* t : {"ccc", "a", "bb"}) m.Append(S(t).get(), false);
  auto byLength = [&](int32_t a, int32_t b) -> std::optional<int32_t> {
    return Length(m.CellAt(a, 0, false)->text.get()) - Length(m.CellAt(b, 0, false)->text.get());
  };
  m.Sort(0, true, byLength);
  EXPECT_EQ(Text(Take(m.Text(0, 0)).get()), "ccc");
}

TEST_F(ListBoxTest, RowsAndCellsOutOfRangeChangeNothing) {
  for (const char* t : {"one", "two", "three"}) Add(t);
  RuntimeListInsertRow(L(), 99, S("four").get());
  EXPECT_EQ(listCountGetter(L(), 0), 4);
  EXPECT_EQ(listLastIndexGetter(L(), 0), 3);
  RuntimeListInsertRow(L(), -5, S("zero").get());
  EXPECT_EQ(listLastIndexGetter(L(), 0), 0);
  listSetCell(L(), 0, 256, S("x").get());
  listSetCell(L(), 9, 0, S("x").get());
  EXPECT_EQ(Text(Take(listGetCell(L(), 0, 256)).get()), "");
  EXPECT_EQ(Text(Take(listGetCell(L(), -1, 0)).get()), "");
  EXPECT_EQ(Column(0), (std::vector<std::string>{"zero", "one", "two", "three", "four"}));
  listSetCell(L(), 1, 3, S("far").get());
  EXPECT_EQ(Text(Take(listGetCell(L(), 1, 3)).get()), "far");
  EXPECT_EQ(Text(Take(listGetCell(L(), 1, 2)).get()), "");
  listSetCellBold(L(), 7, 0, 1);
  EXPECT_EQ(listGetCellBold(L(), 7, 0), 0);
  listCellCheckSetter(L(), 2, 1, 1);
  EXPECT_EQ(listCellCheckGetter(L(), 2, 1), 1);
  RuntimeRemoveRow(L(), 40);
  RuntimeRemoveRow(L(), 0);
  EXPECT_EQ(Text(Take(RuntimeGetRow(L(), 0)).get()), "one");
  listSelectionSetter(L(), 0, 2);
  EXPECT_EQ(Text(Take(listTextGetter(L(), 0)).get()), "three");
  EXPECT_EQ(listSelCountGetter(L(), 0), 1);
  listSelectionSetter(L(), 0, 77);
  EXPECT_EQ(listSelectionGetter(L(), 0), -1);
  RuntimeListEmpty(L());
  EXPECT_EQ(listCountGetter(L(), 0), 0);
}

TEST_F(ListBoxTest, WidthExpressionsRaiseWithTheirMessages) {
  listColumnCountSetter(L(), 0, 3);
  EXPECT_EQ(RaisedMessage([&] { listColumnWidthsSetter(L(), 0, S("50,abc,*").get()); }),
            "Unrecognized expression 'abc'");
  EXPECT_EQ(Text(Take(listColumnWidthsGetter(L(), 0)).get()), "50,abc,*");
  ObjectRef column = ObjectRef::Adopt(listColumnGetter(L(), 0));
  ASSERT_TRUE(column.get());
  EXPECT_EQ(RaisedMessage([&] { listColWidthExpressionSetter(column.get(), 1, S("*").get()); }),
            "MinWidthExpression doesn't support the Asterisk ('*') format.");
  EXPECT_EQ(RaisedMessage([&] { listColWidthExpressionSetter(column.get(), 2, S("3*").get()); }),
            "MaxWidthExpression doesn't support the Asterisk ('*') format.");
  EXPECT_EQ(RaisedMessage([&] { listColWidthExpressionSetter(column.get(), 0, S("80").get()); }),
            "");
  EXPECT_EQ(Text(Take(listColWidthExpressionGetter(column.get(), 0)).get()), "80");
  // The list has no window: it lays out at its own width.
  EXPECT_EQ(listColWidthActualGetter(column.get(), 0), 80);
  EXPECT_EQ(listColumnGetter(L(), 3), nullptr);
}

TEST_F(ListBoxTest, InitialValueSplitsRowsAndCells) {
  listColumnCountSetter(L(), 0, 2);
  for (const PropertyDescriptor* d = Header(L())->cls->properties; d; d = d->next)
    if (View(d->name) == "InitialValue")
      reinterpret_cast<void (*)(TessObject*, uint32_t, TessString*)>(d->setter)(
          L(), d->parameter, S("a\t1\r\nb\t2\rc").get());
  EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Column(1), (std::vector<std::string>{"1", "2", ""}));
  listSetHeading(L(), -1, S("Name\tSize").get());
  EXPECT_EQ(Text(Take(listGetHeading(L(), 1)).get()), "Size");
  EXPECT_EQ(Text(Take(listGetHeading(L(), 5)).get()), "");
}

TEST_F(ListBoxTest, RowPicturesAreKeptByTheirRowsAndDrawnBeforeTheText) {
  for (const char* t : {"b", "c", "a"}) Add(t);
  // A red square taller than the row, so drawn scaled to 16 x 16.
  ObjectRef picture = ObjectRef::Adopt(newPicture(32, 32, 32));
  ASSERT_TRUE(picture.get());
  TessObject* g = pictureGraphicsGetter(picture.get(), 0);
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillRect(g, 0, 0, 32, 32);
  RuntimeUnlockObject(g);
  TessObject* raw = picture.get();
  listSetRowPicture(L(), 1, raw);
  EXPECT_EQ(Header(raw)->refCount, 2);
  // Rows move and come and go: the picture stays with "c".
  listSortedColumnSetter(L(), 0, 0);
  RuntimeListResort(L());
  RuntimeListInsertRow(L(), 0, S("first").get());
  EXPECT_EQ(Column(0), (std::vector<std::string>{"first", "a", "b", "c"}));
  ObjectRef got = ObjectRef::Adopt(listGetRowPicture(L(), 3));
  EXPECT_EQ(got.get(), raw);
  EXPECT_EQ(listGetRowPicture(L(), 1), nullptr);
  got = ObjectRef();
  // The application lets go: the row's reference keeps it for drawing.
  picture = ObjectRef();
  EXPECT_EQ(Header(raw)->refCount, 1);
  ListBoxFields* f = FieldsOf<ListBoxFields>(L());
  f->rect.width = 120;
  f->rect.height = 80;
  f->scrollBarVertical = 0;
  listScrollPositionSetter(L(), 0, 3);
  platform::HDC dc = platform::CreateCompatibleDC(nullptr);
  platform::BITMAPINFO info{};
  info.bmiHeader = {
      sizeof(platform::BITMAPINFOHEADER), 120, -80, 1, 32, platform::BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  platform::HBITMAP bitmap =
      platform::CreateDIBSection(nullptr, &info, platform::DIB_RGB_COLORS, &bits, nullptr, 0);
  platform::HGDIOBJ old = platform::SelectObject(dc, bitmap);
  PaintList(L(), dc);
  // Row "c" at the top, 18 high: the picture at x 4..19, y 1..16, the text
  // from x 24.
  auto red = [&](int x, int y) {
    return platform::GetPixel(dc, x, y) == platform::RGB(0xFF, 0, 0);
  };
  EXPECT_TRUE(red(4, 1));
  EXPECT_TRUE(red(19, 16));
  EXPECT_FALSE(red(20, 9));
  EXPECT_FALSE(red(4, 17));
  EXPECT_FALSE(red(3, 9));
  platform::SelectObject(dc, old);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(dc);
  // Clearing the picture with nil lets it go, and so does removing its row.
  LockObject(raw);
  listSetRowPicture(L(), 3, nullptr);
  EXPECT_EQ(Header(raw)->refCount, 1);
  listSetRowPicture(L(), 0, raw);
  EXPECT_EQ(Header(raw)->refCount, 2);
  RuntimeRemoveRow(L(), 0);
  EXPECT_EQ(Header(raw)->refCount, 1);
  UnlockObject(raw);
  listSetRowPicture(L(), 9, nullptr);  // out of range: nothing
}

TEST_F(ListBoxTest, SortFollowsTheSortedColumnAndItsDirection) {
  listColumnCountSetter(L(), 0, 2);
  for (const char* t : {"b", "c", "a"}) Add(t);
  for (int32_t i = 0; i < 3; ++i) listSetCell(L(), i, 1, S(std::to_string(3 - i)).get());
  listSortedColumnSetter(L(), 0, 1);
  RuntimeListResort(L());
  EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "c", "b"}));
  listColumnSortDirectionSetter(L(), 1, -1);
  RuntimeListResort(L());
  EXPECT_EQ(Column(1), (std::vector<std::string>{"3", "2", "1"}));
  listSortedColumnSetter(L(), 0, 9);
  EXPECT_EQ(listSortedColumnGetter(L(), 0), -1);
}

// A list in a window, driven by injected input: its heading borders and
// its horizontal scroll bar.
class ListBoxWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    InitListBox();
    window_.superclass = WindowClass();
    window_.instanceSize = kWindowInstanceSize;
    list_.superclass = FindClassByName("Listbox");
    ASSERT_TRUE(list_.superclass);
    list_.instanceSize = list_.superclass->instanceSize;
    table_ = {&window_, &list_};
    SetClassTable(table_);
    platform::automation::WaitIdle();
  }
  void TearDown() override {
    list_ref_ = ObjectRef();
    CloseAllWindows();
    platform::automation::WaitIdle();
    SetClassTable({});
  }

  // A 200 x 120 list whose columns are 100, 60 and the rest (24 beside
  // the vertical bar); `more` pairs go after the others.
  TessObject* Create(std::vector<PropertyPair> more = {}) {
    WindowLayout layout{0,
                        {{"Title", "Columns"},
                         {"Left", "100"},
                         {"Top", "100"},
                         {"Width", "300"},
                         {"Height", "200"},
                         {"Visible", "True"}},
                        {{1,
                          {{"Name", "Sheet"},
                           {"Left", "10"},
                           {"Top", "10"},
                           {"Width", "200"},
                           {"Height", "120"},
                           {"ColumnCount", "3"},
                           {"HasHeading", "True"},
                           {"ColumnsResizable", "True"},
                           {"ScrollBarHorizontal", "True"},
                           {"ColumnWidths", "100,60,*"}}}},
                        {}};
    for (PropertyPair& pair : more) layout.controls[0].pairs.push_back(pair);
    block_ = imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout));
    TessObject* out = nullptr;
    window_ref_ = ObjectRef::Adopt(RuntimeCreateWindow(block_.data(), &out));
    RuntimeUnlockObject(out);
    platform::automation::WaitIdle();
    StaticString name("Sheet");
    list_ref_ = ObjectRef::Adopt(RuntimeControlFetch(window_ref_.get(), name.get()));
    return list_ref_.get();
  }
  platform::HWND Pane() { return FieldsOf<ControlFields>(list_ref_.get())->pane->native; }
  // Desktop coordinates of a point of the list.
  platform::POINT At(int x, int y) {
    platform::POINT p{x, y};
    platform::ClientToScreen(Pane(), &p);
    return p;
  }
  uintptr_t CursorAt(int x, int y) {
    // From elsewhere first: the cursor is asked for when the pointer moves.
    platform::POINT p = At(x, y);
    platform::automation::MoveMouse(p.x, p.y + 50);
    platform::automation::WaitIdle();
    platform::automation::MoveMouse(p.x, p.y);
    platform::automation::WaitIdle();
    return uintptr_t(platform::GetCursor());
  }
  void Script(const std::string& text) {
    std::string error;
    EXPECT_TRUE(platform::automation::RunScript(text, &error)) << error;
  }
  std::vector<int32_t> Widths() {
    std::vector<int32_t> out;
    for (const ListColumnInfo& c : ListModelOf(list_ref_.get())->columns)
      out.push_back(c.actual[0]);
    return out;
  }
  // Whether the list's horizontal bar (its wide child) or vertical bar
  // (its tall child) shows.
  bool BarShown(bool horizontal) {
    for (platform::HWND child = platform::GetWindow(Pane(), platform::GW_CHILD); child;
         child = platform::GetWindow(child, platform::GW_HWNDNEXT)) {
      platform::RECT r{};
      platform::GetWindowRect(child, &r);
      if ((r.right - r.left > r.bottom - r.top) == horizontal)
        return platform::IsWindowVisible(child);
    }
    return false;
  }
  bool HorizontalBarShown() { return BarShown(true); }

  ClassObject window_{}, list_{};
  std::vector<ClassObject*> table_;
  std::vector<uint8_t> block_;
  ObjectRef window_ref_, list_ref_;
};

constexpr uintptr_t kArrow = 32512, kSizeWE = 32644;

TEST_F(ListBoxWindow, TheSizeCursorShowsOverHeadingBordersOfResizableColumns) {
  TessObject* list = Create();
  ASSERT_TRUE(list);
  struct Case {
    int x, y;
    uintptr_t cursor;
  } cases[] = {
      {100, 8, kSizeWE},                   // the first border
      {100 + kBorderSlop, 8, kSizeWE},     // within the slop
      {100 + kBorderSlop + 1, 8, kArrow},  // beside it
      {50, 8, kArrow},                     // on a heading
      {160, 8, kSizeWE},
      {100, 40, kArrow},  // the border among the rows is no handle
  };
  for (const Case& c : cases) EXPECT_EQ(CursorAt(c.x, c.y), c.cursor) << c.x << "," << c.y;
  // Not resizable: the list's flag or the column's.
  ObjectRef column = ObjectRef::Adopt(listColumnGetter(list, 0));
  listColUserResizableSetter(column.get(), 0, 0);
  EXPECT_EQ(CursorAt(100, 8), kArrow);
  EXPECT_EQ(CursorAt(160, 8), kSizeWE);
  for (const ClassObject* c = Header(list)->cls; c; c = c->superclass)
    for (const PropertyDescriptor* d = c->properties; d; d = d->next)
      if (View(d->name) == "ColumnsResizable")
        reinterpret_cast<void (*)(TessObject*, uint32_t, int32_t)>(d->setter)(list, d->parameter,
                                                                              0);
  EXPECT_EQ(CursorAt(160, 8), kArrow);
}

TEST_F(ListBoxWindow, TheHorizontalBarFollowsTheColumnsAndTheListsWidth) {
  TessObject* list = Create();
  ASSERT_TRUE(list);
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 60, 24}));
  EXPECT_FALSE(HorizontalBarShown());
  // The second border dragged 40 right: the relative column gives its 24
  // and the columns overflow by 16.
  platform::POINT from = At(160, 8), to = At(200, 8);
  Script("down " + std::to_string(from.x) + " " + std::to_string(from.y) + "\nmove " +
         std::to_string(to.x) + " " + std::to_string(to.y) + "\nup\n");
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 100, 0}));
  EXPECT_TRUE(HorizontalBarShown());
  listScrollPositionXSetter(list, 0, 1000);
  EXPECT_EQ(listScrollPositionXGetter(list, 0), 16);
  listScrollPositionXSetter(list, 0, -5);
  EXPECT_EQ(listScrollPositionXGetter(list, 0), 0);
  listScrollPositionXSetter(list, 0, 10);
  // The bar's right arrow moves a line, held to the range.
  platform::RECT pane{};
  platform::GetWindowRect(Pane(), &pane);
  platform::automation::Click(pane.right - 16 - 8, pane.bottom - 8);
  platform::automation::WaitIdle();
  EXPECT_EQ(listScrollPositionXGetter(list, 0), 16);
  // A wider list holds the columns: the bar goes and the position with it.
  ctlPosSetter(list, 2, 260);
  platform::automation::WaitIdle();
  EXPECT_FALSE(HorizontalBarShown());
  EXPECT_EQ(listScrollPositionXGetter(list, 0), 0);
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 100, 44}));
  // Code setting the width expression replaces the dragged width.
  ObjectRef column = ObjectRef::Adopt(listColumnGetter(list, 1));
  listColWidthExpressionSetter(column.get(), 0, S("300").get());
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 300, 0}));
  EXPECT_TRUE(HorizontalBarShown());
  // Without ScrollBarHorizontal no bar, the position still held.
  listHScrollBarSetter(list, 0, 0);
  EXPECT_FALSE(HorizontalBarShown());
  listScrollPositionXSetter(list, 0, 1000);
  EXPECT_EQ(listScrollPositionXGetter(list, 0), 156);
}

TEST_F(ListBoxWindow, TheWheelScrollsThreeRowsANotchAndSidewaysWithShift) {
  TessObject* list = Create();
  ASSERT_TRUE(list);
  for (int i = 0; i < 30; ++i) RuntimeListAddRow(list, S("row").get());
  platform::POINT p = At(50, 40);
  Script("click " + std::to_string(p.x) + " " + std::to_string(p.y) + "\nwheel -120\n");
  EXPECT_EQ(listScrollPositionGetter(list, 0), 3);
  Script("wheel -240\nwheel 120\n");
  EXPECT_EQ(listScrollPositionGetter(list, 0), 6);
  ObjectRef column = ObjectRef::Adopt(listColumnGetter(list, 1));
  listColWidthExpressionSetter(column.get(), 0, S("200").get());  // 124 pixels too wide
  platform::input::Key(platform::VK_SHIFT, true);
  Script("wheel -120\n");
  platform::input::Key(platform::VK_SHIFT, false);
  EXPECT_EQ(listScrollPositionXGetter(list, 0), 48);
  EXPECT_EQ(listScrollPositionGetter(list, 0), 6);
}

TEST_F(ListBoxWindow, TheVerticalBarCanBeTurnedOnAndOffAfterOpening) {
  TessObject* list = Create({{"ScrollBarVertical", "False"}});
  ASSERT_TRUE(list);
  EXPECT_FALSE(BarShown(false));
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 60, 40}));
  listVScrollBarSetter(list, 0, 1);
  EXPECT_TRUE(BarShown(false));
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 60, 24}));  // beside the bar
  listVScrollBarSetter(list, 0, 0);
  EXPECT_FALSE(BarShown(false));
  EXPECT_EQ(Widths(), (std::vector<int32_t>{100, 60, 40}));
}

}  // namespace
}  // namespace tess::ui
