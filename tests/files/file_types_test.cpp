// The application's file types: extension lookup and the filters the file
// dialogs are given for a list of type names.
#include <gtest/gtest.h>

#include <string>

#include "files/file_types.h"

namespace tess::files {
namespace {

class FileTypes : public ::testing::Test {
 protected:
  void SetUp() override {
    SetApplicationFileTypes({{"Text", {"txt", "text"}, "TEXT"},
                             {"Report", {"rpt"}, "RPRT"},
                             {"Plain", {"TXT"}, ""},
                             {"Nothing", {}, ""}});
  }
  void TearDown() override { SetApplicationFileTypes({}); }
};

TEST_F(FileTypes, ANameIsTypedByItsExtensionFirstDeclaredFirst) {
  const struct {
    const char* name;
    const char* type;
  } cases[] = {
      {"notes.txt", "Text"}, {"NOTES.TXT", "Text"},     {"a.b.text", "Text"}, {"x.rpt", "Report"},
      {"x.rptx", nullptr},   {"no_extension", nullptr}, {"dot.", nullptr},    {".txt", "Text"},
  };
  for (const auto& c : cases) {
    const FileType* type = FileTypeOfName(c.name);
    EXPECT_EQ(type ? type->name : "", c.type ? c.type : "") << c.name;
  }
}

std::string Readable(const std::string& pairs) {
  std::string out = pairs;
  for (char& c : out)
    if (c == '\0') c = '|';
  return out;
}

TEST_F(FileTypes, DialogsGetOneFilterATypeAndAllOfThemForOpening) {
  const struct {
    const char* list;
    bool open;
    const char* pairs;
    const char* extension;
  } cases[] = {
      {"Text", true, "Text (*.txt;*.text)|*.txt;*.text||", "txt"},
      {"Text;Report", true,
       "All Supported Files|*.txt;*.text;*.rpt|Text (*.txt;*.text)|*.txt;*.text|Report "
       "(*.rpt)|*.rpt||",
       "txt"},
      {"report; text", false, "Report (*.rpt)|*.rpt|Text (*.txt;*.text)|*.txt;*.text||", "rpt"},
      {"", true, "All Files (*.*)|*.*||", ""},
      {"????", false, "All Files (*.*)|*.*||", ""},
      {"Text;????", false, "Text (*.txt;*.text)|*.txt;*.text|All Files (*.*)|*.*||", "txt"},
      {"*.csv", false, "*.csv|*.csv||", "csv"},
      {".csv;Unknown;Nothing", false, "*.csv|*.csv||", "csv"},
      {"Unknown", true, "All Files (*.*)|*.*||", ""},
  };
  for (const auto& c : cases) {
    DialogFilter f = FilterForFileTypes(c.list, c.open);
    EXPECT_EQ(Readable(f.pairs), c.pairs) << c.list;
    EXPECT_EQ(f.defaultExtension, c.extension) << c.list;
  }
}

}  // namespace
}  // namespace tess::files
