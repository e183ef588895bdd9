// EditField from a layout: password masking, the classic styles the
// platform cannot show, the edit items the focused field enables, the
// styled-text block, and loading and saving styled text.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/file_classes.h"
#include "files/folder_item.h"
#include "platform/richedit/richedit.h"
#include "platform/user/automation.h"
#include "platform/user/clipboard.h"
#include "runtime/class_registry.h"
#include "runtime/image_data.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "tessimage/ui_records.h"
#include "ui/edit_field.h"
#include "ui/menu_bar.h"
#include "ui/styled_text.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

namespace automation = platform::automation;
using namespace platform::richedit;

class EditFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    InitEditField();
    window_.superclass = WindowClass();
    window_.instanceSize = kWindowInstanceSize;
    table_ = {&window_, FindClassByName("EditField"), MenuItemClass()};
    SetClassTable(table_);
    static bool built = [] {
      std::vector<MenuEntry> edit(1);
      edit[0].text = "Edit";
      edit[0].name = "EditMenu";
      for (const char* name : {"EditCut", "EditCopy", "EditPaste", "EditClear"}) {
        MenuEntry e;
        e.text = name + 4;
        e.name = name;
        e.classIndex = 2;
        edit[0].children.push_back(e);
      }
      static std::vector<uint8_t> block = imagetool::CountedBlock(imagetool::MenuBarRecord(edit));
      return BuildMenuBar(block.data());
    }();
    ASSERT_TRUE(built);
  }
  void TearDown() override {
    CloseAllWindows();
    automation::WaitIdle();
    SetClassTable({});
  }

  // A window holding one field made from `pairs`.
  TessObject* Field(std::vector<PropertyPair> pairs) {
    std::vector<PropertyPair> control{{"Name", "F"}, {"Index", "-2147483648"}, {"Left", "10"},
                                      {"Top", "10"}, {"Width", "200"},         {"Height", "80"}};
    control.insert(control.end(), pairs.begin(), pairs.end());
    WindowLayout layout{0,
                        {{"Title", "W"},
                         {"Frame", "0"},
                         {"Left", "40"},
                         {"Top", "60"},
                         {"Width", "300"},
                         {"Height", "200"},
                         {"Visible", "True"}},
                        {ControlLayout{1, control}},
                        {}};
    blocks_.push_back(std::make_unique<std::vector<uint8_t>>(
        imagetool::CountedBlock(imagetool::WindowLayoutRecord(layout))));
    TessObject* out = nullptr;
    TessObject* window = RuntimeCreateWindow(blocks_.back()->data(), &out);
    EXPECT_NE(window, nullptr);
    RuntimeUnlockObject(out);
    windows_.push_back(ObjectRef::Adopt(window));
    automation::WaitIdle();
    StringRef key = StringRef::Adopt(MakeString("F"));
    TessObject* field = RuntimeControlFetch(window, key.get());
    fields_.push_back(ObjectRef::Adopt(field));
    return field;
  }

  static std::string Text(TessObject* field) {
    StringRef s = StringRef::Adopt(editTextGetter(field, 0));
    return std::string(View(s.get()));
  }
  static platform::HWND Control(TessObject* field) { return EditFieldOf(field)->edit->control; }

  ClassObject window_{};
  std::vector<ClassObject*> table_;
  std::vector<std::unique_ptr<std::vector<uint8_t>>> blocks_;
  std::vector<ObjectRef> windows_, fields_;
};

