// StyledTextPrinter over a field that has no control of its own (never
// shown): its text drawn into a picture block by block until EOF.
#include <gtest/gtest.h>

#include <string>

#include "files/file_classes.h"
#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/edit_field.h"
#include "ui/styled_text_printer.h"
#include "ui/windowing.h"
#include "values/value_classes.h"

namespace tess::ui {
namespace {

class StyledTextPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    InitWindowing();
    InitEditField();
    graphics::InitGraphics();
    InitStyledTextPrinter();
  }
  // Rows of the picture that hold any ink, and ink right of column `right`.
  static void Ink(TessObject* picture, int right, int* rows, int* beyond) {
    graphics::PictureData& p = *graphics::PictureOf(picture);
    *rows = *beyond = 0;
    for (int y = 0; y < p.height; ++y) {
      bool any = false;
      for (int x = 0; x < p.width; ++x)
        if (graphics::GetSurfacePixel(p, x, y) != 0xFFFFFF) {
          any = true;
          if (x >= right) ++*beyond;
        }
      *rows += any;
    }
  }
};

TEST_F(StyledTextPrinterTest, AFieldWithoutAControlPrintsItsTextInBlocks) {
  ObjectRef field = ObjectRef::Adopt(CreateObject(FindClassByName("EditField")));
  TessString* text = MakeString("one two three four five six seven eight nine ten eleven");
  editTextSetter(field.get(), 0, text);
  UnlockString(text);
  ObjectRef picture = ObjectRef::Adopt(newPicture(200, 200, 32));
  ObjectRef g = ObjectRef::Adopt(pictureGraphicsGetter(picture.get(), 0));
  RuntimeGraphicsClearRect(g.get(), 0, 0, 200, 200);

  ObjectRef printer = ObjectRef::Adopt(editStyleTextPrinter(field.get(), g.get(), 80));
  ASSERT_TRUE(printer.get());
  EXPECT_EQ(styledPrinterEOF(printer.get(), 0), 0);
  int blocks = 0;
  while (!styledPrinterEOF(printer.get(), 0) && blocks < 20) {
    styledPrinterDrawBlock(printer.get(), 10, 10 + 30 * blocks, 20);
    ++blocks;
  }
  EXPECT_EQ(styledPrinterEOF(printer.get(), 0), 1);
  EXPECT_GT(blocks, 2);  // the narrow width wraps the words onto many lines
  int rows = 0, beyond = 0;
  Ink(picture.get(), 90, &rows, &beyond);
  EXPECT_GT(rows, blocks * 5);
  EXPECT_EQ(beyond, 0);

  // Further blocks draw nothing more; a wider printer takes fewer blocks.
  styledPrinterDrawBlock(printer.get(), 100, 10, 20);
  Ink(picture.get(), 90, &rows, &beyond);
  EXPECT_EQ(beyond, 0);
  ObjectRef wide = ObjectRef::Adopt(editStyleTextPrinter(field.get(), g.get(), 80));
  styledPrinterWidthSetter(wide.get(), 0, 1000);
  styledPrinterDrawBlock(wide.get(), 0, 0, 100);
  EXPECT_EQ(styledPrinterEOF(wide.get(), 0), 1);

  EXPECT_EQ(test::RaisedBy([&] { UnlockObject(editStyleTextPrinter(field.get(), nullptr, 80)); }),
            FindClassByName("NilObjectException"));
}

}  // namespace
}  // namespace tess::ui
