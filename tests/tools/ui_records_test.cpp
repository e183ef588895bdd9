// Window layout and menu bar records as the builder writes them: against
// bytes written out by hand, through the runtime's readers and back, from
// description files into a linked image, the description errors, and the
// dump's listing.
#include "tessimage/ui_records.h"
#include "image/format.h"
#include "tessimage/description.h"
#include "tessimage/records_dump.h"
#include "tessimage_test_support.h"
#include "ui/layout_record.h"
#include "ui/menu_record.h"

namespace tess::test {
namespace {

using imagetool::CountedBlock;
using imagetool::MenuBarRecord;
using imagetool::WindowLayoutRecord;

std::vector<uint8_t> Text(std::string_view s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

// Concatenates pieces of hand-written record bytes.
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> pieces) {
  std::vector<uint8_t> out;
  for (const auto& p : pieces) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A one-byte String (shorter than 64 bytes).
std::vector<uint8_t> Str(std::string_view s) {
  return Cat({{uint8_t(s.size())}, Text(s)});
}

ui::MenuEntry Entry(std::string text, std::string name, std::string key, int32_t cls) {
  ui::MenuEntry e;
  e.text = std::move(text);
  e.name = std::move(name);
  e.commandKey = std::move(key);
  e.classIndex = cls;
  return e;
}

// INT32_MIN as the writer stores it: magnitude 0x80000000, sign bit set.
const std::vector<uint8_t> kNoIndex = {0xC0, 0x80, 0x80, 0x80, 0x10};

std::vector<uint8_t> EntryBytes(std::string_view text, std::string_view name, std::string_view key,
                                uint8_t cls, bool submenu) {
  return Cat({{0x00},
              Str(text),
              Str(name),
              kNoIndex,
              Str(key),
              {0x00, 0x00, 0x00},
              {uint8_t(submenu ? 1 : 0), cls}});
}

TEST(UiRecordWriters, MenuBarMatchesHandWrittenBytes) {
  ui::MenuEntry file = Entry("File", "", "", 1);
  file.hasSubmenu = true;
  file.children = {Entry("Quit", "FileQuit", "Q", 2)};
  ui::MenuEntry edit = Entry("Edit", "", "", 1);
  edit.hasSubmenu = true;
  edit.children = {Entry("Undo", "EditUndo", "Z", 1), Entry("-", "", "", 1),
                   Entry("Clear", "EditClear", "", 1)};
  const std::vector<uint8_t> expected = Cat({{0x02},
                                             EntryBytes("File", "", "", 1, true),
                                             {0x01},
                                             EntryBytes("Quit", "FileQuit", "Q", 2, false),
                                             EntryBytes("Edit", "", "", 1, true),
                                             {0x03},
                                             EntryBytes("Undo", "EditUndo", "Z", 1, false),
                                             EntryBytes("-", "", "", 1, false),
                                             EntryBytes("Clear", "EditClear", "", 1, false)});
  EXPECT_EQ(MenuBarRecord({file, edit}), expected);
}

TEST(UiRecordWriters, WindowMatchesHandWrittenBytes) {
  ui::WindowLayout w;
  w.windowClass = 70;  // two bytes: 0x86 0x01
  w.pairs = {{"Name", "Window1"}, {"Frame", "1"}, {"Title", ""}};
  w.controls = {{3, {{"Name", "PushButton1"}, {"Index", "-2147483648"}}}};
  w.bindings = {{0, "getCheckedAction", -1, "", 5, "", "x"}};
  const std::vector<uint8_t> expected = Cat({
      {0x03, 0x86, 0x01},
      Str("Name"),
      Str("Window1"),
      Str("Frame"),
      Str("1"),
      Str("Title"),
      Str(""),
      {0x01, 0x03, 0x02},
      Str("Name"),
      Str("PushButton1"),
      Str("Index"),
      Str("-2147483648"),
      {0x01, 0x00},
      Str("getCheckedAction"),
      {0x41},
      Str(""),
      {0x05},
      Str(""),
      Str("x"),
  });
  EXPECT_EQ(WindowLayoutRecord(w), expected);
}

TEST(UiRecordWriters, RoundTripThroughTheReaders) {
  ui::WindowLayout w;
  w.windowClass = INT32_MAX;
  w.pairs = {{"Title", std::string(300, 't')}, {"", ""}, {"Bin\x80\xff", std::string(1, '\0')}};
  for (int32_t i = 0; i < 40; ++i) {
    w.controls.push_back({i * 1000, {{"Name", "C"}, {"Index", std::to_string(i)}}});
  }
  w.bindings = {{INT32_MIN, "a", INT32_MAX, "b", -64, "c", "d"}, {64, "", 63, "", 0, "", ""}};
  ui::WindowLayout back;
  std::string message;
  ASSERT_TRUE(ui::ReadWindowLayout(CountedBlock(WindowLayoutRecord(w)), &back, &message))
      << message;
  EXPECT_EQ(back, w);

  std::vector<ui::MenuEntry> menus(2);
  menus[0] = Entry("File", "FileMenu", "", 7);
  menus[0].kind = ui::kMenuEntryNoMenu;
  ui::MenuEntry* at = &menus[0];
  for (int level = 2; level <= ui::kMaxMenuDepth; ++level) {
    ui::MenuEntry child =
        Entry("Level" + std::to_string(level), "", "Shift-" + std::to_string(level), level);
    child.hasSubmenu = level < ui::kMaxMenuDepth;
    child.index = level;
    child.text2 = "two";
    child.text3 = "three";
    child.flag = true;
    at->children.push_back(child);
    at = &at->children.back();
  }
  menus[1] = Entry("Empty", "", "", 0);
  menus[1].children = {Entry("Placeholder", "", "", 1)};
  menus[1].children[0].kind = ui::kMenuEntryPlaceholder;
  std::vector<ui::MenuEntry> read;
  ASSERT_TRUE(ui::ReadMenuBar(CountedBlock(MenuBarRecord(menus)), &read, &message)) << message;
  EXPECT_EQ(read, menus);
}

TEST(UiRecordWriters, RefuseWhatCouldNotBeReadBack) {
  std::vector<ui::MenuEntry> menus = {Entry("File", "", "", 0)};
  menus[0].children = {Entry("Orphans", "", "", 0)};
  menus[0].children[0].children = {Entry("Lost", "", "", 0)};
  EXPECT_THROW(MenuBarRecord(menus), imagetool::Error);
}

struct Linked {
  BuildResult r;
  uint32_t Symbol(const std::string& name) const { return test::Symbol(r, name)->offset; }
  std::span<const uint8_t> From(uint32_t offset) const {
    return std::span<const uint8_t>(r.image.data).subspan(offset);
  }
  uint32_t At(uint32_t offset) const { return Word(r.image.data, offset); }
};

Linked Link(const std::string& text, const std::vector<std::string>& more = {}) {
  std::vector<ObjectFile> objects = {Fixture("describe.s")};
  for (const std::string& source : more) objects.push_back(Fixture(source));
  objects.push_back(imagetool::DescriptionObject(imagetool::ParseDescription(text, "ui.desc"),
                                                 objects, imagetool::kDefaultDescriptor));
  return {imagetool::BuildImage(objects, {})};
}

const char kDescription[] = R"(framework Window
framework PushButton
framework GroupBox
framework CheckBox
framework enablingBinder
framework MenuItem
framework QuitMenuItem
window MainLayout Window
  set Name Window1
  set Frame 1
  set Title "Main \"window\""
  control GroupBox Box
    at 10 10 200 100
  end
  control PushButton Choice 0
    at 20 30 80 20
    set Caption OK
  end
  control pushbutton Choice 1
    at 20 60 80 20
    set Caption "Two words"
  end
  control 3
    set Name Check
    set Index -2147483648
  end
  bind check getCheckedAction Choice$1 - enablingBinder
  bind 0 - 1 "" 9 "one" two
end
item menubar
  menu File name FileMenu
    entry Quit name FileQuit key Q class QuitMenuItem
  end
  menu Edit
    entry Undo name EditUndo key Z
    separator
    submenu "Paste Special" name EditSpecial
      entry "As Text" name EditPasteText index 0 text2 a text3 b flag kind 2
    end
  end
end
)";

// The statements of the standard controls are pairs like any other.
TEST(DescribedWindows, ControlStatementsBecomeTheirPairs) {
  const Linked l = Link(R"(framework Window
framework PopupMenu
window Layout Window
  control PopupMenu Colour
    rows Red "Light green" Blue
    page 2
  end
  control PopupMenu Tabs
    tabs One
    ends 10 20 -30 40
  end
end
)");
  ui::WindowLayout layout;
  std::string message;
  ASSERT_TRUE(ui::ReadWindowLayout(l.From(l.Symbol("Layout")), &layout, &message)) << message;
  ASSERT_EQ(layout.controls.size(), 2u);
  using Pairs = std::vector<ui::PropertyPair>;
  EXPECT_EQ(layout.controls[0].pairs, (Pairs{{"Name", "Colour"},
                                             {"Index", "-2147483648"},
                                             {"InitialValue", "Red\rLight green\rBlue"},
                                             {"TabPanelIndex", "2"}}));
  EXPECT_EQ(layout.controls[1].pairs, (Pairs{{"Name", "Tabs"},
                                             {"Index", "-2147483648"},
                                             {"TabDefinition", "One"},
                                             {"X1", "10"},
                                             {"Y1", "20"},
                                             {"X2", "-30"},
                                             {"Y2", "40"}}));
}

TEST(DescribedWindows, LayOutTheRecordUnderItsSymbol) {
  const Linked l = Link(kDescription);
  const uint32_t at = l.Symbol("MainLayout");
  EXPECT_EQ(at % 4, 0u);
  EXPECT_EQ(test::Symbol(l.r, "MainLayout")->size, 4 + l.At(at));
  ui::WindowLayout layout;
  std::string message;
  ASSERT_TRUE(ui::ReadWindowLayout(l.From(at), &layout, &message)) << message;

  ui::WindowLayout expected;
  expected.windowClass = 0;
  expected.pairs = {{"Name", "Window1"}, {"Frame", "1"}, {"Title", "Main \"window\""}};
  auto control = [](int32_t cls, std::string name, std::string index,
                    std::vector<std::string> rect) {
    return ui::ControlLayout{cls,
                             {{"Name", std::move(name)},
                              {"Index", std::move(index)},
                              {"Left", rect[0]},
                              {"Top", rect[1]},
                              {"Width", rect[2]},
                              {"Height", rect[3]}}};
  };
  expected.controls = {control(2, "Box", "-2147483648", {"10", "10", "200", "100"}),
                       control(1, "Choice", "0", {"20", "30", "80", "20"}),
                       control(1, "Choice", "1", {"20", "60", "80", "20"}),
                       {3, {{"Name", "Check"}, {"Index", "-2147483648"}}}};
  expected.controls[1].pairs.push_back({"Caption", "OK"});
  expected.controls[2].pairs.push_back({"Caption", "Two words"});
  expected.bindings = {{3, "getCheckedAction", 2, "", 4, "", ""}, {0, "", 1, "", 9, "one", "two"}};
  EXPECT_EQ(layout, expected);
}

TEST(DescribedWindows, FontGivesTheTextStylePairs) {
  const Linked l = Link(
      "framework A\nwindow W A\n control A F\n  font \"Courier New\" 14 bold underline\n"
      " end\nend\n");
  ui::WindowLayout layout;
  std::string message;
  ASSERT_TRUE(ui::ReadWindowLayout(l.From(l.Symbol("W")), &layout, &message)) << message;
  ASSERT_EQ(layout.controls.size(), 1u);
  EXPECT_EQ(layout.controls[0].pairs, (std::vector<ui::PropertyPair>{{"Name", "F"},
                                                                     {"Index", "-2147483648"},
                                                                     {"TextFont", "Courier New"},
                                                                     {"TextSize", "14"},
                                                                     {"Bold", "True"},
                                                                     {"Underline", "True"}}));
}

TEST(DescribedWindows, CodePassesTheLayoutToRuntimeCreateWindow) {
  const Linked l = Link(kDescription, {"window_ref.s"});
  const uint32_t layout = l.Symbol("MainLayout");
  int found = 0;
  for (const imagetool::LinkRecord& r : l.r.links) {
    if (r.type == image::kRecordDataAddress && Word(l.r.image.code, r.offset) == layout) ++found;
  }
  EXPECT_EQ(found, 1);
  const auto calls = Chains(l.r.image);
  ASSERT_TRUE(calls.count("RuntimeCreateWindow"));
  EXPECT_EQ(calls.at("RuntimeCreateWindow").size(), 1u);
}

TEST(DescribedWindows, MenuBarIsProjectItemKindTwo) {
  const Linked l = Link(kDescription);
  const uint32_t item = l.At(l.At(4) + 4 + 4 * 7 + 4);
  EXPECT_EQ(l.At(item), 2u);
  std::vector<ui::MenuEntry> menus;
  std::string message;
  ASSERT_TRUE(ui::ReadMenuBar(l.From(item + 4), &menus, &message)) << message;

  ui::MenuEntry file = Entry("File", "FileMenu", "", 5);
  file.hasSubmenu = true;
  file.children = {Entry("Quit", "FileQuit", "Q", 6)};
  ui::MenuEntry special = Entry("Paste Special", "EditSpecial", "", 5);
  special.hasSubmenu = true;
  ui::MenuEntry text = Entry("As Text", "EditPasteText", "", 5);
  text.index = 0;
  text.text2 = "a";
  text.text3 = "b";
  text.flag = true;
  text.kind = ui::kMenuEntryPlaceholder;
  special.children = {text};
  ui::MenuEntry edit = Entry("Edit", "", "", 5);
  edit.hasSubmenu = true;
  edit.children = {Entry("Undo", "EditUndo", "Z", 5), Entry("-", "", "", 5), special};
  EXPECT_EQ(menus, (std::vector<ui::MenuEntry>{file, edit}));
}

std::vector<std::string> Errors(const std::string& text) {
  try {
    Link(text);
  } catch (const imagetool::BuildError& e) {
    return e.messages();
  }
  ADD_FAILURE() << "no error for:\n" << text;
  return {};
}

TEST(DescribedWindows, ErrorsNameFileAndLine) {
  const std::string deep = [] {
    std::string t = "framework MenuItem\nitem menubar\n menu M\n";
    for (int i = 1; i < ui::kMaxMenuDepth; ++i) t += "  submenu S\n";
    return t;
  }();
  struct Row {
    std::string text;
    std::vector<std::string> messages;
  };
  const Row rows[] = {
      {"window W Nowhere\nend", {"ui.desc:1: unknown class 'Nowhere' (window class)"}},
      {"framework A\nwindow W A\n control B\n end\nend",
       {"ui.desc:3: unknown class 'B' (control class)"}},
      {"framework A\nwindow W A\n control A X\n end\n bind Y - X - A\nend",
       {"ui.desc:5: control 'Y' is not a control of window W"}},
      {"framework A\nwindow W A\n control A X 1\n end\n bind X - 0 - A\nend",
       {"ui.desc:5: control 'X' is not a control of window W"}},
      {"framework A\nwindow W A\n control A X\n end\n control A x\n end\n bind X - 0 - A\nend",
       {"ui.desc:7: control 'X' names 2 controls"}},
      {"framework A\nwindow W A\n bind 0 - 1 - A\nend",
       {"ui.desc:3: control position 0 is past the 0 controls of window W",
        "ui.desc:3: control position 1 is past the 0 controls of window W"}},
      {"framework A\nwindow W A\n bind -1 - 0 - A\nend", {"ui.desc:3: bad source control '-1'"}},
      {"framework A\nwindow W A\n title T\nend",
       {"ui.desc:3: unknown window statement 'title' (set, control, bind or end)"}},
      {"framework A\nwindow W A\n control A\n  at 1 2 3\n  size 1\n end\nend",
       {"ui.desc:4: missing Height",
        "ui.desc:5: unknown control statement 'size' (set, at, rows, tabs, page, ends, font or end)"}},
      {"framework A\nwindow W A\n control A\n  rows\n  page one\n  ends 1 2 3\n end\nend",
       {"ui.desc:4: missing row", "ui.desc:5: bad page 'one'", "ui.desc:6: missing Y2"}},
      {"framework A\nwindow W A\n control A\n  font Arial 12 heavy\n end\nend",
       {"ui.desc:4: unknown style 'heavy' (bold, italic or underline)"}},
      {"framework A\nwindow W A\n control A\n", {"ui.desc:3: control is not closed by 'end'"}},
      {"framework A\nwindow W A\n control A\n end\n", {"ui.desc:2: window is not closed by 'end'"}},
      {"slot W\nframework A\nwindow W A\nend", {"ui.desc:3: 'W' is already defined on line 1"}},
      {"framework A\nwindow Counter A\nend",
       {"ui.desc:2: 'Counter' is already defined by an object"}},
      {"item menubar\n menu File\n  entry Quit\n end\nend",
       {"ui.desc:2: menu entry \"File\" needs a class: give it one or declare the class MenuItem",
        "ui.desc:3: menu entry \"Quit\" needs a class: give it one or declare the class MenuItem"}},
      {"framework MenuItem\nitem menubar\n entry Quit\n menu File\n  menu Edit\n end\nend",
       {"ui.desc:3: 'entry' outside a menu", "ui.desc:5: 'menu' inside a menu (use 'submenu')"}},
      {"framework MenuItem\nitem menubar\n menu File shortcut Q\n end\nend",
       {"ui.desc:3: unknown menu field 'shortcut' (name, key, index, class, kind, text2, text3 or "
        "flag)"}},
      {"framework MenuItem\nitem menubar\n menu File\n  submenu Open\n end\nend",
       {"ui.desc:2: item menubar is not closed by 'end'"}},
      {"framework MenuItem\nitem menubar\n menu File\n  submenu Open\n",
       {"ui.desc:4: menu is not closed by 'end'"}},
      {deep + "  submenu TooDeep\n",
       {"ui.desc:" + std::to_string(ui::kMaxMenuDepth + 3) + ": menus nest deeper than 16 levels",
        "ui.desc:" + std::to_string(ui::kMaxMenuDepth + 3) + ": menu is not closed by 'end'"}},
  };
  for (const Row& row : rows) EXPECT_EQ(Errors(row.text), row.messages) << row.text;
}

TEST(DescribedWindows, DumpListsMenusAndWindowsOnRequest) {
  const Linked l = Link(kDescription);
  const std::string records = imagetool::DescribeRecords(l.r.image);
  const std::string menus =
      "  item 1: menu bar, 2 menus\n"
      "    menu \"File\" name \"FileMenu\" class 5\n"
      "      \"Quit\" name \"FileQuit\" key \"Q\" class 6\n"
      "    menu \"Edit\" class 5\n"
      "      \"Undo\" name \"EditUndo\" key \"Z\" class 5\n"
      "      \"-\" class 5\n"
      "      \"Paste Special\" name \"EditSpecial\" class 5\n"
      "        \"As Text\" name \"EditPasteText\" index 0 class 5 kind 2 text2 \"a\" text3 \"b\" "
      "flag\n";
  EXPECT_TRUE(records.ends_with(menus)) << records;

  const uint32_t at = l.Symbol("MainLayout");
  char head[64];
  std::snprintf(head, sizeof head, "window layout at data 0x%x: ", at);
  const std::string window = imagetool::DescribeWindowLayout(l.r.image, at);
  EXPECT_TRUE(window.starts_with(std::string(head) + "class 0, 3 pairs, 4 controls, 2 bindings\n"
                                                     "  \"Name\" \"Window1\"\n"))
      << window;
  EXPECT_TRUE(window.ends_with(
      "  control 3: class 3\n"
      "    \"Name\" \"Check\"\n"
      "    \"Index\" \"-2147483648\"\n"
      "  bind control 3 part \"getCheckedAction\" to control 2 part \"\" by class 4, \"\" \"\"\n"
      "  bind control 0 part \"\" to control 1 part \"\" by class 9, \"one\" \"two\"\n"))
      << window;

  // Anywhere else the block is refused, never misread past the segment.
  for (uint32_t offset : {at + 1, uint32_t(l.r.image.data.size()), 0xFFFFFFF0u}) {
    const std::string text = imagetool::DescribeWindowLayout(l.r.image, offset);
    EXPECT_NE(text.find("window layout record damaged"), std::string::npos) << text;
  }
}

TEST(DescribedWindows, DumpReportsADamagedMenuBar) {
  Linked l = Link(kDescription);
  const uint32_t item = l.At(l.At(4) + 4 + 4 * 7 + 4);
  put_le32(&l.r.image.data[item + 4], 0x7FFFFFFF);
  const std::string records = imagetool::DescribeRecords(l.r.image);
  EXPECT_TRUE(
      records.ends_with("  item 1:   malformed: menu record damaged: its byte count "
                        "2147483647 runs past the " +
                        std::to_string(l.r.image.data.size() - item - 8) + " bytes available\n"))
      << records;
}

}  // namespace
}  // namespace tess::test