TEST_F(EditFieldTest, PasswordFieldsMaskWhatTheyShowAndReadBackTheText) {
  TessObject* f = Field({{"MultiLine", "True"}, {"Text", "ab\r"}});
  editPasswordSetter(f, 0, 1);
  EXPECT_EQ(SendMessage(Control(f), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(Text(f), "ab\r");
  // Two masked characters and the line end: the caret after them sits at
  // twice the mask's width, on the first line.
  platform::POINT one{}, two{};
  SendMessage(Control(f), EM_POSFROMCHAR, reinterpret_cast<platform::WPARAM>(&one), 1);
  SendMessage(Control(f), EM_POSFROMCHAR, reinterpret_cast<platform::WPARAM>(&two), 2);
  EXPECT_EQ(two.x - one.x, one.x - 2);  // the text starts at the 2-pixel margin
  EXPECT_EQ(SendMessage(Control(f), EM_GETLINECOUNT, 0, 0), 2);
  // Masking again masks nothing more; setting Text while masked keeps it.
  editPasswordSetter(f, 0, 1);
  StringRef secret = StringRef::Adopt(MakeString("s3cret"));
  editTextSetter(f, 0, secret.get());
  EXPECT_EQ(Text(f), "s3cret");
  editPasswordSetter(f, 0, 0);
  EXPECT_EQ(SendMessage(Control(f), EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_EQ(Text(f), "s3cret");
  // Set before the control exists, the flag is applied when it is made.
  TessObject* g = Field({{"Password", "True"}, {"Text", "pw"}});
  EXPECT_EQ(SendMessage(Control(g), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(Text(g), "pw");
}

TEST_F(EditFieldTest, TheClassicStylesTheWindowsCannotShowSaySoEveryTime) {
  TessObject* f = Field({});
  struct Row {
    int32_t (*get)(TessObject*, uint32_t);
    void (*set)(TessObject*, uint32_t, int32_t);
    void (*toggle)(TessObject*);
    const char* message;
  } rows[] = {
      {&editSelOutlineGetter, &editSelOutlineSetter, &editToggleSelectionOutline,
       "Windows does not support the 'Outline' text font style."},
      {&editSelShadowGetter, &editSelShadowSetter, &editToggleSelectionShadow,
       "Windows does not support the 'Shadow' text font style."},
      {&editSelCondenseGetter, &editSelCondenseSetter, &editToggleSelectionCondense,
       "Windows does not support the 'Condensed' text font style."},
      {&editSelExtendGetter, &editSelExtendSetter, &editToggleSelectionExtend,
       "Windows does not support the 'Extended' text font style."},
  };
  for (const Row& row : rows) {
    std::string box =
        std::string("[message box: ]\n") + row.message + "\n[buttons: OK; pressed: OK]\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(row.get(f, 0), 0);
    row.set(f, 0, 1);
    row.toggle(f);
    EXPECT_EQ(row.get(f, 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box + box + box + box) << row.message;
  }
}

TEST_F(EditFieldTest, TheFocusedFieldEnablesTheEditItemsItCanDo) {
  struct Row {
    const char* name;
    bool readOnly, password, selection, clipboardText;
    const char* enabled;  // C(ut) O (copy) P(aste) L (clear)
  } rows[] = {
      {"plain, nothing selected, empty clipboard", false, false, false, false, ""},
      {"plain, nothing selected, text to paste", false, false, false, true, "P"},
      {"plain with a selection", false, false, true, true, "COPL"},
      {"read-only with a selection", true, false, true, true, "O"},
      {"password with a selection", false, true, true, true, "PL"},
  };
  for (const Row& row : rows) {
    TessObject* f = Field({{"Text", "hello"},
                           {"ReadOnly", row.readOnly ? "True" : "False"},
                           {"Password", row.password ? "True" : "False"}});
    platform::OpenClipboard(nullptr);
    platform::EmptyClipboard();
    if (row.clipboardText) {
      platform::HGLOBAL block = platform::GlobalAlloc(platform::GMEM_MOVEABLE, 2);
      static_cast<char*>(platform::GlobalLock(block))[0] = 'x';
      platform::GlobalUnlock(block);
      platform::SetClipboardData(platform::CF_TEXT, block);
    }
    platform::CloseClipboard();
    platform::SetFocus(Control(f));
    editSelStartSetter(f, 0, 1);
    editSelLengthSetter(f, 0, row.selection ? 3 : 0);
    RunEnablingPass();
    std::string enabled;
    for (auto [name, letter] : {std::pair{"EditCut", 'C'}, std::pair{"EditCopy", 'O'},
                                std::pair{"EditPaste", 'P'}, std::pair{"EditClear", 'L'}}) {
      StringRef key = StringRef::Adopt(MakeString(name));
      ObjectRef item = ObjectRef::Adopt(RuntimeMenuReference(key.get()));
      if (reinterpret_cast<MenuItemFields*>(item.get())->enabled) enabled += letter;
    }
    EXPECT_EQ(enabled, row.enabled) << row.name;
  }
}

TEST(StyledTextBlock, RoundTripsAndReadsClassicBlocks) {
  richedit::TextModel model;
  model.Replace(0, 0, U"plain bold red\rbig", 0);
  richedit::CharFormat f;
  f.face = "Arial";
  f.bold = true;
  model.SetFormat(6, 4, richedit::kSetAll, f);
  f.bold = false;
  f.color = 0xFF0000;
  f.face = "Courier New";
  model.SetFormat(11, 3, richedit::kSetAll, f);
  f.twips = 480;
  model.SetFormat(15, 3, richedit::kSetSize, f);
  std::string block = EncodeStyledText(model);
  EXPECT_EQ(block.size() % 2, 0u);
  richedit::TextModel back;
  back.Replace(0, 0, model.Text(), 0);
  ASSERT_TRUE(DecodeStyledText(block, &back));
  for (size_t i = 0; i < model.Length(); ++i)
    EXPECT_EQ(back.Format(back.At(i).format), model.Format(model.At(i).format)) << i;
  EXPECT_EQ(EncodeStyledText(back), block);

  // A block of the authoring platform: two runs, Helvetica bold then
  // Courier 14 in blue, no name table.
  const uint8_t classic[] = {0, 2,                                                              //
                             0, 0, 0, 0, 0, 16, 0, 12, 0, 21, 1, 0, 0, 12, 0, 0, 0, 0, 0,   0,  //
                             0, 0, 0, 3, 0, 18, 0, 14, 0, 22, 0, 0, 0, 14, 0, 0, 0, 0, 255, 255};
  richedit::TextModel old;
  old.Replace(0, 0, U"abcdef", 0);
  ASSERT_TRUE(DecodeStyledText(
      std::string_view(reinterpret_cast<const char*>(classic), sizeof classic), &old));
  EXPECT_EQ(old.Format(old.At(0).format).face, "Arial");
  EXPECT_TRUE(old.Format(old.At(0).format).bold);
  EXPECT_EQ(old.Format(old.At(4).format).face, "Courier New");
  EXPECT_EQ(old.Format(old.At(4).format).twips, 280);
  EXPECT_EQ(old.Format(old.At(4).format).color, 0x0000FFu);
  // Cut short, empty, or with runs past the text: what can be read is.
  for (size_t cut = 0; cut < sizeof classic; ++cut) {
    richedit::TextModel m;
    m.Replace(0, 0, U"ab", 0);
    DecodeStyledText(std::string_view(reinterpret_cast<const char*>(classic), cut), &m);
    EXPECT_EQ(m.Length(), 2u);
  }
}

TEST_F(EditFieldTest, FilesLoadStyledWhenTheyBeginAsRichTextAndSaveAsRichText) {
  TessObject* f = Field({{"MultiLine", "True"}});
  ASSERT_TRUE(LoadFieldText(f, "{\\rtf1 \\b bold\\b0  rest}"));
  EXPECT_EQ(Text(f), "bold rest");
  editSelStartSetter(f, 0, 0);
  editSelLengthSetter(f, 0, 4);
  EXPECT_EQ(editSelBoldGetter(f, 0), 1);
  ASSERT_TRUE(LoadFieldText(f, " {\\rtf1 not at the start}"));
  EXPECT_EQ(Text(f), " {\\rtf1 not at the start}");
  ASSERT_TRUE(LoadFieldText(f, "line one\r\nline two"));
  EXPECT_EQ(Text(f), "line one\rline two");
  std::string saved = SaveFieldText(f);
  EXPECT_EQ(saved.substr(0, 5), "{\\rtf");
  ASSERT_TRUE(LoadFieldText(f, saved));
  EXPECT_EQ(Text(f), "line one\rline two");
}

TEST_F(EditFieldTest, FolderItemsOpenAndSaveStyledText) {
  TessObject* source = Field({{"MultiLine", "True"}, {"Text", "saved\rtext"}});
  editSelStartSetter(source, 0, 0);
  editSelLengthSetter(source, 0, 5);
  editSelItalicSetter(source, 0, 1);
  std::string path = testing::TempDir() + "edit_field_styled.rtf";
  std::remove(path.c_str());
  ObjectRef file = ObjectRef::Adopt(NewFolderItem(path));
  ASSERT_NE(file.get(), nullptr);
  FolderItemSaveStyledEditField(file.get(), source);
  EXPECT_EQ(reinterpret_cast<FolderItemObject*>(file.get())->lastError, 0);
  TessObject* target = Field({{"MultiLine", "True"}});
  FolderItemOpenStyledEditField(file.get(), target);
  EXPECT_EQ(Text(target), "saved\rtext");
  editSelStartSetter(target, 0, 1);
  editSelLengthSetter(target, 0, 2);
  EXPECT_EQ(editSelItalicGetter(target, 0), 1);
  // A file that cannot be opened leaves the field as it was.
  ObjectRef missing = ObjectRef::Adopt(NewFolderItem(testing::TempDir() + "no/such/file.rtf"));
  FolderItemOpenStyledEditField(missing.get(), target);
  EXPECT_EQ(Text(target), "saved\rtext");
  EXPECT_NE(reinterpret_cast<FolderItemObject*>(missing.get())->lastError, 0);
  // Anything but a FolderItem is no file.
  FolderItemOpenStyledEditField(target, target);
  EXPECT_EQ(Text(target), "saved\rtext");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tess::ui
